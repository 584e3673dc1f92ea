// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/lines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "model/civiltime.h"
#include "model/corrected.h"

namespace aq {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Heading of a displacement in degrees clockwise from north, 0 <= h < 360.
double HeadingOf(double de, double dn) {
    double h = std::atan2(de, dn) / kDegree;
    if (h < 0) h += 360.0;
    return h >= 360.0 ? 0.0 : h;
}

// The smaller angle between two headings, 0 to 180 degrees.
double AngleBetween(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// The smaller angle between two axes (headings taken either way along them), 0 to 90.
double AxisAngle(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 180.0);
    return d > 90.0 ? 180.0 - d : d;
}

}  // namespace

LocalFrame::LocalFrame(const CVKDoc& doc) : geographic_(doc.IsGeographic()) {
    const bool extents = doc.FirstPosIndex >= 0;
    x0_ = extents ? CoordToReal(doc.XMin / 2 + doc.XMax / 2, geographic_) : 0.0;
    y0_ = extents ? CoordToReal(doc.YMin / 2 + doc.YMax / 2, geographic_) : 0.0;
    if (geographic_) {
        // Lengths of a degree of latitude and of longitude on WGS84 at the centre.
        const double phi = y0_ * kDegree;
        ky_ = 111132.954 - 559.822 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
        kx_ = 111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi) + 0.118 * std::cos(5 * phi);
        // Nobody surveys at a pole; keep the frame usable all the same.
        if (kx_ < 1.0) kx_ = 1.0;
    }
}

void LocalFrame::ToMetres(const CVKData& r, double& east, double& north) const {
    east = (CorrectedX(r, geographic_) - x0_) * kx_;
    north = (CorrectedY(r, geographic_) - y0_) * ky_;
}

const char* LineKindName(LineKind kind) {
    switch (kind) {
        case LineKind::Main: return "main";
        case LineKind::Cross: return "cross";
        case LineKind::Other: return "other";
    }
    return "";
}

size_t LineSet::Count(LineKind kind) const {
    return static_cast<size_t>(std::count_if(Lines.begin(), Lines.end(), [kind](const SurveyLine& l) { return l.Kind == kind; }));
}

std::string LineOptionsRefusal(const LineOptions& o) {
    const auto bad = [](double v) { return !std::isfinite(v) || v <= 0; };
    if (bad(o.TurnAngle) || o.TurnAngle >= 180) return "The turn angle must be more than 0 and less than 180 degrees.";
    if (bad(o.TurnDistance)) return "The turn distance must be more than 0 metres.";
    if (bad(o.GapSeconds)) return "The gap in time must be more than 0 seconds.";
    if (bad(o.GapDistance)) return "The gap in distance must be more than 0 metres.";
    if (!std::isfinite(o.MinLength) || o.MinLength < 0) return "The minimum line length must be 0 metres or more.";
    if (bad(o.Tolerance) || o.Tolerance >= 45) return "The heading tolerance must be more than 0 and less than 45 degrees.";
    return {};
}

namespace {

// The positions of the whole track, with what lies between them.
struct Track {
    std::vector<TrackFix> fixes;
    std::vector<uint32_t> soundingsBefore;  // live depths before each position
    std::vector<uint8_t> breakBefore;       // an event lies between it and the one before
    std::vector<uint32_t> soundings;
};

Track GatherTrack(const CVKDoc& doc, const LocalFrame& frame, bool splitAtEvents, UserPort& port) {
    Track t;
    const std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    t.soundings.reserve(static_cast<size_t>(std::max(doc.CountDepth, 0)));
    t.fixes.reserve(static_cast<size_t>(std::max(doc.CountPos, 0)));
    const size_t step = std::max<size_t>(n / 20, 1);
    bool eventSeen = false;
    for (size_t i = 0; i < n; ++i) {
        if (i % step == 0) port.SetProgress(static_cast<int>(i * 80 / n));
        const CVKData& r = recs[i];
        if (r.IsDeleted()) continue;
        if (r.IsLive(REC_DEPTH)) {
            t.soundings.push_back(static_cast<uint32_t>(i));
            continue;
        }
        if (splitAtEvents && (r.Flags & REC_EVENT)) eventSeen = true;
        if (r.Flags & REC_POSITION) {
            TrackFix f;
            frame.ToMetres(r, f.East, f.North);
            f.Time = r.TimeHundredths();
            f.Record = static_cast<uint32_t>(i);
            t.fixes.push_back(f);
            t.soundingsBefore.push_back(static_cast<uint32_t>(t.soundings.size()));
            t.breakBefore.push_back(eventSeen ? 1 : 0);
            eventSeen = false;
        }
    }
    return t;
}

// Marks the positions of a run [r0, r1) that lie in a turn: where the heading over the
// last TurnDistance metres of track and the one over the next differ by more than the
// turn angle, or where the track over that distance wanders rather than runs (its chord
// is less than half its length, as when the boat lies still). Near the ends of a run, half
// the distance is enough to judge; less is not judged.
void MarkTurns(const std::vector<TrackFix>& fixes, size_t r0, size_t r1, const LineOptions& o,
               std::vector<double>& s, std::vector<uint8_t>& turning) {
    const size_t m = r1 - r0;
    s.assign(m, 0.0);
    for (size_t k = 1; k < m; ++k)
        s[k] = s[k - 1] + std::hypot(fixes[r0 + k].East - fixes[r0 + k - 1].East, fixes[r0 + k].North - fixes[r0 + k - 1].North);
    turning.assign(m, 0);
    const double d = o.TurnDistance;
    size_t behind = 0;  // the last position at least d behind, while there is one
    size_t ahead = 0;   // the first position at least d ahead, or the run's last
    for (size_t k = 0; k < m; ++k) {
        while (behind + 1 <= k && s[k] - s[behind + 1] >= d) ++behind;
        ahead = std::max(ahead, k);
        while (ahead + 1 < m && s[ahead] - s[k] < d) ++ahead;
        const TrackFix& p = fixes[r0 + k];
        const TrackFix& b = fixes[r0 + behind];
        const TrackFix& a = fixes[r0 + ahead];
        const double pathBefore = s[k] - s[behind];
        const double pathAfter = s[ahead] - s[k];
        const bool before = pathBefore >= d / 2;
        const bool after = pathAfter >= d / 2;
        const double be = p.East - b.East, bn = p.North - b.North;
        const double ae = a.East - p.East, an = a.North - p.North;
        bool turn = false;
        if (before && std::hypot(be, bn) < pathBefore / 2) turn = true;
        if (after && std::hypot(ae, an) < pathAfter / 2) turn = true;
        if (before && after && AngleBetween(HeadingOf(be, bn), HeadingOf(ae, an)) > o.TurnAngle) turn = true;
        turning[k] = turn ? 1 : 0;
    }
}

// The dominant axis of the lines, 0 to 180 degrees: the heading, taken either way, along
// which the most length of line runs within the tolerance.
double DominantAxis(const std::vector<SurveyLine>& lines, double tolerance) {
    std::array<double, 180> bins{};
    for (const SurveyLine& l : lines) bins[static_cast<size_t>(std::fmod(l.Heading, 180.0)) % 180] += l.Length;
    const int reach = static_cast<int>(std::ceil(tolerance));
    size_t best = 0;
    double bestSum = -1;
    for (size_t b = 0; b < 180; ++b) {
        double sum = 0;
        for (int j = -reach; j <= reach; ++j) sum += bins[static_cast<size_t>((static_cast<int>(b) + j + 180) % 180)];
        if (sum > bestSum) {
            bestSum = sum;
            best = b;
        }
    }
    // The length-weighted mean axis of the lines near that bin (on doubled angles, so that
    // 179 and 1 degrees average to 0).
    double c = 0, sn = 0;
    for (const SurveyLine& l : lines) {
        if (AxisAngle(l.Heading, best + 0.5) > tolerance) continue;
        c += l.Length * std::cos(2 * l.Heading * kDegree);
        sn += l.Length * std::sin(2 * l.Heading * kDegree);
    }
    if (c == 0 && sn == 0) return best + 0.5;
    double axis = std::atan2(sn, c) / kDegree / 2;
    if (axis < 0) axis += 180.0;
    return axis >= 180.0 ? 0.0 : axis;
}

void Classify(LineSet& set, const LineOptions& o) {
    if (set.Lines.empty()) return;
    set.MainHeading = DominantAxis(set.Lines, o.Tolerance);
    if (!o.CrossLines.empty()) {
        for (SurveyLine& l : set.Lines)
            l.Kind = std::find(o.CrossLines.begin(), o.CrossLines.end(), l.Number) != o.CrossLines.end() ? LineKind::Cross
                                                                                                          : LineKind::Main;
        return;
    }
    for (SurveyLine& l : set.Lines) {
        const double off = AxisAngle(l.Heading, set.MainHeading);
        l.Kind = off <= o.Tolerance ? LineKind::Main : (90.0 - off <= o.Tolerance ? LineKind::Cross : LineKind::Other);
    }
}

}  // namespace

LineSet FindLines(const CVKDoc& doc, const LineOptions& o, UserPort* progress) {
    LineSet set;
    set.Frame = LocalFrame(doc);
    SilentPort quiet;
    UserPort& port = progress ? *progress : quiet;
    port.BeginPhase("Finding Survey Lines");
    port.SetProgress(0);
    Track track = GatherTrack(doc, set.Frame, o.SplitAtEvents, port);
    set.HadPositions = !track.fixes.empty();

    const std::vector<TrackFix>& fixes = track.fixes;
    const size_t n = fixes.size();
    std::vector<double> s;
    std::vector<uint8_t> turning;
    size_t r0 = 0;
    while (r0 < n) {
        // A run: consecutive positions with no gap or event between them.
        size_t r1 = r0 + 1;
        while (r1 < n) {
            const TrackFix& a = fixes[r1 - 1];
            const TrackFix& b = fixes[r1];
            const int64_t dt = b.Time - a.Time;
            const bool gap = track.breakBefore[r1] || dt < 0 || static_cast<double>(dt) > o.GapSeconds * 100.0 ||
                             std::hypot(b.East - a.East, b.North - a.North) > o.GapDistance;
            if (gap) break;
            ++r1;
        }
        MarkTurns(fixes, r0, r1, o, s, turning);
        // Lines: the stretches of the run outside turns, long enough.
        size_t k = 0;
        const size_t m = r1 - r0;
        while (k < m) {
            while (k < m && turning[k]) ++k;
            const size_t k0 = k;
            while (k < m && !turning[k]) ++k;
            if (k - k0 < 2) continue;
            const double length = s[k - 1] - s[k0];
            if (length < o.MinLength || length <= 0) continue;
            const TrackFix& first = fixes[r0 + k0];
            const TrackFix& last = fixes[r0 + k - 1];
            SurveyLine l;
            l.Number = static_cast<int>(set.Lines.size()) + 1;
            l.Heading = HeadingOf(last.East - first.East, last.North - first.North);
            l.Length = length;
            l.Start = first.Time;
            l.End = last.Time;
            l.FirstRecord = first.Record;
            l.LastRecord = last.Record;
            l.FixBegin = static_cast<uint32_t>(r0 + k0);
            l.FixEnd = static_cast<uint32_t>(r0 + k);
            l.SoundingBegin = track.soundingsBefore[r0 + k0];
            l.SoundingEnd = track.soundingsBefore[r0 + k - 1];
            set.Lines.push_back(l);
        }
        r0 = r1;
    }
    port.SetProgress(90);
    Classify(set, o);
    set.Fixes = std::move(track.fixes);
    set.SoundingsBefore = std::move(track.soundingsBefore);
    set.Soundings = std::move(track.soundings);
    port.SetProgress(100);
    port.EndPhase();
    return set;
}

bool SurveyLines(const CVKDoc& doc, const LineOptions& options, LineSet& out, UserPort& port) {
    if (const std::string refusal = LineOptionsRefusal(options); !refusal.empty()) {
        port.Message(refusal, Severity::Error);
        return false;
    }
    out = FindLines(doc, options, &port);
    if (!out.HadPositions) {
        port.Message(NO_POSITIONS, Severity::Error);
        return false;
    }
    if (out.Lines.empty()) {
        port.Message(NO_LINES, Severity::Error);
        return false;
    }
    return true;
}

bool ParseLineList(const std::string& text, std::vector<int>& out) {
    out.clear();
    size_t at = 0;
    const auto number = [&](int& v) {
        const size_t from = at;
        long long value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            value = value * 10 + (text[at] - '0');
            if (value > 1'000'000'000) return false;
            ++at;
        }
        v = static_cast<int>(value);
        return at > from && v > 0;
    };
    while (at < text.size()) {
        int a = 0, b = 0;
        if (!number(a)) return false;
        b = a;
        if (at < text.size() && text[at] == '-') {
            ++at;
            if (!number(b) || b < a || b - a > 1'000'000) return false;
        }
        for (int v = a; v <= b; ++v) out.push_back(v);
        if (at < text.size()) {
            if (text[at] != ',') return false;
            ++at;
            if (at == text.size()) return false;
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return !out.empty();
}

std::string MomentText(int64_t hundredths) {
    const int64_t seconds = hundredths >= 0 ? hundredths / 100 : -((-hundredths + 99) / 100);
    const int64_t rest = hundredths - seconds * 100;
    std::string text = civil::Format("%Y-%m-%d %H:%M:%S", seconds);
    if (text.empty()) return "-";
    text += '.';
    text += static_cast<char>('0' + rest / 10);
    text += static_cast<char>('0' + rest % 10);
    return text;
}

}  // namespace aq
