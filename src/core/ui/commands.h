// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/commandids.h"
#include "model/doctype.h"
#include "model/geometry.h"

namespace aq {

enum class UndoScope;  // history/history.h

class CVKDoc;
class UserPort;
enum class ImportResult;

// Who handles a command. View commands go to the active view, so they are disabled
// while no view is active; document commands are disabled without a document.
enum class CommandTarget { None, App, Frame, Document, View };

// How a command does its work once it is chosen.
enum class ActionKind {
    Window,   // the window's own business: documents, printing, views, bars, panes, help
    Plain,    // run(doc, port) with no inputs
    Import,   // a path: import(doc, path, port); the file dialog's inputs are in ImportDialogs()
    Export,   // a path and a selection: ExportFormats()
    Values,   // a values struct that a dialog of the window or the command line's options fill
    Listing,  // prints what the survey holds (command line)
};

// What undo keeps of a command that changes the survey or its settings.
enum class UndoKind {
    None,     // changes nothing that is saved or shown (listings, exports, views, help)
    Flags,    // the flags of records alone (box delete and undelete, the time frame)
    Fields,   // fields of the records in place, which the command names as it writes them
    Records,  // anything: fields, records added or taken away, settings
};

// Which front ends offer a command. A command offered by one only says why in `only`.
enum class Reach { Both, WindowOnly, CliOnly };

// When a document command can run, and what it needs in words for the command line's
// refusal ("more than 1 record").
struct EnablingRule {
    bool (*enabled)(const CVKDoc& doc) = nullptr;
    const char* needs = nullptr;
    // The kinds of record (REC_POSITION, ...) the rule asks for, when it asks for kinds:
    // the refusal then names those the survey lacks rather than counting its records.
    uint16_t kinds = 0;
};

struct CommandInfo {
    int id = ID_SEPARATOR;
    // Menu text exactly as shown ('&' before the mnemonic, "\t" before the accelerator).
    // For commands that sit only on a tool bar or a key, the name of the action.
    const char* text = "";
    // "status-bar prompt\ntool tip"; some given prompts carry no tool-tip part.
    const char* prompt = "";
    // True where the prompt is our own wording rather than the program's established text.
    bool promptIsOurs = true;
    CommandTarget target = CommandTarget::None;
    // Shows a check mark (bar toggles, drag modes, Animate).
    bool checkable = false;

    // ---- the window ----
    // The popups leading to the entry ("&File/Import/ASCII"); null when it is on no menu.
    // Popups appear in the order of their first entry in the table.
    const char* menu = nullptr;
    // A separator comes before the entry, or before the first popup the entry opens.
    bool separatorBefore = false;
    // Key sequences in the portable text form, ';' between several ("Ctrl+Z;Alt+Backspace").
    const char* keys = nullptr;
    // The tool-bar picture, ":/icons/toolbar/NAME.svg".
    const char* icon = nullptr;

    // ---- enabling and the action ----
    // For document commands (and the document part of the plan-view tools). The actions
    // talk to the user through the port of the front end that runs them.
    EnablingRule rule = {};
    ActionKind action = ActionKind::Window;
    void (*run)(CVKDoc& doc, UserPort& port) = nullptr;                                      // Plain
    ImportResult (*import)(CVKDoc& doc, const std::string& path, UserPort& port) = nullptr;  // Import

    // ---- the command line ----
    // "hi-pass", or a verb and its first word ("import brivel", "offsets tide"); several
    // entries may share one (Save and Save As).
    const char* verb = nullptr;
    // The arguments after the verb's words, as the usage text shows them.
    const char* args = "";
    // More for `help VERB`, after the menu path and prompt.
    const char* help = nullptr;
    // Imports that ask a question take --yes/--no after the file ("" for just those), or
    // also --WORD/--no-WORD when a word is given; null for none.
    const char* answer = nullptr;
    Reach reach = Reach::Both;
    // Why only one front end offers it.
    const char* only = nullptr;
    // What the undo history keeps of it; None for commands that change nothing.
    UndoKind undo = UndoKind::None;
};

// Every command of the program, each id once, in menu order.
const std::vector<CommandInfo>& CommandTable();
// The command with this id, or null.
const CommandInfo* FindCommand(int id);
// The first command with this verb ("import nmea", "hi-pass"), or null.
const CommandInfo* FindCommandByVerb(std::string_view verb);

// Commands that share the first word of their verb ("import", "offsets") form one verb
// of the command line; this says what the second word is.
struct VerbGroup {
    const char* verb;
    const char* word;  // the placeholder of the second word: FORMAT, KIND, ACTION
    const char* help;
};
const std::vector<VerbGroup>& VerbGroups();
const VerbGroup* FindVerbGroup(std::string_view verb);
// The words of a command's verb: "import" and "nmea", or "hi-pass" and "".
std::string_view VerbName(const CommandInfo& cmd);
std::string_view VerbWord(const CommandInfo& cmd);

// "Edit > Filter > Hi Pass Z": the menu path for messages; the command's own name when it
// is on no menu.
std::string MenuName(int id);
// Why a command is greyed out, for a front end that has no menu to grey it in:
// "\"Edit > Filter > Hi Pass Z\" is not available: it needs more than 1 record (the survey
// has 1)."; for a rule of kinds, "... it needs position and depth records (the survey has
// no position records)."
std::string RefusalText(const CommandInfo& cmd, const CVKDoc& doc);

// The status-bar part of a prompt (before the line break) and the tool-tip part (after
// it, empty when the prompt has none).
std::string_view StatusPrompt(const CommandInfo& cmd);
std::string_view ToolTip(const CommandInfo& cmd);

// The menu bar as a tree; command texts come from the table, popup texts live here.
enum class MenuKind { Command, Popup, Separator, RecentFiles };

struct MenuItem {
    MenuKind kind = MenuKind::Command;
    int id = ID_SEPARATOR;       // Command; RecentFiles carries ID_FILE_MRU_FILE1
    const char* text = nullptr;  // Popup only
    std::vector<MenuItem> items; // Popup only
};

// "&File", "&Edit", "&View", "&Help" in order. The RecentFiles entry stands for up to
// RECENT_FILE_COUNT file entries; while the list is empty it shows as a disabled
// "Recent File".
const std::vector<MenuItem>& MenuBar();

// "&File/Import/ASCII/VK Raw": the popups leading to a command and its text without the
// accelerator; empty when the command is not on the menu.
std::string MenuPath(int id);

enum class DockSide { Left, Right, Top };

struct ToolBarInfo {
    const char* name;
    DockSide dock;  // where the bar starts; the docking bars stand vertically
    bool dockable;
    std::vector<int> buttons;  // ID_SEPARATOR for a blank
};

// The standard bar, the edit bar (always empty) and the view bar, in that order.
const std::vector<ToolBarInfo>& ToolBars();

// Key sequences in the portable text form ("Ctrl+N", "Shift+Del"), from the table.
struct Accelerator {
    std::string keys;
    int id;
};
const std::vector<Accelerator>& Accelerators();

struct CommandState {
    bool enabled = false;
    bool checked = false;
    friend bool operator==(const CommandState&, const CommandState&) = default;
};

// Enabling and check mark of a command, evaluated whenever a menu or tool bar is shown.
// Unknown ids and commands without a handler come back disabled.
CommandState EvaluateCommand(int id, const CommandContext& ctx);

// The name a command's step has in the undo history: "Import Brivel", "Hi Pass Z",
// "Offsets Positions", "Delete Box".
std::string UndoStepName(const CommandInfo& cmd);
// What the history copies before a command of this kind (not None).
UndoScope UndoScopeOf(UndoKind kind);

// The drag mode (0 View .. 6 Gradient) a drag-mode command selects, or -1.
int DragModeOf(int id);

// The help pages, inside the program.
inline constexpr char HELP_INDEX[] = "index.html";
// Status pane 0 while nothing is pointed at.
inline constexpr char IDLE_PROMPT[] = "For Help, press F1";
// Status pane 1: the record counts; sized to hold this text.
inline constexpr int COUNTS_PANE_ID = 59141;
inline constexpr char COUNTS_PANE_WIDTH_TEXT[] = "nnnn Event nnnn Depth nnnn Tide nnnn Pos nnnn Deleted";

}  // namespace aq
