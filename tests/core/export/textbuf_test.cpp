// SPDX-License-Identifier: GPL-3.0-or-later
// The number and time pieces of the text files: the quick ways must give exactly the
// digits and the local times of the slow ones they stand in for.
#include "export/textbuf.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "export/crossingscsv.h"
#include "model/civiltime.h"
#include "processing/lines.h"

namespace aq::exporting {
namespace {

using aq::Crossing;
using aq::CrossingCsvWriter;
using aq::CrossingStatus;

std::string ToChars(double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string Fixed(double v, int decimals) {
    std::string s;
    AppendFixed(s, v, decimals);
    return s;
}

TEST(AppendFixed, GivesToCharsDigitsForEveryKindOfValue) {
    std::mt19937_64 rng(20261201);
    std::uniform_real_distribution<double> wide(-1e6, 1e6), narrow(-2, 2);
    size_t checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const double a = wide(rng), b = narrow(rng);
        for (int d = 0; d <= 9; ++d) {
            ASSERT_EQ(Fixed(a, d), ToChars(a, d)) << a << " " << d;
            ASSERT_EQ(Fixed(b, d), ToChars(b, d)) << b << " " << d;
            checked += 2;
        }
    }
    // Halves, written exactly or nearly: the rounding must go the way the binary value
    // lies, ties to even where it is exact.
    for (int i = -20000; i <= 20000; ++i)
        for (const double step : {0.5, 0.05, 0.005, 0.0005, 0.00005})
            for (int d = 0; d <= 4; ++d) {
                const double v = i * step;
                ASSERT_EQ(Fixed(v, d), ToChars(v, d)) << v << " " << d;
                ASSERT_EQ(Fixed(std::nextafter(v, 1e9), d), ToChars(std::nextafter(v, 1e9), d)) << v << " " << d;
                ASSERT_EQ(Fixed(std::nextafter(v, -1e9), d), ToChars(std::nextafter(v, -1e9), d)) << v << " " << d;
                checked += 3;
            }
    // Signs, zeros, the very large and the very small, and what is not a number.
    const double specials[] = {0.0, -0.0, -1e-9, 1e-9, -0.0004, 0.9999999999, 1099511627775.5, 1099511627776.0,
                               -4.5e15, 1e300, -1e300, std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
    for (const double v : specials)
        for (int d = 0; d <= 12; ++d) {
            EXPECT_EQ(Fixed(v, d), ToChars(v, d)) << v << " " << d;
            ++checked;
        }
    EXPECT_EQ(Fixed(-0.0004, 3), "-0.000");
    std::string padded;
    AppendFixed(padded, 2.5, 2, 8);
    EXPECT_EQ(padded, "    2.50");
    EXPECT_GT(checked, 4000000u);
}

// Zones written as rules, so the test needs no zone database: whole hours, a half-hour
// offset with a clock change at a half hour of UTC, and a change of half an hour.
class FieldsCacheZones : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0"); }
};

void ExpectSame(civil::FieldsCache& cache, int64_t t, const char* zone) {
    civil::Fields a, b;
    const bool ok = civil::ToFields(t, a);
    ASSERT_EQ(cache.ToFields(t, b), ok) << t;
    if (!ok) return;
    ASSERT_TRUE(a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
                a.minute == b.minute && a.second == b.second && a.weekday == b.weekday && a.yearday == b.yearday &&
                a.dst == b.dst)
        << zone << " at " << t << ": " << a.year << "-" << a.month << "-" << a.day << " " << a.hour << ":"
        << a.minute << ":" << a.second << " against " << b.year << "-" << b.month << "-" << b.day << " " << b.hour
        << ":" << b.minute << ":" << b.second;
}

TEST_P(FieldsCacheZones, AgreesWithToFieldsThroughTheClockChanges) {
    civil::SetZone(GetParam());
    civil::FieldsCache cache;
    // Two years in jumps that visit every hour's cache slot from both sides, out of order.
    const int64_t from = 1230768000;  // 2009-01-01 UTC
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int64_t> anywhere(from, from + 2 * 366 * 86400);
    for (int i = 0; i < 300000; ++i) ExpectSame(cache, anywhere(rng), GetParam());
    // Every 7 s of the days around each clock change of those years.
    civil::Fields last;
    ASSERT_TRUE(civil::ToFields(from, last));
    for (int64_t t = from; t < from + 2 * 366 * 86400; t += 1800) {
        civil::Fields f;
        ASSERT_TRUE(civil::ToFields(t, f));
        if (f.dst != last.dst)
            for (int64_t s = t - 86400; s < t + 86400; s += 7) ExpectSame(cache, s, GetParam());
        last = f;
    }
    // The ends of the accepted range.
    for (const int64_t t : {int64_t{-1}, int64_t{0}, int64_t{59}, civil::kMaxTime - 1, civil::kMaxTime,
                            civil::kMaxTime + 1})
        ExpectSame(cache, t, GetParam());
}

// The crossings CSV writes its lines from pieces of its own: each line must read as the
// plain ways write the same values, the times as MomentText gives them.
TEST(CrossingCsv, LinesAreThePlainFormattingOfTheirValues) {
    std::mt19937_64 rng(91);
    std::uniform_real_distribution<double> unit(0, 1);
    CrossingCsvWriter grid(false), geographic(true);
    for (int i = 0; i < 20000; ++i) {
        Crossing c;
        c.East = -500000 + 1e6 * unit(rng);
        c.North = 6e6 * unit(rng);
        c.MainLine = static_cast<int>(rng() % 100000);
        c.CrossLine = static_cast<int>(rng() % 100000);
        // Across two years of the test zone's clock changes, and now and then none at all.
        c.MainTime = (i % 997 == 0 ? -5 : 123076800000 + static_cast<int64_t>(rng() % 6300000000));
        c.CrossTime = c.MainTime + static_cast<int64_t>(rng() % 360000);
        c.Depth = 60 * unit(rng);
        c.MainLevel = -c.Depth + unit(rng);
        c.CrossLevel = -c.Depth - unit(rng);
        c.Delta = c.MainLevel - c.CrossLevel;
        c.Status = static_cast<CrossingStatus>(i % 3);
        const bool geo = i % 2;
        if (geo) {
            c.East = -180 + 360 * unit(rng);
            c.North = -90 + 180 * unit(rng);
        }
        char buf[128];
        const auto fixed = [&](double v, int decimals) {
            std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
            return std::string(buf);
        };
        std::string expected;
        for (const std::string& field :
             {fixed(c.East, geo ? 7 : 2), fixed(c.North, geo ? 7 : 2), std::to_string(c.MainLine),
              std::to_string(c.CrossLine), MomentText(c.MainTime), MomentText(c.CrossTime), fixed(c.Depth, 2),
              fixed(c.MainLevel, 3), fixed(c.CrossLevel, 3), fixed(c.Delta, 3)}) {
            expected += field;
            expected += ',';
        }
        expected.pop_back();
        for (const S44Order o : kS44Orders) {
            expected += ',';
            expected += fixed(Tvu(o, c.Depth), 3);
        }
        for (const S44Order o : kS44Orders) {
            expected += ',';
            expected += fixed(c.Ratio(o), 3);
        }
        expected += ',';
        expected += CrossingStatusName(c.Status);
        std::string line;
        (geo ? geographic : grid).Append(line, c);
        ASSERT_EQ(line, expected) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, FieldsCacheZones,
                         ::testing::Values("UTC0", "GMT0BST,M3.5.0/1,M10.5.0", "NST3:30NDT,M3.2.0,M11.1.0",
                                           "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "<+0545>-5:45"));

}  // namespace
}  // namespace aq::exporting
