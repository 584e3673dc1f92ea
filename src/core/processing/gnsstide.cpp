// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/gnsstide.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "model/civiltime.h"
#include "processing/recalc.h"

namespace aq {

namespace {

constexpr uint16_t kKinds = REC_DEPTH | REC_POSITION | REC_TIDE | REC_EVENT;
// Lookups go to the separation source this many points at a time, so that progress moves
// and no second copy of every coordinate is held.
constexpr size_t kLookupChunk = size_t{1} << 16;

bool Fail(UserPort& port, const std::string& text) {
    port.Message(text, Severity::Error);
    return false;
}

std::string Metres(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

std::string Seconds(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string TimeText(int64_t hundredths) {
    const int64_t s = hundredths >= 0 ? hundredths / 100 : -((-hundredths + 99) / 100);
    return civil::Format("%Y-%m-%d %H:%M:%S", s);
}

// The used fixes of one stretch without a long gap, smoothed by a moving average over
// half the window applied twice: a triangular weighting over the whole window, which
// takes out heave and receiver noise far better than one pass would. Heights are taken
// relative to the first fix, so the running sums stay small and exact enough.
void SmoothSegment(std::span<const int64_t> t, std::span<const double> h, int64_t half, int64_t interval,
                   std::vector<TideLevel>& out, std::vector<double>& scratch) {
    const size_t n = t.size();
    const double ref = h[0];
    // Pass 1: the mean of the fixes within half/2 either side of each fix.
    scratch.assign(n, 0.0);
    const int64_t reach = half / 2;
    size_t lo = 0, hi = 0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        while (hi < n && t[hi] <= t[i] + reach) sum += h[hi++] - ref;
        while (t[lo] < t[i] - reach) sum -= h[lo++] - ref;
        scratch[i] = sum / static_cast<double>(hi - lo);
    }
    // Pass 2: the same mean of those at each whole interval, or where no fix is that
    // close, the line between the fixes either side. Only where the whole window lies
    // within the stretch: at its ends the heave would not cancel. A stretch shorter than
    // the window gives its middle one.
    const auto ceilTo = [interval](int64_t v) { return v >= 0 ? (v + interval - 1) / interval * interval : -(-v / interval * interval); };
    int64_t first = ceilTo(t[0] + half), last = t[n - 1] - half;
    if (first > last) {
        first = ceilTo((t[0] + t[n - 1]) / 2 - interval / 2);
        last = first <= t[n - 1] ? first : first - 1;
    }
    lo = hi = 0;
    sum = 0;
    for (int64_t T = first; T <= last; T += interval) {
        while (hi < n && t[hi] <= T + reach) sum += scratch[hi++];
        while (lo < hi && t[lo] < T - reach) sum -= scratch[lo++];
        double v;
        if (hi > lo) {
            v = sum / static_cast<double>(hi - lo);
        } else {
            // hi == lo: t[lo - 1] < T - reach and t[hi] > T + reach, both inside the stretch.
            const size_t a = lo - 1, b = hi;
            const double f = static_cast<double>(T - t[a]) / static_cast<double>(t[b] - t[a]);
            v = scratch[a] + f * (scratch[b] - scratch[a]);
        }
        out.push_back({T, ref + v});
    }
}

}  // namespace

std::string CheckGnssTideSettings(const GnssTideSettings& s) {
    const auto length = [](double v) { return std::isfinite(v) && std::fabs(v) <= 10000.0; };
    if (!length(s.antennaHeight)) return "The antenna height must be a number of metres between -10000 and 10000.";
    if (!length(s.datumOffset)) return "The datum offset must be a number of metres between -10000 and 10000.";
    if (!length(s.constantSeparation)) return "The separation must be a number of metres between -10000 and 10000.";
    if (!(s.window >= 0.0 && s.window <= 86400.0)) return "The smoothing window must be 0 to 86400 seconds.";
    if (!(s.interval >= 1.0 && s.interval <= 86400.0)) return "The tide interval must be 1 to 86400 seconds.";
    if (!(s.maxGap > 0.0 && s.maxGap <= 864000.0)) return "The longest gap must be more than 0 and at most 864000 seconds.";
    if (s.minQuality < 0 || s.minQuality > 9) return "The minimum quality must be a GGA fix quality from 0 to 9.";
    return {};
}

int GgaQualityRank(int quality) {
    switch (quality) {
        case 1: return 1;          // GPS
        case 2: case 3: case 9: return 2;  // DGPS, PPS, SBAS
        case GGA_RTK_FLOAT: return 3;
        case GGA_RTK_FIXED: return 4;
        default: return 0;         // none, estimated, manual, simulated
    }
}

std::string GgaQualityName(int quality) {
    const char* name = "no fix";
    switch (quality) {
        case 1: name = "GPS"; break;
        case 2: name = "DGPS"; break;
        case 3: name = "PPS"; break;
        case 4: name = "RTK fixed"; break;
        case 5: name = "RTK float"; break;
        case 6: name = "estimated"; break;
        case 7: name = "manual"; break;
        case 8: name = "simulated"; break;
        case 9: name = "SBAS"; break;
        default: break;
    }
    return std::string(name) + " (" + std::to_string(quality) + ")";
}

bool ComputeGnssTide(const CVKDoc& doc, const GnssTideSettings& s, SeparationSource* source, GnssTideResult& result,
                     UserPort& port) {
    result = GnssTideResult{};
    if (const std::string error = CheckGnssTideSettings(s); !error.empty()) return Fail(port, error);
    const int minRank = GgaQualityRank(s.minQuality);

    // Which positions are used.
    std::vector<size_t> used;
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        const CVKData& r = doc.Records[i];
        if (!r.IsLive(REC_POSITION)) continue;
        ++result.positions;
        // GLL and RMC positions have neither height nor quality; a GGA altitude of 0 is a height.
        if (r.Z == 0 && r.Quality == 0) {
            ++result.withoutHeight;
        } else if (r.Quality != 0 && GgaQualityRank(r.Quality) < minRank) {
            ++result.belowQuality;
        } else {
            result.unknownQuality += r.Quality == 0;
            used.push_back(i);
        }
    }
    result.used = used.size();
    if (result.positions == 0) return Fail(port, "Tide from GNSS Heights needs position records; the survey has none.");
    if (result.positions == result.withoutHeight)
        return Fail(port, "None of the " + std::to_string(result.positions) +
                              " positions has a height (GLL and RMC sentences carry none): there is no water level "
                              "to work out.");
    if (used.empty())
        return Fail(port, "None of the " + std::to_string(result.positions - result.withoutHeight) +
                              " positions with a height has the fix quality asked for (" +
                              GgaQualityName(s.minQuality) + " or better). Give a lower minimum quality to use them.");

    port.BeginPhase("Water level from GNSS heights");
    struct EndPhase {
        UserPort& p;
        ~EndPhase() { p.EndPhase(); }
    } endPhase{port};

    // Heights reduced to the waterline and the datum.
    const size_t n = used.size();
    std::vector<int64_t> t(n);
    std::vector<double> h(n);
    const double fixed = s.antennaHeight + s.constantSeparation + s.datumOffset;
    for (size_t k = 0; k < n; ++k) {
        const CVKData& r = doc.Records[used[k]];
        t[k] = r.TimeHundredths();
        h[k] = r.Z / 100.0 - fixed;
    }
    if (source) {
        // Longitudes and latitudes of the used positions from k on: stored 1e-7 degree, or
        // centimetres of a grid that the source turns into degrees.
        const bool geographic = doc.IsGeographic();
        std::string error;
        const auto lonLat = [&](size_t from, size_t m, std::vector<double>& lon, std::vector<double>& lat) {
            lon.resize(m);
            lat.resize(m);
            const double unit = geographic ? 1e7 : 100.0;
            for (size_t k = 0; k < m; ++k) {
                lon[k] = doc.Records[used[from + k]].X / unit;
                lat[k] = doc.Records[used[from + k]].Y / unit;
            }
            return geographic || source->ToLonLat(lon, lat, error);
        };
        std::vector<double> lon, lat, sep;
        double south = 90, north = -90, west = 180, east = -180, west360 = 360, east360 = 0;
        for (size_t at = 0; at < n; at += kLookupChunk) {
            const size_t m = std::min(kLookupChunk, n - at);
            if (!lonLat(at, m, lon, lat)) return Fail(port, error);
            for (size_t k = 0; k < m; ++k) {
                const double lo = lon[k], la = lat[k];
                south = std::min(south, la);
                north = std::max(north, la);
                west = std::min(west, lo);
                east = std::max(east, lo);
                const double l360 = lo < 0 ? lo + 360 : lo;
                west360 = std::min(west360, l360);
                east360 = std::max(east360, l360);
            }
        }
        // A survey across 180° is narrower counted from 0° to 360°.
        if (east360 - west360 < east - west) {
            west = west360 > 180 ? west360 - 360 : west360;
            east = east360 > 180 ? east360 - 360 : east360;
        }
        if (!source->Prepare(west, south, east, north, error)) return Fail(port, error);
        for (size_t at = 0; at < n; at += kLookupChunk) {
            const size_t m = std::min(kLookupChunk, n - at);
            if (!lonLat(at, m, lon, lat)) return Fail(port, error);
            sep.assign(m, 0.0);
            if (!source->Lookup(lon, lat, sep, error)) return Fail(port, error);
            for (size_t k = 0; k < m; ++k) h[at + k] -= sep[k];
            port.SetProgress(static_cast<int>(80 * (at + m) / n));
        }
    }
    used.clear();
    used.shrink_to_fit();

    // Time order, should the records not be in it yet.
    if (!std::is_sorted(t.begin(), t.end())) {
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return t[a] < t[b]; });
        std::vector<int64_t> t2(n);
        std::vector<double> h2(n);
        for (size_t k = 0; k < n; ++k) {
            t2[k] = t[order[k]];
            h2[k] = h[order[k]];
        }
        t.swap(t2);
        h.swap(h2);
    }

    // Stretches between gaps longer than maxGap, each smoothed and resampled.
    const auto hundredths = [](double seconds) { return static_cast<int64_t>(std::llround(seconds * 100.0)); };
    const int64_t half = hundredths(s.window / 2);
    const int64_t interval = hundredths(s.interval);
    const int64_t maxGap = hundredths(s.maxGap);
    std::vector<double> scratch;
    size_t start = 0;
    for (size_t k = 1; k <= n; ++k) {
        if (k < n && t[k] - t[k - 1] <= maxGap) continue;
        if (k < n) ++result.gaps;
        SmoothSegment(std::span(t).subspan(start, k - start), std::span(h).subspan(start, k - start), half, interval,
                      result.levels, scratch);
        start = k;
    }
    port.SetProgress(100);
    if (result.levels.empty())
        return Fail(port, "The " + std::to_string(n) + " usable positions span less than one tide interval (" +
                              Seconds(s.interval) + " s) between gaps: no tide record to make.");
    return true;
}

bool TideFromGnss(CVKDoc& doc, const GnssTideSettings& settings, SeparationSource* source, UserPort& port) {
    GnssTideResult result;
    if (!ComputeGnssTide(doc, settings, source, result, port)) return false;
    // The stored tide is a 16-bit count of centimetres.
    std::vector<CVKData> tides;
    tides.reserve(result.levels.size());
    for (const TideLevel& l : result.levels) {
        const double cm = std::round(l.level * 100.0);
        if (!(cm >= INT16_MIN && cm <= INT16_MAX))
            return Fail(port, "The water level at " + TimeText(l.time) + " comes out at " + Metres(l.level) +
                                  " m, beyond what a tide record holds (±327.67 m). Check whether the heights are "
                                  "ellipsoidal or above the geoid, and the separation.");
        const int64_t seconds = l.time >= 0 ? l.time / 100 : -((-l.time + 99) / 100);
        tides.push_back(CVKData::OfKind(seconds, static_cast<int>(cm), REC_TIDE,
                                        static_cast<uint8_t>(l.time - seconds * 100)));
    }
    size_t existing = 0;
    for (const CVKData& r : doc.Records) existing += (r.Flags & kKinds) == REC_TIDE;
    if (existing > 0 &&
        !port.AskYesNo("The survey has " + std::to_string(existing) + " tide records. Replace them with the " +
                       std::to_string(tides.size()) + " water levels from the GNSS heights?"))
        return false;

    doc.WillWrite(kEveryField);
    std::erase_if(doc.Records, [](const CVKData& r) { return (r.Flags & kKinds) == REC_TIDE; });
    doc.ReserveRecords(doc.Records.size() + tides.size());
    for (const CVKData& r : tides) doc.AddRecord(r);
    doc.KindFlags |= REC_TIDE;
    // The new records carry none of the old tides' offsets.
    doc.TideOffset = 0;
    doc.TideTimeOffset = 0;
    doc.NeedsSort = true;
    Recalculate(doc, port);

    std::string text = std::to_string(tides.size()) + " tide records from " + std::to_string(result.used) +
                       " GNSS heights.";
    if (result.belowQuality > 0)
        text += "\n" + std::to_string(result.belowQuality) + " positions below " + GgaQualityName(settings.minQuality) +
                " were left out.";
    if (result.withoutHeight > 0)
        text += "\n" + std::to_string(result.withoutHeight) + " positions without a height were left out.";
    if (result.unknownQuality > 0)
        text += "\n" + std::to_string(result.unknownQuality) + " positions of unknown fix quality were used.";
    if (result.gaps > 0)
        text += "\n" + std::to_string(result.gaps) + " gaps longer than " + Seconds(settings.maxGap) +
                " s are left without tides.";
    port.Message(text, Severity::Info);
    return true;
}

bool CompareTides(const CVKDoc& doc, const std::vector<TideLevel>& gnss, TideComparison& c, UserPort& port,
                  double maxGap) {
    c = TideComparison{};
    c.gnss = gnss;
    for (const CVKData& r : doc.Records)
        if (r.IsLive(REC_TIDE)) c.observed.push_back({r.TimeHundredths(), r.Tide / 100.0});
    if (c.observed.empty()) return Fail(port, "The survey has no tide records to compare the GNSS water level with.");
    std::stable_sort(c.observed.begin(), c.observed.end(),
                     [](const TideLevel& a, const TideLevel& b) { return a.time < b.time; });
    const auto gap = static_cast<int64_t>(std::llround(maxGap * 100.0));
    double sum = 0, sum2 = 0;
    for (const TideLevel& g : gnss) {
        const auto after = std::lower_bound(c.observed.begin(), c.observed.end(), g.time,
                                            [](const TideLevel& o, int64_t t) { return o.time < t; });
        double observed;
        if (after != c.observed.end() && after->time == g.time) {
            observed = after->level;
        } else {
            if (after == c.observed.begin() || after == c.observed.end()) continue;
            const TideLevel& a = *(after - 1);
            const TideLevel& b = *after;
            if (b.time - a.time > gap) continue;
            observed = a.level + (b.level - a.level) * static_cast<double>(g.time - a.time) /
                                     static_cast<double>(b.time - a.time);
        }
        const double d = g.level - observed;
        ++c.compared;
        sum += d;
        sum2 += d * d;
        if (std::fabs(d) > std::fabs(c.maxAbs) || c.compared == 1) {
            c.maxAbs = d;
            c.maxAt = g.time;
        }
    }
    if (c.compared == 0)
        return Fail(port, "None of the " + std::to_string(gnss.size()) +
                              " GNSS water levels falls within the observed tides (" +
                              TimeText(c.observed.front().time) + " to " + TimeText(c.observed.back().time) + ").");
    const double k = static_cast<double>(c.compared);
    c.mean = sum / k;
    c.stdDev = std::sqrt(std::max(0.0, sum2 / k - c.mean * c.mean));
    return true;
}

std::string ComparisonText(const TideComparison& c) {
    std::string s;
    s += "compared=" + std::to_string(c.compared) + "\n";
    s += "gnss-levels=" + std::to_string(c.gnss.size()) + "\n";
    s += "observed-tides=" + std::to_string(c.observed.size()) + "\n";
    s += "mean=" + Metres(c.mean) + "\n";
    s += "std-dev=" + Metres(c.stdDev) + "\n";
    s += "max=" + Metres(c.maxAbs) + "\n";
    s += "max-at=" + TimeText(c.maxAt) + "\n";
    return s;
}

}  // namespace aq
