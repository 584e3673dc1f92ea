// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/sounderlogs.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "device/vkdownload.h"
#include "import/formatted.h"
#include "import/importguard.h"
#include "model/commandids.h"
#include "model/muldiv.h"
#include "processing/recalc.h"

namespace aq {

namespace {

// The part of a text from `pos`, at most `count` characters; empty past its end.
std::string_view Slice(std::string_view text, size_t pos, size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::string_view();
}

// The end of the VK Raw and WT Raw imports: a new survey of three records or fewer is
// not recalculated.
void FinishNewSurvey(CVKDoc& doc, UserPort& port) {
    if (doc.Records.size() > 3) {
        doc.NeedsSort = true;
        Recalculate(doc, port);
    } else {
        port.ViewsChanged();
    }
}

}  // namespace

// ---- Corrund text log ----

void VkRawReader::Line(std::string_view line) {
    if (line.size() <= 4 || line[1] != ' ') return;
    const std::string_view rest = line.substr(2);
    switch (line[0]) {
        case 'D': {
            int32_t year = 0, month = 0, day = 0;
            dateValid_ = Scan(rest, "%d%d%d", {&year, &month, &day}) == 3;
            if (dateValid_) {
                state_.Year = year;
                state_.Month = month;
                state_.Day = day;
                state_.DateGiven(false);
            }
            break;
        }
        case 'T': {
            int32_t hour = 0, minute = 0, second = 0;
            timeValid_ = Scan(rest, "%d%d%d", {&hour, &minute, &second}) == 3 && hour <= 23 && minute <= 59 &&
                         second <= 59;
            if (timeValid_) {
                state_.Hour = hour;
                state_.Minute = minute;
                state_.Second = second;
                state_.TimeOfDayGiven();
            }
            break;
        }
        case 'M': {
            double depth = 0;
            if (!dateValid_ || !timeValid_ || Scan(rest, "%lf", {&depth}) != 1) break;
            doc_.AddRecord(CVKData::OfKind(state_.Stamp(), TruncScaled16(depth, 100.0), REC_DEPTH, 0));
            doc_.KindFlags |= REC_DEPTH;
            break;
        }
        case 'G': {
            int32_t latitude = 0, longitude = 0, height = 0;
            if (!dateValid_ || !timeValid_ || !CVKDownLoad::ParsePositionText(rest, latitude, longitude, height))
                break;
            // The first fix of the file, and one that jumped, only become the reference.
            if (fixes_ > 0 && std::abs(int64_t{latitude} - lastLatitude_) <= VK_FIX_JUMP &&
                std::abs(int64_t{longitude} - lastLongitude_) <= VK_FIX_JUMP) {
                doc_.AddRecord(CVKData::OfPosition(state_.Stamp(), longitude, latitude, gpsHeights_ ? height : 0,
                                                   REC_POSITION | REC_GEOGRAPHIC, 0));
                doc_.KindFlags |= REC_POSITION | REC_GEOGRAPHIC;
            }
            ++fixes_;
            lastLatitude_ = latitude;
            lastLongitude_ = longitude;
            break;
        }
        default: break;
    }
}

// ---- Tevrant tide log ----

void WtRawReader::Line(std::string_view line) {
    const size_t t = line.find("T ");
    const size_t h = t == std::string_view::npos ? t : line.find("H ", t + 2);
    const size_t f = h == std::string_view::npos ? h : line.find("F ", h + 2);
    if (f != std::string_view::npos) {
        // The time from the third character, the tide after "H ", each as long as the
        // distance to the next mark.
        int32_t hour = 0, minute = 0, second = 0;
        if (Scan(Slice(line, 2, h - t), "%d%d%d", {&hour, &minute, &second}) == 3) {
            state_.Hour = hour;
            state_.Minute = minute;
            state_.Second = second;
            state_.TimeOfDayGiven();
            time_ = true;
        }
        double tide = 0;
        if (Scan(Slice(line, h + 2, f - h), "%lf", {&tide}) == 1) {
            tide_ = tide;
            tideRead_ = true;
        }
    } else if (line.starts_with("D ")) {
        int32_t day = 0, month = 0, year = 0;
        if (Scan(line.substr(2), "%d%d%d", {&day, &month, &year}) == 3) {
            state_.Day = day;
            state_.Month = month;
            state_.Year = year;
            state_.DateGiven(false);
            date_ = true;
        }
    }
    if (date_ && time_ && tideRead_) {
        doc_.AddRecord(CVKData::OfKind(state_.Stamp(), TruncScaled16(tide_, 100.0), REC_TIDE, 0));
        doc_.KindFlags |= REC_TIDE;
        time_ = tideRead_ = false;
    }
}

// ---- the imports ----

bool IsCorrundDump(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name.find(".HEX") != std::string::npos;
}

ImportResult ImportVivoz(CVKDoc& doc, const std::string& path, UserPort& port) {
    const ImportSnapshot before(doc);
    ImportFile file;
    std::string full;
    const ImportResult opened = BeginImport(doc, path, FindImportDialog(ID_IMPORT_VIVOZ)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    AsciiRecordReader reader(doc);
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line, true);
    ReportReadError(file, full, port);
    if (!before.ConfirmPositionKinds(doc, full, port)) return ImportResult::Refused;
    if (before.Added(doc) == 0) ReportNothingImported({}, "no line had the record layout", port);
    doc.NeedsSort = true;
    Recalculate(doc, port);
    return ImportResult::Imported;
}

ImportResult ImportVkRaw(CVKDoc& doc, const std::string& path, UserPort& port) {
    // The import starts a new survey, but only once its file is known to open: a
    // mistyped name must not cost the survey in hand.
    const std::string full = FullPath(path);
    int errnum = 0;
    if (IsCorrundDump(full)) {
        CVKDownLoad dump(port);
        if (!dump.Open(full, errnum)) {
            port.Message(FileErrorText(full, errnum), Severity::Error);
            return ImportResult::FileError;
        }
        doc.New(port);
        dump.ReadDump(doc.Records);
        if (dump.ReadError() != 0) port.Message(FileErrorText(full, dump.ReadError()), Severity::Error);
        for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
        if (doc.Records.empty()) ReportNothingImported({}, "the dump held no sounding and no fix", port);
    } else {
        ImportFile file;
        if (!file.Open(full, errnum)) {
            port.Message(FileErrorText(full, errnum), Severity::Error);
            return ImportResult::FileError;
        }
        doc.New(port);
        VkRawReader reader(doc, port.AskYesNo("Use GPS heights, if present ?"));
        file.ShowProgress(port);
        std::string_view line;
        while (file.NextLine(line)) reader.Line(line);
        ReportReadError(file, full, port);
        if (doc.Records.empty())
            ReportNothingImported({}, "no depth (M) or second fix (G) came after a valid D and T line", port);
    }
    FinishNewSurvey(doc, port);
    return ImportResult::Imported;
}

ImportResult ImportWtRaw(CVKDoc& doc, const std::string& path, UserPort& port) {
    ImportFile file;
    std::string full;
    const ImportResult opened =
        BeginImport(doc, path, FindImportDialog(ID_IMPORT_WT_RAW)->duplicates, file, full, port);
    if (opened != ImportResult::Imported) return opened;
    // A new survey: the imported-files list starts again too.
    doc.New(port);
    WtRawReader reader(doc);
    std::string_view line;
    while (file.NextLine(line)) reader.Line(line);
    ReportReadError(file, full, port);
    if (doc.Records.empty()) ReportNothingImported({}, "no tide line (T ... H ... F) came after a date line (D)", port);
    FinishNewSurvey(doc, port);
    return ImportResult::Imported;
}

}  // namespace aq
