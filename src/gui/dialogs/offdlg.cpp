// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/offdlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

namespace aq::gui {

namespace {

QLineEdit* Field(QWidget* parent, const QString& text, bool enabled) {
    auto* edit = new QLineEdit(text, parent);
    edit->setEnabled(enabled);
    edit->setMinimumWidth(110);
    return edit;
}

}  // namespace

COffDlg::COffDlg(uint16_t kind, const OffsetValues& values, QWidget* parent)
    : ExchangeDialog(parent), kind_(kind), values_(values) {
    setWindowTitle(QStringLiteral("Parameter Offsets"));
    setObjectName(QStringLiteral("COffDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;

    const bool pos = kind == REC_POSITION, dep = kind == REC_DEPTH, tid = kind == REC_TIDE;
    auto* position = new QGroupBox(QStringLiteral("Position"), this);
    auto* pf = new QFormLayout(position);
    posTime_ = Field(position, QString::number(values.PosTime), pos);
    east_ = Field(position, ShowReal(values.East), pos);
    north_ = Field(position, ShowReal(values.North), pos);
    elevation_ = Field(position, ShowReal(values.Elevation), pos);
    pf->addRow(QStringLiteral("Time (Secs)"), posTime_);
    pf->addRow(QStringLiteral("Easting"), east_);
    pf->addRow(QStringLiteral("Northing"), north_);
    pf->addRow(QStringLiteral("Elevation"), elevation_);
    groups->addWidget(position);

    auto* depth = new QGroupBox(QStringLiteral("Depth"), this);
    auto* df = new QFormLayout(depth);
    depthTime_ = Field(depth, QString::number(values.DepthTime), dep);
    depth_ = Field(depth, ShowReal(values.Depth), dep);
    velocity_ = Field(depth, ShowReal(values.SoundVelocity), dep);
    df->addRow(QStringLiteral("Time (Secs)"), depthTime_);
    df->addRow(QStringLiteral("Depth"), depth_);
    df->addRow(QStringLiteral("Sound Velocity"), velocity_);
    groups->addWidget(depth);

    auto* tide = new QGroupBox(QStringLiteral("Tide"), this);
    auto* tf = new QFormLayout(tide);
    tideTime_ = Field(tide, QString::number(values.TideTime), tid);
    tide_ = Field(tide, ShowReal(values.Tide), tid);
    tf->addRow(QStringLiteral("Time (Secs)"), tideTime_);
    tf->addRow(QStringLiteral("Tide"), tide_);
    groups->addWidget(tide);
    layout->addLayout(groups);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &COffDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &COffDlg::reject);
    layout->addWidget(box);
}

// A length must fit its stored offset (a depth offset of 400 m would wrap); refused
// with the range in metres, as the offsets command words it.
bool COffDlg::ReadLength(QLineEdit* field, int64_t minCm, int64_t maxCm, double& out) {
    double v = 0;
    if (!ReadNumber(field, v)) return false;
    const double cm = std::trunc(v * 100.0 + (v >= 0 ? 1e-7 : -1e-7));
    if (cm < static_cast<double>(minCm) || cm > static_cast<double>(maxCm))
        return Refuse(field, QString::asprintf("Please enter a number between %.2f and %.2f.", minCm / 100.0, maxCm / 100.0));
    out = v;
    return true;
}

bool COffDlg::Exchange() {
    OffsetValues v = values_;
    switch (kind_) {
        case REC_POSITION:
            if (!ReadInt(posTime_, v.PosTime) || !ReadLength(east_, INT32_MIN, INT32_MAX, v.East) ||
                !ReadLength(north_, INT32_MIN, INT32_MAX, v.North) ||
                !ReadLength(elevation_, INT32_MIN, INT32_MAX, v.Elevation))
                return false;
            break;
        case REC_DEPTH:
            if (!ReadInt(depthTime_, v.DepthTime) || !ReadLength(depth_, INT16_MIN, INT16_MAX, v.Depth) ||
                !ReadNumberBetween(velocity_, 1300.0, 2000.0, v.SoundVelocity))
                return false;
            break;
        default:
            if (!ReadInt(tideTime_, v.TideTime) || !ReadLength(tide_, INT16_MIN, INT16_MAX, v.Tide)) return false;
            break;
    }
    values_ = v;
    return true;
}

}  // namespace aq::gui
