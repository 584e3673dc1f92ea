// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/separation.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "surface/projhandle.h"

namespace aq::surface {

namespace {

// More cells than this are not read into memory at once: a national grid at a fine
// spacing over the survey's extent is far less.
constexpr double kMostCells = 200e6;

void RegisterGdal() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

std::string Place(double lon, double lat) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f %c %.6f %c", std::fabs(lat), lat < 0 ? 'S' : 'N', std::fabs(lon),
                  lon < 0 ? 'W' : 'E');
    return text;
}

std::string GdalReason() {
    const char* text = CPLGetLastErrorMsg();
    return text && *text ? text : "GDAL cannot read it";
}

}  // namespace

std::string Egm96GridPath() {
    const PJ_INFO info = proj_info();
    std::string paths = info.searchpath ? info.searchpath : "";
#ifdef _WIN32
    const char separator = ';';
#else
    const char separator = ':';
#endif
    size_t start = 0;
    while (start <= paths.size()) {
        const size_t end = std::min(paths.find(separator, start), paths.size());
        const std::filesystem::path candidate = std::filesystem::path(paths.substr(start, end - start)) / "egm96_15.gtx";
        std::error_code ec;
        if (end > start && std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
        start = end + 1;
    }
    return {};
}

struct SeparationGrid::Impl {
    GDALDatasetH dataset = nullptr;
    PJ_CONTEXT* ctx = nullptr;
    PJ* toGrid = nullptr;  // WGS84 longitude/latitude to the grid's own coordinates; null when geographic
    int width = 0, height = 0;
    double x0 = 0, dx = 1, y0 = 0, dy = -1;  // the outer corner and the cell size, as GDAL's geotransform
    bool global = false;                     // geographic and 360° round: columns wrap
    double noData = 0;
    bool hasNoData = false;
    double scale = 1, offset = 0;
    // The part read: columns c0.., rows r0..
    int c0 = 0, r0 = 0, cw = 0, rh = 0;
    std::vector<float> cells;

    ~Impl() {
        if (toGrid) proj_destroy(toGrid);
        if (ctx) proj_context_destroy(ctx);
        if (dataset) GDALClose(dataset);
    }

    // A longitude in the grid's own range: a grid from 0° to 360° takes -10° as 350°.
    double Longitude(double lon) const {
        if (toGrid) return lon;
        double v = std::fmod(lon - x0, 360.0);
        if (v < 0) v += 360.0;
        return x0 + v;
    }
    // Fractional column and row of a cell centre.
    double Column(double x) const { return (x - x0) / dx - 0.5; }
    double Row(double y) const { return (y - y0) / dy - 0.5; }
};

SeparationGrid::SeparationGrid() : impl_(std::make_unique<Impl>()) {}
SeparationGrid::~SeparationGrid() = default;

bool SeparationGrid::Open(const std::string& path, std::string& error) {
    RegisterGdal();
    path_ = path;
    impl_ = std::make_unique<Impl>();
    Impl& g = *impl_;
    CPLErrorReset();
    g.dataset = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!g.dataset) {
        error = "The separation grid \"" + path + "\" cannot be read: " + GdalReason();
        return false;
    }
    if (GDALGetRasterCount(g.dataset) < 1) {
        error = "The separation grid \"" + path + "\" has no raster band.";
        return false;
    }
    g.width = GDALGetRasterXSize(g.dataset);
    g.height = GDALGetRasterYSize(g.dataset);
    double gt[6] = {};
    if (GDALGetGeoTransform(g.dataset, gt) != CE_None || gt[1] == 0 || gt[5] == 0) {
        error = "The separation grid \"" + path + "\" has no georeferencing.";
        return false;
    }
    if (gt[2] != 0 || gt[4] != 0) {
        error = "The separation grid \"" + path + "\" is rotated; only north-up grids can be used.";
        return false;
    }
    g.x0 = gt[0];
    g.dx = gt[1];
    g.y0 = gt[3];
    g.dy = gt[5];
    GDALRasterBandH band = GDALGetRasterBand(g.dataset, 1);
    int has = 0;
    g.noData = GDALGetRasterNoDataValue(band, &has);
    g.hasNoData = has != 0;
    g.scale = GDALGetRasterScale(band, &has);
    if (!has || g.scale == 0) g.scale = 1;
    g.offset = GDALGetRasterOffset(band, &has);
    if (!has) g.offset = 0;

    OGRSpatialReferenceH srs = GDALGetSpatialRef(g.dataset);
    const double xmin = std::min(g.x0, g.x0 + g.width * g.dx), xmax = std::max(g.x0, g.x0 + g.width * g.dx);
    const double ymin = std::min(g.y0, g.y0 + g.height * g.dy), ymax = std::max(g.y0, g.y0 + g.height * g.dy);
    const bool degrees = xmin >= -540 && xmax <= 540 && ymin >= -91 && ymax <= 91;
    if (srs && !OSRIsGeographic(srs)) {
        char* wkt = nullptr;
        const char* options[] = {"FORMAT=WKT2_2019", nullptr};
        if (OSRExportToWktEx(srs, &wkt, options) != OGRERR_NONE || !wkt) {
            CPLFree(wkt);
            error = "The coordinate system of the separation grid \"" + path + "\" cannot be read.";
            return false;
        }
        g.ctx = proj_context_create();
        PJ* op = proj_create_crs_to_crs(g.ctx, "EPSG:4326", wkt, nullptr);
        CPLFree(wkt);
        if (op) {
            g.toGrid = proj_normalize_for_visualization(g.ctx, op);
            proj_destroy(op);
        }
        if (!g.toGrid) {
            error = "PROJ cannot take latitude and longitude to the coordinate system of the separation grid \"" +
                    path + "\".";
            return false;
        }
    } else if (!srs && !degrees) {
        error = "The separation grid \"" + path + "\" has no coordinate system, and its extent is not in degrees.";
        return false;
    }
    // GDAL gives the EGM96 grid from -180.125° to 179.875°: a whole turn of cells.
    g.global = !g.toGrid && std::fabs(std::fabs(g.width * g.dx) - 360.0) < std::fabs(g.dx) * 0.5;
    return true;
}

bool SeparationGrid::Load(double west, double south, double east, double north, std::string& error) {
    Impl& g = *impl_;
    double cmin = 0, cmax = g.width - 1.0, rmin = 0, rmax = g.height - 1.0;
    if (g.toGrid) {
        double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
        if (west <= east &&
            proj_trans_bounds(g.ctx, g.toGrid, PJ_FWD, west, south, east, north, &xmin, &ymin, &xmax, &ymax, 21)) {
            cmin = std::min(g.Column(xmin), g.Column(xmax));
            cmax = std::max(g.Column(xmin), g.Column(xmax));
            rmin = std::min(g.Row(ymin), g.Row(ymax));
            rmax = std::max(g.Row(ymin), g.Row(ymax));
        }
    } else {
        rmin = std::min(g.Row(south), g.Row(north));
        rmax = std::max(g.Row(south), g.Row(north));
        const double w = g.Longitude(west), e = g.Longitude(east);
        if (!g.global && w <= e) {
            cmin = std::min(g.Column(w), g.Column(e));
            cmax = std::max(g.Column(w), g.Column(e));
        }
    }
    // Two cells to spare round the extent; what lies outside the grid is reported by Sample.
    const auto clampTo = [](double v, int n) { return static_cast<int>(std::clamp(v, 0.0, n - 1.0)); };
    g.c0 = clampTo(std::floor(cmin) - 2, g.width);
    const int c1 = clampTo(std::ceil(cmax) + 2, g.width);
    g.r0 = clampTo(std::floor(rmin) - 2, g.height);
    const int r1 = clampTo(std::ceil(rmax) + 2, g.height);
    if (g.global) {
        g.c0 = 0;
        g.cw = g.width;
    } else {
        g.cw = c1 - g.c0 + 1;
    }
    g.rh = r1 - g.r0 + 1;
    if (static_cast<double>(g.cw) * g.rh > kMostCells) {
        error = "The part of the separation grid \"" + path_ + "\" over the survey is too large to read (" +
                std::to_string(g.cw) + " by " + std::to_string(g.rh) + " cells).";
        return false;
    }
    g.cells.assign(static_cast<size_t>(g.cw) * static_cast<size_t>(g.rh), 0.0f);
    CPLErrorReset();
    if (GDALRasterIO(GDALGetRasterBand(g.dataset, 1), GF_Read, g.c0, g.r0, g.cw, g.rh, g.cells.data(), g.cw, g.rh,
                     GDT_Float32, 0, 0) != CE_None) {
        error = "The separation grid \"" + path_ + "\" cannot be read: " + GdalReason();
        return false;
    }
    const float noData = static_cast<float>(g.noData);
    for (float& v : g.cells) {
        if (std::isnan(v) || (g.hasNoData && v == noData))
            v = NAN;
        else
            v = static_cast<float>(v * g.scale + g.offset);
    }
    return true;
}

bool SeparationGrid::Sample(std::span<const double> lon, std::span<const double> lat, std::span<double> out,
                            std::string& error) const {
    const Impl& g = *impl_;
    std::vector<double> xs, ys;
    if (g.toGrid) {
        xs.assign(lon.begin(), lon.end());
        ys.assign(lat.begin(), lat.end());
        proj_trans_generic(g.toGrid, PJ_FWD, xs.data(), sizeof(double), xs.size(), ys.data(), sizeof(double),
                           ys.size(), nullptr, 0, 0, nullptr, 0, 0);
    }
    for (size_t i = 0; i < lon.size(); ++i) {
        const double x = g.toGrid ? xs[i] : g.Longitude(lon[i]);
        const double y = g.toGrid ? ys[i] : lat[i];
        const double fx = g.Column(x), fy = g.Row(y);
        // Inside the grid's outer edge; the half cell beyond the outermost centres takes
        // the edge's values.
        if (!(fy >= -0.5 && fy <= g.height - 0.5) || (!g.global && !(fx >= -0.5 && fx <= g.width - 0.5))) {
            error = "The survey reaches beyond the separation grid \"" + path_ + "\": the position at " +
                    Place(lon[i], lat[i]) + " lies outside it.";
            return false;
        }
        const double cy = std::clamp(fy, 0.0, g.height - 1.0);
        const int j0 = std::min(static_cast<int>(cy), g.height - 1), j1 = std::min(j0 + 1, g.height - 1);
        const double ty = cy - j0;
        int i0, i1;
        double tx;
        if (g.global) {
            const double f = std::floor(fx);
            tx = fx - f;
            i0 = static_cast<int>(((static_cast<long long>(f) % g.width) + g.width) % g.width);
            i1 = (i0 + 1) % g.width;
        } else {
            const double cx = std::clamp(fx, 0.0, g.width - 1.0);
            i0 = std::min(static_cast<int>(cx), g.width - 1);
            i1 = std::min(i0 + 1, g.width - 1);
            tx = cx - i0;
        }
        const int a0 = i0 - g.c0, a1 = i1 - g.c0, b0 = j0 - g.r0, b1 = j1 - g.r0;
        if (a0 < 0 || a1 < 0 || a0 >= g.cw || a1 >= g.cw || b0 < 0 || b1 < 0 || b0 >= g.rh || b1 >= g.rh) {
            error = "The separation grid \"" + path_ + "\" was not read as far as the position at " +
                    Place(lon[i], lat[i]) + ".";
            return false;
        }
        const auto at = [&](int a, int b) { return static_cast<double>(g.cells[static_cast<size_t>(b) * g.cw + a]); };
        const double v00 = at(a0, b0), v10 = at(a1, b0), v01 = at(a0, b1), v11 = at(a1, b1);
        const double v = (v00 * (1 - tx) + v10 * tx) * (1 - ty) + (v01 * (1 - tx) + v11 * tx) * ty;
        if (std::isnan(v)) {
            error = "The separation grid \"" + path_ + "\" has no value at the position at " + Place(lon[i], lat[i]) +
                    ".";
            return false;
        }
        out[i] = v;
    }
    return true;
}

namespace {

// The model's grid, less the EGM96 geoid where the heights are above it.
class GridSource final : public SeparationSource {
public:
    GridSource(std::unique_ptr<SeparationGrid> model, std::unique_ptr<SeparationGrid> geoid)
        : model_(std::move(model)), geoid_(std::move(geoid)) {}

    // The survey's grid to WGS84 longitude and latitude; nothing for a local site grid.
    void SetSurveyCrs(const CoordinateSystem& crs) {
        if (crs.kind == CrsKind::LocalGrid || crs.kind == CrsKind::Geographic || crs.wkt.empty()) return;
        proj::Object raw(proj_create_crs_to_crs(ctx_.get(), crs.wkt.c_str(), "EPSG:4326", nullptr));
        if (!raw) return;
        toLonLat_ = proj::Object(proj_normalize_for_visualization(ctx_.get(), raw.get()));
        surveyName_ = crs.name;
    }
    bool ToLonLat(std::span<double> x, std::span<double> y, std::string& error) override {
        if (!toLonLat_) return SeparationSource::ToLonLat(x, y, error);
        proj_trans_generic(toLonLat_.get(), PJ_FWD, x.data(), sizeof(double), x.size(), y.data(), sizeof(double),
                           y.size(), nullptr, 0, 0, nullptr, 0, 0);
        for (size_t i = 0; i < x.size(); ++i)
            if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
                error = "A position of the survey could not be taken from " + surveyName_ +
                        " to latitude and longitude for the separation model.";
                return false;
            }
        return true;
    }

    bool Prepare(double west, double south, double east, double north, std::string& error) override {
        return (!model_ || model_->Load(west, south, east, north, error)) &&
               (!geoid_ || geoid_->Load(west, south, east, north, error));
    }
    bool Lookup(std::span<const double> lon, std::span<const double> lat, std::span<double> out,
                std::string& error) override {
        if (model_ && !model_->Sample(lon, lat, out, error)) return false;
        if (!geoid_) return true;
        scratch_.resize(lon.size());
        if (!geoid_->Sample(lon, lat, scratch_, error)) return false;
        for (size_t i = 0; i < out.size(); ++i) out[i] = (model_ ? out[i] : 0.0) - scratch_[i];
        return true;
    }

private:
    std::unique_ptr<SeparationGrid> model_, geoid_;
    std::vector<double> scratch_;
    proj::Context ctx_;
    proj::Object toLonLat_;
    std::string surveyName_;
};

std::unique_ptr<SeparationGrid> OpenGrid(const std::string& path, std::string& error) {
    auto grid = std::make_unique<SeparationGrid>();
    if (!grid->Open(path, error)) return nullptr;
    return grid;
}

std::unique_ptr<SeparationGrid> OpenEgm96(std::string& error) {
    const std::string path = Egm96GridPath();
    if (path.empty()) {
        error = "The EGM96 geoid (egm96_15.gtx) is not on PROJ's search path; install PROJ's data (proj-data) or "
                "give a separation grid.";
        return nullptr;
    }
    return OpenGrid(path, error);
}

}  // namespace

std::unique_ptr<SeparationSource> MakeSeparationSource(const SeparationModel& model, GnssTideSettings& settings,
                                                       bool& failed, std::string& error,
                                                       const CoordinateSystem* survey) {
    failed = false;
    const bool aboveGeoid = settings.heights == GnssHeights::Geoid;
    std::unique_ptr<SeparationGrid> grid, geoid;
    switch (model.kind) {
        case SeparationKind::Constant:
            settings.constantSeparation = model.constant;
            break;
        case SeparationKind::Egm96:
            // Heights above EGM96 are already on the model's surface.
            if (aboveGeoid) return nullptr;
            grid = OpenEgm96(error);
            if (!grid) {
                failed = true;
                return nullptr;
            }
            break;
        case SeparationKind::Grid:
            grid = OpenGrid(model.path, error);
            if (!grid) {
                failed = true;
                return nullptr;
            }
            break;
    }
    if (aboveGeoid) {
        geoid = OpenEgm96(error);
        if (!geoid) {
            failed = true;
            return nullptr;
        }
    }
    if (!grid && !geoid) return nullptr;
    auto source = std::make_unique<GridSource>(std::move(grid), std::move(geoid));
    if (survey) source->SetSurveyCrs(*survey);
    return source;
}

}  // namespace aq::surface
