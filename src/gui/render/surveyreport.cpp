// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/surveyreport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>

#include "export/crossingscsv.h"
#include "export/textbuf.h"
#include "model/safefile.h"
#include "model/userport.h"
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

std::string ReportLinesCsvPath(const std::string& pdf) {
    const std::string csv = ReportCsvPath(pdf);
    return csv.substr(0, csv.size() - 4) + "-lines.csv";
}

namespace {
// The views draw nothing of a survey of this many records or fewer.
constexpr size_t kViewsDrawFrom = 6;

std::string TooFew(const CVKDoc& doc) {
    return "The survey has " + std::to_string(doc.Records.size()) + (doc.Records.size() == 1 ? " record" : " records") +
           ", too few to draw: the views draw from " + std::to_string(kViewsDrawFrom) + " records on.";
}
}  // namespace

std::string ReportPlanAbsence(const CVKDoc& doc) {
    if (doc.Records.size() < kViewsDrawFrom) return TooFew(doc);
    if (!(doc.KindFlags & (REC_POSITION | REC_GEOGRAPHIC)))
        return "The survey has no position records, so there is no plan to draw.";
    return {};
}

std::string ReportSectionAbsence(const CVKDoc& doc) {
    if (doc.Records.size() < kViewsDrawFrom) return TooFew(doc);
    if (!(doc.KindFlags & (REC_DEPTH | REC_TIDE)))
        return "The survey has no depth or tide records, so there is no section to draw.";
    return {};
}

int AchievedOrder(const CrossingStatistics& stats) {
    if (stats.Count == 0) return -1;
    for (size_t o = 0; o < kS44Orders.size(); ++o)
        if (stats.Pass[o]) return static_cast<int>(o);
    return -1;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

QString Fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// A text file written in blocks as it is made (a survey's crossings run to hundreds of
// MB), replaced whole or not at all.
class TextOut {
public:
    explicit TextOut(const std::string& path) : path_(path), file_(path) { text_.reserve(kBlock + 4096); }
    std::string& Text() { return text_; }
    // False once a write failed: the rest need not be made.
    bool Spill() {
        if (text_.size() >= kBlock) Flush();
        return file_.Error() == 0;
    }
    // Empty when every byte is in place, else what went wrong, naming the file.
    std::string Commit() {
        Flush();
        if (file_.Commit()) return {};
        return "could not write \"" + path_ + "\": " + ErrorReason(file_.Error());
    }

private:
    static constexpr size_t kBlock = size_t{1} << 20;
    void Flush() {
        file_.Write(reinterpret_cast<const uint8_t*>(text_.data()), text_.size());
        text_.clear();
    }
    std::string path_;
    AtomicFile file_;
    std::string text_;
};

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
    // Text that may be longer than a line, wrapped at its words.
    void Para(const QString& s) {
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const int h = QFontMetrics(body_, &pdf_).boundingRect(QRect(0, 0, area_.width(), area_.height()), flags, s).height();
        Need(h);
        p_.setFont(body_);
        p_.setPen(Qt::black);
        p_.drawText(QRect(area_.left(), y_, area_.width(), h), flags, s);
        y_ += h;
    }
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
            // A left-aligned cell keeps a gap from a right-aligned number before it.
            const int lead = (!right[k] && k > 0 && right[k - 1]) ? h / 2 : 0;
            const QRect cell(x0 + lead, y_, x1 - x0 - pad - lead, h);
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
    pg.Para(QStringLiteral("Survey: ") +
            (doc.PathName.empty() ? QStringLiteral("untitled") : QString::fromStdString(doc.PathName)));
    if (!doc.ImportedFiles.empty()) {
        QString files = QString::fromStdString(doc.ImportedFiles).simplified();
        if (files.size() > 300) files = files.left(300) + QStringLiteral("...");
        pg.Para(QStringLiteral("Imported from: ") + files);
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
    if (doc.IsGeographic()) {
        // A geographic survey's plan offsets move its positions by ten-millionths of a
        // degree; said as degrees and as the metres they come to at the survey.
        const double lat = (static_cast<double>(doc.YMin) + static_cast<double>(doc.YMax)) / 2 / 1e7;
        const double metresPerDegree = 111319.49;
        const double eastM = doc.EastOffset / 1e7 * metresPerDegree * std::cos(std::clamp(lat, -89.0, 89.0) * kPi / 180);
        const double northM = doc.NorthOffset / 1e7 * metresPerDegree;
        pg.Text(QStringLiteral("Position: time %1 s, east %2\u00b0 of longitude (%3 m), north %4\u00b0 of latitude (%5 m)")
                    .arg(doc.PosTimeOffset)
                    .arg(Fixed(doc.EastOffset / 1e7, 7), Fixed(eastM, 2), Fixed(doc.NorthOffset / 1e7, 7),
                         Fixed(northM, 2)));
        pg.Text(QStringLiteral("Elevation offset %1 m").arg(Fixed(doc.ElevOffset / 100.0, 2)));
    } else {
        pg.Text(QStringLiteral("Position: time %1 s, easting %2 m, northing %3 m, elevation %4 m")
                    .arg(doc.PosTimeOffset)
                    .arg(Fixed(doc.EastOffset / 100.0, 2), Fixed(doc.NorthOffset / 100.0, 2),
                         Fixed(doc.ElevOffset / 100.0, 2)));
    }
    pg.Text(QStringLiteral("Depth: time %1 s, depth %2 m, sound velocity %3 m/s")
                .arg(doc.DepthTimeOffset)
                .arg(Fixed(doc.DepthOffset / 100.0, 2), Fixed(doc.SoundVelocity, 1)));
    pg.Text(QStringLiteral("Tide: time %1 s, tide %2 m").arg(doc.TideTimeOffset).arg(Fixed(doc.TideOffset / 100.0, 2)));
}

}  // namespace

QString AchievedOrderName(const CrossingStatistics& stats) {
    const int order = AchievedOrder(stats);
    return order < 0 ? QStringLiteral("none") : QString::fromLatin1(S44Name(kS44Orders[static_cast<size_t>(order)]));
}

namespace {

// The crossing statistics, and the node comparison's beside them when there is one: a
// row a figure, a column each.
void Statistics(Pages& pg, const ReportOutcome& o, bool nodesAsked) {
    pg.Heading(QStringLiteral("Crossings against IHO S-44"));
    pg.Text(QStringLiteral("%1 main lines, %2 crosslines, %3 other lines.")
                .arg(o.lines.Count(LineKind::Main))
                .arg(o.lines.Count(LineKind::Cross))
                .arg(o.lines.Count(LineKind::Other)));
    const CrossingResult& c = o.crossings;
    if (!o.hasCrossings)
        pg.Para(QString::fromStdString(o.noCrossings));
    else
        pg.Text(QStringLiteral("Crossings: %1 found, %2 accepted, %3 rejected.")
                    .arg(c.Crossings.size())
                    .arg(c.Stats.Count)
                    .arg(c.Rejected));
    if (o.hasCrossings && c.Stats.Count == 0) pg.Text(QStringLiteral("Every crossing was rejected: no statistics."));
    if (nodesAsked) {
        if (o.hasNodes) {
            // One substitution of all three: a file name may hold a % of its own.
            pg.Para(QStringLiteral("Nodes: the %1 live soundings of the crosslines against %2; %3 of them lie over it.")
                        .arg(QString::number(o.nodes.crossSoundings), QString::fromStdString(o.nodes.against),
                             QString::number(o.nodes.compared)));
            if (!o.nodes.warning.empty()) pg.Para(QString::fromStdString(o.nodes.warning));
        } else {
            pg.Para(QStringLiteral("No node comparison: ") + QString::fromStdString(o.noNodes));
        }
    }

    std::vector<const CrossingStatistics*> columns;
    QStringList header = {QString()};
    if (o.hasCrossings && c.Stats.Count > 0) {
        columns.push_back(&c.Stats);
        header << QStringLiteral("Crossings");
    }
    if (o.hasNodes) {
        columns.push_back(&o.nodes.stats);
        header << QStringLiteral("Nodes");
    }
    if (columns.empty()) return;
    pg.Para(o.hasNodes ? QStringLiteral("Delta: the crossline's depth less the main line's where they cross (for the "
                                        "nodes, less the surface's).")
                       : QStringLiteral("Delta: the crossline's depth less the main line's, where they cross."));
    pg.Skip(pg.Height(pg.Body()) / 3);
    std::vector<double> starts = {0.0};
    std::vector<bool> right = {false};
    for (size_t k = 0; k < columns.size(); ++k) {
        starts.push_back(0.42 + 0.2 * static_cast<double>(k));
        right.push_back(true);
    }
    starts.push_back(0.42 + 0.2 * static_cast<double>(columns.size()));
    pg.Row(header, starts, right, true);
    const auto row = [&](const QString& label, const auto& cell) {
        QStringList cells = {label};
        for (const CrossingStatistics* st : columns) cells << cell(*st);
        pg.Row(cells, starts, right, false);
    };
    row(QStringLiteral("Compared"), [](const CrossingStatistics& st) { return QString::number(st.Count); });
    row(QStringLiteral("Bias (mean delta), m"), [](const CrossingStatistics& st) { return Fixed(st.Mean, 3); });
    // A single difference has no spread about its mean.
    row(QStringLiteral("Standard deviation, m"),
        [](const CrossingStatistics& st) { return st.Count < 2 ? QStringLiteral("-") : Fixed(st.StdDev, 3); });
    row(QStringLiteral("RMS, m"), [](const CrossingStatistics& st) { return Fixed(st.Rms, 3); });
    row(QStringLiteral("95th percentile of |delta|, m"), [](const CrossingStatistics& st) { return Fixed(st.P95, 3); });
    for (size_t k = 0; k < kS44Orders.size(); ++k)
        row(QStringLiteral("S-44 %1, within TVU").arg(QString::fromLatin1(S44Name(kS44Orders[k]))),
            [k](const CrossingStatistics& st) {
                return QStringLiteral("%1 % %2").arg(Fixed(st.PercentWithin[k], 1),
                                                     st.Pass[k] ? QStringLiteral("passes") : QStringLiteral("fails"));
            });
    QStringList achieved = {QStringLiteral("Order achieved")};
    for (const CrossingStatistics* st : columns) achieved << AchievedOrderName(*st);
    pg.Row(achieved, starts, right, true);
    pg.Text(QStringLiteral("An order passes when at least 95 % are within its allowance TVU = sqrt(a\u00b2 + (b d)\u00b2)."));
}

// The lines by kind, and by day (by month when the days would fill pages): what a survey
// of too many lines to list shows of them.
void LineSummary(Pages& pg, const LineSet& lines) {
    struct Sum {
        size_t main = 0, cross = 0, other = 0, soundings = 0;
        double length = 0, seconds = 0;
        void Add(const SurveyLine& l) {
            ++(l.Kind == LineKind::Main ? main : l.Kind == LineKind::Cross ? cross : other);
            soundings += l.SoundingCount();
            length += l.Length;
            seconds += static_cast<double>(l.End - l.Start) / 100.0;
        }
    };
    Sum kinds[3];
    std::map<std::string, Sum> days;
    for (const SurveyLine& l : lines.Lines) {
        kinds[static_cast<int>(l.Kind)].Add(l);
        days[MomentText(l.Start).substr(0, 10)].Add(l);
    }
    constexpr size_t kMostDays = 120;
    bool months = false;
    if (days.size() > kMostDays) {
        std::map<std::string, Sum> byMonth;
        for (const SurveyLine& l : lines.Lines) byMonth[MomentText(l.Start).substr(0, 7)].Add(l);
        days.swap(byMonth);
        months = true;
    }
    {
        const std::vector<double> cols = {0.0, 0.16, 0.3, 0.46, 0.62, 0.78};
        const std::vector<bool> right = {false, true, true, true, true};
        pg.Row({QStringLiteral("Kind"), QStringLiteral("Lines"), QStringLiteral("Length km"),
                QStringLiteral("Hours"), QStringLiteral("Soundings")},
               cols, right, true);
        for (const LineKind kind : {LineKind::Main, LineKind::Cross, LineKind::Other}) {
            const Sum& k = kinds[static_cast<int>(kind)];
            pg.Row({QString::fromLatin1(LineKindName(kind)), QString::number(k.main + k.cross + k.other),
                    Fixed(k.length / 1000.0, 2), Fixed(k.seconds / 3600.0, 1), QString::number(k.soundings)},
                   cols, right, false);
        }
    }
    pg.Heading(months ? QStringLiteral("Survey lines by month of their start")
                      : QStringLiteral("Survey lines by day of their start"));
    const std::vector<double> cols = {0.0, 0.18, 0.3, 0.42, 0.54, 0.7, 0.86};
    const std::vector<bool> right = {false, true, true, true, true, true};
    const QStringList header = {months ? QStringLiteral("Month") : QStringLiteral("Day"), QStringLiteral("Main"),
                                QStringLiteral("Cross"), QStringLiteral("Other"), QStringLiteral("Length km"),
                                QStringLiteral("Soundings")};
    pg.Row(header, cols, right, true);
    size_t shown = 0;
    for (const auto& [day, k] : days) {
        if (shown++ == kMostDays) {
            pg.Text(QStringLiteral("... and %1 more, in the lines' CSV.").arg(days.size() - kMostDays));
            break;
        }
        if (pg.Y() + pg.Height(pg.Body()) > pg.Area().bottom()) {
            pg.NewPage();
            pg.Row(header, cols, right, true);
        }
        pg.Row({QString::fromStdString(day), QString::number(k.main), QString::number(k.cross),
                QString::number(k.other), Fixed(k.length / 1000.0, 2), QString::number(k.soundings)},
               cols, right, false);
    }
}

// Every line when they are few; a summary of them otherwise, each line being in the
// lines' CSV beside the report.
void LineTable(Pages& pg, const LineSet& lines, const std::string& linesCsv) {
    pg.Heading(QStringLiteral("Survey lines"));
    if (lines.Lines.empty()) {
        pg.Text(QStringLiteral("No survey lines were found."));
        return;
    }
    const QString csv = QString::fromStdString(linesCsv.substr(linesCsv.find_last_of("/\\") + 1));
    if (lines.Lines.size() > kReportTableLines) {
        pg.Para(QStringLiteral("%1 lines, more than this report lists: each is in %2 beside it.")
                    .arg(lines.Lines.size())
                    .arg(csv));
        pg.Skip(pg.Height(pg.Body()) / 3);
        LineSummary(pg, lines);
        return;
    }
    pg.Text(QStringLiteral("%1 lines, also in %2 beside this report.").arg(lines.Lines.size()).arg(csv));
    pg.Skip(pg.Height(pg.Body()) / 3);
    // A moment takes about a quarter of the width; a gap keeps it clear of the length.
    const std::vector<double> cols = {0.0, 0.065, 0.14, 0.235, 0.345, 0.61, 0.875};
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

// A track as few points as draw it to within `tolerance` device pixels: a survey line
// is straight for most of its length, and a vector page should not carry a point for
// every position of it. Each point kept starts a sleeve of the directions that keep the
// points after it within the tolerance; the first point that leaves the sleeve ends it.
void Simplify(const std::vector<QPointF>& in, double tolerance, QPolygonF& out) {
    out.clear();
    if (in.empty()) return;
    out.append(in.front());
    QPointF anchor = in.front();
    size_t last = 0;       // the last point the sleeve holds
    bool open = false;     // the sleeve has a direction
    double base = 0, lo = 0, hi = 0;  // its directions, relative to base
    const auto start = [&](const QPointF& to) {
        const QPointF d = to - anchor;
        const double r = std::hypot(d.x(), d.y());
        open = r > tolerance;
        if (!open) return;
        base = std::atan2(d.y(), d.x());
        hi = std::asin(std::min(1.0, tolerance / r));
        lo = -hi;
    };
    for (size_t i = 1; i < in.size(); ++i) {
        const QPointF d = in[i] - anchor;
        const double r = std::hypot(d.x(), d.y());
        if (r <= tolerance) {
            last = i;
            continue;
        }
        if (!open) {
            start(in[i]);
            last = i;
            continue;
        }
        double a = std::atan2(d.y(), d.x()) - base;
        while (a > kPi) a -= 2 * kPi;
        while (a < -kPi) a += 2 * kPi;
        if (a < lo || a > hi) {
            // No segment from the anchor passes near enough to this point and those
            // before it: the last one held is kept and anchors the next sleeve.
            anchor = in[last];
            out.append(anchor);
            start(in[i]);
            last = i;
            continue;
        }
        const double half = std::asin(std::min(1.0, tolerance / r));
        lo = std::max(lo, a - half);
        hi = std::min(hi, a + half);
        last = i;
    }
    if (in.back() != out.back()) out.append(in.back());
}

// A step of 1, 2 or 5 times a power of ten that divides `span` into about `parts`.
double NiceStep(double span, int parts) {
    if (!(span > 0)) return 1;
    const double raw = span / parts;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * p >= raw) return m * p;
    return 10 * p;
}

QString MetresLabel(double m) {
    if (m >= 1000) return QStringLiteral("%1 km").arg(m / 1000);
    return QStringLiteral("%1 m").arg(m);
}

// The tracks of the lines (main dark, crosslines light) and the crossings as dots,
// green within the allowance, red beyond it, a cross where rejected, drawn as vectors
// on the page in a frame with the survey's coordinates along its edges, a scale bar and
// a north arrow. Crossings closer together than a dot share one: a dot for the first of
// them of each colour, red over green, crosses over both, so a survey of a million
// crossings makes a page of thousands of marks at most.
void CrossingPlan(QPainter& p, const LineSet& lines, const CrossingResult& c, size_t order, const QRect& whole,
                  const QFont& small, double ratio) {
    const QFontMetrics fm(small, p.device());
    const int text = fm.height();
    // Room for the coordinates left of and below the frame.
    const QRect box = whole.adjusted(fm.horizontalAdvance(QStringLiteral("-000.000000")) + text / 2, text / 2,
                                     -text / 2, -2 * text);
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
    const int inset = text;  // between the frame and the tracks
    const QRect inner = box.adjusted(inset, inset, -inset, -inset);
    const double scale = std::min(inner.width() / std::max(xmax - xmin, span / 100),
                                  inner.height() / std::max(ymax - ymin, span / 100));
    const double cx = (xmin + xmax) / 2, cy = (ymin + ymax) / 2;
    const auto at = [&](double e, double n) {
        return QPointF(box.center().x() + (e - cx) * scale, box.center().y() - (n - cy) * scale);
    };
    // The frame's edges in the frame's metres.
    const double west = cx - (box.center().x() - box.left()) / scale, east = cx + (box.right() - box.center().x()) / scale;
    const double north = cy + (box.center().y() - box.top()) / scale, south = cy - (box.bottom() - box.center().y()) / scale;

    p.save();
    p.setClipRect(box);
    p.setRenderHint(QPainter::Antialiasing);
    const double tolerance = std::max(1.0, ratio / 2);  // half a screen pixel
    std::vector<QPointF> points;
    QPolygonF track;
    for (const SurveyLine& l : lines.Lines) {
        if (l.FixEnd <= l.FixBegin) continue;
        points.clear();
        for (uint32_t f = l.FixBegin; f < l.FixEnd; ++f) points.push_back(at(lines.Fixes[f].East, lines.Fixes[f].North));
        Simplify(points, tolerance, track);
        QPen pen(l.Kind == LineKind::Main    ? QColor(60, 60, 60)
                 : l.Kind == LineKind::Cross ? QColor(110, 140, 200)
                                             : QColor(190, 190, 190),
                 std::max(1.0, 0.6 * ratio));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        p.drawPolyline(track);
    }

    const double r = std::max(2.0 * ratio, box.width() / 150.0);
    // Cells of a dot's radius over the box; in each, the first crossing of each kind.
    const int nx = static_cast<int>(box.width() / r) + 3, ny = static_cast<int>(box.height() / r) + 3;
    enum { kWithin, kBeyond, kRejected, kKinds };
    std::array<std::vector<QPointF>, kKinds> marks;
    std::vector<uint8_t> taken(static_cast<size_t>(nx) * static_cast<size_t>(ny), 0);
    const S44Order judged = kS44Orders[order];
    for (const Crossing& k : c.Crossings) {
        const QPointF q = at((k.East - x0) * kx, (k.North - y0) * ky);
        const int col = std::clamp(static_cast<int>(std::floor((q.x() - box.left()) / r)) + 1, 0, nx - 1);
        const int row = std::clamp(static_cast<int>(std::floor((q.y() - box.top()) / r)) + 1, 0, ny - 1);
        const int kind = k.Status != CrossingStatus::Accepted        ? kRejected
                         : std::abs(k.Delta) <= Tvu(judged, k.Depth) ? kWithin
                                                                     : kBeyond;
        uint8_t& cell = taken[static_cast<size_t>(row) * static_cast<size_t>(nx) + static_cast<size_t>(col)];
        if (cell & (1u << kind)) continue;
        cell |= static_cast<uint8_t>(1u << kind);
        marks[kind].push_back(q);
    }
    p.setPen(Qt::NoPen);
    for (const int kind : {kWithin, kBeyond}) {
        p.setBrush(kind == kWithin ? kPass : kFail);
        for (const QPointF& q : marks[kind]) p.drawEllipse(q, r, r);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, std::max(1.0, 0.6 * ratio)));
    for (const QPointF& q : marks[kRejected]) {
        p.drawLine(q + QPointF(-r, -r), q + QPointF(r, r));
        p.drawLine(q + QPointF(-r, r), q + QPointF(r, -r));
    }
    p.restore();

    // The frame, and the survey's coordinates along its lower and left edges: metres of
    // the grid, or degrees of a geographic survey.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, std::max(1.0, 0.6 * ratio)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    p.setFont(small);
    const bool geographic = lines.Frame.Geographic();
    const int tick = text / 2;
    const auto ticks = [&](double from, double to, int parts, auto&& place) {
        const double step = NiceStep(to - from, parts);
        const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(step))), 0, 9);
        for (double v = std::ceil(from / step) * step; v <= to + step * 1e-9; v += step)
            place(v, QString::number(v, 'f', decimals));
    };
    ticks(lines.Frame.EastingOf(west), lines.Frame.EastingOf(east), 5, [&](double v, const QString& label) {
        const double x = box.left() + ((v - x0) * kx - west) * scale;
        if (x < box.left() || x > box.right()) return;
        p.drawLine(QPointF(x, box.bottom()), QPointF(x, box.bottom() - tick));
        p.drawText(QRectF(x - 4 * text, box.bottom() + text / 4.0, 8 * text, text), Qt::AlignHCenter | Qt::AlignTop,
                   label);
    });
    ticks(lines.Frame.NorthingOf(south), lines.Frame.NorthingOf(north), 6, [&](double v, const QString& label) {
        const double y = box.top() + (north - (v - y0) * ky) * scale;
        if (y < box.top() || y > box.bottom()) return;
        p.drawLine(QPointF(box.left(), y), QPointF(box.left() + tick, y));
        p.drawText(QRectF(whole.left(), y - text / 2.0, box.left() - whole.left() - text / 4.0, text),
                   Qt::AlignRight | Qt::AlignVCenter, label);
    });
    p.drawText(QRect(box.left(), box.bottom() + text + text / 4, box.width(), text), Qt::AlignHCenter | Qt::AlignTop,
               geographic ? QStringLiteral("longitude, degrees east; latitude, degrees north")
                          : QStringLiteral("easting and northing, metres"));

    // North arrow (up is north: grid north, or true north of a geographic survey) and a
    // scale bar, on white in the upper left and lower right corners.
    const int pad = text / 3;
    {
        const QRectF ground(box.left() + pad, box.top() + pad, 2 * text, 3 * text);
        p.fillRect(ground, Qt::white);
        const double mid = ground.center().x();
        QPolygonF head;
        head << QPointF(mid, ground.top() + text * 1.1) << QPointF(mid - text * 0.45, ground.top() + text * 2.1)
             << QPointF(mid, ground.top() + text * 1.8) << QPointF(mid + text * 0.45, ground.top() + text * 2.1);
        p.setBrush(Qt::black);
        p.drawPolygon(head);
        p.drawLine(QPointF(mid, ground.top() + text * 1.8), QPointF(mid, ground.bottom() - pad));
        p.drawText(QRectF(ground.left(), ground.top(), ground.width(), text * 1.1), Qt::AlignCenter,
                   QStringLiteral("N"));
        p.setBrush(Qt::NoBrush);
    }
    {
        const double metres = NiceStep(box.width() / scale / 5, 1);
        const double length = metres * scale;
        const QRectF bar(box.right() - pad - text - length, box.bottom() - pad - text * 0.6 - text / 2.0, length,
                         text * 0.4);
        p.fillRect(QRectF(bar.left() - text / 2.0, bar.top() - text * 1.2, length + text, text * 2.1), Qt::white);
        p.setPen(QPen(Qt::black, std::max(1.0, 0.4 * ratio)));
        p.drawRect(bar);
        p.fillRect(QRectF(bar.left(), bar.top(), length / 2, bar.height()), Qt::black);
        p.drawText(QRectF(bar.left() - text, bar.top() - text * 1.15, length + 2 * text, text), Qt::AlignCenter,
                   MetresLabel(metres));
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
    pg.Line(QStringLiteral("Crossings closer than a dot share it; red is drawn over green."), pg.Small());
    const int text = pg.Height(pg.Body());
    const QRect area(pg.Left(), pg.Y() + text / 2, pg.Width(), pg.Area().bottom() - pg.Y() - text / 2);
    CrossingPlan(pg.Painter(), o.lines, o.crossings, order, area, pg.Small(), DeviceRatio(pg.Painter().device()));
}

// The pages and the files beside them, shown through the document's port as a phase of
// their own: the pictures and the CSV of a large survey take seconds.
class WritingPhase {
public:
    explicit WritingPhase(UserPort* port) : port_(port) {
        if (!port_) return;
        port_->BeginPhase("Writing Survey Report");
        port_->SetProgress(0);
    }
    ~WritingPhase() {
        if (port_) port_->EndPhase();
    }
    WritingPhase(const WritingPhase&) = delete;
    WritingPhase& operator=(const WritingPhase&) = delete;
    void At(int percent) {
        if (port_) port_->SetProgress(percent);
    }

private:
    UserPort* port_;
};

// The plan and the section as plot prints them, each on a page of its own; a view with
// nothing to draw says why instead of leaving its page blank.
void ViewPages(Pages& pg, const CVKDoc& doc) {
    QPainter& p = pg.Painter();
    const int text = pg.Height(pg.Body());
    const auto area = [&] {
        return QRect(pg.Left(), pg.Y() + text / 2, pg.Width(), pg.Area().bottom() - pg.Y() - text / 2);
    };
    pg.NewPage();
    pg.Heading(QStringLiteral("Plan"));
    if (const std::string why = ReportPlanAbsence(doc); !why.empty())
        pg.Para(QString::fromStdString(why));
    else
        PaintPlanOnPaper(p, doc, area(), doc.PathName, kReportVectorRecords);
    pg.NewPage();
    pg.Heading(QStringLiteral("Section"));
    if (const std::string why = ReportSectionAbsence(doc); !why.empty())
        pg.Para(QString::fromStdString(why));
    else
        PaintSectionOnPaper(p, doc, area(), kReportVectorRecords);
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
    if (r.compareNodes) {
        std::string why;
        switch (r.compareNodes(o.lines, o.nodes, why)) {
            case NodeVerdict::Compared: o.hasNodes = true; break;
            case NodeVerdict::NotCompared: o.noNodes = why; break;
            case NodeVerdict::Refused: return why;
        }
    }
    const std::string linesCsv = o.lines.Lines.empty() ? std::string() : ReportLinesCsvPath(r.path);
    o.linesSummarised = o.lines.Lines.size() > kReportTableLines;
    o.planAbsent = ReportPlanAbsence(doc);
    o.sectionAbsent = ReportSectionAbsence(doc);
    WritingPhase phase(progress);

    // Each file is written whatever became of the others: a CSV that could not be put
    // in place takes nothing from the PDF, nor the other way round.
    QByteArray bytes;
    const auto paint = [&]() -> std::string {
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
        Statistics(pages, o, static_cast<bool>(r.compareNodes));
        // The lines follow on the same page when there is room for their heading.
        LineTable(pages, o.lines, linesCsv);
        phase.At(5);
        CrossingPictures(pages, o);
        phase.At(20);
        ViewPages(pages, doc);
        painter.end();
        o.pages = pages.Count();
        return {};
    };
    std::string pdfError = paint();
    phase.At(45);
    if (pdfError.empty()) pdfError = WriteBytes(r.path, bytes);
    if (pdfError.empty())
        o.pdfWritten = true;
    else
        o.failures.push_back(pdfError);
    bytes = QByteArray();
    phase.At(50);

    if (!linesCsv.empty()) {
        TextOut out(linesCsv);
        std::string& text = out.Text();
        text += LINES_CSV_HEADER;
        text += exporting::kEol;
        for (const SurveyLine& l : o.lines.Lines) {
            AppendLineCsv(text, l);
            text += exporting::kEol;
            if (!out.Spill()) break;
        }
        if (std::string error = out.Commit(); !error.empty())
            o.failures.push_back(error);
        else
            o.linesCsvPath = linesCsv;
    }
    if (o.hasCrossings) {
        const std::string path = ReportCsvPath(r.path);
        TextOut out(path);
        const size_t total = o.crossings.Crossings.size();
        FormatCrossingsCsv(o.crossings.Crossings, doc.IsGeographic(), [&](std::string_view piece, size_t done) {
            out.Text() += piece;
            phase.At(50 + static_cast<int>(done * 50 / total));
            return out.Spill();
        });
        if (std::string error = out.Commit(); !error.empty())
            o.failures.push_back(error);
        else
            o.csvPath = path;
    }
    std::string failures;
    for (const std::string& f : o.failures) failures += (failures.empty() ? "" : "\n") + f;
    return failures;
}

}  // namespace aq::gui
