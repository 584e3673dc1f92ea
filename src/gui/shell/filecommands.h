// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <string>

#include "import/common.h"
#include "model/doc.h"

namespace aq::gui {

// An import the File > Import menu can run once its file is chosen. One entry per
// command: adding a reader to the menu is adding a line to this table.
struct ImportCommand {
    int id;
    ImportResult (*run)(CVKDoc& doc, const std::string& path);
};
std::span<const ImportCommand> ImportCommands();
const ImportCommand* FindImportCommand(int id);

// Document commands that need no dialog: Restore, Remove, Clear Z, the Z filters, ...
struct PlainCommand {
    int id;
    void (*run)(CVKDoc& doc);
};
std::span<const PlainCommand> PlainCommands();
const PlainCommand* FindPlainCommand(int id);

// "Brivel Data Files (*.brv)|*.brv|All Files (*.*)|*.*||" as the name filters of a
// Qt file dialog.
QStringList QtFilters(const char* filter);

}  // namespace aq::gui
