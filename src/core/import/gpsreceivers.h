// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"

// Position files of survey receivers: Trimble GGK and PJK sentence logs, Leica
// LLK/LLQ/GGK logs and Geodimeter label files.
namespace aq {

// Trimble: one line of a GGK (geographic) or PJK (grid) log; true when it became a
// position record.
bool TrimbleLine(CVKDoc& doc, TextImportState& state, std::string_view line, bool grid);
// Leica: one line of an LLK, LLQ or GGK log; true when it became a grid position.
bool LeicaLine(CVKDoc& doc, TextImportState& state, std::string_view line);

// File > Import > Trimble > GGK Format / PJK Format and File > Import > Leica RTK with the
// file chosen; each ends with "%d Positions imported".
ImportResult ImportTrimbleGgk(CVKDoc& doc, const std::string& path, UserPort& port);
ImportResult ImportTrimblePjk(CVKDoc& doc, const std::string& path, UserPort& port);
ImportResult ImportLeica(CVKDoc& doc, const std::string& path, UserPort& port);

// Pending bits of the Geodimeter reader, one per label that carries a value.
inline constexpr uint8_t GEO_Y = 0x01;      // label 37
inline constexpr uint8_t GEO_X = 0x02;      // label 38
inline constexpr uint8_t GEO_Z = 0x04;      // label 39
inline constexpr uint8_t GEO_TIME = 0x08;   // label 52
inline constexpr uint8_t GEO_DATE = 0x10;   // label 51
inline constexpr uint8_t GEO_DEPTH = 0x20;  // label 42
inline constexpr uint8_t GEO_TIDE = 0x40;   // label 75

// Reads a Geodimeter label file ("label=value" items ended by a carriage return, a line
// feed or a space) into the document. A point's coordinates, depth and tide go into one
// record once its date and time are known.
class GeodimeterReader {
public:
    // lineBreaks: a point coded 0 (label 4) starts a new survey line, marked by an event.
    // A date or time that cannot be read is told through the port.
    GeodimeterReader(CVKDoc& doc, TextImportState& state, bool lineBreaks, UserPort& port);

    // The bytes of the file, in any pieces.
    void Feed(const uint8_t* data, size_t size);
    // The end of the file: an item it ends without a separator is still read.
    void Finish();

private:
    void Value(std::string_view text);
    void Record(uint8_t bit);
    void Date(std::string_view text);
    void Time(std::string_view text);
    CVKData* Current();
    int64_t AppendCurrent(const CVKData& r);

    CVKDoc& doc_;
    UserPort& port_;
    TextImportState& state_;
    bool lineBreaks_;
    bool code0_ = false;
    int32_t label_ = 0;
    std::string text_;
    double y37_ = 0, x38_ = 0, z39_ = 0, depth42_ = 0, tide75_ = 0;
    // Index of the point's record in Records, or -1.
    int64_t current_ = -1;
};

// A label-52 time written hh.mmss with its fraction made up to four digits: "12.3" is
// "12.3000", "9" is "9.0000"; four digits or more, and anything not a number, stay.
std::string PadTimeFraction(std::string_view text);

// File > Import > Trimble > Geotronics with the file chosen: asks "Use line breaks(4=0)?".
ImportResult ImportGeotronics(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
