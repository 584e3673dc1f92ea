// SPDX-License-Identifier: GPL-3.0-or-later
// Surveys and helpers shared by the coordinate-system tests.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/data.h"
#include "model/doc.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq::test {

constexpr int64_t kCrsT0 = 1246442400;

// A geographic survey at the given longitudes and latitudes: a position at each, a depth
// between each two, and one deleted position and one deleted depth among them.
inline void GeographicSurvey(CVKDoc& doc, const std::vector<std::pair<double, double>>& lonLat) {
    int64_t t = kCrsT0;
    for (size_t i = 0; i < lonLat.size(); ++i) {
        CVKData p = CVKData::OfPositionReal(t, lonLat[i].first, lonLat[i].second, 1.5, REC_POSITION | REC_GEOGRAPHIC, 0);
        if (i == 2) p.Flags |= REC_DELETED;
        doc.AddRecord(p);
        doc.KindFlags |= p.Flags & ~REC_DELETED;
        CVKData d = CVKData::OfDepth(t + 1, 1200 + static_cast<int>(i), 100, REC_DEPTH, 0);
        if (i == 3) d.Flags |= REC_DELETED;
        doc.AddRecord(d);
        doc.KindFlags |= REC_DEPTH;
        t += 2;
    }
    doc.NeedsSort = true;
    Recalculate(doc, test::Quiet());
}

// Points of the Channel coast and the Low Countries, all in UTM zone 31 (0 to 6 E).
inline std::vector<std::pair<double, double>> Zone31Points() {
    return {{1.2, 50.1}, {1.2003, 50.1002}, {1.8612, 50.9513}, {2.3522, 48.8566},
            {4.8952, 52.3702}, {5.3698, 43.2965}, {3.0, 45.0}, {0.4, 49.5}};
}

// What cs2cs says of coordinate pairs from one system to another, each in the system's
// own axis order (latitude first for EPSG:4326); empty when it cannot be run.
inline std::vector<std::pair<double, double>> Cs2cs(const std::string& from, const std::string& to,
                                                    const std::vector<std::pair<double, double>>& xy) {
    const std::string input = (std::filesystem::temp_directory_path() /
                               ("aquenta_cs2cs_" + std::to_string(::getpid()) + ".txt"))
                                  .string();
    {
        std::ofstream out(input);
        out.precision(12);
        for (const auto& [x, y] : xy) out << x << ' ' << y << '\n';
    }
    const std::string cmd = "cs2cs -f %.6f " + from + " " + to + " < " + input + " 2>/dev/null";
    std::vector<std::pair<double, double>> result;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, p)) {
            double a = 0, b = 0;
            std::istringstream in(line);
            if (in >> a >> b) result.emplace_back(a, b);
        }
        ::pclose(p);
    }
    std::filesystem::remove(input);
    return result;
}

}  // namespace aq::test
