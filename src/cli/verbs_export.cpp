// SPDX-License-Identifier: GPL-3.0-or-later
#include <optional>
#include <vector>

#include "cliport.h"
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

bool RunExportVerb(Context& c, const ExportArgs& a) {
    ExportSelection selection;
    if (a.mask) selection.EntityMask = *a.mask;
    if (a.layers) {
        std::string message;
        if (!ParseDxfLayerCount(*a.layers, selection.DxfLayerCount, message)) return Fail(c, message);
    }
    if (a.title) selection.KmlTitle = *a.title;
    return a.format->run(c.doc, a.path, selection, c.port);
}

Step ParseExport(Args& a, const CommandInfo& cmd) {
    ExportArgs e;
    const std::string name(VerbWord(cmd));
    e.format = FindExportFormat(cmd.id);
    if (!e.format) throw UsageError("export " + name + " has no writer");
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

}  // namespace

std::span<const VerbParser> ExportParsers() {
    static const std::vector<VerbParser> parsers = [] {
        std::vector<VerbParser> v;
        for (const CommandInfo& cmd : CommandTable())
            if (cmd.action == ActionKind::Export && cmd.verb) v.push_back({cmd.verb, ParseExport});
        return v;
    }();
    return parsers;
}

}  // namespace aq::cli
