// SPDX-License-Identifier: GPL-3.0-or-later
// What the program does with the files the user points it at: special files are written
// directly and never replaced, read-only files are refused, owners and hard links stay,
// nothing is left behind, and input that is not a regular file never hangs a read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "core/import/import_support.h"
#include "export/export.h"
#include "import/common.h"
#include "import/formatted.h"
#include "import/tide.h"
#include "io/document.h"
#include "model/docfile.h"
#include "model/safefile.h"
#include "model/scriptedport.h"
#include "support/builders.h"
#include "ui/commands.h"

namespace aq {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool IsRoot() { return ::geteuid() == 0; }

// Runs `body` in a child process as the unprivileged user 65534 and returns its exit
// code (or -1 when the child could not become that user).
template <class Body>
int AsNobody(Body&& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 100 ? WEXITSTATUS(status) : -1;
}

// Reads a FIFO whole in another thread while the test writes to it.
std::future<std::string> ReadFifo(const std::string& path) {
    return std::async(std::launch::async, [path] { return Slurp(path); });
}

class SafeFileTest : public testing::Test {
protected:
    void SetUp() override {
        test::Append(doc, {test::Pos(test::At(12, 0, 0), 100000, 200000), test::Depth(test::At(12, 0, 1), 512),
                           test::Pos(test::At(12, 0, 2), 100100, 200100)});
    }
    TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(SafeFileTest, SpecialFilesAreWrittenDirectlyAndStaySpecial) {
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    const std::string expected(bytes.begin(), bytes.end());

    // A FIFO: the reader gets the document and the FIFO stays a FIFO.
    const std::string fifo = dir.Path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto got = ReadFifo(fifo);
    EXPECT_TRUE(SaveDocument(doc, fifo, port));
    EXPECT_EQ(got.get(), expected);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A link to a FIFO: written through, both stay what they were.
    const std::string link = dir.Path("link");
    fs::create_symlink(fifo, link);
    got = ReadFifo(fifo);
    int err = 0;
    EXPECT_TRUE(WriteFileAtomically(link, bytes, &err)) << err;
    EXPECT_EQ(got.get(), expected);
    EXPECT_TRUE(fs::is_symlink(link));
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // An export to a FIFO likewise.
    ASSERT_TRUE(RunExport(ID_EXPORT_CSV, doc, dir.Path("plain.csv"), {}, port));
    const std::string csv = Slurp(dir.Path("plain.csv"));
    fs::remove(dir.Path("plain.csv"));
    EXPECT_FALSE(csv.empty());
    got = ReadFifo(fifo);
    EXPECT_TRUE(RunExport(ID_EXPORT_CSV, doc, fifo, {}, port));
    EXPECT_EQ(got.get(), csv);
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(Entries(dir.Path(".")), (std::vector<std::string>{"link", "pipe"}));

    // A character device (a copy of the null device) is written, not replaced.
    if (IsRoot()) {
        const std::string null = dir.Path("null");
        if (::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
            EXPECT_TRUE(SaveDocument(doc, null, port));
            ASSERT_EQ(::lstat(null.c_str(), &st), 0);
            EXPECT_TRUE(S_ISCHR(st.st_mode));
            EXPECT_EQ(::major(st.st_rdev), 1u);
        }
    }

    // A folder is refused with its reason.
    port.messages.clear();
    EXPECT_FALSE(SaveDocument(doc, dir.Path("."), port));
    EXPECT_EQ(port.Texts().back(), "Failed to save document " + dir.Path(".") + ": Is a directory.");
}

TEST_F(SafeFileTest, ExportToDashGoesToStandardOutput) {
    ASSERT_TRUE(RunExport(ID_EXPORT_CSV, doc, dir.Path("plain.csv"), {}, port));
    const std::string csv = Slurp(dir.Path("plain.csv"));
    // Standard output pointed at a file for the length of the export.
    const std::string out = dir.Path("out.txt");
    fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
    const bool ok = RunExport(ID_EXPORT_CSV, doc, "-", {}, port);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Slurp(out), csv);
    EXPECT_FALSE(fs::exists(dir.Path("-")));
}

TEST_F(SafeFileTest, ReadOnlyFilesAreRefusedAndOwnerGroupModeLinksKept) {
    const std::string keep = dir.Path("keep.son");
    std::ofstream(keep) << "old";
    ::chmod(keep.c_str(), 0444);
    if (IsRoot()) {
        // The refusal as an ordinary user in a folder of theirs.
        ::chown(dir.Path(".").c_str(), 65534, 65534);
        ::chown(keep.c_str(), 65534, 65534);
        const int code = AsNobody([&] {
            ScriptedPort p;
            const bool saved = SaveDocument(doc, keep, p);
            const bool exported = RunExport(ID_EXPORT_CSV, doc, keep, {}, p);
            if (saved || exported) return 1;
            if (p.Texts().at(0) != "Failed to save document " + keep + ": Permission denied.") return 2;
            if (p.Texts().at(1) != "Access to " + keep + " was denied.") return 3;
            return 0;
        });
        if (code == -1) GTEST_SKIP() << "cannot become an unprivileged user here";
        EXPECT_EQ(code, 0);
    } else {
        EXPECT_FALSE(SaveDocument(doc, keep, port));
        EXPECT_EQ(port.Texts().back(), "Failed to save document " + keep + ": Permission denied.");
    }
    EXPECT_EQ(Slurp(keep), "old");
    EXPECT_EQ(Entries(dir.Path(".")), std::vector<std::string>{"keep.son"});

    // Another user's file: root's save gives it back to them with its mode.
    const std::string theirs = dir.Path("theirs.son");
    std::ofstream(theirs) << "theirs";
    ::chmod(theirs.c_str(), 0640);
    if (IsRoot()) ::chown(theirs.c_str(), 65534, 65534);
    struct stat before {};
    ::stat(theirs.c_str(), &before);
    EXPECT_TRUE(SaveDocument(doc, theirs, port));
    struct stat after {};
    ::stat(theirs.c_str(), &after);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0640u);

    // A file with a second hard link: both names see the new content.
    const std::string a = dir.Path("a.son"), b = dir.Path("b.son");
    std::ofstream(a) << "a much longer old content than the new one will be, surely, by far, really";
    ASSERT_EQ(::link(a.c_str(), b.c_str()), 0);
    EXPECT_TRUE(SaveDocument(doc, a, port));
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    EXPECT_EQ(Slurp(b), std::string(bytes.begin(), bytes.end()));
    ::stat(a.c_str(), &after);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(Entries(dir.Path(".")), (std::vector<std::string>{"a.son", "b.son", "keep.son", "theirs.son"}));
}

TEST_F(SafeFileTest, AFolderThatCannotTakeANewFileIsWrittenInPlace) {
    if (!IsRoot()) GTEST_SKIP() << "needs root to test as another user";
    const std::string sub = dir.Path("locked");
    fs::create_directory(sub);
    const std::string target = sub + "/s.son";
    std::ofstream(target) << "old";
    ::chown(target.c_str(), 65534, 65534);
    ::chmod(sub.c_str(), 0755);  // root's folder: nobody may not add files to it
    const int code = AsNobody([&] {
        ScriptedPort p;
        return SaveDocument(doc, target, p) ? 0 : 1;
    });
    if (code == -1) GTEST_SKIP() << "cannot become an unprivileged user here";
    EXPECT_EQ(code, 0);
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    EXPECT_EQ(Slurp(target), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(Entries(sub), std::vector<std::string>{"s.son"});
}

TEST_F(SafeFileTest, InPlaceRewriteFailingPartWayPutsTheOldContentBack) {
    // A hard link forces the rewrite in place; a file-size limit stops it part way.
    const std::string a = dir.Path("a.son"), b = dir.Path("b.son");
    const std::string old(3000, 'o');
    std::ofstream(a) << old;
    ASSERT_EQ(::link(a.c_str(), b.c_str()), 0);
    std::vector<uint8_t> big(200000, 'n');
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit low = saved;
    low.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
    int err = 0;
    const bool ok = WriteFileAtomically(a, big, &err);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(ok);
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(Slurp(b), old);
    EXPECT_EQ(Entries(dir.Path(".")), (std::vector<std::string>{"a.son", "b.son"}));
}

TEST_F(SafeFileTest, FileSizeLimitFailsTheWriteInsteadOfKillingTheProcess) {
    const std::string target = dir.Path("big.son");
    std::ofstream(target) << "old";
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_DFL);  // as a program starts
        rlimit r {};
        ::getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &r);
        int err = 0;
        const bool ok = WriteFileAtomically(target, std::vector<uint8_t>(5000, 'x'), &err);
        ::_exit(ok ? 1 : err == EFBIG ? 0 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Slurp(target), "old");
    EXPECT_EQ(Entries(dir.Path(".")), std::vector<std::string>{"big.son"});
}

TEST_F(SafeFileTest, FilesLeftByAKilledSaveAreRemovedByTheNextAndLongNamesWork) {
    const std::string target = dir.Path("s.son");
    // A save killed part way leaves its new file behind.
    const pid_t pid = ::fork();
    if (pid == 0) {
        AtomicFile f(target);
        f.Write(reinterpret_cast<const uint8_t*>("partial"), 7);
        ::kill(::getpid(), SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::vector<std::string> left = Entries(dir.Path("."));
    ASSERT_EQ(left.size(), 1u);
    const std::string stale = dir.Path(left[0]);
    EXPECT_LT(left[0].size(), 24u);  // short, whatever the target's name
    // Another save still writing (it holds its lock) is left alone, however old.
    const std::string busy = stale.substr(0, stale.size() - 6) + "zzzzzz";
    std::ofstream(busy) << "busy";
    const int busyFd = ::open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busyFd, LOCK_EX), 0);
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    ::utimensat(AT_FDCWD, stale.c_str(), old, 0);
    ::utimensat(AT_FDCWD, busy.c_str(), old, 0);

    EXPECT_TRUE(SaveDocument(doc, target, port));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(busy));
    ASSERT_FALSE(port.Texts().empty());
    EXPECT_EQ(port.Texts()[0], "Removed an unfinished file left beside " + target + " by a save that did not end.");
    ::close(busyFd);
    fs::remove(busy);

    // Any legal name can be saved to and exported to.
    const std::string longName = dir.Path(std::string(255, 'n'));
    EXPECT_TRUE(SaveDocument(doc, longName, port));
    EXPECT_TRUE(RunExport(ID_EXPORT_CSV, doc, longName, {}, port));
    EXPECT_EQ(Entries(dir.Path(".")), (std::vector<std::string>{std::string(255, 'n'), "s.son"}));
}

TEST_F(SafeFileTest, InputThatIsNotARegularFileIsRefusedWithoutWaiting) {
    const std::string fifo = dir.Path("pipe.son");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // Each of these would wait for a writer for ever.
    auto done = std::async(std::launch::async, [&] {
        ScriptedPort p;
        CVKDoc d;
        test::Append(d, {test::Depth(test::At(12, 0, 0), 100)});
        std::vector<std::string> texts;
        texts.push_back(OpenDocument(d, fifo, p) ? "opened" : p.Texts().back());
        texts.push_back(std::to_string(d.Records.size()));
        ImportTide(d, fifo, p);
        texts.push_back(p.Texts().back());
        CFormImport layout;
        LoadLayout(layout, fifo, p);
        texts.push_back(p.Texts().back());
        return texts;
    });
    const bool ready = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    // Should a read wait, a writer that comes and goes releases it, so the test fails
    // rather than hangs.
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (w >= 0) ::close(w);
    }
    ASSERT_TRUE(ready) << "a read waited on the FIFO";
    const std::vector<std::string> texts = done.get();
    EXPECT_EQ(texts[0], "Failed to open document " + fifo + ": it is not a regular file.");
    EXPECT_EQ(texts[1], "1");  // the document stays
    EXPECT_EQ(texts[2], fifo + " is not a regular file.");
    EXPECT_EQ(texts[3], fifo + " is not a regular file.");
}

TEST_F(SafeFileTest, ALineLongerThanTheBufferIsOneBadLineAndNamesWithLineBreaksAreRefused) {
    // The third line's tail would have become a tide of 9.99 m.
    const std::string tide = dir.Write("t.tid", "2009 12 5 12 0 0 1.25\n2009 12 5 12 0 10 1.30\n" +
                                                    std::string(ImportFile::kLongestLine, 'x') + " 9.99\n" +
                                                    "2009 12 5 12 0 20 1.35\n");
    ImportTide(doc, tide, port);
    std::vector<int> tides;
    for (const CVKData& r : doc.Records)
        if (r.IsLive(REC_TIDE)) tides.push_back(r.Tide);
    EXPECT_EQ(tides, (std::vector<int>{125, 130, 135}));

    const std::string odd = dir.Write("a\nb.tid", "2009 12 5 12 0 0 1.25\n");
    port.messages.clear();
    EXPECT_EQ(ImportTide(doc, odd, port), ImportResult::FileError);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{odd + ": file names with line breaks cannot be imported."});
    EXPECT_EQ(doc.ImportedFiles.find("a\nb"), std::string::npos);
}

TEST_F(SafeFileTest, AHugeRecordCountClaimedByASparseFileTakesNoMemory) {
    // A few bytes of document and a claim of 3 158 064 182 records, in a file whose size
    // says it could hold them.
    const std::string path = dir.Path("sparse.son");
    {
        std::ofstream out(path, std::ios::binary);
        const uint8_t head[] = {0, 0, 0xFF, 0xFF, 0x36, 0x36, 0x3C, 0xBC, 0xFF, 0xFF, 4, 0, 7, 0,
                                'C', 'V', 'K', 'D', 'a', 't', 'a'};
        out.write(reinterpret_cast<const char*>(head), sizeof head);
    }
    fs::resize_file(path, uint64_t{100} << 30);
    rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(OpenDocument(doc, path, port));
    rusage after {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(port.Texts().back(), "Unexpected file format.");
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 512 * 1024);  // KiB
}

#if defined(__SANITIZE_ADDRESS__)
#define AQ_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AQ_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(SafeFileTest, RunningOutOfMemoryWhileOpeningIsReportedAndKeepsTheDocument) {
#if defined(AQ_ADDRESS_SANITIZER)
    GTEST_SKIP() << "an address-space limit cannot be set under the address sanitizer";
#else
    // A survey of a million records needs about 40 MB once open.
    CVKDoc big;
    ScriptedPort quiet;
    big.Records.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) big.Records.push_back(test::Depth(test::At(12, 0, 0) + i / 10, 500 + i % 100));
    const std::string path = dir.Path("big.son");
    ASSERT_TRUE(SaveDocument(big, path, quiet));
    big.Records = {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Room for what the process holds now and a little more, not for the survey.
        std::ifstream statm("/proc/self/statm");
        uint64_t pages = 0;
        statm >> pages;
        rlimit r {};
        r.rlim_cur = r.rlim_max = static_cast<rlim_t>(pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) +
                                                      (uint64_t{16} << 20));
        if (::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(10);
        const bool opened = OpenDocument(doc, path, port);
        if (opened) ::_exit(1);
        if (port.Texts().empty() || port.Texts().back().rfind("Not enough memory to open " + path + " (needs about ", 0) != 0)
            ::_exit(2);
        if (doc.Records.size() != 3) ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "no address-space limit here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace
}  // namespace aq
