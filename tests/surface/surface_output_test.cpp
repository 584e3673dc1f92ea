// SPDX-License-Identifier: GPL-3.0-or-later
// Rasters and contours as GDAL reads them back, and the rules every file is written by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "model/scriptedport.h"
#include "support/cli_runner.h"
#include "surface/grid.h"
#include "surface/soundings.h"
#include "surface/contours.h"
#include "surface/gdalfile.h"
#include "surface/raster.h"
#include "surface_support.h"

namespace aq::surface {
namespace {

namespace fs = std::filesystem;

CoordinateSystem System(const std::string& definition) {
    CoordinateSystem crs;
    std::string error;
    EXPECT_TRUE(CrsFromDefinition(definition, crs, error)) << error;
    return crs;
}

// 4 x 3 cells of 2 m from (500000, 5700006) down, level -1 - col - 10 * row; one empty.
Surface Small() {
    Surface s;
    s.west = 500000;
    s.north = 5700006;
    s.cellX = s.cellY = 2;
    s.nx = 4;
    s.ny = 3;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col) {
            s.elevation.push_back(static_cast<float>(-1 - col - 10 * row));
            s.count.push_back(static_cast<uint32_t>(col + row));
            s.stddev.push_back(0.25f * static_cast<float>(col));
        }
    s.elevation[5] = std::nanf("");
    s.stddev[5] = std::nanf("");
    s.crs = System("EPSG:32631");
    return s;
}

// A plane rising 0.1 m a metre eastward: level x / 10 - 50000 at (x, y).
Surface EastwardSlope() {
    Surface s;
    s.west = 500000;
    s.north = 5700100;
    s.cellX = s.cellY = 1;
    s.nx = 100;
    s.ny = 100;
    for (int row = 0; row < s.ny; ++row)
        for (int col = 0; col < s.nx; ++col) s.elevation.push_back(static_cast<float>(s.CentreX(col) / 10 - 50000));
    s.crs = System("EPSG:32631");
    return s;
}

class Outputs : public test::CliFixture {};

TEST_F(Outputs, EveryRasterReadsBackWithItsSystemAndLevels) {
    const Surface s = Small();
    for (const char* name : {"s.tif", "s.asc", "s.xyz", "s.bag"}) {
        SCOPED_TRACE(name);
        std::string error;
        ASSERT_TRUE(WriteSurface(s, File(name), error)) << error;
        const test::Raster r = test::ReadRaster(File(name));
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.nx, 4);
        EXPECT_EQ(r.ny, 3);
        EXPECT_TRUE(test::SameSystem(r.wkt, "EPSG:32631")) << r.wkt;
        EXPECT_DOUBLE_EQ(r.transform[0], 500000);
        EXPECT_DOUBLE_EQ(r.transform[3], 5700006);
        EXPECT_DOUBLE_EQ(r.transform[1], 2);
        EXPECT_DOUBLE_EQ(r.transform[5], -2);
        EXPECT_FLOAT_EQ(r.At(0, 3, 2), -24);
        EXPECT_FLOAT_EQ(r.At(0, 0, 0), -1);
        // The empty cell is the file's no-data value.
        EXPECT_EQ(r.At(0, 1, 1), r.nodata[0]);
        EXPECT_EQ(r.nodata[0], std::string(name) == "s.bag" ? kBagNoData : kNoData);
    }
    // A GeoTIFF has the count and standard deviation bands; a BAG has the standard
    // deviation as its uncertainty.
    const test::Raster tif = test::ReadRaster(File("s.tif"));
    ASSERT_EQ(tif.bands.size(), 3u);
    EXPECT_EQ(tif.descriptions, (std::vector<std::string>{"elevation", "count", "stddev"}));
    EXPECT_FLOAT_EQ(tif.At(1, 3, 2), 5);
    EXPECT_FLOAT_EQ(tif.At(2, 3, 2), 0.75f);
    const test::Raster bag = test::ReadRaster(File("s.bag"));
    ASSERT_EQ(bag.bands.size(), 2u);
    EXPECT_EQ(bag.driver, "BAG");
    EXPECT_FLOAT_EQ(bag.At(1, 2, 0), 0.5f);
    EXPECT_EQ(bag.At(1, 1, 1), kBagNoData);
    // Nothing is left beside them but their own companions.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"s.asc", "s.bag", "s.prj", "s.tif", "s.xyz", "s.xyz.aux.xml"}));
}

TEST_F(Outputs, SurfacesReadBackAsTheyWereWritten) {
    Surface s = Small();
    std::string error;
    ASSERT_TRUE(WriteSurface(s, File("s.tif"), error)) << error;
    Surface back;
    ASSERT_TRUE(ReadSurface(File("s.tif"), back, error)) << error;
    EXPECT_EQ(back.nx, 4);
    EXPECT_EQ(back.north, s.north);
    EXPECT_TRUE(std::isnan(back.elevation[5]));
    back.elevation[5] = s.elevation[5] = 0;
    EXPECT_EQ(back.elevation, s.elevation);
    EXPECT_TRUE(test::SameSystem(back.crs.wkt, "EPSG:32631"));

    std::ofstream(File("junk.tif")) << "not a raster";
    EXPECT_FALSE(ReadSurface(File("junk.tif"), back, error));
    EXPECT_NE(error.find("GDAL cannot read " + File("junk.tif")), std::string::npos) << error;
}

// On a plane rising eastward, the contours are north-south lines where the plane has
// their level.
TEST_F(Outputs, ContoursOfASlopeAreStraightAndInTheirPlaces) {
    const Surface s = EastwardSlope();
    std::vector<ContourLine> lines;
    std::string error;
    ContourLevels levels;
    levels.interval = 2;
    ASSERT_TRUE(MakeContours(s, levels, lines, error)) << error;
    // From 0.05 to 9.95 m: 2, 4, 6 and 8.
    ASSERT_EQ(lines.size(), 4u);
    for (const ContourLine& line : lines) {
        for (size_t i = 0; i < line.xy.size(); i += 2) ASSERT_NEAR(line.xy[i], 500000 + line.level * 10, 1e-3);
        EXPECT_EQ(line.level, std::round(line.level / 2) * 2);
    }
    levels = ContourLevels{};
    levels.levels = {3.25, 7.5};
    ASSERT_TRUE(MakeContours(s, levels, lines, error)) << error;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NEAR(lines[0].xy[0] + lines[1].xy[0], 2 * 500000 + 32.5 + 75, 1e-3);

    levels = ContourLevels{};
    levels.interval = 1e-6;
    EXPECT_FALSE(MakeContours(s, levels, lines, error));
    EXPECT_NE(error.find("choose a larger interval"), std::string::npos) << error;
}

TEST_F(Outputs, EveryContourFileCarriesItsLevelsAndSystem) {
    const Surface s = EastwardSlope();
    std::vector<ContourLine> lines;
    std::string error;
    ContourLevels levels;
    levels.interval = 2.5;
    ASSERT_TRUE(MakeContours(s, levels, lines, error)) << error;
    ASSERT_EQ(lines.size(), 3u);
    for (const char* name : {"c.gpkg", "c.shp", "c.dxf", "c.kml"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteContours(lines, s.crs, File(name), error)) << error;
        const test::Layer layer = test::ReadLayer(File(name));
        ASSERT_TRUE(layer.ok);
        ASSERT_EQ(layer.lines.size(), 3u);
        const std::string n = name;
        for (size_t i = 0; i < 3; ++i) {
            const test::Line& l = layer.lines[i];
            if (n == "c.dxf") {
                // A DXF keeps the level as the height of every vertex.
                for (double z : l.z) EXPECT_EQ(z, lines[i].level);
            } else {
                EXPECT_EQ(l.level, lines[i].level);
            }
        }
        if (n == "c.gpkg" || n == "c.shp") {
            EXPECT_TRUE(test::SameSystem(layer.wkt, "EPSG:32631")) << layer.wkt;
            EXPECT_DOUBLE_EQ(layer.lines[0].x[0], lines[0].xy[0]);
        }
        if (n == "c.kml") {
            // Longitude and latitude, as PROJ's own cs2cs has the first vertex.
            const std::string out = File("cs2cs.out");
            char command[256];
            std::snprintf(command, sizeof command, "echo '%.6f %.6f' | cs2cs -f %%.9f EPSG:32631 EPSG:4326 > %s",
                          lines[0].xy[0], lines[0].xy[1], out.c_str());
            ASSERT_EQ(std::system(command), 0);
            double lat = 0, lon = 0;
            std::ifstream(out) >> lat >> lon;
            EXPECT_NEAR(layer.lines[0].x[0], lon, 1e-8);
            EXPECT_NEAR(layer.lines[0].y[0], lat, 1e-8);
            EXPECT_TRUE(test::SameSystem(layer.wkt, "EPSG:4326")) << layer.wkt;
        }
    }
}

TEST_F(Outputs, KmlIsRefusedForALocalGrid) {
    Surface s = EastwardSlope();
    s.crs = System(
        "ENGCRS[\"Site grid\",EDATUM[\"Site\"],CS[Cartesian,2],AXIS[\"easting\",east,LENGTHUNIT[\"metre\",1]],"
        "AXIS[\"northing\",north,LENGTHUNIT[\"metre\",1]]]");
    std::vector<ContourLine> lines;
    std::string error;
    ContourLevels levels;
    levels.interval = 2;
    ASSERT_TRUE(MakeContours(s, levels, lines, error)) << error;
    EXPECT_FALSE(WriteContours(lines, s.crs, File("c.kml"), error));
    EXPECT_NE(error.find("Site grid is a local grid with no known relation to the earth"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(File("c.kml")));
    // The other formats carry it as it is.
    EXPECT_TRUE(WriteContours(lines, s.crs, File("c.gpkg"), error)) << error;
}

// Each long step is a phase of the port, begun, taken to its end and closed, as the
// window's progress dialog needs.
TEST_F(Outputs, LongStepsShowTheirProgressAsPhases) {
    CVKDoc doc;
    test::AddSoundings(doc, test::Lines(6, 50, 5, 0.5, [](double x, double) { return -3 - (x - 2000) / 20; }));
    ScriptedPort port;
    Soundings soundings;
    Surface s;
    std::vector<ContourLine> lines;
    std::string error;
    const CVKDoc* docs[] = {&doc};
    ASSERT_TRUE(CollectSoundings(docs, soundings, error, &port)) << error;
    GridOptions o;
    o.cell = 1;
    ASSERT_TRUE(MakeSurface(soundings, o, s, error, &port)) << error;
    s.crs = System("EPSG:32631");
    ASSERT_TRUE(WriteSurface(s, File("s.tif"), error, &port)) << error;
    ContourLevels levels;
    levels.interval = 0.5;
    ASSERT_TRUE(MakeContours(s, levels, lines, error, &port)) << error;
    ASSERT_TRUE(WriteContours(lines, s.crs, File("c.gpkg"), error, &port)) << error;
    EXPECT_EQ(port.phases, (std::vector<std::string>{"Gathering Soundings", "Triangulating Soundings", "Writing Surface",
                                                     "Tracing Contours", "Writing Contours"}));
    EXPECT_EQ(port.openPhases, 0);
    EXPECT_EQ(std::count(port.progress.begin(), port.progress.end(), 100), 5);
}

// ---- the rules of every file the program writes ----

TEST_F(Outputs, AReplacedFileKeepsItsModeAndALinkItsTarget) {
    const Surface s = Small();
    std::string error;
    std::ofstream(File("old.tif")) << "old";
    ::chmod(File("old.tif").c_str(), 0640);
    ASSERT_TRUE(WriteSurface(s, File("old.tif"), error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(File("old.tif").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(test::ReadRaster(File("old.tif")).ok);

    fs::create_directory(dir_ / "real");
    std::ofstream(File("real/target.asc")) << "old";
    fs::create_symlink(dir_ / "real" / "target.asc", dir_ / "link.asc");
    ASSERT_TRUE(WriteSurface(s, File("link.asc"), error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.asc"));
    EXPECT_EQ(test::ReadRaster(File("real/target.asc")).nx, 4);
    // The .prj goes beside the file the link names.
    EXPECT_TRUE(fs::exists(dir_ / "real" / "target.prj"));
}

TEST_F(Outputs, AFifoGetsTheBytesOfAFile) {
    const Surface s = Small();
    std::string error;
    ASSERT_TRUE(WriteSurface(s, File("plain.xyz"), error)) << error;
    ASSERT_EQ(::mkfifo(File("pipe.xyz").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = test::ReadAll(File("pipe.xyz")); });
    const bool written = WriteSurface(s, File("pipe.xyz"), error);
    reader.join();
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(received, test::ReadAll(File("plain.xyz")));
    struct stat st {};
    ASSERT_EQ(::stat(File("pipe.xyz").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(Outputs, FailuresNameTheFileAndLeaveNothingBehind) {
    const Surface s = Small();
    std::string error;
    EXPECT_FALSE(WriteSurface(s, File("missing/s.tif"), error));
    EXPECT_EQ(error, "All or part of the path " + File("missing/s.tif") + " is invalid.");
    fs::create_directory(dir_ / "folder.tif");
    EXPECT_FALSE(WriteSurface(s, File("folder.tif"), error));
    EXPECT_EQ(error, File("folder.tif") + " is a folder, not a file.");
    EXPECT_FALSE(WriteSurface(s, File("s.png"), error));
    EXPECT_NE(error.find("must end in .tif, .asc, .xyz or .bag"), std::string::npos) << error;
    if (::geteuid() != 0) {
        std::ofstream(File("locked.tif")) << "old";
        ::chmod(File("locked.tif").c_str(), 0444);
        EXPECT_FALSE(WriteSurface(s, File("locked.tif"), error));
        EXPECT_EQ(error, "Access to " + File("locked.tif") + " was denied.");
        EXPECT_EQ(test::ReadAll(File("locked.tif")), "old");
    }
    for (const auto& e : fs::directory_iterator(dir_))
        EXPECT_EQ(e.path().filename().string().rfind(".aq-", 0), std::string::npos) << e.path();
}

TEST_F(Outputs, AWorkFolderLeftByAKilledRunIsRemoved) {
    const Surface s = Small();
    std::string error;
    ASSERT_TRUE(WriteSurface(s, File("s.tif"), error)) << error;
    // The work folder of an output to s.tif as a killed run leaves it: unlocked, long
    // unchanged.
    std::string work;
    {
        GdalOutput out(File("s.tif"));
        ASSERT_TRUE(out.Open(error)) << error;
        work = fs::path(out.WorkPath()).parent_path().string();
    }
    const std::string stale = work.substr(0, work.size() - 6) + "ZZZZZZ";
    fs::create_directory(stale);
    std::ofstream(stale + "/s.tif") << "half";
    const struct timeval old[2] = {{1, 0}, {1, 0}};
    ::utimes(stale.c_str(), old);
    ASSERT_TRUE(WriteSurface(s, File("s.tif"), error)) << error;
    EXPECT_FALSE(fs::exists(stale));
}

}  // namespace
}  // namespace aq::surface
