// SPDX-License-Identifier: GPL-3.0-or-later
// Every reader on random input: nothing may crash or overflow (run under the sanitizers
// this catches undefined behaviour), and every record stays within its fields.
#include <random>

#include <gtest/gtest.h>

#include "import/brivel.h"
#include "import/gpsreceivers.h"
#include "import/nmea.h"
#include "import_support.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

// Text that looks enough like the formats to reach their field readers.
std::string RandomText(std::mt19937_64& rng, size_t n) {
    static const char* const kPieces[] = {"$GPGGA,", "$GPGLL,",    "$GPZDA,",
                                          "$SDDPT,", "$PTNL,GGK,", "$PTNL,PJK,",
                                          "$GPLLK,", "EHT",        ",",
                                          "N,",      "S,",         "A",
                                          "*",       "\r\n",       "\n",
                                          " ",       "=",          "4=0 ",
                                          "5=1 ",    "37=",        "38=",
                                          "39=",     "42=",        "51=",
                                          "52=",     "75=",        "-",
                                          ":",       "1e308",      "-1e308",
                                          "nan",     "inf",        "99999999999999999999",
                                          ".5",      "+",          "2009.1205",
                                          "12.3045"};
    std::string s;
    std::uniform_int_distribution<int> pick(0, 2 * static_cast<int>(std::size(kPieces)));
    while (s.size() < n) {
        const int k = pick(rng);
        if (k < static_cast<int>(std::size(kPieces)))
            s += kPieces[k];
        else
            s += static_cast<char>(rng() % 2 ? '0' + rng() % 10 : rng() % 256);
    }
    return s;
}

void ExpectSane(const CVKDoc& doc) {
    for (const CVKData& r : doc.Records) ASSERT_LT(r.Hundredths, 100);
}

TEST(HostileInput, TextReadersSurviveRandomLines) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        std::mt19937_64 rng(seed);
        const std::string text = RandomText(rng, 20000);
        ScriptedPort port;
        CVKDoc doc;
        TextImportState nmea, trimble, leica, geo;
        NmeaReader reader(doc, nmea);
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t nl = text.find('\n', pos);
            const std::string_view line =
                std::string_view(text).substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            reader.Line(line);
            TrimbleLine(doc, trimble, line, seed % 2 == 0);
            LeicaLine(doc, leica, line);
            pos = nl == std::string::npos ? text.size() : nl + 1;
        }
        GeodimeterReader labels(doc, geo, true, port);
        labels.Feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
        labels.Finish();
        ExpectSane(doc);
    }
}

TEST(HostileInput, BrivelSurvivesRandomBlocks) {
    test::TempDir dir;
    std::mt19937_64 rng(7);
    std::string bytes;
    for (int i = 0; i < 5000; ++i) {
        test::Block b;
        b.hour = static_cast<uint16_t>(rng() % 25);
        b.ms = static_cast<uint16_t>(rng());
        b.type = static_cast<uint8_t>(16 + rng() % 113);
        std::string blk = b.Bytes();
        // Any bit pattern in the values: NaN, infinities, huge and tiny numbers.
        for (int k = 16; k < 38; ++k) blk[static_cast<size_t>(k)] = static_cast<char>(rng());
        bytes += blk;
        if (rng() % 50 == 0) bytes += static_cast<char>(rng());  // now and then a stray byte
    }
    ScriptedPort port;
    CVKDoc doc;
    ASSERT_EQ(ImportBrivel(doc, dir.Write("random.brv", bytes), port), ImportResult::Imported);
    EXPECT_GT(doc.Records.size(), 4000u);
    ExpectSane(doc);
}

}  // namespace
}  // namespace aq
