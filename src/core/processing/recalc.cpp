// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/recalc.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "model/muldiv.h"

namespace aq {

namespace {

const char* const kPhaseSort = "Time Sorting Data";
const char* const kPhaseInterpolate = "Interpolating Values";
const char* const kPhaseUpdate = "Updating Values";

// Progress of a phase: the bar moves at every hundredth of the records (at every record
// below a hundred), to MulDiv(i, 100, n).
class Progress {
public:
    Progress(UserPort& port, const char* phase, size_t n)
        : port_(port), n_(n), step_(n < 100 ? 1 : n / 100), countdown_(0) {
        port_.BeginPhase(phase);
    }
    ~Progress() { port_.EndPhase(); }
    void At(size_t i) {
        if (countdown_-- != 0) return;
        countdown_ = step_ - 1;
        port_.SetProgress(MulDiv(static_cast<int32_t>(i), 100, static_cast<int32_t>(n_)));
    }

private:
    UserPort& port_;
    size_t n_;
    size_t step_;
    size_t countdown_;
};

// Low 32 bits of a record's time in hundredths: every time difference is taken on them.
inline uint32_t TimeHundredths32(const CVKData& r) {
    return static_cast<uint32_t>(static_cast<uint64_t>(r.Time) * 100u + r.Hundredths);
}

// Where each run of records in time order starts, then n.
std::vector<size_t> FindRuns(const std::vector<CVKData>& recs) {
    std::vector<size_t> runs{0};
    for (size_t i = 1; i < recs.size(); ++i)
        if (recs[i].Time < recs[i - 1].Time) runs.push_back(i);
    runs.push_back(recs.size());
    return runs;
}

// Few long runs (what imports append): merge neighbouring runs of records in place.
// Each merge streams through memory and borrows a buffer no larger than the shorter run.
void MergeRuns(std::vector<CVKData>& recs, std::vector<size_t> runs) {
    const auto byTime = [](const CVKData& x, const CVKData& y) { return x.Time < y.Time; };
    while (runs.size() > 2) {
        std::vector<size_t> merged{0};
        size_t r = 0;
        for (; r + 2 < runs.size(); r += 2) {
            // inplace_merge keeps the first run's records first among equal seconds.
            std::inplace_merge(recs.begin() + static_cast<std::ptrdiff_t>(runs[r]),
                               recs.begin() + static_cast<std::ptrdiff_t>(runs[r + 1]),
                               recs.begin() + static_cast<std::ptrdiff_t>(runs[r + 2]), byTime);
            merged.push_back(runs[r + 2]);
        }
        if (merged.back() != recs.size()) merged.push_back(recs.size());
        runs = std::move(merged);
    }
}

// Many short runs: sort 16-byte keys, then move each record once, cycle by cycle.
void SortByKeys(std::vector<CVKData>& recs) {
    const size_t n = recs.size();
    struct Key {
        int64_t time;
        uint32_t index;
    };
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = {recs[i].Time, static_cast<uint32_t>(i)};
    std::stable_sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) { return x.time < y.time; });
    // Record i takes old record keys[i].index.
    for (size_t i = 0; i < n; ++i) {
        if (keys[i].index == i) continue;
        CVKData held = recs[i];
        size_t j = i;
        for (;;) {
            const size_t k = keys[j].index;
            keys[j].index = static_cast<uint32_t>(j);
            if (k == i) {
                recs[j] = held;
                break;
            }
            recs[j] = recs[k];
            j = k;
        }
    }
}

// Stable order by whole seconds, as an insertion sort would leave it.
void StableSortByTime(CVKDoc& doc) {
    std::vector<CVKData>& recs = doc.Records;
    std::vector<size_t> runs = FindRuns(recs);
    if (runs.size() <= 2) return;

    // The selection follows its record through the sort.
    const CVKData* sel = doc.SelectedRecord();
    const CVKData selected = sel ? *sel : CVKData::Zeroed();
    size_t sameBefore = 0;  // identical records before it, to tell copies apart
    if (sel)
        for (const CVKData* p = recs.data(); p != sel; ++p) sameBefore += *p == *sel;

    constexpr size_t kFewRuns = 64;
    if (runs.size() - 1 <= kFewRuns)
        MergeRuns(recs, std::move(runs));
    else
        SortByKeys(recs);

    if (sel) {
        const auto lo = std::lower_bound(recs.begin(), recs.end(), selected,
                                         [](const CVKData& x, const CVKData& y) { return x.Time < y.Time; });
        for (auto it = lo; it != recs.end() && it->Time == selected.Time; ++it) {
            if (!(*it == selected)) continue;
            if (sameBefore-- == 0) {
                doc.SelectedIndex = static_cast<int32_t>(it - recs.begin());
                break;
            }
        }
    }
}

// Interpolation of one kind's values into a record from its live neighbours of that kind.
// Neighbours are tracked while the records are walked in order, so each kind costs one
// pass rather than a search per record.
class Neighbours {
public:
    Neighbours(const std::vector<CVKData>& recs, uint16_t kind) : recs_(recs), kind_(kind), n_(recs.size()) {}

    // Moves to record i; after this Prev() and Next() are the nearest live records of the
    // kind before and after it (or n when there is none).
    void MoveTo(size_t i) {
        while (scanned_ < i) {
            if (recs_[scanned_].IsLive(kind_)) prev_ = scanned_;
            ++scanned_;
        }
        if (next_ <= i || next_ == kUnset) {
            size_t j = std::max(i + 1, next_ == kUnset ? 0 : next_);
            while (j < n_ && !recs_[j].IsLive(kind_)) ++j;
            next_ = j;
        }
    }
    size_t Prev() const { return prev_; }
    size_t Next() const { return next_; }
    bool Found() const { return prev_ != kUnset && next_ < n_; }

private:
    static constexpr size_t kUnset = static_cast<size_t>(-1);
    const std::vector<CVKData>& recs_;
    uint16_t kind_;
    size_t n_;
    size_t scanned_ = 0;
    size_t prev_ = kUnset;
    size_t next_ = kUnset;
};

struct Gap {
    int32_t a;  // time from the previous neighbour to the record
    int32_t s;  // time from the previous neighbour to the next
};

// The two gaps, when both lie within the limit.
inline bool WithinLimit(const CVKData& r, const CVKData& p, const CVKData& nx, int64_t limit, Gap& g) {
    const uint32_t tp = TimeHundredths32(p);
    g.a = static_cast<int32_t>(TimeHundredths32(r) - tp);
    g.s = static_cast<int32_t>(TimeHundredths32(nx) - tp);
    return g.a <= limit && Sub32(g.s, g.a) <= limit;
}

inline void TakePosition(CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    r.X = static_cast<int64_t>(static_cast<uint64_t>(p.X) +
                               static_cast<uint64_t>(int64_t{MulDiv(Sub32(Low32(nx.X), Low32(p.X)), g.a, g.s)}));
    r.Y = static_cast<int64_t>(static_cast<uint64_t>(p.Y) +
                               static_cast<uint64_t>(int64_t{MulDiv(Sub32(Low32(nx.Y), Low32(p.Y)), g.a, g.s)}));
    r.Z = Add32(p.Z, MulDiv(Sub32(nx.Z, p.Z), g.a, g.s));
}

inline void TakeDepth(CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    r.Depth = static_cast<int16_t>(Add32(p.Depth, MulDiv(nx.Depth - p.Depth, g.a, g.s)));
}

inline void TakeTide(CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    r.Tide = static_cast<int16_t>(Add32(p.Tide, MulDiv(nx.Tide - p.Tide, g.a, g.s)));
}

}  // namespace

void SortAndMeasure(CVKDoc& doc) {
    doc.XMin = doc.YMin = 2147483647;
    doc.XMax = doc.YMax = -2147483648LL;
    doc.FirstPosIndex = doc.LastPosIndex = -1;

    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    Progress progress(doc.Port(), kPhaseSort, n);
    if (doc.NeedsSort) StableSortByTime(doc);

    int32_t levelMin = doc.LevelMin, levelMax = doc.LevelMax;
    int64_t xMin = doc.XMin, xMax = doc.XMax, yMin = doc.YMin, yMax = doc.YMax;
    int32_t first = -1, last = -1;
    for (size_t i = 0; i < n; ++i) {
        progress.At(i);
        const CVKData& r = recs[i];
        levelMax = std::max({levelMax, r.Z, static_cast<int32_t>(r.Tide)});
        levelMin = std::min({levelMin, Sub32(r.Z, r.Depth), static_cast<int32_t>(r.Tide - r.Depth)});
        if ((r.Flags & (REC_POSITION | REC_DELETED)) == REC_POSITION) {
            if (first < 0)
                first = static_cast<int32_t>(i);
            else
                last = static_cast<int32_t>(i);
            xMin = std::min(xMin, r.X);
            xMax = std::max(xMax, r.X);
            yMin = std::min(yMin, r.Y);
            yMax = std::max(yMax, r.Y);
        }
    }
    // Whole metres, widened by one metre at each end (division truncates toward zero).
    doc.LevelMin = Sub32(static_cast<int32_t>(static_cast<uint32_t>(levelMin / 100) * 100u), 100);
    doc.LevelMax = Add32(static_cast<int32_t>(static_cast<uint32_t>(levelMax / 100) * 100u), 100);
    doc.XMin = xMin;
    doc.XMax = xMax;
    doc.YMin = yMin;
    doc.YMax = yMax;
    doc.FirstPosIndex = first;
    doc.LastPosIndex = last;
    doc.NeedsSort = false;
}

void Interpolate(CVKDoc& doc) {
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    {
        Progress progress(doc.Port(), kPhaseInterpolate, n);
        // The limit for positions and depths is InterpLimit x 10 s, for tides x 2000 s, in
        // hundredths; worked out in 64 bits so that a large limit never wraps to a small one.
        const int64_t limit = int64_t{doc.InterpLimit} * 1000;
        const int64_t tideLimit = int64_t{doc.InterpLimit} * 200000;
        const bool havePos = doc.KindFlags & REC_POSITION;
        const bool haveDepth = doc.KindFlags & REC_DEPTH;
        const bool haveTide = doc.KindFlags & REC_TIDE;
        Neighbours pos(recs, REC_POSITION), depth(recs, REC_DEPTH), tide(recs, REC_TIDE);
        Gap g;
        for (size_t i = 1; i + 1 < n; ++i) {
            progress.At(i);
            CVKData& r = recs[i];
            const int kind = r.Flags & 0xFF;
            const bool wantPos = havePos && (kind == REC_DEPTH || kind == REC_TIDE || kind == REC_EVENT);
            const bool wantDepth = haveDepth && (kind == REC_POSITION || kind == REC_TIDE);
            const bool wantTide = haveTide && (kind == REC_DEPTH || kind == REC_POSITION);
            if (wantPos) {
                pos.MoveTo(i);
                if (pos.Found() && WithinLimit(r, recs[pos.Prev()], recs[pos.Next()], limit, g))
                    TakePosition(r, recs[pos.Prev()], recs[pos.Next()], g);
            }
            if (wantDepth) {
                depth.MoveTo(i);
                if (depth.Found() && WithinLimit(r, recs[depth.Prev()], recs[depth.Next()], limit, g))
                    TakeDepth(r, recs[depth.Prev()], recs[depth.Next()], g);
            }
            if (wantTide) {
                tide.MoveTo(i);
                if (tide.Found() && WithinLimit(r, recs[tide.Prev()], recs[tide.Next()], tideLimit, g))
                    TakeTide(r, recs[tide.Prev()], recs[tide.Next()], g);
            }
        }
    }
    ExtendPositions(doc);
}

void ExtendPositions(CVKDoc& doc) {
    if (!(doc.KindFlags & REC_POSITION) || !(doc.KindFlags & REC_DEPTH) || doc.Records.size() <= 3) return;
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    size_t f = 0;
    while (f < n && !(recs[f].Flags & REC_POSITION)) ++f;
    if (f == n) f = n - 1;
    for (size_t i = 0; i < f; ++i) {
        recs[i].X = recs[f].X;
        recs[i].Y = recs[f].Y;
        recs[i].Z = recs[f].Z;
    }
    size_t l = n - 1;
    while (l > 0 && !(recs[l].Flags & REC_POSITION)) --l;
    for (size_t i = l + 1; i < n; ++i) {
        recs[i].X = recs[l].X;
        recs[i].Y = recs[l].Y;
        recs[i].Z = recs[l].Z;
    }
}

void RefreshRange(CVKDoc& doc) {
    doc.TimeMin = -100;
    doc.TimeMax = 100;
    uint16_t kinds = 0;
    const CVKData* first = nullptr;
    const CVKData* last = nullptr;
    for (const CVKData& r : doc.Records) {
        kinds |= r.Flags;
        if (!(r.Flags & REC_DELETED)) {
            if (!first) first = &r;
            last = &r;
        }
    }
    doc.KindFlags = kinds;
    if (first) {
        doc.TimeMin = Sub32(Low32(first->Time), 100);
        doc.TimeMax = Add32(Low32(last->Time), 100);
    } else {
        doc.Port().Message("All data deleted", Severity::Warning);
    }
    UpdateValues(doc);
}

void UpdateValues(CVKDoc& doc) {
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    {
        Progress progress(doc.Port(), kPhaseUpdate, n);
        const int32_t timeMin = doc.TimeMin;
        const int32_t levelMax = doc.LevelMax;
        const int32_t t = Sub32(doc.TimeMax, doc.TimeMin);
        const int32_t v = Sub32(doc.LevelMax, doc.LevelMin);
        const int32_t w = Sub32(Low32(doc.XMax), Low32(doc.XMin));
        const int32_t h = Sub32(Low32(doc.YMax), Low32(doc.YMin));
        const int32_t xMin = Low32(doc.XMin);
        const int32_t yMax = Low32(doc.YMax);
        for (size_t i = 0; i < n; ++i) {
            progress.At(i);
            CVKData& r = recs[i];
            const int32_t x = MulDiv(Sub32(Low32(r.Time), timeMin), LOGICAL_SPAN, t);
            const int32_t b = Sub32(levelMax, r.Tide);
            r.ptHeight = {x, MulDiv(Sub32(b, r.Z), LOGICAL_SPAN, v)};
            r.ptTide = {x, MulDiv(b, LOGICAL_SPAN, v)};
            r.ptSeabed = {x, MulDiv(Sub32(Add32(b, r.Depth), r.Z), LOGICAL_SPAN, v)};
            r.ptDepthUp = {x, MulDiv(Sub32(Sub32(b, r.Z), r.Depth), LOGICAL_SPAN, v)};
            r.ptPlan = {MulDiv(Sub32(Low32(r.X), xMin), LOGICAL_SPAN, w), MulDiv(Sub32(yMax, Low32(r.Y)), LOGICAL_SPAN, h)};
        }
    }
    doc.UpdateCounts();
}

void Recalculate(CVKDoc& doc) {
    UserPort& port = doc.Port();
    port.WaitCursor(true);
    if (!doc.Records.empty()) {
        SortAndMeasure(doc);
        Interpolate(doc);
        ExtendPositions(doc);
        RefreshRange(doc);
        doc.SetModified(true);
    } else if (!doc.StatusText.empty()) {
        // Nothing left to count: the record-count pane must not go on showing the old counts.
        doc.CountDepth = doc.CountEvent = doc.CountTide = doc.CountPos = doc.CountDeleted = 0;
        doc.SetStatusText("");
    }
    if (doc.Selected && !doc.SelectedRecord()) {
        doc.Selected = false;
        doc.Animating = false;
    }
    port.WaitCursor(false);
    port.ViewsChanged();
}

}  // namespace aq
