// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/tidecurves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "model/civiltime.h"

namespace aq {

namespace {

// The step of a grid that gives about `lines` lines over `span`: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int lines) {
    const double raw = span / std::max(lines, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// Steps of a time axis in seconds: round minutes, hours and days.
int64_t TimeStep(double span, int lines) {
    static constexpr int64_t kSteps[] = {1,    2,    5,     10,    30,    60,    120,    300,    600,
                                         900,  1800, 3600,  7200,  10800, 21600, 43200,  86400,  172800,
                                         432000, 864000, 2592000};
    const double raw = span / std::max(lines, 1);
    for (const int64_t s : kSteps)
        if (static_cast<double>(s) >= raw) return s;
    return kSteps[std::size(kSteps) - 1];
}

std::string Format(const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

}  // namespace

void DrawTideComparison(Canvas& canvas, const TideComparison& c, const CRect& area, double maxGap) {
    canvas.SetMapping(area, area);
    canvas.FillRect(area, COLOUR_WHITE);
    const int32_t width = area.right - area.left, height = area.bottom - area.top;
    const int32_t font = std::clamp(height / 40, 10, 40);
    const CRect plot{area.left + font * 6, area.top + font * 4, area.right - font * 2, area.bottom - font * 3};
    if (plot.right - plot.left < 20 || plot.bottom - plot.top < 20) return;

    // The extent of both curves.
    int64_t t0 = INT64_MAX, t1 = INT64_MIN;
    double v0 = INFINITY, v1 = -INFINITY;
    for (const std::vector<TideLevel>* curve : {&c.gnss, &c.observed})
        for (const TideLevel& l : *curve) {
            t0 = std::min(t0, l.time);
            t1 = std::max(t1, l.time);
            v0 = std::min(v0, l.level);
            v1 = std::max(v1, l.level);
        }
    if (t0 > t1) return;
    if (t1 == t0) t1 = t0 + 100;
    if (v1 - v0 < 0.1) {
        const double mid = (v0 + v1) / 2;
        v0 = mid - 0.05;
        v1 = mid + 0.05;
    }
    const double pad = (v1 - v0) * 0.05;
    v0 -= pad;
    v1 += pad;
    const auto X = [&](int64_t t) {
        return plot.left + static_cast<int32_t>(std::lround(static_cast<double>(t - t0) / static_cast<double>(t1 - t0) *
                                                            (plot.right - plot.left)));
    };
    const auto Y = [&](double v) {
        return plot.bottom - static_cast<int32_t>(std::lround((v - v0) / (v1 - v0) * (plot.bottom - plot.top)));
    };

    canvas.SelectFont(font);
    canvas.SetTextTransparent(true);

    // Level grid and labels.
    const double step = NiceStep(v1 - v0, std::max(3, (plot.bottom - plot.top) / (font * 3)));
    const char* levelFormat = step >= 1 ? "%.0f m" : step >= 0.1 ? "%.1f m" : "%.2f m";
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    for (double v = std::ceil(v0 / step) * step; v <= v1; v += step) {
        const int32_t y = Y(v);
        canvas.SelectPen(COLOUR_GRID, 0);
        canvas.Line({plot.left, y}, {plot.right, y});
        canvas.Text({area.left + font / 2, y + font / 2}, Format(levelFormat, std::fabs(v) < step / 1000 ? 0.0 : v));
    }
    // Time grid and labels, on round local times.
    const double seconds = static_cast<double>(t1 - t0) / 100.0;
    const int64_t ts = TimeStep(seconds, std::max(2, width / (font * 8)));
    const bool days = seconds > 86400.0;
    canvas.SetTextAnchor(TextAnchor::CentreTop);
    for (int64_t s = (t0 / 100 + ts - 1) / ts * ts; s * 100 <= t1; s += ts) {
        const int32_t x = X(s * 100);
        canvas.SelectPen(COLOUR_GRID, 0);
        canvas.Line({x, plot.top}, {x, plot.bottom});
        canvas.Text({x, plot.bottom + font / 3}, civil::Format(days ? "%d/%m %H:%M" : "%H:%M", s));
    }
    canvas.SelectBlackPen();
    canvas.SelectHollowBrush();
    canvas.Rectangle(plot);

    // The curves, broken at gaps.
    const auto gap = static_cast<int64_t>(std::llround(maxGap * 100.0));
    const auto curve = [&](const std::vector<TideLevel>& levels, Colour colour, bool breakAtGaps) {
        canvas.SelectPen(colour, 2);
        for (size_t i = 1; i < levels.size(); ++i) {
            if (breakAtGaps && levels[i].time - levels[i - 1].time > gap) continue;
            canvas.Line({X(levels[i - 1].time), Y(levels[i - 1].level)}, {X(levels[i].time), Y(levels[i].level)});
        }
        if (levels.size() == 1) {
            const CPoint p{X(levels[0].time), Y(levels[0].level)};
            canvas.SelectSolidBrush(colour);
            canvas.Ellipse({p.x - 3, p.y - 3, p.x + 4, p.y + 4});
        }
    };
    curve(c.observed, COLOUR_OBSERVED_TIDE, false);
    curve(c.gnss, COLOUR_GNSS_LEVEL, true);

    // Title, statistics and legend.
    canvas.SetTextAnchor(TextAnchor::LeftBottom);
    canvas.SelectFont(font * 5 / 4);
    canvas.Text({plot.left, area.top + font * 3 / 2 + font / 4}, "Water level from GNSS heights against the observed tide");
    canvas.SelectFont(font);
    canvas.Text({plot.left, area.top + font * 3 + font / 4},
                std::to_string(c.compared) + " compared: mean " + Format("%.3f", c.mean) + " m, std dev " +
                    Format("%.3f", c.stdDev) + " m, max " + Format("%.3f", c.maxAbs) + " m (GNSS - observed)");
    const int32_t legendX = plot.right - font * 14;
    int32_t legendY = plot.top + font * 3 / 2;
    // On a white ground, so that the curves beneath do not cross the names.
    canvas.SelectBlackPen();
    canvas.SelectSolidBrush(COLOUR_WHITE);
    canvas.Rectangle({legendX - font / 2, plot.top + font / 3, plot.right - font / 3, plot.top + font * 7 / 2});
    for (const auto& [colour, name] : {std::pair{COLOUR_GNSS_LEVEL, "GNSS water level"},
                                       std::pair{COLOUR_OBSERVED_TIDE, "Observed tide"}}) {
        canvas.SelectPen(colour, 2);
        canvas.Line({legendX, legendY - font / 3}, {legendX + font * 2, legendY - font / 3});
        canvas.Text({legendX + font * 5 / 2, legendY}, name);
        legendY += font * 3 / 2;
    }
}

}  // namespace aq
