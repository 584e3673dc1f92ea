// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportfile.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <cstdio>
#include <random>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace aq::exporting {

namespace fs = std::filesystem;

ExportFile::ExportFile(std::string path) : path_(std::move(path)) {}

ExportFile::~ExportFile() {
    EndProgress();
    Discard();
}

void ExportFile::ShowProgress(UserPort& port) {
    EndProgress();
    progress_ = &port;
    port.BeginPhase("Exporting Data");
    port.SetProgress(0);
}

void ExportFile::EndProgress() {
    if (!progress_) return;
    progress_->EndPhase();
    progress_ = nullptr;
}

bool ExportFile::Fail(int err) {
    if (error_ == 0) error_ = err != 0 ? err : EIO;
    Discard();
    return false;
}

bool ExportFile::Open() {
    std::error_code ec;
    fs::path target(path_);
    // A link keeps pointing at the new file.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (path_.empty()) return Fail(ENOENT);
    if (fs::is_directory(target, ec)) return Fail(EISDIR);
    target_ = target.string();
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    text_.reserve(kBlock + 4096);
#if defined(_WIN32)
    std::random_device rd;
    temp_ = (dir / ("." + target.filename().string() + "." + std::to_string(rd()) + ".tmp")).string();
    std::FILE* f = nullptr;
    if (fopen_s(&f, temp_.c_str(), "wbx") != 0 || !f) {
        const int err = errno;
        temp_.clear();
        return Fail(err);
    }
    stream_ = f;
    return true;
#else
    std::string tmpl = dir.string() + "/." + target.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return Fail(errno);
    fd_ = fd;
    temp_ = tmpl;
    return true;
#endif
}

bool ExportFile::Flush() {
    if (error_ != 0) return false;
    if (progress_ && total_ > 0)
        progress_->SetProgress(static_cast<int>(static_cast<uint64_t>(std::min(done_, total_)) * 100 / total_));
    const char* p = text_.data();
    size_t n = text_.size();
#if defined(_WIN32)
    auto* f = static_cast<std::FILE*>(stream_);
    if (n > 0 && std::fwrite(p, 1, n, f) != n) return Fail(errno);
#else
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
#endif
    text_.clear();
    return true;
}

bool ExportFile::Commit() {
    if (error_ != 0 || temp_.empty()) return Fail(error_);
    if (!Flush()) return false;
#if defined(_WIN32)
    auto* f = static_cast<std::FILE*>(stream_);
    stream_ = nullptr;
    if (std::fclose(f) != 0) return Fail(errno);
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) return Fail(ec.value());
#else
    if (::fsync(fd_) != 0) return Fail(errno);
    // The permissions of the file being replaced, or the usual ones of a new file.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail(errno);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(errno);
#endif
    temp_.clear();
    return true;
}

void ExportFile::Discard() {
#if defined(_WIN32)
    if (stream_) std::fclose(static_cast<std::FILE*>(stream_));
    stream_ = nullptr;
    if (!temp_.empty()) std::remove(temp_.c_str());
#else
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
#endif
    temp_.clear();
}

std::string ExportFile::ErrorText() const { return FileErrorText(path_, error_); }

std::string FileErrorText(const std::string& path, int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return "Access to " + path + " was denied.";
        case EROFS: return "Access to " + path + " was denied: the disk is read-only.";
        case ENOENT:
        case ENOTDIR:
            return "All or part of the path " + path + " is invalid.";
        case ENOSPC:
#if defined(EDQUOT)
        case EDQUOT:
#endif
            return "There is not enough space on the disk to write " + path + ".";
        case EISDIR: return path + " is a folder, not a file.";
        case ENAMETOOLONG: return "The name " + path + " is too long.";
        case 0: return "An error occurred while writing " + path + ".";
        default:
            return "An error occurred while writing " + path + ": " + std::generic_category().message(err) + ".";
    }
}

}  // namespace aq::exporting
