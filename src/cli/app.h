// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace aq::cli {

// Exit status of a run.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Parses the whole command line (the words after the program name), then runs the
// verbs in order on one document.
int Run(std::vector<std::string> words);

}  // namespace aq::cli
