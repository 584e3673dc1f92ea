// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/nmea.h"

#include <cstdio>
#include <exception>

#include "model/muldiv.h"
#include "processing/recalc.h"
#include "ui/commands.h"

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

void NmeaReader::Gga(std::string_view line) {
    double time = 0, lat = 0, lon = 0, altitude = 0, separation = 0;
    char ns = 0, ew = 0;
    int32_t quality = 0;
    const int n = Scan(line, "%*6s,%lf,%lf,%1c,%lf,%1c,%d,%*d,%*lf,%lf,%*1c,%lf",
                       {&time, &lat, &ns, &lon, &ew, &quality, &altitude, &separation});
    // Many receivers leave the geoidal separation empty; it is never used.
    if (n < 7 || quality < 1) return;
    SetTimeOfDay(state_, time);
    latitude_ = HemisphereDegrees(lat, ns);
    longitude_ = HemisphereDegrees(lon, ew);
    height_ = altitude;
    state_.Pending |= NMEA_POSITION_PENDING;
}

void NmeaReader::Gll(std::string_view line) {
    double lat = 0, lon = 0, time = 0;
    char ns = 0, ew = 0, status = 0;
    if (Scan(line, "%*6s,%lf,%1c,%lf,%1c,%lf,%1c", {&lat, &ns, &lon, &ew, &time, &status}) < 6 || status != 'A') return;
    SetTimeOfDay(state_, time);
    latitude_ = HemisphereDegrees(lat, ns);
    longitude_ = HemisphereDegrees(lon, ew);
    height_ = 0;
    state_.Pending |= NMEA_POSITION_PENDING;
}

void NmeaReader::Zda(std::string_view line) {
    double time = 0;
    int64_t day = 0, month = 0, year = 0;
    if (Scan(line, "%*6s,%lf,%ld,%ld,%ld", {&time, &day, &month, &year}) < 4) return;
    SetTimeOfDay(state_, time);
    state_.Day = day;
    state_.Month = month;
    state_.Year = year;
    state_.Pending |= NMEA_DATE_KNOWN;
}

void NmeaReader::Dpt(std::string_view line) {
    double depth = 0, offset = 0;
    if (Scan(line, "%*6s,%lf,%lf", {&depth, &offset}) < 2) return;
    depth_ = TruncScaled16(depth, 100.0);
    tide_ = TruncScaled16(offset, 100.0);
    state_.Pending |= NMEA_DEPTH_PENDING;
}

void NmeaReader::Line(std::string_view line) {
    if (line.size() >= 6) {
        // A sentence whose checksum does not match is damaged: skipped like one that does not scan.
        const bool gga = SentenceIs(line, "GGA"), gll = SentenceIs(line, "GLL");
        const bool zda = SentenceIs(line, "ZDA"), dpt = SentenceIs(line, "DPT");
        if ((gga || gll || zda || dpt) && ChecksumMatches(line)) {
            if (gga) Gga(line);
            if (gll) Gll(line);
            if (zda) Zda(line);
            if (dpt) Dpt(line);
        }
    }
    uint8_t& p = state_.Pending;
    if ((p & NMEA_POSITION_PENDING) && (p & NMEA_DATE_KNOWN)) {
        p &= static_cast<uint8_t>(~NMEA_POSITION_PENDING);
        const int64_t t = state_.Stamp();
        Append(CVKData::OfPosition(t, TruncScaled(longitude_, 10000000.0), TruncScaled(latitude_, 10000000.0),
                                   TruncScaled(height_, 100.0), REC_POSITION | REC_GEOGRAPHIC, 0));
        ++positions_;
    }
    if ((p & NMEA_DATE_KNOWN) && (p & NMEA_DEPTH_PENDING)) {
        p = 0;
        const int64_t t = state_.Stamp();
        Append(CVKData::OfKind(t, depth_, REC_DEPTH, 0));
        Append(CVKData::OfKind(t, tide_, REC_TIDE, 0));
        ++depths_;
    }
}

ImportResult ImportNmea(CVKDoc& doc, const std::string& path) {
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, FindImportDialog(ID_IMPORT_NMEA)->duplicates, file, full);
    if (opened != ImportResult::Imported) return opened;

    TextImportState state;
    NmeaReader reader(doc, state);
    reader.SetInputBytes(file.Size());
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line);
    ReportReadError(doc, file, full);

    char text[96];
    std::snprintf(text, sizeof text, "%d Positions %d depths imported", reader.Positions(), reader.Depths());
    doc.Port().Message(text, Severity::Info);
    if (reader.Positions() != 0 || reader.Depths() != 0) {
        doc.NeedsSort = true;
        Recalculate(doc);
    }
    return ImportResult::Imported;
}

}  // namespace aq
