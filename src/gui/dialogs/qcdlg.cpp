// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/qcdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace aq::gui {

namespace {

QLineEdit* Field(QWidget* parent, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMinimumWidth(110);
    return edit;
}

QString ListText(const std::vector<int>& numbers) {
    QStringList parts;
    for (const int n : numbers) parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

QDialogButtonBox* Buttons(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace

// ---- the line fields ----

void QcDialog::AddLineFields(QFormLayout* form, const LineOptions& o) {
    QWidget* parent = form->parentWidget();
    turn_ = Field(parent, ShowReal(o.TurnAngle));
    turnDistance_ = Field(parent, ShowReal(o.TurnDistance));
    gap_ = Field(parent, ShowReal(o.GapSeconds));
    gapDistance_ = Field(parent, ShowReal(o.GapDistance));
    minLength_ = Field(parent, ShowReal(o.MinLength));
    tolerance_ = Field(parent, ShowReal(o.Tolerance));
    cross_ = Field(parent, ListText(o.CrossLines));
    cross_->setPlaceholderText(QStringLiteral("by heading"));
    events_ = new QCheckBox(QStringLiteral("An event ends a line"), parent);
    events_->setChecked(o.SplitAtEvents);
    form->addRow(QStringLiteral("Turn angle (deg)"), turn_);
    form->addRow(QStringLiteral("Turn within (m)"), turnDistance_);
    form->addRow(QStringLiteral("Gap in time (s)"), gap_);
    form->addRow(QStringLiteral("Gap in distance (m)"), gapDistance_);
    form->addRow(QStringLiteral("Shortest line (m)"), minLength_);
    form->addRow(QStringLiteral("Heading tolerance (deg)"), tolerance_);
    form->addRow(QStringLiteral("Crosslines"), cross_);
    form->addRow(QString(), events_);
}

bool QcDialog::ReadLineFields(LineOptions& o) {
    if (!ReadNumberBetween(turn_, 0.1, 179.9, o.TurnAngle)) return false;
    if (!ReadNumberBetween(turnDistance_, 0.1, 1e6, o.TurnDistance)) return false;
    if (!ReadNumberBetween(gap_, 0.01, 1e7, o.GapSeconds)) return false;
    if (!ReadNumberBetween(gapDistance_, 0.01, 1e7, o.GapDistance)) return false;
    if (!ReadNumberBetween(minLength_, 0, 1e7, o.MinLength)) return false;
    if (!ReadNumberBetween(tolerance_, 0.1, 44.9, o.Tolerance)) return false;
    const QString list = cross_->text().trimmed();
    o.CrossLines.clear();
    if (!list.isEmpty() && !ParseLineList(list.toStdString(), o.CrossLines))
        return Refuse(cross_, QStringLiteral("Please enter line numbers such as 4,7,10-12, or nothing."));
    o.SplitAtEvents = events_->isChecked();
    return true;
}

void QcDialog::AddLinesAndButtons(QVBoxLayout* layout, const LineOptions& o) {
    auto* group = new QGroupBox(QStringLiteral("Lines"), this);
    AddLineFields(new QFormLayout(group), o);
    layout->addWidget(group);
    layout->addWidget(Buttons(this));
}

void QcDialog::AddCrossingLimits(QFormLayout* form, QWidget* parent, const CrossingOptions& o,
                                 QLineEdit*& maxDistance, QLineEdit*& maxSlope) {
    maxDistance = Field(parent, ShowReal(o.MaxDistance));
    maxSlope = Field(parent, ShowReal(o.MaxSlope));
    form->addRow(QStringLiteral("Nearest sounding within (m)"), maxDistance);
    form->addRow(QStringLiteral("Steepest slope (rise/run)"), maxSlope);
}

bool QcDialog::ReadCrossingLimits(QLineEdit* maxDistance, QLineEdit* maxSlope, CrossingOptions& o) {
    return ReadNumberBetween(maxDistance, 0.001, 1e6, o.MaxDistance) &&
           ReadNumberBetween(maxSlope, 0.001, 1e6, o.MaxSlope);
}

// ---- Lines ----

LinesDlg::LinesDlg(const LineOptions& options, QWidget* parent) : QcDialog(parent), options_(options) {
    setWindowTitle(QStringLiteral("Survey Lines"));
    setObjectName(QStringLiteral("LinesDlg"));
    auto* layout = new QVBoxLayout(this);
    AddLinesAndButtons(layout, options);
}

bool LinesDlg::Exchange() { return ReadLineFields(options_); }

// ---- Crossings ----

CrossingsDlg::CrossingsDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes,
                           QWidget* parent)
    : QcDialog(parent), lines_(lines), crossings_(crossings), compareNodes_(compareNodes) {
    setWindowTitle(QStringLiteral("Crossings"));
    setObjectName(QStringLiteral("CrossingsDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* limits = new QGroupBox(QStringLiteral("Crossings"), this);
    auto* lf = new QFormLayout(limits);
    AddCrossingLimits(lf, limits, crossings, maxDistance_, maxSlope_);
    csv_ = Field(limits, QString());
    csv_->setPlaceholderText(QStringLiteral("no CSV file"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), limits);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Crossings CSV"), csv_->text(),
                                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
        if (!path.isEmpty()) csv_->setText(path);
    });
    auto* csvRow = new QHBoxLayout;
    csvRow->addWidget(csv_);
    csvRow->addWidget(browse);
    lf->addRow(QStringLiteral("CSV of the crossings"), csvRow);
    nodes_ = new QCheckBox(QStringLiteral("Also compare every crossline sounding with a surface of the main lines"),
                           limits);
    nodes_->setChecked(compareNodes);
    lf->addRow(nodes_);
    layout->addWidget(limits);
    AddLinesAndButtons(layout, lines);
}

bool CrossingsDlg::Exchange() {
    if (!ReadCrossingLimits(maxDistance_, maxSlope_, crossings_)) return false;
    csvPath_ = csv_->text().trimmed();
    compareNodes_ = nodes_->isChecked();
    return ReadLineFields(lines_);
}

// ---- Survey Report ----

ReportDlg::ReportDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes,
                     const QString& surfacePath, QWidget* parent)
    : QcDialog(parent), lines_(lines), crossings_(crossings), compareNodes_(compareNodes), surfacePath_(surfacePath) {
    setWindowTitle(QStringLiteral("Survey Report"));
    setObjectName(QStringLiteral("ReportDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* limits = new QGroupBox(QStringLiteral("Crossings"), this);
    auto* lf = new QFormLayout(limits);
    AddCrossingLimits(lf, limits, crossings, maxDistance_, maxSlope_);
    nodes_ = new QCheckBox(QStringLiteral("Also compare every crossline sounding with a surface"), limits);
    nodes_->setChecked(compareNodes);
    lf->addRow(nodes_);
    surface_ = Field(limits, surfacePath);
    surface_->setPlaceholderText(QStringLiteral("the surface of the main lines"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), limits);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Surface"), surface_->text(),
            QStringLiteral("Rasters (*.tif *.tiff *.asc *.bag *.xyz);;All files (*)"));
        if (!path.isEmpty()) surface_->setText(path);
    });
    auto* surfaceRow = new QHBoxLayout;
    surfaceRow->addWidget(surface_);
    surfaceRow->addWidget(browse);
    lf->addRow(QStringLiteral("Surface (a raster in the survey's system)"), surfaceRow);
    const auto follow = [this, browse](bool on) {
        surface_->setEnabled(on);
        browse->setEnabled(on);
    };
    connect(nodes_, &QCheckBox::toggled, this, follow);
    follow(compareNodes);
    layout->addWidget(limits);
    AddLinesAndButtons(layout, lines);
}

bool ReportDlg::Exchange() {
    if (!ReadCrossingLimits(maxDistance_, maxSlope_, crossings_)) return false;
    compareNodes_ = nodes_->isChecked();
    surfacePath_ = surface_->text().trimmed();
    return ReadLineFields(lines_);
}

// ---- Flag Spikes ----

SpikesDlg::SpikesDlg(const SpikeOptions& options, QWidget* parent) : QcDialog(parent), options_(options) {
    setWindowTitle(QStringLiteral("Flag Spikes"));
    setObjectName(QStringLiteral("SpikesDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* filter = new QGroupBox(QStringLiteral("Spikes"), this);
    auto* ff = new QFormLayout(filter);
    order_ = new QComboBox(filter);
    for (const S44Order o : kS44Orders)
        order_->addItem(QStringLiteral("S-44 %1").arg(QString::fromLatin1(S44Name(o))), static_cast<int>(o));
    order_->setCurrentIndex(static_cast<int>(options.Order));
    window_ = Field(filter, QString::number(options.Window));
    windowMetres_ = Field(filter, options.WindowMetres > 0 ? ShowReal(options.WindowMetres) : QString());
    windowMetres_->setPlaceholderText(QStringLiteral("by soundings"));
    k_ = Field(filter, ShowReal(options.K));
    minDepth_ = Field(filter, options.MinDepth ? ShowReal(*options.MinDepth) : QString());
    maxDepth_ = Field(filter, options.MaxDepth ? ShowReal(*options.MaxDepth) : QString());
    minDepth_->setPlaceholderText(QStringLiteral("none"));
    maxDepth_->setPlaceholderText(QStringLiteral("none"));
    ff->addRow(QStringLiteral("Allowance of order"), order_);
    ff->addRow(QStringLiteral("Window (soundings)"), window_);
    ff->addRow(QStringLiteral("or window (m)"), windowMetres_);
    ff->addRow(QStringLiteral("Spreads (k)"), k_);
    ff->addRow(QStringLiteral("Minimum depth (m)"), minDepth_);
    ff->addRow(QStringLiteral("Maximum depth (m)"), maxDepth_);
    layout->addWidget(filter);
    AddLinesAndButtons(layout, options.Lines);
}

bool SpikesDlg::ReadLimit(QLineEdit* field, std::optional<double>& out) {
    if (field->text().trimmed().isEmpty()) {
        out.reset();
        return true;
    }
    double v = 0;
    if (!ReadNumberBetween(field, 0, 12000, v)) return false;
    out = v;
    return true;
}

bool SpikesDlg::Exchange() {
    options_.Order = static_cast<S44Order>(order_->currentData().toInt());
    int32_t window = 0;
    if (!ReadIntBetween(window_, 3, 1001, window)) return false;
    options_.Window = window;
    options_.WindowMetres = 0;
    if (!windowMetres_->text().trimmed().isEmpty() && !ReadNumberBetween(windowMetres_, 0.01, 1e5, options_.WindowMetres))
        return false;
    if (!ReadNumberBetween(k_, 0.1, 1000, options_.K)) return false;
    if (!ReadLimit(minDepth_, options_.MinDepth) || !ReadLimit(maxDepth_, options_.MaxDepth)) return false;
    if (options_.MinDepth && options_.MaxDepth && *options_.MinDepth > *options_.MaxDepth)
        return Refuse(maxDepth_, QStringLiteral("The minimum depth must not be greater than the maximum depth."));
    return ReadLineFields(options_.Lines);
}

// ---- the reports ----

QString S44Lines(const CrossingStatistics& s) {
    QString text;
    for (size_t o = 0; o < kS44Orders.size(); ++o)
        text += QStringLiteral("S-44 %1: %2 % within TVU, %3\n")
                    .arg(QString::fromLatin1(S44Name(kS44Orders[o])))
                    .arg(s.PercentWithin[o], 0, 'f', 1)
                    .arg(s.Pass[o] ? QStringLiteral("passes") : QStringLiteral("fails"));
    return text;
}

QString CrossingReport(const LineSet& lines, const CrossingResult& r) {
    const CrossingStatistics& s = r.Stats;
    QString text = QStringLiteral("%1 main lines, %2 crosslines: %3 crossings, %4 accepted, %5 rejected.\n\n")
                       .arg(lines.Count(LineKind::Main))
                       .arg(lines.Count(LineKind::Cross))
                       .arg(r.Crossings.size())
                       .arg(s.Count)
                       .arg(r.Rejected);
    if (s.Count == 0) return text + QStringLiteral("Every crossing was rejected: no statistics.");
    text += QStringLiteral("Bias (crossline deeper by) %1 m\nStandard deviation %2 m\nRMS %3 m\n95 % of |difference| within %4 m\n\n")
                .arg(s.Mean, 0, 'f', 3)
                .arg(s.StdDev, 0, 'f', 3)
                .arg(s.Rms, 0, 'f', 3)
                .arg(s.P95, 0, 'f', 3);
    text += S44Lines(s);
    return text.trimmed();
}

QString SpikeReport(const SpikeResult& r) {
    size_t lines = 0;
    for (const SpikeLineCount& l : r.PerLine) lines += l.Line != 0 && l.Flagged > 0;
    QString text = QStringLiteral("%1 soundings deleted: %2 as spikes on %3 of %4 lines, %5 outside the depth limits.")
                       .arg(r.Total())
                       .arg(r.BySpread)
                       .arg(lines)
                       .arg(r.Lines)
                       .arg(r.ByLimits);
    if (r.Lines == 0) text += QStringLiteral("\nNo survey lines were found: only the depth limits applied.");
    if (r.Total() > 0) text += QStringLiteral("\nEdit > Undo or Restore brings them back.");
    return text;
}

// ---- the dock ----

LinesDock::LinesDock(QWidget* parent) : QDockWidget(QStringLiteral("Survey Lines"), parent) {
    setObjectName(QStringLiteral("LinesDock"));
    table_ = new QTableWidget(0, 8, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Kind"), QStringLiteral("Heading"),
                                       QStringLiteral("Length (m)"), QStringLiteral("Start"), QStringLiteral("End"),
                                       QStringLiteral("Seconds"), QStringLiteral("Soundings")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setWidget(table_);
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && static_cast<size_t>(row) < lines_.Lines.size() && onChosen) onChosen(lines_.Lines[static_cast<size_t>(row)]);
    });
}

void LinesDock::SetLines(LineSet lines) {
    lines_ = std::move(lines);
    table_->blockSignals(true);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(lines_.Lines.size()));
    int row = 0;
    for (const SurveyLine& l : lines_.Lines) {
        const auto cell = [&](int column, const QString& text, bool number) {
            auto* item = new QTableWidgetItem(text);
            if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        };
        cell(0, QString::number(l.Number), true);
        cell(1, QString::fromLatin1(LineKindName(l.Kind)), false);
        cell(2, QString::number(l.Heading, 'f', 1), true);
        cell(3, QString::number(l.Length, 'f', 1), true);
        cell(4, QString::fromStdString(MomentText(l.Start)), false);
        cell(5, QString::fromStdString(MomentText(l.End)), false);
        cell(6, QString::number(static_cast<double>(l.End - l.Start) / 100.0, 'f', 1), true);
        cell(7, QString::number(l.SoundingCount()), true);
        ++row;
    }
    table_->blockSignals(false);
}

}  // namespace aq::gui
