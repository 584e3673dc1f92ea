// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/version.h"

#include <CGAL/version.h>
#include <gdal.h>
#include <proj.h>

namespace aq::surface {

std::string LibraryVersions() {
    const PJ_INFO proj = proj_info();
    return std::string("GDAL ") + GDALVersionInfo("RELEASE_NAME") + ", PROJ " + proj.version +
           ", CGAL " + CGAL_STR(CGAL_VERSION);
}

}  // namespace aq::surface
