// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/sectionview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "model/civiltime.h"
#include "model/doc.h"
#include "model/muldiv.h"

namespace aq {

TimeGridSteps TimeGridFor(int64_t span) {
    if (span <= 30) return {1, 5, 5};
    if (span <= 180) return {5, 30, 30};
    if (span <= 1440) return {10, 60, 60};
    if (span <= 10080) return {60, 720, 720};
    return {720, 1440, 1440};
}

namespace {

// The time span of a run of records: a pale band over the whole height with an edge in
// the highlight colour at either end, under the grid and the data. At least a few pixels
// wide, so a short run shows at any zoom.
void DrawSpanBand(Canvas& c, const CVKDoc& doc, const RecordSpan& span, const CRect& screen) {
    if (span.First > span.Last || span.Last >= doc.Records.size()) return;
    const Mapping& map = c.Map();
    const int64_t a = map.X(doc.Records[span.First].ptHeight.x);
    const int64_t b = std::max<int64_t>(map.X(doc.Records[span.Last].ptHeight.x), a + c.Pixels(3));
    if (b < screen.left || a >= screen.right) return;
    const int32_t edge = c.Pixels(2);
    const auto clampX = [&](int64_t x) {
        return static_cast<int32_t>(std::clamp<int64_t>(x, int64_t{screen.left} - edge, int64_t{screen.right} + edge));
    };
    const int32_t left = clampX(a), right = clampX(b);
    DeviceScope device(c);
    c.FillRect({left, screen.top, right, screen.bottom}, COLOUR_HIGHLIGHT_PALE);
    c.FillRect({left, screen.top, left + edge, screen.bottom}, COLOUR_HIGHLIGHT);
    c.FillRect({right - edge, screen.top, right, screen.bottom}, COLOUR_HIGHLIGHT);
}

}  // namespace

void CVKView::Draw(Canvas& c, const CVKDoc& doc, const DrawOptions& options) {
    if (!options.printing) PageSuffix.clear();
    if (doc.Records.size() <= 5 || !(doc.KindFlags & (REC_DEPTH | REC_TIDE))) return;

    c.SetMapping(Window, ScreenArea);
    const double points = LabelPoints(doc.TextSize);
    LabelPlacer labels(options.printing ? CRect{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2} : ScreenArea);
    const CRect legend = DrawColourLegend(c, doc, ScreenArea, false);
    if (legend.right > legend.left) labels.Reserve(legend);

    // The chosen line's time span, under everything.
    if (Highlight && !options.printing) DrawSpanBand(c, doc, *Highlight, ScreenArea);

    // Time cursor on the selected record.
    if (const CVKData* sel = doc.SelectedRecord()) {
        c.SelectPen(COLOUR_MAGENTA, 0);
        c.Line({sel->ptHeight.x, Window.top}, {sel->ptHeight.x, Window.bottom});
    }
    c.SelectBlackPen();

    // Time grid, its step from the span shown; labels on paper above and below the plot,
    // on screen just inside it, right of their line. The lines first, the labels on them.
    struct GridLabel {
        CPoint at;  // logical on paper, device on screen
        TextAnchor anchor;
        std::string text;
    };
    std::vector<GridLabel> gridLabels;
    const int32_t inset = c.Pixels(3);
    const Mapping& map = c.Map();
    const int32_t timeSpan = Sub32(doc.TimeMax, doc.TimeMin);
    const auto timeAt = [&](int32_t x) {
        return doc.TimeMin + static_cast<int64_t>(std::llround(static_cast<double>(x) * timeSpan / LOGICAL_SPAN));
    };
    const int64_t shownFrom = std::max<int64_t>(doc.TimeMin, timeAt(Window.left));
    const int64_t shownTo = std::min<int64_t>(doc.TimeMax, timeAt(Window.right));
    const int64_t spanMinutes = (std::max(shownTo, shownFrom + 1) - shownFrom) / 60;
    if (spanMinutes < 50000) {
        const TimeGridSteps steps = TimeGridFor(spanMinutes);
        const int64_t align = int64_t{steps.align} * 60;
        int64_t t = align * (shownFrom / align);
        for (int64_t m = 0; t <= shownTo; m += steps.minor, t += int64_t{steps.minor} * 60) {
            const int32_t x = MulDiv(LOGICAL_SPAN, Sub32(Low32(t), doc.TimeMin), timeSpan);
            if (!(Window.left < x && x < Window.right)) continue;
            if (m % steps.major != 0) {
                c.SelectPen(COLOUR_GRID, 0);
            } else {
                c.SelectBlackPen();
                if (options.printing) {
                    gridLabels.push_back({{x, Window.top - 5}, TextAnchor::CentreBottom, civil::Format("%H:%M", t)});
                    gridLabels.push_back({{x, Window.bottom + 5}, TextAnchor::CentreTop, civil::Format("%d %b %Y", t)});
                } else {
                    const int32_t dx = map.X(x) + inset;
                    gridLabels.push_back(
                        {{dx, ScreenArea.top + inset}, TextAnchor::LeftTop, civil::Format("%H:%M", t)});
                    gridLabels.push_back(
                        {{dx, ScreenArea.bottom - inset}, TextAnchor::LeftBottom, civil::Format("%d %b %Y", t)});
                }
            }
            c.Line({x, Window.bottom}, {x, Window.top});
        }
        c.SelectBlackPen();
    }

    const int32_t winHeight = Window.bottom - Window.top;
    if (options.printing) {
        c.SelectFont(points);
        c.SetTextTransparent(true);
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({static_cast<int32_t>((int64_t{Window.left} + Window.right) / 2), Window.top - winHeight / 20},
               PrintTitle + PageSuffix);
    }

    // Level grid: labelled lines at least 40 pixels apart (1, 2 or 5 times a power of ten
    // centimetres), with finer grey ones between when there is room.
    {
        const int64_t levels = int64_t{doc.LevelMax} - doc.LevelMin;
        const double pxPerCm = levels > 0 ? std::abs(c.Map().ScaleY()) * LOGICAL_SPAN / static_cast<double>(levels) : 0;
        const int64_t major = LevelStep(pxPerCm, c.Pixels(40));
        int64_t minor = major >= 5 && major % 5 == 0 ? major / 5 : major;
        if (static_cast<double>(minor) * pxPerCm < c.Pixels(6)) minor = major;
        if (major > 0) {
            const auto levelAt = [&](int32_t y) {
                return doc.LevelMax - static_cast<double>(y) * static_cast<double>(levels) / LOGICAL_SPAN;
            };
            const double top = std::min<double>(doc.LevelMax, levelAt(Window.top));
            const double bottom = std::max<double>(doc.LevelMin, levelAt(Window.bottom));
            for (auto v = static_cast<int64_t>(std::floor(top / static_cast<double>(minor))) * minor;
                 static_cast<double>(v) >= bottom; v -= minor) {
                const auto yy = static_cast<int32_t>(std::llround(static_cast<double>(int64_t{doc.LevelMax} - v) *
                                                                  LOGICAL_SPAN / static_cast<double>(levels)));
                if (!(Window.top < yy && yy < Window.bottom)) continue;
                if (v % major != 0) {
                    c.SelectPen(COLOUR_GRID, 0);
                } else {
                    c.SelectBlackPen();
                    char buf[32];
                    std::snprintf(buf, sizeof buf, "%5.2fm", static_cast<double>(v) / 100.0);
                    if (options.printing)
                        gridLabels.push_back({{Window.left, yy}, TextAnchor::LeftBottom, buf});
                    else
                        gridLabels.push_back({{ScreenArea.left + inset, map.Y(yy) - 1}, TextAnchor::LeftBottom, buf});
                }
                c.Line({Window.left, yy}, {Window.right, yy});
            }
        }
    }
    c.SelectBlackPen();
    c.Line({Window.left, Window.top}, {Window.right, Window.top});
    c.Line({Window.left, Window.bottom}, {Window.right, Window.bottom});

    // The labels over the lines, each on a white ground of its own on screen, where they
    // fit; the data goes over them.
    {
        c.SelectFont(points);
        c.SetTextTransparent(options.printing);
        const auto place = [&] {
            for (const GridLabel& l : gridLabels) {
                c.SetTextAnchor(l.anchor);
                labels.Place(c, l.at, l.text);
            }
        };
        if (options.printing) {
            place();
        } else {
            DeviceScope device(c);
            place();
        }
    }
    c.SetTextTransparent(false);
    c.SelectBlackPen();

    // Markers shrink as the survey grows, from the box size down to a device pixel (never
    // less, so dense data shows no gaps); lines join them only in the Point Type scheme
    // and break at deleted records.
    const auto count = static_cast<double>(std::max<size_t>(doc.Records.size(), 1));
    const double width = static_cast<double>(ScreenArea.right) - ScreenArea.left;
    const double full = static_cast<double>(std::clamp(doc.BoxSize + 2, 1, 64)) * c.PixelRatio();
    const auto side = static_cast<int32_t>(
        std::clamp(std::round(4.0 * doc.BoxSize * width / count), 1.0, std::max(1.0, std::round(full))));
    const bool join = doc.ColourMode == COLOUR_POINT_TYPE;
    const MarkerPass passes[] = {
        {REC_POSITION, &CVKData::ptHeight, join},
        {REC_TIDE, &CVKData::ptTide, join},
        {REC_DEPTH, &CVKData::ptSeabed, join},
        {REC_EVENT, &CVKData::ptDepthUp, false},
    };
    const MarkerJob job{doc.Records.data(), doc.Records.size(), passes, std::size(passes), side, Window,
                        ScreenArea, options.showDeleted, options.parallel};
    DrawMarkers(c, doc, job, options.cull, markers_);
    if (const CVKData* sel = doc.SelectedRecord()) {
        // On the marker the record shows in the section: its seabed, else its tide or height.
        const CPoint p = (sel->Flags & REC_DEPTH)  ? sel->ptSeabed
                         : (sel->Flags & REC_TIDE) ? sel->ptTide
                         : (sel->Flags & REC_EVENT) ? sel->ptDepthUp
                                                   : sel->ptHeight;
        HighlightMarker(c, p, side);
    }
    DrawColourLegend(c, doc, ScreenArea);
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
