// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "dialogs/exchangedlg.h"
#include "model/doc.h"
#include "views/volumes.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace aq::gui {

// What Surface > Cross Sections... asks for.
struct SectionsValues {
    std::string centreLine;   // file or X1,Y1,X2,Y2
    double spacing = 25, width = 100;
    int design = 0;           // 0 none, 1 a level, 2 a design file
    double level = 0;
    std::string designFile;
    std::string against;      // a second survey, or empty
    std::string output;       // .pdf, .png, .svg or .csv; empty to only look
};

class CSectionsDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CSectionsDlg(const SectionsValues& values, QWidget* parent = nullptr);
    const SectionsValues& Values() const { return values_; }
    QLineEdit* CentreLineField() const { return centre_; }
    QLineEdit* SpacingField() const { return spacing_; }
    QLineEdit* WidthField() const { return width_; }
    QRadioButton* NoDesign() const { return none_; }
    QRadioButton* LevelChoice() const { return level_; }
    QRadioButton* DesignChoice() const { return file_; }
    QLineEdit* LevelField() const { return levelField_; }
    QLineEdit* DesignField() const { return designField_; }
    QLineEdit* AgainstField() const { return against_; }
    QLineEdit* OutputField() const { return output_; }

protected:
    bool Exchange() override;

private:
    SectionsValues values_;
    QLineEdit *centre_, *spacing_, *width_, *levelField_, *designField_, *against_, *output_;
    QRadioButton *none_, *level_, *file_;
};

// The sheets, a page at a time.
class CSectionsViewDlg final : public QDialog {
    Q_OBJECT
public:
    CSectionsViewDlg(std::vector<SectionProfile> sections, std::string title, std::string reference,
                     QWidget* parent = nullptr);
    QLabel* Picture() const { return picture_; }
    int Sheet() const { return sheet_; }
    void ShowSheet(int sheet);

private:
    std::vector<SectionProfile> sections_;
    std::string title_, reference_;
    QLabel* picture_;
    int sheet_ = 0;
};

// Surface > Cross Sections...: the dialog (through runDialog), the sections of the
// survey, written to the file named (when one is) and shown sheet by sheet.
void SectionsCommand(CVKDoc& doc, UserPort& port, QWidget* parent, const std::function<bool(QDialog&)>& runDialog);

}  // namespace aq::gui
