// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/tide.h"

#include <algorithm>
#include <cstddef>

#include "import/importguard.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "processing/flags.h"

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
    // A line that leaves out the date carries it over midnight; one that gives the day
    // gives the date.
    if (n >= 5)
        state_.DateGiven(true);
    else if (n >= 2)
        state_.TimeOfDayGiven();
    if (seen_ != kAllFields) {
        port_.Message("Tide Data error", Severity::Warning);
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

int64_t CountTides(const CVKDoc& doc) {
    int64_t n = 0;
    for (const CVKData& r : doc.Records) n += (r.Flags & REC_TIDE) != 0;
    return n;
}

std::string ReplaceTidesQuestion(int64_t held) {
    return "The survey holds " + std::to_string(held) + " tide records. Replace them with the file's?";
}

ImportResult ImportTide(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened =
        BeginImport(doc, path, FindImportDialog(ID_IMPORT_TIDE_ASCII)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    // Tides from two sources cannot be interpolated together: the file's replace the
    // survey's, or the file is not read.
    const int64_t held = CountTides(doc);
    if (held > 0 && !port.AskYesNo(ReplaceTidesQuestion(held))) {
        before.Undo(doc);
        return ImportResult::Refused;
    }
    const size_t old = doc.Records.size();
    TideReader reader(doc, port);
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line);
    ReportReadError(file, full, port);
    if (reader.Records() == 0) {
        // The survey keeps the tides it had.
        ReportNothingImported({}, "no line had the tide layout", port);
    } else if (held > 0) {
        const auto first = doc.Records.begin();
        const auto kept = std::remove_if(first, first + static_cast<std::ptrdiff_t>(old),
                                         [](const CVKData& r) { return (r.Flags & REC_TIDE) != 0; });
        doc.Records.erase(kept, first + static_cast<std::ptrdiff_t>(old));
        doc.Selected = false;
    }
    doc.NeedsSort = true;
    Restore(doc, port);
    return ImportResult::Imported;
}

}  // namespace aq
