// SPDX-License-Identifier: GPL-3.0-or-later
// The quality-control verbs: lines, crossings, flag-spikes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
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
    EXPECT_NE(text.find("Bias (mean delta): " + v.at("bias_m") + " m"), std::string::npos) << text;
    EXPECT_NE(text.find("Standard deviation: " + v.at("stddev_m") + " m"), std::string::npos) << text;
    EXPECT_NE(text.find("RMS: " + v.at("rms_m") + " m"), std::string::npos) << text;
    EXPECT_NE(text.find("95th percentile of |delta|: " + v.at("p95_abs_m") + " m"), std::string::npos);
    const std::map<std::string, std::string> orders = {{"exclusive", "Exclusive"}, {"special", "Special"},
                                                       {"1a", "1a"}, {"1b", "1b"}, {"2", "2"}};
    for (const auto& [word, name] : orders) {
        const std::string line = "S-44 " + name + ": " + v.at("within_" + word + "_pct") + " % within TVU, " +
                                 (v.at("pass_" + word) == "yes" ? "passes" : "fails");
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    EXPECT_NE(text.find("Order achieved: Exclusive"), std::string::npos) << text;
    EXPECT_NE(text.find("Crossings: 10 found, 10 accepted, 0 rejected."), std::string::npos) << text;
    EXPECT_NE(text.find("1. Quality Control Flag Spikes"), std::string::npos) << text;
    EXPECT_NE(text.find("5 records are marked deleted"), std::string::npos) << text;
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
