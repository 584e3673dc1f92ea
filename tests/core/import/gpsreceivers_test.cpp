// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/gpsreceivers.h"

#include <gtest/gtest.h>

#include "import_support.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

int64_t On(int y, int mo, int d, int h, int mi, int s) { return civil::FromFields(y, mo, d, h, mi, s); }

std::vector<int64_t> Xyz(const CVKData& r) { return {r.X, r.Y, r.Z}; }

class ReceiverTest : public testing::Test {
protected:
    std::string Kinds() const {
        std::string k;
        for (const auto& r : doc.Records) k += r.KindLetter();
        return k;
    }
    // Reads a label file's text through the Geodimeter reader into an empty survey.
    std::string Labels(const std::string& text, bool lineBreaks = true) {
        doc.Records.clear();
        TextImportState st;
        GeodimeterReader reader(doc, st, lineBreaks, port);
        reader.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        reader.Finish();
        return Kinds();
    }

    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    TextImportState state;
};

TEST_F(ReceiverTest, TrimbleCutsTheLineAfterItsTagAndReadsTheDateDayFirst) {
    EXPECT_TRUE(
        TrimbleLine(doc, state, "$PTNL,GGK,102939.00,051209,4807.0380,N,01131.0000,W,3,08,0.9,EHT34.5,M*7E", false));
    // A quality of 0 is still a position; a tag at the very start is not a sentence.
    EXPECT_TRUE(
        TrimbleLine(doc, state, "$PTNL,GGK,102940.00,311299,4807.0380,S,01131.0000,E,0,08,0.9,EHT-1.25,M", false));
    EXPECT_FALSE(TrimbleLine(doc, state, "GGK,102941.00,051209,4807.0380,N,01131.0000,E,3,08,0.9,EHT34.5,M", false));
    EXPECT_FALSE(TrimbleLine(doc, state, "$PTNL,GGK,102941.00,051209,4807.0380,N", false));
    // Numbers that do not fit the stored fields are clamped, or 0 when not finite.
    EXPECT_TRUE(TrimbleLine(doc, state, "$PTNL,GGK,1e300,99999999999,nan,N,1e300,E,3,08,0.9,EHT-1e300,M", false));
    ASSERT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.Records[0].Flags, REC_POSITION | REC_GEOGRAPHIC);
    EXPECT_EQ(doc.Records[0].Time, On(2009, 12, 5, 10, 29, 39));
    EXPECT_NEAR(doc.Records[0].Y, 481173000, 1);  // 48.1173 degrees, truncated
    EXPECT_EQ(doc.Records[0].X, -115166666);
    EXPECT_EQ(doc.Records[0].Z, 3450);
    EXPECT_EQ(doc.Records[1].Time, On(1999, 12, 31, 10, 29, 40));
    EXPECT_LT(doc.Records[1].Y, 0);
    EXPECT_EQ(doc.Records[1].Z, -125);
    EXPECT_EQ(Xyz(doc.Records[2]), (std::vector<int64_t>{INT32_MAX, 0, INT32_MIN}));

    // PJK: grid, the northing first; the GGK reader finds no tag there and cuts 3 characters.
    const char* pjk = "$PTNL,PJK,102939.00,051209,+5334440.125,N,+1234567.875,E,3,08,0.9,EHT34.5,M*xx";
    EXPECT_FALSE(TrimbleLine(doc, state, pjk, false));
    EXPECT_TRUE(TrimbleLine(doc, state, pjk, true));
    EXPECT_EQ(doc.Records.back().Flags, REC_POSITION);
    EXPECT_EQ(Xyz(doc.Records.back()), (std::vector<int64_t>{123456787, 533444012, 3450}));
}

TEST_F(ReceiverTest, LeicaTagAtIndexThreeAndQualityAboveTwo) {
    const std::string tail = ".00,041006,764413.25,M,25171.5,M,";
    EXPECT_TRUE(LeicaLine(doc, state, "$GPLLK,113616" + tail + "3,08,0.010,1005.25,M*48"));
    EXPECT_TRUE(LeicaLine(doc, state, "$GPLLQ,113617" + tail + "4,08,0.010,1005.25,M*48"));
    EXPECT_TRUE(LeicaLine(doc, state, "$GPGGK,113618" + tail + "5,08,0.010,1005.25,M*48"));
    EXPECT_FALSE(LeicaLine(doc, state, "$GPLLK,113619" + tail + "2,08,0.010,1005.25,M*48"));
    EXPECT_FALSE(LeicaLine(doc, state, "$GPXLLQ,113620" + tail + "3,08,0.010,1005.25,M*48"));
    ASSERT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.Records[0].Flags, REC_POSITION);
    EXPECT_EQ(doc.Records[0].Time, On(2006, 10, 4, 11, 36, 16));
    EXPECT_EQ(Xyz(doc.Records[0]), (std::vector<int64_t>{76441325, 2517150, 100525}));
}

TEST_F(ReceiverTest, TrimbleAndLeicaFilesReportTheirCountAndRefuseRepeatsSilently) {
    const std::string ggk =
        dir.Write("a.ggk", "$PTNL,GGK,102939.00,051209,4807.0380,N,01131.0000,E,3,08,0.9,EHT34.5,M\r\nx\r\n");
    ASSERT_EQ(ImportTrimbleGgk(doc, ggk, port), ImportResult::Imported);
    ASSERT_EQ(ImportTrimbleGgk(doc, ggk, port), ImportResult::Refused);
    EXPECT_EQ(port.statusText, "0 Event, 0 Tide, 1 L/L, 0 Depth, 0 Deleted");
    const std::string leica =
        dir.Write("b.llk", "$GPLLK,113616.00,041006,764413.25,M,25171.5,M,2,08,0.010,1005.25,M\n");
    ASSERT_EQ(ImportLeica(doc, leica, port), ImportResult::Imported);
    ASSERT_EQ(ImportLeica(doc, leica, port), ImportResult::Refused);
    // A file that gave nothing says why under its count.
    EXPECT_EQ(port.Texts(),
              (std::vector<std::string>{"1 Positions imported",
                                        "0 Positions imported\nno LLK, LLQ or GGK sentence had a readable fix of "
                                        "quality 3 or better"}));
}

TEST_F(ReceiverTest, GeodimeterPointCodedZeroBreaksTheLine) {
    ASSERT_EQ(Labels("5=1 4=0 37=6543.25 38=1234.5 39=-3.75 51=2009.1205 52=12.3045\r\n"), "EP");
    EXPECT_EQ(doc.Records[0].Depth, -1);
    EXPECT_EQ(doc.Records[0].Time, On(2009, 12, 5, 12, 30, 45));
    EXPECT_EQ(doc.Records[1].Time, doc.Records[0].Time);
    EXPECT_EQ(Xyz(doc.Records[1]), (std::vector<int64_t>{123450, 654325, -375}));
    // Without the option, or with another code, there is no event.
    EXPECT_EQ(Labels("5=1 4=0 37=1 38=2 39=3 51=2009.1205 52=12.3045\r\n", false), "P");
    EXPECT_EQ(Labels("5=1 4=01 37=1 38=2 39=3 51=2009.1205 52=12.3045\r\n"), "P");
}

// hh.mmss with fewer than four decimals: 12.3 is half past twelve, not 12:30:10.
TEST_F(ReceiverTest, GeodimeterTimesWithShortFractionsArePadded) {
    ASSERT_EQ(Labels("51=2009.1205\r\n5=1 37=1 38=2 39=3 52=12.30\r\n5=2 37=1 38=2 39=3 52=12.3\r\n"
                     "5=3 37=1 38=2 39=3 52=9.1\r\n5=4 37=1 38=2 39=3 52=12.3045\r\n5=5 37=1 38=2 39=3 52=7\r\n",
                     false),
              "PPPPP");
    std::vector<int64_t> times;
    for (const CVKData& r : doc.Records) times.push_back(r.Time);
    EXPECT_EQ(times, (std::vector<int64_t>{On(2009, 12, 5, 12, 30, 0), On(2009, 12, 5, 12, 30, 0),
                                           On(2009, 12, 5, 9, 10, 0), On(2009, 12, 5, 12, 30, 45),
                                           On(2009, 12, 5, 7, 0, 0)}));
    EXPECT_EQ(PadTimeFraction("12.30455"), "12.30455");
    EXPECT_EQ(PadTimeFraction(" -1.5"), " -1.5000");
    EXPECT_EQ(PadTimeFraction("x1.5"), "x1.5");
}

TEST_F(ReceiverTest, GeodimeterValuesGoIntoThePointsRecord) {
    // As the Geotronics export writes them: depth and tide go into the position.
    ASSERT_EQ(Labels("51=2009.1205\r\n5=0 4=D10.3045 37=6543.21 38=1234.56 39=-3.33 42=3.45 75=0.12 52=10.3045\r\n"
                     "5=1 4=D10.3046 52=10.3046 42=2.5 75=-0.5 37=1 38=2 39=3\r\n"),
              "PD");
    EXPECT_EQ(doc.Records[0].Depth, 345);
    EXPECT_EQ(doc.Records[0].Tide, 12);
    EXPECT_EQ(doc.Records[0].Time, On(2009, 12, 5, 10, 30, 45));
    // A depth before the coordinates starts a depth record, which takes tide and coordinates.
    EXPECT_EQ(doc.Records[1].Flags, REC_DEPTH);
    EXPECT_EQ(doc.Records[1].Tide, -50);
    EXPECT_EQ(doc.Records[1].X, 200);
    EXPECT_EQ(doc.KindFlags & 0x70, REC_DEPTH | REC_POSITION | REC_TIDE);
}

TEST_F(ReceiverTest, GeodimeterDatesTimesLastValuesAndJunk) {
    ASSERT_EQ(Labels("5=1 51=05-12-2009 52=10:30:45 37=1 38=2 39=3\r\n5=2 51=05-12 52=11:61 37=1 38=2 39=3\r\n"), "PP");
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"Date read failure - 05-12", "Time read failure - 11:61"}));
    EXPECT_EQ(doc.Records[0].Time, On(2009, 12, 5, 10, 30, 45));
    EXPECT_EQ(doc.Records[1].Time, doc.Records[0].Time);  // the earlier date and time stay
    // Bare line feeds end values, and so does the end of the file.
    ASSERT_EQ(Labels("51=2009.1205\n5=1\n37=1\n38=2\n39=3\n52=10.3045"), "P");
    EXPECT_EQ(doc.Records[0].Time, On(2009, 12, 5, 10, 30, 45));
    // Unknown labels, junk and hostile values do no harm (the depth, read with date and
    // time known, starts the point's record).
    ASSERT_EQ(Labels("5=1 3=9 76=1 99999999999=2 =x 51=1e300 52=-1e300 37=nan 38=1e300 42=1e9 39=-inf\r"), "D");
    EXPECT_EQ(Xyz(doc.Records[0]), (std::vector<int64_t>{INT32_MAX, 0, 0}));
    EXPECT_EQ(doc.Records[0].Depth, INT16_MAX);
}

TEST_F(ReceiverTest, GeotronicsImportAsksAboutLineBreaks) {
    const std::string path = dir.Write("p.are", "51=2009.1205\r\n5=0 4=0 37=1 38=2 39=3 52=10.3045\r\n");
    port.answers = {true};
    ASSERT_EQ(ImportGeotronics(doc, path, port), ImportResult::Imported);
    EXPECT_EQ(port.questions, (std::vector<std::string>{"Use line breaks(4=0)?"}));
    EXPECT_EQ(Kinds(), "EP");
    ASSERT_EQ(ImportGeotronics(doc, path, port), ImportResult::Refused);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{path + "\nAlready Imported"}));
}

}  // namespace
}  // namespace aq
