// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/volumereport.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cctype>

#include "render/plotrender.h"
#include "render/qtcanvas.h"
#include "views/volumedraw.h"

namespace aq::gui {

namespace {

constexpr QSize kSheetImage{1600, 1130};  // about A4 landscape

CRect ToCRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.'), slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string e = path.substr(dot + 1);
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

std::string Failed(const std::string& path) { return "could not write \"" + path + "\""; }

void SetA4(QPdfWriter& pdf, QPageLayout::Orientation orientation) {
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
}

QRect PageArea(const QPdfWriter& pdf) {
    return QRect(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
}

}  // namespace

std::vector<std::string> SectionSheetFiles(size_t sections, const std::string& path) {
    const int sheets = std::max(1, SectionSheets(sections, kSectionsPerSheet));
    if (Extension(path) == "pdf" || sheets == 1 || path == "-") return {path};
    std::vector<std::string> files;
    const size_t dot = path.find_last_of('.');
    for (int s = 1; s <= sheets; ++s)
        files.push_back(s == 1 ? path : path.substr(0, dot) + "-" + std::to_string(s) + path.substr(dot));
    return files;
}

QImage RenderDifferencePlan(const DifferencePicture& picture, QSize size) {
    EnsureGuiApplication();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(painter);
    DrawDifferencePlan(canvas, picture, {0, 0, size.width(), size.height()});
    return image;
}

QImage RenderSectionSheet(const std::vector<SectionProfile>& sections, int sheet, QSize size, const std::string& title,
                          const std::string& reference) {
    EnsureGuiApplication();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(painter);
    DrawSectionSheet(canvas, sections, sheet, kSectionsPerSheet, {0, 0, size.width(), size.height()}, title, reference);
    return image;
}

std::string WriteSectionSheets(const std::vector<SectionProfile>& sections, const std::string& path,
                               const std::string& title, const std::string& reference) {
    EnsureGuiApplication();
    const std::string ext = Extension(path);
    if (ext != "png" && ext != "svg" && ext != "pdf")
        return "the sheets' file must end in .png, .svg or .pdf: \"" + path + "\"";
    const int sheets = std::max(1, SectionSheets(sections.size(), kSectionsPerSheet));
    if (ext == "pdf") {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) return Failed(path);
        {
            QPdfWriter pdf(&buffer);
            pdf.setCreator(QStringLiteral("Aquenta"));
            pdf.setTitle(QString::fromStdString(title));
            pdf.setResolution(200);
            SetA4(pdf, QPageLayout::Landscape);
            QPainter painter;
            if (!painter.begin(&pdf)) return Failed(path);
            for (int s = 0; s < sheets; ++s) {
                if (s > 0) pdf.newPage();
                QtCanvas canvas(painter);
                DrawSectionSheet(canvas, sections, s, kSectionsPerSheet, ToCRect(PageArea(pdf)), title, reference);
            }
            painter.end();
        }
        buffer.close();
        return WriteBytes(path, bytes);
    }
    const std::vector<std::string> files = SectionSheetFiles(sections.size(), path);
    for (int s = 0; s < sheets; ++s) {
        const std::string& file = files[static_cast<size_t>(std::min<int>(s, static_cast<int>(files.size()) - 1))];
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) return Failed(file);
        if (ext == "png") {
            if (!RenderSectionSheet(sections, s, kSheetImage, title, reference).save(&buffer, "PNG")) return Failed(file);
        } else {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(kSheetImage);
            svg.setViewBox(QRect(QPoint(0, 0), kSheetImage));
            svg.setTitle(QString::fromStdString(title));
            QPainter painter;
            if (!painter.begin(&svg)) return Failed(file);
            QtCanvas canvas(painter);
            DrawSectionSheet(canvas, sections, s, kSectionsPerSheet, {0, 0, kSheetImage.width(), kSheetImage.height()},
                             title, reference);
            painter.end();
        }
        buffer.close();
        if (std::string error = WriteBytes(file, bytes); !error.empty()) return error;
    }
    return {};
}

std::string WriteVolumeReport(const VolumeReport& report, const std::string& path) {
    EnsureGuiApplication();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return Failed(path);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Aquenta"));
        pdf.setTitle(QString::fromStdString(report.title));
        pdf.setResolution(200);
        SetA4(pdf, QPageLayout::Portrait);
        QPainter painter;
        if (!painter.begin(&pdf)) return Failed(path);
        {
            QtCanvas canvas(painter);
            DrawVolumeSummary(canvas, report, ToCRect(PageArea(pdf)));
        }
        const int sheets = SectionSheets(report.sections.size(), kSectionsPerSheet);
        for (int s = 0; s < sheets; ++s) {
            SetA4(pdf, QPageLayout::Landscape);
            pdf.newPage();
            QtCanvas canvas(painter);
            DrawSectionSheet(canvas, report.sections, s, kSectionsPerSheet, ToCRect(PageArea(pdf)),
                             report.title + ": cross sections", report.reference);
        }
        painter.end();
    }
    buffer.close();
    return WriteBytes(path, bytes);
}

}  // namespace aq::gui
