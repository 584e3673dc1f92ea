// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "dialogs/exchangedlg.h"
#include "model/doc.h"
#include "ui/properties.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace aq::gui {

class CColourButton;
class SpinField;

// "General Properties": colour banding and its scheme, the kinds shown, the marker and
// text sizes, the interpolation limit and the animation speed.
class CSetDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // undoMegabytes: the memory the undo history may keep, a setting of the program.
    CSetDlg(const CVKDoc& doc, int32_t undoMegabytes = 0, QWidget* parent = nullptr);

    // The values after OK (the starting values before).
    const GeneralProperties& Values() const { return values_; }
    int32_t UndoMegabytes() const { return undoMegabytes_; }

    QLineEdit* BandLabel(int row) const { return labels_[static_cast<size_t>(row)]; }  // rows 0..6
    CColourButton* ColourButton(int row) const { return buttons_[static_cast<size_t>(row)]; }
    QPushButton* PresetButton(ColourPreset p) const { return presets_[static_cast<size_t>(p)]; }
    QRadioButton* Scheme(int mode) const { return schemes_[static_cast<size_t>(mode)]; }
    QCheckBox* ShowPosition() const { return position_; }
    QCheckBox* ShowDepth() const { return depth_; }
    QCheckBox* ShowTide() const { return tide_; }
    QCheckBox* ShowEvent() const { return event_; }
    SpinField* TextSize() const { return textSize_; }
    SpinField* BoxSize() const { return boxSize_; }
    QLineEdit* InterpLimit() const { return interp_; }
    QLineEdit* UndoMemory() const { return undo_; }
    QSlider* Animate() const { return animate_; }

protected:
    bool Exchange() override;

private:
    void FillLabels(int mode);

    const CVKDoc& doc_;
    GeneralProperties values_;
    std::array<QLineEdit*, 7> labels_{};
    std::array<CColourButton*, 7> buttons_{};
    std::array<QPushButton*, 3> presets_{};
    std::array<QRadioButton*, 3> schemes_{};
    QCheckBox* position_;
    QCheckBox* depth_;
    QCheckBox* tide_;
    QCheckBox* event_;
    SpinField* textSize_;
    SpinField* boxSize_;
    QLineEdit* interp_;
    QLineEdit* undo_;
    int32_t undoMegabytes_;
    QSlider* animate_;
};

}  // namespace aq::gui
