// SPDX-License-Identifier: GPL-3.0-or-later
// The survey's coordinate system: crs prints or declares it, convert-crs converts to another.
#include <string>

#include "cliport.h"
#include "output.h"
#include "surface/convertcrs.h"
#include "surface/crs.h"
#include "verbs.h"

namespace aq::cli {

namespace {

void Line(Output& out, std::string_view name, std::string_view value) {
    out.Text(name);
    out.Char('=');
    out.Text(value);
    out.Char('\n');
}

// name=value lines in a fixed order, every one always there: a script can read the
// value it wants without knowing the kind.
void WriteCrs(Output& out, const surface::CoordinateSystem& crs) {
    Line(out, "name", crs.name);
    Line(out, "kind", CrsKindWord(crs.kind));
    Line(out, "epsg", crs.epsg ? std::to_string(crs.epsg) : std::string());
    Line(out, "definition", crs.definition);
    Line(out, "wkt", crs.wkt);
}

Step ParseCrs(Args& a, const CommandInfo&) {
    // The definition is optional: a word that names a verb starts the next step instead.
    if (a.AtEnd() || FindVerb(a.Peek())) {
        return [](Context& c) {
            const surface::CoordinateSystem crs = surface::DocumentCrs(c.doc);
            if (!crs.problem.empty()) c.port.Message(crs.problem, Severity::Warning);
            WriteCrs(c.out, crs);
            return true;
        };
    }
    std::string definition = a.Take("EPSG:NNNN or DEFINITION");
    return [definition](Context& c) { return surface::DeclareCrs(c.doc, definition, c.port); };
}

Step ParseConvertCrs(Args& a, const CommandInfo&) {
    std::string code = a.Take("EPSG:NNNN");
    if (surface::ParseEpsgCode(code) <= 0)
        throw UsageError("the coordinate system must be an EPSG code such as EPSG:32631, not \"" + code + "\"");
    return [code](Context& c) { return surface::ConvertToCrs(c.doc, code, c.port); };
}

constexpr VerbParser kCrsParsers[] = {
    {"crs", ParseCrs},
    {"convert-crs", ParseConvertCrs},
};

}  // namespace

std::span<const VerbParser> CrsParsers() { return kCrsParsers; }

}  // namespace aq::cli
