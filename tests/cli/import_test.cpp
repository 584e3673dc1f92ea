// SPDX-License-Identifier: GPL-3.0-or-later
// The import and info verbs of aquenta-cli, run on generated and small fixture files.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/doc.h"
#include "model/docfile.h"

#include "demo_gen.h"

namespace fs = std::filesystem;

namespace {

using Result = aq::test::CliResult;

std::string Data(const std::string& name) { return std::string(AQUENTA_TEST_DATA) + "/import/" + name; }

class ImportCliTest : public aq::test::CliFixture {
protected:
    // A generated Brivel file of one minute's logging.
    std::string DemoBrivel() const {
        aq::demo::Options o;
        o.seconds = 60;
        const std::string path = File("demo.brv");
        std::ofstream f(path, std::ios::binary);
        aq::demo::WriteBrivel(o, [&](std::string_view s) {
            return static_cast<bool>(f.write(s.data(), static_cast<std::streamsize>(s.size())));
        });
        return path;
    }
};

TEST_F(ImportCliTest, BrivelImportThenStatusAndInfo) {
    const std::string brv = DemoBrivel();
    const Result r = Run({"import", "brivel", brv, "status", "info"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "1 Event, 0 Tide, 60 Fix, 600 Depth, 0 Deleted\nImported Files:\n" + brv + "\n");

    // The list is saved with the survey, and a file is imported once.
    const Result again =
        Run({"import", "brivel", brv, "save", File("s.son"), "open", File("s.son"), "import", "brivel", brv, "status"});
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.err, brv + " Already Imported\n");
    EXPECT_EQ(again.out, "");
}

TEST_F(ImportCliTest, NmeaReportsItsCounts) {
    const Result r = Run({"import", "nmea", Data("tiny.nmea"), "status", "records"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "2 Positions 2 depths imported Used: 2 GGA, 2 ZDA, 2 DPT. Skipped: 1 DPT (bad checksum).\n");
    EXPECT_TRUE(r.out.starts_with("0 Event, 2 Tide, 2 L/L, 2 Depth, 0 Deleted\n")) << r.out;
    // The damaged 99.99 m sentence was skipped.
    EXPECT_EQ(r.out.find("\t9999\t"), std::string::npos);

    // Once depths, positions and tides are all there, the menu entry is greyed out.
    const Result twice = Run({"import", "nmea", Data("tiny.nmea"), "import", "nmea", File("other.nmea")});
    EXPECT_EQ(twice.code, 1);
    EXPECT_NE(twice.err.find("import nmea: \"File > Import > NMEA\" is not available"), std::string::npos) << twice.err;
}

TEST_F(ImportCliTest, GeotronicsTakesTheLineBreakAnswerAfterTheFile) {
    Result r = Run({"import", "geotronics", Data("points.are"), "--line-breaks", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Use line breaks(4=0)? -> Yes\n");
    EXPECT_EQ(r.out, "2 Event, 0 Tide, 3 Fix, 0 Depth, 0 Deleted\n");

    // The answer after the file overrides the run's --yes.
    r = Run({"--yes", "import", "geotronics", Data("points.are"), "--no-line-breaks", "status"});
    EXPECT_EQ(r.err, "Use line breaks(4=0)? -> No\n");
    EXPECT_EQ(r.out, "0 Event, 0 Tide, 3 Fix, 0 Depth, 0 Deleted\n");
}

TEST_F(ImportCliTest, TrimbleAndLeica) {
    Result r = Run({"import", "pjk", Data("track.pjk"), "status", "import", "ggk", Data("track.pjk")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "0 Event, 0 Tide, 2 Fix, 0 Depth, 0 Deleted\n");
    EXPECT_TRUE(r.err.starts_with("2 Positions imported\n")) << r.err;
    EXPECT_NE(r.err.find("it needs an empty survey"), std::string::npos) << r.err;  // GGK wants an empty survey

    // A file of weak fixes gives nothing: the run fails there, saying why.
    r = Run({"import", "leica", Data("weak.llk"), "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "0 Positions imported\nno LLK, LLQ or GGK sentence had a readable fix of quality 3 or better\n");
    EXPECT_EQ(r.out, "");

    // The menu command refuses a repeat without a word; the command line says why it failed.
    aq::CVKDoc listed;
    listed.ImportedFiles = Data("weak.llk") + "\n";
    ASSERT_TRUE(aq::SaveDocument(listed, File("listed.son"), aq::test::Quiet()));
    r = Run({"open", File("listed.son"), "import", "leica", Data("weak.llk")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "import leica: " + Data("weak.llk") + " is already imported; nothing was read.\n");
}

TEST_F(ImportCliTest, WrongUseAndMissingFiles) {
    EXPECT_EQ(Run({"import", "sonar", "x"}).code, 2);
    EXPECT_EQ(Run({"import", "brivel"}).code, 2);
    EXPECT_EQ(Run({"import", "brivel", "x.brv", "--line-breaks"}).code, 2);
    EXPECT_EQ(Run({"import", "geotronics", "x.are", "--line-breaks", "--no-line-breaks"}).code, 2);

    const Result missing = Run({"import", "brivel", File("none.brv"), "info"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, File("none.brv") + " was not found.\n");

    const Result info = Run({"info"});
    EXPECT_EQ(info.code, 1);
    EXPECT_NE(info.err.find("\"File > Import > Information\" is not available"), std::string::npos) << info.err;
}

TEST_F(ImportCliTest, AnImportThatGaveNoRecordFailsSayingWhy) {
    const std::string brv = DemoBrivel();
    Result r = Run({"import", "brivel", Data("tiny.nmea"), "save", File("s.son")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "1 data errors of 0 in Brivel File\nno block had a Brivel date, time and type\n");
    EXPECT_FALSE(fs::exists(File("s.son")));  // the run stopped there

    r = Run({"import", "tide", Data("tiny.nmea")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "no line had the tide layout\n");

    r = Run({"import", "nmea", brv});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "0 Positions 0 depths imported\nno GGA, GLL, RMC, ZDA, DPT or DBT sentence\n");

    // The column formats say so through their layout.
    std::ofstream(File("army.txt")) << "no numbers here\n";
    r = Run({"import", "usarmy", File("army.txt"), "--no-gps-heights"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Use GPS heights -> No\nno line had the record layout\n");
}

TEST_F(ImportCliTest, LatitudeLongitudeIntoAGridSurveyNeedsYes) {
    const std::string brv = DemoBrivel();
    const std::string question = "The survey holds 60 grid positions and " + Data("tiny.nmea") +
                                 " brings latitude/longitude positions; they cannot be shown together. Import anyway?";
    Result r = Run({"import", "brivel", brv, "import", "nmea", Data("tiny.nmea"), "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, question + " -> No\n");
    EXPECT_EQ(r.out, "");

    r = Run({"import", "brivel", brv, "import", "nmea", Data("tiny.nmea"), "--yes", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.starts_with(question + " -> Yes\n2 Positions 2 depths imported")) << r.err;
}

}  // namespace
