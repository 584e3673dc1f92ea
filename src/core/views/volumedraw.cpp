// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/volumedraw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace aq {

namespace {

std::string Format(const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// The step of a grid that gives about `lines` lines over `span`: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int lines) {
    const double raw = span / std::max(lines, 1);
    if (!(raw > 0)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

int32_t Round(double v) { return static_cast<int32_t>(std::lround(std::clamp(v, -1e9, 1e9))); }

// The level of a profile at an offset, linear between its points; NaN where either
// neighbour has none.
double LevelAt(const std::vector<double>& offset, const std::vector<double>& level, double at) {
    if (level.empty() || offset.empty()) return NAN;
    const auto it = std::lower_bound(offset.begin(), offset.end(), at);
    if (it == offset.end()) return NAN;
    const size_t j = static_cast<size_t>(it - offset.begin());
    if (*it == at) return level[j];
    if (j == 0) return NAN;
    const double t = (at - offset[j - 1]) / (offset[j] - offset[j - 1]);
    return level[j - 1] + t * (level[j] - level[j - 1]);
}

Colour Mix(Colour a, Colour b, double t) {
    const auto mix = [&](int ca, int cb) { return static_cast<uint32_t>(std::lround(ca + (cb - ca) * t)); };
    return mix(ColourRed(a), ColourRed(b)) | mix(ColourGreen(a), ColourGreen(b)) << 8 |
           mix(ColourBlue(a), ColourBlue(b)) << 16;
}

// The colour of a difference on a scale of +-range: deep red for cut, deep blue for fill.
Colour DifferenceColour(double d, double range) {
    const double t = std::clamp(std::fabs(d) / range, 0.0, 1.0);
    return d >= 0 ? Mix(0xF0F0F0, 0x1010C0, t) : Mix(0xF0F0F0, 0xC04010, t);
}

void DrawProfile(Canvas& canvas, const std::vector<double>& offset, const std::vector<double>& level, Colour colour,
                 const auto& X, const auto& Y) {
    canvas.SelectPen(colour, 2);
    for (size_t i = 0; i + 1 < level.size() && i + 1 < offset.size(); ++i) {
        if (std::isnan(level[i]) || std::isnan(level[i + 1])) continue;
        canvas.Line({X(offset[i]), Y(level[i])}, {X(offset[i + 1]), Y(level[i + 1])});
    }
}

void Plan(Canvas& canvas, const DifferencePicture& p, const CRect& area, int32_t font) {
    canvas.SelectBlackPen();
    canvas.SelectHollowBrush();
    if (p.Empty()) {
        canvas.SetTextAnchor(TextAnchor::LeftBottom);
        canvas.Text({area.left, area.top + font}, "No difference surface (the grid method was not used).");
        return;
    }
    // Room for the key on the right.
    const int32_t keyWidth = font * 7;
    const CRect box{area.left, area.top, area.right - keyWidth, area.bottom};
    // The grid and the boundary together, in survey coordinates.
    double west = p.west, east = p.west + p.nx * p.cellX, north = p.north, south = p.north - p.ny * p.cellY;
    for (const auto& ring : p.boundary)
        for (const auto& [x, y] : ring) west = std::min(west, x), east = std::max(east, x), south = std::min(south, y), north = std::max(north, y);
    const double mx = p.groundX / p.cellX, my = p.groundY / p.cellY;  // metres a unit
    const double groundW = (east - west) * mx, groundH = (north - south) * my;
    const double scale = std::min((box.right - box.left) / groundW, (box.bottom - box.top) / groundH);
    if (!(scale > 0) || !std::isfinite(scale)) return;
    const double w = groundW * scale, h = groundH * scale;
    const double left = box.left + ((box.right - box.left) - w) / 2, top = box.top + ((box.bottom - box.top) - h) / 2;
    // Survey coordinates to the picture.
    const auto X = [&](double x) { return Round(left + (x - west) * mx * scale); };
    const auto Y = [&](double y) { return Round(top + (north - y) * my * scale); };
    // The scale of the colours: the largest difference but a few.
    std::vector<float> values;
    values.reserve(std::min<size_t>(p.difference.size(), 1 << 20));
    const size_t stride = std::max<size_t>(1, p.difference.size() / (1 << 20));
    for (size_t i = 0; i < p.difference.size(); i += stride)
        if (!std::isnan(p.difference[i])) values.push_back(std::fabs(p.difference[i]));
    double range = 1;
    if (!values.empty()) {
        const auto at = values.begin() + static_cast<ptrdiff_t>((values.size() - 1) * 98 / 100);
        std::nth_element(values.begin(), at, values.end());
        range = std::max(0.01, static_cast<double>(*at));
    }
    // Blocks of pixels, each the colour of the cell under its centre.
    const int32_t x0 = X(p.west), x1 = X(p.west + p.nx * p.cellX), y0 = Y(p.north), y1 = Y(p.north - p.ny * p.cellY);
    const int32_t block =
        std::max<int32_t>(1, static_cast<int32_t>(std::sqrt(double(x1 - x0) * double(y1 - y0) / 250000.0)));
    const double cellW = p.groundX * scale, cellH = p.groundY * scale;  // pixels
    for (int32_t py = y0; py < y1; py += block) {
        const int row = static_cast<int>(std::floor((py + block / 2.0 - y0) / cellH));
        if (row < 0 || row >= p.ny) continue;
        for (int32_t px = x0; px < x1; px += block) {
            const int col = static_cast<int>(std::floor((px + block / 2.0 - x0) / cellW));
            if (col < 0 || col >= p.nx) continue;
            const float d = p.difference[static_cast<size_t>(row) * static_cast<size_t>(p.nx) + static_cast<size_t>(col)];
            if (std::isnan(d)) continue;
            canvas.FillRect({px, py, std::min(px + block, x1), std::min(py + block, y1)}, DifferenceColour(d, range));
        }
    }
    canvas.SelectPen(COLOUR_GRID, 0);
    canvas.SelectHollowBrush();
    canvas.Rectangle({x0, y0, x1 + 1, y1 + 1});
    canvas.SelectPen(COLOUR_BLACK, 2);
    for (const auto& ring : p.boundary)
        for (size_t i = 0; i < ring.size(); ++i) {
            const auto& a = ring[i];
            const auto& b = ring[(i + 1) % ring.size()];
            canvas.Line({X(a.first), Y(a.second)}, {X(b.first), Y(b.second)});
        }
    // The key.
    const int32_t kx = area.right - keyWidth + font, ky = area.top + font;
    const int32_t kh = std::min<int32_t>(font * 16, area.bottom - area.top - font * 2);
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    canvas.Text({kx, ky - font * 2 / 3}, "survey - reference");
    for (int32_t i = 0; i < kh; ++i) {
        const double d = range * (1 - 2.0 * i / kh);
        canvas.FillRect({kx, ky + font / 2 + i, kx + font, ky + font / 2 + i + 1}, DifferenceColour(d, range));
    }
    canvas.SelectBlackPen();
    canvas.Rectangle({kx, ky + font / 2, kx + font + 1, ky + font / 2 + kh + 1});
    const char* fmt = range >= 10 ? "%+.0f m" : range >= 1 ? "%+.1f m" : "%+.2f m";
    canvas.Text({kx + font * 3 / 2, ky + font}, Format(fmt, range) + " cut");
    canvas.Text({kx + font * 3 / 2, ky + font / 2 + kh / 2 + font / 3}, "0 m");
    canvas.Text({kx + font * 3 / 2, ky + font / 2 + kh + font / 3}, Format(fmt, -range) + " fill");
}

}  // namespace

int SectionSheets(size_t sections, int perSheet) {
    perSheet = std::max(1, perSheet);
    return static_cast<int>((sections + static_cast<size_t>(perSheet) - 1) / static_cast<size_t>(perSheet));
}

void DrawSectionSheet(Canvas& canvas, const std::vector<SectionProfile>& sections, int sheet, int perSheet,
                      const CRect& area, const std::string& title, const std::string& reference) {
    canvas.SetMapping(area, area);
    canvas.FillRect(area, COLOUR_WHITE);
    perSheet = std::max(1, perSheet);
    const int32_t height = area.bottom - area.top, width = area.right - area.left;
    const int32_t font = std::clamp(std::min(height / (perSheet * 14), width / 70), 8, 60);
    canvas.SelectFont(font);
    canvas.SetTextTransparent(true);
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    const int sheets = SectionSheets(sections.size(), perSheet);
    canvas.SelectFont(font * 5 / 4);
    canvas.Text({area.left + font, area.top + font * 2},
                title + " - sheet " + std::to_string(sheet + 1) + " of " + std::to_string(std::max(sheets, 1)));
    canvas.SelectFont(font);
    // The key.
    {
        int32_t x = area.left + font;
        const int32_t y = area.top + font * 4;
        bool against = false, design = false;
        for (const SectionProfile& s : sections) against |= !s.against.empty(), design |= !s.design.empty();
        const auto key = [&](Colour c, const char* name) {
            canvas.SelectPen(c, 2);
            canvas.Line({x, y - font / 3}, {x + font * 2, y - font / 3});
            canvas.Text({x + font * 5 / 2, y}, name);
            x += font * 9;
        };
        key(COLOUR_SECTION_SURVEY, "survey");
        if (against) key(COLOUR_SECTION_AGAINST, "second survey");
        if (design) key(COLOUR_SECTION_DESIGN, "design");
        canvas.FillRect({x, y - font * 2 / 3, x + font, y}, COLOUR_CUT);
        canvas.Text({x + font * 3 / 2, y}, "cut");
        x += font * 5;
        canvas.FillRect({x, y - font * 2 / 3, x + font, y}, COLOUR_FILL);
        canvas.Text({x + font * 3 / 2, y}, "fill");
    }
    if (sections.empty()) return;

    // One scale for every section: the range of all their levels and offsets.
    double lo = INFINITY, hi = -INFINITY, o0 = INFINITY, o1 = -INFINITY;
    for (const SectionProfile& s : sections) {
        for (const std::vector<double>* v : {&s.survey, &s.against, &s.design})
            for (const double z : *v)
                if (!std::isnan(z)) lo = std::min(lo, z), hi = std::max(hi, z);
        if (!s.offset.empty()) o0 = std::min(o0, s.offset.front()), o1 = std::max(o1, s.offset.back());
    }
    if (lo > hi) lo = -1, hi = 0;
    if (hi - lo < 0.5) {
        const double mid = (lo + hi) / 2;
        lo = mid - 0.25, hi = mid + 0.25;
    }
    const double pad = (hi - lo) * 0.08;
    lo -= pad, hi += pad;
    if (!(o1 > o0)) o0 = -1, o1 = 1;

    const int32_t top = area.top + font * 5;
    const int32_t panelH = (area.bottom - font * 2 - top) / perSheet;
    for (int k = 0; k < perSheet; ++k) {
        const size_t index = static_cast<size_t>(sheet) * static_cast<size_t>(perSheet) + static_cast<size_t>(k);
        if (index >= sections.size()) break;
        const SectionProfile& s = sections[index];
        const CRect panel{area.left + font * 6, top + k * panelH + font * 2, area.right - font * 2,
                          top + (k + 1) * panelH - font * 2};
        if (panel.right - panel.left < 20 || panel.bottom - panel.top < 20) continue;
        const auto X = [&](double o) { return panel.left + Round((o - o0) / (o1 - o0) * (panel.right - panel.left)); };
        const auto Y = [&](double z) { return panel.bottom - Round((z - lo) / (hi - lo) * (panel.bottom - panel.top)); };
        // Grid and labels.
        const double ls = NiceStep(hi - lo, std::max(2, (panel.bottom - panel.top) / (font * 2)));
        const char* lf = ls >= 1 ? "%.0f" : ls >= 0.1 ? "%.1f" : "%.2f";
        canvas.SetTextAnchor(TextAnchor::LeftBottom);
        for (double z = std::ceil(lo / ls) * ls; z <= hi; z += ls) {
            canvas.SelectPen(COLOUR_GRID, 0);
            canvas.Line({panel.left, Y(z)}, {panel.right, Y(z)});
            canvas.Text({area.left + font / 2, Y(z) + font / 2}, Format(lf, std::fabs(z) < ls / 1000 ? 0.0 : z));
        }
        const double os = NiceStep(o1 - o0, std::max(2, (panel.right - panel.left) / (font * 6)));
        canvas.SetTextAnchor(TextAnchor::CentreTop);
        for (double o = std::ceil(o0 / os) * os; o <= o1 + os / 1000; o += os) {
            canvas.SelectPen(COLOUR_GRID, 0);
            canvas.Line({X(o), panel.top}, {X(o), panel.bottom});
            canvas.Text({X(o), panel.bottom + font / 4}, Format(os >= 1 ? "%.0f" : "%.1f", std::fabs(o) < os / 1000 ? 0.0 : o));
        }
        // Cut and fill between the survey and the reference, hatched.
        const std::vector<double>& ref = reference == "second survey" ? s.against : s.design;
        if (!ref.empty()) {
            const int32_t step = std::max<int32_t>(3, font / 3);
            for (int32_t x = panel.left; x < panel.right; x += step) {
                const double o = o0 + (x - panel.left + 0.5) * (o1 - o0) / (panel.right - panel.left);
                const double a = LevelAt(s.offset, s.survey, o), b = LevelAt(s.offset, ref, o);
                if (std::isnan(a) || std::isnan(b) || a == b) continue;
                canvas.SelectPen(a > b ? COLOUR_CUT : COLOUR_FILL, 0);
                canvas.Line({x, Y(std::max(a, b))}, {x, Y(std::min(a, b))});
            }
        }
        DrawProfile(canvas, s.offset, s.design, COLOUR_SECTION_DESIGN, X, Y);
        DrawProfile(canvas, s.offset, s.against, COLOUR_SECTION_AGAINST, X, Y);
        DrawProfile(canvas, s.offset, s.survey, COLOUR_SECTION_SURVEY, X, Y);
        canvas.SelectBlackPen();
        canvas.SelectHollowBrush();
        canvas.Rectangle(panel);
        canvas.SetTextAnchor(TextAnchor::LeftBottom);
        std::string label = "Ch " + Fixed2(s.chainage) + " m";
        if (!ref.empty())
            label += "   cut " + Fixed2(s.cutArea) + " m2   fill " + Fixed2(s.fillArea) + " m2 (against the " + reference + ")";
        canvas.Text({panel.left, panel.top - font / 3}, label);
    }
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    canvas.Text({area.left + font, area.bottom - font / 2}, "Offsets in metres across the centre line (left negative), levels in metres");
}

void DrawDifferencePlan(Canvas& canvas, const DifferencePicture& picture, const CRect& area) {
    canvas.SetMapping(area, area);
    canvas.FillRect(area, COLOUR_WHITE);
    const int32_t font = std::clamp((area.bottom - area.top) / 40, 8, 40);
    canvas.SelectFont(font);
    canvas.SetTextTransparent(true);
    Plan(canvas, picture, {area.left + font, area.top + font, area.right - font, area.bottom - font}, font);
}

void DrawVolumeSummary(Canvas& canvas, const VolumeReport& r, const CRect& area) {
    canvas.SetMapping(area, area);
    canvas.FillRect(area, COLOUR_WHITE);
    const int32_t width = area.right - area.left, height = area.bottom - area.top;
    const int32_t font = std::clamp(std::min(height / 75, width / 60), 8, 60);
    canvas.SetTextTransparent(true);
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    int32_t y = area.top + font * 2;
    const int32_t left = area.left + font;
    canvas.SelectFont(font * 3 / 2);
    canvas.Text({left, y}, r.title);
    y += font * 2;
    canvas.SelectFont(font);
    for (const auto& [name, value] : r.inputs) {
        canvas.Text({left, y}, name);
        canvas.Text({left + font * 12, y}, value);
        y += font * 3 / 2;
    }
    y += font;
    // The table, column by column as wide as its longest word.
    const std::vector<std::vector<std::string>> table = VolumeTable(r.figures);
    std::vector<int32_t> columns;
    for (const auto& row : table)
        for (size_t i = 0; i < row.size(); ++i) {
            if (columns.size() <= i) columns.push_back(0);
            columns[i] = std::max<int32_t>(columns[i], static_cast<int32_t>(row[i].size()));
        }
    int32_t total = 0;
    for (const int32_t c : columns) total += c + 2;
    const double charWidth = std::min(font * 0.62, (width - 2.0 * font) / std::max(total, 1));
    canvas.SelectFont(std::min<int32_t>(font, static_cast<int32_t>(charWidth / 0.6)));
    for (size_t rowIndex = 0; rowIndex < table.size(); ++rowIndex) {
        double x = left;
        for (size_t i = 0; i < table[rowIndex].size(); ++i) {
            canvas.Text({static_cast<int32_t>(std::lround(x)), y}, table[rowIndex][i]);
            x += (columns[i] + 2) * charWidth;
        }
        if (rowIndex == 0) {
            canvas.SelectPen(COLOUR_GRID, 0);
            canvas.Line({left, y + font / 3}, {static_cast<int32_t>(std::lround(x)), y + font / 3});
        }
        y += font * 3 / 2;
    }
    canvas.SelectFont(font);
    y += font / 2;
    canvas.Text({left, y},
                "Volumes in cubic metres, areas in square metres; cut is the survey above the reference, fill below it.");
    y += font * 3 / 2;
    canvas.Text({left, y}, "diff_pct: the net less the TIN's, in percent of the TIN's cut plus fill.");
    y += font;
    if (area.bottom - y > font * 10) Plan(canvas, r.plan, {left, y + font, area.right - font, area.bottom - font}, font);
}

}  // namespace aq
