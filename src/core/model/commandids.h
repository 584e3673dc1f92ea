// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/geometry.h"

// What every floor of the program knows about its commands: their numbers, by which the
// import and export tables, the settings and the tests name them, and the state of the
// window their enabling looks at. The table of the commands themselves is in ui/.
namespace aq {

class CVKDoc;

// Command identifiers. The survey commands start at 32781; the general ones (files,
// clipboard, printing, help, panes, bars) sit from 57600 on. The numbers are what the
// settings and tests know the commands by.
enum CommandId : int {
    ID_SEPARATOR = 0,  // a blank in a tool bar or menu

    // program commands
    ID_VIEW_EDITBAR = 32781,
    ID_ZOOM_EXTENTS = 32787,
    ID_ZOOM_OUT = 32788,
    ID_PAN_LEFT = 32789,
    ID_PAN_RIGHT = 32790,
    ID_PAN_UP = 32795,
    ID_PAN_DOWN = 32796,
    ID_DRAG_DELETE = 32798,
    ID_DRAG_UNDELETE = 32799,
    ID_DRAG_VIEW = 32803,
    ID_IMPORT_GEOTRONICS = 32806,
    ID_IMPORT_NMEA = 32807,
    ID_IMPORT_TIDE_ASCII = 32808,
    ID_EXPORT_GEOTRONICS = 32810,
    ID_EDIT_RESTORE = 32813,
    ID_DRAG_TIMEFRAME = 32817,
    ID_EXPORT_ASCII = 32821,
    ID_EXPORT_XYZ = 32822,
    ID_OFFSETS_POSITIONS = 32824,
    ID_OFFSETS_DEPTHS = 32825,
    ID_OFFSETS_TIDE = 32826,
    ID_DRAG_ENQUIRE = 32827,
    ID_EXPORT_DXF = 32830,
    ID_CONTROL_ADD = 32831,
    ID_CONTROL_EDIT = 32832,
    ID_CONTROL_APPLY = 32833,
    ID_EDIT_REMOVE = 32841,
    ID_IMPORT_VIVOZ = 32850,
    ID_IMPORT_INFORMATION = 32851,
    ID_DRAG_PATCHTEST = 32852,
    ID_EDIT_PROPERTIES = 32853,
    ID_CONVERT_UTM = 32858,
    ID_CONTROL_SELF_TEST = 32859,
    ID_IMPORT_VK_RAW = 32860,
    ID_IMPORT_LEICA = 32862,
    ID_IMPORT_WT_RAW = 32863,
    ID_EXPORT_HYPACK = 32865,
    ID_IMPORT_FORMATTED = 32866,
    ID_FILTER_RANGE = 32867,
    ID_IMPORT_US_ARMY = 32868,
    ID_EXPORT_US_ARMY = 32870,
    ID_IMPORT_PJK = 32871,
    ID_IMPORT_GGK = 32872,
    ID_FILTER_HI_PASS = 32873,
    ID_FILTER_LO_PASS = 32874,
    ID_IMPORT_BRIVEL = 32876,
    ID_VIEW_ANIMATE = 32877,
    ID_APPLY_HPR = 32880,
    ID_EXPORT_HPR_REPORT = 32881,
    ID_EXPORT_CSV = 32882,
    ID_DRAG_GRADIENT = 32884,
    ID_CLEAR_Z = 32886,
    ID_IMPORT_TIDE_QUELLEN = 32888,
    ID_EXPORT_KML = 32889,

    // commands of the command line alone
    ID_LIST_STATUS = 32901,
    ID_LIST_SUMMARY = 32902,
    ID_LIST_RECORDS = 32903,
    ID_CONTROL_LIST = 32904,
    ID_LAYOUT_SAVE = 32905,
    ID_LAYOUT_SHOW = 32906,
    ID_POINT_EDIT = 32907,
    ID_EDIT_HISTORY = 32908,
    ID_UNDO_BUDGET = 32909,

    // commands of the window alone
    ID_VIEW_SHOW_DELETED = 32920,
    ID_VIEW_EQUAL_SCALE = 32921,

    // coordinate systems
    ID_CONVERT_CRS = 32930,
    ID_COORDINATE_SYSTEM = 32931,

    // surfaces
    ID_SURFACE_GRID = 32940,
    ID_SURFACE_CONTOURS = 32941,
    ID_VIEW_SHOW_SURFACE = 32942,

    // quality control
    ID_QC_LINES = 32950,
    ID_QC_CROSSINGS = 32951,
    ID_QC_FLAG_SPIKES = 32952,
    ID_SURVEY_REPORT = 32960,

    // water level from GNSS heights
    ID_TIDE_FROM_GNSS = 32970,
    ID_TIDE_COMPARE = 32971,

    // volumes and cross sections
    ID_SURFACE_VOLUMES = 32980,
    ID_SURFACE_SECTIONS = 32981,

    // general commands
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_FILE_MRU_FILE4 = 57619,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57667,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// Entries of the recent-file list; they take ids ID_FILE_MRU_FILE1 onward.
inline constexpr int RECENT_FILE_COUNT = 4;

// The view that has the keyboard focus; view commands go to it.
enum class ActiveView { None, Plan, Section };

// What the enabling rules depend on beyond the document.
struct CommandContext {
    const CVKDoc* doc = nullptr;
    ActiveView activeView = ActiveView::None;
    // State of the active view.
    int dragMode = 0;
    CRect window{-1000, -1000, 16000, 16000};
    CRect extents{-1000, -1000, 16000, 16000};
    // Frame state.
    bool toolBarVisible = true;
    bool statusBarVisible = true;
    bool editBarVisible = true;
    bool deletedShown = true;
    bool equalScale = true;  // of the plan, for the survey's kind of coordinates
    bool surfaceShown = true;  // the plan's surface layer
    int recentFileCount = 0;
    // The undo history's state.
    bool canUndo = false;
    bool canRedo = false;
};

}  // namespace aq
