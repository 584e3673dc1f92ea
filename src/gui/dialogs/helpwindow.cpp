// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/helpwindow.h"

#include <QTextBrowser>
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
}

void HelpWindow::ShowPage(const QString& page) {
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/") + page));
    show();
    raise();
    activateWindow();
}

}  // namespace aq::gui
