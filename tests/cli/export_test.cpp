// SPDX-License-Identifier: GPL-3.0-or-later
// The export verb of aquenta-cli, run as a program.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

using aq::test::ReadAll;
using Result = aq::test::CliResult;

// 2009-12-05 10:00:00 UTC, winter time in the tests' zone.
constexpr int64_t kT0 = 1260007200;

class ExportVerb : public aq::test::CliFixture {
protected:
    // Eight records a second apart: positions, sounder depths, a tide, an event.
    std::string Survey(bool geographic) const {
        aq::CVKDoc doc;
        const uint16_t pos = aq::REC_POSITION | (geographic ? aq::REC_GEOGRAPHIC : 0);
        const int32_t scale = geographic ? 1 : 100000;
        for (int i = 0; i < 4; ++i) {
            doc.AddRecord(aq::CVKData::OfPosition(kT0 + 2 * i, -12345678 + i * scale, 515020566, 100, pos, 0));
            doc.AddRecord(aq::CVKData::OfDepth(kT0 + 2 * i + 1, 300 + i, 90, aq::REC_DEPTH | aq::REC_SOUNDER, 50));
        }
        doc.AddRecord(aq::CVKData::OfKind(kT0 + 8, 25, aq::REC_TIDE, 0));
        doc.AddRecord(aq::CVKData::OfKind(kT0 + 9, 7, aq::REC_EVENT, 0));
        for (const auto& r : doc.Records) doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File(geographic ? "geo.son" : "grid.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }

    static int LineCount(const std::string& text) {
        int n = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
        return n;
    }
};

TEST_F(ExportVerb, EveryFormatOfAGridSurvey) {
    const std::string survey = Survey(false);
    const Result r = Run({"open", survey, "export", "ascii", File("a.s2k"), "export", "xyz", File("b.xyz"), "--kinds",
                          "dp", "export", "hypack", File("c.xyz"), "export", "usarmy", File("d.xyz"), "--kinds", "",
                          "export", "csv", File("e.csv"), "export", "dxf", File("f.dxf"), "--layers", "3", "--kinds",
                          "d", "export", "geotronics", File("g.are"), "export", "hpr", File("h.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string ascii = ReadAll(File("a.s2k"));
    EXPECT_EQ(LineCount(ascii), 10);
    EXPECT_EQ(ascii.substr(0, ascii.find("\r\n")), "P -123456.78 5150205.66   1.00   0.00   0.00   0 2009 12 05 10 00  0.00");
    EXPECT_EQ(LineCount(ReadAll(File("b.xyz"))), 8);
    EXPECT_EQ(LineCount(ReadAll(File("c.xyz"))), 4);
    EXPECT_EQ(ReadAll(File("d.xyz")), "");
    EXPECT_EQ(LineCount(ReadAll(File("e.csv"))), 11);
    const std::string dxf = ReadAll(File("f.dxf"));
    // The first depth, then the three positions after it, over three layers.
    EXPECT_NE(dxf.find("VK_LEVEL2"), std::string::npos);
    EXPECT_EQ(dxf.find("VK_LEVEL3"), std::string::npos);
    EXPECT_EQ(LineCount(ReadAll(File("g.are"))), 11);
    EXPECT_EQ(LineCount(ReadAll(File("h.csv"))), 5);
}

TEST_F(ExportVerb, GeographicSurvey) {
    const std::string survey = Survey(true);
    Result r = Run({"open", survey, "export", "kml", File("t.kml"), "--title", "Bay & Reef"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string kml = ReadAll(File("t.kml"));
    EXPECT_NE(kml.find("<description>Bay &amp; Reef</description>"), std::string::npos);
    EXPECT_NE(kml.find("<description>geo.son</description>"), std::string::npos);
    EXPECT_NE(kml.find("-1.23456780,51.50205660 \r\n-1.23456770,51.50205660 \r\n"), std::string::npos);

    r = Run({"open", survey, "export", "hypack", File("h.xyz")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Hypack does not accept GPS XYZ\n");
    EXPECT_FALSE(fs::exists(File("h.xyz")));
}

TEST_F(ExportVerb, KmlOfANewSurveyIsUntitled) {
    // After New the survey is no longer the file that was open before it.
    const std::string nmea = std::string(AQUENTA_TEST_DATA) + "/import/tiny.nmea";
    const Result r = Run({"open", Survey(true), "new", "import", "nmea", nmea, "export", "kml", File("u.kml")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string kml = ReadAll(File("u.kml"));
    EXPECT_NE(kml.find("<description>Untitled</description>"), std::string::npos) << kml;
    EXPECT_EQ(kml.find("geo.son"), std::string::npos);
}

TEST_F(ExportVerb, RefusalsAndFailures) {
    const std::string survey = Survey(false);
    Result r = Run({"open", survey, "export", "kml", File("t.kml")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"File > Export > KML\" is not available: it needs a geographic survey"), std::string::npos)
        << r.err;

    r = Run({"new", "export", "usarmy", File("u.xyz")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("it needs more than 3 records"), std::string::npos) << r.err;

    r = Run({"open", survey, "export", "dxf", File("f.dxf"), "--layers", "21"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Please enter an integer between 1 and 20.\n");
    r = Run({"open", survey, "export", "dxf", File("f.dxf"), "--layers", "many"});
    EXPECT_EQ(r.err, "Please enter an integer between 0 and 255.\n");
    EXPECT_FALSE(fs::exists(File("f.dxf")));

    const std::string missing = File("nowhere/a.s2k");
    r = Run({"open", survey, "export", "ascii", missing, "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "All or part of the path " + missing + " is invalid.\n");
    EXPECT_EQ(r.out, "");  // the run stopped there

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"export", "shp", File("x")},
             {"export", "ascii"},
             {"export", "ascii", File("x"), "--layers", "2"},
             {"export", "xyz", File("x"), "--title", "T"},
             {"export", "csv", File("x"), "--kinds", "p"},
             {"export", "dxf", File("x"), "--kinds", "pq"},
             {"export", "dxf", File("x"), "--kinds", "p", "--kinds", "d"},
             {"export", "dxf", File("x"), "--colour", "red"}}) {
        std::vector<std::string> full = {"open", survey};
        full.insert(full.end(), args.begin(), args.end());
        r = Run(full);
        EXPECT_EQ(r.code, 2) << testing::PrintToString(args) << r.err;
        EXPECT_FALSE(fs::exists(File("x")));
    }
}

}  // namespace
