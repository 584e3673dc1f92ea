// SPDX-License-Identifier: GPL-3.0-or-later
// Volumes and cross sections.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "io/document.h"
#include "output.h"
#include "surface/crs.h"
#include "surface/raster.h"
#include "surface/soundings.h"
#include "surface/volume.h"
#include "values.h"
#include "verbs.h"
#include "views/volumes.h"

#ifdef AQUENTA_HAVE_PLOT
#include "render/volumereport.h"
#endif

namespace aq::cli {

namespace {

struct VolumeArgs {
    // sections: the file written
    std::string path;
    std::optional<double> designLevel;
    std::optional<std::string> design, against;
    std::optional<std::string> boundary, boundaryPoints;
    std::optional<double> overdepth, cell, maxEdge, spacing, width, step;
    std::optional<std::string> method, surfaceMethod, centreLine;
    std::optional<std::string> report, csv, difference, title;
    std::vector<std::string> also;
};

void TakeNumberOnce(Args& a, const std::string& option, std::optional<double>& slot) {
    Once(slot, option);
    slot = TakeNumber(a, option);
}

void TakeWordOnce(Args& a, const std::string& option, const char* what, std::optional<std::string>& slot) {
    Once(slot, option);
    slot = a.Take(std::string(what) + " after " + option);
}

// The options both verbs take; false for one that is neither's.
bool TakeCommonOption(Args& a, const std::string& option, VolumeArgs& v) {
    if (option == "--design-level") TakeNumberOnce(a, option, v.designLevel);
    else if (option == "--design") TakeWordOnce(a, option, "FILE", v.design);
    else if (option == "--against") TakeWordOnce(a, option, "SURVEY.son", v.against);
    else if (option == "--boundary") TakeWordOnce(a, option, "FILE", v.boundary);
    else if (option == "--boundary-points") TakeWordOnce(a, option, "\"X,Y X,Y ...\"", v.boundaryPoints);
    else if (option == "--max-edge") TakeNumberOnce(a, option, v.maxEdge);
    else if (option == "--centreline" || option == "--centerline") TakeWordOnce(a, "--centreline", "FILE or X1,Y1,X2,Y2", v.centreLine);
    else if (option == "--spacing") TakeNumberOnce(a, option, v.spacing);
    else if (option == "--width") TakeNumberOnce(a, option, v.width);
    else if (option == "--step") TakeNumberOnce(a, option, v.step);
    else if (option == "--also") v.also.push_back(a.Take("SURVEY.son after --also"));
    else return false;
    return true;
}

void CheckPositive(const std::optional<double>& v, const char* option, bool zeroOk = false) {
    if (v && !((*v > 0 || (zeroOk && *v == 0)) && std::isfinite(*v)))
        throw UsageError(std::string(option) + (zeroOk ? " takes a length of 0 m or more" : " takes a length above 0 m"));
}

void CheckSectionArgs(const VolumeArgs& v, bool required) {
    const bool any = v.centreLine || v.spacing || v.width;
    if ((required || any) && !(v.centreLine && v.spacing && v.width))
        throw UsageError("cross sections need --centreline FILE|X1,Y1,X2,Y2, --spacing M and --width M");
    CheckPositive(v.spacing, "--spacing");
    CheckPositive(v.width, "--width");
    CheckPositive(v.step, "--step");
    CheckPositive(v.maxEdge, "--max-edge");
    if (v.boundary && v.boundaryPoints) throw UsageError("--boundary and --boundary-points: give one of them");
    if (v.boundaryPoints) {
        surface::Boundary b;
        std::string error;
        if (!surface::ParseBoundary(*v.boundaryPoints, b, error)) throw UsageError("--boundary-points: " + error);
    }
}

// The survey's soundings with those of --also.
bool Gather(Context& c, const char* verb, const std::vector<std::string>& also, surface::Soundings& out,
            std::string& names) {
    std::vector<std::unique_ptr<CVKDoc>> others;
    std::vector<const CVKDoc*> docs = {&c.doc};
    names = c.doc.PathName.empty() ? std::string("the open survey") : c.doc.PathName;
    for (const std::string& path : also) {
        auto doc = std::make_unique<CVKDoc>();
        if (!OpenDocument(*doc, path, c.port)) return false;
        surface::CheckRecordedCrs(*doc, c.port);
        docs.push_back(doc.get());
        others.push_back(std::move(doc));
        names += ", " + path;
    }
    std::string error;
    if (!surface::CollectSoundings(docs, out, error, &c.port)) return Fail(c, std::string(verb) + ": " + error);
    return true;
}

// A second survey's soundings, in the open survey's coordinate system.
bool GatherAgainst(Context& c, const char* verb, const std::string& path, surface::Soundings& out) {
    CVKDoc doc;
    if (!OpenDocument(doc, path, c.port)) return false;
    surface::CheckRecordedCrs(doc, c.port);
    const surface::CoordinateSystem mine = surface::DocumentCrs(c.doc), theirs = surface::DocumentCrs(doc);
    if (doc.IsGeographic() != c.doc.IsGeographic() || !surface::SameCoordinateSystem(mine, theirs))
        return Fail(c, std::string(verb) + ": " + path + " is in " + theirs.name + " and the survey in " + mine.name +
                           ": bring them into one coordinate system first.");
    std::string error;
    const CVKDoc* docs[] = {&doc};
    if (!surface::CollectSoundings(docs, out, error, &c.port)) return Fail(c, std::string(verb) + ": " + path + ": " + error);
    return true;
}

bool ReadArea(Context& c, const char* verb, const VolumeArgs& v, surface::VolumeOptions& o) {
    std::string error;
    const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
    if (v.boundary && !surface::ReadBoundary(*v.boundary, crs, o.boundary, error)) return Fail(c, std::string(verb) + ": " + error);
    if (v.boundaryPoints && !surface::ParseBoundary(*v.boundaryPoints, o.boundary, error))
        return Fail(c, std::string(verb) + ": --boundary-points: " + error);
    if (v.centreLine) {
        if (!surface::ReadCentreLine(*v.centreLine, crs, o.centreLine, error)) return Fail(c, std::string(verb) + ": " + error);
        o.sections = true;
        o.spacing = *v.spacing;
        o.width = *v.width;
        o.step = v.step.value_or(0);
    }
    o.maxEdge = v.maxEdge.value_or(0);
    return true;
}

// ---- volume ----

bool RunVolume(Context& c, const VolumeArgs& v) {
    surface::Soundings survey;
    std::string names;
    if (!Gather(c, "volume", v.also, survey, names)) return false;
    const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
    surface::Reference reference;
    std::string error;
    if (v.designLevel) {
        reference.kind = surface::ReferenceKind::Level;
        reference.level = *v.designLevel;
    } else if (v.design) {
        if (!surface::ReadDesign(*v.design, crs, reference, error)) return Fail(c, "volume: " + error);
    } else {
        reference.kind = surface::ReferenceKind::Survey;
        reference.description = *v.against;
        if (!GatherAgainst(c, "volume", *v.against, reference.survey)) return false;
    }
    surface::VolumeOptions o;
    if (!ReadArea(c, "volume", v, o)) return false;
    const std::string method = v.method.value_or(o.sections ? "all" : "grid,tin");
    o.grid = method == "grid" || method == "all" || method == "grid,tin";
    o.tin = method == "tin" || method == "all" || method == "grid,tin";
    o.sections = method == "sections" || method == "all";
    o.cell = v.cell.value_or(0);
    o.method = v.surfaceMethod ? *surface::MethodByName(*v.surfaceMethod) : surface::Method::Tin;
    o.overdepth = v.overdepth.value_or(0);
    surface::VolumeResult result;
    if (!surface::MeasureVolumes(survey, reference, o, result, error, &c.port)) return Fail(c, "volume: " + error);
    for (const std::vector<std::string>& row : VolumeTable(result.figures)) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i) c.out.Char('\t');
            c.out.Text(row[i]);
        }
        c.out.Char('\n');
    }
    // Sources of the inputs and what the report says of them.
    const VolumeReport report = surface::ReportOf(result, o, names, reference, v.centreLine.value_or(""), crs, survey.plane);
    bool ok = true;
    if (v.csv) {
        if (std::string e = WriteVolumeCsv(report, *v.csv); !e.empty()) ok = Fail(c, "volume: " + e);
    }
    if (v.difference) {
        if (result.difference.nx == 0) {
            ok = Fail(c, "volume: --difference is the grid method's difference surface; the grid method was not used.");
        } else {
            result.difference.crs = crs;
            if (!surface::WriteSurface(result.difference, *v.difference, error, &c.port)) ok = Fail(c, "volume: " + error);
        }
    }
    if (v.report) {
#ifdef AQUENTA_HAVE_PLOT
        if (std::string e = gui::WriteVolumeReport(report, *v.report); !e.empty()) ok = Fail(c, "volume: " + e);
#else
        ok = Fail(c, "volume: this aquenta-cli was built without Qt, which draws the report");
#endif
    }
    return ok;
}

Step ParseVolume(Args& a, const CommandInfo&) {
    VolumeArgs v;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeCommonOption(a, option, v)) continue;
        if (option == "--overdepth") TakeNumberOnce(a, option, v.overdepth);
        else if (option == "--method") TakeWordOnce(a, option, "grid, tin, sections or all", v.method);
        else if (option == "--cell") TakeNumberOnce(a, option, v.cell);
        else if (option == "--surface") TakeWordOnce(a, option, "a method", v.surfaceMethod);
        else if (option == "--report") TakeWordOnce(a, option, "FILE.pdf", v.report);
        else if (option == "--csv") TakeWordOnce(a, option, "FILE.csv", v.csv);
        else if (option == "--difference") TakeWordOnce(a, option, "FILE.tif", v.difference);
        else throw UsageError("unknown option " + option);
    }
    if ((v.designLevel ? 1 : 0) + (v.design ? 1 : 0) + (v.against ? 1 : 0) != 1)
        throw UsageError("volume needs one reference: --design-level L, --design FILE or --against SURVEY.son");
    if (v.method && *v.method != "grid" && *v.method != "tin" && *v.method != "sections" && *v.method != "all")
        throw UsageError("--method takes grid, tin, sections or all, not \"" + *v.method + "\"");
    const bool sections = v.method && (*v.method == "sections" || *v.method == "all");
    CheckSectionArgs(v, sections);
    CheckPositive(v.cell, "--cell");
    CheckPositive(v.overdepth, "--overdepth", true);
    if (v.surfaceMethod) {
        const auto m = surface::MethodByName(*v.surfaceMethod);
        if (!m || *m == surface::Method::Count || *m == surface::Method::StdDev)
            throw UsageError("--surface takes tin, mean, median, shoalest, deepest or idw, not \"" + *v.surfaceMethod + "\"");
    }
    if (v.report && !v.report->ends_with(".pdf") && !v.report->ends_with(".PDF"))
        throw UsageError("--report writes a PDF: the name must end in .pdf");
    if (v.difference && !surface::RasterFormatOf(*v.difference))
        throw UsageError("--difference writes " + std::string(surface::kRasterExtensions) + " files");
    return [v](Context& c) { return RunVolume(c, v); };
}

// ---- sections ----

bool RunSections(Context& c, const VolumeArgs& v) {
    surface::Soundings survey;
    std::string names;
    if (!Gather(c, "sections", v.also, survey, names)) return false;
    const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
    std::string error;
    std::optional<surface::Reference> design;
    if (v.designLevel) {
        design.emplace();
        design->kind = surface::ReferenceKind::Level;
        design->level = *v.designLevel;
    } else if (v.design) {
        design.emplace();
        if (!surface::ReadDesign(*v.design, crs, *design, error)) return Fail(c, "sections: " + error);
    }
    std::optional<surface::Soundings> second;
    if (v.against) {
        second.emplace();
        if (!GatherAgainst(c, "sections", *v.against, *second)) return false;
    }
    surface::VolumeOptions o;
    if (!ReadArea(c, "sections", v, o)) return false;
    std::vector<SectionProfile> sections;
    if (!surface::MeasureSections(survey, second ? &*second : nullptr, design ? &*design : nullptr, o, sections, error,
                                  &c.port))
        return Fail(c, "sections: " + error);
    const std::string lower = [&] {
        std::string s = v.path;
        for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return s;
    }();
    if (lower.ends_with(".csv")) {
        if (std::string e = WriteSectionsCsv(sections, v.path); !e.empty()) return Fail(c, "sections: " + e);
        return true;
    }
#ifdef AQUENTA_HAVE_PLOT
    const std::string title = v.title.value_or("Cross sections along " + *v.centreLine);
    if (std::string e = gui::WriteSectionSheets(sections, v.path, title, design ? "design" : "second survey"); !e.empty())
        return Fail(c, "sections: " + e);
    return true;
#else
    return Fail(c, "sections: this aquenta-cli was built without Qt, which draws the sheets; write a .csv");
#endif
}

Step ParseSections(Args& a, const CommandInfo&) {
    VolumeArgs v;
    v.path = a.Take("FILE.pdf, FILE.png, FILE.svg or FILE.csv");
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeCommonOption(a, option, v)) continue;
        if (option == "--title") TakeWordOnce(a, option, "TEXT", v.title);
        else throw UsageError("unknown option " + option);
    }
    std::string lower = v.path;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (!lower.ends_with(".pdf") && !lower.ends_with(".png") && !lower.ends_with(".svg") && !lower.ends_with(".csv"))
        throw UsageError("sections writes .pdf, .png, .svg or .csv files; the name \"" + v.path + "\" ends in none of them");
    if (v.designLevel && v.design) throw UsageError("--design-level and --design: give one of them");
    CheckSectionArgs(v, true);
    return [v](Context& c) { return RunSections(c, v); };
}

constexpr VerbParser kVolumeParsers[] = {{"volume", ParseVolume}, {"sections", ParseSections}};

}  // namespace

std::span<const VerbParser> VolumeParsers() { return kVolumeParsers; }

}  // namespace aq::cli
