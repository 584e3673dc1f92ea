// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportfile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace aq::exporting {

ExportFile::ExportFile(std::string path) : path_(std::move(path)) {}

ExportFile::~ExportFile() { EndProgress(); }

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
    // Without a Commit the target stays as it was.
    file_.reset();
    return false;
}

bool ExportFile::Open() {
    if (path_.empty()) return Fail(ENOENT);
    AtomicFile::Options options;
    options.dashIsStandardOutput = true;
    file_ = std::make_unique<AtomicFile>(path_, options);
    notice_ = file_->Notice();
    if (file_->Error() != 0) return Fail(file_->Error());
    text_.reserve(kBlock + 4096);
    return true;
}

bool ExportFile::Flush() {
    if (error_ != 0 || !file_) return false;
    if (progress_ && total_ > 0)
        progress_->SetProgress(static_cast<int>(static_cast<uint64_t>(std::min(done_, total_)) * 100 / total_));
    if (!file_->Write(reinterpret_cast<const uint8_t*>(text_.data()), text_.size())) return Fail(file_->Error());
    text_.clear();
    return true;
}

bool ExportFile::Commit() {
    if (error_ != 0 || !file_) return Fail(error_);
    if (!Flush()) return false;
    const bool ok = file_->Commit();
    if (!file_->Notice().empty()) notice_ = file_->Notice();
    if (!ok) return Fail(file_->Error());
    file_.reset();
    return true;
}

std::string ExportFile::ErrorText() const { return FileErrorText(path_, error_); }

std::string ExportFile::Notice() const { return notice_; }

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
        case kErrNotRegularFile: return path + " is not a regular file.";
        case ENAMETOOLONG: return "The name " + path + " is too long.";
        case 0: return "An error occurred while writing " + path + ".";
        default:
            return "An error occurred while writing " + path + ": " + std::generic_category().message(err) + ".";
    }
}

}  // namespace aq::exporting
