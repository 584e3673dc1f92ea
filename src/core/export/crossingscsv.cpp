// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/crossingscsv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "export/exportfile.h"
#include "export/textbuf.h"

namespace aq {

#define AQ_CROSSING_COLUMNS                                                                 \
    "main_line,cross_line,main_time,cross_time,depth,main_level,cross_level,delta,"         \
    "tvu_exclusive,tvu_special,tvu_1a,tvu_1b,tvu_2,"                                        \
    "ratio_exclusive,ratio_special,ratio_1a,ratio_1b,ratio_2,status"
const char* const CROSSINGS_CSV_HEADER = "easting,northing," AQ_CROSSING_COLUMNS;
const char* const CROSSINGS_CSV_HEADER_GEOGRAPHIC = "longitude,latitude," AQ_CROSSING_COLUMNS;
#undef AQ_CROSSING_COLUMNS

const char* CrossingsCsvHeader(bool geographic) {
    return geographic ? CROSSINGS_CSV_HEADER_GEOGRAPHIC : CROSSINGS_CSV_HEADER;
}

namespace {

// The pieces of a line written into a buffer, a pointer moving along it: a crossing's
// line is twenty numbers and two times, and millions of them make the file.
char* PutFixed(char* p, double v, int decimals) {
    size_t n = 0;
    if (exporting::FixedDigits(p, n, v, decimals)) return p + n;
    // Wide enough for the largest double in fixed notation with our decimals.
    return std::to_chars(p, p + 400, v, std::chars_format::fixed, decimals).ptr;
}

char* Put2(char* p, int v) {
    p[0] = static_cast<char>('0' + v / 10 % 10);
    p[1] = static_cast<char>('0' + v % 10);
    return p + 2;
}

// MomentText's "YYYY-MM-DD HH:MM:SS.hh", from the cache.
char* PutMoment(char* p, int64_t hundredths, civil::FieldsCache& clock) {
    const int64_t seconds = hundredths >= 0 ? hundredths / 100 : -((-hundredths + 99) / 100);
    const int rest = static_cast<int>(hundredths - seconds * 100);
    civil::Fields f;
    if (!clock.ToFields(seconds, f)) {
        *p++ = '-';
        return p;
    }
    // Every year the clock accepts has four digits.
    p = Put2(p, f.year / 100);
    p = Put2(p, f.year % 100);
    *p++ = '-';
    p = Put2(p, f.month);
    *p++ = '-';
    p = Put2(p, f.day);
    *p++ = ' ';
    p = Put2(p, f.hour);
    *p++ = ':';
    p = Put2(p, f.minute);
    *p++ = ':';
    p = Put2(p, f.second);
    *p++ = '.';
    return Put2(p, rest);
}

}  // namespace

void CrossingCsvWriter::Append(std::string& s, const Crossing& c) {
    // Room for twenty of the longest numbers, the times and the status.
    char line[20 * 410 + 128];
    char* p = line;
    const int decimals = geographic_ ? 7 : 2;
    p = PutFixed(p, c.East, decimals);
    *p++ = ',';
    p = PutFixed(p, c.North, decimals);
    *p++ = ',';
    p = std::to_chars(p, p + 16, c.MainLine).ptr;
    *p++ = ',';
    p = std::to_chars(p, p + 16, c.CrossLine).ptr;
    *p++ = ',';
    p = PutMoment(p, c.MainTime, clock_);
    *p++ = ',';
    p = PutMoment(p, c.CrossTime, clock_);
    *p++ = ',';
    p = PutFixed(p, c.Depth, 2);
    *p++ = ',';
    p = PutFixed(p, c.MainLevel, 3);
    *p++ = ',';
    p = PutFixed(p, c.CrossLevel, 3);
    *p++ = ',';
    p = PutFixed(p, c.Delta, 3);
    std::array<double, kS44Orders.size()> tvu;
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        tvu[o] = Tvu(kS44Orders[o], c.Depth);
        *p++ = ',';
        p = PutFixed(p, tvu[o], 3);
    }
    // As Crossing::Ratio.
    for (size_t o = 0; o < kS44Orders.size(); ++o) {
        *p++ = ',';
        p = PutFixed(p, std::abs(c.Delta) / tvu[o], 3);
    }
    *p++ = ',';
    s.append(line, static_cast<size_t>(p - line));
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
    std::string header(CrossingsCsvHeader(geographic));
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

bool ExportCrossingsCsv(const CVKDoc& doc, const std::string& path, const CrossingResult& result, UserPort& port) {
    const bool geographic = doc.IsGeographic();
    return exporting::WriteExportFile(path, port, [&](exporting::ExportFile& file) {
        return FormatCrossingsCsv(result.Crossings, geographic, [&](std::string_view piece, size_t done) {
            file.Text() += piece;
            return file.Spill(done, result.Crossings.size());
        });
    });
}

}  // namespace aq
