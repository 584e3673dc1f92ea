// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/filtdlg.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "model/civiltime.h"

namespace aq::gui {

namespace {

QLineEdit* Field(QWidget* parent, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setMinimumWidth(110);
    return edit;
}

// A moment in local time as the pickers show it; the epoch when it cannot be shown.
QDateTime LocalMoment(int64_t t) {
    civil::Fields f;
    if (!civil::ToFields(t, f)) return QDateTime(QDate(1970, 1, 1), QTime(0, 0));
    return QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second));
}

}  // namespace

CVKFiltDlg::CVKFiltDlg(const RangeValues& values, QWidget* parent) : ExchangeDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Data Filter Parameters"));
    setObjectName(QStringLiteral("CVKFiltDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* spatial = new QGroupBox(QStringLiteral("Spatial Filter"), this);
    auto* sg = new QGridLayout(spatial);
    sg->addWidget(new QLabel(QStringLiteral("Min"), spatial), 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("Max"), spatial), 0, 2);
    xMin_ = Field(spatial, ShowReal(values.XMin));
    xMax_ = Field(spatial, ShowReal(values.XMax));
    yMin_ = Field(spatial, ShowReal(values.YMin));
    yMax_ = Field(spatial, ShowReal(values.YMax));
    zMin_ = Field(spatial, ShowReal(values.ZMin));
    zMax_ = Field(spatial, ShowReal(values.ZMax));
    const char* rows[3] = {"X (E/W)", "Y (N/S)", "Z (Elev)"};
    QLineEdit* cells[3][2] = {{xMin_, xMax_}, {yMin_, yMax_}, {zMin_, zMax_}};
    for (int r = 0; r < 3; ++r) {
        sg->addWidget(new QLabel(QString::fromLatin1(rows[r]), spatial), r + 1, 0);
        sg->addWidget(cells[r][0], r + 1, 1);
        sg->addWidget(cells[r][1], r + 1, 2);
    }
    layout->addWidget(spatial);

    auto* quality = new QGroupBox(QStringLiteral("Relative Quality"), this);
    auto* qg = new QGridLayout(quality);
    qg->addWidget(new QLabel(QStringLiteral("Min"), quality), 0, 1);
    qg->addWidget(new QLabel(QStringLiteral("Max"), quality), 0, 2);
    qaMin_ = Field(quality, QString::number(values.QaMin));
    qaMax_ = Field(quality, QString::number(values.QaMax));
    qg->addWidget(new QLabel(QStringLiteral("QA (%)"), quality), 1, 0);
    qg->addWidget(qaMin_, 1, 1);
    qg->addWidget(qaMax_, 1, 2);
    layout->addWidget(quality);

    auto* temporal = new QGroupBox(QStringLiteral("Temporal Filter"), this);
    auto* tg = new QGridLayout(temporal);
    const QString longDate = QLocale().dateFormat(QLocale::LongFormat);
    const auto makeDate = [&](const QDateTime& at) {
        auto* d = new QDateEdit(at.date(), temporal);
        d->setDisplayFormat(longDate);
        d->setCalendarPopup(true);
        return d;
    };
    const auto makeTime = [&](const QDateTime& at) {
        auto* t = new QTimeEdit(at.time(), temporal);
        t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        return t;
    };
    const QDateTime start = LocalMoment(values.Start), end = LocalMoment(values.End);
    startDate_ = makeDate(start);
    startTime_ = makeTime(start);
    endDate_ = makeDate(end);
    endTime_ = makeTime(end);
    tg->addWidget(new QLabel(QStringLiteral("Start Date/Time"), temporal), 0, 0);
    tg->addWidget(startDate_, 0, 1);
    tg->addWidget(startTime_, 0, 2);
    tg->addWidget(new QLabel(QStringLiteral("End Date/Time"), temporal), 1, 0);
    tg->addWidget(endDate_, 1, 1);
    tg->addWidget(endTime_, 1, 2);
    layout->addWidget(temporal);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CVKFiltDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CVKFiltDlg::reject);
    layout->addWidget(box);
}

bool CVKFiltDlg::ReadMoment(QDateEdit* date, QTimeEdit* time, int64_t& out) {
    const QDate d = date->date();
    const QTime t = time->time();
    if (d.year() < 1900) {
        out = 0;
        return true;
    }
    const int64_t s = civil::FromFields(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    // The filter compares 32-bit second counts: a later moment would wrap to 1901 and
    // quietly delete the whole survey.
    if (s > INT32_MAX) return Refuse(date, QStringLiteral("Please enter a date before 19 January 2038."));
    out = s;
    return true;
}

bool CVKFiltDlg::Exchange() {
    RangeValues v = values_;
    if (!ReadNumber(xMin_, v.XMin) || !ReadNumber(xMax_, v.XMax) || !ReadNumber(yMin_, v.YMin) ||
        !ReadNumber(yMax_, v.YMax) || !ReadNumber(zMin_, v.ZMin) || !ReadNumber(zMax_, v.ZMax) ||
        !ReadIntBetween(qaMin_, 0, 126, v.QaMin) || !ReadIntBetween(qaMax_, 1, 127, v.QaMax) ||
        !ReadMoment(startDate_, startTime_, v.Start) || !ReadMoment(endDate_, endTime_, v.End))
        return false;
    // A window the wrong way round would delete every record: the minimum is selected
    // for correction.
    QWidget* minimum = nullptr;
    switch (SwappedRangePair(v)) {
        case RangePair::X: minimum = xMin_; break;
        case RangePair::Y: minimum = yMin_; break;
        case RangePair::Z: minimum = zMin_; break;
        case RangePair::Qa: minimum = qaMin_; break;
        case RangePair::Time: minimum = startDate_; break;
        case RangePair::None: break;
    }
    if (minimum) return Refuse(minimum, QString::fromLatin1(RANGE_MIN_ABOVE_MAX));
    values_ = v;
    return true;
}

}  // namespace aq::gui
