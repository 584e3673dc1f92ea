// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "model/geometry.h"
#include "views/canvas.h"
#include "views/volumes.h"

namespace aq {

// Colours of the sheets and the plan.
inline constexpr Colour COLOUR_SECTION_SURVEY = 0x000000;   // black
inline constexpr Colour COLOUR_SECTION_AGAINST = 0x008000;  // green
inline constexpr Colour COLOUR_SECTION_DESIGN = 0x0000D0;   // red
inline constexpr Colour COLOUR_CUT = 0x8080F0;              // light red: material above the reference
inline constexpr Colour COLOUR_FILL = 0xF0B080;             // light blue: below it

// Sheets of cross sections: `perSheet` sections a sheet, stacked, all to one scale.
int SectionSheets(size_t sections, int perSheet);

// Draws sheet `sheet` (from 0) of the sections into the device rectangle `area` (the
// canvas's mapping is set to it, one logical unit a pixel): a title, then each section's
// frame with level and offset axes, the survey, the second survey and the design, the
// cut and fill between the survey and the reference hatched, and the station's chainage
// and areas. `reference` names what the areas are taken against ("design").
void DrawSectionSheet(Canvas& canvas, const std::vector<SectionProfile>& sections, int sheet, int perSheet,
                      const CRect& area, const std::string& title, const std::string& reference);

// Draws the difference surface (survey less reference) true to scale into `area`, cut
// in reds and fill in blues with a key, and the boundary over it.
void DrawDifferencePlan(Canvas& canvas, const DifferencePicture& picture, const CRect& area);

// The first page of the volume report: title, inputs, the table of the methods (the
// very words VolumeTable gives, as the command line prints them) and the plan of the
// difference below.
void DrawVolumeSummary(Canvas& canvas, const VolumeReport& report, const CRect& area);

}  // namespace aq
