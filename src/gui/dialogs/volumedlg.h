// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "dialogs/exchangedlg.h"
#include "model/doc.h"
#include "surface/volume.h"
#include "views/volumes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace aq::gui {

// What Surface > Volumes... asks for.
struct VolumeValues {
    int reference = 0;          // 0 a design level, 1 a design file, 2 a second survey
    double level = 0;
    std::string design;         // file
    std::string against;        // survey file
    std::string boundary;       // file, or empty
    double overdepth = 0;
    bool grid = true, tin = true, sections = false;
    double cell = 0;            // 0: chosen from the line spacing
    std::string centreLine;     // file or X1,Y1,X2,Y2
    double spacing = 25, width = 100;
};

// The survey's reference, area, methods and cross sections.
class CVolumeDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CVolumeDlg(const VolumeValues& values, QWidget* parent = nullptr);
    const VolumeValues& Values() const { return values_; }

    QRadioButton* LevelChoice() const { return level_; }
    QRadioButton* DesignChoice() const { return design_; }
    QRadioButton* AgainstChoice() const { return against_; }
    QLineEdit* LevelField() const { return levelField_; }
    QLineEdit* DesignField() const { return designField_; }
    QLineEdit* AgainstField() const { return againstField_; }
    QLineEdit* BoundaryField() const { return boundaryField_; }
    QLineEdit* OverdepthField() const { return overdepthField_; }
    QCheckBox* GridMethod() const { return grid_; }
    QCheckBox* TinMethod() const { return tin_; }
    QCheckBox* SectionsMethod() const { return sections_; }
    QLineEdit* CellField() const { return cellField_; }
    QLineEdit* CentreLineField() const { return centreField_; }
    QLineEdit* SpacingField() const { return spacingField_; }
    QLineEdit* WidthField() const { return widthField_; }

protected:
    bool Exchange() override;

private:
    VolumeValues values_;
    QRadioButton *level_, *design_, *against_;
    QLineEdit *levelField_, *designField_, *againstField_, *boundaryField_, *overdepthField_;
    QCheckBox *grid_, *tin_, *sections_;
    QLineEdit *cellField_, *centreField_, *spacingField_, *widthField_;
};

// The figures of each method, the plan of the difference, and buttons to save the PDF
// report and the CSV.
class CVolumeResultDlg final : public QDialog {
    Q_OBJECT
public:
    CVolumeResultDlg(VolumeReport report, QWidget* parent = nullptr);
    QTableWidget* Table() const { return table_; }
    QLabel* Note() const { return note_; }
    const VolumeReport& Report() const { return report_; }
    // Saves as the buttons do (the tests call these): empty on success, else the message.
    std::string SaveReport(const std::string& path);
    std::string SaveCsv(const std::string& path);

private:
    VolumeReport report_;
    QTableWidget* table_;
    QLabel* note_;
};

// Surface > Volumes...: the dialog (through runDialog), the measurement on the document's
// surveys, then the results. The difference surface is kept in `difference` for a view
// to show (when given). The values are kept for the next time in this session.
void VolumesCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog,
                    surface::Surface* difference = nullptr);

// The reference the values name, read for the document; false with the reason shown
// through the port. Shared with the cross sections.
bool ReadReference(CVKDoc& doc, int kind, double level, const std::string& design, const std::string& against,
                   surface::Reference& out, UserPort& port);

}  // namespace aq::gui
