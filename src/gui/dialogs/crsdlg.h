// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace aq {
class CVKDoc;
}

namespace aq::gui {

// "Convert to Coordinate System": the survey's current system, a field for the EPSG code
// of the target with the name PROJ gives it (or why it will not do), and, for a grid
// survey, the choice of recording the system as the one its coordinates are already in.
// OK stays disabled until the code names a system the survey can be put in.
class CCrsDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CCrsDlg(const CVKDoc& doc, QWidget* parent = nullptr);

    // "EPSG:27700".
    QString Code() const;
    // Record the system without converting the coordinates.
    bool DeclareOnly() const;

    QLineEdit* CodeField() const { return code_; }
    QLabel* TargetLabel() const { return target_; }
    QCheckBox* DeclareBox() const { return declare_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void Check();

    QString sourceRefusal_;
    QLineEdit* code_;
    QLabel* target_;
    QCheckBox* declare_;
    QPushButton* ok_;
};

}  // namespace aq::gui
