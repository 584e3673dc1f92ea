// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's help, version, manual page and completion, all made from the
// command table, and the boxes of the drag verbs in survey units.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "ui/commands.h"

namespace fs = std::filesystem;

namespace {

using Result = aq::test::CliResult;
using aq::test::ReadAll;

constexpr int64_t kT0 = 1246442400;

class CliDocsTest : public aq::test::CliFixture {
protected:
    // Grid positions at (1000 m, 2000 m) and (3000 m, 4000 m), a minute apart, with a
    // depth between them.
    std::string WriteSurvey() const {
        aq::CVKDoc doc;
        doc.AddRecord(aq::CVKData::OfPosition(kT0, 100000, 200000, 0, aq::REC_POSITION, 0));
        doc.AddRecord(aq::CVKData::OfDepth(kT0 + 30, 500, 100, aq::REC_DEPTH, 0));
        doc.AddRecord(aq::CVKData::OfPosition(kT0 + 60, 300000, 400000, 0, aq::REC_POSITION, 0));
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("survey.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }

    // The deleted count of the summary after the verbs.
    std::string Deleted(std::vector<std::string> verbs) const {
        verbs.insert(verbs.begin(), {"open", File("survey.son")});
        verbs.push_back("summary");
        const Result r = Run(verbs);
        EXPECT_EQ(r.code, 0) << r.err;
        const size_t at = r.out.find("CountDeleted=");
        if (at == std::string::npos) return "?";
        return r.out.substr(at + 13, r.out.find('\n', at) - at - 13);
    }
};

// Every command the table gives the command line is a verb it runs; those it keeps from
// the command line say why.
TEST_F(CliDocsTest, EveryTableCommandOfTheCommandLineHasItsVerbAndHelp) {
    for (const aq::CommandInfo& cmd : aq::CommandTable()) {
        if (cmd.reach != aq::Reach::Both) {
            EXPECT_NE(cmd.only, nullptr) << cmd.id << " is offered by one front end without a reason";
        }
        if (cmd.reach == aq::Reach::WindowOnly) {
            EXPECT_EQ(cmd.verb, nullptr) << cmd.id;
            continue;
        }
        ASSERT_NE(cmd.verb, nullptr) << cmd.id << " " << cmd.text;
        std::vector<std::string> words = {"help", std::string(aq::VerbName(cmd))};
        if (!aq::VerbWord(cmd).empty()) words.emplace_back(aq::VerbWord(cmd));
        const Result r = Run(words);
        EXPECT_EQ(r.code, 0) << cmd.verb << ": " << r.err;
        EXPECT_NE(r.out.find(std::string(cmd.verb) + (*cmd.args ? " " : "")), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(std::string(cmd.args).substr(0, std::string(cmd.args).find('\n'))), std::string::npos)
            << r.out;
    }
    // The usage text names every verb and tells of help.
    const Result usage = Run({"--help"});
    EXPECT_EQ(usage.code, 0);
    EXPECT_NE(usage.out.find("help VERB"), std::string::npos);
    for (const char* verb : {"import FORMAT", "delete-box plan|section", "records", "layout ACTION", "plot"})
        EXPECT_NE(usage.out.find(verb), std::string::npos) << verb;

    const Result unknown = Run({"help", "frobnicate"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("unknown verb"), std::string::npos) << unknown.err;
    EXPECT_EQ(Run({"help", "import", "gif"}).code, 2);
}

TEST_F(CliDocsTest, RefusalsSayWhatTheCommandNeeds) {
    WriteSurvey();
    const Result r = Run({"open", File("survey.son"), "utm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("utm: \"Edit > Transform > Convert to UTM\" is not available: it needs a geographic survey "
                         "(the survey has 3)."),
              std::string::npos)
        << r.err;
    // A field test refuses by its own rule, with the plan view taken as active.
    const Result g = Run({"open", File("survey.son"), "gradient", "0", "0", "15000", "15000"});
    EXPECT_EQ(g.code, 1);
    EXPECT_NE(g.err.find("gradient: \"View > Gradient\" is not available: it needs more than 5 records"), std::string::npos)
        << g.err;
}

TEST_F(CliDocsTest, VersionManPageAndCompletionMatchTheSourceTree) {
    const Result v = Run({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, std::string("aquenta-cli ") + AQUENTA_PROJECT_VERSION + "\n");

    // The copies kept readable in the source tree must be what the program makes now:
    // regenerate them with `aquenta-cli --man > docs/aquenta-cli.1` and
    // `aquenta-cli --completion bash > packaging/aquenta-cli.bash`.
    const Result man = Run({"--man"});
    EXPECT_EQ(man.code, 0);
    EXPECT_EQ(man.out, ReadAll(fs::path(AQUENTA_SOURCE_DIR) / "docs" / "aquenta-cli.1"));
    EXPECT_NE(man.out.find(".SS delete\\-box"), std::string::npos);
    EXPECT_NE(man.out.find("15000"), std::string::npos);

    const Result completion = Run({"--completion", "bash"});
    EXPECT_EQ(completion.code, 0);
    EXPECT_EQ(completion.out, ReadAll(fs::path(AQUENTA_SOURCE_DIR) / "packaging" / "aquenta-cli.bash"));
    EXPECT_EQ(Run({"--completion", "tcsh"}).code, 2);
}

// What bash offers at the end of a command line, by the generated completion.
TEST_F(CliDocsTest, BashCompletesVerbsFormatsAndOptions) {
    if (std::system("command -v bash >/dev/null 2>&1") != 0) GTEST_SKIP() << "no bash";
    const Result script = Run({"--completion", "bash"});
    ASSERT_EQ(script.code, 0);
    {
        std::ofstream(File("complete.bash")) << script.out;
    }
    const auto complete = [&](const std::string& line) {
        // The words of the line; an empty last word is completed from nothing.
        const std::string cmd = "cd " + aq::test::ShellQuote(File("")) + " && bash -c " +
                                aq::test::ShellQuote("source complete.bash; COMP_WORDS=(" + line +
                                                     "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _aquenta_cli; "
                                                     "printf '%s\\n' \"${COMPREPLY[@]}\"") +
                                " > completed.txt";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << line;
        return ReadAll(File("completed.txt"));
    };
    EXPECT_NE(complete("aquenta-cli imp").find("import\n"), std::string::npos);
    const std::string formats = complete("aquenta-cli import ''");
    for (const char* f : {"brivel\n", "nmea\n", "formatted\n", "tide\n"}) EXPECT_NE(formats.find(f), std::string::npos) << f;
    EXPECT_EQ(formats.find("ascii\n"), std::string::npos) << "an export format offered to import";
    const std::string dxf = complete("aquenta-cli new export dxf out.dxf --");
    EXPECT_NE(dxf.find("--kinds\n"), std::string::npos) << dxf;
    EXPECT_NE(dxf.find("--layers\n"), std::string::npos) << dxf;
    EXPECT_EQ(dxf.find("--title"), std::string::npos) << dxf;
    EXPECT_NE(complete("aquenta-cli open a.son delete-box plan 0 0 1 1 --").find("--units\n"), std::string::npos);
    EXPECT_EQ(complete("aquenta-cli open a.son delete-box plan 0 0 1 1 --units s"), "survey\n");
    EXPECT_NE(complete("aquenta-cli offsets tide --t").find("--tide\n"), std::string::npos);
    EXPECT_NE(complete("aquenta-cli --").find("--version\n"), std::string::npos);
}

TEST_F(CliDocsTest, BoxesInSurveyUnits) {
    WriteSurvey();
    // The plan: metres of easting and northing, every edge included, corners in any order.
    EXPECT_EQ(Deleted({"delete-box", "plan", "1000", "2000", "1000", "2000", "--units", "survey"}), "1");
    EXPECT_EQ(Deleted({"delete-box", "plan", "3000.5", "4000.5", "2999.5", "3999.5", "--units", "survey"}), "1");
    // The depth between the positions takes the position half way, (2000 m, 3000 m).
    EXPECT_EQ(Deleted({"delete-box", "plan", "900", "1900", "3100", "4100", "--units", "survey"}), "3");
    EXPECT_EQ(Deleted({"delete-box", "plan", "1999", "2999", "2001", "3001", "--units", "survey"}), "1");
    EXPECT_EQ(Deleted({"delete-box", "plan", "900", "1900", "3100", "4100", "--units", "survey", "undelete-box",
                       "plan", "999", "1999", "1001", "2001", "--units", "survey"}),
              "2");
    // The same box in the logical plane: the first position sits at the plan's west and
    // south edges.
    EXPECT_EQ(Deleted({"delete-box", "plan", "0", "14999", "1", "15001"}), "1");

    // The section: seconds as records prints them, levels in metres.
    EXPECT_EQ(Deleted({"time-frame", std::to_string(kT0), std::to_string(kT0 + 30), "--units", "survey"}), "1");
    EXPECT_EQ(Deleted({"time-frame", std::to_string(kT0 + 30), std::to_string(kT0 + 60), "--units", "survey"}), "1");
    // The depth of 5 m under a level of 0: its seabed at -5 m.
    EXPECT_EQ(Deleted({"delete-box", "section", std::to_string(kT0 + 20), "-5.5", std::to_string(kT0 + 40), "-4.5",
                       "--units", "survey"}),
              "1");
    EXPECT_EQ(Deleted({"delete-box", "section", std::to_string(kT0 + 20), "-3", std::to_string(kT0 + 40), "-4",
                       "--units", "survey"}),
              "0");

    // Enquire lists what the same box holds.
    const Result e = Run({"open", File("survey.son"), "enquire", "plan", "2999", "3999", "3001", "4001", "--units",
                          "survey"});
    EXPECT_EQ(e.code, 0) << e.err;
    EXPECT_EQ(std::count(e.out.begin(), e.out.end(), '\n'), 1) << e.out;

    // Units are checked before any verb runs; survey values when the verb runs.
    EXPECT_EQ(Run({"new", "delete-box", "plan", "0", "0", "1", "1", "--units", "feet"}).code, 2);
    EXPECT_EQ(Run({"new", "delete-box", "plan", "0", "0", "1", "x"}).code, 2);
    const Result bad = Run({"new", "delete-box", "plan", "0", "0", "1", "x", "--units", "survey"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("Please enter a number"), std::string::npos) << bad.err;
}

}  // namespace
