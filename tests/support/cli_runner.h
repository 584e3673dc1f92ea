// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built aquenta-cli in a temporary folder and captures what it prints.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace aq::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep)) parts.push_back(part);
    return parts;
}

inline std::vector<std::string> Lines(const std::string& s) { return Split(s, '\n'); }

// name=value lines of a listing (lines holding a tab are table rows, not values).
inline std::map<std::string, std::string> Values(const std::string& out) {
    std::map<std::string, std::string> v;
    for (const std::string& line : Lines(out)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line.find('\t') == std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return v;
}

// A fresh folder per test, named after it, and the command line run inside it.
class CliFixture : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("aquenta_cli_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    CliResult Run(const std::vector<std::string>& args) const {
        std::string cmd = ShellQuote(AQUENTA_CLI);
        for (const auto& a : args) cmd.append(" ").append(ShellQuote(a));
        cmd.append(" </dev/null >").append(ShellQuote(File("stdout"))).append(" 2>").append(ShellQuote(File("stderr")));
        const int status = std::system(cmd.c_str());
        CliResult r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadAll(File("stdout"));
        r.err = ReadAll(File("stderr"));
        return r;
    }

    std::filesystem::path dir_;
};

}  // namespace aq::test
