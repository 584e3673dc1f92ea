// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/helpwindow.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QTextBrowser>
#include <algorithm>
#include <QToolBar>
#include <QUrl>

namespace aq::gui {

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Aquenta Help"));
    browser_ = new QTextBrowser(this);
    browser_->setSearchPaths({QStringLiteral(":/help")});
    browser_->setOpenExternalLinks(true);
    setCentralWidget(browser_);
    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->addAction(QStringLiteral("Contents"), this, [this] { ShowPage(QStringLiteral("index.html")); });
    bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        setWindowTitle(QStringLiteral("Aquenta Help - ") + browser_->documentTitle());
    });
    resize(760, 620);
    // Escape closes the help, as it does a dialog.
    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

void HelpWindow::ShowPage(const QString& page) {
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/") + page));
    if (!isVisible()) PlaceOnScreen();
    show();
    raise();
    activateWindow();
}

void HelpWindow::PlaceOnScreen() {
    // Beside the main window where there is room, and whole on its screen in any case.
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    QSize size = this->size().boundedTo(avail.size() * 9 / 10);
    QPoint at = owner ? owner->frameGeometry().topRight() + QPoint(8, 0) : avail.center() - QPoint(size.width() / 2, size.height() / 2);
    if (at.x() + size.width() > avail.right()) at.setX(avail.right() - size.width());
    if (at.y() + size.height() > avail.bottom()) at.setY(avail.bottom() - size.height());
    at.setX(std::max(at.x(), avail.left()));
    at.setY(std::max(at.y(), avail.top()));
    resize(size);
    move(at);
}

}  // namespace aq::gui
