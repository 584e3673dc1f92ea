// SPDX-License-Identifier: GPL-3.0-or-later
// Offsets, Apply HPR, Convert to UTM and the control points of the site grid.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "geodesy/controlpoints.h"
#include "geodesy/projection.h"
#include "geodesy/utm.h"
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
    int command = 0;
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
            if (!Available(c, "offsets positions", o.command, "position records")) return false;
            // The dialog checks its fields in tab order and stops at the first it refuses.
            if (!ReadSeconds(c, o.time, v.PosTime) || !ReadNumber(c, o.east, v.East) ||
                !ReadNumber(c, o.north, v.North) || !ReadNumber(c, o.elevation, v.Elevation))
                return false;
            return OffsetPositions(c.doc, v);
        case ID_OFFSETS_DEPTHS:
            if (!Available(c, "offsets depths", o.command, "depth records")) return false;
            if (!ReadSeconds(c, o.time, v.DepthTime) || !ReadNumber(c, o.depth, v.Depth) ||
                !ReadNumber(c, o.velocity, v.SoundVelocity))
                return false;
            return OffsetDepths(c.doc, v);
        default:
            if (!Available(c, "offsets tide", o.command, "tide records")) return false;
            if (!ReadSeconds(c, o.time, v.TideTime) || !ReadNumber(c, o.tide, v.Tide)) return false;
            return OffsetTide(c.doc, v);
    }
}

Step ParseOffsets(Args& a) {
    const std::string group = a.Take("positions, depths or tide");
    OffsetArgs o;
    std::vector<std::pair<std::string, std::optional<std::string>*>> options{{"--time", &o.time}};
    if (group == "positions") {
        o.command = ID_OFFSETS_POSITIONS;
        options.insert(options.end(), {{"--east", &o.east}, {"--north", &o.north}, {"--elevation", &o.elevation}});
    } else if (group == "depths") {
        o.command = ID_OFFSETS_DEPTHS;
        options.insert(options.end(), {{"--depth", &o.depth}, {"--sound-velocity", &o.velocity}});
    } else if (group == "tide") {
        o.command = ID_OFFSETS_TIDE;
        options.push_back({"--tide", &o.tide});
    } else {
        throw UsageError("the offsets are positions, depths or tide, not \"" + group + "\"");
    }
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

// ---- transforms ----

Step ParseApplyHpr(Args&) {
    return [](Context& c) {
        if (!Available(c, "apply-hpr", ID_APPLY_HPR,
                       "an elevation offset, sounder data and no earlier Apply HPR"))
            return false;
        ApplyHpr(c.doc);
        return true;
    };
}

Step ParseUtm(Args&) {
    return [](Context& c) {
        if (!Available(c, "utm", ID_CONVERT_UTM, "geographic positions")) return false;
        ConvertToUtm(c.doc);
        return true;
    };
}

Step ParseApplyControl(Args&) {
    return [](Context& c) {
        if (!Available(c, "apply-control", ID_CONTROL_APPLY, "geographic positions and two control points or more"))
            return false;
        ApplyControl(c.doc);
        return true;
    };
}

Step ParseSelfTest(Args&) {
    return [](Context& c) {
        if (!Available(c, "self-test", ID_CONTROL_SELF_TEST, "two control points or more")) return false;
        SelfTest(c.doc);
        return true;
    };
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
    if (!Available(c, "control add", ID_CONTROL_ADD, "geographic positions")) return false;
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
    AddControl(c.doc, v);
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
    if (!Available(c, "control unuse", ID_CONTROL_EDIT, "geographic positions and a control point")) return false;
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
    EditControl(c.doc, accepted);
    return true;
}

Step ParseControl(Args& a) {
    const std::string action = a.Take("add, list or unuse");
    if (action == "list") {
        return [](Context& c) {
            WriteControl(c.out, c.doc.Control);
            return true;
        };
    }
    if (action == "unuse") {
        std::string name = a.Take("NAME");
        return [name](Context& c) { return RunControlUnuse(c, name); };
    }
    if (action != "add") throw UsageError("the control actions are add, list and unuse, not \"" + action + "\"");

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

constexpr Verb kTransformVerbs[] = {
    {"offsets",
     "positions [--time S] [--east M] [--north M] [--elevation M]\n"
     "        | depths [--time S] [--depth M] [--sound-velocity V] | tide [--time S] [--tide M]",
     "Edit > Offsets: set the offsets of one kind of record; a value left out keeps its current one",
     ParseOffsets},
    {"apply-hpr", "", "Edit > Transform > Apply HPR", ParseApplyHpr},
    {"utm", "", "Edit > Transform > Convert to UTM", ParseUtm},
    {"control",
     "add --name NAME --lat D M S N|S --lon D M S E|W --grid X Y | list | unuse NAME",
     "Edit > Transform > Add Control; list the control points; uncheck \"Use this station\" in Edit Control",
     ParseControl},
    {"apply-control", "", "Edit > Transform > Apply Control: geographic positions onto the site grid",
     ParseApplyControl},
    {"self-test", "", "Edit > Transform > Self Test: the zone, scale, rotation and each station's misfit",
     ParseSelfTest},
};

}  // namespace

std::span<const Verb> TransformVerbs() { return kTransformVerbs; }

}  // namespace aq::cli
