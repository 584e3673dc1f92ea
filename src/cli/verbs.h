// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/doc.h"

namespace aq::cli {

class CliPort;
class Output;

// What a verb works on.
struct Context {
    CVKDoc& doc;
    CliPort& port;
    Output& out;
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

struct Verb {
    std::string_view name;
    std::string_view synopsis;  // arguments, as the usage text shows them
    std::string_view summary;
    // Consumes the verb's arguments (the name is already taken); throws UsageError.
    Step (*parse)(Args& args);
};

// Every verb: the document verbs, then the groups below.
std::span<const Verb> Verbs();
const Verb* FindVerb(std::string_view name);

// Verb groups, each defined in its own unit.
std::span<const Verb> ImportVerbs();     // verbs_import.cpp
std::span<const Verb> ExportVerbs();     // verbs_export.cpp
std::span<const Verb> TransformVerbs();  // verbs_transform.cpp
std::span<const Verb> PlotVerbs();       // verbs_plot.cpp
std::span<const Verb> EditVerbs();       // verbs_edit.cpp

// ---- helpers for the handlers ----

// Shows an error through the port and returns false.
bool Fail(Context& c, const std::string& text);
// "Edit > Filter > Hi Pass Z": a command's menu path for messages.
std::string MenuName(int id);
// True when the command's menu entry would be enabled; otherwise refuses with a message
// naming what it needs.
bool Available(Context& c, std::string_view verb, int command, std::string_view need);
// An integer argument; a UsageError naming it otherwise.
int32_t TakeCoordinate(Args& a, std::string_view what);
// "plan" or "section": true for the section view.
bool TakeView(Args& a);
// A drag box, corners in any order.
CRect TakeBox(Args& a);

// The usage text, listing every verb.
std::string UsageText();

}  // namespace aq::cli
