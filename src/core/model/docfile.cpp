// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/docfile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "model/archive.h"
#include "model/safefile.h"
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

// Enough of a file to see whether it can begin a document.
constexpr size_t kHeadBytes = 32;

// The first bytes of a file (all of a shorter one); false as ReadWholeFile.
bool ReadHead(const std::string& path, std::vector<uint8_t>& out) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.resize(kHeadBytes);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(kHeadBytes));
    if (in.bad()) return false;
    out.resize(static_cast<size_t>(in.gcount()));
    return true;
}

// A document begins with the control-point count and, when there are points, the
// announcement of their class; else with the record count and, when there are records,
// the announcement of theirs. The loader fails on any other start, so such bytes are
// refused on these few instead of after reading a file of garbage whole. False only
// when the bytes are there and differ.
bool MayBeDocument(const std::vector<uint8_t>& head) {
    size_t pos = 0;
    const auto count = [&](uint32_t& n) {
        if (head.size() - pos < 2) return false;
        n = LoadLE<uint16_t>(head.data() + pos);
        pos += 2;
        if (n != 0xFFFF) return true;
        if (head.size() - pos < 4) return false;
        n = LoadLE<uint32_t>(head.data() + pos);
        pos += 4;
        return true;
    };
    const auto announces = [&](std::string_view name) {
        uint8_t expected[6 + 16];
        StoreLE<uint16_t>(expected, 0xFFFF);
        StoreLE<uint16_t>(expected + 2, kSchema);
        StoreLE<uint16_t>(expected + 4, static_cast<uint16_t>(name.size()));
        std::copy(name.begin(), name.end(), expected + 6);
        for (size_t i = 0; i < 6 + name.size() && pos + i < head.size(); ++i)
            if (head[pos + i] != expected[i]) return false;
        return true;
    };
    uint32_t n = 0;
    if (!count(n)) return true;
    if (n > 0) return announces(kControlClass);
    if (!count(n)) return true;
    if (n > 0) return announces(kRecordClass);
    return true;
}

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
        // Read straight into the document, reusing its storage: a failure resets it anyway.
        std::vector<CVKData>& records = doc.Records;
        records.clear();
        records.reserve(nRecords);
        for (uint32_t i = 0; i < nRecords; ++i) {
            ar.ObjectTag(recordClasses, kSchema);
            records.push_back(CVKData::Zeroed());
            records.back().Read(ar);
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
        doc.Control.Recompute();
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
        if (controlRead) {
            doc.Control.Points = std::move(points);
            doc.Control.Recompute();
        }
        return false;
    }
}

bool OpenDocument(CVKDoc& doc, const std::string& path) {
    // Bytes that cannot begin a document stay the few read: loading them fails as
    // loading the whole file would.
    std::vector<uint8_t> bytes;
    if (!ReadHead(path, bytes) || (MayBeDocument(bytes) && !ReadWholeFile(path, bytes))) {
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
    if (!WriteFileAtomically(path, SaveDocumentBytes(doc))) {
        doc.Port().Message("Failed to save document.", Severity::Error);
        return false;
    }
    doc.PathName = path;
    doc.SetModified(false);
    return true;
}

}  // namespace aq
