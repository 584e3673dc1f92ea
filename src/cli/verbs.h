// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/history.h"
#include "model/doc.h"
#include "ui/commands.h"

namespace aq::cli {

class CliPort;
class Output;

// What a verb works on.
struct Context {
    CVKDoc& doc;
    CliPort& port;
    Output& out;
    // The run's undo history; null where a caller keeps none.
    UndoHistory* history = nullptr;
};

// A verb with its arguments parsed, ready to run. Returns false on failure, with the
// reason already shown through the port.
using Step = std::function<bool(Context&)>;

// Wrong arguments on the command line; the run stops before any verb runs.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words of the command line, consumed left to right.
class Args {
public:
    explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}
    bool AtEnd() const { return pos_ >= words_.size(); }
    const std::string& Peek() const { return words_[pos_]; }
    // The next word; a UsageError naming what was expected when there is none.
    std::string Take(std::string_view what);

private:
    std::vector<std::string> words_;
    size_t pos_ = 0;
};

// A verb of the command line, made from the command table: one command, or a group of
// commands sharing the verb's first word ("import FORMAT").
struct Verb {
    std::string_view name;
    std::string synopsis;  // arguments, as the usage text shows them
    std::string summary;
    // Consumes the verb's arguments (the name is already taken); throws UsageError.
    std::function<Step(Args& args)> parse;
    const VerbGroup* group = nullptr;
};

// Every verb, in the order of the command table.
std::span<const Verb> Verbs();
const Verb* FindVerb(std::string_view name);

// The options parser of a command: consumes the arguments after the verb's words. The
// step it returns runs once the command's enabling rule has let it.
using Parser = Step (*)(Args& args, const CommandInfo& cmd);
struct VerbParser {
    std::string_view verb;  // the command's verb in the table
    Parser parse;
};

// The parsers of the commands whose arguments are their own; plain commands, imports
// and exports are parsed alike from the table.
std::span<const VerbParser> DocumentParsers();   // verbs.cpp
std::span<const VerbParser> ImportParsers();     // verbs_import.cpp
std::span<const VerbParser> ExportParsers();     // verbs_export.cpp
std::span<const VerbParser> TransformParsers();  // verbs_transform.cpp
std::span<const VerbParser> PlotParsers();       // verbs_plot.cpp
std::span<const VerbParser> EditParsers();       // verbs_edit.cpp
std::span<const VerbParser> CrsParsers();        // verbs_crs.cpp
std::span<const VerbParser> SurfaceParsers();    // verbs_surface.cpp
std::span<const VerbParser> QcParsers();         // verbs_qc.cpp
std::span<const VerbParser> TideParsers();       // verbs_tide.cpp
std::span<const VerbParser> VolumeParsers();     // verbs_volume.cpp
// The parser of a command: its own, or the one of its kind of action; null when the
// command line cannot run it.
Parser FindParser(const CommandInfo& cmd);

// ---- helpers for the handlers ----

// Shows an error through the port and returns false.
bool Fail(Context& c, const std::string& text);
// True when the command's menu entry would be enabled (with the plan view active);
// otherwise refuses with a message naming what it needs.
bool Available(Context& c, const CommandInfo& cmd);
// An integer argument; a UsageError naming it otherwise.
int32_t TakeCoordinate(Args& a, std::string_view what);
// A real number after an option; a UsageError naming the option otherwise.
double TakeNumber(Args& a, const std::string& option);
// Refuses an option given a second time.
template <class T>
void Once(const std::optional<T>& slot, const std::string& option) {
    if (slot) throw UsageError(option + " given twice");
}
// "plan" or "section": true for the section view.
bool TakeView(Args& a);
// A box as typed: logical units, or survey units with --units survey.
struct BoxArgs {
    bool section = false;
    std::array<std::string, 4> corners;  // L T R B, or L R for a time frame
    bool survey = false;
};
// The view (unless plan-only), the corners and a trailing --units.
BoxArgs TakeBoxArgs(Args& a, bool withView, int corners);
// The box in the view's logical plane, corners in any order; false with the reason shown.
bool ResolveBox(Context& c, const BoxArgs& box, CRect& out);

// The usage text, listing every verb.
std::string UsageText();
// `help VERB [WORD]`: the verb's synopsis and everything the table says of it; empty
// for an unknown verb.
std::string VerbHelp(std::string_view verb, std::string_view word);
// The manual page aquenta-cli(1), in roff.
std::string ManPage();
// The bash completion script.
std::string BashCompletion();

}  // namespace aq::cli
