// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/planview.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>

#include "model/doc.h"
#include "model/muldiv.h"

namespace aq {

int64_t GridStep(int64_t a, int64_t b) {
    // Counted unsigned: the extents of a damaged file can lie further apart than int64
    // reaches, and a span gone negative would step through it by tens for ever.
    const uint64_t range = b > a ? static_cast<uint64_t>(b) - static_cast<uint64_t>(a) : 0;
    int64_t step = 10;
    while (range / static_cast<uint64_t>(step) > 10 && step <= std::numeric_limits<int64_t>::max() / 10) step *= 10;
    return step;
}

namespace {

std::string CoordinateLabel(int64_t v, bool geographic) {
    char buf[64];
    if (geographic)
        std::snprintf(buf, sizeof buf, "%.7f", static_cast<double>(v) / 10000000.0);
    else
        std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v) / 100.0);
    return buf;
}

// The first grid value at or below a (toward zero), then every step while below b.
template <typename F>
void ForEachGridValue(int64_t a, int64_t b, F f) {
    const int64_t step = GridStep(a, b);
    for (int64_t v = step * (a / step); v < b;) {
        f(v);
        if (v > std::numeric_limits<int64_t>::max() - step) break;
        v += step;
    }
}

}  // namespace

void CVKPView::Draw(Canvas& c, const CVKDoc& doc, const DrawOptions& options) {
    PlotTitle = std::string("Aquenta ") + (doc.IsGeographic() ? "Lat/Lon" : "") + " Position plot - " +
                (options.documentTitle.empty() ? ShownTitle(doc) : options.documentTitle);
    if (doc.Records.size() <= 5 || !(doc.KindFlags & (REC_POSITION | REC_GEOGRAPHIC))) return;

    c.SetMapping(Window, ScreenArea);
    const bool geo = doc.IsGeographic();

    // Grid and labels.
    c.SelectPen(COLOUR_GRID, 0);
    c.SelectFont(doc.TextSize * 50);
    c.SetTextTransparent(true);
    c.SetTextAnchor(TextAnchor::LeftBottom);
    const int32_t xSpan = Sub32(Low32(doc.XMax), Low32(doc.XMin));
    ForEachGridValue(doc.XMin, doc.XMax, [&](int64_t v) {
        const int32_t x = MulDiv(Sub32(Low32(v), Low32(doc.XMin)), LOGICAL_SPAN, xSpan);
        if (Window.left < x && x < Window.right) {
            c.Line({x, Window.top}, {x, Window.bottom});
            c.Text({x, Window.bottom}, CoordinateLabel(v, geo));
        }
    });
    const int32_t ySpan = Sub32(Low32(doc.YMax), Low32(doc.YMin));
    ForEachGridValue(doc.YMin, doc.YMax, [&](int64_t v) {
        const int32_t y = MulDiv(Sub32(Low32(doc.YMax), Low32(v)), LOGICAL_SPAN, ySpan);
        if (Window.top < y && y < Window.bottom) {
            c.Line({Window.left, y}, {Window.right, y});
            c.Text({Window.left, y}, CoordinateLabel(v, geo));
        }
    });
    if (options.printing) {
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({static_cast<int32_t>((int64_t{Window.left} + Window.right) / 2), Window.top - 100}, PlotTitle);
    }
    c.SetTextTransparent(false);

    // Cross-hair on the selected record.
    if (const CVKData* sel = doc.SelectedRecord()) {
        c.SelectPen(COLOUR_MAGENTA, 1);
        c.Line({sel->ptPlan.x, Window.top}, {sel->ptPlan.x, Window.bottom});
        c.Line({Window.left, sel->ptPlan.y}, {Window.right, sel->ptPlan.y});
    }
    c.SelectBlackPen();

    // Markers, positions last so they end up on top; only the span of live positions.
    const int64_t first = std::max<int64_t>(doc.FirstPosIndex, 0);
    const int64_t last = std::min<int64_t>(doc.LastPosIndex, static_cast<int64_t>(doc.Records.size()) - 1);
    if (doc.FirstPosIndex < 0 || doc.LastPosIndex < 0 || first > last) return;
    static constexpr MarkerPass kPasses[] = {
        {REC_EVENT, &CVKData::ptPlan, false},
        {REC_DEPTH, &CVKData::ptPlan, false},
        {REC_TIDE, &CVKData::ptPlan, false},
        {REC_POSITION, &CVKData::ptPlan, false},
    };
    const MarkerJob job{&doc.Records[static_cast<size_t>(first)], static_cast<size_t>(last - first + 1), kPasses,
                        std::size(kPasses), 10 * doc.BoxSize, Window, ScreenArea, options.showDeleted};
    DrawMarkers(c, doc, job, options.cull, markers_);
    if (const CVKData* sel = doc.SelectedRecord(); sel && (sel->Flags & REC_POSITION)) {
        const int32_t s = job.side;
        HighlightMarker(c, {sel->ptPlan.x - s, sel->ptPlan.y - s, sel->ptPlan.x + s, sel->ptPlan.y + s});
    }
    DrawColourLegend(c, doc, Window);
}

std::string CVKPView::ReadOut(const CVKDoc& doc, CPoint device) const {
    if (!HasFocus || doc.CountPos == 0) return {};
    const CPoint l = ViewMapping().ToLogical(device);
    const double x = MulDiv(l.x, Sub32(Low32(doc.XMax), Low32(doc.XMin)), LOGICAL_SPAN) + static_cast<double>(doc.XMin);
    const double y = static_cast<double>(doc.YMax) - MulDiv(l.y, Sub32(Low32(doc.YMax), Low32(doc.YMin)), LOGICAL_SPAN);
    char buf[128];
    if (doc.IsGeographic())
        std::snprintf(buf, sizeof buf, "PLAN: Lat=%.7f Lon=%.7f", y / 10000000.0, x / 10000000.0);
    else
        std::snprintf(buf, sizeof buf, "PLAN: x=%.1f y=%.1f", x / 100.0, y / 100.0);
    return buf;
}

}  // namespace aq
