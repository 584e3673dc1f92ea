// SPDX-License-Identifier: GPL-3.0-or-later
// The quality-control verbs: lines, crossings, flag-spikes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "io/document.h"
#include "support/builders.h"
#include "support/cli_runner.h"
#include "support/qc_survey.h"

namespace {

using aq::test::Lines;
using aq::test::Split;
using aq::test::Values;

class QcCliTest : public aq::test::CliFixture {
protected:
    // Five main lines and two crosslines over a sloping seabed, the crosslines 0.10 m
    // deep; `spikes` soundings made 2 m deeper.
    std::string WriteSurvey(int spikes = 0) const {
        aq::CVKDoc doc;
        aq::test::QcSurveyLayout layout = aq::test::GridLayout(5, {100, 200});
        layout.depth = [](double x, double y) { return 400.0 + 2.0 * x + 4.0 * y; };
        for (size_t i = 5; i < layout.lines.size(); ++i) layout.lines[i].depthOffset = 10;
        aq::test::BuildQcSurvey(doc, layout);
        int n = 0;
        for (size_t i = 0; i < doc.Records.size() && n < spikes; i += 97)
            if (doc.Records[i].IsLive(aq::REC_DEPTH)) doc.Records[i].Depth += 200, ++n;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("survey.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }

    // The same lines in longitude and latitude about 53.5 N 8.5 E.
    std::string WriteGeographicSurvey() const {
        const double lat0 = 53.5, lon0 = 8.5, perLat = 1.0 / 111297.0, perLon = 1.0 / 66360.0;
        aq::test::QcSurveyLayout layout = aq::test::GridLayout(5, {100, 200});
        layout.geographic = true;
        layout.unitsPerMetre = perLat;
        for (aq::test::QcLine& l : layout.lines) {
            l.x0 = lon0 + l.x0 * perLon, l.x1 = lon0 + l.x1 * perLon;
            l.y0 = lat0 + l.y0 * perLat, l.y1 = lat0 + l.y1 * perLat;
        }
        aq::CVKDoc doc;
        aq::test::BuildQcSurvey(doc, layout);
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("geographic.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }

    // Twenty tide readings and nothing else.
    std::string WriteTides() const {
        aq::CVKDoc doc;
        for (int i = 0; i < 20; ++i) aq::test::Append(doc, {aq::test::Tide(aq::test::At(10, i, 0), 120 + i)});
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("tides.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
};

// Every option of the quality-control verbs given a value out of its range is wrong
// usage, as in every other verb: refused before anything runs, exit 2, the verb and
// the option named and the usage shown.
TEST_F(QcCliTest, OptionsOutOfRangeAreWrongUsage) {
    const std::string survey = WriteSurvey();
    const std::vector<std::vector<std::string>> cases = {
        {"crossings", "--max-distance", "0"}, {"crossings", "--max-slope", "0"},
        {"crossings", "--tolerance", "60"},   {"crossings", "--turn", "0"},
        {"crossings", "--gap", "0"},          {"crossings", "--gap-distance", "-1"},
        {"crossings", "--turn-distance", "0"}, {"lines", "--min-length", "-5"},
        {"crossings", "--nodes", "--cell", "0"}, {"flag-spikes", "--k", "0"},
        {"flag-spikes", "--window", "0"},     {"flag-spikes", "--window-metres", "0"},
        {"flag-spikes", "--order", "4"},      {"report", File("r.pdf"), "--max-slope", "0"},
        {"flag-spikes", "--min-depth", "9", "--max-depth", "2"},
    };
    for (const std::vector<std::string>& c : cases) {
        std::vector<std::string> args = {"open", survey};
        args.insert(args.end(), c.begin(), c.end());
        const auto r = Run(args);
        EXPECT_EQ(r.code, 2) << c[1] << " " << c[2] << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("aquenta-cli: " + c[0] + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: " + c[0]), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    // The named option and what it takes.
    auto r = Run({"open", survey, "crossings", "--max-slope", "0"});
    EXPECT_NE(r.err.find("--max-slope takes a slope of more than 0, not \"0\""), std::string::npos) << r.err;
    r = Run({"open", survey, "crossings", "--tolerance", "60"});
    EXPECT_NE(r.err.find("--tolerance takes an angle of more than 0 and less than 45 degrees"), std::string::npos)
        << r.err;
    // A window of soundings is centred on the one judged: an even count is refused.
    r = Run({"open", survey, "flag-spikes", "--window", "4"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--window takes an odd count"), std::string::npos) << r.err;
    r = Run({"open", survey, "flag-spikes", "--window", "5"});
    EXPECT_EQ(r.code, 0) << r.err;
}

// When every crossing is rejected there are no statistics: each figure is "-" (a bias of
// 0.000 would read as a perfect result), every key is still there, and a warning says why.
TEST_F(QcCliTest, CrossingsPrintNoFiguresWhenEveryCrossingIsRejected) {
    const std::string survey = WriteSurvey();
    const auto r = Run({"open", survey, "crossings", "--max-slope", "0.0000001"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto v = Values(r.out);
    EXPECT_EQ(v.at("accepted"), "0");
    EXPECT_NE(v.at("rejected"), "0");
    for (const char* key : {"bias_m", "stddev_m", "rms_m", "p95_abs_m", "within_exclusive_pct", "within_special_pct",
                            "within_1a_pct", "within_1b_pct", "within_2_pct"})
        EXPECT_EQ(v.at(key), "-") << key;
    for (const char* key : {"pass_exclusive", "pass_special", "pass_1a", "pass_1b", "pass_2"})
        EXPECT_EQ(v.at(key), "no") << key;
    EXPECT_NE(r.err.find("every crossing was rejected"), std::string::npos) << r.err;
}

// A refusal for a missing kind of record names that kind, not the count of all records.
TEST_F(QcCliTest, RefusalsSayWhichRecordsTheSurveyLacks) {
    const std::string tides = WriteTides();
    auto r = Run({"open", tides, "lines"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("it needs position records (the survey has no position records)"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("(the survey has 20)"), std::string::npos) << r.err;
    r = Run({"open", tides, "flag-spikes"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("(the survey has no position and no depth records)"), std::string::npos) << r.err;
}

// A window too small to hold three soundings cannot judge any: flagging nothing is then
// no sign of a clean survey, and the verb says so.
TEST_F(QcCliTest, FlagSpikesWarnsWhenTheWindowHoldsTooFewSoundings) {
    const std::string survey = WriteSurvey(5);
    // Soundings lie 0.2 m apart along the lines.
    auto r = Run({"open", survey, "flag-spikes", "--window-metres", "0.3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("fewer than 3 soundings"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("0.3 m"), std::string::npos) << r.err;
    r = Run({"open", survey, "flag-spikes", "--window-metres", "5"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("fewer than 3 soundings"), std::string::npos) << r.err;
    EXPECT_NE(Split(Lines(r.out).back(), '\t')[3], "0") << r.out;
}

// A geographic survey's crossings are placed by longitude and latitude, and the table
// and CSV say so; a grid survey's keep their easting and northing.
TEST_F(QcCliTest, CrossingColumnsAreNamedForTheSurveysCoordinates) {
    const std::string geographic = WriteGeographicSurvey();
    auto r = Run({"open", geographic, "crossings", "--table", "--csv", File("geo.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\nlongitude\tlatitude\tmain_line\t"), std::string::npos) << r.out;
    const std::string csv = Lines(aq::test::ReadAll(File("geo.csv")))[0];
    EXPECT_EQ(csv.rfind("longitude,latitude,main_line,", 0), 0u) << csv;
    // The first crossing lies in the survey area, in degrees.
    const std::vector<std::string> first = Split(Lines(aq::test::ReadAll(File("geo.csv")))[1], ',');
    EXPECT_NEAR(std::stod(first[0]), 8.5, 0.1);
    EXPECT_NEAR(std::stod(first[1]), 53.5, 0.1);

    r = Run({"open", WriteSurvey(), "crossings", "--table"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\neasting\tnorthing\tmain_line\t"), std::string::npos) << r.out;
}

TEST_F(QcCliTest, LinesPrintsATableAndTakesTheUsersCrosslines) {
    const std::string survey = WriteSurvey();
    auto r = Run({"open", survey, "lines"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> rows = Lines(r.out);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0], "line\tkind\theading\tlength\tstart\tend\tseconds\tsoundings\tfirst_record\tlast_record");
    std::vector<std::string> first = Split(rows[1], '\t');
    ASSERT_EQ(first.size(), 10u);
    EXPECT_EQ(first[0], "1");
    EXPECT_EQ(first[1], "main");
    EXPECT_EQ(first[2], "90.0");
    EXPECT_EQ(first[3], "300.00");
    EXPECT_EQ(first[6], "150.00");
    EXPECT_EQ(first[7], "1500");
    EXPECT_EQ(Split(rows[6], '\t')[1], "cross");
    EXPECT_EQ(Split(rows[7], '\t')[2], "180.0");

    r = Run({"open", survey, "lines", "--cross", "2,6", "--turn", "45"});
    ASSERT_EQ(r.code, 0) << r.err;
    rows = Lines(r.out);
    ASSERT_EQ(rows.size(), 8u);
    const char* kinds[] = {"main", "cross", "main", "main", "main", "cross", "main"};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(Split(rows[i + 1], '\t')[1], kinds[i]) << i;
}

TEST_F(QcCliTest, CrossingsSummaryTableAndCsv) {
    const std::string survey = WriteSurvey();
    const auto r = Run({"open", survey, "crossings", "--table", "--csv", File("x.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto v = Values(r.out);
    EXPECT_EQ(v.at("main_lines"), "5");
    EXPECT_EQ(v.at("cross_lines"), "2");
    EXPECT_EQ(v.at("crossings"), "10");
    EXPECT_EQ(v.at("accepted"), "10");
    EXPECT_EQ(v.at("bias_m"), "0.100");
    EXPECT_EQ(v.at("stddev_m"), "0.000");
    EXPECT_EQ(v.at("within_exclusive_pct"), "100.0");
    EXPECT_EQ(v.at("pass_2"), "yes");
    const std::vector<std::string> rows = Lines(r.out);
    const auto header = std::find_if(rows.begin(), rows.end(), [](const std::string& s) { return s.starts_with("easting\t"); });
    ASSERT_NE(header, rows.end());
    EXPECT_EQ(rows.end() - header, 11);
    EXPECT_EQ(Split(*(header + 1), '\t').back(), "ok");

    const std::string csv = aq::test::ReadAll(File("x.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
    EXPECT_TRUE(csv.starts_with("easting,northing,main_line,cross_line,"));
    EXPECT_NE(csv.find(",0.100,"), std::string::npos);
}

TEST_F(QcCliTest, CrossingsNodesFollowTheSummary) {
    const std::string survey = WriteSurvey();
    auto r = Run({"open", survey, "crossings", "--nodes", "--cell", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto v = Values(r.out);
    EXPECT_EQ(v.at("bias_m"), "0.100");
    EXPECT_EQ(v.at("node_bias_m"), "0.100");
    // The depths are whole centimetres of the plane: the surface between them differs by less.
    EXPECT_LT(std::stod(v.at("node_stddev_m")), 0.006);
    EXPECT_EQ(v.at("node_cell_m"), "1");
    // Two crosslines over the 80 m between the outer main lines, a sounding every 0.2 m.
    EXPECT_GT(std::stoi(v.at("node_compared")), 780);
    EXPECT_LE(std::stoi(v.at("node_compared")), std::stoi(v.at("node_cross_soundings")));
    EXPECT_EQ(v.at("node_pass_exclusive"), "yes");
    EXPECT_LT(r.out.find("pass_2="), r.out.find("node_cross_soundings="));

    r = Run({"open", survey, "crossings", "--surface", File("s.tif")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--surface and --cell are for --nodes"), std::string::npos) << r.err;
    r = Run({"open", survey, "crossings", "--nodes", "--surface", File("none.tif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("none.tif")), std::string::npos) << r.err;
}

TEST_F(QcCliTest, FlagSpikesCountsPerLineAndUndoesAsOneStep) {
    const std::string survey = WriteSurvey(40);
    const auto before = Run({"open", survey, "records"});
    ASSERT_EQ(before.code, 0);
    const auto flagged = Run({"open", survey, "flag-spikes", "--order", "special", "--window", "15", "status"});
    ASSERT_EQ(flagged.code, 0) << flagged.err;
    const std::vector<std::string> rows = Lines(flagged.out);
    ASSERT_EQ(rows.size(), 1u + 7u + 1u + 1u);
    EXPECT_EQ(rows[0], "line\tkind\tsoundings\tflagged");
    EXPECT_EQ(rows[8], "total\t-\t8700\t40");
    EXPECT_NE(rows[9].find("40 Deleted"), std::string::npos);

    const auto undone = Run({"open", survey, "flag-spikes", "undo", "history", "records"});
    ASSERT_EQ(undone.code, 0) << undone.err;
    EXPECT_NE(undone.out.find("undone\t"), std::string::npos);
    EXPECT_NE(undone.out.find("Quality Control Flag Spikes"), std::string::npos);
    EXPECT_TRUE(undone.out.ends_with(before.out));
}

TEST_F(QcCliTest, BadInputIsRefusedClearly) {
    const std::string survey = WriteSurvey();
    auto r = Run({"open", survey, "flag-spikes", "--order", "3"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("unknown S-44 order \"3\""), std::string::npos) << r.err;
    r = Run({"open", survey, "lines", "--cross", "x"});
    EXPECT_EQ(r.code, 2);
    r = Run({"open", survey, "lines", "--turn", "200"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--turn takes an angle of more than 0 and less than 180 degrees"), std::string::npos) << r.err;
    // Every line named a crossline leaves no main line.
    r = Run({"open", survey, "crossings", "--cross", "1-7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("0 main lines and 7 crosslines"), std::string::npos) << r.err;
    r = Run({"open", survey, "crossings", "--csv", File("missing/x.csv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("missing/x.csv")), std::string::npos) << r.err;
    // A survey of depths alone has no track.
    r = Run({"new", "lines"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("position records"), std::string::npos) << r.err;
}

#ifdef AQUENTA_PLOT
// The output of a command, or nothing when it cannot be run (the tool not installed).
std::string Capture(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    return pclose(pipe) == 0 ? out : std::string();
}

// The text without its white space, as a paragraph reads however it was wrapped (at a
// space or within a long file name).
std::string Unspaced(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char ch) { return std::isspace(static_cast<unsigned char>(ch)); }),
               text.end());
    return text;
}

// Whether a line of the text holds the label and then the cells, as pdftotext -layout
// lays a table row out: separated by spaces.
bool HasRow(const std::string& text, const std::string& label, const std::vector<std::string>& cells) {
    const auto quoted = [](const std::string& s) {
        std::string q;
        for (const char ch : s) {
            if (std::string_view("\\^$.|?*+()[]{}").find(ch) != std::string_view::npos) q += '\\';
            q += ch;
        }
        return q;
    };
    std::string pattern = "(^|\n)[ \f]*" + quoted(label);
    for (const std::string& cell : cells) pattern += " +" + quoted(cell);
    pattern += "( |\r|\n|$)";
    return std::regex_search(text, std::regex(pattern));
}

size_t CountPages(const std::string& pdf) {
    size_t n = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        n += pdf.compare(at, 12, "/Type /Pages") != 0;
    return n;
}

TEST_F(QcCliTest, ReportHasThePagesAndTheCrossingsNumbers) {
    const std::string survey = WriteSurvey(5);
    auto crossings = Run({"open", survey, "flag-spikes", "crossings"});
    ASSERT_EQ(crossings.code, 0) << crossings.err;
    const auto v = Values(crossings.out);

    // The edits before the report are listed as the reason for what is deleted.
    auto r = Run({"open", survey, "flag-spikes", "report", File("survey.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto out = Values(r.out);
    // Summary with the line table after it on the same page, crossing pictures, plan,
    // section.
    EXPECT_EQ(out.at("pages"), "4");
    EXPECT_EQ(out.at("csv"), File("survey.csv"));
    const std::string pdf = aq::test::ReadAll(File("survey.pdf"));
    ASSERT_TRUE(pdf.starts_with("%PDF-"));
    EXPECT_EQ(CountPages(pdf), 4u);
    // The CSV is the one crossings --csv writes.
    ASSERT_EQ(Run({"open", survey, "flag-spikes", "crossings", "--csv", File("direct.csv")}).code, 0);
    EXPECT_EQ(aq::test::ReadAll(File("survey.csv")), aq::test::ReadAll(File("direct.csv")));

    const std::string info = Capture("pdfinfo '" + File("survey.pdf") + "'");
    if (!info.empty()) {
        EXPECT_NE(info.find("Pages:           4"), std::string::npos) << info;
        EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    }
    const std::string text = Capture("pdftotext -layout '" + File("survey.pdf") + "' -");
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the report's text is not checked";
    EXPECT_TRUE(HasRow(text, "Bias (mean delta), m", {v.at("bias_m")})) << text;
    EXPECT_TRUE(HasRow(text, "Standard deviation, m", {v.at("stddev_m")})) << text;
    EXPECT_TRUE(HasRow(text, "RMS, m", {v.at("rms_m")})) << text;
    EXPECT_TRUE(HasRow(text, "95th percentile of |delta|, m", {v.at("p95_abs_m")})) << text;
    const std::map<std::string, std::string> orders = {{"exclusive", "Exclusive"}, {"special", "Special"},
                                                       {"1a", "1a"}, {"1b", "1b"}, {"2", "2"}};
    for (const auto& [word, name] : orders) {
        const std::string cell = v.at("within_" + word + "_pct") + " % " + (v.at("pass_" + word) == "yes" ? "passes" : "fails");
        EXPECT_TRUE(HasRow(text, "S-44 " + name + ", within TVU", {cell})) << cell << "\n" << text;
    }
    EXPECT_TRUE(HasRow(text, "Order achieved", {"Exclusive"})) << text;
    EXPECT_EQ(text.find("Nodes"), std::string::npos) << text;
    EXPECT_NE(text.find("Crossings: 10 found, 10 accepted, 0 rejected."), std::string::npos) << text;
    EXPECT_NE(text.find("1. Quality Control Flag Spikes"), std::string::npos) << text;
    EXPECT_NE(text.find("5 records are marked deleted"), std::string::npos) << text;
    // Few lines: each in the table, and in the lines' CSV as lines prints them.
    EXPECT_NE(text.find("7 lines, also in survey-lines.csv beside this report."), std::string::npos) << text;
    EXPECT_EQ(out.at("lines_csv"), File("survey-lines.csv"));
    const auto table = Run({"open", survey, "flag-spikes", "lines"});
    ASSERT_EQ(table.code, 0) << table.err;
    std::string tabbed = aq::test::ReadAll(File("survey-lines.csv"));
    std::replace(tabbed.begin(), tabbed.end(), ',', '\t');
    tabbed.erase(std::remove(tabbed.begin(), tabbed.end(), '\r'), tabbed.end());
    // After flag-spikes' own table.
    EXPECT_EQ(tabbed, table.out.substr(table.out.find("line\tkind\theading")));
}

// The node comparison beside the crossings, against the main lines' own surface or a
// raster; a raster in another coordinate system stops the report before any file is
// written.
TEST_F(QcCliTest, ReportPrintsTheNodeComparisonBesideTheCrossings) {
    const std::string survey = WriteSurvey();
    const auto nodes = Run({"open", survey, "crossings", "--nodes", "--cell", "1"});
    ASSERT_EQ(nodes.code, 0) << nodes.err;
    const auto v = Values(nodes.out);
    auto r = Run({"open", survey, "report", File("nodes.pdf"), "--nodes", "--cell", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = Capture("pdftotext -layout '" + File("nodes.pdf") + "' -");
    if (!text.empty()) {
        EXPECT_TRUE(HasRow(text, "", {"Crossings", "Nodes"})) << text;
        EXPECT_TRUE(HasRow(text, "Compared", {v.at("accepted"), v.at("node_compared")})) << text;
        EXPECT_TRUE(HasRow(text, "Bias (mean delta), m", {v.at("bias_m"), v.at("node_bias_m")})) << text;
        EXPECT_TRUE(HasRow(text, "95th percentile of |delta|, m", {v.at("p95_abs_m"), v.at("node_p95_abs_m")})) << text;
        EXPECT_TRUE(HasRow(text, "S-44 1a, within TVU",
                           {v.at("within_1a_pct") + " % passes", v.at("node_within_1a_pct") + " % passes"}))
            << text;
        EXPECT_NE(Unspaced(text).find(Unspaced("main lines' soundings (1 m cells);")), std::string::npos) << text;
    }

    // A raster of the survey's own surface, written in its system, then the survey
    // declared to be on another grid.
    r = Run({"open", survey, "crs", "EPSG:32631", "grid", File("own.tif"), "--cell", "2", "report", File("raster.pdf"),
             "--nodes", "--surface", File("own.tif")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("no coordinate system"), std::string::npos) << r.err;
    const std::string rasterText = Capture("pdftotext -layout '" + File("raster.pdf") + "' -");
    if (!rasterText.empty()) {
        EXPECT_NE(Unspaced(rasterText).find(Unspaced("against the surface \"" + File("own.tif") + "\"")),
                  std::string::npos)
            << rasterText;
    }
    r = Run({"open", survey, "crs", "EPSG:27700", "report", File("other.pdf"), "--nodes", "--surface", File("own.tif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("own.tif")), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("UTM zone 31N"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("British National Grid"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(File("other.pdf")));
    EXPECT_FALSE(std::filesystem::exists(File("other.csv")));
    // Every line a crossline: the report stands and says why there are no nodes.
    r = Run({"open", survey, "report", File("plain.pdf"), "--nodes", "--cross", "1-7"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("no node comparison: The node comparison needs main lines"), std::string::npos) << r.err;
    r = Run({"open", survey, "report", File("x.pdf"), "--cell", "1"});
    EXPECT_EQ(r.code, 2);
}

// A survey of more lines than the report lists: the PDF summarises them by kind and by
// day, the lines' CSV holds each, and the crossings still go to theirs.
TEST_F(QcCliTest, ReportSummarisesManyLines) {
    aq::CVKDoc doc;
    aq::test::QcSurveyLayout layout;
    // 105 passes of 40 m lines east and west, each crossed by a short line north.
    for (int i = 0; i < 105; ++i) {
        const double y = 30.0 * i;
        layout.lines.push_back(i % 2 ? aq::test::QcLine{40, y, 0, y} : aq::test::QcLine{0, y, 40, y});
        layout.lines.push_back({20, y - 12, 20, y + 12});
    }
    aq::test::BuildQcSurvey(doc, layout);
    const std::string survey = File("many.son");
    ASSERT_TRUE(aq::SaveDocument(doc, survey, aq::test::Quiet()));
    auto r = Run({"open", survey, "report", File("many.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto out = Values(r.out);
    const std::string lines = aq::test::ReadAll(out.at("lines_csv"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 211);
    const std::string crossings = aq::test::ReadAll(out.at("csv"));
    EXPECT_EQ(std::count(crossings.begin(), crossings.end(), '\n'), 106);
    const std::string text = Capture("pdftotext -layout '" + File("many.pdf") + "' -");
    if (text.empty()) return;
    EXPECT_NE(text.find("210 lines, more than this report lists: each is in many-lines.csv beside it."),
              std::string::npos)
        << text;
    EXPECT_TRUE(HasRow(text, "main", {"105"})) << text;
    EXPECT_TRUE(HasRow(text, "cross", {"105"})) << text;
    EXPECT_NE(text.find("Survey lines by day of their start"), std::string::npos) << text;
    // All on one day: one row of it.
    const std::string day = Split(Lines(lines)[1], ',')[4].substr(0, 10);
    EXPECT_TRUE(HasRow(text, day, {"105", "105", "0"})) << day << "\n" << text;
}

TEST_F(QcCliTest, ReportRefusalsNameTheFile) {
    const std::string survey = WriteSurvey();
    auto r = Run({"open", survey, "report", File("missing/r.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("could not write \"" + File("missing/r.pdf") + "\""), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(File("missing")));
    r = Run({"open", survey, "report", File("r.png")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("must end in .pdf"), std::string::npos) << r.err;
    // The CSV beside it cannot be written: a folder has its name.
    std::filesystem::create_directory(File("taken.csv"));
    r = Run({"open", survey, "report", File("taken.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(File("taken.csv")), std::string::npos) << r.err;
    // A survey without crosslines still gets its report, which says why there is no CSV.
    r = Run({"open", survey, "report", File("plain.pdf"), "--tolerance", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
}
// Each of the report's files is written whatever became of the others; every key is
// printed, "-" for a file not written, and every failure names its file.
TEST_F(QcCliTest, ReportWritesEveryFileItCanAndNamesEachFailure) {
    const std::string survey = WriteSurvey();
    std::filesystem::create_directory(File("a.csv"));
    auto r = Run({"open", survey, "report", File("a.pdf")});
    EXPECT_EQ(r.code, 1);
    auto v = Values(r.out);
    EXPECT_NE(v.at("pages"), "-") << r.out;
    EXPECT_GE(std::stoi(v.at("pages")), 4) << r.out;
    EXPECT_EQ(v.at("csv"), "-");
    EXPECT_EQ(v.at("lines_csv"), File("a-lines.csv"));
    EXPECT_TRUE(std::filesystem::is_regular_file(File("a.pdf")));
    EXPECT_TRUE(std::filesystem::is_regular_file(File("a-lines.csv")));
    EXPECT_NE(r.err.find("could not write \"" + File("a.csv") + "\""), std::string::npos) << r.err;

    // Two of the three blocked: both named, the third written.
    std::filesystem::create_directory(File("b.csv"));
    std::filesystem::create_directory(File("b-lines.csv"));
    r = Run({"open", survey, "report", File("b.pdf")});
    EXPECT_EQ(r.code, 1);
    v = Values(r.out);
    EXPECT_NE(v.at("pages"), "-");
    EXPECT_EQ(v.at("csv"), "-");
    EXPECT_EQ(v.at("lines_csv"), "-");
    EXPECT_TRUE(std::filesystem::is_regular_file(File("b.pdf")));
    EXPECT_NE(r.err.find("could not write \"" + File("b.csv") + "\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("could not write \"" + File("b-lines.csv") + "\""), std::string::npos) << r.err;

    // The PDF blocked: the CSVs are written all the same.
    std::filesystem::create_directory(File("c.pdf"));
    r = Run({"open", survey, "report", File("c.pdf")});
    EXPECT_EQ(r.code, 1);
    v = Values(r.out);
    EXPECT_EQ(v.at("pages"), "-");
    EXPECT_EQ(v.at("csv"), File("c.csv"));
    EXPECT_EQ(v.at("lines_csv"), File("c-lines.csv"));
    EXPECT_TRUE(std::filesystem::is_regular_file(File("c.csv")));
    EXPECT_NE(r.err.find("could not write \"" + File("c.pdf") + "\""), std::string::npos) << r.err;
}

// A survey with nothing to plan gets a plan page that says so, and a warning.
TEST_F(QcCliTest, ReportSaysWhyThePlanPageHasNoPlan) {
    const auto r = Run({"open", WriteTides(), "report", File("tides.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("report: the plan page has no plan: The survey has no position records"), std::string::npos)
        << r.err;
    const std::string text = Capture("pdftotext -layout '" + File("tides.pdf") + "' -");
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the report's text is not checked";
    EXPECT_NE(Unspaced(text).find("Thesurveyhasnopositionrecords,sothereisnoplantodraw."), std::string::npos) << text;
}

// The heights of the words of a page of a PDF, in points, as pdftotext -bbox gives them.
std::map<std::string, double> WordHeights(const std::string& pdf, int page) {
    const std::string html = Capture("pdftotext -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                     " '" + pdf + "' -");
    std::map<std::string, double> heights;
    const std::regex word("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">([^<]*)</word>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
        heights[(*it)[3]] = std::stod((*it)[2]) - std::stod((*it)[1]);
    return heights;
}

// The plan, section and crossing pages are vector drawings with print-size text: no
// picture in the file of a small survey, and labels a reader can read.
TEST_F(QcCliTest, ReportPagesAreVectorsWithTextAtPrintSize) {
    const std::string survey = WriteSurvey();
    auto r = Run({"open", survey, "report", File("v.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const int pages = std::stoi(Values(r.out).at("pages"));
    const std::string images = Capture("pdfimages -list '" + File("v.pdf") + "'");
    if (images.empty()) GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    // The header and its rule, and no image under them.
    EXPECT_EQ(Lines(images).size(), 2u) << images;
    // The plan page (next to last): the title and the coordinate labels at 6 pt or more
    // (a picture of the page at the screen's size made them 3 pt).
    const auto plan = WordHeights(File("v.pdf"), pages - 1);
    ASSERT_TRUE(plan.count("Position")) << pages;
    EXPECT_GT(plan.at("Position"), 6.0);
    EXPECT_LT(plan.at("Position"), 14.0);
    const auto section = WordHeights(File("v.pdf"), pages);
    ASSERT_TRUE(section.count("Section")) << pages;
    size_t labels = 0;
    for (const auto& [word, height] : section)
        if (word.size() > 2 && word.back() == 'm' && std::isdigit(static_cast<unsigned char>(word[word.size() - 2]))) {
            ++labels;
            EXPECT_GT(height, 6.0) << word;
        }
    EXPECT_GT(labels, 0u);
    // The crossing plan has its coordinates along the frame and a scale bar.
    const auto crossings = WordHeights(File("v.pdf"), pages - 2);
    EXPECT_TRUE(crossings.count("N")) << "north arrow";
    EXPECT_TRUE(crossings.count("easting")) << "axis caption";
}
// A geographic survey's plan offsets are said in degrees and the metres they come to,
// not in stored units.
TEST_F(QcCliTest, ReportSaysAGeographicSurveysOffsetsInDegrees) {
    const auto r = Run({"open", WriteGeographicSurvey(), "report", File("geo.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = Capture("pdftotext -layout '" + File("geo.pdf") + "' -");
    if (text.empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the report's text is not checked";
    EXPECT_NE(Unspaced(text).find("east0.0000000\u00b0oflongitude(0.00m),north0.0000000\u00b0oflatitude(0.00m)"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("survey units"), std::string::npos) << text;
}
#endif

}  // namespace
