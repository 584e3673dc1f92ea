// SPDX-License-Identifier: GPL-3.0-or-later
// Offsets, Apply HPR, Convert to UTM and the control points of the site grid.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cliport.h"
#include "geodesy/controlpoints.h"
#include "geodesy/utm.h"
#include "model/projection.h"
#include "output.h"
#include "processing/hpr.h"
#include "processing/offsets.h"
#include "ui/commands.h"
#include "values.h"
#include "verbs.h"

namespace aq::cli {

namespace {

// ---- offsets ----

// The fields given on the command line, as typed; the rest keep what the dialog shows.
struct OffsetArgs {
    int command = 0;  // the command of the kind of record
    std::optional<std::string> time, east, north, elevation, depth, velocity, tide;
};

void TakeField(Args& a, const std::string& option, std::optional<std::string>& slot) {
    if (slot) throw UsageError(option + " given twice");
    slot = a.Take("a value after " + option);
}

bool ReadSeconds(Context& c, const std::optional<std::string>& text, int32_t& out) {
    if (!text) return true;
    const auto v = ParseInteger(*text, INT32_MIN, INT32_MAX);
    if (!v) return Fail(c, "Please enter an integer.");
    out = static_cast<int32_t>(*v);
    return true;
}

bool ReadNumber(Context& c, const std::optional<std::string>& text, double& out) {
    if (!text) return true;
    const auto v = ParseReal(*text);
    if (!v) return Fail(c, "Please enter a number.");
    out = *v;
    return true;
}

bool RunOffsets(Context& c, const OffsetArgs& o) {
    OffsetValues v = InitialOffsetValues(c.doc);
    switch (o.command) {
        case ID_OFFSETS_POSITIONS:
            // The dialog checks its fields in tab order and stops at the first it refuses.
            if (!ReadSeconds(c, o.time, v.PosTime) || !ReadNumber(c, o.east, v.East) ||
                !ReadNumber(c, o.north, v.North) || !ReadNumber(c, o.elevation, v.Elevation))
                return false;
            return OffsetPositions(c.doc, v, c.port);
        case ID_OFFSETS_DEPTHS:
            if (!ReadSeconds(c, o.time, v.DepthTime) || !ReadNumber(c, o.depth, v.Depth) ||
                !ReadNumber(c, o.velocity, v.SoundVelocity))
                return false;
            return OffsetDepths(c.doc, v, c.port);
        default:
            if (!ReadSeconds(c, o.time, v.TideTime) || !ReadNumber(c, o.tide, v.Tide)) return false;
            return OffsetTide(c.doc, v, c.port);
    }
}

Step ParseOffsets(Args& a, const CommandInfo& cmd) {
    const std::string group(VerbWord(cmd));
    OffsetArgs o;
    o.command = cmd.id;
    std::vector<std::pair<std::string, std::optional<std::string>*>> options{{"--time", &o.time}};
    if (cmd.id == ID_OFFSETS_POSITIONS)
        options.insert(options.end(), {{"--east", &o.east}, {"--north", &o.north}, {"--elevation", &o.elevation}});
    else if (cmd.id == ID_OFFSETS_DEPTHS)
        options.insert(options.end(), {{"--depth", &o.depth}, {"--sound-velocity", &o.velocity}});
    else
        options.push_back({"--tide", &o.tide});
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        bool known = false;
        for (auto& [name, slot] : options) {
            if (option != name) continue;
            TakeField(a, option, *slot);
            known = true;
        }
        if (!known) throw UsageError("unknown option " + option + " for offsets " + group);
    }
    return [o](Context& c) { return RunOffsets(c, o); };
}

// ---- control points ----

// Degrees, minutes, seconds and hemisphere as typed into the page.
struct AngleArgs {
    std::array<std::string, 3> dms;
    std::string hemisphere;
};

struct ControlAddArgs {
    std::optional<std::string> name;
    std::optional<AngleArgs> lat, lon;
    std::optional<std::array<std::string, 2>> grid;
};

AngleArgs TakeAngle(Args& a, const std::string& option, const char* first, const char* second) {
    AngleArgs v;
    v.dms[0] = a.Take("D after " + option);
    v.dms[1] = a.Take("M after " + option);
    v.dms[2] = a.Take("S after " + option);
    v.hemisphere = a.Take(std::string(first) + " or " + second + " after " + option);
    // The page offers these two in a drop-down.
    if (v.hemisphere != first && v.hemisphere != second)
        throw UsageError("the hemisphere after " + option + " is " + first + " or " + second + ", not \"" +
                         v.hemisphere + "\"");
    return v;
}

bool ReadAngle(Context& c, const AngleArgs& a, double& deg, double& min, double& sec, std::string& hemisphere) {
    std::optional<double> v[3];
    for (int i = 0; i < 3; ++i) {
        v[i] = ParseReal(a.dms[i]);
        if (!v[i]) return Fail(c, "Please enter a number.");
    }
    deg = *v[0];
    min = *v[1];
    sec = *v[2];
    hemisphere = a.hemisphere;
    return true;
}

bool RunControlAdd(Context& c, const ControlAddArgs& r) {
    ControlPageValues v;
    v.Name = *r.name;
    if (!ReadAngle(c, *r.lon, v.LonDeg, v.LonMin, v.LonSec, v.LonHemisphere) ||
        !ReadAngle(c, *r.lat, v.LatDeg, v.LatMin, v.LatSec, v.LatHemisphere))
        return false;
    const auto x = ParseReal((*r.grid)[0]);
    const auto y = ParseReal((*r.grid)[1]);
    if (!x || !y) return Fail(c, "Please enter a number.");
    v.GridX = *x;
    v.GridY = *y;
    AddControl(c.doc, v, c.port);
    return true;
}

void Field(Output& out, double v) {
    out.Char('\t');
    out.Real(v);
}

void Field(Output& out, const std::string& v) {
    out.Char('\t');
    out.Text(v);
}

void Line(Output& out, std::string_view name, double v) {
    out.Text(name);
    out.Char('=');
    out.Real(v);
    out.Char('\n');
}

// A header and one line per point, then the derived values as name=value lines.
void WriteControl(Output& out, const CVKlsq& set) {
    out.Text(
        "index\tName\tUse\tLatitude\tLongitude\tLatDeg\tLatMin\tLatSec\tLatHemisphere\tLonDeg\tLonMin\tLonSec\t"
        "LonHemisphere\tGridX\tGridY\tProjE\tProjN\n");
    for (size_t i = 0; i < set.Points.size(); ++i) {
        const ClsqData& p = set.Points[i];
        out.Int(static_cast<int64_t>(i));
        Field(out, p.Name);
        out.Char('\t');
        out.Int(p.Use);
        for (double v : {p.Latitude, p.Longitude, p.LatDeg, p.LatMin, p.LatSec}) Field(out, v);
        Field(out, p.LatHemisphere);
        for (double v : {p.LonDeg, p.LonMin, p.LonSec}) Field(out, v);
        Field(out, p.LonHemisphere);
        for (double v : {p.GridX, p.GridY, p.ProjE, p.ProjN}) Field(out, v);
        out.Char('\n');
    }
    out.Text(set.IsUsable() ? "Usable=1\n" : "Usable=0\n");
    out.Text("Zone=");
    out.Int(UtmZone(RadToDeg(set.CentralMeridian)));
    out.Char('\n');
    Line(out, "CentralMeridian", set.CentralMeridian);
    Line(out, "GridCentreX", set.GridCentreX);
    Line(out, "GridCentreY", set.GridCentreY);
    Line(out, "ProjCentreE", set.ProjCentreE);
    Line(out, "ProjCentreN", set.ProjCentreN);
    Line(out, "Rotation", set.Rotation);
    Line(out, "RotationDegrees", RadToDeg(set.Rotation));
    Line(out, "Scale", set.Scale);
}

// As unchecking "Use this station" on the station's page and pressing OK: the page
// goes, the pages not visited stay as they are.
bool RunControlUnuse(Context& c, const std::string& name) {
    const std::vector<ClsqData>& points = c.doc.Control.Points;
    std::vector<std::optional<ControlPageValues>> accepted(points.size());
    bool found = false;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].Name != name) continue;
        accepted[i] = ControlPageStart(points[i]);
        accepted[i]->Use = false;
        found = true;
    }
    if (!found) return Fail(c, "control unuse: there is no control point named \"" + name + "\".");
    EditControl(c.doc, accepted, c.port);
    return true;
}

Step ParseControlList(Args&, const CommandInfo&) {
    return [](Context& c) {
        WriteControl(c.out, c.doc.Control);
        return true;
    };
}

Step ParseControlUnuse(Args& a, const CommandInfo&) {
    std::string name = a.Take("NAME");
    return [name](Context& c) { return RunControlUnuse(c, name); };
}

Step ParseControlAdd(Args& a, const CommandInfo&) {
    ControlAddArgs r;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--name") {
            if (r.name) throw UsageError("--name given twice");
            r.name = a.Take("NAME after --name");
        } else if (option == "--lat") {
            if (r.lat) throw UsageError("--lat given twice");
            r.lat = TakeAngle(a, option, "N", "S");
        } else if (option == "--lon") {
            if (r.lon) throw UsageError("--lon given twice");
            r.lon = TakeAngle(a, option, "E", "W");
        } else if (option == "--grid") {
            if (r.grid) throw UsageError("--grid given twice");
            std::array<std::string, 2> g;
            g[0] = a.Take("X after --grid");
            g[1] = a.Take("Y after --grid");
            r.grid = g;
        } else {
            throw UsageError("unknown option " + option + " for control add");
        }
    }
    if (!r.name) throw UsageError("control add needs --name");
    if (!r.lat) throw UsageError("control add needs --lat");
    if (!r.lon) throw UsageError("control add needs --lon");
    if (!r.grid) throw UsageError("control add needs --grid");
    return [r](Context& c) { return RunControlAdd(c, r); };
}

constexpr VerbParser kTransformParsers[] = {
    {"offsets positions", ParseOffsets}, {"offsets depths", ParseOffsets}, {"offsets tide", ParseOffsets},
    {"control add", ParseControlAdd},    {"control list", ParseControlList}, {"control unuse", ParseControlUnuse},
};

}  // namespace

std::span<const VerbParser> TransformParsers() { return kTransformParsers; }

}  // namespace aq::cli
