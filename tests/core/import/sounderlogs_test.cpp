// SPDX-License-Identifier: GPL-3.0-or-later
// Corrund text logs and dumps (VK Raw) and Tevrant tide logs (WT Raw).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "import/sounderlogs.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

class SounderLogs : public testing::Test {
protected:
    SounderLogs() {
        // The survey in hand before a VK Raw or WT Raw import.
        test::Append(doc, {test::Depth(test::At(9, 0, 0), 100), test::Pos(test::At(9, 0, 1), 1, 2)});
        doc.EastOffset = 500;
    }
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
};

// A fix is recorded only within 999 units of the previous one; the first fix, and one
// that jumped, only become the reference.
TEST_F(SounderLogs, VkRawJumpRule) {
    CVKDoc log;
    VkRawReader r(log, true);
    for (const char* line : {"D 2009 12 5", "T 10 30 00", "G 5130.0000N00010.0000W5.5", "G 5130.0001N00010.0001W5.5",
                             "G 5130.0121N00010.0001W5.5",   // 0.0002 degree north: a jump
                             "G 5130.0122N00010.0002W6.5",   // close to the jump
                             "G 5130.0123N00010.0003W6.5 "})  // a blank: no position
        r.Line(line);
    ASSERT_EQ(log.Records.size(), 2u);
    EXPECT_EQ(log.Records[0].Y, 515000016);
    EXPECT_EQ(log.Records[1].Y, 515002033);
    EXPECT_EQ(log.Records[1].X, -1666700);
    EXPECT_EQ(log.Records[1].Z, 650);
    EXPECT_EQ(log.Records[1].Time, test::At(10, 30, 0));
    EXPECT_EQ(log.KindFlags, REC_POSITION | REC_GEOGRAPHIC);
}

TEST_F(SounderLogs, VkRawNeedsAValidDateAndTime) {
    CVKDoc log;
    VkRawReader r(log, false);
    for (const char* line : {"M 1.0", "D 2009 12 5", "T 10 30 00", "M 4.25",
                             "T 24 00 00", "M 5.0", "T 10 60 00", "M 5.0", "T 10 31", "M 5.0",  // invalid times
                             "T 10 31 05", "M 5.15", "D 2009 12", "M 6.0", "D 2009 12 6", "M 1.5",
                             "M", "Mx 2.0"})  // too short, no blank after the letter
        r.Line(line);
    ASSERT_EQ(log.Records.size(), 3u);
    EXPECT_EQ(log.Records[0].Time, test::At(10, 30, 0));
    EXPECT_EQ(log.Records[0].Depth, 425);
    EXPECT_EQ(log.Records[1].Time, test::At(10, 31, 5));
    EXPECT_EQ(log.Records[1].Depth, 515);
    EXPECT_EQ(log.Records[2].Time, civil::FromFields(2009, 12, 6, 10, 31, 5));
}

TEST_F(SounderLogs, VkRawStartsANewSurvey) {
    const std::string path = dir.Write(
        "log.txt",
        "D 2009 12 5\r\nT 10 30 00\r\nG 5130N00010W12\r\nM 4.25\r\nG 5130N00010W12.5\r\nM 4.5\r\nM 4.75\r\n");
    port.answers = {false};
    ASSERT_EQ(ImportVkRaw(doc, path, port), ImportResult::Imported);
    EXPECT_EQ(port.questions, std::vector<std::string>{"Use GPS heights, if present ?"});
    ASSERT_EQ(doc.Records.size(), 4u);
    EXPECT_EQ(doc.EastOffset, 0);
    EXPECT_EQ(doc.CountDepth, 3);  // recalculated: more than three records
    EXPECT_EQ(doc.Records[1].Z, 0);

    // Three records or fewer are not recalculated.
    ASSERT_EQ(ImportVkRaw(doc, dir.Write("short.txt", "D 2009 12 5\nT 10 30 00\nM 4.25\n"), port),
              ImportResult::Imported);
    EXPECT_EQ(doc.Records.size(), 1u);
    EXPECT_EQ(doc.CountDepth, 0);
}

TEST_F(SounderLogs, VkRawHandsHexFilesToTheDumpDecoder) {
    EXPECT_TRUE(IsCorrundDump("/data/SURVEY.Hex"));
    EXPECT_FALSE(IsCorrundDump("/data/survey.txt"));
    EXPECT_FALSE(IsCorrundDump("/data.hex/survey.txt"));  // the folder's name does not count
    std::string dump = "0123AC\r\n";  // day 9132: 1 January 2009
    for (int i = 0; i < 4; ++i) {
        char rec[32];
        std::snprintf(rec, sizeof rec, "02%08X%04X\r\n", 1125 * 600 + 19 * (30 + i), 400 + i);
        dump += rec;
    }
    ASSERT_EQ(ImportVkRaw(doc, dir.Write("Survey.HEX", dump), port), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All done"});
    ASSERT_EQ(doc.Records.size(), 4u);
    EXPECT_EQ(doc.Records[0].Time, civil::FromFields(2009, 1, 1, 10, 0, 30));
    EXPECT_EQ(doc.CountDepth, 4);
}

// The survey in hand is kept when the file cannot be read.
TEST_F(SounderLogs, AFileThatDoesNotOpenKeepsTheSurvey) {
    for (const char* name : {"none.txt", "none.hex"}) {
        EXPECT_EQ(ImportVkRaw(doc, dir.Path(name), port), ImportResult::FileError);
        EXPECT_EQ(port.Texts().back(), dir.Path(name) + " was not found.");
    }
    EXPECT_EQ(ImportWtRaw(doc, dir.Path("none.txt"), port), ImportResult::FileError);
    EXPECT_EQ(doc.Records.size(), 2u);
    EXPECT_EQ(doc.EastOffset, 500);
    EXPECT_TRUE(port.questions.empty());
}

TEST_F(SounderLogs, TevrantLinesAreSlicedAtTheirMarks) {
    CVKDoc log;
    WtRawReader r(log);
    for (const char* line : {"T 10 30 00 H 1.25 F 0",  // before the date: waits for it
                             "D 05 12 09", "T 10 40 00 H 1.35 F 0",
                             "T 10 50 00 H 1.45",       // no F
                             "H 1.0 T 10 55 00 F 0",    // H before T
                             "T 11 00 00 H x F 0",      // a tide that does not scan
                             "T 11 10 00 H -0.5 F 0",   // the time before it still counts
                             "X T 11 20 00 H 1.0 F 0",  // the time is read from the third character
                             "D 06 12"})                // a date that does not scan
        r.Line(line);
    std::vector<std::pair<int64_t, int>> got;
    for (const CVKData& rec : log.Records) got.emplace_back(rec.Time, rec.Tide);
    const std::vector<std::pair<int64_t, int>> want = {
        {test::At(10, 30, 0), 125}, {test::At(10, 40, 0), 135}, {test::At(11, 10, 0), -50}};
    EXPECT_EQ(got, want);
}

TEST_F(SounderLogs, WtRawStartsANewSurvey) {
    const std::string path = dir.Write("wt.txt", "D 05 12 09\r\nT 10 30 00 H 1.25 F 0\r\nT 10 40 00 H 1.35 F 0\r\n"
                                                 "T 10 50 00 H 1.45 F 0\r\nT 11 00 00 H 1.55 F 0\r\n");
    ASSERT_EQ(ImportWtRaw(doc, path, port), ImportResult::Imported);
    EXPECT_EQ(doc.CountTide, 4);
    EXPECT_EQ(doc.Records.size(), 4u);
    EXPECT_EQ(doc.EastOffset, 0);
    EXPECT_EQ(doc.ImportedFiles, "");  // the new survey's list starts empty
}

}  // namespace
}  // namespace aq
