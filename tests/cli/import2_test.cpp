// SPDX-License-Identifier: GPL-3.0-or-later
// The layout verb and the formatted, US Army, tide, Vivoz(2000), VK Raw and WT Raw
// imports of aquenta-cli, run on the small files of tests/data/import2.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int code = -1;
    std::string out, err;
};

std::string ReadAll(const fs::path& p) {
    std::ostringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Data(const std::string& name) { return std::string(AQUENTA_TEST_DATA) + "/import2/" + name; }

class Import2Cli : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("aquenta_import2_cli_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    Result Run(const std::vector<std::string>& args) const {
        std::string cmd = Quote(AQUENTA_CLI) + " --tz GMT0BST,M3.5.0/1,M10.5.0";
        for (const auto& a : args) cmd.append(" ").append(Quote(a));
        cmd.append(" >").append(Quote(File("stdout"))).append(" 2>").append(Quote(File("stderr")));
        const int status = std::system(cmd.c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(File("stdout"));
        r.err = ReadAll(File("stderr"));
        return r;
    }

    fs::path dir_;
};

// The station log: date, time, northing, easting and height in nine columns.
const std::vector<std::string> kStationLayout = {"--type",   "coordinate", "--description", "Station log", "--day",
                                                 "1",        "--month",    "2",             "--year",      "3",
                                                 "--hour",   "4",          "--minute",      "5",           "--second",
                                                 "6",        "--northing", "7",             "--easting",   "8",
                                                 "--elevation", "9"};

TEST_F(Import2Cli, LayoutSaveShowAndFormattedImport) {
    std::vector<std::string> args = {"layout", "save", File("station.fmt")};
    args.insert(args.end(), kStationLayout.begin(), kStationLayout.end());
    args.insert(args.end(), {"layout", "show", File("station.fmt"), "import", "formatted", Data("columns.txt"),
                             "--layout", File("station.fmt"), "status", "info"});
    const Result r = Run(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Type: Coordinate Position (0)\nDescription: Station log\nEasting/Longitude: 8\nNorthing/Latitude: 7\n"
              "Elevation/Height: 9\nWater Depth: -\nTide Height: -\nDate(Year): 3\nDate(Month): 2\nDate(Day): 1\n"
              "Time(Hour): 4\nTime(Minute): 5\nTime(Seconds): 6\nLargest column: 9\n"
              // the line without easting and height is refused
              "0 Event, 0 Tide, 3 Fix, 0 Depth, 0 Deleted\nImported Files:\n" +
                  Data("columns.txt") + "\n");

    // Again: asked, and answered by the option after the file or by the run's answer.
    const std::string layout = File("station.fmt");
    Result again = Run({"import", "formatted", Data("columns.txt"), "--layout", layout, "import", "formatted",
                        Data("columns.txt"), "--layout", layout, "--no", "status"});
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.err, Data("columns.txt") + " Already Imported - Continue Y/N -> No\n");
    again = Run({"--yes", "import", "formatted", Data("columns.txt"), "--layout", layout, "import", "formatted",
                 Data("columns.txt"), "--layout", layout, "status"});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(again.out, "0 Event, 0 Tide, 6 Fix, 0 Depth, 0 Deleted\n");
}

TEST_F(Import2Cli, LayoutMistakes) {
    // Wrong use stops before anything runs.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"layout", "save", File("x.fmt")},                                   // no type
             {"layout", "save", File("x.fmt"), "--type", "depth", "--depth", "21"},
             {"layout", "save", File("x.fmt"), "--type", "coordinate", "--tide", "3"},  // not read by the type
             {"import", "formatted", Data("columns.txt")},                        // no layout
             {"import", "tide", Data("tide.tid"), "--layout", File("x.fmt")}})
        EXPECT_EQ(Run(args).code, 2) << args[3];
    EXPECT_FALSE(fs::exists(File("x.fmt")));

    std::ofstream(File("bad.fmt"), std::ios::binary) << "not a layout";
    Result r = Run({"layout", "show", File("bad.fmt")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Unexpected file format.\n");
    r = Run({"import", "formatted", Data("columns.txt"), "--layout", File("none.fmt"), "info"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, File("none.fmt") + " was not found.\n");
}

TEST_F(Import2Cli, QuestionsAreAnsweredAfterTheFile) {
    Result r = Run({"import", "usarmy", Data("army.txt"), "--gps-heights", "export", "csv", File("a.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Use GPS heights -> Yes\n");
    EXPECT_NE(ReadAll(File("a.csv")).find("T,05/12/2009 10:30:45,45.50,500.10,600.20,3.50,0.50,4.25,0"),
              std::string::npos);

    // VK Raw starts a new survey: the tides are gone; the jump and the fix after
    // 24:00:00 are left out.
    r = Run({"--no", "import", "tide", Data("tide.tid"), "import", "vkraw", Data("corrund.txt"), "--gps-heights",
             "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Use GPS heights, if present ? -> Yes\n");
    EXPECT_EQ(r.out, "0 Event, 0 Tide, 2 L/L, 3 Depth, 0 Deleted\n");
    EXPECT_EQ(Run({"import", "wtraw", Data("tevrant.txt"), "--yes"}).code, 2);  // it asks nothing
}

// The sounder's zero tides of an NMEA log and a tide table: the table replaces them only
// when the question is answered Yes.
TEST_F(Import2Cli, ATideTableReplacesTheSurveysTidesOnlyWithYes) {
    const std::string nmea = std::string(AQUENTA_TEST_DATA) + "/import/tiny.nmea";
    Result r = Run({"import", "nmea", nmea, "import", "tide", Data("tide.tid"), "status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\nThe survey holds 2 tide records. Replace them with the file's? -> No\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");

    r = Run({"import", "nmea", nmea, "import", "tide", Data("tide.tid"), "--yes", "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 Event, 4 Tide, 2 L/L, 2 Depth, 0 Deleted\n");
}

TEST_F(Import2Cli, TideVivozDumpAndTevrant) {
    Result r = Run({"import", "tide", Data("tide.tid"), "status", "import", "tide", Data("tide.tid")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "0 Event, 4 Tide, 0 Fix, 0 Depth, 0 Deleted\n");
    EXPECT_EQ(r.err, Data("tide.tid") + " Already Imported\n") << r.err;  // one reading of a table

    // Vivoz(2000) reads back what the ASCII export wrote.
    ASSERT_EQ(Run({"import", "usarmy", Data("army.txt"), "--yes", "export", "ascii", File("s.s2k"), "export", "csv",
                   File("a.csv")})
                  .code,
              0);
    r = Run({"import", "vivoz", File("s.s2k"), "export", "csv", File("b.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadAll(File("b.csv")), ReadAll(File("a.csv")));

    r = Run({"--no", "import", "vkraw", Data("corrund.hex"), "status", "export", "csv", File("d.csv")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Use GPS heights, if present ? -> No\nAll done\n");
    EXPECT_EQ(r.out, "1 Event, 1 Tide, 1 L/L, 3 Depth, 0 Deleted\n");
    EXPECT_NE(ReadAll(File("d.csv")).find("D,01/01/2009 10:00:30,30.00,"), std::string::npos);

    r = Run({"import", "vivoz", File("s.s2k"), "import", "wtraw", Data("tevrant.txt"), "status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 Event, 4 Tide, 0 Fix, 0 Depth, 0 Deleted\n");
    r = Run({"import", "vkraw", File("none.hex")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, File("none.hex") + " was not found.\n");
}

}  // namespace
