// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"

// Tide tables in plain text: up to seven numbers a line, right-aligned onto year,
// month, day, hour, minute, second and tide.
namespace aq {

// Reads tide lines into the document. A line sets the last fields of the seven, the
// tide always; the others keep the values of earlier lines. Records start once every
// field has been given; a line of the tide alone comes one interval after the last.
class TideReader {
public:
    TideReader(CVKDoc& doc, UserPort& port) : doc_(doc), port_(port) {}

    // A line with no number is passed over; one read before all seven fields are known
    // shows "Tide Data error" through the port.
    void Line(std::string_view line);

    int Records() const { return records_; }

private:
    CVKDoc& doc_;
    UserPort& port_;
    TextImportState state_;
    double tide_ = 0;
    uint8_t seen_ = 0;  // one bit per field, year first
    bool made_ = false;
    int64_t lastTime_ = 0;
    int64_t interval_ = 0;
    int records_ = 0;
};

// Records with the tide kind.
int64_t CountTides(const CVKDoc& doc);
// "The survey holds N tide records. Replace them with the file's?"
std::string ReplaceTidesQuestion(int64_t held);

// File > Import > Tide > ASCII with the file chosen: reads the table, then restores
// (which recalculates). A survey that holds tide records is asked whether the file's
// replace them; No leaves the survey as it was, Yes removes them once the file has
// given tides of its own.
ImportResult ImportTide(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
