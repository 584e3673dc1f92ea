// SPDX-License-Identifier: GPL-3.0-or-later
// Our DXF and KML files as GDAL reads them.
#include <cstdio>

#include <gtest/gtest.h>

#include "export/dxf.h"
#include "export/kml.h"
#include "export_fixture.h"
#include "processing/recalc.h"

namespace aq {
namespace {

using test::Append;
using test::At;

class ReadByGdal : public test::ExportTest {
protected:
    void SetUp() override {
        if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
        ExportTest::SetUp();
    }

    // What `ogrinfo -ro -al` prints for a file.
    static std::string OgrInfo(const std::string& path) {
        std::string out;
        FILE* p = ::popen(("ogrinfo -ro -al '" + path + "' 2>&1").c_str(), "r");
        if (!p) return out;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
        return out;
    }

    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

TEST_F(ReadByGdal, Dxf) {
    // Ten positions a second and 3 m apart, with a depth between each pair.
    for (int i = 0; i < 10; ++i) {
        CVKData p = test::Pos(At(9, 0, i), 45000000 + i * 300, 580000000, 120);
        p.Depth = static_cast<int16_t>(400 + i);
        Append(doc, {p, test::Depth(At(9, 0, i) , 400 + i, 50)});
    }
    doc.Records[4] = test::Deleted(doc.Records[4]);
    const std::string path = File("survey.dxf");
    ExportSelection sel;
    sel.DxfLayerCount = 4;
    ASSERT_TRUE(ExportDxf(doc, path, sel, port));
    const std::string info = OgrInfo(path);
    // Nine positions written, each a point and three labels, but the first has no speed.
    EXPECT_NE(info.find("Feature Count: 35"), std::string::npos) << info;
    EXPECT_EQ(Count(info, "Layer (String) = VK_POINT"), 9);
    EXPECT_EQ(Count(info, "Layer (String) = VK_LEVEL3"), 2);
    // 3 m in each second, and 6 m in two over the deleted one.
    EXPECT_EQ(Count(info, "Text (String) = 3.00m/s"), 8);
    EXPECT_NE(info.find("POINT Z (450009 5800000 -2.83)"), std::string::npos) << info;
}

TEST_F(ReadByGdal, Kml) {
    const uint16_t geo = REC_POSITION | REC_GEOGRAPHIC;
    Append(doc, {CVKData::OfPosition(At(10, 0, 0), -12345678, 515020566, 0, geo, 0), test::Depth(At(10, 0, 1), 300),
                 test::Deleted(CVKData::OfPosition(At(10, 0, 2), -12200000, 515050000, 0, geo, 0)),
                 CVKData::OfPosition(At(10, 0, 3), -12100000, 515100000, 0, geo, 0)});
    Recalculate(doc, port);
    doc.PathName = "/data/Harbour & Quay.son";
    ExportSelection sel;
    sel.KmlTitle = "Survey <3> & \"more\"";
    const std::string path = File("survey.kml");
    ASSERT_TRUE(ExportKml(doc, path, sel, port));
    const std::string info = OgrInfo(path);
    EXPECT_NE(info.find("Feature Count: 2"), std::string::npos) << info;
    EXPECT_NE(info.find("description (String) = Survey <3> & \"more\""), std::string::npos) << info;
    EXPECT_NE(info.find("description (String) = Harbour & Quay.son"), std::string::npos) << info;
    // The extents' centre of all three positions, deleted ones too.
    EXPECT_NE(info.find("POINT Z (-1.2222839 51.5060283 0)"), std::string::npos) << info;
    EXPECT_NE(info.find("LINESTRING (-1.2345678 51.5020566,-1.22 51.505,-1.21 51.51)"), std::string::npos) << info;
}

}  // namespace
}  // namespace aq
