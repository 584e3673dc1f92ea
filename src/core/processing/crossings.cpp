// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/crossings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

#include "model/corrected.h"
#include "model/platform.h"

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

namespace {

// The statistics of the differences `each` hands out: each(f) calls f(delta, depth) for
// every one of them, in the same order each time it is called (twice).
template <class Each>
CrossingStatistics StatisticsOf(size_t count, Each each) {
    CrossingStatistics st;
    st.Count = count;
    if (st.Count == 0) return st;
    std::vector<double> magnitudes;
    magnitudes.reserve(st.Count);
    platform::AdviseHugePages(magnitudes.data(), st.Count * sizeof(double));
    double sum = 0, squares = 0;
    std::array<size_t, kS44Orders.size()> within{};
    each([&](double d, double depth) {
        sum += d;
        squares += d * d;
        magnitudes.push_back(std::abs(d));
        for (size_t o = 0; o < kS44Orders.size(); ++o)
            if (std::abs(d) <= Tvu(kS44Orders[o], depth)) ++within[o];
    });
    const double n = static_cast<double>(st.Count);
    st.Mean = sum / n;
    st.Rms = std::sqrt(squares / n);
    if (st.Count > 1) {
        double dev = 0;
        each([&](double d, double) { dev += (d - st.Mean) * (d - st.Mean); });
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

}  // namespace

CrossingStatistics ComputeCrossingStatistics(const std::vector<Crossing>& crossings) {
    const size_t accepted = static_cast<size_t>(std::count_if(crossings.begin(), crossings.end(), [](const Crossing& c) {
        return c.Status == CrossingStatus::Accepted;
    }));
    return StatisticsOf(accepted, [&](const auto& f) {
        for (const Crossing& c : crossings)
            if (c.Status == CrossingStatus::Accepted) f(c.Delta, c.Depth);
    });
}

CrossingStatistics DifferenceStatistics(std::span<const double> deltas, std::span<const double> depths) {
    return StatisticsOf(deltas.size(), [&](const auto& f) {
        for (size_t i = 0; i < deltas.size(); ++i) f(deltas[i], depths[i]);
    });
}

namespace {

// The track of a line between two of its positions.
struct Segment {
    uint32_t fix;   // the first position, in LineSet::Fixes
    uint32_t line;  // in LineSet::Lines
};

// A uniform grid of cells over the main lines' track, each holding (a copy of) the
// segments whose bounding box touches it, so that a query reads one cell's segments from
// one stretch of memory: the segments of cell c are items[start[c], start[c + 1]).
class SegmentGrid {
public:
    struct Item {
        double e0, n0, e1, n1;
        uint32_t segment;
        int32_t x0, y0;  // the first cell of the segment's box
        bool last;       // the last segment of its line, which owns its end too
    };
    // The cells a box covers, clamped to the grid (a box outside it comes back empty).
    struct Box {
        int64_t x0, y0, x1, y1;
        bool Empty() const { return x0 > x1 || y0 > y1; }
    };

    SegmentGrid(const std::vector<TrackFix>& fixes, const std::vector<Segment>& segments,
                const std::vector<SurveyLine>& lines) {
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
        std::vector<Box> boxes(segments.size());
        for (size_t i = 0; i < segments.size(); ++i) {
            const TrackFix& a = fixes[segments[i].fix];
            const TrackFix& b = fixes[segments[i].fix + 1];
            boxes[i] = BoxOf(a.East, a.North, b.East, b.North);
            const Box& bx = boxes[i];
            for (int64_t y = bx.y0; y <= bx.y1; ++y)
                for (int64_t x = bx.x0; x <= bx.x1; ++x) ++start_[static_cast<size_t>(y * nx_ + x + 1)];
        }
        for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        items_.reserve(start_.back());
        platform::AdviseHugePages(items_.data(), start_.back() * sizeof(Item));
        items_.resize(start_.back());
        std::vector<size_t> fill(start_.begin(), start_.end() - 1);
        for (size_t i = 0; i < segments.size(); ++i) {
            const TrackFix& a = fixes[segments[i].fix];
            const TrackFix& b = fixes[segments[i].fix + 1];
            const Box& bx = boxes[i];
            const Item item{a.East, a.North, b.East, b.North, static_cast<uint32_t>(i), static_cast<int32_t>(bx.x0),
                            static_cast<int32_t>(bx.y0), segments[i].fix + 2 == lines[segments[i].line].FixEnd};
            for (int64_t y = bx.y0; y <= bx.y1; ++y)
                for (int64_t x = bx.x0; x <= bx.x1; ++x) items_[fill[static_cast<size_t>(y * nx_ + x)]++] = item;
        }
    }

    Box BoxOf(double ea, double na, double eb, double nb) const {
        return {Cell(std::min(ea, eb) - e0_, nx_), Cell(std::min(na, nb) - n0_, ny_), Cell(std::max(ea, eb) - e0_, nx_, true),
                Cell(std::max(na, nb) - n0_, ny_, true)};
    }
    // Segments of cell (x, y).
    const Item* Begin(int64_t x, int64_t y) const { return items_.data() + start_[static_cast<size_t>(y * nx_ + x)]; }
    const Item* End(int64_t x, int64_t y) const { return items_.data() + start_[static_cast<size_t>(y * nx_ + x + 1)]; }

private:
    // The cell of an offset: clamped to the grid at the low end for a lower edge and at the
    // high end for an upper one, so that a box beyond the grid is empty.
    int64_t Cell(double offset, int64_t cells, bool upper = false) const {
        const double c = std::floor(offset / cell_);
        if (c < 0) return upper ? -1 : 0;
        if (c >= static_cast<double>(cells)) return upper ? cells - 1 : cells;
        return static_cast<int64_t>(c);
    }

    double e0_ = 0, n0_ = 0, cell_ = 1;
    int64_t nx_ = 1, ny_ = 1;
    std::vector<size_t> start_;
    std::vector<Item> items_;
};

// Which side of the line through a and b the point p lies: the cross product, whose sign
// is all that is used. The same three points always give the same value, so a position
// shared by two segments of a track is judged alike from both.
double Orientation(double ae, double an, double be, double bn, double pe, double pn) {
    return (be - ae) * (pn - an) - (bn - an) * (pe - ae);
}

// Whether a segment from a point of orientation o0 to one of o1 crosses the line they
// are measured against. A segment owns its first point but not its last (unless it is
// the last of its line), so a crossing through a shared position is counted once.
bool Straddles(double o0, double o1, bool last) {
    if (o0 == 0) return o1 != 0;
    if (o1 == 0) return last;
    return (o0 < 0) != (o1 < 0);
}

// What one line measured at a crossing.
struct Side {
    bool found = false;   // soundings on both sides of the moment
    double level = 0;     // metres
    double depth = 0;     // metres
    double nearest = 0;   // metres from the crossing to the nearer sounding
    double slope = 0;     // level difference of the two soundings over their distance
};

// The line's corrected seabed level at moment t (hundredths) and place (e, n), from the
// two soundings either side of t along the line. The crossing lies between positions
// `fix` and `fix + 1`, so the search starts among the soundings logged between them.
Side SideAt(const CVKDoc& doc, const LineSet& set, const SurveyLine& line, uint32_t fix, double t, double e, double n) {
    Side side;
    const auto timeOf = [&](uint32_t k) { return static_cast<double>(doc.Records[set.Soundings[k]].TimeHundredths()); };
    // The first sounding after t: forward from the segment's first, or back from it.
    uint32_t k = std::clamp(set.SoundingsBefore[fix], line.SoundingBegin, line.SoundingEnd);
    while (k > line.SoundingBegin && timeOf(k - 1) > t) --k;
    while (k < line.SoundingEnd && timeOf(k) <= t) ++k;
    if (k == line.SoundingBegin || k == line.SoundingEnd) return side;
    const CVKData& a = doc.Records[set.Soundings[k - 1]];
    const CVKData& b = doc.Records[set.Soundings[k]];
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
    // Plain square roots: distances within a survey neither overflow nor underflow, and
    // hypot's care for that costs more than the rest of the measuring.
    const auto squared = [](double de, double dn) { return de * de + dn * dn; };
    side.nearest = std::sqrt(std::min(squared(ae - e, an - n), squared(be - e, bn - n)));
    // Soundings closer than a centimetre are taken a centimetre apart.
    side.slope = std::abs(lb - la) / std::max(std::sqrt(squared(be - ae, bn - an)), 0.01);
    return side;
}

// Where a crossline segment crosses a main line segment.
struct Hit {
    uint32_t mainSegment, crossSegment;
    double t;          // how far along the main segment, 0 to 1
    double crossTime;  // hundredths of a second
};

// The hits one thread finds, in blocks that never move: a vector's growth would copy a
// survey's millions of them again and again. Huge pages where the system has them, as
// the measuring visits them in another order than they were found.
class HitBlocks {
public:
    static constexpr size_t kShift = 18, kBlock = size_t{1} << kShift;
    void Append(const Hit* hits, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            if ((size_ & (kBlock - 1)) == 0) {
                blocks_.emplace_back(new Hit[kBlock]);
                platform::AdviseHugePages(blocks_.back().get(), kBlock * sizeof(Hit));
            }
            blocks_.back()[size_ & (kBlock - 1)] = hits[i];
            ++size_;
        }
    }
    size_t size() const { return size_; }
    const Hit& operator[](size_t i) const { return blocks_[i >> kShift][i & (kBlock - 1)]; }

private:
    std::vector<std::unique_ptr<Hit[]>> blocks_;
    size_t size_ = 0;
};

}  // namespace

CrossingResult FindCrossings(const CVKDoc& doc, const LineSet& set, const CrossingOptions& o, UserPort* progressPort,
                             const ParallelSettings& parallel) {
    CrossingResult result;
    SilentPort quiet;
    UserPort& port = progressPort ? *progressPort : quiet;
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
    const SegmentGrid grid(set.Fixes, mains, set.Lines);
    port.SetProgress(10);

    // First where the tracks cross; then what each line measured there, the main lines'
    // soundings visited in record order so that a large survey is read front to back.
    const std::vector<TrackFix>& fx = set.Fixes;
    const unsigned parts = std::max(parallel.parts, 1u);
    std::vector<HitBlocks> found(parts);
    const auto progress = [&](int from, int span, size_t total) {
        return [&port, from, span, total](size_t done) {
            port.SetProgress(from + static_cast<int>(total ? done * static_cast<size_t>(span) / total : 0));
        };
    };
    ParallelFor(
        crosses.size(), parallel,
        [&](unsigned part, size_t begin, size_t end) {
            std::vector<Hit> hits;
            for (size_t q = begin; q < end; ++q) {
                const Segment& cs = crosses[q];
                const TrackFix& c0 = fx[cs.fix];
                const TrackFix& c1 = fx[cs.fix + 1];
                const SegmentGrid::Box cb = grid.BoxOf(c0.East, c0.North, c1.East, c1.North);
                if (cb.Empty()) continue;
                const bool crossLast = cs.fix + 2 == set.Lines[cs.line].FixEnd;
                hits.clear();
                for (int64_t y = cb.y0; y <= cb.y1; ++y) {
                    for (int64_t x = cb.x0; x <= cb.x1; ++x) {
                        for (const SegmentGrid::Item* it = grid.Begin(x, y); it != grid.End(x, y); ++it) {
                            // A pair whose boxes share several cells is tested in the first of them.
                            if (x != std::max<int64_t>(cb.x0, it->x0) || y != std::max<int64_t>(cb.y0, it->y0)) continue;
                            const double p0 = Orientation(it->e0, it->n0, it->e1, it->n1, c0.East, c0.North);
                            const double p1 = Orientation(it->e0, it->n0, it->e1, it->n1, c1.East, c1.North);
                            if (!Straddles(p0, p1, crossLast)) continue;
                            const double o0 = Orientation(c0.East, c0.North, c1.East, c1.North, it->e0, it->n0);
                            const double o1 = Orientation(c0.East, c0.North, c1.East, c1.North, it->e1, it->n1);
                            if (!Straddles(o0, o1, it->last)) continue;
                            const double t = o0 / (o0 - o1);  // along the main segment
                            const double u = p0 / (p0 - p1);  // along the cross segment
                            hits.push_back({it->segment, static_cast<uint32_t>(q), t,
                                            static_cast<double>(c0.Time) + u * static_cast<double>(c1.Time - c0.Time)});
                        }
                    }
                }
                // The segments come in time order: with the crossings of each in the order
                // of the crossline's time to the hundredth, the whole list is.
                std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
                    return std::llround(a.crossTime) < std::llround(b.crossTime);
                });
                found[part].Append(hits.data(), hits.size());
            }
        },
        progress(10, 40, crosses.size()));
    // Hit i of the survey is hit i - offset[p] of part p.
    std::vector<size_t> offset(parts + 1, 0);
    for (unsigned p = 0; p < parts; ++p) offset[p + 1] = offset[p] + found[p].size();
    const size_t total = offset[parts];
    const auto hitAt = [&](size_t i) -> const Hit& {
        unsigned p = 0;
        while (i >= offset[p + 1]) ++p;
        return found[p][i - offset[p]];
    };

    // What the main lines measured, in the order of their segments (which is record
    // order), so that a large survey is read front to back: the hits are sorted by
    // counting into that order (a survey that runs its lines day after day has millions)
    // with only what the measuring needs.
    struct MainQuery {
        uint32_t hit, segment;
        double t;
    };
    std::unique_ptr<MainQuery[]> queries(new MainQuery[total]);
    platform::AdviseHugePages(queries.get(), total * sizeof(MainQuery));
    {
        std::vector<uint32_t> start(mains.size() + 1, 0);
        for (size_t i = 0; i < total; ++i) ++start[hitAt(i).mainSegment + 1];
        for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
        for (size_t i = 0; i < total; ++i) {
            const Hit& h = hitAt(i);
            queries[start[h.mainSegment]++] = {static_cast<uint32_t>(i), h.mainSegment, h.t};
        }
    }
    result.Crossings.reserve(total);
    platform::AdviseHugePages(result.Crossings.data(), total * sizeof(Crossing));
    // A survey run day after day has millions of crossings: their fresh memory is faulted
    // in on both threads before it is filled, where filling it would take every fault on
    // one (most of the time of this step on a virtual machine, whose faults are slow).
    ParallelFor(total * sizeof(Crossing), parallel, [&](unsigned, size_t begin, size_t end) {
        constexpr size_t kHuge = size_t{2} << 20;
        const auto base = reinterpret_cast<uintptr_t>(result.Crossings.data());
        const uintptr_t lo = (base + begin + kHuge - 1) & ~(kHuge - 1);
        const uintptr_t hi = (base + end + kHuge - 1) & ~(kHuge - 1);
        if (hi > lo) platform::FaultInPages(reinterpret_cast<void*>(lo), std::min(hi, base + total * sizeof(Crossing)) - lo);
    });
    result.Crossings.resize(total);
    // What the main line measured goes straight into the crossing, with a status of its
    // own and its depth until the crossline's is averaged in.
    ParallelFor(
        total, parallel,
        [&](unsigned, size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                const MainQuery& q = queries[k];
                const Segment& ms = mains[q.segment];
                const TrackFix& m0 = fx[ms.fix];
                const TrackFix& m1 = fx[ms.fix + 1];
                const double time = static_cast<double>(m0.Time) + q.t * static_cast<double>(m1.Time - m0.Time);
                const double e = m0.East + q.t * (m1.East - m0.East), n = m0.North + q.t * (m1.North - m0.North);
                const Side side = SideAt(doc, set, set.Lines[ms.line], ms.fix, time, e, n);
                Crossing& c = result.Crossings[q.hit];
                c.East = e;
                c.North = n;
                c.MainLine = set.Lines[ms.line].Number;
                c.MainTime = std::llround(time);
                c.MainLevel = side.level;
                c.Depth = side.depth;
                c.Status = !side.found || side.nearest > o.MaxDistance ? CrossingStatus::TooFar
                           : side.slope > o.MaxSlope                   ? CrossingStatus::TooSteep
                                                                       : CrossingStatus::Accepted;
            }
        },
        progress(50, 25, total));
    queries.reset();
    ParallelFor(
        total, parallel,
        [&](unsigned, size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                const Hit& h = hitAt(i);
                const Segment& cs = crosses[h.crossSegment];
                Crossing& c = result.Crossings[i];
                // The main line's pass left the crossing's place in the local frame.
                const Side side = SideAt(doc, set, set.Lines[cs.line], cs.fix, h.crossTime, c.East, c.North);
                c.East = set.Frame.EastingOf(c.East);
                c.North = set.Frame.NorthingOf(c.North);
                c.CrossLine = set.Lines[cs.line].Number;
                c.CrossTime = std::llround(h.crossTime);
                c.CrossLevel = side.level;
                c.Depth = (c.Depth + side.depth) / 2;
                c.Delta = c.MainLevel - c.CrossLevel;
                // Too far on either line outweighs too steep on either.
                if (!side.found || side.nearest > o.MaxDistance)
                    c.Status = CrossingStatus::TooFar;
                else if (c.Status == CrossingStatus::Accepted && side.slope > o.MaxSlope)
                    c.Status = CrossingStatus::TooSteep;
            }
        },
        progress(75, 20, total));
    found.clear();
    // In the order of the crossline's time, then the main line's, each to the hundredth:
    // the crossings of one moment of the crossline (the same place of a line run day after
    // day) still need the second; anything else means it is all to sort.
    const auto earlier = [](const Crossing& a, const Crossing& b) {
        return a.CrossTime != b.CrossTime ? a.CrossTime < b.CrossTime : a.MainTime < b.MainTime;
    };
    std::vector<Crossing>& all = result.Crossings;
    if (std::is_sorted(all.begin(), all.end(), [](const Crossing& a, const Crossing& b) { return a.CrossTime < b.CrossTime; })) {
        for (auto run = all.begin(); run != all.end();) {
            const auto next = std::find_if(run, all.end(), [&](const Crossing& c) { return c.CrossTime != run->CrossTime; });
            if (next - run > 1) std::stable_sort(run, next, earlier);
            run = next;
        }
    } else {
        std::stable_sort(all.begin(), all.end(), earlier);
    }
    result.Rejected = static_cast<size_t>(std::count_if(result.Crossings.begin(), result.Crossings.end(), [](const Crossing& c) {
        return c.Status != CrossingStatus::Accepted;
    }));
    result.Stats = ComputeCrossingStatistics(result.Crossings);
    port.SetProgress(100);
    port.EndPhase();
    return result;
}

bool SurveyCrossings(const CVKDoc& doc, const LineOptions& lineOptions, const CrossingOptions& options,
                     LineSet& lines, CrossingResult& out, UserPort& port) {
    if (const std::string refusal = CrossingOptionsRefusal(options); !refusal.empty()) {
        port.Message(refusal, Severity::Error);
        return false;
    }
    if (!SurveyLines(doc, lineOptions, lines, port)) return false;
    const size_t mains = lines.Count(LineKind::Main), crosses = lines.Count(LineKind::Cross);
    if (mains == 0 || crosses == 0) {
        port.Message(NoMainAndCrossText(mains, crosses), Severity::Error);
        return false;
    }
    out = FindCrossings(doc, lines, options, &port);
    if (out.Crossings.empty()) {
        port.Message(NO_CROSSINGS, Severity::Error);
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

std::string CrossingStatisticsText(const CrossingStatistics& st, const std::string& prefix) {
    // A figure of no difference at all is "-", not 0: a bias of 0.000 would read as a
    // perfect result. The spread needs two differences.
    std::string s;
    const auto value = [&](const std::string& name, double v, int decimals, size_t needs) {
        if (st.Count >= needs)
            AppendValue(s, (prefix + name).c_str(), v, decimals);
        else
            s += prefix + name + "=-\n";
    };
    value("bias_m", st.Mean, 3, 1);
    value("stddev_m", st.StdDev, 3, 2);
    value("rms_m", st.Rms, 3, 1);
    value("p95_abs_m", st.P95, 3, 1);
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        const std::string word = S44Word(kS44Orders[o]);
        value("within_" + word + "_pct", st.PercentWithin[o], 1, 1);
        s += prefix + "pass_" + word + "=" + (st.Count > 0 && st.Pass[o] ? "yes" : "no") + "\n";
    }
    return s;
}

std::string CrossingSummaryText(const CrossingResult& r) {
    std::string s;
    s += "crossings=" + std::to_string(r.Crossings.size()) + "\n";
    s += "accepted=" + std::to_string(r.Stats.Count) + "\n";
    s += "rejected=" + std::to_string(r.Rejected) + "\n";
    return s + CrossingStatisticsText(r.Stats, "");
}

}  // namespace aq
