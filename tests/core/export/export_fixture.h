// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/doc.h"
#include "model/scriptedport.h"
#include "support/builders.h"

namespace aq::test {

// A document with a recording port and a folder of its own for the files written.
class ExportTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("aquenta_export_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The lines of a file, which must all end in CR LF.
    static std::vector<std::string> Lines(const std::string& path) {
        const std::string text = Read(path);
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            EXPECT_NE(end, std::string::npos) << "last line without line end in " << path;
            if (end == std::string::npos) break;
            EXPECT_TRUE(end > start && text[end - 1] == '\r') << "line without CR in " << path;
            lines.push_back(text.substr(start, end - start - 1));
            start = end + 1;
        }
        return lines;
    }

    // Names in the folder, to see that nothing was left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }

    ScriptedPort port;
    CVKDoc doc;
    std::filesystem::path dir_;
};

// The record of the worked examples: a depth of 5 December 2009 10:30:45.67 at
// 1234.56 E, 6543.21 N, height 0, depth 3.45 m, tide 0.12 m, quality 98.
inline CVKData ExampleDepth() {
    CVKData r = CVKData::OfDepth(At(10, 30, 45), 345, 98, REC_DEPTH, 67);
    r.X = 123456;
    r.Y = 654321;
    r.Tide = 12;
    return r;
}

}  // namespace aq::test
