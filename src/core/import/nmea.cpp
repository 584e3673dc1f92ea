// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/nmea.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "import/importguard.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "processing/recalc.h"

namespace aq {

NmeaReader::NmeaReader(CVKDoc& doc, TextImportState& state) : doc_(doc), state_(state) { state_.Pending = 0; }

// A dense log (depths at a high rate, positions every second) makes a record for every
// 16 bytes or so; logs with other sentences take more. That is fewer than the bytes could
// hold (a sentence that makes a record has ten or more), and room beyond the records made
// costs address space, not memory: pages are only taken as records are written.
constexpr uint64_t kLogBytesPerRecord = 16;

void NmeaReader::Append(const CVKData& r) {
    if (inputBytes_ != 0) {
        // Only now that a sentence has made a record: a file of anything else reserves nothing.
        const uint64_t more = inputBytes_ / kLogBytesPerRecord;
        inputBytes_ = 0;
        try {
            if (more < doc_.Records.max_size() - doc_.Records.size())
                doc_.ReserveRecords(doc_.Records.size() + static_cast<size_t>(more));
        } catch (const std::exception&) {
            // Not that much room to be had: the array grows as the records come.
        }
    }
    doc_.AddRecord(r);
    // The recalculation that follows interpolates only the kinds it knows of.
    doc_.KindFlags |= r.Flags;
}

namespace {

constexpr const char* kSentenceNames[NMEA_SENTENCES] = {"GGA", "GLL", "RMC", "ZDA", "DPT", "DBT"};
constexpr const char* kSkipNames[NMEA_SKIPS] = {"bad checksum",           "no fix", "no date yet", "unreadable",
                                                "DPT in the same second", "no ZDA since the last depth"};

// Field n of a sentence (0 is the address), without the checksum; empty when it has fewer.
std::string_view Field(std::string_view line, size_t n) {
    const size_t star = line.find('*');
    if (star != std::string_view::npos) line = line.substr(0, star);
    size_t pos = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos) return {};
        pos = comma + 1;
    }
    const size_t end = line.find(',', pos);
    std::string_view f = line.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.remove_suffix(1);
    return f;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool ReadField(std::string_view field, double& v) {
    double x = 0;
    if (Scan(field, "%lf", {&x}) != 1) return false;
    v = x;
    return true;
}

}  // namespace

NmeaReader::Second NmeaReader::Now() const {
    return {state_.Year, state_.Month, state_.Day, state_.Hour, state_.Minute, state_.Second, true};
}

void NmeaReader::NewPosition(NmeaSentence from) {
    if (state_.Pending & NMEA_POSITION_PENDING) Skip(positionFrom_, NMEA_SKIP_NO_DATE);
    positionFrom_ = from;
    state_.Pending |= NMEA_POSITION_PENDING;
}

void NmeaReader::NewDepth(NmeaSentence from, bool tide) {
    if (state_.Pending & NMEA_DEPTH_PENDING) {
        const bool givesWay = depthFrom_ == NMEA_DBT && from == NMEA_DPT && dbtSecond_ == dptSecond_;
        Skip(depthFrom_, givesWay ? NMEA_SKIP_SAME_SECOND : UndatedDepth());
    }
    depthFrom_ = from;
    tidePending_ = tide;
    state_.Pending |= NMEA_DEPTH_PENDING;
}

void NmeaReader::Gga(std::string_view line) {
    double time = 0, lat = 0, lon = 0, altitude = 0, separation = 0;
    char ns = 0, ew = 0;
    int32_t quality = 0;
    const int n = Scan(line, "%*6s,%lf,%lf,%1c,%lf,%1c,%d,%*d,%*lf,%lf,%*1c,%lf",
                       {&time, &lat, &ns, &lon, &ew, &quality, &altitude, &separation});
    // Z of a GGA position is the altitude above the receiver's geoid, as the sentence
    // gives it. The geoidal separation (often left empty) is not kept: the document file
    // has no room for it, and Tide from GNSS Heights takes such heights as above EGM96,
    // the model receivers report against. The fix quality is kept in Quality (4 RTK
    // fixed, 5 RTK float), so that fixes below RTK quality can be told apart; GLL and
    // RMC positions carry no height (Z 0) and no quality (0).
    if (n < 7 || quality < 1) {
        int32_t q = 0;
        const std::string_view field = Field(line, 6);
        Skip(NMEA_GGA, (n >= 7 || field.empty() || (Scan(field, "%d", {&q}) == 1 && q < 1)) ? NMEA_SKIP_NO_FIX
                                                                                             : NMEA_SKIP_UNREADABLE);
        return;
    }
    SetTimeOfDay(state_, time);
    latitude_ = HemisphereDegrees(lat, ns);
    longitude_ = HemisphereDegrees(lon, ew);
    height_ = altitude;
    quality_ = static_cast<uint8_t>(std::min<int32_t>(quality, 255));
    NewPosition(NMEA_GGA);
}

void NmeaReader::Gll(std::string_view line) {
    double lat = 0, lon = 0, time = 0;
    char ns = 0, ew = 0, status = 0;
    if (Scan(line, "%*6s,%lf,%1c,%lf,%1c,%lf,%1c", {&lat, &ns, &lon, &ew, &time, &status}) < 6 || status != 'A') {
        const std::string_view field = Field(line, 6);
        Skip(NMEA_GLL, !field.empty() && field[0] != 'A' ? NMEA_SKIP_NO_FIX : NMEA_SKIP_UNREADABLE);
        return;
    }
    SetTimeOfDay(state_, time);
    latitude_ = HemisphereDegrees(lat, ns);
    longitude_ = HemisphereDegrees(lon, ew);
    height_ = 0;
    quality_ = 0;
    NewPosition(NMEA_GLL);
}

void NmeaReader::Rmc(std::string_view line) {
    // time, status, latitude, N/S, longitude, E/W, speed, course, ddmmyy, ...
    const std::string_view status = Field(line, 2);
    if (status != "A") {
        Skip(NMEA_RMC, status.empty() ? NMEA_SKIP_UNREADABLE : NMEA_SKIP_NO_FIX);
        return;
    }
    double time = 0, lat = 0, lon = 0;
    int32_t date = 0;
    const std::string_view ns = Field(line, 4), ew = Field(line, 6), dateField = Field(line, 9);
    if (!ReadField(Field(line, 1), time) || !ReadField(Field(line, 3), lat) || !ReadField(Field(line, 5), lon) ||
        ns.empty() || ew.empty() || dateField.size() != 6 || !AllDigits(dateField) ||
        Scan(dateField, "%d", {&date}) != 1) {
        Skip(NMEA_RMC, NMEA_SKIP_UNREADABLE);
        return;
    }
    // The date and time of day as a ZDA gives them, the position as a GLL does.
    SetTimeOfDay(state_, time);
    SetDayMonthYear(state_, date);
    state_.DateGiven(true);
    latitude_ = HemisphereDegrees(lat, ns[0]);
    longitude_ = HemisphereDegrees(lon, ew[0]);
    height_ = 0;
    quality_ = 0;
    state_.Pending |= NMEA_DATE_KNOWN;
    dateCarried_ = true;
    dateSeen_ = true;
    NewPosition(NMEA_RMC);
}

void NmeaReader::Zda(std::string_view line) {
    double time = 0;
    int64_t day = 0, month = 0, year = 0;
    if (Scan(line, "%*6s,%lf,%ld,%ld,%ld", {&time, &day, &month, &year}) < 4) {
        Skip(NMEA_ZDA, NMEA_SKIP_UNREADABLE);
        return;
    }
    SetTimeOfDay(state_, time);
    state_.Day = day;
    state_.Month = month;
    state_.Year = year;
    state_.DateGiven(true);
    state_.Pending |= NMEA_DATE_KNOWN;
    dateSeen_ = true;
    ++used_[NMEA_ZDA];
}

void NmeaReader::Dpt(std::string_view line) {
    double depth = 0, offset = 0;
    const int n = Scan(line, "%*6s,%lf,%lf", {&depth, &offset});
    // Many sounders leave the offset empty: a depth without a tide.
    if (n < 1 || (n == 1 && !Field(line, 2).empty())) {
        Skip(NMEA_DPT, NMEA_SKIP_UNREADABLE);
        return;
    }
    const bool tide = n == 2;
    dptSecond_ = Now();
    depth_ = TruncScaled16(depth, 100.0);
    tide_ = tide ? TruncScaled16(offset, 100.0) : int16_t{0};
    if (!(state_.Pending & NMEA_DEPTH_PENDING) && dbtRecord_ < doc_.Records.size() && dbtSecond_ == dptSecond_) {
        // A DBT of this second is already recorded: the DPT's depth takes its place.
        CVKData& r = doc_.Records[dbtRecord_];
        r.Depth = depth_;
        if (tide) Append(CVKData::OfKind(r.Time, tide_, REC_TIDE, 0));
        dbtRecord_ = SIZE_MAX;
        --used_[NMEA_DBT];
        Skip(NMEA_DBT, NMEA_SKIP_SAME_SECOND);
        ++used_[NMEA_DPT];
        return;
    }
    NewDepth(NMEA_DPT, tide);
}

void NmeaReader::Dbt(std::string_view line) {
    // Depth below the transducer in feet, metres and fathoms; the metres are taken.
    double depth = 0;
    if (!ReadField(Field(line, 3), depth)) {
        Skip(NMEA_DBT, NMEA_SKIP_UNREADABLE);
        return;
    }
    const Second now = Now();
    if (dptSecond_ == now) {
        Skip(NMEA_DBT, NMEA_SKIP_SAME_SECOND);
        return;
    }
    // A DPT still waiting keeps its place only in its own second; an older one is lost.
    depth_ = TruncScaled16(depth, 100.0);
    tide_ = 0;
    dbtSecond_ = now;
    NewDepth(NMEA_DBT, false);
}

void NmeaReader::Line(std::string_view line) {
    if (line.size() >= 6) {
        int kind = NMEA_SENTENCES;
        for (int k = 0; k < NMEA_SENTENCES && kind == NMEA_SENTENCES; ++k)
            if (SentenceIs(line, kSentenceNames[k])) kind = k;
        // A sentence whose checksum does not match is damaged: skipped like one that does not scan.
        if (kind != NMEA_SENTENCES && !ChecksumMatches(line)) {
            Skip(static_cast<NmeaSentence>(kind), NMEA_SKIP_CHECKSUM);
        } else {
            switch (kind) {
                case NMEA_GGA: Gga(line); break;
                case NMEA_GLL: Gll(line); break;
                case NMEA_RMC: Rmc(line); break;
                case NMEA_ZDA: Zda(line); break;
                case NMEA_DPT: Dpt(line); break;
                case NMEA_DBT: Dbt(line); break;
                default: break;
            }
        }
    }
    uint8_t& p = state_.Pending;
    const bool dated = (p & NMEA_DATE_KNOWN) || dateCarried_;
    if ((p & NMEA_POSITION_PENDING) && dated) {
        p &= static_cast<uint8_t>(~NMEA_POSITION_PENDING);
        const int64_t t = state_.Stamp();
        CVKData position = CVKData::OfPosition(t, TruncScaled(longitude_, 10000000.0),
                                               TruncScaled(latitude_, 10000000.0), TruncScaled(height_, 100.0),
                                               REC_POSITION | REC_GEOGRAPHIC, 0);
        position.Quality = quality_;
        Append(position);
        ++positions_;
        ++used_[positionFrom_];
    }
    if (dated && (p & NMEA_DEPTH_PENDING)) {
        p = 0;
        const int64_t t = state_.Stamp();
        Append(CVKData::OfKind(t, depth_, REC_DEPTH, 0));
        dbtRecord_ = depthFrom_ == NMEA_DBT ? doc_.Records.size() - 1 : SIZE_MAX;
        if (tidePending_) Append(CVKData::OfKind(t, tide_, REC_TIDE, 0));
        ++depths_;
        ++used_[depthFrom_];
    }
}

void NmeaReader::Finish() {
    uint8_t& p = state_.Pending;
    if (p & NMEA_POSITION_PENDING) Skip(positionFrom_, NMEA_SKIP_NO_DATE);
    if (p & NMEA_DEPTH_PENDING) Skip(depthFrom_, UndatedDepth());
    p &= static_cast<uint8_t>(~(NMEA_POSITION_PENDING | NMEA_DEPTH_PENDING));
}

std::string NmeaReader::Report() const {
    std::string used, skipped;
    const auto item = [](std::string& list, int count, int kind) {
        if (!list.empty()) list += ", ";
        list += std::to_string(count);
        list += ' ';
        list += kSentenceNames[kind];
    };
    for (int k = 0; k < NMEA_SENTENCES; ++k) {
        if (used_[k] > 0) item(used, used_[k], k);
        for (int w = 0; w < NMEA_SKIPS; ++w) {
            if (skipped_[k][w] == 0) continue;
            item(skipped, skipped_[k][w], k);
            skipped += " (";
            skipped += kSkipNames[w];
            skipped += ')';
        }
    }
    std::string text;
    if (!used.empty()) {
        text += "Used: ";
        text += used;
        text += '.';
    }
    if (!skipped.empty()) {
        if (!text.empty()) text += '\n';
        text += "Skipped: ";
        text += skipped;
        text += '.';
    }
    return text;
}

std::string NmeaReader::WhyNothing() const {
    int seen = 0, undated = 0;
    for (int k = 0; k < NMEA_SENTENCES; ++k) {
        seen += used_[k];
        for (int w = 0; w < NMEA_SKIPS; ++w) seen += skipped_[k][w];
        undated += skipped_[k][NMEA_SKIP_NO_DATE];
    }
    if (seen == 0) return "no GGA, GLL, RMC, ZDA, DPT or DBT sentence";
    if (undated > 0 && used_[NMEA_ZDA] == 0 && used_[NMEA_RMC] == 0) {
        const bool positions = skipped_[NMEA_GGA][NMEA_SKIP_NO_DATE] + skipped_[NMEA_GLL][NMEA_SKIP_NO_DATE] > 0;
        return positions ? "no ZDA sentence: NMEA positions need a date" : "no ZDA sentence: NMEA depths need a date";
    }
    return "no sentence gave a position or a depth";
}

ImportResult ImportNmea(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, FindImportDialog(ID_IMPORT_NMEA)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;

    TextImportState state;
    NmeaReader reader(doc, state);
    reader.SetInputBytes(file.Size());
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line);
    reader.Finish();
    ReportReadError(file, full, port);
    if (!before.ConfirmPositionKinds(doc, full, port)) return ImportResult::Refused;

    char counts[96];
    std::snprintf(counts, sizeof counts, "%d Positions %d depths imported", reader.Positions(), reader.Depths());
    std::string text = counts;
    const std::string report = reader.Report();
    if (!report.empty()) text += "\n" + report;
    if (reader.Positions() == 0 && reader.Depths() == 0) {
        ReportNothingImported(text, reader.WhyNothing(), port);
        return ImportResult::Imported;
    }
    port.Message(text, Severity::Info);
    doc.NeedsSort = true;
    Recalculate(doc, port);
    return ImportResult::Imported;
}

}  // namespace aq
