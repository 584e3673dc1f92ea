// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/projection.h"

namespace aq {
namespace {

TEST(ProjectionTest, ZonesAndCentralMeridians) {
    EXPECT_EQ(UtmZone(0), 31);
    EXPECT_EQ(UtmZone(-0.5), 30);
    EXPECT_EQ(UtmZone(-180), 1);
    EXPECT_EQ(UtmZone(179.9), 60);
    EXPECT_EQ(UtmZone(180), 61);
    EXPECT_EQ(UtmZone(-3), 30);
    EXPECT_EQ(UtmZone(5.999999), 31);
    EXPECT_EQ(UtmZone(6), 32);
    // Out-of-range longitudes from a damaged file give some zone, not a crash.
    EXPECT_EQ(UtmZone(1e300), INT32_MAX);
    EXPECT_EQ(UtmZone(NAN), 1);

    EXPECT_DOUBLE_EQ(ZoneCentralMeridian(0), 0.05235987755982989);
    EXPECT_DOUBLE_EQ(ZoneCentralMeridian(5.5), 0.05235987755982989);
    EXPECT_DOUBLE_EQ(RadToDeg(ZoneCentralMeridian(-0.5)), -3.0);
    EXPECT_DOUBLE_EQ(RadToDeg(ZoneCentralMeridian(-179)), -177.0);
    EXPECT_EQ(UtmZone(RadToDeg(ZoneCentralMeridian(-1.5))), 30);
}

TEST(ProjectionTest, OriginQuadrantsAndTheMeridianAt45Degrees) {
    const double cm = ZoneCentralMeridian(0);
    ProjectedPoint p = ProjectTM(0, cm, cm);
    EXPECT_EQ(p.E, 0);
    EXPECT_EQ(p.N, 0);

    // 0.9996 x the meridian arc at 45 degrees, to the centimetre.
    p = ProjectTM(DegToRad(45), cm, cm);
    EXPECT_EQ(p.E, 0);
    EXPECT_EQ(std::trunc(p.N * 100), 498295040);

    // No false easting or northing: west of the meridian and south of the equator are
    // negative, and the halves mirror each other.
    const ProjectedPoint ne = ProjectTM(DegToRad(30), DegToRad(5), cm);
    const ProjectedPoint sw = ProjectTM(DegToRad(-30), DegToRad(1), cm);
    EXPECT_GT(ne.E, 190000);
    EXPECT_GT(ne.N, 3300000);
    EXPECT_DOUBLE_EQ(sw.E, -ne.E);
    EXPECT_DOUBLE_EQ(sw.N, -ne.N);
}

// PROJ's transverse Mercator (cs2cs, from proj-bin) on WGS84 checks the series.
class ProjReferenceTest : public testing::Test {
protected:
    struct Sample {
        double lat, dl;
    };

    // Projects every sample with cs2cs about the 3-degree meridian; empty when cs2cs
    // cannot be run.
    static std::vector<ProjectedPoint> Proj(const std::vector<Sample>& samples) {
        std::ostringstream cmd;
        cmd << "cs2cs -f %.6f +proj=longlat +ellps=WGS84 +to +proj=tmerc +lat_0=0 +lon_0=3 +k_0=0.9996 +x_0=0 +y_0=0 "
               "+ellps=WGS84 2>/dev/null <<'POINTS'\n";
        cmd.precision(17);
        for (const Sample& s : samples) cmd << 3 + s.dl << ' ' << s.lat << '\n';
        cmd << "POINTS\n";
        std::vector<ProjectedPoint> out;
        FILE* pipe = ::popen(cmd.str().c_str(), "r");
        if (!pipe) return out;
        ProjectedPoint p;
        double z = 0;
        while (std::fscanf(pipe, "%lf %lf %lf", &p.E, &p.N, &z) == 3) out.push_back(p);
        if (::pclose(pipe) != 0 || out.size() != samples.size()) out.clear();
        return out;
    }

    // The largest difference, in metres, over a grid of latitudes out to `maxDl`
    // degrees either side of the meridian.
    static double WorstDifference(double maxDl, std::string& where) {
        std::vector<Sample> samples;
        for (double lat = -80; lat <= 84; lat += 2)
            for (double dl = -maxDl; dl <= maxDl + 1e-9; dl += maxDl / 12) samples.push_back({lat, dl});
        const std::vector<ProjectedPoint> ref = Proj(samples);
        if (ref.empty()) return -1;
        double worst = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const ProjectedPoint p = ProjectTM(DegToRad(samples[i].lat), DegToRad(3 + samples[i].dl), DegToRad(3));
            const double d = std::hypot(p.E - ref[i].E, p.N - ref[i].N);
            if (d > worst) {
                worst = d;
                where = "latitude " + std::to_string(samples[i].lat) + ", " + std::to_string(samples[i].dl) +
                        " degrees from the meridian";
            }
        }
        return worst;
    }
};

TEST_F(ProjReferenceTest, WithinATenthOfAMillimetreOfProjNearTheMeridian) {
    std::string where;
    const double worst = WorstDifference(3, where);
    if (worst < 0) GTEST_SKIP() << "cs2cs (proj-bin) is not installed";
    std::printf("ProjectTM against PROJ within 3 degrees: worst %.4f mm at %s\n", worst * 1000, where.c_str());
    RecordProperty("worst_mm_within_3deg", std::to_string(worst * 1000));
    EXPECT_LT(worst, 0.0001);
}

TEST_F(ProjReferenceTest, WithinTwoMillimetresOfProjAcrossAWholeZone) {
    std::string where;
    const double worst = WorstDifference(6, where);
    if (worst < 0) GTEST_SKIP() << "cs2cs (proj-bin) is not installed";
    std::printf("ProjectTM against PROJ within 6 degrees: worst %.4f mm at %s\n", worst * 1000, where.c_str());
    RecordProperty("worst_mm_within_6deg", std::to_string(worst * 1000));
    EXPECT_LT(worst, 0.002);
}

}  // namespace
}  // namespace aq
