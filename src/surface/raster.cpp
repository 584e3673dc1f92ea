// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/raster.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <new>
#include <vector>

#include "model/platform.h"
#include "surface/gdalfile.h"

namespace aq::surface {

std::optional<RasterFormat> RasterFormatOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".tif" || ext == ".tiff") return RasterFormat::GeoTiff;
    if (ext == ".asc") return RasterFormat::EsriAscii;
    if (ext == ".xyz") return RasterFormat::XyzGrid;
    if (ext == ".bag") return RasterFormat::Bag;
    return std::nullopt;
}

namespace {

// A thread's GDAL setting for as long as this lives.
class ThreadSetting {
public:
    ThreadSetting(const char* key, const char* value) : key_(key) {
        if (const char* old = CPLGetThreadLocalConfigOption(key, nullptr)) old_ = old, had_ = true;
        CPLSetThreadLocalConfigOption(key, value);
    }
    ~ThreadSetting() { CPLSetThreadLocalConfigOption(key_, had_ ? old_.c_str() : nullptr); }
    ThreadSetting(const ThreadSetting&) = delete;
    ThreadSetting& operator=(const ThreadSetting&) = delete;

private:
    const char* key_;
    std::string old_;
    bool had_ = false;
};

int CPL_STDCALL ShowProgress(double complete, const char*, void* arg) {
    static_cast<Phase*>(arg)->At(static_cast<uint64_t>(std::clamp(complete, 0.0, 1.0) * 1000), 1000);
    return TRUE;
}

// Writes values into a band a block of rows at a time, NaN as `nodata`.
template <class T>
bool FillBand(GDALDatasetH ds, int index, const Surface& s, const T* values, double nodata) {
    GDALRasterBandH band = GDALGetRasterBand(ds, index);
    GDALSetRasterNoDataValue(band, nodata);
    const int rows = std::max(1, std::min(s.ny, (1 << 20) / std::max(1, s.nx)));
    std::vector<float> block(static_cast<size_t>(rows) * static_cast<size_t>(s.nx));
    for (int r0 = 0; r0 < s.ny; r0 += rows) {
        const int n = std::min(rows, s.ny - r0);
        const T* from = values ? values + s.Index(0, r0) : nullptr;
        for (size_t i = 0; i < static_cast<size_t>(n) * static_cast<size_t>(s.nx); ++i) {
            const double v = from ? static_cast<double>(from[i]) : std::numeric_limits<double>::quiet_NaN();
            block[i] = std::isnan(v) ? static_cast<float>(nodata) : static_cast<float>(v);
        }
        if (GDALRasterIO(band, GF_Write, 0, r0, s.nx, n, block.data(), s.nx, n, GDT_Float32, 0, 0) != CE_None)
            return false;
    }
    return true;
}

void Describe(GDALDatasetH ds, int index, const char* what) {
    GDALSetDescription(GDALGetRasterBand(ds, index), what);
}

}  // namespace

bool WriteSurface(const Surface& s, const std::string& path, std::string& error, UserPort* progress) {
    const std::optional<RasterFormat> format = RasterFormatOf(path);
    if (!format) {
        error = "The name " + path + " does not say which raster to write: it must end in " + kRasterExtensions + ".";
        return false;
    }
    if (s.Cells() == 0 || s.elevation.size() != s.Cells()) {
        error = "There is no surface to write to " + path + ".";
        return false;
    }
    UseGdal();
    GdalErrors errors;
    CPLErrorReset();
    // The formats keep everything in their own files; the XYZ grid alone keeps its
    // coordinate system and no-data value in a .aux.xml beside it.
    const ThreadSetting pam("GDAL_PAM_ENABLED", *format == RasterFormat::XyzGrid ? "YES" : "NO");
    GdalOutput out(path);
    if (!out.Open(error)) return false;
    Phase phase(progress, "Writing Surface");

    OGRSpatialReference srs;
    const bool hasCrs = !s.crs.wkt.empty() && srs.importFromWkt(s.crs.wkt.c_str()) == OGRERR_NONE;
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    double transform[6] = {s.west, s.cellX, 0, s.north, 0, -s.cellY};
    const bool geographic = hasCrs && srs.IsGeographic();

    const bool tiff = *format == RasterFormat::GeoTiff;
    const bool bag = *format == RasterFormat::Bag;
    const double nodata = bag ? kBagNoData : kNoData;
    int bands = 1;
    if (tiff) bands += (s.count.empty() ? 0 : 1) + (s.stddev.empty() ? 0 : 1);
    if (bag) bands = 2;

    const auto failed = [&](const std::string& what) {
        error = "Could not write " + path + ": " + errors.Text(what) + ".";
        return false;
    };
    GDALDatasetH ds = nullptr;
    if (tiff) {
        const char* const options[] = {"TILED=YES", "COMPRESS=DEFLATE", "PREDICTOR=3", "BIGTIFF=IF_SAFER",
                                       "NUM_THREADS=2", nullptr};
        ds = GDALCreate(GDALGetDriverByName("GTiff"), out.WorkPath().c_str(), s.nx, s.ny, bands, GDT_Float32,
                        const_cast<char**>(options));
    } else {
        ds = GDALCreate(GDALGetDriverByName("MEM"), "", s.nx, s.ny, bands, GDT_Float32, nullptr);
    }
    if (!ds) return failed("the raster could not be made");
    GDALSetGeoTransform(ds, transform);
    if (hasCrs) GDALSetSpatialRef(ds, OGRSpatialReference::ToHandle(&srs));
    bool ok = FillBand(ds, 1, s, s.elevation.data(), nodata);
    Describe(ds, 1, "elevation");
    int next = 2;
    if (ok && tiff && !s.count.empty()) {
        ok = FillBand(ds, next, s, s.count.data(), nodata);
        Describe(ds, next++, "count");
    }
    if (ok && (tiff || bag) && !s.stddev.empty()) {
        ok = FillBand(ds, next, s, s.stddev.data(), nodata);
        Describe(ds, next++, bag ? "uncertainty" : "stddev");
    } else if (ok && bag) {
        ok = FillBand<float>(ds, next, s, nullptr, nodata);
    }
    phase.At(500, 1000);
    if (ok && !tiff) {
        std::vector<const char*> options;
        const char* driver = "AAIGrid";
        if (*format == RasterFormat::EsriAscii) {
            options.push_back("DECIMAL_PRECISION=3");
        } else if (*format == RasterFormat::XyzGrid) {
            driver = "XYZ";
            options.push_back("COLUMN_SEPARATOR= ");
            // Millimetres of a projected grid; in degrees the places stay and the levels
            // keep the digits a float has.
            options.push_back(geographic ? "SIGNIFICANT_DIGITS=7" : "DECIMAL_PRECISION=3");
        } else {
            driver = "BAG";
        }
        options.push_back(nullptr);
        // The BAG driver takes an empty list for one that sets its metadata, and then
        // finds no date for it: no options is no list.
        char** list = options.size() > 1 ? const_cast<char**>(options.data()) : nullptr;
        GDALDatasetH copy = GDALCreateCopy(GDALGetDriverByName(driver), out.WorkPath().c_str(), ds, FALSE, list,
                                           ShowProgress, &phase);
        if (!copy) {
            ok = false;
        } else {
            if (*format == RasterFormat::XyzGrid) {
                if (hasCrs) GDALSetSpatialRef(copy, OGRSpatialReference::ToHandle(&srs));
                GDALSetRasterNoDataValue(GDALGetRasterBand(copy, 1), nodata);
            }
            GDALClose(copy);
        }
    }
    GDALClose(ds);
    if (!ok || CPLGetLastErrorType() >= CE_Failure) return failed("the raster could not be written");
    if (!out.Commit(error)) return false;
    phase.At(1000, 1000);
    return true;
}

bool ReadSurface(const std::string& path, Surface& out, std::string& error) {
    UseGdal();
    GdalErrors errors;
    GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) {
        error = "GDAL cannot read " + path + " as a raster: " + errors.Text("not a raster it knows") + ".";
        return false;
    }
    const auto close = [&](const std::string& why) {
        GDALClose(ds);
        error = why;
        return false;
    };
    if (GDALGetRasterCount(ds) < 1) return close(path + " holds no raster band.");
    double t[6];
    if (GDALGetGeoTransform(ds, t) != CE_None)
        return close(path + " has no georeferencing: where its cells lie is not known.");
    if (t[2] != 0 || t[4] != 0 || t[1] <= 0 || t[5] == 0) return close(path + " is a rotated grid, which cannot be contoured here.");
    const int nx = GDALGetRasterXSize(ds), ny = GDALGetRasterYSize(ds);
    const uint64_t bytes = static_cast<uint64_t>(nx) * static_cast<uint64_t>(ny) * 4 * 2;
    const uint64_t have = platform::PhysicalMemoryBytes();
    if (have > 0 && bytes > have / 4 * 3)
        return close(path + " has " + std::to_string(nx) + " x " + std::to_string(ny) +
                     " cells, more than this machine has memory for.");
    out = Surface{};
    out.nx = nx;
    out.ny = ny;
    out.west = t[0];
    out.cellX = t[1];
    out.cellY = std::abs(t[5]);
    out.north = t[5] < 0 ? t[3] : t[3] + t[5] * ny;
    try {
        out.elevation.resize(out.Cells());
    } catch (const std::bad_alloc&) {
        out = Surface{};
        return close("Not enough memory to read " + path + ".");
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (GDALRasterIO(band, GF_Read, 0, 0, nx, ny, out.elevation.data(), nx, ny, GDT_Float32, 0, 0) != CE_None) {
        out = Surface{};
        return close("GDAL cannot read the cells of " + path + ": " + errors.Text() + ".");
    }
    int hasNoData = FALSE;
    const double nodata = GDALGetRasterNoDataValue(band, &hasNoData);
    if (hasNoData) {
        const auto nd = static_cast<float>(nodata);
        for (float& v : out.elevation)
            if (v == nd) v = std::numeric_limits<float>::quiet_NaN();
    }
    // Rows from the north, as surfaces keep them.
    if (t[5] > 0)
        for (int r = 0; r < ny / 2; ++r)
            std::swap_ranges(out.elevation.begin() + static_cast<ptrdiff_t>(out.Index(0, r)),
                             out.elevation.begin() + static_cast<ptrdiff_t>(out.Index(0, r + 1)),
                             out.elevation.begin() + static_cast<ptrdiff_t>(out.Index(0, ny - 1 - r)));
    if (const OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
        char* wkt = nullptr;
        const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
        if (OSRExportToWktEx(srs, &wkt, options) == OGRERR_NONE && wkt) {
            const OGRSpatialReference* ref = OGRSpatialReference::FromHandle(srs);
            out.crs.wkt = wkt;
            out.crs.definition = wkt;
            out.crs.name = ref->GetName() ? ref->GetName() : "";
            out.crs.kind = ref->IsLocal()        ? CrsKind::LocalGrid
                           : ref->IsGeographic() ? CrsKind::Geographic
                                                 : CrsKind::Projected;
        }
        CPLFree(wkt);
    } else {
        out.crs = CoordinateSystem{};
    }
    GDALClose(ds);
    return true;
}

}  // namespace aq::surface
