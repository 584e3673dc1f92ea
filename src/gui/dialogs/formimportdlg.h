// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <functional>

#include "dialogs/exchangedlg.h"
#include "import/formatted.h"
#include "model/userport.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace aq::gui {

// "Import Formatted File": which column of a text file holds which value, for a data
// type, with Load and Save of "*.fmt" layouts.
class CFormImportDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // Layout-file errors are shown through the port.
    explicit CFormImportDlg(UserPort& port, QWidget* parent = nullptr);

    // The layout after OK (MaxColumn set).
    const CFormImport& Layout() const { return layout_; }

    QLineEdit* Column(LayoutColumn c) const { return columns_[static_cast<size_t>(c)]; }
    QRadioButton* TypeButton(int32_t typeIndex) const { return types_[static_cast<size_t>(typeIndex)]; }
    QLineEdit* Description() const { return description_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* SaveButton() const { return save_; }

    // The path the open or save dialog would return ("" for Cancel), for tests.
    std::function<QString(bool save)> choosePath;

protected:
    bool Exchange() override;

private:
    // Reads the column numbers and the description into the layout.
    bool ReadFields();
    void ShowLayout();
    void UpdateEnabling();
    void ChooseType(int32_t typeIndex);
    void Load();
    void Save();
    QString Choose(bool save);

    UserPort& port_;
    CFormImport layout_;
    std::array<QLineEdit*, LAYOUT_COLUMNS> columns_{};
    std::array<QRadioButton*, 4> types_{};
    QLineEdit* description_;
    QPushButton* load_;
    QPushButton* save_;
};

}  // namespace aq::gui
