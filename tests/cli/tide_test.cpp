// SPDX-License-Identifier: GPL-3.0-or-later
// tide-from-gnss and tide-compare as a script runs them.
#include <cmath>
#include <cstdio>
#include <fstream>

#include "support/cli_runner.h"

namespace aq::test {
namespace {

class TideCliTest : public CliFixture {
protected:
    // Twenty minutes of GGA at 1 Hz at 1.00 m above the geoid with the antenna 2 m up,
    // and a tide table of three records 5 cm below.
    void SetUp() override {
        CliFixture::SetUp();
        std::ofstream log(File("rtk.nmea"), std::ios::binary);
        for (int s = 0; s < 1200; ++s) {
            const int t = 10 * 3600 + s;
            char body[160], line[200];
            std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,5207.4040,N,00434.0680,E,4,12,0.8,%.3f,M,43.4,M,,",
                          t / 3600, t / 60 % 60, t % 60, 3.0 + 0.2 * std::sin(s * 1.3));
            for (const char* b : {body}) {
                unsigned sum = 0;
                for (const char* p = b; *p; ++p) sum ^= static_cast<unsigned char>(*p);
                std::snprintf(line, sizeof line, "$%s*%02X\r\n", b, sum);
                log << line;
            }
            std::snprintf(body, sizeof body, "GPZDA,%02d%02d%02d.00,05,12,2009,00,00", t / 3600, t / 60 % 60, t % 60);
            unsigned sum = 0;
            for (const char* p = body; *p; ++p) sum ^= static_cast<unsigned char>(*p);
            std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
            log << line;
        }
        std::ofstream(File("tide.txt")) << "2009 12 05 10 0 0 0.95\n2009 12 05 10 10 0 0.95\n2009 12 05 10 20 0 0.95\n";
    }
};

TEST_F(TideCliTest, ReplacesTheTidesAfterAskingAndUndoBringsThemBack) {
    const std::vector<std::string> load = {"import", "nmea", File("rtk.nmea"), "import", "tide", File("tide.txt")};
    auto args = load;
    for (const char* w : {"tide-from-gnss", "--heights", "geoid", "--antenna-height", "2", "--yes", "summary"})
        args.push_back(w);
    const CliResult r = Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Replace them with the 114 water levels from the GNSS heights? -> Yes"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("114 tide records from 1200 GNSS heights."), std::string::npos) << r.err;
    EXPECT_EQ(Values(r.out)["CountTide"], "114");

    // Undone, the survey is the one before, byte for byte in its listing.
    args = load;
    args.push_back("records");
    const CliResult before = Run(args);
    args = load;
    for (const char* w : {"tide-from-gnss", "--heights", "geoid", "--yes", "undo", "records"}) args.push_back(w);
    const CliResult undone = Run(args);
    ASSERT_EQ(undone.code, 0) << undone.err;
    EXPECT_TRUE(before.out == undone.out);

    // Answered No (the default of a script), nothing changes and the verb fails.
    args = load;
    for (const char* w : {"tide-from-gnss", "--heights", "geoid", "--antenna-height", "2", "summary"}) args.push_back(w);
    const CliResult no = Run(args);
    EXPECT_EQ(no.code, 1);
    EXPECT_NE(no.err.find("tide-from-gnss: the tide records are kept; nothing was changed."), std::string::npos);
    EXPECT_EQ(no.out, "");
}

TEST_F(TideCliTest, ComparesWithTheObservedTideAndDrawsBoth) {
    std::vector<std::string> args = {"import", "nmea", File("rtk.nmea"), "import", "tide", File("tide.txt"),
                                     "tide-compare", "--heights", "geoid", "--antenna-height", "2"};
#ifdef AQUENTA_PLOT
    for (const char* w : {"--plot", "compare.svg"}) args.push_back(w);
    args.back() = File("compare.svg");
#endif
    const CliResult r = Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    auto v = Values(r.out);
    EXPECT_EQ(v["compared"], "114");
    // 5 cm, less half a centimetre on average that the reader's truncation of heights takes.
    EXPECT_NEAR(std::stod(v["mean"]), 0.045, 0.003);
    EXPECT_LT(std::stod(v["std-dev"]), 0.005);
#ifdef AQUENTA_PLOT
    const std::string svg = ReadAll(File("compare.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("GNSS water level"), std::string::npos);
#endif
}

TEST_F(TideCliTest, WrongInputIsNamed) {
    // Without --heights the run stops before any verb.
    CliResult r = Run({"import", "nmea", File("rtk.nmea"), "tide-from-gnss", "--geoid", "egm96"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("needs --heights"), std::string::npos) << r.err;
    r = Run({"import", "nmea", File("rtk.nmea"), "tide-from-gnss", "--heights", "geoid", "--window", "soon"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--window wants seconds, not \"soon\""), std::string::npos) << r.err;
    r = Run({"import", "nmea", File("rtk.nmea"), "tide-from-gnss", "--heights", "ellipsoidal", "--separation-grid",
             File("nothing.gtx")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("nothing.gtx\" cannot be read"), std::string::npos) << r.err;
    r = Run({"tide-from-gnss", "--heights", "geoid", "--min-quality", "10"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--min-quality wants a GGA fix quality from 0 to 9"), std::string::npos) << r.err;
    // A survey without tides has nothing to compare with.
    r = Run({"import", "nmea", File("rtk.nmea"), "tide-compare", "--heights", "geoid"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("it needs position and tide records"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace aq::test
