// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/document.h"
#include "model/archive.h"
#include "model/docfile.h"
#include "model/safefile.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::At;

std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class DocFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("aquenta-docfile-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void ThreeRecords() {
        test::Append(doc, {test::Pos(At(10, 0, 0), 100, 200, 5), test::Depth(At(10, 0, 1), 300),
                           test::Tide(At(10, 0, 2), 40)});
        Recalculate(doc, port);
    }

    std::filesystem::path dir;
    ScriptedPort port;
    CVKDoc doc;
};

TEST_F(DocFileTest, NewDocumentSavesTo79KnownBytes) {
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    std::vector<uint8_t> expected = {0, 0, 0, 0, 10, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    expected.insert(expected.end(), 24 + 12 + 4, 0);
    for (int v : {10, 0, 0, 0}) {
        expected.push_back(static_cast<uint8_t>(v));
        expected.insert(expected.end(), 3, 0);
    }
    for (uint8_t b : {0x00, 0x00, 0x00, 0x00, 0x00, 0x70, 0x97, 0x40}) expected.push_back(b);  // 1500.0
    EXPECT_EQ(bytes.size(), 79u);
    EXPECT_EQ(bytes, expected);
}

TEST_F(DocFileTest, ObjectTagsOfRecordsAndControlPoints) {
    ThreeRecords();
    std::vector<uint8_t> b = SaveDocumentBytes(doc);
    const uint8_t announce[] = {0xFF, 0xFF, 0x04, 0x00, 0x07, 0x00, 'C', 'V', 'K', 'D', 'a', 't', 'a'};
    ASSERT_GT(b.size(), 4 + sizeof announce + 2 * 42);
    EXPECT_EQ(b[2], 3);  // record count
    EXPECT_TRUE(std::equal(std::begin(announce), std::end(announce), b.begin() + 4));
    const size_t second = 4 + sizeof announce + 40;
    EXPECT_EQ(b[second], 0x01);
    EXPECT_EQ(b[second + 1], 0x80);
    EXPECT_EQ(b[second + 42], 0x01);
    EXPECT_EQ(b[second + 43], 0x80);

    // With two control points the record class is index 4.
    doc.Control.Points.resize(2);
    doc.Control.Points[0].Name = "North";
    b = SaveDocumentBytes(doc);
    ArchiveReader r(b.data(), b.size());
    ASSERT_EQ(r.Count(0), 2u);
    for (int i = 0; i < 2; ++i) {
        r.ObjectTag({"ClsqData"}, 4);
        ClsqData p;
        p.Read(r);
    }
    ASSERT_EQ(r.Count(0), 3u);
    r.Skip(2 + 2 + 2 + 7 + 40);
    EXPECT_EQ(r.U16(), 0x8004);
}

TEST_F(DocFileTest, SurveyRoundTripsThroughTheFile) {
    ThreeRecords();
    doc.Records[1].Flags |= REC_DELETED;
    Recalculate(doc, port);
    doc.ImportedFiles = "/surveys/day1.brv\n";
    doc.PosTimeOffset = -3;
    doc.DepthTimeOffset = 5000000000LL;
    doc.TideTimeOffset = 7;
    doc.EastOffset = 1;
    doc.NorthOffset = -2;
    doc.ElevOffset = 150;
    doc.DepthOffset = -12;
    doc.TideOffset = 9;
    doc.InterpLimit = 3;
    doc.SounderImported = 1;
    doc.SoundVelocity = 1481.25;
    ClsqData cp;
    cp.Name = "Pier";
    cp.GridX = 1000.5;
    cp.LatHemisphere = "S";
    cp.Use = 0;
    cp.ProjN = 6000000.25;
    doc.Control.Points = {cp};
    const auto path = dir / "survey.son";
    ASSERT_TRUE(SaveDocument(doc, path.string(), port));
    EXPECT_FALSE(doc.Modified);

    CVKDoc back;
    ScriptedPort p2;
    ASSERT_TRUE(OpenDocument(back, path.string(), p2));
    EXPECT_EQ(back.PathName, path.string());
    EXPECT_FALSE(back.Modified);
    ASSERT_EQ(back.Records.size(), 3u);
    EXPECT_EQ(back.Records[1].Flags, REC_DEPTH | REC_DELETED);
    EXPECT_EQ(back.ImportedFiles, doc.ImportedFiles);
    EXPECT_EQ(back.DepthTimeOffset, 5000000000LL);
    EXPECT_EQ(back.ElevOffset, 150);
    EXPECT_EQ(back.DepthOffset, -12);
    EXPECT_EQ(back.InterpLimit, 3);
    EXPECT_EQ(back.SounderImported, 1);
    EXPECT_DOUBLE_EQ(back.SoundVelocity, 1481.25);
    ASSERT_EQ(back.Control.Points.size(), 1u);
    EXPECT_EQ(back.Control.Points[0].Name, "Pier");
    EXPECT_EQ(back.Control.Points[0].LatHemisphere, "S");
    EXPECT_EQ(back.Control.Points[0].Use, 0);
    EXPECT_DOUBLE_EQ(back.Control.Points[0].ProjN, 6000000.25);
    // Loading recalculates: the counts are there.
    EXPECT_EQ(p2.statusText, "0 Event, 1 Tide, 1 Fix, 0 Depth, 1 Deleted");
    // And saving again gives the same bytes (the level axis has been widened once more).
    back.LevelMin = doc.LevelMin;
    back.LevelMax = doc.LevelMax;
    EXPECT_EQ(SaveDocumentBytes(back), ReadFile(path));
}

TEST_F(DocFileTest, LoadKeepsStoredOrderAndWidensTheLevelAxisOnce) {
    // Records stored out of time order stay so: loading does not sort.
    test::Append(doc, {test::Depth(At(10, 0, 9), 100), test::Depth(At(10, 0, 1), 200)});
    const auto path = dir / "unsorted.son";
    ASSERT_TRUE(SaveDocument(doc, path.string(), port));
    CVKDoc back;
    ASSERT_TRUE(OpenDocument(back, path.string(), test::Quiet()));
    EXPECT_EQ(back.Records[0].Depth, 100);
    EXPECT_EQ(back.LevelMin, -300);  // -200 widened to whole metres and one more
    EXPECT_EQ(back.LevelMax, 100);
}

TEST_F(DocFileTest, FormatFailuresResetTheDocument) {
    ThreeRecords();
    const std::vector<uint8_t> good = SaveDocumentBytes(doc);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"cut inside a record", {good.begin(), good.begin() + 30}});
    cases.push_back({"cut in the tail", {good.begin(), good.end() - 3}});
    auto wrongName = good;
    wrongName[4 + 6] = 'X';
    cases.push_back({"unknown class", wrongName});
    auto wrongSchema = good;
    wrongSchema[4 + 2] = 5;
    cases.push_back({"schema", wrongSchema});
    auto longName = good;
    longName[4 + 4] = 64;
    cases.push_back({"long class name", longName});
    auto hugeCount = good;
    hugeCount[2] = 0xFF;
    hugeCount[3] = 0xFF;
    hugeCount.insert(hugeCount.begin() + 4, {0xFF, 0xFF, 0xFF, 0x0F});
    cases.push_back({"count beyond the file", hugeCount});
    auto nullElement = good;
    nullElement[4] = 0;
    nullElement[5] = 0;
    cases.push_back({"empty element", nullElement});
    auto badRef = good;
    badRef[4 + 13 + 40] = 0x05;
    cases.push_back({"reference to an unknown class", badRef});
    cases.push_back({"control point class in the record array",
                     {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x04, 0x00, 0x08, 0x00, 'C', 'l', 's', 'q', 'D', 'a', 't',
                      'a'}});

    for (const Case& c : cases) {
        const auto path = dir / "bad.son";
        WriteFile(path, c.bytes);
        CVKDoc d;
        ScriptedPort p;
        test::Append(d, {test::Depth(At(9, 0, 0), 1)});
        d.InterpLimit = 77;
        d.PathName = "/previous.son";
        EXPECT_FALSE(OpenDocument(d, path.string(), p)) << c.what;
        EXPECT_EQ(p.Texts(), std::vector<std::string>{"Unexpected file format."}) << c.what;
        EXPECT_TRUE(d.Records.empty()) << c.what;
        EXPECT_EQ(d.InterpLimit, 10) << c.what;
        EXPECT_EQ(d.PathName, "") << c.what;
    }
}

TEST_F(DocFileTest, ControlPointsReadBeforeAFailureStay) {
    doc.Control.Points.resize(2);
    doc.Control.Points[1].Name = "B";
    auto bytes = SaveDocumentBytes(doc);
    bytes.resize(bytes.size() - 10);
    CVKDoc d;
    EXPECT_FALSE(LoadDocumentBytes(d, bytes.data(), bytes.size()));
    ASSERT_EQ(d.Control.Points.size(), 2u);
    EXPECT_EQ(d.Control.Points[1].Name, "B");
}

TEST_F(DocFileTest, EmptyFileOpensAsAnEmptySurvey) {
    ThreeRecords();
    doc.Control.Points.resize(1);
    const auto path = dir / "empty.son";
    WriteFile(path, {});
    ASSERT_TRUE(OpenDocument(doc, path.string(), port));
    EXPECT_TRUE(doc.Records.empty());
    EXPECT_TRUE(doc.Control.Points.empty());
    EXPECT_EQ(doc.PathName, path.string());
    EXPECT_EQ(doc.StatusText, "");
    EXPECT_FALSE(doc.Modified);
    EXPECT_TRUE(port.Texts().empty());
}

TEST_F(DocFileTest, MissingFileLeavesTheDocumentUntouched) {
    ThreeRecords();
    doc.PathName = "/kept.son";
    EXPECT_FALSE(OpenDocument(doc, (dir / "nope.son").string(), port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"Failed to open document " + (dir / "nope.son").string() +
                                                     ": No such file or directory."});
    EXPECT_EQ(doc.Records.size(), 3u);
    EXPECT_EQ(doc.PathName, "/kept.son");
    EXPECT_FALSE(OpenDocument(doc, dir.string(), port));  // a folder is no document
}

// The document file alone, below Open: it says nothing to the user, names nothing and
// leaves the recalculation to Open.
TEST_F(DocFileTest, ReadingTheFileTellsTheOutcomeAndSaysNothing) {
    using Outcome = DocumentFileRead::Outcome;
    ThreeRecords();
    const auto saved = dir / "saved.son";
    WriteFile(saved, SaveDocumentBytes(doc));
    const auto empty = dir / "empty.son";
    WriteFile(empty, {});
    const auto garbage = dir / "garbage.son";
    WriteFile(garbage, {1, 2, 3, 4, 5, 6, 7, 8});

    DocumentFileRead read = ReadDocumentFile(doc, (dir / "nope.son").string());
    EXPECT_EQ(read.outcome, Outcome::CannotOpen);
    EXPECT_EQ(read.error, ENOENT);
    EXPECT_EQ(doc.Records.size(), 3u);

    read = ReadDocumentFile(doc, empty.string());
    EXPECT_EQ(read.outcome, Outcome::Empty);
    EXPECT_EQ(doc.Records.size(), 3u);

    CVKDoc back;
    read = ReadDocumentFile(back, saved.string());
    EXPECT_EQ(read.outcome, Outcome::Loaded);
    EXPECT_EQ(read.neededBytes, 3 * sizeof(CVKData));
    ASSERT_EQ(back.Records.size(), 3u);
    EXPECT_EQ(back.CountDepth, 0);  // not recalculated
    EXPECT_TRUE(back.PathName.empty());

    read = ReadDocumentFile(doc, garbage.string());
    EXPECT_EQ(read.outcome, Outcome::BadFormat);
    EXPECT_TRUE(doc.Records.empty());  // reset as by New

    EXPECT_TRUE(port.Texts().empty());
}

// Saving a piece at a time gives the same bytes as encoding the whole, whatever the
// piece, and a write that fails stops the encoding.
TEST_F(DocFileTest, EncodingInPiecesGivesTheSameBytes) {
    for (int i = 0; i < 500; ++i) test::Append(doc, {test::Depth(At(10, 0, i % 60), 300 + i)});
    const std::vector<uint8_t> whole = SaveDocumentBytes(doc);
    for (size_t piece : {size_t{1}, size_t{41}, size_t{4096}, size_t{1} << 20}) {
        std::vector<uint8_t> joined;
        size_t writes = 0;
        ASSERT_TRUE(EncodeDocument(doc, piece, [&](const uint8_t* bytes, size_t size) {
            joined.insert(joined.end(), bytes, bytes + size);
            ++writes;
            return true;
        }));
        EXPECT_EQ(joined, whole) << piece;
        if (piece < whole.size()) {
            EXPECT_GT(writes, 1u) << piece;
        }
    }
    size_t writes = 0;
    EXPECT_FALSE(EncodeDocument(doc, 64, [&](const uint8_t*, size_t) { return ++writes < 3; }));
    EXPECT_EQ(writes, 3u);
}

TEST_F(DocFileTest, FailedSaveLeavesTheOldFileIntact) {
    ThreeRecords();
    const auto path = dir / "keep.son";
    ASSERT_TRUE(SaveDocument(doc, path.string(), port));
    const auto before = ReadFile(path);
    doc.Records.clear();
    // A folder that cannot be written: the save fails and the old bytes stay.
    std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool canWrite = ::access(dir.c_str(), W_OK) == 0;  // root writes anyway
    if (!canWrite) {
        EXPECT_FALSE(SaveDocument(doc, path.string(), port));
        EXPECT_EQ(port.Texts().back().rfind("Failed to save document " + path.string() + ": ", 0), 0u);
        EXPECT_EQ(ReadFile(path), before);
    }
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    // A target in a folder that does not exist.
    EXPECT_FALSE(SaveDocument(doc, (dir / "no" / "such.son").string(), port));
    EXPECT_EQ(port.Texts().back(),
              "Failed to save document " + (dir / "no" / "such.son").string() + ": No such file or directory.");
    EXPECT_EQ(ReadFile(path), before);
    // No temporary files are left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace aq

namespace aq {
namespace {

TEST(SafeFile, ReplacesThroughLinksAndKeepsPermissions) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("aquenta-safefile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path real = dir / "real.son";
    const fs::path link = dir / "link.son";
    ASSERT_TRUE(WriteFileAtomically(real.string(), std::vector<uint8_t>{1, 2, 3}));
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileAtomically(link.string(), std::vector<uint8_t>{4, 5}));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(WriteFileAtomically(dir.string(), std::vector<uint8_t>{1}));  // a folder is not replaced
    std::vector<uint8_t> back;
    EXPECT_FALSE(ReadWholeFile(dir.string(), back));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace aq
