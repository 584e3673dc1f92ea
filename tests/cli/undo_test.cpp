// SPDX-License-Identifier: GPL-3.0-or-later
// undo, redo and history on the command line: every editing verb is a step, and undoing
// them all gives back the file that was opened, byte for byte.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/cli_runner.h"

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"

namespace {

using aq::test::ReadAll;
using Result = aq::test::CliResult;

constexpr int64_t kT0 = 1260007200;

class UndoCli : public aq::test::CliFixture {
protected:
    std::string Survey() const {
        aq::CVKDoc doc;
        for (int i = 0; i < 40; ++i) {
            doc.AddRecord(aq::CVKData::OfPosition(kT0 + 2 * i, 4720000 + i * 300, 5150000 + (i % 7) * 200, 100 + i,
                                                  aq::REC_POSITION, 0));
            doc.AddRecord(aq::CVKData::OfDepth(kT0 + 2 * i + 1, 300 + (i * 37) % 200, 90, aq::REC_DEPTH | aq::REC_SOUNDER,
                                               0));
        }
        for (const auto& r : doc.Records) doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        const std::string path = File("s.son");
        EXPECT_TRUE(aq::SaveDocument(doc, path, aq::test::Quiet()));
        return path;
    }
};

TEST_F(UndoCli, EveryEditIsAStepAndUndoingThemAllGivesBackTheFile) {
    const std::string survey = Survey();
    Result r = Run({"open", survey, "save", File("before.son"), "delete-box", "plan", "0", "0", "7000", "7000",
                    "hi-pass", "offsets", "depths", "--depth", "0.5", "clear-z", "history", "undo", "undo", "undo",
                    "undo", "save", File("undone.son"), "redo", "redo", "history", "redo", "redo", "save",
                    File("redone.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadAll(File("undone.son")), ReadAll(File("before.son")));

    r = Run({"open", survey, "delete-box", "plan", "0", "0", "7000", "7000", "hi-pass", "offsets", "depths",
             "--depth", "0.5", "clear-z", "save", File("edited.son")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadAll(File("redone.son")), ReadAll(File("edited.son")));

    // The listing: state, bytes kept, name; the second one after two redos.
    const std::vector<std::string> lines = aq::test::Lines(
        Run({"open", survey, "delete-box", "plan", "0", "0", "7000", "7000", "hi-pass", "undo", "history"}).out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 5), "done\t");
    EXPECT_NE(lines[0].find("\tDelete Box"), std::string::npos);
    EXPECT_EQ(lines[1].substr(0, 7), "undone\t");
    EXPECT_NE(lines[1].find("\tFilter Hi Pass Z"), std::string::npos);
}

TEST_F(UndoCli, NothingToUndoFailsAndOpeningStartsAfresh) {
    const std::string survey = Survey();
    Result r = Run({"undo"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "undo: there is nothing to undo.\n");
    r = Run({"open", survey, "clear-z", "open", survey, "undo"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "undo: there is nothing to undo.\n");
    r = Run({"open", survey, "clear-z", "undo", "redo", "redo"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "redo: there is nothing to redo.\n");
    // A budget too small for any step keeps none, and says so.
    r = Run({"open", survey, "set", "undo-budget", "0", "clear-z", "undo"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "The oldest undo step was dropped to keep the history within its memory.\n"
              "undo: there is nothing to undo.\n");
    // A command that changed nothing is no step.
    r = Run({"open", survey, "restore", "history"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
