// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"

// NMEA 0183 logs: GGA and GLL positions, ZDA dates and DPT depths.
namespace aq {

// Pending flags of the NMEA reader (the time-of-day bit is PENDING_TIME_OF_DAY).
inline constexpr uint8_t NMEA_POSITION_PENDING = 0x01;
inline constexpr uint8_t NMEA_DATE_KNOWN = 0x02;
inline constexpr uint8_t NMEA_DEPTH_PENDING = 0x04;

// Reads NMEA sentences line by line into the document. Positions and depths can only be
// stamped once a ZDA has given the date, so they wait on pending flags: a position is
// recorded when it and a date are known, a depth (with the DPT offset as a tide) when a
// date is known, after which the flags start again.
class NmeaReader {
public:
    // Clears the pending flags; the current date and time stay.
    NmeaReader(CVKDoc& doc, TextImportState& state);

    void Line(std::string_view line);
    // The size of the input: once its first record is made, room is kept for as many
    // more as such an input usually holds, so a large log is not copied as it grows.
    void SetInputBytes(uint64_t bytes) { inputBytes_ = bytes; }

    int Positions() const { return positions_; }
    int Depths() const { return depths_; }

private:
    void Gga(std::string_view line);
    void Gll(std::string_view line);
    void Zda(std::string_view line);
    void Dpt(std::string_view line);
    void Append(const CVKData& r);

    CVKDoc& doc_;
    TextImportState& state_;
    double latitude_ = 0, longitude_ = 0, height_ = 0;
    int16_t depth_ = 0, tide_ = 0;
    int positions_ = 0, depths_ = 0;
    uint64_t inputBytes_ = 0;
};

// File > Import > NMEA with the file chosen; ends with "%d Positions %d depths imported".
ImportResult ImportNmea(CVKDoc& doc, const std::string& path);

}  // namespace aq
