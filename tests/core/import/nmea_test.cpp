// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/nmea.h"

#include <gtest/gtest.h>

#include "import_support.h"
#include "model/civiltime.h"
#include "ui/scriptedport.h"

namespace aq {
namespace {

// A sentence with its checksum.
std::string S(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + body + tail;
}

int64_t On5th(int h, int m, int s) { return civil::FromFields(2009, 12, 5, h, m, s); }

const std::string kGga = S("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
const std::string kZda = S("GPZDA,123600.00,05,12,2009,00,00");
const std::string kDpt = S("SDDPT,12.34,-0.5");

class NmeaTest : public testing::Test {
protected:
    void SetUp() override { doc.SetPort(&port); }

    // Feeds the lines to a reader as one import would; returns the kind letters.
    std::string Read(std::initializer_list<std::string> lines) {
        doc.Records.clear();
        TextImportState state;
        NmeaReader reader(doc, state);
        for (const std::string& l : lines) reader.Line(l);
        std::string k;
        for (const auto& r : doc.Records) k += r.KindLetter();
        return k;
    }

    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(NmeaTest, ZdaGgaDptGiveAPositionAndADepthPairAtTheLatestTime) {
    ASSERT_EQ(Read({kZda, kGga, kDpt}), "LDT");
    const CVKData& p = doc.Records[0];
    EXPECT_EQ(p.Flags, REC_POSITION | REC_GEOGRAPHIC);
    EXPECT_EQ(p.Time, On5th(12, 35, 19));
    EXPECT_NEAR(p.Y, 481173000, 1);  // 48.1173 degrees, truncated
    EXPECT_EQ(p.X, 115166666);
    EXPECT_EQ(p.Z, 54540);
    EXPECT_EQ(doc.Records[1].Depth, 1234);
    EXPECT_EQ(doc.Records[2].Tide, -50);
    EXPECT_EQ(doc.Records[2].Time, p.Time);
    EXPECT_EQ(doc.KindFlags & 0x270, REC_DEPTH | REC_TIDE | REC_POSITION | REC_GEOGRAPHIC);
}

TEST_F(NmeaTest, PendingFlagsPairTheSentences) {
    EXPECT_EQ(Read({kGga, kDpt, kGga, kDpt}), "");  // nothing before the date is known
    // A depth waits for the next ZDA and is recorded with the last DPT's values.
    ASSERT_EQ(Read({kDpt, S("SDDPT,3.00,0.0"), kZda}), "DT");
    EXPECT_EQ(doc.Records[0].Depth, 300);
    EXPECT_EQ(doc.Records[0].Time, On5th(12, 36, 0));
    // A depth pair clears the date too: GGA and DPT then wait for the next ZDA, which
    // records both and clears it again, so the last GGA is lost.
    EXPECT_EQ(Read({kZda, kDpt, kGga, kDpt, kZda, kGga}), "DTLDT");
}

TEST_F(NmeaTest, WhichPositionsAreValid) {
    ASSERT_EQ(Read({kZda, S("GPGLL,4916.45,N,12311.12,W,225444,A"), S("GPGLL,4916.45,N,12311.12,W,225445,V")}), "L");
    EXPECT_EQ(doc.Records[0].Time, On5th(22, 54, 44));
    EXPECT_EQ(std::vector<int64_t>({doc.Records[0].X, doc.Records[0].Y, doc.Records[0].Z}),
              std::vector<int64_t>({-1231853333, 492741666, 0}));
    // No fix, no altitude: skipped. An empty geoidal separation is still a fix, and a
    // lower-case hemisphere letter keeps the sign.
    ASSERT_EQ(Read({kZda, S("GPGGA,123519,4807.038,N,01131.000,E,0,08,0.9,545.4,M,46.9,M,,"),
                    S("GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,,M,,M,,"),
                    S("GPGGA,123521,4807.038,s,01131.000,E,2,10,0.9,267.9,M,,,,")}),
              "L");
    EXPECT_EQ(doc.Records[0].Time, On5th(12, 35, 21));
    EXPECT_GT(doc.Records[0].Y, 0);
}

TEST_F(NmeaTest, SentencesWithAWrongChecksumAreSkipped) {
    std::string bad = kDpt;
    bad[8] = '9';
    ASSERT_EQ(Read({"$SDDPT,7.5,0.0", bad, kZda}), "DT");
    EXPECT_EQ(doc.Records[0].Depth, 750);
}

TEST_F(NmeaTest, YearsAreRepairedAndHostileNumbersClamped) {
    for (auto [year, expected] : {std::pair{9, 2009}, {99, 1999}, {50, 2000}, {2101, 2000}}) {
        ASSERT_EQ(Read({S("GPZDA,120000,05,12," + std::to_string(year) + ",00,00"), kDpt}), "DT");
        EXPECT_EQ(doc.Records[0].Time, civil::FromFields(expected, 12, 5, 12, 0, 0)) << year;
    }
    ASSERT_EQ(Read({S("GPZDA,99999999999999999999,99999999999999999999,-99999999999999999999,9999999999999,00"),
                    S("GPGGA,1e300,9e300,N,nan,W,1,08,0.9,-1e300,M,1,M,,"), S("SDDPT,1e300,-inf")}),
              "LDT");
    EXPECT_EQ(std::vector<int64_t>({doc.Records[0].X, doc.Records[0].Y, doc.Records[0].Z}),
              std::vector<int64_t>({0, INT32_MAX, INT32_MIN}));
    EXPECT_EQ(doc.Records[1].Depth, INT16_MAX);
    EXPECT_EQ(doc.Records[2].Tide, 0);
}

TEST_F(NmeaTest, TheImportReportsItsCountsAndRecalculates) {
    test::TempDir dir;
    const std::string path = dir.Write("log.nmea", kGga + "\r\n" + kDpt + "\r\n");
    ASSERT_EQ(ImportNmea(doc, path), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"0 Positions 0 depths imported"}));

    port.messages.clear();
    const std::string path2 =
        dir.Write("log2.nmea", kZda + "\r\n" + kGga + "\r\n" + kDpt + "\r\n$GPZDA,garbage\r\n" + kZda + "\r\n" + kGga);
    ASSERT_EQ(ImportNmea(doc, path2), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"2 Positions 1 depths imported"}));
    EXPECT_EQ(port.statusText, "0 Event, 1 Tide, 2 L/L, 1 Depth, 0 Deleted");
    EXPECT_EQ(doc.ImportedFiles, path + "\n" + path2 + "\n");
    // The recalculation knew of the new kinds: the depth has its position (between two
    // fixes of the same second the interpolation lands one unit off).
    EXPECT_NEAR(doc.Records.at(1).X, doc.Records[0].X, 1);
}

TEST_F(NmeaTest, ALargeLogIsGivenRoomOnceAndNeverMore) {
    test::TempDir dir;
    // A survey already there, its array full, as an earlier import leaves it.
    std::vector<CVKData> survey(50000, CVKData::OfKind(1000, 5, REC_DEPTH, 0));
    doc.Records = survey;
    doc.Records.shrink_to_fit();
    std::string log;
    for (int s = 0; s < 600; ++s) {
        char time[16];
        std::snprintf(time, sizeof time, "12%02d%02d.00", s / 60, s % 60);
        log += S(std::string("GPZDA,") + time + ",05,12,2009,00,00") + "\r\n";
        log += S(std::string("GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") + "\r\n";
        for (int d = 0; d < 10; ++d) log += kDpt + "\r\n";
    }
    const std::string path = dir.Write("log.nmea", log);
    ASSERT_EQ(ImportNmea(doc, path), ImportResult::Imported);
    ASSERT_GT(doc.Records.size(), survey.size() + 1500);
    // Room for the log's records was made once, from its size: not twice the survey (as
    // appending would have grown it), and not more than its bytes could ever make.
    EXPECT_LT(doc.Records.capacity(), 2 * survey.size());
    EXPECT_LE(doc.Records.capacity(), survey.size() + log.size() / 10);

    // A file in which no sentence makes a record reserves nothing.
    doc.Records = survey;
    doc.Records.shrink_to_fit();
    const std::string junk = dir.Write("junk.nmea", std::string(200000, 'x') + "\r\n" + kGga + "\r\n");
    ASSERT_EQ(ImportNmea(doc, junk), ImportResult::Imported);
    EXPECT_EQ(doc.Records.capacity(), survey.size());
}

}  // namespace
}  // namespace aq
