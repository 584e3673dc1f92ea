// SPDX-License-Identifier: GPL-3.0-or-later
// Quality control: survey lines, crossings against S-44, spike flagging.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "cliport.h"
#include "export/crossingscsv.h"
#include "output.h"
#include "processing/crossings.h"
#include "processing/lines.h"
#include "processing/spikes.h"
#include "surface/crs.h"
#include "surface/nodecompare.h"
#include "values.h"
#include "verbs.h"

#ifdef AQUENTA_HAVE_PLOT
#include "render/reportnodes.h"
#include "render/surveyreport.h"
#endif

namespace aq::cli {

namespace {

// A real argument of an option; a UsageError naming the option otherwise.
double TakeReal(Args& a, const std::string& option, const char* unit) {
    const std::string text = a.Take(std::string(unit) + " after " + option);
    const auto v = ParseReal(text);
    if (!v) throw UsageError(option + " takes a number of " + unit + ", not \"" + text + "\"");
    return *v;
}

// The values an option takes: above `low` (or from it, when `closed`), and below `high`
// when there is one. A value outside is wrong usage, refused before any verb runs, as
// every verb refuses an option out of its range; `what` says the range in words.
struct Range {
    double low = 0;
    bool closed = false;
    double high = INFINITY;
    const char* what = "";
};
double TakeInRange(Args& a, const std::string& option, const char* unit, const Range& range) {
    const std::string text = a.AtEnd() ? std::string() : a.Peek();
    const double v = TakeReal(a, option, unit);
    if ((range.closed ? v < range.low : v <= range.low) || v >= range.high)
        throw UsageError(option + " takes " + range.what + ", not \"" + text + "\"");
    return v;
}

constexpr Range kPositiveMetres{0, false, INFINITY, "a length of more than 0 metres"};

// Consumes one of the options that cut the track into lines; false when `option` is
// none of them.
bool TakeLineOption(Args& a, const std::string& option, LineOptions& o) {
    if (option == "--turn")
        o.TurnAngle = TakeInRange(a, option, "degrees", {0, false, 180, "an angle of more than 0 and less than 180 degrees"});
    else if (option == "--turn-distance")
        o.TurnDistance = TakeInRange(a, option, "metres", kPositiveMetres);
    else if (option == "--gap")
        o.GapSeconds = TakeInRange(a, option, "seconds", {0, false, INFINITY, "a time of more than 0 seconds"});
    else if (option == "--gap-distance")
        o.GapDistance = TakeInRange(a, option, "metres", kPositiveMetres);
    else if (option == "--min-length")
        o.MinLength = TakeInRange(a, option, "metres", {0, true, INFINITY, "a length of 0 metres or more"});
    else if (option == "--tolerance")
        o.Tolerance = TakeInRange(a, option, "degrees", {0, false, 45, "an angle of more than 0 and less than 45 degrees"});
    else if (option == "--ignore-events")
        o.SplitAtEvents = false;
    else if (option == "--cross") {
        const std::string text = a.Take("LIST after --cross");
        if (!ParseLineList(text, o.CrossLines))
            throw UsageError("--cross takes line numbers such as 4,7,10-12, not \"" + text + "\"");
    } else
        return false;
    return true;
}

// What the processing would refuse of options that passed one by one, as wrong usage.
void CheckRefusal(const std::string& refusal) {
    if (refusal.empty()) return;
    std::string text = refusal;
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    if (text.back() == '.') text.pop_back();
    throw UsageError(text);
}

void Fixed(Output& out, double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    out.Text(buf);
}

// ---- lines ----

Step ParseLines(Args& a, const CommandInfo&) {
    LineOptions o;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (!TakeLineOption(a, option, o)) throw UsageError("unknown option " + option);
    }
    CheckRefusal(LineOptionsRefusal(o));
    return [o](Context& c) {
        LineSet set;
        if (!SurveyLines(c.doc, o, set, c.port)) return false;
        c.out.Text("line\tkind\theading\tlength\tstart\tend\tseconds\tsoundings\tfirst_record\tlast_record\n");
        for (const SurveyLine& l : set.Lines) {
            c.out.Int(l.Number);
            c.out.Char('\t');
            c.out.Text(LineKindName(l.Kind));
            c.out.Char('\t');
            Fixed(c.out, l.Heading, 1);
            c.out.Char('\t');
            Fixed(c.out, l.Length, 2);
            c.out.Char('\t');
            c.out.Text(MomentText(l.Start));
            c.out.Char('\t');
            c.out.Text(MomentText(l.End));
            c.out.Char('\t');
            Fixed(c.out, static_cast<double>(l.End - l.Start) / 100.0, 2);
            c.out.Char('\t');
            c.out.Int(static_cast<int64_t>(l.SoundingCount()));
            c.out.Char('\t');
            c.out.Int(l.FirstRecord);
            c.out.Char('\t');
            c.out.Int(l.LastRecord);
            c.out.Char('\n');
        }
        return true;
    };
}

// ---- crossings ----

// Consumes one of the options of the node comparison (--nodes, --surface FILE,
// --cell M); false when `option` is none of them.
struct NodeArgs {
    bool asked = false, surface = false, cell = false;
    surface::NodeOptions options;
};
// The limits of a crossing's soundings, shared by crossings and report.
bool TakeCrossingOption(Args& a, const std::string& option, CrossingOptions& o) {
    if (option == "--max-distance")
        o.MaxDistance = TakeInRange(a, option, "metres", kPositiveMetres);
    else if (option == "--max-slope")
        o.MaxSlope = TakeInRange(a, option, "rise over run", {0, false, INFINITY, "a slope of more than 0"});
    else
        return false;
    return true;
}

bool TakeNodeOption(Args& a, const std::string& option, NodeArgs& x) {
    if (option == "--nodes") {
        x.asked = true;
    } else if (option == "--surface") {
        x.options.surfacePath = a.Take("FILE after --surface");
        x.surface = true;
    } else if (option == "--cell") {
        x.options.cell = TakeInRange(a, option, "metres", {0, false, INFINITY, "a size of more than 0 metres"});
        x.cell = true;
    } else {
        return false;
    }
    return true;
}
void CheckNodeOptions(const NodeArgs& x) {
    if ((x.surface || x.cell) && !x.asked) throw UsageError("--surface and --cell are for --nodes");
    if (x.surface && x.cell) throw UsageError("--cell is for the surface made of the main lines, not --surface");
}

struct CrossingArgs {
    LineOptions lines;
    CrossingOptions crossings;
    bool table = false;
    std::optional<std::string> csv;
    NodeArgs nodes;
};

// A CSV line as a table row: the same fields, tab-separated (no field holds a comma).
std::string Tabbed(std::string s) {
    for (char& ch : s)
        if (ch == ',') ch = '\t';
    return s;
}

Step ParseCrossings(Args& a, const CommandInfo&) {
    CrossingArgs x;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeLineOption(a, option, x.lines) || TakeNodeOption(a, option, x.nodes) ||
            TakeCrossingOption(a, option, x.crossings))
            continue;
        if (option == "--table")
            x.table = true;
        else if (option == "--csv")
            x.csv = a.Take("FILE after --csv");
        else
            throw UsageError("unknown option " + option);
    }
    CheckNodeOptions(x.nodes);
    CheckRefusal(LineOptionsRefusal(x.lines));
    CheckRefusal(CrossingOptionsRefusal(x.crossings));
    return [x](Context& c) {
        LineSet lines;
        CrossingResult result;
        if (!SurveyCrossings(c.doc, x.lines, x.crossings, lines, result, c.port)) return false;
        c.out.Text("main_lines=" + std::to_string(lines.Count(LineKind::Main)) + "\n");
        c.out.Text("cross_lines=" + std::to_string(lines.Count(LineKind::Cross)) + "\n");
        c.out.Text(CrossingSummaryText(result));
        if (x.table) {
            c.out.Text(Tabbed(CrossingsCsvHeader(c.doc.IsGeographic())));
            c.out.Char('\n');
            CrossingCsvWriter writer(c.doc.IsGeographic());
            std::string line;
            for (const Crossing& k : result.Crossings) {
                line.clear();
                writer.Append(line, k);
                c.out.Text(Tabbed(std::move(line)));
                c.out.Char('\n');
            }
        }
        // What was printed goes out before a CSV on standard output follows it.
        if (x.csv && *x.csv == "-") c.out.Flush();
        if (x.csv && !ExportCrossingsCsv(c.doc, *x.csv, result, c.port)) return false;
        if (x.nodes.asked) {
            surface::NodeResult nodes;
            std::string error;
            if (!surface::CompareNodes(c.doc, lines, x.nodes.options, nodes, error, &c.port))
                return Fail(c, "crossings: " + error);
            if (!nodes.warning.empty()) c.port.Message("crossings: " + nodes.warning, Severity::Warning);
            c.out.Text(surface::NodeSummaryText(nodes));
        }
        if (result.Stats.Count == 0)
            c.port.Message("crossings: every crossing was rejected; see --max-distance and --max-slope.",
                           Severity::Warning);
        return true;
    };
}

// ---- flag-spikes ----

Step ParseFlagSpikes(Args& a, const CommandInfo&) {
    SpikeOptions o;
    bool window = false;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeLineOption(a, option, o.Lines)) continue;
        if (option == "--order") {
            const std::string word = a.Take("ORDER after --order");
            const auto order = ParseS44Order(word);
            if (!order)
                throw UsageError("unknown S-44 order \"" + word + "\"; one of: exclusive, special, 1a, 1b, 2");
            o.Order = *order;
        } else if (option == "--window") {
            const std::string text = a.Take("N after --window");
            const auto n = ParseInteger(text, 3, 1001);
            // The window is centred on the sounding it judges: as many either side.
            if (!n || *n % 2 == 0)
                throw UsageError("--window takes an odd count of soundings from 3 to 1001 (as many either side "
                                 "of the one judged), not \"" + text + "\"");
            o.Window = static_cast<int>(*n);
            window = true;
        } else if (option == "--window-metres") {
            o.WindowMetres = TakeInRange(a, option, "metres", kPositiveMetres);
        } else if (option == "--k") {
            o.K = TakeInRange(a, option, "spreads", {0, false, INFINITY, "a factor of more than 0"});
        } else if (option == "--min-depth") {
            o.MinDepth = TakeReal(a, option, "metres");
        } else if (option == "--max-depth") {
            o.MaxDepth = TakeReal(a, option, "metres");
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    if (window && o.WindowMetres > 0) throw UsageError("--window and --window-metres exclude each other");
    if (o.MinDepth && o.MaxDepth && *o.MinDepth > *o.MaxDepth)
        throw UsageError("--min-depth must not be greater than --max-depth");
    CheckRefusal(SpikeOptionsRefusal(o));
    return [o](Context& c) {
        SpikeResult result;
        if (!FlagSpikes(c.doc, o, result, c.port)) return false;
        c.out.Text("line\tkind\tsoundings\tflagged\n");
        size_t soundings = 0;
        for (const SpikeLineCount& l : result.PerLine) {
            c.out.Int(l.Line);
            c.out.Char('\t');
            c.out.Text(l.Line == 0 ? "none" : LineKindName(l.Kind));
            c.out.Char('\t');
            c.out.Int(static_cast<int64_t>(l.Soundings));
            c.out.Char('\t');
            c.out.Int(static_cast<int64_t>(l.Flagged));
            c.out.Char('\n');
            soundings += l.Soundings;
        }
        c.out.Text("total\t-\t");
        c.out.Int(static_cast<int64_t>(soundings));
        c.out.Char('\t');
        c.out.Int(static_cast<int64_t>(result.Total()));
        c.out.Char('\n');
        if (result.Lines == 0)
            c.port.Message("flag-spikes: no survey lines were found; only the depth limits applied.", Severity::Warning);
        return true;
    };
}

// ---- report ----

struct ReportArgs {
    std::string path;
    LineOptions lines;
    CrossingOptions crossings;
    NodeArgs nodes;
};

Step ParseReport(Args& a, const CommandInfo&) {
    ReportArgs x;
    x.path = a.Take("FILE.pdf");
    {
        std::string ext = x.path.size() >= 4 ? x.path.substr(x.path.size() - 4) : std::string();
        for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (ext != ".pdf") throw UsageError("the report is a PDF: its file must end in .pdf, not \"" + x.path + "\"");
    }
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (TakeLineOption(a, option, x.lines) || TakeNodeOption(a, option, x.nodes) ||
            TakeCrossingOption(a, option, x.crossings))
            continue;
        throw UsageError("unknown option " + option);
    }
    CheckNodeOptions(x.nodes);
    CheckRefusal(LineOptionsRefusal(x.lines));
    CheckRefusal(CrossingOptionsRefusal(x.crossings));
    return [x](Context& c) {
#ifdef AQUENTA_HAVE_PLOT
        gui::ReportRequest r;
        r.path = x.path;
        r.lines = x.lines;
        r.crossings = x.crossings;
        r.crsName = surface::DocumentCrs(c.doc).name;
        if (x.nodes.asked) r.compareNodes = gui::ReportNodeComparison(c.doc, x.nodes.options, &c.port);
        if (c.history) {
            for (const UndoHistory::StepInfo& step : c.history->Steps())
                if (step.done) r.steps.push_back(step.name);
            r.droppedSteps = c.history->Dropped();
        }
        gui::ReportOutcome outcome;
        const std::string error = gui::WriteSurveyReport(c.doc, r, &outcome, &c.port);
        // A refusal of the options before anything was made: nothing to list.
        if (!error.empty() && outcome.failures.empty()) return Fail(c, "report: " + error);
        // Every key, "-" for a file not written; then each file that failed, by name.
        c.out.Text("pages=" + (outcome.pdfWritten ? std::to_string(outcome.pages) : std::string("-")) + "\n");
        c.out.Text("csv=" + (outcome.csvPath.empty() ? std::string("-") : outcome.csvPath) + "\n");
        c.out.Text("lines_csv=" + (outcome.linesCsvPath.empty() ? std::string("-") : outcome.linesCsvPath) + "\n");
        if (!outcome.hasCrossings) c.port.Message("report: " + outcome.noCrossings, Severity::Warning);
        if (x.nodes.asked && !outcome.hasNodes)
            c.port.Message("report: no node comparison: " + outcome.noNodes, Severity::Warning);
        if (!outcome.nodes.warning.empty()) c.port.Message("report: " + outcome.nodes.warning, Severity::Warning);
        if (!outcome.planAbsent.empty())
            c.port.Message("report: the plan page has no plan: " + outcome.planAbsent, Severity::Warning);
        if (!outcome.sectionAbsent.empty())
            c.port.Message("report: the section page has no section: " + outcome.sectionAbsent, Severity::Warning);
        if (!outcome.failures.empty()) {
            for (size_t k = 0; k + 1 < outcome.failures.size(); ++k)
                c.port.Message("report: " + outcome.failures[k], Severity::Error);
            return Fail(c, "report: " + outcome.failures.back());
        }
        return true;
#else
        return Fail(c, "report: this aquenta-cli was built without Qt, which draws the report");
#endif
    };
}

constexpr VerbParser kQcParsers[] = {
    {"report", ParseReport},
    {"lines", ParseLines},
    {"crossings", ParseCrossings},
    {"flag-spikes", ParseFlagSpikes},
};

}  // namespace

std::span<const VerbParser> QcParsers() { return kQcParsers; }

}  // namespace aq::cli
