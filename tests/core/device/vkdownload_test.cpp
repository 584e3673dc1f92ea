// SPDX-License-Identifier: GPL-3.0-or-later
// The Corrund memory dump decoder and the position text.
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "device/vkdownload.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

std::string Hex(uint32_t v, int bytes) {
    std::string s;
    char pair[3];
    for (int i = bytes - 1; i >= 0; --i) {
        std::snprintf(pair, sizeof pair, "%02X", (v >> (8 * i)) & 0xFF);
        s += pair;
    }
    return s;
}
std::string Day(int day) { return "01" + Hex(static_cast<uint16_t>(day), 2); }
std::string Depth(uint32_t ticks, int cm) { return "02" + Hex(ticks, 4) + Hex(static_cast<uint16_t>(cm), 2); }
std::string Position(uint32_t ticks, const std::string& text) {
    std::string s = "04" + Hex(ticks, 4) + Hex(static_cast<uint32_t>(text.size()), 1);
    for (char c : text) s += Hex(static_cast<uint8_t>(c), 1);
    return s;
}

constexpr uint32_t kTenHalfMinute = 1125 * 600 + 19 * 30;  // 10:00:30 in ticks
constexpr int kNewYear2009 = 9132;                           // days after 1 January 1984

std::vector<CVKData> Decode(const std::string& text, bool heights = true) {
    ScriptedPort port;
    std::vector<CVKData> out;
    CVKDownLoad(port).Decode(text, out, heights);
    return out;
}

TEST(DumpDecoder, TimesFromDayNumbersAndTicks) {
    const auto recs = Decode(Day(kNewYear2009) + Depth(kTenHalfMinute, 1234));
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].Time, civil::FromFields(2009, 1, 1, 10, 0, 30));
    EXPECT_EQ(recs[0].Flags, REC_DEPTH);
    EXPECT_EQ(recs[0].Depth, 1234);
    // Nineteen ticks a second: 1124 is still second 59, 1125 the next minute; before any
    // day code the day is 1 January 1984.
    EXPECT_EQ(CVKDownLoad::DumpTime(0, 1124), civil::FromFields(1984, 1, 1, 0, 0, 59));
    EXPECT_EQ(CVKDownLoad::DumpTime(0, 1125), civil::FromFields(1984, 1, 1, 0, 1, 0));
    // The sounder's clock is wall-clock time: a summer day is not an hour off.
    const int64_t july = CVKDownLoad::DumpTime(kNewYear2009 + 181, 1125 * 600);
    EXPECT_EQ(civil::Format("%Y-%m-%d %H:%M:%S", july), "2009-07-01 10:00:00");
}

TEST(DumpDecoder, EveryCodeAndLineBreaksBetweenRecords) {
    const std::string records[] = {
        Day(kNewYear2009), Depth(kTenHalfMinute, 500),
        "05" + Hex(kTenHalfMinute + 19, 4) + Hex(510, 2) + Hex(77, 1),
        "03" + Hex(kTenHalfMinute + 38, 4) + Hex(3, 2),
        "06" + Hex(kTenHalfMinute + 57, 4) + Hex(static_cast<uint16_t>(-45), 2) + Hex(1, 2) + Hex(2, 2),
        Position(kTenHalfMinute + 76, "5130.1234N00012.3456W12.3"),
        Position(kTenHalfMinute + 95, "5130.1234n00012.3456W"),  // no record, no stop
        "FF00"};                                                  // codes of no record
    std::string oneLine, lines;
    for (const std::string& r : records) {
        oneLine += r;
        lines += r + "\r\n";
    }
    const auto a = Decode(oneLine);
    EXPECT_EQ(Decode(lines), a);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[1].Depth, 510);
    EXPECT_EQ(a[1].Quality, 77);
    EXPECT_EQ(a[2].Flags, REC_EVENT);
    EXPECT_EQ(a[2].Depth, 3);
    EXPECT_EQ(a[3].Flags, REC_TIDE);
    EXPECT_EQ(a[3].Tide, -45);
    EXPECT_EQ(a[4].Flags, REC_POSITION | REC_GEOGRAPHIC);
    EXPECT_EQ(a[4].Y, 515020566);
    EXPECT_EQ(a[4].X, -2057600);
    EXPECT_EQ(a[4].Z, 1230);
    EXPECT_EQ(a[4].Time, civil::FromFields(2009, 1, 1, 10, 0, 34));
    EXPECT_EQ(Decode(oneLine, false)[4].Z, 0);
}

// A record whose field fails is still made, with what was last read for that field,
// and the decoding ends there.
TEST(DumpDecoder, AFailedFieldEndsTheDecodingAfterItsRecord) {
    auto recs = Decode(Depth(19, 300) + "02" + Hex(38, 4) + "ZZZZ" + Depth(57, 400));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1].Time, civil::FromFields(1984, 1, 1, 0, 0, 2));
    EXPECT_EQ(recs[1].Depth, 300);
    // The dump ends inside the ticks: a record at the time last read (none: 0).
    recs = Decode("02" + Hex(19, 2));
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].Time, 0);
    // Inside a code byte, a day number or the length of a position: nothing.
    EXPECT_TRUE(Decode("0").empty());
    EXPECT_TRUE(Decode("01ZZ00" + Depth(19, 1)).empty());
    EXPECT_TRUE(Decode("04" + Hex(19, 4)).empty());
    // A pair that fails inside a position text is passed over but counts.
    std::string spoilt = Position(0, "5130N00012E");
    spoilt.replace(12, 2, "\r\n");
    recs = Decode(spoilt + Depth(0, 9));
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].Y, 15000000);  // "130N00012E": 1 degree 30 minutes
}

TEST(DumpDecoder, HexPairsReadAsPercentXReadsThem) {
    ScriptedPort port;
    CVKDownLoad d(port);
    const struct {
        const char* pair;
        bool ok;
        uint8_t value;
    } cases[] = {{"7f", true, 0x7F}, {" A", true, 0x0A}, {"A ", true, 0x0A}, {"-1", true, 0xFF},
                 {"AG", true, 0x0A}, {"\r\n", false, 0x55}, {"G1", false, 0x55}};
    for (const auto& c : cases) {
        d.Attach(c.pair);
        uint8_t b = 0x55;
        EXPECT_EQ(d.ReadHexByte(b), c.ok) << c.pair;
        EXPECT_EQ(b, c.value) << c.pair;
    }
    EXPECT_EQ(d.EndOfData, 0);
    // Every byte of a value is read; a failed one keeps its part of the value.
    d.Attach("0102\r\n04");
    uint32_t w = 0xAABBCCDD;
    EXPECT_FALSE(d.ReadHex32(w));
    EXPECT_EQ(w, 0x0102CC04u);
    d.Attach("01A");
    EXPECT_FALSE(d.ReadHex32(w));
    EXPECT_EQ(d.EndOfData, 1);
}

TEST(DumpDecoder, PositionTexts) {
    int32_t lat = 1, lon = 1, h = 1;
    ASSERT_TRUE(CVKDownLoad::ParsePositionText("5130.1234S00012.3456E", lat, lon, h));
    EXPECT_EQ(lat, -515020566);
    EXPECT_EQ(lon, 2057600);
    EXPECT_EQ(h, 0);
    // By position: the first number is the latitude whatever letter follows it; a
    // fourth field is read and ignored.
    ASSERT_TRUE(CVKDownLoad::ParsePositionText("5130.1234E00012.3456N-2.5N7", lat, lon, h));
    EXPECT_EQ(lat, 515020566);
    EXPECT_EQ(h, -250);
    for (const char* bad : {"5130.1234n00012.3456W", "5130.1234N 00012.3456W", "5130.1234N,00012.3456W",
                            "5130.1234N00012.3456", "", "5130N00012W12N7E8", "5130N00012WNNNNNNNNNNNN"})
        EXPECT_FALSE(CVKDownLoad::ParsePositionText(bad, lat, lon, h)) << bad;
}

TEST(DumpDecoder, FileAsksAboutHeightsAndSaysAllDone) {
    test::TempDir dir;
    ScriptedPort port;
    port.answers = {false};
    CVKDownLoad d(port);
    int err = 0;
    ASSERT_TRUE(d.Open(dir.Write("s.hex", Position(0, "5130N00012W12.3") + "\r\n"), err));
    std::vector<CVKData> recs;
    d.ReadDump(recs);
    EXPECT_EQ(port.questions, std::vector<std::string>{"Use GPS heights, if present ?"});
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"All done"});
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].Z, 0);
    EXPECT_FALSE(d.Open(dir.Path("none.hex"), err));
    EXPECT_EQ(err, ENOENT);
}

// Read from its file or decoded in memory, a dump gives the same records, damaged ones too.
TEST(DumpDecoder, FileAndMemoryAgree) {
    const std::string damaged =
        "01230123AC\r\n050AC\r\n05000A4EF201905A\r\n05000A4\xff" "00A4EF201905A\r\n05000A4F0501"
        "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff" "0915A\r\n02";
    for (const std::string& dump : {damaged, Day(kNewYear2009) + Depth(kTenHalfMinute, 425) + "\r\n" + Depth(7, 1)}) {
        test::TempDir dir;
        ScriptedPort port;
        port.answers = {true};
        CVKDownLoad d(port);
        int err = 0;
        ASSERT_TRUE(d.Open(dir.Write("d.hex", dump), err));
        std::vector<CVKData> fromFile;
        d.ReadDump(fromFile);
        const std::vector<CVKData> inMemory = Decode(dump);
        ASSERT_EQ(fromFile.size(), inMemory.size());
        for (size_t i = 0; i < fromFile.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(fromFile[i].Time, inMemory[i].Time);
            EXPECT_EQ(fromFile[i].Depth, inMemory[i].Depth);
            EXPECT_EQ(fromFile[i].Flags, inMemory[i].Flags);
            EXPECT_EQ(fromFile[i].Quality, inMemory[i].Quality);
        }
    }
}

}  // namespace
}  // namespace aq
