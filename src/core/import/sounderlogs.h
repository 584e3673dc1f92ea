// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"

// Text logs of sounders and tide loggers: our own ASCII record files (Vivoz(2000)),
// the earlier Corrund sounder's text log or memory dump (VK Raw), and the Tevrant tide
// logger's log (WT Raw).
namespace aq {

// Fixes further apart than this (1e-7 degree, in latitude or longitude) are a jump.
inline constexpr int64_t VK_FIX_JUMP = 999;

// Reads a Corrund text log: "D y m d" and "T h m s" lines set the date and time, "M
// depth" lines become depths and "G text" lines positions while both are valid. A fix
// is recorded only when it lies within VK_FIX_JUMP of the previous fix of the file.
class VkRawReader {
public:
    VkRawReader(CVKDoc& doc, bool gpsHeights) : doc_(doc), gpsHeights_(gpsHeights) {}
    void Line(std::string_view line);

private:
    CVKDoc& doc_;
    bool gpsHeights_;
    TextImportState state_;
    bool dateValid_ = false, timeValid_ = false;
    int fixes_ = 0;
    int32_t lastLatitude_ = 0, lastLongitude_ = 0;
};

// Reads a Tevrant tide log: "D d m y" lines give the date; a line holding "T " with the
// time, then "H " with the tide, then "F ", gives a tide reading. A record is made each
// time date, time and tide are all known; time and tide are then needed afresh.
class WtRawReader {
public:
    explicit WtRawReader(CVKDoc& doc) : doc_(doc) {}
    void Line(std::string_view line);

private:
    CVKDoc& doc_;
    TextImportState state_;
    double tide_ = 0;
    bool date_ = false, time_ = false, tideRead_ = false;
};

// True when the file name, upper-cased, holds ".HEX": a Corrund memory dump.
bool IsCorrundDump(const std::string& path);

// File > Import > ASCII > Vivoz(2000) with the file chosen.
ImportResult ImportVivoz(CVKDoc& doc, const std::string& path, UserPort& port);
// File > Import > ASCII > VK Raw with the file chosen: starts a new survey from a
// Corrund text log or memory dump; asks "Use GPS heights, if present ?".
ImportResult ImportVkRaw(CVKDoc& doc, const std::string& path, UserPort& port);
// File > Import > ASCII > WT Raw with the file chosen: starts a new survey from a
// Tevrant tide log.
ImportResult ImportWtRaw(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
