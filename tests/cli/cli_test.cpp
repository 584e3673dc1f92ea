// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built aquenta-cli on temporary files and checks what it prints and returns.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"

namespace fs = std::filesystem;

namespace {

using aq::test::Split;
using Result = aq::test::CliResult;

// 2009-07-01 10:00:00 UTC; the tests' zone keeps summer time then (11:00 local).
constexpr int64_t kT0 = 1246442400;

class CliTest : public aq::test::CliFixture {
protected:
    // Two positions, two depths (the second of quality 127) and a tide, two minutes long.
    std::string WriteSurvey() const {
        aq::CVKDoc doc;
        doc.AddRecord(aq::CVKData::OfPosition(kT0, 100000, 200000, 0, aq::REC_POSITION, 0));
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + 30, 500, 100, aq::REC_DEPTH, 0));
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + 60, 600, 127, aq::REC_DEPTH, 0));
        doc.AddRecord(aq::CVKData::OfPosition(kT0 + 90, 300000, 400000, 0, aq::REC_POSITION, 0));
        doc.AddRecord(aq::CVKData::OfKind(kT0 + 120, 50, aq::REC_TIDE, 0));
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("survey.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
};

TEST_F(CliTest, NewDocument) {
    const Result r = Run({"new", "save", File("new.son"), "status", "records"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::file_size(File("new.son")), 79u);
    EXPECT_EQ(r.out,
              "\n"
              "index\tTime\tHundredths\tFlags\tX\tY\tZ\tDepth\tTide\tPitch\tRoll\tHeave\tQuality\t"
              "ptHeight\tptTide\tptSeabed\tptDepthUp\tptPlan\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, UsageErrorsStopBeforeAnyVerbRuns) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"new", "save", File("x.son"), "frobnicate"},
             {"new", "save", File("x.son"), "open"},
             {"new", "save", File("x.son"), "delete-box", "plan", "0", "0", "1"},
             {"new", "save", File("x.son"), "delete-box", "map", "0", "0", "1", "1"},
             {"new", "save", File("x.son"), "filter", "range", "--w", "0", "1"},
             {"--yes", "--no", "new", "save", File("x.son")},
             {}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: aquenta-cli"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(File("x.son")));
    }
    const Result help = Run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("filter range"), std::string::npos);
}

TEST_F(CliTest, OpenFailures) {
    Result r = Run({"open", File("missing.son"), "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed to open document " + File("missing.son") + ": No such file or directory.\n");
    EXPECT_EQ(r.out, "");  // the run stops at the failing verb

    std::ofstream(File("garbage.son")) << "this is no survey, just some text that goes on and on and on";
    r = Run({"open", File("garbage.son")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unexpected file format.\n");
}

TEST_F(CliTest, ListsASavedSurvey) {
    const std::string path = WriteSurvey();
    aq::CVKDoc doc;
    ASSERT_TRUE(aq::OpenDocument(doc, path, aq::test::Quiet()));

    const Result r = Run({"open", path, "status", "records", "summary"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Split(r.out, '\n');
    ASSERT_EQ(lines.size(), 1 + 1 + 5 + 29u);
    EXPECT_EQ(lines[0], "0 Event, 1 Tide, 2 Fix, 2 Depth, 0 Deleted");

    // Columns by header name, checked against the same file loaded here.
    std::map<std::string, size_t> col;
    const std::vector<std::string> header = Split(lines[1], '\t');
    for (size_t i = 0; i < header.size(); ++i) col[header[i]] = i;
    ASSERT_EQ(header.size(), 18u);
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        const aq::CVKData& rec = doc.Records[i];
        const std::vector<std::string> f = Split(lines[2 + i], '\t');
        ASSERT_EQ(f.size(), 18u);
        EXPECT_EQ(f[col["index"]], std::to_string(i));
        EXPECT_EQ(f[col["Time"]], std::to_string(rec.Time));
        EXPECT_EQ(f[col["X"]], std::to_string(rec.X));
        EXPECT_EQ(f[col["Y"]], std::to_string(rec.Y));
        EXPECT_EQ(f[col["Depth"]], std::to_string(rec.Depth));
        EXPECT_EQ(f[col["Tide"]], std::to_string(rec.Tide));
        EXPECT_EQ(f[col["Quality"]], std::to_string(rec.Quality));
        EXPECT_EQ(f[col["ptSeabed"]], std::to_string(rec.ptSeabed.x) + "," + std::to_string(rec.ptSeabed.y));
        EXPECT_EQ(f[col["ptPlan"]], std::to_string(rec.ptPlan.x) + "," + std::to_string(rec.ptPlan.y));
    }
    EXPECT_EQ(Split(lines[3], '\t')[col["Flags"]], "0x0010");

    std::vector<std::string> names;
    std::map<std::string, std::string> summary;
    for (size_t i = 7; i < lines.size(); ++i) {
        const size_t eq = lines[i].find('=');
        names.push_back(lines[i].substr(0, eq));
        summary[names.back()] = lines[i].substr(eq + 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "KindFlags",     "TimeMin",         "TimeMax",       "LevelMin",     "LevelMax",
                         "XMin",          "XMax",            "YMin",          "YMax",         "FirstPosIndex",
                         "LastPosIndex",  "PosTimeOffset",   "DepthTimeOffset", "TideTimeOffset", "EastOffset",
                         "NorthOffset",   "ElevOffset",      "DepthOffset",   "TideOffset",   "SoundVelocity",
                         "InterpLimit",   "SounderImported", "QaMin",         "QaMax",        "CountDepth",
                         "CountEvent",    "CountTide",       "CountPos",      "CountDeleted"}));
    EXPECT_EQ(summary["KindFlags"], "0x0070");
    EXPECT_EQ(summary["TimeMin"], std::to_string(kT0 - 100));
    EXPECT_EQ(summary["XMax"], "300000");
    EXPECT_EQ(summary["LastPosIndex"], "3");
    EXPECT_EQ(summary["SoundVelocity"], "1500");
    EXPECT_EQ(summary["CountDepth"], "2");

}

TEST_F(CliTest, CommandsRefusedWhenTheirMenuItemIsDisabled) {
    for (const char* verb : {"restore", "remove", "hi-pass", "lo-pass"}) {
        const Result r = Run({"new", verb});
        EXPECT_EQ(r.code, 1) << verb;
        EXPECT_NE(r.err.find("is not available"), std::string::npos) << r.err;
    }
    // Keeping three of the five records leaves too few for the Range filter.
    const std::string path = WriteSurvey();
    Result r = Run({"open", path, "filter", "range"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = Run({"open", path, "time-frame", "0", "8000", "remove", "status", "filter", "range"});
    EXPECT_EQ(r.out, "0 Event, 0 Tide, 1 Fix, 2 Depth, 0 Deleted\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"Edit > Filter > Range\" is not available"), std::string::npos) << r.err;
}

TEST_F(CliTest, RangeFilterValidatesLikeItsDialog) {
    const std::string path = WriteSurvey();
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--qa", "0", "200"}, "Please enter an integer between 1 and 127.\n"},
        {{"--qa", "-1", "127"}, "Please enter an integer between 0 and 126.\n"},
        {{"--qa", "1.5", "127"}, "Please enter an integer between 0 and 126.\n"},
        {{"--x", "0", "12m"}, "Please enter a number.\n"},
        {{"--z", "nan", "1"}, "Please enter a number.\n"},
    };
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = {"open", path, "filter", "range"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("status");
        const Result r = Run(args);
        EXPECT_EQ(r.code, 1) << options[0];
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.out, "");
    }
    for (const char* bad : {"2009-02-29 10:00:00", "2009-07-01", "2009-07-01 24:00:00"}) {
        const Result r = Run({"open", path, "filter", "range", "--start", bad});
        EXPECT_EQ(r.code, 1) << bad;
        EXPECT_NE(r.err.find("YYYY-MM-DD HH:MM:SS"), std::string::npos) << r.err;
    }
    // A moment past 2038 would wrap in the filter's 32-bit comparison and delete everything.
    Result r = Run({"open", path, "filter", "range", "--end", "2040-01-01 00:00:00"});
    EXPECT_EQ(r.code, 1);

    // Options left out keep the dialog's starting values, which keep every record.
    r = Run({"open", path, "filter", "range", "--qa", "0", "126", "status", "restore", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "0 Event, 1 Tide, 2 Fix, 1 Depth, 1 Deleted\n"
              "0 Event, 1 Tide, 2 Fix, 2 Depth, 0 Deleted\n");
}

TEST_F(CliTest, RangeRefusesAMinimumAboveItsMaximumAndSparesEvents) {
    // WriteSurvey's records, their positions 5 m up, with two event marks among them.
    aq::CVKDoc doc;
    ASSERT_TRUE(aq::OpenDocument(doc, WriteSurvey(), aq::test::Quiet()));
    for (aq::CVKData& rec : doc.Records)
        if (rec.Flags & aq::REC_POSITION) rec.Z = 500;
    doc.AddRecord(aq::CVKData::OfKind(kT0 + 45, 12, aq::REC_EVENT, 0));
    doc.AddRecord(aq::CVKData::OfKind(kT0 + 100, 3, aq::REC_EVENT, 0));
    doc.NeedsSort = true;
    aq::Recalculate(doc, aq::test::Quiet());
    const std::string path = File("events.son");
    ASSERT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));

    for (const std::vector<std::string>& pair :
         {std::vector<std::string>{"--z", "2", "-12"}, {"--x", "3000", "1000"}, {"--y", "4000.01", "4000"},
          {"--qa", "100", "99"}}) {
        std::vector<std::string> args = {"open", path, "filter", "range"};
        args.insert(args.end(), pair.begin(), pair.end());
        args.insert(args.end(), {"status", "save", File("never.son")});
        const Result r = Run(args);
        EXPECT_EQ(r.code, 1) << pair[0];
        EXPECT_EQ(r.err, "The minimum must not be greater than the maximum.\n");
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(File("never.son")));
    }
    Result r = Run({"open", path, "filter", "range", "--start", "2009-07-01 11:02:00", "--end", "2009-07-01 11:01:00"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "The minimum must not be greater than the maximum.\n");

    // A level window of seabeds keeps the event marks, whose Depth is their number (their
    // "levels" of 4.88 and 4.97 m lie above the window, as the positions' 5 m do).
    r = Run({"open", path, "filter", "range", "--z", "-12", "2", "--qa", "20", "127", "remove", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 Event, 0 Tide, 0 Fix, 2 Depth, 0 Deleted\n");
    r = Run({"open", path, "filter", "range", "--z", "-1", "-1", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 Event, 0 Tide, 0 Fix, 1 Depth, 4 Deleted\n");
}

TEST_F(CliTest, RangeOnDepthsWithoutPositions) {
    aq::CVKDoc doc;
    for (int k = 0; k < 5; ++k)
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + k, 500 + k, static_cast<uint8_t>(123 + k), aq::REC_DEPTH, 0));
    doc.NeedsSort = true;
    aq::Recalculate(doc, aq::test::Quiet());
    const std::string path = File("depths.son");
    ASSERT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
    // The empty plan extents used to delete all five ("All data deleted").
    const Result r = Run({"open", path, "filter", "range", "--qa", "0", "126", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "0 Event, 0 Tide, 0 Fix, 4 Depth, 1 Deleted\n");
}

TEST_F(CliTest, SoundingsMonthsFromTheirPositionsKeepTheirOwn) {
    // 25 000 000 s (289 days) either side of the depth: 2.5e9 hundredths wrapped
    // negative on 32 bits and passed the limit, which put the depth at X = Y = -2 545 935.
    aq::CVKDoc doc;
    doc.AddRecord(aq::CVKData::OfPosition(kT0, 0, 0, 0, aq::REC_POSITION, 0));
    doc.AddRecord(aq::CVKData::OfDepth(kT0 + 25000000, 500, 100, aq::REC_DEPTH, 0));
    doc.AddRecord(aq::CVKData::OfPosition(kT0 + 50000000, 1000000000, 1000000000, 0, aq::REC_POSITION, 0));
    doc.KindFlags = aq::REC_POSITION | aq::REC_DEPTH;
    doc.NeedsSort = true;
    aq::Recalculate(doc, aq::test::Quiet());
    const std::string path = File("months.son");
    ASSERT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
    const Result r = Run({"open", path, "records"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> depth = Split(Split(r.out, '\n').at(2), '\t');
    ASSERT_EQ(depth.at(3), "0x0010");
    EXPECT_EQ(depth.at(4), "0");
    EXPECT_EQ(depth.at(5), "0");
}

TEST_F(CliTest, OpeningAndSavingAnUnchangedSurveyKeepsItsBytes) {
    // The level axis was widened by a metre at each end by every recalculation, so each
    // open and save changed the file.
    Result r = Run({"open", WriteSurvey(), "save", File("second.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run({"open", File("second.son"), "save", File("third.son"), "restore", "save", File("fourth.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string bytes = aq::test::ReadAll(File("second.son"));
    EXPECT_EQ(aq::test::ReadAll(File("third.son")), bytes);
    EXPECT_EQ(aq::test::ReadAll(File("fourth.son")), bytes);

    // Saved straight after the recalculation of an import: positions below the datum and
    // tides, which the depths only take by interpolation, move the levels.
    aq::CVKDoc doc;
    doc.AddRecord(aq::CVKData::OfKind(kT0, 200, aq::REC_TIDE, 0));
    for (int k = 0; k < 4; ++k) {
        doc.AddRecord(aq::CVKData::OfPosition(kT0 + 2 * k, 100000 + 100 * k, 200000, -30, aq::REC_POSITION, 0));
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + 2 * k + 1, 480 - k, 100, aq::REC_DEPTH, 0));
    }
    doc.AddRecord(aq::CVKData::OfKind(kT0 + 9, 200, aq::REC_TIDE, 0));
    doc.KindFlags = aq::REC_TIDE | aq::REC_POSITION | aq::REC_DEPTH;  // as the imports leave it
    doc.NeedsSort = true;
    aq::Recalculate(doc, aq::test::Quiet());
    ASSERT_TRUE(aq::SaveDocument(doc, File("imported.son"), aq::test::Quiet()));
    r = Run({"open", File("imported.son"), "save", File("resaved.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(aq::test::ReadAll(File("resaved.son")), aq::test::ReadAll(File("imported.son")));
}

TEST_F(CliTest, ZoneAppliesToFilterDates) {
    const std::string path = WriteSurvey();
    // 10:00:45 is after the first two records in UTC, but before all of them in summer time.
    const std::vector<std::string> filter = {"open", path, "filter", "range", "--start", "2009-07-01 10:00:45",
                                             "status"};
    Result r = Run(filter);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 Event, 1 Tide, 2 Fix, 2 Depth, 0 Deleted\n");

    std::vector<std::string> utc = {"--tz", "UTC0"};
    utc.insert(utc.end(), filter.begin(), filter.end());
    r = Run(utc);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 Event, 1 Tide, 1 Fix, 1 Depth, 2 Deleted\n");
}

TEST_F(CliTest, DragBoxesAndTimeFrame) {
    const std::string path = WriteSurvey();
    // Corners given in either order, as a drag can be made either way.
    const Result r = Run({"open", path, "time-frame", "15000", "7000", "status", "undelete-box", "plan", "15001",
                          "15001", "0", "0", "status", "set", "interp-limit", "1", "summary"});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Split(r.out, '\n');
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0 Event, 1 Tide, 1 Fix, 1 Depth, 2 Deleted");
    EXPECT_EQ(lines[1], "0 Event, 1 Tide, 2 Fix, 2 Depth, 0 Deleted");
    EXPECT_NE(r.out.find("\nInterpLimit=1\n"), std::string::npos);

    const Result bad = Run({"set", "interp-limit", "-1"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err, "Please enter a positive integer.\n");
}

}  // namespace
