// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/data.h"

namespace aq {

class CVKDoc;

// The lines of the "Point Information" list: each collected record's ASCII line.
std::vector<std::string> ListingLines(const CVKDoc& doc, std::span<const int32_t> indices);

// The five value fields of the "Point Editor", top to bottom.
enum PointField : int { FIELD_X, FIELD_Y, FIELD_Z, FIELD_DEPTH, FIELD_TIDE };
inline constexpr int POINT_FIELD_COUNT = 5;

// The type the editor's radio buttons show.
enum class PointType { None, Depth, Position, Tide, Event };

// By kind (Flags & 0xF0): 0x10 Depth, 0x20 and 0xA0 Position, 0x40 Tide, 0x80 Event.
PointType PointTypeOf(uint16_t flags);

// Which fields a record of this kind may change: coordinates for positions and events,
// the depth of a depth, the tide of a tide.
bool PointFieldEnabled(uint16_t flags, PointField field);

// Stored units per shown unit: 10 000 000 for geographic X and Y, else 100.
double PointFieldScale(const CVKData& r, PointField field);

// The texts the editor opens with: up to 15 significant digits, shortest form.
std::array<std::string, POINT_FIELD_COUNT> PointFieldTexts(const CVKData& r);

// The editor's rule for events: when the user changes X, Y or Z while the type shows
// Event, the depth field becomes 0 and the type shows Position.
inline bool ChangeMakesPosition(PointType shown, PointField changed) {
    return shown == PointType::Event && (changed == FIELD_X || changed == FIELD_Y || changed == FIELD_Z);
}

// What the editor returns on OK: a value for each field the user changed (the others
// keep exactly what was stored), and the type it shows.
struct PointEditResult {
    std::array<std::optional<double>, POINT_FIELD_COUNT> changed;
    PointType shown = PointType::None;
};

// The refusal for a value that its stored field cannot hold ("Please enter a number
// between %1 and %2." filled in), or empty when it fits.
std::string PointValueRefusal(const CVKData& r, PointField field, double value);

// OK of the editor: each changed value scaled and truncated toward zero into its field;
// an event whose type no longer shows Event gains the position bit. Values must have
// passed PointValueRefusal.
void ApplyPointEdit(CVKData& r, const PointEditResult& result);

}  // namespace aq
