// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/export.h"

#include <charconv>

#include "export/dxf.h"
#include "export/geotronics.h"
#include "export/kml.h"
#include "export/textformats.h"
#include "model/commandids.h"

namespace aq {

bool ParseDxfLayerCount(std::string_view text, uint8_t& out, std::string& message) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int v = -1;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    // The field holds a byte: anything else is refused as no number of one.
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 0 || v > 255) {
        message = "Please enter an integer between 0 and 255.";
        return false;
    }
    if (v < MIN_DXF_LAYERS || v > MAX_DXF_LAYERS) {
        message = "Please enter an integer between " + std::to_string(MIN_DXF_LAYERS) + " and " +
                  std::to_string(MAX_DXF_LAYERS) + ".";
        return false;
    }
    out = static_cast<uint8_t>(v);
    return true;
}

namespace {

bool RunCsv(const CVKDoc& doc, const std::string& path, const ExportSelection&, UserPort& port) {
    return ExportCsv(doc, path, port);
}
bool RunHpr(const CVKDoc& doc, const std::string& path, const ExportSelection&, UserPort& port) {
    return ExportHprReport(doc, path, port);
}

}  // namespace

const std::vector<ExportFormatInfo>& ExportFormats() {
    static const std::vector<ExportFormatInfo> formats = {
        {ID_EXPORT_ASCII, "ascii", "s2k", "*.s2k", "ASCII files (*.s2k)", true, false, ExportAscii},
        {ID_EXPORT_XYZ, "xyz", "xyz", "*.xyz", "XYZ files (*.xyz)", true, false, ExportXyz},
        {ID_EXPORT_HYPACK, "hypack", "xyz", "*.xyz", "Hypack XYZ files (*.xyz)", true, false, ExportHypack},
        {ID_EXPORT_US_ARMY, "usarmy", "xyz", "*.xyz", "US Army XYZ files (*.xyz)", true, false, ExportUsArmy},
        {ID_EXPORT_CSV, "csv", "csv", "*.csv", "CSV files (*.csv)", false, false, RunCsv},
        {ID_EXPORT_DXF, "dxf", "dxf", "*.dxf", "DXF drawings (*.dxf)", true, true, ExportDxf},
        {ID_EXPORT_KML, "kml", "kml", "*.kml", "KML files (*.kml)", true, false, ExportKml},
        {ID_EXPORT_GEOTRONICS, "geotronics", "are", "*.are", "Geodimeter label files (*.are)", true, false,
         ExportGeotronics},
        {ID_EXPORT_HPR_REPORT, "hpr", "csv", "*.csv", "CSV files (*.csv)", false, false, RunHpr},
    };
    return formats;
}

const ExportFormatInfo* FindExportFormat(int commandId) {
    for (const ExportFormatInfo& f : ExportFormats())
        if (f.commandId == commandId) return &f;
    return nullptr;
}

const ExportFormatInfo* FindExportFormat(std::string_view name) {
    for (const ExportFormatInfo& f : ExportFormats())
        if (name == f.name) return &f;
    return nullptr;
}

bool RunExport(int commandId, const CVKDoc& doc, const std::string& path, const ExportSelection& selection,
               UserPort& port) {
    const ExportFormatInfo* f = FindExportFormat(commandId);
    return f && f->run(doc, path, selection, port);
}

}  // namespace aq
