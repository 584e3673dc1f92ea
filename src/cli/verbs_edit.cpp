// SPDX-License-Identifier: GPL-3.0-or-later
// Listing and editing points, and the field tests, over boxes of the views.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "output.h"
#include "processing/fieldtests.h"
#include "processing/recalc.h"
#include "ui/commands.h"
#include "values.h"
#include "verbs.h"
#include "views/pointedit.h"

namespace aq::cli {

namespace {

void Lines(Output& out, const std::string& text) {
    out.Text(text);
    out.Char('\n');
}

std::string KindName(uint16_t flags) {
    switch (PointTypeOf(flags)) {
        case PointType::Depth: return "a depth";
        case PointType::Position: return (flags & REC_EVENT) ? "a positioned event" : "a position";
        case PointType::Tide: return "a tide";
        case PointType::Event: return "an event";
        default: return "no kind";
    }
}

// ---- enquire ----

Step ParseEnquire(Args& a, const CommandInfo&) {
    const BoxArgs box = TakeBoxArgs(a, true, 4);
    return [box](Context& c) {
        CRect rect;
        if (!ResolveBox(c, box, rect)) return false;
        const std::vector<int32_t> hits = c.doc.CollectInRect(rect, box.section);
        for (const std::string& line : ListingLines(c.doc, hits)) Lines(c.out, line);
        return true;
    };
}

// ---- edit ----

constexpr std::array<const char*, POINT_FIELD_COUNT> kFieldOptions = {"--x", "--y", "--z", "--depth", "--tide"};
constexpr std::array<const char*, POINT_FIELD_COUNT> kFieldNames = {"X value", "Y value", "Z value", "Depth", "Tide"};

struct EditArgs {
    std::string index;
    std::array<std::optional<std::string>, POINT_FIELD_COUNT> values;
};

bool RunEdit(Context& c, const EditArgs& e) {
    const auto index = ParseInteger(e.index, 0, static_cast<int64_t>(c.doc.Records.size()) - 1);
    if (!index)
        return Fail(c, "edit: there is no record " + e.index + " (the survey has " +
                           std::to_string(c.doc.Records.size()) + " records, numbered from 0).");
    CVKData& r = c.doc.Records[static_cast<size_t>(*index)];
    // As the editor: only the fields of the record's kind can be typed into, and
    // typing a coordinate of an event makes it a positioned event without a value.
    PointEditResult result;
    result.shown = PointTypeOf(r.Flags);
    for (int f = 0; f < POINT_FIELD_COUNT; ++f) {
        const auto field = static_cast<PointField>(f);
        const std::optional<std::string>& text = e.values[static_cast<size_t>(f)];
        if (!text) continue;
        if (!PointFieldEnabled(r.Flags, field))
            return Fail(c, std::string("edit: the \"") + kFieldNames[static_cast<size_t>(f)] +
                               "\" field is not editable for a record of this kind (" + KindName(r.Flags) + ").");
        const auto v = ParseReal(*text);
        if (!v) return Fail(c, "Please enter a number.");
        const std::string refusal = PointValueRefusal(r, field, *v);
        if (!refusal.empty()) return Fail(c, refusal);
        result.changed[static_cast<size_t>(f)] = *v;
        if (ChangeMakesPosition(result.shown, field)) {
            result.changed[FIELD_DEPTH] = 0.0;
            result.shown = PointType::Position;
        }
    }
    ApplyPointEdit(r, result);
    Recalculate(c.doc, c.port);
    return true;
}

Step ParseEdit(Args& a, const CommandInfo&) {
    EditArgs e;
    e.index = a.Take("INDEX");
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        size_t f = 0;
        while (f < kFieldOptions.size() && option != kFieldOptions[f]) ++f;
        if (f == kFieldOptions.size()) throw UsageError("unknown option " + option);
        if (e.values[f]) throw UsageError(option + " given twice");
        e.values[f] = a.Take("a value after " + option);
    }
    if (!ParseInteger(e.index, 0, INT64_MAX)) throw UsageError("INDEX must be a record number, not \"" + e.index + "\"");
    return [e](Context& c) { return RunEdit(c, e); };
}

// ---- field tests ----

Step ParseFieldTest(Args& a, const CommandInfo& cmd) {
    const BoxArgs box = TakeBoxArgs(a, false, 4);
    return [box, patch = cmd.id == ID_DRAG_PATCHTEST](Context& c) {
        CRect rect;
        if (!ResolveBox(c, box, rect)) return false;
        const std::vector<int32_t> hits = c.doc.CollectInRect(rect, false);
        const std::string text = patch ? PatchTest(c.doc, hits) : GradientTest(c.doc, hits);
        if (text.empty()) {
            c.port.Message(std::string(patch ? "patch-test" : "gradient") + ": the box holds " +
                               std::to_string(hits.size()) + " records; the test needs more than " +
                               std::to_string(FIELD_TEST_MIN_RECORDS) + ".",
                           Severity::Info);
            return true;
        }
        Lines(c.out, text);
        return true;
    };
}

constexpr VerbParser kEditParsers[] = {
    {"enquire", ParseEnquire},
    {"edit", ParseEdit},
    {"patch-test", ParseFieldTest},
    {"gradient", ParseFieldTest},
};

}  // namespace

std::span<const VerbParser> EditParsers() { return kEditParsers; }

}  // namespace aq::cli
