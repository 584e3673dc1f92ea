// SPDX-License-Identifier: GPL-3.0-or-later
// Surveys of chosen soundings, and rasters and layers read back through GDAL, for the
// surface tests.
#pragma once

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/data.h"
#include "model/doc.h"
#include "support/builders.h"

namespace aq::test {

struct Sounding {
    double x, y, level;  // metres
};

// A survey of depth records at the given positions and levels, as recalculation leaves
// them (no tide, no height: the level is minus the depth). Positions to the centimetre.
inline void AddSoundings(CVKDoc& doc, const std::vector<Sounding>& soundings) {
    int64_t t = At(10, 0, 0);
    for (const Sounding& s : soundings) {
        CVKData r = CVKData::OfDepth(t++, static_cast<int>(std::lround(-s.level * 100)), 100, REC_DEPTH, 0);
        r.X = std::llround(s.x * 100);
        r.Y = std::llround(s.y * 100);
        doc.AddRecord(r);
        doc.KindFlags |= REC_DEPTH;
    }
}

// splitmix64, the same everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    double Uniform(double lo, double hi) {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) / 9007199254740992.0;
    }

private:
    uint64_t state_;
};

// Survey lines running east, `spacing` metres apart, a sounding every `step` metres
// along them with a few centimetres of wander; the level from `level(x, y)`.
template <class Level>
std::vector<Sounding> Lines(int lines, double length, double spacing, double step, Level level, uint64_t seed = 1) {
    Random rnd(seed);
    std::vector<Sounding> out;
    for (int k = 0; k < lines; ++k) {
        const double y0 = 1000 + k * spacing;
        for (double along = 0; along <= length; along += step) {
            // Back and forth, as a boat runs them.
            const double x = 2000 + (k % 2 == 0 ? along : length - along) + rnd.Uniform(-0.03, 0.03);
            const double y = y0 + rnd.Uniform(-0.05, 0.05);
            const double xr = std::round(x * 100) / 100, yr = std::round(y * 100) / 100;
            out.push_back({xr, yr, std::round(level(xr, yr) * 100) / 100});
        }
    }
    return out;
}

// A raster read back: its size, transform, system and bands.
struct Raster {
    bool ok = false;
    std::string driver;
    int nx = 0, ny = 0;
    double transform[6] = {};
    std::string wkt;
    std::vector<std::vector<float>> bands;
    std::vector<double> nodata;
    std::vector<std::string> descriptions;
    float At(int band, int col, int row) const { return bands[static_cast<size_t>(band)][static_cast<size_t>(row * nx + col)]; }
};

inline Raster ReadRaster(const std::string& path) {
    GDALAllRegister();
    Raster r;
    GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) return r;
    r.driver = GDALGetDriverShortName(GDALGetDatasetDriver(ds));
    r.nx = GDALGetRasterXSize(ds);
    r.ny = GDALGetRasterYSize(ds);
    GDALGetGeoTransform(ds, r.transform);
    if (const char* wkt = GDALGetProjectionRef(ds)) r.wkt = wkt;
    r.ok = true;
    for (int b = 1; b <= GDALGetRasterCount(ds); ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        std::vector<float> v(static_cast<size_t>(r.nx) * static_cast<size_t>(r.ny));
        r.ok &= GDALRasterIO(band, GF_Read, 0, 0, r.nx, r.ny, v.data(), r.nx, r.ny, GDT_Float32, 0, 0) == CE_None;
        int has = 0;
        const double nd = GDALGetRasterNoDataValue(band, &has);
        r.nodata.push_back(has ? nd : std::nan(""));
        r.descriptions.push_back(GDALGetDescription(band));
        r.bands.push_back(std::move(v));
    }
    GDALClose(ds);
    return r;
}

// Whether a WKT names the same system as a definition PROJ takes ("EPSG:32631").
inline bool SameSystem(const std::string& wkt, const std::string& definition) {
    OGRSpatialReference a, b;
    if (wkt.empty() || a.importFromWkt(wkt.c_str()) != OGRERR_NONE) return false;
    if (b.SetFromUserInput(definition.c_str()) != OGRERR_NONE) return false;
    // A BAG adds an unknown vertical system to the horizontal one.
    if (a.IsCompound() && a.StripVertical() != OGRERR_NONE) return false;
    const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT", nullptr};
    return a.IsSame(&b, options);
}

// The lines of a vector file's first (or named) layer, with their level field (or Z).
struct Line {
    double level = 0;
    std::vector<double> x, y, z;
};
struct Layer {
    bool ok = false;
    std::string wkt;
    std::vector<std::string> fields;
    std::vector<Line> lines;
};

inline Layer ReadLayer(const std::string& path) {
    GDALAllRegister();
    Layer out;
    GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) return out;
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    if (layer) {
        out.ok = true;
        if (OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer)) {
            char* wkt = nullptr;
            OSRExportToWkt(srs, &wkt);
            if (wkt) out.wkt = wkt;
            CPLFree(wkt);
        }
        OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
        for (int i = 0; i < OGR_FD_GetFieldCount(defn); ++i) out.fields.push_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, i)));
        const int level = OGR_FD_GetFieldIndex(defn, "level");
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            Line line;
            if (level >= 0) line.level = OGR_F_GetFieldAsDouble(f, level);
            if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
                for (int i = 0; i < OGR_G_GetPointCount(g); ++i) {
                    line.x.push_back(OGR_G_GetX(g, i));
                    line.y.push_back(OGR_G_GetY(g, i));
                    line.z.push_back(OGR_G_GetZ(g, i));
                }
            }
            OGR_F_Destroy(f);
            out.lines.push_back(std::move(line));
        }
    }
    GDALClose(ds);
    return out;
}

// Runs a shell command, quietly; true when it succeeded.
inline bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The soundings as a CSV and an OGR VRT over it, for gdal_grid.
inline std::string WritePointsForGdal(const std::filesystem::path& dir, const std::vector<double>& x,
                                      const std::vector<double>& y, const std::vector<float>& z) {
    {
        std::ofstream csv(dir / "points.csv");
        csv << "x,y,z\n";
        char line[128];
        for (size_t i = 0; i < z.size(); ++i) {
            std::snprintf(line, sizeof line, "%.17g,%.17g,%.9g\n", x[i], y[i], static_cast<double>(z[i]));
            csv << line;
        }
    }
    const std::string vrt = (dir / "points.vrt").string();
    std::ofstream out(vrt);
    out << "<OGRVRTDataSource><OGRVRTLayer name=\"points\"><SrcDataSource>" << (dir / "points.csv").string()
        << "</SrcDataSource><GeometryType>wkbPoint25D</GeometryType>"
           "<GeometryField encoding=\"PointFromColumns\" x=\"x\" y=\"y\" z=\"z\"/></OGRVRTLayer></OGRVRTDataSource>\n";
    return vrt;
}

}  // namespace aq::test
