// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/exchangedlg.h"
#include "processing/offsets.h"

class QLineEdit;

namespace aq::gui {

// "Parameter Offsets": the position, depth and tide groups, of which only the group of
// the command that opened it can be edited.
class COffDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // kind: REC_POSITION, REC_DEPTH or REC_TIDE.
    COffDlg(uint16_t kind, const OffsetValues& values, QWidget* parent = nullptr);

    const OffsetValues& Values() const { return values_; }

    QLineEdit* PosTime() const { return posTime_; }
    QLineEdit* East() const { return east_; }
    QLineEdit* North() const { return north_; }
    QLineEdit* Elevation() const { return elevation_; }
    QLineEdit* DepthTime() const { return depthTime_; }
    QLineEdit* Depth() const { return depth_; }
    QLineEdit* SoundVelocity() const { return velocity_; }
    QLineEdit* TideTime() const { return tideTime_; }
    QLineEdit* Tide() const { return tide_; }

protected:
    bool Exchange() override;

private:
    bool ReadLength(QLineEdit* field, int64_t minCm, int64_t maxCm, double& out);

    uint16_t kind_;
    OffsetValues values_;
    QLineEdit* posTime_;
    QLineEdit* east_;
    QLineEdit* north_;
    QLineEdit* elevation_;
    QLineEdit* depthTime_;
    QLineEdit* depth_;
    QLineEdit* velocity_;
    QLineEdit* tideTime_;
    QLineEdit* tide_;
};

}  // namespace aq::gui
