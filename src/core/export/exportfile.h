// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "model/doc.h"
#include "model/safefile.h"

namespace aq::exporting {

// An export's output file, replaced whole or not at all. Text gathers in Text() and goes
// out in large blocks through an AtomicFile (model/safefile.h), which puts it beside the
// target and renames it over only once complete, so a full disk or a vanished folder
// never leaves half an export behind; a FIFO or device is written to directly, and "-"
// is standard output. (Exports stream because a DXF of a large survey runs to hundreds
// of MB.)
class ExportFile {
public:
    explicit ExportFile(std::string path);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // Opens the output; false with the reason kept for ErrorText().
    bool Open();
    // Where the writers append their text.
    std::string& Text() { return text_; }
    // Hands the text to the file once enough has gathered; false once a write failed.
    bool Spill() { return text_.size() < kBlock || Flush(); }
    // The same, telling how many of the records have been written, for the progress.
    bool Spill(size_t done, size_t total) {
        done_ = done;
        total_ = total;
        return Spill();
    }
    // Shows how far the writing has come through `port`, as a phase of its own
    // ("Exporting Data") until EndProgress or the end of this object.
    void ShowProgress(UserPort& port);
    void EndProgress();
    // Writes the rest and puts the file in place.
    bool Commit();

    // The file-error message naming the file, after a failure.
    std::string ErrorText() const;
    // What the user should also hear of (unfinished files of an earlier save removed).
    std::string Notice() const;

private:
    static constexpr size_t kBlock = size_t{1} << 20;

    bool Flush();
    bool Fail(int err);

    std::string path_;  // as the user gave it, for messages
    std::string text_;
    std::unique_ptr<AtomicFile> file_;
    std::string notice_;
    int error_ = 0;
    size_t done_ = 0;
    size_t total_ = 0;
    UserPort* progress_ = nullptr;
};

// A clear message for a failed write of `path`, from the system's error number
// (0 when unknown).
std::string FileErrorText(const std::string& path, int err);

// Writes `path` through an ExportFile: `body(file)` appends the text, calling Spill()
// as it goes and returning false when that fails. A failure is reported through the
// port with the message naming the file.
template <class Body>
bool WriteExportFile(const std::string& path, UserPort& port, Body&& body) {
    ExportFile file(path);
    file.ShowProgress(port);
    const bool written = file.Open() && body(file) && file.Commit();
    file.EndProgress();
    if (const std::string notice = file.Notice(); !notice.empty()) port.Message(notice, Severity::Warning);
    if (written) return true;
    port.Message(file.ErrorText(), Severity::Error);
    return false;
}

}  // namespace aq::exporting
