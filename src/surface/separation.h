// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "processing/gnsstide.h"
#include "surface/crs.h"

// Separation models for the water level from GNSS heights: the height of a datum surface
// above the WGS84 ellipsoid, as a constant, a grid file GDAL reads (GTX, GeoTIFF, ...)
// or the EGM96 geoid that PROJ's data ships, interpolated bilinearly between the grid's
// cell centres.
namespace aq::surface {

enum class SeparationKind {
    Constant,  // metres, everywhere
    Grid,      // a grid file
    Egm96,     // PROJ's egm96_15.gtx
};

struct SeparationModel {
    SeparationKind kind = SeparationKind::Constant;
    double constant = 0.0;  // Constant: metres
    std::string path;       // Grid: the file
};

// The EGM96 grid along PROJ's search path (PROJ_DATA, its installed data), or empty when
// proj-data is not installed.
std::string Egm96GridPath();

// A separation grid read through GDAL.
class SeparationGrid {
public:
    SeparationGrid();
    ~SeparationGrid();
    SeparationGrid(const SeparationGrid&) = delete;
    SeparationGrid& operator=(const SeparationGrid&) = delete;

    // Opens the file and reads its georeferencing; false with the reason in error.
    bool Open(const std::string& path, std::string& error);
    // Reads the part of the grid that covers the extent, in degrees (west may be greater
    // than east across 180°); false with the reason in error.
    bool Load(double west, double south, double east, double north, std::string& error);
    // Bilinear values at points in degrees. Points outside the grid, or next to a cell
    // without a value, fail with the place named.
    bool Sample(std::span<const double> lon, std::span<const double> lat, std::span<double> out,
                std::string& error) const;

    const std::string& Path() const { return path_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string path_;
};

// The core's separation source for a model and the kind of heights the positions carry:
// what it gives is the model's separation, less the EGM96 geoid where the heights are
// above it. A constant model goes into settings.constantSeparation instead, and null is
// returned where no lookup is needed (a constant with ellipsoidal heights, EGM96 with
// heights above EGM96). On failure, error says why and null is returned.
// For a survey on a grid, `survey` is its coordinate system: the source takes the
// positions through PROJ to longitude and latitude (none for a local site grid).
std::unique_ptr<SeparationSource> MakeSeparationSource(const SeparationModel& model, GnssTideSettings& settings,
                                                       bool& failed, std::string& error,
                                                       const CoordinateSystem* survey = nullptr);

}  // namespace aq::surface
