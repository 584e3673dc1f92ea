// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/crossingscsv.h"

#include "export/exportfile.h"
#include "export/textbuf.h"

namespace aq {

const char* const CROSSINGS_CSV_HEADER =
    "easting,northing,main_line,cross_line,main_time,cross_time,depth,main_level,cross_level,delta,"
    "tvu_exclusive,tvu_special,tvu_1a,tvu_1b,tvu_2,"
    "ratio_exclusive,ratio_special,ratio_1a,ratio_1b,ratio_2,status";

std::string CrossingCsvLine(const Crossing& c, bool geographic) {
    using exporting::AppendFixed;
    using exporting::AppendInt;
    std::string s;
    const int decimals = geographic ? 7 : 2;
    AppendFixed(s, c.East, decimals);
    s += ',';
    AppendFixed(s, c.North, decimals);
    s += ',';
    AppendInt(s, c.MainLine);
    s += ',';
    AppendInt(s, c.CrossLine);
    s += ',';
    s += MomentText(c.MainTime);
    s += ',';
    s += MomentText(c.CrossTime);
    s += ',';
    AppendFixed(s, c.Depth, 2);
    s += ',';
    AppendFixed(s, c.MainLevel, 3);
    s += ',';
    AppendFixed(s, c.CrossLevel, 3);
    s += ',';
    AppendFixed(s, c.Delta, 3);
    for (const S44Order o : kS44Orders) {
        s += ',';
        AppendFixed(s, Tvu(o, c.Depth), 3);
    }
    for (const S44Order o : kS44Orders) {
        s += ',';
        AppendFixed(s, c.Ratio(o), 3);
    }
    s += ',';
    s += CrossingStatusName(c.Status);
    return s;
}

bool ExportCrossingsCsv(const CVKDoc& doc, const std::string& path, const CrossingResult& result, UserPort& port) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        std::string& out = file.Text();
        out += CROSSINGS_CSV_HEADER;
        out += exporting::kEol;
        for (size_t i = 0; i < result.Crossings.size(); ++i) {
            out += CrossingCsvLine(result.Crossings[i], geographic);
            out += exporting::kEol;
            if (!file.Spill(i, result.Crossings.size())) return false;
        }
        return true;
    });
}

}  // namespace aq
