// SPDX-License-Identifier: GPL-3.0-or-later
// Whole export files: which records each writes, and failures that leave nothing behind.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "export/export.h"
#include "export/geotronics.h"
#include "export/textformats.h"
#include "export_fixture.h"
#include "ui/commands.h"

namespace aq {
namespace {

using test::Append;
using test::At;
using testing::ElementsAre;

class ExportFiles : public test::ExportTest {
protected:
    // Kinds in turn; record i at i seconds after 10:00, depth 100 + i cm.
    void Numbered(int n) {
        for (int i = 0; i < n; ++i) {
            const uint16_t kind = std::array<uint16_t, 4>{REC_POSITION, REC_DEPTH, REC_TIDE, REC_EVENT}[i % 4];
            CVKData r = CVKData::OfKind(At(10, 0, i), 0, kind, 0);
            r.X = 100000 + i * 100;
            r.Y = 200000;
            r.Depth = static_cast<int16_t>(100 + i);
            Append(doc, {r});
        }
    }
    std::vector<std::string> Export(int id, const ExportSelection& sel = {}) {
        const std::string path = File("out");
        EXPECT_TRUE(RunExport(id, doc, path, sel, port));
        return Lines(path);
    }
};

TEST_F(ExportFiles, SelectionPicksKindsAndDeletedRecordsStayOut) {
    Numbered(8);
    doc.Records[4] = test::Deleted(doc.Records[4]);
    ExportSelection sel;
    sel.EntityMask = EntityMaskOf(true, false, true, false);
    EXPECT_THAT(Export(ID_EXPORT_XYZ, sel), ElementsAre("1000.00 2000.00 -1.00 P10.0000", "1002.00 2000.00 -1.02 T10.0002",
                                                        "1006.00 2000.00 -1.06 T10.0006"));
    const std::vector<std::string> ascii = Export(ID_EXPORT_ASCII, sel);
    ASSERT_EQ(ascii.size(), 3u);
    EXPECT_EQ(ascii[1], AsciiLine(doc.Records[2], false));
    EXPECT_EQ(ascii[2], AsciiLine(doc.Records[6], false));

    // Every box cleared: an empty file, still written.
    sel.EntityMask = 0;
    for (int id : {ID_EXPORT_ASCII, ID_EXPORT_XYZ, ID_EXPORT_US_ARMY, ID_EXPORT_GEOTRONICS}) {
        std::filesystem::remove(File("out"));
        EXPECT_TRUE(Export(id, sel).empty()) << id;
        EXPECT_TRUE(std::filesystem::exists(File("out"))) << id;
    }
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(ExportFiles, HypackAndUsArmyLeaveOutThreeRecordsAtEachEnd) {
    Numbered(6);
    EXPECT_TRUE(Export(ID_EXPORT_HYPACK).empty());
    EXPECT_TRUE(Export(ID_EXPORT_US_ARMY).empty());
    Numbered(1);  // seven records: only index 3
    EXPECT_THAT(Export(ID_EXPORT_HYPACK), ElementsAre("1003.00 2000.00 -1.03"));
    EXPECT_THAT(Export(ID_EXPORT_US_ARMY), ElementsAre("1003.00,2000.00,-1.03"));
    Numbered(2);
    EXPECT_EQ(Export(ID_EXPORT_HYPACK).size(), 3u);
}

TEST_F(ExportFiles, HypackRefusesAGeographicSurvey) {
    Append(doc, {CVKData::OfPosition(At(10, 0, 0), 10, 20, 0, REC_POSITION | REC_GEOGRAPHIC, 0)});
    EXPECT_FALSE(ExportHypack(doc, File("out.xyz"), {}, port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"Hypack does not accept GPS XYZ"});
    EXPECT_FALSE(std::filesystem::exists(File("out.xyz")));
}

TEST_F(ExportFiles, CsvWritesEveryRecordUnderItsHeader) {
    EXPECT_THAT(Export(ID_EXPORT_CSV), ElementsAre("Type,Date/Time,Sec,X/E,Y/N,Z/H,Tide,Depth,QA"));
    Numbered(3);
    doc.Records[1] = test::Deleted(doc.Records[1]);
    ExportSelection none;
    none.EntityMask = 0;  // no selection applies
    EXPECT_THAT(Export(ID_EXPORT_CSV, none),
                ElementsAre("Type,Date/Time,Sec,X/E,Y/N,Z/H,Tide,Depth,QA",
                            "P,05/12/2009 10:00:00, 0.00,1000.00,2000.00,0.00,0.00,1.00,0", "Deleted",
                            "T,05/12/2009 10:00:02, 2.00,1002.00,2000.00,0.00,0.00,1.02,0"));
}

TEST_F(ExportFiles, GeotronicsAnnouncesEachNewDay) {
    const auto rec = [](int day, int hour, uint16_t kind) {
        CVKData r = CVKData::OfKind(civil::FromFields(2009, 12, day, hour, 0, 0), 250, kind, 0);
        r.X = 123456;
        r.Y = 654321;
        return r;
    };
    Append(doc, {rec(5, 23, REC_DEPTH), rec(5, 23, REC_TIDE), test::Deleted(rec(6, 0, REC_DEPTH)),
                 rec(6, 1, REC_DEPTH), rec(4, 2, REC_DEPTH), rec(7, 3, REC_DEPTH)});
    ExportSelection sel;
    sel.EntityMask = REC_DEPTH;
    EXPECT_THAT(Export(ID_EXPORT_GEOTRONICS, sel),
                ElementsAre("51=2009.1205",
                            "5=0 4=D23.0000 37=6543.21 38=1234.56 39=-2.50 42=2.50 75=0.00 52=23.0000",
                            // a deleted record still announces its day
                            "51=2009.1206",
                            "5=3 4=D1.0000 37=6543.21 38=1234.56 39=-2.50 42=2.50 75=0.00 52=1.0000",
                            // an earlier day is not announced again
                            "5=4 4=D2.0000 37=6543.21 38=1234.56 39=-2.50 42=2.50 75=0.00 52=2.0000",
                            "51=2009.1207",
                            "5=5 4=D3.0000 37=6543.21 38=1234.56 39=-2.50 42=2.50 75=0.00 52=3.0000"));
}

TEST_F(ExportFiles, HprReportLeavesOutRecordZero) {
    Append(doc, {test::Depth(At(10, 0, 0), 100), test::Pos(At(10, 0, 1), 1, 2), test::Deleted(test::Depth(At(10, 0, 2), 200)),
                 test::Depth(At(10, 0, 3), 300)});
    doc.Records[3].Pitch = 150;
    EXPECT_THAT(Export(ID_EXPORT_HPR_REPORT),
                ElementsAre("Date/Time,Height,Depth,Heave,Pitch(deg),Roll(deg)", "05/12/2009 10:00:02,0.00,2.00,0.00,0.00,0.00",
                            "05/12/2009 10:00:03,0.00,3.00,0.00,1.50,0.00"));
    doc.KindFlags |= REC_HPR;
    EXPECT_EQ(Export(ID_EXPORT_HPR_REPORT)[0], "Date/Time,Height,Depth,Heave,Pitch(m),Roll(m)");
}

TEST_F(ExportFiles, AFileThatCannotBeWrittenIsReportedByNameAndLeavesNothing) {
    Numbered(5);
    const std::string missing = File("no/such/folder/out.s2k");
    EXPECT_FALSE(ExportAscii(doc, missing, {}, port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All or part of the path " + missing + " is invalid."});
    EXPECT_FALSE(ExportCsv(doc, dir_.string(), port));
    EXPECT_EQ(port.Texts().back(), dir_.string() + " is a folder, not a file.");
    EXPECT_THAT(Entries(), ElementsAre());
}

// A full disk, as the file-size limit gives it: the export fails part way, names the
// file, keeps the old one and leaves no part of the new one.
TEST_F(ExportFiles, AWriteThatFailsPartWayKeepsTheOldFile) {
    Numbered(40000);  // about 3 MB of ASCII, written in blocks
    const std::string path = File("survey.s2k");
    { std::ofstream(path) << "old\n"; }
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1500000;
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = ExportAscii(doc, path, {}, port);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find(path), std::string::npos) << port.messages[0].text;
    EXPECT_EQ(port.messages[0].severity, Severity::Error);
    EXPECT_EQ(Read(path), "old\n");
    EXPECT_THAT(Entries(), ElementsAre("survey.s2k"));

    EXPECT_TRUE(ExportAscii(doc, path, {}, port));
    EXPECT_EQ(Lines(path).size(), 40000u);
}

}  // namespace
}  // namespace aq

namespace aq {
namespace {

// A large export is a phase of its own whose bar moves with the records written; it
// ends before the file's failure or success is told.
TEST_F(ExportFiles, ALargeExportShowsItsProgress) {
    Numbered(40000);  // about 2.5 MB of CSV: written in several blocks
    ASSERT_TRUE(RunExport(ID_EXPORT_CSV, doc, File("out.csv"), {}, port));
    ASSERT_EQ(port.phases, std::vector<std::string>{"Exporting Data"});
    EXPECT_EQ(port.openPhases, 0);
    ASSERT_GE(port.progress.size(), 3u);
    EXPECT_EQ(port.progress.front(), 0);
    EXPECT_TRUE(std::is_sorted(port.progress.begin(), port.progress.end()));
    EXPECT_GT(port.progress[1], 0);
    EXPECT_LT(port.progress.back(), 100);

    port.phases.clear();
    EXPECT_FALSE(RunExport(ID_EXPORT_CSV, doc, File("missing/out.csv"), {}, port));
    EXPECT_EQ(port.phases, std::vector<std::string>{"Exporting Data"});
    EXPECT_EQ(port.openPhases, 0);
}

}  // namespace
}  // namespace aq
