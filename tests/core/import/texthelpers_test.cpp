// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/texthelpers.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "model/civiltime.h"

namespace aq {
namespace {

TEST(TimeOfDaySetter, DropsFractionsAndCarriesRoundingIntoTheMinute) {
    auto hms = [](double v) {
        TextImportState st;
        SetTimeOfDay(st, v);
        EXPECT_TRUE(st.Pending & PENDING_TIME_OF_DAY);
        return std::vector<int64_t>{st.Hour, st.Minute, st.Second};
    };
    EXPECT_EQ(hms(123456.78), (std::vector<int64_t>{12, 34, 56}));
    EXPECT_EQ(hms(235959.999), (std::vector<int64_t>{23, 59, 59}));
    // 12.34 is 12.3399999... in binary: 33 minutes and 100 seconds, carried.
    EXPECT_EQ(hms(123400.0), (std::vector<int64_t>{12, 34, 0}));
    // A leap second at the end of the hour is the next hour's start, not this hour's.
    EXPECT_EQ(hms(125960.0), (std::vector<int64_t>{13, 0, 0}));
    // Values that are no time give fields the builder repairs, without overflow.
    for (double v :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
        TextImportState st;
        st.Year = 2009;
        SetTimeOfDay(st, v);
        EXPECT_LT(st.Stamp() - civil::FromFields(2009, 1, 1, 0, 0, 0), 86400) << v;
    }
}

TEST(Hemisphere, UpperCaseSouthAndWestAreNegative) {
    EXPECT_NEAR(HemisphereDegrees(4807.038, 'N'), 48.1173, 1e-9);
    EXPECT_NEAR(HemisphereDegrees(4807.038, 'S'), -48.1173, 1e-9);
    EXPECT_NEAR(HemisphereDegrees(4807.038, 's'), 48.1173, 1e-9);
    EXPECT_NEAR(HemisphereDegrees(1131.0, 'W'), -11.516666666, 1e-8);
    EXPECT_NEAR(HemisphereDegrees(1131.0, 'E'), 11.516666666, 1e-8);
}

TEST(TimeStampBuilder, RepairsFieldsAndConvertsForTheDateItself) {
    DayClock c;
    EXPECT_EQ(BuildTimeStamp(c, 9, 12, 5, 10, 30, 45), civil::FromFields(2009, 12, 5, 10, 30, 45));
    EXPECT_EQ(BuildTimeStamp(c, 99, 12, 5, 10, 30, 45), civil::FromFields(1999, 12, 5, 10, 30, 45));
    // 50 is in neither two-digit range: it becomes 2000, as does any year outside 1990-2100.
    EXPECT_EQ(BuildTimeStamp(c, 50, 12, 5, 10, 30, 45), civil::FromFields(2000, 12, 5, 10, 30, 45));
    EXPECT_EQ(BuildTimeStamp(c, 2009, 13, 32, 25, 60, 60), civil::FromFields(2009, 1, 1, 0, 0, 0));
    EXPECT_EQ(BuildTimeStamp(c, INT64_MIN, INT64_MAX, -1, -1, -1, -1), civil::FromFields(2000, 1, 1, 0, 0, 0));
    // Hour 24 is the next day's midnight.
    EXPECT_EQ(BuildTimeStamp(c, 2009, 12, 31, 24, 10, 5), civil::FromFields(2010, 1, 1, 0, 10, 5));
    // Summer time is that of the date converted, whenever the file is imported.
    EXPECT_EQ(BuildTimeStamp(c, 2009, 7, 1, 12, 0, 0), 1246446000);   // 11:00 UTC
    EXPECT_EQ(BuildTimeStamp(c, 2009, 12, 1, 12, 0, 0), 1259668800);  // 12:00 UTC
}

// The per-day shortcut must give what the full conversion gives, also on the days the
// clocks change, in a zone that changes at 01:00 and in one that changes at midnight.
TEST(DayClock, AgreesWithTheFullConversionAroundClockChanges) {
    for (const char* zone : {"GMT0BST,M3.5.0/1,M10.5.0", "AAA3BBB,M10.1.0/0,M3.3.0/0", "UTC0"}) {
        civil::SetZone(zone);
        DayClock c;
        for (int month : {3, 10}) {
            for (int day = 1; day <= 31; ++day) {
                for (int hour = 0; hour <= 24; ++hour) {
                    for (int minute : {0, 30, 59}) {
                        ASSERT_EQ(c.Seconds(2009, month, day, hour, minute, 7),
                                  civil::FromFields(2009, month, day, hour, minute, 7))
                            << zone << " " << month << "-" << day << " " << hour << ":" << minute;
                    }
                }
            }
        }
    }
    civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
}

TEST(Scan, NumbersIgnoreTheLocaleAndNeverOverflow) {
    double d = 0;
    int32_t i = 0;
    int64_t l = 0;
    EXPECT_EQ(Scan("+5334440.125", "%lf", {&d}), 1);
    EXPECT_DOUBLE_EQ(d, 5334440.125);
    EXPECT_EQ(Scan("  -.5e1x", "%lf", {&d}), 1);
    EXPECT_DOUBLE_EQ(d, -5.0);
    EXPECT_EQ(Scan("-1e999", "%lf", {&d}), 1);
    EXPECT_TRUE(std::isinf(d) && d < 0);
    EXPECT_EQ(Scan("1e-999", "%lf", {&d}), 1);
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(Scan("+-1", "%lf", {&d}), 0);
    EXPECT_EQ(Scan("99999999999999999999", "%d", {&i}), 1);
    EXPECT_EQ(i, INT32_MAX);
    EXPECT_EQ(Scan("-99999999999999999999", "%ld", {&l}), 1);
    EXPECT_EQ(l, INT64_MIN);
    // The address token is at most six characters: a seventh must match the comma.
    EXPECT_EQ(Scan("$GPGGAX,1", "%*6s,%lf", {&d}), 0);
}

TEST(Nmea, ChecksumsAndSentenceNames) {
    EXPECT_TRUE(ChecksumMatches("$INDPT,2.2,0.0*47"));
    EXPECT_TRUE(ChecksumMatches("$INDPT,2.2,0.0*47  "));
    EXPECT_TRUE(ChecksumMatches("$INDPT,2.2,0.0"));  // no checksum: read as it is
    EXPECT_FALSE(ChecksumMatches("$INDPT,2.3,0.0*47"));
    EXPECT_FALSE(ChecksumMatches("$INDPT,2.2,0.0*4"));
    EXPECT_FALSE(ChecksumMatches("$INDPT,2.2,0.0*4G"));

    EXPECT_TRUE(SentenceIs("$GPGGA,1", "GGA"));
    EXPECT_TRUE(SentenceIs("xxxGGA", "GGA"));
    EXPECT_FALSE(SentenceIs("$GGAGGA,1", "GGA"));  // first occurrence at index 1
    EXPECT_FALSE(SentenceIs("$GPGG", "GGA"));
    EXPECT_FALSE(SentenceIs("$GP GGA", "GGA"));
}

}  // namespace
}  // namespace aq
