// SPDX-License-Identifier: GPL-3.0-or-later
#include <map>

#include <gtest/gtest.h>

#include "export/dxf.h"
#include "export_fixture.h"
#include "processing/recalc.h"

namespace aq {
namespace {

using test::Append;
using test::At;
using testing::ElementsAre;

// The entities of a drawing: each "0" group with the groups after it, by code.
struct Entity {
    std::string type;
    std::map<int, std::string> groups;
};

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<Entity> EntitiesOf(const std::string& text) {
    const std::vector<std::string> lines = Split(text);
    std::vector<Entity> out;
    bool inEntities = false;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        const int code = std::stoi(lines[i]);
        const std::string& value = lines[i + 1];
        if (code == 2) inEntities = value == "ENTITIES";
        if (!inEntities || code == 2) continue;
        if (code == 0) {
            if (value == "ENDSEC") break;
            out.push_back({value, {}});
        } else {
            out.back().groups[code] = value;
        }
    }
    return out;
}

std::vector<std::string> LayersOf(const std::vector<Entity>& entities) {
    std::vector<std::string> layers;
    for (const Entity& e : entities) layers.push_back(e.groups.at(8));
    return layers;
}

std::string Draw(const CVKDoc& doc, const ExportSelection& sel = {}) {
    CVKDxf dxf(&doc.Records, doc.IsGeographic());
    std::string out;
    EXPECT_TRUE(dxf.WriteDrawing(out, sel));
    return out;
}

class DxfExport : public test::ExportTest {};

// Two positions 5 m and 2 s apart: the whole file, group by group.
TEST_F(DxfExport, WholeFile) {
    Append(doc, {test::Pos(At(10, 30, 45), 123456, 654321, 250), test::Pos(At(10, 30, 47), 123956, 654321, 240)});
    doc.Records[0].Depth = 345;
    doc.Records[0].Tide = 12;
    const std::string path = File("two.dxf");
    ASSERT_TRUE(ExportDxf(doc, path, {}, port));
    EXPECT_EQ(Read(path), Read(AQUENTA_TEST_DATA "/export/two_positions.dxf"));
}

TEST_F(DxfExport, LevelLabelsAreDealtOverTheLayers) {
    for (int i = 0; i < 45; ++i) Append(doc, {test::Pos(At(10, 0, i), i * 100, 0)});
    ExportSelection sel;
    for (int layers : {1, 3, 20}) {
        sel.DxfLayerCount = static_cast<uint8_t>(layers);
        std::vector<std::string> levels;
        for (const Entity& e : EntitiesOf(Draw(doc, sel)))
            if (e.groups.at(8).starts_with("VK_LEVEL")) levels.push_back(e.groups.at(8));
        ASSERT_EQ(levels.size(), 45u);
        for (size_t i = 0; i < levels.size(); ++i)
            EXPECT_EQ(levels[i], "VK_LEVEL" + std::to_string(i % layers)) << layers << " layers, label " << i;
    }
}

// After the first written record only positions follow; speeds are measured from
// record 0, and two records of one second give no speed label.
TEST_F(DxfExport, FirstRecordAndSpeedRules) {
    Append(doc, {test::Tide(At(10, 0, 0), 40), test::Depth(At(10, 0, 2), 500), test::Depth(At(10, 0, 3), 600),
                 test::Pos(At(10, 0, 4), 0, 0), test::Deleted(test::Pos(At(10, 0, 5), 100, 0)),
                 test::Pos(At(10, 0, 6), 300, 400), test::Pos(At(10, 0, 6), 600, 800)});
    ExportSelection sel;
    sel.EntityMask = EntityMaskOf(true, true, false, false);
    const std::vector<Entity> e = EntitiesOf(Draw(doc, sel));
    EXPECT_THAT(LayersOf(e), ElementsAre("VK_POINT", "VK_LEVEL0", "VK_TIME", "VK_SPEED",  // depth of 10:00:02
                                         "VK_POINT", "VK_LEVEL0", "VK_TIME", "VK_SPEED",  // position of :04
                                         "VK_POINT", "VK_LEVEL0", "VK_TIME", "VK_SPEED",  // position of :06
                                         "VK_POINT", "VK_LEVEL0", "VK_TIME"));            // same second
    // The depth's speed from the tide record 0, two seconds before, both at 0,0.
    EXPECT_EQ(e[3].groups.at(1), "0.00m/s");
    // 5 m in 2 s, placed half-way.
    EXPECT_EQ(e[11].groups.at(1), "2.50m/s");
    EXPECT_EQ(e[11].groups.at(10), "1.500");
    EXPECT_EQ(e[11].groups.at(20), "2.000");

    // Record 0 written first: its speed would be measured against itself.
    sel.EntityMask = REC_TIDE;
    EXPECT_THAT(LayersOf(EntitiesOf(Draw(doc, sel))), ElementsAre("VK_POINT", "VK_LEVEL0", "VK_TIME", "VK_POINT",
                                                                   "VK_LEVEL0", "VK_TIME", "VK_SPEED", "VK_POINT",
                                                                   "VK_LEVEL0", "VK_TIME", "VK_SPEED", "VK_POINT",
                                                                   "VK_LEVEL0", "VK_TIME"));
}

TEST_F(DxfExport, LevelsHeightsAndExtents) {
    CVKData p = test::Pos(At(10, 0, 0), 100000, 200000, 150);
    p.Depth = 400;
    p.Tide = 30;
    // A deleted position far away still widens the extents and so the text height.
    Append(doc, {p, test::Deleted(test::Pos(At(10, 0, 1), 150000, 200000, -20))});
    const std::string text = Draw(doc);
    EXPECT_NE(text.find("9\r\n$EXTMIN\r\n10\r\n1000.000\r\n20\r\n2000.000\r\n30\r\n-0.200\r\n"
                        "9\r\n$EXTMAX\r\n10\r\n1500.000\r\n20\r\n2000.000\r\n30\r\n1.500\r\n"),
              std::string::npos);
    const std::vector<Entity> e = EntitiesOf(text);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].groups.at(30), "-2.200");  // tide - depth + height
    EXPECT_EQ(e[1].groups.at(1), "-2.200");
    EXPECT_EQ(e[1].groups.at(10), "1000.500");  // beside the point by half the text height
    EXPECT_EQ(e[1].groups.at(40), "1.000");     // 500 m / 500
    EXPECT_EQ(e[2].groups.at(30), "1.500");     // the time label at the height alone
    EXPECT_EQ(e[2].groups.at(20), "1999.000");
    EXPECT_EQ(e[2].groups.at(1), "10:00:00");
}

TEST_F(DxfExport, GeographicDrawingHasNoSpeedsAndSixDecimals) {
    const uint16_t geo = REC_POSITION | REC_GEOGRAPHIC;
    Append(doc, {CVKData::OfPosition(At(10, 0, 0), -12345678, 515020566, 100, geo, 0),
                 CVKData::OfPosition(At(10, 0, 1), -12345000, 515021000, 100, geo, 0)});
    const std::string text = Draw(doc);
    EXPECT_NE(text.find("$EXTMIN\r\n10\r\n-1.235\r\n20\r\n51.502\r\n"), std::string::npos);
    const std::vector<Entity> e = EntitiesOf(text);
    EXPECT_THAT(LayersOf(e), ElementsAre("VK_POINT", "VK_LEVEL0", "VK_TIME", "VK_POINT", "VK_LEVEL0", "VK_TIME"));
    EXPECT_EQ(e[0].groups.at(10), "-1.234568");
    EXPECT_EQ(e[0].groups.at(20), "51.502057");
    EXPECT_EQ(e[0].groups.at(30), "1.000000");
}

}  // namespace
}  // namespace aq
