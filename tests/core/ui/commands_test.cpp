// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "geodesy/controlpoints.h"
#include "import/common.h"
#include "model/doc.h"
#include "model/scriptedport.h"
#include "processing/recalc.h"
#include "support/builders.h"

// GCC 12 at -O3 takes a short string assigned in a test here for an overlapping copy of
// exabytes (a false -Wrestrict once the test bodies are inlined into one another).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace aq {
namespace {

// A document holding n records whose flags OR to kindFlags.
void Fill(CVKDoc& doc, size_t n, uint16_t kindFlags) {
    for (size_t i = 0; i < n; ++i) {
        CVKData rec;
        rec.Flags = kindFlags;
        doc.Records.push_back(rec);
    }
    doc.KindFlags = kindFlags;
}

bool Enabled(const CVKDoc& doc, int id) {
    CommandContext ctx;
    ctx.doc = &doc;
    ctx.activeView = ActiveView::Plan;
    return EvaluateCommand(id, ctx).enabled;
}

void CollectMenuIds(const std::vector<MenuItem>& items, std::vector<int>& ids) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuKind::Popup) CollectMenuIds(item.items, ids);
        else if (item.kind != MenuKind::Separator) ids.push_back(item.id);
    }
}

// A geographic survey imported from the sounder, with an elevation offset, a deleted depth
// and two control points, unmodified: every plain command of the table can run on it.
void EveryPlainCommandCanRun(CVKDoc& doc) {
    SilentPort quiet;
    for (int i = 0; i < 6; ++i)
        test::Append(doc, {CVKData::OfPosition(test::At(10, 0, 2 * i), -12000000 + 1000 * i, 501000000 + 500 * i, 150,
                                               REC_POSITION | REC_GEOGRAPHIC, 0),
                           test::Depth(test::At(10, 0, 2 * i + 1), 700 + 10 * i)});
    doc.Records[3].Flags |= REC_DELETED;
    doc.ImportedFiles = "/surveys/day1.brv\n";
    doc.ElevOffset = 150;
    doc.SounderImported = 1;
    for (const auto& [name, lat, lon, x, y] :
         {std::tuple{"A", 50.1, -1.2, 1000.0, 1000.0}, std::tuple{"B", 50.11, -1.19, 1700.0, 2100.0}}) {
        ControlPageValues v;
        v.Name = name;
        v.LatDeg = lat;
        v.LonDeg = -lon;
        v.LonHemisphere = "W";
        v.GridX = x;
        v.GridY = y;
        AddControl(doc, v, quiet);
    }
    Recalculate(doc, quiet);
    doc.SetModified(false, quiet);
}

// The actions of the table talk through the port their front end hands them: what an
// import says of a file it cannot open, and what a plain command tells the shell (the
// modified mark, the record counts) or the user, reach that port.
TEST(CommandActions, TalkThroughThePortTheyAreGiven) {
    const std::string missing = "/no/such/folder/survey.dat";
    for (const CommandInfo& cmd : CommandTable()) {
        if (cmd.action != ActionKind::Import || !cmd.import) continue;
        CVKDoc doc;
        ScriptedPort port;
        EXPECT_EQ(cmd.import(doc, missing, port), ImportResult::FileError) << cmd.verb;
        EXPECT_EQ(port.Texts(), std::vector<std::string>{missing + " was not found."}) << cmd.verb;
    }
    size_t plain = 0, ran = 0;
    for (const CommandInfo& cmd : CommandTable()) {
        if (cmd.action != ActionKind::Plain || !cmd.run) continue;
        ++plain;
        CVKDoc doc;
        EveryPlainCommandCanRun(doc);
        if (!Enabled(doc, cmd.id)) continue;
        ++ran;
        ScriptedPort port;
        cmd.run(doc, port);
        EXPECT_EQ(port.modified, doc.Modified) << cmd.verb;
        if (doc.Modified) {
            EXPECT_EQ(port.statusText, doc.StatusText) << cmd.verb;
        }
        EXPECT_EQ(port.openPhases, 0) << cmd.verb;
        if (cmd.id == ID_IMPORT_INFORMATION || cmd.id == ID_CONTROL_SELF_TEST) {
            EXPECT_FALSE(port.messages.empty()) << cmd.verb;
        }
    }
    EXPECT_EQ(ran, plain);
}

TEST(CommandTable, IdsAreUniqueAndEveryMenuBarAndKeyIdIsKnown) {
    std::set<int> seen;
    for (const CommandInfo& cmd : CommandTable()) EXPECT_TRUE(seen.insert(cmd.id).second) << cmd.id;

    std::vector<int> used;
    CollectMenuIds(MenuBar(), used);
    for (const ToolBarInfo& bar : ToolBars())
        for (int id : bar.buttons)
            if (id != ID_SEPARATOR) used.push_back(id);
    for (const Accelerator& key : Accelerators()) used.push_back(key.id);
    for (int id : used) EXPECT_NE(FindCommand(id), nullptr) << id;

    // Everything but the tool-bar and key-only commands is reachable from the menu.
    const std::set<int> offMenu = {ID_DRAG_PATCHTEST, ID_CONTEXT_HELP, ID_HELP, ID_FILE_PRINT_DIRECT,
                                   ID_NEXT_PANE, ID_PREV_PANE};
    for (const CommandInfo& cmd : CommandTable()) {
        if (cmd.reach == Reach::CliOnly) continue;  // the command line's own have no window
        EXPECT_EQ(MenuPath(cmd.id).empty(), offMenu.count(cmd.id) == 1) << cmd.id;
    }
}

TEST(CommandTable, MenuAcceleratorsMatchKeyTable) {
    for (const CommandInfo& cmd : CommandTable()) {
        std::string_view text = cmd.text;
        const size_t tab = text.find('\t');
        if (tab == std::string_view::npos) continue;
        bool found = false;
        for (const Accelerator& key : Accelerators())
            found |= key.id == cmd.id && text.substr(tab + 1) == key.keys;
        EXPECT_TRUE(found) << cmd.text;
    }
}

// The menu bar is made from the table's paths and separator marks; the menus keep their
// order and their separators where they were.
std::vector<std::string> Shape(const std::vector<MenuItem>& items) {
    std::vector<std::string> out;
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuKind::Separator: out.push_back("-"); break;
            case MenuKind::Popup: out.push_back(std::string(item.text) + "/"); break;
            case MenuKind::RecentFiles: out.push_back("recent"); break;
            case MenuKind::Command: out.push_back(std::string(FindCommand(item.id)->text).substr(0, std::string(FindCommand(item.id)->text).find('\t'))); break;
        }
    }
    return out;
}

const MenuItem& Popup(const std::vector<MenuItem>& items, std::string_view text) {
    for (const MenuItem& item : items)
        if (item.kind == MenuKind::Popup && text == item.text) return item;
    static const MenuItem none;
    ADD_FAILURE() << "no popup " << text;
    return none;
}

TEST(CommandTable, MenuBarFromTheTable) {
    const std::vector<MenuItem>& bar = MenuBar();
    EXPECT_EQ(Shape(bar), (std::vector<std::string>{"&File/", "&Edit/", "&View/", "&Surface/", "&Help/"}));
    EXPECT_EQ(Shape(Popup(bar, "&Surface").items), (std::vector<std::string>{"Grid Surface...", "Contours...", "Volumes...", "Cross Sections...", "-", "Survey Report..."}));
    EXPECT_EQ(Shape(Popup(bar, "&File").items),
              (std::vector<std::string>{"&New", "&Open...", "&Save", "Save &As...", "-", "Import/", "Export/", "-",
                                        "&Print...", "Print Pre&view", "P&rint Setup...", "-", "recent", "-", "E&xit"}));
    EXPECT_EQ(Shape(Popup(bar, "&Edit").items),
              (std::vector<std::string>{"&Undo", "&Redo", "-", "Cu&t", "&Copy", "&Paste", "-", "Restore", "Offsets/",
                                        "Transform/", "Filter/", "Remove", "Quality Control/", "-", "Properties ..."}));
    EXPECT_EQ(Shape(Popup(Popup(bar, "&File").items, "Import").items),
              (std::vector<std::string>{"Brivel", "ASCII/", "Leica RTK", "NMEA", "Trimble/", "Information", "Tide/"}));
    EXPECT_EQ(Shape(Popup(Popup(bar, "&File").items, "Export").items),
              (std::vector<std::string>{"ASCII", "DXF", "Trimble/", "Simple/", "Spreadsheet/", "KML"}));
    EXPECT_EQ(Shape(Popup(bar, "&View").items),
              (std::vector<std::string>{"&Toolbar", "Status &Bar", "&EditBar", "Show &Deleted", "E&qual Scale", "Show S&urface", "-", "&Pan/", "&Zoom/", "&Drag Mode/", "-",
                                        "Animate", "Gradient"}));
    EXPECT_EQ(Shape(Popup(bar, "&Help").items), (std::vector<std::string>{"&Help Topics", "-", "&About Aquenta..."}));
}

// Each verb of the command line belongs to one command, or to commands that do the
// same (Save and Save As); a verb's second word belongs to a group that says what it is.
TEST(CommandTable, VerbsAndTheirRules) {
    std::set<std::string> verbs;
    for (const CommandInfo& cmd : CommandTable()) {
        if (cmd.target == CommandTarget::Document) {
            EXPECT_NE(cmd.rule.enabled, nullptr) << cmd.id;
            EXPECT_NE(cmd.rule.needs, nullptr) << cmd.id;
        }
        if (!cmd.verb) continue;
        if (!verbs.insert(cmd.verb).second) {
            EXPECT_EQ(std::string_view(cmd.verb), "save") << cmd.id;
        }
        if (!VerbWord(cmd).empty()) {
            EXPECT_NE(FindVerbGroup(VerbName(cmd)), nullptr) << cmd.verb;
        }
        if (cmd.action == ActionKind::Plain) {
            EXPECT_NE(cmd.run, nullptr) << cmd.verb;
        }
        if (cmd.action == ActionKind::Import) {
            EXPECT_NE(cmd.import, nullptr) << cmd.verb;
        }
    }
    for (const VerbGroup& g : VerbGroups())
        EXPECT_EQ(FindCommandByVerb(g.verb), nullptr) << g.verb << " is a group and a command";

    CVKDoc doc;
    Fill(doc, 1, REC_POSITION);
    const CommandInfo& hiPass = *FindCommand(ID_FILTER_HI_PASS);
    EXPECT_FALSE(Enabled(doc, ID_FILTER_HI_PASS));
    EXPECT_EQ(RefusalText(hiPass, doc),
              "\"Edit > Filter > Hi Pass Z\" is not available: it needs more than 1 record (the survey has 1).");
    EXPECT_EQ(MenuName(ID_DRAG_PATCHTEST), "Patchtest");

    // A rule of kinds names the kinds missing: the count of all records would read as a
    // count of those.
    CVKDoc tides;
    Fill(tides, 17, REC_TIDE);
    EXPECT_EQ(RefusalText(*FindCommand(ID_QC_FLAG_SPIKES), tides),
              "\"Edit > Quality Control > Flag Spikes...\" is not available: it needs position and depth records "
              "(the survey has no position and no depth records).");
    CVKDoc depths;
    Fill(depths, 17, REC_DEPTH);
    EXPECT_EQ(RefusalText(*FindCommand(ID_QC_CROSSINGS), depths),
              "\"Edit > Quality Control > Crossings...\" is not available: it needs position and depth records "
              "(the survey has no position records).");
}

TEST(CommandTable, PathsPromptsAndTemplate) {
    EXPECT_EQ(MenuPath(ID_FILE_NEW), "&File/&New");
    EXPECT_EQ(MenuPath(ID_IMPORT_VK_RAW), "&File/Import/ASCII/VK Raw");
    EXPECT_EQ(MenuPath(ID_EXPORT_US_ARMY), "&File/Export/Trimble/US Army");
    EXPECT_EQ(MenuPath(ID_FILE_MRU_FILE3), "&File/Recent File");
    EXPECT_EQ(MenuPath(ID_DRAG_ENQUIRE), "&View/&Drag Mode/Enquire");

    const CommandInfo* add = FindCommand(ID_CONTROL_ADD);
    ASSERT_NE(add, nullptr);
    EXPECT_FALSE(add->promptIsOurs);
    EXPECT_EQ(StatusPrompt(*add), "Add a control point for user grid transformation");
    EXPECT_EQ(ToolTip(*add), "Add Control");
    EXPECT_EQ(ToolTip(*FindCommand(ID_EXPORT_HYPACK)), "");
    EXPECT_TRUE(FindCommand(ID_IMPORT_BRIVEL)->promptIsOurs);

    EXPECT_EQ(std::string(DOC_TEMPLATE), std::string(APP_TITLE) + "\n\n" + DOC_NEW_NAME + "\n" + DOC_FILTER +
                                             "\n" + DOC_EXTENSION + "\n" + DOC_TYPE_ID + "\n" + DOC_TYPE_NAME);
}

struct DocCase {
    const char* what;
    int id;
    size_t records;
    uint16_t kindFlags;
    bool enabled;
};

TEST(CommandEnabling, DocumentRules) {
    const DocCase cases[] = {
        {"NMEA, empty", ID_IMPORT_NMEA, 0, 0, true},
        {"NMEA, depth and position", ID_IMPORT_NMEA, 2, 0x30, true},
        {"NMEA, all three kinds", ID_IMPORT_NMEA, 3, 0x70, false},
        {"Geotronics import, grid positions", ID_IMPORT_GEOTRONICS, 1, 0x20, true},
        {"Geotronics import, geographic positions", ID_IMPORT_GEOTRONICS, 1, 0x220, false},
        {"Leica with positions", ID_IMPORT_LEICA, 1, 0x20, false},
        {"Tide ASCII with tides (asks to replace them)", ID_IMPORT_TIDE_ASCII, 1, 0x40, true},
        {"GGK on a document with records", ID_IMPORT_GGK, 1, 0x10, false},
        {"US Army import, empty", ID_IMPORT_US_ARMY, 0, 0, true},
        {"US Army export, 3 records", ID_EXPORT_US_ARMY, 3, 0x10, false},
        {"US Army export, 4 records", ID_EXPORT_US_ARMY, 4, 0x10, true},
        {"Range, 3 records", ID_FILTER_RANGE, 3, 0x10, false},
        {"Hi Pass, 1 record", ID_FILTER_HI_PASS, 1, 0x20, false},
        {"Lo Pass, 2 records", ID_FILTER_LO_PASS, 2, 0x20, true},
        {"DXF, depths only", ID_EXPORT_DXF, 5, 0x10, false},
        {"DXF, positions", ID_EXPORT_DXF, 5, 0x30, true},
        {"DXF, position flag without records", ID_EXPORT_DXF, 0, 0x20, false},
        {"Restore, empty", ID_EDIT_RESTORE, 0, 0, false},
        {"CSV, one record", ID_EXPORT_CSV, 1, 0x80, true},
        {"Depth offsets without depths", ID_OFFSETS_DEPTHS, 2, 0x60, false},
        {"KML, grid", ID_EXPORT_KML, 2, 0x20, false},
        {"UTM, geographic", ID_CONVERT_UTM, 2, 0x220, true},
        {"HPR report, sounder data", ID_EXPORT_HPR_REPORT, 1, 0x410, true},
        {"Clear Z, empty", ID_CLEAR_Z, 0, 0, true},
        {"Quellen", ID_IMPORT_TIDE_QUELLEN, 0, 0, false},
    };
    for (const DocCase& c : cases) {
        CVKDoc doc;
        Fill(doc, c.records, c.kindFlags);
        EXPECT_EQ(Enabled(doc, c.id), c.enabled) << c.what;
    }
}

TEST(CommandEnabling, ApplyHprNeedsOffsetSounderAndNotDone) {
    CVKDoc doc;
    Fill(doc, 4, 0x430);
    EXPECT_FALSE(Enabled(doc, ID_APPLY_HPR));
    doc.ElevOffset = -150;
    EXPECT_FALSE(Enabled(doc, ID_APPLY_HPR));
    doc.SounderImported = 1;
    EXPECT_TRUE(Enabled(doc, ID_APPLY_HPR));
    doc.KindFlags |= REC_HPR;
    EXPECT_FALSE(Enabled(doc, ID_APPLY_HPR));
}

TEST(CommandEnabling, ControlPointCommands) {
    CVKDoc doc;
    Fill(doc, 2, 0x220);
    EXPECT_TRUE(Enabled(doc, ID_CONTROL_ADD));
    EXPECT_FALSE(Enabled(doc, ID_CONTROL_EDIT));
    doc.Control.Points.push_back(ClsqData{});
    EXPECT_TRUE(Enabled(doc, ID_CONTROL_EDIT));
    EXPECT_FALSE(Enabled(doc, ID_CONTROL_APPLY));
    doc.Control.Points.push_back(ClsqData{});
    EXPECT_TRUE(Enabled(doc, ID_CONTROL_APPLY));
    doc.KindFlags = 0x20;  // a grid survey keeps the points but cannot use them
    EXPECT_FALSE(Enabled(doc, ID_CONTROL_EDIT));
    EXPECT_FALSE(Enabled(doc, ID_CONTROL_APPLY));
    EXPECT_TRUE(Enabled(doc, ID_CONTROL_SELF_TEST));
}

TEST(CommandEnabling, UnhandledAndDocumentlessCommands) {
    CVKDoc doc;
    Fill(doc, 10, 0x70);
    doc.ImportedFiles = "a.brv\n";
    for (int id : {int{ID_EDIT_UNDO}, int{ID_EDIT_CUT}, int{ID_EDIT_COPY}, int{ID_EDIT_PASTE}, 12345})
        EXPECT_EQ(EvaluateCommand(id, CommandContext{.doc = &doc}), CommandState{}) << id;
    EXPECT_TRUE(Enabled(doc, ID_IMPORT_INFORMATION));

    const CommandContext none;
    EXPECT_FALSE(EvaluateCommand(ID_EDIT_RESTORE, none).enabled);
    EXPECT_FALSE(EvaluateCommand(ID_ZOOM_EXTENTS, none).enabled);  // no active view
    EXPECT_TRUE(EvaluateCommand(ID_FILE_OPEN, none).enabled);
    CommandContext frame;
    frame.statusBarVisible = false;
    frame.recentFileCount = 2;
    EXPECT_EQ(EvaluateCommand(ID_VIEW_STATUS_BAR, frame), (CommandState{true, false}));
    EXPECT_EQ(EvaluateCommand(ID_VIEW_TOOLBAR, frame), (CommandState{true, true}));
    EXPECT_TRUE(EvaluateCommand(ID_FILE_MRU_FILE2, frame).enabled);
    EXPECT_FALSE(EvaluateCommand(ID_FILE_MRU_FILE3, frame).enabled);
}

TEST(CommandEnabling, ZoomAndPanStopAtTheExtents) {
    CommandContext ctx;
    ctx.activeView = ActiveView::Section;
    for (int id : {ID_ZOOM_OUT, ID_PAN_RIGHT, ID_PAN_LEFT, ID_PAN_UP, ID_PAN_DOWN})
        EXPECT_FALSE(EvaluateCommand(id, ctx).enabled) << id;
    EXPECT_TRUE(EvaluateCommand(ID_ZOOM_EXTENTS, ctx).enabled);

    ctx.window = {0, 0, 8000, 8000};
    for (int id : {ID_ZOOM_OUT, ID_PAN_RIGHT, ID_PAN_LEFT, ID_PAN_UP, ID_PAN_DOWN})
        EXPECT_TRUE(EvaluateCommand(id, ctx).enabled) << id;

    // A pan may carry the window past the extents; only the next move is refused.
    ctx.window = {12000, -3000, 20000, 5000};
    EXPECT_FALSE(EvaluateCommand(ID_PAN_RIGHT, ctx).enabled);
    EXPECT_FALSE(EvaluateCommand(ID_PAN_DOWN, ctx).enabled);
    EXPECT_TRUE(EvaluateCommand(ID_PAN_LEFT, ctx).enabled);
    EXPECT_TRUE(EvaluateCommand(ID_PAN_UP, ctx).enabled);
    ctx.window = {0, 0, 17000, 100};  // as wide as the extents
    EXPECT_FALSE(EvaluateCommand(ID_ZOOM_OUT, ctx).enabled);
}

TEST(CommandEnabling, DragModesPerView) {
    CVKDoc doc;
    Fill(doc, 6, 0x30);
    CommandContext ctx{.doc = &doc, .activeView = ActiveView::Plan};
    ctx.dragMode = DragModeOf(ID_DRAG_DELETE);
    EXPECT_EQ(EvaluateCommand(ID_DRAG_DELETE, ctx), (CommandState{true, true}));
    EXPECT_EQ(EvaluateCommand(ID_DRAG_VIEW, ctx), (CommandState{true, false}));
    EXPECT_TRUE(EvaluateCommand(ID_DRAG_PATCHTEST, ctx).enabled);
    EXPECT_TRUE(EvaluateCommand(ID_DRAG_GRADIENT, ctx).enabled);

    doc.Records.pop_back();  // the gradient test needs more than 5 records
    EXPECT_FALSE(EvaluateCommand(ID_DRAG_GRADIENT, ctx).enabled);
    doc.KindFlags |= REC_GEOGRAPHIC;
    EXPECT_FALSE(EvaluateCommand(ID_DRAG_PATCHTEST, ctx).enabled);

    ctx.activeView = ActiveView::Section;
    doc.KindFlags = 0x30;
    ctx.dragMode = 5;
    EXPECT_EQ(EvaluateCommand(ID_DRAG_PATCHTEST, ctx), CommandState{});
    EXPECT_EQ(EvaluateCommand(ID_DRAG_GRADIENT, ctx), CommandState{});
    EXPECT_TRUE(EvaluateCommand(ID_DRAG_TIMEFRAME, ctx).enabled);
}

TEST(CommandEnabling, AnimateNeedsALiveSelection) {
    CVKDoc doc;
    Fill(doc, 3, 0x20);
    const CommandContext ctx{.doc = &doc, .activeView = ActiveView::Plan};
    EXPECT_FALSE(EvaluateCommand(ID_VIEW_ANIMATE, ctx).enabled);
    doc.Selected = true;
    doc.SelectedIndex = 2;
    doc.Animating = true;
    EXPECT_EQ(EvaluateCommand(ID_VIEW_ANIMATE, ctx), (CommandState{true, true}));
    doc.Records.resize(2);  // the selection no longer names a record
    EXPECT_FALSE(EvaluateCommand(ID_VIEW_ANIMATE, ctx).enabled);
}

}  // namespace
}  // namespace aq
