// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace aq::gui {

// "aquenta 0.1.0": what --version prints.
QString VersionLine();
// Help > About: the program, its version, the day it was built and the Qt it runs on.
QString AboutText();

}  // namespace aq::gui
