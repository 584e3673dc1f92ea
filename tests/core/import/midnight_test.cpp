// SPDX-License-Identifier: GPL-3.0-or-later
// Logs that give the date on some lines and only the time of day on others, crossing
// midnight: each reader carries the date on to the next day (or back to the one before).
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/gpsreceivers.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/texthelpers.h"
#include "import/tide.h"
#include "import_support.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

int64_t On(int d, int h, int mi, int s) { return civil::FromFields(2009, 12, d, h, mi, s); }

std::string S(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + body + tail;
}

std::vector<int64_t> Times(const CVKDoc& doc) {
    std::vector<int64_t> t;
    for (const CVKData& r : doc.Records) t.push_back(r.Time);
    return t;
}

TEST(CarriedDate, MovesOnlyOnJumpsOfMoreThanTwelveHours) {
    TextImportState st;
    st.Year = 2009;
    st.Month = 12;
    st.Day = 31;
    SetTimeOfDay(st, 235959);
    st.DateGiven(true);
    SetTimeOfDay(st, 1);  // 00:00:01: past midnight, into the next year
    EXPECT_EQ(std::vector<int64_t>({st.Year, st.Month, st.Day}), std::vector<int64_t>({2010, 1, 1}));
    SetTimeOfDay(st, 235958);  // back into the evening before
    EXPECT_EQ(std::vector<int64_t>({st.Year, st.Month, st.Day}), std::vector<int64_t>({2009, 12, 31}));
    // Twelve hours exactly, and a log that runs backwards for a while, stay on the day.
    SetTimeOfDay(st, 115958);
    SetTimeOfDay(st, 100000);
    EXPECT_EQ(st.Day, 31);

    // A date given alone starts afresh: the next time is not compared with the last.
    st.Day = 6;
    st.DateGiven(false);
    SetTimeOfDay(st, 235959);
    EXPECT_EQ(st.Day, 6);
    // A two-digit year and the end of February move as the builder reads them.
    st.Year = 8;
    st.Month = 2;
    st.Day = 28;
    st.DateGiven(false);
    SetTimeOfDay(st, 230000);
    SetTimeOfDay(st, 10000);
    EXPECT_EQ(st.Stamp(), civil::FromFields(2008, 2, 29, 1, 0, 0));
    // A date the builder would repair has no day to move to.
    st.Month = 13;
    st.DateGiven(false);
    SetTimeOfDay(st, 230000);
    SetTimeOfDay(st, 10000);
    EXPECT_EQ(std::vector<int64_t>({st.Month, st.Day}), std::vector<int64_t>({13, 29}));
}

TEST(CarriedDate, NmeaFixesAfterMidnightTakeTheNextDay) {
    ScriptedPort port;
    CVKDoc doc;
    TextImportState state;
    NmeaReader reader(doc, state);
    for (const std::string& line :
         {S("GPZDA,235959.00,05,12,2009,00,00"), S("GPGGA,235959,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
          S("GPGLL,4807.038,N,01131.000,E,000001,A"), S("GPZDA,000002.00,06,12,2009,00,00"),
          S("GPGLL,4807.038,N,01131.000,E,235958,A")})
        reader.Line(line);
    // The fix of 00:00:01 was stamped a day early before; the late one of 23:59:58 after
    // the ZDA of the 6th belongs to the 5th.
    EXPECT_EQ(Times(doc), std::vector<int64_t>({On(5, 23, 59, 59), On(6, 0, 0, 1), On(5, 23, 59, 58)}));
}

TEST(CarriedDate, GeodimeterTimesAfterOneDateLabel) {
    ScriptedPort port;
    CVKDoc doc;
    TextImportState state;
    GeodimeterReader reader(doc, state, false, port);
    const std::string text =
        "51=2009.1205\r\n5=1 37=1 38=2 39=3 52=23.5959\r\n5=2 37=1 38=2 39=3 52=0.0001\r\n"
        "51=2009.1206\r\n5=3 37=1 38=2 39=3 52=0.0002\r\n";
    reader.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    reader.Finish();
    // The date given again is taken as it is.
    EXPECT_EQ(Times(doc), std::vector<int64_t>({On(5, 23, 59, 59), On(6, 0, 0, 1), On(6, 0, 0, 2)}));
}

TEST(CarriedDate, SounderAndTideLogs) {
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;

    VkRawReader vk(doc, false);
    for (const char* line : {"D 2009 12 5", "T 23 59 59", "M 5.5", "T 0 0 1", "M 5.6"}) vk.Line(line);
    EXPECT_EQ(Times(doc), std::vector<int64_t>({On(5, 23, 59, 59), On(6, 0, 0, 1)}));

    doc.Records.clear();
    WtRawReader wt(doc);
    for (const char* line : {"D 05 12 09", "T 23 50 00 H 1.25 F 0", "T 00 10 00 H 1.30 F 0"}) wt.Line(line);
    EXPECT_EQ(Times(doc), std::vector<int64_t>({On(5, 23, 50, 0), On(6, 0, 10, 0)}));

    CVKDoc tides;
    ASSERT_EQ(ImportTide(tides, dir.Write("t.tid", "2009 12 5 23 45 0 1.2\n0 15 0 1.3\n0 45 0 1.4\n"), port),
              ImportResult::Imported);
    EXPECT_EQ(Times(tides), std::vector<int64_t>({On(5, 23, 45, 0), On(6, 0, 15, 0), On(6, 0, 45, 0)}));
}

}  // namespace
}  // namespace aq
