// SPDX-License-Identifier: GPL-3.0-or-later
// The coordinate system kept beside a document: save, open, save as, and the files that
// are missing, damaged or in the way.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "crs_support.h"
#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "io/document.h"
#include "model/docfile.h"
#include "model/scriptedport.h"
#include "surface/convertcrs.h"
#include "surface/crs.h"

namespace fs = std::filesystem;

namespace aq {
namespace {

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

class CrsSidecarTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("aquenta_crs_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    // Opens a file into a fresh document; its port's messages in `opened`.
    bool Open(CVKDoc& into, ScriptedPort& opened, const std::string& path) { return OpenDocument(into, path, opened); }

    // Two control points around the zone 31 survey, on a site grid 1000 m from the origin.
    void AddControl() {
        for (const auto& [name, lon, lat, x, y] :
             {std::tuple{"West", 1.19, 50.09, 1000.0, 1000.0}, std::tuple{"East", 1.21, 50.11, 2432.0, 3223.0}}) {
            ControlPageValues v;
            v.Name = name;
            v.LonDeg = lon;
            v.LatDeg = lat;
            v.GridX = x;
            v.GridY = y;
            ASSERT_TRUE(aq::AddControl(doc, v, port));
        }
    }

    fs::path dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(CrsSidecarTest, SurvivesSaveOpenAndSaveAsWithoutChangingTheDocumentFile) {
    test::GeographicSurvey(doc, test::Zone31Points());
    ConvertToUtm(doc, port);
    ASSERT_EQ(doc.Crs, ZoneCrs(31));
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    ASSERT_TRUE(SaveDocument(doc, Path("a.son"), port));
    EXPECT_TRUE(port.messages.empty());
    // The document file holds exactly its format's bytes; the system is beside it.
    EXPECT_EQ(ReadText(Path("a.son")), std::string(bytes.begin(), bytes.end()));
    const std::string sidecar = ReadText(Path("a.son.crs"));
    EXPECT_EQ(sidecar.rfind("AQUENTA-CRS 1\r\nkind=transverse-mercator\r\ndefinition=+proj=tmerc ", 0), 0u) << sidecar;

    CVKDoc opened;
    ScriptedPort said;
    ASSERT_TRUE(Open(opened, said, Path("a.son")));
    EXPECT_TRUE(said.messages.empty());
    EXPECT_EQ(opened.Crs, doc.Crs);
    const surface::CoordinateSystem tm = surface::DocumentCrs(opened);
    EXPECT_EQ(tm.kind, CrsKind::TransverseMercator);
    EXPECT_NE(tm.name.find("UTM zone 31"), std::string::npos) << tm.name;

    // Save As puts the system beside the new name; the old one stays as it was.
    ASSERT_TRUE(SaveDocument(opened, Path("b.son"), said));
    EXPECT_EQ(ReadText(Path("b.son.crs")), sidecar);

    // Converted further, saved over the first: its sidecar follows.
    ASSERT_TRUE(surface::ConvertToCrs(opened, "EPSG:27700", said)) << said.Texts().back();
    ASSERT_TRUE(SaveDocument(opened, Path("a.son"), said));
    CVKDoc again;
    ASSERT_TRUE(Open(again, said, Path("a.son")));
    EXPECT_EQ(again.Crs, (SurveyCrs{CrsKind::Projected, "EPSG:27700"}));
    EXPECT_EQ(surface::DocumentCrs(again).epsg, 27700);
    EXPECT_EQ(ReadText(Path("b.son.crs")), sidecar);
}

TEST_F(CrsSidecarTest, WithoutASidecarTheSurveysDefaultHoldsSilently) {
    // A geographic survey needs none and gets none.
    test::GeographicSurvey(doc, test::Zone31Points());
    ASSERT_TRUE(SaveDocument(doc, Path("geo.son"), port));
    EXPECT_FALSE(fs::exists(Path("geo.son.crs")));
    CVKDoc geo;
    ScriptedPort said;
    ASSERT_TRUE(Open(geo, said, Path("geo.son")));
    EXPECT_TRUE(said.messages.empty());
    EXPECT_EQ(surface::DocumentCrs(geo).epsg, 4326);

    // A grid survey saved before systems were kept: without control points nothing says
    // which grid it is.
    ConvertToUtm(doc, port);
    ASSERT_TRUE(SaveDocument(doc, Path("utm.son"), port));
    fs::remove(Path("utm.son.crs"));
    CVKDoc utm;
    ASSERT_TRUE(Open(utm, said, Path("utm.son")));
    EXPECT_TRUE(said.messages.empty());
    EXPECT_EQ(CurrentCrs(utm), UnknownGridCrs());
    EXPECT_EQ(surface::DocumentCrs(utm).kind, CrsKind::LocalGrid);

    // With control points, where the survey lies tells Convert to UTM's zone from the site grid.
    CVKDoc withControl;
    doc.New(port);
    doc.Control = CVKlsq{};
    AddControl();
    test::GeographicSurvey(doc, test::Zone31Points());
    const CVKlsq control = doc.Control;
    ConvertToUtm(doc, port);
    ASSERT_TRUE(SaveDocument(doc, Path("tm.son"), port));
    fs::remove(Path("tm.son.crs"));
    ASSERT_TRUE(Open(withControl, said, Path("tm.son")));
    EXPECT_EQ(CurrentCrs(withControl), ZoneCrs(31));

    doc.New(port);
    doc.Control = control;
    test::GeographicSurvey(doc, test::Zone31Points());
    ApplyControl(doc, port);
    ASSERT_EQ(doc.Crs, SiteGridCrs(control));
    ASSERT_TRUE(SaveDocument(doc, Path("site.son"), port));
    fs::remove(Path("site.son.crs"));
    ASSERT_TRUE(Open(withControl, said, Path("site.son")));
    EXPECT_EQ(CurrentCrs(withControl), SiteGridCrs(control));
    EXPECT_TRUE(said.messages.empty());
}

TEST_F(CrsSidecarTest, AFaultySidecarIsToldOfAndTheSurveyStillOpens) {
    test::GeographicSurvey(doc, test::Zone31Points());
    ConvertToUtm(doc, port);
    ASSERT_TRUE(SaveDocument(doc, Path("s.son"), port));
    const std::string sidecar = Path("s.son.crs");
    const std::vector<CVKData> records = doc.Records;

    const std::vector<std::pair<std::string, std::string>> faults = {
        {"", "is damaged (it is empty)"},
        {"hello\n", "is damaged (its first line"},
        {"AQUENTA-CRS 7\r\nkind=projected\r\ndefinition=EPSG:32631\r\n", "newer version"},
        {"AQUENTA-CRS 1\r\nkind=projected\r\n", "is damaged (it has no definition)"},
        {"AQUENTA-CRS 1\r\nkind=sideways\r\ndefinition=EPSG:32631\r\n", "is damaged (its kind"},
        {"AQUENTA-CRS 1\r\nkind=geographic\r\ndefinition=EPSG:4326\r\n", "does not fit the survey"},
        {"AQUENTA-CRS 1\r\nkind=projected\r\ndefinition=" + std::string(70000, 'x') + "\r\n", "is damaged"},
    };
    for (const auto& [text, words] : faults) {
        WriteText(sidecar, text);
        CVKDoc opened;
        ScriptedPort said;
        ASSERT_TRUE(Open(opened, said, Path("s.son"))) << words;
        ASSERT_EQ(said.messages.size(), 1u) << words;
        EXPECT_EQ(said.messages[0].severity, Severity::Warning);
        EXPECT_NE(said.messages[0].text.find("The coordinate system file " + sidecar + " "), std::string::npos);
        EXPECT_NE(said.messages[0].text.find(words), std::string::npos) << said.messages[0].text;
        EXPECT_NE(said.messages[0].text.find("the survey is taken to be in an unknown local grid"), std::string::npos);
        EXPECT_FALSE(opened.Crs.Recorded());
        EXPECT_EQ(opened.Records.size(), records.size());
    }

    // Something that is no file: a folder, and a FIFO no one writes to (never waited on).
    fs::remove(sidecar);
    fs::create_directory(sidecar);
    for (int round = 0; round < 2; ++round) {
        CVKDoc opened;
        ScriptedPort said;
        ASSERT_TRUE(Open(opened, said, Path("s.son")));
        ASSERT_EQ(said.messages.size(), 1u);
        EXPECT_NE(said.messages[0].text.find(sidecar + " could not be read ("), std::string::npos) << said.messages[0].text;
        fs::remove(sidecar);
        ASSERT_EQ(::mkfifo(sidecar.c_str(), 0644), 0);
    }

    // Written by hand with a code PROJ does not know: the command that opened it says so.
    fs::remove(sidecar);
    WriteText(sidecar, "AQUENTA-CRS 1\nkind=projected\ndefinition=EPSG:999999\n");
    CVKDoc opened;
    ScriptedPort said;
    ASSERT_TRUE(Open(opened, said, Path("s.son")));
    EXPECT_TRUE(said.messages.empty());
    surface::CheckRecordedCrs(opened, said);
    ASSERT_EQ(said.messages.size(), 1u);
    EXPECT_NE(said.messages[0].text.find(sidecar), std::string::npos) << said.messages[0].text;
    EXPECT_NE(said.messages[0].text.find("taken to be in an unknown local grid"), std::string::npos) << said.messages[0].text;
    EXPECT_FALSE(opened.Crs.Recorded());
}

TEST_F(CrsSidecarTest, SidecarThatCannotBeWrittenWarnsAndAStaleOneIsBroughtUpToDate) {
    test::GeographicSurvey(doc, test::Zone31Points());
    ConvertToUtm(doc, port);
    fs::create_directory(Path("d.son.crs"));
    ASSERT_TRUE(SaveDocument(doc, Path("d.son"), port));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].severity, Severity::Warning);
    EXPECT_EQ(port.messages[0].text.rfind("Failed to save the coordinate system file " + Path("d.son.crs") + ": ", 0), 0u)
        << port.messages[0].text;
    EXPECT_TRUE(fs::is_regular_file(Path("d.son")));
    EXPECT_FALSE(doc.Modified);

    // A geographic survey saved over a converted one: the old system must not come back.
    port.messages.clear();
    ASSERT_TRUE(SaveDocument(doc, Path("e.son"), port));
    ASSERT_TRUE(fs::exists(Path("e.son.crs")));
    CVKDoc geographic;
    test::GeographicSurvey(geographic, test::Zone31Points());
    ASSERT_TRUE(SaveDocument(geographic, Path("e.son"), port));
    EXPECT_EQ(ReadText(Path("e.son.crs")), "AQUENTA-CRS 1\r\nkind=geographic\r\ndefinition=EPSG:4326\r\n");
    CVKDoc opened;
    ScriptedPort said;
    ASSERT_TRUE(Open(opened, said, Path("e.son")));
    EXPECT_TRUE(said.messages.empty());
    EXPECT_EQ(surface::DocumentCrs(opened).kind, CrsKind::Geographic);
}

}  // namespace
}  // namespace aq
