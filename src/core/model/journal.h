// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

// What a command is about to change in the records, told to the undo history before the
// change is made, so that the history keeps just those fields of every record rather than
// a copy of the whole survey before every command.
namespace aq {

// The stored fields of a record, as bits of a mask.
enum RecordField : uint16_t {
    kFieldTime = 1u << 0,
    kFieldX = 1u << 1,
    kFieldY = 1u << 2,
    kFieldZ = 1u << 3,
    kFieldDepth = 1u << 4,
    kFieldTide = 1u << 5,
    kFieldPitch = 1u << 6,
    kFieldRoll = 1u << 7,
    kFieldHeave = 1u << 8,
    kFieldFlags = 1u << 9,
    kFieldQuality = 1u << 10,
    kFieldHundredths = 1u << 11,
    // Every field: also what a command says before it adds, takes away or reorders records.
    kEveryField = 0x0FFF,
};

class RecordJournal {
public:
    virtual ~RecordJournal() = default;

    // Before new values go into these fields of records the survey already holds: once it
    // returns, the fields of every record are kept as they stood. May be called from
    // several threads at once; the first call for a field does the work, the others wait
    // for it. A field written with the value it holds needs no word.
    void WillWrite(uint16_t fields) {
        if ((kept_.load(std::memory_order_acquire) & fields) != fields) Keep(fields);
    }
    uint16_t Kept() const { return kept_.load(std::memory_order_acquire); }

protected:
    // Keeps the fields of `fields` not kept yet, then adds them all to kept_. Must not throw.
    virtual void Keep(uint16_t fields) = 0;
    std::atomic<uint16_t> kept_{0};
};

}  // namespace aq
