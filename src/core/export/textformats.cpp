// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/textformats.h"

#include <algorithm>

#include "export/exportfile.h"
#include "export/textbuf.h"

namespace aq {

namespace exporting {

namespace {

// The second with hundredths; a time the clock refuses counts as second -1.
double SecondWithHundredths(bool ok, const civil::Fields& f, const CVKData& r) {
    return ((ok ? f.second : -1) * 100 + r.Hundredths) / 100.0;
}

}  // namespace

void AppendAsciiLine(std::string& out, const CVKData& r, bool geographic, LocalClock& clock) {
    if (r.IsDeleted()) {
        out += "Deleted";
        return;
    }
    const char letter = r.KindLetter()[0];
    if (letter == ' ') {
        out += '?';
        return;
    }
    const int decimals = geographic ? 7 : 2;
    const int width = geographic ? 12 : 8;
    out += letter;
    out += ' ';
    AppendFixed(out, CorrectedX(r, geographic), decimals, width);
    out += ' ';
    AppendFixed(out, CorrectedY(r, geographic), decimals, width);
    out += ' ';
    AppendFixed(out, CorrectedZ(r), 2, 6);
    out += ' ';
    AppendFixed(out, r.Depth / 100.0, 2, 6);
    out += ' ';
    AppendFixed(out, r.Tide / 100.0, 2, 6);
    out += ' ';
    AppendInt(out, r.Quality, 3);
    out += ' ';
    civil::Fields f;
    const bool ok = clock.Fields(r.Time, f);
    if (ok) {
        AppendYear(out, f.year);
        out += ' ';
        Append2(out, f.month);
        out += ' ';
        Append2(out, f.day);
        out += ' ';
        Append2(out, f.hour);
        out += ' ';
        Append2(out, f.minute);
    }
    AppendFixed(out, SecondWithHundredths(ok, f, r), 2, 6);
}

void AppendXyzPoint(std::string& out, const CVKData& r, const XyzPoint& p, bool geographic, bool lineEndOnly,
                    bool commas, LocalClock& clock) {
    const char sep = commas ? ',' : ' ';
    const int decimals = geographic ? 7 : 2;
    AppendFixed(out, p.x, decimals);
    out += sep;
    AppendFixed(out, p.y, decimals);
    out += sep;
    AppendFixed(out, p.level, 2);
    if (!lineEndOnly) {
        civil::Fields f;
        const bool ok = clock.Fields(r.Time, f);
        out += sep;
        out += r.KindLetter()[0];
        AppendFixed(out, TimeNumberOf(ok, f), 4);
    }
    out += kEol;
}

bool AppendXyzLine(std::string& out, const CVKData& r, bool geographic, bool lineEndOnly, bool commas,
                   LocalClock& clock) {
    XyzPoint p;
    if (!XyzPointOf(r, geographic, p)) return false;
    AppendXyzPoint(out, r, p, geographic, lineEndOnly, commas, clock);
    return true;
}

void AppendCsvLine(std::string& out, const CVKData& r, bool geographic, LocalClock& clock) {
    if (r.IsDeleted()) {
        out += "Deleted";
        out += kEol;
        return;
    }
    out += r.KindLetter()[0];
    out += ',';
    civil::Fields f;
    const bool ok = clock.Fields(r.Time, f);
    // A time the clock refuses leaves the field empty but keeps its comma, so the
    // columns stay under their headings.
    if (ok) {
        AppendDayTime(out, f);
    }
    out += ',';
    AppendFixed(out, SecondWithHundredths(ok, f, r), 2, 5);
    out += ',';
    const int decimals = geographic ? 7 : 2;
    AppendFixed(out, CorrectedX(r, geographic), decimals);
    out += ',';
    AppendFixed(out, CorrectedY(r, geographic), decimals);
    out += ',';
    AppendFixed(out, CorrectedZ(r), 2);
    out += ',';
    AppendFixed(out, r.Tide / 100.0, 2);
    out += ',';
    AppendFixed(out, r.Depth / 100.0, 2);
    out += ',';
    AppendInt(out, r.Quality);
    out += kEol;
}

namespace {

// Writes the selected records of indices [first, last) with `line`.
template <class Line>
bool WriteSelected(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, size_t first,
                   size_t last, UserPort& port, Line&& line) {
    return WriteExportFile(path, port, [&](ExportFile& file) {
        LocalClock clock;
        std::string& out = file.Text();
        for (size_t i = first; i < last; ++i) {
            const CVKData& r = doc.Records[i];
            if (!selection.Selects(r)) continue;
            line(out, r, clock);
            if (!file.Spill(i - first, last - first)) return false;
        }
        return true;
    });
}

// The XYZ family: every record, or all but the first three and the last three.
bool WriteXyzFamily(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, bool trimEnds,
                    bool lineEndOnly, bool commas, UserPort& port) {
    const size_t n = doc.Records.size();
    const size_t first = trimEnds ? 3 : 0;
    const size_t last = trimEnds ? (n > 3 ? n - 3 : 0) : n;
    const bool geographic = doc.IsGeographic();
    const size_t end = std::max(first, last);
    return WriteExportFile(path, port, [&](ExportFile& file) {
        LocalClock clock;
        std::string& out = file.Text();
        return ForEachXyzPoint(doc, selection, first, end, [&](size_t i, const CVKData& r, const XyzPoint& p) {
            AppendXyzPoint(out, r, p, geographic, lineEndOnly, commas, clock);
            return file.Spill(i - first, end - first);
        });
    });
}

}  // namespace

}  // namespace exporting

std::string AsciiLine(const CVKData& r, bool geographic) {
    std::string s;
    exporting::LocalClock clock;
    exporting::AppendAsciiLine(s, r, geographic, clock);
    return s;
}

std::string XyzLine(const CVKData& r, bool geographic, bool lineEndOnly, bool commas) {
    std::string s;
    exporting::LocalClock clock;
    exporting::AppendXyzLine(s, r, geographic, lineEndOnly, commas, clock);
    return s;
}

std::string CsvLine(const CVKData& r, bool geographic) {
    std::string s;
    exporting::LocalClock clock;
    exporting::AppendCsvLine(s, r, geographic, clock);
    return s;
}

bool HypackRefuses(const CVKDoc& doc, UserPort& port) {
    if (!doc.IsGeographic()) return false;
    port.Message(HYPACK_REFUSAL, Severity::Warning);
    return true;
}

bool ExportAscii(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteSelected(doc, path, selection, 0, doc.Records.size(), port,
                                    [&](std::string& out, const CVKData& r, exporting::LocalClock& clock) {
                                        if (r.IsDeleted()) return;
                                        exporting::AppendAsciiLine(out, r, geographic, clock);
                                        out += exporting::kEol;
                                    });
}

bool ExportXyz(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    return exporting::WriteXyzFamily(doc, path, selection, false, false, false, port);
}

bool ExportHypack(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    if (HypackRefuses(doc, port)) return false;
    return exporting::WriteXyzFamily(doc, path, selection, true, true, false, port);
}

bool ExportUsArmy(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    return exporting::WriteXyzFamily(doc, path, selection, true, true, true, port);
}

bool ExportCsv(const CVKDoc& doc, const std::string& path, UserPort& port) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        exporting::LocalClock clock;
        std::string& out = file.Text();
        out += CSV_HEADER;
        out += exporting::kEol;
        for (size_t i = 0; i < doc.Records.size(); ++i) {
            exporting::AppendCsvLine(out, doc.Records[i], geographic, clock);
            if (!file.Spill(i, doc.Records.size())) return false;
        }
        return true;
    });
}

}  // namespace aq
