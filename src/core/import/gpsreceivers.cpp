// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/gpsreceivers.h"

#include <cstdio>

#include "import/importguard.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "processing/recalc.h"

namespace aq {

namespace {

void Append(CVKDoc& doc, const CVKData& r) {
    doc.AddRecord(r);
    // The recalculation that follows interpolates only the kinds it knows of.
    doc.KindFlags |= r.Flags;
}

// Text of a line from `from` on, with every "EHT" taken out so that the Trimble
// height field starts with its number.
std::string_view WithoutEht(std::string_view text, std::string& scratch) {
    if (text.find("EHT") == std::string_view::npos) return text;
    scratch.clear();
    size_t pos = 0;
    for (size_t hit; (hit = text.find("EHT", pos)) != std::string_view::npos; pos = hit + 3)
        scratch.append(text.substr(pos, hit - pos));
    scratch.append(text.substr(pos));
    return scratch;
}

using LineFn = bool (*)(CVKDoc&, TextImportState&, std::string_view, bool);

// How a log of one kind names its lines, and why it gave no position: no line of the
// kind at all, or none that read.
struct LogKind {
    bool (*isSentence)(std::string_view line);
    const char* noSentence;
    const char* noneRead;
};

ImportResult ImportLines(CVKDoc& doc, const std::string& path, int command, LineFn fn, bool grid, const LogKind& kind,
                         UserPort& port) {
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, FindImportDialog(command)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    TextImportState state;
    int count = 0;
    bool sawSentence = false;
    std::string_view line;
    while (file.NextLine(line)) {
        if (fn(doc, state, line, grid))
            ++count;
        else if (!sawSentence)
            sawSentence = kind.isSentence(line);
    }
    ReportReadError(file, full, port);
    char text[64];
    std::snprintf(text, sizeof text, "%d Positions imported", count);
    if (count == 0) {
        ReportNothingImported(text, sawSentence ? kind.noneRead : kind.noSentence, port);
        return ImportResult::Imported;
    }
    port.Message(text, Severity::Info);
    doc.NeedsSort = true;
    Recalculate(doc, port);
    return ImportResult::Imported;
}

const LogKind kGgkLog = {[](std::string_view line) { return line.find("GGK") != std::string_view::npos; },
                         "no GGK line", "no GGK line had a time, a date and a position"};
const LogKind kPjkLog = {[](std::string_view line) { return line.find("PJK") != std::string_view::npos; },
                         "no PJK line", "no PJK line had a time, a date and a position"};
const LogKind kLeicaLog = {
    [](std::string_view line) { return SentenceIs(line, "LLK") || SentenceIs(line, "LLQ") || SentenceIs(line, "GGK"); },
    "no LLK, LLQ or GGK sentence", "no LLK, LLQ or GGK sentence had a readable fix of quality 3 or better"};

}  // namespace

// Z of a GGK position is the ellipsoidal height of the fix (the field Trimble marks
// "EHT"); a PJK position's Z is the height of the projected fix from the same field. The
// fix quality is read but not kept (Quality 0): Trimble numbers its qualities otherwise
// than GGA does (3 is RTK fixed), and our records cannot say which receiver made them.
bool TrimbleLine(CVKDoc& doc, TextImportState& state, std::string_view line, bool grid) {
    const size_t tag = line.find(grid ? "PJK" : "GGK");
    if (tag == 0) return false;
    // The fields start after the tag and its comma; without a tag, after the address.
    const size_t cut = tag == std::string_view::npos ? 3 : tag + 4;
    std::string scratch;
    const std::string_view fields = WithoutEht(cut < line.size() ? line.substr(cut) : std::string_view(), scratch);

    double time = 0, first = 0, second = 0, height = 0;
    int32_t date = 0, quality = 0;
    char letter1 = 0, letter2 = 0;
    if (Scan(fields, "%lf,%d,%lf,%1c,%lf,%1c,%d,%*d,%*lf,%lf",
             {&time, &date, &first, &letter1, &second, &letter2, &quality, &height}) < 8)
        return false;
    SetTimeOfDay(state, time);
    SetDayMonthYear(state, date);
    state.DateGiven(true);
    const int64_t t = state.Stamp();
    if (grid) {
        doc.KindFlags |= REC_POSITION;
        // The first coordinate is the northing.
        Append(doc, CVKData::OfPosition(t, TruncScaled(second, 100.0), TruncScaled(first, 100.0),
                                        TruncScaled(height, 100.0), REC_POSITION, 0));
    } else {
        doc.KindFlags |= REC_GEOGRAPHIC;
        const double latitude = HemisphereDegrees(first, letter1);
        const double longitude = HemisphereDegrees(second, letter2);
        Append(doc, CVKData::OfPosition(t, TruncScaled(longitude, 10000000.0), TruncScaled(latitude, 10000000.0),
                                        TruncScaled(height, 100.0), REC_POSITION | REC_GEOGRAPHIC, 0));
    }
    return true;
}

// Z of a Leica position is the height of the local fix, in whatever height system the
// receiver was set up for; only fixes of quality 3 (RTK, ambiguities fixed) are read, and
// the quality is not kept (Quality 0).
bool LeicaLine(CVKDoc& doc, TextImportState& state, std::string_view line) {
    if (!SentenceIs(line, "LLK") && !SentenceIs(line, "LLQ") && !SentenceIs(line, "GGK")) return false;
    double time = 0, easting = 0, northing = 0, height = 0;
    int32_t date = 0, quality = 0;
    if (Scan(line, "%*6s,%lf,%d,%lf,%*c,%lf,%*c,%d,%*d,%*lf,%lf",
             {&time, &date, &easting, &northing, &quality, &height}) < 6 ||
        quality <= 2)
        return false;
    SetTimeOfDay(state, time);
    SetDayMonthYear(state, date);
    state.DateGiven(true);
    Append(doc, CVKData::OfPosition(state.Stamp(), TruncScaled(easting, 100.0), TruncScaled(northing, 100.0),
                                    TruncScaled(height, 100.0), REC_POSITION, 0));
    return true;
}

ImportResult ImportTrimbleGgk(CVKDoc& doc, const std::string& path, UserPort& port) {
    return ImportLines(doc, path, ID_IMPORT_GGK, TrimbleLine, false, kGgkLog, port);
}

ImportResult ImportTrimblePjk(CVKDoc& doc, const std::string& path, UserPort& port) {
    return ImportLines(doc, path, ID_IMPORT_PJK, TrimbleLine, true, kPjkLog, port);
}

ImportResult ImportLeica(CVKDoc& doc, const std::string& path, UserPort& port) {
    return ImportLines(
        doc, path, ID_IMPORT_LEICA,
        [](CVKDoc& d, TextImportState& s, std::string_view line, bool) { return LeicaLine(d, s, line); }, false,
        kLeicaLog, port);
}

// ---- Geodimeter label files ----

namespace {
// Longer items are not labels or values; what goes beyond this is dropped.
constexpr size_t kLongestItem = 4096;
}  // namespace

GeodimeterReader::GeodimeterReader(CVKDoc& doc, TextImportState& state, bool lineBreaks, UserPort& port)
    : doc_(doc), port_(port), state_(state), lineBreaks_(lineBreaks) {
    state_.Pending = 0;
}

void GeodimeterReader::Feed(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '=') {
            label_ = ReadInt(text_);
            text_.clear();
        } else if (c == '\r' || c == ' ' || c == '\n') {
            // A line feed ends a value too, so files with bare line feeds read as well.
            Value(text_);
            text_.clear();
            label_ = 0;
        } else if (text_.size() < kLongestItem) {
            text_ += c;
        }
    }
}

void GeodimeterReader::Finish() {
    if (label_ != 0) Value(text_);
    text_.clear();
    label_ = 0;
}

CVKData* GeodimeterReader::Current() {
    if (current_ < 0 || static_cast<size_t>(current_) >= doc_.Records.size()) return nullptr;
    return &doc_.Records[static_cast<size_t>(current_)];
}

int64_t GeodimeterReader::AppendCurrent(const CVKData& r) {
    Append(doc_, r);
    current_ = static_cast<int64_t>(doc_.Records.size()) - 1;
    return current_;
}

void GeodimeterReader::Date(std::string_view text) {
    if (text.find('-', 1) != std::string_view::npos) {
        int32_t day = 0, month = 0, year = 0;
        if (Scan(text, "%d-%d-%d", {&day, &month, &year}) < 3) {
            port_.Message("Date read failure - " + std::string(text), Severity::Warning);
            return;
        }
        state_.Day = day;
        state_.Month = month;
        state_.Year = year;
    } else {
        // The appended digits keep 2009.1205 from coming out as 2009.120499...
        const int64_t n = TruncToInt32(ReadReal(std::string(text) + "01") * 10000.0);
        state_.Year = n / 10000;
        state_.Month = (n % 10000) / 100;
        state_.Day = n % 100;
    }
    // Times that follow are compared with each other, not with those of an earlier date.
    state_.DateGiven(false);
}

std::string PadTimeFraction(std::string_view text) {
    std::string s(text);
    size_t p = 0;
    while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    const size_t digits = p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
    if (p == digits) return s;  // not a number: read as it is
    if (p == s.size()) return s + ".0000";
    if (s[p] != '.') return s;
    const size_t point = ++p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
    if (p - point < 4) s.insert(p, 4 - (p - point), '0');
    return s;
}

void GeodimeterReader::Time(std::string_view text) {
    if (text.find(':', 1) != std::string_view::npos) {
        int32_t hour = 0, minute = 0, second = 0;
        if (Scan(text, "%d:%d:%d", {&hour, &minute, &second}) < 3) {
            port_.Message("Time read failure - " + std::string(text), Severity::Warning);
            return;
        }
        state_.Hour = hour;
        state_.Minute = minute;
        state_.Second = second;
    } else {
        // hh.mmss: 12.3 is 12:30:00, so the fraction is made up to its four digits
        // before the guard digits go on.
        const int64_t n = TruncToInt32(ReadReal(PadTimeFraction(text) + "01") * 10000.0);
        state_.Hour = n / 10000;
        state_.Minute = (n % 10000) / 100;
        state_.Second = n % 100;
    }
    state_.TimeOfDayGiven();
}

void GeodimeterReader::Value(std::string_view text) {
    switch (label_) {
        case 4: {
            size_t digits = 0;
            while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
            code0_ = text.substr(0, digits) == "0";
            break;
        }
        case 5:
            state_.Pending &= static_cast<uint8_t>(~(GEO_Y | GEO_X | GEO_Z | GEO_TIME));
            current_ = -1;
            break;
        case 37:
            y37_ = ReadReal(text);
            Record(GEO_Y);
            break;
        case 38:
            x38_ = ReadReal(text);
            Record(GEO_X);
            break;
        case 39:
            z39_ = ReadReal(text);
            Record(GEO_Z);
            break;
        case 42:
            depth42_ = ReadReal(text);
            Record(GEO_DEPTH);
            break;
        case 51:
            Date(text);
            Record(GEO_DATE);
            break;
        case 52:
            Time(text);
            Record(GEO_TIME);
            break;
        case 75:
            tide75_ = ReadReal(text);
            Record(GEO_TIDE);
            break;
        default: break;
    }
}

void GeodimeterReader::Record(uint8_t bit) {
    state_.Pending |= bit;
    const uint8_t f = state_.Pending;
    constexpr uint8_t kPoint = GEO_Y | GEO_X | GEO_Z | GEO_TIME | GEO_DATE;
    constexpr uint8_t kStamp = GEO_TIME | GEO_DATE;
    if ((f & kPoint) == kPoint) {
        const int32_t x = TruncScaled(x38_, 100.0);
        const int32_t y = TruncScaled(y37_, 100.0);
        const int32_t z = TruncScaled(z39_, 100.0);
        if (CVKData* r = Current()) {
            r->X = x;
            r->Y = y;
            r->Z = z;
        } else {
            const int64_t t = state_.Stamp();
            if (lineBreaks_ && code0_) Append(doc_, CVKData::OfKind(t, -1, REC_EVENT, 0));
            AppendCurrent(CVKData::OfPosition(t, x, y, z, REC_POSITION, 0));
        }
        state_.Pending &= static_cast<uint8_t>(~(GEO_Y | GEO_X | GEO_Z | GEO_TIME));
        doc_.KindFlags |= REC_POSITION;
    }
    if ((f & (kStamp | GEO_DEPTH)) == (kStamp | GEO_DEPTH)) {
        const int16_t depth = TruncScaled16(depth42_, 100.0);
        if (CVKData* r = Current())
            r->Depth = depth;
        else
            AppendCurrent(CVKData::OfKind(state_.Stamp(), depth, REC_DEPTH, 0));
        state_.Pending &= static_cast<uint8_t>(~GEO_DEPTH);
        doc_.KindFlags |= REC_DEPTH;
    }
    if ((f & (kStamp | GEO_TIDE)) == (kStamp | GEO_TIDE)) {
        const int16_t tide = TruncScaled16(tide75_, 100.0);
        if (CVKData* r = Current())
            r->Tide = tide;
        else
            AppendCurrent(CVKData::OfKind(state_.Stamp(), tide, REC_TIDE, 0));
        state_.Pending &= static_cast<uint8_t>(~GEO_TIDE);
        doc_.KindFlags |= REC_TIDE;
    }
}

ImportResult ImportGeotronics(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened =
        BeginImport(doc, path, FindImportDialog(ID_IMPORT_GEOTRONICS)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    const bool lineBreaks = port.AskYesNo("Use line breaks(4=0)?");

    TextImportState state;
    GeodimeterReader reader(doc, state, lineBreaks, port);
    for (;;) {
        const std::span<const uint8_t> bytes = file.Peek(ImportFile::kBlock);
        if (bytes.empty()) break;
        reader.Feed(bytes.data(), bytes.size());
        file.Skip(bytes.size());
    }
    reader.Finish();
    ReportReadError(file, full, port);
    if (!before.ConfirmPositionKinds(doc, full, port)) return ImportResult::Refused;
    if (before.Added(doc) == 0)
        ReportNothingImported({},
                              "no point had its coordinates, depth or tide with a date (label 51) and a "
                              "time (label 52)",
                              port);
    doc.NeedsSort = true;
    Recalculate(doc, port);
    return ImportResult::Imported;
}

}  // namespace aq
