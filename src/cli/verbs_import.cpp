// SPDX-License-Identifier: GPL-3.0-or-later
// The import verb, one word per file format, and info.
#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "import/brivel.h"
#include "import/common.h"
#include "import/formatted.h"
#include "import/gpsreceivers.h"
#include "import/importguard.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "output.h"
#include "ui/commands.h"
#include "verbs.h"

namespace aq::cli {

namespace {

constexpr std::string_view kLayoutOption = "--layout";

// The port an import runs with: questions are answered by the verb's own option when it
// has one, otherwise by the command line's port; an import that gave no record prints
// its closing message and the reason on lines of their own, and the verb fails.
class ImportPort final : public UserPort, public NothingImportedPort {
public:
    ImportPort(CliPort& port, std::optional<bool> answer) : port_(port), answer_(answer) {}
    void Message(const std::string& text, Severity severity) override { port_.Message(text, severity); }
    bool AskYesNo(const std::string& text) override {
        if (!answer_) return port_.AskYesNo(text);
        port_.Message(text + (*answer_ ? " -> Yes" : " -> No"), Severity::Info);
        return *answer_;
    }
    void NothingImported(const std::string& message, const std::string& why) override {
        nothing_ = true;
        if (!message.empty()) port_.Message(message, Severity::Warning);
        if (!why.empty()) port_.Message(why, Severity::Error);
    }
    void BeginPhase(const std::string& name) override { port_.BeginPhase(name); }
    void SetProgress(int percent) override { port_.SetProgress(percent); }
    void EndPhase() override { port_.EndPhase(); }
    void ViewsChanged() override { port_.ViewsChanged(); }
    void SetStatusText(const std::string& text) override { port_.SetStatusText(text); }
    void ModifiedChanged(bool modified) override { port_.ModifiedChanged(modified); }
    void WaitCursor(bool on) override { port_.WaitCursor(on); }

    bool GaveNothing() const { return nothing_; }

private:
    CliPort& port_;
    std::optional<bool> answer_;
    bool nothing_ = false;
};

// The formatted import has no reader of its own in the table: it also takes a layout.
bool RunImport(Context& c, const CommandInfo& cmd, const std::string& path, std::optional<bool> answer,
               const std::string& layoutPath) {
    const std::string verb = cmd.verb;
    // The layout is read when the verb runs: an earlier `layout save` may have written it.
    CFormImport layout;
    if (!cmd.import) {
        if (!LoadLayout(layout, layoutPath, c.port)) return false;
        layout.UpdateMaxColumn();
    }
    ImportPort port(c.port, answer);
    const ImportResult result = cmd.import ? cmd.import(c.doc, path, port) : ImportFormatted(c.doc, path, layout, port);
    switch (result) {
        case ImportResult::Imported:
            // A file that gave no record is a failure for a script, whatever it held.
            if (port.GaveNothing()) {
                if (c.port.MessagesShown() == 0)
                    return Fail(c, verb + ": " + FullPath(path) + " gave no record.");
                return false;
            }
            return true;
        case ImportResult::FileError: return false;
        case ImportResult::Refused:
            // The menu command refuses some formats without a word; a script needs one.
            if (c.port.MessagesShown() == 0)
                return Fail(c, verb + ": " + FullPath(path) + " is already imported; nothing was read.");
            return false;
    }
    return false;
}

Step ParseImport(Args& a, const CommandInfo& cmd) {
    const std::string word(VerbWord(cmd));
    std::string path = a.Take("FILE");
    std::optional<bool> answer;
    std::string layout;
    const std::string_view option = cmd.answer ? cmd.answer : "";
    const std::string yesOption = "--" + std::string(option);
    const std::string noOption = "--no-" + std::string(option);
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string given = a.Take("option");
        if (given == kLayoutOption) {
            if (cmd.import) throw UsageError(given + ": only the formatted import takes a layout");
            if (!layout.empty()) throw UsageError("the layout is given twice");
            layout = a.Take("LAYOUT.fmt after --layout");
            continue;
        }
        bool yes;
        if (given == "--yes" || (!option.empty() && given == yesOption))
            yes = true;
        else if (given == "--no" || (!option.empty() && given == noOption))
            yes = false;
        else
            throw UsageError("unknown option " + given);
        if (!cmd.answer) throw UsageError(given + ": the " + word + " import asks no question");
        if (answer && *answer != yes) throw UsageError("the answer is given twice");
        answer = yes;
    }
    if (!cmd.import && layout.empty()) throw UsageError("the formatted import needs --layout LAYOUT.fmt");
    return [&cmd, path, answer, layout](Context& c) { return RunImport(c, cmd, path, answer, layout); };
}

Step ParseInfo(Args&, const CommandInfo&) {
    return [](Context& c) {
        // A listing, so it goes to standard output like status.
        c.out.Text(ImportInformationText(c.doc));
        return true;
    };
}

// ---- layout files ----

// The options of `layout save` naming columns, in the order of the record line.
constexpr std::string_view kColumnOptions[LAYOUT_COLUMNS] = {"--easting", "--northing", "--elevation", "--depth",
                                                              "--tide",    "--year",     "--month",     "--day",
                                                              "--hour",    "--minute",   "--second"};

// The words of --type, by type index.
constexpr std::string_view kTypeWords[] = {"coordinate", "latlon", "depth", "tide"};

void WriteLayout(Output& out, const CFormImport& layout) {
    out.Text("Type: ");
    out.Text(layout.TypeIndex == LAYOUT_NONE ? "none" : LayoutTypeName(layout.TypeIndex));
    out.Text(" (");
    out.Int(layout.TypeIndex);
    out.Text(")\nDescription: ");
    out.Text(layout.Description);
    out.Char('\n');
    for (int c = 0; c < LAYOUT_COLUMNS; ++c) {
        const int32_t column = layout.Columns[static_cast<size_t>(c)];
        out.Text(LayoutColumnLabel(static_cast<LayoutColumn>(c)));
        out.Text(": ");
        if (column == 0)
            out.Text("-");
        else
            out.Int(column);
        out.Char('\n');
    }
    CFormImport withMax = layout;
    withMax.UpdateMaxColumn();
    out.Text("Largest column: ");
    out.Int(withMax.MaxColumn);
    out.Char('\n');
}

Step ParseLayoutSave(Args& a, const CommandInfo&) {
    const std::string path = a.Take("LAYOUT.fmt");
    CFormImport layout;
    bool typed = false, described = false;
    std::array<bool, LAYOUT_COLUMNS> given{};
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--type") {
            const std::string word = a.Take("the type after --type");
            const auto* it = std::find(std::begin(kTypeWords), std::end(kTypeWords), word);
            if (it == std::end(kTypeWords))
                throw UsageError("the type must be coordinate, latlon, depth or tide, not \"" + word + "\"");
            if (typed) throw UsageError("--type is given twice");
            typed = true;
            layout.SetType(static_cast<int32_t>(it - std::begin(kTypeWords)));
            continue;
        }
        if (option == "--description") {
            if (described) throw UsageError("--description is given twice");
            described = true;
            layout.Description = a.Take("TEXT after --description");
            continue;
        }
        const auto* it = std::find(std::begin(kColumnOptions), std::end(kColumnOptions), option);
        if (it == std::end(kColumnOptions)) throw UsageError("unknown option " + option);
        const auto c = static_cast<size_t>(it - std::begin(kColumnOptions));
        if (given[c]) throw UsageError(option + " is given twice");
        given[c] = true;
        const int32_t column = TakeCoordinate(a, "the column after " + option);
        if (column < 0 || column > LAYOUT_MAX_COLUMN)
            throw UsageError(option + ": Please enter an integer between 0 and 20.");
        layout.Columns[c] = column;
    }
    if (!typed) throw UsageError("layout save needs --type coordinate|latlon|depth|tide");
    // The dialog greys out the columns a type does not read.
    for (size_t c = 0; c < LAYOUT_COLUMNS; ++c)
        if (given[c] && !LayoutColumnEnabled(layout.TypeIndex, static_cast<LayoutColumn>(c)))
            throw UsageError(std::string(kColumnOptions[c]) + " is not read by a " +
                             std::string(kTypeWords[static_cast<size_t>(layout.TypeIndex)]) + " layout");
    return [layout, path](Context& c) { return SaveLayout(layout, path, c.port); };
}

Step ParseLayoutShow(Args& a, const CommandInfo&) {
    const std::string path = a.Take("LAYOUT.fmt");
    return [path](Context& c) {
        CFormImport layout;
        if (!LoadLayout(layout, path, c.port)) return false;
        WriteLayout(c.out, layout);
        return true;
    };
}

}  // namespace

std::span<const VerbParser> ImportParsers() {
    static const std::vector<VerbParser> parsers = [] {
        std::vector<VerbParser> v = {
            {"info", ParseInfo}, {"layout save", ParseLayoutSave}, {"layout show", ParseLayoutShow}};
        for (const CommandInfo& cmd : CommandTable())
            if (VerbName(cmd) == "import") v.push_back({cmd.verb, ParseImport});
        return v;
    }();
    return parsers;
}

}  // namespace aq::cli
