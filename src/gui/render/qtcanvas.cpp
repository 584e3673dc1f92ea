// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/qtcanvas.h"

#include <QImage>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPen>
#include <cmath>

namespace aq::gui {

QFont ViewFont(int pixelSize) {
    // The application's font where there is one (the desktop's choice), else a sans-serif.
    QFont f = QGuiApplication::instance() ? QGuiApplication::font() : QFont();
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, pixelSize));
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

QtCanvas::QtCanvas(QPainter& painter, double ratio) : p_(painter) {
    SetPixelRatio(ratio);
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setBackgroundMode(Qt::TransparentMode);
    QPaintDevice* device = p_.device();
    if (device && device->devType() == QInternal::Image && p_.transform().isIdentity() && !p_.hasClipping()) {
        auto* image = static_cast<QImage*>(device);
        const QImage::Format f = image->format();
        if ((f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied) && image->depth() == 32 &&
            image->devicePixelRatio() == 1.0) {
            // The painter has made the image its own already: no copy happens here.
            bits_ = reinterpret_cast<QRgb*>(image->bits());
            stride_ = image->bytesPerLine() / 4;
            width_ = image->width();
            height_ = image->height();
        }
    }
}

void QtCanvas::DirectFill(QRect r, QRgb colour) {
    r = r.intersected(QRect(0, 0, width_, height_));
    if (r.isEmpty()) return;
    for (int y = r.top(); y <= r.bottom(); ++y) std::fill_n(bits_ + y * stride_ + r.left(), r.width(), colour);
}

const std::vector<uint8_t>& QtCanvas::Mask(int shape, int w, int h, double rx, double ry) {
    const MaskKey key{shape, w, h, rx, ry};
    if (lastMask_ && key == lastKey_) return *lastMask_;
    auto [it, made] = masks_.try_emplace(key);
    lastKey_ = key;
    lastMask_ = &it->second;
    if (!made) return it->second;
    QImage m(w, h, QImage::Format_ARGB32_Premultiplied);
    m.fill(Qt::transparent);
    {
        QPainter p(&m);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(QColor(255, 0, 0));
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(QColor(0, 255, 0));
        if (shape == 0)
            p.drawEllipse(QRect(0, 0, w - 1, h - 1));
        else
            p.drawRoundedRect(QRect(0, 0, w - 1, h - 1), rx, ry, Qt::AbsoluteSize);
    }
    std::vector<uint8_t>& mask = it->second;
    mask.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = m.pixel(x, y);
            mask[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                qAlpha(c) == 0 ? 0 : (qRed(c) > qGreen(c) ? 1 : 2);
        }
    return mask;
}

void QtCanvas::Stamp(const QRect& r, const std::vector<uint8_t>& mask) {
    const QRgb pen = penRgb_;
    const QRgb brush = brushRgb_;
    const QRect clip = r.intersected(QRect(0, 0, width_, height_));
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const uint8_t* row = mask.data() + static_cast<size_t>(y - r.top()) * static_cast<size_t>(r.width());
        QRgb* out = bits_ + y * stride_;
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const uint8_t m = row[x - r.left()];
            if (m == 1 || (m == 2 && !hollow_)) out[x] = m == 1 ? pen : brush;
        }
    }
}

void QtCanvas::MappingChanged() {
    // Pixel sizes of pens and fonts follow the mapping.
    painterPenWidth_ = -1;
    painterFontPixels_ = -1;
    penPixels_ = DevicePenWidth();
}

void QtCanvas::SelectPen(Colour colour, int32_t width) {
    if (width == penWidth_ && colour == penColour_) return;
    pen_ = ToQColor(colour);
    penColour_ = colour;
    penRgb_ = pen_.rgb() | 0xFF000000u;
    penWidth_ = width;
    penPixels_ = DevicePenWidth();
}

void QtCanvas::SelectFont(double points) { fontPoints_ = points; }

int QtCanvas::DevicePenWidth() const {
    if (penWidth_ <= 0) return 1;
    return std::max(1, static_cast<int>(std::lround(penWidth_ * std::abs(Map().ScaleX()))));
}

void QtCanvas::ApplyPen() {
    const int w = DevicePenWidth();
    if (w == painterPenWidth_ && pen_ == painterPen_) return;
    QPen pen(pen_);
    pen.setWidth(w);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pen);
    painterPen_ = pen_;
    painterPenWidth_ = w;
}

void QtCanvas::ApplyBrush() {
    if (hollow_) {
        p_.setBrush(Qt::NoBrush);
        painterBrushSet_ = false;
        return;
    }
    if (painterBrushSet_ && brush_ == painterBrush_) return;
    p_.setBrush(brush_);
    painterBrush_ = brush_;
    painterBrushSet_ = true;
}

namespace {
// The device pixels a shape covers: left/top up to but excluding right/bottom.
QRect DevicePixels(const CRect& d) { return QRect(d.left, d.top, d.right - d.left, d.bottom - d.top); }
bool Empty(const CRect& d) { return d.right <= d.left || d.bottom <= d.top; }
}  // namespace

void QtCanvas::Solid(const QRect& r) {
    if (Direct()) return DirectFill(r, penRgb_);
    p_.fillRect(r, pen_);
}

void QtCanvas::Line(CPoint from, CPoint to) {
    const CPoint a = Map().ToDevice(from);
    const CPoint b = Map().ToDevice(to);
    if (a == b) return;
    // Into an image, pixel by pixel, as drawing that paints the image itself walks lines.
    if (Direct() && penPixels_ == 1) {
        QRgb* const bits = bits_;
        const qsizetype stride = stride_;
        const QRgb colour = penRgb_;
        return WalkLine(a, b, CRect{0, 0, width_, height_},
                        [=](int32_t x, int32_t y) { bits[y * stride + x] = colour; });
    }
    ApplyPen();
    p_.drawLine(QPoint(a.x, a.y), QPoint(b.x, b.y));
}

void QtCanvas::Rectangle(const CRect& r) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d)) return;
    const QRect px = DevicePixels(d);
    if (hollow_ && px.width() > 2 && px.height() > 2) {
        // The frame alone, side by side.
        Solid(QRect(px.left(), px.top(), px.width(), 1));
        Solid(QRect(px.left(), px.bottom(), px.width(), 1));
        Solid(QRect(px.left(), px.top() + 1, 1, px.height() - 2));
        Solid(QRect(px.right(), px.top() + 1, 1, px.height() - 2));
        return;
    }
    // Outline then inside, as two fills: exactly the pixels of a one-pixel frame.
    Solid(px);
    if (px.width() > 2 && px.height() > 2) {
        if (Direct())
            DirectFill(px.adjusted(1, 1, -1, -1), brushRgb_);
        else
            p_.fillRect(px.adjusted(1, 1, -1, -1), brush_);
    }
}

void QtCanvas::FillRect(const CRect& r, Colour colour) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d)) return;
    if (Direct()) return DirectFill(DevicePixels(d), ToRgb(colour));
    p_.fillRect(DevicePixels(d), ToQColor(colour));
}

void QtCanvas::Picture(const CRect& r, const uint32_t* pixels, int32_t width, int32_t height) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d) || !pixels || width <= 0 || height <= 0) return;
    // The pixels as they are, no copy: opaque or clear words are the same premultiplied.
    const QImage image(reinterpret_cast<const uchar*>(pixels), width, height, qsizetype{width} * 4,
                       QImage::Format_ARGB32_Premultiplied);
    QRectF target(d.left, d.top, double(d.right) - d.left, double(d.bottom) - d.top);
    QRectF source(0, 0, width, height);
    // Only the part that shows: a deep zoom would otherwise stretch the whole picture
    // over millions of pixels.
    QRectF shown = target;
    if (Direct())
        shown = target.intersected(QRectF(0, 0, width_, height_));
    else if (p_.hasClipping())
        shown = target.intersected(p_.clipBoundingRect());
    if (shown.isEmpty()) return;
    if (shown != target) {
        const double kx = width / target.width(), ky = height / target.height();
        source = QRectF((shown.left() - target.left()) * kx, (shown.top() - target.top()) * ky, shown.width() * kx,
                        shown.height() * ky);
        target = shown;
    }
    const bool smooth = p_.testRenderHint(QPainter::SmoothPixmapTransform);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p_.drawImage(target, image, source);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

namespace {
double CornerRadius(int32_t corner, double scale) { return std::abs(corner * scale) / 2; }
}  // namespace

const std::vector<uint8_t>* QtCanvas::MaskFor(Shape shape, const QRect& px, int32_t cornerWidth,
                                              int32_t cornerHeight) {
    if (!Direct() || px.width() > 256 || px.height() > 256) return nullptr;
    if (shape == Shape::Ellipse) return &Mask(0, px.width(), px.height(), 0, 0);
    return &Mask(1, px.width(), px.height(), CornerRadius(cornerWidth, Map().ScaleX()),
                 CornerRadius(cornerHeight, Map().ScaleY()));
}

void QtCanvas::Ellipse(const CRect& r) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d)) return;
    const QRect px = DevicePixels(d);
    if (px.width() <= 2 || px.height() <= 2) return Solid(px);
    if (const std::vector<uint8_t>* mask = MaskFor(Shape::Ellipse, px, 0, 0)) return Stamp(px, *mask);
    ApplyPen();
    ApplyBrush();
    p_.drawEllipse(px.adjusted(0, 0, -1, -1));
}

void QtCanvas::RoundRect(const CRect& r, int32_t cornerWidth, int32_t cornerHeight) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d)) return;
    const QRect px = DevicePixels(d);
    if (px.width() <= 2 || px.height() <= 2) return Solid(px);
    if (const std::vector<uint8_t>* mask = MaskFor(Shape::RoundRect, px, cornerWidth, cornerHeight))
        return Stamp(px, *mask);
    ApplyPen();
    ApplyBrush();
    p_.drawRoundedRect(px.adjusted(0, 0, -1, -1), CornerRadius(cornerWidth, Map().ScaleX()),
                       CornerRadius(cornerHeight, Map().ScaleY()), Qt::AbsoluteSize);
}

bool QtCanvas::ShapePixels(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                           std::vector<uint64_t>& rows) {
    // Exactly the pixels Ellipse and RoundRect paint.
    const CRect d = Map().ToDevice(r);
    if (!Direct() || Empty(d) || d.right - d.left > 64) return false;
    const QRect px = DevicePixels(d);
    rows.assign(static_cast<size_t>(px.height()), 0);
    const uint64_t full = px.width() == 64 ? ~uint64_t{0} : (uint64_t{1} << px.width()) - 1;
    if (px.width() <= 2 || px.height() <= 2) {
        std::fill(rows.begin(), rows.end(), full);
        return true;
    }
    const std::vector<uint8_t>* mask = MaskFor(shape, px, cornerWidth, cornerHeight);
    if (!mask) return false;
    for (int y = 0; y < px.height(); ++y)
        for (int x = 0; x < px.width(); ++x)
            if ((*mask)[static_cast<size_t>(y) * static_cast<size_t>(px.width()) + static_cast<size_t>(x)])
                rows[static_cast<size_t>(y)] |= uint64_t{1} << x;
    return true;
}

QFont QtCanvas::FontFor(int pixels) const { return ViewFont(pixels); }

bool QtCanvas::ApplyFont() {
    // Points through the pixel ratio, never through the mapping: a zoom box leaves labels
    // their size.
    const int px = static_cast<int>(std::lround(PointPixels(fontPoints_)));
    if (px < 2) return false;  // nothing legible
    if (px != painterFontPixels_) {
        p_.setFont(FontFor(px));
        painterFontPixels_ = px;
    }
    return true;
}

void QtCanvas::Place(CPoint at, const QString& s, const QFontMetrics& fm, int& x, int& baseline, int& width) const {
    const CPoint d = Map().ToDevice(at);
    width = fm.horizontalAdvance(s);
    x = d.x;
    baseline = d.y - fm.descent();
    switch (anchor_) {
        case TextAnchor::LeftBottom: break;
        case TextAnchor::CentreBottom: x -= width / 2; break;
        case TextAnchor::CentreTop:
            x -= width / 2;
            baseline = d.y + fm.ascent();
            break;
        case TextAnchor::LeftTop: baseline = d.y + fm.ascent(); break;
    }
}

CRect QtCanvas::TextBox(CPoint at, const std::string& text) const {
    const int px = static_cast<int>(std::lround(PointPixels(fontPoints_)));
    if (text.empty() || px < 2) return {};
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm(FontFor(px));
    int x = 0, baseline = 0, width = 0;
    Place(at, s, fm, x, baseline, width);
    return {x, baseline - fm.ascent(), x + width, baseline + fm.descent()};
}

void QtCanvas::Text(CPoint at, const std::string& text) {
    if (text.empty() || !ApplyFont()) return;
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm = p_.fontMetrics();
    int x = 0, baseline = 0, width = 0;
    Place(at, s, fm, x, baseline, width);
    if (!transparent_) p_.fillRect(QRect(x, baseline - fm.ascent(), width, fm.ascent() + fm.descent()), Qt::white);
    const QPen keep = p_.pen();
    p_.setPen(Qt::black);
    p_.drawText(QPoint(x, baseline), s);
    p_.setPen(keep);
}

bool QtCanvas::Surface(PixelSurface& surface) {
    if (!Direct()) return false;
    surface.bits = bits_;
    surface.stride = stride_;
    surface.width = width_;
    surface.height = height_;
    return true;
}

bool QtCanvas::ShapeMask(Shape shape, const CRect& r, int32_t cornerWidth, int32_t cornerHeight,
                         std::vector<uint8_t>& mask) {
    const CRect d = Map().ToDevice(r);
    if (Empty(d) || d.right - d.left <= 2 || d.bottom - d.top <= 2) return false;
    const std::vector<uint8_t>* m = MaskFor(shape, DevicePixels(d), cornerWidth, cornerHeight);
    if (!m) return false;
    mask = *m;
    return true;
}

}  // namespace aq::gui
