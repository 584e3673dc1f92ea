// SPDX-License-Identifier: GPL-3.0-or-later
// The volume report's page and the cross-section sheets, drawn onto a recording canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "views/recordingcanvas.h"
#include "views/volumedraw.h"
#include "views/volumes.h"

namespace aq {
namespace {

VolumeReport Report() {
    VolumeReport r;
    r.inputs = {{"Survey", "pre.son"}, {"Reference", "design level -12 m"}};
    VolumeFigures grid{"grid", 12003.456, 1.5, 6000, 3, 6003, 10};
    VolumeFigures tin{"tin", 12000, 1.25, 5999.5, 3.5, 6003, 10};
    r.figures = {grid, tin};
    r.plan.nx = 2, r.plan.ny = 2, r.plan.difference = {1, -1, NAN, 0.5};
    r.plan.boundary = {{{0, 0}, {2, 0}, {2, 2}}};
    r.plan.north = 2;
    return r;
}

std::vector<std::string> Texts(const RecordingCanvas& c) {
    std::vector<std::string> t;
    for (const auto& call : c.calls)
        if (call.op == RecordingCanvas::Op::Text) t.push_back(call.text);
    return t;
}

// The report's first page prints every word of the table the command line prints.
TEST(VolumeDraw, SummaryPrintsTheCommandLinesTable) {
    const VolumeReport r = Report();
    RecordingCanvas canvas;
    DrawVolumeSummary(canvas, r, {0, 0, 1654, 2339});
    const std::vector<std::string> texts = Texts(canvas);
    const auto table = VolumeTable(r.figures);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1][1], "12003.46");
    EXPECT_EQ(table[1][7], "0.03");  // (12001.956 - 11998.75) / 12001.25 in percent
    for (const auto& row : table)
        for (const std::string& word : row)
            EXPECT_NE(std::find(texts.begin(), texts.end(), word), texts.end()) << word;
    EXPECT_NE(std::find(texts.begin(), texts.end(), "design level -12 m"), texts.end());
}

TEST(VolumeDraw, TableHasTheOverdepthColumnsOnlyWithAnAllowance) {
    VolumeReport r = Report();
    EXPECT_EQ(VolumeTable(r.figures)[0].size(), 8u);
    r.figures[0].overdepth = r.figures[1].overdepth = true;
    r.figures[1].withinOverdepth = 300;
    const auto table = VolumeTable(r.figures);
    EXPECT_EQ(table[0].back(), "overdepth_m3");
    EXPECT_EQ(table[2][8], "12000.00");
    EXPECT_EQ(table[2][9], "300.00");
    EXPECT_EQ(Fixed2(-0.001), "0.00");
}

// Sheets of three: a sheet past the end draws its frame and nothing else; the areas of
// each section are written beside it.
TEST(VolumeDraw, SectionSheetsLabelEachSection) {
    std::vector<SectionProfile> sections(4);
    for (size_t k = 0; k < sections.size(); ++k) {
        SectionProfile& s = sections[k];
        s.chainage = 10.0 * static_cast<double>(k);
        s.offset = {-10, 0, 10};
        s.survey = {-10, -9, NAN};
        s.design = {-12, -12, -12};
        s.cutArea = 25 + static_cast<double>(k);
    }
    EXPECT_EQ(SectionSheets(4, 3), 2);
    RecordingCanvas canvas;
    DrawSectionSheet(canvas, sections, 1, 3, {0, 0, 1600, 1130}, "Channel", "design");
    const std::vector<std::string> texts = Texts(canvas);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Channel - sheet 2 of 2"), texts.end());
    bool found = false;
    for (const std::string& t : texts) found |= t.find("Ch 30.00 m   cut 28.00 m2") == 0;
    EXPECT_TRUE(found);
    for (const std::string& t : texts) EXPECT_EQ(t.find("Ch 0.00"), std::string::npos);
}

}  // namespace
}  // namespace aq
