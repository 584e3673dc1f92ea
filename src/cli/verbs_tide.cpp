// SPDX-License-Identifier: GPL-3.0-or-later
// The water level from GNSS heights: tide-from-gnss and tide-compare.
#include <optional>
#include <string>

#include "cliport.h"
#include "output.h"
#include "processing/gnsstide.h"
#include "surface/separation.h"
#include "values.h"
#include "verbs.h"

#ifdef AQUENTA_HAVE_PLOT
#include "render/tideplot.h"
#endif

namespace aq::cli {

namespace {

struct TideArgs {
    GnssTideSettings settings;
    surface::SeparationModel model{surface::SeparationKind::Egm96, 0.0, {}};
    std::optional<bool> answer;
    std::string plot;
    int width = 0, height = 0;
};

double TakeReal(Args& a, const std::string& option, const char* unit) {
    const std::string word = a.Take(std::string(unit) + " after " + option);
    const auto v = ParseReal(word);
    if (!v) throw UsageError(option + " wants " + unit + ", not \"" + word + "\"");
    return *v;
}

TideArgs TakeTideArgs(Args& a, const CommandInfo& cmd) {
    TideArgs t;
    const bool compare = cmd.id == ID_TIDE_COMPARE;
    bool heightsGiven = false, modelGiven = false;
    const auto model = [&](const std::string& option) {
        if (modelGiven) throw UsageError(option + ": the separation is given twice");
        modelGiven = true;
    };
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--heights") {
            const std::string word = a.Take("ellipsoidal or geoid after --heights");
            if (word == "ellipsoidal")
                t.settings.heights = GnssHeights::Ellipsoidal;
            else if (word == "geoid")
                t.settings.heights = GnssHeights::Geoid;
            else
                throw UsageError("--heights wants ellipsoidal or geoid, not \"" + word + "\"");
            heightsGiven = true;
        } else if (option == "--separation") {
            model(option);
            t.model = {surface::SeparationKind::Constant, TakeReal(a, option, "metres"), {}};
        } else if (option == "--separation-grid") {
            model(option);
            t.model = {surface::SeparationKind::Grid, 0.0, a.Take("FILE after --separation-grid")};
        } else if (option == "--geoid") {
            model(option);
            const std::string word = a.Take("egm96 after --geoid");
            if (word != "egm96") throw UsageError("--geoid knows egm96, not \"" + word + "\"");
            t.model = {surface::SeparationKind::Egm96, 0.0, {}};
        } else if (option == "--datum-offset") {
            t.settings.datumOffset = TakeReal(a, option, "metres");
        } else if (option == "--antenna-height") {
            t.settings.antennaHeight = TakeReal(a, option, "metres");
        } else if (option == "--window") {
            t.settings.window = TakeReal(a, option, "seconds");
        } else if (option == "--interval") {
            t.settings.interval = TakeReal(a, option, "seconds");
        } else if (option == "--max-gap") {
            t.settings.maxGap = TakeReal(a, option, "seconds");
        } else if (option == "--min-quality") {
            const std::string word = a.Take("Q after --min-quality");
            const auto q = ParseInteger(word, 0, 9);
            if (!q) throw UsageError("--min-quality wants a GGA fix quality from 0 to 9, not \"" + word + "\"");
            t.settings.minQuality = static_cast<int>(*q);
        } else if (!compare && (option == "--yes" || option == "--no")) {
            const bool yes = option == "--yes";
            if (t.answer && *t.answer != yes) throw UsageError("the answer is given twice");
            t.answer = yes;
        } else if (compare && option == "--plot") {
            t.plot = a.Take("FILE.png, FILE.svg or FILE.pdf after --plot");
        } else if (compare && option == "--size") {
            const std::string word = a.Take("WIDTHxHEIGHT after --size");
            const size_t x = word.find_first_of("xX");
            const auto w = x == std::string::npos ? std::nullopt : ParseInteger(word.substr(0, x), 16, 20000);
            const auto h = x == std::string::npos ? std::nullopt : ParseInteger(word.substr(x + 1), 16, 20000);
            if (!w || !h) throw UsageError("--size wants WIDTHxHEIGHT in pixels, each 16 to 20000, not \"" + word + "\"");
            t.width = static_cast<int>(*w);
            t.height = static_cast<int>(*h);
        } else {
            throw UsageError("unknown option " + option + " for " + cmd.verb);
        }
    }
    if (!heightsGiven)
        throw UsageError(std::string(cmd.verb) +
                         " needs --heights: ellipsoidal for heights above the ellipsoid (Trimble GGK, PJK) or geoid "
                         "for heights above the receiver's geoid (NMEA GGA)");
    if (const std::string error = CheckGnssTideSettings(t.settings); !error.empty()) throw UsageError(error);
    return t;
}

// Questions are answered by the verb's own --yes or --no when given, else by the run's.
class AnswerPort final : public UserPort {
public:
    AnswerPort(CliPort& port, std::optional<bool> answer) : port_(port), answer_(answer) {}
    void Message(const std::string& text, Severity severity) override { port_.Message(text, severity); }
    bool AskYesNo(const std::string& text) override {
        if (!answer_) return port_.AskYesNo(text);
        port_.Message(text + (*answer_ ? " -> Yes" : " -> No"), Severity::Info);
        return *answer_;
    }
    void BeginPhase(const std::string& name) override { port_.BeginPhase(name); }
    void SetProgress(int percent) override { port_.SetProgress(percent); }
    void EndPhase() override { port_.EndPhase(); }
    void ViewsChanged() override { port_.ViewsChanged(); }
    void SetStatusText(const std::string& text) override { port_.SetStatusText(text); }
    void ModifiedChanged(bool modified) override { port_.ModifiedChanged(modified); }

private:
    CliPort& port_;
    std::optional<bool> answer_;
};

bool RunTideFromGnss(Context& c, TideArgs t) {
    bool failed = false;
    std::string error;
    const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
    const auto source = surface::MakeSeparationSource(t.model, t.settings, failed, error, &crs);
    if (failed) return Fail(c, "tide-from-gnss: " + error);
    AnswerPort port(c.port, t.answer);
    if (TideFromGnss(c.doc, t.settings, source.get(), port)) return true;
    if (c.port.ErrorShown()) return false;
    return Fail(c, "tide-from-gnss: the tide records are kept; nothing was changed.");
}

bool RunTideCompare(Context& c, TideArgs t) {
    bool failed = false;
    std::string error;
    const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
    const auto source = surface::MakeSeparationSource(t.model, t.settings, failed, error, &crs);
    if (failed) return Fail(c, "tide-compare: " + error);
    GnssTideResult result;
    if (!ComputeGnssTide(c.doc, t.settings, source.get(), result, c.port)) return false;
    TideComparison comparison;
    if (!CompareTides(c.doc, result.levels, comparison, c.port)) return false;
    c.out.Text(ComparisonText(comparison));
    if (t.plot.empty()) return true;
#ifdef AQUENTA_HAVE_PLOT
    // The listing goes first: a plot on standard output follows it.
    c.out.Flush();
    error = gui::WriteTideComparison(comparison, t.plot, {}, QSize(t.width, t.height), t.settings.maxGap);
    if (!error.empty()) return Fail(c, "tide-compare: " + error);
    return true;
#else
    return Fail(c, "tide-compare: this aquenta-cli was built without Qt, which draws the plots");
#endif
}

Step ParseTide(Args& a, const CommandInfo& cmd) {
    TideArgs t = TakeTideArgs(a, cmd);
    if (cmd.id == ID_TIDE_COMPARE) return [t](Context& c) { return RunTideCompare(c, t); };
    return [t](Context& c) { return RunTideFromGnss(c, t); };
}

constexpr VerbParser kTideParsers[] = {{"tide-from-gnss", ParseTide}, {"tide-compare", ParseTide}};

}  // namespace

std::span<const VerbParser> TideParsers() { return kTideParsers; }

}  // namespace aq::cli
