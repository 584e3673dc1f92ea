// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/archive.h"
#include "model/civiltime.h"
#include "model/data.h"
#include "model/muldiv.h"
#include "support/builders.h"

namespace aq {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFailsAsMinusOne) {
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(1, -1, 2), -1);
    EXPECT_EQ(MulDiv(-1, -1, -2), -1);
    EXPECT_EQ(MulDiv(3, 1, 4), 1);    // 0.75
    EXPECT_EQ(MulDiv(1, 1, 4), 0);    // 0.25
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);  // -7.5
    EXPECT_EQ(MulDiv(7, 1, -2), -4);  // -3.5
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT32_MIN, 1, 1), INT32_MIN);
    EXPECT_EQ(MulDiv(INT32_MIN, -1, 1), -1);  // 2^31 does not fit
    EXPECT_EQ(MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(MulDiv(3000, 15000, 6000), 7500);
}

TEST(TruncToInt32, TruncatesClampsAndZeroesNonFinite) {
    EXPECT_EQ(TruncToInt32(123456.7), 123456);
    EXPECT_EQ(TruncToInt32(-0.9), 0);
    EXPECT_EQ(TruncToInt32(-123456.7), -123456);
    EXPECT_EQ(TruncToInt32(1e12), INT32_MAX);
    EXPECT_EQ(TruncToInt32(-1e12), INT32_MIN);
    EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::infinity()), 0);
}

TEST(TruncScaled, DecimalTextMeansTheIntegerItDenotes) {
    EXPECT_EQ(TruncScaled(2.3, 100.0), 230);  // 229.99999999999997 in binary
    EXPECT_EQ(TruncScaled(1.15, 100.0), 115);
    EXPECT_EQ(TruncScaled(-0.29, 100.0), -29);
    EXPECT_EQ(TruncScaled(48.1173, 10000000.0), 481173000);
    EXPECT_EQ(TruncScaled(0.299, 100.0), 29);  // real fractions still truncate
    EXPECT_EQ(TruncScaled(-0.299, 100.0), -29);
    EXPECT_EQ(TruncScaled(std::numeric_limits<double>::quiet_NaN(), 100.0), 0);
    EXPECT_EQ(TruncScaled(1e300, 100.0), INT32_MAX);
    EXPECT_EQ(TruncScaled16(400.0, 100.0), INT16_MAX);
    // Computations on stored values keep the plain truncation.
    EXPECT_EQ(TruncToInt32(2.3 * 100.0), 229);
}

TEST(CivilTime, ConvertsBothWaysWithDaylightSavingOfTheDate) {
    // The test zone is GMT in winter and BST (+1 h) in summer.
    const int64_t winter = civil::FromFields(2009, 12, 5, 13, 45, 30);
    EXPECT_EQ(winter, 1260020730);
    const int64_t summer = civil::FromFields(2009, 7, 5, 13, 45, 30);
    EXPECT_EQ(summer, 1246797930);  // 12:45:30 UTC
    civil::Fields f;
    ASSERT_TRUE(civil::ToFields(summer, f));
    EXPECT_EQ(f.hour, 13);
    EXPECT_TRUE(f.dst);
    // Hour 24 is midnight of the next day.
    EXPECT_EQ(civil::FromFields(2009, 12, 5, 24, 0, 0), civil::FromFields(2009, 12, 6, 0, 0, 0));
    EXPECT_EQ(civil::Format("%Y-%m-%d %H:%M:%S", winter), "2009-12-05 13:45:30");
}

// The hour the clocks go back happens twice: its first pass (summer time) is taken,
// whatever was converted before. The hour they go forward never happens: it is read as
// winter time. Out-of-range fields carry over as the calendar does.
TEST(CivilTime, ClockChangeHoursConvertTheSameWhateverCameBefore) {
    // 25 October 2009: 01:30 BST is 00:30 UTC, 01:30 GMT an hour later.
    const int64_t firstPass = 1256430600;
    for (int previous : {0, 1, 2}) {
        // mktime keeps a guess from its last call; lead it each way.
        if (previous == 1) civil::FromFields(2009, 7, 1, 12, 0, 0);
        if (previous == 2) civil::FromFields(2009, 12, 1, 12, 0, 0);
        EXPECT_EQ(civil::FromFields(2009, 10, 25, 1, 30, 0), firstPass) << previous;
        // 29 March 2009: 01:30 does not exist; as GMT it is 01:30 UTC (02:30 BST).
        EXPECT_EQ(civil::FromFields(2009, 3, 29, 1, 30, 0), 1238290200) << previous;
    }
    EXPECT_EQ(civil::FromFields(2009, 10, 25, 0, 90, 0), firstPass);
    EXPECT_EQ(civil::FromFields(2009, 10, 24, 25, 30, 0), firstPass);
    EXPECT_EQ(civil::FromFields(2009, 13, 1, 0, 0, 0), civil::FromFields(2010, 1, 1, 0, 0, 0));
    EXPECT_EQ(civil::FromFields(2009, 0, 1, 0, 0, 0), civil::FromFields(2008, 12, 1, 0, 0, 0));
    EXPECT_EQ(civil::FromFields(2009, 3, 0, 0, 0, -1), civil::FromFields(2009, 2, 27, 23, 59, 59));
    EXPECT_EQ(civil::FromFields(1984, 1, 1 + 9132, 0, 600, 30), civil::FromFields(2009, 1, 1, 10, 0, 30));
}

TEST(CivilTime, RefusesTimesOutsideTheAcceptedRange) {
    civil::Fields f;
    EXPECT_FALSE(civil::ToFields(-1, f));
    EXPECT_FALSE(civil::ToFields(civil::kMaxTime + 1, f));
    EXPECT_TRUE(civil::ToFields(0, f));
    EXPECT_EQ(civil::FromFields(1960, 1, 1, 0, 0, 0), -1);
    EXPECT_EQ(civil::FromFields(3100, 1, 1, 0, 0, 0), -1);
    EXPECT_EQ(civil::Format("%Y", -5), "");
}

TEST(Record, BuildsFromRealsByTruncation) {
    EXPECT_EQ(CVKData::OfPositionReal(0, 151.2345678, 0, 0, 0x220, 0).X, 1512345678);
    EXPECT_EQ(CVKData::OfPositionReal(0, 1234.567, 0, 0, 0x20, 0).X, 123456);
    EXPECT_EQ(CVKData::OfPositionReal(0, -0.009, 0, 0, 0x20, 0).X, 0);
    EXPECT_EQ(CVKData::OfPositionReal(0, -179.9999999, -89.5, 0, 0x220, 0).X, -1799999999);
    EXPECT_EQ(CVKData::OfPositionReal(0, 0, 0, -12.349, 0x20, 0).Z, -1234);
    // Values that do not fit are clamped, not undefined.
    EXPECT_EQ(CVKData::OfPositionReal(0, 1e300, 0, 0, 0x20, 0).X, INT32_MAX);
    EXPECT_EQ(CVKData::OfPositionReal(0, NAN, 0, 0, 0x20, 0).X, 0);
}

TEST(Record, KindConstructorKeepsTheValueOfItsKind) {
    EXPECT_EQ(CVKData::OfKind(5, 123, REC_DEPTH, 7).Depth, 123);
    EXPECT_EQ(CVKData::OfKind(5, 123, REC_EVENT, 7).Depth, 123);
    const CVKData tide = CVKData::OfKind(5, 45, REC_TIDE, 7);
    EXPECT_EQ(tide.Tide, 45);
    EXPECT_EQ(tide.Depth, 0);
    const CVKData pos = CVKData::OfKind(5, 45, REC_POSITION, 7);
    EXPECT_EQ(pos.Depth, 0);
    EXPECT_EQ(pos.Tide, 0);
    EXPECT_EQ(pos.Hundredths, 7);
    EXPECT_EQ(pos.TimeHundredths(), 507);
    // A record built without a time carries the current one.
    EXPECT_NEAR(static_cast<double>(CVKData().Time), static_cast<double>(civil::Now()), 5.0);
}

TEST(Record, KindLetters) {
    CVKData r;
    const std::pair<uint16_t, const char*> cases[] = {
        {0x10, "D"}, {0x11, "D"}, {0x20, "P"}, {0x40, "T"}, {0x80, "E"}, {0x220, "L"}, {0x221, "L"},
        {0x01, " "}, {0x00, " "}, {0x30, " "}, {0x410, "D"}, {0x210, " "},
    };
    for (const auto& [flags, letter] : cases) {
        r.Flags = flags;
        EXPECT_STREQ(r.KindLetter(), letter) << std::hex << flags;
    }
}

TEST(Record, DateAndTimeNumbersWithFallbacks) {
    CVKData r;
    r.Time = civil::FromFields(2009, 12, 5, 13, 45, 30);
    EXPECT_DOUBLE_EQ(r.DateNumber(), 2009.1205);
    EXPECT_DOUBLE_EQ(r.TimeNumber(), 13.4530);
    EXPECT_EQ(r.Minute(), 45);
    EXPECT_EQ(r.Second(), 30);
    r.Time = -100;
    EXPECT_DOUBLE_EQ(r.DateNumber(), 0.0);
    EXPECT_DOUBLE_EQ(r.TimeNumber(), -1 + (-100 - 1) / 10000.0);
    EXPECT_EQ(r.Minute(), -1);
    EXPECT_EQ(r.Second(), -1);
}

TEST(Record, MetresIfHprAndClearDerived) {
    CVKData r;
    r.Flags = REC_DEPTH;
    EXPECT_DOUBLE_EQ(r.MetresIfHpr(250), 0.0);
    r.Flags |= REC_HPR;
    EXPECT_DOUBLE_EQ(r.MetresIfHpr(250), 2.5);

    auto filled = [](uint16_t flags) {
        CVKData d = CVKData::OfPosition(1, 10, 20, 30, flags, 0);
        d.Depth = 40;
        d.Tide = 50;
        d.ClearDerived();
        return d;
    };
    const CVKData depth = filled(REC_DEPTH | REC_DELETED);
    EXPECT_EQ(depth.X + depth.Y + depth.Z + depth.Tide, 0);
    EXPECT_EQ(depth.Depth, 40);
    const CVKData pos = filled(REC_POSITION);
    EXPECT_EQ(pos.Depth + pos.Tide, 0);
    EXPECT_EQ(pos.X, 10);
    const CVKData tide = filled(REC_TIDE);
    EXPECT_EQ(tide.X + tide.Y + tide.Z + tide.Depth, 0);
    EXPECT_EQ(tide.Tide, 50);
    const CVKData event = filled(REC_EVENT);
    EXPECT_EQ(event.X + event.Depth + event.Tide, 10 + 40 + 50);
}

TEST(Record, StoredFormRoundTripsAndReadsTheOlderForm) {
    CVKData r = CVKData::OfPosition(-5000000000LL, -123456789, 987654321, -77, 0x0A31, 42);
    r.Depth = -300;
    r.Tide = 125;
    r.Quality = 127;
    r.Pitch = 11;
    r.Roll = 12;
    r.Heave = 13;
    r.X = 0x7FFFFFFFFFFFLL;
    ArchiveWriter w;
    r.Write(w);
    ASSERT_EQ(w.Data().size(), 40u);
    EXPECT_EQ(w.Data()[0], 0x0A);
    EXPECT_EQ(w.Data()[3], 0x80);

    ArchiveReader rd(w.Data().data(), w.Data().size());
    CVKData back;
    back.Read(rd);
    EXPECT_TRUE(rd.AtEnd());
    EXPECT_EQ(back.Time, r.Time);
    EXPECT_EQ(back.X, r.X);
    EXPECT_EQ(back.Y, r.Y);
    EXPECT_EQ(back.Z, r.Z);
    EXPECT_EQ(back.Depth, r.Depth);
    EXPECT_EQ(back.Tide, r.Tide);
    EXPECT_EQ(back.Flags, r.Flags);
    EXPECT_EQ(back.Quality, r.Quality);
    EXPECT_EQ(back.Hundredths, r.Hundredths);
    EXPECT_EQ(back.Pitch + back.Roll + back.Heave, 0);

    // Older form: the first word is itself a 32-bit time, and Depth follows at once.
    ArchiveWriter old;
    old.I32(-2);
    old.I16(-450);
    old.I16(7);
    old.U16(REC_DEPTH);
    old.I64(1);
    old.I64(2);
    old.I32(3);
    old.U8(9);
    old.U8(10);
    ASSERT_EQ(old.Data().size(), 32u);
    ArchiveReader ro(old.Data().data(), old.Data().size());
    CVKData o;
    o.Read(ro);
    EXPECT_TRUE(ro.AtEnd());
    EXPECT_EQ(o.Time, -2);
    EXPECT_EQ(o.Depth, -450);
    EXPECT_EQ(o.Tide, 7);
    EXPECT_EQ(o.Hundredths, 10);

    // A record cut short fails.
    ArchiveReader cut(w.Data().data(), 39);
    CVKData c;
    EXPECT_THROW(c.Read(cut), FormatError);
}

TEST(Archive, TextAndCountPrefixes) {
    ArchiveWriter w;
    w.Text(std::string(254, 'a'));
    w.Text(std::string(255, 'b'));
    w.Text(std::string(0xFFFE, 'c'));
    w.Count(0xFFFE);
    w.Count(0xFFFF);
    const auto& d = w.Data();
    EXPECT_EQ(d[0], 254);
    EXPECT_EQ(d[255], 0xFF);
    EXPECT_EQ(d[256] | (d[257] << 8), 255);
    const size_t third = 255 + 3 + 255;
    EXPECT_EQ(d[third], 0xFF);
    EXPECT_EQ(d[third + 1] | (d[third + 2] << 8), 0xFFFF);
    ArchiveReader r(d.data(), d.size());
    EXPECT_EQ(r.Text().size(), 254u);
    EXPECT_EQ(r.Text(), std::string(255, 'b'));
    EXPECT_EQ(r.Text().size(), 0xFFFEu);
    EXPECT_EQ(r.Count(0), 0xFFFEu);
    EXPECT_EQ(r.Count(0), 0xFFFFu);
    EXPECT_TRUE(r.AtEnd());
}

TEST(Archive, WideTextsAreReadAndLongLengthsRefused) {
    const uint8_t wide[] = {0xFF, 0xFE, 0xFF, 3, 'A', 0, 0xE9, 0, 0x3A, 0x26};
    ArchiveReader r(wide, sizeof wide);
    EXPECT_EQ(r.Text(), std::string("A\xE9?"));
    const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'x'};
    ArchiveReader h(huge, sizeof huge);
    EXPECT_THROW(h.Text(), FormatError);
}

}  // namespace
}  // namespace aq
