// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <string>
#include <vector>

#include "views/volumes.h"

namespace aq::gui {

// Cross sections a sheet: stacked three to a landscape page or image.
inline constexpr int kSectionsPerSheet = 3;

// The files WriteSectionSheets writes for these sections: one a sheet for images
// ("sections.png", "sections-2.png", ...), the one file for a PDF.
std::vector<std::string> SectionSheetFiles(size_t sections, const std::string& path);

// Writes the cross sections as sheets through the views' painting: PNG or SVG (by the
// file's extension), one file a sheet, or a PDF of A4 landscape pages. `reference` names
// what the areas are against ("design", "second survey"). Each file is replaced whole or
// not at all. Empty on success, else the message naming the file.
std::string WriteSectionSheets(const std::vector<SectionProfile>& sections, const std::string& path,
                               const std::string& title, const std::string& reference);

// The volume report as a PDF of A4 pages: the inputs, the table and the plan of the
// difference on the first, then the cross-section sheets. Replaced whole or not at all.
// Empty on success, else the message naming the file.
std::string WriteVolumeReport(const VolumeReport& report, const std::string& path);

// Pictures for the window.
QImage RenderDifferencePlan(const DifferencePicture& picture, QSize size);
QImage RenderSectionSheet(const std::vector<SectionProfile>& sections, int sheet, QSize size, const std::string& title,
                          const std::string& reference);

}  // namespace aq::gui
