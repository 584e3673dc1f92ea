// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "export/export.h"
#include "export/localclock.h"
#include "model/data.h"
#include "model/doc.h"

namespace aq {

// The Geodimeter label line of record `index` as written (CR LF included), or an empty
// text for a deleted record or one of no kind. Grid: 5 index, 4 point code (kind letter
// and hh.mmss), 37 northing, 38 easting, 39 level; geographic: 113 longitude,
// 114 latitude, 532 level; then 42 depth, 75 tide and 52 time of day.
std::string LabelLine(const CVKData& r, int64_t index, bool geographic);

// The HPR report row of a record (CR LF included): date and time, height, depth, heave,
// pitch and roll as stored.
std::string HprLine(const CVKData& r);

// Export > Geotronics: the selected records as a Geodimeter label file, with a
// "51=" date line before the first record of each later day.
bool ExportGeotronics(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);

// Export > HPR report: every depth record but record 0, deleted ones too. The header
// names pitch and roll in metres once Apply HPR has turned them into displacements.
bool ExportHprReport(const CVKDoc& doc, const std::string& path, UserPort& port);

namespace exporting {
bool AppendLabelLine(std::string& out, const CVKData& r, int64_t index, bool geographic, LocalClock& clock);
void AppendHprLine(std::string& out, const CVKData& r, LocalClock& clock);
}  // namespace exporting

}  // namespace aq
