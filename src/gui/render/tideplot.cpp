// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/tideplot.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cctype>

#include "render/plotrender.h"
#include "render/qtcanvas.h"
#include "views/tidecurves.h"

namespace aq::gui {

namespace {

constexpr QSize kDefaultSize{1600, 900};

CRect ToCRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

std::string FormatOf(const std::string& path, const std::string& format) {
    std::string f = format;
    if (f.empty()) {
        const size_t dot = path.find_last_of('.'), slash = path.find_last_of("/\\");
        if (path == "-") f = "png";
        else if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) f = path.substr(dot + 1);
    }
    for (char& ch : f) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return f;
}

void Paint(QPainter& painter, const TideComparison& c, const QRect& area, double maxGap) {
    QtCanvas canvas(painter);
    DrawTideComparison(canvas, c, ToCRect(area), maxGap);
}

}  // namespace

QImage RenderTideComparison(const TideComparison& c, QSize size, double maxGap) {
    EnsureGuiApplication();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(painter, c, QRect(QPoint(0, 0), size), maxGap);
    return image;
}

std::string WriteTideComparison(const TideComparison& c, const std::string& path, const std::string& format,
                                QSize size, double maxGap) {
    EnsureGuiApplication();
    const std::string f = FormatOf(path, format);
    if (f != "png" && f != "svg" && f != "pdf")
        return "the plot file must end in .png, .svg or .pdf: \"" + path + "\"";
    if (size.isEmpty()) size = kDefaultSize;
    const QRect area(QPoint(0, 0), size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return "could not write \"" + path + "\"";
    if (f == "png") {
        if (!RenderTideComparison(c, size, maxGap).save(&buffer, "PNG")) return "could not write \"" + path + "\"";
    } else if (f == "svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(QStringLiteral("Water level from GNSS heights"));
        QPainter painter;
        if (!painter.begin(&svg)) return "could not write \"" + path + "\"";
        Paint(painter, c, area, maxGap);
        painter.end();
    } else {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Aquenta"));
        pdf.setTitle(QStringLiteral("Water level from GNSS heights"));
        pdf.setResolution(150);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&pdf)) return "could not write \"" + path + "\"";
        Paint(painter, c, QRect(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size()), maxGap);
        painter.end();
    }
    buffer.close();
    return WriteBytes(path, bytes);
}

}  // namespace aq::gui
