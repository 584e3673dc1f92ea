// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "export/export.h"
#include "export/exportfile.h"
#include "export/localclock.h"
#include "model/data.h"
#include "model/doc.h"

namespace aq {

// Writes the survey as an ASCII DXF drawing: a POINT per written record at its plan
// position and seabed level, with TEXT labels of the level (dealt in turn over
// DxfLayerCount layers), the time of day and, on a grid, the speed from the previously
// written record. The Write operations append to `out` with CR LF line ends.
class CVKDxf {
public:
    CVKDxf(const std::vector<CVKData>* records, bool geographic) : Records(records), Geographic(geographic) {}

    const std::vector<CVKData>* Records;
    double TextHeight = 1.0;  // of level labels; set by WriteHeader
    int Geographic;
    int LabelCounter = 0;  // level labels written so far
    int DxfLayerCount = 1;

    // "code\ntext\n".
    void WriteGroup(std::string& out, int code, std::string_view text) const;
    // "code\n" and the value with three decimals, six in a geographic drawing.
    void WriteReal(std::string& out, int code, double value) const;
    // x, y and z under codes base+10, base+20, base+30.
    void WriteCoordinates(std::string& out, double x, double y, double z, int base = 0) const;

    // The header section with the extents of every position (deleted ones too), which
    // also fix TextHeight, and the empty tables and blocks sections.
    void WriteHeader(std::string& out);
    void WritePointEntity(std::string& out, const CVKData& r) const;
    void WriteLevelLabel(std::string& out, const CVKData& r);
    void WriteTimeLabel(std::string& out, const CVKData& r);
    // Speed from `previous` to `r`, placed between them. Two records of the same second
    // give no speed, and then no label: returns false.
    bool WriteSpeedLabel(std::string& out, const CVKData& r, const CVKData& previous) const;

    // The whole drawing for the selection, with the layer count it gives: the header,
    // then the records it picks in array order, except that after the first written
    // record only positions are written. With `file`, the text is handed to it as it
    // gathers; false when that fails.
    bool WriteDrawing(std::string& out, const ExportSelection& selection, exporting::ExportFile* file = nullptr);

private:
    double RealX(const CVKData& r) const { return CoordToReal(r.X, Geographic != 0); }
    double RealY(const CVKData& r) const { return CoordToReal(r.Y, Geographic != 0); }

    exporting::LocalClock clock_;
};

// Export > DXF.
bool ExportDxf(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);

// The seabed level of the DXF labels in metres, summed in centimetres.
inline double DxfLevel(const CVKData& r) { return (int64_t{r.Tide} - r.Depth + r.Z) / 100.0; }

}  // namespace aq
