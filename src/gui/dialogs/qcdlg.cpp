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
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace aq::gui {

namespace {

QLineEdit* Field(QWidget* parent, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMinimumWidth(110);
    return edit;
}

// A placeholder the field is wide enough to show whole, in the font and scale in force.
void Placeholder(QLineEdit* edit, const QString& text) {
    edit->setPlaceholderText(text);
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    const int wanted = edit->fontMetrics().horizontalAdvance(text) + 2 * frame + 16;
    if (edit->minimumWidth() < wanted) edit->setMinimumWidth(wanted);
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
    Placeholder(cross_, QStringLiteral("by heading"));
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

void QcDialog::AddPagesAndButtons(QVBoxLayout* layout, QWidget* page, const QString& title, const LineOptions& o) {
    pages_ = new QTabWidget(this);
    pages_->addTab(page, title);
    auto* lines = new QWidget(pages_);
    AddLineFields(new QFormLayout(lines), o);
    pages_->addTab(lines, QStringLiteral("Lines"));
    layout->addWidget(pages_);
    layout->addWidget(Buttons(this));
}

void QcDialog::AddNodeFields(QFormLayout* form, QWidget* parent, bool compare, const QString& surfacePath,
                             QCheckBox*& nodes, QLineEdit*& surface) {
    nodes = new QCheckBox(QStringLiteral("Also compare every crossline sounding with a surface"), parent);
    nodes->setChecked(compare);
    form->addRow(nodes);
    surface = Field(parent, surfacePath);
    Placeholder(surface, QStringLiteral("the surface of the main lines"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), parent);
    QLineEdit* field = surface;
    connect(browse, &QPushButton::clicked, this, [this, field] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Surface"), field->text(),
            QStringLiteral("Rasters (*.tif *.tiff *.asc *.bag *.xyz);;All files (*)"));
        if (!path.isEmpty()) field->setText(path);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(surface);
    row->addWidget(browse);
    form->addRow(QStringLiteral("Surface (a raster in the survey's system)"), row);
    const auto follow = [field, browse](bool on) {
        field->setEnabled(on);
        browse->setEnabled(on);
    };
    connect(nodes, &QCheckBox::toggled, this, follow);
    follow(compare);
}

void QcDialog::Reveal(QWidget* field) {
    if (!pages_) return;
    for (int i = 0; i < pages_->count(); ++i)
        if (pages_->widget(i)->isAncestorOf(field)) pages_->setCurrentIndex(i);
}

QString QcDialog::FieldName(QWidget* field) const {
    for (const QFormLayout* form : findChildren<QFormLayout*>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* item = form->itemAt(row, QFormLayout::FieldRole);
            if (!item || (item->widget() != field && !(item->layout() && item->layout()->indexOf(field) >= 0)))
                continue;
            QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
            if (const auto* text = label ? qobject_cast<const QLabel*>(label->widget()) : nullptr)
                return text->text().remove(QLatin1Char('&'));
            return {};
        }
    }
    return {};
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
                           const QString& surfacePath, QWidget* parent)
    : QcDialog(parent), lines_(lines), crossings_(crossings), compareNodes_(compareNodes), surfacePath_(surfacePath) {
    setWindowTitle(QStringLiteral("Crossings"));
    setObjectName(QStringLiteral("CrossingsDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* page = new QWidget(this);
    auto* lf = new QFormLayout(page);
    AddCrossingLimits(lf, page, crossings, maxDistance_, maxSlope_);
    csv_ = Field(page, QString());
    Placeholder(csv_, QStringLiteral("no CSV file"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), page);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Crossings CSV"), csv_->text(),
                                                          QStringLiteral("CSV files (*.csv);;All files (*)"));
        if (!path.isEmpty()) csv_->setText(path);
    });
    auto* csvRow = new QHBoxLayout;
    csvRow->addWidget(csv_);
    csvRow->addWidget(browse);
    lf->addRow(QStringLiteral("CSV of the crossings"), csvRow);
    AddNodeFields(lf, page, compareNodes, surfacePath, nodes_, surface_);
    AddPagesAndButtons(layout, page, QStringLiteral("Crossings"), lines);
}

bool CrossingsDlg::Exchange() {
    if (!ReadCrossingLimits(maxDistance_, maxSlope_, crossings_)) return false;
    csvPath_ = csv_->text().trimmed();
    compareNodes_ = nodes_->isChecked();
    surfacePath_ = surface_->text().trimmed();
    return ReadLineFields(lines_);
}

// ---- Survey Report ----

ReportDlg::ReportDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes,
                     const QString& surfacePath, QWidget* parent)
    : QcDialog(parent), lines_(lines), crossings_(crossings), compareNodes_(compareNodes), surfacePath_(surfacePath) {
    setWindowTitle(QStringLiteral("Survey Report"));
    setObjectName(QStringLiteral("ReportDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* page = new QWidget(this);
    auto* lf = new QFormLayout(page);
    AddCrossingLimits(lf, page, crossings, maxDistance_, maxSlope_);
    AddNodeFields(lf, page, compareNodes, surfacePath, nodes_, surface_);
    AddPagesAndButtons(layout, page, QStringLiteral("Crossings"), lines);
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
    auto* filter = new QWidget(this);
    auto* ff = new QFormLayout(filter);
    order_ = new QComboBox(filter);
    for (const S44Order o : kS44Orders)
        order_->addItem(QStringLiteral("S-44 %1").arg(QString::fromLatin1(S44Name(o))), static_cast<int>(o));
    order_->setCurrentIndex(static_cast<int>(options.Order));
    window_ = Field(filter, QString::number(options.Window));
    windowMetres_ = Field(filter, options.WindowMetres > 0 ? ShowReal(options.WindowMetres) : QString());
    Placeholder(windowMetres_, QStringLiteral("by soundings"));
    k_ = Field(filter, ShowReal(options.K));
    minDepth_ = Field(filter, options.MinDepth ? ShowReal(*options.MinDepth) : QString());
    maxDepth_ = Field(filter, options.MaxDepth ? ShowReal(*options.MaxDepth) : QString());
    Placeholder(minDepth_, QStringLiteral("none"));
    Placeholder(maxDepth_, QStringLiteral("none"));
    ff->addRow(QStringLiteral("Allowance of order"), order_);
    ff->addRow(QStringLiteral("Window (soundings)"), window_);
    ff->addRow(QStringLiteral("Window (m)"), windowMetres_);
    ff->addRow(QStringLiteral("Spreads (k)"), k_);
    ff->addRow(QStringLiteral("Minimum depth (m)"), minDepth_);
    ff->addRow(QStringLiteral("Maximum depth (m)"), maxDepth_);
    AddPagesAndButtons(layout, filter, QStringLiteral("Spikes"), options.Lines);
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
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    note_ = new QLabel(body);
    note_->setWordWrap(true);
    note_->setObjectName(QStringLiteral("LinesNote"));
    note_->hide();
    layout->addWidget(note_);
    table_ = new QTableWidget(0, 8, body);
    table_->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Kind"), QStringLiteral("Heading"),
                                       QStringLiteral("Length (m)"), QStringLiteral("Start"), QStringLiteral("End"),
                                       QStringLiteral("Seconds"), QStringLiteral("Soundings")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table_);
    setWidget(body);
    // Escape in the table takes the choice away, and with it the line's highlight.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), table_);
    escape->setContext(Qt::WidgetShortcut);
    connect(escape, &QShortcut::activated, table_, &QTableWidget::clearSelection);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (const SurveyLine* line = Chosen()) {
            if (onChosen) onChosen(*line);
        } else if (onCleared) {
            onCleared();
        }
    });
}

const SurveyLine* LinesDock::Chosen() const {
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    if (items.isEmpty()) return nullptr;
    const int row = items.front()->row();
    return row >= 0 && static_cast<size_t>(row) < lines_.Lines.size() ? &lines_.Lines[static_cast<size_t>(row)]
                                                                       : nullptr;
}

QString LinesDock::Note() const { return note_->isHidden() ? QString() : note_->text(); }

void LinesDock::SetLines(LineSet lines, const LineOptions& options, const QString& note) {
    lines_ = std::move(lines);
    options_ = options;
    stale_ = false;
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    table_->blockSignals(true);
    table_->clearSelection();
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
    table_->setCurrentCell(-1, -1);
    table_->blockSignals(false);
    // The lines chosen before are gone with the old table.
    if (onCleared) onCleared();
}

}  // namespace aq::gui
