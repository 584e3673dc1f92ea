// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/sectionview.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "model/civiltime.h"
#include "model/doc.h"
#include "model/muldiv.h"

namespace aq {

TimeGridSteps TimeGridFor(int64_t span) {
    if (span <= 1440) return {10, 60, 60};
    if (span <= 10080) return {60, 720, 720};
    return {720, 1440, 1440};
}

void CVKView::Draw(Canvas& c, const CVKDoc& doc, const DrawOptions& options) {
    if (!options.printing) PageSuffix.clear();
    if (doc.Records.size() <= 5 || !(doc.KindFlags & (REC_DEPTH | REC_TIDE))) return;

    c.SetMapping(Window, ScreenArea);

    // Time cursor on the selected record.
    if (const CVKData* sel = doc.SelectedRecord()) {
        c.SelectPen(COLOUR_MAGENTA, 1);
        c.Line({sel->ptHeight.x, Window.top}, {sel->ptHeight.x, Window.bottom});
    }
    c.SelectBlackPen();

    // Time grid: labels only on paper.
    c.SelectFont(doc.TextSize * 50);
    const int32_t timeSpan = Sub32(doc.TimeMax, doc.TimeMin);
    const int64_t spanMinutes = (int64_t{doc.TimeMax} - doc.TimeMin) / 60;
    if (spanMinutes < 50000) {
        const TimeGridSteps steps = TimeGridFor(spanMinutes);
        const int64_t align = int64_t{steps.align} * 60;
        int64_t t = align * (doc.TimeMin / align);
        for (int64_t m = 0; t <= doc.TimeMax; m += steps.minor, t += int64_t{steps.minor} * 60) {
            const int32_t x = MulDiv(LOGICAL_SPAN, Sub32(Low32(t), doc.TimeMin), timeSpan);
            if (!(Window.left < x && x < Window.right)) continue;
            if (m % steps.major != 0) {
                c.SelectPen(COLOUR_GRID, 1);
            } else {
                c.SelectBlackPen();
                if (options.printing) {
                    c.SetTextAnchor(TextAnchor::CentreBottom);
                    c.Text({x, Window.top - 5}, civil::Format("%H:%M", t));
                    c.SetTextAnchor(TextAnchor::CentreTop);
                    c.Text({x, Window.bottom + 5}, civil::Format("%d %b %Y", t));
                }
            }
            c.Line({x, Window.bottom}, {x, Window.top});
        }
        c.SelectBlackPen();
    }

    const int32_t winHeight = Window.bottom - Window.top;
    if (options.printing) {
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({static_cast<int32_t>((int64_t{Window.left} + Window.right) / 2), Window.top - winHeight / 20},
               PrintTitle + PageSuffix);
    }

    // Level grid: 1 m, or 0.1 m once zoomed in vertically ten times.
    {
        const int32_t s = (winHeight <= 0 || LOGICAL_SPAN / winHeight > 9) ? 10 : 100;
        const int64_t levels = std::llabs(int64_t{doc.LevelMax} - doc.LevelMin);
        const int64_t d = std::max<int64_t>(1, levels > 0 ? int64_t{s} * LOGICAL_SPAN / levels : 1);
        c.SetTextAnchor(TextAnchor::LeftBottom);
        int64_t v = doc.LevelMax;
        for (int64_t y = 0; y < LOGICAL_SPAN + 1; y += d, v -= s) {
            const auto yy = static_cast<int32_t>(y);
            if (!(Window.top < yy && yy < Window.bottom)) continue;
            if (v % (10 * s) != 0) {
                c.SelectPen(COLOUR_GRID, 1);
            } else {
                c.SelectBlackPen();
                char buf[32];
                std::snprintf(buf, sizeof buf, "%5.2fm", static_cast<double>(v) / 100.0);
                c.Text({Window.left, yy}, buf);
            }
            c.Line({Window.left, yy}, {Window.right, yy});
        }
    }
    c.SelectBlackPen();
    c.Line({Window.left, Window.top}, {Window.right, Window.top});
    c.Line({Window.left, Window.bottom}, {Window.right, Window.bottom});

    // Markers shrink as the survey grows; lines join them only in the Point Type scheme
    // and break at deleted records.
    const auto count = static_cast<int32_t>(std::min<size_t>(doc.Records.size(), INT32_MAX));
    const int32_t half = MulDiv(2 * doc.BoxSize, LOGICAL_SPAN, count);
    const bool join = doc.ColourMode == COLOUR_POINT_TYPE;
    const MarkerPass passes[] = {
        {REC_POSITION, &CVKData::ptHeight, join},
        {REC_TIDE, &CVKData::ptTide, join},
        {REC_DEPTH, &CVKData::ptSeabed, join},
        {REC_EVENT, &CVKData::ptDepthUp, false},
    };
    const MarkerJob job{doc.Records.data(), doc.Records.size(), passes, std::size(passes), half + 1, Window,
                        ScreenArea, options.showDeleted};
    DrawMarkers(c, doc, job, options.cull, markers_);
    if (const CVKData* sel = doc.SelectedRecord()) {
        // On the marker the record shows in the section: its seabed, else its tide or height.
        const CPoint p = (sel->Flags & REC_DEPTH)  ? sel->ptSeabed
                         : (sel->Flags & REC_TIDE) ? sel->ptTide
                         : (sel->Flags & REC_EVENT) ? sel->ptDepthUp
                                                   : sel->ptHeight;
        HighlightMarker(c, {p.x - job.side, p.y - job.side, p.x + job.side, p.y + job.side});
    }
    DrawColourLegend(c, doc, Window);
}

std::string CVKView::ReadOut(const CVKDoc& doc, CPoint device) const {
    if (doc.Records.empty() || !HasFocus) return {};
    const CPoint l = ViewMapping().ToLogical(device);
    const int64_t t = int64_t{MulDiv(l.x, Sub32(doc.TimeMax, doc.TimeMin), LOGICAL_SPAN)} + doc.TimeMin;
    const int32_t z = Sub32(doc.LevelMax, MulDiv(l.y, Sub32(doc.LevelMax, doc.LevelMin), LOGICAL_SPAN));
    char buf[64];
    std::snprintf(buf, sizeof buf, " z=%.2f", z / 100.0);
    return civil::Format("SECTION:(%c)", t) + buf;
}

int32_t CVKView::BeginPrinting(const CRect& printable, const SectionPrintSettings& settings) {
    SavedWindow = Window;
    ScreenArea = ShrinkPage(printable, 20, 10);
    PrintTitle = settings.title;
    return std::clamp(settings.pages, 1, 100);
}

void CVKView::PreparePage(const CRect& printable, int32_t page, int32_t pages) {
    PageSuffix.clear();
    ScreenArea = ShrinkPage(printable, 20, 10);
    if (pages > 1) {
        Window = {MulDiv(page - 1, LOGICAL_SPAN, pages), Extents.top, MulDiv(page, LOGICAL_SPAN, pages),
                  Extents.bottom};
        char buf[48];
        std::snprintf(buf, sizeof buf, " (page %d/%d)", page, pages);
        PageSuffix = buf;
    }
}

}  // namespace aq
