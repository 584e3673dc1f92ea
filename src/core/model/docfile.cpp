// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/docfile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/archive.h"
#include "processing/recalc.h"

namespace aq {

namespace {

const char* const kControlClass = "ClsqData";
const char* const kRecordClass = "CVKData";
constexpr uint16_t kSchema = 4;

// Smallest stored record: tag (2) and the older form with a 32-bit time (32 bytes).
constexpr size_t kMinRecordBytes = 2 + 32;
// Smallest stored control point: its tag and payload.
constexpr size_t kMinControlBytes = 2 + CONTROL_POINT_MIN_BYTES;

// Smallest the tail after the record array can be: every fixed member and an empty text.
constexpr size_t kTailBytes = 4 + 4 + 1 + 2 + 24 + 12 + 4 + 4 + 4 + 8 + 8;

// The saved members after the record array.
struct Tail {
    int32_t LevelMax = 0, LevelMin = 0;
    std::string ImportedFiles;
    uint16_t KindFlags = 0;
    int64_t PosTimeOffset = 0, DepthTimeOffset = 0, TideTimeOffset = 0;
    int32_t EastOffset = 0, NorthOffset = 0, ElevOffset = 0;
    int16_t DepthOffset = 0, TideOffset = 0;
    int32_t InterpLimit = 0, SounderImported = 0;
    double SoundVelocity = 0;
};

}  // namespace

std::vector<uint8_t> SaveDocumentBytes(const CVKDoc& doc) {
    ArchiveWriter ar;
    ar.Reserve(96 + doc.Records.size() * (2 + RECORD_BYTES) + doc.ImportedFiles.size() +
               doc.Control.Points.size() * 160);

    ar.Count(static_cast<uint32_t>(doc.Control.Points.size()));
    for (const ClsqData& p : doc.Control.Points) {
        ar.ObjectTag(kControlClass, kSchema);
        p.Write(ar);
    }

    ar.Count(static_cast<uint32_t>(doc.Records.size()));
    for (const CVKData& r : doc.Records) {
        ar.ObjectTag(kRecordClass, kSchema);
        r.Write(ar);
    }

    ar.I32(doc.LevelMax);
    ar.I32(doc.LevelMin);
    ar.Text(doc.ImportedFiles);
    ar.U16(doc.KindFlags);
    ar.I64(doc.PosTimeOffset);
    ar.I64(doc.DepthTimeOffset);
    ar.I64(doc.TideTimeOffset);
    ar.I32(doc.EastOffset);
    ar.I32(doc.NorthOffset);
    ar.I32(doc.ElevOffset);
    ar.I16(doc.DepthOffset);
    ar.I16(doc.TideOffset);
    ar.I32(doc.InterpLimit);
    ar.I32(doc.SounderImported);
    ar.I32(0);
    ar.I32(0);
    ar.Double(doc.SoundVelocity);
    return std::move(ar.Data());
}

bool LoadDocumentBytes(CVKDoc& doc, const uint8_t* data, size_t size) {
    ArchiveReader ar(data, size);
    std::vector<ClsqData> points;
    bool controlRead = false;
    try {
        const std::vector<std::string> controlClasses{kControlClass};
        const uint32_t nPoints = ar.Count(kMinControlBytes);
        points.reserve(nPoints);
        for (uint32_t i = 0; i < nPoints; ++i) {
            ar.ObjectTag(controlClasses, kSchema);
            points.emplace_back().Read(ar);
        }
        controlRead = true;

        const std::vector<std::string> recordClasses{kRecordClass};
        const uint32_t nRecords = ar.Count(kMinRecordBytes);
        if (nRecords > (ar.Remaining() - std::min(ar.Remaining(), kTailBytes)) / kMinRecordBytes)
            throw FormatError("record count exceeds file");
        std::vector<CVKData> records;
        records.reserve(nRecords);
        for (uint32_t i = 0; i < nRecords; ++i) {
            ar.ObjectTag(recordClasses, kSchema);
            CVKData& r = records.emplace_back();
            r.Read(ar);
        }

        Tail saved;
        saved.LevelMax = ar.I32();
        saved.LevelMin = ar.I32();
        saved.ImportedFiles = ar.Text();
        saved.KindFlags = ar.U16();
        saved.PosTimeOffset = ar.I64();
        saved.DepthTimeOffset = ar.I64();
        saved.TideTimeOffset = ar.I64();
        saved.EastOffset = ar.I32();
        saved.NorthOffset = ar.I32();
        saved.ElevOffset = ar.I32();
        saved.DepthOffset = ar.I16();
        saved.TideOffset = ar.I16();
        saved.InterpLimit = ar.I32();
        saved.SounderImported = ar.I32();
        ar.I32();
        ar.I32();
        saved.SoundVelocity = ar.Double();

        doc.Control.Points = std::move(points);
        doc.Records = std::move(records);
        doc.LevelMax = saved.LevelMax;
        doc.LevelMin = saved.LevelMin;
        doc.ImportedFiles = std::move(saved.ImportedFiles);
        doc.KindFlags = saved.KindFlags;
        doc.PosTimeOffset = saved.PosTimeOffset;
        doc.DepthTimeOffset = saved.DepthTimeOffset;
        doc.TideTimeOffset = saved.TideTimeOffset;
        doc.EastOffset = saved.EastOffset;
        doc.NorthOffset = saved.NorthOffset;
        doc.ElevOffset = saved.ElevOffset;
        doc.DepthOffset = saved.DepthOffset;
        doc.TideOffset = saved.TideOffset;
        doc.InterpLimit = saved.InterpLimit;
        doc.SounderImported = saved.SounderImported;
        doc.SoundVelocity = saved.SoundVelocity;
        // Selections refer to the records that were replaced.
        doc.Selected = false;
        doc.SelectedIndex = 0;
        doc.Animating = false;
        return true;
    } catch (const FormatError&) {
        // No partial survey: reset, keeping control points that were read whole.
        doc.New();
        if (controlRead) doc.Control.Points = std::move(points);
        return false;
    }
}

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return false;
    return true;
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

bool OpenDocument(CVKDoc& doc, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        doc.Port().Message("Failed to open document.", Severity::Error);
        return false;
    }
    if (bytes.empty()) {
        // An empty file holds an empty survey.
        doc.New();
        doc.Control = CVKlsq{};
        doc.PathName = path;
        doc.SetModified(false);
        doc.ViewsChanged();
        return true;
    }
    if (!LoadDocumentBytes(doc, bytes.data(), bytes.size())) {
        doc.PathName.clear();
        doc.SetModified(false);
        doc.ViewsChanged();
        doc.Port().Message("Unexpected file format.", Severity::Error);
        return false;
    }
    // Records keep their stored order.
    doc.NeedsSort = false;
    Recalculate(doc);
    doc.PathName = path;
    doc.SetModified(false);
    return true;
}

bool SaveDocument(CVKDoc& doc, const std::string& path) {
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    // Save through a link to the file it names, so the link survives.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tmpl = dir.string();
    tmpl += "/.";
    tmpl += target.filename().string();
    tmpl += ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    bool ok = fd >= 0;
    if (ok) {
        ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
        // Keep the permissions of the file being replaced, or the usual ones of a new file.
        struct stat st {};
        if (ok) {
            if (::stat(target.c_str(), &st) == 0) {
                ::fchmod(fd, st.st_mode & 07777);
            } else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                ::fchmod(fd, 0666 & ~mask);
            }
        }
        ok = (::close(fd) == 0) && ok;
        if (ok) ok = ::rename(tmpl.c_str(), target.c_str()) == 0;
        if (!ok) ::unlink(tmpl.c_str());
    }
    if (!ok) {
        doc.Port().Message("Failed to save document.", Severity::Error);
        return false;
    }
    doc.PathName = path;
    doc.SetModified(false);
    return true;
}

}  // namespace aq
