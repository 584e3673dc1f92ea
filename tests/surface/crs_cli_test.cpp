// SPDX-License-Identifier: GPL-3.0-or-later
// The crs and convert-crs verbs of aquenta-cli on temporary surveys.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "crs_support.h"
#include "io/document.h"
#include "support/cli_runner.h"

namespace {

using aq::test::Values;

class CrsCliTest : public aq::test::CliFixture {
protected:
    // A geographic survey near 50.1 N 1.2 E, in UTM zone 31.
    std::string Geographic() const {
        aq::CVKDoc doc;
        aq::test::GeographicSurvey(doc, aq::test::Zone31Points());
        const std::string path = File("geo.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
};

TEST_F(CrsCliTest, CrsPrintsTheSystemOfEachKindOfSurvey) {
    const std::string geo = Geographic();
    aq::test::CliResult r = Run({"open", geo, "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    auto v = Values(r.out);
    EXPECT_EQ(v["name"], "WGS 84");
    EXPECT_EQ(v["kind"], "geographic");
    EXPECT_EQ(v["epsg"], "4326");
    EXPECT_EQ(v["definition"], "EPSG:4326");
    EXPECT_EQ(v["wkt"].rfind("GEOGCRS[\"WGS 84\"", 0), 0u) << v["wkt"];
    // The layout scripts read: these five lines, in this order.
    const std::vector<std::string> lines = aq::test::Lines(r.out);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].substr(0, 5), "name=");
    EXPECT_EQ(lines[4].substr(0, 4), "wkt=");

    r = Run({"open", geo, "utm", "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    v = Values(r.out);
    EXPECT_EQ(v["kind"], "transverse-mercator");
    EXPECT_EQ(v["epsg"], "");
    EXPECT_EQ(v["name"], "WGS 84 / Transverse Mercator 3E (UTM zone 31 without false origin)");
    EXPECT_EQ(v["definition"].rfind("+proj=tmerc +lat_0=0 +lon_0=3 +k=0.9996 +x_0=0 +y_0=0 +datum=WGS84", 0), 0u);
    EXPECT_NE(v["wkt"].find("PARAMETER[\"False easting\",0,"), std::string::npos) << v["wkt"];
    EXPECT_NE(v["wkt"].find("BASEGEOGCRS[\"WGS 84\""), std::string::npos) << v["wkt"];

    r = Run({"open", geo, "control", "add", "--name", "A", "--lat", "50", "6", "0", "N", "--lon", "1", "12", "0", "E",
             "--grid", "1000", "5000", "control", "add", "--name", "B", "--lat", "50", "6", "30", "N", "--lon", "1", "11",
             "40", "E", "--grid", "1400", "5900", "apply-control", "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    v = Values(r.out);
    EXPECT_EQ(v["kind"], "local");
    EXPECT_EQ(v["name"], "Local site grid (control points)");
    EXPECT_EQ(v["wkt"].rfind("ENGCRS[", 0), 0u);

    r = Run({"open", geo, "convert-crs", "EPSG:32631", "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    v = Values(r.out);
    EXPECT_EQ(v["kind"], "projected");
    EXPECT_EQ(v["epsg"], "32631");
    EXPECT_EQ(v["name"], "WGS 84 / UTM zone 31N");
    EXPECT_NE(v["wkt"].find("ID[\"EPSG\",32631]"), std::string::npos);
}

TEST_F(CrsCliTest, ConvertUndoSaveAndOpenThroughTheCommandLine) {
    const std::string geo = Geographic();
    const std::string saved = File("converted.son");
    aq::test::CliResult r = Run({"open", geo, "convert-crs", "epsg:32631", "save", saved, "undo", "crs", "redo", "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = aq::test::Lines(r.out);
    ASSERT_EQ(lines.size(), 10u) << r.out;
    EXPECT_EQ(lines[1], "kind=geographic");
    EXPECT_EQ(lines[6], "kind=projected");
    EXPECT_TRUE(std::filesystem::exists(saved + ".crs"));

    r = Run({"open", saved, "crs", "records"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Values(r.out)["epsg"], "32631");
    EXPECT_TRUE(r.err.empty()) << r.err;

    // Declared for a grid survey, refused for a geographic one.
    r = Run({"open", geo, "utm", "crs", "EPSG:32631", "crs"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Values(r.out)["epsg"], "32631");
    r = Run({"open", geo, "crs", "EPSG:27700"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("The survey is geographic"), std::string::npos) << r.err;
    r = Run({"open", geo, "convert-crs", "UTM31"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("must be an EPSG code"), std::string::npos) << r.err;
}

}  // namespace
