// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/builders.h"
#include "views/pointedit.h"

namespace aq {
namespace {

using test::At;

PointEditResult Changed(PointType shown, std::initializer_list<std::pair<PointField, double>> values) {
    PointEditResult r;
    r.shown = shown;
    for (const auto& [f, v] : values) r.changed[f] = v;
    return r;
}

TEST(PointEditor, KindsDecideTheTypeShownAndTheFieldsOpen) {
    EXPECT_EQ(PointTypeOf(REC_DEPTH | REC_DELETED), PointType::Depth);
    EXPECT_EQ(PointTypeOf(REC_POSITION | REC_GEOGRAPHIC), PointType::Position);
    EXPECT_EQ(PointTypeOf(REC_EVENT | REC_POSITION), PointType::Position);
    EXPECT_EQ(PointTypeOf(REC_EVENT), PointType::Event);
    EXPECT_EQ(PointTypeOf(REC_TIDE), PointType::Tide);
    EXPECT_EQ(PointTypeOf(REC_DEPTH | REC_TIDE), PointType::None);

    const auto open = [](uint16_t flags) {
        std::string s;
        for (int f = 0; f < POINT_FIELD_COUNT; ++f) s += PointFieldEnabled(flags, static_cast<PointField>(f)) ? '1' : '0';
        return s;
    };
    EXPECT_EQ(open(REC_POSITION), "11100");
    EXPECT_EQ(open(REC_EVENT), "11100");
    EXPECT_EQ(open(REC_EVENT | REC_POSITION), "11100");
    EXPECT_EQ(open(REC_DEPTH), "00010");
    EXPECT_EQ(open(REC_TIDE), "00001");
    EXPECT_EQ(open(0), "00000");
}

TEST(PointEditor, FieldsShowFifteenDigitsInTheirUnits) {
    CVKData p = test::Pos(At(10, 0, 0), 47151499, 593228842, 29);
    p.Depth = -5;
    p.Tide = 130;
    EXPECT_EQ(PointFieldTexts(p), (std::array<std::string, 5>{"471514.99", "5932288.42", "0.29", "-0.05", "1.3"}));
    CVKData g = CVKData::OfPosition(At(10, 0, 0), 85786060, 535407418, 357, REC_POSITION | REC_GEOGRAPHIC, 0);
    EXPECT_EQ(PointFieldTexts(g)[FIELD_X], "8.578606");
    EXPECT_EQ(PointFieldTexts(g)[FIELD_Y], "53.5407418");
    EXPECT_EQ(PointFieldScale(g, FIELD_Z), 100.0);
}

// Only what the user changed is converted back: a stored 29 cm stays 29 cm whatever
// 0.29 x 100 comes to in floating point.
TEST(PointEditor, UnchangedFieldsKeepTheirStoredValues) {
    CVKData p = test::Pos(At(10, 0, 0), 47151499, 593228842, 29);
    const CVKData before = p;
    ApplyPointEdit(p, Changed(PointType::Position, {}));
    EXPECT_EQ(p, before);

    // Typed decimals are the centimetres they say; extra digits truncate toward zero.
    ApplyPointEdit(p, Changed(PointType::Position, {{FIELD_Z, 0.29}, {FIELD_X, 471514.999}}));
    EXPECT_EQ(p.Z, 29);
    EXPECT_EQ(p.X, 47151499);
    EXPECT_EQ(p.Y, before.Y);
    ApplyPointEdit(p, Changed(PointType::Position, {{FIELD_Z, -0.299}}));
    EXPECT_EQ(p.Z, -29);

    CVKData d = test::Depth(At(10, 0, 1), 1234);
    ApplyPointEdit(d, Changed(PointType::Depth, {{FIELD_DEPTH, 3.6}}));
    EXPECT_EQ(d.Depth, 360);
    CVKData g = CVKData::OfPosition(At(10, 0, 0), 85786060, 535407418, 0, REC_POSITION | REC_GEOGRAPHIC, 0);
    ApplyPointEdit(g, Changed(PointType::Position, {{FIELD_Y, 53.5407419}}));
    EXPECT_EQ(g.Y, 535407419);
}

TEST(PointEditor, AnEventGivenACoordinateBecomesAPositionedEvent) {
    EXPECT_TRUE(ChangeMakesPosition(PointType::Event, FIELD_Z));
    EXPECT_FALSE(ChangeMakesPosition(PointType::Position, FIELD_Z));
    EXPECT_FALSE(ChangeMakesPosition(PointType::Event, FIELD_DEPTH));

    // OK without touching a coordinate: still an event with its value.
    CVKData e = test::Event(At(10, 0, 0), 7);
    ApplyPointEdit(e, Changed(PointType::Event, {}));
    EXPECT_EQ(e.Flags, REC_EVENT);
    EXPECT_EQ(e.Depth, 7);
    // The editor turned the type to Position and the depth to 0.
    ApplyPointEdit(e, Changed(PointType::Position, {{FIELD_X, 12.5}, {FIELD_DEPTH, 0}}));
    EXPECT_EQ(e.Flags, REC_EVENT | REC_POSITION);
    EXPECT_EQ(e.X, 1250);
    EXPECT_EQ(e.Depth, 0);
}

TEST(PointEditor, ValuesBeyondTheirFieldsAreRefused) {
    const CVKData d = test::Depth(At(10, 0, 0), 100);
    // 400 m would wrap to -255.36 m in the 16-bit depth.
    EXPECT_EQ(PointValueRefusal(d, FIELD_DEPTH, 400.0), "Please enter a number between -327.68 and 327.67.");
    EXPECT_EQ(PointValueRefusal(d, FIELD_DEPTH, 327.67), "");
    EXPECT_EQ(PointValueRefusal(d, FIELD_DEPTH, -327.689), "");  // truncates to -327.68
    const CVKData g = CVKData::OfPosition(At(10, 0, 0), 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0);
    EXPECT_EQ(PointValueRefusal(g, FIELD_X, 215.0), "Please enter a number between -214.7483648 and 214.7483647.");
    EXPECT_EQ(PointValueRefusal(g, FIELD_Z, 215.0), "");
}

TEST(PointEditor, ListingLinesAreTheAsciiLinesDeletedOnesIncluded) {
    CVKDoc doc;
    test::Append(doc, {test::Depth(At(10, 0, 0), 1234, 50, 88), test::Deleted(test::Depth(At(10, 0, 1), 5))});
    const std::vector<int32_t> both{0, 1};
    const std::vector<std::string> lines = ListingLines(doc, both);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "D     0.00     0.00   0.00  12.34   0.00  88 2009 12 05 10 00  0.50");
    EXPECT_EQ(lines[1], "Deleted");
}

}  // namespace
}  // namespace aq
