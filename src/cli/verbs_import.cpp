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

// One format of `import FORMAT FILE`: the menu command it runs and what that command's
// enabling rule asks of the survey. A new format is one more row.
struct ImportFormat {
    std::string_view word;
    int command;
    std::string_view need;
    // Null for the formatted import, which also takes a layout.
    ImportResult (*run)(CVKDoc& doc, const std::string& path);
    // The question it asks, answered by --yes/--no after the file; also by
    // --OPTION/--no-OPTION when an option is named.
    bool asks = false;
    std::string_view option = {};
    // The reader says itself when the file gave no record; for the others the verb
    // looks at the records.
    bool reportsNothing = true;
};

constexpr std::string_view kLayoutOption = "--layout";

// Brivel, NMEA, Vivoz(2000) and Geotronics ask before they mix grid and latitude/longitude
// positions; the tide import asks before it replaces the survey's tides.
const ImportFormat kFormats[] = {
    {"brivel", ID_IMPORT_BRIVEL, "nothing", ImportBrivel, true},
    {"nmea", ID_IMPORT_NMEA, "a survey without depths, positions and tides all three", ImportNmea, true},
    {"ggk", ID_IMPORT_GGK, "an empty survey", ImportTrimbleGgk},
    {"pjk", ID_IMPORT_PJK, "an empty survey", ImportTrimblePjk},
    {"leica", ID_IMPORT_LEICA, "a survey without positions", ImportLeica},
    {"geotronics", ID_IMPORT_GEOTRONICS, "a survey that is not geographic", ImportGeotronics, true, "line-breaks"},
    {"formatted", ID_IMPORT_FORMATTED, "nothing", nullptr, true},
    {"usarmy", ID_IMPORT_US_ARMY, "an empty survey", ImportUsArmy, true, "gps-heights"},
    {"tide", ID_IMPORT_TIDE_ASCII, "nothing", ImportTide, true},
    {"vivoz", ID_IMPORT_VIVOZ, "nothing", ImportVivoz, true},
    {"vkraw", ID_IMPORT_VK_RAW, "nothing", ImportVkRaw, true, "gps-heights"},
    {"wtraw", ID_IMPORT_WT_RAW, "nothing", ImportWtRaw},
};

const ImportFormat* FindFormat(std::string_view word) {
    for (const ImportFormat& f : kFormats)
        if (f.word == word) return &f;
    return nullptr;
}

std::string FormatWords() {
    std::string s;
    for (const ImportFormat& f : kFormats) {
        if (!s.empty()) s += ", ";
        s += f.word;
    }
    return s;
}

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

bool RunImport(Context& c, const ImportFormat& format, const std::string& path, std::optional<bool> answer,
               const std::string& layoutPath) {
    const std::string verb = "import " + std::string(format.word);
    if (!Available(c, verb, format.command, format.need)) return false;
    // The layout is read when the verb runs: an earlier `layout save` may have written it.
    CFormImport layout;
    if (!format.run) {
        if (!LoadLayout(layout, layoutPath, c.port)) return false;
        layout.UpdateMaxColumn();
    }
    const size_t records = c.doc.Records.size();
    ImportPort port(c.port, answer);
    ImportResult result;
    {
        // The document must not keep pointing at this port, whatever happens.
        struct Restore {
            Context& c;
            ~Restore() { c.doc.SetPort(&c.port); }
        } restore{c};
        c.doc.SetPort(&port);
        result = format.run ? format.run(c.doc, path) : ImportFormatted(c.doc, path, layout);
    }
    switch (result) {
        case ImportResult::Imported:
            // A file that gave no record is a failure for a script, whatever it held.
            if (port.GaveNothing()) {
                if (c.port.MessagesShown() == 0)
                    return Fail(c, verb + ": " + FullPath(path) + " gave no record.");
                return false;
            }
            if (!format.reportsNothing && c.doc.Records.size() == records)
                return Fail(c, verb + ": " + FullPath(path) + " gave no record.");
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

Step ParseImport(Args& a) {
    const std::string word = a.Take("FORMAT (" + FormatWords() + ")");
    const ImportFormat* format = FindFormat(word);
    if (!format) throw UsageError("unknown format \"" + word + "\"; formats: " + FormatWords());
    std::string path = a.Take("FILE");
    std::optional<bool> answer;
    std::string layout;
    const std::string yesOption = "--" + std::string(format->option);
    const std::string noOption = "--no-" + std::string(format->option);
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == kLayoutOption) {
            if (format->run) throw UsageError(option + ": only the formatted import takes a layout");
            if (!layout.empty()) throw UsageError("the layout is given twice");
            layout = a.Take("LAYOUT.fmt after --layout");
            continue;
        }
        bool yes;
        if (option == "--yes" || (!format->option.empty() && option == yesOption))
            yes = true;
        else if (option == "--no" || (!format->option.empty() && option == noOption))
            yes = false;
        else
            throw UsageError("unknown option " + option);
        if (!format->asks) throw UsageError(option + ": the " + word + " import asks no question");
        if (answer && *answer != yes) throw UsageError("the answer is given twice");
        answer = yes;
    }
    if (!format->run && layout.empty()) throw UsageError("the formatted import needs --layout LAYOUT.fmt");
    return [format, path, answer, layout](Context& c) { return RunImport(c, *format, path, answer, layout); };
}

Step ParseInfo(Args&) {
    return [](Context& c) {
        if (!Available(c, "info", ID_IMPORT_INFORMATION, "an imported file")) return false;
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

constexpr char kLayoutSummary[] =
    "File > Import > ASCII > Formatted's layout files (*.fmt).\n"
    "      save writes one: --type names the data type, each --COLUMN N says which number of a line\n"
    "      holds that value (1-20; left out: not in the file), COLUMN being easting, northing,\n"
    "      elevation (the position types), depth, tide (their own types), year, month, day, hour,\n"
    "      minute, second; latlon reads easting and northing as longitude and latitude.\n"
    "      show lists one.";

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

Step ParseLayoutSave(Args& a, const std::string& path) {
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

Step ParseLayout(Args& a) {
    const std::string action = a.Take("save or show");
    if (action != "save" && action != "show") throw UsageError("layout takes save or show, not \"" + action + "\"");
    const std::string path = a.Take("LAYOUT.fmt");
    if (action == "save") return ParseLayoutSave(a, path);
    return [path](Context& c) {
        CFormImport layout;
        if (!LoadLayout(layout, path, c.port)) return false;
        WriteLayout(c.out, layout);
        return true;
    };
}

std::string ImportSummary() {
    std::string s = "File > Import: read a file into the survey; FORMAT is";
    for (const ImportFormat& f : kFormats) {
        s += "\n        ";
        s += f.word;
        s += std::string(12 - std::min<size_t>(f.word.size(), 11), ' ');
        const ImportDialog* d = FindImportDialog(f.command);
        s += d ? d->description : "";
        if (d) {
            s += " (";
            s += d->initialNameWithRecords ? d->initialNameWithRecords : d->initialName;
            s += ")";
        }
    }
    s += "\n      formatted reads through --layout LAYOUT.fmt (see layout); of a file read before it asks";
    s += "\n        \"Already Imported - Continue Y/N\": --yes or --no after the file";
    s += "\n      geotronics asks \"Use line breaks(4=0)?\": --line-breaks or --no-line-breaks";
    s += "\n      usarmy asks \"Use GPS heights\", vkraw \"Use GPS heights, if present ?\":";
    s += "\n        --gps-heights or --no-gps-heights";
    s += "\n      vkraw and wtraw start a new survey; vkraw reads a file named *.hex as a Corrund memory dump";
    s += "\n      brivel, nmea, vivoz and geotronics ask before they bring latitude/longitude positions into";
    s += "\n        a grid survey or the reverse, tide before it replaces the survey's tides: --yes or --no";
    s += "\n      an import that gives no record fails, saying why where the reader knows";
    return s;
}

}  // namespace

std::span<const Verb> ImportVerbs() {
    static const std::string summary = ImportSummary();
    static const Verb verbs[] = {
        {"import", "FORMAT FILE [--layout LAYOUT.fmt] [--yes | --no | --ANSWER | --no-ANSWER]", summary, ParseImport},
        {"info", "", "File > Import > Information: list the files imported into the survey", ParseInfo},
        {"layout",
         "save LAYOUT.fmt --type coordinate|latlon|depth|tide [--description TEXT] [--COLUMN N]... | show LAYOUT.fmt",
         kLayoutSummary, ParseLayout},
    };
    return verbs;
}

}  // namespace aq::cli
