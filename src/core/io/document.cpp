// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/document.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <new>

#include "model/docfile.h"
#include "model/safefile.h"
#include "model/surveycrs.h"
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
void Untitled(CVKDoc& doc, UserPort& port) {
    doc.PathName.clear();
    doc.SetModified(false, port);
    port.ViewsChanged();
}

// The coordinate system kept beside a document that has just been loaded. No file is
// the ordinary case of a survey saved before systems were kept: its default holds,
// without a word. A file that cannot be read or taken, or that does not fit the survey,
// is told of, and the default holds too: the survey itself opened well.
void ReadCrsSidecar(CVKDoc& doc, const std::string& path, UserPort& port) {
    doc.Crs = SurveyCrs{};
    const std::string crsPath = CrsSidecarPath(path);
    const auto warn = [&](const std::string& what) {
        port.Message("The coordinate system file " + crsPath + " " + what + "; the survey is taken to be in " +
                         DescribeCrs(CurrentCrs(doc)) + ".",
                     Severity::Warning);
    };
    int err = 0;
    std::FILE* in = OpenStreamForReading(crsPath, err);
    if (!in) {
        if (err != ENOENT) warn("could not be read (" + ErrorReason(err) + ")");
        return;
    }
    // One byte more than a sidecar may have tells a file too long (or a device) from one.
    std::string text(kMaxCrsSidecarBytes + 1, '\0');
    const size_t got = std::fread(text.data(), 1, text.size(), in);
    const bool failed = std::ferror(in) != 0;
    err = errno;
    std::fclose(in);
    if (failed) {
        warn("could not be read (" + ErrorReason(err) + ")");
        return;
    }
    text.resize(got);
    SurveyCrs crs;
    std::string why;
    if (!ParseCrsSidecar(text, crs, why)) {
        warn("is damaged (" + why + ")");
        return;
    }
    const bool geographic = crs.Kind == CrsKind::Geographic;
    if (geographic != doc.IsGeographic()) {
        warn("does not fit the survey (it gives " + DescribeCrs(crs) + ", but the survey is " +
             (doc.IsGeographic() ? "geographic" : "on a grid") + ")");
        return;
    }
    doc.Crs = std::move(crs);
}

// A survey whose system the document itself tells (WGS84 of a geographic survey, the
// default of a grid one) needs no file beside it; one is written when a command recorded
// a system, and whenever one is there already, so that it never tells of an older state.
bool NeedsCrsSidecar(const CVKDoc& doc, const std::string& path) {
    if (!doc.IsGeographic() && doc.Crs.Recorded() && doc.Crs.Kind != CrsKind::Geographic) return true;
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(CrsSidecarPath(path), ec));
}

}  // namespace

bool OpenDocument(CVKDoc& doc, const std::string& path, UserPort& port) {
    using Outcome = DocumentFileRead::Outcome;
    const DocumentFileRead read = ReadDocumentFile(doc, path);
    switch (read.outcome) {
        case Outcome::CannotOpen: port.Message(OpenFailureText(path, read.error), Severity::Error); return false;
        case Outcome::Empty:
            // An empty file holds an empty survey.
            doc.New(port);
            doc.Control = CVKlsq{};
            doc.PathName = path;
            doc.SetModified(false, port);
            port.ViewsChanged();
            return true;
        case Outcome::OutOfMemory:
            if (read.touched) {
                // Part of a survey is no survey: reset as for a damaged file.
                doc.New(port);
                Untitled(doc, port);
            }
            port.Message(MemoryText("open " + path, read.neededBytes), Severity::Error);
            return false;
        case Outcome::ReadFailed:
        case Outcome::BadFormat:
            // The survey was given up: the record-count pane must not go on showing it.
            port.SetStatusText(doc.StatusText);
            Untitled(doc, port);
            port.Message(
                read.outcome == Outcome::ReadFailed ? OpenFailureText(path, read.error) : "Unexpected file format.",
                Severity::Error);
            return false;
        case Outcome::Loaded: break;
    }
    try {
        // Records keep their stored order.
        doc.NeedsSort = false;
        Recalculate(doc, port);
    } catch (const std::bad_alloc&) {
        doc.New(port);
        Untitled(doc, port);
        port.Message(MemoryText("open " + path, read.neededBytes), Severity::Error);
        return false;
    }
    ReadCrsSidecar(doc, path, port);
    doc.PathName = path;
    doc.SetModified(false, port);
    return true;
}

bool SaveDocument(CVKDoc& doc, const std::string& path, UserPort& port) {
    // Encoded a piece at a time straight into the file: the disk starts on the first
    // pieces while the later ones are made, and no second copy of the survey is held.
    AtomicFile file(path);
    bool written = false;
    try {
        written = EncodeDocument(doc, kSavePiece,
                                 [&file](const uint8_t* bytes, size_t size) { return file.Write(bytes, size); });
    } catch (const std::bad_alloc&) {
        // Without a Commit the new file is removed and the old one stays.
        port.Message(MemoryText("save " + path, kSavePiece), Severity::Error);
        return false;
    }
    // The coordinate system goes beside the document, written in full before the
    // document is put in place so that the two are replaced one right after the other.
    // A FIFO or device has nothing beside it.
    std::unique_ptr<AtomicFile> sidecar;
    bool sidecarWritten = false;
    if (written && (file.Mode() == WriteMode::Replace || file.Mode() == WriteMode::InPlace) &&
        NeedsCrsSidecar(doc, path)) {
        const std::string text = CrsSidecarText(CurrentCrs(doc));
        sidecar = std::make_unique<AtomicFile>(CrsSidecarPath(path));
        sidecarWritten = sidecar->Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    written = written && file.Commit();
    if (!file.Notice().empty()) port.Message(file.Notice(), Severity::Warning);
    if (!written) {
        // The sidecar's new file goes with it, uncommitted.
        port.Message("Failed to save document " + path + ": " + ErrorReason(file.Error()) + ".", Severity::Error);
        return false;
    }
    if (sidecar) {
        sidecarWritten = sidecarWritten && sidecar->Commit();
        if (!sidecar->Notice().empty()) port.Message(sidecar->Notice(), Severity::Warning);
        // The survey is safe; only its coordinate system could not be kept.
        if (!sidecarWritten)
            port.Message("Failed to save the coordinate system file " + CrsSidecarPath(path) + ": " +
                             ErrorReason(sidecar->Error()) + ". The survey itself was saved.",
                         Severity::Warning);
    }
    doc.PathName = path;
    doc.SetModified(false, port);
    return true;
}

}  // namespace aq
