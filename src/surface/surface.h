// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "surface/crs.h"

namespace aq {
class UserPort;
}

namespace aq::surface {

// A gridded surface of the seabed, as the raster outputs write it and the window draws
// it: square cells on the ground (rectangular in degrees for a geographic survey), rows
// from the north edge to the south one, each holding the level of the seabed there in
// metres, or NaN where the cell is empty.
struct Surface {
    // The north-west corner of the grid and the size of a cell, in the coordinate
    // system's units (metres, or degrees in a geographic survey).
    double west = 0;
    double north = 0;
    double cellX = 1;
    double cellY = 1;
    int nx = 0;
    int ny = 0;
    std::vector<float> elevation;  // nx * ny, row by row from the north
    // Optional bands, each empty or nx * ny: the live soundings in each cell, and their
    // standard deviation about the cell's mean (NaN where the cell counts as empty).
    std::vector<uint32_t> count;
    std::vector<float> stddev;
    CoordinateSystem crs;

    size_t Cells() const { return static_cast<size_t>(nx) * static_cast<size_t>(ny); }
    size_t Index(int col, int row) const { return static_cast<size_t>(row) * static_cast<size_t>(nx) + col; }
    float At(int col, int row) const { return elevation[Index(col, row)]; }
    // The centre of a cell.
    double CentreX(int col) const { return west + (col + 0.5) * cellX; }
    double CentreY(int row) const { return north - (row + 0.5) * cellY; }
    // The lowest and highest level of the cells that are not empty; false when all are.
    bool Range(double& lowest, double& highest) const;
};

// A long step shown through the user port as a phase of its own, the way imports show
// theirs; does nothing without a port. Progress must be given from the thread that
// made it.
class Phase {
public:
    Phase(UserPort* port, const char* name);
    ~Phase();
    Phase(const Phase&) = delete;
    Phase& operator=(const Phase&) = delete;
    void At(uint64_t done, uint64_t total);

private:
    UserPort* port_;
    int percent_ = -1;
};

}  // namespace aq::surface
