// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

class QTextBrowser;

namespace aq::gui {

// The help pages that travel with the program, in a window of their own.
class HelpWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows a page ("index.html", "menus.html#file", ...).
    void ShowPage(const QString& page);
    QTextBrowser* Browser() const { return browser_; }

private:
    // Beside the owner's window, whole on its screen.
    void PlaceOnScreen();

    QTextBrowser* browser_;
};

}  // namespace aq::gui
