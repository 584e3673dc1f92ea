// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "surface/surface.h"

namespace aq::surface {

enum class RasterFormat {
    GeoTiff,    // .tif, .tiff: Float32 bands (level, then count and standard deviation when the surface has them)
    EsriAscii,  // .asc: the level, with a .prj beside it
    XyzGrid,    // .xyz: "x y level" of every cell centre, row by row from the north
    Bag,        // .bag: the level and an uncertainty band of the standard deviation
};

// The format a file's extension asks for (any case); none for another extension.
std::optional<RasterFormat> RasterFormatOf(const std::string& path);
// The extensions for messages: ".tif, .asc, .xyz or .bag".
inline constexpr char kRasterExtensions[] = ".tif, .asc, .xyz or .bag";

// What an empty cell holds in a GeoTIFF, an ASCII grid and an XYZ grid (no seabed lies
// 32 km down); a BAG has its own, 1000000.
inline constexpr double kNoData = -32767.0;
inline constexpr double kBagNoData = 1000000.0;

// Writes the surface through GDAL in the format of the file's extension, with the
// surface's coordinate system (an XYZ grid, which has no place for one, gets it in a
// .aux.xml beside it). A BAG's uncertainty is the standard deviation band, empty
// where the surface has none. The file is replaced whole or not at all (GdalOutput).
// False with the message naming the file.
bool WriteSurface(const Surface& s, const std::string& path, std::string& error, UserPort* progress = nullptr);

// Reads the first band of a raster GDAL can read, as a surface (its no-data cells
// empty), with the raster's coordinate system (none when it has none). False with the
// reason: a file GDAL cannot read, a rotated grid, more cells than memory takes.
bool ReadSurface(const std::string& path, Surface& out, std::string& error);

}  // namespace aq::surface
