// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/doc.h"
#include "model/userport.h"

// Column text files read through a layout ("*.fmt"), the US Army diver-system files
// read through a fixed one, and the ASCII record line that both become (the line the
// ASCII export writes).
namespace aq {

// The values a layout places, in the order of the record line it builds.
enum LayoutColumn : int {
    COL_EASTING,    // Easting/Longitude
    COL_NORTHING,   // Northing/Latitude
    COL_ELEVATION,  // Elevation/Height
    COL_DEPTH,      // Water Depth
    COL_TIDE,       // Tide Height
    COL_YEAR,
    COL_MONTH,
    COL_DAY,
    COL_HOUR,
    COL_MINUTE,
    COL_SECONDS,
    LAYOUT_COLUMNS
};

// Data types of a layout.
enum LayoutType : int32_t {
    LAYOUT_NONE = -1,
    LAYOUT_COORDINATE = 0,  // "Coordinate Position", prefix "P "
    LAYOUT_LATLON = 1,      // "Lat/Longitude Position", prefix "L "
    LAYOUT_DEPTH = 2,       // "Water Depth", prefix "D "
    LAYOUT_TIDE = 3,        // "Tide Elevation", prefix "T "
};

// Column numbers run from 1; 0 means the value is not in the file and its default is used.
inline constexpr int32_t LAYOUT_MAX_COLUMN = 20;

// A layout of the "Import Formatted File" dialog: which column of a line holds which
// value, and the record line the last parsed line became. A plain value; the dialog
// edits the members.
class CFormImport {
public:
    std::string TypePrefix;  // "P ", "L ", "D ", "T ", "X " (US Army); empty until a type is chosen
    std::string Line;        // the record line built from the last parsed input line
    int32_t MaxColumn = 0;   // the largest column number, set by UpdateMaxColumn
    int32_t TypeIndex = LAYOUT_NONE;
    std::string Description;
    std::array<int32_t, LAYOUT_COLUMNS> Columns{};  // by LayoutColumn, each 0-20

    int32_t Column(LayoutColumn c) const { return Columns[c]; }
    void SetColumn(LayoutColumn c, int32_t column) { Columns[c] = column; }

    // A Data Type button: TypeIndex and the prefix of its kind letter.
    void SetType(int32_t typeIndex);
    // The dialog's OK: MaxColumn becomes the largest of the column numbers.
    void UpdateMaxColumn();
    // Every column number is 0-20 and the type is one of the four or none.
    bool IsValid() const;

    // The column parser: splits the line into numbers (runs of "0123456789.+-"; any
    // other character separates them), refuses a line with fewer numbers than the
    // columns need, and otherwise builds Line. True when the line was used.
    bool ParseLine(std::string_view input);

    // The fixed layout of the US Army diver system; elevation from column 3 only with
    // GPS heights.
    static CFormImport UsArmy(bool gpsHeights);

    friend bool operator==(const CFormImport&, const CFormImport&) = default;
};

// The prefix of a Data Type button ("P " for LAYOUT_COORDINATE ...); empty for others.
const char* LayoutTypePrefix(int32_t typeIndex);
// The button's text ("Coordinate Position" ...); empty for others.
const char* LayoutTypeName(int32_t typeIndex);
// The dialog's label of a column edit ("Easting/Longitude", "Date(Year)" ...).
const char* LayoutColumnLabel(LayoutColumn c);
// Whether the dialog enables a column's edit for a type: the position columns for the
// two position types, depth and tide for their own, the date and time always.
bool LayoutColumnEnabled(int32_t typeIndex, LayoutColumn c);

// ---- layout files ----

// The bytes of a layout file: type index, prefix, description, then the eleven column
// numbers, easting first.
std::vector<uint8_t> LayoutBytes(const CFormImport& layout);
// Reads layout-file bytes into the layout field by field. A file that ends early or
// holds a value no layout has throws FormatError; the fields read before stay.
void ReadLayoutBytes(CFormImport& layout, const uint8_t* data, size_t size);

// The dialog's Save: writes the file whole or not at all; a failure is shown through
// the port with the file-error message.
bool SaveLayout(const CFormImport& layout, const std::string& path, UserPort& port);
// The dialog's Load: reads the file into the layout (MaxColumn is left to
// UpdateMaxColumn). A file that cannot be opened shows the file-error message; one
// that is not a layout shows "Unexpected file format." and keeps the fields read so far.
bool LoadLayout(CFormImport& layout, const std::string& path, UserPort& port);

// ---- ASCII record lines ----

// Reads record lines into a document: a kind letter, then X, Y, Z, depth, tide,
// [quality], year, month, day, hour, minute and seconds, blank-separated.
class AsciiRecordReader {
public:
    explicit AsciiRecordReader(CVKDoc& doc) : doc_(doc) {}

    // Appends the records of one line (D, T, P, L, E, X or W) and ORs their kinds into
    // KindFlags. False when it scanned fewer than twelve values; a line of another
    // letter is used but adds nothing.
    bool Line(std::string_view line, bool withQuality);

private:
    void Append(const CVKData& r);

    CVKDoc& doc_;
    DayClock clock_;
};

// ---- the imports ----

// File > Import > ASCII > Formatted with the file and layout chosen: a file imported
// before is read again only after "PATH\nAlready Imported - Continue Y/N" is answered Yes.
ImportResult ImportFormatted(CVKDoc& doc, const std::string& path, const CFormImport& layout, UserPort& port);

// File > Import > Trimble > US Army with the file chosen: asks "Use GPS heights".
ImportResult ImportUsArmy(CVKDoc& doc, const std::string& path, UserPort& port);

}  // namespace aq
