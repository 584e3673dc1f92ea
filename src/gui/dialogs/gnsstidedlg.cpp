// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/gnsstidedlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "render/tideplot.h"

namespace aq::gui {

namespace {

constexpr int kQualities[] = {GGA_RTK_FIXED, GGA_RTK_FLOAT, GGA_DGPS, GGA_GPS, 0};

QLineEdit* Field(QWidget* parent, double v) {
    auto* edit = new QLineEdit(ShowReal(v), parent);
    edit->setMinimumWidth(90);
    return edit;
}

// What the user gave last in this session.
GnssTideValues& Remembered() {
    static GnssTideValues values;
    return values;
}

}  // namespace

CGnssTideDlg::CGnssTideDlg(const QString& title, const GnssTideValues& values, double elevationOffset, QWidget* parent)
    : ExchangeDialog(parent), values_(values) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("CGnssTideDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* heights = new QGroupBox(QStringLiteral("Heights of the positions"), this);
    auto* hl = new QVBoxLayout(heights);
    heights_ = new QComboBox(heights);
    heights_->addItem(QStringLiteral("(say what they are measured from)"));
    heights_->addItem(QStringLiteral("Ellipsoidal: above WGS84 (Trimble GGK, PJK)"));
    heights_->addItem(QStringLiteral("Above the geoid, EGM96 (NMEA GGA altitude)"));
    heights_->setCurrentIndex(values.heightsChosen ? (values.settings.heights == GnssHeights::Geoid ? 2 : 1) : 0);
    hl->addWidget(heights_);
    hl->addWidget(new QLabel(QStringLiteral("The survey's records do not say which; Leica and Brivel positions carry "
                                            "the height their receiver was set up to give."),
                             heights));
    static_cast<QLabel*>(hl->itemAt(1)->widget())->setWordWrap(true);
    layout->addWidget(heights);

    auto* separation = new QGroupBox(QStringLiteral("Separation of the datum above the ellipsoid"), this);
    auto* sl = new QGridLayout(separation);
    constant_ = new QRadioButton(QStringLiteral("Constant (m)"), separation);
    grid_ = new QRadioButton(QStringLiteral("Grid file"), separation);
    egm96_ = new QRadioButton(QStringLiteral("EGM96 geoid (PROJ data)"), separation);
    constantField_ = Field(separation, values.model.constant);
    gridField_ = new QLineEdit(QString::fromStdString(values.model.path), separation);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), separation);
    sl->addWidget(constant_, 0, 0);
    sl->addWidget(constantField_, 0, 1, 1, 2);
    sl->addWidget(grid_, 1, 0);
    sl->addWidget(gridField_, 1, 1);
    sl->addWidget(browse, 1, 2);
    sl->addWidget(egm96_, 2, 0, 1, 3);
    (values.model.kind == surface::SeparationKind::Constant ? constant_
     : values.model.kind == surface::SeparationKind::Grid   ? grid_
                                                              : egm96_)
        ->setChecked(true);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Separation Grid"), gridField_->text(),
            QStringLiteral("Grids (*.gtx *.tif *.tiff *.gtiff *.asc *.grd *.nc *.byn *.bin);;All Files (*)"));
        if (path.isEmpty()) return;
        gridField_->setText(path);
        grid_->setChecked(true);
    });
    layout->addWidget(separation);

    auto* reduction = new QGroupBox(QStringLiteral("Water level"), this);
    auto* rf = new QFormLayout(reduction);
    datum_ = Field(reduction, values.settings.datumOffset);
    antenna_ = Field(reduction, values.settings.antennaHeight);
    window_ = Field(reduction, values.settings.window);
    interval_ = Field(reduction, values.settings.interval);
    maxGap_ = Field(reduction, values.settings.maxGap);
    quality_ = new QComboBox(reduction);
    for (const int q : kQualities)
        quality_->addItem(q == 0 ? QStringLiteral("Any fix") : QString::fromStdString(GgaQualityName(q)));
    for (int i = 0; i < static_cast<int>(std::size(kQualities)); ++i)
        if (kQualities[i] == values.settings.minQuality) quality_->setCurrentIndex(i);
    rf->addRow(QStringLiteral("Datum above the separation surface (m)"), datum_);
    rf->addRow(QStringLiteral("Antenna above the waterline (m)"), antenna_);
    rf->addRow(new QLabel(QStringLiteral("beyond the position elevation offset of %1 m already applied")
                              .arg(ShowReal(elevationOffset)),
                          reduction));
    rf->addRow(QStringLiteral("Smoothing window (s)"), window_);
    rf->addRow(QStringLiteral("Tide interval (s)"), interval_);
    rf->addRow(QStringLiteral("Longest gap bridged (s)"), maxGap_);
    rf->addRow(QStringLiteral("Poorest fix quality used"), quality_);
    layout->addWidget(reduction);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CGnssTideDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CGnssTideDlg::reject);
    layout->addWidget(box);
}

bool CGnssTideDlg::Exchange() {
    GnssTideValues v = values_;
    if (heights_->currentIndex() == 0)
        return Refuse(heights_, QStringLiteral("Please say whether the heights are ellipsoidal or above the geoid."));
    v.heightsChosen = true;
    v.settings.heights = heights_->currentIndex() == 2 ? GnssHeights::Geoid : GnssHeights::Ellipsoidal;
    if (constant_->isChecked()) {
        v.model.kind = surface::SeparationKind::Constant;
        if (!ReadNumberBetween(constantField_, -10000, 10000, v.model.constant)) return false;
    } else if (grid_->isChecked()) {
        v.model.kind = surface::SeparationKind::Grid;
        v.model.path = gridField_->text().trimmed().toStdString();
        if (v.model.path.empty()) return Refuse(gridField_, QStringLiteral("Please choose the grid file."));
    } else {
        v.model.kind = surface::SeparationKind::Egm96;
    }
    if (!ReadNumberBetween(datum_, -10000, 10000, v.settings.datumOffset) ||
        !ReadNumberBetween(antenna_, -10000, 10000, v.settings.antennaHeight) ||
        !ReadNumberBetween(window_, 0, 86400, v.settings.window) ||
        !ReadNumberBetween(interval_, 1, 86400, v.settings.interval) ||
        !ReadNumberBetween(maxGap_, 0.01, 864000, v.settings.maxGap))
        return false;
    v.settings.minQuality = kQualities[std::clamp(quality_->currentIndex(), 0, static_cast<int>(std::size(kQualities)) - 1)];
    values_ = v;
    return true;
}

CTideCompareDlg::CTideCompareDlg(const TideComparison& comparison, double maxGap, QWidget* parent)
    : QDialog(parent), comparison_(comparison), maxGap_(maxGap) {
    setWindowTitle(QStringLiteral("Compare Tide with GNSS Heights"));
    setObjectName(QStringLiteral("CTideCompareDlg"));
    auto* layout = new QVBoxLayout(this);
    picture_ = new QLabel(this);
    picture_->setPixmap(QPixmap::fromImage(RenderTideComparison(comparison_, QSize(960, 540), maxGap_)));
    layout->addWidget(picture_);
    statistics_ = new QLabel(QString::fromStdString(ComparisonText(comparison_)).trimmed(), this);
    statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(statistics_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* save = box->addButton(QStringLiteral("Save Plot..."), QDialogButtonBox::ActionRole);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Plot"), QStringLiteral("tide.png"),
                                                          QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)"));
        if (path.isEmpty()) return;
        const std::string error = WriteTideComparison(comparison_, path.toStdString(), {}, {}, maxGap_);
        if (!error.empty()) statistics_->setText(statistics_->text() + QStringLiteral("\n") + QString::fromStdString(error));
    });
    connect(box, &QDialogButtonBox::rejected, this, &CTideCompareDlg::reject);
    layout->addWidget(box);
}

namespace {

// The dialog, then the separation source it asks for; false when cancelled or refused.
bool AskSettings(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog,
                 const QString& title, GnssTideSettings& settings, std::unique_ptr<SeparationSource>& source) {
    CGnssTideDlg dlg(title, Remembered(), doc.ElevOffset / 100.0, parent);
    if (!runDialog(dlg)) return false;
    Remembered() = dlg.Values();
    settings = dlg.Values().settings;
    bool failed = false;
    std::string error;
    const surface::CoordinateSystem crs = surface::DocumentCrs(doc);
    source = surface::MakeSeparationSource(dlg.Values().model, settings, failed, error, &crs);
    if (failed) port.Message(error, Severity::Error);
    return !failed;
}

}  // namespace

void TideFromGnssCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog) {
    GnssTideSettings settings;
    std::unique_ptr<SeparationSource> source;
    if (!AskSettings(doc, port, parent, runDialog, QStringLiteral("Tide from GNSS Heights"), settings, source)) return;
    TideFromGnss(doc, settings, source.get(), port);
}

void TideCompareCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog) {
    GnssTideSettings settings;
    std::unique_ptr<SeparationSource> source;
    if (!AskSettings(doc, port, parent, runDialog, QStringLiteral("Compare Tide with GNSS Heights"), settings, source))
        return;
    GnssTideResult result;
    TideComparison comparison;
    if (!ComputeGnssTide(doc, settings, source.get(), result, port) ||
        !CompareTides(doc, result.levels, comparison, port))
        return;
    CTideCompareDlg dlg(comparison, settings.maxGap, parent);
    runDialog(dlg);
}

}  // namespace aq::gui
