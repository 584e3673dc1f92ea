// SPDX-License-Identifier: GPL-3.0-or-later
#include <optional>

#include "export/export.h"
#include "ui/commands.h"
#include "verbs.h"

namespace aq::cli {

namespace {

struct ExportArgs {
    const ExportFormatInfo* format = nullptr;
    std::string path;
    std::optional<int> mask;
    std::optional<std::string> layers;
    std::optional<std::string> title;
};

// What the menu entry needs, for the refusal of a verb whose command is disabled.
const char* Needs(int id) {
    switch (id) {
        case ID_EXPORT_US_ARMY: return "more than 3 records";
        case ID_EXPORT_DXF: return "records with positions";
        case ID_EXPORT_KML: return "a geographic survey";
        case ID_EXPORT_HPR_REPORT: return "sounder data";
        default: return "at least one record";
    }
}

// The check boxes of the entity selection: p, d, t, e in any order; none clears them all.
int ParseKinds(const std::string& kinds) {
    int mask = 0;
    for (char c : kinds) {
        switch (c) {
            case 'p': mask |= REC_POSITION; break;
            case 'd': mask |= REC_DEPTH; break;
            case 't': mask |= REC_TIDE; break;
            case 'e': mask |= REC_EVENT; break;
            default:
                throw UsageError("--kinds takes the letters p, d, t and e (positions, depths, tides, events), not \"" +
                                 kinds + "\"");
        }
    }
    return mask;
}

std::string FormatNames() {
    std::string names;
    for (const ExportFormatInfo& f : ExportFormats()) {
        if (!names.empty()) names += '|';
        names += f.name;
    }
    return names;
}

bool RunExportVerb(Context& c, const ExportArgs& a) {
    const int id = a.format->commandId;
    if (!Available(c, "export " + std::string(a.format->name), id, Needs(id))) return false;
    ExportSelection selection;
    if (a.mask) selection.EntityMask = *a.mask;
    if (a.layers) {
        std::string message;
        if (!ParseDxfLayerCount(*a.layers, selection.DxfLayerCount, message)) return Fail(c, message);
    }
    if (a.title) selection.KmlTitle = *a.title;
    return a.format->run(c.doc, a.path, selection);
}

Step ParseExport(Args& a) {
    ExportArgs e;
    const std::string name = a.Take("format (" + FormatNames() + ")");
    e.format = FindExportFormat(name);
    if (!e.format) throw UsageError("unknown export format \"" + name + "\"; formats: " + FormatNames());
    e.path = a.Take("FILE");
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option != "--kinds" && option != "--layers" && option != "--title")
            throw UsageError("unknown option " + option);
        const std::string value = a.Take("a value after " + option);
        // Only what the format's dialog offers.
        const bool offered = option == "--kinds"    ? e.format->entitySelection
                             : option == "--layers" ? e.format->layerCount
                                                    : e.format->commandId == ID_EXPORT_KML;
        if (!offered) throw UsageError("export " + name + " takes no " + option);
        if (option == "--kinds") {
            if (e.mask) throw UsageError("--kinds given twice");
            e.mask = ParseKinds(value);
        } else if (option == "--layers") {
            if (e.layers) throw UsageError("--layers given twice");
            e.layers = value;
        } else {
            if (e.title) throw UsageError("--title given twice");
            e.title = value;
        }
    }
    return [e](Context& c) { return RunExportVerb(c, e); };
}

constexpr Verb kExportVerbs[] = {
    {"export", "ascii|xyz|hypack|usarmy|csv|dxf|kml|geotronics|hpr FILE [--kinds KINDS] [--layers N] [--title TEXT]",
     "File > Export: write the survey to FILE. KINDS picks the records as the entity selection does (letters p, d,\n"
     "      t, e: positions, depths, tides, events; all four when left out; csv and hpr have no selection and kml\n"
     "      ignores it); --layers is the DXF level-label layer count (1-20, default 1); --title the KML title\n"
     "      (default Aquenta)",
     ParseExport},
};

}  // namespace

std::span<const Verb> ExportVerbs() { return kExportVerbs; }

}  // namespace aq::cli
