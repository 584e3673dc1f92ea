// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary files and hand-made Brivel blocks for the import tests.
#pragma once

#include <unistd.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace aq::test {

// A folder of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("aquenta_import_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // Writes the bytes to a file of the folder and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string p = (path_ / name).string();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// One 40-byte Brivel block.
struct Block {
    uint16_t year = 2009, month = 12, weekday = 6, day = 5, hour = 12, minute = 0, second = 5, ms = 0;
    double a = 0, b = 0;
    float c = 0;
    int16_t s = 0;
    uint8_t type = 0x10, quality = 90;

    std::string Bytes() const {
        std::string out(40, '\0');
        auto put = [&](size_t at, uint64_t v, int n) {
            for (int i = 0; i < n; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        put(0, year, 2);
        put(2, month, 2);
        put(4, weekday, 2);
        put(6, day, 2);
        put(8, hour, 2);
        put(10, minute, 2);
        put(12, second, 2);
        put(14, ms, 2);
        put(16, std::bit_cast<uint64_t>(a), 8);
        put(24, std::bit_cast<uint64_t>(b), 8);
        put(32, std::bit_cast<uint32_t>(c), 4);
        put(36, static_cast<uint16_t>(s), 2);
        out[38] = static_cast<char>(type);
        out[39] = static_cast<char>(quality);
        return out;
    }
};

inline Block DepthBlock(int cm, uint16_t second = 5, uint16_t ms = 0) {
    Block b;
    b.s = static_cast<int16_t>(cm);
    b.second = second;
    b.ms = ms;
    return b;
}

}  // namespace aq::test
