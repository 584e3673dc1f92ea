// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>

#include "views/sectionview.h"

class QLineEdit;

namespace aq::gui {

class SpinField;

// "Time Series Printing Dialog": the title and the number of pages a section print
// spreads the whole time range over. Starts from the defaults on every print job.
class CDepthPrnDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CDepthPrnDlg(QWidget* parent = nullptr);

    // The values after OK; the defaults otherwise.
    const SectionPrintSettings& Settings() const { return settings_; }
    QLineEdit* Title() const { return title_; }
    SpinField* Pages() const { return pages_; }

    QString Validate();
    std::function<void(const QString&)> onRefusal;

public slots:
    void accept() override;

private:
    QLineEdit* title_;
    SpinField* pages_;
    SectionPrintSettings settings_;
};

}  // namespace aq::gui
