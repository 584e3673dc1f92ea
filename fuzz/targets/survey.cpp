// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever survey a damaged document file holds, every command on it and both views
// must cope: the first two bytes choose the commands, the rest is the file. After them
// the survey still round-trips through its own file.
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "model/docfile.h"
#include "processing/flags.h"
#include "processing/hpr.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "views/planview.h"
#include "views/recordingcanvas.h"
#include "views/sectionview.h"

namespace {

using namespace aq;

void DrawViews(CVKDoc& doc, int which) {
    RecordingCanvas canvas;
    const CRect screen{0, 0, 640 + which, 480};
    CVKPView plan;
    plan.ScreenArea = screen;
    plan.HasFocus = true;
    plan.Draw(canvas, doc);
    (void)plan.ReadOut(doc, {320, 240});
    CVKView section;
    section.ScreenArea = screen;
    section.HasFocus = true;
    section.Draw(canvas, doc);
    (void)section.ReadOut(doc, {10, 470});
    const int32_t pages = section.BeginPrinting({0, 0, 800, 600}, {"Depths", 1 + which % 3});
    for (int32_t p = 1; p <= pages; ++p) {
        section.PreparePage({0, 0, 800, 600}, p, pages);
        section.Draw(canvas, doc, PrintingOptions());
    }
    section.EndPrinting();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const unsigned choice = data[0] | (data[1] << 8);
    fuzz::Session s;
    if (!LoadDocumentBytes(s.doc, data + 2, size - 2)) return 0;
    CVKDoc& doc = s.doc;
    doc.NeedsSort = false;
    Recalculate(doc, s.port);

    if (choice & 0x0001) DrawViews(doc, static_cast<int>(choice >> 12));
    if (choice & 0x0002) {
        OffsetValues v = InitialOffsetValues(doc);
        // New offsets; the commands shift by the difference from the file's.
        v.PosTime = static_cast<int32_t>(choice >> 8) - 8;
        v.East += 1.5;
        v.DepthTime = -3;
        v.Depth -= 0.25;
        v.SoundVelocity = (choice & 0x0100) ? 1300.0 : 2000.0;
        v.TideTime = 7;
        v.Tide += 0.5;
        OffsetPositions(doc, v, s.port);
        OffsetDepths(doc, v, s.port);
        OffsetTide(doc, v, s.port);
    }
    if (choice & 0x0004) ApplyHpr(doc);
    if (choice & 0x0008) ApplyRange(doc, InitialRangeValues(doc), s.port);
    if (choice & 0x0010) (choice & 0x0200) ? HiPassZ(doc, s.port) : LoPassZ(doc, s.port);
    if (choice & 0x0020) {
        const CRect box{0, 0, 8000, 8000};
        MarkInRect(doc, box, (choice & 0x0400) != 0, (choice & 0x0800) != 0, s.port);
        MarkOutsideTimeFrame(doc, 1000, 9000, s.port);
        (void)doc.CollectInRect(box, true);
        doc.FindNearest({7500, 7500}, (choice & 0x0400) != 0, s.port);
        doc.Animating = true;
        doc.AnimateStep(s.port);
    }
    if (choice & 0x0040) ConvertToUtm(doc, s.port);
    if (choice & 0x0080) {
        SelfTest(doc, s.port);
        ApplyControl(doc, s.port);
        std::vector<std::optional<ControlPageValues>> pages(doc.Control.Points.size());
        if (!pages.empty()) pages[0] = ControlPageStart(doc.Control.Points[0]);
        EditControl(doc, pages, s.port);
    }
    if (choice & 0x1000) (choice & 0x2000) ? ClearZ(doc, s.port) : Remove(doc, s.port);
    if (choice & 0x4000) Restore(doc, s.port);
    if (choice & 0x8000) DrawViews(doc, 1);
    FUZZ_CHECK(s.port.openPhases == 0);
    fuzz::CheckDocumentRoundTrip(doc);
    return 0;
}
