// SPDX-License-Identifier: GPL-3.0-or-later
// Our ASCII (*.s2k) export read back by the Vivoz(2000) import: every record written
// comes back with its kind, time, hundredths, quality and value.
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "export/textformats.h"
#include "import/sounderlogs.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

class AsciiRoundTrip : public testing::Test {
protected:
    AsciiRoundTrip() {}
    void Add(const CVKData& r) {
        doc.AddRecord(r);
        doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
    }
    // Exports the live records, imports the file into `back` and compares what the
    // file keeps of each record: the values of its own kind.
    void Check(bool geographic) {
        Recalculate(doc, port);
        std::vector<CVKData> written;
        for (const CVKData& r : doc.Records)
            if (!r.IsDeleted()) written.push_back(r);
        ASSERT_TRUE(ExportAscii(doc, dir.Path("s.s2k"), {}, port));
        ASSERT_EQ(ImportVivoz(back, dir.Path("s.s2k"), port), ImportResult::Imported);
        ASSERT_EQ(back.Records.size(), written.size());
        for (size_t i = 0; i < written.size(); ++i) {
            const CVKData &b = back.Records[i], &w = written[i];
            SCOPED_TRACE(AsciiLine(w, geographic));
            EXPECT_EQ(b.Flags, w.Flags);
            EXPECT_EQ(b.Time, w.Time);
            EXPECT_EQ(b.Hundredths, w.Hundredths);
            EXPECT_EQ(b.Quality, w.Quality);
            if (w.Has(REC_DEPTH | REC_EVENT)) {
                EXPECT_EQ(b.Depth, w.Depth);
            }
            if (w.Has(REC_TIDE)) {
                EXPECT_EQ(b.Tide, w.Tide);
            }
            if (w.Has(REC_POSITION)) {
                EXPECT_EQ(std::make_tuple(b.X, b.Y, b.Z), std::make_tuple(w.X, w.Y, w.Z));
            }
        }
    }
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc, back;
};

TEST_F(AsciiRoundTrip, GridSurvey) {
    const auto at = [](int month, int s) { return civil::FromFields(2009, month, 5, 10, 30, s); };
    CVKData pos = test::Pos(at(12, 1), 123456, 654321, -87, 67);
    pos.Quality = 12;
    for (const CVKData& r : {test::Depth(at(12, 1), 345, 29, 98), pos, test::Tide(at(12, 2), 115, 99),
                             test::Tide(at(12, 3), -45, 1), test::Event(at(12, 4), 3),
                             test::Deleted(test::Depth(at(12, 5), 777)),
                             test::Pos(at(12, 7), -100001, 99999999, 123456),
                             test::Depth(at(7, 8), 1029, 57, 255)})  // a summer day both ways
        Add(r);
    Check(false);
}

// Every second with every hundredth (3.01 s is 3.00999... as a double), and depths and
// tides from -30.00 m to 29.99 m (1.15 m is 1.14999...).
TEST_F(AsciiRoundTrip, EveryHundredthAndCentimetre) {
    for (int s = 0; s < 60; ++s)
        for (int h = 0; h < 100; ++h) {
            const int64_t t = civil::FromFields(2009, 12, 5, 10, 30, s);
            const int v = s * 100 + h - 3000;
            const auto hh = static_cast<uint8_t>(h);
            Add(h % 2 ? test::Depth(t, v, hh, static_cast<uint8_t>(s)) : test::Tide(t, v, hh));
        }
    Check(false);
}

TEST_F(AsciiRoundTrip, GeographicSurvey) {
    const auto at = [](int s) { return civil::FromFields(2009, 12, 5, 23, 59, s); };
    Add(CVKData::OfPosition(at(58), -1234567891, 515020566, 1230, REC_POSITION | REC_GEOGRAPHIC, 3));
    Add(CVKData::OfPosition(at(59), 1799999999, -899999999, -5, REC_POSITION | REC_GEOGRAPHIC, 97));
    Add(test::Depth(at(59), 2000, 50, 7));
    Check(true);
    EXPECT_TRUE(back.IsGeographic());
}

}  // namespace
}  // namespace aq
