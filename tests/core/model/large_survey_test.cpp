// SPDX-License-Identifier: GPL-3.0-or-later
// Surveys larger than the pieces the document file is read and written in: a file is
// opened a window at a time and saved a piece at a time, and must give exactly what was
// written, in every stored form, wherever a piece ends; neither holds a copy of the file,
// and growing the record array never holds the survey twice.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "io/document.h"
#include "model/archive.h"
#include "model/docfile.h"
#include "model/safefile.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"
#include "support/file_size_limit.h"

namespace aq {
namespace {

namespace fs = std::filesystem;

// A reader's window (archive.cpp) and a save's piece (docfile.cpp).
constexpr size_t kMiB = size_t{1} << 20;

class LargeSurvey : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("aquenta-large-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const fs::path p = dir / name;
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    static std::vector<uint8_t> Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    size_t Files() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
        return n;
    }

    fs::path dir;
};

// n records of every kind, deleted ones and odd flags among them.
void MakeSurvey(CVKDoc& doc, size_t n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    int64_t t = 1260000000;
    doc.Records.clear();
    for (size_t i = 0; i < n; ++i) {
        t += static_cast<int64_t>(rng() % 3);
        CVKData r = CVKData::Zeroed();
        r.Time = t;
        static const uint16_t kFlags[] = {REC_DEPTH, REC_DEPTH | REC_SOUNDER, REC_POSITION, REC_TIDE, REC_EVENT,
                                          REC_DEPTH | REC_DELETED, 0x0A31};
        r.Flags = kFlags[rng() % std::size(kFlags)];
        r.X = static_cast<int64_t>(rng());
        r.Y = static_cast<int32_t>(rng());
        r.Z = static_cast<int32_t>(rng());
        r.Depth = static_cast<int16_t>(rng());
        r.Tide = static_cast<int16_t>(rng());
        r.Quality = static_cast<uint8_t>(rng());
        r.Hundredths = static_cast<uint8_t>(rng() % 100);
        doc.Records.push_back(r);
    }
    doc.KindFlags = REC_DEPTH | REC_POSITION | REC_TIDE | REC_EVENT;
    doc.LevelMin = -300;
    doc.LevelMax = 200;
    doc.InterpLimit = 12;
    doc.SoundVelocity = 1480.5;
    doc.ImportedFiles = "/data/sounder.brv\n";
}

// The document file of `doc` as the program writes it, except that the records at
// `older` take the older stored form, whose first word is a 32-bit time.
std::vector<uint8_t> FileWithOlderRecords(const CVKDoc& doc, const std::set<size_t>& older) {
    ArchiveWriter ar;
    ar.Count(static_cast<uint32_t>(doc.Control.Points.size()));
    for (const ClsqData& p : doc.Control.Points) {
        ar.ObjectTag("ClsqData", 4);
        p.Write(ar);
    }
    ar.Count(static_cast<uint32_t>(doc.Records.size()));
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        const CVKData& r = doc.Records[i];
        ar.ObjectTag("CVKData", 4);
        if (!older.count(i)) {
            r.Write(ar);
            continue;
        }
        ar.I32(static_cast<int32_t>(r.Time));
        ar.I16(r.Depth);
        ar.I16(r.Tide);
        ar.U16(r.Flags);
        ar.I64(r.X);
        ar.I64(r.Y);
        ar.I32(r.Z);
        ar.U8(r.Quality);
        ar.U8(r.Hundredths);
    }
    const std::vector<uint8_t> whole = SaveDocumentBytes(doc);
    std::vector<uint8_t> bytes = ar.Data();
    // The members after the records, as the program writes them: 74 bytes and a text.
    const size_t text = doc.ImportedFiles.size();
    const size_t tail = 74 + (text < 0xFF ? 1 : text < 0xFFFE ? 3 : 7) + text;
    bytes.insert(bytes.end(), whole.end() - static_cast<std::ptrdiff_t>(tail), whole.end());
    return bytes;
}

// Every stored member of the records, and the members after them.
void ExpectStored(const CVKDoc& got, const std::vector<CVKData>& want, const CVKDoc& from) {
    ASSERT_EQ(got.Records.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const CVKData& a = got.Records[i];
        const CVKData& b = want[i];
        ASSERT_TRUE(a.Time == b.Time && a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.Depth == b.Depth &&
                    a.Tide == b.Tide && a.Flags == b.Flags && a.Quality == b.Quality && a.Hundredths == b.Hundredths)
            << "record " << i;
    }
    EXPECT_EQ(got.ImportedFiles, from.ImportedFiles);
    EXPECT_EQ(got.InterpLimit, from.InterpLimit);
    EXPECT_EQ(got.SoundVelocity, from.SoundVelocity);
    ASSERT_EQ(got.Control.Points.size(), from.Control.Points.size());
    for (size_t i = 0; i < from.Control.Points.size(); ++i)
        EXPECT_EQ(got.Control.Points[i].Name, from.Control.Points[i].Name);
}

TEST_F(LargeSurvey, OpensWhatWasWrittenInEveryFormWhereverAWindowEnds) {
    CVKDoc saved;
    MakeSurvey(saved, 80000, 1);
    // Texts longer than a window, at the head and at the tail of the file.
    ClsqData point;
    point.Name = std::string(kMiB + kMiB / 3, 'n');
    saved.Control.Points = {point, ClsqData{}};
    saved.ImportedFiles = std::string(2 * kMiB + 17, 'f');

    // Older records here and there, and in runs near where the first windows end.
    std::set<size_t> older{0, 1, 2, 79999};
    std::mt19937_64 rng(7);
    for (int k = 0; k < 60; ++k) older.insert(rng() % 80000);
    const size_t head = 4 + point.Name.size() + 200;
    for (size_t w = 2; w <= 4; ++w)
        for (size_t d = 0; d < 4; ++d) older.insert((w * kMiB - head) / 42 - 2 + d);
    std::vector<CVKData> want = saved.Records;
    for (size_t i : older) want[i].Time = static_cast<int32_t>(want[i].Time);

    const std::vector<uint8_t> bytes = FileWithOlderRecords(saved, older);
    CVKDoc loaded;
    ASSERT_TRUE(LoadDocumentBytes(loaded, bytes.data(), bytes.size()));
    ExpectStored(loaded, want, saved);

    // Read from the file a window at a time, then recalculated as File > Open does.
    CVKDoc opened;
    ScriptedPort port;
    ASSERT_TRUE(OpenDocument(opened, Write("survey.son", bytes), port));
    EXPECT_TRUE(port.Texts().empty());
    loaded.NeedsSort = false;
    Recalculate(loaded, test::Quiet());
    ExpectStored(opened, loaded.Records, saved);
    EXPECT_TRUE(opened.Records == loaded.Records);
}

TEST_F(LargeSurvey, AFileCutShortAnywhereFailsAsAFormatError) {
    CVKDoc saved;
    MakeSurvey(saved, 60000, 2);
    saved.ImportedFiles = std::string(300, 'f');
    const std::vector<uint8_t> bytes = SaveDocumentBytes(saved);
    std::set<size_t> cuts{1, 2, 3, 4, 17, 18, 60, bytes.size() - 1, bytes.size() - 2, bytes.size() - 75,
                          bytes.size() - 76, bytes.size() - 375, bytes.size() - 376};
    for (size_t w = 1; w * kMiB < bytes.size(); ++w)
        for (size_t d = 0; d < 90; d += 7) cuts.insert(w * kMiB - 45 + d);
    std::mt19937_64 rng(3);
    for (int k = 0; k < 12; ++k) cuts.insert(1 + rng() % (bytes.size() - 1));

    for (size_t cut : cuts) {
        const std::string path = Write("cut.son", std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
        CVKDoc doc;
        ScriptedPort port;
        doc.AddRecord(CVKData::OfKind(1000, 5, REC_DEPTH, 0));
        doc.InterpLimit = 77;
        ASSERT_FALSE(OpenDocument(doc, path, port)) << cut;
        ASSERT_EQ(port.Texts(), std::vector<std::string>{"Unexpected file format."}) << cut;
        ASSERT_TRUE(doc.Records.empty()) << cut;
        ASSERT_EQ(doc.InterpLimit, 10) << cut;
    }
}

using test::FileSizeLimit;

TEST_F(LargeSurvey, SavesInPiecesTheBytesOfTheWholeFileOrNothing) {
    CVKDoc doc;
    ScriptedPort port;
    MakeSurvey(doc, 70000, 4);
    ClsqData point;
    point.Name = "control";
    doc.Control.Points = {point};
    doc.ImportedFiles = std::string(kMiB + 5, 'f');
    const std::vector<uint8_t> whole = SaveDocumentBytes(doc);
    const fs::path path = dir / "survey.son";
    ASSERT_TRUE(SaveDocument(doc, path.string(), port));
    EXPECT_EQ(Read(path), whole);

    // A write failing after some pieces have gone: the old file stays, nothing is left over.
    CVKDoc other;
    MakeSurvey(other, 90000, 5);
    FileSizeLimit limit;
    for (uint64_t at : {uint64_t{0}, uint64_t{kMiB} - 1, uint64_t{kMiB}, uint64_t{kMiB} + 1, uint64_t{3 * kMiB},
                        uint64_t{90000 * 42}}) {
        if (!limit.Set(at)) GTEST_SKIP() << "the file size limit cannot be set here";
        port.messages.clear();
        const bool saved = SaveDocument(other, path.string(), port);
        limit.Lift();
        EXPECT_FALSE(saved) << at;
        EXPECT_EQ(port.Texts(), std::vector<std::string>{"Failed to save document " + path.string() + ": File too large."})
            << at;
        EXPECT_EQ(Read(path), whole) << at;
        EXPECT_EQ(Files(), 1u) << at;
    }
}

TEST_F(LargeSurvey, AnAbandonedFileLeavesTheTargetAndNoTrace) {
    const fs::path path = dir / "kept.bin";
    ASSERT_TRUE(WriteFileAtomically(path.string(), std::vector<uint8_t>{1, 2, 3}));
    const std::vector<uint8_t> piece(3 * kMiB, 0xAB);
    {
        AtomicFile file(path.string());
        ASSERT_TRUE(file.Write(piece.data(), piece.size()));
        ASSERT_TRUE(file.Write(piece.data(), 10));
        // Destroyed without Commit.
    }
    EXPECT_EQ(Read(path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Files(), 1u);
    {
        AtomicFile file(path.string());
        ASSERT_TRUE(file.Write(piece.data(), 5));
        ASSERT_TRUE(file.Write(piece.data(), piece.size()));
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(fs::file_size(path), piece.size() + 5);
    EXPECT_EQ(Files(), 1u);
    // Nothing is written where no file could be made, and Commit says so.
    AtomicFile nowhere((dir / "no" / "such.bin").string());
    EXPECT_FALSE(nowhere.Write(piece.data(), 1));
    EXPECT_FALSE(nowhere.Commit());
}

// Gives an archive's bytes a few at a time, and fewer in all than it said it would.
class TrickleSource final : public ByteSource {
public:
    TrickleSource(const std::vector<uint8_t>& bytes, size_t cut) : bytes_(bytes), cut_(cut) {}
    size_t Read(uint8_t* into, size_t max) override {
        const size_t n = std::min({max, size_t{7}, cut_ - at_});
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, into);
        at_ += n;
        return n;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t cut_;
    size_t at_ = 0;
};

TEST(ArchiveSource, ReadsItemsThatStraddleShortReadsAndFailsWhereTheSourceEnds) {
    ArchiveWriter w;
    w.U8(9);
    w.Text(std::string(300, 't'));
    w.Count(70000);
    w.Text(std::string(kMiB + 3, 'w'));  // wider than the window
    w.U64(0x0102030405060708u);
    for (int i = 0; i < 1000; ++i) w.U32(static_cast<uint32_t>(i * 3));
    const std::vector<uint8_t> bytes = w.Data();

    TrickleSource source(bytes, bytes.size());
    ArchiveReader r(source, bytes.size());
    EXPECT_EQ(r.Remaining(), bytes.size());
    EXPECT_EQ(r.U8(), 9);
    EXPECT_EQ(r.Text(), std::string(300, 't'));
    EXPECT_EQ(r.Count(0), 70000u);
    EXPECT_EQ(r.Text().size(), kMiB + 3);
    EXPECT_EQ(r.U64(), 0x0102030405060708u);
    EXPECT_EQ(r.Position(), bytes.size() - 4000);
    // In bulk: a window of what is at hand, consumed as decoded.
    for (int i = 0; i < 1000;) {
        const auto [p, size] = r.Window(400);
        ASSERT_GE(size, std::min<size_t>(400, r.Remaining()));
        const size_t k = std::min<size_t>(size / 4, 1000 - i);
        for (size_t j = 0; j < k; ++j) ASSERT_EQ(LoadLE<uint32_t>(p + 4 * j), static_cast<uint32_t>((i + j) * 3));
        r.Consume(4 * k, 0);
        i += static_cast<int>(k);
    }
    EXPECT_TRUE(r.AtEnd());
    EXPECT_THROW(r.U8(), FormatError);

    // A source that stops short: what it still owed reads as the end of the archive.
    TrickleSource shortSource(bytes, bytes.size() - 10);
    ArchiveReader s(shortSource, bytes.size());
    s.Skip(bytes.size() - 12);
    EXPECT_EQ(s.U16(), static_cast<uint16_t>(LoadLE<uint16_t>(&bytes[bytes.size() - 12])));
    EXPECT_THROW(s.U32(), FormatError);
}

// The sanitizers' shadow memory swamps the measurement.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define AQUENTA_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define AQUENTA_UNDER_SANITIZER 1
#endif
#endif

#if defined(__linux__) && !defined(AQUENTA_UNDER_SANITIZER)

int64_t StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atoll(line.c_str() + n) * 1024;
    return -1;
}

// Lowers the recorded peak to the present size; then the growth of the peak over it.
class PeakGrowth {
public:
    PeakGrowth() {
        std::ofstream out("/proc/self/clear_refs");
        out << "5";
        out.flush();
        ok_ = static_cast<bool>(out);
        start_ = StatusBytes("VmRSS:");
    }
    bool Ok() const { return ok_ && start_ > 0; }
    int64_t Bytes() const { return StatusBytes("VmHWM:") - start_; }

private:
    bool ok_ = false;
    int64_t start_ = 0;
};

TEST_F(LargeSurvey, NeitherOpenNorSaveNorGrowthHoldsASecondCopy) {
    constexpr size_t kRecords = 1000000;
    const int64_t array = static_cast<int64_t>(kRecords * sizeof(CVKData));
    const int64_t slack = 12 << 20;
    const std::string path = (dir / "big.son").string();
    {
        CVKDoc doc;
        MakeSurvey(doc, kRecords, 6);
        const PeakGrowth save;
        if (!save.Ok()) GTEST_SKIP() << "the peak resident size cannot be reset here";
        ASSERT_TRUE(SaveDocument(doc, path, test::Quiet()));
        EXPECT_LT(save.Bytes(), slack) << "a save held the file's " << kRecords * 42 << " bytes";
    }
    {
        CVKDoc doc;
        const PeakGrowth open;
        ASSERT_TRUE(OpenDocument(doc, path, test::Quiet()));
        ASSERT_EQ(doc.Records.size(), kRecords);
        EXPECT_LT(open.Bytes(), array + slack) << "an open held the file besides the records";
    }
    {
        CVKDoc doc;
        MakeSurvey(doc, kRecords, 8);
        doc.Records.shrink_to_fit();
        const std::vector<CVKData> copy = doc.Records;
        const PeakGrowth grow;
        doc.ReserveRecords(kRecords * 3 / 2);
        EXPECT_LT(grow.Bytes(), slack) << "the records were held twice while the array grew";
        EXPECT_GE(doc.Records.capacity(), kRecords * 3 / 2);
        EXPECT_TRUE(doc.Records == copy);
    }
}

#endif

}  // namespace
}  // namespace aq
