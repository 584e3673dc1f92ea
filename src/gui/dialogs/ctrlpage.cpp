// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ctrlpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace aq::gui {

namespace {

QLineEdit* Number(QWidget* parent, double v) {
    auto* edit = new QLineEdit(ShowReal(v), parent);
    edit->setMinimumWidth(90);
    return edit;
}

QComboBox* Sphere(QWidget* parent, const char* a, const char* b, const std::string& value) {
    auto* combo = new QComboBox(parent);
    combo->addItems({QString::fromLatin1(a), QString::fromLatin1(b)});
    const int i = combo->findText(QString::fromStdString(value));
    combo->setCurrentIndex(i >= 0 ? i : 0);
    return combo;
}

}  // namespace

QString CCtrlPage::Caption(const std::string& name) {
    return name.empty() ? QStringLiteral("Control Point") : QString::fromStdString(name);
}

CCtrlPage::CCtrlPage(const ClsqData& point, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CCtrlPage"));
    const ControlPageValues v = ControlPageStart(point);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    name_ = new QLineEdit(QString::fromStdString(v.Name), this);
    top->addRow(QStringLiteral("Station Name"), name_);
    layout->addLayout(top);
    use_ = new QCheckBox(QStringLiteral("Use this station"), this);
    use_->setChecked(v.Use);
    layout->addWidget(use_);

    auto* wgs = new QGroupBox(QStringLiteral("WGS84 Coordinates"), this);
    auto* g = new QGridLayout(wgs);
    const char* heads[4] = {"Degrees", "Minutes", "Seconds", "Sphere"};
    for (int c = 0; c < 4; ++c) g->addWidget(new QLabel(QString::fromLatin1(heads[c]), wgs), 0, c + 1);
    lon_[0] = Number(wgs, v.LonDeg);
    lon_[1] = Number(wgs, v.LonMin);
    lon_[2] = Number(wgs, v.LonSec);
    lonSphere_ = Sphere(wgs, "E", "W", v.LonHemisphere);
    lat_[0] = Number(wgs, v.LatDeg);
    lat_[1] = Number(wgs, v.LatMin);
    lat_[2] = Number(wgs, v.LatSec);
    latSphere_ = Sphere(wgs, "N", "S", v.LatHemisphere);
    g->addWidget(new QLabel(QStringLiteral("LON"), wgs), 1, 0);
    g->addWidget(new QLabel(QStringLiteral("LAT"), wgs), 2, 0);
    for (int c = 0; c < 3; ++c) {
        g->addWidget(lon_[c], 1, c + 1);
        g->addWidget(lat_[c], 2, c + 1);
    }
    g->addWidget(lonSphere_, 1, 4);
    g->addWidget(latSphere_, 2, 4);
    layout->addWidget(wgs);

    auto* local = new QGroupBox(QStringLiteral("Local Grid Values (m)"), this);
    auto* lf = new QFormLayout(local);
    gridX_ = Number(local, v.GridX);
    gridY_ = Number(local, v.GridY);
    lf->addRow(QStringLiteral("Xvalue"), gridX_);
    lf->addRow(QStringLiteral("Yvalue"), gridY_);
    layout->addWidget(local);
    layout->addStretch();
}

ControlPageValues CCtrlPage::Values(QLineEdit*& refused) const {
    ControlPageValues v;
    refused = nullptr;
    v.Name = name_->text().toStdString();
    v.Use = use_->isChecked();
    v.LonHemisphere = lonSphere_->currentText().toStdString();
    v.LatHemisphere = latSphere_->currentText().toStdString();
    const std::pair<QLineEdit*, double*> numbers[] = {{lon_[0], &v.LonDeg}, {lon_[1], &v.LonMin}, {lon_[2], &v.LonSec},
                                                      {lat_[0], &v.LatDeg}, {lat_[1], &v.LatMin}, {lat_[2], &v.LatSec},
                                                      {gridX_, &v.GridX},   {gridY_, &v.GridY}};
    for (const auto& [edit, out] : numbers) {
        if (!ParseNumber(edit->text(), *out)) {
            refused = edit;
            break;
        }
    }
    return v;
}

ControlSheet::ControlSheet(const QString& title, const std::vector<ClsqData>& points, QWidget* parent)
    : ExchangeDialog(parent) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("ControlSheet"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    for (const ClsqData& p : points) tabs_->addTab(new CCtrlPage(p, tabs_), CCtrlPage::Caption(p.Name));
    shown_.assign(points.size(), false);
    if (!points.empty()) shown_[0] = true;
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && static_cast<size_t>(i) < shown_.size()) shown_[static_cast<size_t>(i)] = true;
    });
    layout->addWidget(tabs_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &ControlSheet::accept);
    connect(box, &QDialogButtonBox::rejected, this, &ControlSheet::reject);
    layout->addWidget(box);
}

CCtrlPage* ControlSheet::Page(int i) const { return qobject_cast<CCtrlPage*>(tabs_->widget(i)); }
int ControlSheet::PageCount() const { return tabs_->count(); }

bool ControlSheet::Exchange() {
    std::vector<std::optional<ControlPageValues>> accepted(shown_.size());
    for (int i = 0; i < PageCount(); ++i) {
        if (!shown_[static_cast<size_t>(i)]) continue;
        QLineEdit* refused = nullptr;
        const ControlPageValues v = Page(i)->Values(refused);
        if (refused) return Refuse(refused, QStringLiteral("Please enter a number."));
        accepted[static_cast<size_t>(i)] = v;
    }
    accepted_ = std::move(accepted);
    return true;
}

void ControlSheet::Reveal(QWidget* field) {
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i)->isAncestorOf(field)) tabs_->setCurrentIndex(i);
}

}  // namespace aq::gui
