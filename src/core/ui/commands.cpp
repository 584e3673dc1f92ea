// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/commands.h"

#include <cstdint>
#include <utility>

#include "model/data.h"
#include "model/doc.h"

namespace aq {

namespace {

constexpr bool GIVEN = false;
constexpr bool OURS = true;

using T = CommandTarget;

// In menu order, then the commands reached only from a tool bar or a key.
const std::vector<CommandInfo> kCommands = {
    // File
    {ID_FILE_NEW, "&New\tCtrl+N", "Create a new survey document\nNew", OURS, T::App, false},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing survey document\nOpen", OURS, T::App, false},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "Save the survey document\nSave", OURS, T::Document, false},
    {ID_FILE_SAVE_AS, "Save &As...", "Save the survey document under a new name\nSave As", OURS, T::Document,
     false},
    // File > Import
    {ID_IMPORT_BRIVEL, "Brivel", "Import a Brivel logged file\nBrivel", OURS, T::Document, false},
    {ID_IMPORT_VIVOZ, "Vivoz(2000)", "Import a Vivoz(2000) text file\nVivoz(2000)", OURS, T::Document, false},
    {ID_IMPORT_VK_RAW, "VK Raw", "Import raw corrund data\nRaw", GIVEN, T::Document, false},
    {ID_IMPORT_WT_RAW, "WT Raw", "Import a Tevrant tide log\nWT Raw", OURS, T::Document, false},
    {ID_IMPORT_FORMATTED, "Formatted", "Import files using a FMT layout file", GIVEN, T::Document, false},
    {ID_IMPORT_LEICA, "Leica RTK", "Import Leica RTK data as XYZ\nLeica", GIVEN, T::Document, false},
    {ID_IMPORT_NMEA, "NMEA", "Import an NMEA 0183 log\nNMEA", OURS, T::Document, false},
    {ID_IMPORT_GEOTRONICS, "Geotronics", "Import a Geodimeter label file\nGeotronics", OURS, T::Document, false},
    {ID_IMPORT_GGK, "GGK Format", "Import Trimble GGK format datafiles", GIVEN, T::Document, false},
    {ID_IMPORT_PJK, "PJK Format", "Import Trimble PJK format datafiles", GIVEN, T::Document, false},
    {ID_IMPORT_US_ARMY, "US Army", "Import data from US Army diver system", GIVEN, T::Document, false},
    {ID_IMPORT_INFORMATION, "Information", "List the files imported into this survey\nImported Files", OURS,
     T::Document, false},
    {ID_IMPORT_TIDE_QUELLEN, "Quellen", "Import Quellen tide tables (not available)\nQuellen", OURS, T::None,
     false},
    {ID_IMPORT_TIDE_ASCII, "ASCII", "Import a tide table from a text file\nTide ASCII", OURS, T::Document, false},
    // File > Export
    {ID_EXPORT_ASCII, "ASCII", "Export the survey as an ASCII (*.s2k) file\nExport ASCII", OURS, T::Document,
     false},
    {ID_EXPORT_DXF, "DXF", "Export the survey as a DXF drawing\nExport DXF", OURS, T::Document, false},
    {ID_EXPORT_GEOTRONICS, "Geotronics", "Export the survey as a Geodimeter label file\nExport Geotronics", OURS,
     T::Document, false},
    {ID_EXPORT_US_ARMY, "US Army", "Export XYZ data for US Army diver system", GIVEN, T::Document, false},
    {ID_EXPORT_XYZ, "XYZ", "Export positions and seabed levels as XYZ text\nExport XYZ", OURS, T::Document,
     false},
    {ID_EXPORT_HYPACK, "Hypack", "Export Hypack XYZ format", GIVEN, T::Document, false},
    {ID_EXPORT_CSV, "CSV data", "Export the survey as spreadsheet CSV data\nExport CSV", OURS, T::Document,
     false},
    {ID_EXPORT_HPR_REPORT, "HPR report", "Export the heave, pitch and roll of the depths as CSV\nHPR Report",
     OURS, T::Document, false},
    {ID_EXPORT_KML, "KML", "Export the survey track as a KML file\nExport KML", OURS, T::Document, false},
    // File, continued
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active view\nPrint", OURS, T::View, false},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Show the print-out of the active view on screen\nPrint Preview",
     OURS, T::View, false},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options\nPrint Setup", OURS, T::App,
     false},
    {ID_FILE_MRU_FILE1, "Recent File", "Open this document", OURS, T::App, false},
    {ID_FILE_MRU_FILE2, "Recent File", "Open this document", OURS, T::App, false},
    {ID_FILE_MRU_FILE3, "Recent File", "Open this document", OURS, T::App, false},
    {ID_FILE_MRU_FILE4, "Recent File", "Open this document", OURS, T::App, false},
    {ID_APP_EXIT, "E&xit", "Quit the application, offering to save the survey\nExit", OURS, T::App, false},

    // Edit; the clipboard and undo entries have no handler
    {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action\nUndo", OURS, T::None, false},
    {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection to the clipboard\nCut", OURS, T::None, false},
    {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection to the clipboard\nCopy", OURS, T::None, false},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert the clipboard contents\nPaste", OURS, T::None, false},
    {ID_EDIT_RESTORE, "Restore", "Undelete every deleted point\nRestore", OURS, T::Document, false},
    {ID_OFFSETS_POSITIONS, "Positions...", "Set the time and position offsets of the positions\nPosition Offsets",
     OURS, T::Document, false},
    {ID_OFFSETS_DEPTHS, "Depths...",
     "Set the time and depth offsets and the sound velocity of the depths\nDepth Offsets", OURS, T::Document,
     false},
    {ID_OFFSETS_TIDE, "Tide ...", "Set the time and level offsets of the tides\nTide Offsets", OURS, T::Document,
     false},
    {ID_CONTROL_ADD, "Add Control", "Add a control point for user grid transformation\nAdd Control", GIVEN,
     T::Document, false},
    {ID_CONTROL_EDIT, "Edit Control", "Edit/Delete user grid Control points\nEdit Control", GIVEN, T::Document,
     false},
    {ID_CONTROL_APPLY, "Apply Control", "Apply control and convert Lat/Long to user grid coords\nApply Control",
     GIVEN, T::Document, false},
    {ID_CONTROL_SELF_TEST, "Self Test", "Show how well the control points fit the user grid\nSelf Test", OURS,
     T::Document, false},
    {ID_CONVERT_UTM, "Convert to UTM",
     "Convert Lat/Long to Universal Transverse Mercator coordinates\nConvert to UTM", GIVEN, T::Document, false},
    {ID_APPLY_HPR, "Apply HPR", "Correct the positions for heave, pitch and roll\nApply HPR", OURS, T::Document,
     false},
    {ID_CLEAR_Z, "Clear Z", "Set every height to zero and discard deleted points\nClear Z", OURS, T::Document,
     false},
    {ID_FILTER_RANGE, "Range", "Delete points outside a position, level, quality and time window\nRange Filter",
     OURS, T::Document, false},
    {ID_FILTER_HI_PASS, "Hi Pass Z", "Smooth the position heights lightly\nHi Pass Z", OURS, T::Document, false},
    {ID_FILTER_LO_PASS, "Lo Pass Z", "Smooth the position heights strongly\nLo Pass Z", OURS, T::Document, false},
    {ID_EDIT_REMOVE, "Remove", "Discard the deleted points for good\nRemove", OURS, T::Document, false},
    {ID_EDIT_PROPERTIES, "Properties ...", "Edit properties of current view\nProperties", GIVEN, T::Document,
     false},

    // View
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the tool bar\nToggle ToolBar", OURS, T::Frame, true},
    {ID_VIEW_STATUS_BAR, "Status &Bar", "Show or hide the status bar\nToggle StatusBar", OURS, T::Frame, true},
    {ID_VIEW_EDITBAR, "&EditBar", "Show or hide the edit bar\nToggle EditBar", OURS, T::Frame, true},
    {ID_PAN_DOWN, "&Down", "Move the view a quarter of its height north\nPan Down", OURS, T::View, false},
    {ID_PAN_UP, "&Up", "Move the view a quarter of its height south\nPan Up", OURS, T::View, false},
    {ID_PAN_RIGHT, "&Right", "Move the view a quarter of its width right\nPan Right", OURS, T::View, false},
    {ID_PAN_LEFT, "&Left", "Move the view a quarter of its width left\nPan Left", OURS, T::View, false},
    {ID_ZOOM_OUT, "&Out", "Show twice the width and height\nZoom Out", OURS, T::View, false},
    {ID_ZOOM_EXTENTS, "&Extents", "Show the whole survey\nZoom Extents", OURS, T::View, false},
    {ID_DRAG_VIEW, "&View", "Change view using Dragbox\nChange View", GIVEN, T::View, true},
    {ID_DRAG_DELETE, "&Delete", "Select points within the Dragbox for deletion\nDelete Points", GIVEN, T::View,
     true},
    {ID_DRAG_UNDELETE, "&Undelete", "Undelete selected points within Dragbox\nUndelete Points", GIVEN, T::View,
     true},
    {ID_DRAG_TIMEFRAME, "&TimeFrame", "Select by Time Frame width\nTimeFrame", GIVEN, T::View, true},
    {ID_DRAG_ENQUIRE, "Enquire", "List items within dragbox\nEnquire", GIVEN, T::View, true},
    {ID_VIEW_ANIMATE, "Animate", "Animate the view\nAnimate", GIVEN, T::View, true},
    {ID_DRAG_GRADIENT, "Gradient", "Gradient Test", GIVEN, T::View, true},

    // Help
    {ID_HELP_FINDER, "&Help Topics", "List the help topics\nHelp Topics", OURS, T::App, false},

    // Tool bars and keys only
    {ID_DRAG_PATCHTEST, "Patchtest", "Perform Patchtest on selected data\nPatchtest", GIVEN, T::View, true},
    {ID_CONTEXT_HELP, "Help", "Show help on a button, menu or window clicked next\nHelp", OURS, T::App, false},
    {ID_HELP, "Help", "Show help on the current task\nHelp", OURS, T::App, false},
    {ID_FILE_PRINT_DIRECT, "Print", "Print the active view on the default printer\nQuick Print", OURS, T::View,
     false},
    {ID_NEXT_PANE, "Next Pane", "Switch to the next view\nNext Pane", OURS, T::Frame, false},
    {ID_PREV_PANE, "Previous Pane", "Switch to the previous view\nPrevious Pane", OURS, T::Frame, false},
};

MenuItem Cmd(int id) { return MenuItem{MenuKind::Command, id, nullptr, {}}; }
MenuItem Sep() { return MenuItem{MenuKind::Separator, ID_SEPARATOR, nullptr, {}}; }
MenuItem Popup(const char* text, std::vector<MenuItem> items) {
    return MenuItem{MenuKind::Popup, ID_SEPARATOR, text, std::move(items)};
}

std::vector<MenuItem> BuildMenuBar() {
    return {
        Popup("&File",
              {
                  Cmd(ID_FILE_NEW),
                  Cmd(ID_FILE_OPEN),
                  Cmd(ID_FILE_SAVE),
                  Cmd(ID_FILE_SAVE_AS),
                  Sep(),
                  Popup("Import",
                        {
                            Cmd(ID_IMPORT_BRIVEL),
                            Popup("ASCII", {Cmd(ID_IMPORT_VIVOZ), Cmd(ID_IMPORT_VK_RAW), Cmd(ID_IMPORT_WT_RAW),
                                            Cmd(ID_IMPORT_FORMATTED)}),
                            Cmd(ID_IMPORT_LEICA),
                            Cmd(ID_IMPORT_NMEA),
                            Popup("Trimble", {Cmd(ID_IMPORT_GEOTRONICS), Cmd(ID_IMPORT_GGK), Cmd(ID_IMPORT_PJK),
                                              Cmd(ID_IMPORT_US_ARMY)}),
                            Cmd(ID_IMPORT_INFORMATION),
                            Popup("Tide", {Cmd(ID_IMPORT_TIDE_QUELLEN), Cmd(ID_IMPORT_TIDE_ASCII)}),
                        }),
                  Popup("Export",
                        {
                            Cmd(ID_EXPORT_ASCII),
                            Cmd(ID_EXPORT_DXF),
                            Popup("Trimble", {Cmd(ID_EXPORT_GEOTRONICS), Cmd(ID_EXPORT_US_ARMY)}),
                            Popup("Simple", {Cmd(ID_EXPORT_XYZ), Cmd(ID_EXPORT_HYPACK)}),
                            Popup("Spreadsheet", {Cmd(ID_EXPORT_CSV), Cmd(ID_EXPORT_HPR_REPORT)}),
                            Cmd(ID_EXPORT_KML),
                        }),
                  Sep(),
                  Cmd(ID_FILE_PRINT),
                  Cmd(ID_FILE_PRINT_PREVIEW),
                  Cmd(ID_FILE_PRINT_SETUP),
                  Sep(),
                  MenuItem{MenuKind::RecentFiles, ID_FILE_MRU_FILE1, nullptr, {}},
                  Sep(),
                  Cmd(ID_APP_EXIT),
              }),
        Popup("&Edit",
              {
                  Cmd(ID_EDIT_UNDO),
                  Sep(),
                  Cmd(ID_EDIT_CUT),
                  Cmd(ID_EDIT_COPY),
                  Cmd(ID_EDIT_PASTE),
                  Sep(),
                  Cmd(ID_EDIT_RESTORE),
                  Popup("Offsets", {Cmd(ID_OFFSETS_POSITIONS), Cmd(ID_OFFSETS_DEPTHS), Cmd(ID_OFFSETS_TIDE)}),
                  Popup("Transform", {Cmd(ID_CONTROL_ADD), Cmd(ID_CONTROL_EDIT), Cmd(ID_CONTROL_APPLY),
                                      Cmd(ID_CONTROL_SELF_TEST), Cmd(ID_CONVERT_UTM), Cmd(ID_APPLY_HPR),
                                      Cmd(ID_CLEAR_Z)}),
                  Popup("Filter", {Cmd(ID_FILTER_RANGE), Cmd(ID_FILTER_HI_PASS), Cmd(ID_FILTER_LO_PASS)}),
                  Cmd(ID_EDIT_REMOVE),
                  Sep(),
                  Cmd(ID_EDIT_PROPERTIES),
              }),
        Popup("&View",
              {
                  Cmd(ID_VIEW_TOOLBAR),
                  Cmd(ID_VIEW_STATUS_BAR),
                  Cmd(ID_VIEW_EDITBAR),
                  Sep(),
                  Popup("&Pan", {Cmd(ID_PAN_DOWN), Cmd(ID_PAN_UP), Cmd(ID_PAN_RIGHT), Cmd(ID_PAN_LEFT)}),
                  Popup("&Zoom", {Cmd(ID_ZOOM_OUT), Cmd(ID_ZOOM_EXTENTS)}),
                  Popup("&Drag Mode", {Cmd(ID_DRAG_VIEW), Cmd(ID_DRAG_DELETE), Cmd(ID_DRAG_UNDELETE),
                                       Cmd(ID_DRAG_TIMEFRAME), Cmd(ID_DRAG_ENQUIRE)}),
                  Sep(),
                  Cmd(ID_VIEW_ANIMATE),
                  Cmd(ID_DRAG_GRADIENT),
              }),
        Popup("&Help", {Cmd(ID_HELP_FINDER)}),
    };
}

bool FindPath(const std::vector<MenuItem>& items, int id, std::string& path) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuKind::Popup) {
            const size_t mark = path.size();
            path += item.text;
            path += '/';
            if (FindPath(item.items, id, path)) return true;
            path.resize(mark);
        } else if ((item.kind == MenuKind::Command && item.id == id) ||
                   (item.kind == MenuKind::RecentFiles && id >= ID_FILE_MRU_FILE1 &&
                    id < ID_FILE_MRU_FILE1 + RECENT_FILE_COUNT)) {
            const CommandInfo* cmd = FindCommand(id);
            std::string_view text = cmd ? cmd->text : "";
            path += text.substr(0, text.find('\t'));
            return true;
        }
    }
    return false;
}

// Values of the views' drag modes, by command.
struct DragCommand {
    int id;
    int mode;
};
constexpr DragCommand kDragCommands[] = {
    {ID_DRAG_VIEW, 0},      {ID_DRAG_DELETE, 1},    {ID_DRAG_UNDELETE, 2}, {ID_DRAG_TIMEFRAME, 3},
    {ID_DRAG_ENQUIRE, 4},   {ID_DRAG_PATCHTEST, 5}, {ID_DRAG_GRADIENT, 6},
};

int64_t Width(const CRect& r) { return int64_t{r.right} - r.left; }
int64_t Height(const CRect& r) { return int64_t{r.bottom} - r.top; }

bool Has(const CVKDoc& doc, unsigned bits) { return (doc.KindFlags & bits) == bits; }

// The rules of the commands the document handles.
bool DocumentEnabled(int id, const CVKDoc& doc) {
    const size_t n = doc.Records.size();
    switch (id) {
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
        case ID_IMPORT_BRIVEL:
        case ID_IMPORT_VIVOZ:
        case ID_IMPORT_VK_RAW:
        case ID_IMPORT_WT_RAW:
        case ID_IMPORT_FORMATTED:
        // A survey that holds tides is asked whether the file's replace them.
        case ID_IMPORT_TIDE_ASCII:
        case ID_CLEAR_Z:
        case ID_EDIT_PROPERTIES:
            return true;

        case ID_IMPORT_GEOTRONICS: return !Has(doc, REC_POSITION | REC_GEOGRAPHIC);
        case ID_IMPORT_NMEA: return !Has(doc, REC_DEPTH | REC_POSITION | REC_TIDE);
        case ID_IMPORT_LEICA: return !Has(doc, REC_POSITION);
        case ID_IMPORT_US_ARMY:
        case ID_IMPORT_GGK:
        case ID_IMPORT_PJK:
            return n == 0;
        case ID_IMPORT_INFORMATION: return !doc.ImportedFiles.empty();

        case ID_EDIT_RESTORE:
        case ID_EDIT_REMOVE:
        case ID_EXPORT_ASCII:
        case ID_EXPORT_GEOTRONICS:
        case ID_EXPORT_XYZ:
        case ID_EXPORT_HYPACK:
        case ID_EXPORT_CSV:
            return n > 0;
        case ID_EXPORT_DXF: return n > 0 && Has(doc, REC_POSITION);
        case ID_EXPORT_US_ARMY:
        case ID_FILTER_RANGE:
            return n > 3;
        case ID_FILTER_HI_PASS:
        case ID_FILTER_LO_PASS:
            return n > 1;

        case ID_OFFSETS_POSITIONS: return Has(doc, REC_POSITION);
        case ID_OFFSETS_DEPTHS: return Has(doc, REC_DEPTH);
        case ID_OFFSETS_TIDE: return Has(doc, REC_TIDE);

        case ID_CONTROL_ADD:
        case ID_CONVERT_UTM:
        case ID_EXPORT_KML:
            return doc.IsGeographic();
        case ID_CONTROL_EDIT: return doc.IsGeographic() && !doc.Control.Points.empty();
        case ID_CONTROL_APPLY: return doc.IsGeographic() && doc.Control.IsUsable();
        case ID_CONTROL_SELF_TEST: return doc.Control.IsUsable();
        case ID_APPLY_HPR: return doc.ElevOffset != 0 && doc.SounderImported != 0 && !Has(doc, REC_HPR);
        case ID_EXPORT_HPR_REPORT: return Has(doc, REC_SOUNDER);
        default: return false;
    }
}

// The selection can be walked only while it names a record that still exists.
bool HasSelection(const CVKDoc& doc) {
    return doc.Selected && doc.SelectedIndex >= 0 && static_cast<size_t>(doc.SelectedIndex) < doc.Records.size();
}

CommandState ViewState(int id, const CommandContext& ctx) {
    const bool plan = ctx.activeView == ActiveView::Plan;
    const CRect& w = ctx.window;
    const CRect& e = ctx.extents;

    if (const int mode = DragModeOf(id); mode >= 0) {
        bool enabled = true;
        if (id == ID_DRAG_PATCHTEST) {
            if (!plan) return {};  // the section view has no handler
            enabled = ctx.doc && !ctx.doc->IsGeographic();
        } else if (id == ID_DRAG_GRADIENT) {
            if (!plan) return {};
            enabled = ctx.doc && ctx.doc->Records.size() > 5;
        }
        return {enabled, ctx.dragMode == mode};
    }

    switch (id) {
        // The limits only stop a move that starts at or beyond them.
        case ID_ZOOM_EXTENTS: return {true, false};
        case ID_ZOOM_OUT: return {Width(w) < Width(e) && Height(w) < Height(e), false};
        case ID_PAN_RIGHT: return {w.right < e.right, false};
        case ID_PAN_LEFT: return {e.left < w.left, false};
        case ID_PAN_UP: return {w.bottom < e.bottom, false};
        case ID_PAN_DOWN: return {e.top < w.top, false};
        case ID_VIEW_ANIMATE:
            if (!ctx.doc) return {};
            return {HasSelection(*ctx.doc), ctx.doc->Animating};
        case ID_FILE_PRINT:
        case ID_FILE_PRINT_DIRECT:
        case ID_FILE_PRINT_PREVIEW:
            return {true, false};
        default: return {};
    }
}

}  // namespace

const std::vector<CommandInfo>& CommandTable() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& cmd : kCommands)
        if (cmd.id == id) return &cmd;
    return nullptr;
}

std::string_view StatusPrompt(const CommandInfo& cmd) {
    std::string_view p = cmd.prompt;
    return p.substr(0, p.find('\n'));
}

std::string_view ToolTip(const CommandInfo& cmd) {
    std::string_view p = cmd.prompt;
    const size_t nl = p.find('\n');
    return nl == std::string_view::npos ? std::string_view{} : p.substr(nl + 1);
}

const std::vector<MenuItem>& MenuBar() {
    static const std::vector<MenuItem> bar = BuildMenuBar();
    return bar;
}

std::string MenuPath(int id) {
    std::string path;
    if (!FindPath(MenuBar(), id, path)) path.clear();
    return path;
}

const std::vector<ToolBarInfo>& ToolBars() {
    static const std::vector<ToolBarInfo> bars = {
        {"Standard",
         DockSide::Left,
         true,
         {ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_SEPARATOR,
          ID_FILE_PRINT, ID_CONTEXT_HELP, ID_SEPARATOR, ID_EDIT_PROPERTIES}},
        {"EditBar", DockSide::Top, false, {}},
        {"View",
         DockSide::Right,
         true,
         {ID_ZOOM_EXTENTS, ID_ZOOM_OUT, ID_SEPARATOR, ID_PAN_RIGHT, ID_PAN_LEFT, ID_PAN_UP, ID_PAN_DOWN,
          ID_SEPARATOR, ID_DRAG_VIEW, ID_DRAG_DELETE, ID_DRAG_UNDELETE, ID_DRAG_TIMEFRAME, ID_DRAG_ENQUIRE,
          ID_DRAG_PATCHTEST, ID_DRAG_GRADIENT, ID_SEPARATOR, ID_EDIT_RESTORE, ID_VIEW_ANIMATE}},
    };
    return bars;
}

const std::vector<Accelerator>& Accelerators() {
    static const std::vector<Accelerator> keys = {
        {"Ctrl+N", ID_FILE_NEW},       {"Ctrl+O", ID_FILE_OPEN},   {"Ctrl+S", ID_FILE_SAVE},
        {"Ctrl+P", ID_FILE_PRINT},     {"Ctrl+Z", ID_EDIT_UNDO},   {"Alt+Backspace", ID_EDIT_UNDO},
        {"Ctrl+X", ID_EDIT_CUT},       {"Shift+Del", ID_EDIT_CUT}, {"Ctrl+C", ID_EDIT_COPY},
        {"Ctrl+Ins", ID_EDIT_COPY},    {"Ctrl+V", ID_EDIT_PASTE},  {"Shift+Ins", ID_EDIT_PASTE},
        {"F6", ID_NEXT_PANE},          {"Shift+F6", ID_PREV_PANE}, {"F1", ID_HELP},
        {"Shift+F1", ID_CONTEXT_HELP},
    };
    return keys;
}

int DragModeOf(int id) {
    for (const DragCommand& d : kDragCommands)
        if (d.id == id) return d.mode;
    return -1;
}

CommandState EvaluateCommand(int id, const CommandContext& ctx) {
    const CommandInfo* cmd = FindCommand(id);
    if (!cmd) return {};

    switch (cmd->target) {
        case CommandTarget::None: return {};
        case CommandTarget::Document:
            if (!ctx.doc) return {};
            return {DocumentEnabled(id, *ctx.doc), false};
        case CommandTarget::View:
            if (ctx.activeView == ActiveView::None) return {};
            return ViewState(id, ctx);
        case CommandTarget::Frame:
            switch (id) {
                case ID_VIEW_TOOLBAR: return {true, ctx.toolBarVisible};
                case ID_VIEW_STATUS_BAR: return {true, ctx.statusBarVisible};
                case ID_VIEW_EDITBAR: return {true, ctx.editBarVisible};
                default: return {true, false};
            }
        case CommandTarget::App:
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + RECENT_FILE_COUNT)
                return {id - ID_FILE_MRU_FILE1 < ctx.recentFileCount, false};
            return {true, false};
    }
    return {};
}

}  // namespace aq
