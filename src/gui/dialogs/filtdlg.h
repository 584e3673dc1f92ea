// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/exchangedlg.h"
#include "processing/flags.h"

class QDateEdit;
class QLineEdit;
class QTimeEdit;

namespace aq::gui {

// "Data Filter Parameters": the spatial, level, quality and time window of the Range
// filter.
class CVKFiltDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CVKFiltDlg(const RangeValues& values, QWidget* parent = nullptr);

    const RangeValues& Values() const { return values_; }

    QLineEdit* XMin() const { return xMin_; }
    QLineEdit* XMax() const { return xMax_; }
    QLineEdit* YMin() const { return yMin_; }
    QLineEdit* YMax() const { return yMax_; }
    QLineEdit* ZMin() const { return zMin_; }
    QLineEdit* ZMax() const { return zMax_; }
    QLineEdit* QaMin() const { return qaMin_; }
    QLineEdit* QaMax() const { return qaMax_; }
    QDateEdit* StartDate() const { return startDate_; }
    QTimeEdit* StartTime() const { return startTime_; }
    QDateEdit* EndDate() const { return endDate_; }
    QTimeEdit* EndTime() const { return endTime_; }

protected:
    bool Exchange() override;

private:
    bool ReadMoment(QDateEdit* date, QTimeEdit* time, int64_t& out);

    RangeValues values_;
    QLineEdit *xMin_, *xMax_, *yMin_, *yMax_, *zMin_, *zMax_, *qaMin_, *qaMax_;
    QDateEdit *startDate_, *endDate_;
    QTimeEdit *startTime_, *endTime_;
};

}  // namespace aq::gui
