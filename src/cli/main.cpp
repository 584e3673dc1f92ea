// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include "app.h"

int main(int argc, char** argv) { return aq::cli::Run(std::vector<std::string>(argv + 1, argv + argc)); }
