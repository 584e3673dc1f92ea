// SPDX-License-Identifier: GPL-3.0-or-later
// Our Geodimeter label file read back by our own reader.
#include <cstdlib>

#include <gtest/gtest.h>

#include "export/geotronics.h"
#include "export/textformats.h"
#include "export_fixture.h"
#include "import/gpsreceivers.h"
#include "processing/recalc.h"

namespace aq {
namespace {

using test::Append;

class RoundTrip : public test::ExportTest {};

// Each label line comes back as a position at its second, with the level as its
// height and its depth and tide; the reader truncates to centimetres, so a value
// may come back a centimetre short.
TEST_F(RoundTrip, GeodimeterLabelFile) {
    const auto at = [](int day, int h, int m, int s) { return civil::FromFields(2009, 12, day, h, m, s); };
    Append(doc, {test::Pos(at(5, 23, 59, 58), 4512345, 58012345, 1234), test::Depth(at(5, 23, 59, 59), 1029, 37),
                 test::Tide(at(6, 0, 0, 0), -45), test::Pos(at(6, 0, 0, 1), -4512395, 58012929, -87),
                 test::Deleted(test::Depth(at(6, 0, 0, 2), 333)), test::Depth(at(6, 0, 0, 3), 1, 99),
                 test::Pos(at(6, 0, 0, 4), 4512495, 58013029, 1200), test::Event(at(6, 0, 0, 5), 3)});
    Recalculate(doc, port);
    const std::vector<CVKData> written = [&] {
        std::vector<CVKData> w;
        for (const CVKData& r : doc.Records)
            if (!r.IsDeleted()) w.push_back(r);
        return w;
    }();
    const std::string path = File("survey.are");
    ASSERT_TRUE(ExportGeotronics(doc, path, {}, port));

    CVKDoc back;
    ScriptedPort backPort;
    ASSERT_EQ(ImportGeotronics(back, path, backPort), ImportResult::Imported);
    EXPECT_TRUE(backPort.messages.empty()) << backPort.messages[0].text;
    ASSERT_EQ(back.Records.size(), written.size());
    const auto near = [](int64_t got, double metres) {
        const int64_t want = std::llround(metres * 100);
        return got == want || got == want - (want > 0 ? 1 : -1);
    };
    for (size_t i = 0; i < written.size(); ++i) {
        const CVKData& w = written[i];
        const CVKData& b = back.Records[i];
        SCOPED_TRACE(AsciiLine(w, false));
        EXPECT_EQ(b.Time, w.Time);
        EXPECT_TRUE(b.Has(REC_POSITION));
        EXPECT_TRUE(near(b.X, CorrectedX(w, false))) << b.X;
        EXPECT_TRUE(near(b.Y, CorrectedY(w, false))) << b.Y;
        EXPECT_TRUE(near(b.Z, ExportedLevel(w))) << b.Z;
        EXPECT_TRUE(near(b.Depth, w.Depth / 100.0)) << b.Depth;
        EXPECT_TRUE(near(b.Tide, w.Tide / 100.0)) << b.Tide;
    }
}

}  // namespace
}  // namespace aq
