// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/surveyreport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "export/crossingscsv.h"
#include "export/textbuf.h"
#include "model/safefile.h"
#include "render/plotrender.h"
#include "views/planview.h"
#include "views/sectionview.h"

namespace aq::gui {

std::string ReportCsvPath(const std::string& pdf) {
    const size_t slash = pdf.find_last_of("/\\");
    const size_t dot = pdf.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string ext = pdf.substr(dot);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".pdf") return pdf.substr(0, dot) + ".csv";
    }
    return pdf + ".csv";
}

int AchievedOrder(const CrossingStatistics& stats) {
    if (stats.Count == 0) return -1;
    for (size_t o = 0; o < kS44Orders.size(); ++o)
        if (stats.Pass[o]) return static_cast<int>(o);
    return -1;
}

namespace {

QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

std::string WriteWhole(const std::string& path, const char* data, size_t size) {
    AtomicFile file(path);
    if (file.Write(reinterpret_cast<const uint8_t*>(data), size) && file.Commit()) return {};
    return "could not write \"" + path + "\": " + ErrorReason(file.Error());
}

// The pages as they are laid out: a cursor down the printable area that starts a new
// page when the next piece does not fit.
class Pages {
public:
    Pages(QPdfWriter& pdf, QPainter& painter, const QRect& area) : pdf_(pdf), p_(painter), area_(area), y_(area.top()) {
        body_ = QFont(QStringLiteral("DejaVu Sans"));
        body_.setPointSizeF(9.5);
        bold_ = body_;
        bold_.setBold(true);
        bold_.setPointSizeF(11.5);
        title_ = bold_;
        title_.setPointSizeF(18);
        small_ = body_;
        small_.setPointSizeF(8);
    }

    int Count() const { return pages_; }
    const QRect& Area() const { return area_; }
    int Y() const { return y_; }
    int Left() const { return area_.left(); }
    int Width() const { return area_.width(); }
    const QFont& Body() const { return body_; }
    const QFont& Small() const { return small_; }
    QPainter& Painter() { return p_; }

    int Height(const QFont& f) const { return QFontMetrics(f, &pdf_).lineSpacing(); }
    void NewPage() {
        pdf_.newPage();
        ++pages_;
        y_ = area_.top();
    }
    // Room for h more pixels on this page, else a new page.
    void Need(int h) {
        if (y_ + h > area_.bottom() && y_ > area_.top()) NewPage();
    }
    void Skip(int h) { y_ += h; }
    void Title(const QString& s) { Line(s, title_); Skip(Height(body_) / 2); }
    void Heading(const QString& s) {
        Need(3 * Height(body_));
        Skip(Height(body_) / 2);
        Line(s, bold_);
    }
    void Line(const QString& s, const QFont& f, int indent = 0) {
        const int h = Height(f);
        Need(h);
        p_.setFont(f);
        p_.setPen(Qt::black);
        p_.drawText(QRect(area_.left() + indent, y_, area_.width() - indent, h), Qt::AlignLeft | Qt::AlignVCenter, s);
        y_ += h;
    }
    void Text(const QString& s) { Line(s, body_); }
    // Cells at the given starts (fractions of the width); numbers right-aligned to the
    // next start when `right` says so.
    void Row(const QStringList& cells, const std::vector<double>& starts, const std::vector<bool>& right, bool header) {
        QFont f = header ? body_ : body_;
        f.setBold(header);
        const int h = Height(f);
        Need(h);
        p_.setFont(f);
        p_.setPen(Qt::black);
        for (int i = 0; i < cells.size(); ++i) {
            const size_t k = static_cast<size_t>(i);
            const int x0 = area_.left() + static_cast<int>(starts[k] * area_.width());
            const int x1 = area_.left() + static_cast<int>((k + 1 < starts.size() ? starts[k + 1] : 1.0) * area_.width());
            const int pad = h / 3;
            const QRect cell(x0, y_, x1 - x0 - pad, h);
            p_.drawText(cell, (right[k] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, cells[i]);
        }
        y_ += h;
        if (header) {
            p_.setPen(QPen(Qt::black, 2));
            p_.drawLine(area_.left(), y_, area_.right(), y_);
            y_ += h / 4;
        }
    }

private:
    QPdfWriter& pdf_;
    QPainter& p_;
    QRect area_;
    int y_;
    int pages_ = 1;
    QFont body_, bold_, title_, small_;
};

struct KindCount {
    const char* name;
    uint16_t bit;
    size_t live = 0, deleted = 0;
};

void Summary(Pages& pg, const CVKDoc& doc, const ReportRequest& r) {
    pg.Title(QStringLiteral("Survey Report"));
    pg.Text(QStringLiteral("Survey: ") +
            (doc.PathName.empty() ? QStringLiteral("untitled") : QString::fromStdString(doc.PathName)));
    if (!doc.ImportedFiles.empty()) {
        QString files = QString::fromStdString(doc.ImportedFiles).simplified();
        if (files.size() > 300) files = files.left(300) + QStringLiteral("...");
        pg.Text(QStringLiteral("Imported from: ") + files);
    }
    int64_t first = std::numeric_limits<int64_t>::max(), last = std::numeric_limits<int64_t>::min();
    KindCount kinds[] = {{"Positions", REC_POSITION}, {"Depths", REC_DEPTH}, {"Tides", REC_TIDE}, {"Events", REC_EVENT}};
    size_t deleted = 0;
    for (const CVKData& rec : doc.Records) {
        first = std::min(first, rec.TimeHundredths());
        last = std::max(last, rec.TimeHundredths());
        deleted += rec.IsDeleted();
        for (KindCount& k : kinds)
            if (rec.Has(k.bit)) ++(rec.IsDeleted() ? k.deleted : k.live);
    }
    if (doc.Records.empty())
        pg.Text(QStringLiteral("The survey holds no records."));
    else
        pg.Text(QStringLiteral("Time span: %1 to %2 (%3 records)")
                    .arg(QString::fromStdString(MomentText(first)), QString::fromStdString(MomentText(last)))
                    .arg(doc.Records.size()));

    pg.Heading(QStringLiteral("Records"));
    const std::vector<double> cols = {0.0, 0.25, 0.4, 0.55, 0.7};
    const std::vector<bool> right = {false, true, true, true};
    pg.Row({QStringLiteral("Kind"), QStringLiteral("Records"), QStringLiteral("Live"), QStringLiteral("Deleted")}, cols,
           right, true);
    for (const KindCount& k : kinds)
        pg.Row({QString::fromLatin1(k.name), QString::number(k.live + k.deleted), QString::number(k.live),
                QString::number(k.deleted)},
               cols, right, false);
    pg.Skip(pg.Height(pg.Body()) / 2);
    pg.Text(QStringLiteral("%1 records are marked deleted. A record keeps the mark, not its cause;").arg(deleted));
    if (r.steps.empty()) {
        pg.Text(QStringLiteral("this session has no edits in its history to tell it."));
    } else {
        pg.Text(QStringLiteral("the edits of this session, oldest first:"));
        if (r.droppedSteps > 0)
            pg.Line(QStringLiteral("(%1 earlier steps were given up to keep the history within its memory)")
                        .arg(r.droppedSteps),
                    pg.Body(), pg.Width() / 30);
        for (size_t i = 0; i < r.steps.size(); ++i)
            pg.Line(QStringLiteral("%1. %2").arg(i + 1).arg(QString::fromStdString(r.steps[i])), pg.Body(),
                    pg.Width() / 30);
    }

    pg.Heading(QStringLiteral("Coordinate system"));
    pg.Text(r.crsName.empty() ? QStringLiteral("not known") : QString::fromStdString(r.crsName));

    pg.Heading(QStringLiteral("Offsets and sound velocity applied"));
    const QString plan = doc.IsGeographic() ? QStringLiteral(" (survey units x 100)") : QStringLiteral(" m");
    pg.Text(QStringLiteral("Position: time %1 s, easting %2%4, northing %3%4, elevation %5 m")
                .arg(doc.PosTimeOffset)
                .arg(Fixed(doc.EastOffset / 100.0, 2), Fixed(doc.NorthOffset / 100.0, 2), plan,
                     Fixed(doc.ElevOffset / 100.0, 2)));
    pg.Text(QStringLiteral("Depth: time %1 s, depth %2 m, sound velocity %3 m/s")
                .arg(doc.DepthTimeOffset)
                .arg(Fixed(doc.DepthOffset / 100.0, 2), Fixed(doc.SoundVelocity, 1)));
    pg.Text(QStringLiteral("Tide: time %1 s, tide %2 m").arg(doc.TideTimeOffset).arg(Fixed(doc.TideOffset / 100.0, 2)));
}

void Statistics(Pages& pg, const ReportOutcome& o) {
    pg.Heading(QStringLiteral("Crossings against IHO S-44"));
    pg.Text(QStringLiteral("%1 main lines, %2 crosslines, %3 other lines.")
                .arg(o.lines.Count(LineKind::Main))
                .arg(o.lines.Count(LineKind::Cross))
                .arg(o.lines.Count(LineKind::Other)));
    if (!o.hasCrossings) {
        pg.Text(QString::fromStdString(o.noCrossings));
        return;
    }
    const CrossingResult& c = o.crossings;
    const CrossingStatistics& s = c.Stats;
    pg.Text(QStringLiteral("Crossings: %1 found, %2 accepted, %3 rejected.")
                .arg(c.Crossings.size())
                .arg(s.Count)
                .arg(c.Rejected));
    if (s.Count == 0) {
        pg.Text(QStringLiteral("Every crossing was rejected: no statistics."));
        return;
    }
    pg.Text(QStringLiteral("Delta: the crossline's depth less the main line's, where they cross."));
    pg.Text(QStringLiteral("Bias (mean delta): %1 m").arg(Fixed(s.Mean, 3)));
    pg.Text(QStringLiteral("Standard deviation: %1 m").arg(Fixed(s.StdDev, 3)));
    pg.Text(QStringLiteral("RMS: %1 m").arg(Fixed(s.Rms, 3)));
    pg.Text(QStringLiteral("95th percentile of |delta|: %1 m").arg(Fixed(s.P95, 3)));
    for (size_t k = 0; k < kS44Orders.size(); ++k)
        pg.Text(QStringLiteral("S-44 %1: %2 % within TVU, %3")
                    .arg(QString::fromLatin1(S44Name(kS44Orders[k])), Fixed(s.PercentWithin[k], 1),
                         s.Pass[k] ? QStringLiteral("passes") : QStringLiteral("fails")));
    const int achieved = AchievedOrder(s);
    pg.Line(achieved < 0 ? QStringLiteral("Order achieved: none (fewer than 95 % within the allowance of order 2)")
                         : QStringLiteral("Order achieved: %1").arg(QString::fromLatin1(S44Name(kS44Orders[static_cast<size_t>(achieved)]))),
            QFont(pg.Body().family(), 11, QFont::Bold));
}

void LineTable(Pages& pg, const LineSet& lines) {
    pg.Heading(QStringLiteral("Survey lines"));
    if (lines.Lines.empty()) {
        pg.Text(QStringLiteral("No survey lines were found."));
        return;
    }
    const std::vector<double> cols = {0.0, 0.07, 0.15, 0.26, 0.38, 0.6, 0.82};
    const std::vector<bool> right = {true, false, true, true, false, false, true};
    const QStringList header = {QStringLiteral("Line"),  QStringLiteral("Kind"),  QStringLiteral("Heading"),
                                QStringLiteral("Length m"), QStringLiteral("Start"), QStringLiteral("End"),
                                QStringLiteral("Soundings")};
    pg.Row(header, cols, right, true);
    for (const SurveyLine& l : lines.Lines) {
        if (pg.Y() + pg.Height(pg.Body()) > pg.Area().bottom()) {
            pg.NewPage();
            pg.Row(header, cols, right, true);
        }
        pg.Row({QString::number(l.Number), QString::fromLatin1(LineKindName(l.Kind)), Fixed(l.Heading, 1),
                Fixed(l.Length, 1), QString::fromStdString(MomentText(l.Start)),
                QString::fromStdString(MomentText(l.End)), QString::number(l.SoundingCount())},
               cols, right, false);
    }
}

// The order the pictures judge the crossings by: the one achieved, else Order 2.
size_t JudgedOrder(const CrossingStatistics& s) {
    const int achieved = AchievedOrder(s);
    return achieved < 0 ? kS44Orders.size() - 1 : static_cast<size_t>(achieved);
}

const QColor kPass(0, 140, 60), kFail(210, 30, 30);

// The signed difference over the allowance of each accepted crossing, in bins of 0.1
// from -2 to 2 with the ones beyond in the end bins; the allowance at +-1.
void Histogram(Pages& pg, const CrossingResult& c, size_t order, const QRect& box) {
    QPainter& p = pg.Painter();
    constexpr int kBins = 40;
    std::array<int, kBins> bins{};
    for (const Crossing& k : c.Crossings) {
        if (k.Status != CrossingStatus::Accepted) continue;
        const double ratio = k.Delta / Tvu(kS44Orders[order], k.Depth);
        const int b = std::clamp(static_cast<int>(std::floor((ratio + 2.0) / 0.1)), 0, kBins - 1);
        ++bins[static_cast<size_t>(b)];
    }
    const int most = std::max(1, *std::max_element(bins.begin(), bins.end()));
    const int text = pg.Height(pg.Small());
    const QRect plot = box.adjusted(text * 4, text, -text, -2 * text);
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(plot);
    const double bw = plot.width() / static_cast<double>(kBins);
    for (int b = 0; b < kBins; ++b) {
        const int h = static_cast<int>(std::lround(plot.height() * bins[static_cast<size_t>(b)] / static_cast<double>(most)));
        if (h == 0) continue;
        const bool within = b >= 10 && b < 30;
        const QRectF bar(plot.left() + b * bw + 1, plot.bottom() - h, bw - 2, h);
        p.fillRect(bar, within ? kPass : kFail);
    }
    p.setFont(pg.Small());
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    for (const double at : {-1.0, 0.0, 1.0}) {
        const int x = plot.left() + static_cast<int>(std::lround((at + 2.0) / 4.0 * plot.width()));
        p.drawLine(x, plot.top(), x, plot.bottom());
    }
    p.setPen(Qt::black);
    for (const double at : {-2.0, -1.0, 0.0, 1.0, 2.0}) {
        const int x = plot.left() + static_cast<int>(std::lround((at + 2.0) / 4.0 * plot.width()));
        p.drawText(QRect(x - 3 * text, plot.bottom() + text / 4, 6 * text, text), Qt::AlignCenter,
                   at == 2.0 ? QStringLiteral(">2") : at == -2.0 ? QStringLiteral("<-2") : QString::number(at));
    }
    p.drawText(QRect(box.left(), plot.top(), text * 4 - text / 2, text), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(most));
    p.drawText(QRect(box.left(), plot.bottom() - text, text * 4 - text / 2, text), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0"));
    p.drawText(QRect(plot.left(), plot.bottom() + text, plot.width(), text), Qt::AlignCenter,
               QStringLiteral("difference / TVU (%1)").arg(QString::fromLatin1(S44Name(kS44Orders[order]))));
}

// The tracks of the lines (main dark, crosslines light) and each crossing as a dot,
// green within the allowance, red beyond it, a cross where it was rejected.
void CrossingPlan(Pages& pg, const LineSet& lines, const CrossingResult& c, size_t order, const QRect& box) {
    QPainter& p = pg.Painter();
    // The frame's metres from the document's units.
    const double x0 = lines.Frame.EastingOf(0), y0 = lines.Frame.NorthingOf(0);
    const double kx = 1.0 / (lines.Frame.EastingOf(1) - x0), ky = 1.0 / (lines.Frame.NorthingOf(1) - y0);
    double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin, ymin = xmin, ymax = -xmin;
    for (const SurveyLine& l : lines.Lines)
        for (uint32_t f = l.FixBegin; f < l.FixEnd; ++f) {
            const TrackFix& t = lines.Fixes[f];
            xmin = std::min(xmin, t.East), xmax = std::max(xmax, t.East);
            ymin = std::min(ymin, t.North), ymax = std::max(ymax, t.North);
        }
    if (!(xmax >= xmin)) return;
    const double span = std::max({xmax - xmin, ymax - ymin, 1.0});
    const double scale = std::min(box.width() / std::max(xmax - xmin, span / 100), box.height() / std::max(ymax - ymin, span / 100));
    const double cx = (xmin + xmax) / 2, cy = (ymin + ymax) / 2;
    const auto at = [&](double e, double n) {
        return QPointF(box.center().x() + (e - cx) * scale, box.center().y() - (n - cy) * scale);
    };
    p.save();
    p.setClipRect(box.adjusted(-20, -20, 20, 20));
    for (const SurveyLine& l : lines.Lines) {
        if (l.FixEnd <= l.FixBegin) continue;
        QPainterPath path;
        path.moveTo(at(lines.Fixes[l.FixBegin].East, lines.Fixes[l.FixBegin].North));
        for (uint32_t f = l.FixBegin + 1; f < l.FixEnd; ++f) path.lineTo(at(lines.Fixes[f].East, lines.Fixes[f].North));
        p.setPen(QPen(l.Kind == LineKind::Main ? QColor(60, 60, 60) : l.Kind == LineKind::Cross ? QColor(110, 140, 200)
                                                                                                : QColor(190, 190, 190),
                      3));
        p.drawPath(path);
    }
    const double r = std::max(6.0, box.width() / 150.0);
    for (const Crossing& k : c.Crossings) {
        const QPointF q = at((k.East - x0) * kx, (k.North - y0) * ky);
        if (k.Status != CrossingStatus::Accepted) {
            p.setPen(QPen(Qt::black, 2));
            p.drawLine(q + QPointF(-r, -r), q + QPointF(r, r));
            p.drawLine(q + QPointF(-r, r), q + QPointF(r, -r));
            continue;
        }
        const bool within = std::abs(k.Delta) <= Tvu(kS44Orders[order], k.Depth);
        p.setPen(Qt::NoPen);
        p.setBrush(within ? kPass : kFail);
        p.drawEllipse(q, r, r);
    }
    p.restore();
}

void CrossingPictures(Pages& pg, const ReportOutcome& o) {
    if (!o.hasCrossings || o.crossings.Stats.Count == 0) return;
    pg.NewPage();
    const size_t order = JudgedOrder(o.crossings.Stats);
    pg.Heading(QStringLiteral("Differences over the allowance"));
    const int h = pg.Area().height();
    QRect box(pg.Left(), pg.Y(), pg.Width(), h * 3 / 10);
    Histogram(pg, o.crossings, order, box);
    pg.Skip(box.height());
    pg.Heading(QStringLiteral("Crossings: within TVU (%1) green, beyond red, rejected x")
                   .arg(QString::fromLatin1(S44Name(kS44Orders[order]))));
    const int text = pg.Height(pg.Body());
    box = QRect(pg.Left(), pg.Y() + text, pg.Width(), pg.Area().bottom() - pg.Y() - 2 * text);
    CrossingPlan(pg, o.lines, o.crossings, order, box);
}

// A white picture of `size` pixels at the resolution of the device `p` paints on, so that
// text in points comes out the size it would on the page itself.
QImage PagePicture(QSize size, const QPainter& p) {
    QImage picture(size, QImage::Format_RGB32);
    const int dpm = static_cast<int>(std::lround(p.device()->logicalDpiX() / 0.0254));
    picture.setDotsPerMeterX(dpm);
    picture.setDotsPerMeterY(dpm);
    picture.fill(Qt::white);
    return picture;
}

void ViewPictures(Pages& pg, const CVKDoc& doc) {
    QPainter& p = pg.Painter();
    const int text = pg.Height(pg.Body());
    pg.NewPage();
    pg.Heading(QStringLiteral("Plan"));
    {
        const QRect area(pg.Left(), pg.Y() + text / 2, pg.Width(), pg.Area().bottom() - pg.Y() - text / 2);
        // Drawn into a picture at the page's resolution, as the window draws: a survey of
        // millions of soundings would otherwise put every marker into the file.
        QImage picture = PagePicture(area.size(), p);
        {
            QPainter ip(&picture);
            CVKPView plan;
            PaintPlanPage(ip, plan, doc, QRect(QPoint(0, 0), area.size()), doc.PathName);
        }
        p.drawImage(area.topLeft(), picture);
    }
    pg.NewPage();
    pg.Heading(QStringLiteral("Section"));
    {
        const QRect area(pg.Left(), pg.Y() + text / 2, pg.Width(), pg.Area().bottom() - pg.Y() - text / 2);
        QImage picture = PagePicture(area.size(), p);
        {
            QPainter ip(&picture);
            CVKView section;
            const QRect page(QPoint(0, 0), area.size());
            const CRect printable{0, 0, page.width(), page.height()};
            const int32_t n = section.BeginPrinting(printable, SectionPrintSettings{});
            PaintSectionPage(ip, section, doc, page, 1, n);
            section.EndPrinting();
        }
        p.drawImage(area.topLeft(), picture);
    }
}

}  // namespace

std::string WriteSurveyReport(const CVKDoc& doc, const ReportRequest& r, ReportOutcome* outcomeOut,
                              UserPort* progress) {
    EnsureGuiApplication();
    ReportOutcome local;
    ReportOutcome& o = outcomeOut ? *outcomeOut : local;
    o = ReportOutcome{};

    // The lines and their crossings, found as Crossings finds them; a survey without
    // them still has its report, which says why there are no statistics.
    if (std::string refusal = LineOptionsRefusal(r.lines); !refusal.empty()) return refusal;
    if (std::string refusal = CrossingOptionsRefusal(r.crossings); !refusal.empty()) return refusal;
    o.lines = FindLines(doc, r.lines, progress);
    const size_t mains = o.lines.Count(LineKind::Main), crosses = o.lines.Count(LineKind::Cross);
    if (!o.lines.HadPositions)
        o.noCrossings = NO_POSITIONS;
    else if (o.lines.Lines.empty())
        o.noCrossings = NO_LINES;
    else if (mains == 0 || crosses == 0)
        o.noCrossings = NoMainAndCrossText(mains, crosses);
    else {
        o.crossings = FindCrossings(doc, o.lines, r.crossings, progress);
        if (o.crossings.Crossings.empty())
            o.noCrossings = NO_CROSSINGS;
        else
            o.hasCrossings = true;
    }

    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) return "could not write \"" + r.path + "\": no memory for the pages";
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("Aquenta"));
        pdf.setTitle(QStringLiteral("Survey Report"));
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&pdf)) return "could not write \"" + r.path + "\": the PDF could not be started";
        const QRect area(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
        Pages pages(pdf, painter, area);
        Summary(pages, doc, r);
        Statistics(pages, o);
        pages.NewPage();
        LineTable(pages, o.lines);
        CrossingPictures(pages, o);
        ViewPictures(pages, doc);
        painter.end();
        o.pages = pages.Count();
    }
    if (std::string error = WriteWhole(r.path, bytes.constData(), static_cast<size_t>(bytes.size())); !error.empty())
        return error;
    if (o.hasCrossings) {
        std::string csv(CROSSINGS_CSV_HEADER);
        csv += exporting::kEol;
        for (const Crossing& k : o.crossings.Crossings) {
            csv += CrossingCsvLine(k, doc.IsGeographic());
            csv += exporting::kEol;
        }
        o.csvPath = ReportCsvPath(r.path);
        if (std::string error = WriteWhole(o.csvPath, csv.data(), csv.size()); !error.empty()) return error;
    }
    return {};
}

}  // namespace aq::gui
