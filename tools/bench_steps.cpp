// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the steps of a survey's whole processing in one process, as the desktop program
// would, and times each:
//   bench_steps DIR BASE
// reads DIR/BASE.brv, DIR/BASE.nmea and DIR/BASE.tid (make_demo_files --geographic) and
// writes the document, the exports and the reference tools' inputs into DIR.
// Prints one tab-separated line a step on standard output:
//   step NAME RECORDS SECONDS STEP_PEAK_BYTES RUN_PEAK_BYTES
// and one line per input written for the reference tools:
//   input NAME PATH COUNT
// Messages of the program go to standard error; any failure ends the run with 1.
// BENCH_STEPS_REDRAWS=N redraws each view N times (default 3); BENCH_STEPS_SAVE_IMAGES=1
// keeps the last pictures as DIR/plan.png and DIR/section.png; BENCH_STEPS_STOP_AFTER=STEP
// ends the run after that step (for a profiler).
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "export/export.h"
#include "geodesy/utm.h"
#include "import/brivel.h"
#include "import/common.h"
#include "import/nmea.h"
#include "io/document.h"
#include "model/docfile.h"
#include "model/userport.h"
#include "processing/crossings.h"
#include "processing/flags.h"
#include "processing/gnsstide.h"
#include "processing/lines.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "processing/spikes.h"
#include "survey_gen.h"
#include "surface/separation.h"
#include "ui/commands.h"
#include "views/planview.h"
#include "views/sectionview.h"

#if __has_include("import/tide.h")
#include "import/tide.h"
#define BENCH_HAS_TIDE 1
#endif

#ifdef AQUENTA_BENCH_STEPS_QT
#include "render/plotrender.h"
#include "render/surveyreport.h"
#include "surface/crs.h"
#endif

namespace {

class StderrPort final : public aq::UserPort {
public:
    void Message(const std::string& text, aq::Severity severity) override {
        std::fprintf(stderr, "%s: %s\n", severity == aq::Severity::Error ? "error" : "message", text.c_str());
        if (severity == aq::Severity::Error) failed = true;
    }
    bool AskYesNo(const std::string& text) override {
        std::fprintf(stderr, "question: %s -> Yes\n", text.c_str());
        return true;
    }
    // The desktop program repaints its progress dialog when a phase begins or ends and
    // when the bar moves: the longest time between two of those in a step is how long
    // the window would go without a sign of life.
    void BeginPhase(const std::string&) override { Tick(); }
    void SetProgress(int percent) override {
        if (percent == percent_) return;
        percent_ = percent;
        Tick();
    }
    void EndPhase() override {
        percent_ = -1;
        Tick();
    }
    void StartStep() {
        last_ = std::chrono::steady_clock::now();
        longest_ = 0;
        percent_ = -1;
    }
    // The longest silence of the step so far, up to now.
    double Longest() {
        Tick();
        return longest_;
    }
    bool failed = false;

private:
    void Tick() {
        const auto now = std::chrono::steady_clock::now();
        longest_ = std::max(longest_, std::chrono::duration<double>(now - last_).count());
        last_ = now;
    }
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    double longest_ = 0;
    int percent_ = -1;
};

int64_t g_runPeak = 0;
const aq::CVKDoc* g_doc = nullptr;
StderrPort* g_port = nullptr;
// A step's record count: the records it added, for an import.
constexpr size_t kAdded = static_cast<size_t>(-1);

[[noreturn]] void Die(const std::string& why) {
    std::fprintf(stderr, "bench_steps: %s\n", why.c_str());
    std::exit(1);
}

// Times one step; the step's own peak is measured from the resident size it started
// with, the run's peak is the largest seen so far.
void Step(const std::string& name, size_t records, const std::function<bool()>& run) {
    aq::gen::ResetPeakRss();
    const size_t before = g_doc->Records.size();
    g_port->StartStep();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double silence = std::min(g_port->Longest(), seconds);
    const int64_t peak = aq::gen::PeakRssBytes();
    g_runPeak = std::max(g_runPeak, peak);
    if (records == kAdded) records = g_doc->Records.size() - std::min(before, g_doc->Records.size());
    std::printf("step\t%s\t%zu\t%.3f\t%lld\t%lld\t%.3f\n", name.c_str(), records, seconds,
                static_cast<long long>(peak), static_cast<long long>(g_runPeak), silence);
    std::fflush(stdout);
    if (!ok) Die("step \"" + name + "\" failed");
    // For profiling the steps up to one.
    if (const char* last = std::getenv("BENCH_STEPS_STOP_AFTER"); last && name == last) std::exit(0);
}

void Input(const std::string& name, const std::string& path, size_t count) {
    std::printf("input\t%s\t%s\t%zu\n", name.c_str(), path.c_str(), count);
    std::fflush(stdout);
}

// Plain fixed-point text, written untimed: the reference tools read these.
template <typename Row>
size_t WriteLines(const std::string& path, const std::string& head, const aq::CVKDoc& doc, Row row) {
    std::ofstream out(path, std::ios::binary);
    if (!out) Die("cannot write " + path);
    out << head;
    std::string line;
    size_t n = 0;
    for (const aq::CVKData& r : doc.Records) {
        line.clear();
        if (!row(r, line)) continue;
        out << line;
        ++n;
    }
    if (!out.flush()) Die("cannot write " + path);
    return n;
}

void AppendReal(std::string& s, double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    s.append(buf, r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0);
}

bool Export(const aq::CVKDoc& doc, const char* name, const std::string& path) {
    const aq::ExportFormatInfo* f = aq::FindExportFormat(std::string_view(name));
    if (!f) Die(std::string("no export format ") + name);
    return f->run(doc, path, aq::ExportSelection{}, *g_port);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_steps DIR BASE\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string base = dir + "/" + argv[2];

    StderrPort port;
    aq::CVKDoc doc;
    g_doc = &doc;
    g_port = &port;
    const auto imported = [&](aq::ImportResult r) { return r == aq::ImportResult::Imported && !port.failed; };

    Step("import brivel", kAdded, [&] { return imported(aq::ImportBrivel(doc, base + ".brv", port)); });
    Step("import nmea", kAdded, [&] { return imported(aq::ImportNmea(doc, base + ".nmea", port)); });
#ifdef BENCH_HAS_TIDE
    Step("import tide", kAdded, [&] { return imported(aq::ImportTide(doc, base + ".tid", port)); });
#else
    std::printf("pending\timport tide\n");
#endif
    const size_t n = doc.Records.size();

    // Time ordering: the records put back in the order the imports appended them (kind
    // by kind, each in time), then sorted as recalculation sorts them.
    std::stable_sort(doc.Records.begin(), doc.Records.end(), [](const aq::CVKData& a, const aq::CVKData& b) {
        const auto rank = [](const aq::CVKData& r) {
            return r.Has(aq::REC_DEPTH) ? 0 : r.Has(aq::REC_POSITION) ? 1 : r.Has(aq::REC_TIDE) ? 2 : 3;
        };
        return rank(a) < rank(b);
    });
    Input("times", dir + "/ref_times.txt", WriteLines(dir + "/ref_times.txt", "", doc, [](const aq::CVKData& r, std::string& s) {
              s += std::to_string(r.Time);
              s += '.';
              s += static_cast<char>('0' + r.Hundredths / 10 % 10);
              s += static_cast<char>('0' + r.Hundredths % 10);
              s += '\n';
              return true;
          }));
    doc.NeedsSort = true;
    Step("time order", n, [&] {
        aq::SortAndMeasure(doc, port);
        return true;
    });
    aq::Recalculate(doc, port);

    Step("range filter", n, [&] {
        aq::RangeValues v = aq::InitialRangeValues(doc);
        // Trims a twentieth off each side of the area, so the filter flags records.
        const double dx = (v.XMax - v.XMin) / 20, dy = (v.YMax - v.YMin) / 20;
        v.XMin += dx;
        v.XMax -= dx;
        v.YMin += dy;
        v.YMax -= dy;
        aq::ApplyRange(doc, v, port);
        return !port.failed;
    });
    Step("depth offsets (sound velocity)", n, [&] {
        aq::OffsetValues v = aq::InitialOffsetValues(doc);
        v.SoundVelocity = 1480.0;
        return aq::OffsetDepths(doc, v, port) && !port.failed;
    });

    if (!doc.IsGeographic()) Die("the survey is not geographic: generate it with --geographic");
    const bool geo = true;
    Input("lonlat", dir + "/ref_lonlat.txt",
          WriteLines(dir + "/ref_lonlat.txt", "", doc, [&](const aq::CVKData& r, std::string& s) {
              AppendReal(s, aq::CoordToReal(r.X, geo), 7);
              s += ' ';
              AppendReal(s, aq::CoordToReal(r.Y, geo), 7);
              s += '\n';
              return true;
          }));
    Input("kmlpoints", dir + "/ref_kml.csv",
          WriteLines(dir + "/ref_kml.csv", "lon,lat,z\n", doc, [&](const aq::CVKData& r, std::string& s) {
              if (!r.Has(aq::REC_POSITION)) return false;
              AppendReal(s, aq::CoordToReal(r.X, geo), 7);
              s += ',';
              AppendReal(s, aq::CoordToReal(r.Y, geo), 7);
              s += ',';
              AppendReal(s, r.Z / 100.0, 2);
              s += '\n';
              return true;
          }));
    Step("export kml", n, [&] { return Export(doc, "kml", dir + "/out.kml"); });

    // The water level from the receiver's heights, with the EGM96 geoid looked up at
    // every position (the heights taken as ellipsoidal, so that no lookup cancels).
    size_t positions = 0;
    for (const aq::CVKData& r : doc.Records) positions += r.IsLive(aq::REC_POSITION);
    Step("tide from gnss", positions, [&] {
        aq::GnssTideSettings settings;
        settings.heights = aq::GnssHeights::Ellipsoidal;
        bool failed = false;
        std::string error;
        const auto source = aq::surface::MakeSeparationSource({aq::surface::SeparationKind::Egm96, 0, {}}, settings,
                                                              failed, error);
        if (failed) std::fprintf(stderr, "error: %s\n", error.c_str());
        return !failed && aq::TideFromGnss(doc, settings, source.get(), port);
    });

    Step("convert to utm", n, [&] {
        aq::ConvertToUtm(doc, port);
        return !port.failed && !doc.IsGeographic();
    });

    Step("save", n, [&] { return aq::SaveDocument(doc, dir + "/survey.son", port); });
    Step("load", n, [&] { return aq::OpenDocument(doc, dir + "/survey.son", port); });
    const size_t loaded = doc.Records.size();

    Input("gridpoints", dir + "/ref_dxf.csv",
          WriteLines(dir + "/ref_dxf.csv", "x,y,z\n", doc, [&](const aq::CVKData& r, std::string& s) {
              if (r.IsDeleted()) return false;
              AppendReal(s, aq::CoordToReal(r.X, false), 2);
              s += ',';
              AppendReal(s, aq::CoordToReal(r.Y, false), 2);
              s += ',';
              AppendReal(s, r.Z / 100.0, 2);
              s += '\n';
              return true;
          }));
    Step("export ascii", loaded, [&] { return Export(doc, "ascii", dir + "/out.s2k"); });
    Step("export csv", loaded, [&] { return Export(doc, "csv", dir + "/out.csv"); });
    Step("export dxf", loaded, [&] { return Export(doc, "dxf", dir + "/out.dxf"); });

#ifdef AQUENTA_BENCH_STEPS_QT
    aq::gui::EnsureGuiApplication();
    const QSize size(1920, 1080);
    // The first redraw, then two more: the table shows the slowest. More with
    // BENCH_STEPS_REDRAWS=N, to profile them.
    const char* redraws = std::getenv("BENCH_STEPS_REDRAWS");
    const int times = redraws ? std::max(1, std::atoi(redraws)) : 3;
    for (int i = 0; i < times; ++i) {
        const std::string suffix = i == 0 ? "" : " (again)";
        aq::CVKPView plan;
        Step("redraw plan" + suffix, loaded, [&] { return !aq::gui::RenderPlan(plan, doc, size).isNull(); });
        aq::CVKView section;
        Step("redraw section" + suffix, loaded, [&] { return !aq::gui::RenderSection(section, doc, size).isNull(); });
    }
    // Zoom and pan redraw the same way, on a part of the survey: a box around the middle
    // ninth of each view, as a drag gives, then a pan by a quarter of it.
    {
        const aq::CRect box{4666, 4666, 10333, 10333};
        aq::CVKPView plan;
        plan.Window = box;
        Step("redraw plan zoomed", loaded, [&] { return !aq::gui::RenderPlan(plan, doc, size).isNull(); });
        Step("redraw plan panned", loaded, [&] {
            return plan.ZoomPan(aq::ID_PAN_RIGHT) && !aq::gui::RenderPlan(plan, doc, size).isNull();
        });
        aq::CVKView section;
        section.Window = box;
        Step("redraw section zoomed", loaded, [&] { return !aq::gui::RenderSection(section, doc, size).isNull(); });
        Step("redraw section panned", loaded, [&] {
            return section.ZoomPan(aq::ID_PAN_RIGHT) && !aq::gui::RenderSection(section, doc, size).isNull();
        });
    }
    if (std::getenv("BENCH_STEPS_SAVE_IMAGES")) {
        aq::CVKPView plan;
        aq::gui::RenderPlan(plan, doc, size).save(QString::fromStdString(dir + "/plan.png"));
        aq::CVKView section;
        aq::gui::RenderSection(section, doc, size).save(QString::fromStdString(dir + "/section.png"));
    }
#else
    std::printf("pending\tredraw plan\npending\tredraw section\n");
#endif

    // Quality control of the loaded survey: its lines, their crossings, then the spikes,
    // which delete and so come last.
    Step("survey lines", loaded, [&] {
        aq::LineSet lines;
        return aq::SurveyLines(doc, aq::LineOptions{}, lines, port) && !port.failed;
    });
    Step("crossings", loaded, [&] {
        aq::LineSet lines;
        aq::CrossingResult crossings;
        return aq::SurveyCrossings(doc, aq::LineOptions{}, aq::CrossingOptions{}, lines, crossings, port) &&
               !port.failed;
    });
    Step("flag spikes", loaded, [&] {
        aq::SpikeResult spikes;
        return aq::FlagSpikes(doc, aq::SpikeOptions{}, spikes, port) && !port.failed;
    });
    // Surface > Survey Report of the cleaned survey: its lines and crossings again, the
    // PDF and the CSVs beside it.
#ifdef AQUENTA_BENCH_STEPS_QT
    Step("report", loaded, [&] {
        aq::gui::ReportRequest request;
        request.path = dir + "/report.pdf";
        request.crsName = aq::surface::DocumentCrs(doc).name;
        const std::string error = aq::gui::WriteSurveyReport(doc, request);
        if (!error.empty()) std::fprintf(stderr, "error: %s\n", error.c_str());
        return error.empty();
    });
#else
    std::printf("pending\treport\n");
#endif
    return 0;
}
