// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/griddlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <string>

#include "model/platform.h"
#include "surface/raster.h"

namespace aq::gui {

namespace {

using surface::Method;

constexpr Method kMethods[] = {Method::Tin,      Method::Idw,     Method::Mean,  Method::Median,
                               Method::Shoalest, Method::Deepest, Method::Count, Method::StdDev};

QString MethodLabel(Method m) {
    switch (m) {
        case Method::Tin: return QStringLiteral("Triangulation (TIN)");
        case Method::Idw: return QStringLiteral("Inverse distance (IDW)");
        case Method::Mean: return QStringLiteral("Mean");
        case Method::Median: return QStringLiteral("Median");
        case Method::Shoalest: return QStringLiteral("Shoalest");
        case Method::Deepest: return QStringLiteral("Deepest");
        case Method::Count: return QStringLiteral("Count");
        case Method::StdDev: return QStringLiteral("Standard deviation");
    }
    return {};
}

QLineEdit* Field(QWidget* parent, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMinimumWidth(90);
    return edit;
}

QString Optional(double v) { return v > 0 ? ShowReal(v) : QString(); }

}  // namespace

bool PreviewGrid(const surface::Soundings& soundings, const surface::GridOptions& options, QString& text) {
    surface::GridGeometry g;
    std::string error;
    if (!surface::PlanGrid(soundings, options, g, error)) {
        text = QString::fromStdString(error);
        return false;
    }
    const uint64_t need = surface::MemoryNeeded(g, options, soundings.size());
    const QLocale locale;
    text = QStringLiteral("%1 x %2 = %3 cells, about %4")
               .arg(locale.toString(static_cast<qlonglong>(g.nx)), locale.toString(static_cast<qlonglong>(g.ny)),
                    locale.toString(static_cast<qulonglong>(g.Cells())),
                    locale.formattedDataSize(static_cast<qint64>(std::min<uint64_t>(need, INT64_MAX))));
    const uint64_t have = platform::PhysicalMemoryBytes();
    if (have > 0 && need > have / 4 * 3) {
        text += QStringLiteral(": more memory than this machine has to give (%1). Choose a larger cell or a smaller "
                               "extent.")
                    .arg(locale.formattedDataSize(static_cast<qint64>(have)));
        return false;
    }
    return true;
}

CGridDlg::CGridDlg(const GridValues& values, Gather gather, QWidget* parent)
    : ExchangeDialog(parent), values_(values), gather_(std::move(gather)) {
    setWindowTitle(QStringLiteral("Grid Surface"));
    setObjectName(QStringLiteral("CGridDlg"));
    const surface::GridOptions& o = values.options;
    auto* layout = new QVBoxLayout(this);

    auto* file = new QGroupBox(QStringLiteral("Raster file (.tif, .asc, .xyz or .bag; empty to show it only)"), this);
    auto* fl = new QHBoxLayout(file);
    path_ = new QLineEdit(values.path, file);
    path_->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), file);
    fl->addWidget(path_);
    fl->addWidget(browse);
    layout->addWidget(file);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            choosePath ? choosePath()
                       : QFileDialog::getSaveFileName(this, QStringLiteral("Save Surface"), path_->text(),
                                                      QStringLiteral("GeoTIFF (*.tif);;ESRI ASCII grid (*.asc);;XYZ "
                                                                     "grid (*.xyz);;BAG (*.bag)"),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
        if (!path.isEmpty()) path_->setText(path);
    });

    auto* making = new QGroupBox(QStringLiteral("Surface"), this);
    auto* form = new QFormLayout(making);
    method_ = new QComboBox(making);
    for (const Method m : kMethods) method_->addItem(MethodLabel(m), static_cast<int>(m));
    method_->setCurrentIndex(static_cast<int>(std::find(std::begin(kMethods), std::end(kMethods), o.method) -
                                              std::begin(kMethods)));
    cell_ = Field(making, Optional(o.cell));
    radius_ = Field(making, Optional(o.radius));
    radius_->setPlaceholderText(QStringLiteral("2 x the cell"));
    maxEdge_ = Field(making, Optional(o.maxEdge));
    maxEdge_->setPlaceholderText(QStringLiteral("3 x the line spacing"));
    minCount_ = Field(making, QString::number(o.minCount));
    form->addRow(QStringLiteral("&Method"), method_);
    form->addRow(QStringLiteral("&Cell (m)"), cell_);
    form->addRow(QStringLiteral("Search &radius (m)"), radius_);
    form->addRow(QStringLiteral("Longest &edge (m)"), maxEdge_);
    form->addRow(QStringLiteral("Fewest so&undings"), minCount_);
    layout->addWidget(making);

    auto* area = new QGroupBox(QStringLiteral("Extent"), this);
    auto* al = new QGridLayout(area);
    givenExtent_ = new QCheckBox(QStringLiteral("&Given (survey units), else the soundings' own"), area);
    givenExtent_->setChecked(o.extent.has_value());
    al->addWidget(givenExtent_, 0, 0, 1, 4);
    const char* names[] = {"West", "South", "East", "North"};
    const double given[] = {o.extent ? o.extent->xmin : 0, o.extent ? o.extent->ymin : 0,
                            o.extent ? o.extent->xmax : 0, o.extent ? o.extent->ymax : 0};
    for (int i = 0; i < 4; ++i) {
        extent_[i] = Field(area, o.extent ? ShowReal(given[i]) : QString());
        al->addWidget(new QLabel(QString::fromLatin1(names[i]), area), 1 + i / 2, (i % 2) * 2);
        al->addWidget(extent_[i], 1 + i / 2, (i % 2) * 2 + 1);
    }
    layout->addWidget(area);

    auto* bands = new QGroupBox(QStringLiteral("Further bands (GeoTIFF)"), this);
    auto* bl = new QHBoxLayout(bands);
    countBand_ = new QCheckBox(QStringLiteral("Sounding c&ount"), bands);
    stddevBand_ = new QCheckBox(QStringLiteral("&Standard deviation"), bands);
    countBand_->setChecked(o.countBand);
    stddevBand_->setChecked(o.stddevBand);
    bl->addWidget(countBand_);
    bl->addWidget(stddevBand_);
    layout->addWidget(bands);

    auto* more = new QGroupBox(QStringLiteral("Further surveys"), this);
    auto* ml = new QGridLayout(more);
    also_ = new QListWidget(more);
    also_->addItems(values.also);
    also_->setMaximumHeight(80);
    auto* add = new QPushButton(QStringLiteral("&Add..."), more);
    auto* remove = new QPushButton(QStringLiteral("Re&move"), more);
    ml->addWidget(also_, 0, 0, 2, 1);
    ml->addWidget(add, 0, 1);
    ml->addWidget(remove, 1, 1);
    layout->addWidget(more);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString path = chooseSurvey ? chooseSurvey()
                                          : QFileDialog::getOpenFileName(this, QStringLiteral("Further Survey"), {},
                                                                         QStringLiteral("Surveys (*.son)"), nullptr,
                                                                         QFileDialog::DontUseNativeDialog);
        if (path.isEmpty()) return;
        also_->addItem(path);
        UpdatePreview();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        delete also_->currentItem();
        UpdatePreview();
    });

    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("GridPreview"));
    preview_->setWordWrap(true);
    preview_->setMinimumHeight(preview_->fontMetrics().height() * 2);
    layout->addWidget(preview_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGridDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGridDlg::reject);
    layout->addWidget(buttons);

    for (QLineEdit* e : {cell_, radius_, maxEdge_, minCount_, extent_[0], extent_[1], extent_[2], extent_[3]})
        connect(e, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    connect(path_, &QLineEdit::textChanged, this, [this] { UpdateEnabling(); });
    connect(method_, &QComboBox::currentIndexChanged, this, [this] {
        UpdateEnabling();
        UpdatePreview();
    });
    connect(givenExtent_, &QCheckBox::toggled, this, [this] {
        UpdateEnabling();
        UpdatePreview();
    });
    connect(stddevBand_, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
    connect(countBand_, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
    UpdateEnabling();
    UpdatePreview();
}

void CGridDlg::UpdateEnabling() {
    const auto m = static_cast<Method>(method_->currentData().toInt());
    radius_->setEnabled(m == Method::Idw);
    maxEdge_->setEnabled(m == Method::Tin);
    minCount_->setEnabled(m != Method::Tin);
    for (QLineEdit* e : extent_) e->setEnabled(givenExtent_->isChecked());
    const auto format = surface::RasterFormatOf(path_->text().toStdString());
    const bool tif = !format || *format == surface::RasterFormat::GeoTiff;
    countBand_->setEnabled(tif);
    stddevBand_->setEnabled(tif);
}

bool CGridDlg::ReadFields(bool refuse) {
    GridValues v = values_;
    surface::GridOptions& o = v.options;
    o.method = static_cast<Method>(method_->currentData().toInt());
    const auto number = [&](QLineEdit* field, double& out, bool optional) {
        if (optional && field->text().trimmed().isEmpty()) {
            out = 0;
            return true;
        }
        if (refuse) return ReadNumber(field, out);
        return ParseNumber(field->text(), out);
    };
    if (!number(cell_, o.cell, false)) return false;
    if (refuse && !(o.cell > 0)) return Refuse(cell_, QStringLiteral("The cell must be a length above 0 m."));
    if (!number(radius_, o.radius, true) || !number(maxEdge_, o.maxEdge, true)) return false;
    if (refuse && (o.radius < 0 || o.maxEdge < 0))
        return Refuse(o.radius < 0 ? radius_ : maxEdge_, QStringLiteral("Please enter a length of 0 m or more."));
    int32_t minCount = 1;
    if (o.method != Method::Tin) {
        if (refuse) {
            if (!ReadIntBetween(minCount_, 1, INT32_MAX, minCount)) return false;
        } else {
            int64_t n = 0;
            if (!ParseInteger(minCount_->text(), n) || n < 1 || n > INT32_MAX) return false;
            minCount = static_cast<int32_t>(n);
        }
    }
    o.minCount = minCount;
    if (o.method != Method::Idw) o.radius = 0;
    if (o.method != Method::Tin) o.maxEdge = 0;
    o.extent.reset();
    if (givenExtent_->isChecked()) {
        surface::Extent e;
        double* edges[] = {&e.xmin, &e.ymin, &e.xmax, &e.ymax};
        for (int i = 0; i < 4; ++i)
            if (!number(extent_[i], *edges[i], false)) return false;
        o.extent = e;
    }
    v.path = path_->text().trimmed();
    const auto format = surface::RasterFormatOf(v.path.toStdString());
    const bool tif = v.path.isEmpty() || (format && *format == surface::RasterFormat::GeoTiff);
    o.countBand = tif && countBand_->isChecked();
    o.stddevBand = tif && stddevBand_->isChecked();
    if (refuse && !v.path.isEmpty() && !format)
        return Refuse(path_, QStringLiteral("A surface is written as %1: the name ends in none of them.")
                                 .arg(QString::fromLatin1(surface::kRasterExtensions)));
    v.also.clear();
    for (int i = 0; i < also_->count(); ++i) v.also << also_->item(i)->text();
    values_ = v;
    return true;
}

bool CGridDlg::UpdatePreview() {
    if (!ReadFields(false)) {
        preview_->setText(QStringLiteral("Give the cell and the other values as numbers to see the grid."));
        return false;
    }
    const surface::Soundings* s = gather_ ? gather_(values_.also) : nullptr;
    if (!s) {
        preview_->setText(QStringLiteral("The surveys give no soundings to grid."));
        return false;
    }
    QString text;
    const bool ok = PreviewGrid(*s, values_.options, text);
    preview_->setText(text);
    return ok;
}

bool CGridDlg::Exchange() {
    if (!ReadFields(true)) return false;
    const surface::Soundings* s = gather_ ? gather_(values_.also) : nullptr;
    if (!s) return Refuse(cell_, QStringLiteral("The surveys give no soundings to grid."));
    QString text;
    const bool ok = PreviewGrid(*s, values_.options, text);
    preview_->setText(text);
    if (!ok) return Refuse(cell_, text);
    return true;
}

}  // namespace aq::gui
