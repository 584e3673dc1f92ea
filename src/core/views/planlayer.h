// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "views/canvas.h"

namespace aq {

class CVKDoc;

// A picture the plan draws under the soundings: a surface of the seabed shaded in bands
// of level, its contours over it and the key of the bands. Plain data in survey
// coordinates (metres, or degrees in a geographic survey), filled by whoever made the
// surface; the plan places it with the same mapping as the records.
struct PlanLayer {
    // The shaded picture: width x height pixels, row 0 the north one, each 0xAARRGGBB
    // either opaque or 0 (an empty cell, left clear).
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    // The picture's outer edges.
    double west = 0;
    double east = 0;
    double south = 0;
    double north = 0;

    struct Contour {
        double level = 0;
        std::vector<double> xy;  // x0, y0, x1, y1, ...
    };
    std::vector<Contour> contours;

    // The colour bands, lowest first: levels from `from` up to `to` are shaded `colour`.
    struct Band {
        double from = 0;
        double to = 0;
        Colour colour = 0;
    };
    std::vector<Band> bands;
    // What the levels are, over the key.
    std::string title = "Level (m)";

    bool Empty() const { return pixels.empty() && contours.empty(); }
    // The band colour of a level (the nearest end band outside them all); white without
    // bands.
    Colour ColourOf(double level) const;
    // Shades the picture from levels (NaN for empty), nx by ny rows from the north, with
    // the bands; each picture pixel is the cell under its centre when the levels are more
    // than maxPixels cells and are thinned to fit.
    void Shade(const float* levels, int64_t nx, int64_t ny, size_t maxPixels = size_t{16} << 20);
};

// Up to about ten bands over a range of levels, each 1, 2 or 5 times a power of ten
// metres deep with edges on its multiples, coloured from deep blue (lowest) through
// green to pale yellow (highest).
std::vector<PlanLayer::Band> LevelBands(double lowest, double highest);

// What the plan keeps between redraws for a layer: its contours in logical coordinates,
// worked out again only when the layer or the survey's extent changes.
class PlanLayerCache {
public:
    struct Line {
        double level = 0;
        CRect bounds;
        std::vector<CPoint> points;
    };
    // The contours of the layer on the plan of the document.
    const std::vector<Line>& Lines(const PlanLayer& layer, const CVKDoc& doc);
    // The picture's logical rectangle on the plan of the document.
    static CRect PictureRect(const PlanLayer& layer, const CVKDoc& doc);
    // A place in survey coordinates on the plan's logical plane, as the records' ptPlan.
    static CPoint PlanPoint(const CVKDoc& doc, double x, double y);

private:
    const PlanLayer* layer_ = nullptr;
    size_t contourCount_ = 0;
    int64_t key_[5] = {};
    std::vector<Line> lines_;
};

// Draws the picture and the contours of the layer on the plan (the mapping set for the
// view); a few contours get their level, placed through the labels.
void DrawPlanLayer(Canvas& canvas, const CVKDoc& doc, const PlanLayer& layer, PlanLayerCache& cache,
                   LabelPlacer& labels, double points);

// The key of the layer's bands in the top-left corner of the device area below `below`
// (a device y): a swatch for each band, the highest at the top, under the layer's title. Returns the device rectangle it covers (empty without bands); without draw, only
// that.
CRect DrawPlanLayerLegend(Canvas& canvas, const PlanLayer& layer, const CRect& screen, int32_t below, double points,
                          bool draw = true);

}  // namespace aq
