// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "export/export.h"
#include "export/localclock.h"
#include "model/data.h"
#include "model/doc.h"

namespace aq {

// The ASCII (*.s2k) line of a record, without line end: kind, X, Y, Z, depth, tide,
// quality, then year, month, day, hour, minute and second with hundredths. "Deleted"
// for a deleted record, "?" for one of no kind. Also the text of the point lists.
std::string AsciiLine(const CVKData& r, bool geographic);

// The XYZ-family line of a record as written to the file (CR LF included), or an empty
// text for a deleted record or one of no kind: X, Y and the exported level, then, unless
// lineEndOnly, the kind letter with the time of day (hh.mmss); commas in place of every
// blank when `commas`.
std::string XyzLine(const CVKData& r, bool geographic, bool lineEndOnly, bool commas);

// The CSV data line of a record as written (CR LF included); "Deleted" for a deleted
// record.
std::string CsvLine(const CVKData& r, bool geographic);

// Header line of the CSV data file.
inline constexpr char CSV_HEADER[] = "Type,Date/Time,Sec,X/E,Y/N,Z/H,Tide,Depth,QA";

// Text of the Hypack refusal.
inline constexpr char HYPACK_REFUSAL[] = "Hypack does not accept GPS XYZ";

// Hypack refuses a geographic survey: shows the message and returns true. The front end
// asks before any dialog; ExportHypack asks again.
bool HypackRefuses(const CVKDoc& doc, UserPort& port);

// The export commands, each after its file and selection are chosen. False on a
// refusal or a file error, already shown through the port.
bool ExportAscii(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);
bool ExportXyz(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);
// Hypack and US Army leave out the first three and the last three records.
bool ExportHypack(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);
bool ExportUsArmy(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port);
// Every record, deleted ones as "Deleted"; there is no selection.
bool ExportCsv(const CVKDoc& doc, const std::string& path, UserPort& port);

namespace exporting {

// What the XYZ family writes of a record: its corrected position and exported level.
struct XyzPoint {
    double x = 0;
    double y = 0;
    double level = 0;
};

// The point the XYZ family writes of a record; false for one it leaves out (deleted, or
// of no kind).
inline bool XyzPointOf(const CVKData& r, bool geographic, XyzPoint& p) {
    if (r.IsDeleted() || r.KindLetter()[0] == ' ') return false;
    p.x = CorrectedX(r, geographic);
    p.y = CorrectedY(r, geographic);
    p.level = ExportedLevel(r);
    return true;
}

// The point loop of the XYZ family, which the surfaces share so that a grid is made of
// exactly the points an XYZ export of the same records writes: visit(index, record,
// point) for each record of indices [first, last) that the selection picks and the
// family writes, in order. A visit returning false stops the loop, which then returns
// false.
template <class Visit>
bool ForEachXyzPoint(const CVKDoc& doc, const ExportSelection& selection, size_t first, size_t last, Visit&& visit) {
    const bool geographic = doc.IsGeographic();
    XyzPoint p;
    for (size_t i = first; i < last; ++i) {
        const CVKData& r = doc.Records[i];
        if (!selection.Selects(r) || !XyzPointOf(r, geographic, p)) continue;
        if (!visit(i, r, p)) return false;
    }
    return true;
}

// The lines above appended to `out`, with the local time taken from `clock`. Return
// whether a line was appended.
void AppendAsciiLine(std::string& out, const CVKData& r, bool geographic, LocalClock& clock);
bool AppendXyzLine(std::string& out, const CVKData& r, bool geographic, bool lineEndOnly, bool commas,
                   LocalClock& clock);
// The XYZ-family line of a point XyzPointOf gave for the record.
void AppendXyzPoint(std::string& out, const CVKData& r, const XyzPoint& p, bool geographic, bool lineEndOnly,
                    bool commas, LocalClock& clock);
void AppendCsvLine(std::string& out, const CVKData& r, bool geographic, LocalClock& clock);

// hour + (minute * 100 + second) / 10000 of the fields, or that of -1, -1, -1 when the
// time cannot be converted, as CVKData::TimeNumber.
inline double TimeNumberOf(bool ok, const civil::Fields& f) {
    return ok ? f.hour + (f.minute * 100 + f.second) / 10000.0 : -1 + (-1 * 100 + -1) / 10000.0;
}
// year + (month * 100 + day) / 10000, or 0, as CVKData::DateNumber.
inline double DateNumberOf(bool ok, const civil::Fields& f) {
    return ok ? f.year + (f.month * 100 + f.day) / 10000.0 : 0.0;
}

}  // namespace exporting

}  // namespace aq
