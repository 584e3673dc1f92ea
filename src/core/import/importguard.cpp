// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importguard.h"

#include <cstddef>

namespace aq {

void ReportNothingImported(const std::string& message, const std::string& why, UserPort& port) {
    if (auto* own = dynamic_cast<NothingImportedPort*>(&port)) {
        own->NothingImported(message, why);
        return;
    }
    std::string text = message;
    if (!why.empty()) text += (text.empty() ? "" : "\n") + why;
    if (!text.empty()) port.Message(text, Severity::Warning);
}

PositionCounts CountPositions(const CVKDoc& doc, size_t from, size_t to) {
    PositionCounts n;
    for (size_t i = from; i < to && i < doc.Records.size(); ++i) {
        const uint16_t f = doc.Records[i].Flags;
        if (!(f & REC_POSITION)) continue;
        if (f & REC_GEOGRAPHIC)
            ++n.geographic;
        else
            ++n.grid;
    }
    return n;
}

std::string MixedPositionsQuestion(int64_t held, bool heldGeographic, const std::string& file) {
    const char* const grid = "grid positions";
    const char* const geographic = "latitude/longitude positions";
    return "The survey holds " + std::to_string(held) + " " + (heldGeographic ? geographic : grid) + " and " + file +
           " brings " + (heldGeographic ? grid : geographic) + "; they cannot be shown together. Import anyway?";
}

ImportSnapshot::ImportSnapshot(const CVKDoc& doc)
    : records_(doc.Records.size()),
      kindFlags_(doc.KindFlags),
      importedFiles_(doc.ImportedFiles),
      held_(CountPositions(doc, 0, doc.Records.size())) {}

bool ImportSnapshot::ConfirmPositionKinds(CVKDoc& doc, const std::string& fullPath, UserPort& port) const {
    const PositionCounts brought = CountPositions(doc, records_, doc.Records.size());
    std::string question;
    // A survey that already mixes both is asked about by the kind it holds more of.
    if (brought.geographic > 0 && held_.grid > 0 && held_.grid >= held_.geographic)
        question = MixedPositionsQuestion(held_.grid, false, fullPath);
    else if (brought.grid > 0 && held_.geographic > 0 && held_.geographic >= held_.grid)
        question = MixedPositionsQuestion(held_.geographic, true, fullPath);
    if (question.empty() || port.AskYesNo(question)) return true;
    Undo(doc);
    return false;
}

void ImportSnapshot::Undo(CVKDoc& doc) const {
    if (doc.Records.size() > records_)
        doc.Records.erase(doc.Records.begin() + static_cast<std::ptrdiff_t>(records_), doc.Records.end());
    doc.KindFlags = kindFlags_;
    doc.ImportedFiles = importedFiles_;
}

}  // namespace aq
