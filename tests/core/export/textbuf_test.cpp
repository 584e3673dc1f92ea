// SPDX-License-Identifier: GPL-3.0-or-later
// The number and time pieces of the text files: the quick ways must give exactly the
// digits and the local times of the slow ones they stand in for.
#include "export/textbuf.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "model/civiltime.h"

namespace aq::exporting {
namespace {

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

INSTANTIATE_TEST_SUITE_P(Zones, FieldsCacheZones,
                         ::testing::Values("UTC0", "GMT0BST,M3.5.0/1,M10.5.0", "NST3:30NDT,M3.2.0,M11.1.0",
                                           "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "<+0545>-5:45"));

}  // namespace
}  // namespace aq::exporting
