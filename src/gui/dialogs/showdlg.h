// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/doc.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace aq::gui {

class CVKEditDlg;

// The heading line over the listing's columns, aligned with them in a fixed font: each
// name ends where its figures end in the sample line (the columns widen for large
// figures), or at the narrowest widths without one.
QString ListingHeadings(bool geographic, const QString& sample = {});

// "Point Information": the records an Enquire box collected, one listing line each;
// "Edit" (or a double-click) opens the Point Editor on the selected one.
class CShowDlg final : public QDialog {
    Q_OBJECT
public:
    CShowDlg(CVKDoc& doc, std::vector<int32_t> indices, QWidget* parent = nullptr);

    QListWidget* List() const { return list_; }
    QLabel* Headings() const { return headings_; }
    QPushButton* EditButton() const { return edit_; }
    // A record was changed in the editor: the document must be recalculated.
    bool Changed() const { return changed_; }

    // Opens the editor on a line, as "Edit" does with the line selected.
    void EditLine(int row);

    // Runs the editor in place of exec() (tests); true for OK.
    std::function<bool(CVKEditDlg&)> runEditor;

private:
    CVKDoc& doc_;
    std::vector<int32_t> indices_;
    QListWidget* list_;
    QLabel* headings_;
    QPushButton* edit_;
    bool changed_ = false;
};

}  // namespace aq::gui
