// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/document.h"

#include <cstdint>
#include <new>

#include "model/docfile.h"
#include "model/safefile.h"
#include "processing/recalc.h"

namespace aq {

namespace {

// Bytes encoded before they go to the file: few writes, yet a buffer that stays in the
// processor's cache instead of a copy of the whole survey.
constexpr size_t kSavePiece = size_t{1} << 20;

std::string OpenFailureText(const std::string& path, int err) {
    return "Failed to open document " + path + ": " + ErrorReason(err) + ".";
}

std::string MemoryText(const std::string& what, uint64_t bytes) {
    const uint64_t mb = (bytes + (uint64_t{1} << 20) - 1) >> 20;
    return "Not enough memory to " + what + (mb > 0 ? " (needs about " + std::to_string(mb) + " MB)." : ".");
}

// An untitled, unmodified document after a failed open.
void Untitled(CVKDoc& doc) {
    doc.PathName.clear();
    doc.SetModified(false);
    doc.ViewsChanged();
}

}  // namespace

bool OpenDocument(CVKDoc& doc, const std::string& path) {
    using Outcome = DocumentFileRead::Outcome;
    const DocumentFileRead read = ReadDocumentFile(doc, path);
    switch (read.outcome) {
        case Outcome::CannotOpen:
            doc.Port().Message(OpenFailureText(path, read.error), Severity::Error);
            return false;
        case Outcome::Empty:
            // An empty file holds an empty survey.
            doc.New();
            doc.Control = CVKlsq{};
            doc.PathName = path;
            doc.SetModified(false);
            doc.ViewsChanged();
            return true;
        case Outcome::OutOfMemory:
            if (read.touched) {
                // Part of a survey is no survey: reset as for a damaged file.
                doc.New();
                Untitled(doc);
            }
            doc.Port().Message(MemoryText("open " + path, read.neededBytes), Severity::Error);
            return false;
        case Outcome::ReadFailed:
        case Outcome::BadFormat:
            Untitled(doc);
            doc.Port().Message(
                read.outcome == Outcome::ReadFailed ? OpenFailureText(path, read.error) : "Unexpected file format.",
                Severity::Error);
            return false;
        case Outcome::Loaded: break;
    }
    try {
        // Records keep their stored order.
        doc.NeedsSort = false;
        Recalculate(doc);
    } catch (const std::bad_alloc&) {
        doc.New();
        Untitled(doc);
        doc.Port().Message(MemoryText("open " + path, read.neededBytes), Severity::Error);
        return false;
    }
    doc.PathName = path;
    doc.SetModified(false);
    return true;
}

bool SaveDocument(CVKDoc& doc, const std::string& path) {
    // Encoded a piece at a time straight into the file: the disk starts on the first
    // pieces while the later ones are made, and no second copy of the survey is held.
    AtomicFile file(path);
    bool written = false;
    try {
        written = EncodeDocument(doc, kSavePiece,
                                 [&file](const uint8_t* bytes, size_t size) { return file.Write(bytes, size); });
    } catch (const std::bad_alloc&) {
        // Without a Commit the new file is removed and the old one stays.
        doc.Port().Message(MemoryText("save " + path, kSavePiece), Severity::Error);
        return false;
    }
    written = written && file.Commit();
    if (!file.Notice().empty()) doc.Port().Message(file.Notice(), Severity::Warning);
    if (!written) {
        doc.Port().Message("Failed to save document " + path + ": " + ErrorReason(file.Error()) + ".", Severity::Error);
        return false;
    }
    doc.PathName = path;
    doc.SetModified(false);
    return true;
}

}  // namespace aq
