// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <map>
#include <tuple>
#include <vector>

#include "views/canvas.h"

namespace aq::gui {

// The views' canvas on a QPainter: the screen, a printer, an image or an SVG file.
// Every shape is placed in device pixels through the canvas's own mapping, so the
// same logical drawing gives the same pixels wherever it is painted.
class QtCanvas final : public Canvas {
public:
    // ratio: device pixels to a 96-dpi pixel (see Canvas::PixelRatio).
    explicit QtCanvas(QPainter& painter, double ratio = 1.0);

    void SelectPen(Colour colour, int32_t width) override;
    void SelectBlackPen() override { SelectPen(COLOUR_BLACK, 0); }
    void SelectSolidBrush(Colour colour) override {
        hollow_ = false;
        SetBrush(colour);
    }
    void SelectLightGreyBrush() override {
        hollow_ = false;
        SetBrush(COLOUR_LIGHT_GREY);
    }
    void SelectHollowBrush() override { hollow_ = true; }
    void SelectFont(double points) override;
    void SetTextTransparent(bool transparent) override { transparent_ = transparent; }
    void SetTextAnchor(TextAnchor anchor) override { anchor_ = anchor; }

    void Line(CPoint from, CPoint to) override;
    void Ellipse(const CRect& r) override;
    void Rectangle(const CRect& r) override;
    void RoundRect(const CRect& r, int32_t cornerWidth, int32_t cornerHeight) override;
    void FillRect(const CRect& r, Colour colour) override;
    void Picture(const CRect& r, const uint32_t* pixels, int32_t width, int32_t height) override;
    void Text(CPoint at, const std::string& text) override;
    CRect TextBox(CPoint at, const std::string& text) const override;
    CRect VisibleArea() const override { return Direct() ? CRect{0, 0, width_, height_} : CRect{}; }
    bool ShapePixels(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                     std::vector<uint64_t>& rows) override;
    bool Surface(PixelSurface& surface) override;
    uint32_t SurfaceWord(Colour colour) const override { return ToRgb(colour); }
    bool ShapeMask(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                   std::vector<uint8_t>& mask) override;

    static QColor ToQColor(Colour c) { return QColor(ColourRed(c), ColourGreen(c), ColourBlue(c)); }
    static QRgb ToRgb(Colour c) { return qRgb(ColourRed(c), ColourGreen(c), ColourBlue(c)); }

protected:
    void MappingChanged() override;

private:
    // Painting straight into the pixels of an image: what makes a redraw of a million
    // records quick. Used only on a plain 32-bit image with no transform and no clip; the
    // shapes keep the pixels QPainter gives them (ellipses and rounded squares are
    // stamped from masks QPainter drew).
    bool Direct() const { return bits_ != nullptr; }
    void DirectFill(QRect r, QRgb colour);
    // 0 outside, 1 pen, 2 brush; rows of w bytes.
    const std::vector<uint8_t>& Mask(int shape, int w, int h, double rx, double ry);
    // The mask a shape of these pixels is stamped from, or null where QPainter draws it.
    const std::vector<uint8_t>* MaskFor(Shape shape, const QRect& px, int32_t cornerWidth, int32_t cornerHeight);
    // The mask's pen and brush pixels; the pen's alone when hollow.
    void Stamp(const QRect& r, const std::vector<uint8_t>& mask);

    void SetBrush(Colour colour) {
        if (colour == brushColour_) return;
        brushColour_ = colour;
        brush_ = ToQColor(colour);
        brushRgb_ = ToRgb(colour);
    }
    int DevicePenWidth() const;
    void ApplyPen();
    void ApplyBrush();
    bool ApplyFont();
    // Where a text goes: its left edge and baseline in device pixels, and its width.
    void Place(CPoint at, const QString& s, const QFontMetrics& fm, int& x, int& baseline, int& width) const;
    QFont FontFor(int pixels) const;
    // Paints a marker too small to show its inside: all pen.
    void Solid(const QRect& r);

    QPainter& p_;
    QColor pen_{Qt::black};
    Colour penColour_ = COLOUR_BLACK;
    QRgb penRgb_ = 0xFF000000u;
    int32_t penWidth_ = 0;
    int penPixels_ = 1;
    QColor brush_{Qt::white};
    Colour brushColour_ = COLOUR_WHITE;
    QRgb brushRgb_ = 0xFFFFFFFFu;
    bool hollow_ = false;
    double fontPoints_ = 9;
    bool transparent_ = false;
    TextAnchor anchor_ = TextAnchor::LeftBottom;

    // What the painter holds, to avoid needless state changes.
    QColor painterPen_;
    int painterPenWidth_ = -1;
    QColor painterBrush_;
    bool painterBrushSet_ = false;
    int painterFontPixels_ = -1;

    QRgb* bits_ = nullptr;
    qsizetype stride_ = 0;  // pixels a row
    int width_ = 0, height_ = 0;
    using MaskKey = std::tuple<int, int, int, double, double>;
    std::map<MaskKey, std::vector<uint8_t>> masks_;
    // The last mask asked for: markers come in runs of one size.
    MaskKey lastKey_{-1, 0, 0, 0.0, 0.0};
    const std::vector<uint8_t>* lastMask_ = nullptr;
};

// The platform's sans-serif font at a pixel size, antialiased and hinted for the screen.
QFont ViewFont(int pixelSize);

}  // namespace aq::gui
