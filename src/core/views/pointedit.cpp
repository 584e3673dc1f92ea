// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/pointedit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "export/textformats.h"
#include "model/doc.h"
#include "model/muldiv.h"

namespace aq {

namespace {

struct FieldRange {
    double min;
    double max;
};

FieldRange RangeOf(PointField field) {
    if (field == FIELD_DEPTH || field == FIELD_TIDE)
        return {static_cast<double>(std::numeric_limits<int16_t>::min()),
                static_cast<double>(std::numeric_limits<int16_t>::max())};
    return {static_cast<double>(std::numeric_limits<int32_t>::min()),
            static_cast<double>(std::numeric_limits<int32_t>::max())};
}

std::string Shown(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

}  // namespace

std::vector<std::string> ListingLines(const CVKDoc& doc, std::span<const int32_t> indices) {
    std::vector<std::string> lines;
    lines.reserve(indices.size());
    for (const int32_t i : indices) lines.push_back(AsciiLine(doc.Records[static_cast<size_t>(i)], doc.IsGeographic()));
    return lines;
}

PointType PointTypeOf(uint16_t flags) {
    switch (flags & 0xF0) {
        case 0x10: return PointType::Depth;
        case 0x20:
        case 0xA0: return PointType::Position;
        case 0x40: return PointType::Tide;
        case 0x80: return PointType::Event;
        default: return PointType::None;
    }
}

bool PointFieldEnabled(uint16_t flags, PointField field) {
    const unsigned kind = flags & 0xF0;
    switch (field) {
        case FIELD_X:
        case FIELD_Y:
        case FIELD_Z: return kind == 0x20 || kind == 0x80 || kind == 0xA0;
        case FIELD_DEPTH: return kind == 0x10;
        case FIELD_TIDE: return kind == 0x40;
    }
    return false;
}

double PointFieldScale(const CVKData& r, PointField field) {
    if ((field == FIELD_X || field == FIELD_Y) && (r.Flags & REC_GEOGRAPHIC)) return 10000000.0;
    return 100.0;
}

std::array<std::string, POINT_FIELD_COUNT> PointFieldTexts(const CVKData& r) {
    return {Shown(static_cast<double>(r.X) / PointFieldScale(r, FIELD_X)),
            Shown(static_cast<double>(r.Y) / PointFieldScale(r, FIELD_Y)), Shown(r.Z / 100.0),
            Shown(r.Depth / 100.0), Shown(r.Tide / 100.0)};
}

std::string PointValueRefusal(const CVKData& r, PointField field, double value) {
    const double scale = PointFieldScale(r, field);
    const FieldRange range = RangeOf(field);
    // Out of its field a value would wrap (400 m of depth reading -255.36 m) or clamp.
    if (std::isfinite(value)) {
        const double v = TruncScaledReal(value, scale);
        if (v >= range.min && v <= range.max) return {};
    }
    return "Please enter a number between " + Shown(range.min / scale) + " and " + Shown(range.max / scale) + ".";
}

void ApplyPointEdit(CVKData& r, const PointEditResult& result) {
    const auto value = [&](PointField f) { return TruncScaledReal(*result.changed[f], PointFieldScale(r, f)); };
    const auto to16 = [](int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); };
    if (result.changed[FIELD_X]) r.X = TruncToInt32(value(FIELD_X));
    if (result.changed[FIELD_Y]) r.Y = TruncToInt32(value(FIELD_Y));
    if (result.changed[FIELD_Z]) r.Z = TruncToInt32(value(FIELD_Z));
    if (result.changed[FIELD_DEPTH]) r.Depth = to16(TruncToInt32(value(FIELD_DEPTH)));
    if (result.changed[FIELD_TIDE]) r.Tide = to16(TruncToInt32(value(FIELD_TIDE)));
    if ((r.Flags & REC_EVENT) && result.shown != PointType::Event) r.Flags |= REC_POSITION;
}

}  // namespace aq
