// SPDX-License-Identifier: GPL-3.0-or-later
#include "verbs.h"

#include <algorithm>
#include <array>
#include <optional>

#include "cliport.h"
#include "model/docfile.h"
#include "output.h"
#include "processing/flags.h"
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

// "Edit > Filter > Hi Pass Z" for messages.
std::string MenuName(int id) {
    std::string path = MenuPath(id);
    std::string out;
    for (char ch : path) {
        if (ch == '&') continue;
        if (ch == '/')
            out += " > ";
        else
            out += ch;
    }
    return out;
}

// A verb whose menu command would be greyed out refuses rather than acting.
bool Available(Context& c, std::string_view verb, int command, std::string_view need) {
    CommandContext context;
    context.doc = &c.doc;
    if (EvaluateCommand(command, context).enabled) return true;
    return Fail(c, std::string(verb) + ": \"" + MenuName(command) + "\" is not available: it needs " +
                       std::string(need) + " (the survey has " + std::to_string(c.doc.Records.size()) + ").");
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

// A drag box as the views hand it over: corners in any order, normalised.
CRect TakeBox(Args& a) {
    const int32_t l = TakeCoordinate(a, "L");
    const int32_t t = TakeCoordinate(a, "T");
    const int32_t r = TakeCoordinate(a, "R");
    const int32_t b = TakeCoordinate(a, "B");
    return CRect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

namespace {

// ---- verbs without arguments ----

Step ParseNew(Args&) {
    return [](Context& c) {
        c.doc.New();
        return true;
    };
}

Step ParseStatus(Args&) {
    return [](Context& c) {
        WriteStatus(c.out, c.doc);
        return true;
    };
}

Step ParseSummary(Args&) {
    return [](Context& c) {
        WriteSummary(c.out, c.doc);
        return true;
    };
}

Step ParseRecords(Args&) {
    return [](Context& c) {
        WriteRecords(c.out, c.doc);
        return true;
    };
}

Step ParseRestore(Args&) {
    return [](Context& c) {
        if (!Available(c, "restore", ID_EDIT_RESTORE, "records")) return false;
        Restore(c.doc);
        return true;
    };
}

Step ParseRemove(Args&) {
    return [](Context& c) {
        if (!Available(c, "remove", ID_EDIT_REMOVE, "records")) return false;
        Remove(c.doc);
        return true;
    };
}

Step ParseClearZ(Args&) {
    return [](Context& c) {
        if (!Available(c, "clear-z", ID_CLEAR_Z, "a document")) return false;
        ClearZ(c.doc);
        return true;
    };
}

Step ParseHiPass(Args&) {
    return [](Context& c) {
        if (!Available(c, "hi-pass", ID_FILTER_HI_PASS, "more than 1 record")) return false;
        HiPassZ(c.doc);
        return true;
    };
}

Step ParseLoPass(Args&) {
    return [](Context& c) {
        if (!Available(c, "lo-pass", ID_FILTER_LO_PASS, "more than 1 record")) return false;
        LoPassZ(c.doc);
        return true;
    };
}

// ---- files ----

Step ParseOpen(Args& a) {
    std::string path = a.Take("FILE");
    return [path](Context& c) { return OpenDocument(c.doc, path); };
}

Step ParseSave(Args& a) {
    std::string path = a.Take("FILE");
    return [path](Context& c) {
        if (!Available(c, "save", ID_FILE_SAVE, "a document")) return false;
        return SaveDocument(c.doc, path);
    };
}

// ---- settings ----

Step ParseSet(Args& a) {
    const std::string name = a.Take("setting (interp-limit)");
    if (name != "interp-limit") throw UsageError("unknown setting \"" + name + "\"; settings: interp-limit");
    std::string text = a.Take("N");
    return [text](Context& c) {
        if (!Available(c, "set interp-limit", ID_EDIT_PROPERTIES, "a document")) return false;
        // The properties dialog's unsigned field; the value must also fit the stored int32.
        const auto v = ParseInteger(text, 0, INT32_MAX);
        if (!v) return Fail(c, "Please enter a positive integer.");
        // As the dialog does: the new limit waits for the next recalculation.
        c.doc.InterpLimit = static_cast<int32_t>(*v);
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
    if (!Available(c, "filter range", ID_FILTER_RANGE, "more than 3 records")) return false;
    RangeValues v = InitialRangeValues(c.doc);
    if (r.x && !(ReadReal(c, (*r.x)[0], v.XMin) && ReadReal(c, (*r.x)[1], v.XMax))) return false;
    if (r.y && !(ReadReal(c, (*r.y)[0], v.YMin) && ReadReal(c, (*r.y)[1], v.YMax))) return false;
    if (r.z && !(ReadReal(c, (*r.z)[0], v.ZMin) && ReadReal(c, (*r.z)[1], v.ZMax))) return false;
    if (r.qa && !(ReadQa(c, (*r.qa)[0], 0, 126, v.QaMin) && ReadQa(c, (*r.qa)[1], 1, 127, v.QaMax))) return false;
    if (r.start && !ReadTime(c, *r.start, v.Start)) return false;
    if (r.end && !ReadTime(c, *r.end, v.End)) return false;
    // A window with a minimum above its maximum is refused with its message.
    return ApplyRange(c.doc, v);
}

Step ParseFilter(Args& a) {
    const std::string name = a.Take("filter name (range)");
    if (name != "range") throw UsageError("unknown filter \"" + name + "\"; filters: range");
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

Step ParseBox(Args& a, bool del) {
    const bool section = TakeView(a);
    const CRect box = TakeBox(a);
    return [box, del, section](Context& c) {
        MarkInRect(c.doc, box, del, section);
        return true;
    };
}

Step ParseDeleteBox(Args& a) { return ParseBox(a, true); }
Step ParseUndeleteBox(Args& a) { return ParseBox(a, false); }

Step ParseTimeFrame(Args& a) {
    const int32_t l = TakeCoordinate(a, "L");
    const int32_t r = TakeCoordinate(a, "R");
    return [x0 = std::min(l, r), x1 = std::max(l, r)](Context& c) {
        MarkOutsideTimeFrame(c.doc, x0, x1);
        return true;
    };
}

// The document verbs; the import, export and transform verbs live in their own units.
constexpr Verb kVerbs[] = {
    {"new", "", "start a new, empty survey", ParseNew},
    {"open", "FILE", "open a survey document (*.son)", ParseOpen},
    {"save", "FILE", "save the survey document", ParseSave},
    {"status", "", "print the record-count text of the status bar", ParseStatus},
    {"summary", "", "print the ranges, offsets, settings and counts as name=value lines", ParseSummary},
    {"records", "", "print every record, one tab-separated line each", ParseRecords},
    {"set", "interp-limit N", "set the interpolation limit (takes effect at the next recalculation)", ParseSet},
    {"restore", "", "Edit > Restore: bring back every deleted record", ParseRestore},
    {"remove", "", "Edit > Remove: discard the deleted records", ParseRemove},
    {"clear-z", "", "Edit > Transform > Clear Z", ParseClearZ},
    {"hi-pass", "", "Edit > Filter > Hi Pass Z", ParseHiPass},
    {"lo-pass", "", "Edit > Filter > Lo Pass Z", ParseLoPass},
    {"filter",
     "range [--x MIN MAX] [--y MIN MAX] [--z MIN MAX] [--qa MIN MAX]\n"
     "        [--start \"YYYY-MM-DD HH:MM:SS\"] [--end \"YYYY-MM-DD HH:MM:SS\"]",
     "Edit > Filter > Range; a value left out keeps what the dialog starts with", ParseFilter},
    {"delete-box", "plan|section L T R B", "delete the records in a box of the view (logical units)",
     ParseDeleteBox},
    {"undelete-box", "plan|section L T R B", "undelete the records in a box of the view", ParseUndeleteBox},
    {"time-frame", "L R", "keep the records between two section-view x values, delete the rest", ParseTimeFrame},
};

}  // namespace

std::span<const Verb> Verbs() {
    static const std::vector<Verb> all = [] {
        std::vector<Verb> v(std::begin(kVerbs), std::end(kVerbs));
        for (std::span<const Verb> group : {ImportVerbs(), ExportVerbs(), TransformVerbs(), PlotVerbs(), EditVerbs()})
            v.insert(v.end(), group.begin(), group.end());
        return v;
    }();
    return all;
}

const Verb* FindVerb(std::string_view name) {
    for (const Verb& v : Verbs())
        if (v.name == name) return &v;
    return nullptr;
}

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
        "\n"
        "Verbs:\n";
    for (const Verb& v : Verbs()) {
        s += "  ";
        s += v.name;
        if (!v.synopsis.empty()) {
            s += ' ';
            s += v.synopsis;
        }
        s += "\n      ";
        s += v.summary;
        s += '\n';
    }
    s +=
        "\n"
        "Exit status: 0 when every verb succeeded, 1 when a verb failed, 2 on wrong usage.\n";
    return s;
}

}  // namespace aq::cli
