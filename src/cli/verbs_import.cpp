// SPDX-License-Identifier: GPL-3.0-or-later
// The import verb, one word per file format, and info.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "import/brivel.h"
#include "import/common.h"
#include "import/gpsreceivers.h"
#include "import/nmea.h"
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
    ImportResult (*run)(CVKDoc& doc, const std::string& path);
    // Asks "Use line breaks(4=0)?", answered by an option after the file.
    bool asksLineBreaks = false;
};

const ImportFormat kFormats[] = {
    {"brivel", ID_IMPORT_BRIVEL, "nothing", ImportBrivel},
    {"nmea", ID_IMPORT_NMEA, "a survey without depths, positions and tides all three", ImportNmea},
    {"ggk", ID_IMPORT_GGK, "an empty survey", ImportTrimbleGgk},
    {"pjk", ID_IMPORT_PJK, "an empty survey", ImportTrimblePjk},
    {"leica", ID_IMPORT_LEICA, "a survey without positions", ImportLeica},
    {"geotronics", ID_IMPORT_GEOTRONICS, "a survey that is not geographic", ImportGeotronics, true},
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

// Answers the questions of one verb from its own option, saying them as the command
// line's port does; everything else goes to that port.
class AnsweringPort final : public UserPort {
public:
    AnsweringPort(CliPort& port, bool answer) : port_(port), answer_(answer) {}
    void Message(const std::string& text, Severity severity) override { port_.Message(text, severity); }
    bool AskYesNo(const std::string& text) override {
        port_.Message(text + (answer_ ? " -> Yes" : " -> No"), Severity::Info);
        return answer_;
    }
    void BeginPhase(const std::string& name) override { port_.BeginPhase(name); }
    void SetProgress(int percent) override { port_.SetProgress(percent); }
    void EndPhase() override { port_.EndPhase(); }
    void ViewsChanged() override { port_.ViewsChanged(); }
    void SetStatusText(const std::string& text) override { port_.SetStatusText(text); }
    void ModifiedChanged(bool modified) override { port_.ModifiedChanged(modified); }
    void WaitCursor(bool on) override { port_.WaitCursor(on); }

private:
    CliPort& port_;
    bool answer_;
};

bool RunImport(Context& c, const ImportFormat& format, const std::string& path, std::optional<bool> answer) {
    const std::string verb = "import " + std::string(format.word);
    if (!Available(c, verb, format.command, format.need)) return false;
    ImportResult result;
    if (answer) {
        AnsweringPort port(c.port, *answer);
        // The document must not keep pointing at this port, whatever happens.
        struct Restore {
            Context& c;
            ~Restore() { c.doc.SetPort(&c.port); }
        } restore{c};
        c.doc.SetPort(&port);
        result = format.run(c.doc, path);
    } else {
        result = format.run(c.doc, path);
    }
    switch (result) {
        case ImportResult::Imported: return true;
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
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        bool yes;
        if (option == "--line-breaks" || option == "--yes")
            yes = true;
        else if (option == "--no-line-breaks" || option == "--no")
            yes = false;
        else
            throw UsageError("unknown option " + option);
        if (!format->asksLineBreaks) throw UsageError(option + ": the " + word + " import asks no question");
        if (answer && *answer != yes) throw UsageError("the line-break answer is given twice");
        answer = yes;
    }
    return [format, path, answer](Context& c) { return RunImport(c, *format, path, answer); };
}

Step ParseInfo(Args&) {
    return [](Context& c) {
        if (!Available(c, "info", ID_IMPORT_INFORMATION, "an imported file")) return false;
        // A listing, so it goes to standard output like status.
        c.out.Text(ImportInformationText(c.doc));
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
    s += "\n      geotronics asks \"Use line breaks(4=0)?\": --line-breaks or --no-line-breaks after the file";
    return s;
}

}  // namespace

std::span<const Verb> ImportVerbs() {
    static const std::string summary = ImportSummary();
    static const Verb verbs[] = {
        {"import", "FORMAT FILE [--line-breaks | --no-line-breaks]", summary, ParseImport},
        {"info", "", "File > Import > Information: list the files imported into the survey", ParseInfo},
    };
    return verbs;
}

}  // namespace aq::cli
