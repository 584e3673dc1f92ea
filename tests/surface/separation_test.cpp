// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/separation.h"

#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "geodesy/utm.h"
#include "import/common.h"
#include "import/nmea.h"
#include "model/scriptedport.h"

namespace aq::surface {
namespace {

// EGM96 as PROJ itself gives it: the geoid height N where an ellipsoidal height of 0 lies
// -N above EGM96 (EPSG:5773).
double ProjGeoid(double lon, double lat) {
    // Made once: setting the operation up takes far longer than using it.
    static PJ* const norm = [] {
        PJ_CONTEXT* ctx = proj_context_create();
        PJ* op = proj_create_crs_to_crs(ctx, "EPSG:4979", "EPSG:4326+5773", nullptr);
        PJ* n = op ? proj_normalize_for_visualization(ctx, op) : nullptr;
        if (op) proj_destroy(op);
        return n;
    }();
    if (!norm) return NAN;
    return -proj_trans(norm, PJ_FWD, proj_coord(lon, lat, 0, 0)).xyz.z;
}

class SeparationTest : public testing::Test {
protected:
    void SetUp() override {
        GDALAllRegister();
        dir = std::filesystem::temp_directory_path() /
              ("aquenta_sep_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A GeoTIFF of w by h cells from (x0, y0) at the top left, in the EPSG system, each
    // cell's value f(x, y) of its centre.
    std::string Grid(const std::string& name, int epsg, double x0, double y0, double cell, int w, int h,
                     const std::function<double(double, double)>& f, double noData = NAN) {
        const std::string path = (dir / name).string();
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), w, h, 1, GDT_Float32, nullptr);
        double gt[6] = {x0, cell, 0, y0, 0, -cell};
        GDALSetGeoTransform(ds, gt);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, epsg);
        GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
        std::vector<float> cells(static_cast<size_t>(w) * h);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                cells[static_cast<size_t>(j) * w + i] =
                    static_cast<float>(f(x0 + (i + 0.5) * cell, y0 - (j + 0.5) * cell));
        GDALRasterBandH band = GDALGetRasterBand(ds, 1);
        if (!std::isnan(noData)) GDALSetRasterNoDataValue(band, noData);
        EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, w, h, cells.data(), w, h, GDT_Float32, 0, 0), CE_None);
        GDALClose(ds);
        return path;
    }

    std::filesystem::path dir;
};

TEST_F(SeparationTest, Egm96IsPROJsOwnGeoidEverywhere) {
    if (Egm96GridPath().empty()) GTEST_SKIP() << "proj-data is not installed";
    SeparationGrid grid;
    std::string error;
    ASSERT_TRUE(grid.Open(Egm96GridPath(), error)) << error;
    // Off the nodes; across 180° (a survey there straddles the grid's seam); near a pole.
    const std::vector<double> lon = {4.5678, -70.1234, 179.93, -179.93, 151.21, 12.3456};
    const std::vector<double> lat = {52.1234, -33.4567, -16.81, -16.81, 89.9, -89.91};
    ASSERT_TRUE(grid.Load(179.9, -90, -179.9, 90, error)) << error;
    std::vector<double> out(lon.size());
    ASSERT_TRUE(grid.Sample(lon, lat, out, error)) << error;
    for (size_t i = 0; i < lon.size(); ++i) EXPECT_NEAR(out[i], ProjGeoid(lon[i], lat[i]), 0.001) << lon[i] << " " << lat[i];
    EXPECT_GT(out[0], 40.0);  // the North Sea lies about 43 m above the ellipsoid's geoid
}

TEST_F(SeparationTest, GridsAreInterpolatedInTheirOwnLongitudesAndSystems) {
    std::string error;
    // A sloping plane: bilinear interpolation gives it back exactly between the centres.
    const auto plane = [](double x, double y) { return 40.0 + 2.0 * (x - 4.0) + 1.0 * (y - 52.0); };
    SeparationGrid sloped;
    ASSERT_TRUE(sloped.Open(Grid("slope.tif", 4326, 4.0, 52.5, 0.01, 100, 50, plane), error)) << error;
    ASSERT_TRUE(sloped.Load(4.2, 52.1, 4.7, 52.2, error)) << error;
    std::vector<double> out(3);
    ASSERT_TRUE(sloped.Sample(std::vector<double>{4.2345, 4.5, 4.6999}, std::vector<double>{52.1111, 52.15, 52.2},
                              out, error))
        << error;
    EXPECT_NEAR(out[0], plane(4.2345, 52.1111), 1e-5);
    EXPECT_NEAR(out[1], plane(4.5, 52.15), 1e-5);
    EXPECT_NEAR(out[2], plane(4.6999, 52.2), 1e-5);

    // Longitudes from 355° to 365°, as grids of the 0-360 convention have them: -2.5° is 357.5°.
    SeparationGrid eastward;
    ASSERT_TRUE(eastward.Open(Grid("east.tif", 4326, 355.0, 10.0, 0.5, 20, 20, [](double x, double) { return x; }),
                              error))
        << error;
    ASSERT_TRUE(eastward.Load(-2.5, 2, 2.5, 3, error)) << error;
    out.resize(2);
    ASSERT_TRUE(eastward.Sample(std::vector<double>{-2.5, 2.5}, std::vector<double>{2.0, 3.0}, out, error)) << error;
    EXPECT_NEAR(out[0], 357.5, 1e-4);
    EXPECT_NEAR(out[1], 362.5, 1e-4);

    // A grid on UTM zone 31: looked up where PROJ puts the position.
    SeparationGrid utm;
    ASSERT_TRUE(utm.Open(Grid("utm.tif", 32631, 550000, 5800000, 1000, 100, 100,
                              [](double e, double n) { return e / 1000.0 + n / 100000.0; }),
                         error))
        << error;
    ASSERT_TRUE(utm.Load(4.45, 52.10, 4.47, 52.11, error)) << error;
    out.resize(1);
    ASSERT_TRUE(utm.Sample(std::vector<double>{4.46}, std::vector<double>{52.105}, out, error)) << error;
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* op = proj_create_crs_to_crs(ctx, "EPSG:4326", "EPSG:32631", nullptr);
    PJ* norm = proj_normalize_for_visualization(ctx, op);
    const PJ_COORD en = proj_trans(norm, PJ_FWD, proj_coord(4.46, 52.105, 0, 0));
    EXPECT_NEAR(out[0], en.xy.x / 1000.0 + en.xy.y / 100000.0, 1e-4);
    proj_destroy(norm);
    proj_destroy(op);
    proj_context_destroy(ctx);
}

TEST_F(SeparationTest, WhatTheGridCannotGiveIsSaidWithThePlace) {
    std::string error;
    SeparationGrid grid;
    // A hole of no data in the middle.
    const std::string path = Grid("holed.tif", 4326, 4.0, 53.0, 0.1, 10, 10,
                                  [](double x, double y) { return std::fabs(x - 4.55) < 0.1 && std::fabs(y - 52.55) < 0.1 ? -9999.0 : 40.0; },
                                  -9999.0);
    ASSERT_TRUE(grid.Open(path, error)) << error;
    ASSERT_TRUE(grid.Load(4.0, 52.0, 5.0, 53.0, error));
    std::vector<double> out(1);
    EXPECT_FALSE(grid.Sample(std::vector<double>{5.2}, std::vector<double>{52.5}, out, error));
    EXPECT_NE(error.find("lies outside it"), std::string::npos) << error;
    EXPECT_NE(error.find("52.500000 N 5.200000 E"), std::string::npos) << error;
    EXPECT_FALSE(grid.Sample(std::vector<double>{4.55}, std::vector<double>{52.55}, out, error));
    EXPECT_NE(error.find("has no value"), std::string::npos) << error;

    std::ofstream((dir / "notes.txt").string()) << "not a grid\n";
    SeparationGrid text;
    EXPECT_FALSE(text.Open((dir / "notes.txt").string(), error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
    EXPECT_FALSE(text.Open((dir / "missing.gtx").string(), error));
    EXPECT_NE(error.find("missing.gtx"), std::string::npos) << error;
}

// ---- the water level from an NMEA log ----

std::string Sentence(const std::string& body) {
    unsigned sum = 0;
    for (const char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

std::string Angle(double v, int degreeDigits, char pos, char neg) {
    const double a = std::fabs(v);
    const int d = static_cast<int>(a);
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%07.4f,%c", degreeDigits, d, (a - d) * 60, v < 0 ? neg : pos);
    return text;
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kAntenna = 2.1;
// The water level on EGM96 the boat rides: 1.5 m of tide with a period of 12.42 h.
double Curve(double s) { return 1.5 * std::sin(2 * kPi * s / (12.42 * 3600) + 0.4); }

class RtkTideTest : public SeparationTest {
protected:
    // Three hours of GGA at 1 Hz from 09:00, the boat running east from 4.50° to 4.60° at
    // 52.1234° N with 0.3 m of heave at 5 s and 2 cm of receiver noise; the receiver
    // reports heights above EGM96. Ten minutes of RTK float fixes sit a metre high.
    std::string Log() {
        std::mt19937 random(2009);
        std::normal_distribution<double> noise(0.0, 0.02);
        std::string text;
        for (int s = 0; s < 3 * 3600; ++s) {
            const int t = 9 * 3600 + s;
            const bool floating = s >= 4000 && s < 4600;
            const double height = Curve(s) + kAntenna + 0.3 * std::sin(2 * kPi * s / 5.0) + noise(random) +
                                  (floating ? 1.0 : 0.0);
            char body[160];
            std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,%s,%s,%d,14,0.7,%.3f,M,43.4,M,1.0,0000", t / 3600,
                          t / 60 % 60, t % 60, Angle(Lat(s), 2, 'N', 'S').c_str(), Angle(Lon(s), 3, 'E', 'W').c_str(),
                          floating ? 5 : 4, height);
            text += Sentence(body);
            std::snprintf(body, sizeof body, "GPZDA,%02d%02d%02d.00,05,12,2009,00,00", t / 3600, t / 60 % 60, t % 60);
            text += Sentence(body);
        }
        const std::string path = (dir / "rtk.nmea").string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static double Lon(double s) { return 4.5 + 0.1 * s / (3 * 3600); }
    static double Lat(double) { return 52.1234; }

    // RMS of the tide records against what they should be at their times.
    double Rms(const std::function<double(double)>& truth, size_t& count) {
        double sum = 0;
        count = 0;
        for (const CVKData& r : doc.Records) {
            if (!r.IsLive(REC_TIDE)) continue;
            const double s = static_cast<double>(r.Time - doc.Records.front().Time) + r.Hundredths / 100.0;
            const double d = r.Tide / 100.0 - truth(s);
            sum += d * d;
            ++count;
        }
        return count ? std::sqrt(sum / static_cast<double>(count)) : INFINITY;
    }

    bool Run(SeparationModel model, GnssHeights heights) {
        GnssTideSettings settings;
        settings.heights = heights;
        settings.antennaHeight = kAntenna;
        bool failed = false;
        std::string error;
        const CoordinateSystem crs = DocumentCrs(doc);
        const auto source = MakeSeparationSource(model, settings, failed, error, &crs);
        EXPECT_FALSE(failed) << error;
        port.answers = {true};
        return TideFromGnss(doc, settings, source.get(), port);
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(RtkTideTest, TidesFollowTheWaterLevelOnEachSeparationModel) {
    if (Egm96GridPath().empty()) GTEST_SKIP() << "proj-data is not installed";
    ASSERT_EQ(ImportNmea(doc, Log(), port), ImportResult::Imported);
    size_t count = 0;

    // On EGM96, which the receiver's heights are above: the curve itself.
    ASSERT_TRUE(Run({SeparationKind::Egm96, 0, {}}, GnssHeights::Geoid)) << port.Texts().back();
    EXPECT_LE(Rms(Curve, count), 0.03);
    EXPECT_GT(count, 900u);
    EXPECT_NE(port.Texts().back().find("600 positions below RTK fixed (4) were left out"), std::string::npos);

    // On the ellipsoid: the curve plus the geoid as PROJ has it where the boat was.
    ASSERT_TRUE(Run({SeparationKind::Constant, 0, {}}, GnssHeights::Geoid)) << port.Texts().back();
    EXPECT_LE(Rms([](double s) { return Curve(s) + ProjGeoid(Lon(s), Lat(s)); }, count), 0.03);

    // On a sloping datum surface 40 m above the ellipsoid, rising 2 m a degree eastward.
    const auto plane = [](double x, double y) { return 40.0 + 2.0 * (x - 4.0) + 1.0 * (y - 52.0); };
    const std::string grid = Grid("slope.tif", 4326, 4.0, 52.5, 0.01, 100, 50, plane);
    ASSERT_TRUE(Run({SeparationKind::Grid, 0, grid}, GnssHeights::Geoid)) << port.Texts().back();
    EXPECT_LE(Rms([&](double s) { return Curve(s) + ProjGeoid(Lon(s), Lat(s)) - plane(Lon(s), Lat(s)); }, count),
              0.03);

    // The same heights taken as ellipsoidal come out 43 m below EGM96.
    ASSERT_TRUE(Run({SeparationKind::Egm96, 0, {}}, GnssHeights::Ellipsoidal)) << port.Texts().back();
    EXPECT_LE(Rms([](double s) { return Curve(s) - ProjGeoid(Lon(s), Lat(s)); }, count), 0.03);
}

TEST_F(RtkTideTest, AGridSurveyIsTakenBackToLatitudeAndLongitudeForTheModel) {
    if (Egm96GridPath().empty()) GTEST_SKIP() << "proj-data is not installed";
    ASSERT_EQ(ImportNmea(doc, Log(), port), ImportResult::Imported);
    ConvertToUtm(doc, port);
    ASSERT_FALSE(doc.IsGeographic());
    size_t count = 0;
    // The sloping datum surface is looked up where the boat was, as for the survey in
    // degrees: the transverse Mercator of the survey goes back through PROJ.
    const auto plane = [](double x, double y) { return 40.0 + 2.0 * (x - 4.0) + 1.0 * (y - 52.0); };
    const std::string grid = Grid("slope-utm.tif", 4326, 4.0, 52.5, 0.01, 100, 50, plane);
    ASSERT_TRUE(Run({SeparationKind::Grid, 0, grid}, GnssHeights::Geoid)) << port.Texts().back();
    EXPECT_LE(Rms([&](double s) { return Curve(s) + ProjGeoid(Lon(s), Lat(s)) - plane(Lon(s), Lat(s)); }, count),
              0.03);
    EXPECT_GT(count, 900u);

    // A grid that nothing relates to the earth is refused, and the tides stay.
    const size_t before = doc.Records.size();
    doc.Crs = UnknownGridCrs();
    EXPECT_FALSE(Run({SeparationKind::Egm96, 0, {}}, GnssHeights::Ellipsoidal));
    EXPECT_NE(port.Texts().back().find("relation to the earth is not known"), std::string::npos);
    EXPECT_EQ(doc.Records.size(), before);
}

TEST_F(RtkTideTest, FloatFixesSpoilTheLevelWhenAskedFor) {
    ASSERT_EQ(ImportNmea(doc, Log(), port), ImportResult::Imported);
    GnssTideSettings settings;
    settings.heights = GnssHeights::Geoid;
    settings.antennaHeight = kAntenna;
    settings.minQuality = GGA_RTK_FLOAT;
    port.answers = {true};
    ASSERT_TRUE(TideFromGnss(doc, settings, nullptr, port));
    size_t count = 0;
    EXPECT_GT(Rms(Curve, count), 0.2);  // the metre-high float stretch is in
}

}  // namespace
}  // namespace aq::surface
