// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open of files that are no document. Found measuring the readers on garbage:
// the whole file was read into memory before its first bytes were looked at, so a
// large file of garbage took as much memory as it was long. Now bytes that cannot begin
// a document are refused on those few, as the loader refuses them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "io/document.h"
#include "model/archive.h"
#include "model/docfile.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq {
namespace {

namespace fs = std::filesystem;

class DocFileRegression : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("aquenta-docfile-regression-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::vector<uint8_t>& bytes) const {
        const std::string path = (dir / "file.son").string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // A document with something of everything to lose, control points included.
    static void Previous(CVKDoc& doc) {
        test::Append(doc, {test::Depth(test::At(9, 0, 0), 100)});
        doc.InterpLimit = 77;
        doc.PathName = "/previous.son";
        doc.Control.Points.resize(1);
        doc.Control.Points[0].Name = "previous";
    }

    fs::path dir;
};

std::vector<uint8_t> Announcement(const char* name) {
    ArchiveWriter ar;
    ar.ObjectTag(name, 4);
    return ar.Data();
}

TEST_F(DocFileRegression, StartsNoDocumentHasAreRefusedAsTheLoaderRefusesThem) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool keepsControl;  // the previous control points stay
    };
    std::vector<Case> cases;
    auto point = Announcement("ClsqData");
    point[6 + 3] = 'X';  // "ClsXData"
    cases.push_back({"unknown class of the first control point", {0x01, 0x00}, true});
    cases.back().bytes.insert(cases.back().bytes.end(), point.begin(), point.end());
    cases.push_back({"record class among the control points", {0x02, 0x00}, true});
    for (uint8_t b : Announcement("CVKData")) cases.back().bytes.push_back(b);
    cases.push_back({"schema 5 of the first record", {0x00, 0x00, 0x01, 0x00}, false});
    for (uint8_t b : Announcement("CVKData")) cases.back().bytes.push_back(b);
    cases.back().bytes[4 + 2] = 5;
    cases.push_back({"a reference before any class", {0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00, 0x01, 0x80},
                     false});
    cases.push_back({"text", {'$', 'G', 'P', 'G', 'G', 'A', ',', '1', '2', '0', '0', '0', '0'}, true});

    for (Case& c : cases) {
        // Garbage after the start, as much again as the loader could want.
        c.bytes.resize(c.bytes.size() + 4096, 0xA5);
        const std::string path = Write(c.bytes);
        ScriptedPort port;
        CVKDoc doc;
        Previous(doc);
        EXPECT_FALSE(OpenDocument(doc, path, port)) << c.what;
        EXPECT_EQ(port.Texts(), std::vector<std::string>{"Unexpected file format."}) << c.what;
        EXPECT_TRUE(doc.Records.empty()) << c.what;
        EXPECT_EQ(doc.InterpLimit, 10) << c.what;
        EXPECT_EQ(doc.PathName, "") << c.what;
        EXPECT_EQ(doc.Control.Points.size(), c.keepsControl ? 1u : 0u) << c.what;

        // The loader on the whole file does the same.
        CVKDoc direct;
        Previous(direct);
        EXPECT_FALSE(LoadDocumentBytes(direct, c.bytes.data(), c.bytes.size())) << c.what;
        EXPECT_EQ(direct.Control.Points.size(), doc.Control.Points.size()) << c.what;
    }
}

TEST_F(DocFileRegression, ADocumentFollowedByAnythingStillOpens) {
    CVKDoc saved;
    test::Append(saved, {test::Depth(test::At(9, 0, 0), 120), test::Pos(test::At(9, 0, 1), 5, 6)});
    std::vector<uint8_t> bytes = SaveDocumentBytes(saved);
    bytes.resize(bytes.size() + 100000, 0x5A);
    CVKDoc doc;
    ASSERT_TRUE(OpenDocument(doc, Write(bytes), test::Quiet()));
    EXPECT_EQ(doc.Records.size(), 2u);
}

TEST_F(DocFileRegression, AHugeFileOfGarbageIsRefusedWithoutReadingIt) {
    // 3 GiB, but sparse: it costs the disk nothing, and reading it whole would cost as
    // much memory as its length.
    const std::string path = Write({'N', 'O', 'T', ' ', 'A', ' ', 'S', 'U', 'R', 'V', 'E', 'Y'});
    std::error_code ec;
    fs::resize_file(path, uint64_t{3} << 30, ec);
    struct stat st {};
    if (ec || ::stat(path.c_str(), &st) != 0 || st.st_blocks * 512 > (1 << 20))
        GTEST_SKIP() << "no sparse files here";
    ScriptedPort port;
    CVKDoc doc;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(OpenDocument(doc, path, port));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(port.Texts(), std::vector<std::string>{"Unexpected file format."});
}

}  // namespace
}  // namespace aq
