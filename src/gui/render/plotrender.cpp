// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plotrender.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QBuffer>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "model/safefile.h"
#include "render/qtcanvas.h"

namespace aq::gui {

namespace {

CRect ToCRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return Lower(path.substr(dot + 1));
}

// "plot.png" page 2 -> "plot-2.png".
std::string PageFile(const std::string& path, int32_t page) {
    const size_t dot = path.find_last_of('.');
    return path.substr(0, dot) + "-" + std::to_string(page) + path.substr(dot);
}

constexpr QSize kDefaultImage{1600, 1000};

// The plot's format: the one asked for, else the file's extension ("-" is a PNG).
std::string PlotFormat(const PlotRequest& r) {
    if (!r.format.empty()) return Lower(r.format);
    return r.path == "-" ? std::string("png") : Extension(r.path);
}

}  // namespace

// Puts the finished bytes in place through the same safe writer as every other file:
// replaced whole or not at all, a FIFO or device written directly, "-" standard output.
std::string WriteBytes(const std::string& path, const QByteArray& bytes) {
    AtomicFile::Options options;
    options.dashIsStandardOutput = true;
    AtomicFile file(path, options);
    if (file.Write(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())) &&
        file.Commit())
        return {};
    return "could not write \"" + path + "\": " + ErrorReason(file.Error());
}

namespace {
QtMessageHandler g_previousHandler = nullptr;

// A command-line run has no session: Qt's note about the missing runtime folder is noise.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths:"))) return;
    if (g_previousHandler) g_previousHandler(type, context, message);
}
}  // namespace

void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    g_previousHandler = qInstallMessageHandler(QuietHandler);
    static int argc = 1;
    static char name[] = "aquenta";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives until the process ends: tearing Qt down in static destruction is not safe.
    new QGuiApplication(argc, argv);
}

double DeviceRatio(const QPaintDevice* device) {
    if (!device) return 1;
    const int type = device->devType();
    if (type == QInternal::Image || type == QInternal::Pixmap || type == QInternal::Widget) return 1;
    // A printer or PDF page: its dots over a screen's 96 to the inch.
    return std::max(0.25, device->logicalDpiY() / 96.0);
}

void PaintPlanPage(QPainter& painter, CVKPView& view, const CVKDoc& doc, const QRect& page,
                   const std::string& documentTitle, double ratio) {
    QtCanvas canvas(painter, ratio > 0 ? ratio : DeviceRatio(painter.device()));
    view.PreparePage(ToCRect(page));
    DrawOptions options;
    options.printing = true;
    options.documentTitle = documentTitle;
    view.Draw(canvas, doc, options);
}

void PaintSectionPage(QPainter& painter, CVKView& view, const CVKDoc& doc, const QRect& page, int32_t p, int32_t n,
                      double ratio) {
    QtCanvas canvas(painter, ratio > 0 ? ratio : DeviceRatio(painter.device()));
    view.PreparePage(ToCRect(page), p, n);
    view.Draw(canvas, doc, PrintingOptions());
}

namespace {

// A page's canvas that paints the markers of a view into a picture and the rest as
// vectors. The views draw their markers in one go (DrawMarkers), in device pixels, after
// the grid and its labels and before the key, north arrow and scale bar: the first marker
// shape, or the first ask for the surface to paint them on, starts the picture, and the
// mapping's return from device pixels to the view's ends it. The picture then goes onto
// the page, clear where no marker is, and what follows is drawn over it.
class PaperCanvas final : public Canvas {
public:
    PaperCanvas(QPainter& page, const QRect& area, double ratio)
        : page_(page),
          vector_(page, ratio),
          image_(area.right() + 1, area.bottom() + 1, QImage::Format_ARGB32_Premultiplied) {
        SetPixelRatio(ratio);
        image_.fill(Qt::transparent);
        imagePainter_.begin(&image_);
        raster_.emplace(imagePainter_, ratio);
    }
    ~PaperCanvas() override { Finish(); }
    PaperCanvas(const PaperCanvas&) = delete;
    PaperCanvas& operator=(const PaperCanvas&) = delete;

    // Puts the picture on the page if it has not gone there yet.
    void Finish() {
        if (state_ != State::Markers) return;
        state_ = State::Over;
        raster_.reset();
        imagePainter_.end();
        // Only the part the markers cover: the rest is clear.
        int top = image_.height(), bottom = -1, left = image_.width(), right = -1;
        for (int y = 0; y < image_.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
            int first = -1, last = -1;
            for (int x = 0; x < image_.width(); ++x)
                if (row[x] != 0) {
                    if (first < 0) first = x;
                    last = x;
                }
            if (first < 0) continue;
            top = std::min(top, y);
            bottom = y;
            left = std::min(left, first);
            right = std::max(right, last);
        }
        if (bottom < 0) return;
        const QRect used(QPoint(left, top), QPoint(right, bottom));
        page_.save();
        // Flate, not JPEG: markers are a few pixels of flat colour that JPEG would smear.
        page_.setRenderHint(QPainter::LosslessImageRendering, true);
        page_.setRenderHint(QPainter::SmoothPixmapTransform, false);
        page_.drawImage(used.topLeft(), image_.copy(used));
        page_.restore();
        image_ = QImage();
    }

    void SelectPen(Colour colour, int32_t width) override {
        vector_.SelectPen(colour, width);
        if (raster_) raster_->SelectPen(colour, width);
    }
    void SelectBlackPen() override { SelectPen(COLOUR_BLACK, 0); }
    void SelectSolidBrush(Colour colour) override {
        vector_.SelectSolidBrush(colour);
        if (raster_) raster_->SelectSolidBrush(colour);
    }
    void SelectLightGreyBrush() override {
        vector_.SelectLightGreyBrush();
        if (raster_) raster_->SelectLightGreyBrush();
    }
    void SelectHollowBrush() override {
        vector_.SelectHollowBrush();
        if (raster_) raster_->SelectHollowBrush();
    }
    void SelectFont(double points) override {
        vector_.SelectFont(points);
        if (raster_) raster_->SelectFont(points);
    }
    void SetTextTransparent(bool transparent) override {
        vector_.SetTextTransparent(transparent);
        if (raster_) raster_->SetTextTransparent(transparent);
    }
    void SetTextAnchor(TextAnchor anchor) override {
        vector_.SetTextAnchor(anchor);
        if (raster_) raster_->SetTextAnchor(anchor);
    }

    void Line(CPoint from, CPoint to) override { Target().Line(from, to); }
    void Ellipse(const CRect& r) override { Marking().Ellipse(r); }
    void Rectangle(const CRect& r) override { Marking().Rectangle(r); }
    void RoundRect(const CRect& r, int32_t w, int32_t h) override { Marking().RoundRect(r, w, h); }
    void FillRect(const CRect& r, Colour colour) override { Target().FillRect(r, colour); }
    void Picture(const CRect& r, const uint32_t* pixels, int32_t width, int32_t height) override {
        Target().Picture(r, pixels, width, height);
    }
    void Text(CPoint at, const std::string& text) override { Target().Text(at, text); }
    CRect TextBox(CPoint at, const std::string& text) const override { return vector_.TextBox(at, text); }
    CRect VisibleArea() const override { return raster_ ? raster_->VisibleArea() : CRect{}; }
    bool Surface(PixelSurface& surface) override {
        if (state_ == State::Over) return false;
        return Marking().Surface(surface);
    }
    uint32_t SurfaceWord(Colour colour) const override { return QtCanvas::ToRgb(colour); }
    bool ShapeMask(Shape shape, const CRect& r, int32_t cw, int32_t ch, std::vector<uint8_t>& mask) override {
        if (state_ == State::Over) return false;
        return Marking().ShapeMask(shape, r, cw, ch, mask);
    }
    bool ShapePixels(Shape shape, const CRect& r, int32_t cw, int32_t ch, std::vector<uint64_t>& rows) override {
        if (state_ == State::Over) return false;
        return Marking().ShapePixels(shape, r, cw, ch, rows);
    }

protected:
    void MappingChanged() override {
        const Mapping& m = Map();
        vector_.SetMapping(m.Window(), m.Screen());
        if (raster_) raster_->SetMapping(m.Window(), m.Screen());
        // The markers are drawn in device pixels; back to the view's mapping, they are done.
        const bool device = m.Window() == CRect{0, 0, 1, 1} && m.Screen() == CRect{0, 0, 1, 1};
        if (state_ == State::Markers && !device) Finish();
    }

private:
    enum class State { Under, Markers, Over };
    Canvas& Target() { return state_ == State::Markers ? static_cast<Canvas&>(*raster_) : vector_; }
    // The canvas a marker goes to: the picture, from the first marker on until it is done.
    Canvas& Marking() {
        if (state_ == State::Under) state_ = State::Markers;
        return Target();
    }

    QPainter& page_;
    QtCanvas vector_;
    QImage image_;
    QPainter imagePainter_;
    std::optional<QtCanvas> raster_;
    State state_ = State::Under;
};

}  // namespace

void PaintPlanOnPaper(QPainter& painter, const CVKDoc& doc, const QRect& page, const std::string& documentTitle,
                      size_t vectorRecords) {
    CVKPView view;
    if (doc.Records.size() <= vectorRecords) return PaintPlanPage(painter, view, doc, page, documentTitle);
    PaperCanvas canvas(painter, page, DeviceRatio(painter.device()));
    view.PreparePage(ToCRect(page));
    DrawOptions options;
    options.printing = true;
    options.documentTitle = documentTitle;
    view.Draw(canvas, doc, options);
    canvas.Finish();
}

void PaintSectionOnPaper(QPainter& painter, const CVKDoc& doc, const QRect& page, size_t vectorRecords) {
    CVKView view;
    const int32_t n = view.BeginPrinting(ToCRect(page), SectionPrintSettings{});
    if (doc.Records.size() <= vectorRecords) {
        PaintSectionPage(painter, view, doc, page, 1, n);
    } else {
        PaperCanvas canvas(painter, page, DeviceRatio(painter.device()));
        view.PreparePage(ToCRect(page), 1, n);
        view.Draw(canvas, doc, PrintingOptions());
        canvas.Finish();
    }
    view.EndPrinting();
}

namespace {
QSize Scaled(QSize size, double ratio) {
    return QSize(std::max(1, static_cast<int>(std::lround(size.width() * ratio))),
                 std::max(1, static_cast<int>(std::lround(size.height() * ratio))));
}
}  // namespace

QImage RenderPlan(CVKPView& view, const CVKDoc& doc, QSize size, const DrawOptions& options, double ratio) {
    size = Scaled(size, ratio);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(painter, ratio);
    view.ScreenArea = {0, 0, size.width(), size.height()};
    view.Draw(canvas, doc, options);
    return image;
}

QImage RenderSection(CVKView& view, const CVKDoc& doc, QSize size, const DrawOptions& options, double ratio) {
    size = Scaled(size, ratio);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas canvas(painter, ratio);
    view.ScreenArea = {0, 0, size.width(), size.height()};
    view.Draw(canvas, doc, options);
    return image;
}

std::vector<std::string> PlotFiles(const PlotRequest& r) {
    const int32_t pages = r.kind == PlotKind::Section ? std::clamp(r.pages, 1, 100) : 1;
    if (pages == 1 || PlotFormat(r) == "pdf" || r.path == "-") return {r.path};
    std::vector<std::string> files;
    for (int32_t p = 1; p <= pages; ++p) files.push_back(PageFile(r.path, p));
    return files;
}

std::string WritePlot(const CVKDoc& doc, const PlotRequest& r) {
    EnsureGuiApplication();
    const std::string ext = PlotFormat(r);
    if (ext != "png" && ext != "svg" && ext != "pdf") {
        if (!r.format.empty()) return "the plot format must be png, svg or pdf, not \"" + r.format + "\"";
        return "the plot file must end in .png, .svg or .pdf: \"" + r.path + "\"";
    }
    if (r.path == "-" && ext != "pdf" && r.kind == PlotKind::Section && r.pages > 1)
        return "several image pages cannot go to standard output; write a PDF or name a file";

    CVKPView plan;
    CVKView section;
    int32_t pages = 1;
    const auto begin = [&](const QRect& page) {
        if (r.kind != PlotKind::Section) return;
        SectionPrintSettings settings;
        if (!r.title.empty()) settings.title = r.title;
        settings.pages = r.pages;
        pages = section.BeginPrinting(ToCRect(page), settings);
    };
    // Images and SVG at the scale asked for; a PDF at its resolution.
    double ratio = 0;
    const auto paint = [&](QPainter& painter, const QRect& page, int32_t p) {
        if (r.kind == PlotKind::Plan)
            PaintPlanPage(painter, plan, doc, page, r.title, ratio);
        else
            PaintSectionPage(painter, section, doc, page, p, pages, ratio);
    };
    const auto failed = [](const std::string& path) { return "could not write \"" + path + "\""; };

    if (ext == "pdf") {
        ratio = 0;  // the page's own
        QByteArray bytes;
        QBuffer file(&bytes);
        if (!file.open(QIODevice::WriteOnly)) return failed(r.path);
        {
            QPdfWriter pdf(&file);
            pdf.setCreator(QStringLiteral("Aquenta"));
            pdf.setTitle(QString::fromStdString(r.title));
            pdf.setResolution(300);
            if (r.size.isEmpty()) {
                pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                              QPageLayout::Millimeter));
            } else {
                // Pixels at 96 to the inch.
                pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(r.size.width() * 72.0 / 96, r.size.height() * 72.0 / 96),
                                                        QPageSize::Point, QString(), QPageSize::ExactMatch),
                                              QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            }
            QPainter painter;
            if (!painter.begin(&pdf)) return failed(r.path);
            const QRect area(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
            begin(area);
            for (int32_t p = 1; p <= pages; ++p) {
                if (p > 1) pdf.newPage();
                paint(painter, area, p);
            }
            painter.end();
        }
        file.close();
        return WriteBytes(r.path, bytes);
    }

    ratio = r.scale > 0 ? r.scale : 1;
    const QSize size = Scaled(r.size.isEmpty() ? kDefaultImage : r.size, ratio);
    const QRect area(QPoint(0, 0), size);
    begin(area);
    const std::vector<std::string> files = PlotFiles(r);
    for (int32_t p = 1; p <= pages; ++p) {
        const std::string& path = files[static_cast<size_t>(std::min<int32_t>(p, static_cast<int32_t>(files.size())) - 1)];
        QByteArray bytes;
        QBuffer file(&bytes);
        if (!file.open(QIODevice::WriteOnly)) return failed(path);
        if (ext == "png") {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                paint(painter, area, p);
            }
            if (!image.save(&file, "PNG")) return failed(path);
        } else {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(area);
            svg.setTitle(QString::fromStdString(r.kind == PlotKind::Plan ? "Position plot" : section.PrintTitle));
            svg.setDescription(QStringLiteral("Aquenta survey plot"));
            QPainter painter;
            if (!painter.begin(&svg)) return failed(path);
            painter.fillRect(area, Qt::white);
            paint(painter, area, p);
            painter.end();
        }
        file.close();
        if (std::string error = WriteBytes(path, bytes); !error.empty()) return error;
    }
    if (r.kind == PlotKind::Section) section.EndPrinting();
    return {};
}

}  // namespace aq::gui
