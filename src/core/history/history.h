// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "model/doc.h"

// The undo history: every command that changes the survey or its settings becomes a
// step that can be undone and redone, many levels deep. A step keeps what the command
// changed and nothing else: the flags of the k records a box delete touched, the columns
// a transformation rewrote, the records an import added or a removal took away, and the
// document's settings. View points are worked out again from the restored records, as
// every command does, so they cost nothing.
namespace aq {

// What a command may change, so that only that is copied before it runs.
enum class UndoScope {
    Flags,    // the records' flags only, through the document's FlagJournal (box delete and
              // undelete, time frame)
    Fields,   // fields of the records in place, which the commands name through the
              // document's Journal before they write them (offsets, transformations,
              // filters, Restore); a command that adds, takes away or reorders records
              // names every field first
    Records,  // anything: fields, the number of records, the settings
};

// The document's state beside its records: saved settings, axes and counts, selection and
// display settings (not the file name or the modified mark, which follow the history).
struct DocSettings {
    CVKlsq Control;
    SurveySettings survey;
    OffsetSettings offsets;
    DerivedState derived;
    SelectionState selection;
    DisplaySettings display;
    std::string StatusText;

    static DocSettings Of(const CVKDoc& doc);
    void ApplyTo(CVKDoc& doc) const;
    bool operator==(const DocSettings& other) const;
    size_t Bytes() const;
};

// The change from one state of the records to another: records removed, records
// inserted, and fields of the records both states share rewritten.
class RecordDelta;

class UndoHistory {
public:
    // The default memory budget: a quarter of the machine's memory.
    static size_t DefaultBudget();

    explicit UndoHistory(size_t budgetBytes = DefaultBudget());
    ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // Before a command: copies what the command may change. Should memory run out, the
    // history is cleared and the port's status bar told.
    void Begin(CVKDoc& doc, const std::string& name, UndoScope scope, UserPort& port);
    // After it: keeps a step when anything changed (and drops the redo steps); true then.
    // Oldest steps beyond the budget are dropped, which the port's status bar is told.
    bool End(CVKDoc& doc, UserPort& port);
    // Forgets what Begin copied, keeping no step.
    void Cancel(CVKDoc& doc);
    bool Recording() const { return pending_ != nullptr; }

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // The names of the steps Undo and Redo would take ("" when none).
    std::string UndoName() const;
    std::string RedoName() const;
    // Takes the survey back one step (or forward again); false when there is none. The
    // modified mark follows: back at the state last saved, the document is unmodified.
    bool Undo(CVKDoc& doc, UserPort& port);
    bool Redo(CVKDoc& doc, UserPort& port);

    // Whether each command of scope Fields is also checked against a copy of the whole
    // survey, so that a field written without a word to the journal stops the program
    // with the command's name. Set by the environment variable AQUENTA_CHECK_UNDO, which
    // the tests set.
    static bool Checking();

    // A new or newly opened document: no steps, and this state is the saved one.
    void Clear(bool savedState = true);
    // The document was saved in its current state.
    void MarkSaved() { saved_ = static_cast<int64_t>(position_); }

    struct StepInfo {
        std::string name;
        size_t bytes = 0;
        bool done = false;  // before the current position: undoable
    };
    std::vector<StepInfo> Steps() const;
    size_t Bytes() const { return bytes_; }
    size_t Budget() const { return budget_; }
    void SetBudget(size_t bytes, UserPort& port);
    // Steps dropped to keep within the budget since the history began.
    size_t Dropped() const { return dropped_; }
    // Grows whenever the survey may have changed under the history: a step kept, undone
    // or redone, a command that ran without a step it could keep, a new start (Clear).
    // While it stays the same, so does the survey: what was worked out from it holds.
    uint64_t Revision() const { return revision_; }

private:
    struct Step;
    struct Pending;

    bool Move(CVKDoc& doc, bool undo, UserPort& port);
    void Trim(UserPort& port);
    void UpdateModified(CVKDoc& doc, UserPort& port) const;
    // Keeps the memory of a copy no longer needed for the next command's.
    void KeepSpare(std::unique_ptr<uint8_t[]> data, size_t bytes);

    std::deque<std::unique_ptr<Step>> steps_;
    size_t position_ = 0;   // steps before it are done
    int64_t saved_ = 0;     // the position of the saved state, -1 when no step leads there
    size_t budget_;
    size_t bytes_ = 0;
    size_t dropped_ = 0;
    uint64_t revision_ = 0;
    std::unique_ptr<Pending> pending_;
    // The memory of the last copy of the records' fields: a command over the whole
    // survey copies them before it runs, and memory already in place saves the system
    // providing fresh pages each time (a quarter of the copy's cost, or more). Given
    // back when the history is cleared (a new or reopened document).
    std::unique_ptr<uint8_t[]> spare_;
    size_t spareBytes_ = 0;
};

// Runs a command between Begin and End of a history; End runs whatever happens, so a
// command that fails part way still leaves a step for what it changed.
template <class Command>
auto Undoable(UndoHistory* history, CVKDoc& doc, const std::string& name, UndoScope scope, UserPort& port,
              Command&& command) {
    if (!history) return command();
    struct Guard {
        UndoHistory& h;
        CVKDoc& d;
        UserPort& p;
        ~Guard() {
            if (h.Recording()) h.End(d, p);
        }
    } guard{*history, doc, port};
    history->Begin(doc, name, scope, port);
    return command();
}

}  // namespace aq
