// SPDX-License-Identifier: GPL-3.0-or-later
// The plot verb: pictures of the views as printed, from the command line.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace fs = std::filesystem;

namespace {

struct Ran {
    int code = -1;
    std::string err;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Shell(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

#ifdef AQUENTA_PLOT
size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Width and height from a PNG's header chunk.
std::pair<uint32_t, uint32_t> PngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0) return {0, 0};
    const auto be = [&](size_t at) {
        return (uint32_t{static_cast<uint8_t>(png[at])} << 24) | (uint32_t{static_cast<uint8_t>(png[at + 1])} << 16) |
               (uint32_t{static_cast<uint8_t>(png[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(png[at + 3])};
    };
    return {be(16), be(20)};
}
#endif

class PlotCliTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("aquenta_plot_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // A two-hour survey: positions every minute, depths every ten seconds, tides.
        aq::CVKDoc doc;
        const int64_t t0 = 1246442400;
        for (int s = 0; s < 7200; s += 10) {
            if (s % 60 == 0)
                doc.AddRecord(aq::CVKData::OfPosition(t0 + s, 100000 + s * 10, 200000 + (s % 600) * 20, 50,
                                                      aq::REC_POSITION, 0));
            doc.AddRecord(aq::CVKData::OfDepth(t0 + s, 400 + (s / 10) % 90, 100, aq::REC_DEPTH, 0));
            if (s % 1200 == 0) doc.AddRecord(aq::CVKData::OfKind(t0 + s, 80, aq::REC_TIDE, 0));
        }
        for (const aq::CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
        aq::Recalculate(doc, aq::test::Quiet());
        survey_ = (dir_ / "survey.son").string();
        ASSERT_TRUE(aq::SaveDocument(doc, survey_, aq::test::Quiet()));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    Ran Run(const std::vector<std::string>& args) const {
        std::string cmd = Shell(AQUENTA_CLI) + " --tz UTC open " + Shell(survey_);
        for (const auto& a : args) cmd.append(" ").append(Shell(a));
        cmd.append(" >/dev/null 2>").append(Shell(File("stderr")));
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(File("stderr"))};
    }

    fs::path dir_;
    std::string survey_;
};

#ifdef AQUENTA_PLOT

TEST_F(PlotCliTest, ImagesSvgAndPdfAsPrinted) {
    Ran r = Run({"plot", "plan", File("plan.png"), "--size", "640x400", "plot", "section", File("section.svg"),
                 "--title", "Harbour & quay", "plot", "section", File("section.pdf"), "--pages", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PngSize(Slurp(File("plan.png"))), (std::pair<uint32_t, uint32_t>{640, 400}));

    const std::string svg = Slurp(File("section.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Harbour &amp; quay"), std::string::npos);  // the print title
    EXPECT_NE(svg.find(">10:00<"), std::string::npos);              // time labels on paper
    EXPECT_EQ(svg.find("(page"), std::string::npos);

    const std::string pdf = Slurp(File("section.pdf"));
    EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    EXPECT_EQ(Count(pdf, "/Type /Page\n"), 3u);
}

TEST_F(PlotCliTest, SectionPagesAsSeparateImages) {
    Ran r = Run({"plot", "section", File("s.png"), "--pages", "2", "--size", "300x200"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PngSize(Slurp(File("s-1.png"))), (std::pair<uint32_t, uint32_t>{300, 200}));
    EXPECT_EQ(PngSize(Slurp(File("s-2.png"))), (std::pair<uint32_t, uint32_t>{300, 200}));
    EXPECT_FALSE(fs::exists(File("s.png")));
}

TEST_F(PlotCliTest, RefusalsLeaveNoFile) {
    Ran r = Run({"plot", "plan", File("plan.gif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(".png, .svg or .pdf"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(File("plan.gif")));

    r = Run({"plot", "plan", File("missing/plan.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("could not write"), std::string::npos) << r.err;

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"plot", "map", File("p.png")},
             {"plot", "section", File("p.png"), "--pages", "0"},
             {"plot", "section", File("p.png"), "--pages", "101"},
             {"plot", "plan", File("p.png"), "--pages", "2"},
             {"plot", "plan", File("p.png"), "--size", "640"},
             {"plot", "plan", File("p.png"), "--size", "0x100"}}) {
        EXPECT_EQ(Run(args).code, 2) << testing::PrintToString(args);
        EXPECT_FALSE(fs::exists(File("p.png")));
    }
}

#else

TEST_F(PlotCliTest, SaysWhatIsMissingWithoutQt) {
    const Ran r = Run({"plot", "plan", File("plan.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("without Qt"), std::string::npos) << r.err;
}

#endif

}  // namespace
