// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "model/civiltime.h"
#include "model/doc.h"
#include "model/parallel.h"
#include "processing/crossings.h"
#include "processing/lines.h"

namespace aq {

// The header of the crossings CSV; one line a crossing follows, in the result's order.
// The first two columns are the crossing's easting and northing in metres, or in a
// geographic survey its longitude and latitude in degrees, and are named so.
extern const char* const CROSSINGS_CSV_HEADER;
extern const char* const CROSSINGS_CSV_HEADER_GEOGRAPHIC;
const char* CrossingsCsvHeader(bool geographic);

// One crossing as a line of the CSV (without the line end).
std::string CrossingCsvLine(const Crossing& c, bool geographic);

// The same lines, appended, for many crossings at a time: the times are converted
// through one FieldsCache.
class CrossingCsvWriter {
public:
    explicit CrossingCsvWriter(bool geographic) : geographic_(geographic) {}
    void Append(std::string& out, const Crossing& c);

private:
    bool geographic_;
    civil::FieldsCache clock_;
};

// How the lines of a large crossings CSV are shared between threads: in pieces of
// `piece` crossings, two at a time.
struct CsvPieces {
    size_t piece = size_t{1} << 15;
    unsigned threads = 2;
};

// The CSV of the crossings (the header, then a line a crossing, each ended by the text
// files' line end), made a piece at a time on the threads `pieces` allows and handed to
// `sink` in order with the number of crossings written so far. Stops when sink returns
// false; returns false then.
bool FormatCrossingsCsv(const std::vector<Crossing>& crossings, bool geographic,
                        CallRef<bool(std::string_view, size_t)> sink, const CsvPieces& pieces = {});

// The header of the survey lines as CSV: the columns the lines command prints.
extern const char* const LINES_CSV_HEADER;
// One survey line as a line of that CSV (without the line end), appended.
void AppendLineCsv(std::string& out, const SurveyLine& line);

// Writes the crossings of a result to `path` ("-" for standard output) as CSV, replacing
// the file whole or not at all; a failure is reported through the port naming the file
// and the reason, and false returned.
bool ExportCrossingsCsv(const CVKDoc& doc, const std::string& path, const CrossingResult& result, UserPort& port);

}  // namespace aq
