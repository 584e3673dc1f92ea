// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

inline constexpr int ColourRed(Colour c) { return static_cast<int>(c & 0xFF); }
inline constexpr int ColourGreen(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int ColourBlue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// Where a text's reference point sits on the text.
enum class TextAnchor { LeftBottom, CentreBottom, CentreTop };

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
// - drawing is aliased;
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
    // A font of this cell height in logical units, every other attribute default.
    virtual void SelectFont(int32_t height) = 0;
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

    // The device pixels that can show, when the surface knows them (an image): drawing
    // elsewhere is lost. Empty when not known.
    virtual CRect VisibleArea() const { return {}; }

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
};

// The overlap of two rectangles is not empty.
inline bool Intersects(const CRect& a, const CRect& b) {
    return (a.left > b.left ? a.left : b.left) < (a.right < b.right ? a.right : b.right) &&
           (a.top > b.top ? a.top : b.top) < (a.bottom < b.bottom ? a.bottom : b.bottom);
}

}  // namespace aq
