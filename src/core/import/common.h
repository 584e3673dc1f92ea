// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/doc.h"

// The steps every import shares: the open-file dialog inputs, the refusal of a file
// already imported, the imported-files list, opening and reading the file, and the
// Import information text.
namespace aq {

// What an import does with a file already in the imported-files list.
enum class DuplicateRule {
    Refuse,          // says "PATH\nAlready Imported" and ends
    RefuseSilently,  // ends without a word
    Ask,             // asks "PATH\nAlready Imported - Continue Y/N"; Yes imports it again
};

// What the open-file dialog of an import starts with, and how the import treats a
// file imported before. The GUI builds its dialog from these; the command line names
// the formats with them.
struct ImportDialog {
    int command;              // the command id
    const char* description;  // what the file is, for prompts and usage texts
    const char* initialName;  // the initial file name (a pattern)
    // Initial name once the document holds records; null when it does not change.
    const char* initialNameWithRecords;
    // The file types the file chooser offers: "Description|*.a;*.b|...|" pairs, read by
    // ParseFilter; empty for none.
    const char* filter;
    DuplicateRule duplicates;
};

// Every import command's dialog inputs.
std::span<const ImportDialog> ImportDialogs();
// The inputs of one import command, or null.
const ImportDialog* FindImportDialog(int command);
// The initial file name for this document.
std::string InitialFileName(const ImportDialog& dialog, const CVKDoc& doc);

// One entry of a filter list: "Brivel Data Files (*.brv)" with the patterns {"*.brv"}.
struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};
// The entries of a "Description|*.a;*.b|...||" filter.
std::vector<FilterEntry> ParseFilter(std::string_view filter);

// ---- the imported-files list ----

// The full path of a file as the open-file dialog returns it.
std::string FullPath(const std::string& path);
// True when the full path is one of the entries of the imported-files list.
bool IsImported(const CVKDoc& doc, const std::string& fullPath);
// "PATH\nAlready Imported".
std::string AlreadyImportedText(const std::string& fullPath);
// Appends the path and a line break to the imported-files list.
void ListImportedFile(CVKDoc& doc, const std::string& fullPath);

// "Imported Files:\n" followed by the list.
std::string ImportInformationText(const CVKDoc& doc);
// File > Import > Information: the list in a message.
void ImportInformation(CVKDoc& doc, UserPort& port);

// ---- file errors ----

// The file-error message for a system error number, naming the file
// ("PATH was not found.", "Access to PATH was denied.", ...).
std::string FileErrorText(const std::string& path, int errnum);

// A file read in blocks, for readers that walk through it once: at most a few
// megabytes are held at a time whatever its size.
class ImportFile {
public:
    ImportFile() = default;
    ~ImportFile();
    ImportFile(const ImportFile&) = delete;
    ImportFile& operator=(const ImportFile&) = delete;

    // Opens the file for reading; false with the system error number otherwise
    // (a folder is refused as access denied).
    bool Open(const std::string& path, int& errnum);
    // Size of the file when it was opened, 0 when unknown.
    uint64_t Size() const { return size_; }

    // The bytes from the reading position on: at least `want` of them while the file
    // still holds that many, fewer only at its end. `want` is at most kBlock.
    std::span<const uint8_t> Peek(size_t want);
    // Moves the reading position on by n bytes of those Peek returned.
    void Skip(size_t n) { pos_ += n; }

    // The next line without its line break (LF, CR LF or a lone CR at the end), as a
    // text-mode read gives it. A line longer than kLongestLine is skipped whole and
    // given as the one-character line kLongLineMark, which no format reads, so that every
    // reader takes it for one bad line. False at the end of the file.
    bool NextLine(std::string_view& line);
    // How many lines were too long to read.
    size_t LongLines() const { return longLines_; }

    // The system error number of a failed read, 0 when every read succeeded.
    int ReadError() const { return readError_; }

    // Shows how far the reading has come through `port`, as a phase of its own ("Reading
    // Data") that ends at the end of the file or with this object.
    void ShowProgress(UserPort& port);

    static constexpr size_t kBlock = 1 << 20;
    static constexpr size_t kLongestLine = 1 << 16;
    static constexpr char kLongLineMark[] = "\x1A";

private:
    // Keeps the unread bytes and fills the rest of the buffer; false when nothing new came.
    bool Refill();
    void EndProgress();
    void SkipLongLine();

    std::FILE* file_ = nullptr;
    size_t longLines_ = 0;
    uint64_t size_ = 0;
    // Not zero-filled: only the bytes read are touched, so a short file costs a page,
    // not the whole buffer.
    std::unique_ptr<uint8_t[]> buf_;
    size_t capacity_ = 0;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    int readError_ = 0;
    uint64_t read_ = 0;  // bytes read from the file so far
    UserPort* progress_ = nullptr;
};

// The outcome of an import command.
enum class ImportResult {
    Imported,   // the file was read (whatever it held)
    Refused,    // already imported, or the question was answered No
    FileError,  // it could not be opened; the message named it
};

// Steps of an import before reading: refuses a file already listed (by the rule),
// opens it (a failure shows the file-error message) and lists it. Only a file that
// could be opened is listed, so a failed import can be tried again. On success the
// full path is left in fullPath.
ImportResult BeginImport(CVKDoc& doc, const std::string& path, DuplicateRule rule, ImportFile& file,
                         std::string& fullPath, UserPort& port);

// After reading: a read that failed part-way shows the file-error message (the
// records read so far stay).
void ReportReadError(const ImportFile& file, const std::string& fullPath, UserPort& port);

}  // namespace aq
