// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "export/export.h"
#include "model/data.h"
#include "model/doc.h"

namespace aq {

// "lon,lat " of a record in degrees with eight decimals, uncorrected.
std::string KmlCoordinate(const CVKData& r);

// The document's title as the main window shows it: the file name, or "Untitled".
std::string DocumentTitle(const CVKDoc& doc);

// Text made safe inside a KML element: UTF-8 kept, bytes that are no UTF-8 read as
// Windows-1252 (the program's older texts), markup characters escaped, and characters
// XML forbids replaced, so that every title gives a well-formed file.
std::string XmlText(std::string_view text);

// Export > KML: a marker at the centre of the survey's extents described by the
// selection's KmlTitle, and a line through every position record (deleted ones too)
// described by the document's title.
bool ExportKml(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);

}  // namespace aq
