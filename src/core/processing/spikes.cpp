// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/spikes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/corrected.h"
#include "processing/recalc.h"

namespace aq {

std::string SpikeOptionsRefusal(const SpikeOptions& o) {
    if (o.WindowMetres > 0) {
        if (!std::isfinite(o.WindowMetres)) return "The window must be a length in metres.";
    } else if (o.Window < 3 || o.Window > 1001) {
        return "The window must hold from 3 to 1001 soundings.";
    } else if (o.Window % 2 == 0) {
        // Centred on the sounding it judges, it holds as many either side.
        return "The window must hold an odd number of soundings, as many either side of the one judged.";
    }
    if (!std::isfinite(o.K) || o.K <= 0) return "The factor k must be more than 0.";
    const auto bad = [](const std::optional<double>& v) { return v && !std::isfinite(*v); };
    if (bad(o.MinDepth) || bad(o.MaxDepth)) return "The depth limits must be numbers of metres.";
    if (o.MinDepth && o.MaxDepth && *o.MinDepth > *o.MaxDepth)
        return "The minimum depth must not be greater than the maximum depth.";
    return LineOptionsRefusal(o.Lines);
}

namespace {

// "0.5", "2", "12.25": a length as typed.
std::string SpikeNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// The level of a sounding in centimetres (the corrected seabed level, as exported).
int32_t LevelCm(const CVKData& r) { return static_cast<int32_t>(std::lround(ExportedLevel(r) * 100.0)); }

// A window of values kept sorted as values come and go, for its median.
class SortedWindow {
public:
    void Add(int32_t v) { values_.insert(std::upper_bound(values_.begin(), values_.end(), v), v); }
    void Remove(int32_t v) {
        const auto it = std::lower_bound(values_.begin(), values_.end(), v);
        if (it != values_.end() && *it == v) values_.erase(it);
    }
    size_t Size() const { return values_.size(); }
    double Median() const {
        const size_t n = values_.size(), mid = n / 2;
        return n % 2 ? values_[mid] : (static_cast<double>(values_[mid - 1]) + values_[mid]) / 2.0;
    }

private:
    std::vector<int32_t> values_;
};

// The median of some values, which it reorders.
double MedianOf(std::vector<double>& v) {
    const size_t n = v.size(), mid = n / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (n % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) / 2.0;
}

// The departure of sounding j from the trend of the window [lo, hi) and the window's
// robust spread about that trend, both in centimetres. The trend runs through the median
// of the detrended levels with the median slope between neighbours; x is the place along
// the line (metres, or the sounding's number).
struct TrendDeparture {
    double departure = 0;
    double spread = 0;
};
TrendDeparture DepartureFromTrend(const std::vector<int32_t>& v, const std::vector<double>& x, size_t lo, size_t hi,
                                  size_t j, std::vector<double>& scratch) {
    scratch.clear();
    for (size_t i = lo; i + 1 < hi; ++i) {
        const double dx = x[i + 1] - x[i];
        if (dx > 0) scratch.push_back((v[i + 1] - v[i]) / dx);
    }
    const double slope = scratch.empty() ? 0.0 : MedianOf(scratch);
    scratch.clear();
    for (size_t i = lo; i < hi; ++i) scratch.push_back(v[i] - slope * (x[i] - x[j]));
    const double centre = MedianOf(scratch);
    for (double& d : scratch) d = std::abs(d - centre);
    TrendDeparture t;
    t.departure = std::abs(v[j] - centre);
    t.spread = 1.4826 * MedianOf(scratch);
    return t;
}

struct Scratch {
    std::vector<int32_t> levels;
    std::vector<double> along;
    std::vector<double> work;
    std::vector<uint8_t> spike;
};

// Marks the spikes of one line (its live soundings, in order) and returns how many;
// `unjudged` counts the soundings whose window held fewer than 3, too few to judge by.
size_t FlagLine(CVKDoc& doc, const LineSet& set, const SurveyLine& line, const SpikeOptions& o, Scratch& s,
                size_t& unjudged) {
    const uint32_t* idx = set.Soundings.data() + line.SoundingBegin;
    const size_t m = line.SoundingCount();
    unjudged = 0;
    if (m < 3) {
        unjudged = m;
        return 0;
    }
    std::vector<CVKData>& recs = doc.Records;
    std::vector<int32_t>& levels = s.levels;
    std::vector<double>& along = s.along;
    levels.resize(m);
    for (size_t j = 0; j < m; ++j) levels[j] = LevelCm(recs[idx[j]]);
    const bool metres = o.WindowMetres > 0;
    along.resize(m);
    if (metres) {
        double pe = 0, pn = 0;
        for (size_t j = 0; j < m; ++j) {
            double e, n;
            set.Frame.ToMetres(recs[idx[j]], e, n);
            along[j] = j == 0 ? 0.0 : along[j - 1] + std::hypot(e - pe, n - pn);
            pe = e;
            pn = n;
        }
    } else {
        for (size_t j = 0; j < m; ++j) along[j] = static_cast<double>(j);
    }
    s.spike.assign(m, 0);
    const size_t width = std::min(m, static_cast<size_t>(std::max(o.Window, 1)));
    const double half = o.WindowMetres / 2;
    SortedWindow window;
    size_t lo = 0, hi = 0;  // the window holds levels[lo, hi)
    for (size_t j = 0; j < m; ++j) {
        size_t wantLo, wantHi;
        if (metres) {
            wantLo = lo;
            while (along[j] - along[wantLo] > half) ++wantLo;
            wantHi = std::max(hi, j + 1);
            while (wantHi < m && along[wantHi] - along[j] <= half) ++wantHi;
        } else {
            wantLo = j >= width / 2 ? std::min(j - width / 2, m - width) : 0;
            wantHi = wantLo + width;
        }
        while (hi < wantHi) window.Add(levels[hi++]);
        while (lo < wantLo) window.Remove(levels[lo++]);
        if (window.Size() < 3) {
            ++unjudged;
            continue;
        }
        // The allowance first: it is cheap, and most soundings lie well within it.
        const double median = window.Median();
        const double departure = std::abs(levels[j] - median);  // cm
        // The allowance at the depth the sounding would have at the median level.
        const double depth = std::abs(recs[idx[j]].Depth + (levels[j] - median)) / 100.0;
        if (departure <= 100.0 * Tvu(o.Order, depth)) continue;
        const TrendDeparture t = DepartureFromTrend(levels, along, lo, hi, j, s.work);
        if (t.departure <= o.K * t.spread) continue;
        s.spike[j] = 1;
    }
    size_t flagged = 0;
    for (size_t j = 0; j < m; ++j) {
        if (!s.spike[j]) continue;
        recs[idx[j]].Flags |= REC_DELETED;
        ++flagged;
    }
    return flagged;
}

}  // namespace

bool FlagSpikes(CVKDoc& doc, const SpikeOptions& o, SpikeResult& result, UserPort& port,
                const ParallelSettings& parallel) {
    result = SpikeResult{};
    if (const std::string refusal = SpikeOptionsRefusal(o); !refusal.empty()) {
        port.Message(refusal, Severity::Error);
        return false;
    }
    const LineSet set = FindLines(doc, o.Lines, &port);
    const bool limits = o.MinDepth || o.MaxDepth;
    if (set.Lines.empty() && !limits) {
        port.Message(set.HadPositions ? NO_LINES : NO_POSITIONS, Severity::Error);
        return false;
    }
    result.Lines = set.Lines.size();
    doc.WillWrite(kFieldFlags);
    port.BeginPhase("Flagging Spikes");
    port.SetProgress(0);

    const size_t lines = set.Lines.size();
    result.PerLine.resize(lines);
    for (size_t l = 0; l < lines; ++l) {
        result.PerLine[l].Line = set.Lines[l].Number;
        result.PerLine[l].Kind = set.Lines[l].Kind;
        result.PerLine[l].Soundings = set.Lines[l].SoundingCount();
    }
    // Each part keeps its own scratch space; the lines it is given are its own.
    std::vector<Scratch> scratch(std::max(parallel.parts, 1u));
    ParallelFor(
        lines, parallel,
        [&](unsigned part, size_t begin, size_t end) {
            Scratch& s = scratch[part];
            for (size_t l = begin; l < end; ++l)
                result.PerLine[l].Flagged = FlagLine(doc, set, set.Lines[l], o, s, result.PerLine[l].Unjudged);
        },
        [&](size_t done) { port.SetProgress(lines ? static_cast<int>(done * 90 / lines) : 90); });
    for (const SpikeLineCount& c : result.PerLine) {
        result.BySpread += c.Flagged;
        if (c.Unjudged * 2 > c.Soundings) ++result.ThinLines;
    }

    // The hard limits, over every live sounding.
    if (o.MinDepth || o.MaxDepth) {
        const double minCm = o.MinDepth ? *o.MinDepth * 100.0 : -INFINITY;
        const double maxCm = o.MaxDepth ? *o.MaxDepth * 100.0 : INFINITY;
        // Which line each sounding is on, by its place among the live soundings.
        size_t line = 0;
        SpikeLineCount outside;
        for (size_t k = 0; k < set.Soundings.size(); ++k) {
            while (line < lines && set.Lines[line].SoundingEnd <= k) ++line;
            CVKData& r = doc.Records[set.Soundings[k]];
            if (r.IsDeleted()) continue;  // a spike already
            if (r.Depth >= minCm && r.Depth <= maxCm) continue;
            r.Flags |= REC_DELETED;
            ++result.ByLimits;
            const bool onLine = line < lines && set.Lines[line].SoundingBegin <= k;
            ++(onLine ? result.PerLine[line].Flagged : outside.Flagged);
        }
        if (outside.Flagged > 0) {
            outside.Soundings = set.Soundings.size();
            for (const SurveyLine& l : set.Lines) outside.Soundings -= l.SoundingCount();
            result.PerLine.push_back(outside);
        }
    }
    port.SetProgress(100);
    port.EndPhase();
    if (result.Total() > 0) Recalculate(doc, port);
    if (lines > 0 && result.ThinLines * 2 > lines) {
        // The filter flagged nothing there because it could not judge, not because
        // the soundings were clean: say so.
        const std::string window = o.WindowMetres > 0 ? "The window of " + SpikeNumber(o.WindowMetres) + " m"
                                                      : "The window of " + std::to_string(o.Window) + " soundings";
        port.Message(window + " holds fewer than 3 soundings for most soundings of " + std::to_string(result.ThinLines) +
                         " of the " + std::to_string(lines) +
                         " lines: the spike filter could not judge them. Widen the window.",
                     Severity::Warning);
    }
    return true;
}

}  // namespace aq
