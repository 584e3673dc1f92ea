// SPDX-License-Identifier: GPL-3.0-or-later
#include "verbs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "cliport.h"
#include "io/document.h"
#include "model/docfile.h"
#include "output.h"
#include "processing/flags.h"
#include "processing/recalc.h"
#include "surface/crs.h"
#include "ui/commands.h"
#include "values.h"

namespace aq::cli {

std::string Args::Take(std::string_view what) {
    if (AtEnd()) throw UsageError("missing " + std::string(what));
    return words_[pos_++];
}

// ---- helpers shared by the handlers ----

bool Fail(Context& c, const std::string& text) {
    c.port.Message(text, Severity::Error);
    return false;
}

// A verb whose menu command would be greyed out refuses rather than acting. The plan
// view counts as active, where the field tests work.
bool Available(Context& c, const CommandInfo& cmd) {
    CommandContext context;
    context.doc = &c.doc;
    context.activeView = ActiveView::Plan;
    // Undo and redo say themselves when there is nothing to take.
    context.canUndo = context.canRedo = true;
    if (EvaluateCommand(cmd.id, context).enabled) return true;
    return Fail(c, std::string(cmd.verb) + ": " + RefusalText(cmd, c.doc));
}

double TakeNumber(Args& a, const std::string& option) {
    const std::string word = a.Take("a number after " + option);
    const auto v = ParseReal(word);
    if (!v) throw UsageError(option + " takes a number, not \"" + word + "\"");
    return *v;
}

int32_t TakeCoordinate(Args& a, std::string_view what) {
    const std::string word = a.Take(std::string(what));
    const auto v = ParseInteger(word, INT32_MIN, INT32_MAX);
    if (!v) throw UsageError(std::string(what) + " must be an integer, not \"" + word + "\"");
    return static_cast<int32_t>(*v);
}

bool TakeView(Args& a) {
    const std::string view = a.Take("plan or section");
    if (view == "section") return true;
    if (view == "plan") return false;
    throw UsageError("the view must be plan or section, not \"" + view + "\"");
}

BoxArgs TakeBoxArgs(Args& a, bool withView, int corners) {
    BoxArgs box;
    if (withView) box.section = TakeView(a);
    static constexpr const char* kNames[] = {"L", "T", "R", "B"};
    for (int i = 0; i < corners; ++i) {
        // A time frame's two values are the box's left and right.
        const char* name = corners == 2 ? kNames[i * 2] : kNames[i];
        box.corners[static_cast<size_t>(i)] = a.Take(name);
    }
    if (corners == 2) box.section = true;
    if (!a.AtEnd() && a.Peek() == "--units") {
        a.Take("--units");
        const std::string units = a.Take("logical or survey after --units");
        if (units != "logical" && units != "survey")
            throw UsageError("--units takes logical or survey, not \"" + units + "\"");
        box.survey = units == "survey";
    }
    // Logical corners are checked before any verb runs.
    if (!box.survey)
        for (int i = 0; i < corners; ++i)
            if (!ParseInteger(box.corners[static_cast<size_t>(i)], INT32_MIN, INT32_MAX))
                throw UsageError(std::string(corners == 2 ? kNames[i * 2] : kNames[i]) + " must be an integer, not \"" +
                                 box.corners[static_cast<size_t>(i)] + "\"");
    return box;
}

namespace {

// A survey value in the stored integer unit, rounded; false when it is no number or
// does not fit.
bool ToStored(const std::string& text, double scale, int64_t& out) {
    const auto v = ParseReal(text);
    if (!v) return false;
    const double stored = std::round(*v * scale);
    if (!(stored > -9.2e18 && stored < 9.2e18)) return false;
    out = static_cast<int64_t>(stored);
    return true;
}

}  // namespace

bool ResolveBox(Context& c, const BoxArgs& box, CRect& out) {
    const int n = box.corners[2].empty() ? 2 : 4;
    if (!box.survey) {
        int32_t v[4] = {};
        for (int i = 0; i < n; ++i)
            v[i] = static_cast<int32_t>(*ParseInteger(box.corners[static_cast<size_t>(i)], INT32_MIN, INT32_MAX));
        if (n == 2) {
            out = CRect{std::min(v[0], v[1]), 0, std::max(v[0], v[1]), 0};
            return true;
        }
        out = CRect{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
        return true;
    }
    // Survey units: seconds and metres in the section, metres or degrees in the plan.
    const bool geographic = c.doc.IsGeographic();
    int64_t s[4] = {};
    for (int i = 0; i < n; ++i) {
        const bool horizontal = i % 2 == 0 || n == 2;
        const double scale = box.section ? (horizontal ? 1.0 : 100.0) : (geographic ? 1e7 : 100.0);
        if (!ToStored(box.corners[static_cast<size_t>(i)], scale, s[i]))
            return Fail(c, "Please enter a number (not \"" + box.corners[static_cast<size_t>(i)] + "\").");
    }
    CPoint p0, p1;
    if (n == 2) {
        p0 = {SectionXOf(c.doc, s[0]), 0};
        p1 = {SectionXOf(c.doc, s[1]), 0};
    } else if (box.section) {
        const auto level = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
        p0 = {SectionXOf(c.doc, s[0]), SectionYOf(c.doc, level(s[1]))};
        p1 = {SectionXOf(c.doc, s[2]), SectionYOf(c.doc, level(s[3]))};
    } else {
        p0 = PlanPointOf(c.doc, s[0], s[1]);
        p1 = PlanPointOf(c.doc, s[2], s[3]);
    }
    // The edges given belong to the box: the plane's right and bottom edges do not.
    out = CRect{std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::max(p0.x, p1.x), std::max(p0.y, p1.y)};
    if (n == 4) {
        out.right = out.right == INT32_MAX ? out.right : out.right + 1;
        out.bottom = out.bottom == INT32_MAX ? out.bottom : out.bottom + 1;
    }
    return true;
}

namespace {

// ---- verbs without arguments ----

Step ParseNew(Args&, const CommandInfo&) {
    return [](Context& c) {
        c.doc.New(c.port);
        if (c.history) c.history->Clear();
        return true;
    };
}

// ---- the undo history ----

Step ParseUndo(Args&, const CommandInfo& cmd) {
    const bool undo = cmd.id == ID_EDIT_UNDO;
    return [undo](Context& c) {
        if (!c.history || !(undo ? c.history->CanUndo() : c.history->CanRedo()))
            return Fail(c, undo ? "undo: there is nothing to undo." : "redo: there is nothing to redo.");
        return undo ? c.history->Undo(c.doc, c.port) : c.history->Redo(c.doc, c.port);
    };
}

Step ParseHistory(Args&, const CommandInfo&) {
    return [](Context& c) {
        if (!c.history) return true;
        for (const UndoHistory::StepInfo& step : c.history->Steps()) {
            c.out.Text(step.done ? "done\t" : "undone\t");
            c.out.Int(static_cast<int64_t>(step.bytes));
            c.out.Char('\t');
            c.out.Text(step.name);
            c.out.Char('\n');
        }
        return true;
    };
}

Step ParseStatus(Args&, const CommandInfo&) {
    return [](Context& c) {
        WriteStatus(c.out, c.doc);
        return true;
    };
}

Step ParseSummary(Args&, const CommandInfo&) {
    return [](Context& c) {
        WriteSummary(c.out, c.doc);
        return true;
    };
}

Step ParseRecords(Args&, const CommandInfo&) {
    return [](Context& c) {
        WriteRecords(c.out, c.doc);
        return true;
    };
}

// A command whose action takes nothing but the document (and the port it talks through).
Step ParsePlain(Args&, const CommandInfo& cmd) {
    return [run = cmd.run](Context& c) {
        run(c.doc, c.port);
        return true;
    };
}

// ---- files ----

Step ParseOpen(Args& a, const CommandInfo&) {
    std::string path = a.Take("FILE");
    return [path](Context& c) {
        const bool opened = OpenDocument(c.doc, path, c.port);
        // A system recorded beside the survey that PROJ cannot take is told of here.
        if (opened) surface::CheckRecordedCrs(c.doc, c.port);
        // Another survey, or the old one reset: the steps no longer lead anywhere.
        if (c.history) c.history->Clear();
        return opened;
    };
}

Step ParseSave(Args& a, const CommandInfo&) {
    std::string path = a.Take("FILE");
    return [path](Context& c) {
        if (!SaveDocument(c.doc, path, c.port)) return false;
        if (c.history) c.history->MarkSaved();
        return true;
    };
}

// ---- settings ----

Step ParseSet(Args& a, const CommandInfo&) {
    std::string text = a.Take("N");
    return [text](Context& c) {
        // The properties dialog's unsigned field; the value must also fit the stored int32.
        const auto v = ParseInteger(text, 0, INT32_MAX);
        if (!v) return Fail(c, "Please enter a positive integer.");
        // As the dialog does: the new limit waits for the next recalculation.
        c.doc.InterpLimit = static_cast<int32_t>(*v);
        return true;
    };
}

Step ParseUndoBudget(Args& a, const CommandInfo&) {
    std::string text = a.Take("MB");
    return [text](Context& c) {
        const auto v = ParseInteger(text, 0, int64_t{1} << 40);
        if (!v) return Fail(c, "set undo-budget: the budget must be a whole number of megabytes, not \"" + text + "\".");
        if (c.history) c.history->SetBudget(static_cast<size_t>(*v) << 20, c.port);
        return true;
    };
}

// ---- filter range ----

struct RangeArgs {
    std::optional<std::array<std::string, 2>> x, y, z, qa;
    std::optional<std::string> start, end;
};

void TakePair(Args& a, const std::string& option, std::optional<std::array<std::string, 2>>& slot) {
    if (slot) throw UsageError(option + " given twice");
    std::array<std::string, 2> v;
    v[0] = a.Take("MIN after " + option);
    v[1] = a.Take("MAX after " + option);
    slot = v;
}

void TakeOne(Args& a, const std::string& option, std::optional<std::string>& slot) {
    if (slot) throw UsageError(option + " given twice");
    slot = a.Take("\"YYYY-MM-DD HH:MM:SS\" after " + option);
}

// The dialog checks its fields in order and stops at the first it refuses.
bool ReadReal(Context& c, const std::string& text, double& out) {
    const auto v = ParseReal(text);
    if (!v) return Fail(c, "Please enter a number.");
    out = *v;
    return true;
}

bool ReadQa(Context& c, const std::string& text, int64_t min, int64_t max, int32_t& out) {
    const auto v = ParseInteger(text, min, max);
    if (!v)
        return Fail(c, "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".");
    out = static_cast<int32_t>(*v);
    return true;
}

bool ReadTime(Context& c, const std::string& text, int64_t& out) {
    std::string error;
    const auto v = ParseLocalTime(text, error);
    if (!v) return Fail(c, error);
    // The filter compares 32-bit second counts: a later moment would wrap to 1901 and
    // quietly delete the whole survey.
    if (*v > INT32_MAX)
        return Fail(c, "The date and time \"" + text + "\" is later than the Range filter can take (2038-01-19).");
    out = *v;
    return true;
}

bool RunRange(Context& c, const RangeArgs& r) {
    RangeValues v = InitialRangeValues(c.doc);
    if (r.x && !(ReadReal(c, (*r.x)[0], v.XMin) && ReadReal(c, (*r.x)[1], v.XMax))) return false;
    if (r.y && !(ReadReal(c, (*r.y)[0], v.YMin) && ReadReal(c, (*r.y)[1], v.YMax))) return false;
    if (r.z && !(ReadReal(c, (*r.z)[0], v.ZMin) && ReadReal(c, (*r.z)[1], v.ZMax))) return false;
    if (r.qa && !(ReadQa(c, (*r.qa)[0], 0, 126, v.QaMin) && ReadQa(c, (*r.qa)[1], 1, 127, v.QaMax))) return false;
    if (r.start && !ReadTime(c, *r.start, v.Start)) return false;
    if (r.end && !ReadTime(c, *r.end, v.End)) return false;
    // A window with a minimum above its maximum is refused with its message.
    return ApplyRange(c.doc, v, c.port);
}

Step ParseFilter(Args& a, const CommandInfo&) {
    RangeArgs r;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--x")
            TakePair(a, option, r.x);
        else if (option == "--y")
            TakePair(a, option, r.y);
        else if (option == "--z")
            TakePair(a, option, r.z);
        else if (option == "--qa")
            TakePair(a, option, r.qa);
        else if (option == "--start")
            TakeOne(a, option, r.start);
        else if (option == "--end")
            TakeOne(a, option, r.end);
        else
            throw UsageError("unknown option " + option);
    }
    return [r](Context& c) { return RunRange(c, r); };
}

// ---- drag boxes ----

Step ParseBox(Args& a, const CommandInfo& cmd) {
    const BoxArgs box = TakeBoxArgs(a, true, 4);
    return [box, del = cmd.id == ID_DRAG_DELETE](Context& c) {
        CRect rect;
        if (!ResolveBox(c, box, rect)) return false;
        MarkInRect(c.doc, rect, del, box.section, c.port);
        return true;
    };
}

Step ParseTimeFrame(Args& a, const CommandInfo&) {
    const BoxArgs box = TakeBoxArgs(a, false, 2);
    return [box](Context& c) {
        CRect rect;
        if (!ResolveBox(c, box, rect)) return false;
        MarkOutsideTimeFrame(c.doc, rect.left, rect.right, c.port);
        return true;
    };
}

constexpr VerbParser kDocumentParsers[] = {
    {"new", ParseNew},
    {"undo", ParseUndo},
    {"redo", ParseUndo},
    {"history", ParseHistory},
    {"open", ParseOpen},
    {"save", ParseSave},
    {"status", ParseStatus},
    {"summary", ParseSummary},
    {"records", ParseRecords},
    {"set interp-limit", ParseSet},
    {"set undo-budget", ParseUndoBudget},
    {"filter range", ParseFilter},
    {"delete-box", ParseBox},
    {"undelete-box", ParseBox},
    {"time-frame", ParseTimeFrame},
};

// The step of a command: its enabling rule first, then what its parser made.
Step ParseCommand(Args& a, const CommandInfo& cmd) {
    const Parser parse = FindParser(cmd);
    if (!parse) throw UsageError(std::string(cmd.verb) + " cannot run without the window");
    Step step = parse(a, cmd);
    if (cmd.undo == UndoKind::None)
        return [&cmd, step = std::move(step)](Context& c) { return Available(c, cmd) && step(c); };
    // A command that changes the survey becomes a step of the history, whatever its outcome.
    return [&cmd, step = std::move(step)](Context& c) {
        if (!Available(c, cmd)) return false;
        return Undoable(c.history, c.doc, UndoStepName(cmd), UndoScopeOf(cmd.undo), c.port,
                        [&] { return step(c); });
    };
}

// The second words of a group's commands: "brivel, nmea, ...".
std::string GroupWords(const VerbGroup& group, std::string_view separator) {
    std::string s;
    for (const CommandInfo& cmd : CommandTable()) {
        if (VerbName(cmd) != group.verb || VerbWord(cmd).empty()) continue;
        if (s.find(std::string(VerbWord(cmd))) != std::string::npos) continue;
        if (!s.empty()) s += separator;
        s += VerbWord(cmd);
    }
    return s;
}

Step ParseGroup(Args& a, const VerbGroup& group) {
    const std::string words = GroupWords(group, ", ");
    const std::string word = a.Take(std::string(group.word) + " (" + words + ")");
    const CommandInfo* cmd = FindCommandByVerb(std::string(group.verb) + " " + word);
    if (!cmd) throw UsageError("unknown " + std::string(group.word) + " \"" + word + "\"; one of: " + words);
    return ParseCommand(a, *cmd);
}

// What --help says of a command.
std::string Summary(const CommandInfo& cmd) {
    if (cmd.reach == Reach::CliOnly) return cmd.prompt;
    return MenuName(cmd.id) + ": " + std::string(StatusPrompt(cmd));
}

std::vector<Verb> BuildVerbs() {
    std::vector<Verb> verbs;
    for (const CommandInfo& cmd : CommandTable()) {
        if (!cmd.verb) continue;
        const std::string_view name = VerbName(cmd);
        bool known = false;
        for (const Verb& v : verbs) known |= v.name == name;
        if (known) continue;
        Verb v;
        v.name = name;
        if (const VerbGroup* group = FindVerbGroup(name)) {
            v.group = group;
            v.synopsis = std::string(group->word) + " ...";
            v.summary = group->help;
            for (const CommandInfo& sub : CommandTable()) {
                if (VerbName(sub) != name || !sub.verb) continue;
                v.summary += "\n  " + std::string(sub.verb);
                if (*sub.args) v.summary += " " + std::string(sub.args).substr(0, std::string(sub.args).find('\n'));
            }
            v.parse = [group](Args& a) { return ParseGroup(a, *group); };
        } else {
            v.synopsis = cmd.args;
            v.summary = Summary(cmd);
            v.parse = [&cmd](Args& a) { return ParseCommand(a, cmd); };
        }
        verbs.push_back(std::move(v));
    }
    return verbs;
}

}  // namespace

std::span<const VerbParser> DocumentParsers() { return kDocumentParsers; }

Parser FindParser(const CommandInfo& cmd) {
    if (!cmd.verb) return nullptr;
    for (std::span<const VerbParser> group :
         {DocumentParsers(), ImportParsers(), ExportParsers(), TransformParsers(), PlotParsers(), EditParsers(),
          CrsParsers(), SurfaceParsers(), QcParsers(), TideParsers(), VolumeParsers()})
        for (const VerbParser& p : group)
            if (p.verb == cmd.verb) return p.parse;
    if (cmd.action == ActionKind::Plain && cmd.run) return ParsePlain;
    return nullptr;
}

std::span<const Verb> Verbs() {
    static const std::vector<Verb> all = BuildVerbs();
    return all;
}

const Verb* FindVerb(std::string_view name) {
    for (const Verb& v : Verbs())
        if (v.name == name) return &v;
    return nullptr;
}

namespace {

// Text with every line but the first indented.
std::string Indent(std::string_view text, std::string_view indent) {
    std::string out;
    for (char ch : text) {
        out += ch;
        if (ch == '\n') out += indent;
    }
    return out;
}

void AppendCommandHelp(std::string& s, const CommandInfo& cmd) {
    s += "  ";
    s += cmd.verb;
    if (*cmd.args) {
        s += ' ';
        s += cmd.args;
    }
    s += "\n      ";
    s += Summary(cmd);
    if (cmd.help) {
        s += "\n      ";
        s += Indent(cmd.help, "      ");
    }
    if (cmd.rule.needs && cmd.rule.enabled && cmd.target == CommandTarget::Document && cmd.reach != Reach::CliOnly &&
        std::string_view(cmd.rule.needs) != "a document") {
        s += "\n      Needs ";
        s += cmd.rule.needs;
        s += "; refused otherwise.";
    }
    s += '\n';
}

}  // namespace

std::string UsageText() {
    std::string s =
        "Usage: aquenta-cli [--tz ZONE] [--yes | --no] VERB [ARGS]... [VERB [ARGS]...]...\n"
        "\n"
        "Runs the verbs from left to right on one survey document, which starts new,\n"
        "and stops at the first failure. Messages go to standard error, one per line.\n"
        "\n"
        "Options:\n"
        "  --tz ZONE    local time zone of the whole run (a TZ value: UTC, Europe/London, ...)\n"
        "  --yes, --no  the answer to every question (default: --no)\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "\n"
        "Verbs ('aquenta-cli help VERB' says more of each):\n";
    for (const Verb& v : Verbs()) {
        s += "  ";
        s += v.name;
        if (!v.synopsis.empty()) {
            s += ' ';
            s += Indent(v.synopsis, "");
        }
        s += "\n      ";
        s += Indent(v.summary, "      ");
        s += '\n';
    }
    s +=
        "\n"
        "Exit status: 0 when every verb succeeded, 1 when a verb failed, 2 on wrong usage.\n";
    return s;
}

std::string VerbHelp(std::string_view verb, std::string_view word) {
    const Verb* v = FindVerb(verb);
    if (!v) return {};
    std::string s;
    if (v->group) {
        s += "Usage: aquenta-cli " + std::string(verb) + " " + v->group->word + " ...\n\n";
        s += v->group->help;
        s += "\n\n";
    } else {
        s += "Usage: aquenta-cli " + std::string(verb) + (v->synopsis.empty() ? "" : " ") + v->synopsis + "\n\n";
    }
    bool any = false;
    for (const CommandInfo& cmd : CommandTable()) {
        if (VerbName(cmd) != verb || !cmd.verb) continue;
        if (!word.empty() && VerbWord(cmd) != word) continue;
        // Two commands of one verb (Save and Save As) are told once.
        if (FindCommandByVerb(cmd.verb) != &cmd) continue;
        AppendCommandHelp(s, cmd);
        any = true;
    }
    return any ? s : std::string{};
}

}  // namespace aq::cli
