// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>

#include "render/surveyreport.h"
#include "surface/nodecompare.h"

// The survey report's node comparison, done by the surface library: for the programs
// that link both (the window and the command line).
namespace aq::gui {

inline NodeComparison ReportNodeComparison(const CVKDoc& doc, const surface::NodeOptions& options,
                                           UserPort* progress) {
    return [&doc, options, progress](const LineSet& lines, ReportNodes& nodes, std::string& why) {
        surface::NodeResult r;
        if (!surface::CompareNodes(doc, lines, options, r, why, progress))
            return r.surfaceRefused ? NodeVerdict::Refused : NodeVerdict::NotCompared;
        char cell[64] = "";
        if (r.cell > 0) std::snprintf(cell, sizeof cell, " (%g m cells)", r.cell);
        nodes.against = options.surfacePath.empty()
                            ? "the triangulated surface of the main lines' soundings" + std::string(cell)
                            : "the surface \"" + options.surfacePath + "\"";
        nodes.crossSoundings = r.crossSoundings;
        nodes.compared = r.compared;
        nodes.stats = r.stats;
        nodes.warning = r.warning;
        return NodeVerdict::Compared;
    };
}

}  // namespace aq::gui
