// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/doc.h"
#include "model/userport.h"

// What the imports share once a file has been read: telling the user that it gave no
// record and why, asking before positions of the other kind are mixed into a survey,
// and taking an import back when the answer is No.
namespace aq {

// ---- an import that added no record ----

// A port that shows the end of such an import in its own way. The command line prints
// the closing message and the reason on lines of their own and fails the verb; a port
// without it gets them as one message, the reason on its last line.
class NothingImportedPort {
public:
    // message: the import's own closing message, or empty; why: the reason where the
    // reader knows it, or empty.
    virtual void NothingImported(const std::string& message, const std::string& why) = 0;

protected:
    ~NothingImportedPort() = default;
};

// Ends an import that added no record: its closing message (if it has one) and the
// reason (if known) through the port.
void ReportNothingImported(const std::string& message, const std::string& why, UserPort& port);

// ---- positions of the other kind ----

// Records with a position of either kind.
struct PositionCounts {
    int64_t grid = 0;
    int64_t geographic = 0;
};
// Counts the position records of Records[from, to).
PositionCounts CountPositions(const CVKDoc& doc, size_t from, size_t to);

// "The survey holds N grid positions and FILE brings latitude/longitude positions; they
// cannot be shown together. Import anyway?", or the reverse for grid positions brought
// into a geographic survey.
std::string MixedPositionsQuestion(int64_t held, bool heldGeographic, const std::string& file);

// What the survey was before an import began, so that the import can be taken back.
// Made before the file is listed; the readers only append records.
class ImportSnapshot {
public:
    explicit ImportSnapshot(const CVKDoc& doc);

    // Records the import has added so far.
    size_t Added(const CVKDoc& doc) const { return doc.Records.size() - records_; }

    // After reading: when the new records bring positions of the other kind than those
    // the survey held, asks whether to import anyway. No takes the import back (Undo)
    // and returns false.
    bool ConfirmPositionKinds(CVKDoc& doc, const std::string& fullPath, UserPort& port) const;

    // Removes the records the import added and restores the kinds and the imported-files
    // list, so the file can be imported again.
    void Undo(CVKDoc& doc) const;

private:
    size_t records_;
    uint16_t kindFlags_;
    std::string importedFiles_;
    PositionCounts held_;
};

}  // namespace aq
