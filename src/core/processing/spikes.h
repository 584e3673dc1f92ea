// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/doc.h"
#include "model/parallel.h"
#include "processing/lines.h"
#include "processing/s44.h"

// Automatic spike flagging: along each survey line, a sounding whose seabed level departs
// from the median of its neighbours by more than the allowance of an S-44 order and by
// more than k robust spreads is deleted; so are soundings outside hard depth limits.
//
// The spread is the median absolute deviation about the window's local trend (the median
// slope between neighbouring soundings), and so is the departure it is compared with: on
// a steep but real slope, such as the face of a quay wall, the soundings follow the trend
// and keep their place, while a spike on it still stands out.
namespace aq {

struct SpikeOptions {
    // The allowance a departure must also exceed.
    S44Order Order = S44Order::Order1a;
    // The neighbourhood: this many soundings centred on the one judged, an odd number
    // (at the ends of a line the window stops at the end and reaches further in) ...
    int Window = 21;
    // ... or, when more than 0, the soundings within half this many metres either way
    // along the line.
    double WindowMetres = 0;
    // Departures beyond K times the spread (1.4826 x the median absolute deviation about
    // the local trend, which is the standard deviation for normal noise) are spikes, if
    // beyond the allowance too.
    double K = 3.0;
    // Hard limits on the measured depth, metres; every live sounding of the survey outside
    // them is deleted, on a line or not.
    std::optional<double> MinDepth, MaxDepth;
    LineOptions Lines;
};

struct SpikeLineCount {
    int Line = 0;  // the line's number; 0 for soundings on no line
    LineKind Kind = LineKind::Other;
    size_t Soundings = 0;  // live before the flagging
    size_t Flagged = 0;
    // Of the soundings, those whose window held fewer than 3 soundings: the filter could
    // not judge them.
    size_t Unjudged = 0;
};

struct SpikeResult {
    size_t Lines = 0;  // survey lines found
    // Every line, then (when depth limits deleted any there) the soundings on no line.
    std::vector<SpikeLineCount> PerLine;
    size_t BySpread = 0;     // deleted as spikes
    size_t ByLimits = 0;     // deleted for their depth
    // Lines where the window was too small to judge most soundings (FlagSpikes warns
    // through the port when these are most of the lines).
    size_t ThinLines = 0;
    size_t Total() const { return BySpread + ByLimits; }
};

// How the lines' filtering is shared between threads: lines are independent.
inline constexpr ParallelSettings kSpikeParallel{.minimum = 64, .parts = 2, .slices = 8, .sliceMinimum = 64};

// What the options' refusal says, empty when they are fine.
std::string SpikeOptionsRefusal(const SpikeOptions& options);

// Edit > Quality Control > Flag Spikes with these options: marks the spikes and the
// soundings outside the depth limits deleted (ordinary deletion flags, which Restore
// clears) and recalculates when any was. The lines are those of FindLines with the
// options' line settings. Nothing else changes. Without lines the depth limits still
// apply; with neither, or with options it refuses, it says why through the port and
// returns false, the survey untouched.
bool FlagSpikes(CVKDoc& doc, const SpikeOptions& options, SpikeResult& result, UserPort& port,
                const ParallelSettings& parallel = kSpikeParallel);

}  // namespace aq
