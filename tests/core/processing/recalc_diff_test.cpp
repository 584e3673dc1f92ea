// SPDX-License-Identifier: GPL-3.0-or-later
// The optimised sort, interpolation, extension and level axis against the plain
// reference version, on random surveys built to reach the awkward corners: odd flags,
// deleted records, equal seconds, unsorted runs, 32-bit wraparound of times and
// coordinates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/civiltime.h"
#include "model/data.h"
#include "model/doc.h"
#include "model/muldiv.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "reference/literal_recalc.h"

namespace aq {
namespace {

// What the pipeline reads of a document, so a survey can be replayed into fresh ones.
struct Survey {
    std::vector<CVKData> Records;
    uint16_t KindFlags = 0;
    int32_t LevelMin = -10, LevelMax = 10;
    int32_t InterpLimit = 10;
    bool NeedsSort = true;
};

void Load(const Survey& s, CVKDoc& doc) {
    doc.Records = s.Records;
    doc.KindFlags = s.KindFlags;
    doc.LevelMin = s.LevelMin;
    doc.LevelMax = s.LevelMax;
    doc.InterpLimit = s.InterpLimit;
    doc.NeedsSort = s.NeedsSort;
    // Stale values the measuring must overwrite.
    doc.XMin = doc.YMin = -77;
    doc.XMax = doc.YMax = 77;
    doc.FirstPosIndex = doc.LastPosIndex = 5;
}

// How the passes under test share their work: as the program does, unless a test asks
// for two threads however few the records (TwoThreads).
ParallelSettings g_parallel = kRecalcParallel;

void RunFast(CVKDoc& doc) {
    SilentPort quiet;
    SortAndMeasure(doc, quiet, g_parallel);
    Interpolate(doc, quiet, g_parallel);
    ExtendPositions(doc);
    MeasureLevels(doc, g_parallel);
}

void RunLiteral(CVKDoc& doc) {
    literal::SortAndMeasure(doc);
    literal::Interpolate(doc);
    literal::ExtendPositions(doc);
    literal::MeasureLevels(doc);
}

std::string Show(const CVKData& r) {
    std::ostringstream o;
    o << "{Time " << r.Time << ", H " << int(r.Hundredths) << ", Flags 0x" << std::hex << r.Flags << std::dec
      << ", X " << r.X << ", Y " << r.Y << ", Z " << r.Z << ", Depth " << r.Depth << ", Tide " << r.Tide
      << ", Pitch " << r.Pitch << ", Roll " << r.Roll << ", Heave " << r.Heave << ", Q " << int(r.Quality) << "}";
    return o.str();
}

bool SameRecord(const CVKData& a, const CVKData& b) {
    return a.Time == b.Time && a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.Depth == b.Depth && a.Tide == b.Tide &&
           a.Pitch == b.Pitch && a.Roll == b.Roll && a.Heave == b.Heave && a.ptHeight == b.ptHeight &&
           a.ptTide == b.ptTide && a.ptSeabed == b.ptSeabed && a.ptDepthUp == b.ptDepthUp && a.ptPlan == b.ptPlan &&
           a.Flags == b.Flags && a.Quality == b.Quality && a.Hundredths == b.Hundredths;
}

// Empty when both documents agree, otherwise the first few differences.
std::string Differences(const CVKDoc& fast, const CVKDoc& ref) {
    std::ostringstream o;
    auto field = [&](const char* name, int64_t f, int64_t r) {
        if (f != r) o << name << ": fast " << f << ", reference " << r << "\n";
    };
    field("XMin", fast.XMin, ref.XMin);
    field("XMax", fast.XMax, ref.XMax);
    field("YMin", fast.YMin, ref.YMin);
    field("YMax", fast.YMax, ref.YMax);
    field("FirstPosIndex", fast.FirstPosIndex, ref.FirstPosIndex);
    field("LastPosIndex", fast.LastPosIndex, ref.LastPosIndex);
    field("LevelMin", fast.LevelMin, ref.LevelMin);
    field("LevelMax", fast.LevelMax, ref.LevelMax);
    field("NeedsSort", fast.NeedsSort, ref.NeedsSort);
    field("KindFlags", fast.KindFlags, ref.KindFlags);
    field("record count", static_cast<int64_t>(fast.Records.size()), static_cast<int64_t>(ref.Records.size()));
    int shown = 0;
    for (size_t i = 0; i < std::min(fast.Records.size(), ref.Records.size()) && shown < 4; ++i) {
        if (SameRecord(fast.Records[i], ref.Records[i])) continue;
        o << "record " << i << ":\n  fast      " << Show(fast.Records[i]) << "\n  reference " << Show(ref.Records[i])
          << "\n";
        ++shown;
    }
    return o.str();
}

std::string Mismatch(const Survey& s) {
    CVKDoc fast, ref;
    Load(s, fast);
    Load(s, ref);
    RunFast(fast);
    RunLiteral(ref);
    return Differences(fast, ref);
}

using MismatchFn = std::string (*)(const Survey&);

// Cuts a failing survey down while it still fails: chunks first, then single records.
Survey Shrink(Survey s, MismatchFn mismatch = Mismatch) {
    for (size_t chunk = std::max<size_t>(1, s.Records.size() / 2); chunk >= 1; chunk /= 2) {
        bool progress = true;
        while (progress) {
            progress = false;
            for (size_t at = 0; at < s.Records.size();) {
                Survey t = s;
                const size_t end = std::min(t.Records.size(), at + chunk);
                t.Records.erase(t.Records.begin() + static_cast<std::ptrdiff_t>(at),
                                t.Records.begin() + static_cast<std::ptrdiff_t>(end));
                if (!mismatch(t).empty()) {
                    s = std::move(t);
                    progress = true;
                } else {
                    at += chunk;
                }
            }
        }
        if (chunk == 1) break;
    }
    return s;
}

std::string Listing(const Survey& s) {
    std::ostringstream o;
    o << "KindFlags 0x" << std::hex << s.KindFlags << std::dec << ", LevelMin " << s.LevelMin << ", LevelMax "
      << s.LevelMax << ", InterpLimit " << s.InterpLimit << ", NeedsSort " << s.NeedsSort << ", "
      << s.Records.size() << " records:\n";
    for (const CVKData& r : s.Records) o << "  " << Show(r) << "\n";
    return o.str();
}

// Compares the two pipelines; on a difference reports it with a minimal failing survey.
void ExpectSame(const Survey& s, const std::string& label, MismatchFn mismatch = Mismatch) {
    const std::string diff = mismatch(s);
    if (diff.empty()) return;
    const Survey small = Shrink(s, mismatch);
    ADD_FAILURE() << label << "\n" << diff << "minimal case: " << Listing(small) << mismatch(small);
}

// ---------------------------------------------------------------------------
// Random surveys

class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    Survey Make(std::string& label) {
        Survey s;
        const int n = Pick({200, 300, 500, 800, 1500, 3000});
        const bool geographic = Chance(0.3);
        const bool extreme = Chance(0.25);
        const double deleted = Pick({0.0, 0.05, 0.3, 0.9});
        const double odd = Pick({0.0, 0.02, 0.15});
        const int order = Uniform(0, 4);
        const double tideShare = Pick({0.0, 0.01, 0.08, 0.3});
        const double posShare = Pick({0.0, 0.002, 0.1, 0.3, 0.6});
        const double eventShare = Pick({0.0, 0.02, 0.1});

        const int64_t base = Pick<int64_t>({civil::FromFields(2009, 12, 5, 10, 0, 0), 21474830, 42949670, -40,
                                            100000000000LL});
        // Each kind is logged on its own clock; imports append one kind after another.
        std::vector<CVKData> byKind[5];
        int64_t t = base;
        int64_t x = geographic ? Pick<int64_t>({1799990000, -1799990000, 12345678}) : 50'000'000;
        int64_t y = geographic ? 520000000 : 600000000;
        for (int i = 0; i < n; ++i) {
            t += StepSeconds(order, extreme);
            CVKData r = Garbage(extreme);
            r.Time = order == 3 ? base + Uniform(0, n / 4) : t;
            r.Hundredths = static_cast<uint8_t>(Chance(0.03) ? Uniform(100, 255) : Uniform(0, 99));
            int slot;
            const double k = Real();
            if (k < odd) {
                r.Flags = Pick<uint16_t>({0x00, 0x01, 0x30, 0xA0, 0x50, 0x60, 0xF0, 0x31, 0x100, 0x1010, 0x0220,
                                          0x0420, 0x0810, 0x0C10, 0x2040, 0x8080,
                                          static_cast<uint16_t>(Uniform(0, 0xFFFF))});
                slot = 4;
            } else if (k < odd + posShare) {
                x += Uniform(-300, 300);
                y += Uniform(-300, 300);
                r.X = extreme && Chance(0.2) ? Wild64() : x;
                r.Y = extreme && Chance(0.2) ? Wild64() : y;
                r.Z = extreme && Chance(0.2) ? static_cast<int32_t>(rng_()) : Uniform(-200, 200);
                r.Flags = geographic ? 0x220 : 0x20;
                slot = 1;
            } else if (k < odd + posShare + tideShare) {
                r.Tide = static_cast<int16_t>(extreme && Chance(0.3) ? Uniform(-32768, 32767) : Uniform(-300, 300));
                r.Flags = REC_TIDE;
                slot = 2;
            } else if (k < odd + posShare + tideShare + eventShare) {
                r.Depth = static_cast<int16_t>(Uniform(0, 99));
                r.Flags = REC_EVENT;
                slot = 3;
            } else {
                r.Depth = static_cast<int16_t>(extreme && Chance(0.3) ? Uniform(-32768, 32767) : Uniform(50, 3000));
                r.Quality = static_cast<uint8_t>(Uniform(0, 127));
                r.Flags = static_cast<uint16_t>(REC_DEPTH | (Chance(0.5) ? REC_SOUNDER : 0));
                slot = 0;
            }
            if (Chance(deleted)) r.Flags |= REC_DELETED;
            byKind[slot].push_back(r);
        }

        // Order 1: one run per kind, in a random order of runs, as separate imports append them.
        std::vector<CVKData>& recs = s.Records;
        if (order == 1) {
            int runs[5] = {0, 1, 2, 3, 4};
            std::shuffle(std::begin(runs), std::end(runs), rng_);
            for (int k : runs) recs.insert(recs.end(), byKind[k].begin(), byKind[k].end());
        } else {
            for (auto& v : byKind) recs.insert(recs.end(), v.begin(), v.end());
            std::sort(recs.begin(), recs.end(), [](const CVKData& a, const CVKData& b) {
                return a.TimeHundredths() < b.TimeHundredths();
            });
            // Order 2: nearly sorted, with neighbours swapped here and there.
            if (order == 2) {
                for (size_t i = 1; i < recs.size(); ++i)
                    if (Chance(0.1)) std::swap(recs[i - 1], recs[i]);
            }
            // Order 4: a sorted survey followed by a second pass over the same hours.
            if (order == 4) {
                std::vector<CVKData> again(recs.begin(), recs.begin() + static_cast<std::ptrdiff_t>(recs.size() / 3));
                recs.insert(recs.end(), again.begin(), again.end());
            }
        }

        for (const CVKData& r : recs) s.KindFlags |= r.Flags;
        if (Chance(0.2)) s.KindFlags &= static_cast<uint16_t>(Uniform(0, 0xFFFF));
        s.NeedsSort = Chance(0.7);
        // Around the sizes where the limits in hundredths pass 32 bits, and negative ones.
        s.InterpLimit = Pick<int32_t>(
            {10, 10, 1, 0, 3, 100, 10737, 10738, 100000, 2147483647, -1, -2147483647, Uniform(0, 50)});
        switch (Uniform(0, 3)) {
            case 0: s.LevelMin = -10, s.LevelMax = 10; break;
            case 1: s.LevelMin = Uniform(-1000, 0), s.LevelMax = Uniform(0, 1000); break;
            case 2: s.LevelMin = INT32_MIN + Uniform(0, 150), s.LevelMax = INT32_MAX - Uniform(0, 150); break;
            default: s.LevelMin = 500, s.LevelMax = -500; break;
        }

        std::ostringstream o;
        o << "n " << recs.size() << ", geographic " << geographic << ", extreme " << extreme << ", order " << order
          << ", deleted " << deleted << ", odd " << odd << ", base " << base << ", InterpLimit " << s.InterpLimit
          << ", NeedsSort " << s.NeedsSort << ", KindFlags 0x" << std::hex << s.KindFlags;
        label = o.str();
        return s;
    }

    // Fills in what the pipeline must leave alone or may overwrite, so nothing passes by luck.
    CVKData Garbage(bool extreme) {
        CVKData r;
        r.X = extreme ? Wild64() : Uniform(-1000, 1000);
        r.Y = extreme ? Wild64() : Uniform(-1000, 1000);
        r.Z = extreme ? static_cast<int32_t>(rng_()) : Uniform(-100, 100);
        r.Depth = static_cast<int16_t>(Uniform(-100, 100));
        r.Tide = static_cast<int16_t>(Uniform(-100, 100));
        r.Pitch = static_cast<int16_t>(Uniform(-9000, 9000));
        r.Roll = static_cast<int16_t>(Uniform(-9000, 9000));
        r.Heave = static_cast<int16_t>(Uniform(-50, 50));
        r.Quality = static_cast<uint8_t>(Uniform(0, 255));
        r.ptHeight = {Uniform(-5, 5), Uniform(-5, 5)};
        r.ptPlan = {Uniform(-5, 5), Uniform(-5, 5)};
        return r;
    }

    int64_t StepSeconds(int order, bool extreme) {
        if (extreme && Chance(0.01)) return Pick<int64_t>({21474837, 42949673, 42949672, 1000000000});
        if (order == 0 && Chance(0.3)) return 0;  // equal seconds, different hundredths
        return Pick<int64_t>({0, 0, 1, 1, 2, 5, 30, 600});
    }

    int64_t Wild64() {
        switch (Uniform(0, 3)) {
            case 0: return static_cast<int32_t>(rng_());
            case 1: return Pick<int64_t>({INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1});
            case 2: return static_cast<int64_t>(rng_() % 20000000000ULL) - 10000000000LL;
            default: return Uniform(-1800000000, 1800000000);
        }
    }

    int32_t Uniform(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
    double Real() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
    bool Chance(double p) { return Real() < p; }
    template <typename T>
    T Pick(std::initializer_list<T> v) {
        return *(v.begin() + Uniform(0, static_cast<int32_t>(v.size()) - 1));
    }

private:
    std::mt19937_64 rng_;
};

TEST(RecalcDiff, RandomSurveysMatchReference) {
    for (uint64_t seed = 1; seed <= 1000; ++seed) {
        Generator gen(seed);
        std::string label;
        const Survey s = gen.Make(label);
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label);
        if (HasFailure()) return;  // one shrunk case is enough to read
    }
}

TEST(RecalcDiff, TinySurveysMatchReference) {
    // Below and around the sizes where interpolation and extension start to act.
    for (uint64_t seed = 1000; seed < 1600; ++seed) {
        Generator gen(seed);
        std::string label;
        Survey s = gen.Make(label);
        s.Records.resize(static_cast<size_t>(gen.Uniform(1, 6)));
        s.KindFlags = 0;
        for (const CVKData& r : s.Records) s.KindFlags |= r.Flags;
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label);
        if (HasFailure()) return;
    }
}

TEST(RecalcDiff, RepeatedRecalculationMatchesReference) {
    // The second pass starts from the first one's level axis and interpolated values.
    for (uint64_t seed = 2000; seed < 2040; ++seed) {
        Generator gen(seed);
        std::string label;
        const Survey s = gen.Make(label);
        CVKDoc fast, ref;
        Load(s, fast);
        Load(s, ref);
        RunFast(fast);
        RunLiteral(ref);
        fast.NeedsSort = ref.NeedsSort = true;
        RunFast(fast);
        RunLiteral(ref);
        const std::string diff = Differences(fast, ref);
        ASSERT_TRUE(diff.empty()) << "seed " << seed << ": " << label << "\n" << diff;
    }
}

// Lets every pass share its work with a second thread, however few the records.
class TwoThreads {
public:
    TwoThreads() : previous_(std::exchange(g_parallel.minimum, 2)) {}
    ~TwoThreads() { g_parallel.minimum = previous_; }
    TwoThreads(const TwoThreads&) = delete;
    TwoThreads& operator=(const TwoThreads&) = delete;

private:
    size_t previous_;
};

TEST(RecalcDiff, TwoThreadsMatchReference) {
    // Each half of the survey is interpolated on its own thread, starting from the
    // neighbours it finds before its first record.
    const TwoThreads split;
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        Generator gen(seed);
        std::string label;
        const Survey s = gen.Make(label);
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label);
        if (HasFailure()) return;
    }
}

// The last steps of a recalculation, plainly: kinds and time axis from the live records,
// every view point by MulDiv, then the counts and their text.
void LiteralRefreshAndUpdate(CVKDoc& doc, UserPort& port) {
    doc.TimeMin = -100;
    doc.TimeMax = 100;
    doc.KindFlags = 0;
    const CVKData* first = nullptr;
    const CVKData* last = nullptr;
    for (const CVKData& r : doc.Records) {
        doc.KindFlags |= r.Flags;
        if (r.Flags & REC_DELETED) continue;
        if (!first) first = &r;
        last = &r;
    }
    if (first) {
        doc.TimeMin = Sub32(Low32(first->Time), 100);
        doc.TimeMax = Add32(Low32(last->Time), 100);
    } else {
        port.Message("All data deleted", Severity::Warning);
    }
    const int32_t t = Sub32(doc.TimeMax, doc.TimeMin);
    const int32_t v = Sub32(doc.LevelMax, doc.LevelMin);
    const int32_t w = Sub32(Low32(doc.XMax), Low32(doc.XMin));
    const int32_t h = Sub32(Low32(doc.YMax), Low32(doc.YMin));
    for (CVKData& r : doc.Records) {
        const int32_t x = MulDiv(Sub32(Low32(r.Time), doc.TimeMin), 15000, t);
        const int32_t b = Sub32(doc.LevelMax, r.Tide);
        r.ptHeight = {x, MulDiv(Sub32(b, r.Z), 15000, v)};
        r.ptTide = {x, MulDiv(b, 15000, v)};
        r.ptSeabed = {x, MulDiv(Sub32(Add32(b, r.Depth), r.Z), 15000, v)};
        r.ptDepthUp = {x, MulDiv(Sub32(Sub32(b, r.Z), r.Depth), 15000, v)};
        r.ptPlan = {MulDiv(Sub32(Low32(r.X), Low32(doc.XMin)), 15000, w),
                    MulDiv(Sub32(Low32(doc.YMax), Low32(r.Y)), 15000, h)};
    }
    int32_t counts[5] = {};  // depth, position, tide, event, deleted
    for (const CVKData& r : doc.Records) {
        if (r.Flags & REC_DELETED)
            ++counts[4];
        else if ((r.Flags & 0xF0) == REC_DEPTH)
            ++counts[0];
        else if ((r.Flags & 0xF0) == REC_POSITION)
            ++counts[1];
        else if ((r.Flags & 0xF0) == REC_TIDE)
            ++counts[2];
        else if ((r.Flags & 0xF0) == REC_EVENT)
            ++counts[3];
    }
    doc.CountDepth = counts[0];
    doc.CountPos = counts[1];
    doc.CountTide = counts[2];
    doc.CountEvent = counts[3];
    doc.CountDeleted = counts[4];
    doc.SetStatusText(doc.CountsText(), port);
}

// Recalculate, which does all its steps in two passes, against the reference steps one
// after another, `rounds` times over: records, view points, axes, counts and what the
// user is shown. A second round starts from interpolated records, whose level axis the
// first pass already has right.
std::string RecalculateRoundsMismatch(const Survey& s, int rounds) {
    CVKDoc fast, ref;
    ScriptedPort fastPort, refPort;
    Load(s, fast);
    Load(s, ref);
    for (int round = 0; round < rounds; ++round) {
        Recalculate(fast, fastPort, g_parallel);
        RunLiteral(ref);
        LiteralRefreshAndUpdate(ref, refPort);
    }
    std::ostringstream o;
    o << Differences(fast, ref);
    auto field = [&](const char* name, int64_t f, int64_t r) {
        if (f != r) o << name << ": fast " << f << ", reference " << r << "\n";
    };
    field("TimeMin", fast.TimeMin, ref.TimeMin);
    field("TimeMax", fast.TimeMax, ref.TimeMax);
    field("CountDepth", fast.CountDepth, ref.CountDepth);
    field("CountPos", fast.CountPos, ref.CountPos);
    field("CountTide", fast.CountTide, ref.CountTide);
    field("CountEvent", fast.CountEvent, ref.CountEvent);
    field("CountDeleted", fast.CountDeleted, ref.CountDeleted);
    if (fastPort.statusText != refPort.statusText)
        o << "status: fast \"" << fastPort.statusText << "\", reference \"" << refPort.statusText << "\"\n";
    if (fastPort.Texts() != refPort.Texts()) o << "messages differ\n";
    std::vector<std::string> phases;
    for (int round = 0; round < rounds; ++round)
        phases.insert(phases.end(), {"Time Sorting Data", "Interpolating Values", "Updating Values"});
    if (fastPort.phases != phases || fastPort.openPhases != 0) o << "progress phases differ\n";
    if (!fast.Modified) o << "not marked modified\n";
    return o.str();
}

std::string RecalculateMismatch(const Survey& s) { return RecalculateRoundsMismatch(s, 1); }
std::string RecalculateTwiceMismatch(const Survey& s) { return RecalculateRoundsMismatch(s, 2); }

TEST(RecalcDiff, RecalculateMatchesTheStepsInTurn) {
    for (uint64_t seed = 3000; seed < 3300; ++seed) {
        Generator gen(seed);
        std::string label;
        Survey s = gen.Make(label);
        // Now and then a survey cut to its first few records, where the extension of
        // positions reaches every record or none.
        if (seed % 10 == 0)
            s.Records.resize(std::min<size_t>(s.Records.size(), static_cast<size_t>(gen.Uniform(1, 6))));
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label, RecalculateMismatch);
        if (HasFailure()) return;
    }
}

TEST(RecalcDiff, RecalculateOnTwoThreadsMatchesTheStepsInTurn) {
    const TwoThreads split;
    for (uint64_t seed = 3300; seed < 3600; ++seed) {
        Generator gen(seed);
        std::string label;
        const Survey s = gen.Make(label);
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label, RecalculateMismatch);
        if (HasFailure()) return;
    }
}

TEST(RecalcDiff, RecalculatingAgainMatchesTheStepsInTurn) {
    // The second time the view points of the first pass stand, on one thread and on two.
    for (uint64_t seed = 3600; seed < 3700; ++seed) {
        Generator gen(seed);
        std::string label;
        const Survey s = gen.Make(label);
        ExpectSame(s, "seed " + std::to_string(seed) + ": " + label, RecalculateTwiceMismatch);
        if (HasFailure()) return;
        const TwoThreads split;
        ExpectSame(s, "two threads, seed " + std::to_string(seed) + ": " + label, RecalculateTwiceMismatch);
        if (HasFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// Worked cases, checked on both versions so the reference itself is held to them.

int64_t At(int h, int m, int s) { return civil::FromFields(2009, 12, 5, h, m, s); }

CVKData Rec(int64_t time, uint16_t flags, uint8_t hundredths = 0) {
    CVKData r;
    r.Time = time;
    r.Flags = flags;
    r.Hundredths = hundredths;
    r.X = r.Y = 0;
    r.Z = 0;
    r.Depth = r.Tide = 0;
    return r;
}

CVKData Pos(int64_t time, int64_t x, int32_t z = 0) {
    CVKData r = Rec(time, REC_POSITION);
    r.X = x;
    r.Y = x / 2;
    r.Z = z;
    return r;
}

CVKData Tide(int64_t time, int16_t tide, uint16_t extra = 0) {
    CVKData r = Rec(time, static_cast<uint16_t>(REC_TIDE | extra));
    r.Tide = tide;
    return r;
}

// Runs both versions on the survey; both must agree, and the reference result is returned.
void RunBoth(const Survey& s, CVKDoc& out) {
    ExpectSame(s, "worked case");
    Load(s, out);
    RunLiteral(out);
}

Survey Of(std::vector<CVKData> recs, int32_t limit = 10) {
    Survey s;
    s.Records = std::move(recs);
    for (const CVKData& r : s.Records) s.KindFlags |= r.Flags;
    s.InterpLimit = limit;
    return s;
}

TEST(RecalcDiffWorked, SortKeepsEqualSecondsInArrayOrder) {
    CVKDoc doc;
    RunBoth(Of({Rec(At(10, 0, 7), REC_DEPTH), Rec(At(10, 0, 5), REC_DEPTH, 50), Rec(At(10, 0, 5), REC_DEPTH, 20)}),
            doc);
    ASSERT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.Records[0].Hundredths, 50);
    EXPECT_EQ(doc.Records[1].Hundredths, 20);
    EXPECT_EQ(doc.Records[2].Time, At(10, 0, 7));
    EXPECT_FALSE(doc.NeedsSort);
}

TEST(RecalcDiffWorked, PositionInterpolatedWithinLimitOnly) {
    CVKDoc doc;
    RunBoth(Of({Pos(At(10, 0, 0), 0), Rec(At(10, 0, 30), REC_DEPTH), Pos(At(10, 1, 0), 6000)}), doc);
    EXPECT_EQ(doc.Records[1].X, 3000);
    EXPECT_EQ(doc.Records[1].Y, 1500);

    // Limit 1: 3000 hundredths is beyond 1000 for positions, but tides 30 minutes away
    // are within 200 000; 40 minutes away they are not.
    const std::vector<CVKData> recs = {Tide(At(9, 30, 30), 100), Pos(At(10, 0, 0), 0), Rec(At(10, 0, 30), REC_DEPTH),
                                       Pos(At(10, 1, 0), 6000), Tide(At(10, 30, 30), 300)};
    RunBoth(Of(recs, 1), doc);
    EXPECT_EQ(doc.Records[2].X, 0);
    EXPECT_EQ(doc.Records[2].Tide, 200);

    std::vector<CVKData> far = recs;
    far[0].Time = At(9, 20, 30);
    far[4].Time = At(10, 40, 30);
    RunBoth(Of(far, 1), doc);
    EXPECT_EQ(doc.Records[2].Tide, 0);
}

TEST(RecalcDiffWorked, LargeLimitStillInterpolates) {
    // 10738 s makes the tide limit 2 147 600 000 hundredths, past 32 bits: it must
    // allow every gap, not wrap round to a negative limit that allows none.
    CVKDoc doc;
    RunBoth(Of({Tide(At(10, 0, 0), 100), Rec(At(10, 0, 1), REC_DEPTH), Tide(At(10, 0, 2), 300)}, 10738), doc);
    EXPECT_EQ(doc.Records[1].Tide, 200);
    RunBoth(Of({Pos(At(10, 0, 0), 0), Rec(At(10, 0, 1), REC_DEPTH), Pos(At(10, 0, 2), 1000)}, 2147483647), doc);
    EXPECT_EQ(doc.Records[1].X, 500);
    // A negative limit, as a damaged file may hold, allows no gap at all.
    RunBoth(Of({Pos(At(10, 0, 0), 0), Rec(At(10, 0, 1), REC_DEPTH), Pos(At(10, 0, 2), 1000)}, -2147483647), doc);
    EXPECT_EQ(doc.Records[1].X, 0);
}

TEST(RecalcDiffWorked, FirstRecordServesAsNeighbour) {
    CVKDoc doc;
    RunBoth(Of({Pos(At(10, 0, 0), 0), Rec(At(10, 0, 5), REC_DEPTH), Pos(At(10, 0, 10), 1000)}), doc);
    EXPECT_EQ(doc.Records[1].X, 500);
}

TEST(RecalcDiffWorked, DeletedTideNeitherChangedNorUsed) {
    CVKDoc doc;
    RunBoth(Of({Tide(At(10, 0, 0), 100), Rec(At(10, 5, 0), REC_DEPTH), Tide(At(10, 10, 0), 999, REC_DELETED),
                Tide(At(10, 20, 0), 300), Rec(At(10, 25, 0), REC_DEPTH)}),
            doc);
    EXPECT_EQ(doc.Records[1].Tide, 150);
    EXPECT_EQ(doc.Records[2].Tide, 999);
}

TEST(RecalcDiffWorked, PositionsCarriedToBothEnds) {
    CVKDoc doc;
    RunBoth(Of({Rec(At(10, 0, 0), REC_DEPTH), Rec(At(10, 0, 1), REC_DEPTH), Pos(At(10, 0, 2), 400, 7),
                Rec(At(10, 0, 3), REC_DEPTH), Pos(At(10, 0, 4), 800, 9), Rec(At(10, 0, 9), REC_DEPTH)}),
            doc);
    EXPECT_EQ(doc.Records[0].X, 400);
    EXPECT_EQ(doc.Records[1].Z, 7);
    EXPECT_EQ(doc.Records[5].X, 800);
    EXPECT_EQ(doc.Records[5].Z, 9);
    EXPECT_EQ(doc.FirstPosIndex, 2);
    EXPECT_EQ(doc.LastPosIndex, 4);
    EXPECT_EQ(doc.XMin, 400);
    EXPECT_EQ(doc.XMax, 800);
}

TEST(RecalcDiffWorked, LevelAxisIsMeasuredAfreshInWholeMetres) {
    CVKData deep = Rec(At(10, 0, 0), REC_DEPTH);
    deep.Depth = 340;
    Survey s = Of({deep, Pos(At(10, 0, 1), 0, 60)});
    CVKDoc doc;
    RunBoth(s, doc);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    // Again from the axis just found: the same axis, not one a metre wider each end.
    s.LevelMin = doc.LevelMin;
    s.LevelMax = doc.LevelMax;
    RunBoth(s, doc);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    // An axis far wider than the records, or upside down, is not kept either.
    s.LevelMin = -100000;
    s.LevelMax = 100000;
    RunBoth(s, doc);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    s.LevelMin = 500;
    s.LevelMax = -500;
    RunBoth(s, doc);
    EXPECT_EQ(doc.LevelMin, -400);
    EXPECT_EQ(doc.LevelMax, 100);
    // Levels all above zero, or all below: the first record's own levels start the measure.
    CVKData high = Pos(At(10, 0, 0), 0, 750);
    CVKData higher = Pos(At(10, 0, 1), 0, 920);
    high.Tide = higher.Tide = 800;
    RunBoth(Of({high, higher}), doc);
    EXPECT_EQ(doc.LevelMin, 600);
    EXPECT_EQ(doc.LevelMax, 1000);
    CVKData low = Rec(At(10, 0, 0), REC_DEPTH);
    low.Z = -1500;
    low.Depth = 250;
    RunBoth(Of({low, Rec(At(10, 0, 1), REC_DEPTH)}), doc);
    EXPECT_EQ(doc.LevelMin, -1800);
    EXPECT_EQ(doc.LevelMax, 100);
}

TEST(RecalcDiffWorked, LevelAxisIsThatOfTheInterpolatedRecords) {
    // Positions 0.3 m below the datum, tides of +2 m, depths logged without either: the
    // levels move once the depths take their heights and tides.
    CVKData d1 = Rec(At(10, 0, 1), REC_DEPTH), d2 = Rec(At(10, 0, 3), REC_DEPTH);
    d1.Depth = 480;
    d2.Depth = 450;
    const Survey s = Of({Tide(At(10, 0, 0), 200), Pos(At(10, 0, 0), 0, -30), d1, Pos(At(10, 0, 2), 100, -30), d2,
                         Pos(At(10, 0, 4), 200, -30), Tide(At(10, 0, 4), 200)});
    CVKDoc doc;
    RunBoth(s, doc);
    // -30 - 480 = -510 at the lowest (measured before interpolation: -480, an axis from
    // -500); 200 at the highest.
    EXPECT_EQ(doc.Records[2].Z, -30);
    EXPECT_EQ(doc.LevelMin, -600);
    EXPECT_EQ(doc.LevelMax, 300);
    // The same again from the interpolated records, as a survey opened from its file is.
    Survey again = s;
    again.Records = doc.Records;
    again.NeedsSort = false;
    RunBoth(again, doc);
    EXPECT_EQ(doc.LevelMin, -600);
    EXPECT_EQ(doc.LevelMax, 300);
}

TEST(RecalcDiffWorked, GapsBeyond32BitsOfHundredthsAreOutsideTheLimit) {
    // 25 000 000 s (289 days) either side: 2.5e9 hundredths wraps negative on 32 bits
    // and used to pass as a gap within any limit, sending the depth far outside.
    const int64_t t0 = At(10, 0, 0);
    CVKDoc doc;
    RunBoth(Of({Pos(t0, 0), Rec(t0 + 25000000, REC_DEPTH), Pos(t0 + 50000000, 1000000)}), doc);
    EXPECT_EQ(doc.Records[1].X, 0);
    EXPECT_EQ(doc.Records[1].Y, 0);
    // Tides too, whose limit is 200 000 s by default.
    RunBoth(Of({Tide(t0, 100), Rec(t0 + 25000000, REC_DEPTH), Tide(t0 + 50000000, 300)}), doc);
    EXPECT_EQ(doc.Records[1].Tide, 0);
    // A limit large enough to take such gaps still lets them through.
    RunBoth(Of({Tide(t0, 100), Rec(t0 + 25000000, REC_DEPTH), Tide(t0 + 50000000, 300)}, 2147483647), doc);
    EXPECT_NE(doc.Records[1].Tide, 0);
    // Within the limit nothing changes: 100 s gaps at the default limit.
    RunBoth(Of({Pos(t0, 0), Rec(t0 + 100, REC_DEPTH), Pos(t0 + 200, 1000000)}), doc);
    EXPECT_EQ(doc.Records[1].X, 500000);
}

}  // namespace
}  // namespace aq
