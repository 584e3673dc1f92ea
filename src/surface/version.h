// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aq::surface {

// The versions of the libraries surfaces and coordinate systems are made with, as the
// About box and --version show them: "GDAL 3.6.2, PROJ 9.1.1, CGAL 5.5.1".
std::string LibraryVersions();

}  // namespace aq::surface
