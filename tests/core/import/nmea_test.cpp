// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/nmea.h"

#include <gtest/gtest.h>

#include "import_support.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"

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
    ASSERT_EQ(ImportNmea(doc, path, port), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"0 Positions 0 depths imported\n"
                                                      "Skipped: 1 GGA (no date yet), 1 DPT (no date yet).\n"
                                                      "no ZDA sentence: NMEA positions need a date"}));

    port.messages.clear();
    const std::string path2 =
        dir.Write("log2.nmea", kZda + "\r\n" + kGga + "\r\n" + kDpt + "\r\n$GPZDA,garbage\r\n" + kZda + "\r\n" + kGga);
    ASSERT_EQ(ImportNmea(doc, path2, port), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"2 Positions 1 depths imported\n"
                                                      "Used: 2 GGA, 2 ZDA, 1 DPT.\nSkipped: 1 ZDA (unreadable)."}));
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
    ASSERT_EQ(ImportNmea(doc, path, port), ImportResult::Imported);
    ASSERT_GT(doc.Records.size(), survey.size() + 1500);
    // Room for the log's records was made once, from its size: not twice the survey (as
    // appending would have grown it), and not more than its bytes could ever make.
    EXPECT_LT(doc.Records.capacity(), 2 * survey.size());
    EXPECT_LE(doc.Records.capacity(), survey.size() + log.size() / 10);

    // A file in which no sentence makes a record reserves nothing.
    doc.Records = survey;
    doc.Records.shrink_to_fit();
    const std::string junk = dir.Write("junk.nmea", std::string(200000, 'x') + "\r\n" + kGga + "\r\n");
    ASSERT_EQ(ImportNmea(doc, junk, port), ImportResult::Imported);
    EXPECT_EQ(doc.Records.capacity(), survey.size());
}

TEST_F(NmeaTest, DptWithoutAnOffsetGivesItsDepthButNoTide) {
    ASSERT_EQ(Read({kZda, S("SDDPT,3.40,"), kZda, S("SDDPT,3.50"), kZda, S("SDDPT,3.60, ")}), "DDD");
    EXPECT_EQ(doc.Records[0].Depth, 340);
    EXPECT_EQ(doc.KindFlags & REC_TIDE, 0);
    // An offset that is there but does not read still spoils the sentence.
    EXPECT_EQ(Read({kZda, S("SDDPT,3.40,x")}), "");
}

TEST_F(NmeaTest, RmcGivesDateTimeAndPositionAndTheDateStaysKnown) {
    const std::string rmc = S("GPRMC,123519,A,4807.038,N,01131.000,W,,,051209,003.1,W");
    // Every later fix and depth is recorded as it comes: no ZDA is needed between them.
    ASSERT_EQ(Read({kDpt, rmc, kDpt, S("GPGLL,4807.038,N,01131.000,E,123520,A"), kDpt,
                    S("GPGGA,123521,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,")}),
              "LDTDTLDTL");
    EXPECT_EQ(doc.Records[0].Time, On5th(12, 35, 19));
    EXPECT_EQ(doc.Records[0].X, -115166666);
    EXPECT_NEAR(doc.Records[0].Y, 481173000, 1);
    EXPECT_EQ(doc.Records[0].Z, 0);
    EXPECT_EQ(doc.Records[5].Time, On5th(12, 35, 20));
    EXPECT_EQ(doc.Records[8].Time, On5th(12, 35, 21));
    // Without a fix, or with its date missing, it gives nothing.
    EXPECT_EQ(Read({S("GPRMC,123519,V,4807.038,N,01131.000,W,,,051209,,"), kDpt}), "");
    EXPECT_EQ(Read({S("GPRMC,123519,A,4807.038,N,01131.000,W,,,,,"), kDpt}), "");
}

TEST_F(NmeaTest, DbtGivesADepthAndGivesWayToADptOfTheSameSecond) {
    const std::string dbt = S("SDDBT,36.1,f,11.00,M,6.0,F");
    ASSERT_EQ(Read({kZda, dbt}), "D");
    EXPECT_EQ(doc.Records[0].Depth, 1100);
    // DPT after DBT in one second: the DPT's depth and tide take the DBT's place.
    ASSERT_EQ(Read({kZda, dbt, kDpt}), "DT");
    EXPECT_EQ(doc.Records[0].Depth, 1234);
    EXPECT_EQ(doc.Records[1].Tide, -50);
    // DBT after DPT, recorded or still waiting for the date: the DBT is left out.
    EXPECT_EQ(Read({kZda, kDpt, dbt, kZda}), "DT");
    ASSERT_EQ(Read({dbt, kDpt, kZda}), "DT");
    EXPECT_EQ(doc.Records[0].Depth, 1234);
    // In the next second the DBT counts again.
    EXPECT_EQ(Read({kZda, kDpt, S("GPZDA,123601.00,05,12,2009,00,00"), dbt}), "DTD");
}

// A sounder that logs several depths a second after one ZDA: the first takes the ZDA's
// time, the rest are skipped, and the report says why rather than blaming the date.
TEST_F(NmeaTest, DepthsAfterTheFirstOfAZdaAreSkippedForTheTimeNotTheDate) {
    TextImportState state;
    NmeaReader reader(doc, state);
    for (const std::string& line : {kZda, kGga, kDpt, kDpt, kDpt, kDpt}) reader.Line(line);
    reader.Finish();
    EXPECT_EQ(reader.Depths(), 1);
    EXPECT_EQ(reader.Skipped(NMEA_DPT, NMEA_SKIP_TIME_TAKEN), 3);
    EXPECT_EQ(reader.Skipped(NMEA_DPT, NMEA_SKIP_NO_DATE), 0);
    EXPECT_NE(reader.Report().find("3 DPT (no ZDA since the last depth)"), std::string::npos) << reader.Report();

    // Before any date, a depth given up is still one without a date.
    doc.Records.clear();
    TextImportState fresh;
    NmeaReader undated(doc, fresh);
    for (const std::string& line : {kDpt, kDpt}) undated.Line(line);
    undated.Finish();
    EXPECT_EQ(undated.Skipped(NMEA_DPT, NMEA_SKIP_NO_DATE), 2);
    EXPECT_EQ(undated.Skipped(NMEA_DPT, NMEA_SKIP_TIME_TAKEN), 0);
}

TEST_F(NmeaTest, TheReportCountsSentencesUsedAndSkippedByReason) {
    std::string bad = kGga;
    bad[10] = '9';
    TextImportState state;
    NmeaReader reader(doc, state);
    for (const std::string& line :
         {kGga, S("GPGLL,4807.038,N,01131.000,E,123520,A"), bad, kZda, kDpt, kDpt,
          S("GPGGA,123601,,,,,0,00,,,M,,M,,"), S("GPRMC,123602,V,,,,,,,051209,,"), S("SDDBT,36.1,f,11.00,M,6.0,F"),
          S("GPZDA,x"), S("GPGLL,4807.038,N,01131.000,E,123603,A"), std::string("$GPVTG,77.5,T,93.3,M,5.2,N,9.7,K")})
        reader.Line(line);
    reader.Finish();
    EXPECT_EQ(reader.Report(),
              "Used: 1 GLL, 1 ZDA, 1 DPT.\n"
              "Skipped: 1 GGA (bad checksum), 1 GGA (no fix), 1 GGA (no date yet), 1 GLL (no date yet), "
              "1 RMC (no fix), 1 ZDA (unreadable), 1 DPT (no ZDA since the last depth), "
              "1 DBT (DPT in the same second).");
    EXPECT_EQ(reader.Used(NMEA_GLL), 1);
    EXPECT_EQ(reader.Skipped(NMEA_DPT, NMEA_SKIP_TIME_TAKEN), 1);
}

// The pattern of a sounder with a built-in receiver: DPT twice a second, RMC and GLL or
// GGA in turn, a ZDA every four seconds, and sentences the reader does not take.
std::string SounderWithReceiver(int seconds) {
    std::string log = "# a powerboat on a river\r\n";
    for (int s = 0; s < seconds; ++s) {
        char t[16];
        std::snprintf(t, sizeof t, "1941%02d", s);
        const std::string lat = std::to_string(4426.1130 + 0.0004 * s);
        log += S("INDPT,2." + std::to_string(s % 10) + ",0.0") + "\r\n";
        if (s % 2 == 0) {
            log += S(std::string("INRMC,") + t + ",A," + lat + ",N,07140.5596,W,5.2,77.3,160906,15.8,W") + "\r\n";
        } else if (s % 4 == 1) {
            log += S("INGLL," + lat + ",N,07140.5579,W," + t + ",A") + "\r\n";
            log += S("INVTG,77.5,T,93.3,M,5.2,N,9.7,K") + "\r\n" + S("INMTW,17.9,C") + "\r\n";
        } else {
            log += S(std::string("INGGA,") + t + "," + lat + ",N,07140.5536,W,2,10,0.9,267.9,M,,,,") + "\r\n";
            log += S(std::string("INZDA,") + t + ",16,09,2006,-05,00") + "\r\n";
        }
    }
    return log;
}

TEST_F(NmeaTest, AReceiverThatSendsRmcHasEveryFixAndDepthImported) {
    test::TempDir dir;
    ASSERT_EQ(ImportNmea(doc, dir.Write("boat.log", SounderWithReceiver(16)), port), ImportResult::Imported);
    // Only the four ZDA seconds came through before.
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"16 Positions 16 depths imported\n"
                                                      "Used: 4 GGA, 4 GLL, 8 RMC, 4 ZDA, 16 DPT."}));
    std::vector<int64_t> fixes;
    for (const CVKData& r : doc.Records)
        if (r.IsLive(REC_POSITION)) fixes.push_back(r.Time - civil::FromFields(2006, 9, 16, 19, 41, 0));
    EXPECT_EQ(fixes, (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

}  // namespace
}  // namespace aq
