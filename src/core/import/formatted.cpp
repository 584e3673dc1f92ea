// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/formatted.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "import/importguard.h"
#include "model/archive.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "model/safefile.h"
#include "processing/recalc.h"

namespace aq {

namespace {

// What an absent value becomes in the record line; the seconds end the line.
constexpr const char* kDefaults[LAYOUT_COLUMNS] = {"0.0 ", "0.0 ", "0.0 ", "0.0 ", "0.0 ", "2000 ",
                                                   "1 ",   "1 ",   "0 ",   "0 ",   "0"};

constexpr const char* kLabels[LAYOUT_COLUMNS] = {
    "Easting/Longitude", "Northing/Latitude", "Elevation/Height", "Water Depth",  "Tide Height",   "Date(Year)",
    "Date(Month)",       "Date(Day)",         "Time(Hour)",       "Time(Minute)", "Time(Seconds)"};

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-'; }

// A layout file is a few hundred bytes; anything near this is something else, and is
// refused without being read whole.
constexpr size_t kLargestLayoutFile = size_t{1} << 20;

}  // namespace

// ---- the layout ----

const char* LayoutTypePrefix(int32_t typeIndex) {
    switch (typeIndex) {
        case LAYOUT_COORDINATE: return "P ";
        case LAYOUT_LATLON: return "L ";
        case LAYOUT_DEPTH: return "D ";
        case LAYOUT_TIDE: return "T ";
        default: return "";
    }
}

const char* LayoutTypeName(int32_t typeIndex) {
    switch (typeIndex) {
        case LAYOUT_COORDINATE: return "Coordinate Position";
        case LAYOUT_LATLON: return "Lat/Longitude Position";
        case LAYOUT_DEPTH: return "Water Depth";
        case LAYOUT_TIDE: return "Tide Elevation";
        default: return "";
    }
}

const char* LayoutColumnLabel(LayoutColumn c) { return c >= 0 && c < LAYOUT_COLUMNS ? kLabels[c] : ""; }

bool LayoutColumnEnabled(int32_t typeIndex, LayoutColumn c) {
    switch (c) {
        case COL_EASTING:
        case COL_NORTHING:
        case COL_ELEVATION: return typeIndex == LAYOUT_COORDINATE || typeIndex == LAYOUT_LATLON;
        case COL_DEPTH: return typeIndex == LAYOUT_DEPTH;
        case COL_TIDE: return typeIndex == LAYOUT_TIDE;
        default: return true;
    }
}

void CFormImport::SetType(int32_t typeIndex) {
    TypeIndex = typeIndex;
    TypePrefix = LayoutTypePrefix(typeIndex);
}

void CFormImport::UpdateMaxColumn() { MaxColumn = *std::max_element(Columns.begin(), Columns.end()); }

bool CFormImport::IsValid() const {
    if (TypeIndex < LAYOUT_NONE || TypeIndex > LAYOUT_TIDE) return false;
    return std::all_of(Columns.begin(), Columns.end(), [](int32_t c) { return c >= 0 && c <= LAYOUT_MAX_COLUMN; });
}

bool CFormImport::ParseLine(std::string_view input) {
    int32_t need = std::max(MaxColumn, 0);
    for (int32_t c : Columns) {
        // A column no layout can have is never in the line.
        if (c < 0 || c > LAYOUT_MAX_COLUMN) return false;
        need = std::max(need, c);
    }
    if (need > LAYOUT_MAX_COLUMN) return false;

    std::array<std::string_view, LAYOUT_MAX_COLUMN> numbers;
    int32_t found = 0;
    const size_t n = input.size();
    for (size_t i = 0; i < n && found < need;) {
        if (!IsNumberChar(input[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < n && IsNumberChar(input[i])) ++i;
        numbers[static_cast<size_t>(found++)] = input.substr(start, i - start);
    }
    if (found < need) return false;

    Line.assign(TypePrefix);
    for (int c = 0; c < LAYOUT_COLUMNS; ++c) {
        const int32_t column = Columns[static_cast<size_t>(c)];
        if (column > 0) {
            Line.append(numbers[static_cast<size_t>(column - 1)]);
            Line.push_back(' ');
        } else {
            Line.append(kDefaults[c]);
        }
    }
    return true;
}

CFormImport CFormImport::UsArmy(bool gpsHeights) {
    CFormImport l;
    l.TypePrefix = "X ";
    l.Columns = {1, 2, gpsHeights ? 3 : 0, 4, 5, 8, 6, 7, 9, 10, 11};
    l.MaxColumn = 11;
    return l;
}

// ---- layout files ----

std::vector<uint8_t> LayoutBytes(const CFormImport& layout) {
    ArchiveWriter ar;
    ar.I32(layout.TypeIndex);
    ar.Text(layout.TypePrefix);
    ar.Text(layout.Description);
    for (int32_t c : layout.Columns) ar.I32(c);
    return std::move(ar.Data());
}

void ReadLayoutBytes(CFormImport& layout, const uint8_t* data, size_t size) {
    ArchiveReader ar(data, size);
    const int32_t type = ar.I32();
    if (type < LAYOUT_NONE || type > LAYOUT_TIDE) throw FormatError("no layout type");
    layout.TypeIndex = type;
    layout.TypePrefix = ar.Text();
    layout.Description = ar.Text();
    for (int32_t& column : layout.Columns) {
        const int32_t c = ar.I32();
        if (c < 0 || c > LAYOUT_MAX_COLUMN) throw FormatError("no layout column");
        column = c;
    }
}

bool SaveLayout(const CFormImport& layout, const std::string& path, UserPort& port) {
    int err = 0;
    if (WriteFileAtomically(path, LayoutBytes(layout), &err)) return true;
    port.Message(FileErrorText(path, err ? err : EIO), Severity::Error);
    return false;
}

bool LoadLayout(CFormImport& layout, const std::string& path, UserPort& port) {
    // Without waiting on a FIFO that has no writer.
    int openError = 0;
    std::FILE* f = OpenStreamForReading(path, openError);
    if (!f) {
        port.Message(FileErrorText(path, openError), Severity::Error);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    int readError = 0;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, f);
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) {
            if (std::ferror(f)) readError = errno ? errno : EIO;
            break;
        }
        if (bytes.size() > kLargestLayoutFile) break;
    }
    std::fclose(f);
    if (readError != 0) {
        port.Message(FileErrorText(path, readError), Severity::Error);
        return false;
    }
    try {
        if (bytes.size() > kLargestLayoutFile) throw FormatError("too large for a layout");
        ReadLayoutBytes(layout, bytes.data(), bytes.size());
    } catch (const FormatError&) {
        port.Message("Unexpected file format.", Severity::Error);
        return false;
    }
    return true;
}

// ---- ASCII record lines ----

void AsciiRecordReader::Append(const CVKData& r) {
    doc_.AddRecord(r);
    // The recalculation that follows interpolates only the kinds it knows of.
    doc_.KindFlags |= r.Flags;
}

bool AsciiRecordReader::Line(std::string_view line, bool withQuality) {
    char kind = 0;
    double x = 0, y = 0, z = 0, depth = 0, tide = 0, seconds = 0;
    int32_t quality = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0;
    const int n = withQuality ? Scan(line, "%1c%lf%lf%lf%lf%lf%d%d%d%d%d%d%lf",
                                     {&kind, &x, &y, &z, &depth, &tide, &quality, &year, &month, &day, &hour, &minute,
                                      &seconds})
                              : Scan(line, "%1c%lf%lf%lf%lf%lf%d%d%d%d%d%lf",
                                     {&kind, &x, &y, &z, &depth, &tide, &year, &month, &day, &hour, &minute, &seconds});
    if (n < 12) return false;
    switch (kind) {
        case 'D':
        case 'T':
        case 'P':
        case 'L':
        case 'E':
        case 'X':
        case 'W': break;
        default: return true;
    }

    const int32_t whole = TruncToInt32(seconds);
    const int64_t t = BuildTimeStamp(clock_, year, month, day, hour, minute, whole);
    // Hundredths from the seconds as written: 3.01 is 3.00999... as a double, and must
    // come back as 1 hundredth, not 0.
    const int32_t fraction = std::abs(seconds) < 1e6 ? TruncScaled(seconds, 100.0) - whole * 100 : 0;
    const auto hundredths = static_cast<uint8_t>(std::clamp(fraction, 0, 99));
    const auto q = static_cast<uint8_t>(std::clamp(quality, 0, 255));

    const auto position = [&](bool geographic) {
        const double scale = geographic ? 10000000.0 : 100.0;
        CVKData r = CVKData::OfPosition(t, TruncScaled(x, scale), TruncScaled(y, scale), TruncScaled(z, 100.0),
                                        geographic ? REC_POSITION | REC_GEOGRAPHIC : REC_POSITION, hundredths);
        r.Quality = q;
        Append(r);
    };
    const auto depthRecord = [&] {
        Append(CVKData::OfDepth(t, TruncScaled16(depth, 100.0), q, REC_DEPTH, hundredths));
    };
    const auto tideRecord = [&] {
        CVKData r = CVKData::OfKind(t, TruncScaled16(tide, 100.0), REC_TIDE, hundredths);
        r.Quality = q;
        Append(r);
    };

    switch (kind) {
        case 'D': depthRecord(); break;
        case 'T': tideRecord(); break;
        case 'P': position(false); break;
        case 'L': position(true); break;
        case 'E': {
            CVKData r = CVKData::OfKind(t, TruncScaled16(depth, 100.0), REC_EVENT, hundredths);
            r.X = TruncScaled(x, 100.0);
            r.Y = TruncScaled(y, 100.0);
            r.Z = TruncScaled(z, 100.0);
            r.Quality = q;
            Append(r);
            break;
        }
        case 'X':
        case 'W':
            position(kind == 'W');
            depthRecord();
            tideRecord();
            break;
        default: break;
    }
    return true;
}

// ---- the imports ----

namespace {

ImportResult ImportWithLayout(CVKDoc& doc, ImportFile& file, const std::string& full, CFormImport layout,
                              const ImportSnapshot& before, UserPort& port) {
    AsciiRecordReader reader(doc);
    std::string_view line;
    while (file.NextLine(line))
        if (layout.ParseLine(line)) reader.Line(layout.Line, false);
    ReportReadError(file, full, port);
    if (!before.ConfirmPositionKinds(doc, full, port)) return ImportResult::Refused;
    if (before.Added(doc) == 0) ReportNothingImported("", "no line had the record layout", port);
    doc.NeedsSort = true;
    Recalculate(doc, port);
    return ImportResult::Imported;
}

}  // namespace

ImportResult ImportFormatted(CVKDoc& doc, const std::string& path, const CFormImport& layout, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened =
        BeginImport(doc, path, FindImportDialog(ID_IMPORT_FORMATTED)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    return ImportWithLayout(doc, file, full, layout, before, port);
}

ImportResult ImportUsArmy(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened =
        BeginImport(doc, path, FindImportDialog(ID_IMPORT_US_ARMY)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    const bool heights = port.AskYesNo("Use GPS heights");
    return ImportWithLayout(doc, file, full, CFormImport::UsArmy(heights), before, port);
}

}  // namespace aq
