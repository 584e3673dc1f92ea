// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/common.h"

#include <gtest/gtest.h>

#include "import/brivel.h"
#include "import_support.h"
#include "model/scriptedport.h"
#include "ui/commands.h"

namespace aq {
namespace {

TEST(ImportDialogs, EveryImportCommandHasItsDialogInputs) {
    for (const CommandInfo& cmd : CommandTable()) {
        const std::string path = MenuPath(cmd.id);
        if (!path.starts_with("&File/Import/") || cmd.id == ID_IMPORT_INFORMATION || cmd.id == ID_IMPORT_TIDE_QUELLEN)
            continue;
        const ImportDialog* d = FindImportDialog(cmd.id);
        ASSERT_NE(d, nullptr) << path;
        EXPECT_TRUE(std::string(d->initialName).starts_with("*.")) << path;
        if (*d->filter) {
            const auto entries = ParseFilter(d->filter);
            ASSERT_GE(entries.size(), 2u) << path;
            EXPECT_EQ(entries.back().description, "All Files (*.*)");
            EXPECT_EQ(entries.back().patterns, (std::vector<std::string>{"*.*"}));
        }
    }
    const auto entries = ParseFilter(FindImportDialog(ID_IMPORT_GGK)->filter);
    EXPECT_EQ(entries[0].description, "Trimble GPS Files (*.ggk;*.pjk)");
    EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.ggk", "*.pjk"}));
    EXPECT_EQ(FindImportDialog(ID_IMPORT_GGK)->duplicates, DuplicateRule::RefuseSilently);

    // The NMEA dialog offers the other sentence files once the survey holds records.
    CVKDoc doc;
    const ImportDialog& nmea = *FindImportDialog(ID_IMPORT_NMEA);
    EXPECT_EQ(InitialFileName(nmea, doc), "*.dpt");
    doc.AddRecord(CVKData::Zeroed());
    EXPECT_EQ(InitialFileName(nmea, doc), "*.dpt;*.gga;*.gll;*.zda");
    EXPECT_EQ(InitialFileName(*FindImportDialog(ID_IMPORT_LEICA), doc), "*.llk;*.llq;");
}

TEST(ImportedFiles, InformationListsThemAndRepeatsAreAskedAbout) {
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    const std::string a = dir.Write("a.txt", "x");
    ImportFile file;
    std::string full;
    ASSERT_EQ(BeginImport(doc, a, DuplicateRule::Ask, file, full, port), ImportResult::Imported);
    EXPECT_EQ(full, a);
    // An older list may end its lines in CR LF.
    doc.ImportedFiles = "/old/b.txt\r\n" + doc.ImportedFiles;
    EXPECT_TRUE(IsImported(doc, "/old/b.txt"));
    EXPECT_FALSE(IsImported(doc, "/old/b"));

    ImportFile again, third;
    port.answers = {false, true};
    EXPECT_EQ(BeginImport(doc, a, DuplicateRule::Ask, again, full, port), ImportResult::Refused);
    EXPECT_EQ(BeginImport(doc, a, DuplicateRule::Ask, third, full, port), ImportResult::Imported);
    EXPECT_EQ(port.questions, (std::vector<std::string>(2, a + "\nAlready Imported - Continue Y/N")));
    EXPECT_EQ(doc.ImportedFiles, "/old/b.txt\r\n" + a + "\n" + a + "\n");

    ImportInformation(doc, port);
    EXPECT_EQ(port.Texts().back(), "Imported Files:\n" + doc.ImportedFiles);
}

TEST(ImportFileLines, ReadAsATextModeReadWouldAcrossTheBuffer) {
    test::TempDir dir;
    // Lines of every length up to beyond the buffer, CR LF and bare LF, no final break.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; text.size() < 3 * ImportFile::kBlock; ++i) {
        std::string line(static_cast<size_t>(i * 37 % 300), static_cast<char>('a' + i % 26));
        expected.push_back(line);
        text += line + (i % 2 ? "\r\n" : "\n");
    }
    const std::string huge(ImportFile::kLongestLine + 10, 'h');
    text += huge + "\r\nlast\r";
    // A line too long to read is one bad line, skipped whole.
    expected.push_back(ImportFile::kLongLineMark);
    expected.push_back("last");

    ImportFile f;
    int err = 0;
    ASSERT_TRUE(f.Open(dir.Write("lines.txt", text), err));
    EXPECT_EQ(f.Size(), text.size());
    std::vector<std::string> got;
    std::string_view line;
    while (f.NextLine(line)) got.emplace_back(line);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(f.ReadError(), 0);
    EXPECT_EQ(f.LongLines(), 1u);

    ImportFile empty;
    ASSERT_TRUE(empty.Open(dir.Write("empty.txt", ""), err));
    EXPECT_FALSE(empty.NextLine(line));
}

TEST(ImportFileBlocks, BrivelResynchronisesAcrossTheBufferEdge) {
    test::TempDir dir;
    std::string bytes;
    const int n = 60000;  // 2.4 MB: the reader refills its buffer in the middle
    for (int i = 0; i < n; ++i) {
        test::Block b = test::DepthBlock(i % 30000);
        b.hour = static_cast<uint16_t>(6 + i / 3600);
        b.minute = static_cast<uint16_t>(i / 60 % 60);
        b.second = static_cast<uint16_t>(i % 60);
        bytes += b.Bytes();
    }
    bytes.erase(2 * ImportFile::kBlock - 2, 1);  // in the block that straddles the edge
    ScriptedPort port;
    CVKDoc doc;
    ASSERT_EQ(ImportBrivel(doc, dir.Write("big.brv", bytes), port), ImportResult::Imported);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(doc.Records.size(), static_cast<size_t>(n - 1));
    // Reading a large file is a phase of its own, moving as the blocks come, and closed
    // before the recalculation's phases.
    ASSERT_FALSE(port.phases.empty());
    EXPECT_EQ(port.phases.front(), "Reading Data");
    EXPECT_GT(port.phases.size(), 1u);
    EXPECT_EQ(port.openPhases, 0);
    ASSERT_GE(port.progress.size(), 2u);
    EXPECT_EQ(port.progress[0], 0);
    EXPECT_GT(port.progress[1], 0);
    EXPECT_LT(port.progress[1], 100);
}

}  // namespace
}  // namespace aq
