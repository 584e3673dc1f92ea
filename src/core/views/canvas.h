// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/geometry.h"

namespace aq {

// A colour as the document stores it: 0x00BBGGRR.
using Colour = uint32_t;

inline constexpr Colour COLOUR_BLACK = 0x000000;
inline constexpr Colour COLOUR_WHITE = 0xFFFFFF;
inline constexpr Colour COLOUR_GRID = 0xBABABA;
inline constexpr Colour COLOUR_MAGENTA = 0xFF00FF;
// The stock light-grey brush.
inline constexpr Colour COLOUR_LIGHT_GREY = 0xC0C0C0;
// Deleted records: hollow markers in a light red, apart from every band colour.
inline constexpr Colour COLOUR_DELETED = 0x7878F0;
// A highlighted run of records: an orange apart from every band colour, and its pale
// tint for areas behind the data.
inline constexpr Colour COLOUR_HIGHLIGHT = 0x0090FF;
inline constexpr Colour COLOUR_HIGHLIGHT_PALE = 0xC8E8FF;

inline constexpr int ColourRed(Colour c) { return static_cast<int>(c & 0xFF); }
inline constexpr int ColourGreen(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int ColourBlue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// Pixels a canvas paints straight into: 32-bit words, each row `stride` words after the
// one above.
struct PixelSurface {
    uint32_t* bits = nullptr;
    std::ptrdiff_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Lines whose ends lie within this reach of the origin (device pixels) are walked from
// end to end; longer ones are cut down to their part near the clip first.
inline constexpr int32_t LINE_REACH = 1 << 15;

namespace detail {
// Moves the ends of a line from a to b along it to just outside clip (two pixels out);
// false when no part of it comes near.
bool CutLineNear(CPoint& a, CPoint& b, const CRect& clip);
}  // namespace detail

// The pixels of a line from a to b, b left out, as every canvas that paints pixels walks
// them (Bresenham): plot(x, y) for each of them inside clip. Drawing that paints a
// surface itself and the canvas's own Line give the same pixels through this.
template <class Plot>
void WalkLine(CPoint a, CPoint b, const CRect& clip, Plot&& plot) {
    if (a == b) return;
    // Wholly to one side of the clip: nothing of it shows.
    if ((a.x < clip.left && b.x < clip.left) || (a.y < clip.top && b.y < clip.top) ||
        (a.x >= clip.right && b.x >= clip.right) || (a.y >= clip.bottom && b.y >= clip.bottom))
        return;
    const auto near = [](CPoint p) {
        return p.x > -LINE_REACH && p.x < LINE_REACH && p.y > -LINE_REACH && p.y < LINE_REACH;
    };
    if ((!near(a) || !near(b)) && (!detail::CutLineNear(a, b, clip) || a == b)) return;
    int32_t x = a.x, y = a.y;
    const int32_t dx = b.x > x ? b.x - x : x - b.x, dy = -(b.y > y ? b.y - y : y - b.y);
    const int32_t sx = x < b.x ? 1 : -1, sy = y < b.y ? 1 : -1;
    int32_t err = dx + dy;
    while (x != b.x || y != b.y) {
        if (x >= clip.left && y >= clip.top && x < clip.right && y < clip.bottom) plot(x, y);
        const int32_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// Where a text's reference point sits on the text.
enum class TextAnchor { LeftBottom, CentreBottom, CentreTop, LeftTop };

// The outlined shapes whose pixels depend on the canvas.
enum class Shape { Ellipse, RoundRect };

// The anisotropic map of a logical window onto a device rectangle: x and y are
// stretched independently, so the aspect ratio of the plane is not kept.
class Mapping {
public:
    Mapping() : Mapping(CRect{0, 0, 1, 1}, CRect{0, 0, 1, 1}) {}
    Mapping(const CRect& window, const CRect& screen);

    const CRect& Window() const { return window_; }
    const CRect& Screen() const { return screen_; }

    int32_t X(int32_t lx) const { return Round(ox_ + static_cast<double>(lx) * sx_); }
    int32_t Y(int32_t ly) const { return Round(oy_ + static_cast<double>(ly) * sy_); }
    CPoint ToDevice(CPoint p) const { return {X(p.x), Y(p.y)}; }
    CRect ToDevice(const CRect& r) const { return {X(r.left), Y(r.top), X(r.right), Y(r.bottom)}; }

    // Device to logical, for mouse points.
    CPoint ToLogical(CPoint device) const;

    // A logical length in device pixels along x or y (magnitude).
    double ScaleX() const { return sx_; }
    double ScaleY() const { return sy_; }

private:
    // Nearest integer, halves upward, clamped to 32 bits. Inline and without libm: a
    // redraw maps millions of points.
    static int32_t Round(double v) {
        v += 0.5;
        if (!(v > -2147483648.0)) return INT32_MIN;
        if (!(v < 2147483647.0)) return INT32_MAX;
        const auto t = static_cast<int32_t>(v);
        return t - (static_cast<double>(t) > v ? 1 : 0);
    }

    CRect window_;
    CRect screen_;
    double sx_ = 1;
    double sy_ = 1;
    double ox_ = 0;  // device position of logical 0
    double oy_ = 0;
};

// The drawing surface of the views, in logical coordinates. The state calls (pens,
// brushes, font, text mode) stay in force until the next call changes them.
//
// Conventions, shared by every implementation so pictures agree:
// - shapes cover the device pixels from left/top up to but excluding right/bottom;
//   a shape whose device rectangle is empty draws nothing;
// - a line excludes its last point, so a line whose device end points coincide draws
//   nothing;
// - a pen of width 0 is one device pixel wide whatever the mapping, other widths are
//   logical and scale with x (at least one pixel);
// - shapes and lines are aliased, on device pixels; text is antialiased, sized in points
//   through the pixel ratio and never through the mapping, so a zoom does not grow it;
// - a rectangle or fill paints every pixel of its device rectangle, and a line along a
//   pixel row or column (within 32768 pixels of the origin) every pixel from its first
//   point up to its last.
// The views rely on the last to leave out what later drawing paints over.
class Canvas {
public:
    virtual ~Canvas() = default;

    void SetMapping(const CRect& window, const CRect& screen) {
        map_ = Mapping(window, screen);
        MappingChanged();
    }
    const Mapping& Map() const { return map_; }

    // Solid pen; width in logical units, 0 for one device pixel.
    virtual void SelectPen(Colour colour, int32_t width) = 0;
    // The black stock pen (one pixel).
    virtual void SelectBlackPen() = 0;
    virtual void SelectSolidBrush(Colour colour) = 0;
    virtual void SelectLightGreyBrush() = 0;
    // No fill: ellipses, rectangles and rounded rectangles are outlined only, until a
    // solid or light-grey brush is selected again.
    virtual void SelectHollowBrush() = 0;
    // The platform's sans-serif font at this size in points (1/72 inch at the pixel
    // ratio's 96 pixels to the inch), every other attribute default.
    virtual void SelectFont(double points) = 0;
    // Transparent text leaves the ground under the text alone; opaque fills it white.
    virtual void SetTextTransparent(bool transparent) = 0;
    virtual void SetTextAnchor(TextAnchor anchor) = 0;

    virtual void Line(CPoint from, CPoint to) = 0;
    // Ellipse, rectangle and rounded rectangle: outlined with the pen, filled with the brush.
    virtual void Ellipse(const CRect& r) = 0;
    virtual void Rectangle(const CRect& r) = 0;
    virtual void RoundRect(const CRect& r, int32_t cornerWidth, int32_t cornerHeight) = 0;
    // Fills with a colour, no outline.
    virtual void FillRect(const CRect& r, Colour colour) = 0;
    virtual void Text(CPoint at, const std::string& text) = 0;
    // A picture of width x height pixels (0xAARRGGBB, row 0 at the top, each opaque or
    // clear) stretched over the logical rectangle r, each pixel over its share of it and
    // shown as it is, without smoothing. Nothing on a canvas that cannot show pictures.
    virtual void Picture(const CRect& r, const uint32_t* pixels, int32_t width, int32_t height) {
        (void)r, (void)pixels, (void)width, (void)height;
    }
    // The device rectangle Text(at, text) would cover with the font and anchor in force;
    // empty when the canvas cannot measure text (then no label is kept from another).
    virtual CRect TextBox(CPoint at, const std::string& text) const {
        (void)at, (void)text;
        return {};
    }

    // Device pixels to a pixel of a plain 96-dpi screen: 1, 1.5 or 2 on screens, a page's
    // resolution over 96 on paper. Text, markers and the plan's furniture scale by it.
    void SetPixelRatio(double ratio) { ratio_ = ratio > 0 ? ratio : 1.0; }
    double PixelRatio() const { return ratio_; }
    // Device pixels of a length in screen pixels, at least one.
    int32_t Pixels(double px) const {
        const double d = px * ratio_ + 0.5;
        return d < 1 ? 1 : d > 1e6 ? 1000000 : static_cast<int32_t>(d);
    }
    // Device pixels of a length in points.
    double PointPixels(double points) const { return points * ratio_ * 96.0 / 72.0; }

    // The device pixels that can show, when the surface knows them (an image): drawing
    // elsewhere is lost. Empty when not known.
    virtual CRect VisibleArea() const { return {}; }

    // The image the canvas paints into pixel by pixel, when it does. Drawing may then
    // write the pixels of markers itself and get what the calls would have painted, by
    // these rules: a rectangle is a one-pixel frame in the pen filled with the brush (the
    // frame alone when hollow), all pen when it is two pixels or less across; a fill is
    // its colour; an ellipse or rounded rectangle is the pen and brush pixels ShapeMask
    // tells (the pen's alone when hollow), all pen at two pixels or less across; a line
    // of a one-pixel pen is the pixels WalkLine gives within the surface.
    virtual bool Surface(PixelSurface& surface) {
        (void)surface;
        return false;
    }
    // The word a colour is on the surface.
    virtual uint32_t SurfaceWord(Colour colour) const { return colour; }
    // Which pixels of Ellipse(r) or RoundRect(r, cornerWidth, cornerHeight) are pen (1)
    // and brush (2), 0 for those left alone: a row of r's width for each of its rows.
    // Only on a surface, for shapes more than two pixels across; false when not known.
    virtual bool ShapeMask(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                           std::vector<uint8_t>& mask) {
        (void)shape, (void)r, (void)cornerWidth, (void)cornerHeight, (void)mask;
        return false;
    }

    // The pixels Ellipse(r) or RoundRect(r, cornerWidth, cornerHeight) would paint, when
    // the canvas knows them exactly: a row of bits for each device row of r, bit 0 its
    // left column. Only asked for shapes at most 64 pixels wide that paint something;
    // false when not known.
    virtual bool ShapePixels(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                             std::vector<uint64_t>& rows) {
        (void)shape, (void)r, (void)cornerWidth, (void)cornerHeight, (void)rows;
        return false;
    }

protected:
    virtual void MappingChanged() {}

private:
    Mapping map_;
    double ratio_ = 1.0;
};

// Draws in device pixels while it lives: the mapping becomes one to one and comes back
// at the end. Markers, rings, keys and the plan's scale bar are sized on the screen, not
// in the plane.
class DeviceScope {
public:
    explicit DeviceScope(Canvas& c) : c_(c), window_(c.Map().Window()), screen_(c.Map().Screen()) {
        c.SetMapping({0, 0, 1, 1}, {0, 0, 1, 1});
    }
    ~DeviceScope() { c_.SetMapping(window_, screen_); }
    DeviceScope(const DeviceScope&) = delete;
    DeviceScope& operator=(const DeviceScope&) = delete;

private:
    Canvas& c_;
    CRect window_, screen_;
};

// Labels that keep clear of one another and of what is reserved (a legend, a scale bar):
// a label that would overlap one already placed, or leave the area, is left out.
class LabelPlacer {
public:
    explicit LabelPlacer(const CRect& area) : area_(area) {}
    void Reserve(const CRect& device) { taken_.push_back(device); }
    // Draws the text at the logical point unless it would collide; true when drawn.
    bool Place(Canvas& c, CPoint at, const std::string& text, int32_t gap = 2);

private:
    CRect area_;
    std::vector<CRect> taken_;
};

// The overlap of two rectangles is not empty.
inline bool Intersects(const CRect& a, const CRect& b) {
    return (a.left > b.left ? a.left : b.left) < (a.right < b.right ? a.right : b.right) &&
           (a.top > b.top ? a.top : b.top) < (a.bottom < b.bottom ? a.bottom : b.bottom);
}

}  // namespace aq
