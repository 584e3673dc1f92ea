// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/planview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

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

}  // namespace

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111319.49;  // of latitude, and of longitude at the equator

double CosLatitudeOfCentre(const CVKDoc& doc) {
    const double lat = (static_cast<double>(doc.YMin) + static_cast<double>(doc.YMax)) / 2 / 1e7;
    return std::max(0.01, std::cos(std::clamp(lat, -89.0, 89.0) * kPi / 180));
}

// Ground units (cm, or 1e-7 degree) in a logical unit along each axis.
double UnitsX(const CVKDoc& doc) { return (static_cast<double>(doc.XMax) - doc.XMin) / LOGICAL_SPAN; }
double UnitsY(const CVKDoc& doc) { return (static_cast<double>(doc.YMax) - doc.YMin) / LOGICAL_SPAN; }

std::string MetresText(double m) {
    char buf[32];
    if (m >= 1000)
        std::snprintf(buf, sizeof buf, "%g km", m / 1000);
    else if (m >= 1)
        std::snprintf(buf, sizeof buf, "%g m", m);
    else
        std::snprintf(buf, sizeof buf, "%g cm", m * 100);
    return buf;
}

// The band along the live positions of a run of records, in the highlight colour and
// some pixels wide, for the markers to be drawn over. Consecutive positions that fall
// within a pixel or so of the last point drawn are passed over: a line of many
// thousand positions costs a segment per pixel or two of its length on screen.
void DrawTrackBand(Canvas& c, const CVKDoc& doc, const RecordSpan& span, const CRect& screen) {
    if (span.First > span.Last || span.Last >= doc.Records.size()) return;
    const Mapping map = c.Map();
    const int32_t width = c.Pixels(13), step = c.Pixels(2);
    const CRect clip{screen.left - width, screen.top - width, screen.right + width, screen.bottom + width};
    DeviceScope device(c);
    c.SelectPen(COLOUR_HIGHLIGHT, width);
    const auto segment = [&](CPoint a, CPoint b) {
        // Off to one side of the view: nothing of it shows.
        if ((a.x < clip.left && b.x < clip.left) || (a.x >= clip.right && b.x >= clip.right) ||
            (a.y < clip.top && b.y < clip.top) || (a.y >= clip.bottom && b.y >= clip.bottom))
            return;
        const auto near = [](CPoint q) {
            return q.x > -LINE_REACH && q.x < LINE_REACH && q.y > -LINE_REACH && q.y < LINE_REACH;
        };
        if ((!near(a) || !near(b)) && !detail::CutLineNear(a, b, clip)) return;
        c.Line(a, b);
    };
    bool started = false;
    CPoint drawn{}, seen{};  // the end of the band so far, and the last position met
    for (size_t i = span.First; i <= span.Last; ++i) {
        const CVKData& r = doc.Records[i];
        if (r.IsDeleted() || !(r.Flags & REC_POSITION)) continue;
        seen = map.ToDevice(r.ptPlan);
        if (!started) {
            started = true;
            drawn = seen;
            continue;
        }
        if (std::abs(static_cast<int64_t>(seen.x) - drawn.x) < step &&
            std::abs(static_cast<int64_t>(seen.y) - drawn.y) < step)
            continue;
        segment(drawn, seen);
        drawn = seen;
    }
    if (started && !(seen == drawn)) segment(drawn, seen);
    c.SelectBlackPen();
}

}  // namespace

double PlanMetresPerUnitX(const CVKDoc& doc) {
    const double units = UnitsX(doc);
    if (!(units > 0)) return 0;
    return doc.IsGeographic() ? units / 1e7 * kMetresPerDegree * CosLatitudeOfCentre(doc) : units / 100;
}

double ScaleBarMetres(double metres) {
    if (!(metres > 0)) return 0;
    double p = std::pow(10.0, std::floor(std::log10(metres)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= metres * (1 + 1e-9)) return m * p;
    return p;
}

bool CVKPView::EqualScaleFor(const CVKDoc& doc) const {
    return doc.IsGeographic() ? EqualScale.geographic : EqualScale.grid;
}

void CVKPView::SetEqualScale(const CVKDoc& doc, bool on) {
    (doc.IsGeographic() ? EqualScale.geographic : EqualScale.grid) = on;
}

void CVKPView::UpdateAspect(const CVKDoc& doc) {
    Aspect = 0;
    if (!EqualScaleFor(doc)) return;
    const double ux = UnitsX(doc), uy = UnitsY(doc);
    if (!(ux > 0) || !(uy > 0)) return;
    // A degree of longitude is cos φ of one of latitude.
    Aspect = doc.IsGeographic() ? uy / (ux * CosLatitudeOfCentre(doc)) : uy / ux;
}

void CVKPView::Draw(Canvas& c, const CVKDoc& doc, const DrawOptions& options) {
    PlotTitle = std::string("Aquenta ") + (doc.IsGeographic() ? "Lat/Lon" : "") + " Position plot - " +
                (options.documentTitle.empty() ? ShownTitle(doc) : options.documentTitle);
    if (doc.Records.size() <= 5 || !(doc.KindFlags & (REC_POSITION | REC_GEOGRAPHIC))) return;

    UpdateAspect(doc);
    const CRect view = Shown();
    c.SetMapping(view, ScreenArea);
    const Mapping& map = c.Map();
    const bool geo = doc.IsGeographic();
    const double points = LabelPoints(doc.TextSize);
    LabelPlacer labels(ScreenArea);

    // The furniture first, so no label runs into it: the key, the north arrow and the
    // scale bar. They are drawn last, on top of the data.
    const CRect legend = DrawColourLegend(c, doc, ScreenArea, false);  // drawn on top below
    if (legend.right > legend.left) labels.Reserve(legend);
    const int32_t margin = c.Pixels(8);
    const int32_t arrowH = c.Pixels(34), arrowW = c.Pixels(14);
    const CRect arrow{ScreenArea.left + c.Pixels(44), ScreenArea.top + margin, ScreenArea.left + c.Pixels(44) + arrowW,
                      ScreenArea.top + margin + arrowH};
    labels.Reserve({arrow.left - margin, arrow.top - margin, arrow.right + margin, arrow.bottom + margin});
    const double metresPerPixel = PlanMetresPerUnitX(doc) / std::max(1e-12, std::abs(map.ScaleX()));
    const double barMetres = ScaleBarMetres(metresPerPixel * c.Pixels(100));
    const auto barPixels = static_cast<int32_t>(std::lround(barMetres / std::max(1e-12, metresPerPixel)));
    const int32_t barH = c.Pixels(6);
    const CRect bar{ScreenArea.right - margin - barPixels, ScreenArea.bottom - c.Pixels(28) - barH,
                    ScreenArea.right - margin, ScreenArea.bottom - c.Pixels(28)};
    const bool showBar = barMetres > 0 && barPixels > 0 && barPixels < ScreenArea.right - ScreenArea.left;
    if (showBar)
        labels.Reserve({bar.left - margin, bar.top - c.Pixels(20), ScreenArea.right, bar.bottom + margin});

    // The surface layer: over the white ground, under the grid, the labels and the
    // markers; its key under the north arrow.
    const PlanLayer* layer = ShowLayer && Layer && !Layer->Empty() ? Layer.get() : nullptr;
    CRect layerKey{};
    if (layer) {
        layerKey = DrawPlanLayerLegend(c, *layer, ScreenArea, arrow.bottom + margin, points, false);
        if (layerKey.right > layerKey.left) labels.Reserve(layerKey);
        DrawPlanLayer(c, doc, *layer, layerCache_, labels, points);
    }

    // Grid lines 1, 2 or 5 times a power of ten apart over all that is shown, far enough
    // apart for their labels; the lines first, then the labels on a white ground of their
    // own at the bottom and left edges, then the data over both.
    const double ux = UnitsX(doc), uy = UnitsY(doc);
    struct GridLabel {
        CPoint at;  // device
        std::string text;
    };
    std::vector<GridLabel> gridLabels;
    const int32_t inset = c.Pixels(3);
    c.SelectPen(COLOUR_GRID, 0);
    if (ux > 0 && uy > 0) {
        // Ground units shown at the logical x or y; lines at whole steps of them.
        const auto ground = [](double origin, double perUnit, int32_t l) {
            return std::clamp(origin + perUnit * l, -4e18, 4e18);
        };
        const auto steps = [&](double from, double to, double pixelsPerUnit, double minPixels, auto&& line) {
            int64_t step = LevelStep(pixelsPerUnit, minPixels);
            if (step <= 0) return;
            if (!geo) step = std::max<int64_t>(step, 10);  // labels show decimetres
            const double lo = std::min(from, to), hi = std::max(from, to), size = static_cast<double>(step);
            // Counted, so extents of a damaged file far out, where a step is below the
            // reals' resolution, end it as well.
            double v = std::ceil(lo / size) * size;
            for (int n = 0; v < hi && n < 1000; ++n, v += size) line(static_cast<int64_t>(v));
        };
        const int32_t xSpan = Sub32(Low32(doc.XMax), Low32(doc.XMin));
        const auto east = static_cast<double>(doc.XMin), north = static_cast<double>(doc.YMax);
        steps(ground(east, ux, view.left), ground(east, ux, view.right), std::abs(map.ScaleX()) / ux, c.Pixels(110),
              [&](int64_t v) {
                  const int32_t x = MulDiv(Sub32(Low32(v), Low32(doc.XMin)), LOGICAL_SPAN, xSpan);
                  if (!(view.left < x && x < view.right)) return;
                  c.Line({x, view.top}, {x, view.bottom});
                  gridLabels.push_back({{map.X(x) + inset, ScreenArea.bottom - inset}, CoordinateLabel(v, geo)});
              });
        const int32_t ySpan = Sub32(Low32(doc.YMax), Low32(doc.YMin));
        steps(ground(north, -uy, view.top), ground(north, -uy, view.bottom), std::abs(map.ScaleY()) / uy, c.Pixels(60),
              [&](int64_t v) {
                  const int32_t y = MulDiv(Sub32(Low32(doc.YMax), Low32(v)), LOGICAL_SPAN, ySpan);
                  if (!(view.top < y && y < view.bottom)) return;
                  c.Line({view.left, y}, {view.right, y});
                  gridLabels.push_back({{ScreenArea.left + inset, map.Y(y) - inset / 2}, CoordinateLabel(v, geo)});
              });
    }
    {
        DeviceScope device(c);
        c.SelectFont(points);
        c.SetTextTransparent(false);
        c.SetTextAnchor(TextAnchor::LeftBottom);
        for (const GridLabel& l : gridLabels) labels.Place(c, l.at, l.text);
    }
    if (options.printing) {
        DeviceScope device(c);
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({static_cast<int32_t>((int64_t{ScreenArea.left} + ScreenArea.right) / 2), ScreenArea.top - c.Pixels(6)},
               PlotTitle);
    }
    c.SetTextTransparent(false);

    // Cross-hair on the selected record.
    if (const CVKData* sel = doc.SelectedRecord()) {
        c.SelectPen(COLOUR_MAGENTA, 0);
        c.Line({sel->ptPlan.x, view.top}, {sel->ptPlan.x, view.bottom});
        c.Line({view.left, sel->ptPlan.y}, {view.right, sel->ptPlan.y});
    }
    c.SelectBlackPen();

    // The chosen line under its markers.
    if (Highlight && !options.printing) DrawTrackBand(c, doc, *Highlight, ScreenArea);

    // Markers, positions last so they end up on top; only the span of live positions.
    const int64_t first = std::max<int64_t>(doc.FirstPosIndex, 0);
    const int64_t last = std::min<int64_t>(doc.LastPosIndex, static_cast<int64_t>(doc.Records.size()) - 1);
    if (doc.FirstPosIndex >= 0 && doc.LastPosIndex >= 0 && first <= last) {
        static constexpr MarkerPass kPasses[] = {
            {REC_EVENT, &CVKData::ptPlan, false},
            {REC_DEPTH, &CVKData::ptPlan, false},
            {REC_TIDE, &CVKData::ptPlan, false},
            {REC_POSITION, &CVKData::ptPlan, false},
        };
        // Box size 3 gives squares of 5 pixels.
        const int32_t side = c.Pixels(std::clamp(doc.BoxSize + 2, 1, 64));
        const MarkerJob job{&doc.Records[static_cast<size_t>(first)],
                            static_cast<size_t>(last - first + 1),
                            kPasses,
                            std::size(kPasses),
                            side,
                            view,
                            ScreenArea,
                            options.showDeleted,
                            options.parallel};
        DrawMarkers(c, doc, job, options.cull, markers_);
        if (const CVKData* sel = doc.SelectedRecord(); sel && (sel->Flags & REC_POSITION))
            HighlightMarker(c, sel->ptPlan, side);
    }
    DrawColourLegend(c, doc, ScreenArea);
    if (layer && layerKey.right > layerKey.left)
        DrawPlanLayerLegend(c, *layer, ScreenArea, arrow.bottom + margin, points);

    DeviceScope device(c);
    // North arrow: grid north is up in every plan.
    {
        const int32_t mid = (arrow.left + arrow.right) / 2, head = arrow.top + c.Pixels(16);
        c.FillRect({arrow.left - c.Pixels(2), arrow.top - c.Pixels(2), arrow.right + c.Pixels(2),
                    arrow.bottom + c.Pixels(2)}, COLOUR_WHITE);
        c.SelectBlackPen();
        for (int32_t row = 0; row < head - (arrow.top + c.Pixels(12)); ++row) {
            const int32_t y = arrow.top + c.Pixels(12) + row;
            const int32_t half = row * (arrowW / 2) / std::max(1, head - (arrow.top + c.Pixels(12)));
            c.FillRect({mid - half, y, mid + half + 1, y + 1}, COLOUR_BLACK);
        }
        c.FillRect({mid - std::max(1, c.Pixels(1)) / 2, head, mid - std::max(1, c.Pixels(1)) / 2 + c.Pixels(1),
                    arrow.bottom}, COLOUR_BLACK);
        c.SelectFont(points);
        c.SetTextTransparent(true);
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({mid, arrow.top + c.Pixels(12)}, "N");
    }
    // Scale bar: half black, half white, its length in ground units above it.
    if (showBar) {
        c.FillRect({bar.left - c.Pixels(4), bar.top - c.Pixels(18), bar.right + c.Pixels(4), bar.bottom + c.Pixels(4)},
                   COLOUR_WHITE);
        const int32_t half = (bar.left + bar.right) / 2;
        c.SelectBlackPen();
        c.SelectSolidBrush(COLOUR_WHITE);
        c.Rectangle(bar);
        c.FillRect({bar.left, bar.top, half, bar.bottom}, COLOUR_BLACK);
        c.SelectFont(points);
        c.SetTextTransparent(true);
        c.SetTextAnchor(TextAnchor::CentreBottom);
        c.Text({half, bar.top - c.Pixels(2)}, MetresText(barMetres));
    }
    c.SetTextTransparent(false);
    c.SetTextAnchor(TextAnchor::LeftBottom);
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
