// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the instrument files of a generated harbour survey:
//   make_demo_files [--records N | --seconds S] [--geographic] [--seed N]
//                   [--date YYYY-MM-DD] [--start-hour H] BASE
// gives BASE.brv (Brivel sounder log), BASE.nmea (GGA, ZDA, DPT) and BASE.tid (tide table).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "demo_gen.h"

namespace {

constexpr const char* kUsage =
    "usage: make_demo_files [--records N | --seconds S] [--geographic] [--seed N]\n"
    "                       [--date YYYY-MM-DD] [--start-hour H] BASE\n"
    "  --records N   about N Brivel blocks (11 a second of logging; default 3300)\n"
    "  --seconds S   S seconds of logging (8 hours a day, from the start hour)\n"
    "  --geographic  Brivel positions as longitude and latitude instead of grid metres\n"
    "writes BASE.brv, BASE.nmea and BASE.tid\n";

int Usage(const char* why) {
    std::fprintf(stderr, "make_demo_files: %s\n%s", why, kUsage);
    return 2;
}

bool ReadNumber(const char* text, unsigned long long& out) {
    char* end = nullptr;
    out = std::strtoull(text, &end, 10);
    return end && *end == '\0' && *text != '\0' && *text != '-';
}

// Writes beside the target and renames over it, so a failed run leaves no half file.
bool WriteFile(const std::string& path, bool (*write)(const aq::demo::Options&, const aq::demo::Sink&),
               const aq::demo::Options& options) {
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool written =
        write(options, [f](std::string_view s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); });
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    aq::demo::Options options;
    options.seconds = aq::demo::SecondsForBlocks(3300);
    std::string base;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        unsigned long long v = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--records" || arg == "--seconds" || arg == "--seed" || arg == "--start-hour") {
            if (!hasValue || !ReadNumber(argv[i + 1], v)) return Usage("a number must follow the option");
            ++i;
            if (arg == "--records") {
                if (v < 11) return Usage("--records must be 11 or more");
                options.seconds = aq::demo::SecondsForBlocks(v);
            } else if (arg == "--seconds") {
                if (v < 1) return Usage("--seconds must be 1 or more");
                options.seconds = v;
            } else if (arg == "--seed") {
                options.seed = v;
            } else {
                if (v > 23) return Usage("--start-hour must be 0-23");
                options.startHour = static_cast<int>(v);
            }
        } else if (arg == "--date") {
            int y = 0, m = 0, d = 0;
            if (!hasValue || std::sscanf(argv[i + 1], "%d-%d-%d", &y, &m, &d) != 3 || y < 1990 || y > 2100 || m < 1 ||
                m > 12 || d < 1 || d > 28)
                return Usage("--date must be YYYY-MM-DD from 1990 to 2100 (days 1-28)");
            ++i;
            options.year = y;
            options.month = m;
            options.day = d;
        } else if (arg == "--geographic") {
            options.geographic = true;
        } else if (arg.starts_with("-")) {
            return Usage(("unknown option " + std::string(arg)).c_str());
        } else if (base.empty()) {
            base = arg;
        } else {
            return Usage("only one BASE");
        }
    }
    if (base.empty()) return Usage("BASE missing");

    const struct {
        const char* ext;
        bool (*write)(const aq::demo::Options&, const aq::demo::Sink&);
    } files[] = {{".brv", aq::demo::WriteBrivel}, {".nmea", aq::demo::WriteNmea}, {".tid", aq::demo::WriteTide}};
    for (const auto& f : files) {
        const std::string path = base + f.ext;
        if (!WriteFile(path, f.write, options)) {
            std::fprintf(stderr, "make_demo_files: could not write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
