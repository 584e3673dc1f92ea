// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace aq::gui {

// The start-up picture: a borderless window of exactly its size, centred, gone after
// five seconds or at the first key or mouse press anywhere in the program, which it
// swallows.
class CSplashWnd final : public QWidget {
    Q_OBJECT
public:
    // Shows the splash over the main window unless one is already up.
    static CSplashWnd* ShowSplash(QWidget* mainWindow, int milliseconds = 5000);
    static CSplashWnd* Current();

    static constexpr int kWidth = 425;
    static constexpr int kHeight = 263;
    // The picture, drawn from our own vector art.
    static QPixmap Picture();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CSplashWnd(QWidget* mainWindow, int milliseconds);

    QPointer<QWidget> main_;
    QPixmap picture_;
    bool closing_ = false;
    static QPointer<CSplashWnd> current_;
};

}  // namespace aq::gui
