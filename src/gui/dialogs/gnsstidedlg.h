// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>

#include "dialogs/exchangedlg.h"
#include "model/doc.h"
#include "processing/gnsstide.h"
#include "surface/separation.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace aq::gui {

// What the water-level dialog gives.
struct GnssTideValues {
    GnssTideSettings settings;
    surface::SeparationModel model{surface::SeparationKind::Egm96, 0.0, {}};
    bool heightsChosen = false;
};

// "Tide from GNSS Heights": what the heights are measured from (asked every time: the
// survey cannot tell), the separation model, the datum offset, the antenna's height, the
// smoothing, the spacing and gaps of the tide records and the poorest fix quality used.
class CGnssTideDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CGnssTideDlg(const QString& title, const GnssTideValues& values, double elevationOffset, QWidget* parent = nullptr);

    const GnssTideValues& Values() const { return values_; }

    QComboBox* Heights() const { return heights_; }
    QRadioButton* Constant() const { return constant_; }
    QRadioButton* Grid() const { return grid_; }
    QRadioButton* Egm96() const { return egm96_; }
    QLineEdit* ConstantField() const { return constantField_; }
    QLineEdit* GridField() const { return gridField_; }
    QLineEdit* DatumOffset() const { return datum_; }
    QLineEdit* AntennaHeight() const { return antenna_; }
    QLineEdit* Window() const { return window_; }
    QLineEdit* Interval() const { return interval_; }
    QLineEdit* MaxGap() const { return maxGap_; }
    QComboBox* MinQuality() const { return quality_; }

protected:
    bool Exchange() override;

private:
    GnssTideValues values_;
    QComboBox* heights_;
    QRadioButton* constant_;
    QRadioButton* grid_;
    QRadioButton* egm96_;
    QLineEdit* constantField_;
    QLineEdit* gridField_;
    QLineEdit* datum_;
    QLineEdit* antenna_;
    QLineEdit* window_;
    QLineEdit* interval_;
    QLineEdit* maxGap_;
    QComboBox* quality_;
};

// The comparison's statistics and the two curves, with a button to save the drawing.
class CTideCompareDlg final : public QDialog {
    Q_OBJECT
public:
    CTideCompareDlg(const TideComparison& comparison, double maxGap, QWidget* parent = nullptr);
    QLabel* Statistics() const { return statistics_; }
    QLabel* Picture() const { return picture_; }

private:
    TideComparison comparison_;
    double maxGap_;
    QLabel* statistics_;
    QLabel* picture_;
};

// Edit > Transform > Tide from GNSS Heights... and Compare Tide with GNSS Heights...: the
// dialog (shown through runDialog), then the command on the document. The values given
// are kept for the next time in this session.
void TideFromGnssCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog);
void TideCompareCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog);

}  // namespace aq::gui
