// SPDX-License-Identifier: GPL-3.0-or-later
// aquenta-cli with what a careless or hostile user points it at: standard output and
// pipes as targets, a full standard output, unknown time zones, crafted documents.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"

namespace fs = std::filesystem;

namespace {

using aq::test::ReadAll;
using aq::test::ShellQuote;
using Result = aq::test::CliResult;

constexpr int64_t kT0 = 1260007200;

class CliSafety : public aq::test::CliFixture {
protected:
    std::string Survey() const {
        aq::CVKDoc doc;
        for (int i = 0; i < 4; ++i) {
            doc.AddRecord(aq::CVKData::OfPosition(kT0 + 2 * i, 4720000 + i * 100, 5150000, 100, aq::REC_POSITION, 0));
            doc.AddRecord(aq::CVKData::OfDepth(kT0 + 2 * i + 1, 300 + i, 90, aq::REC_DEPTH | aq::REC_SOUNDER, 0));
        }
        for (const auto& r : doc.Records) doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("s.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }

    // Runs a shell command line in the test's folder; its exit code.
    int Shell(const std::string& line) const {
        const int status = std::system(("cd " + ShellQuote(File(".")) + " && " + line).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

const std::string kCli = ShellQuote(AQUENTA_CLI);

TEST_F(CliSafety, StandardOutputAndPipesAreWrittenNotReplaced) {
    const std::string survey = Survey();
    ASSERT_EQ(Run({"open", survey, "export", "csv", File("plain.csv")}).code, 0);
    const std::string csv = ReadAll(File("plain.csv"));
    ASSERT_FALSE(csv.empty());

    // "-" is standard output.
    Result r = Run({"open", survey, "export", "csv", "-"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, csv);
    EXPECT_FALSE(fs::exists(File("-")));

    // /dev/stdout into a pipe: the reader gets the export.
    EXPECT_EQ(Shell(kCli + " open s.son export csv /dev/stdout | cat > piped.csv"), 0);
    EXPECT_EQ(ReadAll(File("piped.csv")), csv);

    // A FIFO with a reader.
    ASSERT_EQ(::mkfifo(File("fifo").c_str(), 0644), 0);
    EXPECT_EQ(Shell("(cat fifo > from-fifo.csv &) ; " + kCli + " open s.son export csv fifo; wait; sleep 0.2"), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(File("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(ReadAll(File("from-fifo.csv")), csv);

#ifdef AQUENTA_PLOT
    r = Run({"open", survey, "plot", "plan", "-"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    r = Run({"open", survey, "plot", "plan", "-", "--format", "pdf"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 5), "%PDF-");
#endif
}

TEST_F(CliSafety, AFullStandardOutputFailsEveryPrintingVerb) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    EXPECT_EQ(Shell(kCli + " --help > /dev/full 2> err.txt"), 1);
    EXPECT_NE(ReadAll(File("err.txt")).find("could not write to standard output"), std::string::npos);
    Survey();
    EXPECT_EQ(Shell(kCli + " open s.son records > /dev/full 2> /dev/null"), 1);
    EXPECT_EQ(Shell(kCli + " open s.son export csv - > /dev/full 2> err.txt"), 1);
    EXPECT_NE(ReadAll(File("err.txt")).find("-"), std::string::npos);
}

TEST_F(CliSafety, UnknownTimeZonesAreRefusedOrWarnedOf) {
    for (const char* zone : {"Europe/Londn", "Mars/Olympus", "../../etc/passwd"}) {
        const Result r = Run({"--tz", zone, "status"});
        EXPECT_EQ(r.code, 2) << zone;
        EXPECT_NE(r.err.find(std::string("unknown time zone \"") + zone + "\""), std::string::npos) << r.err;
    }
    for (const char* zone : {"UTC", "Europe/London", "EST5EDT", "CET-1CEST,M3.5.0,M10.5.0/3", "<+03>-3"}) {
        const Result r = Run({"--tz", zone, "status"});
        EXPECT_EQ(r.code, 0) << zone << ": " << r.err;
    }
    // TZ from the environment is not refused, but not passed over in silence either.
    EXPECT_EQ(Shell("TZ=Mars/Olympus " + kCli + " status > out.txt 2> err.txt"), 0);
    const std::string err = ReadAll(File("err.txt"));
    EXPECT_NE(err.find("TZ=\"Mars/Olympus\""), std::string::npos) << err;
    EXPECT_EQ(err.find("TZ="), err.rfind("TZ="));  // once
}

TEST_F(CliSafety, ACraftedDocumentIsRefusedNotACrash) {
    // A few bytes claiming 3 158 064 182 records in a sparse file of 100 GiB.
    const std::string path = File("crafted.son");
    {
        std::ofstream out(path, std::ios::binary);
        const unsigned char head[] = {0, 0, 0xFF, 0xFF, 0x36, 0x36, 0x3C, 0xBC, 0xFF, 0xFF, 4, 0, 7, 0,
                                      'C', 'V', 'K', 'D', 'a', 't', 'a'};
        out.write(reinterpret_cast<const char*>(head), sizeof head);
    }
    fs::resize_file(path, uint64_t{100} << 30);
    const Result r = Run({"open", path, "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unexpected file format.\n");

    // A FIFO is no document, and nobody waits for its writer.
    ASSERT_EQ(::mkfifo(File("fifo.son").c_str(), 0644), 0);
    const Result fifo = Run({"open", File("fifo.son")});
    EXPECT_EQ(fifo.code, 1);
    EXPECT_EQ(fifo.err, "Failed to open document " + File("fifo.son") + ": it is not a regular file.\n");
}

}  // namespace
