// SPDX-License-Identifier: GPL-3.0-or-later
// The offsets, HPR, UTM and control-point verbs of aquenta-cli on temporary surveys.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"

namespace fs = std::filesystem;

namespace {

using aq::test::Lines;
using aq::test::Values;
using Result = aq::test::CliResult;

constexpr int64_t kT0 = 1246442400;

class TransformCliTest : public aq::test::CliFixture {
protected:
    // Positions near 50.1 N 1.2 W (geographic) or on a grid, with sounder depths
    // carrying pitch and roll between them.
    std::string Survey(bool geographic) const {
        aq::CVKDoc doc;
        const uint16_t pos = aq::REC_POSITION | (geographic ? aq::REC_GEOGRAPHIC : 0);
        doc.AddRecord(aq::CVKData::OfPosition(kT0, -12000000, 501000000, 0, pos, 0));
        aq::CVKData d = aq::CVKData::OfDepth(kT0 + 1, 1000, 100, aq::REC_DEPTH | aq::REC_SOUNDER, 0);
        d.Pitch = 500;
        doc.AddRecord(d);
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + 2, 13, 100, aq::REC_DEPTH | aq::REC_SOUNDER, 0));
        doc.AddRecord(aq::CVKData::OfPosition(kT0 + 3, -12000000, 501010000, 0, pos, 0));
        doc.AddRecord(aq::CVKData::OfKind(kT0 + 4, 3, aq::REC_EVENT, 0));
        doc.SounderImported = 1;
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File(geographic ? "geo.son" : "grid.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
};

TEST_F(TransformCliTest, OffsetsKeepWhatIsLeftOutAndRefuseLikeTheDialog) {
    const std::string path = Survey(false);
    Result r = Run({"open", path, "offsets", "positions", "--time", "5", "--east", "0.019", "offsets", "depths",
                    "--depth", "0.1", "--sound-velocity", "1530", "offsets", "positions", "--north", "-2.5",
                    "summary"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::map<std::string, std::string> v = Values(r.out);
    EXPECT_EQ(v["PosTimeOffset"], "5");
    EXPECT_EQ(v["EastOffset"], "1");
    EXPECT_EQ(v["NorthOffset"], "-250");
    EXPECT_EQ(v["DepthOffset"], "10");
    EXPECT_EQ(v["SoundVelocity"], "1530");
    // The depth at kT0 + 1 is first now; the axis keeps its margin.
    EXPECT_EQ(v["TimeMin"], std::to_string(kT0 + 1 - 100));

    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"offsets", "depths", "--sound-velocity", "1200"}, "Please enter a number between 1300 and 2000.\n"},
             {{"offsets", "depths", "--time", "1.5"}, "Please enter an integer.\n"},
             {{"offsets", "positions", "--east", "ten"}, "Please enter a number.\n"}}) {
        std::vector<std::string> all{"open", path};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), {"save", File("never.son")});
        r = Run(all);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, message);
        EXPECT_FALSE(fs::exists(File("never.son")));
    }

    r = Run({"open", path, "offsets", "tide", "--tide", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"Edit > Offsets > Tide ...\" is not available"), std::string::npos) << r.err;

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"offsets", "sideways"}, {"offsets", "tide", "--depth", "1"}, {"offsets", "depths", "--time"},
             {"offsets", "positions", "--time", "1", "--time", "2"}}) {
        r = Run(args);
        EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
    }
}

TEST_F(TransformCliTest, ApplyHprOnceWithAnElevationOffset) {
    const std::string path = Survey(false);
    Result r = Run({"open", path, "apply-hpr"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("needs an elevation offset"), std::string::npos) << r.err;

    r = Run({"open", path, "offsets", "positions", "--elevation", "2", "apply-hpr", "records", "apply-hpr"});
    EXPECT_EQ(r.code, 1);  // the second run is refused
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u);
    // Angles are not kept in the document file, so the loaded depths are level: what
    // shows is that every record but the first is marked converted.
    EXPECT_NE(lines[1].find("\t0x0020\t"), std::string::npos) << r.out;
    EXPECT_NE(lines[2].find("\t0x0C10\t"), std::string::npos) << r.out;
    EXPECT_NE(lines[4].find("\t0x0820\t"), std::string::npos) << r.out;
}

TEST_F(TransformCliTest, UtmMakesTheSurveyAGridOne) {
    const std::string path = Survey(true);
    Result r = Run({"open", path, "utm", "summary", "control", "list", "utm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("utm: \"Edit > Transform > Convert to UTM\" is not available"), std::string::npos) << r.err;
    std::map<std::string, std::string> v = Values(r.out);
    EXPECT_EQ(v["KindFlags"], "0x04B0");
    // The control-point set keeps its own meridian (none fitted yet: 0, zone 31); the
    // data's zone 30 no longer overwrites it.
    EXPECT_EQ(v["Zone"], "31");
    EXPECT_EQ(v["CentralMeridian"], "0");
    // 1.8 degrees east of the 3 W meridian at 50.1 N: 128.7 km.
    EXPECT_EQ(v["XMin"].substr(0, 3), "128") << r.out;
    EXPECT_EQ(v["YMax"].size(), 9u);

    r = Run({"open", Survey(false), "utm"});
    EXPECT_EQ(r.code, 1);
}

TEST_F(TransformCliTest, ControlPointsFromAddToApply) {
    const std::string path = Survey(true);
    Result r = Run({"open", path, "self-test"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("needs two control points or more"), std::string::npos) << r.err;

    r = Run({"open", path,
             "control", "add", "--name", "Pier", "--lat", "50", "6", "0", "N", "--lon", "1", "12", "0", "W",
             "--grid", "1000", "5000",
             "control", "add", "--name", "Post", "--lon", "1", "11", "40", "W", "--lat", "50", "6", "30", "N",
             "--grid", "1400", "5900",
             "control", "add", "--name", "Spare", "--lat", "50", "5", "0", "N", "--lon", "1", "10", "0", "W",
             "--grid", "1", "2",
             "control", "unuse", "Spare", "control", "list", "self-test", "apply-control", "summary",
             "save", File("local.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("0\tPier\t1\t50.1\t-1.2\t50\t6\t0\tN\t1\t12\t0\tW\t1000\t5000\t", 0), 0u) << r.out;
    EXPECT_EQ(lines[2].substr(0, 7), "1\tPost\t");
    std::map<std::string, std::string> v = Values(r.out);
    EXPECT_EQ(v["Usable"], "1");
    EXPECT_EQ(v["Zone"], "30");
    EXPECT_EQ(v["GridCentreX"], "1200");
    EXPECT_EQ(v["KindFlags"], "0x04B0");
    // Two stations fit exactly.
    const std::vector<std::string> said = Lines(r.err);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0].substr(0, 23), "UTM ZONE 30 Scale 0.977") << r.err;
    EXPECT_NE(said[1].find("Pier Errors: dx = "), std::string::npos);
    EXPECT_NE(said[2].find("0.00m dy = "), std::string::npos);

    aq::CVKDoc local;
    ASSERT_TRUE(aq::OpenDocument(local, File("local.son"), aq::test::Quiet()));
    EXPECT_FALSE(local.IsGeographic());
    ASSERT_EQ(local.Control.Points.size(), 2u);
    EXPECT_NEAR(static_cast<double>(local.Records[0].X), 100000, 1);
    EXPECT_NEAR(static_cast<double>(local.Records[0].Y), 500000, 1);

    // Grid positions cannot take the control any more, and unknown stations are named.
    r = Run({"open", File("local.son"), "apply-control"});
    EXPECT_EQ(r.code, 1);
    r = Run({"open", path, "control", "add", "--name", "A", "--lat", "50", "0", "0", "N", "--lon", "1", "0", "0",
             "E", "--grid", "0", "0", "control", "unuse", "B"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "control unuse: there is no control point named \"B\".\n");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"control", "add", "--name", "A", "--lat", "50", "0", "0", "E", "--lon", "1", "0", "0", "E", "--grid",
              "0", "0"},
             {"control", "add", "--name", "A", "--lat", "50", "0", "0", "N", "--lon", "1", "0", "0", "E"},
             {"control", "move"}}) {
        r = Run(args);
        EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
    }
    r = Run({"open", path, "control", "add", "--name", "A", "--lat", "fifty", "0", "0", "N", "--lon", "1", "0", "0",
             "E", "--grid", "0", "0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Please enter a number.\n");
}

}  // namespace
