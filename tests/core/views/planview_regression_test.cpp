// SPDX-License-Identifier: GPL-3.0-or-later
// The plan view of a survey from a damaged document file whose extents lie further
// apart than 64 bits reach. Found by fuzzing: the span went negative, and the grid
// stepped through it by tens, for ever.
#include <gtest/gtest.h>

#include "model/doc.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "views/planview.h"
#include "views/recordingcanvas.h"

namespace aq {
namespace {

TEST(PlanViewRegression, GridOfExtentsFurtherApartThanInt64Reaches) {
    EXPECT_EQ(GridStep(INT64_MIN, INT64_MAX), 1000000000000000000);
    EXPECT_EQ(GridStep(-9000000000000000000, 9000000000000000000), 1000000000000000000);
    EXPECT_EQ(GridStep(5, 3), 10);  // extents not yet measured: no span
    EXPECT_EQ(GridStep(0, 1000), 100);

    CVKDoc doc;
    for (int i = 0; i < 8; ++i) test::Append(doc, {test::Pos(1000 + i, 0, 0)});
    doc.Records[0].X = INT64_MIN + 5;
    doc.Records[1].X = INT64_MAX - 5;
    doc.Records[2].Y = -9000000000000000000;
    doc.Records[3].Y = 9000000000000000000;
    Recalculate(doc, test::Quiet());
    CVKPView view;
    view.ScreenArea = {0, 0, 800, 600};
    view.HasFocus = true;
    RecordingCanvas canvas;
    view.Draw(canvas, doc);
    size_t lines = 0;
    for (const auto& call : canvas.calls) lines += call.op == RecordingCanvas::Op::Line;
    EXPECT_LT(lines, 100u);
}

// Extents far out along the reals with a span of a few units: a grid step there is below
// the reals' resolution, so adding it to a grid value changes nothing.
TEST(PlanViewRegression, GridOfTinyExtentsFarOut) {
    CVKDoc doc;
    for (int i = 0; i < 8; ++i) test::Append(doc, {test::Pos(1000 + i, 0, 0)});
    Recalculate(doc, test::Quiet());
    doc.XMin = 3'900'000'000'000'000'000;
    doc.XMax = doc.XMin + 600;  // a few ulps: a step of 100 adds nothing
    doc.YMin = -3'900'000'000'000'000'000;
    doc.YMax = doc.YMin + 600;
    CVKPView view;
    view.ScreenArea = {0, 0, 800, 600};
    RecordingCanvas canvas;
    view.Draw(canvas, doc);  // returns
    size_t lines = 0;
    for (const auto& call : canvas.calls) lines += call.op == RecordingCanvas::Op::Line;
    EXPECT_LE(lines, 2000u);
}

}  // namespace
}  // namespace aq
