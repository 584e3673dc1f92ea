// SPDX-License-Identifier: GPL-3.0-or-later
// The record lines of the text exports, and the local-time breakdown behind them.
#include <random>

#include <gtest/gtest.h>

#include "export/geotronics.h"
#include "export/kml.h"
#include "export/localclock.h"
#include "export/textformats.h"
#include "export_fixture.h"

namespace aq {
namespace {

using test::At;
using test::ExampleDepth;

TEST(ExportLines, WorkedExamples) {
    const CVKData r = ExampleDepth();
    EXPECT_EQ(AsciiLine(r, false), "D  1234.56  6543.21   0.00   3.45   0.12  98 2009 12 05 10 30 45.67");
    EXPECT_EQ(XyzLine(r, false, false, false), "1234.56 6543.21 -3.33 D10.3045\r\n");
    EXPECT_EQ(XyzLine(r, false, true, false), "1234.56 6543.21 -3.33\r\n");  // Hypack
    EXPECT_EQ(XyzLine(r, false, true, true), "1234.56,6543.21,-3.33\r\n");   // US Army
    EXPECT_EQ(CsvLine(r, false), "D,05/12/2009 10:30:45,45.67,1234.56,6543.21,0.00,0.12,3.45,98\r\n");
    EXPECT_EQ(LabelLine(r, 0, false),
              "5=0 4=D10.3045 37=6543.21 38=1234.56 39=-3.33 42=3.45 75=0.12 52=10.3045\r\n");

    CVKData h = r;
    h.Z = 150;
    h.Heave = -7;
    h.Pitch = 250;
    h.Roll = -1234;
    EXPECT_EQ(HprLine(h), "05/12/2009 10:30:45,1.50,3.45,-0.07,2.50,-12.34\r\n");
}

TEST(ExportLines, GeographicKeepsSevenDecimalsForPlaces) {
    CVKData r = CVKData::OfPosition(At(10, 30, 45), -12345678, 515020566, 150, REC_POSITION | REC_GEOGRAPHIC, 0);
    r.Depth = 345;
    EXPECT_EQ(AsciiLine(r, true), "L   -1.2345678   51.5020566   1.50   3.45   0.00   0 2009 12 05 10 30 45.00");
    EXPECT_EQ(XyzLine(r, true, false, false), "-1.2345678 51.5020566 -1.95 L10.3045\r\n");
    EXPECT_EQ(XyzLine(r, true, true, true), "-1.2345678,51.5020566,-1.95\r\n");
    EXPECT_EQ(CsvLine(r, true), "L,05/12/2009 10:30:45,45.00,-1.2345678,51.5020566,1.50,0.00,3.45,0\r\n");
    EXPECT_EQ(LabelLine(r, 7, true),
              "5=7 4=L10.3045 113=-1.234568 114=51.502057 532=-1.95 42=3.45 75=0.00 52=10.3045\r\n");
    EXPECT_EQ(KmlCoordinate(r), "-1.23456780,51.50205660 ");
}

TEST(ExportLines, HprCorrectionsOnlyAfterApplyHpr) {
    CVKData r = ExampleDepth();
    r.Roll = 50;    // 0.50 m east
    r.Pitch = -20;  // 0.20 m south
    r.Heave = 10;   // 0.10 m up
    EXPECT_EQ(XyzLine(r, false, true, false), "1234.56 6543.21 -3.33\r\n");
    r.Flags |= REC_HPR;
    EXPECT_EQ(XyzLine(r, false, true, false), "1235.06 6543.01 -3.23\r\n");
    EXPECT_EQ(AsciiLine(r, false), "D  1235.06  6543.01   0.10   3.45   0.12  98 2009 12 05 10 30 45.67");
    EXPECT_EQ(CsvLine(r, false), "D,05/12/2009 10:30:45,45.67,1235.06,6543.01,0.10,0.12,3.45,98\r\n");
    // Neither the report nor the KML track applies them.
    EXPECT_EQ(HprLine(r), "05/12/2009 10:30:45,0.00,3.45,0.10,-0.20,0.50\r\n");
}

TEST(ExportLines, HprCorrectionsBecomeDegreesInAGeographicSurvey) {
    // 3.1 E 51.5 N, moved 0.17 m east and 0.20 m south: 2.45e-6 degrees of longitude
    // there (111 320 m x cos 51.5 per degree), 1.81e-6 of latitude (110 574 m per degree).
    // Added as metres these were 3.27 E 51.30 N, 11 km and 22 km away.
    CVKData r = CVKData::OfPosition(At(10, 30, 45), 31000000, 515000000, 150, REC_POSITION | REC_GEOGRAPHIC, 0);
    r.Roll = 17;
    r.Pitch = -20;
    r.Heave = 10;
    r.Flags |= REC_HPR;
    EXPECT_EQ(AsciiLine(r, true), "L    3.1000025   51.4999982   1.60   0.00   0.00   0 2009 12 05 10 30 45.00");
    EXPECT_EQ(XyzLine(r, true, false, false), "3.1000025 51.4999982 1.60 L10.3045\r\n");
    EXPECT_EQ(XyzLine(r, true, true, true), "3.1000025,51.4999982,1.60\r\n");  // US Army
    EXPECT_EQ(CsvLine(r, true), "L,05/12/2009 10:30:45,45.00,3.1000025,51.4999982,1.60,0.00,0.00,0\r\n");
    EXPECT_EQ(LabelLine(r, 3, true),
              "5=3 4=L10.3045 113=3.100002 114=51.499998 532=1.60 42=0.00 75=0.00 52=10.3045\r\n");

    // The same displacement on a grid stays in metres, and nothing moves without HPR.
    CVKData grid = r;
    grid.Flags = REC_POSITION | REC_HPR;
    EXPECT_EQ(XyzLine(grid, false, true, true), "310000.17,5149999.80,1.60\r\n");
    r.Flags &= static_cast<uint16_t>(~REC_HPR);
    EXPECT_EQ(XyzLine(r, true, true, true), "3.1000000,51.5000000,1.50\r\n");
}

TEST(ExportLines, SecondsWidthsSignsAndOddRecords) {
    CVKData r = ExampleDepth();
    r.Time = At(10, 30, 5);
    r.Hundredths = 0;
    r.X = -123456;
    r.Tide = -12;
    EXPECT_EQ(AsciiLine(r, false), "D -1234.56  6543.21   0.00   3.45  -0.12  98 2009 12 05 10 30  5.00");
    EXPECT_EQ(CsvLine(r, false), "D,05/12/2009 10:30:05, 5.00,-1234.56,6543.21,0.00,-0.12,3.45,98\r\n");
    EXPECT_EQ(XyzLine(r, false, true, true), "-1234.56,6543.21,-3.57\r\n");

    const CVKData deleted = test::Deleted(r);
    EXPECT_EQ(AsciiLine(deleted, false), "Deleted");
    EXPECT_EQ(XyzLine(deleted, false, false, false), "");
    EXPECT_EQ(CsvLine(deleted, false), "Deleted\r\n");
    EXPECT_EQ(LabelLine(deleted, 0, false), "");

    CVKData kindless = r;
    kindless.Flags = REC_SOUNDER;
    EXPECT_EQ(AsciiLine(kindless, false), "?");
    EXPECT_EQ(XyzLine(kindless, false, false, false), "");
    EXPECT_EQ(LabelLine(kindless, 0, false), "");
    EXPECT_EQ(CsvLine(kindless, false).substr(0, 2), " ,");
}

TEST(ExportLines, TimeOutsideTheClockLeavesTheDateEmpty) {
    CVKData r = ExampleDepth();
    r.Time = -5;
    EXPECT_EQ(AsciiLine(r, false), "D  1234.56  6543.21   0.00   3.45   0.12  98  -0.33");
    EXPECT_EQ(XyzLine(r, false, false, false), "1234.56 6543.21 -3.33 D-1.0101\r\n");
    // The empty date keeps its column.
    EXPECT_EQ(CsvLine(r, false), "D,,-0.33,1234.56,6543.21,0.00,0.12,3.45,98\r\n");
    EXPECT_EQ(HprLine(r), ",0.00,3.45,0.00,0.00,0.00\r\n");
}

// Seconds of the wall clock's fields, to see where the clock jumps.
int64_t Wall(int64_t t) {
    civil::Fields f;
    civil::ToFields(t, f);
    // Days of the proleptic Gregorian calendar from a fixed origin.
    const int64_t y = f.year - (f.month <= 2);
    const int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + (153 * ((f.month + 9) % 12) + 2) / 5 + f.day;
    return (days * 24 + f.hour) * 3600 + f.minute * 60 + f.second;
}

// The cached breakdown against the C library's: through every change of summer time
// (second by second around each), and at random, in zones with half-hour offsets,
// changes at midnight and the southern summer.
TEST(LocalClock, AgreesWithTheLibrary) {
    const auto same = [](exporting::LocalClock& clock, int64_t t) {
        civil::Fields want, got;
        const bool ok = civil::ToFields(t, want);
        ASSERT_EQ(clock.Fields(t, got), ok) << t;
        if (!ok) return;
        ASSERT_EQ(std::tie(got.year, got.month, got.day, got.hour, got.minute, got.second),
                  std::tie(want.year, want.month, want.day, want.hour, want.minute, want.second))
            << t;
    };
    for (const char* zone : {"GMT0BST,M3.5.0/1,M10.5.0", "NST3:30NDT,M3.2.0,M11.1.0", "BRT3BRST,M10.3.0/0,M2.3.0/0",
                             "AEST-10AEDT,M10.1.0,M4.1.0/3", "UTC0"}) {
        civil::SetZone(zone);
        exporting::LocalClock clock;
        int jumps = 0;
        for (const auto& [m, d] : {std::pair{2, 13}, {3, 6}, {3, 27}, {4, 3}, {10, 2}, {10, 16}, {10, 23}, {10, 30}}) {
            const int64_t from = civil::FromFields(2009, m, d, 0, 0, 0);
            for (int64_t t = from; t < from + 4 * 86400; t += 61) {
                same(clock, t);
                if (Wall(t + 61) - Wall(t) == 61) continue;
                ++jumps;
                for (int64_t u = t - 120; u < t + 180; ++u) same(clock, u);
            }
        }
        EXPECT_EQ(jumps, std::string(zone) == "UTC0" ? 0 : 2) << zone;
        std::mt19937_64 rng(42);
        std::uniform_int_distribution<int64_t> any(civil::kMinTime - 100000, civil::kMaxTime + 100000);
        for (int i = 0; i < 20000; ++i) {
            const int64_t t = any(rng);
            same(clock, t);
            same(clock, t + 1);
        }
        for (int64_t t : {civil::kMinTime - 1, civil::kMinTime, civil::kMaxTime, civil::kMaxTime + 1}) same(clock, t);
    }
    civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
}

}  // namespace
}  // namespace aq
