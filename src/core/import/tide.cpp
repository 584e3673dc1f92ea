// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/tide.h"

#include "model/muldiv.h"
#include "processing/flags.h"
#include "ui/commands.h"

namespace aq {

namespace {
constexpr uint8_t kAllFields = 0x7F;
}  // namespace

void TideReader::Line(std::string_view line) {
    double v[7];
    const int n = Scan(line, "%lf%lf%lf%lf%lf%lf%lf", {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]});
    if (n <= 0) return;
    int64_t* const fields[6] = {&state_.Year, &state_.Month, &state_.Day, &state_.Hour, &state_.Minute, &state_.Second};
    // The last number is the tide, the one before it the second, and so on leftward.
    for (int i = 0; i < n; ++i) {
        const int field = 7 - n + i;
        if (field == 6)
            tide_ = v[i];
        else
            *fields[field] = TruncToInt32(v[i]);
        seen_ |= static_cast<uint8_t>(0x40 >> field);
    }
    if (seen_ != kAllFields) {
        doc_.Port().Message("Tide Data error", Severity::Warning);
        return;
    }
    const int64_t t = n == 1 ? lastTime_ + interval_ : state_.Stamp();
    doc_.AddRecord(CVKData::OfKind(t, TruncScaled16(tide_, 100.0), REC_TIDE, 0));
    doc_.KindFlags |= REC_TIDE;
    ++records_;
    if (made_) interval_ = t - lastTime_;
    made_ = true;
    lastTime_ = t;
}

ImportResult ImportTide(CVKDoc& doc, const std::string& path) {
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, FindImportDialog(ID_IMPORT_TIDE_ASCII)->duplicates, file, full);
    if (opened != ImportResult::Imported) return opened;
    TideReader reader(doc);
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line);
    ReportReadError(doc, file, full);
    doc.NeedsSort = true;
    Restore(doc);
    return ImportResult::Imported;
}

}  // namespace aq
