// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/about.h"

#include <QDate>
#include <QLocale>
#include <QtGlobal>

#include "aquenta/version.h"
#include "surface/version.h"
#include "ui/commands.h"

namespace aq::gui {

namespace {

// The compiler's "Mmm dd yyyy".
QString BuildDate() {
    const QDate date = QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    return date.isValid() ? date.toString(Qt::ISODate) : QString::fromLatin1(__DATE__);
}

}  // namespace

QString VersionLine() { return QStringLiteral("aquenta %1").arg(QLatin1String(VERSION)); }

QString AboutText() {
    return QStringLiteral("%1\nVersion %2\nBuilt %3\nQt %4 (built with Qt %5)\n%6\n\n"
                          "Post-processing of single-beam hydrographic surveys.\n"
                          "Free software under the GNU General Public License, version 3 or later.")
        .arg(QString::fromLatin1(APP_TITLE), QLatin1String(VERSION), BuildDate(), QLatin1String(qVersion()),
             QStringLiteral(QT_VERSION_STR), QString::fromStdString(surface::LibraryVersions()));
}

}  // namespace aq::gui
