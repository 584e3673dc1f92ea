// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/contours.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>

#include "surface/gdalfile.h"
#include "surface/raster.h"

namespace aq::surface {

std::optional<ContourFormat> ContourFormatOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".gpkg") return ContourFormat::GeoPackage;
    if (ext == ".shp") return ContourFormat::Shapefile;
    if (ext == ".dxf") return ContourFormat::Dxf;
    if (ext == ".kml") return ContourFormat::Kml;
    return std::nullopt;
}

namespace {

constexpr double kMaxLevels = 100000;

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// The level as a label: "-5", "-2.5".
std::string Label(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

int CPL_STDCALL ShowProgress(double complete, const char*, void* arg) {
    static_cast<Phase*>(arg)->At(static_cast<uint64_t>(std::clamp(complete, 0.0, 1.0) * 1000), 1000);
    return TRUE;
}

struct DatasetCloser {
    void operator()(void* ds) const {
        if (ds) GDALClose(ds);
    }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

}  // namespace

bool MakeContours(const Surface& s, const ContourLevels& levels, std::vector<ContourLine>& out, std::string& error,
                  UserPort* progress) {
    out.clear();
    if (levels.levels.empty() && !(levels.interval > 0 && std::isfinite(levels.interval))) {
        error = "The contour interval must be a height above 0 m, not " + Label(levels.interval) + ".";
        return false;
    }
    for (const double v : levels.levels)
        if (!std::isfinite(v)) {
            error = "A contour level must be a number, not " + Label(v) + ".";
            return false;
        }
    double lowest = 0, highest = 0;
    if (s.Cells() == 0 || !s.Range(lowest, highest)) {
        error = "The surface has no level to draw contours of: every cell is empty.";
        return false;
    }
    if (levels.levels.empty()) {
        const double count = std::floor((highest - levels.base) / levels.interval) -
                             std::ceil((lowest - levels.base) / levels.interval) + 1;
        if (count > kMaxLevels) {
            error = "An interval of " + Label(levels.interval) + " m gives " + Label(count) +
                    " contour levels between " + Label(lowest) + " m and " + Label(highest) +
                    " m; choose a larger interval (100000 levels at most).";
            return false;
        }
    } else if (levels.levels.size() > kMaxLevels) {
        error = "At most 100000 contour levels can be listed.";
        return false;
    }
    UseGdal();
    GdalErrors errors;
    CPLErrorReset();
    Phase phase(progress, "Tracing Contours");
    try {
        Dataset raster(GDALCreate(GDALGetDriverByName("MEM"), "", s.nx, s.ny, 1, GDT_Float32, nullptr));
        if (!raster) {
            error = "Could not make the contours: " + errors.Text() + ".";
            return false;
        }
        GDALRasterBandH band = GDALGetRasterBand(raster.get(), 1);
        GDALSetRasterNoDataValue(band, kNoData);
        const int rows = std::max(1, std::min(s.ny, (1 << 20) / std::max(1, s.nx)));
        std::vector<float> block(static_cast<size_t>(rows) * static_cast<size_t>(s.nx));
        for (int r0 = 0; r0 < s.ny; r0 += rows) {
            const int n = std::min(rows, s.ny - r0);
            const float* from = s.elevation.data() + s.Index(0, r0);
            for (size_t i = 0; i < static_cast<size_t>(n) * static_cast<size_t>(s.nx); ++i)
                block[i] = std::isnan(from[i]) ? static_cast<float>(kNoData) : from[i];
            if (GDALRasterIO(band, GF_Write, 0, r0, s.nx, n, block.data(), s.nx, n, GDT_Float32, 0, 0) != CE_None) {
                error = "Could not make the contours: " + errors.Text() + ".";
                return false;
            }
        }
        double transform[6] = {s.west, s.cellX, 0, s.north, 0, -s.cellY};
        GDALSetGeoTransform(raster.get(), transform);
        block.clear();
        block.shrink_to_fit();

        Dataset vectors(GDALCreate(GDALGetDriverByName("Memory"), "", 0, 0, 0, GDT_Unknown, nullptr));
        OGRLayerH layer = vectors ? GDALDatasetCreateLayer(vectors.get(), "contours", nullptr, wkbLineString, nullptr)
                                  : nullptr;
        if (!layer) {
            error = "Could not make the contours: " + errors.Text() + ".";
            return false;
        }
        OGRFieldDefnH id = OGR_Fld_Create("id", OFTInteger);
        OGRFieldDefnH level = OGR_Fld_Create("level", OFTReal);
        OGR_L_CreateField(layer, id, TRUE);
        OGR_L_CreateField(layer, level, TRUE);
        OGR_Fld_Destroy(id);
        OGR_Fld_Destroy(level);

        std::vector<std::string> texts = {"ID_FIELD=0", "ELEV_FIELD=1", "NODATA=" + Number(kNoData)};
        if (levels.levels.empty()) {
            texts.push_back("LEVEL_INTERVAL=" + Number(levels.interval));
            texts.push_back("LEVEL_BASE=" + Number(levels.base));
        } else {
            // The generator walks the levels upwards: listed in any other order, it
            // finds the first alone.
            std::vector<double> sorted = levels.levels;
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            std::string list = "FIXED_LEVELS=";
            for (size_t i = 0; i < sorted.size(); ++i) list += (i ? "," : "") + Number(sorted[i]);
            texts.push_back(list);
        }
        std::vector<const char*> options;
        for (const std::string& t : texts) options.push_back(t.c_str());
        options.push_back(nullptr);
        if (GDALContourGenerateEx(band, layer, options.data(), ShowProgress, &phase) != CE_None) {
            error = "Could not trace the contours: " + errors.Text() + ".";
            return false;
        }
        OGR_L_ResetReading(layer);
        while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
            ContourLine line;
            line.level = OGR_F_GetFieldAsDouble(f, 1);
            if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
                const int n = OGR_G_GetPointCount(g);
                line.xy.resize(static_cast<size_t>(n) * 2);
                for (int i = 0; i < n; ++i) {
                    line.xy[2 * static_cast<size_t>(i)] = OGR_G_GetX(g, i);
                    line.xy[2 * static_cast<size_t>(i) + 1] = OGR_G_GetY(g, i);
                }
            }
            OGR_F_Destroy(f);
            if (line.xy.size() >= 4) out.push_back(std::move(line));
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        error = "Not enough memory to trace the contours.";
        return false;
    }
    return true;
}

bool WriteContours(const std::vector<ContourLine>& lines, const CoordinateSystem& crs, const std::string& path,
                   std::string& error, UserPort* progress) {
    const std::optional<ContourFormat> format = ContourFormatOf(path);
    if (!format) {
        error = "The name " + path + " does not say which contour file to write: it must end in " +
                kContourExtensions + ".";
        return false;
    }
    UseGdal();
    GdalErrors errors;
    CPLErrorReset();
    OGRSpatialReference srs;
    const bool hasCrs = !crs.wkt.empty() && srs.importFromWkt(crs.wkt.c_str()) == OGRERR_NONE;
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const bool kml = *format == ContourFormat::Kml, dxf = *format == ContourFormat::Dxf;

    OGRSpatialReference wgs84;
    std::unique_ptr<OGRCoordinateTransformation> toWgs84;
    if (kml) {
        if (!hasCrs) {
            error = "KML is in longitude and latitude, and the surface has no coordinate system to bring the "
                    "contours into them from: give it one (--crs).";
            return false;
        }
        if (crs.kind == CrsKind::LocalGrid || srs.IsLocal()) {
            error = "KML is in longitude and latitude, and " + (crs.name.empty() ? std::string("the survey's grid")
                                                                                  : crs.name) +
                    " is a local grid with no known relation to the earth: write the contours as .gpkg, .shp or "
                    ".dxf instead.";
            return false;
        }
        wgs84.importFromEPSG(4326);
        wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        toWgs84.reset(OGRCreateCoordinateTransformation(&srs, &wgs84));
        if (!toWgs84) {
            error = "PROJ cannot bring " + crs.name + " into longitude and latitude: " + errors.Text() + ".";
            return false;
        }
    }

    GdalOutput out(path);
    if (!out.Open(error)) return false;
    Phase phase(progress, "Writing Contours");
    const char* driver = *format == ContourFormat::GeoPackage ? "GPKG"
                         : *format == ContourFormat::Shapefile ? "ESRI Shapefile"
                         : dxf                                 ? "DXF"
                                                               : "KML";
    const auto failed = [&](const std::string& what) {
        error = "Could not write " + path + ": " + errors.Text(what) + ".";
        return false;
    };
    {
        Dataset ds(GDALCreate(GDALGetDriverByName(driver), out.WorkPath().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds) return failed("the file could not be made");
        const std::string name = *format == ContourFormat::Shapefile
                                     ? std::filesystem::path(out.WorkPath()).stem().string()
                                     : std::string("contours");
        OGRSpatialReferenceH layerSrs = kml ? OGRSpatialReference::ToHandle(&wgs84)
                                        : (hasCrs && !dxf) ? OGRSpatialReference::ToHandle(&srs)
                                                           : nullptr;
        OGRLayerH layer = GDALDatasetCreateLayer(ds.get(), name.c_str(), layerSrs,
                                                 dxf ? wkbLineString25D : wkbLineString, nullptr);
        if (!layer) return failed("the layer could not be made");
        int idField = -1, levelField = -1, nameField = -1, layerField = -1;
        if (dxf) {
            layerField = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "Layer");
        } else {
            if (kml) {
                OGRFieldDefnH f = OGR_Fld_Create("Name", OFTString);
                OGR_L_CreateField(layer, f, TRUE);
                OGR_Fld_Destroy(f);
            }
            OGRFieldDefnH id = OGR_Fld_Create("id", OFTInteger);
            OGRFieldDefnH level = OGR_Fld_Create("level", OFTReal);
            if (OGR_L_CreateField(layer, id, TRUE) != OGRERR_NONE || OGR_L_CreateField(layer, level, TRUE) != OGRERR_NONE) {
                OGR_Fld_Destroy(id);
                OGR_Fld_Destroy(level);
                return failed("the fields could not be made");
            }
            OGR_Fld_Destroy(id);
            OGR_Fld_Destroy(level);
            OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
            idField = OGR_FD_GetFieldIndex(defn, "id");
            levelField = OGR_FD_GetFieldIndex(defn, "level");
            nameField = OGR_FD_GetFieldIndex(defn, "Name");
        }
        const bool transaction = *format == ContourFormat::GeoPackage &&
                                 GDALDatasetStartTransaction(ds.get(), FALSE) == OGRERR_NONE;
        std::vector<double> xs, ys;
        for (size_t i = 0; i < lines.size(); ++i) {
            const ContourLine& line = lines[i];
            const size_t n = line.xy.size() / 2;
            xs.resize(n);
            ys.resize(n);
            for (size_t k = 0; k < n; ++k) {
                xs[k] = line.xy[2 * k];
                ys[k] = line.xy[2 * k + 1];
            }
            if (toWgs84 && !toWgs84->Transform(n, xs.data(), ys.data())) {
                error = "PROJ cannot bring the contour at " + Label(line.level) + " m into longitude and latitude (" +
                        errors.Text("a point outside the system's area") + ").";
                return false;
            }
            OGRGeometryH g = OGR_G_CreateGeometry(dxf ? wkbLineString25D : wkbLineString);
            OGR_G_SetPointCount(g, static_cast<int>(n));
            for (size_t k = 0; k < n; ++k) {
                if (dxf)
                    OGR_G_SetPoint(g, static_cast<int>(k), xs[k], ys[k], line.level);
                else
                    OGR_G_SetPoint_2D(g, static_cast<int>(k), xs[k], ys[k]);
            }
            OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
            OGR_F_SetGeometryDirectly(f, g);
            if (idField >= 0) OGR_F_SetFieldInteger(f, idField, static_cast<int>(i + 1));
            if (levelField >= 0) OGR_F_SetFieldDouble(f, levelField, line.level);
            if (nameField >= 0) OGR_F_SetFieldString(f, nameField, Label(line.level).c_str());
            if (layerField >= 0) OGR_F_SetFieldString(f, layerField, "CONTOURS");
            const OGRErr err = OGR_L_CreateFeature(layer, f);
            OGR_F_Destroy(f);
            if (err != OGRERR_NONE) return failed("a line could not be written");
            if (i % 1024 == 0) phase.At(i, lines.size());
        }
        if (transaction && GDALDatasetCommitTransaction(ds.get()) != OGRERR_NONE)
            return failed("the lines could not be written");
    }
    if (CPLGetLastErrorType() >= CE_Failure) return failed("the file could not be written");
    if (!out.Commit(error)) return false;
    phase.At(1, 1);
    return true;
}

}  // namespace aq::surface
