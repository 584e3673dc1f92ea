// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "import/common.h"
// File > Open and Save are the core's OpenDocument and SaveDocument.
#include "io/document.h"

namespace aq::gui {

// "Brivel Data Files (*.brv)|*.brv|All Files (*.*)|*.*||" as the name filters of a
// Qt file dialog.
QStringList QtFilters(const char* filter);

}  // namespace aq::gui
