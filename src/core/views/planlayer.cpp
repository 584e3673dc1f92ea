// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/planlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/doc.h"
#include "model/geometry.h"
#include "model/muldiv.h"

namespace aq {

namespace {

constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

// The ramp from the deepest band to the shallowest.
constexpr Colour kRamp[] = {Rgb(8, 48, 107),   Rgb(33, 102, 172), Rgb(67, 147, 195),  Rgb(146, 197, 222),
                            Rgb(171, 221, 164), Rgb(217, 239, 139), Rgb(255, 255, 191)};
constexpr Colour kContour = Rgb(60, 60, 60);

Colour RampAt(double t) {
    t = std::clamp(t, 0.0, 1.0) * (std::size(kRamp) - 1);
    const auto i = std::min(static_cast<size_t>(t), std::size(kRamp) - 2);
    const double f = t - static_cast<double>(i);
    const auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
    const Colour a = kRamp[i], b = kRamp[i + 1];
    return Rgb(mix(ColourRed(a), ColourRed(b)), mix(ColourGreen(a), ColourGreen(b)), mix(ColourBlue(a), ColourBlue(b)));
}

uint32_t Argb(Colour c) {
    return 0xFF000000u | (static_cast<uint32_t>(ColourRed(c)) << 16) | (static_cast<uint32_t>(ColourGreen(c)) << 8) |
           static_cast<uint32_t>(ColourBlue(c));
}

// Stored units (centimetres, or 1e-7 degree) of a survey unit.
double StoredPerUnit(const CVKDoc& doc) { return doc.IsGeographic() ? 1e7 : 100.0; }

int32_t ClampLogical(double v) { return static_cast<int32_t>(std::clamp(std::floor(v + 0.5), -1e9, 1e9)); }

std::string LevelText(double level) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", std::abs(level) < 1e-9 ? 0.0 : level);
    return buf;
}

}  // namespace

std::vector<PlanLayer::Band> LevelBands(double lowest, double highest) {
    std::vector<PlanLayer::Band> out;
    if (!std::isfinite(lowest) || !std::isfinite(highest) || highest < lowest) return out;
    const double span = highest - lowest;
    double step = 1;
    if (span > 0) {
        const double p = std::pow(10.0, std::floor(std::log10(span / 10)));
        step = 10 * p;
        for (double m : {1.0, 2.0, 5.0})
            if (span / (m * p) <= 10) {
                step = m * p;
                break;
            }
    }
    double from = std::floor(lowest / step) * step;
    double top = std::ceil(highest / step) * step;
    if (top <= from) top = from + step;
    const auto n = static_cast<int>(std::lround((top - from) / step));
    for (int i = 0; i < n; ++i) {
        const double t = n == 1 ? 1.0 : static_cast<double>(i) / (n - 1);
        out.push_back({from + i * step, from + (i + 1) * step, RampAt(t)});
    }
    return out;
}

Colour PlanLayer::ColourOf(double level) const {
    if (bands.empty()) return COLOUR_WHITE;
    // Bands are equal steps from the lowest.
    const double step = bands.front().to - bands.front().from;
    if (!(step > 0)) return bands.front().colour;
    const auto i = static_cast<int64_t>(std::floor((level - bands.front().from) / step));
    return bands[static_cast<size_t>(std::clamp<int64_t>(i, 0, static_cast<int64_t>(bands.size()) - 1))].colour;
}

void PlanLayer::Shade(const float* levels, int64_t nx, int64_t ny, size_t maxPixels) {
    pixels.clear();
    width = height = 0;
    if (nx <= 0 || ny <= 0 || !levels) return;
    int64_t k = 1;
    while (static_cast<uint64_t>((nx + k - 1) / k) * static_cast<uint64_t>((ny + k - 1) / k) > maxPixels) ++k;
    width = static_cast<int32_t>((nx + k - 1) / k);
    height = static_cast<int32_t>((ny + k - 1) / k);
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    // The band colours once, then a lookup a cell.
    std::vector<uint32_t> words;
    for (const Band& b : bands) words.push_back(Argb(b.colour));
    const double first = bands.empty() ? 0 : bands.front().from;
    const double step = bands.empty() ? 1 : bands.front().to - bands.front().from;
    const auto last = static_cast<int64_t>(words.size()) - 1;
    for (int32_t row = 0; row < height; ++row) {
        // The cell under the pixel's centre.
        const int64_t srcRow = std::min(ny - 1, row * k + k / 2);
        const float* src = levels + srcRow * nx;
        uint32_t* dst = pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int32_t col = 0; col < width; ++col) {
            const float v = src[std::min(nx - 1, col * k + k / 2)];
            if (std::isnan(v) || last < 0) continue;
            const double t = (static_cast<double>(v) - first) / step;
            const int64_t i = !(t > 0) ? 0 : t >= static_cast<double>(last) ? last : static_cast<int64_t>(t);
            dst[col] = words[static_cast<size_t>(i)];
        }
    }
}

CPoint PlanLayerCache::PlanPoint(const CVKDoc& doc, double x, double y) {
    // As ViewScale::Plan places the records, in reals: the extent's span onto LOGICAL_SPAN.
    const double w = Sub32(Low32(doc.XMax), Low32(doc.XMin));
    const double h = Sub32(Low32(doc.YMax), Low32(doc.YMin));
    const double k = StoredPerUnit(doc);
    const double lx = w != 0 ? (x * k - static_cast<double>(Low32(doc.XMin))) * LOGICAL_SPAN / w : 0;
    const double ly = h != 0 ? (static_cast<double>(Low32(doc.YMax)) - y * k) * LOGICAL_SPAN / h : 0;
    return {ClampLogical(lx), ClampLogical(ly)};
}

CRect PlanLayerCache::PictureRect(const PlanLayer& layer, const CVKDoc& doc) {
    const CPoint nw = PlanPoint(doc, layer.west, layer.north);
    const CPoint se = PlanPoint(doc, layer.east, layer.south);
    return {std::min(nw.x, se.x), std::min(nw.y, se.y), std::max(nw.x, se.x), std::max(nw.y, se.y)};
}

const std::vector<PlanLayerCache::Line>& PlanLayerCache::Lines(const PlanLayer& layer, const CVKDoc& doc) {
    const int64_t key[5] = {doc.XMin, doc.XMax, doc.YMin, doc.YMax, doc.IsGeographic() ? 1 : 0};
    if (layer_ == &layer && contourCount_ == layer.contours.size() && std::equal(key, key + 5, key_)) return lines_;
    layer_ = &layer;
    contourCount_ = layer.contours.size();
    std::copy(key, key + 5, key_);
    lines_.clear();
    for (const PlanLayer::Contour& c : layer.contours) {
        Line line;
        line.level = c.level;
        line.bounds = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (size_t i = 0; i + 1 < c.xy.size(); i += 2) {
            const CPoint p = PlanPoint(doc, c.xy[i], c.xy[i + 1]);
            // Points that fall on the last one add nothing.
            if (!line.points.empty() && line.points.back() == p) continue;
            line.points.push_back(p);
            line.bounds = {std::min(line.bounds.left, p.x), std::min(line.bounds.top, p.y),
                           std::max(line.bounds.right, p.x), std::max(line.bounds.bottom, p.y)};
        }
        if (line.points.size() >= 2) lines_.push_back(std::move(line));
    }
    return lines_;
}

void DrawPlanLayer(Canvas& c, const CVKDoc& doc, const PlanLayer& layer, PlanLayerCache& cache, LabelPlacer& labels,
                   double points) {
    const CRect view = c.Map().Window();
    if (!layer.pixels.empty() && layer.width > 0 && layer.height > 0 &&
        layer.pixels.size() >= static_cast<size_t>(layer.width) * static_cast<size_t>(layer.height)) {
        const CRect r = PlanLayerCache::PictureRect(layer, doc);
        if (r.right > r.left && r.bottom > r.top && Intersects(r, view))
            c.Picture(r, layer.pixels.data(), layer.width, layer.height);
    }
    const std::vector<PlanLayerCache::Line>& lines = cache.Lines(layer, doc);
    if (lines.empty()) return;
    c.SelectPen(kContour, 0);
    const auto within = [&](const CRect& b) {
        return b.left <= view.right && b.right >= view.left && b.top <= view.bottom && b.bottom >= view.top;
    };
    for (const PlanLayerCache::Line& line : lines) {
        if (!within(line.bounds)) continue;
        for (size_t i = 1; i < line.points.size(); ++i) c.Line(line.points[i - 1], line.points[i]);
    }
    // A level on the longest line of each level shown, at its middle; up to a dozen, as
    // room allows.
    std::vector<const PlanLayerCache::Line*> longest;
    for (const PlanLayerCache::Line& line : lines) {
        if (!within(line.bounds)) continue;
        auto it = std::find_if(longest.begin(), longest.end(), [&](const auto* l) { return l->level == line.level; });
        if (it == longest.end())
            longest.push_back(&line);
        else if ((*it)->points.size() < line.points.size())
            *it = &line;
    }
    std::sort(longest.begin(), longest.end(), [](const auto* a, const auto* b) { return a->points.size() > b->points.size(); });
    const Mapping& map = c.Map();
    DeviceScope device(c);
    c.SelectFont(points);
    c.SetTextTransparent(true);
    c.SetTextAnchor(TextAnchor::CentreBottom);
    int placed = 0;
    for (const PlanLayerCache::Line* line : longest) {
        if (placed >= 12) break;
        // The middle point that is in view.
        const std::vector<CPoint>& pts = line->points;
        for (size_t step = 0; step < pts.size(); ++step) {
            // Out from the middle, alternately forward and back.
            const size_t mid = pts.size() / 2;
            const size_t i = step % 2 ? mid + (step + 1) / 2 : mid - std::min(mid, step / 2);
            if (i >= pts.size()) continue;
            const CPoint p = pts[i];
            if (p.x <= view.left || p.x >= view.right || p.y <= view.top || p.y >= view.bottom) continue;
            if (labels.Place(c, map.ToDevice(p), LevelText(line->level))) ++placed;
            break;
        }
    }
    c.SetTextTransparent(false);
    c.SetTextAnchor(TextAnchor::LeftBottom);
}

CRect DrawPlanLayerLegend(Canvas& c, const PlanLayer& layer, const CRect& screen, int32_t below, double points,
                          bool draw) {
    if (layer.bands.empty()) return {};
    DeviceScope device(c);
    c.SelectFont(points);
    c.SetTextAnchor(TextAnchor::LeftBottom);
    std::vector<std::string> texts;
    const std::string& title = layer.title;
    int32_t textW = 0, lineH = 0;
    const auto measure = [&](const std::string& s) {
        const CRect t = c.TextBox({0, 0}, s);
        textW = std::max(textW, t.right - t.left);
        lineH = std::max(lineH, t.bottom - t.top);
    };
    measure(title);
    for (auto it = layer.bands.rbegin(); it != layer.bands.rend(); ++it) {
        texts.push_back(LevelText(it->from) + " to " + LevelText(it->to));
        measure(texts.back());
    }
    if (textW == 0) textW = c.Pixels(90);
    if (lineH == 0) lineH = c.Pixels(14);
    const int32_t box = std::max(c.Pixels(8), lineH * 3 / 4), rowH = lineH + c.Pixels(2);
    const int32_t pad = c.Pixels(4), margin = c.Pixels(8);
    const int32_t left = screen.left + margin;
    const int32_t top = std::max(screen.top + margin, below + margin);
    const auto rows = static_cast<int32_t>(texts.size()) + 1;
    const CRect ground{left - pad, top - pad, left + std::max(textW, box + c.Pixels(6) + textW) + pad,
                       top + rows * rowH + pad};
    if (!draw) return ground;
    c.FillRect(ground, COLOUR_WHITE);
    c.SetTextTransparent(true);
    c.Text({left, top + rowH}, title);
    c.SelectBlackPen();
    int32_t y = top + rowH;
    size_t i = 0;
    for (auto it = layer.bands.rbegin(); it != layer.bands.rend(); ++it, ++i, y += rowH) {
        const int32_t boxTop = y + (rowH - box) / 2;
        c.SelectSolidBrush(it->colour);
        c.Rectangle({left, boxTop, left + box, boxTop + box});
        c.Text({left + box + c.Pixels(6), y + rowH}, texts[i]);
    }
    c.SetTextTransparent(false);
    return ground;
}

}  // namespace aq
