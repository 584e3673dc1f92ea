// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/volumedlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "io/document.h"
#include "render/volumereport.h"
#include "surface/crs.h"
#include "surface/soundings.h"

namespace aq::gui {

namespace {

QLineEdit* Field(QWidget* parent, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMinimumWidth(90);
    return edit;
}

// A file field with a Browse button, in a grid row.
QLineEdit* FileRow(QGridLayout* grid, int row, QWidget* label, const std::string& value, const QString& filter) {
    auto* parent = grid->parentWidget();
    auto* edit = new QLineEdit(QString::fromStdString(value), parent);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), parent);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(browse, row, 2);
    QObject::connect(browse, &QPushButton::clicked, parent, [edit, parent, filter] {
        const QString path = QFileDialog::getOpenFileName(parent, QString(), edit->text(), filter);
        if (!path.isEmpty()) edit->setText(path);
    });
    return edit;
}

VolumeValues& Remembered() {
    static VolumeValues values;
    return values;
}

}  // namespace

CVolumeDlg::CVolumeDlg(const VolumeValues& v, QWidget* parent) : ExchangeDialog(parent), values_(v) {
    setWindowTitle(QStringLiteral("Volumes"));
    setObjectName(QStringLiteral("CVolumeDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* reference = new QGroupBox(QStringLiteral("Measured against"), this);
    auto* rl = new QGridLayout(reference);
    level_ = new QRadioButton(QStringLiteral("Design level (m)"), reference);
    design_ = new QRadioButton(QStringLiteral("Design surface"), reference);
    against_ = new QRadioButton(QStringLiteral("Second survey"), reference);
    levelField_ = Field(reference, ShowReal(v.level));
    rl->addWidget(level_, 0, 0);
    rl->addWidget(levelField_, 0, 1, 1, 2);
    designField_ = FileRow(rl, 1, design_, v.design,
                           QStringLiteral("Designs (*.tif *.tiff *.asc *.xyz *.txt *.csv *.dxf);;All Files (*)"));
    againstField_ = FileRow(rl, 2, against_, v.against, QStringLiteral("Surveys (*.son);;All Files (*)"));
    (v.reference == 1 ? design_ : v.reference == 2 ? against_ : level_)->setChecked(true);
    layout->addWidget(reference);

    auto* area = new QGroupBox(QStringLiteral("Area"), this);
    auto* al = new QGridLayout(area);
    boundaryField_ = FileRow(al, 0, new QLabel(QStringLiteral("Boundary (empty: the survey's coverage)"), area),
                             v.boundary,
                             QStringLiteral("Boundaries (*.gpkg *.shp *.kml *.dxf *.geojson *.txt);;All Files (*)"));
    overdepthField_ = Field(area, ShowReal(v.overdepth));
    al->addWidget(new QLabel(QStringLiteral("Overdepth below the design (m)"), area), 1, 0);
    al->addWidget(overdepthField_, 1, 1);
    layout->addWidget(area);

    auto* methods = new QGroupBox(QStringLiteral("Methods"), this);
    auto* ml = new QGridLayout(methods);
    grid_ = new QCheckBox(QStringLiteral("Grid difference"), methods);
    tin_ = new QCheckBox(QStringLiteral("TIN to TIN"), methods);
    sections_ = new QCheckBox(QStringLiteral("Cross sections (end areas, prismoidal)"), methods);
    grid_->setChecked(v.grid);
    tin_->setChecked(v.tin);
    sections_->setChecked(v.sections);
    cellField_ = Field(methods, v.cell > 0 ? ShowReal(v.cell) : QString());
    cellField_->setPlaceholderText(QStringLiteral("from the line spacing"));
    ml->addWidget(grid_, 0, 0);
    ml->addWidget(new QLabel(QStringLiteral("Cell (m)"), methods), 0, 1);
    ml->addWidget(cellField_, 0, 2);
    ml->addWidget(tin_, 1, 0);
    ml->addWidget(sections_, 2, 0, 1, 3);
    centreField_ = FileRow(ml, 3, new QLabel(QStringLiteral("Centre line (file, or X1,Y1,X2,Y2)"), methods),
                           v.centreLine, QStringLiteral("Lines (*.gpkg *.shp *.kml *.dxf *.geojson);;All Files (*)"));
    spacingField_ = Field(methods, ShowReal(v.spacing));
    widthField_ = Field(methods, ShowReal(v.width));
    ml->addWidget(new QLabel(QStringLiteral("Spacing (m)"), methods), 4, 0);
    ml->addWidget(spacingField_, 4, 1);
    ml->addWidget(new QLabel(QStringLiteral("Width (m)"), methods), 5, 0);
    ml->addWidget(widthField_, 5, 1);
    layout->addWidget(methods);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CVolumeDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CVolumeDlg::reject);
    layout->addWidget(box);
}

bool CVolumeDlg::Exchange() {
    VolumeValues v = values_;
    v.reference = design_->isChecked() ? 1 : against_->isChecked() ? 2 : 0;
    if (v.reference == 0 && !ReadNumberBetween(levelField_, -12000, 12000, v.level)) return false;
    v.design = designField_->text().trimmed().toStdString();
    v.against = againstField_->text().trimmed().toStdString();
    if (v.reference == 1 && v.design.empty()) return Refuse(designField_, QStringLiteral("Please choose the design file."));
    if (v.reference == 2 && v.against.empty()) return Refuse(againstField_, QStringLiteral("Please choose the second survey."));
    v.boundary = boundaryField_->text().trimmed().toStdString();
    if (!ReadNumberBetween(overdepthField_, 0, 100, v.overdepth)) return false;
    v.grid = grid_->isChecked();
    v.tin = tin_->isChecked();
    v.sections = sections_->isChecked();
    if (!v.grid && !v.tin && !v.sections) return Refuse(grid_, QStringLiteral("Please choose at least one method."));
    v.cell = 0;
    if (!cellField_->text().trimmed().isEmpty() && !ReadNumberBetween(cellField_, 0.001, 100000, v.cell)) return false;
    v.centreLine = centreField_->text().trimmed().toStdString();
    if (v.sections) {
        if (v.centreLine.empty()) return Refuse(centreField_, QStringLiteral("Please give the centre line of the sections."));
        if (!ReadNumberBetween(spacingField_, 0.01, 1e6, v.spacing) || !ReadNumberBetween(widthField_, 0.01, 1e6, v.width))
            return false;
    }
    values_ = v;
    return true;
}

CVolumeResultDlg::CVolumeResultDlg(VolumeReport report, QWidget* parent) : QDialog(parent), report_(std::move(report)) {
    setWindowTitle(QStringLiteral("Volumes"));
    setObjectName(QStringLiteral("CVolumeResultDlg"));
    auto* layout = new QVBoxLayout(this);
    const std::vector<std::vector<std::string>> rows = VolumeTable(report_.figures);
    table_ = new QTableWidget(static_cast<int>(rows.size()) - 1, static_cast<int>(rows.front().size()), this);
    QStringList header;
    for (const std::string& h : rows.front()) header << QString::fromStdString(h);
    table_->setHorizontalHeaderLabels(header);
    for (size_t r = 1; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
        }
    table_->verticalHeader()->hide();
    table_->resizeColumnsToContents();
    table_->setMinimumHeight(table_->rowHeight(0) * (static_cast<int>(rows.size()) + 1));
    layout->addWidget(table_);
    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(RenderDifferencePlan(report_.plan, QSize(900, 420))));
    layout->addWidget(picture);
    note_ = new QLabel(QStringLiteral("Volumes in m3, areas in m2. Cut is the survey above the reference, fill below it; "
                                      "uncovered is the area measured that the survey and the reference do not both cover."),
                       this);
    note_->setWordWrap(true);
    layout->addWidget(note_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* pdf = box->addButton(QStringLiteral("Save Report..."), QDialogButtonBox::ActionRole);
    QPushButton* csv = box->addButton(QStringLiteral("Save CSV..."), QDialogButtonBox::ActionRole);
    const auto show = [this](const std::string& error) {
        if (!error.empty()) note_->setText(QString::fromStdString(error));
    };
    connect(pdf, &QPushButton::clicked, this, [this, show] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Report"), QStringLiteral("volumes.pdf"),
                                                          QStringLiteral("PDF (*.pdf)"));
        if (!path.isEmpty()) show(SaveReport(path.toStdString()));
    });
    connect(csv, &QPushButton::clicked, this, [this, show] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save CSV"), QStringLiteral("volumes.csv"),
                                                          QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty()) show(SaveCsv(path.toStdString()));
    });
    connect(box, &QDialogButtonBox::rejected, this, &CVolumeResultDlg::reject);
    layout->addWidget(box);
}

std::string CVolumeResultDlg::SaveReport(const std::string& path) { return WriteVolumeReport(report_, path); }
std::string CVolumeResultDlg::SaveCsv(const std::string& path) { return WriteVolumeCsv(report_, path); }

bool ReadReference(CVKDoc& doc, int kind, double level, const std::string& design, const std::string& against,
                   surface::Reference& out, UserPort& port) {
    std::string error;
    const surface::CoordinateSystem crs = surface::DocumentCrs(doc);
    if (kind == 0) {
        out = surface::Reference{};
        out.kind = surface::ReferenceKind::Level;
        out.level = level;
        return true;
    }
    if (kind == 1) {
        if (surface::ReadDesign(design, crs, out, error)) return true;
        port.Message(error, Severity::Error);
        return false;
    }
    out = surface::Reference{};
    out.kind = surface::ReferenceKind::Survey;
    out.description = against;
    // The other survey's counts and modified mark are not the window's to show.
    CVKDoc other;
    UnshownDocumentPort otherPort(port);
    if (!OpenDocument(other, against, otherPort)) return false;
    surface::CheckRecordedCrs(other, otherPort);
    const surface::CoordinateSystem theirs = surface::DocumentCrs(other);
    if (other.IsGeographic() != doc.IsGeographic() || !surface::SameCoordinateSystem(crs, theirs)) {
        port.Message(against + " is in " + theirs.name + " and the survey in " + crs.name +
                         ": bring them into one coordinate system first.",
                     Severity::Error);
        return false;
    }
    const CVKDoc* docs[] = {&other};
    if (!surface::CollectSoundings(docs, out.survey, error, &port)) {
        port.Message(against + ": " + error, Severity::Error);
        return false;
    }
    return true;
}

void VolumesCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog,
                    surface::Surface* difference) {
    CVolumeDlg dlg(Remembered(), parent);
    if (!runDialog(dlg)) return;
    Remembered() = dlg.Values();
    const VolumeValues& v = dlg.Values();
    const surface::CoordinateSystem crs = surface::DocumentCrs(doc);
    std::string error;
    surface::Soundings survey;
    const CVKDoc* docs[] = {&doc};
    surface::Reference reference;
    surface::VolumeOptions o;
    const auto fail = [&](const std::string& e) { port.Message(e, Severity::Error); };
    if (!surface::CollectSoundings(docs, survey, error, &port)) return fail(error);
    if (!ReadReference(doc, v.reference, v.level, v.design, v.against, reference, port)) return;
    if (!v.boundary.empty() && !surface::ReadBoundary(v.boundary, crs, o.boundary, error)) return fail(error);
    o.grid = v.grid;
    o.tin = v.tin;
    o.sections = v.sections;
    o.cell = v.cell;
    o.overdepth = v.overdepth;
    if (v.sections) {
        if (!surface::ReadCentreLine(v.centreLine, crs, o.centreLine, error)) return fail(error);
        o.spacing = v.spacing;
        o.width = v.width;
    }
    surface::VolumeResult result;
    if (!surface::MeasureVolumes(survey, reference, o, result, error, &port)) return fail(error);
    const std::string name = doc.PathName.empty() ? std::string("the open survey") : doc.PathName;
    CVolumeResultDlg results(surface::ReportOf(result, o, name, reference, v.centreLine, crs, survey.plane), parent);
    if (difference) {
        *difference = std::move(result.difference);
        difference->crs = crs;
    }
    runDialog(results);
}

}  // namespace aq::gui
