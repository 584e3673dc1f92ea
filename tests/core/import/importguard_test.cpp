// SPDX-License-Identifier: GPL-3.0-or-later
// What the imports do once a file is read: ask before grid and latitude/longitude
// positions are mixed, and say why a file gave no record.
#include "import/importguard.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/brivel.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "import_support.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

const std::string kNmea =
    "$GPZDA,120000.00,05,12,2009,00,00*68\r\n"
    "$GPGGA,120000.00,5332.41076,N,00834.21812,E,4,12,0.8,3.570,M,,M,,*7A\r\n";

class ImportGuardTest : public testing::Test {
protected:
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(ImportGuardTest, LatitudeLongitudeIntoAGridSurveyAsksAndNoLeavesItAsItWas) {
    test::Append(doc, {test::Pos(test::At(10, 0, 0), 47207996, 593221025),
                       test::Pos(test::At(10, 0, 1), 47208996, 593222025), test::Depth(test::At(10, 0, 0), 500)});
    doc.ImportedFiles = "/data/survey.brv\n";
    const std::vector<CVKData> before = doc.Records;
    const uint16_t kinds = doc.KindFlags;
    const std::string nmea = dir.Write("survey.nmea", kNmea);

    ASSERT_EQ(ImportNmea(doc, nmea, port), ImportResult::Refused);
    EXPECT_EQ(port.questions, (std::vector<std::string>{"The survey holds 2 grid positions and " + nmea +
                                                        " brings latitude/longitude positions; they cannot be shown "
                                                        "together. Import anyway?"}));
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(doc.Records.size(), before.size());
    EXPECT_EQ(doc.KindFlags, kinds);
    EXPECT_FALSE(doc.IsGeographic());
    // The file is not listed, so it can be imported once the answer is Yes.
    EXPECT_EQ(doc.ImportedFiles, "/data/survey.brv\n");

    port.answers = {true};
    ASSERT_EQ(ImportNmea(doc, nmea, port), ImportResult::Imported);
    EXPECT_EQ(doc.Records.size(), before.size() + 1);
    EXPECT_TRUE(doc.IsGeographic());
}

TEST_F(ImportGuardTest, GridIntoALatitudeLongitudeSurveyAsksTheOtherWayRound) {
    ASSERT_EQ(ImportNmea(doc, dir.Write("a.nmea", kNmea), port), ImportResult::Imported);
    test::Block grid;
    grid.type = BRIVEL_GRID;
    grid.a = 472079.96;
    grid.b = 5932210.25;
    const std::string brv = dir.Write("b.brv", grid.Bytes() + test::DepthBlock(500).Bytes());
    ASSERT_EQ(ImportBrivel(doc, brv, port), ImportResult::Refused);
    EXPECT_EQ(port.questions, (std::vector<std::string>{"The survey holds 1 latitude/longitude positions and " + brv +
                                                        " brings grid positions; they cannot be shown together. "
                                                        "Import anyway?"}));
    EXPECT_EQ(doc.Records.size(), 1u);
    EXPECT_EQ(doc.SounderImported, 0);

    // Depths alone mix nothing, and a survey without positions takes either kind.
    port.questions.clear();
    EXPECT_EQ(ImportBrivel(doc, dir.Write("c.brv", test::DepthBlock(500).Bytes()), port), ImportResult::Imported);
    CVKDoc depths;
    test::Append(depths, {test::Depth(test::At(10, 0, 0), 500)});
    EXPECT_EQ(ImportBrivel(depths, brv, port), ImportResult::Imported);
    EXPECT_TRUE(port.questions.empty());
}

TEST_F(ImportGuardTest, AnImportThatGaveNothingSaysWhyUnderItsMessage) {
    ASSERT_EQ(ImportBrivel(doc, dir.Write("a.nmea", kNmea), port), ImportResult::Imported);
    ASSERT_EQ(ImportTide(doc, dir.Write("b.nmea", kNmea), port), ImportResult::Imported);
    ASSERT_EQ(ImportNmea(doc, dir.Write("c.txt", "nothing to see here\r\n"), port), ImportResult::Imported);
    ASSERT_EQ(ImportVivoz(doc, dir.Write("d.txt", "nothing to see here\r\n"), port), ImportResult::Imported);
    ASSERT_EQ(ImportNmea(doc, dir.Write("nozda.nmea", kNmea.substr(kNmea.find('\n') + 1)), port),
              ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{
                                "1 data errors of 0 in Brivel File\nno block had a Brivel date, time and type",
                                "no line had the tide layout",
                                "0 Positions 0 depths imported\nno GGA, GLL, RMC, ZDA, DPT or DBT sentence",
                                "no line had the record layout",
                                "0 Positions 0 depths imported\nSkipped: 1 GGA (no date yet).\n"
                                "no ZDA sentence: NMEA positions need a date",
                            }));
    EXPECT_TRUE(doc.Records.empty());
}

}  // namespace
}  // namespace aq
