// SPDX-License-Identifier: GPL-3.0-or-later
// Exports of surveys that only a damaged document file can hold: coordinates and times
// at the ends of their 64-bit fields. Found by fuzzing; under the sanitizers the sums
// these exports take overflowed.
#include <string>

#include "export/dxf.h"
#include "export/export.h"
#include "export/kml.h"
#include "export_fixture.h"
#include "processing/recalc.h"

namespace aq {
namespace {

using test::ExportTest;

class ExtremeValuesExport : public ExportTest {};

TEST_F(ExtremeValuesExport, KmlLookAtOfExtentsAtTheEndsOfTheField) {
    test::Append(doc, {CVKData::OfPosition(1000, 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0),
                       CVKData::OfPosition(1001, 0, 0, 0, REC_POSITION | REC_GEOGRAPHIC, 0)});
    doc.Records[0].X = INT64_MAX - 1;
    doc.Records[1].X = INT64_MAX;
    doc.Records[0].Y = INT64_MIN;
    doc.Records[1].Y = INT64_MIN + 2;
    Recalculate(doc, port);
    // The extents start from the 32-bit limits, so they are these.
    ASSERT_EQ(doc.XMin, INT32_MAX);
    ASSERT_EQ(doc.XMax, INT64_MAX);
    ASSERT_EQ(doc.YMin, INT64_MIN);
    ASSERT_EQ(doc.YMax, INT32_MIN);
    ASSERT_TRUE(ExportKml(doc, File("far.kml"), ExportSelection{}, port));
    // The sums wrap as the stored integers do: (2^31 - 1) + (2^63 - 1) comes to
    // 2^31 - 2 - 2^63, and -2^63 - 2^31 to 2^63 - 2^31; each is halved toward zero.
    const std::string kml = Read(File("far.kml"));
    const size_t at = kml.find("<LookAt><longitude>");
    ASSERT_NE(at, std::string::npos);
    const double lon = std::stod(kml.substr(at + 19));
    const size_t latAt = kml.find("<latitude>", at);
    ASSERT_NE(latAt, std::string::npos);
    const double lat = std::stod(kml.substr(latAt + 10));
    EXPECT_DOUBLE_EQ(lon, -4611686017353646081.0 / 1e7);
    EXPECT_DOUBLE_EQ(lat, 4611686017353646080.0 / 1e7);
}

TEST_F(ExtremeValuesExport, DxfSpeedOfPositionsFarApartInTime) {
    // Grid positions whose times differ by more than 64 bits reach: the 32-bit difference
    // of their low words is 2 s, so 5 m in 2 s.
    test::Append(doc, {test::Pos(0, 0, 0), test::Pos(0, 300, 400)});
    doc.Records[0].Time = INT64_MIN;
    doc.Records[1].Time = INT64_MAX - 1;
    ASSERT_TRUE(ExportDxf(doc, File("far.dxf"), ExportSelection{}, port));
    EXPECT_NE(Read(File("far.dxf")).find("2.50m/s"), std::string::npos);
}

}  // namespace
}  // namespace aq
