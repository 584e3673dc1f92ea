// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "surface/soundings.h"
#include "surface/surface.h"

namespace aq::surface {

// How the level of a cell is made from the soundings.
enum class Method {
    Mean,      // binning: the soundings in the cell
    Median,    //   (of an even count, the mean of the middle two)
    Shoalest,  //   the highest level, as charts use
    Deepest,   //   the lowest level
    Count,     //   how many there are
    StdDev,    //   their standard deviation about their mean (divided by the count)
    Idw,       // inverse distance weighting (power 2) of the soundings within a radius
    Tin,       // linear in the triangles of the Delaunay triangulation
};

// The method a surface is made with unless the user says otherwise: the triangulation,
// which honours every sounding, is continuous across the cells between the survey lines
// (up to its longest edge) and so gives contours that follow the seabed; the binning
// methods are the statistics of the soundings each cell holds.
inline constexpr Method kDefaultMethod = Method::Tin;

// "mean", "median", "shoalest", "deepest", "count", "stddev", "idw", "tin".
const char* MethodName(Method m);
std::optional<Method> MethodByName(std::string_view name);
bool IsBinning(Method m);

// An area in survey coordinates (metres, or degrees in a geographic survey).
struct Extent {
    double xmin = 0;
    double ymin = 0;
    double xmax = 0;
    double ymax = 0;
};

struct GridOptions {
    Method method = kDefaultMethod;
    double cell = 0;  // metres on the ground
    // The area of the grid. Given, its west and south edges are the grid's and its east
    // and north edges grow to whole cells; otherwise it is the soundings' own, with the
    // cell edges on whole multiples of the cell size (of metres from the plane's origin
    // in a geographic survey), so that grids of one site line up.
    std::optional<Extent> extent;
    // A cell holding fewer soundings (within `radius` of its centre for IDW) is empty.
    // The triangulation has no use for it: there a cell is empty outside the triangles.
    int minCount = 1;
    double radius = 0;   // IDW, metres; 0 for twice the cell
    double maxEdge = 0;  // TIN, metres; 0 for 3 x the median line spacing (MedianLineSpacing)
    bool countBand = false;
    bool stddevBand = false;
};

// The cells of a grid on the plane: nx by ny squares of `cell` metres from the
// south-west corner (x0, y0). A sounding on the edge between two cells belongs to the
// one east (north) of it.
struct GridGeometry {
    double x0 = 0;
    double y0 = 0;
    double cell = 1;
    int64_t nx = 0;
    int64_t ny = 0;

    uint64_t Cells() const { return static_cast<uint64_t>(nx) * static_cast<uint64_t>(ny); }
    // The cell of a plane point as an index into a surface's rows from the north; false
    // outside the grid.
    bool CellOf(double px, double py, size_t& index) const;
    double CentreX(int64_t col) const { return x0 + (static_cast<double>(col) + 0.5) * cell; }
    // Of a row counted from the north, as surfaces store them.
    double CentreY(int64_t row) const { return y0 + (static_cast<double>(ny - 1 - row) + 0.5) * cell; }
};

// The grid the options give for the soundings. False with the reason for a cell that
// is not above 0, an empty extent, one that holds no sounding, or more cells than a
// raster can have.
bool PlanGrid(const Soundings& s, const GridOptions& o, GridGeometry& g, std::string& error);

// What making the surface would take of memory beyond the soundings, in bytes.
uint64_t MemoryNeeded(const GridGeometry& g, const GridOptions& o, size_t soundings);

// Makes the surface of the soundings. The triangulation reorders nothing but needs the
// soundings in their record order for the line spacing. False with the reason (the
// options refused, not enough memory: estimated and refused before anything is
// allocated). The coordinate system is left for the caller to set.
bool MakeSurface(const Soundings& s, const GridOptions& o, Surface& out, std::string& error,
                 UserPort* progress = nullptr);

// The cell of a surface made only to be contoured, when the user gives none: a fifth of
// the line spacing (MedianLineSpacing), rounded down to 1, 2 or 5 times a power of ten,
// and larger while the soundings' extent would take more than 16 million cells; 0 when
// the line spacing is not known.
double ContourCell(const Soundings& s, double lineSpacing);

// ---- the pieces, for the tests and the benchmarks ----

// The binning methods' levels, count and standard deviation (each only when `out`
// asks for it by a non-null pointer); every array nx * ny, rows from the north.
struct BinOutputs {
    float* level = nullptr;
    uint32_t* count = nullptr;
    float* stddev = nullptr;
};
bool BinSoundings(const Soundings& s, const GridGeometry& g, Method m, int minCount, const BinOutputs& out,
                  std::string& error, UserPort* progress = nullptr);

// Inverse distance weighting to the power 2 at each cell centre, of the soundings
// within `radius` metres of it (at least minCount of them, else the cell is empty); a
// sounding at the centre itself gives its level.
bool IdwSoundings(const Soundings& s, const GridGeometry& g, double radius, int minCount, float* level,
                  std::string& error, UserPort* progress = nullptr);

}  // namespace aq::surface
