// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/crossings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/corrected.h"

namespace aq {

const char* CrossingStatusName(CrossingStatus status) {
    switch (status) {
        case CrossingStatus::Accepted: return "ok";
        case CrossingStatus::TooFar: return "distance";
        case CrossingStatus::TooSteep: return "slope";
    }
    return "";
}

double Crossing::Ratio(S44Order order) const { return std::abs(Delta) / Tvu(order, Depth); }

std::string CrossingOptionsRefusal(const CrossingOptions& o) {
    if (!std::isfinite(o.MaxDistance) || o.MaxDistance <= 0)
        return "The largest distance to a sounding must be more than 0 metres.";
    if (!std::isfinite(o.MaxSlope) || o.MaxSlope <= 0) return "The largest slope must be more than 0.";
    return {};
}

std::string NoMainAndCrossText(size_t mainLines, size_t crossLines) {
    return "Crossings need main lines and crosslines: the survey has " + std::to_string(mainLines) +
           " main lines and " + std::to_string(crossLines) +
           " crosslines. Name the crosslines, or change the heading tolerance.";
}

CrossingStatistics ComputeCrossingStatistics(const std::vector<Crossing>& crossings) {
    CrossingStatistics st;
    std::vector<double> magnitudes;
    double sum = 0, squares = 0;
    std::array<size_t, kS44Orders.size()> within{};
    for (const Crossing& c : crossings) {
        if (c.Status != CrossingStatus::Accepted) continue;
        sum += c.Delta;
        squares += c.Delta * c.Delta;
        magnitudes.push_back(std::abs(c.Delta));
        for (size_t o = 0; o < kS44Orders.size(); ++o)
            if (std::abs(c.Delta) <= Tvu(kS44Orders[o], c.Depth)) ++within[o];
    }
    st.Count = magnitudes.size();
    if (st.Count == 0) return st;
    const double n = static_cast<double>(st.Count);
    st.Mean = sum / n;
    st.Rms = std::sqrt(squares / n);
    if (st.Count > 1) {
        double dev = 0;
        for (const Crossing& c : crossings)
            if (c.Status == CrossingStatus::Accepted) dev += (c.Delta - st.Mean) * (c.Delta - st.Mean);
        st.StdDev = std::sqrt(dev / (n - 1));
    }
    // Nearest rank: the smallest value at least 95 % of the values do not exceed.
    const size_t rank = static_cast<size_t>(std::ceil(0.95 * n));
    const size_t k = std::clamp<size_t>(rank, 1, st.Count) - 1;
    std::nth_element(magnitudes.begin(), magnitudes.begin() + static_cast<std::ptrdiff_t>(k), magnitudes.end());
    st.P95 = magnitudes[k];
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        st.PercentWithin[o] = 100.0 * static_cast<double>(within[o]) / n;
        st.Pass[o] = within[o] * 100 >= st.Count * 95;
    }
    return st;
}

namespace {

// The track of a line between two of its positions.
struct Segment {
    uint32_t fix;   // the first position, in LineSet::Fixes
    uint32_t line;  // in LineSet::Lines
};

// A uniform grid of cells over the main lines' track, each holding the segments whose
// bounding box touches it (compressed: the segments of cell c are items[start[c],
// start[c + 1])).
class SegmentGrid {
public:
    SegmentGrid(const std::vector<TrackFix>& fixes, const std::vector<Segment>& segments) : fixes_(fixes) {
        double minE = std::numeric_limits<double>::max(), minN = minE;
        double maxE = -minE, maxN = -minE;
        double total = 0;
        for (const Segment& s : segments) {
            const TrackFix& a = fixes[s.fix];
            const TrackFix& b = fixes[s.fix + 1];
            minE = std::min({minE, a.East, b.East});
            maxE = std::max({maxE, a.East, b.East});
            minN = std::min({minN, a.North, b.North});
            maxN = std::max({maxN, a.North, b.North});
            total += std::hypot(b.East - a.East, b.North - a.North);
        }
        e0_ = minE;
        n0_ = minN;
        const double width = std::max(maxE - minE, 1e-3), height = std::max(maxN - minN, 1e-3);
        // Cells of about twice a segment's length hold a few segments of each line that
        // passes, yet no more cells than a few per segment.
        const double count = static_cast<double>(std::max<size_t>(segments.size(), 1));
        cell_ = std::max({2.0 * total / count, std::sqrt(width * height / (4.0 * count)), 1e-3});
        nx_ = static_cast<int64_t>(width / cell_) + 1;
        ny_ = static_cast<int64_t>(height / cell_) + 1;

        start_.assign(static_cast<size_t>(nx_ * ny_ + 1), 0);
        for (const Segment& s : segments) {
            const Box b = BoxOf(s.fix);
            for (int64_t y = b.y0; y <= b.y1; ++y)
                for (int64_t x = b.x0; x <= b.x1; ++x) ++start_[static_cast<size_t>(y * nx_ + x + 1)];
        }
        for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        items_.resize(start_.back());
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (uint32_t i = 0; i < segments.size(); ++i) {
            const Box b = BoxOf(segments[i].fix);
            for (int64_t y = b.y0; y <= b.y1; ++y)
                for (int64_t x = b.x0; x <= b.x1; ++x) items_[fill[static_cast<size_t>(y * nx_ + x)]++] = i;
        }
    }

    // The cells a segment's bounding box covers, clamped to the grid (a box outside it
    // comes back empty).
    struct Box {
        int64_t x0, y0, x1, y1;
        bool Empty() const { return x0 > x1 || y0 > y1; }
    };
    Box BoxOf(uint32_t fix) const {
        const TrackFix& a = fixes_[fix];
        const TrackFix& b = fixes_[fix + 1];
        return {Cell(std::min(a.East, b.East) - e0_, nx_), Cell(std::min(a.North, b.North) - n0_, ny_),
                Cell(std::max(a.East, b.East) - e0_, nx_, true), Cell(std::max(a.North, b.North) - n0_, ny_, true)};
    }
    // Segments of cell (x, y).
    const uint32_t* Begin(int64_t x, int64_t y) const { return items_.data() + start_[static_cast<size_t>(y * nx_ + x)]; }
    const uint32_t* End(int64_t x, int64_t y) const { return items_.data() + start_[static_cast<size_t>(y * nx_ + x + 1)]; }

private:
    // The cell of an offset: clamped to the grid at the low end for a lower edge and at the
    // high end for an upper one, so that a box beyond the grid is empty.
    int64_t Cell(double offset, int64_t cells, bool upper = false) const {
        const double c = std::floor(offset / cell_);
        if (c < 0) return upper ? -1 : 0;
        if (c >= static_cast<double>(cells)) return upper ? cells - 1 : cells;
        return static_cast<int64_t>(c);
    }

    const std::vector<TrackFix>& fixes_;
    double e0_ = 0, n0_ = 0, cell_ = 1;
    int64_t nx_ = 1, ny_ = 1;
    std::vector<uint32_t> start_;
    std::vector<uint32_t> items_;
};

// What one line measured at a crossing.
struct Side {
    bool found = false;   // soundings on both sides of the moment
    double level = 0;     // metres
    double depth = 0;     // metres
    double nearest = 0;   // metres from the crossing to the nearer sounding
    double slope = 0;     // level difference of the two soundings over their distance
};

// The line's corrected seabed level at moment t (hundredths) and place (e, n), from the
// two soundings either side of t along the line.
Side SideAt(const CVKDoc& doc, const LineSet& set, const SurveyLine& line, double t, double e, double n) {
    Side side;
    const auto first = set.Soundings.begin() + line.SoundingBegin;
    const auto last = set.Soundings.begin() + line.SoundingEnd;
    const auto after = std::partition_point(first, last, [&](uint32_t i) {
        return static_cast<double>(doc.Records[i].TimeHundredths()) <= t;
    });
    if (after == first || after == last) return side;
    const CVKData& a = doc.Records[*(after - 1)];
    const CVKData& b = doc.Records[*after];
    const double ta = static_cast<double>(a.TimeHundredths());
    const double tb = static_cast<double>(b.TimeHundredths());
    const double f = tb > ta ? std::clamp((t - ta) / (tb - ta), 0.0, 1.0) : 0.5;
    const double la = ExportedLevel(a), lb = ExportedLevel(b);
    side.found = true;
    side.level = la + f * (lb - la);
    side.depth = (a.Depth + f * (b.Depth - a.Depth)) / 100.0;
    double ae, an, be, bn;
    set.Frame.ToMetres(a, ae, an);
    set.Frame.ToMetres(b, be, bn);
    side.nearest = std::min(std::hypot(ae - e, an - n), std::hypot(be - e, bn - n));
    // Soundings closer than a centimetre are taken a centimetre apart.
    side.slope = std::abs(lb - la) / std::max(std::hypot(be - ae, bn - an), 0.01);
    return side;
}

}  // namespace

CrossingResult FindCrossings(const CVKDoc& doc, const LineSet& set, const CrossingOptions& o) {
    CrossingResult result;
    UserPort& port = doc.Port();
    port.BeginPhase("Finding Crossings");
    port.SetProgress(0);

    std::vector<Segment> mains, crosses;
    for (uint32_t l = 0; l < set.Lines.size(); ++l) {
        const SurveyLine& line = set.Lines[l];
        if (line.Kind == LineKind::Other) continue;
        std::vector<Segment>& to = line.Kind == LineKind::Main ? mains : crosses;
        for (uint32_t k = line.FixBegin; k + 1 < line.FixEnd; ++k) to.push_back({k, l});
    }
    if (mains.empty() || crosses.empty()) {
        port.EndPhase();
        return result;
    }
    const SegmentGrid grid(set.Fixes, mains);
    port.SetProgress(20);

    const std::vector<TrackFix>& fx = set.Fixes;
    const size_t step = std::max<size_t>(crosses.size() / 16, 1);
    for (size_t q = 0; q < crosses.size(); ++q) {
        if (q % step == 0) port.SetProgress(20 + static_cast<int>(q * 80 / crosses.size()));
        const Segment& cs = crosses[q];
        const SurveyLine& crossLine = set.Lines[cs.line];
        const SegmentGrid::Box cb = grid.BoxOf(cs.fix);
        if (cb.Empty()) continue;
        const TrackFix& c0 = fx[cs.fix];
        const TrackFix& c1 = fx[cs.fix + 1];
        const double se = c1.East - c0.East, sn = c1.North - c0.North;
        // A crossing at a position shared by two segments belongs to the later one,
        // except at the line's last position.
        const bool crossLast = cs.fix + 2 == crossLine.FixEnd;
        for (int64_t y = cb.y0; y <= cb.y1; ++y) {
            for (int64_t x = cb.x0; x <= cb.x1; ++x) {
                for (const uint32_t* it = grid.Begin(x, y); it != grid.End(x, y); ++it) {
                    const Segment& ms = mains[*it];
                    // A pair whose boxes share several cells is tested in the first of them only.
                    const SegmentGrid::Box mb = grid.BoxOf(ms.fix);
                    if (x != std::max(cb.x0, mb.x0) || y != std::max(cb.y0, mb.y0)) continue;
                    const TrackFix& m0 = fx[ms.fix];
                    const TrackFix& m1 = fx[ms.fix + 1];
                    const double re = m1.East - m0.East, rn = m1.North - m0.North;
                    const double denom = re * sn - rn * se;
                    if (denom == 0) continue;  // parallel: no single crossing
                    const double qe = c0.East - m0.East, qn = c0.North - m0.North;
                    const double t = (qe * sn - qn * se) / denom;  // along the main segment
                    const double u = (qe * rn - qn * re) / denom;  // along the cross segment
                    const SurveyLine& mainLine = set.Lines[ms.line];
                    const bool mainLast = ms.fix + 2 == mainLine.FixEnd;
                    if (t < 0 || (mainLast ? t > 1 : t >= 1) || u < 0 || (crossLast ? u > 1 : u >= 1)) continue;
                    const double e = m0.East + t * re, n = m0.North + t * rn;
                    const double mt = static_cast<double>(m0.Time) + t * static_cast<double>(m1.Time - m0.Time);
                    const double ct = static_cast<double>(c0.Time) + u * static_cast<double>(c1.Time - c0.Time);
                    const Side ms1 = SideAt(doc, set, mainLine, mt, e, n);
                    const Side cs1 = SideAt(doc, set, crossLine, ct, e, n);
                    Crossing c;
                    c.East = set.Frame.EastingOf(e);
                    c.North = set.Frame.NorthingOf(n);
                    c.MainLine = mainLine.Number;
                    c.CrossLine = crossLine.Number;
                    c.MainTime = std::llround(mt);
                    c.CrossTime = std::llround(ct);
                    c.MainLevel = ms1.level;
                    c.CrossLevel = cs1.level;
                    c.Depth = (ms1.depth + cs1.depth) / 2;
                    c.Delta = c.MainLevel - c.CrossLevel;
                    if (!ms1.found || !cs1.found || ms1.nearest > o.MaxDistance || cs1.nearest > o.MaxDistance)
                        c.Status = CrossingStatus::TooFar;
                    else if (ms1.slope > o.MaxSlope || cs1.slope > o.MaxSlope)
                        c.Status = CrossingStatus::TooSteep;
                    result.Crossings.push_back(c);
                }
            }
        }
    }
    std::stable_sort(result.Crossings.begin(), result.Crossings.end(), [](const Crossing& a, const Crossing& b) {
        return a.CrossTime != b.CrossTime ? a.CrossTime < b.CrossTime : a.MainTime < b.MainTime;
    });
    result.Rejected = static_cast<size_t>(std::count_if(result.Crossings.begin(), result.Crossings.end(), [](const Crossing& c) {
        return c.Status != CrossingStatus::Accepted;
    }));
    result.Stats = ComputeCrossingStatistics(result.Crossings);
    port.SetProgress(100);
    port.EndPhase();
    return result;
}

bool SurveyCrossings(const CVKDoc& doc, const LineOptions& lineOptions, const CrossingOptions& options,
                     LineSet& lines, CrossingResult& out) {
    if (const std::string refusal = CrossingOptionsRefusal(options); !refusal.empty()) {
        doc.Port().Message(refusal, Severity::Error);
        return false;
    }
    if (!SurveyLines(doc, lineOptions, lines)) return false;
    const size_t mains = lines.Count(LineKind::Main), crosses = lines.Count(LineKind::Cross);
    if (mains == 0 || crosses == 0) {
        doc.Port().Message(NoMainAndCrossText(mains, crosses), Severity::Error);
        return false;
    }
    out = FindCrossings(doc, lines, options);
    if (out.Crossings.empty()) {
        doc.Port().Message(NO_CROSSINGS, Severity::Error);
        return false;
    }
    return true;
}

namespace {

void AppendValue(std::string& s, const char* name, double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s=%.*f\n", name, decimals, v);
    s += buf;
}

}  // namespace

std::string CrossingSummaryText(const CrossingResult& r) {
    std::string s;
    s += "crossings=" + std::to_string(r.Crossings.size()) + "\n";
    s += "accepted=" + std::to_string(r.Stats.Count) + "\n";
    s += "rejected=" + std::to_string(r.Rejected) + "\n";
    AppendValue(s, "bias_m", r.Stats.Mean, 3);
    AppendValue(s, "stddev_m", r.Stats.StdDev, 3);
    AppendValue(s, "rms_m", r.Stats.Rms, 3);
    AppendValue(s, "p95_abs_m", r.Stats.P95, 3);
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        const std::string word = S44Word(kS44Orders[o]);
        AppendValue(s, ("within_" + word + "_pct").c_str(), r.Stats.PercentWithin[o], 1);
        s += "pass_" + word + "=" + (r.Stats.Count > 0 && r.Stats.Pass[o] ? "yes" : "no") + "\n";
    }
    return s;
}

}  // namespace aq
