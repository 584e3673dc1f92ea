// SPDX-License-Identifier: GPL-3.0-or-later
// Layouts, layout files, the column parser, the ASCII record reader and the Formatted
// and US Army imports.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/import/import_support.h"
#include "import/formatted.h"
#include "model/civiltime.h"
#include "model/scriptedport.h"

namespace aq {
namespace {

CFormImport Layout(int32_t type, std::initializer_list<std::pair<LayoutColumn, int32_t>> columns) {
    CFormImport l;
    l.SetType(type);
    for (const auto& [c, n] : columns) l.SetColumn(c, n);
    l.UpdateMaxColumn();
    return l;
}

TEST(ColumnParser, SplittingDefaultsAndRefusal) {
    CFormImport l = Layout(LAYOUT_COORDINATE, {{COL_NORTHING, 1}, {COL_EASTING, 2}, {COL_ELEVATION, 3}});
    ASSERT_TRUE(l.ParseLine("N 1234.5, E 678.9 Z 12"));
    EXPECT_EQ(l.Line, "P 678.9 1234.5 12 0.0 0.0 2000 1 1 0 0 0");
    ASSERT_TRUE(l.ParseLine("x-1.5\t+2,e3"));  // signs belong to the number
    EXPECT_EQ(l.Line, "P +2 -1.5 3 0.0 0.0 2000 1 1 0 0 0");
    // The seconds column is followed by a blank like every other column.
    CFormImport t = Layout(LAYOUT_TIDE, {{COL_TIDE, 1}, {COL_SECONDS, 2}});
    ASSERT_TRUE(t.ParseLine("1.25 30"));
    EXPECT_EQ(t.Line, "T 0.0 0.0 0.0 0.0 1.25 2000 1 1 0 0 30 ");

    CFormImport d = Layout(LAYOUT_DEPTH, {{COL_DEPTH, 5}});
    EXPECT_FALSE(d.ParseLine("1 2 3 4"));
    EXPECT_TRUE(d.ParseLine("1 2 3 4 5.5"));
    // A stale MaxColumn or a column no layout has never reads past the numbers found.
    d.MaxColumn = 0;
    EXPECT_FALSE(d.ParseLine("1 2 3 4"));
    d.SetColumn(COL_TIDE, 21);
    EXPECT_FALSE(d.ParseLine("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22"));
}

TEST(ColumnParser, AGridPositionOfTheDefaultDate) {
    CFormImport l = Layout(LAYOUT_COORDINATE, {{COL_EASTING, 2}, {COL_NORTHING, 1}});
    ASSERT_TRUE(l.ParseLine("100.5 200.25"));
    EXPECT_EQ(l.Line, "P 200.25 100.5 0.0 0.0 0.0 2000 1 1 0 0 0");
    CVKDoc doc;
    ASSERT_TRUE(AsciiRecordReader(doc).Line(l.Line, false));
    ASSERT_EQ(doc.Records.size(), 1u);
    EXPECT_EQ(doc.Records[0].Flags, REC_POSITION);
    EXPECT_EQ(doc.Records[0].X, 20025);
    EXPECT_EQ(doc.Records[0].Y, 10050);
    EXPECT_EQ(doc.Records[0].Time, civil::FromFields(2000, 1, 1, 0, 0, 0));
}

TEST(ColumnParser, UsArmyExampleLine) {
    for (bool heights : {true, false}) {
        CFormImport l = CFormImport::UsArmy(heights);
        ASSERT_TRUE(l.ParseLine("500.1,600.2,3.5,4.25,0.5,12,5,2009,10,30,45.5"));
        CVKDoc doc;
        ASSERT_TRUE(AsciiRecordReader(doc).Line(l.Line, false));
        ASSERT_EQ(doc.Records.size(), 3u);
        for (const CVKData& r : doc.Records) {
            EXPECT_EQ(r.Time, civil::FromFields(2009, 12, 5, 10, 30, 45));
            EXPECT_EQ(r.Hundredths, 50);
        }
        EXPECT_EQ(doc.Records[0].Flags, REC_POSITION);
        EXPECT_EQ(doc.Records[0].X, 50010);  // not 50009: 500.1 is 500.0999... as a double
        EXPECT_EQ(doc.Records[0].Y, 60020);
        EXPECT_EQ(doc.Records[0].Z, heights ? 350 : 0);
        EXPECT_EQ(doc.Records[1].Depth, 425);
        EXPECT_EQ(doc.Records[2].Tide, 50);
        EXPECT_EQ(doc.KindFlags, REC_POSITION | REC_DEPTH | REC_TIDE);
    }
}

TEST(AsciiRecordReader, EveryKindLetter) {
    CVKDoc doc;
    AsciiRecordReader reader(doc);
    const std::string fields = " 12.3456789 -1.5 2.25 3.45 -0.12 98 2009 12 05 10 30 45.29";
    for (char kind : std::string("DTPLEXWQ ")) ASSERT_TRUE(reader.Line(kind + fields, true));
    const std::vector<uint16_t> flags = {REC_DEPTH,    REC_TIDE,  REC_POSITION, REC_POSITION | REC_GEOGRAPHIC,
                                         REC_EVENT,    REC_POSITION, REC_DEPTH, REC_TIDE,
                                         REC_POSITION | REC_GEOGRAPHIC, REC_DEPTH, REC_TIDE};
    ASSERT_EQ(doc.Records.size(), flags.size());  // Q and a blank add nothing
    for (size_t i = 0; i < flags.size(); ++i) {
        const CVKData& r = doc.Records[i];
        EXPECT_EQ(r.Flags, flags[i]) << i;
        EXPECT_EQ(r.Time, civil::FromFields(2009, 12, 5, 10, 30, 45)) << i;
        EXPECT_EQ(r.Hundredths, 29) << i;  // not 28: 45.29 - 45 is 0.28999...
        EXPECT_EQ(r.Quality, 98) << i;
    }
    EXPECT_EQ(doc.Records[0].Depth, 345);
    EXPECT_EQ(doc.Records[1].Tide, -12);
    EXPECT_EQ(doc.Records[2].X, 1234);
    EXPECT_EQ(doc.Records[2].Y, -150);
    EXPECT_EQ(doc.Records[2].Z, 225);
    EXPECT_EQ(doc.Records[3].X, 123456789);
    EXPECT_EQ(doc.Records[3].Y, -15000000);
    EXPECT_EQ(doc.Records[4].X, 1234);  // an event's position is on the grid scale
    EXPECT_EQ(doc.Records[4].Depth, 345);
}

TEST(AsciiRecordReader, NeedsTwelveValues) {
    CVKDoc doc;
    AsciiRecordReader reader(doc);
    EXPECT_FALSE(reader.Line("D 1 2 3 4 5 2009 12 5 10 30", false));
    EXPECT_TRUE(reader.Line("D 1 2 3 4 5 2009 12 5 10 30 7", false));
    // With quality, twelve values leave the seconds at 0.
    EXPECT_TRUE(reader.Line("D 1 2 3 4 5 60 2009 12 5 10 30", true));
    EXPECT_FALSE(reader.Line("D 1 2 3 4 5 2009.5 12 5 10 30 7", false));  // a real stops %d
    EXPECT_FALSE(reader.Line("Deleted", true));
    ASSERT_EQ(doc.Records.size(), 2u);
    EXPECT_EQ(doc.Records[1].Time, civil::FromFields(2009, 12, 5, 10, 30, 0));
    // Values far out of range are clamped, not wrapped.
    ASSERT_TRUE(reader.Line("D 0 0 0 1e9 0 999 2009 12 5 10 30 7", true));
    EXPECT_EQ(doc.Records.back().Depth, INT16_MAX);
    EXPECT_EQ(doc.Records.back().Quality, 255);
}

TEST(LayoutFile, BytesAndLoadingBack) {
    CFormImport l = Layout(LAYOUT_LATLON, {{COL_EASTING, 2}, {COL_NORTHING, 1}, {COL_SECONDS, 20}});
    l.Description = "GPS log";
    const std::vector<uint8_t> want = {1, 0, 0, 0, 2, 'L', ' ', 7, 'G', 'P', 'S', ' ', 'l', 'o', 'g',  //
                                       2, 0, 0, 0, 1, 0, 0, 0,  // easting and northing columns
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       20, 0, 0, 0};
    EXPECT_EQ(LayoutBytes(l), want);

    test::TempDir dir;
    ScriptedPort port;
    l.Description = std::string(70000, 'x');  // the longest length form
    ASSERT_TRUE(SaveLayout(l, dir.Path("l.fmt"), port));
    CFormImport loaded;
    ASSERT_TRUE(LoadLayout(loaded, dir.Path("l.fmt"), port));
    loaded.UpdateMaxColumn();
    EXPECT_EQ(loaded, l);
    EXPECT_TRUE(port.messages.empty());
    EXPECT_FALSE(SaveLayout(l, dir.Path("no/folder/x.fmt"), port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{dir.Path("no/folder/x.fmt") + " was not found."});
}

TEST(LayoutFile, ABadFileKeepsTheFieldsReadBeforeTheFault) {
    test::TempDir dir;
    ScriptedPort port;
    CFormImport good = Layout(LAYOUT_DEPTH, {{COL_DEPTH, 3}, {COL_HOUR, 1}});
    good.Description = "echo";
    std::vector<uint8_t> bytes = LayoutBytes(good);
    // Cut inside the fourth column number: the type, the texts and three columns stay.
    CFormImport l = Layout(LAYOUT_COORDINATE, {{COL_EASTING, 9}, {COL_DEPTH, 9}});
    EXPECT_FALSE(LoadLayout(l, dir.Write("cut.fmt", std::string(bytes.begin(), bytes.begin() + 26)), port));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"Unexpected file format."});
    EXPECT_EQ(l.TypePrefix, "D ");
    EXPECT_EQ(l.Description, "echo");
    EXPECT_EQ(l.Column(COL_EASTING), 0);
    EXPECT_EQ(l.Column(COL_DEPTH), 9);

    // A column past 20, an unknown type, a text longer than the file.
    bytes[12] = 21;
    for (const std::vector<uint8_t>& bad :
         {bytes, std::vector<uint8_t>{7, 0, 0, 0, 0, 0}, std::vector<uint8_t>{0, 0, 0, 0, 200, 'P'}}) {
        CFormImport x;
        EXPECT_FALSE(LoadLayout(x, dir.Write("bad.fmt", std::string(bad.begin(), bad.end())), port));
    }
    EXPECT_EQ(port.Texts(), std::vector<std::string>(4, "Unexpected file format."));
}

TEST(FormattedImport, AsksBeforeReadingAFileAgain) {
    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    const std::string path = dir.Write("d.txt", "time 10:30:00 depth 4.25\r\nno numbers\r\n10:30:01 4.5\r\n");
    const CFormImport l = Layout(LAYOUT_DEPTH, {{COL_HOUR, 1}, {COL_MINUTE, 2}, {COL_SECONDS, 3}, {COL_DEPTH, 4}});
    ASSERT_EQ(ImportFormatted(doc, path, l, port), ImportResult::Imported);
    ASSERT_EQ(doc.Records.size(), 2u);
    EXPECT_EQ(doc.Records[1].Time, civil::FromFields(2000, 1, 1, 10, 30, 1));
    EXPECT_EQ(doc.CountDepth, 2);
    port.answers = {false, true};
    EXPECT_EQ(ImportFormatted(doc, path, l, port), ImportResult::Refused);
    EXPECT_EQ(ImportFormatted(doc, path, l, port), ImportResult::Imported);
    EXPECT_EQ(doc.Records.size(), 4u);
    EXPECT_EQ(port.questions, std::vector<std::string>(2, path + "\nAlready Imported - Continue Y/N"));
    EXPECT_EQ(doc.ImportedFiles, path + "\n" + path + "\n");
}

}  // namespace
}  // namespace aq
