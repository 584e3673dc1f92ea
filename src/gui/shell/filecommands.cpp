// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/filecommands.h"

#include "import/common.h"

namespace aq::gui {

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
