// SPDX-License-Identifier: GPL-3.0-or-later
// Tide tables: right-aligned fields, carried fields, intervals and the error rule.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "import/tide.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

class TideImport : public testing::Test {
protected:
    // Imports the text and returns the records' times and tides.
    std::vector<std::pair<int64_t, int>> Import(const std::string& text) {
        EXPECT_EQ(ImportTide(doc, dir.Write("tide.txt", text), port), ImportResult::Imported);
        std::vector<std::pair<int64_t, int>> out;
        for (const CVKData& r : doc.Records) out.emplace_back(r.Time, r.Tide);
        return out;
    }
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(TideImport, FieldsCarryAndOneNumberLinesKeepTheInterval) {
    using test::At;
    const auto got = Import("2009 12 5 10 0 0 1.25\n10 15 0 1.30\n1.35\n\n30 0 1.15\n0 -0.5\n");
    const std::vector<std::pair<int64_t, int>> want = {
        {At(10, 0, 0), 125}, {At(10, 15, 0), 130}, {At(10, 30, 0), 135}, {At(10, 30, 0), 115}, {At(10, 30, 0), -50}};
    EXPECT_EQ(got, want);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(doc.CountTide, 5);  // restored and recalculated

    // A one-number line right after the first record repeats its time.
    CVKDoc other;
    ASSERT_EQ(ImportTide(other, dir.Write("b.txt", "2009 12 5 10 0 0 1.25\n1.3\n"), test::Quiet()),
              ImportResult::Imported);
    EXPECT_EQ(other.Records[1].Time, At(10, 0, 0));
}

TEST_F(TideImport, LinesBeforeAllSevenFieldsAreKnownAreErrors) {
    const auto got = Import("12 5 10 0 0 1.0\nTide table\n1.1\n2009 12 5 11 0 0 1.25\n");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], std::make_pair(test::At(11, 0, 0), 125));
    // One message a line that gives numbers; the heading gives none and is passed over.
    EXPECT_EQ(port.Texts(), std::vector<std::string>(2, "Tide Data error"));
}

// A summer reading keeps its wall-clock time whatever the season of the import.
TEST_F(TideImport, DaylightSavingIsThatOfTheDate) {
    const auto got = Import("2009 7 1 10 0 0 1\n2009 12 1 10 0 0 1\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(civil::Format("%H:%M", got[0].first), "10:00");
    EXPECT_EQ(got[1].first - got[0].first, 153 * 86400 + 3600);
}

// A survey from an NMEA log holds the sounder's zero tides: the table's must replace
// them, or they would win the interpolation.
TEST_F(TideImport, ASurveyWithTidesIsAskedWhetherTheFileReplacesThem) {
    using test::At;
    test::Append(doc, {test::Tide(At(10, 0, 0), 0), test::Depth(At(10, 15, 0), 800), test::Tide(At(10, 30, 0), 0)});
    doc.ImportedFiles = "/data/log.nmea\n";
    const std::string table = dir.Write("tide.tid", "2009 12 5 10 0 0 1.25\n10 30 0 1.35\n");

    // No: the survey stays as it was and the file can be tried again.
    ASSERT_EQ(ImportTide(doc, table, port), ImportResult::Refused);
    EXPECT_EQ(port.questions,
              (std::vector<std::string>{"The survey holds 2 tide records. Replace them with the file's?"}));
    EXPECT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.ImportedFiles, "/data/log.nmea\n");

    // Yes: the sounder's tides are gone, the table's interpolate into the depths.
    port.answers = {true};
    ASSERT_EQ(ImportTide(doc, table, port), ImportResult::Imported);
    std::vector<int> tides, depthTides;
    for (const CVKData& r : doc.Records) {
        if (r.Flags & REC_TIDE) tides.push_back(r.Tide);
        if (r.Flags & REC_DEPTH) depthTides.push_back(r.Tide);
    }
    EXPECT_EQ(tides, (std::vector<int>{125, 135}));
    EXPECT_EQ(depthTides, (std::vector<int>{130}));
    EXPECT_EQ(doc.ImportedFiles, "/data/log.nmea\n" + table + "\n");

    // A file without a tide line keeps the survey's tides, whatever the answer.
    port.answers = {true};
    port.messages.clear();
    ASSERT_EQ(ImportTide(doc, dir.Write("empty.tid", "no tides today\n"), port), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"no line had the tide layout"}));
    EXPECT_EQ(doc.CountTide, 2);
}

}  // namespace
}  // namespace aq
