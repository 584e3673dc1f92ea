// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/sectionsdlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <optional>

#include "dialogs/volumedlg.h"
#include "render/volumereport.h"
#include "surface/crs.h"
#include "surface/soundings.h"
#include "surface/volume.h"
#include "views/volumedraw.h"

namespace aq::gui {

namespace {

SectionsValues& Remembered() {
    static SectionsValues values;
    return values;
}

QLineEdit* Row(QGridLayout* grid, int row, const QString& label, const QString& value) {
    auto* edit = new QLineEdit(value, grid->parentWidget());
    grid->addWidget(new QLabel(label, grid->parentWidget()), row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

CSectionsDlg::CSectionsDlg(const SectionsValues& v, QWidget* parent) : ExchangeDialog(parent), values_(v) {
    setWindowTitle(QStringLiteral("Cross Sections"));
    setObjectName(QStringLiteral("CSectionsDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* line = new QGroupBox(QStringLiteral("Sections"), this);
    auto* ll = new QGridLayout(line);
    centre_ = Row(ll, 0, QStringLiteral("Centre line (file, or X1,Y1,X2,Y2)"), QString::fromStdString(v.centreLine));
    spacing_ = Row(ll, 1, QStringLiteral("Spacing (m)"), ShowReal(v.spacing));
    width_ = Row(ll, 2, QStringLiteral("Width (m)"), ShowReal(v.width));
    layout->addWidget(line);
    auto* against = new QGroupBox(QStringLiteral("Drawn with"), this);
    auto* al = new QGridLayout(against);
    none_ = new QRadioButton(QStringLiteral("No design"), against);
    level_ = new QRadioButton(QStringLiteral("Design level (m)"), against);
    file_ = new QRadioButton(QStringLiteral("Design surface"), against);
    levelField_ = new QLineEdit(ShowReal(v.level), against);
    designField_ = new QLineEdit(QString::fromStdString(v.designFile), against);
    al->addWidget(none_, 0, 0);
    al->addWidget(level_, 1, 0);
    al->addWidget(levelField_, 1, 1);
    al->addWidget(file_, 2, 0);
    al->addWidget(designField_, 2, 1);
    (v.design == 1 ? level_ : v.design == 2 ? file_ : none_)->setChecked(true);
    against_ = Row(al, 3, QStringLiteral("Second survey (optional)"), QString::fromStdString(v.against));
    layout->addWidget(against);
    auto* out = new QGroupBox(QStringLiteral("Write"), this);
    auto* ol = new QGridLayout(out);
    output_ = Row(ol, 0, QStringLiteral("Sheets or points (.pdf, .png, .svg, .csv; optional)"), QString::fromStdString(v.output));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), out);
    ol->addWidget(browse, 0, 2);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Cross Sections"), output_->text(),
                                                          QStringLiteral("PDF (*.pdf);;PNG (*.png);;SVG (*.svg);;CSV (*.csv)"));
        if (!path.isEmpty()) output_->setText(path);
    });
    layout->addWidget(out);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CSectionsDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CSectionsDlg::reject);
    layout->addWidget(box);
}

bool CSectionsDlg::Exchange() {
    SectionsValues v = values_;
    v.centreLine = centre_->text().trimmed().toStdString();
    if (v.centreLine.empty()) return Refuse(centre_, QStringLiteral("Please give the centre line of the sections."));
    if (!ReadNumberBetween(spacing_, 0.01, 1e6, v.spacing) || !ReadNumberBetween(width_, 0.01, 1e6, v.width)) return false;
    v.design = level_->isChecked() ? 1 : file_->isChecked() ? 2 : 0;
    if (v.design == 1 && !ReadNumberBetween(levelField_, -12000, 12000, v.level)) return false;
    v.designFile = designField_->text().trimmed().toStdString();
    if (v.design == 2 && v.designFile.empty()) return Refuse(designField_, QStringLiteral("Please choose the design file."));
    v.against = against_->text().trimmed().toStdString();
    v.output = output_->text().trimmed().toStdString();
    const std::string lower = Lower(v.output);
    if (!v.output.empty() && !lower.ends_with(".pdf") && !lower.ends_with(".png") && !lower.ends_with(".svg") &&
        !lower.ends_with(".csv"))
        return Refuse(output_, QStringLiteral("The file must end in .pdf, .png, .svg or .csv."));
    values_ = v;
    return true;
}

CSectionsViewDlg::CSectionsViewDlg(std::vector<SectionProfile> sections, std::string title, std::string reference,
                                   QWidget* parent)
    : QDialog(parent), sections_(std::move(sections)), title_(std::move(title)), reference_(std::move(reference)) {
    setWindowTitle(QStringLiteral("Cross Sections"));
    setObjectName(QStringLiteral("CSectionsViewDlg"));
    auto* layout = new QVBoxLayout(this);
    picture_ = new QLabel(this);
    layout->addWidget(picture_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* previous = box->addButton(QStringLiteral("Previous Sheet"), QDialogButtonBox::ActionRole);
    QPushButton* next = box->addButton(QStringLiteral("Next Sheet"), QDialogButtonBox::ActionRole);
    connect(previous, &QPushButton::clicked, this, [this] { ShowSheet(sheet_ - 1); });
    connect(next, &QPushButton::clicked, this, [this] { ShowSheet(sheet_ + 1); });
    connect(box, &QDialogButtonBox::rejected, this, &CSectionsViewDlg::reject);
    layout->addWidget(box);
    ShowSheet(0);
}

void CSectionsViewDlg::ShowSheet(int sheet) {
    const int sheets = std::max(1, SectionSheets(sections_.size(), kSectionsPerSheet));
    sheet_ = std::clamp(sheet, 0, sheets - 1);
    picture_->setPixmap(QPixmap::fromImage(RenderSectionSheet(sections_, sheet_, QSize(1000, 706), title_, reference_)));
}

void SectionsCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog) {
    CSectionsDlg dlg(Remembered(), parent);
    if (!runDialog(dlg)) return;
    Remembered() = dlg.Values();
    const SectionsValues& v = dlg.Values();
    const auto fail = [&](const std::string& e) { port.Message(e, Severity::Error); };
    const surface::CoordinateSystem crs = surface::DocumentCrs(doc);
    std::string error;
    surface::Soundings survey;
    const CVKDoc* docs[] = {&doc};
    if (!surface::CollectSoundings(docs, survey, error, &port)) return fail(error);
    std::optional<surface::Reference> design, second;
    if (v.design != 0) {
        design.emplace();
        if (!ReadReference(doc, v.design == 1 ? 0 : 1, v.level, v.designFile, {}, *design, port)) return;
    }
    if (!v.against.empty()) {
        second.emplace();
        if (!ReadReference(doc, 2, 0, {}, v.against, *second, port)) return;
    }
    surface::VolumeOptions o;
    if (!surface::ReadCentreLine(v.centreLine, crs, o.centreLine, error)) return fail(error);
    o.sections = true;
    o.spacing = v.spacing;
    o.width = v.width;
    std::vector<SectionProfile> sections;
    if (!surface::MeasureSections(survey, second ? &second->survey : nullptr, design ? &*design : nullptr, o, sections,
                                  error, &port))
        return fail(error);
    const std::string title = "Cross sections along " + v.centreLine;
    const std::string reference = design ? "design" : "second survey";
    if (!v.output.empty()) {
        const std::string e = Lower(v.output).ends_with(".csv") ? WriteSectionsCsv(sections, v.output)
                                                                 : WriteSectionSheets(sections, v.output, title, reference);
        if (!e.empty()) fail(e);
    }
    CSectionsViewDlg view(std::move(sections), title, reference, parent);
    runDialog(view);
}

}  // namespace aq::gui
