// SPDX-License-Identifier: GPL-3.0-or-later
// The generated demo survey: its files must import into a survey that looks right.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "demo_gen.h"
#include "import/brivel.h"
#include "import/nmea.h"
#include "import/texthelpers.h"
#include "import_support.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

std::string Generate(bool (*write)(const demo::Options&, const demo::Sink&), const demo::Options& o) {
    std::string out;
    EXPECT_TRUE(write(o, [&](std::string_view s) {
        out.append(s);
        return true;
    }));
    return out;
}

class DemoSurveyTest : public testing::Test {
protected:
    void SetUp() override {
        options.seconds = 600;
        options.geographic = true;
    }
    demo::Options options;
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(DemoSurveyTest, BrivelFileIsASoundingAtTenHertzWithAFixEverySecond) {
    const std::string bytes = Generate(demo::WriteBrivel, options);
    EXPECT_EQ(bytes, Generate(demo::WriteBrivel, options));  // the same every time
    ASSERT_EQ(ImportBrivel(doc, dir.Write("demo.brv", bytes), port), ImportResult::Imported);
    EXPECT_TRUE(port.messages.empty());

    EXPECT_EQ(doc.CountDepth, 6000);
    EXPECT_GE(doc.CountPos, 560);  // a receiver outage or two
    EXPECT_LT(doc.CountPos, 600);
    EXPECT_GE(doc.CountEvent, 2);  // a survey line starts, and the next one after the turn
    EXPECT_EQ(doc.Records.front().Time, civil::FromFields(2009, 6, 15, 9, 0, 0));
    EXPECT_EQ(doc.Records.back().TimeHundredths(), civil::FromFields(2009, 6, 15, 9, 9, 59) * 100 + 90);

    int spikes = 0, dropouts = 0;
    std::vector<int> depths;
    for (const CVKData& r : doc.Records) {
        if (r.IsLive(REC_POSITION)) {
            // Inside the harbour basin, near 53.54 N 8.57 E, from an RTK receiver.
            EXPECT_NEAR(r.Y / 1e7, 53.541, 0.002);
            EXPECT_NEAR(r.X / 1e7, 8.5745, 0.005);
            EXPECT_TRUE(r.Quality == 4 || r.Quality == 5);
        }
        if (!r.IsLive(REC_DEPTH)) continue;
        EXPECT_TRUE(std::abs(r.Pitch) < 500 && std::abs(r.Roll) < 1200 && std::abs(r.Heave) < 40);
        EXPECT_NE(r.X, 0);  // every sounding has its interpolated position
        if (r.Quality == 0)
            dropouts += r.Depth == 0;
        else if (r.Quality < 50)
            ++spikes;
        else
            depths.push_back(r.Depth);
    }
    EXPECT_GT(spikes, 2);
    EXPECT_LT(spikes + dropouts, 200);
    // A harbour basin of 6 to 14 m at this tide.
    EXPECT_GT(*std::min_element(depths.begin(), depths.end()), 500);
    EXPECT_LT(*std::max_element(depths.begin(), depths.end()), 1500);
}

TEST_F(DemoSurveyTest, NmeaLogIsTheSameSurveyWithValidChecksums) {
    const std::string nmea = Generate(demo::WriteNmea, options);
    std::istringstream in(nmea);
    std::string line;
    int lines = 0, fixes = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_TRUE(line.ends_with("\r"));
        line.pop_back();
        ASSERT_TRUE(ChecksumMatches(line)) << line;
        fixes += line.starts_with("$GPGGA") && line.find(",,,,,0,") == std::string::npos;
    }
    EXPECT_EQ(lines, 2400);
    ASSERT_EQ(ImportNmea(doc, dir.Write("demo.nmea", nmea), port), ImportResult::Imported);
    ASSERT_EQ(port.Texts().size(), 1u);
    EXPECT_TRUE(port.Texts()[0].starts_with(std::to_string(fixes) + " Positions 600 depths imported\nUsed: "))
        << port.Texts()[0];

    // The sounder file gives the same positions and depths at the same seconds.
    CVKDoc brivel;
    ASSERT_EQ(ImportBrivel(brivel, dir.Write("demo.brv", Generate(demo::WriteBrivel, options)), test::Quiet()),
              ImportResult::Imported);
    std::map<int64_t, const CVKData*> fixAt, depthAt;
    for (const CVKData& r : brivel.Records) {
        if (r.IsLive(REC_POSITION)) fixAt[r.Time] = &r;
        if (r.IsLive(REC_DEPTH) && r.Hundredths == 0) depthAt[r.Time] = &r;
    }
    int compared = 0;
    for (const CVKData& r : doc.Records) {
        if (r.IsLive(REC_POSITION)) {
            ASSERT_TRUE(fixAt.count(r.Time));
            EXPECT_NEAR(r.X, fixAt[r.Time]->X, 3);
            EXPECT_NEAR(r.Y, fixAt[r.Time]->Y, 3);
            EXPECT_NEAR(r.Z, fixAt[r.Time]->Z, 1);
            ++compared;
        }
        if (r.IsLive(REC_DEPTH)) {
            EXPECT_NEAR(r.Depth, depthAt.at(r.Time)->Depth, 1);
        }
    }
    EXPECT_EQ(compared, fixes);
}

TEST_F(DemoSurveyTest, TideTableCoversTheLoggingAndDaysFollowEachOther) {
    options.dayHours = 1;
    options.seconds = 3600 + 60;
    const std::string tide = Generate(demo::WriteTide, options);
    std::istringstream in(tide);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    // 08:00 to 11:00 on the first day, then round the clock to 10:00 the next.
    ASSERT_EQ(lines.size(), 26u * 6 + 1);
    EXPECT_EQ(lines.front(), "2009 6 15 8 0 0 2.66\r");
    EXPECT_TRUE(lines.back().starts_with("2009 6 16 10 0 0 ")) << lines.back();
    for (const std::string& l : lines) {
        double f[7];
        ASSERT_EQ(Scan(l, "%lf%lf%lf%lf%lf%lf%lf", {&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6]}), 7);
        EXPECT_GT(f[6], -0.5);
        EXPECT_LT(f[6], 4.5);
    }

    ASSERT_EQ(ImportBrivel(doc, dir.Write("two.brv", Generate(demo::WriteBrivel, options)), port),
              ImportResult::Imported);
    EXPECT_EQ(doc.Records.back().Time, civil::FromFields(2009, 6, 16, 9, 0, 59));
}

}  // namespace
}  // namespace aq
