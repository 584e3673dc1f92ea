// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/commands.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>
#include <utility>

#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "history/history.h"
#include "import/brivel.h"
#include "import/common.h"
#include "import/formatted.h"
#include "import/gpsreceivers.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "model/data.h"
#include "model/doc.h"
#include "processing/flags.h"
#include "processing/hpr.h"
#include "views/viewstate.h"

namespace aq {

namespace {

using T = CommandTarget;
using A = ActionKind;
using U = UndoKind;

bool Has(const CVKDoc& doc, unsigned bits) { return (doc.KindFlags & bits) == bits; }

// ---- the enabling rules of the document commands ----

constexpr EnablingRule kAlways{[](const CVKDoc&) { return true; }, "a document"};
constexpr EnablingRule kAnyRecords{[](const CVKDoc& d) { return !d.Records.empty(); }, "at least one record"};
constexpr EnablingRule kMoreThan1{[](const CVKDoc& d) { return d.Records.size() > 1; }, "more than 1 record"};
constexpr EnablingRule kMoreThan3{[](const CVKDoc& d) { return d.Records.size() > 3; }, "more than 3 records"};
constexpr EnablingRule kMoreThan5{[](const CVKDoc& d) { return d.Records.size() > 5; }, "more than 5 records"};
constexpr EnablingRule kEmpty{[](const CVKDoc& d) { return d.Records.empty(); }, "an empty survey"};
constexpr EnablingRule kPositionRecords{
    [](const CVKDoc& d) { return !d.Records.empty() && Has(d, REC_POSITION); }, "records with positions"};
constexpr EnablingRule kNoPositions{[](const CVKDoc& d) { return !Has(d, REC_POSITION); },
                                    "a survey without positions"};
constexpr EnablingRule kNotGeographicPositions{
    [](const CVKDoc& d) { return !Has(d, REC_POSITION | REC_GEOGRAPHIC); }, "a survey that is not geographic"};
constexpr EnablingRule kNotAllThreeKinds{[](const CVKDoc& d) { return !Has(d, REC_DEPTH | REC_POSITION | REC_TIDE); },
                                         "a survey without depths, positions and tides all three"};
constexpr EnablingRule kImportedFiles{[](const CVKDoc& d) { return !d.ImportedFiles.empty(); },
                                      "an imported file"};
constexpr EnablingRule kPositions{[](const CVKDoc& d) { return Has(d, REC_POSITION); }, "position records",
                                  REC_POSITION};
constexpr EnablingRule kDepths{[](const CVKDoc& d) { return Has(d, REC_DEPTH); }, "depth records", REC_DEPTH};
constexpr EnablingRule kTides{[](const CVKDoc& d) { return Has(d, REC_TIDE); }, "tide records", REC_TIDE};
constexpr EnablingRule kSounder{[](const CVKDoc& d) { return Has(d, REC_SOUNDER); }, "sounder data"};
constexpr EnablingRule kGeographic{[](const CVKDoc& d) { return d.IsGeographic(); }, "a geographic survey"};
constexpr EnablingRule kNotGeographic{[](const CVKDoc& d) { return !d.IsGeographic(); },
                                      "a survey on a grid (not geographic)"};
constexpr EnablingRule kControlPoint{
    [](const CVKDoc& d) { return d.IsGeographic() && !d.Control.Points.empty(); },
    "a geographic survey and a control point"};
constexpr EnablingRule kGeographicAndControl{
    [](const CVKDoc& d) { return d.IsGeographic() && d.Control.IsUsable(); },
    "a geographic survey and two control points or more"};
constexpr EnablingRule kUsableControl{[](const CVKDoc& d) { return d.Control.IsUsable(); },
                                      "two control points or more"};
constexpr EnablingRule kPositionsAndDepths{[](const CVKDoc& d) { return Has(d, REC_POSITION | REC_DEPTH); },
                                          "position and depth records", REC_POSITION | REC_DEPTH};
constexpr EnablingRule kPositionsAndTides{[](const CVKDoc& d) { return Has(d, REC_POSITION | REC_TIDE); },
                                          "position and tide records", REC_POSITION | REC_TIDE};
constexpr EnablingRule kHprApplicable{
    [](const CVKDoc& d) { return d.ElevOffset != 0 && d.SounderImported != 0 && !Has(d, REC_HPR); },
    "an elevation offset, sounder data and no earlier Apply HPR"};

void RunRemove(CVKDoc& doc, UserPort& port) { Remove(doc, port); }
void RunApplyHpr(CVKDoc& doc, UserPort&) { ApplyHpr(doc); }

// Reasons of the commands one front end offers.
constexpr char kNoHandler[] = "not offered yet: the menu shows it greyed";
constexpr char kViewOnly[] = "changes what a view of the window shows; the command line has no view";
constexpr char kWindowOnly[] = "belongs to the window itself";
constexpr char kPrintOnly[] = "the command line draws a print-out with plot";
constexpr char kListing[] = "a listing for scripts; the window shows the survey in its views and status bar";

// What the corners of a box are, for the verbs that take one.
#define AQ_BOX_HELP                                                                                          \
    "L T R B are the corners of the box in the view's logical plane, in any order: the survey's extent\n"   \
    "spans 0 to 15000 each way (the plan view: x from the west edge, y from the north edge; the section\n" \
    "view: x from the first record's time, y from the top of the level axis; the views' margins reach\n"  \
    "-1000 and 16000). The left and top edges belong to the box, the right and bottom ones do not.\n"      \
    "With --units survey they are survey units instead, every edge included: in the plan view eastings\n" \
    "and northings in metres (longitudes and latitudes in degrees in a geographic survey); in the\n"      \
    "section view times in seconds (as records prints them) and levels in metres."
// The options that cut the track into lines, shared by the quality-control verbs.
#define AQ_LINE_ARGS                                                                                  \
    "[--turn DEG] [--turn-distance M] [--gap S] [--gap-distance M]\n"                                 \
    "        [--min-length M] [--tolerance DEG] [--cross LIST] [--ignore-events]"
#define AQ_LINE_HELP                                                                                   \
    "Lines are runs of live positions with a steady heading. A turn (the heading over the next\n"       \
    "--turn-distance metres, default 20, differs from that over the last ones by more than --turn\n"   \
    "degrees, default 30), a gap between positions (more than --gap seconds, default 10, or\n"        \
    "--gap-distance metres, default 50) or an event ends a line (--ignore-events: events do not);\n" \
    "runs shorter than --min-length metres (default 20) are no lines. Lines within --tolerance\n"      \
    "degrees (default 20) of the dominant heading are main lines, of its perpendicular crosslines,\n" \
    "the rest other lines; --cross LIST (\"4,7,10-12\") names the crosslines instead, every other\n"   \
    "line then being a main line. Geographic surveys are measured in metres about their centre."
constexpr char kMixHelp[] =
    "Asks before it brings latitude/longitude positions into a grid survey or the reverse: --yes or --no.";

// The options of the water level from GNSS heights, shared by its two commands.
#define AQ_GNSS_TIDE_ARGS                                                                                      \
    "--heights ellipsoidal|geoid [--separation M | --separation-grid FILE | --geoid egm96]\n"             \
    "        [--datum-offset M] [--antenna-height M] [--window S] [--interval S] [--max-gap S]\n"           \
    "        [--min-quality Q]"
#define AQ_GNSS_TIDE_HELP                                                                                      \
    "Water level = ellipsoidal antenna height - antenna height above the waterline - separation\n"          \
    "- datum offset, from the positions of RTK quality, smoothed and resampled to tide records.\n"          \
    "--heights says what the positions' heights are measured from, which the survey cannot tell:\n"       \
    "  ellipsoidal  above the WGS84 ellipsoid: Trimble GGK (EHT), PJK\n"                                  \
    "  geoid        above the receiver's geoid, taken as EGM96: NMEA GGA altitude\n"                      \
    "  (Leica and Brivel positions carry the height their receiver was set up to give.)\n"                \
    "The separation of the datum above the ellipsoid: --separation M (a constant), --separation-grid\n"    \
    "FILE (any grid GDAL reads: GTX, GeoTIFF, ...; in degrees or any coordinate system PROJ knows), or\n" \
    "--geoid egm96 (PROJ's egm96_15.gtx; the default). Grids are interpolated bilinearly; a survey on a\n" \
    "grid is taken back to latitude and longitude through its coordinate system (not a site grid).\n"    \
    "--datum-offset M: the datum's height above that surface (negative for a chart datum below the\n"     \
    "geoid; default 0). --antenna-height M: the antenna's height above the waterline still in the\n"      \
    "heights, beyond the elevation offset of Offsets > Positions already applied (default 0).\n"         \
    "--window S: the smoothing, a triangular moving average over S seconds (default 60; 0 for none).\n"  \
    "--interval S: seconds between tide records (default 10). --max-gap S: longer gaps between used\n"   \
    "fixes stay gaps (default 120).\n"                                                                   \
    "--min-quality Q: the poorest GGA fix quality used, in the order 1 GPS < 2 DGPS < 5 RTK float\n"     \
    "< 4 RTK fixed (default 4: RTK fixed only). NMEA GGA and Brivel positions carry their quality;\n"     \
    "GGK, PJK and Leica positions carry none and are all used. Positions without a height (GLL,\n"       \
    "RMC) are never used."

// In menu order, then the commands reached only from a tool bar or a key, then those of
// the command line alone.
const std::vector<CommandInfo> kCommands = {
    // File
    {.id = ID_FILE_NEW, .text = "&New\tCtrl+N", .prompt = "Create a new survey document\nNew", .target = T::App,
     .menu = "&File", .keys = "Ctrl+N", .verb = "new"},
    {.id = ID_FILE_OPEN, .text = "&Open...\tCtrl+O", .prompt = "Open an existing survey document\nOpen",
     .target = T::App, .menu = "&File", .keys = "Ctrl+O", .icon = "open", .verb = "open", .args = "FILE",
     .help = "FILE is a survey document (*.son)."},
    {.id = ID_FILE_SAVE, .text = "&Save\tCtrl+S", .prompt = "Save the survey document\nSave", .target = T::Document,
     .menu = "&File", .keys = "Ctrl+S", .icon = "save", .rule = kAlways, .verb = "save", .args = "FILE"},
    {.id = ID_FILE_SAVE_AS, .text = "Save &As...", .prompt = "Save the survey document under a new name\nSave As",
     .target = T::Document, .menu = "&File", .rule = kAlways, .verb = "save", .args = "FILE"},
    // File > Import
    {.id = ID_IMPORT_BRIVEL, .text = "Brivel", .prompt = "Import a Brivel logged file\nBrivel", .target = T::Document,
     .menu = "&File/Import", .separatorBefore = true, .rule = kAlways, .action = A::Import, .import = ImportBrivel,
     .verb = "import brivel", .args = "FILE [--yes | --no]", .help = kMixHelp, .answer = "", .undo = U::Records},
    {.id = ID_IMPORT_VIVOZ, .text = "Vivoz(2000)", .prompt = "Import a Vivoz(2000) text file\nVivoz(2000)",
     .target = T::Document, .menu = "&File/Import/ASCII", .rule = kAlways, .action = A::Import,
     .import = ImportVivoz, .verb = "import vivoz", .args = "FILE [--yes | --no]", .help = kMixHelp, .answer = "", .undo = U::Records},
    {.id = ID_IMPORT_VK_RAW, .text = "VK Raw", .prompt = "Import raw corrund data\nRaw", .promptIsOurs = false,
     .target = T::Document, .menu = "&File/Import/ASCII", .rule = kAlways, .action = A::Import,
     .import = ImportVkRaw, .verb = "import vkraw", .args = "FILE [--gps-heights | --no-gps-heights]",
     .help = "Starts a new survey; a file named *.hex is read as a Corrund memory dump.\n"
             "Asks \"Use GPS heights, if present ?\": --gps-heights or --no-gps-heights (also --yes, --no).",
     .answer = "gps-heights", .undo = U::Records},
    {.id = ID_IMPORT_WT_RAW, .text = "WT Raw", .prompt = "Import a Tevrant tide log\nWT Raw", .target = T::Document,
     .menu = "&File/Import/ASCII", .rule = kAlways, .action = A::Import, .import = ImportWtRaw,
     .verb = "import wtraw", .args = "FILE", .help = "Starts a new survey.", .undo = U::Records},
    {.id = ID_IMPORT_FORMATTED, .text = "Formatted", .prompt = "Import files using a FMT layout file",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Import/ASCII", .rule = kAlways,
     .action = A::Values, .verb = "import formatted", .args = "FILE --layout LAYOUT.fmt [--yes | --no]",
     .help = "Reads the columns a layout file names (see layout save). The window asks for the layout in "
             "a dialog.\n"
             "Of a file read before it asks \"Already Imported - Continue Y/N\": --yes or --no.",
     .answer = "", .undo = U::Records},
    {.id = ID_IMPORT_LEICA, .text = "Leica RTK", .prompt = "Import Leica RTK data as XYZ\nLeica",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Import", .rule = kNoPositions,
     .action = A::Import, .import = ImportLeica, .verb = "import leica", .args = "FILE", .undo = U::Records},
    {.id = ID_IMPORT_NMEA, .text = "NMEA", .prompt = "Import an NMEA 0183 log\nNMEA", .target = T::Document,
     .menu = "&File/Import", .rule = kNotAllThreeKinds, .action = A::Import, .import = ImportNmea,
     .verb = "import nmea", .args = "FILE [--yes | --no]", .help = kMixHelp, .answer = "", .undo = U::Records},
    {.id = ID_IMPORT_GEOTRONICS, .text = "Geotronics", .prompt = "Import a Geodimeter label file\nGeotronics",
     .target = T::Document, .menu = "&File/Import/Trimble", .rule = kNotGeographicPositions, .action = A::Import,
     .import = ImportGeotronics, .verb = "import geotronics", .args = "FILE [--line-breaks | --no-line-breaks]",
     .help = "Asks \"Use line breaks(4=0)?\": --line-breaks or --no-line-breaks (also --yes, --no).\n"
             "Asks before it brings latitude/longitude positions into a grid survey or the reverse.",
     .answer = "line-breaks", .undo = U::Records},
    {.id = ID_IMPORT_GGK, .text = "GGK Format", .prompt = "Import Trimble GGK format datafiles",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Import/Trimble", .rule = kEmpty,
     .action = A::Import, .import = ImportTrimbleGgk, .verb = "import ggk", .args = "FILE", .undo = U::Records},
    {.id = ID_IMPORT_PJK, .text = "PJK Format", .prompt = "Import Trimble PJK format datafiles",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Import/Trimble", .rule = kEmpty,
     .action = A::Import, .import = ImportTrimblePjk, .verb = "import pjk", .args = "FILE", .undo = U::Records},
    {.id = ID_IMPORT_US_ARMY, .text = "US Army", .prompt = "Import data from US Army diver system",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Import/Trimble", .rule = kEmpty,
     .action = A::Import, .import = ImportUsArmy, .verb = "import usarmy",
     .args = "FILE [--gps-heights | --no-gps-heights]",
     .help = "Asks \"Use GPS heights\": --gps-heights or --no-gps-heights (also --yes, --no).",
     .answer = "gps-heights", .undo = U::Records},
    {.id = ID_IMPORT_INFORMATION, .text = "Information", .prompt = "List the files imported into this survey\nImported Files",
     .target = T::Document, .menu = "&File/Import", .rule = kImportedFiles, .action = A::Plain,
     .run = ImportInformation, .verb = "info", .help = "The list goes to standard output."},
    {.id = ID_IMPORT_TIDE_QUELLEN, .text = "Quellen", .prompt = "Import Quellen tide tables (not available)\nQuellen",
     .target = T::None, .menu = "&File/Import/Tide", .reach = Reach::WindowOnly, .only = kNoHandler, .undo = U::Records},
    {.id = ID_IMPORT_TIDE_ASCII, .text = "ASCII", .prompt = "Import a tide table from a text file\nTide ASCII",
     .target = T::Document, .menu = "&File/Import/Tide", .rule = kAlways, .action = A::Import,
     .import = ImportTide, .verb = "import tide", .args = "FILE [--yes | --no]",
     .help = "A survey that holds tides is asked whether the file's replace them: --yes or --no.", .answer = "", .undo = U::Records},
    // File > Export
    {.id = ID_EXPORT_ASCII, .text = "ASCII", .prompt = "Export the survey as an ASCII (*.s2k) file\nExport ASCII",
     .target = T::Document, .menu = "&File/Export", .rule = kAnyRecords, .action = A::Export,
     .verb = "export ascii", .args = "FILE [--kinds KINDS]"},
    {.id = ID_EXPORT_DXF, .text = "DXF", .prompt = "Export the survey as a DXF drawing\nExport DXF",
     .target = T::Document, .menu = "&File/Export", .rule = kPositionRecords, .action = A::Export,
     .verb = "export dxf", .args = "FILE [--kinds KINDS] [--layers N]",
     .help = "--layers is the count of layers the level labels are dealt over (1-20, default 1)."},
    {.id = ID_EXPORT_GEOTRONICS, .text = "Geotronics",
     .prompt = "Export the survey as a Geodimeter label file\nExport Geotronics", .target = T::Document,
     .menu = "&File/Export/Trimble", .rule = kAnyRecords, .action = A::Export, .verb = "export geotronics",
     .args = "FILE [--kinds KINDS]"},
    {.id = ID_EXPORT_US_ARMY, .text = "US Army", .prompt = "Export XYZ data for US Army diver system",
     .promptIsOurs = false, .target = T::Document, .menu = "&File/Export/Trimble", .rule = kMoreThan3,
     .action = A::Export, .verb = "export usarmy", .args = "FILE [--kinds KINDS]"},
    {.id = ID_EXPORT_XYZ, .text = "XYZ", .prompt = "Export positions and seabed levels as XYZ text\nExport XYZ",
     .target = T::Document, .menu = "&File/Export/Simple", .rule = kAnyRecords, .action = A::Export,
     .verb = "export xyz", .args = "FILE [--kinds KINDS]"},
    {.id = ID_EXPORT_HYPACK, .text = "Hypack", .prompt = "Export Hypack XYZ format", .promptIsOurs = false,
     .target = T::Document, .menu = "&File/Export/Simple", .rule = kAnyRecords, .action = A::Export,
     .verb = "export hypack", .args = "FILE [--kinds KINDS]", .help = "A geographic survey is refused."},
    {.id = ID_EXPORT_CSV, .text = "CSV data", .prompt = "Export the survey as spreadsheet CSV data\nExport CSV",
     .target = T::Document, .menu = "&File/Export/Spreadsheet", .rule = kAnyRecords, .action = A::Export,
     .verb = "export csv", .args = "FILE"},
    {.id = ID_EXPORT_HPR_REPORT, .text = "HPR report",
     .prompt = "Export the heave, pitch and roll of the depths as CSV\nHPR Report", .target = T::Document,
     .menu = "&File/Export/Spreadsheet", .rule = kSounder, .action = A::Export, .verb = "export hpr",
     .args = "FILE"},
    {.id = ID_EXPORT_KML, .text = "KML", .prompt = "Export the survey track as a KML file\nExport KML",
     .target = T::Document, .menu = "&File/Export", .rule = kGeographic, .action = A::Export,
     .verb = "export kml", .args = "FILE [--title TEXT]", .help = "--title is the document's title (default Aquenta)."},
    // File, continued
    {.id = ID_FILE_PRINT, .text = "&Print...\tCtrl+P", .prompt = "Print the active view\nPrint", .target = T::View,
     .menu = "&File", .separatorBefore = true, .keys = "Ctrl+P", .icon = "print", .verb = "plot",
     .args = "plan|section FILE.png|FILE.svg|FILE.pdf|- [--format png|svg|pdf] [--size WIDTHxHEIGHT]\n"
             "        [--title TEXT] [--pages N] [--scale RATIO]\n"
             "        [--colour-mode point-type|elevation|quality] [--show KINDS] [--box-size N] [--text-size N]",
     .help = "Draws a view as printed (titles, time and date labels) into a file. The section view's --pages\n"
             "split the whole time range, one file per page for images (FILE-1.png ...), pages of one PDF;\n"
             "--show takes depth,position,tide,event (any of them, or all, none); - writes to standard output\n"
             "(PNG unless --format says otherwise); the display settings hold for this plot only. --scale\n"
             "draws images as a screen of that pixel ratio shows the window (--scale 2: twice the pixels,\n"
             "the same picture)."},
    {.id = ID_FILE_PRINT_PREVIEW, .text = "Print Pre&view",
     .prompt = "Show the print-out of the active view on screen\nPrint Preview", .target = T::View, .menu = "&File",
     .reach = Reach::WindowOnly, .only = kPrintOnly},
    {.id = ID_FILE_PRINT_SETUP, .text = "P&rint Setup...", .prompt = "Change the printer and printing options\nPrint Setup",
     .target = T::App, .menu = "&File", .reach = Reach::WindowOnly, .only = kPrintOnly},
    {.id = ID_FILE_MRU_FILE1, .text = "Recent File", .prompt = "Open this document", .target = T::App,
     .menu = "&File", .separatorBefore = true, .reach = Reach::WindowOnly,
     .only = "the window's list of recent documents"},
    {.id = ID_FILE_MRU_FILE2, .text = "Recent File", .prompt = "Open this document", .target = T::App,
     .menu = "&File", .reach = Reach::WindowOnly, .only = "the window's list of recent documents"},
    {.id = ID_FILE_MRU_FILE3, .text = "Recent File", .prompt = "Open this document", .target = T::App,
     .menu = "&File", .reach = Reach::WindowOnly, .only = "the window's list of recent documents"},
    {.id = ID_FILE_MRU_FILE4, .text = "Recent File", .prompt = "Open this document", .target = T::App,
     .menu = "&File", .reach = Reach::WindowOnly, .only = "the window's list of recent documents"},
    {.id = ID_APP_EXIT, .text = "E&xit", .prompt = "Quit the application, offering to save the survey\nExit",
     .target = T::App, .menu = "&File", .separatorBefore = true, .reach = Reach::WindowOnly,
     .only = "the command line ends after its last verb"},

    // Edit; the clipboard entries have no handler
    {.id = ID_EDIT_UNDO, .text = "&Undo\tCtrl+Z", .prompt = "Undo the last change of the survey\nUndo",
     .target = T::Frame, .menu = "&Edit", .keys = "Ctrl+Z;Alt+Backspace", .verb = "undo",
     .help = "Takes the survey back to before the last command that changed it, as Edit > Undo does; "
             "undo again for the one before.\nThe history lasts for the run: it starts with each open or new."},
    {.id = ID_EDIT_REDO, .text = "&Redo\tCtrl+Y", .prompt = "Redo the change last undone\nRedo",
     .target = T::Frame, .menu = "&Edit", .keys = "Ctrl+Y;Ctrl+Shift+Z", .verb = "redo",
     .help = "Does again what the last undo took back."},
    {.id = ID_EDIT_CUT, .text = "Cu&t\tCtrl+X", .prompt = "Cut the selection to the clipboard\nCut", .target = T::None,
     .menu = "&Edit", .separatorBefore = true, .keys = "Ctrl+X;Shift+Del", .icon = "cut",
     .reach = Reach::WindowOnly, .only = kNoHandler},
    {.id = ID_EDIT_COPY, .text = "&Copy\tCtrl+C", .prompt = "Copy the selection to the clipboard\nCopy",
     .target = T::None, .menu = "&Edit", .keys = "Ctrl+C;Ctrl+Ins", .icon = "copy", .reach = Reach::WindowOnly,
     .only = kNoHandler},
    {.id = ID_EDIT_PASTE, .text = "&Paste\tCtrl+V", .prompt = "Insert the clipboard contents\nPaste",
     .target = T::None, .menu = "&Edit", .keys = "Ctrl+V;Shift+Ins", .icon = "paste", .reach = Reach::WindowOnly,
     .only = kNoHandler},
    {.id = ID_EDIT_RESTORE, .text = "Restore", .prompt = "Undelete every deleted point\nRestore",
     .target = T::Document, .menu = "&Edit", .separatorBefore = true, .icon = "restore", .rule = kAnyRecords,
     .action = A::Plain, .run = Restore, .verb = "restore", .undo = U::Fields},
    {.id = ID_OFFSETS_POSITIONS, .text = "Positions...",
     .prompt = "Set the time and position offsets of the positions\nPosition Offsets", .target = T::Document,
     .menu = "&Edit/Offsets", .rule = kPositions, .action = A::Values, .verb = "offsets positions",
     .args = "[--time S] [--east M] [--north M] [--elevation M]", .undo = U::Fields},
    {.id = ID_OFFSETS_DEPTHS, .text = "Depths...",
     .prompt = "Set the time and depth offsets and the sound velocity of the depths\nDepth Offsets",
     .target = T::Document, .menu = "&Edit/Offsets", .rule = kDepths, .action = A::Values,
     .verb = "offsets depths", .args = "[--time S] [--depth M] [--sound-velocity V]", .undo = U::Fields},
    {.id = ID_OFFSETS_TIDE, .text = "Tide ...", .prompt = "Set the time and level offsets of the tides\nTide Offsets",
     .target = T::Document, .menu = "&Edit/Offsets", .rule = kTides, .action = A::Values, .verb = "offsets tide",
     .args = "[--time S] [--tide M]", .undo = U::Fields},
    {.id = ID_CONTROL_ADD, .text = "Add Control",
     .prompt = "Add a control point for user grid transformation\nAdd Control", .promptIsOurs = false,
     .target = T::Document, .menu = "&Edit/Transform", .rule = kGeographic, .action = A::Values,
     .verb = "control add", .args = "--name NAME --lat D M S N|S --lon D M S E|W --grid X Y", .undo = U::Fields},
    {.id = ID_CONTROL_EDIT, .text = "Edit Control", .prompt = "Edit/Delete user grid Control points\nEdit Control",
     .promptIsOurs = false, .target = T::Document, .menu = "&Edit/Transform", .rule = kControlPoint,
     .action = A::Values, .verb = "control unuse", .args = "NAME",
     .help = "Unchecks \"Use this station\" of the named control point, which then goes.", .undo = U::Fields},
    {.id = ID_CONTROL_APPLY, .text = "Apply Control",
     .prompt = "Apply control and convert Lat/Long to user grid coords\nApply Control", .promptIsOurs = false,
     .target = T::Document, .menu = "&Edit/Transform", .rule = kGeographicAndControl, .action = A::Plain,
     .run = ApplyControl, .verb = "apply-control", .undo = U::Fields},
    {.id = ID_CONTROL_SELF_TEST, .text = "Self Test",
     .prompt = "Show how well the control points fit the user grid\nSelf Test", .target = T::Document,
     .menu = "&Edit/Transform", .rule = kUsableControl, .action = A::Plain, .run = SelfTest, .verb = "self-test",
     .help = "Says the zone, scale, rotation and each station's misfit."},
    {.id = ID_CONVERT_UTM, .text = "Convert to UTM",
     .prompt = "Convert Lat/Long to Universal Transverse Mercator coordinates\nConvert to UTM", .promptIsOurs = false,
     .target = T::Document, .menu = "&Edit/Transform", .rule = kGeographic, .action = A::Plain,
     .run = ConvertToUtm, .verb = "utm", .undo = U::Fields},
    {.id = ID_CONVERT_CRS, .text = "Convert to Coordinate System...",
     .prompt = "Convert the positions to a projected coordinate system given by its EPSG code\n"
               "Convert to Coordinate System",
     .target = T::Document, .menu = "&Edit/Transform", .rule = kPositionRecords, .action = A::Values,
     .verb = "convert-crs", .args = "EPSG:NNNN",
     .help = "Converts every position, deleted ones too, from the survey's coordinate system (WGS 84, the\n"
             "transverse Mercator of utm, or an earlier EPSG system) to a projected system in metres east and\n"
             "north, through PROJ: a UTM zone with its false easting (EPSG:32631), a national grid\n"
             "(EPSG:27700, EPSG:2193). Coordinates are kept to the centimetre. Refused for a survey on a local\n"
             "site grid (apply-control) or on a grid whose system is unknown (declare it with crs first).",
     .undo = U::Fields},
    {.id = ID_COORDINATE_SYSTEM, .text = "Coordinate System...",
     .prompt = "Show the coordinate system of the survey's positions\nCoordinate System", .target = T::Document,
     .menu = "&Edit/Transform", .rule = kAlways, .action = A::Values, .verb = "crs",
     .args = "[EPSG:NNNN|DEFINITION]",
     .help = "Prints name=, kind= (geographic, transverse-mercator, projected or local), epsg= (empty when\n"
             "none), definition= (what PROJ takes) and wkt= (WKT2, one line). With a definition (an EPSG\n"
             "code, a PROJ string or a WKT; a word that is not a verb) it says instead which projected or\n"
             "local system a grid survey's coordinates are in, without changing them. The system is kept in\n"
             "FILE.crs beside the saved survey.",
     .undo = U::Fields},
    {.id = ID_APPLY_HPR, .text = "Apply HPR", .prompt = "Correct the positions for heave, pitch and roll\nApply HPR",
     .target = T::Document, .menu = "&Edit/Transform", .rule = kHprApplicable, .action = A::Plain, .run = RunApplyHpr,
     .verb = "apply-hpr", .undo = U::Fields},
    {.id = ID_CLEAR_Z, .text = "Clear Z", .prompt = "Set every height to zero and discard deleted points\nClear Z",
     .target = T::Document, .menu = "&Edit/Transform", .rule = kAlways, .action = A::Plain, .run = ClearZ,
     .verb = "clear-z", .undo = U::Records},
    {.id = ID_TIDE_FROM_GNSS, .text = "Tide from GNSS Heights...",
     .prompt = "Replace the tides by the water level worked out from the RTK heights of the positions\nTide from "
               "GNSS Heights",
     .target = T::Document, .menu = "&Edit/Transform", .separatorBefore = true, .rule = kPositionRecords,
     .action = A::Values, .verb = "tide-from-gnss", .args = AQ_GNSS_TIDE_ARGS " [--yes | --no]",
     .help = AQ_GNSS_TIDE_HELP "\n"
             "The tide records made replace every tide record of the survey, and the tide offsets go back to\n"
             "0. Where the survey has tide records it asks \"Replace them...?\": --yes or --no.",
     .answer = "", .undo = U::Records},
    {.id = ID_TIDE_COMPARE, .text = "Compare Tide with GNSS Heights...",
     .prompt = "Compare the observed tides with the water level from the RTK heights\nCompare Tide",
     .target = T::Document, .menu = "&Edit/Transform", .rule = kPositionsAndTides, .action = A::Values,
     .verb = "tide-compare",
     .args = AQ_GNSS_TIDE_ARGS "\n        [--plot FILE.png|FILE.svg|FILE.pdf] [--size WIDTHxHEIGHT]",
     .help = "Works out the water level as tide-from-gnss does, without changing the survey, and prints\n"
             "its difference from the survey's tide records (interpolated to each level's time): the number\n"
             "compared, the mean, the standard deviation and the largest, in metres. --plot draws both\n"
             "curves over time (- for a PNG on standard output).\n" AQ_GNSS_TIDE_HELP},
    {.id = ID_FILTER_RANGE, .text = "Range",
     .prompt = "Delete points outside a position, level, quality and time window\nRange Filter",
     .target = T::Document, .menu = "&Edit/Filter", .rule = kMoreThan3, .action = A::Values,
     .verb = "filter range",
     .args = "[--x MIN MAX] [--y MIN MAX] [--z MIN MAX] [--qa MIN MAX]\n"
             "        [--start \"YYYY-MM-DD HH:MM:SS\"] [--end \"YYYY-MM-DD HH:MM:SS\"]",
     .help = "A value left out keeps what the dialog starts with.", .undo = U::Fields},
    {.id = ID_FILTER_HI_PASS, .text = "Hi Pass Z", .prompt = "Smooth the position heights lightly\nHi Pass Z",
     .target = T::Document, .menu = "&Edit/Filter", .rule = kMoreThan1, .action = A::Plain, .run = HiPassZ,
     .verb = "hi-pass", .undo = U::Fields},
    {.id = ID_FILTER_LO_PASS, .text = "Lo Pass Z", .prompt = "Smooth the position heights strongly\nLo Pass Z",
     .target = T::Document, .menu = "&Edit/Filter", .rule = kMoreThan1, .action = A::Plain, .run = LoPassZ,
     .verb = "lo-pass", .undo = U::Fields},
    {.id = ID_EDIT_REMOVE, .text = "Remove", .prompt = "Discard the deleted points for good\nRemove",
     .target = T::Document, .menu = "&Edit", .rule = kAnyRecords, .action = A::Plain, .run = RunRemove,
     .verb = "remove", .undo = U::Records},
    {.id = ID_QC_LINES, .text = "Lines...", .prompt = "List the survey lines, main lines and crosslines\nSurvey Lines",
     .target = T::Document, .menu = "&Edit/Quality Control", .rule = kPositions,
     .action = A::Values, .verb = "lines", .args = AQ_LINE_ARGS,
     .help = "Prints one tab-separated line a survey line: number, kind (main, cross, other), heading\n"
             "(degrees from grid north, first position to last), length along the track (m), start and end\n"
             "(local time), duration (s), live soundings, and the record indices of its first and last\n"
             "position.\n" AQ_LINE_HELP},
    {.id = ID_QC_CROSSINGS, .text = "Crossings...",
     .prompt = "Compare the seabed where crosslines run over main lines, against IHO S-44\nCrossings",
     .target = T::Document, .menu = "&Edit/Quality Control", .rule = kPositionsAndDepths, .action = A::Values,
     .verb = "crossings",
     .args = "[--max-distance M] [--max-slope S] [--table] [--csv FILE]\n"
             "        [--nodes [--surface FILE] [--cell M]] " AQ_LINE_ARGS,
     .help = "Finds where each crossline's track crosses a main line's, takes each line's corrected seabed\n"
             "level there from its two soundings either side along the line, and prints name=value lines:\n"
             "the crossings found, accepted and rejected, the bias (mean of delta, the crossline's depth less\n"
             "the main line's), standard deviation, RMS and 95th percentile of |delta| in metres, and per\n"
             "S-44 order (TVU = sqrt(a^2 + (b d)^2)) the share within TVU and pass=yes when it is 95 % or\n"
             "more; a figure that does not exist (every crossing rejected, or one crossing's spread) is -.\n"
             "A crossing is rejected when a line's nearer sounding lies more than --max-distance\n"
             "metres away (default 5) or its two soundings differ by more than --max-slope (rise over run,\n"
             "default 0.5). --table adds one tab-separated line a crossing; --csv writes them to FILE\n"
             "(- for standard output). Their first columns are easting and northing, or longitude and\n"
             "latitude in a geographic survey.\n"
             "--nodes then compares every live sounding of the crosslines with a surface of the main lines\n"
             "(triangulated, --cell metres, default a fifth of the line spacing; or the raster --surface\n"
             "FILE) and prints the same statistics as node_... lines, with node_compared the soundings that\n"
             "have a surface value under them. The raster must be in the survey's coordinate system: one in\n"
             "another is refused, one that names none is taken to be in it, with a warning.\n" AQ_LINE_HELP},
    {.id = ID_QC_FLAG_SPIKES, .text = "Flag Spikes...",
     .prompt = "Delete the soundings that stand out from their neighbours along each line\nFlag Spikes",
     .target = T::Document, .menu = "&Edit/Quality Control", .rule = kPositionsAndDepths, .action = A::Values,
     .verb = "flag-spikes",
     .args = "[--order exclusive|special|1a|1b|2] [--window N | --window-metres M] [--k K]\n"
             "        [--min-depth M] [--max-depth M] " AQ_LINE_ARGS,
     .help = "Along each line, a sounding is deleted when its seabed level departs from the median of the\n"
             "--window soundings centred on it (an odd number, default 21; or those within --window-metres\n"
             "along the line; a warning says when the window holds too few soundings to judge by)\n"
             "by more than --k (default 3) times their robust spread (1.4826 x the median absolute\n"
             "deviation) and by more than the TVU of --order (default 1a) at its depth: a steep but real\n"
             "slope keeps its soundings. Every live sounding shallower than --min-depth or deeper than\n"
             "--max-depth metres is deleted too. The marks are ordinary deletions (restore brings them\n"
             "back); the survey is recalculated. Prints one tab-separated line a survey line: number,\n"
             "kind, live soundings before, soundings deleted; then the soundings on no line deleted for\n"
             "their depth (line 0) and the total.\n" AQ_LINE_HELP,
     .undo = U::Fields},
    {.id = ID_EDIT_PROPERTIES, .text = "Properties ...", .prompt = "Edit properties of current view\nProperties",
     .promptIsOurs = false, .target = T::Document, .menu = "&Edit", .separatorBefore = true, .icon = "properties",
     .rule = kAlways, .action = A::Values, .verb = "set interp-limit", .args = "N",
     .help = "Sets the interpolation limit of the properties; it takes effect at the next recalculation.\n"
             "The display settings are options of plot.", .undo = U::Fields},

    // View
    {.id = ID_VIEW_TOOLBAR, .text = "&Toolbar", .prompt = "Show or hide the tool bar\nToggle ToolBar",
     .target = T::Frame, .checkable = true, .menu = "&View", .reach = Reach::WindowOnly, .only = kWindowOnly},
    {.id = ID_VIEW_STATUS_BAR, .text = "Status &Bar", .prompt = "Show or hide the status bar\nToggle StatusBar",
     .target = T::Frame, .checkable = true, .menu = "&View", .reach = Reach::WindowOnly, .only = kWindowOnly},
    {.id = ID_VIEW_EDITBAR, .text = "&EditBar", .prompt = "Show or hide the edit bar\nToggle EditBar",
     .target = T::Frame, .checkable = true, .menu = "&View", .reach = Reach::WindowOnly, .only = kWindowOnly},
    {.id = ID_VIEW_SHOW_DELETED, .text = "Show &Deleted",
     .prompt = "Show or hide the deleted records, drawn hollow under the others\nShow Deleted", .target = T::Frame,
     .checkable = true, .menu = "&View", .reach = Reach::WindowOnly,
     .only = "how the window draws deleted records; plot always shows them"},
    {.id = ID_VIEW_EQUAL_SCALE, .text = "E&qual Scale",
     .prompt = "Keep the plan's ground scale the same across and up, or stretch it over the pane\nEqual Scale",
     .target = T::Frame, .checkable = true, .menu = "&View", .reach = Reach::WindowOnly,
     .only = "how the window's plan fits its pane; plot keeps equal scale for grid surveys"},
    {.id = ID_VIEW_SHOW_SURFACE, .text = "Show S&urface",
     .prompt = "Show or hide the last surface, shaded under the soundings with its contours\nShow Surface",
     .target = T::Frame, .checkable = true, .menu = "&View", .reach = Reach::WindowOnly,
     .only = "the window's plan shows the last surface made; the command line writes it (grid, contours)"},
    {.id = ID_PAN_DOWN, .text = "&Down", .prompt = "Move the view a quarter of its height north\nPan Down",
     .target = T::View, .menu = "&View/&Pan", .separatorBefore = true, .icon = "pandown",
     .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_PAN_UP, .text = "&Up", .prompt = "Move the view a quarter of its height south\nPan Up", .target = T::View,
     .menu = "&View/&Pan", .icon = "panup", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_PAN_RIGHT, .text = "&Right", .prompt = "Move the view a quarter of its width right\nPan Right",
     .target = T::View, .menu = "&View/&Pan", .icon = "panright", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_PAN_LEFT, .text = "&Left", .prompt = "Move the view a quarter of its width left\nPan Left",
     .target = T::View, .menu = "&View/&Pan", .icon = "panleft", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_ZOOM_OUT, .text = "&Out", .prompt = "Show twice the width and height\nZoom Out", .target = T::View,
     .menu = "&View/&Zoom", .icon = "zoomout", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_ZOOM_EXTENTS, .text = "&Extents", .prompt = "Show the whole survey\nZoom Extents", .target = T::View,
     .menu = "&View/&Zoom", .icon = "zoomextents", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_DRAG_VIEW, .text = "&View", .prompt = "Change view using Dragbox\nChange View", .promptIsOurs = false,
     .target = T::View, .checkable = true, .menu = "&View/&Drag Mode", .icon = "dragview",
     .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_DRAG_DELETE, .text = "&Delete", .prompt = "Select points within the Dragbox for deletion\nDelete Points",
     .promptIsOurs = false, .target = T::View, .checkable = true, .menu = "&View/&Drag Mode", .icon = "dragdelete",
     .verb = "delete-box", .args = "plan|section L T R B [--units survey]",
     .help = "Deletes the records in a box of the view.\n" AQ_BOX_HELP, .undo = U::Flags},
    {.id = ID_DRAG_UNDELETE, .text = "&Undelete", .prompt = "Undelete selected points within Dragbox\nUndelete Points",
     .promptIsOurs = false, .target = T::View, .checkable = true, .menu = "&View/&Drag Mode", .icon = "dragundelete",
     .verb = "undelete-box", .args = "plan|section L T R B [--units survey]",
     .help = "Undeletes the records in a box of the view.\n" AQ_BOX_HELP, .undo = U::Flags},
    {.id = ID_DRAG_TIMEFRAME, .text = "&TimeFrame", .prompt = "Select by Time Frame width\nTimeFrame",
     .promptIsOurs = false, .target = T::View, .checkable = true, .menu = "&View/&Drag Mode", .icon = "timeframe",
     .verb = "time-frame", .args = "L R [--units survey]",
     .help = "Keeps the records between two x values of the section view and deletes the rest.\n"
             "L and R are x values of the section view's logical plane: 0 at the first record's time, 15000\n"
             "at the last one's. With --units survey they are times in seconds, as records prints them.", .undo = U::Flags},
    {.id = ID_DRAG_ENQUIRE, .text = "Enquire", .prompt = "List items within dragbox\nEnquire", .promptIsOurs = false,
     .target = T::View, .checkable = true, .menu = "&View/&Drag Mode", .icon = "enquire", .verb = "enquire",
     .args = "plan|section L T R B [--units survey]",
     .help = "Prints the listing line of every record in a box of the view, deleted ones included.\n" AQ_BOX_HELP},
    {.id = ID_VIEW_ANIMATE, .text = "Animate\tCtrl+Shift+A", .prompt = "Animate the view\nAnimate",
     .promptIsOurs = false, .target = T::View, .checkable = true, .menu = "&View", .separatorBefore = true,
     .keys = "Ctrl+Shift+A", .icon = "animate", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_DRAG_GRADIENT, .text = "Gradient", .prompt = "Gradient Test", .promptIsOurs = false, .target = T::View,
     .checkable = true, .menu = "&View", .icon = "gradient", .rule = kMoreThan5, .verb = "gradient",
     .args = "L T R B [--units survey]",
     .help = "Runs the gradient test on the records in a box of the plan view and prints the result.\n" AQ_BOX_HELP},

    // Surface
    {.id = ID_SURFACE_GRID, .text = "Grid Surface...",
     .prompt = "Make a gridded surface of the depths and write it as a raster\nGrid Surface", .target = T::Document,
     .menu = "&Surface", .rule = kDepths, .action = A::Values, .verb = "grid",
     .args = "FILE.tif|FILE.asc|FILE.xyz|FILE.bag --cell M\n"
             "        [--method mean|median|shoalest|deepest|count|stddev|idw|tin] [--radius M] [--max-edge M]\n"
             "        [--min-count N] [--extent XMIN YMIN XMAX YMAX] [--bands count,stddev] [--crs CRS]\n"
             "        [--also SURVEY.son]...",
     .help = "Makes a surface of the live depth soundings, at the positions and levels export xyz writes, of\n"
             "the survey and of each --also survey (all in one coordinate system), and writes it through\n"
             "GDAL: GeoTIFF (Float32, empty cells -32767; --bands adds the count and standard deviation of\n"
             "each cell's soundings), ESRI ASCII grid (with a .prj), XYZ grid (x y level of every cell centre,\n"
             "the system in a .aux.xml) or BAG (the level, and the soundings' standard deviation as its\n"
             "uncertainty). The coordinate system written is the survey's, or the one --crs names (EPSG:NNNN,\n"
             "WKT or PROJ string) without changing the coordinates.\n"
             "--method tin (the default) is linear in the Delaunay triangles of the soundings, leaving empty\n"
             "those with an edge longer than --max-edge (3 x the median line spacing: the median distance\n"
             "from a sounding to the nearest one across its track); idw weights the soundings within --radius\n"
             "of a cell's centre (2 x the cell) by the inverse square of their distance; mean, median,\n"
             "shoalest (the highest level), deepest, count and stddev bin the soundings of each cell. A cell\n"
             "with fewer than --min-count soundings (1; for idw within the radius) is empty.\n"
             "Cells are --cell metres square on the ground (in degrees in a geographic survey). The grid\n"
             "covers the soundings with cell edges on multiples of the cell, or starts at the west and south\n"
             "edges of --extent (in the survey's units). A sounding on an edge belongs to the cell east or\n"
             "north of it."},
    {.id = ID_SURFACE_CONTOURS, .text = "Contours...",
     .prompt = "Trace the contours of a surface and write them as lines\nContours", .target = T::Document,
     .menu = "&Surface", .rule = kAlways, .action = A::Values, .verb = "contours",
     .args = "FILE.gpkg|FILE.shp|FILE.dxf|FILE.kml --interval M | --levels L1,L2,...\n"
             "        [--from SURFACE] [--cell M] [--method METHOD] [--max-edge M] [--radius M] [--min-count N]\n"
             "        [--extent XMIN YMIN XMAX YMAX] [--crs CRS] [--also SURVEY.son]...",
     .help = "Traces contours through GDAL at every multiple of --interval metres or at the --levels listed,\n"
             "each line with its level: GeoPackage and Shapefile (fields id and level), DXF (3D polylines at\n"
             "their level) or KML (longitude and latitude on WGS 84, each line named by its level; refused for\n"
             "a local site grid). The surface is --from a raster GDAL reads (as grid writes them), or made of\n"
             "the surveys as grid makes it: tin unless --method says otherwise, with cells of a fifth of the\n"
             "line spacing rounded down to 1, 2 or 5 times a power of ten unless --cell is given."},
    {.id = ID_SURFACE_VOLUMES, .text = "Volumes...",
     .prompt = "Measure the volume between the survey and a design or a second survey\nVolumes", .target = T::Document,
     .menu = "&Surface", .rule = kDepths, .action = A::Values, .verb = "volume",
     .args = "--design-level L | --design FILE | --against SURVEY.son\n"
             "        [--boundary FILE | --boundary-points \"X,Y X,Y ...\"] [--overdepth M]\n"
             "        [--method grid|tin|sections|all] [--cell M] [--max-edge M] [--surface METHOD]\n"
             "        [--centreline FILE|X1,Y1,X2,Y2 --spacing M --width M] [--step M]\n"
             "        [--report FILE.pdf] [--csv FILE.csv] [--difference FILE.tif] [--also SURVEY.son]...",
     .help = "Measures the material between the survey (with any --also surveys) and a reference: a design\n"
             "level, a design surface (a raster GDAL reads, linear between its cell centres; XYZ points\n"
             "triangulated; a DXF of 3D faces, or of 3D polylines and points triangulated with the polylines\n"
             "kept as edges) or a second survey. Cut is where the survey lies above the reference (material\n"
             "to remove), fill where it lies below. Only the area covered by both is measured; the rest of\n"
             "the area (the --boundary polygon, else the survey's coverage) is reported as uncovered.\n"
             "--boundary reads every polygon and closed polyline of a GeoPackage, Shapefile, KML or DXF\n"
             "(brought into the survey's coordinate system), or X Y pairs of a .txt file; --boundary-points\n"
             "lists the corners. Triangles and cells are cut exactly at the boundary.\n"
             "grid: the surfaces made on cells of --cell metres (a fifth of the line spacing) by --surface\n"
             "(tin, or a binning method), each cell's difference times its area within the boundary. tin:\n"
             "the prisms between the survey's triangles (edges up to --max-edge, 3 x the line spacing) and\n"
             "the reference's. sections: cross sections every --spacing metres along --centreline (a line\n"
             "file or two points), --width metres across, their areas summed by average end areas and by the\n"
             "prismoidal rule; they measure the strip they cover. Default: grid and tin, and the sections\n"
             "when a centre line is given.\n"
             "Prints one row per method: method, cut m3, fill m3, net m3, cut area m2, fill area m2,\n"
             "uncovered m2 and diff_pct (the net less the TIN's, in percent of the TIN's cut plus fill); with\n"
             "--overdepth M also the volume above the design and the material within the allowance below it.\n"
             "--report writes a PDF (inputs, table, plan of the difference, section sheets), --csv the same\n"
             "figures, --difference the grid of the difference as a raster."},
    {.id = ID_SURFACE_SECTIONS, .text = "Cross Sections...",
     .prompt = "Draw cross sections of the survey along a centre line\nCross Sections", .target = T::Document,
     .menu = "&Surface", .rule = kDepths, .action = A::Values, .verb = "sections",
     .args = "FILE.pdf|FILE.png|FILE.svg|FILE.csv --centreline FILE|X1,Y1,X2,Y2 --spacing M --width M\n"
             "        [--design FILE | --design-level L] [--against SURVEY.son] [--boundary FILE]\n"
             "        [--max-edge M] [--step M] [--title TEXT] [--also SURVEY.son]...",
     .help = "Cross sections every --spacing metres along the centre line, --width metres across and\n"
             "sampled every --step metres (the width over 200): the survey's triangulated surface, and the\n"
             "second survey's and the design's when given, with the cut and fill areas against the design\n"
             "(else the second survey). PNG and SVG are written a sheet of three sections to a file\n"
             "(FILE-2.png, ...), PDF one sheet to a page; CSV holds every point of every section."},
    {.id = ID_SURVEY_REPORT, .text = "Survey Report...",
     .prompt = "Write a PDF report of the survey and its crossings against IHO S-44\nSurvey Report",
     .target = T::Document, .menu = "&Surface", .separatorBefore = true, .rule = kAnyRecords, .action = A::Values,
     .verb = "report",
     .args = "FILE.pdf [--max-distance M] [--max-slope S] [--nodes [--surface FILE] [--cell M]]\n"
             "        " AQ_LINE_ARGS,
     .help = "Writes a PDF of A4 pages: the survey's files, time span and records of each kind (live and\n"
             "deleted; a record keeps its deleted mark, not its cause, so the edits of the run's undo history\n"
             "are listed), the coordinate system, the offsets and sound velocity applied, the crossing\n"
             "statistics as crossings prints them with the S-44 order achieved (with --nodes, the node\n"
             "comparison's beside them, its options as for crossings), the survey lines (a table of up to\n"
             "200 lines, else a summary by kind and by day), a histogram of delta / TVU and a plan of the\n"
             "crossings within and beyond the allowance, and the plan and section as plot draws them. The\n"
             "crossings go to FILE.csv beside it, as crossings --csv writes them, and the lines to\n"
             "FILE-lines.csv, with the columns lines prints. Prints pages=, csv= and lines_csv= (- for a\n"
             "file not written). A survey without crossings gets its report all the same, saying why.\n" AQ_LINE_HELP,
     .undo = U::None},

    // Help
    {.id = ID_HELP_FINDER, .text = "&Help Topics", .prompt = "List the help topics\nHelp Topics", .target = T::App,
     .menu = "&Help", .reach = Reach::WindowOnly, .only = "the command line has help VERB and the manual page"},
    {.id = ID_APP_ABOUT, .text = "&About Aquenta...",
     .prompt = "Show the program's version, build date and libraries\nAbout", .target = T::App, .menu = "&Help",
     .separatorBefore = true, .reach = Reach::WindowOnly, .only = "the command line has --version"},

    // Tool bars and keys only
    {.id = ID_DRAG_PATCHTEST, .text = "Patchtest", .prompt = "Perform Patchtest on selected data\nPatchtest",
     .promptIsOurs = false, .target = T::View, .checkable = true, .icon = "patchtest", .rule = kNotGeographic,
     .verb = "patch-test", .args = "L T R B [--units survey]",
     .help = "Runs the patch test on the records in a box of the plan view and prints the result.\n" AQ_BOX_HELP},
    {.id = ID_CONTEXT_HELP, .text = "Help", .prompt = "Show help on a button, menu or window clicked next\nHelp",
     .target = T::App, .keys = "Shift+F1", .icon = "contexthelp", .reach = Reach::WindowOnly,
     .only = "help on the window's own buttons and menus"},
    {.id = ID_HELP, .text = "Help", .prompt = "Show help on the current task\nHelp", .target = T::App, .keys = "F1",
     .reach = Reach::WindowOnly, .only = "help on the window's own buttons and menus"},
    {.id = ID_FILE_PRINT_DIRECT, .text = "Print", .prompt = "Print the active view on the default printer\nQuick Print",
     .target = T::View, .reach = Reach::WindowOnly, .only = kPrintOnly},
    {.id = ID_NEXT_PANE, .text = "Next Pane", .prompt = "Switch to the next view\nNext Pane", .target = T::Frame,
     .keys = "F6", .reach = Reach::WindowOnly, .only = kViewOnly},
    {.id = ID_PREV_PANE, .text = "Previous Pane", .prompt = "Switch to the previous view\nPrevious Pane",
     .target = T::Frame, .keys = "Shift+F6", .reach = Reach::WindowOnly, .only = kViewOnly},

    // The command line alone
    {.id = ID_LIST_STATUS, .text = "Status", .prompt = "print the record-count text of the status bar",
     .target = T::Document, .rule = kAlways, .action = A::Listing, .verb = "status", .reach = Reach::CliOnly,
     .only = kListing},
    {.id = ID_LIST_SUMMARY, .text = "Summary",
     .prompt = "print the ranges, offsets, settings and counts as name=value lines", .target = T::Document,
     .rule = kAlways, .action = A::Listing, .verb = "summary", .reach = Reach::CliOnly, .only = kListing},
    {.id = ID_LIST_RECORDS, .text = "Records", .prompt = "print every record, one tab-separated line each",
     .target = T::Document, .rule = kAlways, .action = A::Listing, .verb = "records", .reach = Reach::CliOnly,
     .only = kListing},
    {.id = ID_CONTROL_LIST, .text = "Control list", .prompt = "print the control points and the fit they give",
     .target = T::Document, .rule = kAlways, .action = A::Listing, .verb = "control list", .reach = Reach::CliOnly,
     .only = "the window shows the control points in Edit Control's pages"},
    {.id = ID_LAYOUT_SAVE, .text = "Layout save", .prompt = "write a layout file (*.fmt) for the formatted import",
     .target = T::Document, .rule = kAlways, .action = A::Values, .verb = "layout save",
     .args = "LAYOUT.fmt --type coordinate|latlon|depth|tide [--description TEXT] [--COLUMN N]...",
     .help = "--type names the data type, each --COLUMN N says which number of a line holds that value (1-20;\n"
             "left out: not in the file), COLUMN being easting, northing, elevation (the position types),\n"
             "depth, tide (their own types), year, month, day, hour, minute, second; latlon reads easting and\n"
             "northing as longitude and latitude.",
     .reach = Reach::CliOnly, .only = "the window edits layout files in the Formatted import's dialog"},
    {.id = ID_LAYOUT_SHOW, .text = "Layout show", .prompt = "print a layout file (*.fmt)", .target = T::Document,
     .rule = kAlways, .action = A::Listing, .verb = "layout show", .args = "LAYOUT.fmt", .reach = Reach::CliOnly,
     .only = "the window shows layout files in the Formatted import's dialog"},
    {.id = ID_POINT_EDIT, .text = "Edit point",
     .prompt = "change a record as the Point Editor does, then recalculate", .target = T::Document,
     .rule = kAlways, .action = A::Values, .verb = "edit",
     .args = "INDEX [--x V] [--y V] [--z V] [--depth V] [--tide V]",
     .help = "Only the fields of the record's kind can be changed; values in metres or degrees.",
     .reach = Reach::CliOnly, .only = "the window edits a point from Enquire's Point Information list", .undo = U::Records},
    {.id = ID_UNDO_BUDGET, .text = "Undo memory", .prompt = "set the memory the undo history may keep",
     .target = T::Frame, .action = A::Values, .verb = "set undo-budget", .args = "MB",
     .help = "The undo history keeps its steps within this many megabytes (a quarter of the machine's memory "
             "unless set), dropping its oldest steps beyond it.",
     .reach = Reach::CliOnly, .only = "the window sets it in Edit > Properties, where it stays for later runs"},
    {.id = ID_EDIT_HISTORY, .text = "History", .prompt = "list the steps undo and redo can take", .target = T::Frame,
     .action = A::Listing, .verb = "history",
     .help = "One line a step, oldest first: done or undone, the bytes it keeps, and its name.",
     .reach = Reach::CliOnly, .only = "the window names the next step in Edit > Undo and Redo"},
};

#undef AQ_BOX_HELP
#undef AQ_LINE_ARGS
#undef AQ_LINE_HELP
#undef AQ_GNSS_TIDE_ARGS
#undef AQ_GNSS_TIDE_HELP

const std::vector<VerbGroup> kGroups = {
    {"import", "FORMAT",
     "File > Import: read a file into the survey. An import that gives no record fails, saying why where\n"
     "the reader knows."},
    {"export", "FORMAT",
     "File > Export: write the survey to FILE (- for standard output). KINDS picks the records as the\n"
     "entity selection does: letters p, d, t, e for positions, depths, tides, events; all four when\n"
     "left out."},
    {"offsets", "KIND", "Edit > Offsets: set the offsets of one kind of record; a value left out keeps its current one."},
    {"control", "ACTION", "The control points of the site grid (Edit > Transform)."},
    {"filter", "FILTER", "Edit > Filter."},
    {"set", "SETTING", "Change a setting of the survey's properties."},
    {"layout", "ACTION", "The layout files (*.fmt) of File > Import > ASCII > Formatted."},
};

// The popup texts of the menu bar; a deque keeps them where they are as it grows.
std::deque<std::string>& popupNames() {
    static std::deque<std::string> names;
    return names;
}

// The menu bar from the table: each entry goes under its popups, which are made where
// their first entry comes.
std::vector<MenuItem> BuildMenuBar() {
    std::vector<MenuItem> bar;
    bool recentFiles = false;
    for (const CommandInfo& cmd : kCommands) {
        if (!cmd.menu) continue;
        const bool recent = cmd.id >= ID_FILE_MRU_FILE1 && cmd.id < ID_FILE_MRU_FILE1 + RECENT_FILE_COUNT;
        if (recent && recentFiles) continue;  // one entry stands for the whole list
        recentFiles |= recent;
        std::vector<MenuItem>* level = &bar;
        bool separate = cmd.separatorBefore;
        std::string_view path = cmd.menu;
        while (!path.empty()) {
            const size_t slash = path.find('/');
            const std::string_view name = path.substr(0, slash);
            path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
            MenuItem* popup = nullptr;
            for (MenuItem& item : *level)
                if (item.kind == MenuKind::Popup && name == item.text) popup = &item;
            if (!popup) {
                if (separate && !level->empty()) level->push_back(MenuItem{MenuKind::Separator, ID_SEPARATOR, nullptr, {}});
                separate = false;
                popupNames().emplace_back(name);
                level->push_back(MenuItem{MenuKind::Popup, ID_SEPARATOR, popupNames().back().c_str(), {}});
                popup = &level->back();
            }
            level = &popup->items;
        }
        if (separate && !level->empty()) level->push_back(MenuItem{MenuKind::Separator, ID_SEPARATOR, nullptr, {}});
        level->push_back(MenuItem{recent ? MenuKind::RecentFiles : MenuKind::Command, cmd.id, nullptr, {}});
    }
    return bar;
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

bool RuleHolds(const CommandInfo& cmd, const CVKDoc& doc) { return cmd.rule.enabled && cmd.rule.enabled(doc); }

// The selection can be walked only while it names a record that still exists.
bool HasSelection(const CVKDoc& doc) {
    return doc.Selected && doc.SelectedIndex >= 0 && static_cast<size_t>(doc.SelectedIndex) < doc.Records.size();
}

CommandState ViewState(int id, const CommandContext& ctx) {
    const bool plan = ctx.activeView == ActiveView::Plan;
    if (const int mode = DragModeOf(id); mode >= 0) {
        bool enabled = true;
        // The field tests are plan-view tools with a rule of their own.
        if (id == ID_DRAG_PATCHTEST || id == ID_DRAG_GRADIENT) {
            if (!plan) return {};  // the section view has no handler
            enabled = ctx.doc && RuleHolds(*FindCommand(id), *ctx.doc);
        }
        return {enabled, ctx.dragMode == mode};
    }

    switch (id) {
        case ID_ZOOM_EXTENTS:
        case ID_ZOOM_OUT:
        case ID_PAN_RIGHT:
        case ID_PAN_LEFT:
        case ID_PAN_UP:
        case ID_PAN_DOWN:
            return {ZoomPanEnabled(id, ctx.window, ctx.extents), false};
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

const CommandInfo* FindCommandByVerb(std::string_view verb) {
    for (const CommandInfo& cmd : kCommands)
        if (cmd.verb && verb == cmd.verb) return &cmd;
    return nullptr;
}

const std::vector<VerbGroup>& VerbGroups() { return kGroups; }

const VerbGroup* FindVerbGroup(std::string_view verb) {
    for (const VerbGroup& g : kGroups)
        if (verb == g.verb) return &g;
    return nullptr;
}

std::string_view VerbName(const CommandInfo& cmd) {
    if (!cmd.verb) return {};
    const std::string_view v = cmd.verb;
    return v.substr(0, v.find(' '));
}

std::string_view VerbWord(const CommandInfo& cmd) {
    if (!cmd.verb) return {};
    const std::string_view v = cmd.verb;
    const size_t space = v.find(' ');
    return space == std::string_view::npos ? std::string_view{} : v.substr(space + 1);
}

std::string MenuName(int id) {
    std::string path = MenuPath(id);
    if (path.empty()) {
        const CommandInfo* cmd = FindCommand(id);
        if (!cmd) return {};
        const std::string_view text = cmd->text;
        path = std::string(text.substr(0, text.find('\t')));
    }
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

std::string RefusalText(const CommandInfo& cmd, const CVKDoc& doc) {
    std::string text(1, '"');
    text += MenuName(cmd.id);
    text += "\" is not available";
    if (cmd.rule.needs) {
        text += ": it needs ";
        text += cmd.rule.needs;
    }
    if (cmd.rule.kinds != 0) {
        // What it lacks: a count of all its records would read as a count of these.
        static constexpr std::pair<uint16_t, const char*> kKinds[] = {
            {REC_POSITION, "position"}, {REC_DEPTH, "depth"}, {REC_TIDE, "tide"}, {REC_EVENT, "event"}};
        std::string missing;
        for (const auto& [bit, name] : kKinds) {
            if (!(cmd.rule.kinds & bit) || (doc.KindFlags & bit)) continue;
            missing += missing.empty() ? "no " : " and no ";
            missing += name;
        }
        if (!missing.empty()) {
            text += " (the survey has " + missing + " records).";
            return text;
        }
    }
    text += " (the survey has ";
    text += std::to_string(doc.Records.size());
    text += ").";
    return text;
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
    static const std::vector<Accelerator> keys = [] {
        std::vector<Accelerator> out;
        for (const CommandInfo& cmd : kCommands) {
            if (!cmd.keys) continue;
            std::string_view list = cmd.keys;
            while (!list.empty()) {
                const size_t semi = list.find(';');
                out.push_back({std::string(list.substr(0, semi)), cmd.id});
                list = semi == std::string_view::npos ? std::string_view{} : list.substr(semi + 1);
            }
        }
        return out;
    }();
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
            return {RuleHolds(*cmd, *ctx.doc), false};
        case CommandTarget::View:
            if (ctx.activeView == ActiveView::None) return {};
            return ViewState(id, ctx);
        case CommandTarget::Frame:
            switch (id) {
                case ID_VIEW_TOOLBAR: return {true, ctx.toolBarVisible};
                case ID_VIEW_STATUS_BAR: return {true, ctx.statusBarVisible};
                case ID_VIEW_EDITBAR: return {true, ctx.editBarVisible};
                case ID_VIEW_SHOW_DELETED: return {true, ctx.deletedShown};
                case ID_VIEW_EQUAL_SCALE: return {true, ctx.equalScale};
                case ID_VIEW_SHOW_SURFACE: return {true, ctx.surfaceShown};
                case ID_EDIT_UNDO: return {ctx.canUndo, false};
                case ID_EDIT_REDO: return {ctx.canRedo, false};
                default: return {true, false};
            }
        case CommandTarget::App:
            if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + RECENT_FILE_COUNT)
                return {id - ID_FILE_MRU_FILE1 < ctx.recentFileCount, false};
            return {true, false};
    }
    return {};
}

UndoScope UndoScopeOf(UndoKind kind) {
    switch (kind) {
        case UndoKind::Flags: return UndoScope::Flags;
        case UndoKind::Fields: return UndoScope::Fields;
        default: return UndoScope::Records;
    }
}

std::string UndoStepName(const CommandInfo& cmd) {
    switch (cmd.id) {
        case ID_DRAG_DELETE: return "Delete Box";
        case ID_DRAG_UNDELETE: return "Undelete Box";
        case ID_DRAG_TIMEFRAME: return "Time Frame";
        default: break;
    }
    std::string text;
    for (const char* p = cmd.text; *p && *p != '\t'; ++p)
        if (*p != '&') text += *p;
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    // An entry of a submenu is named with it: "Import Brivel", "Import Tide ASCII",
    // "Offsets Tide", "Filter Range"; the Transform entries name themselves.
    if (cmd.menu) {
        std::string menu;
        for (const char* p = cmd.menu; *p; ++p)
            if (*p != '&') menu += *p;
        std::vector<std::string> parts;
        for (size_t at = 0; at <= menu.size();) {
            const size_t slash = std::min(menu.find('/', at), menu.size());
            parts.push_back(menu.substr(at, slash - at));
            at = slash + 1;
        }
        std::string prefix;
        const auto import = std::find(parts.begin(), parts.end(), "Import");
        if (import != parts.end()) {
            for (auto it = import; it != parts.end(); ++it) prefix += *it + " ";
        } else if (parts.size() > 1 && parts.back() != "Transform") {
            prefix = parts.back() + " ";
        }
        text = prefix + text;
    }
    return text;
}

}  // namespace aq
