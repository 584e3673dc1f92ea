// SPDX-License-Identifier: GPL-3.0-or-later
// Column files, tide tables, sounder logs and dumps that are not what they claim:
// binary bytes, lines cut short, overlong lines. The readers stay within their lines
// and buffers (the sanitizer build checks that) and make only records of a kind.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "device/vkdownload.h"
#include "import/formatted.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

TEST(HostileText, NoiseAndLinesCutShort) {
    ScriptedPort port;
    CVKDoc doc;
    CFormImport layout = CFormImport::UsArmy(true);
    AsciiRecordReader ascii(doc);
    TideReader tide(doc, port);
    VkRawReader vk(doc, true);
    WtRawReader wt(doc);
    CVKDownLoad dump(port);
    std::vector<CVKData> dumped;
    std::vector<std::string> inputs;
    std::mt19937 gen(1);
    for (size_t n = 1; n < 1400; n += 7) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(gen() & 0xFF);
        inputs.push_back(s);
    }
    for (const std::string line : {"D 1 2 3 4 5 60 2009 12 5 10 30 7.25", "T 10 30 00 H 1.25 F 0",
                                   "G 5130.1234N00012.3456W12.3", "0123AC0400000000195130"})
        for (size_t n = 0; n <= line.size(); ++n) inputs.push_back(line.substr(0, n));  // its own copy
    for (const std::string& in : inputs) {
        if (layout.ParseLine(in)) ascii.Line(layout.Line, false);
        ascii.Line(in, true);
        tide.Line(in);
        vk.Line(in);
        wt.Line(in);
        dump.Decode(in, dumped, true);
    }
    const auto kinds = {REC_DEPTH, REC_TIDE, REC_POSITION, REC_EVENT, uint16_t(REC_POSITION | REC_GEOGRAPHIC)};
    for (const CVKData& r : doc.Records) EXPECT_NE(std::find(kinds.begin(), kinds.end(), r.Flags), kinds.end());
    for (const CVKData& r : dumped) EXPECT_NE(std::find(kinds.begin(), kinds.end(), r.Flags), kinds.end());
    int32_t a, b, c;
    EXPECT_FALSE(CVKDownLoad::ParsePositionText(std::string("5130N\0" "00012W", 12), a, b, c));
}

TEST(HostileText, OverlongLinesComeInPieces) {
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    // A megabyte without a line break, then good lines: the good lines still count.
    std::string text(1 << 20, '7');
    text += "\n2009 12 5 10 0 0 1.25\n10 15 0 1.30\n";
    ASSERT_EQ(ImportTide(doc, dir.Write("long.tid", text), port), ImportResult::Imported);
    ASSERT_EQ(doc.Records.size(), 2u);
    EXPECT_EQ(doc.Records[1].Tide, 130);
    // A dump of noise ends, and says so.
    port.answers = {true};
    std::string noise(1 << 16, '\0');
    std::mt19937 gen(7);
    for (char& ch : noise) ch = static_cast<char>(gen() & 0xFF);
    ASSERT_EQ(ImportVkRaw(doc, dir.Write("noise.hex", noise), port), ImportResult::Imported);
    EXPECT_EQ(port.Texts().back(), "All done");
}

}  // namespace
}  // namespace aq
