// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/crossingscsv.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "export/exportfile.h"
#include "export/textbuf.h"

namespace aq {

const char* const CROSSINGS_CSV_HEADER =
    "easting,northing,main_line,cross_line,main_time,cross_time,depth,main_level,cross_level,delta,"
    "tvu_exclusive,tvu_special,tvu_1a,tvu_1b,tvu_2,"
    "ratio_exclusive,ratio_special,ratio_1a,ratio_1b,ratio_2,status";

namespace {

// MomentText's "YYYY-MM-DD HH:MM:SS.hh", from the cache.
void AppendMoment(std::string& out, int64_t hundredths, civil::FieldsCache& clock) {
    using namespace exporting;
    const int64_t seconds = hundredths >= 0 ? hundredths / 100 : -((-hundredths + 99) / 100);
    const int rest = static_cast<int>(hundredths - seconds * 100);
    civil::Fields f;
    if (!clock.ToFields(seconds, f)) {
        out += '-';
        return;
    }
    AppendYear(out, f.year);
    out += '-';
    Append2(out, f.month);
    out += '-';
    Append2(out, f.day);
    out += ' ';
    Append2(out, f.hour);
    out += ':';
    Append2(out, f.minute);
    out += ':';
    Append2(out, f.second);
    out += '.';
    Append2(out, rest);
}

}  // namespace

void CrossingCsvWriter::Append(std::string& s, const Crossing& c) {
    using exporting::AppendFixed;
    using exporting::AppendInt;
    const int decimals = geographic_ ? 7 : 2;
    AppendFixed(s, c.East, decimals);
    s += ',';
    AppendFixed(s, c.North, decimals);
    s += ',';
    AppendInt(s, c.MainLine);
    s += ',';
    AppendInt(s, c.CrossLine);
    s += ',';
    AppendMoment(s, c.MainTime, clock_);
    s += ',';
    AppendMoment(s, c.CrossTime, clock_);
    s += ',';
    AppendFixed(s, c.Depth, 2);
    s += ',';
    AppendFixed(s, c.MainLevel, 3);
    s += ',';
    AppendFixed(s, c.CrossLevel, 3);
    s += ',';
    AppendFixed(s, c.Delta, 3);
    std::array<double, kS44Orders.size()> tvu;
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        tvu[o] = Tvu(kS44Orders[o], c.Depth);
        s += ',';
        AppendFixed(s, tvu[o], 3);
    }
    // As Crossing::Ratio.
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        s += ',';
        AppendFixed(s, std::abs(c.Delta) / tvu[o], 3);
    }
    s += ',';
    s += CrossingStatusName(c.Status);
}

std::string CrossingCsvLine(const Crossing& c, bool geographic) {
    std::string s;
    CrossingCsvWriter(geographic).Append(s, c);
    return s;
}

const char* const LINES_CSV_HEADER =
    "line,kind,heading,length,start,end,seconds,soundings,first_record,last_record";

void AppendLineCsv(std::string& s, const SurveyLine& l) {
    using exporting::AppendFixed;
    using exporting::AppendInt;
    AppendInt(s, l.Number);
    s += ',';
    s += LineKindName(l.Kind);
    s += ',';
    AppendFixed(s, l.Heading, 1);
    s += ',';
    AppendFixed(s, l.Length, 2);
    s += ',';
    s += MomentText(l.Start);
    s += ',';
    s += MomentText(l.End);
    s += ',';
    AppendFixed(s, static_cast<double>(l.End - l.Start) / 100.0, 2);
    s += ',';
    AppendInt(s, static_cast<int64_t>(l.SoundingCount()));
    s += ',';
    AppendInt(s, l.FirstRecord);
    s += ',';
    AppendInt(s, l.LastRecord);
}

bool FormatCrossingsCsv(const std::vector<Crossing>& crossings, bool geographic,
                        CallRef<bool(std::string_view, size_t)> sink, const CsvPieces& pieces) {
    std::string header(CROSSINGS_CSV_HEADER);
    header += exporting::kEol;
    if (!sink(header, 0)) return false;
    const unsigned threads = std::max(pieces.threads, 1u);
    const size_t piece = std::max<size_t>(pieces.piece, 1);
    // One writer (and clock) and one text for each thread, kept from piece to piece.
    std::vector<CrossingCsvWriter> writers(threads, CrossingCsvWriter(geographic));
    std::vector<std::string> texts(threads);
    ParallelSettings settings;
    settings.parts = threads;
    settings.minimum = piece + 1;  // one thread for what fits one piece
    const size_t n = crossings.size();
    for (size_t at = 0; at < n; at += piece * threads) {
        const size_t count = std::min(n - at, piece * threads);
        ParallelFor(count, settings, [&](unsigned part, size_t begin, size_t end) {
            std::string& text = texts[part];
            text.clear();
            for (size_t i = at + begin; i < at + end; ++i) {
                writers[part].Append(text, crossings[i]);
                text += exporting::kEol;
            }
        });
        // ParallelFor gives part p the p-th stretch: in order, as the file must be.
        for (unsigned part = 0; part < threads; ++part) {
            if (texts[part].empty()) continue;
            if (!sink(texts[part], part + 1 == threads ? at + count : at)) return false;
            texts[part].clear();
        }
    }
    return true;
}

bool ExportCrossingsCsv(const CVKDoc& doc, const std::string& path, const CrossingResult& result) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteExportFile(doc, path, [&](exporting::ExportFile& file) {
        return FormatCrossingsCsv(result.Crossings, geographic, [&](std::string_view piece, size_t done) {
            file.Text() += piece;
            return file.Spill(done, result.Crossings.size());
        });
    });
}

}  // namespace aq
