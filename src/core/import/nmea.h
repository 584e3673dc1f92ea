// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"

// NMEA 0183 logs: GGA, GLL and RMC positions, ZDA and RMC dates, DPT and DBT depths.
namespace aq {

// Pending flags of the NMEA reader (the time-of-day bit is PENDING_TIME_OF_DAY).
inline constexpr uint8_t NMEA_POSITION_PENDING = 0x01;
inline constexpr uint8_t NMEA_DATE_KNOWN = 0x02;
inline constexpr uint8_t NMEA_DEPTH_PENDING = 0x04;

// The sentences the reader takes, in the order its report lists them.
enum NmeaSentence : int { NMEA_GGA, NMEA_GLL, NMEA_RMC, NMEA_ZDA, NMEA_DPT, NMEA_DBT, NMEA_SENTENCES };

// Why a sentence of those was not used.
enum NmeaSkip : int {
    NMEA_SKIP_CHECKSUM,     // its checksum does not match
    NMEA_SKIP_NO_FIX,       // a position sentence without a fix
    NMEA_SKIP_NO_DATE,      // a position or depth that no date came for before the next one
    NMEA_SKIP_UNREADABLE,   // its fields do not read
    NMEA_SKIP_SAME_SECOND,  // a DBT depth in a second that has a DPT depth
    // A depth after another with no ZDA between: a depth is stamped with the last ZDA's
    // time, and that time was taken.
    NMEA_SKIP_TIME_TAKEN,
    NMEA_SKIPS
};

// Reads NMEA sentences line by line into the document. Positions and depths can only be
// stamped once a ZDA has given the date, so they wait on pending flags: a position is
// recorded when it and a date are known, a depth (with the DPT offset as a tide) when a
// date is known, after which the flags start again.
//
// A receiver that sends RMC gives the date with every fix, so once an RMC has given it
// the date stays known, and every later position and depth is recorded as it comes. DBT
// gives a depth as DPT does but no tide; in a second that has both, the DPT depth is kept.
class NmeaReader {
public:
    // Clears the pending flags; the current date and time stay.
    NmeaReader(CVKDoc& doc, TextImportState& state);

    void Line(std::string_view line);
    // The end of the log: a position or depth still waiting for a date is skipped.
    void Finish();
    // The size of the input: once its first record is made, room is kept for as many
    // more as such an input usually holds, so a large log is not copied as it grows.
    void SetInputBytes(uint64_t bytes) { inputBytes_ = bytes; }

    int Positions() const { return positions_; }
    int Depths() const { return depths_; }
    int Used(NmeaSentence s) const { return used_[s]; }
    int Skipped(NmeaSentence s, NmeaSkip why) const { return skipped_[s][why]; }

    // "Used: 2 GGA, 2 ZDA, 2 DPT." and "Skipped: 1 DPT (bad checksum)." on lines of their
    // own, each left out when it would list nothing.
    std::string Report() const;
    // Why the log gave no record, as far as the counts tell.
    std::string WhyNothing() const;

private:
    void Gga(std::string_view line);
    void Gll(std::string_view line);
    void Rmc(std::string_view line);
    void Zda(std::string_view line);
    void Dpt(std::string_view line);
    void Dbt(std::string_view line);
    void Skip(NmeaSentence s, NmeaSkip why) { ++skipped_[s][why]; }
    // A new position or depth takes the place of one still waiting for a date.
    void NewPosition(NmeaSentence from);
    void NewDepth(NmeaSentence from, bool tide);
    void Append(const CVKData& r);

    // The reader's current date and time of day, which tells whether two depth
    // sentences came in the same second.
    struct Second {
        int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        bool valid = false;
        friend bool operator==(const Second&, const Second&) = default;
    };
    Second Now() const;

    CVKDoc& doc_;
    TextImportState& state_;
    double latitude_ = 0, longitude_ = 0, height_ = 0;
    // The GGA fix quality of the pending position; 0 for GLL and RMC, which give none.
    uint8_t quality_ = 0;
    int16_t depth_ = 0, tide_ = 0;
    bool tidePending_ = false;  // the pending depth came with an offset
    NmeaSentence positionFrom_ = NMEA_GGA, depthFrom_ = NMEA_DPT;
    bool dateCarried_ = false;  // an RMC has given the date
    bool dateSeen_ = false;     // a ZDA or RMC has given a date
    // Why a depth left waiting is given up: no date yet, or its ZDA's time is taken.
    NmeaSkip UndatedDepth() const { return dateSeen_ ? NMEA_SKIP_TIME_TAKEN : NMEA_SKIP_NO_DATE; }
    Second dptSecond_, dbtSecond_;
    // The depth record a DBT made in dbtSecond_, which a DPT of that second overwrites.
    size_t dbtRecord_ = SIZE_MAX;
    int positions_ = 0, depths_ = 0;
    int used_[NMEA_SENTENCES] = {};
    int skipped_[NMEA_SENTENCES][NMEA_SKIPS] = {};
    uint64_t inputBytes_ = 0;
};

// File > Import > NMEA with the file chosen; ends with "%d Positions %d depths imported"
// and the reader's report of the sentences it used and skipped.
ImportResult ImportNmea(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
