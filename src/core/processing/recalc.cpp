// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/recalc.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/muldiv.h"
#include "model/parallel.h"

namespace aq {

namespace {

const char* const kPhaseSort = "Time Sorting Data";
const char* const kPhaseInterpolate = "Interpolating Values";
const char* const kPhaseUpdate = "Updating Values";

// Progress of a phase, shown as the work done out of n.
class Progress {
public:
    Progress(UserPort& port, const char* phase, size_t n) : port_(port), n_(n) { port_.BeginPhase(phase); }
    ~Progress() { port_.EndPhase(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void At(size_t done) { port_.SetProgress(n_ == 0 ? 100 : static_cast<int>(uint64_t{done} * 100 / n_)); }

private:
    UserPort& port_;
    size_t n_;
};

// Runs work(half, begin, end) over [0, n), in two halves at once when n is large enough
// to be worth it. Each half is walked from its start to its end in order, a slice at a
// time; the progress is shown between slices, when no other thread runs, so a port that
// redraws the views never reads records while they are being written.
template <typename Work>
void InHalves(const ParallelSettings& parallel, size_t n, Progress* progress, Work&& work) {
    ParallelFor(
        n, parallel, [&work](unsigned half, size_t begin, size_t end) { work(static_cast<int>(half), begin, end); },
        [progress](size_t done) {
            if (progress) progress->At(done);
        });
}

// A record's time in hundredths, wrapping rather than overflowing.
inline uint64_t TimeHundredths64(const CVKData& r) { return static_cast<uint64_t>(r.Time) * 100u + r.Hundredths; }

// Its low 32 bits: the interpolation takes its time differences on them.
inline uint32_t TimeHundredths32(const CVKData& r) { return static_cast<uint32_t>(TimeHundredths64(r)); }

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
    doc.WillWrite(kEveryField);

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

    // Starts a walk at record `from`, looking back once for the neighbour before it.
    void Start(size_t from) {
        scanned_ = from;
        prev_ = next_ = kUnset;
        for (size_t j = from; j-- > 0;) {
            if (recs_[j].IsLive(kind_)) {
                prev_ = j;
                break;
            }
        }
    }

    // Moves to record i (at or after the start, never back); after this Prev() and Next()
    // are the nearest live records of the kind before and after it (or n when there is none).
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

// The two gaps, when both lie within the limit. The limit is tested on the whole
// differences: on 32 bits a gap of more than 248 days wraps negative and would pass.
// Within the limit the gaps fit 32 bits, on which the interpolation works.
inline bool WithinLimit(const CVKData& r, const CVKData& p, const CVKData& nx, int64_t limit, Gap& g) {
    const uint64_t tr = TimeHundredths64(r);
    const auto before = static_cast<int64_t>(tr - TimeHundredths64(p));
    const auto after = static_cast<int64_t>(TimeHundredths64(nx) - tr);
    if (before > limit || after > limit) return false;
    const uint32_t tp = TimeHundredths32(p);
    g.a = static_cast<int32_t>(TimeHundredths32(r) - tp);
    g.s = static_cast<int32_t>(TimeHundredths32(nx) - tp);
    return true;
}

// Puts a value into a field of a record, first naming the field to the document's journal
// when it is about to change: most recalculations give most records the values they hold,
// and the undo history then keeps nothing of them.
class FieldWriter {
public:
    explicit FieldWriter(RecordJournal* journal) : journal_(journal) {}
    template <class T>
    void Put(T& field, T value, uint16_t bit) {
        if (field == value) return;
        if (!(named_ & bit)) {
            if (journal_) journal_->WillWrite(bit);
            named_ |= bit;
        }
        field = value;
    }

private:
    RecordJournal* journal_;
    uint16_t named_ = 0;
};

inline void TakePosition(FieldWriter& w, CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    w.Put(r.X,
          static_cast<int64_t>(static_cast<uint64_t>(p.X) +
                               static_cast<uint64_t>(int64_t{MulDiv(Sub32(Low32(nx.X), Low32(p.X)), g.a, g.s)})),
          kFieldX);
    w.Put(r.Y,
          static_cast<int64_t>(static_cast<uint64_t>(p.Y) +
                               static_cast<uint64_t>(int64_t{MulDiv(Sub32(Low32(nx.Y), Low32(p.Y)), g.a, g.s)})),
          kFieldY);
    w.Put(r.Z, Add32(p.Z, MulDiv(Sub32(nx.Z, p.Z), g.a, g.s)), kFieldZ);
}

inline void TakeDepth(FieldWriter& w, CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    w.Put(r.Depth, static_cast<int16_t>(Add32(p.Depth, MulDiv(nx.Depth - p.Depth, g.a, g.s))), kFieldDepth);
}

inline void TakeTide(FieldWriter& w, CVKData& r, const CVKData& p, const CVKData& nx, const Gap& g) {
    w.Put(r.Tide, static_cast<int16_t>(Add32(p.Tide, MulDiv(nx.Tide - p.Tide, g.a, g.s))), kFieldTide);
}

// Interpolates records one after another within a stretch of the survey. A record takes
// only values of kinds other than its own, from live records of those kinds, which are
// never written: so stretches can be done in any order, or at once.
class Interpolator {
public:
    explicit Interpolator(CVKDoc& doc)
        : recs_(doc.Records),
          n_(recs_.size()),
          // The limit for positions and depths is InterpLimit x 10 s, for tides x 2000 s, in
          // hundredths; worked out in 64 bits so that a large limit never wraps to a small one.
          limit_(int64_t{doc.InterpLimit} * 1000),
          tideLimit_(int64_t{doc.InterpLimit} * 200000),
          havePos_(doc.KindFlags & REC_POSITION),
          haveDepth_(doc.KindFlags & REC_DEPTH),
          haveTide_(doc.KindFlags & REC_TIDE),
          pos_(recs_, REC_POSITION),
          depth_(recs_, REC_DEPTH),
          tide_(recs_, REC_TIDE),
          writer_(doc.Journal) {}

    // Interpolates records [begin, end), carrying on from the last call when it ended at begin.
    void Run(size_t begin, size_t end) {
        if (begin != at_) {
            if (havePos_) pos_.Start(begin);
            if (haveDepth_) depth_.Start(begin);
            if (haveTide_) tide_.Start(begin);
        }
        // The first and the last record are never interpolated.
        for (size_t i = std::max<size_t>(begin, 1); i < end && i + 1 < n_; ++i) At(i);
        at_ = end;
    }

    void At(size_t i) {
        CVKData& r = recs_[i];
        const int kind = r.Flags & 0xFF;
        const bool wantPos = havePos_ && (kind == REC_DEPTH || kind == REC_TIDE || kind == REC_EVENT);
        const bool wantDepth = haveDepth_ && (kind == REC_POSITION || kind == REC_TIDE);
        const bool wantTide = haveTide_ && (kind == REC_DEPTH || kind == REC_POSITION);
        Gap g;
        if (wantPos) {
            pos_.MoveTo(i);
            if (pos_.Found() && WithinLimit(r, recs_[pos_.Prev()], recs_[pos_.Next()], limit_, g))
                TakePosition(writer_, r, recs_[pos_.Prev()], recs_[pos_.Next()], g);
        }
        if (wantDepth) {
            depth_.MoveTo(i);
            if (depth_.Found() && WithinLimit(r, recs_[depth_.Prev()], recs_[depth_.Next()], limit_, g))
                TakeDepth(writer_, r, recs_[depth_.Prev()], recs_[depth_.Next()], g);
        }
        if (wantTide) {
            tide_.MoveTo(i);
            if (tide_.Found() && WithinLimit(r, recs_[tide_.Prev()], recs_[tide_.Next()], tideLimit_, g))
                TakeTide(writer_, r, recs_[tide_.Prev()], recs_[tide_.Next()], g);
        }
    }

private:
    std::vector<CVKData>& recs_;
    size_t n_;
    int64_t limit_, tideLimit_;
    bool havePos_, haveDepth_, haveTide_;
    Neighbours pos_, depth_, tide_;
    FieldWriter writer_;  // this thread's: each thread names a field once
    size_t at_ = static_cast<size_t>(-1);
};

// The view points of records: the time and level axes and the plan's extent.
class ViewScale {
public:
    explicit ViewScale(const CVKDoc& doc)
        : timeMin_(doc.TimeMin),
          levelMax_(doc.LevelMax),
          t_(Sub32(doc.TimeMax, doc.TimeMin)),
          v_(Sub32(doc.LevelMax, doc.LevelMin)),
          w_(Sub32(Low32(doc.XMax), Low32(doc.XMin))),
          h_(Sub32(Low32(doc.YMax), Low32(doc.YMin))),
          xMin_(Low32(doc.XMin)),
          yMax_(Low32(doc.YMax)) {}

    void Apply(CVKData& r) const {
        const int32_t x = TimeX(r.Time);
        const int32_t b = Sub32(levelMax_, r.Tide);
        r.ptHeight = {x, MulDiv(Sub32(b, r.Z), LOGICAL_SPAN, v_)};
        r.ptTide = {x, MulDiv(b, LOGICAL_SPAN, v_)};
        r.ptSeabed = {x, MulDiv(Sub32(Add32(b, r.Depth), r.Z), LOGICAL_SPAN, v_)};
        r.ptDepthUp = {x, MulDiv(Sub32(Sub32(b, r.Z), r.Depth), LOGICAL_SPAN, v_)};
        r.ptPlan = Plan(r.X, r.Y);
    }
    int32_t TimeX(int64_t time) const { return MulDiv(Sub32(Low32(time), timeMin_), LOGICAL_SPAN, t_); }
    // A level's height in the section: measured down from the top of the level axis.
    int32_t LevelY(int32_t level) const { return MulDiv(Sub32(levelMax_, level), LOGICAL_SPAN, v_); }
    CPoint Plan(int64_t x, int64_t y) const {
        return {MulDiv(Sub32(Low32(x), xMin_), LOGICAL_SPAN, w_), MulDiv(Sub32(yMax_, Low32(y)), LOGICAL_SPAN, h_)};
    }
    void Apply(std::vector<CVKData>& recs, size_t begin, size_t end) const {
        for (size_t i = begin; i < end; ++i) Apply(recs[i]);
    }
    // The same, taking in each record's levels as it goes (one walk over the records).
    template <typename Levels>
    void Apply(std::vector<CVKData>& recs, size_t begin, size_t end, Levels& levels) const {
        Levels l = levels;
        for (size_t i = begin; i < end; ++i) {
            l.Take(recs[i]);
            Apply(recs[i]);
        }
        levels = l;
    }

private:
    int32_t timeMin_, levelMax_, t_, v_, w_, h_, xMin_, yMax_;
};

// The extremes of the records' levels, every record counting (deleted ones and every
// kind): Z and Tide upwards, Z - Depth and Tide - Depth downwards.
struct Levels {
    int32_t min = INT32_MAX, max = INT32_MIN;
    bool any = false;

    void Take(const CVKData& r) {
        max = std::max({max, r.Z, static_cast<int32_t>(r.Tide)});
        min = std::min({min, Sub32(r.Z, r.Depth), static_cast<int32_t>(r.Tide - r.Depth)});
        any = true;
    }
    void Take(const std::vector<CVKData>& recs, size_t begin, size_t end) {
        Levels l = *this;
        for (size_t i = begin; i < end; ++i) l.Take(recs[i]);
        *this = l;
    }
    void Join(const Levels& other) {
        min = std::min(min, other.min);
        max = std::max(max, other.max);
        any = any || other.any;
    }
    // The axis: whole metres, widened by one metre at each end (division truncates
    // toward zero). False, the axis left as it was, when there was nothing to measure.
    bool Axis(int32_t& axisMin, int32_t& axisMax) const {
        if (!any) return false;
        axisMin = Sub32(static_cast<int32_t>(static_cast<uint32_t>(min / 100) * 100u), 100);
        axisMax = Add32(static_cast<int32_t>(static_cast<uint32_t>(max / 100) * 100u), 100);
        return true;
    }
};

// Sets the document's level axis from the levels found; true when it moved.
bool SetLevelAxis(CVKDoc& doc, const Levels& levels) {
    int32_t lo = doc.LevelMin, hi = doc.LevelMax;
    if (!levels.Axis(lo, hi)) return false;
    const bool moved = lo != doc.LevelMin || hi != doc.LevelMax;
    doc.LevelMin = lo;
    doc.LevelMax = hi;
    return moved;
}

// What one pass over the records finds: the measures of SortAndMeasure, the kinds and
// live span of RefreshRange, the counts, where ExtendPositions copies to, and the levels
// as the records hold them before interpolation.
struct Survey {
    static constexpr size_t kNone = static_cast<size_t>(-1);
    Levels levels;
    int64_t xMin = 2147483647, xMax = -2147483648LL, yMin = 2147483647, yMax = -2147483648LL;
    size_t firstPos = kNone, lastPos = kNone;    // live positions
    size_t firstLive = kNone, lastLive = kNone;  // records not deleted
    size_t firstBit = kNone, lastBit = kNone;    // records with the position bit, deleted or not
    uint16_t kinds = 0;
    int32_t depth = 0, event = 0, tide = 0, pos = 0, deleted = 0;

    void Measure(const std::vector<CVKData>& recs, size_t begin, size_t end) {
        Levels l = levels;
        int64_t x0 = xMin, x1 = xMax, y0 = yMin, y1 = yMax;
        uint16_t k = kinds;
        for (size_t i = begin; i < end; ++i) {
            const CVKData& r = recs[i];
            l.Take(r);
            k |= r.Flags;
            if (r.Flags & REC_POSITION) {
                if (firstBit == kNone) firstBit = i;
                lastBit = i;
            }
            if (r.Flags & REC_DELETED) {
                ++deleted;
                continue;
            }
            if (firstLive == kNone) firstLive = i;
            lastLive = i;
            switch (r.Flags & 0xF0) {
                case REC_DEPTH: ++depth; break;
                case REC_POSITION: ++pos; break;
                case REC_TIDE: ++tide; break;
                case REC_EVENT: ++event; break;
                default: break;
            }
            if (r.Flags & REC_POSITION) {
                if (firstPos == kNone) firstPos = i;
                lastPos = i;
                x0 = std::min(x0, r.X);
                x1 = std::max(x1, r.X);
                y0 = std::min(y0, r.Y);
                y1 = std::max(y1, r.Y);
            }
        }
        levels = l;
        xMin = x0;
        xMax = x1;
        yMin = y0;
        yMax = y1;
        kinds = k;
    }

    // Takes in what a pass over the records after this one's found.
    void Join(const Survey& later) {
        levels.Join(later.levels);
        xMin = std::min(xMin, later.xMin);
        xMax = std::max(xMax, later.xMax);
        yMin = std::min(yMin, later.yMin);
        yMax = std::max(yMax, later.yMax);
        const auto span = [](size_t& first, size_t& last, size_t laterFirst, size_t laterLast) {
            if (laterFirst == kNone) return;
            if (first == kNone) first = laterFirst;
            last = laterLast;
        };
        span(firstPos, lastPos, later.firstPos, later.lastPos);
        span(firstLive, lastLive, later.firstLive, later.lastLive);
        span(firstBit, lastBit, later.firstBit, later.lastBit);
        kinds |= later.kinds;
        depth += later.depth;
        event += later.event;
        tide += later.tide;
        pos += later.pos;
        deleted += later.deleted;
    }
};

// Sorts when asked to, then measures every record (on two threads when there are many);
// leaves the plan extents in the document and returns all that was found. The level
// axis is not set here: it is measured once the records are interpolated.
Survey SortAndMeasureAll(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
    doc.XMin = doc.YMin = 2147483647;
    doc.XMax = doc.YMax = -2147483648LL;
    doc.FirstPosIndex = doc.LastPosIndex = -1;

    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    Progress progress(port, kPhaseSort, n);
    if (doc.NeedsSort) StableSortByTime(doc);

    Survey halves[2];
    InHalves(parallel, n, &progress, [&](int half, size_t begin, size_t end) { halves[half].Measure(recs, begin, end); });
    Survey all = halves[0];
    all.Join(halves[1]);

    doc.XMin = all.xMin;
    doc.XMax = all.xMax;
    doc.YMin = all.yMin;
    doc.YMax = all.yMax;
    if (all.firstPos != Survey::kNone) {
        doc.FirstPosIndex = static_cast<int32_t>(all.firstPos);
        // The last only when it is another one.
        if (all.lastPos != all.firstPos) doc.LastPosIndex = static_cast<int32_t>(all.lastPos);
    }
    doc.NeedsSort = false;
    return all;
}

// The time axis from the first and the last live record; false when every record is deleted.
bool SetTimeAxis(CVKDoc& doc, const CVKData* first, const CVKData* last) {
    doc.TimeMin = -100;
    doc.TimeMax = 100;
    if (!first) return false;
    doc.TimeMin = Sub32(Low32(first->Time), 100);
    doc.TimeMax = Add32(Low32(last->Time), 100);
    return true;
}

}  // namespace

void SortAndMeasure(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
    SortAndMeasureAll(doc, port, parallel);
}

void MeasureLevels(CVKDoc& doc, const ParallelSettings& parallel) {
    Levels halves[2];
    InHalves(parallel, doc.Records.size(), nullptr,
             [&](int half, size_t begin, size_t end) { halves[half].Take(doc.Records, begin, end); });
    halves[0].Join(halves[1]);
    SetLevelAxis(doc, halves[0]);
}

void Interpolate(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
    const size_t n = doc.Records.size();
    {
        Progress progress(port, kPhaseInterpolate, n);
        Interpolator halves[2] = {Interpolator(doc), Interpolator(doc)};
        InHalves(parallel, n, &progress, [&](int half, size_t begin, size_t end) { halves[half].Run(begin, end); });
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
    FieldWriter w(doc.Journal);
    const auto take = [&](CVKData& r, const CVKData& from) {
        w.Put(r.X, from.X, kFieldX);
        w.Put(r.Y, from.Y, kFieldY);
        w.Put(r.Z, from.Z, kFieldZ);
    };
    for (size_t i = 0; i < f; ++i) take(recs[i], recs[f]);
    size_t l = n - 1;
    while (l > 0 && !(recs[l].Flags & REC_POSITION)) --l;
    for (size_t i = l + 1; i < n; ++i) take(recs[i], recs[l]);
}

void RefreshRange(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
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
    if (!SetTimeAxis(doc, first, last)) port.Message("All data deleted", Severity::Warning);
    UpdateValues(doc, port, parallel);
}

CPoint PlanPointOf(const CVKDoc& doc, int64_t x, int64_t y) { return ViewScale(doc).Plan(x, y); }
int32_t SectionXOf(const CVKDoc& doc, int64_t time) { return ViewScale(doc).TimeX(time); }
int32_t SectionYOf(const CVKDoc& doc, int32_t level) { return ViewScale(doc).LevelY(level); }

void UpdateValues(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
    std::vector<CVKData>& recs = doc.Records;
    {
        Progress progress(port, kPhaseUpdate, recs.size());
        const ViewScale scale(doc);
        InHalves(parallel, recs.size(), &progress, [&](int, size_t begin, size_t end) { scale.Apply(recs, begin, end); });
    }
    doc.UpdateCounts(port);
}

void Recalculate(CVKDoc& doc, UserPort& port, const ParallelSettings& parallel) {
    port.WaitCursor(true);
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    if (n > 0) {
        // The steps SortAndMeasure, Interpolate, ExtendPositions (twice, to the same end),
        // MeasureLevels and RefreshRange with its UpdateValues, in two passes over the
        // records instead of seven: the first measures and counts, the second interpolates
        // each record, measures its levels and works out its view points straight after.
        // Only the records ExtendPositions copies a position into wait for the last step.
        const Survey found = SortAndMeasureAll(doc, port, parallel);
        const bool live = SetTimeAxis(doc, found.firstLive == Survey::kNone ? nullptr : &recs[found.firstLive],
                                      found.lastLive == Survey::kNone ? nullptr : &recs[found.lastLive]);
        // The level axis is that of the records once interpolated. The view points are
        // worked out with the axis of the records as they stand, which is that one unless
        // interpolation changes the levels (a survey opened from its file never does);
        // only when the axis then moves are they worked out again.
        SetLevelAxis(doc, found.levels);
        // Interpolation and extension go by the kinds known before this recalculation.
        const bool extend = (doc.KindFlags & REC_POSITION) && (doc.KindFlags & REC_DEPTH) && n > 3;
        size_t viewBegin = 0, viewEnd = n;
        if (extend) {
            viewBegin = found.firstBit == Survey::kNone ? n : found.firstBit;
            viewEnd = found.lastBit == Survey::kNone ? 0 : found.lastBit + 1;
            if (viewBegin >= viewEnd) viewBegin = viewEnd = 0;  // no position: every record waits
        }
        const ViewScale scale(doc);
        Levels levels[2];
        {
            Progress progress(port, kPhaseInterpolate, n);
            Interpolator halves[2] = {Interpolator(doc), Interpolator(doc)};
            InHalves(parallel, n, &progress, [&](int half, size_t begin, size_t end) {
                halves[half].Run(begin, end);
                scale.Apply(recs, std::max(begin, viewBegin), std::min(end, viewEnd), levels[half]);
            });
        }
        ExtendPositions(doc);
        levels[0].Join(levels[1]);
        levels[0].Take(recs, 0, viewBegin);
        levels[0].Take(recs, std::max(viewBegin, viewEnd), n);
        const bool moved = SetLevelAxis(doc, levels[0]);
        doc.KindFlags = found.kinds;
        if (!live) port.Message("All data deleted", Severity::Warning);
        {
            Progress progress(port, kPhaseUpdate, n);
            if (moved) {
                const ViewScale again(doc);
                InHalves(parallel, n, &progress, [&](int, size_t begin, size_t end) { again.Apply(recs, begin, end); });
            } else {
                scale.Apply(recs, 0, viewBegin);
                scale.Apply(recs, std::max(viewBegin, viewEnd), n);
            }
            progress.At(n);
        }
        doc.CountDepth = found.depth;
        doc.CountEvent = found.event;
        doc.CountTide = found.tide;
        doc.CountPos = found.pos;
        doc.CountDeleted = found.deleted;
        doc.SetStatusText(doc.CountsText(), port);
        doc.SetModified(true, port);
    } else if (!doc.StatusText.empty()) {
        // Nothing left to count: the record-count pane must not go on showing the old counts.
        doc.CountDepth = doc.CountEvent = doc.CountTide = doc.CountPos = doc.CountDeleted = 0;
        doc.SetStatusText("", port);
    }
    if (doc.Selected && !doc.SelectedRecord()) {
        doc.Selected = false;
        doc.Animating = false;
    }
    port.WaitCursor(false);
    port.ViewsChanged();
}

}  // namespace aq
