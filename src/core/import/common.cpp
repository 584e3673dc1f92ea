// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/common.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "model/commandids.h"
#include "model/safefile.h"

namespace aq {

namespace {

// Dialog inputs of every import, in menu order.
const ImportDialog kDialogs[] = {
    {ID_IMPORT_BRIVEL, "Brivel logged file", "*.brv", nullptr, "Brivel Data Files (*.brv)|*.brv|All Files (*.*)|*.*||",
     DuplicateRule::Refuse},
    {ID_IMPORT_VIVOZ, "Vivoz(2000) text file", "*.s2k", nullptr,
     "Aquenta Text Files (*.s2k)|*.s2k|All Files (*.*)|*.*||", DuplicateRule::Refuse},
    {ID_IMPORT_VK_RAW, "Corrund memory dump or text log", "*.txt;*.hex", nullptr, "", DuplicateRule::Refuse},
    {ID_IMPORT_WT_RAW, "Tevrant tide log", "*.txt", nullptr, "", DuplicateRule::Refuse},
    {ID_IMPORT_FORMATTED, "column text file", "*.txt;*.dat", nullptr,
     "Text Files (*.txt)|*.txt|Data Files (*.dat)|*.dat|All Files (*.*)|*.*||", DuplicateRule::Ask},
    {ID_IMPORT_LEICA, "Leica RTK log", "*.llk;*.llq;", nullptr,
     "Leica GPS Files (*.llk;*.llq)|*.llk;*.llq|All Files (*.*)|*.*||", DuplicateRule::RefuseSilently},
    {ID_IMPORT_NMEA, "NMEA 0183 log", "*.dpt", "*.dpt;*.gga;*.gll;*.zda", "", DuplicateRule::Refuse},
    {ID_IMPORT_GEOTRONICS, "Geodimeter label file", "*.are", nullptr,
     "Geodimeter Files (*.are)|*.are|All Files (*.*)|*.*||", DuplicateRule::Refuse},
    {ID_IMPORT_GGK, "Trimble GGK log", "*.ggk;*.pjk", nullptr,
     "Trimble GPS Files (*.ggk;*.pjk)|*.ggk;*.pjk|All Files (*.*)|*.*||", DuplicateRule::RefuseSilently},
    {ID_IMPORT_PJK, "Trimble PJK log", "*.ggk;*.pjk", nullptr,
     "Trimble GPS Files (*.ggk;*.pjk)|*.ggk;*.pjk|All Files (*.*)|*.*||", DuplicateRule::RefuseSilently},
    {ID_IMPORT_US_ARMY, "US Army diver-system text file", "*.txt", nullptr, "", DuplicateRule::Refuse},
    {ID_IMPORT_TIDE_ASCII, "tide text file", "*.dat;*.tid", nullptr,
     "Tide Files (*.txt;*.tid;*.dat)|*.txt;*.tid;*.dat|All Files (*.*)|*.*||", DuplicateRule::Refuse},
};

}  // namespace

std::span<const ImportDialog> ImportDialogs() { return kDialogs; }

const ImportDialog* FindImportDialog(int command) {
    for (const ImportDialog& d : kDialogs)
        if (d.command == command) return &d;
    return nullptr;
}

std::string InitialFileName(const ImportDialog& dialog, const CVKDoc& doc) {
    if (dialog.initialNameWithRecords && !doc.Records.empty()) return dialog.initialNameWithRecords;
    return dialog.initialName;
}

std::vector<FilterEntry> ParseFilter(std::string_view filter) {
    std::vector<FilterEntry> entries;
    size_t pos = 0;
    while (pos < filter.size()) {
        const size_t bar = filter.find('|', pos);
        if (bar == std::string_view::npos || bar == pos) break;  // "||" ends the list
        const size_t bar2 = filter.find('|', bar + 1);
        const std::string_view patterns =
            filter.substr(bar + 1, bar2 == std::string_view::npos ? std::string_view::npos : bar2 - bar - 1);
        FilterEntry e;
        e.description = std::string(filter.substr(pos, bar - pos));
        size_t p = 0;
        while (p <= patterns.size()) {
            const size_t semi = patterns.find(';', p);
            const std::string_view one =
                patterns.substr(p, semi == std::string_view::npos ? std::string_view::npos : semi - p);
            if (!one.empty()) e.patterns.emplace_back(one);
            if (semi == std::string_view::npos) break;
            p = semi + 1;
        }
        entries.push_back(std::move(e));
        if (bar2 == std::string_view::npos) break;
        pos = bar2 + 1;
    }
    return entries;
}

// ---- the imported-files list ----

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return full.lexically_normal().string();
}

bool IsImported(const CVKDoc& doc, const std::string& fullPath) {
    // Whole entries: a plain text search would refuse "/data/a.brv" once
    // "/data/a.brv.old" or "/copy/data/a.brv" was imported.
    std::string_view list = doc.ImportedFiles;
    while (!list.empty()) {
        const size_t nl = list.find('\n');
        std::string_view entry = list.substr(0, nl);
        if (!entry.empty() && entry.back() == '\r') entry.remove_suffix(1);
        if (entry == fullPath) return true;
        if (nl == std::string_view::npos) break;
        list.remove_prefix(nl + 1);
    }
    return false;
}

std::string AlreadyImportedText(const std::string& fullPath) { return fullPath + "\nAlready Imported"; }

void ListImportedFile(CVKDoc& doc, const std::string& fullPath) {
    doc.ImportedFiles += fullPath;
    doc.ImportedFiles += '\n';
}

std::string ImportInformationText(const CVKDoc& doc) { return "Imported Files:\n" + doc.ImportedFiles; }

void ImportInformation(CVKDoc& doc, UserPort& port) { port.Message(ImportInformationText(doc), Severity::Info); }

// ---- file errors ----

std::string FileErrorText(const std::string& path, int errnum) {
    switch (errnum) {
        case ENOENT: return path + " was not found.";
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return "Access to " + path + " was denied.";
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL: return path + " contains an invalid path.";
        case EMFILE:
        case ENFILE: return path + " could not be opened because there are too many open files.";
        case EBUSY:
        case ETXTBSY: return "A sharing violation occurred while accessing " + path + ".";
        case EIO: return "A hardware I/O error was reported while accessing " + path + ".";
        case ENOSPC: return "Disk full while accessing " + path + ".";
        case kErrNotRegularFile: return path + " is not a regular file.";
        default: return "An unexpected error occurred while accessing " + path + ".";
    }
}

// ---- reading ----

ImportFile::~ImportFile() {
    EndProgress();
    if (file_) std::fclose(file_);
}

void ImportFile::ShowProgress(UserPort& port) {
    EndProgress();
    if (eof_ || !file_) return;
    progress_ = &port;
    port.BeginPhase("Reading Data");
    port.SetProgress(0);
}

void ImportFile::EndProgress() {
    if (!progress_) return;
    progress_->EndPhase();
    progress_ = nullptr;
}

bool ImportFile::Open(const std::string& path, int& errnum) {
    // Without waiting on a FIFO that has no writer; a folder is refused as access denied.
    std::FILE* f = OpenStreamForReading(path, errnum, &size_);
    if (!f) return false;
    file_ = f;
    buf_.reset(new uint8_t[kBlock * 2]);
    capacity_ = kBlock * 2;
    return true;
}

bool ImportFile::Refill() {
    if (eof_ || !file_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    const size_t before = end_;
    while (end_ < capacity_) {
        const size_t n = std::fread(buf_.get() + end_, 1, capacity_ - end_, file_);
        end_ += n;
        read_ += n;
        if (n == 0) {
            if (std::ferror(file_)) readError_ = errno ? errno : EIO;
            eof_ = true;
            break;
        }
    }
    if (progress_) {
        if (eof_)
            EndProgress();
        else if (size_ > 0)
            progress_->SetProgress(static_cast<int>(std::min<uint64_t>(read_, size_) * 100 / size_));
    }
    return end_ > before;
}

std::span<const uint8_t> ImportFile::Peek(size_t want) {
    if (end_ - pos_ < want) Refill();
    return {buf_.get() + pos_, end_ - pos_};
}

bool ImportFile::NextLine(std::string_view& line) {
    size_t searched = 0;  // bytes after the reading position known to hold no line feed
    for (;;) {
        const size_t avail = end_ - pos_;
        const char* start = reinterpret_cast<const char*>(buf_.get() + pos_);
        const size_t limit = std::min(avail, kLongestLine);
        const void* nl = searched < limit ? std::memchr(start + searched, '\n', limit - searched) : nullptr;
        size_t len = 0, consumed = 0;
        if (nl) {
            len = static_cast<size_t>(static_cast<const char*>(nl) - start);
            consumed = len + 1;
        } else if (avail >= kLongestLine) {
            SkipLongLine();
            line = std::string_view(kLongLineMark, 1);
            return true;
        } else {
            searched = limit;
            if (Refill()) continue;
            if (avail == 0) return false;
            len = consumed = avail;  // the last line has no line break
        }
        start = reinterpret_cast<const char*>(buf_.get() + pos_);
        if (len > 0 && start[len - 1] == '\r') --len;
        line = std::string_view(start, len);
        pos_ += consumed;
        return true;
    }
}

void ImportFile::SkipLongLine() {
    ++longLines_;
    for (;;) {
        const char* start = reinterpret_cast<const char*>(buf_.get() + pos_);
        if (const void* nl = std::memchr(start, '\n', end_ - pos_)) {
            pos_ += static_cast<size_t>(static_cast<const char*>(nl) - start) + 1;
            return;
        }
        pos_ = end_;
        if (!Refill()) return;
    }
}

ImportResult BeginImport(CVKDoc& doc, const std::string& path, DuplicateRule rule, ImportFile& file,
                         std::string& fullPath, UserPort& port) {
    // The imported-files list holds one path a line: such a name could never be found
    // in it again, and would match other files.
    if (path.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) {
        port.Message(path + ": file names with line breaks cannot be imported.", Severity::Error);
        return ImportResult::FileError;
    }
    fullPath = FullPath(path);
    if (IsImported(doc, fullPath)) {
        switch (rule) {
            case DuplicateRule::Refuse:
                port.Message(AlreadyImportedText(fullPath), Severity::Warning);
                return ImportResult::Refused;
            case DuplicateRule::RefuseSilently: return ImportResult::Refused;
            case DuplicateRule::Ask:
                if (!port.AskYesNo(fullPath + "\nAlready Imported - Continue Y/N")) return ImportResult::Refused;
                break;
        }
    }
    int errnum = 0;
    if (!file.Open(fullPath, errnum)) {
        port.Message(FileErrorText(fullPath, errnum), Severity::Error);
        return ImportResult::FileError;
    }
    ListImportedFile(doc, fullPath);
    file.ShowProgress(port);
    return ImportResult::Imported;
}

void ReportReadError(const ImportFile& file, const std::string& fullPath, UserPort& port) {
    if (file.ReadError() != 0) port.Message(FileErrorText(fullPath, file.ReadError()), Severity::Error);
}

}  // namespace aq
