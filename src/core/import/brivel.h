// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "import/common.h"
#include "import/texthelpers.h"
#include "model/data.h"
#include "model/doc.h"

// The Brivel echo sounder's logged file: fixed 40-byte blocks, little-endian, no header.
namespace aq {

inline constexpr size_t BRIVEL_BLOCK_BYTES = 40;

// Block type codes.
inline constexpr uint8_t BRIVEL_DEPTH = 0x10;
inline constexpr uint8_t BRIVEL_GRID = 0x20;
inline constexpr uint8_t BRIVEL_GEOGRAPHIC = 0x21;
inline constexpr uint8_t BRIVEL_EVENT = 0x80;

// The plausibility check a block must pass: year 1990-2100, month 1-12, day 1-31,
// hour 0-24, minute and second 0-59, type code 16-128.
bool BrivelBlockPasses(const uint8_t* block);

// The record a block that passed the check becomes: a depth with pitch, roll, heave and
// quality, a grid or geographic position, an event, or a deleted record without kind
// (an unknown type, or a geographic position out of bounds).
CVKData BrivelRecord(const uint8_t* block, DayClock& clock);

// File > Import > Brivel with the file chosen: reads the blocks, resynchronising over
// damage, applies the same-second depth rule, restores and recalculates, and marks the
// document as holding sounder data.
ImportResult ImportBrivel(CVKDoc& doc, const std::string& path, UserPort& port);

// A second depth record in the same second, logged without hundredths, moves to the
// half second.
void ApplySameSecondRule(CVKDoc& doc);

}  // namespace aq
