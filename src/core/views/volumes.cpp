// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/volumes.h"

#include <cmath>
#include <cstdio>

#include "export/exportfile.h"

namespace aq {

std::string Fixed2(double v) {
    char text[64];
    // No "-0.00" for a tiny negative.
    if (std::fabs(v) < 0.005) v = 0;
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

double DifferencePercent(const VolumeFigures& row, const VolumeFigures& reference) {
    const double base = reference.cut + reference.fill;
    if (!(base > 0)) return 0;
    return (row.Net() - reference.Net()) / base * 100.0;
}

std::vector<std::vector<std::string>> VolumeTable(const std::vector<VolumeFigures>& rows) {
    bool overdepth = false;
    const VolumeFigures* reference = rows.empty() ? nullptr : &rows.front();
    for (const VolumeFigures& r : rows) {
        overdepth |= r.overdepth;
        if (r.method == "tin") reference = &r;
    }
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> header = {"method",       "cut_m3",       "fill_m3",      "net_m3",
                                       "cut_area_m2",  "fill_area_m2", "uncovered_m2", "diff_pct"};
    if (overdepth) {
        header.emplace_back("above_design_m3");
        header.emplace_back("overdepth_m3");
    }
    table.push_back(header);
    for (const VolumeFigures& r : rows) {
        std::vector<std::string> line = {r.method,          Fixed2(r.cut),      Fixed2(r.fill),
                                         Fixed2(r.Net()),   Fixed2(r.cutArea),  Fixed2(r.fillArea),
                                         Fixed2(r.uncovered), Fixed2(DifferencePercent(r, *reference))};
        if (overdepth) {
            line.push_back(Fixed2(r.cut));
            line.push_back(Fixed2(r.withinOverdepth));
        }
        table.push_back(std::move(line));
    }
    return table;
}

namespace {

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string Field(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string q(1, '"');
    for (const char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    q += '"';
    return q;
}

std::string Level(double v) {
    if (std::isnan(v)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

std::string Coordinate(double v) {
    char text[40];
    // Eastings and northings to the centimetre, degrees to a millimetre or so.
    if (std::fabs(v) >= 1000) std::snprintf(text, sizeof text, "%.2f", v);
    else std::snprintf(text, sizeof text, "%.8f", v);
    return text;
}

template <class Body>
std::string Write(const std::string& path, Body&& body) {
    exporting::ExportFile file(path);
    if (file.Open() && body(file) && file.Commit()) return {};
    return file.ErrorText();
}

}  // namespace

std::string WriteVolumeCsv(const VolumeReport& report, const std::string& path) {
    return Write(path, [&](exporting::ExportFile& file) {
        std::string& t = file.Text();
        for (const auto& [name, value] : report.inputs) {
            t += "input,";
            t += Field(name);
            t += ',';
            t += Field(value);
            t += '\n';
        }
        for (const std::vector<std::string>& row : VolumeTable(report.figures)) {
            for (size_t i = 0; i < row.size(); ++i) {
                if (i) t += ',';
                t += Field(row[i]);
            }
            t += '\n';
        }
        if (!report.sections.empty()) {
            t += "section,chainage_m,x,y,cut_area_m2,fill_area_m2,covered_width_m,width_m\n";
            size_t k = 0;
            for (const SectionProfile& s : report.sections) {
                t += std::to_string(++k) + "," + Fixed2(s.chainage) + "," + Coordinate(s.x) + "," + Coordinate(s.y) +
                     "," + Fixed2(s.cutArea) + "," + Fixed2(s.fillArea) + "," + Fixed2(s.coveredWidth) + "," +
                     Fixed2(s.width) + "\n";
            }
        }
        return file.Spill();
    });
}

std::string WriteSectionsCsv(const std::vector<SectionProfile>& sections, const std::string& path) {
    bool against = false, design = false;
    for (const SectionProfile& s : sections) {
        against |= !s.against.empty();
        design |= !s.design.empty();
    }
    return Write(path, [&](exporting::ExportFile& file) {
        std::string& t = file.Text();
        t += "section,chainage_m,offset_m,x,y,survey";
        if (against) t += ",against";
        if (design) t += ",design";
        t += '\n';
        size_t k = 0;
        for (const SectionProfile& s : sections) {
            ++k;
            for (size_t i = 0; i < s.offset.size(); ++i) {
                for (const std::string& w : {std::to_string(k), Fixed2(s.chainage), Fixed2(s.offset[i]),
                                              Coordinate(s.px[i]), Coordinate(s.py[i])}) {
                    t += w;
                    t += ',';
                }
                t += Level(s.survey[i]);
                if (against) {
                    t += ',';
                    if (i < s.against.size()) t += Level(s.against[i]);
                }
                if (design) {
                    t += ',';
                    if (i < s.design.size()) t += Level(s.design[i]);
                }
                t += '\n';
            }
            if (!file.Spill()) return false;
        }
        return true;
    });
}

}  // namespace aq
