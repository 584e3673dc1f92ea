// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/doc.h"

// Survey lines: the runs of the boat's track with a steady heading, between turns, gaps
// and events, told apart into main lines and crosslines. Lines are worked out from the
// records whenever they are asked for; the document does not keep them.
namespace aq {

// Metres east and north of the survey's centre. A grid survey is already in metres; a
// geographic one is mapped equirectangularly about its centre, with the lengths of a
// degree of the WGS84 ellipsoid at the centre's latitude. Over a survey area of some
// kilometres that is good to a few millimetres in ten metres, which is all that the
// headings, spacings and distances the quality checks measure need.
class LocalFrame {
public:
    LocalFrame() = default;
    // The frame of the document's plan extents.
    explicit LocalFrame(const CVKDoc& doc);

    // A record's corrected plan position (as the exports write it) in the frame.
    void ToMetres(const CVKData& r, double& east, double& north) const;
    // A place in the frame as the document's units: metres, or degrees when geographic.
    double EastingOf(double east) const { return x0_ + east / kx_; }
    double NorthingOf(double north) const { return y0_ + north / ky_; }
    bool Geographic() const { return geographic_; }

private:
    bool geographic_ = false;
    double x0_ = 0, y0_ = 0;  // the centre, in metres or degrees
    double kx_ = 1, ky_ = 1;  // metres per unit
};

// How the track is cut into lines and the lines are sorted.
struct LineOptions {
    // A turn: the heading over the next TurnDistance metres differs from the heading over
    // the last TurnDistance metres by more than TurnAngle degrees.
    double TurnAngle = 30.0;
    double TurnDistance = 20.0;
    // A gap: consecutive positions further apart than this in time or distance.
    double GapSeconds = 10.0;
    double GapDistance = 50.0;
    // Runs shorter than this along the track are no lines.
    double MinLength = 20.0;
    // An event record ends one line and starts the next.
    bool SplitAtEvents = true;
    // Lines within this many degrees of the dominant heading (either way along it) are
    // main lines, within it of the perpendicular crosslines, the rest other lines.
    double Tolerance = 20.0;
    // When not empty, the numbers of the lines that are crosslines; every other line is
    // then a main line, whatever its heading.
    std::vector<int> CrossLines;
};

enum class LineKind { Main, Cross, Other };
// "main", "cross", "other".
const char* LineKindName(LineKind kind);

struct SurveyLine {
    int Number = 0;  // from 1, in time order
    LineKind Kind = LineKind::Other;
    double Heading = 0;  // degrees clockwise from grid north, first position to last
    double Length = 0;   // metres along the track
    int64_t Start = 0;   // hundredths of a second (Time * 100 + Hundredths)
    int64_t End = 0;
    // The records of the first and last position of the line.
    uint32_t FirstRecord = 0;
    uint32_t LastRecord = 0;
    // The line's positions in LineSet::Fixes and live depths in LineSet::Soundings.
    uint32_t FixBegin = 0, FixEnd = 0;
    uint32_t SoundingBegin = 0, SoundingEnd = 0;

    size_t SoundingCount() const { return SoundingEnd - SoundingBegin; }
};

// A position of the track in the local frame.
struct TrackFix {
    double East = 0, North = 0;
    int64_t Time = 0;  // hundredths of a second
    uint32_t Record = 0;
};

struct LineSet {
    LocalFrame Frame;
    std::vector<SurveyLine> Lines;
    // Every live position of the track, in record order; each line holds a range of them.
    std::vector<TrackFix> Fixes;
    // For each position, how many live depths come before it in the records: the depths
    // between positions k and k + 1 are Soundings[SoundingsBefore[k], SoundingsBefore[k + 1]).
    std::vector<uint32_t> SoundingsBefore;
    // The record index of every live depth, in record order; each line holds the range
    // between its first and last position.
    std::vector<uint32_t> Soundings;
    // The dominant heading of the survey, 0 to 180 degrees; main lines run along it
    // either way. Meaningless without lines.
    double MainHeading = 0;
    // The survey had live positions at all.
    bool HadPositions = false;

    size_t Count(LineKind kind) const;
};

// The lines of the survey as it is now (records in time order, after recalculation).
// Shows its progress through `progress` when there is one; never changes the document.
LineSet FindLines(const CVKDoc& doc, const LineOptions& options, UserPort* progress = nullptr);

// Checks the options as the dialog and the command line take them; the text says
// what is wrong, empty when nothing is.
std::string LineOptionsRefusal(const LineOptions& options);

// Edit > Quality Control > Lines with these options: the lines into `out`, or false with
// the reason shown through the port (options refused, no live positions, no lines).
bool SurveyLines(const CVKDoc& doc, const LineOptions& options, LineSet& out, UserPort& port);

// The messages of a survey without lines.
inline constexpr char NO_POSITIONS[] = "The survey has no positions: lines follow the boat's track.";
inline constexpr char NO_LINES[] =
    "No survey lines were found: no run of positions is long and straight enough. Try a larger turn "
    "angle, a longer gap or a shorter minimum length.";

// "3,5,9-12" as line numbers; false when the text is not such a list.
bool ParseLineList(const std::string& text, std::vector<int>& out);

// A moment in hundredths of a second as local "YYYY-MM-DD HH:MM:SS.hh" (the hundredths
// after the seconds; "-" when the clock cannot convert it).
std::string MomentText(int64_t hundredths);

}  // namespace aq
