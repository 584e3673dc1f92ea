// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/doc.h"
#include "model/parallel.h"
#include "processing/lines.h"
#include "processing/s44.h"

// Crossings: where a crossline runs over a main line, the seabed each measured there is
// compared, and the differences are judged against the S-44 allowances.
namespace aq {

struct CrossingOptions {
    // A crossing is rejected when, on either line, the nearer of the two soundings it is
    // interpolated from lies further than this from the crossing (metres) ...
    double MaxDistance = 5.0;
    // ... or the two soundings differ in level by more than this slope (rise over run),
    // where an interpolation between them means little. Neighbouring soundings of a fast
    // sounder lie a decimetre or two apart, so their noise alone makes a few centimetres
    // over such a run: the default leaves room for it.
    double MaxSlope = 0.5;
};

enum class CrossingStatus { Accepted, TooFar, TooSteep };
// "ok", "distance", "slope".
const char* CrossingStatusName(CrossingStatus status);

struct Crossing {
    double East = 0, North = 0;  // the document's units: metres, or degrees when geographic
    int MainLine = 0, CrossLine = 0;
    int64_t MainTime = 0, CrossTime = 0;  // hundredths of a second
    // The corrected seabed level of each line there, metres (as XYZ exports it).
    double MainLevel = 0, CrossLevel = 0;
    // The depth the allowance is taken at: the mean of the two lines' measured depths.
    double Depth = 0;
    // The crossline's depth less the main line's: MainLevel - CrossLevel. Positive when
    // the crossline finds the seabed deeper.
    double Delta = 0;
    CrossingStatus Status = CrossingStatus::Accepted;

    // |Delta| / TVU(Depth) of an order.
    double Ratio(S44Order order) const;
};

struct CrossingStatistics {
    size_t Count = 0;     // accepted crossings
    double Mean = 0;      // bias, metres
    double StdDev = 0;    // about the mean, n - 1 in the divisor
    double Rms = 0;
    double P95 = 0;       // 95th percentile of |Delta| (nearest rank)
    // Per order, in the order of kS44Orders: the share within TVU, per cent, and
    // whether at least 95 % are.
    std::array<double, kS44Orders.size()> PercentWithin{};
    std::array<bool, kS44Orders.size()> Pass{};
};

struct CrossingResult {
    // Every intersection of a crossline with a main line, accepted or not, in the order
    // of the crosslines' times.
    std::vector<Crossing> Crossings;
    size_t Rejected = 0;
    CrossingStatistics Stats;  // of the accepted ones
};

// The statistics of the accepted crossings of a list.
CrossingStatistics ComputeCrossingStatistics(const std::vector<Crossing>& crossings);
// The same statistics of any differences, each with the depth its allowance is taken at
// (the node comparison's soundings against a surface).
CrossingStatistics DifferenceStatistics(std::span<const double> deltas, std::span<const double> depths);

// How the search and the measuring are shared between threads.
inline constexpr ParallelSettings kCrossingParallel{.minimum = 4096, .parts = 2, .slices = 8, .sliceMinimum = 4096};

// Every crossing of the lines' crosslines with their main lines. Shows its progress
// through `progress` when there is one; never changes the document.
CrossingResult FindCrossings(const CVKDoc& doc, const LineSet& lines, const CrossingOptions& options,
                             UserPort* progress = nullptr, const ParallelSettings& parallel = kCrossingParallel);

// What the options' refusal says, empty when they are fine.
std::string CrossingOptionsRefusal(const CrossingOptions& options);

// Edit > Quality Control > Crossings: the lines, then their crossings, into `lines` and
// `out`; false with the reason shown through the port (options refused, no positions,
// no lines, no main lines or no crosslines, no crossing at all).
bool SurveyCrossings(const CVKDoc& doc, const LineOptions& lineOptions, const CrossingOptions& options,
                     LineSet& lines, CrossingResult& out, UserPort& port);

// The summary the window shows and the command line prints: "name=value" lines.
std::string CrossingSummaryText(const CrossingResult& result);
// Its statistics lines alone (bias_m= ... pass_2=), each name after `prefix`.
std::string CrossingStatisticsText(const CrossingStatistics& stats, const std::string& prefix);

// The refusal of a survey whose lines include no main line or no crossline.
std::string NoMainAndCrossText(size_t mainLines, size_t crossLines);
inline constexpr char NO_CROSSINGS[] = "No crossline runs over a main line.";

}  // namespace aq
