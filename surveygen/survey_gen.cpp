// SPDX-License-Identifier: GPL-3.0-or-later
#include "survey_gen.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "model/civiltime.h"
#include "processing/recalc.h"

namespace aq::gen {
namespace {

// splitmix64: small, fast and the same on every platform, unlike the standard
// distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int32_t Range(int32_t lo, int32_t hi) {
        return lo + static_cast<int32_t>(Next() % static_cast<uint64_t>(static_cast<int64_t>(hi) - lo + 1));
    }

private:
    uint64_t state_;
};

constexpr double kPi = 3.14159265358979323846;

// Rates of the three instruments.
constexpr int kDepthsPerSecond = 10;
constexpr int kTideInterval = 600;   // s
constexpr int kEventInterval = 300;  // s

// The boat runs 300 m lines at 1.5 m/s, 10 m apart, turning at each end; the harbour
// floor shelves from 3 m to 12 m across the lines.
constexpr int64_t kEast0 = 45'312'000;   // cm
constexpr int64_t kNorth0 = 580'125'000;  // cm
constexpr int kLineSeconds = 200;
constexpr int kLineCount = 60;

struct Plan {
    int64_t east;
    int64_t north;
};

Plan BoatAt(int64_t second) {
    const int64_t line = (second / kLineSeconds) % kLineCount;
    const int64_t along = second % kLineSeconds;
    const int64_t run = (line % 2 == 0) ? along : kLineSeconds - along;  // back and forth
    return {kEast0 + run * 150, kNorth0 + line * 1000};
}

// Tide in cm: a semidiurnal wave of 1.5 m amplitude.
int32_t TideAt(int64_t second) {
    return static_cast<int32_t>(std::lround(150.0 * std::sin(2.0 * kPi * static_cast<double>(second) / 44712.0)));
}

// Seabed depth below the transducer in cm at a plan position.
int32_t DepthAt(const Plan& p, int32_t tide) {
    const double across = static_cast<double>(p.north - kNorth0) / (kLineCount * 1000.0);
    const double along = static_cast<double>(p.east - kEast0) / (kLineSeconds * 150.0);
    const double floor = 300.0 + 900.0 * across + 80.0 * std::sin(6.0 * kPi * along);
    return static_cast<int32_t>(floor) + tide;
}

}  // namespace

void GenerateSurvey(CVKDoc& doc, size_t n, uint64_t seed) {
    Rng rng(seed);
    const int64_t start = civil::FromFields(2009, 12, 5, 8, 0, 0);

    // Seconds of logging so that depths, positions, tides and events make about n;
    // the depth run absorbs the rounding so the total is exact.
    const double perSecond = kDepthsPerSecond + 1.0 + 1.0 / kTideInterval + 1.0 / kEventInterval;
    const int64_t seconds = std::max<int64_t>(1, static_cast<int64_t>(static_cast<double>(n) / perSecond));
    const size_t positions = static_cast<size_t>(seconds);
    const size_t tides = static_cast<size_t>(seconds / kTideInterval + 1);
    const size_t events = static_cast<size_t>(seconds / kEventInterval);
    const size_t fixed = positions + tides + events;
    const size_t depths = n > fixed ? n - fixed : 0;

    doc.Records.clear();
    doc.Records.shrink_to_fit();
    doc.Records.reserve(n);

    // Run 1, the sounder file: depths at 10 Hz with an event every five minutes.
    {
        size_t written = 0;
        size_t eventsWritten = 0;
        for (int64_t k = 0; written < depths || eventsWritten < events; ++k) {
            const int64_t second = k / kDepthsPerSecond;
            const int tenth = static_cast<int>(k % kDepthsPerSecond);
            if (tenth == 0 && second > 0 && second % kEventInterval == 0 && eventsWritten < events &&
                doc.Records.size() < n) {
                doc.AddRecord(CVKData::OfKind(start + second, static_cast<int>(eventsWritten + 1), REC_EVENT, 0));
                ++eventsWritten;
            }
            if (written >= depths) {
                if (second > seconds + kEventInterval) break;
                continue;
            }
            const Plan p = BoatAt(second);
            const int depth = DepthAt(p, TideAt(second)) + rng.Range(-8, 8);
            const auto quality = static_cast<uint8_t>(rng.Range(60, 127));
            const auto hundredths = static_cast<uint8_t>(tenth * 10 + rng.Range(0, 9));
            CVKData d = CVKData::OfDepth(start + second, depth, quality, REC_DEPTH | REC_SOUNDER, hundredths);
            d.Pitch = static_cast<int16_t>(rng.Range(-300, 300));
            d.Roll = static_cast<int16_t>(rng.Range(-500, 500));
            d.Heave = static_cast<int16_t>(rng.Range(-15, 15));
            doc.AddRecord(d);
            ++written;
        }
    }

    // Run 2, the receiver file: RTK fixes at 1 Hz with antenna heights.
    for (size_t s = 0; s < positions && doc.Records.size() < n; ++s) {
        const int64_t second = static_cast<int64_t>(s);
        const Plan p = BoatAt(second);
        const auto x = static_cast<int32_t>(p.east + rng.Range(-5, 5));
        const auto y = static_cast<int32_t>(p.north + rng.Range(-5, 5));
        const int32_t z = 120 + TideAt(second) + rng.Range(-3, 3);
        doc.AddRecord(CVKData::OfPosition(start + second, x, y, z, REC_POSITION, 0));
    }

    // Run 3, the tide table: every ten minutes from the start.
    for (size_t t = 0; t < tides && doc.Records.size() < n; ++t) {
        const int64_t second = static_cast<int64_t>(t) * kTideInterval;
        doc.AddRecord(CVKData::OfKind(start + second, TideAt(second), REC_TIDE, 0));
    }

    // Very small n may leave the sounder run short; top up with depths at the end.
    while (doc.Records.size() < n) {
        doc.AddRecord(CVKData::OfDepth(start + seconds, 500, 100, REC_DEPTH, 0));
    }

    doc.KindFlags = 0;
    for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = true;
}

void GenerateLineSurvey(CVKDoc& doc, size_t soundings, uint64_t seed) {
    Rng rng(seed);
    const int64_t start = civil::FromFields(2009, 12, 5, 8, 0, 0);
    doc.Records.clear();
    doc.Records.shrink_to_fit();
    // A position a second and an event a line beside ten depths a second.
    doc.Records.reserve(soundings + soundings / 10 + soundings / 1000 + 64);

    constexpr double kSpeed = 2.0;  // m/s on a line and in a turn
    constexpr int kMainLines = 50, kCrossLines = 11;
    const auto seabed = [](double x, double y) {
        return 400.0 + 1.0 * x + 0.8 * y + 30.0 * std::sin(x / 40.0) * std::cos(y / 25.0);  // cm
    };
    size_t depths = 0;
    int64_t t = 0;  // seconds from the start
    double px = 0, py = 0;
    // Runs from (px, py) to (x, y) at the boat's speed, logging as it goes; a survey line
    // starts with an event.
    const auto run = [&](double x, double y, bool line) {
        const double length = std::hypot(x - px, y - py);
        const int seconds = std::max(1, static_cast<int>(std::lround(length / kSpeed)));
        if (line) doc.AddRecord(CVKData::OfKind(start + t, 1, REC_EVENT, 0));
        for (int s = 0; s < seconds && depths < soundings; ++s, ++t) {
            for (int k = 0; k < 10 && depths < soundings; ++k) {
                const double f = (s + k / 10.0) / seconds;
                const double ex = px + f * (x - px), ny = py + f * (y - py);
                if (k == 0)
                    doc.AddRecord(CVKData::OfPosition(start + t, static_cast<int32_t>(std::lround(ex * 100)),
                                                      static_cast<int32_t>(std::lround(ny * 100)), 0, REC_POSITION, 0));
                int depth = static_cast<int>(seabed(ex, ny)) + rng.Range(-4, 4);
                if (rng.Range(0, 1999) == 0) depth += rng.Range(100, 300);
                doc.AddRecord(CVKData::OfDepth(start + t, depth, 100, REC_DEPTH, static_cast<uint8_t>(k * 10)));
                ++depths;
            }
        }
        px = x;
        py = y;
    };
    // A half circle from (px, py) to (x, y), on the side `ahead` of the line just run.
    const auto turn = [&](double x, double y, double aheadX, double aheadY) {
        const double cx = (px + x) / 2, cy = (py + y) / 2, r = std::hypot(x - px, y - py) / 2;
        const double ax = (px - cx) / r, ay = (py - cy) / r;
        const int steps = 8;
        for (int i = 1; i <= steps && depths < soundings; ++i) {
            const double a = kPi * i / steps;
            run(cx + r * (std::cos(a) * ax + std::sin(a) * aheadX), cy + r * (std::cos(a) * ay + std::sin(a) * aheadY),
                false);
        }
    };
    while (depths < soundings) {
        for (int i = 0; i < kMainLines && depths < soundings; ++i) {
            const bool east = i % 2 == 0;
            const double y = 10.0 * i;
            if (i > 0) turn(east ? 0 : 1000, y, east ? -1 : 1, 0);
            else run(east ? 0 : 1000, y, false);
            run(east ? 1000 : 0, y, true);
        }
        for (int i = 0; i < kCrossLines && depths < soundings; ++i) {
            const bool north = i % 2 == 0;
            const double x = 1000.0 - 100.0 * i;
            if (i > 0) turn(x, north ? -10 : 500, 0, north ? -1 : 1);
            else run(x, north ? -10 : 500, false);
            run(x, north ? 500 : -10, true);
        }
        // Back to the start outside the lines' ends, for the next pass.
        run(-50, -50, false);
    }
    doc.KindFlags = 0;
    for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = true;
    SilentPort quiet;
    Recalculate(doc, quiet);
}

void MakeSmallSurvey(CVKDoc& doc, int seconds, uint32_t seed) {
    const int64_t start = civil::FromFields(2009, 12, 5, 8, 0, 0);
    uint32_t state = seed;
    const auto rnd = [&state](int span) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(span));
    };
    for (int s = 0; s < seconds; ++s) {
        const int line = (s / 120) % 12;
        const int along = (line % 2 == 0) ? s % 120 : 120 - s % 120;
        const int32_t x = 45'000'000 + along * 180 + rnd(40);
        const int32_t y = 580'000'000 + line * 900 + rnd(40);
        CVKData p = CVKData::OfPosition(start + s, x, y, 120 + rnd(30), REC_POSITION, 0);
        if (rnd(97) == 0) p.Flags |= REC_DELETED;
        doc.AddRecord(p);
        for (int k = 0; k < 5; ++k) {
            const int depth = 400 + static_cast<int>(150 * std::sin(along / 20.0)) + line * 20 + rnd(12);
            CVKData d = CVKData::OfDepth(start + s, depth, static_cast<uint8_t>(60 + rnd(67)), REC_DEPTH,
                                         static_cast<uint8_t>(k * 20));
            if (rnd(53) == 0) d.Flags |= REC_DELETED;
            doc.AddRecord(d);
        }
        if (s % 600 == 0) doc.AddRecord(CVKData::OfKind(start + s, 100 + rnd(50), REC_TIDE, 0));
        if (s % 300 == 150) doc.AddRecord(CVKData::OfKind(start + s, s / 300, REC_EVENT, 0));
    }
    for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
    doc.NeedsSort = true;
    SilentPort quiet;
    Recalculate(doc, quiet);
}


namespace {

int64_t StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    const std::string prefix = key;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) return std::stoll(line.substr(prefix.size())) * 1024;  // kB
    }
    return 0;
}

}  // namespace

int64_t RssBytes() { return StatusBytes("VmRSS:"); }
int64_t PeakRssBytes() { return StatusBytes("VmHWM:"); }

bool ResetPeakRss() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace aq::gen
