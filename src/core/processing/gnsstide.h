// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/doc.h"

// Water level from the boat's GNSS heights ("RTK tides"): the antenna's ellipsoidal
// height, less the antenna's height above the waterline, less the separation between the
// ellipsoid and the datum there, less a datum offset, smoothed in time and resampled to
// tide records. The separation model itself (a grid, a geoid) lives beside the core and
// comes in through SeparationSource, so the core stays free of GDAL and PROJ.
//
// What a position's height (Z) holds, by reader:
//   NMEA GGA       altitude above the receiver's geoid (the separation the sentence gives
//                  is not kept); Quality is the GGA fix quality (4 RTK fixed, 5 float).
//   NMEA GLL, RMC  no height (Z 0); no quality.
//   Trimble GGK    ellipsoidal height (the EHT field); quality not kept (Quality 0).
//   Trimble PJK    the height of the projected fix (EHT field); grid coordinates.
//   Leica LLK/LLQ  the height of the local fix; only fixes of quality 3 (RTK) are read.
//   Brivel         the height the sounder logged with its position; Quality is the
//                  receiver's fix quality it passed on.
// Our records do not say which reader made them, so the command is told whether the
// heights are ellipsoidal or above the receiver's geoid (taken to be EGM96).
namespace aq {

// What the positions' heights are measured from.
enum class GnssHeights {
    Ellipsoidal,  // above the WGS84 ellipsoid (GGK, PJK)
    Geoid,        // above the receiver's geoid model, EGM96 (GGA altitude)
};

// GGA fix qualities.
inline constexpr int GGA_GPS = 1, GGA_DGPS = 2, GGA_RTK_FIXED = 4, GGA_RTK_FLOAT = 5;

struct GnssTideSettings {
    GnssHeights heights = GnssHeights::Ellipsoidal;
    // Metres of the antenna above the waterline still in the heights, beyond the elevation
    // offset of Offsets > Positions already applied to them (static draught, squat).
    double antennaHeight = 0.0;
    // Metres of the datum above the separation model's surface (negative for a chart
    // datum below the geoid), taken off the levels.
    double datumOffset = 0.0;
    // Seconds: the smoothing window, the spacing of the tide records, and the longest
    // gap between used fixes that is bridged.
    double window = 60.0;
    double interval = 10.0;
    double maxGap = 120.0;
    // The poorest GGA fix quality used, in the order GPS (1) < DGPS (2) < RTK float (5)
    // < RTK fixed (4). Positions whose reader keeps no quality (Quality 0) are used.
    int minQuality = GGA_RTK_FIXED;
    // A constant separation in metres, added to what the source gives (or alone).
    double constantSeparation = 0.0;
};

// Where a separation model comes in: metres to take off each position's height (the
// model's separation, less the receiver's geoid where the heights are above it).
class SeparationSource {
public:
    virtual ~SeparationSource() = default;
    // Once, before any lookup, with the extent of the positions in degrees (west may be
    // greater than east where the survey crosses 180°). False with the reason in error.
    virtual bool Prepare(double west, double south, double east, double north, std::string& error) = 0;
    // out[i] for the point (lon[i], lat[i]) in degrees; false with the reason in error.
    virtual bool Lookup(std::span<const double> lon, std::span<const double> lat, std::span<double> out,
                        std::string& error) = 0;
    // For a survey on a grid: turns its eastings and northings in metres into longitudes
    // and latitudes in degrees, in place. False with the reason where the source knows no
    // relation of the grid to the earth.
    virtual bool ToLonLat(std::span<double> x, std::span<double> y, std::string& error) {
        (void)x;
        (void)y;
        error = "The separation model needs positions in latitude and longitude, and this survey is on a grid "
                "whose relation to the earth is not known. Use a constant separation, or declare the survey's "
                "coordinate system first.";
        return false;
    }
};

// The settings' checks: a text naming what is wrong, or empty.
std::string CheckGnssTideSettings(const GnssTideSettings& s);

// Rank of a GGA fix quality: 0 for none or not a measurement (estimated, manual,
// simulated), then GPS, DGPS, RTK float, RTK fixed.
int GgaQualityRank(int quality);
// A text for a GGA quality: "RTK fixed (4)".
std::string GgaQualityName(int quality);

// One computed water level.
struct TideLevel {
    int64_t time = 0;  // hundredths of a second, as CVKData::TimeHundredths
    double level = 0;  // metres on the datum
};

struct GnssTideResult {
    std::vector<TideLevel> levels;
    size_t positions = 0;     // live position records
    size_t withoutHeight = 0; // of them, with no height (Z 0 and no quality: GLL, RMC)
    size_t belowQuality = 0;  // of them, below the quality asked for
    size_t unknownQuality = 0;// used without a quality to test
    size_t used = 0;
    size_t gaps = 0;          // gaps longer than maxGap left without tides
};

// Works out the water levels; false with the reason shown through the port. source may
// be null when only the constant separation applies. Progress goes through the port's
// phases.
bool ComputeGnssTide(const CVKDoc& doc, const GnssTideSettings& settings, SeparationSource* source,
                     GnssTideResult& result, UserPort& port);

// Edit > Transform > Tide from GNSS Heights: computes the levels and, after asking when
// the survey has tide records, replaces every tide record (deleted ones too) by them,
// clears the tide offsets (the new records carry none) and recalculates. False when
// nothing was changed (an error shown, or the question answered No).
bool TideFromGnss(CVKDoc& doc, const GnssTideSettings& settings, SeparationSource* source, UserPort& port);

// The GNSS water level against the survey's observed tides.
struct TideComparison {
    std::vector<TideLevel> gnss;      // the computed levels
    std::vector<TideLevel> observed;  // the live tide records, metres
    size_t compared = 0;              // GNSS levels inside the observed tides' span
    double mean = 0, stdDev = 0;      // of GNSS − observed, metres
    double maxAbs = 0;                // the largest difference by size, signed
    int64_t maxAt = 0;                // and its time, hundredths
};

// Observed tides are interpolated between records at most this far apart (seconds): an
// hourly tide table still compares, a gauge's outage of hours does not.
inline constexpr double OBSERVED_TIDE_GAP = 3600.0;

// Compares computed levels with the survey's live tide records, linearly interpolated
// to each level's time (not across a gap between tide records longer than maxGap
// seconds). False with the reason shown when nothing can be compared.
bool CompareTides(const CVKDoc& doc, const std::vector<TideLevel>& gnss, TideComparison& out, UserPort& port,
                  double maxGap = OBSERVED_TIDE_GAP);

// "name=value" lines of a comparison, for the command line and the dialog.
std::string ComparisonText(const TideComparison& c);

}  // namespace aq
