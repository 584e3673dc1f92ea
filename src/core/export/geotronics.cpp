// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/geotronics.h"

#include "export/exportfile.h"
#include "export/textbuf.h"
#include "export/textformats.h"

namespace aq {

namespace exporting {

bool AppendLabelLine(std::string& out, const CVKData& r, int64_t index, bool geographic, LocalClock& clock) {
    if (r.IsDeleted()) return false;
    const char letter = r.KindLetter()[0];
    if (letter == ' ') return false;
    civil::Fields f;
    const double time = TimeNumberOf(clock.Fields(r.Time, f), f);
    out += "5=";
    AppendInt(out, index);
    out += " 4=";
    out += letter;
    AppendFixed(out, time, 4);
    if (geographic) {
        out += " 113=";
        AppendFixed(out, CorrectedX(r, true), 6);
        out += " 114=";
        AppendFixed(out, CorrectedY(r, true), 6);
        out += " 532=";
    } else {
        // Northing before easting.
        out += " 37=";
        AppendFixed(out, CorrectedY(r, false), 2);
        out += " 38=";
        AppendFixed(out, CorrectedX(r, false), 2);
        out += " 39=";
    }
    AppendFixed(out, ExportedLevel(r), 2);
    out += " 42=";
    AppendFixed(out, r.Depth / 100.0, 2);
    out += " 75=";
    AppendFixed(out, r.Tide / 100.0, 2);
    out += " 52=";
    AppendFixed(out, time, 4);
    out += kEol;
    return true;
}

void AppendHprLine(std::string& out, const CVKData& r, LocalClock& clock) {
    civil::Fields f;
    if (clock.Fields(r.Time, f)) {
        AppendDayTime(out, f);
    }
    for (const double v : {r.Z / 100.0, r.Depth / 100.0, r.Heave / 100.0, r.Pitch / 100.0, r.Roll / 100.0}) {
        out += ',';
        AppendFixed(out, v, 2);
    }
    out += kEol;
}

}  // namespace exporting

std::string LabelLine(const CVKData& r, int64_t index, bool geographic) {
    std::string s;
    exporting::LocalClock clock;
    exporting::AppendLabelLine(s, r, index, geographic, clock);
    return s;
}

std::string HprLine(const CVKData& r) {
    std::string s;
    exporting::LocalClock clock;
    exporting::AppendHprLine(s, r, clock);
    return s;
}

bool ExportGeotronics(const CVKDoc& doc, const std::string& path, const ExportSelection& selection, UserPort& port) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        exporting::LocalClock clock;
        std::string& out = file.Text();
        double lastDate = 0.0;
        for (size_t i = 0; i < doc.Records.size(); ++i) {
            const CVKData& r = doc.Records[i];
            if (!selection.Selects(r)) continue;
            // The date line comes before the first selected record of a later day, even
            // when that record is deleted and gets no line of its own.
            civil::Fields f;
            const double date = exporting::DateNumberOf(clock.Fields(r.Time, f), f);
            if (date > lastDate) {
                out += "51=";
                exporting::AppendFixed(out, date, 4);
                out += exporting::kEol;
                lastDate = date;
            }
            exporting::AppendLabelLine(out, r, static_cast<int64_t>(i), geographic, clock);
            if (!file.Spill(i, doc.Records.size())) return false;
        }
        return true;
    });
}

bool ExportHprReport(const CVKDoc& doc, const std::string& path, UserPort& port) {
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        exporting::LocalClock clock;
        std::string& out = file.Text();
        out += "Date/Time,Height,Depth,Heave,";
        out += (doc.KindFlags & REC_HPR) ? "Pitch(m),Roll(m)" : "Pitch(deg),Roll(deg)";
        out += exporting::kEol;
        // Record 0 is left out.
        for (size_t i = 1; i < doc.Records.size(); ++i) {
            const CVKData& r = doc.Records[i];
            if (!r.Has(REC_DEPTH)) continue;
            exporting::AppendHprLine(out, r, clock);
            if (!file.Spill(i, doc.Records.size())) return false;
        }
        return true;
    });
}

}  // namespace aq
