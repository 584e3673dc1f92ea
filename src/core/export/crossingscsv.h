// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "model/doc.h"
#include "processing/crossings.h"

namespace aq {

// The header of the crossings CSV; one line a crossing follows, in the result's order.
extern const char* const CROSSINGS_CSV_HEADER;

// One crossing as a line of the CSV (without the line end).
std::string CrossingCsvLine(const Crossing& c, bool geographic);

// Writes the crossings of a result to `path` ("-" for standard output) as CSV, replacing
// the file whole or not at all; a failure is reported through the port naming the file
// and the reason, and false returned.
bool ExportCrossingsCsv(const CVKDoc& doc, const std::string& path, const CrossingResult& result, UserPort& port);

}  // namespace aq
