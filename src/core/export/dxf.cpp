// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/dxf.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "export/exportfile.h"
#include "export/textbuf.h"

namespace aq {

using exporting::AppendFixed;
using exporting::AppendInt;
using exporting::kEol;

void CVKDxf::WriteGroup(std::string& out, int code, std::string_view text) const {
    AppendInt(out, code);
    out += kEol;
    out += text;
    out += kEol;
}

void CVKDxf::WriteReal(std::string& out, int code, double value) const {
    AppendInt(out, code);
    out += kEol;
    AppendFixed(out, value, Geographic ? 6 : 3);
    out += kEol;
}

void CVKDxf::WriteCoordinates(std::string& out, double x, double y, double z, int base) const {
    WriteReal(out, base + 10, x);
    WriteReal(out, base + 20, y);
    WriteReal(out, base + 30, z);
}

void CVKDxf::WriteHeader(std::string& out) {
    double xmin = 1e10, ymin = 1e10, zmin = 1e10;
    double xmax = -1e10, ymax = -1e10, zmax = -1e10;
    for (const CVKData& r : *Records) {
        if (!r.Has(REC_POSITION)) continue;
        const double x = RealX(r), y = RealY(r), z = r.Z / 100.0;
        xmin = std::min(xmin, x);
        ymin = std::min(ymin, y);
        zmin = std::min(zmin, z);
        xmax = std::max(xmax, x);
        ymax = std::max(ymax, y);
        zmax = std::max(zmax, z);
    }
    TextHeight = std::max(xmax - xmin, ymax - ymin) / 500;
    WriteGroup(out, 0, "SECTION");
    WriteGroup(out, 2, "HEADER");
    // The extents keep three decimals in a geographic drawing too.
    const auto extent = [&](const char* name, double x, double y, double z) {
        out += "9";
        out += kEol;
        out += name;
        out += kEol;
        for (const auto& [code, v] : {std::pair{"10", x}, std::pair{"20", y}, std::pair{"30", z}}) {
            out += code;
            out += kEol;
            AppendFixed(out, v, 3);
            out += kEol;
        }
    };
    extent("$EXTMIN", xmin, ymin, zmin);
    extent("$EXTMAX", xmax, ymax, zmax);
    WriteGroup(out, 0, "ENDSEC");
    WriteGroup(out, 0, "SECTION");
    WriteGroup(out, 2, "TABLES");
    WriteGroup(out, 0, "ENDSEC");
    WriteGroup(out, 0, "SECTION");
    WriteGroup(out, 2, "BLOCKS");
    WriteGroup(out, 0, "ENDSEC");
}

void CVKDxf::WritePointEntity(std::string& out, const CVKData& r) const {
    WriteGroup(out, 0, "POINT");
    WriteGroup(out, 8, "VK_POINT");
    WriteCoordinates(out, RealX(r), RealY(r), DxfLevel(r));
}

void CVKDxf::WriteLevelLabel(std::string& out, const CVKData& r) {
    WriteGroup(out, 0, "TEXT");
    const int layers = std::max(DxfLayerCount, 1);
    const int k = LabelCounter % layers;
    ++LabelCounter;
    out += "8";
    out += kEol;
    out += "VK_LEVEL";
    AppendInt(out, k);
    out += kEol;
    const double level = DxfLevel(r);
    WriteCoordinates(out, RealX(r) + TextHeight * 0.5, RealY(r), level);
    WriteReal(out, 40, TextHeight);
    out += "1";
    out += kEol;
    AppendFixed(out, level, 3);
    out += kEol;
}

void CVKDxf::WriteTimeLabel(std::string& out, const CVKData& r) {
    WriteGroup(out, 0, "TEXT");
    WriteGroup(out, 8, "VK_TIME");
    WriteCoordinates(out, RealX(r) + TextHeight * 0.5, RealY(r) - TextHeight, r.Z / 100.0);
    WriteReal(out, 40, TextHeight * 0.5);
    out += "1";
    out += kEol;
    civil::Fields f;
    if (clock_.Fields(r.Time, f)) {
        exporting::Append2(out, f.hour);
        out += ':';
        exporting::Append2(out, f.minute);
        out += ':';
        exporting::Append2(out, f.second);
    }
    out += kEol;
}

bool CVKDxf::WriteSpeedLabel(std::string& out, const CVKData& r, const CVKData& p) const {
    // Whole seconds between them, as a 32-bit difference made positive (taken unsigned:
    // a damaged file's times must not overflow).
    const int32_t diff =
        static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(r.Time) - static_cast<uint64_t>(p.Time)));
    const double dt = static_cast<double>(std::llabs(int64_t{diff}));
    const double dx = RealX(r) - RealX(p), dy = RealY(r) - RealY(p);
    const double speed = std::sqrt(dx * dx + dy * dy) / dt;
    if (!std::isfinite(speed)) return false;
    WriteGroup(out, 0, "TEXT");
    WriteGroup(out, 8, "VK_SPEED");
    WriteCoordinates(out, (RealX(p) + RealX(r)) * 0.5, (RealY(p) + RealY(r)) * 0.5, (p.Z / 100.0 + r.Z / 100.0) * 0.5);
    WriteReal(out, 40, TextHeight * 0.25);
    out += "1";
    out += kEol;
    AppendFixed(out, speed, 2);
    out += "m/s";
    out += kEol;
    return true;
}

bool CVKDxf::WriteDrawing(std::string& out, const ExportSelection& selection, exporting::ExportFile* file) {
    DxfLayerCount = std::clamp<int>(selection.DxfLayerCount, MIN_DXF_LAYERS, MAX_DXF_LAYERS);
    LabelCounter = 0;
    WriteHeader(out);
    WriteGroup(out, 0, "SECTION");
    WriteGroup(out, 2, "ENTITIES");
    const CVKData* previous = nullptr;
    int mask = selection.EntityMask;
    for (size_t i = 0; i < Records->size(); ++i) {
        const CVKData& r = (*Records)[i];
        if (i == 0) previous = &r;
        if (r.IsDeleted() || (r.Flags & mask) == 0) continue;
        WritePointEntity(out, r);
        WriteLevelLabel(out, r);
        WriteTimeLabel(out, r);
        // After the first written record only positions follow.
        mask = REC_POSITION;
        if (!Geographic) {
            WriteSpeedLabel(out, r, *previous);
            previous = &r;
        }
        if (file && !file->Spill(i, Records->size())) return false;
    }
    WriteGroup(out, 0, "ENDSEC");
    WriteGroup(out, 0, "EOF");
    return true;
}

bool ExportDxf(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    port.WaitCursor(true);
    const bool ok = exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        CVKDxf dxf(&doc.Records, doc.IsGeographic());
        return dxf.WriteDrawing(file.Text(), selection, &file);
    });
    port.WaitCursor(false);
    return ok;
}

}  // namespace aq
