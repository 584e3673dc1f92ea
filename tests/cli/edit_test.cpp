// SPDX-License-Identifier: GPL-3.0-or-later
// Listing and editing points and the field tests from the command line.
#include <gtest/gtest.h>

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "support/cli_runner.h"

namespace aq {
namespace {

using test::At;

class EditCliTest : public test::CliFixture {
protected:
    // One run east over a rising seabed (positions and depths), then an event.
    std::string Survey(bool geographic = false) {
        CVKDoc doc;
        for (int k = 0; k < 6; ++k) {
            CVKData p = test::Pos(At(10, 0, 2 * k), 100000 + k * 1000, 500000, 29);
            if (geographic) {
                p.Flags |= REC_GEOGRAPHIC;
                p.X = 80000000 + k * 100;
                p.Y = 530000000;
            }
            test::Append(doc, {p, test::Depth(At(10, 0, 2 * k + 1), 500 + k * 100)});
        }
        test::Append(doc, {test::Event(At(10, 0, 4), 7)});
        Recalculate(doc, aq::test::Quiet());
        const std::string path = File("survey.son");
        EXPECT_TRUE(SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
    test::CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--tz", "GMT0BST,M3.5.0/1,M10.5.0", "open", Survey()});
        return Run(args);
    }
    // The records listing row of an index, split at its tabs.
    std::vector<std::string> Row(const std::string& listing, size_t index) {
        return test::Split(test::Lines(listing).at(index + 1), '\t');
    }
};

TEST_F(EditCliTest, EnquirePrintsTheListingLinesOfABox) {
    test::CliResult r = Cli({"enquire", "plan", "-1000", "-1000", "16000", "16000"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = test::Lines(r.out);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[1], "D  1005.00  5000.00   0.29   5.00   0.00 100 2009 12 05 10 00  1.00");
    // Over empty ground, nothing.
    r = Cli({"enquire", "section", "-900", "-900", "-800", "-800"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(EditCliTest, EditChangesOnlyWhatIsGivenAsThePointEditorDoes) {
    // The event (index 5 in time order) given an easting becomes a positioned event
    // without a value.
    test::CliResult r = Cli({"records"});
    ASSERT_EQ(Row(r.out, 5)[3], "0x0080");
    r = Cli({"edit", "5", "--x", "1012.5", "records"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> row = Row(r.out, 5);
    EXPECT_EQ(row[3], "0x00A0");
    EXPECT_EQ(row[4], "101250");
    EXPECT_EQ(row[7], "0");

    // A position's Z of 0.29 m typed as 0.29 is 29 cm, not 28; X was not given and stays.
    r = Cli({"edit", "0", "--z", "0.29", "--y", "5000.07", "records"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Row(r.out, 0)[6], "29");
    EXPECT_EQ(Row(r.out, 0)[5], "500007");
    EXPECT_EQ(Row(r.out, 0)[4], "100000");

    // A depth has no coordinates to type into; values must be numbers that fit.
    r = Cli({"edit", "1", "--x", "5"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"X value\" field is not editable for a record of this kind (a depth)"), std::string::npos)
        << r.err;
    r = Cli({"edit", "1", "--depth", "deep"});
    EXPECT_NE(r.err.find("Please enter a number."), std::string::npos);
    r = Cli({"edit", "1", "--depth", "400"});
    EXPECT_NE(r.err.find("Please enter a number between -327.68 and 327.67."), std::string::npos);
    r = Cli({"edit", "99", "--depth", "4"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Run({"edit", "one"}).code, 2);
}

TEST_F(EditCliTest, FieldTestsPrintTheirResults) {
    test::CliResult r = Cli({"patch-test", "-1000", "-1000", "16000", "16000"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(" Confidence 0.0%\n"), std::string::npos) << r.out;  // one way only
    EXPECT_NE(r.out.find("Error undefined\n"), std::string::npos) << r.out;
    r = Cli({"gradient", "-1000", "-1000", "16000", "16000"});
    // From the first position (no depth before the first sounding) to the last depth.
    EXPECT_EQ(r.out, "GRADIENT TEST RESULTS\n Gradient 20.00 %\n Bearing 90 Degrees\n");
    // Too few records: no test, a note.
    r = Cli({"gradient", "-1000", "-1000", "0", "16000"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("the test needs more than 3"), std::string::npos) << r.err;
    // Patchtest is for grid surveys.
    r = Run({"open", Survey(true), "patch-test", "0", "0", "15000", "15000"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not available"), std::string::npos) << r.err;
}

#ifdef AQUENTA_PLOT
TEST_F(EditCliTest, PlotTakesTheDisplaySettings) {
    test::CliResult r = Cli({"plot", "plan", File("a.png"), "--size", "300x200", "plot", "plan", File("b.png"),
                             "--size", "300x200", "--show", "depth,event", "--box-size", "9", "--colour-mode",
                             "quality", "--text-size", "2", "plot", "plan", File("c.png"), "--size", "300x200"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(test::ReadAll(File("a.png")), test::ReadAll(File("b.png")));
    EXPECT_EQ(test::ReadAll(File("a.png")), test::ReadAll(File("c.png")));  // for one plot only
    EXPECT_EQ(Cli({"plot", "plan", File("d.png"), "--colour-mode", "rainbow"}).code, 2);
    EXPECT_EQ(Cli({"plot", "plan", File("d.png"), "--show", "depth,fish"}).code, 2);
    EXPECT_EQ(Cli({"plot", "plan", File("d.png"), "--box-size", "-1"}).code, 2);
}
#endif

}  // namespace
}  // namespace aq
