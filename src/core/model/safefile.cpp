// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace aq {

namespace fs = std::filesystem;

namespace {

fs::path ResolveTarget(const std::string& path) {
    fs::path target(path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    return target;
}

// Writes go to the system in pieces of this size at most, and every this many bytes the
// system is told to start putting them on disk, so the disk works while the rest are
// made instead of all at once in the final sync.
constexpr size_t kPieceBytes = size_t{8} << 20;

}  // namespace

AtomicFile::AtomicFile(const std::string& path) {
    const fs::path target = ResolveTarget(path);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    target_ = target.string();
#if defined(_WIN32)
    std::random_device rd;
    temp_ = (dir / ("." + target.filename().string() + "." + std::to_string(rd()) + ".tmp")).string();
    out_ = std::make_unique<std::ofstream>(temp_, std::ios::binary | std::ios::trunc);
    ok_ = static_cast<bool>(*out_);
    if (!ok_) {
        out_.reset();
        temp_.clear();
    }
#else
    std::string tmpl = dir.string();
    tmpl += "/.";
    tmpl += target.filename().string();
    tmpl += ".XXXXXX";
    fd_ = ::mkstemp(tmpl.data());
    if (fd_ < 0) return;
    temp_ = std::move(tmpl);
    ok_ = true;
#endif
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
    ok_ = false;
#if defined(_WIN32)
    out_.reset();
#else
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
#endif
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

bool AtomicFile::Write(const uint8_t* data, size_t size) {
    if (!ok_) return false;
#if defined(_WIN32)
    ok_ = static_cast<bool>(out_->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size)));
    written_ += size;
#else
    while (size > 0) {
        const ssize_t w = ::write(fd_, data, std::min(size, kPieceBytes));
        if (w < 0) {
            if (errno == EINTR) continue;
            ok_ = false;
            break;
        }
        data += w;
        size -= static_cast<size_t>(w);
        written_ += static_cast<uint64_t>(w);
#if defined(__linux__)
        if (written_ - flushed_ >= kPieceBytes) {
            // Only a start: the final fsync waits for these bytes and reports any failure.
            (void)::sync_file_range(fd_, static_cast<off_t>(flushed_), static_cast<off_t>(written_ - flushed_),
                                    SYNC_FILE_RANGE_WRITE);
            flushed_ = written_;
        }
#endif
    }
#endif
    return ok_;
}

bool AtomicFile::Commit() {
    if (!ok_) {
        Discard();
        return false;
    }
    bool ok;
#if defined(_WIN32)
    ok = static_cast<bool>(out_->flush());
    out_.reset();
    if (ok) {
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        ok = !ec;
    }
#else
    ok = ::fsync(fd_) == 0;
    if (ok) {
        // Keep the permissions of the file being replaced, or the usual ones of a new file.
        struct stat st {};
        if (::stat(target_.c_str(), &st) == 0) {
            ::fchmod(fd_, st.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd_, 0666 & ~mask);
        }
    }
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
#endif
    if (ok) temp_.clear();  // renamed: nothing to remove
    Discard();
    return ok;
}

bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size) {
    AtomicFile file(path);
    return file.Write(data, size) && file.Commit();
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return false;
    return true;
}

}  // namespace aq
