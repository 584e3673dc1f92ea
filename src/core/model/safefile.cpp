// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/safefile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace aq {

namespace fs = std::filesystem;

std::string ErrorReason(int err) {
    if (err == kErrNotRegularFile) return "it is not a regular file";
    if (err == 0) return "an unknown error";
    return std::generic_category().message(err);
}

void IgnoreWriteSignals() {
#if !defined(_WIN32)
    // Only where nobody chose otherwise: a program's own handler stays.
    for (const int sig : {SIGXFSZ, SIGPIPE}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(sig, &ignore, nullptr);
        }
    }
#endif
}

namespace {

// Writes go to the system in pieces of this size at most, and every this many bytes the
// system is told to start putting them on disk, so the disk works while the rest are
// made instead of all at once in the final sync.
constexpr size_t kPieceBytes = size_t{8} << 20;

#if !defined(_WIN32)

// New files of a save are ".aq-HHHHHHHH-XXXXXX": short, so that any legal name can be
// saved to, and tied to their target by a hash of its name, so that a later save of the
// same target knows which ones are its own. The copies of old content kept during an
// in-place rewrite are ".aq-keep-HHHHHHHH-XXXXXX" and are never removed unasked.
std::string NameHash(const std::string& name) {
    uint32_t h = 2166136261u;
    for (const unsigned char c : name) h = (h ^ c) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", h);
    return text;
}

std::string TempPrefix(const std::string& name) { return ".aq-" + NameHash(name) + "-"; }
std::string KeepPrefix(const std::string& name) { return ".aq-keep-" + NameHash(name) + "-"; }

// A file made by mkstemp from `prefix` in `dir`, locked for as long as it is open so that
// no other save takes it for one left by a dead process.
int MakeTemp(const std::string& dir, const std::string& prefix, std::string& path, int& err) {
    std::string tmpl = dir + "/" + prefix + "XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        err = errno;
        return -1;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    path = std::move(tmpl);
    return fd;
}

// Removes the new files of earlier saves of `name` in `dir` whose process has ended
// (nobody holds their lock) and that have not changed for a while. Returns how many.
int RemoveStaleTemps(const std::string& dir, const std::string& name) {
    const std::string prefix = TempPrefix(name);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    int removed = 0;
    const time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
        const int fd = ::openat(::dirfd(d), entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        struct stat now_st {};
        const bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                           (st.st_uid == ::geteuid() || ::geteuid() == 0) && now - st.st_mtime >= 2 &&
                           ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Still the same file under that name (not replaced since it was opened).
        if (stale && ::fstatat(::dirfd(d), entry.c_str(), &now_st, AT_SYMLINK_NOFOLLOW) == 0 &&
            now_st.st_ino == st.st_ino && now_st.st_dev == st.st_dev &&
            ::unlinkat(::dirfd(d), entry.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(d);
    return removed;
}

bool SyncFails(int fd) {
    if (::fsync(fd) == 0) return false;
    // Pipes, terminals and some devices cannot be synced; that is no failure.
    return errno != EINVAL && errno != EROFS && errno != ENOTSUP && errno != EBADF;
}

// Copies what `from` holds from its start into `to` from its start, then cuts `to` to
// that length and syncs it.
bool CopyWhole(int from, int to, int& err) {
    if (::lseek(from, 0, SEEK_SET) < 0 || ::lseek(to, 0, SEEK_SET) < 0) {
        err = errno;
        return false;
    }
    std::vector<uint8_t> buf(size_t{1} << 20);
    off_t total = 0;
    for (;;) {
        const ssize_t n = ::read(from, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) break;
        const uint8_t* p = buf.data();
        size_t left = static_cast<size_t>(n);
        while (left > 0) {
            const ssize_t w = ::write(to, p, left);
            if (w < 0) {
                if (errno == EINTR) continue;
                err = errno;
                return false;
            }
            p += w;
            left -= static_cast<size_t>(w);
        }
        total += n;
    }
    if (::ftruncate(to, total) != 0 || ::fsync(to) != 0) {
        err = errno;
        return false;
    }
    return true;
}

#endif

}  // namespace

AtomicFile::AtomicFile(const std::string& path, Options options) {
    IgnoreWriteSignals();
    Open(path, options);
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(int err) {
    if (error_ == 0) error_ = err != 0 ? err : EIO;
    ok_ = false;
    return false;
}

#if defined(_WIN32)

void AtomicFile::Open(const std::string& path, Options options) {
    (void)options;
    std::error_code ec;
    if (path.empty()) return (void)Fail(ENOENT);
    if (fs::is_directory(path, ec)) return (void)Fail(EISDIR);
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    target_ = target.string();
    std::random_device rd;
    temp_ = (dir / (".aq-" + std::to_string(rd()) + ".tmp")).string();
    out_ = std::make_unique<std::ofstream>(temp_, std::ios::binary | std::ios::trunc);
    ok_ = static_cast<bool>(*out_);
    if (!ok_) {
        out_.reset();
        temp_.clear();
        Fail(EACCES);
    }
}

bool AtomicFile::Write(const uint8_t* data, size_t size) {
    if (!ok_) return false;
    if (!out_->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size))) return Fail(EIO);
    written_ += size;
    return true;
}

bool AtomicFile::Commit() {
    if (!ok_) {
        Discard();
        return false;
    }
    bool ok = static_cast<bool>(out_->flush());
    out_.reset();
    if (ok) {
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        ok = !ec;
        if (ec) Fail(ec.value());
    } else {
        Fail(EIO);
    }
    if (ok) temp_.clear();
    committed_ = ok;
    Discard();
    return ok;
}

void AtomicFile::Discard() {
    ok_ = false;
    out_.reset();
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

bool AtomicFile::OpenReplace(const std::string&, const std::string&, bool) { return false; }
bool AtomicFile::OpenInPlace() { return false; }
bool AtomicFile::OpenDirect(const std::string&) { return false; }
bool AtomicFile::WriteAll(int, const uint8_t*, size_t) { return false; }
bool AtomicFile::CopyTempInPlace() { return false; }
void AtomicFile::RestoreOld() {}

#else

void AtomicFile::Open(const std::string& path, Options options) {
    if (options.dashIsStandardOutput && path == "-") {
        mode_ = WriteMode::StandardOutput;
        fd_ = STDOUT_FILENO;
        ok_ = true;
        return;
    }
    if (path.empty()) return (void)Fail(ENOENT);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return (void)Fail(EISDIR);
        if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            OpenDirect(path);
            return;
        }
        if (!S_ISREG(st.st_mode)) return (void)Fail(kErrNotRegularFile);
        // What is replaced is the file itself, wherever a link leads to it.
        std::error_code ec;
        fs::path resolved = fs::canonical(path, ec);
        if (ec) resolved = fs::path(path);
        target_ = resolved.string();
        existed_ = true;
        oldMode_ = st.st_mode & 07777;
        oldUid_ = st.st_uid;
        oldGid_ = st.st_gid;
        // A file the user may not write stays as it is, however writable its folder.
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return (void)Fail(errno);
        if (st.st_nlink > 1) {
            OpenInPlace();
            return;
        }
    } else if (errno == ENOENT || errno == ENOTDIR) {
        if (errno == ENOTDIR) return (void)Fail(ENOTDIR);
        // A new name, or a link whose file is yet to be made: that file is made.
        std::error_code ec;
        fs::path resolved = fs::weakly_canonical(fs::path(path), ec);
        target_ = ec ? path : resolved.string();
    } else {
        return (void)Fail(errno);
    }
    const fs::path target(target_);
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    OpenReplace(dir.empty() ? std::string("/") : dir, target.filename().string(), existed_);
}

bool AtomicFile::OpenReplace(const std::string& dir, const std::string& name, bool exists) {
    mode_ = WriteMode::Replace;
    if (const int removed = RemoveStaleTemps(dir, name); removed > 0) {
        notice_ = removed == 1 ? "Removed an unfinished file left beside " + target_ + " by a save that did not end."
                               : "Removed " + std::to_string(removed) + " unfinished files left beside " + target_ +
                                     " by saves that did not end.";
    }
    int err = 0;
    fd_ = MakeTemp(dir, TempPrefix(name), temp_, err);
    if (fd_ < 0) {
        // A folder that cannot take a new file may still hold a file the user may write.
        if (exists && (err == EACCES || err == EPERM || err == EROFS || err == EDQUOT || err == ENOSPC))
            return OpenInPlace();
        return Fail(err);
    }
    if (exists) {
        // The owner and group stay; where only their owner could give the new file
        // to them, the file is rewritten in place instead.
        struct stat mine {};
        if (::fstat(fd_, &mine) == 0 && (mine.st_uid != oldUid_ || mine.st_gid != oldGid_) &&
            ::fchown(fd_, oldUid_, oldGid_) != 0) {
            ::close(fd_);
            fd_ = -1;
            ::unlink(temp_.c_str());
            temp_.clear();
            return OpenInPlace();
        }
    }
    ok_ = true;
    return true;
}

bool AtomicFile::OpenInPlace() {
    mode_ = WriteMode::InPlace;
    const int old = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
    if (old < 0) return Fail(errno);
    const fs::path target(target_);
    const std::string name = target.filename().string();
    std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    int err = 0;
    backupFd_ = MakeTemp(dir, KeepPrefix(name), backup_, err);
    if (backupFd_ < 0) {
        const char* tmp = std::getenv("TMPDIR");
        backupFd_ = MakeTemp(tmp && *tmp ? tmp : "/tmp", KeepPrefix(name), backup_, err);
    }
    if (backupFd_ < 0 || !CopyWhole(old, backupFd_, err)) {
        ::close(old);
        return Fail(err);
    }
    ::close(old);
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    ok_ = true;
    return true;
}

bool AtomicFile::OpenDirect(const std::string& path) {
    mode_ = WriteMode::Direct;
    target_ = path;
    // A FIFO waits here for its reader, as any program writing to one does.
    fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    ok_ = true;
    return true;
}

bool AtomicFile::WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t w = ::write(fd, data, std::min(size, kPieceBytes));
        if (w < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        data += w;
        size -= static_cast<size_t>(w);
        written_ += static_cast<uint64_t>(w);
#if defined(__linux__)
        if (mode_ != WriteMode::Direct && mode_ != WriteMode::StandardOutput && written_ - flushed_ >= kPieceBytes) {
            // Only a start: the final fsync waits for these bytes and reports any failure.
            (void)::sync_file_range(fd, static_cast<off_t>(flushed_), static_cast<off_t>(written_ - flushed_),
                                    SYNC_FILE_RANGE_WRITE);
            flushed_ = written_;
        }
#endif
    }
    return true;
}

bool AtomicFile::Write(const uint8_t* data, size_t size) {
    if (!ok_) return false;
    return WriteAll(fd_, data, size);
}

bool AtomicFile::CopyTempInPlace() {
    // The finished new file stays open while the target is rewritten from it.
    const int from = fd_;
    fd_ = -1;
    if (!OpenInPlace()) {
        ::close(from);
        return false;
    }
    int err = 0;
    const bool copied = CopyWhole(from, fd_, err);
    ::close(from);
    if (!copied) return Fail(err);
    return true;
}

bool AtomicFile::Commit() {
    if (!ok_) {
        Discard();
        return false;
    }
    switch (mode_) {
        case WriteMode::StandardOutput:
            if (SyncFails(fd_)) Fail(errno);
            fd_ = -1;  // not ours to close
            break;
        case WriteMode::Direct:
            if (SyncFails(fd_)) Fail(errno);
            if (::close(fd_) != 0 && ok_) Fail(errno);
            fd_ = -1;
            break;
        case WriteMode::InPlace:
            if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0 || ::fsync(fd_) != 0) Fail(errno);
            break;
        case WriteMode::Replace: {
            if (::fsync(fd_) != 0) {
                Fail(errno);
                break;
            }
            // The permissions of the file being replaced, or the usual ones of a new file.
            if (existed_) {
                ::fchmod(fd_, static_cast<mode_t>(oldMode_));
            } else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                ::fchmod(fd_, 0666 & ~mask);
            }
            if (::rename(temp_.c_str(), target_.c_str()) == 0) {
                temp_.clear();
                ::close(fd_);
                fd_ = -1;
                break;
            }
            const int err = errno;
            // A mount point, or a folder that lets us write the file but not replace it.
            if (existed_ && (err == EBUSY || err == EXDEV || err == EPERM || err == EACCES)) {
                if (CopyTempInPlace() && (::ftruncate(fd_, static_cast<off_t>(written_)) != 0 || ::fsync(fd_) != 0))
                    Fail(errno);
            } else {
                Fail(err);
            }
            break;
        }
    }
    committed_ = ok_;
    const bool ok = ok_;
    Discard();
    return ok;
}

void AtomicFile::RestoreOld() {
    if (backupFd_ < 0 || fd_ < 0) return;
    int err = 0;
    if (CopyWhole(backupFd_, fd_, err)) {
        ::unlink(backup_.c_str());
        backup_.clear();
    } else {
        if (!notice_.empty()) notice_ += '\n';
        notice_ += "The previous content of " + target_ + " is kept in " + backup_ + ".";
    }
}

void AtomicFile::Discard() {
    if (mode_ == WriteMode::InPlace && !committed_ && written_ > 0) RestoreOld();
    ok_ = false;
    if (mode_ == WriteMode::StandardOutput) fd_ = -1;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (backupFd_ >= 0) ::close(backupFd_);
    backupFd_ = -1;
    if (!backup_.empty() && (committed_ || written_ == 0)) ::unlink(backup_.c_str());
    if (committed_ || written_ == 0) backup_.clear();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

#endif

bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size, int* err) {
    AtomicFile file(path);
    const bool ok = file.Write(data, size) && file.Commit();
    if (err) *err = file.Error();
    return ok;
}

#if defined(_WIN32)

int OpenForReading(const std::string&, int& err, uint64_t*, uint64_t*) {
    err = ENOSYS;
    return -1;
}

std::FILE* OpenStreamForReading(const std::string& path, int& err, uint64_t* size) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        err = EISDIR;
        return nullptr;
    }
    std::FILE* f = nullptr;
    if (fopen_s(&f, path.c_str(), "rb") != 0 || !f) {
        err = errno ? errno : EIO;
        return nullptr;
    }
    if (size) {
        const auto s = fs::file_size(path, ec);
        *size = ec ? 0 : static_cast<uint64_t>(s);
    }
    return f;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, int* err) {
    int e = 0;
    std::FILE* f = OpenStreamForReading(path, e);
    if (!f) {
        if (err) *err = e;
        return false;
    }
    out.clear();
    uint8_t block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) out.insert(out.end(), block, block + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok && err) *err = EIO;
    return ok;
}

#else

int OpenForReading(const std::string& path, int& err, uint64_t* size, uint64_t* allocated) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : kErrNotRegularFile;
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        err = errno;
        ::close(fd);
        return -1;
    }
    const bool regular = S_ISREG(st.st_mode);
    if (size) *size = regular ? static_cast<uint64_t>(st.st_size) : 0;
    if (allocated) *allocated = regular ? static_cast<uint64_t>(st.st_blocks) * 512 : 0;
    return fd;
}

std::FILE* OpenStreamForReading(const std::string& path, int& err, uint64_t* size) {
    const int fd = OpenForReading(path, err, size);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        err = errno ? errno : EIO;
        ::close(fd);
    }
    return f;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, int* err) {
    int e = 0;
    uint64_t size = 0;
    const int fd = OpenForReading(path, e, &size);
    if (fd < 0) {
        if (err) *err = e;
        return false;
    }
    out.clear();
    out.reserve(static_cast<size_t>(size));
    uint8_t block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR) continue;
            e = errno;
            ::close(fd);
            if (err) *err = e;
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), block, block + n);
    }
    ::close(fd);
    return true;
}

#endif

}  // namespace aq
