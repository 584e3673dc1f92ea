// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/brivel.h"

#include <limits>

#include <gtest/gtest.h>

#include "import_support.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

using test::Block;
using test::DepthBlock;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class BrivelTest : public testing::Test {
protected:
    ImportResult Import(const std::string& bytes, const std::string& name = "survey.brv") {
        path = dir.Write(name, bytes);
        return ImportBrivel(doc, path, port);
    }
    CVKData Record(const Block& b) {
        const std::string bytes = b.Bytes();
        return BrivelRecord(reinterpret_cast<const uint8_t*>(bytes.data()), clock);
    }
    // Ten depth blocks one second apart, depths 100..109.
    static std::string TenBlocks() {
        std::string s;
        for (int i = 0; i < 10; ++i) s += DepthBlock(100 + i, static_cast<uint16_t>(10 + i)).Bytes();
        return s;
    }
    std::vector<int> Depths(bool hundredths = false) const {
        std::vector<int> v;
        for (const auto& r : doc.Records) v.push_back(hundredths ? r.Hundredths : r.Depth);
        return v;
    }

    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    DayClock clock;
    std::string path;
};

TEST_F(BrivelTest, EachTypeBecomesItsRecord) {
    Block depth = DepthBlock(1234);
    depth.a = 1.5, depth.b = -2.25, depth.c = 0.5f, depth.quality = 77;
    Block grid;
    grid.type = BRIVEL_GRID, grid.second = 6, grid.a = 471500.25, grid.b = 5932200.5, grid.c = 3.5f, grid.quality = 4;
    Block event;
    event.type = BRIVEL_EVENT, event.second = 7, event.s = 12;
    Block unknown;
    unknown.type = 0x30, unknown.second = 8;
    ASSERT_EQ(Import(depth.Bytes() + grid.Bytes() + event.Bytes() + unknown.Bytes()), ImportResult::Imported);

    ASSERT_EQ(doc.Records.size(), 4u);
    const CVKData& d = doc.Records[0];
    EXPECT_EQ(d.Flags, REC_DEPTH | REC_SOUNDER);
    EXPECT_EQ(d.Time, civil::FromFields(2009, 12, 5, 12, 0, 5));
    EXPECT_EQ(std::vector<int>({d.Depth, d.Pitch, d.Roll, d.Heave, d.Quality}),
              std::vector<int>({1234, 150, -225, 50, 77}));
    const CVKData& p = doc.Records[1];
    EXPECT_EQ(p.Flags, REC_POSITION | REC_SOUNDER);
    EXPECT_EQ(std::vector<int64_t>({p.X, p.Y, p.Z, p.Quality}), std::vector<int64_t>({47150025, 593220050, 350, 4}));
    EXPECT_EQ(doc.Records[2].Flags, REC_EVENT | REC_SOUNDER);
    EXPECT_EQ(doc.Records[2].Depth, 12);
    // An unknown type is a record without kind, its deletion cleared by Restore. It keeps
    // the block's time rather than the moment of the import.
    EXPECT_EQ(doc.Records[3].Flags, 0);
    EXPECT_EQ(doc.Records[3].Time, civil::FromFields(2009, 12, 5, 12, 0, 8));

    EXPECT_EQ(doc.SounderImported, 1);
    EXPECT_TRUE(doc.KindFlags & REC_SOUNDER);
    EXPECT_EQ(doc.ImportedFiles, path + "\n");
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(port.statusText, "1 Event, 0 Tide, 1 Fix, 1 Depth, 0 Deleted");
}

TEST_F(BrivelTest, GeographicBoundsAndHostileValues) {
    Block b;
    b.type = BRIVEL_GEOGRAPHIC, b.a = -8.5, b.b = 53.25, b.c = 1.25f;
    const CVKData in = Record(b);
    EXPECT_EQ(in.Flags, REC_POSITION | REC_GEOGRAPHIC | REC_SOUNDER);
    EXPECT_EQ(std::vector<int64_t>({in.X, in.Y}), std::vector<int64_t>({-85000000, 532500000}));
    for (auto [lon, lat] : {std::pair{180.0, 0.0}, {-180.0, 0.0}, {0.0, 90.0}, {0.0, -90.0}, {kNaN, 0.0}}) {
        b.a = lon, b.b = lat;
        const CVKData out = Record(b);
        EXPECT_EQ(out.Flags, REC_DELETED) << lon << " " << lat;
        EXPECT_EQ(out.X, 0);
        EXPECT_EQ(out.Z, 125);  // height and quality are still set
    }
    // Values that do not fit their fields are clamped, or 0 when not finite.
    Block depth = DepthBlock(-5);
    depth.a = kNaN, depth.b = 1e300, depth.c = -std::numeric_limits<float>::infinity();
    const CVKData d = Record(depth);
    EXPECT_EQ(std::vector<int>({d.Pitch, d.Roll, d.Heave}), std::vector<int>({0, INT16_MAX, 0}));
    Block grid;
    grid.type = BRIVEL_GRID, grid.a = 1e300, grid.b = -1e300, grid.c = 3e38f;
    const CVKData p = Record(grid);
    EXPECT_EQ(std::vector<int64_t>({p.X, p.Y, p.Z}), std::vector<int64_t>({INT32_MAX, INT32_MIN, INT32_MAX}));
}

TEST_F(BrivelTest, SecondDepthInTheSameSecondMovesToTheHalfSecond) {
    ASSERT_EQ(Import(DepthBlock(1).Bytes() + DepthBlock(2).Bytes() + DepthBlock(3).Bytes() +
                     DepthBlock(4, 6, 200).Bytes() + DepthBlock(5, 7, 999).Bytes() + DepthBlock(6, 8, 65535).Bytes()),
              ImportResult::Imported);
    // A third in the same second stays at 0 (the sort by whole seconds keeps the order);
    // milliseconds past 999 never wrap.
    EXPECT_EQ(Depths(true), (std::vector<int>{0, 50, 0, 20, 99, 99}));
    EXPECT_EQ(Depths(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // The rule reaches back to depths already in the survey.
    ASSERT_EQ(Import(DepthBlock(8, 9).Bytes(), "b.brv"), ImportResult::Imported);
    ASSERT_EQ(Import(DepthBlock(9, 9).Bytes(), "c.brv"), ImportResult::Imported);
    EXPECT_EQ(doc.Records.back().Hundredths, 50);
}

TEST_F(BrivelTest, ALostOrExtraByteCostsOnlyTheBlockItDamaged) {
    std::string lost = TenBlocks();
    lost.erase(3 * 40 + 10, 1);
    ASSERT_EQ(Import(lost, "lost.brv"), ImportResult::Imported);
    const std::vector<int> expected{100, 101, 102, 104, 105, 106, 107, 108, 109};
    EXPECT_EQ(Depths(), expected);

    doc.New(port);
    std::string extra = TenBlocks();
    extra.insert(3 * 40 + 10, 1, '\x55');
    extra.insert(7 * 40 + 1, 1, '\x00');  // between blocks 6 and 7: nothing is lost
    ASSERT_EQ(Import(extra, "extra.brv"), ImportResult::Imported);
    EXPECT_EQ(Depths(), expected);
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(BrivelTest, OnlyAnEndReachedWhileResynchronisingIsADataError) {
    ASSERT_EQ(Import(TenBlocks().substr(0, 3 * 40) + std::string(50, '\0')), ImportResult::Imported);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{"1 data errors of 3 in Brivel File"}));
    // A trailing fragment after good blocks is no error.
    port.messages.clear();
    ASSERT_EQ(Import(TenBlocks().substr(0, 2 * 40 + 39), "fragment.brv"), ImportResult::Imported);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_EQ(doc.Records.size(), 5u);
    // An empty file still marks the survey as sounder data.
    CVKDoc empty;
    ASSERT_EQ(ImportBrivel(empty, dir.Write("empty.brv", ""), test::Quiet()), ImportResult::Imported);
    EXPECT_EQ(empty.SounderImported, 1);
    EXPECT_TRUE(empty.KindFlags & REC_SOUNDER);
}

TEST_F(BrivelTest, AFileIsImportedOnce) {
    ASSERT_EQ(Import(TenBlocks(), "day1.brv"), ImportResult::Imported);
    ASSERT_EQ(ImportBrivel(doc, path, port), ImportResult::Refused);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{path + "\nAlready Imported"}));
    // Another spelling of the same path is the same file.
    ASSERT_EQ(ImportBrivel(doc, dir.Path("./x/../day1.brv"), port), ImportResult::Refused);
    EXPECT_EQ(doc.Records.size(), 10u);
    // A file whose path merely contains a listed one is another file.
    const std::string longer = dir.Write("day1.brv.old", DepthBlock(7).Bytes());
    ASSERT_EQ(ImportBrivel(doc, longer, port), ImportResult::Imported);
    EXPECT_EQ(doc.ImportedFiles, path + "\n" + longer + "\n");
}

TEST_F(BrivelTest, AFileThatCannotBeOpenedIsNamedAndCanBeTriedAgain) {
    const std::string missing = dir.Path("missing.brv");
    EXPECT_EQ(ImportBrivel(doc, missing, port), ImportResult::FileError);
    EXPECT_EQ(port.Texts(), (std::vector<std::string>{missing + " was not found."}));
    EXPECT_EQ(port.messages[0].severity, Severity::Error);
    EXPECT_EQ(doc.ImportedFiles, "");
    dir.Write("missing.brv", TenBlocks());
    EXPECT_EQ(ImportBrivel(doc, missing, port), ImportResult::Imported);
    EXPECT_EQ(doc.Records.size(), 10u);
    EXPECT_EQ(ImportBrivel(doc, dir.Path(""), port), ImportResult::FileError);
    EXPECT_TRUE(port.Texts().back().starts_with("Access to "));
}

TEST_F(BrivelTest, TheBlockCheckAndHourTwentyFour) {
    for (auto change : std::initializer_list<void (*)(Block&)>{
             [](Block& b) { b.year = 1989; }, [](Block& b) { b.year = 2101; }, [](Block& b) { b.month = 13; },
             [](Block& b) { b.day = 0; }, [](Block& b) { b.hour = 25; }, [](Block& b) { b.minute = 60; },
             [](Block& b) { b.second = 60; }, [](Block& b) { b.type = 15; }, [](Block& b) { b.type = 129; }}) {
        Block b = DepthBlock(1);
        change(b);
        EXPECT_FALSE(BrivelBlockPasses(reinterpret_cast<const uint8_t*>(b.Bytes().data())));
    }
    Block late = DepthBlock(1);
    late.day = 31, late.hour = 24;
    ASSERT_EQ(Import(late.Bytes()), ImportResult::Imported);
    EXPECT_EQ(doc.Records.at(0).Time, civil::FromFields(2010, 1, 1, 0, 0, 5));
}

}  // namespace
}  // namespace aq
