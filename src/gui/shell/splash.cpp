// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/splash.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

namespace aq::gui {

QPointer<CSplashWnd> CSplashWnd::current_;

QPixmap CSplashWnd::Picture() {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::white);
    QSvgRenderer svg(QStringLiteral(":/icons/splash.svg"));
    QPainter painter(&pixmap);
    if (svg.isValid()) svg.render(&painter, QRectF(0, 0, kWidth, kHeight));
    return pixmap;
}

CSplashWnd* CSplashWnd::Current() { return current_.data(); }

CSplashWnd* CSplashWnd::ShowSplash(QWidget* mainWindow, int milliseconds) {
    if (current_) return current_.data();
    current_ = new CSplashWnd(mainWindow, milliseconds);
    current_->show();
    return current_.data();
}

CSplashWnd::CSplashWnd(QWidget* mainWindow, int milliseconds)
    : QWidget(mainWindow, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      main_(mainWindow),
      picture_(Picture()) {
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::ArrowCursor);
    const QRect screen = (mainWindow && mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen())
                             ->availableGeometry();
    move(screen.center() - QPoint(kWidth / 2, kHeight / 2));
    qApp->installEventFilter(this);
    QTimer::singleShot(milliseconds, this, &QWidget::close);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            // The press only closes the splash; nothing else sees it (an accepted
            // shortcut override keeps accelerators from firing too).
            event->accept();
            if (!closing_) {
                closing_ = true;
                hide();
                QTimer::singleShot(0, this, &QWidget::close);
            }
            return true;
        default: return false;
    }
}

void CSplashWnd::closeEvent(QCloseEvent* event) {
    qApp->removeEventFilter(this);
    if (main_) main_->update();
    event->accept();
}

}  // namespace aq::gui
