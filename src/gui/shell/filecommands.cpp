// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/filecommands.h"

#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "import/brivel.h"
#include "import/formatted.h"
#include "import/gpsreceivers.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "processing/flags.h"
#include "processing/hpr.h"
#include "ui/commands.h"

namespace aq::gui {

namespace {

constexpr ImportCommand kImports[] = {
    {ID_IMPORT_BRIVEL, ImportBrivel},
    {ID_IMPORT_NMEA, ImportNmea},
    {ID_IMPORT_LEICA, ImportLeica},
    {ID_IMPORT_GEOTRONICS, ImportGeotronics},
    {ID_IMPORT_GGK, ImportTrimbleGgk},
    {ID_IMPORT_PJK, ImportTrimblePjk},
    {ID_IMPORT_US_ARMY, ImportUsArmy},
    {ID_IMPORT_TIDE_ASCII, ImportTide},
    {ID_IMPORT_VIVOZ, ImportVivoz},
    {ID_IMPORT_VK_RAW, ImportVkRaw},
    {ID_IMPORT_WT_RAW, ImportWtRaw},
};

void RunRemove(CVKDoc& doc) { Remove(doc); }

constexpr PlainCommand kPlain[] = {
    {ID_EDIT_RESTORE, Restore},
    {ID_EDIT_REMOVE, RunRemove},
    {ID_CLEAR_Z, ClearZ},
    {ID_FILTER_HI_PASS, HiPassZ},
    {ID_FILTER_LO_PASS, LoPassZ},
    {ID_IMPORT_INFORMATION, ImportInformation},
    {ID_CONVERT_UTM, ConvertToUtm},
    {ID_APPLY_HPR, ApplyHpr},
    {ID_CONTROL_APPLY, ApplyControl},
    {ID_CONTROL_SELF_TEST, SelfTest},
};

}  // namespace

std::span<const ImportCommand> ImportCommands() { return kImports; }

const ImportCommand* FindImportCommand(int id) {
    for (const ImportCommand& c : kImports)
        if (c.id == id) return &c;
    return nullptr;
}

std::span<const PlainCommand> PlainCommands() { return kPlain; }

const PlainCommand* FindPlainCommand(int id) {
    for (const PlainCommand& c : kPlain)
        if (c.id == id) return &c;
    return nullptr;
}

QStringList QtFilters(const char* filter) {
    QStringList out;
    if (!filter) return out;
    for (const FilterEntry& e : ParseFilter(filter)) {
        QString patterns;
        for (const std::string& p : e.patterns) {
            if (!patterns.isEmpty()) patterns += ' ';
            // "*.*" means every file, with or without a dot.
            patterns += p == "*.*" ? QStringLiteral("*") : QString::fromStdString(p);
        }
        // Qt reads the patterns from the brackets at the end of the description.
        QString description = QString::fromStdString(e.description);
        if (const qsizetype open = description.lastIndexOf('('); open > 0 && description.endsWith(')'))
            description.truncate(open);
        out << description.trimmed() + QStringLiteral(" (") + patterns + ')';
    }
    return out;
}

}  // namespace aq::gui
