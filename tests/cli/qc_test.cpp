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
};

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
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("turn angle"), std::string::npos) << r.err;
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
    // Summary, line table, crossing pictures, plan, section.
    EXPECT_EQ(out.at("pages"), "5");
    EXPECT_EQ(out.at("csv"), File("survey.csv"));
    const std::string pdf = aq::test::ReadAll(File("survey.pdf"));
    ASSERT_TRUE(pdf.starts_with("%PDF-"));
    EXPECT_EQ(CountPages(pdf), 5u);
    // The CSV is the one crossings --csv writes.
    ASSERT_EQ(Run({"open", survey, "flag-spikes", "crossings", "--csv", File("direct.csv")}).code, 0);
    EXPECT_EQ(aq::test::ReadAll(File("survey.csv")), aq::test::ReadAll(File("direct.csv")));

    const std::string info = Capture("pdfinfo '" + File("survey.pdf") + "'");
    if (!info.empty()) {
        EXPECT_NE(info.find("Pages:           5"), std::string::npos) << info;
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
#endif

}  // namespace
