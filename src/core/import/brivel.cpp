// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/brivel.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <exception>

#include "import/importguard.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "processing/flags.h"

namespace aq {

namespace {

inline uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline double F64(const uint8_t* p) {
    return std::bit_cast<double>(static_cast<uint64_t>(U32(p)) | static_cast<uint64_t>(U32(p + 4)) << 32);
}
inline double F32(const uint8_t* p) { return static_cast<double>(std::bit_cast<float>(U32(p))); }

}  // namespace

bool BrivelBlockPasses(const uint8_t* b) {
    const uint16_t year = U16(b), month = U16(b + 2), day = U16(b + 6);
    const uint16_t hour = U16(b + 8), minute = U16(b + 10), second = U16(b + 12);
    const uint8_t type = b[38];
    return year >= 1990 && year <= 2100 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 24 &&
           minute <= 59 && second <= 59 && type >= 16 && type <= 128;
}

CVKData BrivelRecord(const uint8_t* b, DayClock& clock) {
    CVKData r = CVKData::Zeroed();
    const double a = F64(b + 16);
    const double bv = F64(b + 24);
    const double c = F32(b + 32);
    const int16_t s = static_cast<int16_t>(U16(b + 36));
    const uint8_t type = b[38];
    const uint8_t quality = b[39];
    switch (type) {
        case BRIVEL_DEPTH:
            r.Flags = REC_DEPTH | REC_SOUNDER;
            r.Depth = s;
            r.Pitch = TruncToInt16(a * 100.0);
            r.Roll = TruncToInt16(bv * 100.0);
            r.Heave = TruncToInt16(c * 100.0);
            r.Quality = quality;
            break;
        // Z of a position is the height the sounder logged with it, from its receiver, and
        // Quality the receiver's fix quality it passed on (4 RTK fixed, 5 float).
        case BRIVEL_GRID:
            r.Flags = REC_POSITION | REC_SOUNDER;
            r.X = TruncToInt32(a * 100.0);
            r.Y = TruncToInt32(bv * 100.0);
            r.Z = TruncToInt32(c * 100.0);
            r.Quality = quality;
            break;
        case BRIVEL_GEOGRAPHIC:
            r.Z = TruncToInt32(c * 100.0);
            r.Quality = quality;
            if (a > -180.0 && a < 180.0 && bv > -90.0 && bv < 90.0) {
                r.Flags = REC_POSITION | REC_GEOGRAPHIC | REC_SOUNDER;
                r.X = TruncToInt32(a * 10000000.0);
                r.Y = TruncToInt32(bv * 10000000.0);
            } else {
                r.Flags = REC_DELETED;
            }
            break;
        case BRIVEL_EVENT:
            r.Flags = REC_EVENT | REC_SOUNDER;
            r.Depth = s;
            break;
        default: r.Flags = REC_DELETED; break;
    }
    // Every block that passed the check has a date, kind or no kind: a record without
    // kind stamped with the moment of the import would stretch the survey to today.
    r.Time = clock.Seconds(U16(b), U16(b + 2), U16(b + 6), U16(b + 8), U16(b + 10), U16(b + 12));
    // Milliseconds are not checked; a value past 999 must not wrap the hundredths.
    r.Hundredths = static_cast<uint8_t>(std::min(U16(b + 14) / 10, 99));
    return r;
}

void ApplySameSecondRule(CVKDoc& doc) {
    const CVKData* last = nullptr;
    for (CVKData& r : doc.Records) {
        if (!(r.Flags & REC_DEPTH)) continue;
        if (last && r.Hundredths == 0 && r.TimeHundredths() == last->TimeHundredths()) r.Hundredths = 50;
        last = &r;
    }
}

ImportResult ImportBrivel(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportDialog* dialog = FindImportDialog(ID_IMPORT_BRIVEL);
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, dialog->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;

    DayClock clock;
    int imported = 0;
    int errors = 0;
    uint16_t kinds = 0;
    for (;;) {
        std::span<const uint8_t> b = file.Peek(BRIVEL_BLOCK_BYTES);
        if (b.size() < BRIVEL_BLOCK_BYTES) break;  // a trailing fragment is ignored
        if (!BrivelBlockPasses(b.data())) {
            // Slide one byte at a time until a block passes: a lost or extra byte costs
            // only the block it damaged.
            bool found = false;
            for (;;) {
                file.Skip(1);
                b = file.Peek(BRIVEL_BLOCK_BYTES);
                if (b.size() < BRIVEL_BLOCK_BYTES) break;
                if (BrivelBlockPasses(b.data())) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                ++errors;
                break;
            }
        }
        if (imported == 0) {
            // Room for every block of the file once one has passed its check, so that a
            // large log is not copied as the array grows, and garbage reserves nothing.
            try {
                doc.ReserveRecords(doc.Records.size() + static_cast<size_t>(file.Size() / BRIVEL_BLOCK_BYTES));
            } catch (const std::exception&) {
                // A huge file that is mostly not blocks: grow as the blocks come.
            }
        }
        const CVKData r = BrivelRecord(b.data(), clock);
        doc.AddRecord(r);
        kinds |= r.Flags;
        ++imported;
        file.Skip(BRIVEL_BLOCK_BYTES);
    }
    doc.KindFlags |= kinds;
    ReportReadError(file, full, port);
    if (!before.ConfirmPositionKinds(doc, full, port)) return ImportResult::Refused;

    char text[96] = "";
    if (errors != 0) std::snprintf(text, sizeof text, "%d data errors of %d in Brivel File", errors, imported);
    if (imported == 0)
        ReportNothingImported(text, "no block had a Brivel date, time and type", port);
    else if (errors != 0)
        port.Message(text, Severity::Warning);
    doc.NeedsSort = true;
    ApplySameSecondRule(doc);
    doc.KindFlags |= REC_SOUNDER;
    Restore(doc, port);
    doc.SounderImported = 1;
    return ImportResult::Imported;
}

}  // namespace aq
