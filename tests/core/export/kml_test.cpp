// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "export/kml.h"
#include "export_fixture.h"

namespace aq {
namespace {

using test::Append;
using test::At;
using testing::ElementsAre;

class KmlExport : public test::ExportTest {
protected:
    void Survey() {
        const uint16_t geo = REC_POSITION | REC_GEOGRAPHIC;
        Append(doc, {CVKData::OfPosition(At(10, 0, 0), -12345678, 515020566, 0, geo, 0), test::Depth(At(10, 0, 1), 300),
                     test::Deleted(CVKData::OfPosition(At(10, 0, 2), -12000001, 515000000, 0, geo, 0)),
                     CVKData::OfPosition(At(10, 0, 3), -12100000, 515100000, 0, geo, 0)});
        // Extents as the recalculation leaves them; the centre comes from these alone.
        doc.XMin = -12345679;
        doc.XMax = -12000000;
        doc.YMin = 515000000;
        doc.YMax = 515100001;
    }
};

TEST_F(KmlExport, MarkerAtTheCentreAndEveryPositionInTheLine) {
    Survey();
    ExportSelection sel;
    sel.EntityMask = REC_DEPTH;  // shown but not used
    const std::string path = File("track.kml");
    ASSERT_TRUE(ExportKml(doc, path, sel, port));
    EXPECT_THAT(
        Lines(path),
        ElementsAre("<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                    "xmlns:gx=\"http://www.google.com/kml/ext/2.2\" xmlns:kml=\"http://www.opengis.net/kml/2.2\" "
                    "xmlns:atom=\"http://www.w3.org/2005/Atom\"><Document><name>Aquenta</name><Placemark><name>",
                    "Brivel Marker</name><description>Aquenta</description>",
                    // (-12345679 + -12000000) / 2 truncates toward zero
                    "<LookAt><longitude>-1.21728390</longitude><latitude>51.50500000</latitude><altitude>0</altitude>"
                    "<altitudeMode>relativeToGround</altitudeMode></LookAt><Point><coordinates>-1.21728390,"
                    "51.50500000,0</coordinates></Point></Placemark>",
                    "<Placemark><name>Brivel Line</name><description>Untitled</description><LineString>"
                    "<tessellate>1</tessellate><coordinates>",
                    "-1.23456780,51.50205660 ", "-1.20000010,51.50000000 ", "-1.21000000,51.51000000 ",
                    "</coordinates></LineString></Placemark></Document></kml>"));
}

// Titles go in escaped and as UTF-8, whatever they hold.
TEST_F(KmlExport, TitlesAreEscaped) {
    Survey();
    doc.PathName = "/surveys/Tom & Jerry's <harbour>.son";
    ExportSelection sel;
    sel.KmlTitle = "Fish \"&\" <chips>\tcaf\xC3\xA9 \xE9t\xE9\x01 \x80";
    const std::string path = File("escaped.kml");
    ASSERT_TRUE(ExportKml(doc, path, sel, port));
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1],
              "Brivel Marker</name><description>Fish &quot;&amp;&quot; &lt;chips&gt;&#9;caf\xC3\xA9 "
              "\xC3\xA9t\xC3\xA9\xEF\xBF\xBD \xE2\x82\xAC</description>");
    EXPECT_NE(lines[3].find("<description>Tom &amp; Jerry&apos;s &lt;harbour&gt;.son</description>"),
              std::string::npos);
    EXPECT_EQ(XmlText("line\r\nbreak"), "line&#13;&#10;break");
    // Overlong forms and surrogates are no UTF-8: each byte is read on its own.
    EXPECT_EQ(XmlText("\xC0\xAF\xED\xA0\x80"), "\xC3\x80\xC2\xAF\xC3\xAD\xC2\xA0\xE2\x82\xAC");

    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0);
}

}  // namespace
}  // namespace aq
