// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/contoursdlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <cmath>

#include "surface/raster.h"

namespace aq::gui {

namespace {

QString LevelList(const std::vector<double>& levels) {
    QStringList out;
    for (const double v : levels) out << ShowReal(v);
    return out.join(QStringLiteral(", "));
}

QPushButton* Browse(QWidget* parent, QLineEdit* field, bool save, const QString& title, const QString& filter) {
    auto* button = new QPushButton(QStringLiteral("Browse..."), parent);
    QObject::connect(button, &QPushButton::clicked, parent, [=] {
        const QString path =
            save ? QFileDialog::getSaveFileName(parent, title, field->text(), filter, nullptr,
                                                QFileDialog::DontUseNativeDialog)
                 : QFileDialog::getOpenFileName(parent, title, field->text(), filter, nullptr,
                                                QFileDialog::DontUseNativeDialog);
        if (!path.isEmpty()) field->setText(path);
    });
    return button;
}

}  // namespace

CContoursDlg::CContoursDlg(const ContoursValues& values, bool haveLastSurface, bool haveSoundings, QWidget* parent)
    : ExchangeDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Contours"));
    setObjectName(QStringLiteral("CContoursDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* which = new QGroupBox(QStringLiteral("Levels (m)"), this);
    auto* wl = new QGridLayout(which);
    byInterval_ = new QRadioButton(QStringLiteral("Every"), which);
    byLevels_ = new QRadioButton(QStringLiteral("At"), which);
    interval_ = new QLineEdit(values.levels.interval > 0 ? ShowReal(values.levels.interval) : QStringLiteral("1"), which);
    levels_ = new QLineEdit(LevelList(values.levels.levels), which);
    levels_->setPlaceholderText(QStringLiteral("-5, -10, -20"));
    (values.levels.levels.empty() ? byInterval_ : byLevels_)->setChecked(true);
    wl->addWidget(byInterval_, 0, 0);
    wl->addWidget(interval_, 0, 1);
    wl->addWidget(byLevels_, 1, 0);
    wl->addWidget(levels_, 1, 1);
    layout->addWidget(which);

    auto* file = new QGroupBox(QStringLiteral("Lines file (.gpkg, .shp, .dxf or .kml; empty to show them only)"), this);
    auto* fl = new QHBoxLayout(file);
    path_ = new QLineEdit(values.path, file);
    path_->setMinimumWidth(320);
    fl->addWidget(path_);
    fl->addWidget(Browse(this, path_, true, QStringLiteral("Save Contours"),
                         QStringLiteral("GeoPackage (*.gpkg);;Shapefile (*.shp);;DXF (*.dxf);;KML (*.kml)")));
    layout->addWidget(file);

    auto* from = new QGroupBox(QStringLiteral("Surface"), this);
    auto* sl = new QGridLayout(from);
    fromLast_ = new QRadioButton(QStringLiteral("The &last surface made"), from);
    fromFile_ = new QRadioButton(QStringLiteral("A &raster file"), from);
    fromSurvey_ = new QRadioButton(QStringLiteral("Made of the &survey (triangulated, cell from the line spacing)"), from);
    raster_ = new QLineEdit(values.raster, from);
    fromLast_->setEnabled(haveLastSurface);
    fromSurvey_->setEnabled(haveSoundings);
    ContourSource source = values.source;
    if (source == ContourSource::LastSurface && !haveLastSurface)
        source = haveSoundings ? ContourSource::Made : ContourSource::RasterFile;
    if (source == ContourSource::Made && !haveSoundings) source = ContourSource::RasterFile;
    (source == ContourSource::LastSurface ? fromLast_ : source == ContourSource::Made ? fromSurvey_ : fromFile_)
        ->setChecked(true);
    sl->addWidget(fromLast_, 0, 0, 1, 3);
    sl->addWidget(fromFile_, 1, 0);
    sl->addWidget(raster_, 1, 1);
    sl->addWidget(Browse(this, raster_, false, QStringLiteral("Surface"),
                         QStringLiteral("Rasters (*.tif *.tiff *.asc *.xyz *.bag);;All Files (*)")),
                  1, 2);
    sl->addWidget(fromSurvey_, 2, 0, 1, 3);
    layout->addWidget(from);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CContoursDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CContoursDlg::reject);
    layout->addWidget(buttons);
    for (QRadioButton* r : {byInterval_, byLevels_, fromLast_, fromFile_, fromSurvey_})
        connect(r, &QRadioButton::toggled, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

void CContoursDlg::UpdateEnabling() {
    interval_->setEnabled(byInterval_->isChecked());
    levels_->setEnabled(byLevels_->isChecked());
    raster_->setEnabled(fromFile_->isChecked());
}

bool CContoursDlg::Exchange() {
    ContoursValues v = values_;
    v.levels = {};
    if (byInterval_->isChecked()) {
        if (!ReadNumber(interval_, v.levels.interval)) return false;
        if (!(v.levels.interval > 0)) return Refuse(interval_, QStringLiteral("The interval must be above 0 m."));
    } else {
        for (const QString& word : levels_->text().split(QRegularExpression(QStringLiteral("[,;\\s]+")),
                                                         Qt::SkipEmptyParts)) {
            double level = 0;
            if (!ParseNumber(word, level) || !std::isfinite(level))
                return Refuse(levels_, QStringLiteral("Please enter levels in metres separated by commas."));
            v.levels.levels.push_back(level);
        }
        if (v.levels.levels.empty()) return Refuse(levels_, QStringLiteral("Please enter at least one level."));
    }
    v.path = path_->text().trimmed();
    if (!v.path.isEmpty() && !surface::ContourFormatOf(v.path.toStdString()))
        return Refuse(path_, QStringLiteral("Contours are written as %1: the name ends in none of them.")
                                 .arg(QString::fromLatin1(surface::kContourExtensions)));
    v.source = fromLast_->isChecked() ? ContourSource::LastSurface
               : fromSurvey_->isChecked() ? ContourSource::Made
                                          : ContourSource::RasterFile;
    v.raster = raster_->text().trimmed();
    if (v.source == ContourSource::RasterFile && v.raster.isEmpty())
        return Refuse(raster_, QStringLiteral("Please name the raster to contour."));
    values_ = v;
    return true;
}

}  // namespace aq::gui
