// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "views/canvas.h"

namespace aq {

// A canvas that keeps every drawing call with the state it was drawn in, so tests can
// check what a view draws without a screen.
class RecordingCanvas final : public Canvas {
public:
    enum class Op { Line, Ellipse, Rectangle, RoundRect, FillRect, Text, Picture };
    enum class Brush { Solid, LightGrey, Hollow };

    struct Call {
        Op op;
        CPoint from, to;  // Line; Text uses from
        CRect rect;       // shapes
        CPoint corner;    // RoundRect: corner ellipse width and height
        std::string text;
        Colour pen = COLOUR_BLACK;
        int32_t penWidth = 0;
        Brush brush = Brush::Solid;
        Colour brushColour = COLOUR_WHITE;  // FillRect: the fill colour
        double fontPoints = 0;
        TextAnchor anchor = TextAnchor::LeftBottom;
        bool transparent = false;
        CRect window;  // the mapping's window when drawn
        // Picture: its pixels (as the caller keeps them) and size.
        const uint32_t* pixels = nullptr;
        int32_t width = 0, height = 0;
    };

    std::vector<Call> calls;

    void SelectPen(Colour colour, int32_t width) override {
        pen_ = colour;
        penWidth_ = width;
    }
    void SelectBlackPen() override { SelectPen(COLOUR_BLACK, 0); }
    void SelectSolidBrush(Colour colour) override {
        brush_ = Brush::Solid;
        brushColour_ = colour;
    }
    void SelectLightGreyBrush() override {
        brush_ = Brush::LightGrey;
        brushColour_ = COLOUR_LIGHT_GREY;
    }
    void SelectHollowBrush() override { brush_ = Brush::Hollow; }
    void SelectFont(double points) override { font_ = points; }
    void SetTextTransparent(bool transparent) override { transparent_ = transparent; }
    void SetTextAnchor(TextAnchor anchor) override { anchor_ = anchor; }

    void Line(CPoint from, CPoint to) override {
        Call c = Base(Op::Line);
        c.from = from;
        c.to = to;
        calls.push_back(std::move(c));
    }
    void Ellipse(const CRect& r) override { Shape(Op::Ellipse, r); }
    void Rectangle(const CRect& r) override { Shape(Op::Rectangle, r); }
    void RoundRect(const CRect& r, int32_t w, int32_t h) override {
        Shape(Op::RoundRect, r);
        calls.back().corner = {w, h};
    }
    void FillRect(const CRect& r, Colour colour) override {
        Shape(Op::FillRect, r);
        calls.back().brush = Brush::Solid;
        calls.back().brushColour = colour;
    }
    void Picture(const CRect& r, const uint32_t* pixels, int32_t width, int32_t height) override {
        Shape(Op::Picture, r);
        calls.back().pixels = pixels;
        calls.back().width = width;
        calls.back().height = height;
    }
    void Text(CPoint at, const std::string& text) override {
        Call c = Base(Op::Text);
        c.from = at;
        c.text = text;
        calls.push_back(std::move(c));
    }

    // A stand-in measure: glyphs 0.6 of the pixel size wide, the line the size high.
    CRect TextBox(CPoint at, const std::string& text) const override {
        const CPoint d = Map().ToDevice(at);
        const double px = PointPixels(font_);
        const auto w = static_cast<int32_t>(px * 0.6 * static_cast<double>(text.size()) + 0.5);
        const auto h = static_cast<int32_t>(px + 0.5);
        const bool left = anchor_ == TextAnchor::LeftBottom || anchor_ == TextAnchor::LeftTop;
        const bool top = anchor_ == TextAnchor::CentreTop || anchor_ == TextAnchor::LeftTop;
        const int32_t x = left ? d.x : d.x - w / 2;
        const int32_t y = top ? d.y : d.y - h;
        return {x, y, x + w, y + h};
    }

    // The calls of one kind, in order.
    std::vector<Call> Of(Op op) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }
    // The texts drawn, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Call& c : calls)
            if (c.op == Op::Text) out.push_back(c.text);
        return out;
    }

private:
    Call Base(Op op) const {
        Call c{};
        c.op = op;
        c.pen = pen_;
        c.penWidth = penWidth_;
        c.brush = brush_;
        c.brushColour = brushColour_;
        c.fontPoints = font_;
        c.anchor = anchor_;
        c.transparent = transparent_;
        c.window = Map().Window();
        return c;
    }
    void Shape(Op op, const CRect& r) {
        Call c = Base(op);
        c.rect = r;
        calls.push_back(std::move(c));
    }

    Colour pen_ = COLOUR_BLACK;
    int32_t penWidth_ = 0;
    Brush brush_ = Brush::Solid;
    Colour brushColour_ = COLOUR_WHITE;
    double font_ = 0;
    TextAnchor anchor_ = TextAnchor::LeftBottom;
    bool transparent_ = false;
};

}  // namespace aq
