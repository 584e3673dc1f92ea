// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "dialogs/exchangedlg.h"
#include "model/data.h"
#include "views/pointedit.h"

class QLineEdit;
class QRadioButton;

namespace aq::gui {

// "Point Editor": the values of one record, the fields of its kind editable. OK writes
// back the fields the user changed; the others keep exactly what was stored.
class CVKEditDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CVKEditDlg(CVKData& record, QWidget* parent = nullptr);

    QLineEdit* Field(PointField f) const { return fields_[f]; }
    QRadioButton* TypeButton(PointType t) const;
    PointType Shown() const { return shown_; }

public slots:
    void accept() override;

protected:
    bool Exchange() override;

private:
    void UserEdited(PointField f);
    void ShowType(PointType t);

    CVKData& record_;
    std::array<QLineEdit*, POINT_FIELD_COUNT> fields_{};
    std::array<QString, POINT_FIELD_COUNT> opening_;
    std::array<QRadioButton*, 4> types_{};  // Depth, Position, Tide, Event
    PointType shown_ = PointType::None;
    PointEditResult result_;
};

}  // namespace aq::gui
