// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/crs.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/doc.h"
#include "surface/projhandle.h"

// Renaming and rebasing a system (proj_alter_name, proj_crs_alter_geodetic_crs).
#include <proj_experimental.h>

namespace aq::surface {

namespace {

using proj::Context;
using proj::Object;

// WGS 84 as PROJ writes it, for the one case where PROJ cannot be asked (its database
// missing): an output must still say what its coordinates are.
constexpr char kWgs84Wkt[] =
    "GEOGCRS[\"WGS 84\",DATUM[\"World Geodetic System 1984\",ELLIPSOID[\"WGS 84\",6378137,298.257223563,"
    "LENGTHUNIT[\"metre\",1]]],PRIMEM[\"Greenwich\",0,ANGLEUNIT[\"degree\",0.0174532925199433]],CS[ellipsoidal,2],"
    "AXIS[\"geodetic latitude (Lat)\",north,ORDER[1],ANGLEUNIT[\"degree\",0.0174532925199433]],"
    "AXIS[\"geodetic longitude (Lon)\",east,ORDER[2],ANGLEUNIT[\"degree\",0.0174532925199433]],ID[\"EPSG\",4326]]";

std::string Trimmed(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    return text.substr(b, e - b);
}

std::string OneLineWkt(const Context& c, const PJ* crs) {
    const char* const options[] = {"MULTILINE=NO", nullptr};
    const char* wkt = proj_as_wkt(c.get(), crs, PJ_WKT2_2019, options);
    return wkt ? wkt : "";
}

std::string NameOf(const PJ* pj) {
    const char* name = proj_get_name(pj);
    return name ? name : "";
}

// The EPSG code an object carries, or failing that the one PROJ finds it identical to.
int EpsgOf(const Context& c, const PJ* crs) {
    const char* auth = proj_get_id_auth_name(crs, 0);
    const char* code = proj_get_id_code(crs, 0);
    if (auth && code && std::string_view(auth) == "EPSG") return std::atoi(code);
    int* confidence = nullptr;
    PJ_OBJ_LIST* found = proj_identify(c.get(), crs, "EPSG", nullptr, &confidence);
    int epsg = 0;
    if (found && proj_list_get_count(found) > 0 && confidence && confidence[0] == 100) {
        const Object best(proj_list_get(c.get(), found, 0));
        const char* bestCode = best ? proj_get_id_code(best.get(), 0) : nullptr;
        if (bestCode) epsg = std::atoi(bestCode);
    }
    proj_int_list_destroy(confidence);
    proj_list_destroy(found);
    return epsg;
}

bool IsGeographicType(PJ_TYPE type) {
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS || type == PJ_TYPE_GEOGRAPHIC_CRS ||
           type == PJ_TYPE_GEODETIC_CRS || type == PJ_TYPE_GEOCENTRIC_CRS;
}

bool KindFits(CrsKind kind, PJ_TYPE type) {
    switch (kind) {
        case CrsKind::Geographic: return IsGeographicType(type);
        case CrsKind::TransverseMercator:
        case CrsKind::Projected: return type == PJ_TYPE_PROJECTED_CRS || type == PJ_TYPE_BOUND_CRS;
        case CrsKind::LocalGrid: return type == PJ_TYPE_ENGINEERING_CRS;
    }
    return false;
}

// "Transverse Mercator 3E ..." from "transverse Mercator 3E ...".
std::string Capitalised(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// The system of a SurveyCrs through PROJ; false with PROJ's reason when it cannot be had.
bool Make(const SurveyCrs& s, CoordinateSystem& out, std::string& why) {
    Context c;
    Object crs(proj_create(c.get(), s.Definition.c_str()));
    if (!crs) {
        why = c.LastError().empty() ? "PROJ does not know it" : "PROJ says \"" + c.LastError() + "\"";
        return false;
    }
    if (!KindFits(s.Kind, proj_get_type(crs.get()))) {
        why = "it is not a " + std::string(CrsKindWord(s.Kind)) + " coordinate system";
        return false;
    }
    std::string name = NameOf(crs.get());
    if (s.Kind == CrsKind::TransverseMercator) {
        // PROJ calls a system made from a PROJ string "unknown": on WGS 84 itself, with a
        // name that says which meridian, an output tells its reader what it holds.
        const Object wgs84(proj_create(c.get(), "EPSG:4326"));
        Object based(wgs84 ? proj_crs_alter_geodetic_crs(c.get(), crs.get(), wgs84.get()) : nullptr);
        if (based) crs = std::move(based);
        name = "WGS 84 / " + Capitalised(DescribeCrs(s));
        if (Object named(proj_alter_name(c.get(), crs.get(), name.c_str())); named) crs = std::move(named);
    }
    out.kind = s.Kind;
    out.name = name;
    out.wkt = OneLineWkt(c, crs.get());
    out.definition = s.Definition;
    out.epsg = s.Kind == CrsKind::Geographic || s.Kind == CrsKind::Projected ? EpsgOf(c, crs.get()) : 0;
    if (out.wkt.empty()) {
        why = "PROJ cannot write it as WKT";
        return false;
    }
    return true;
}

}  // namespace

CoordinateSystem DocumentCrs(const CVKDoc& doc) {
    const SurveyCrs current = CurrentCrs(doc);
    CoordinateSystem crs;
    std::string why;
    if (Make(current, crs, why)) return crs;
    std::string problem = "The coordinate system recorded with the survey";
    if (!doc.PathName.empty()) problem += " in " + CrsSidecarPath(doc.PathName);
    problem += " (" + DescribeCrs(current) + ") cannot be used: " + why + ".";
    const SurveyCrs fallback = DefaultCrs(doc);
    if (fallback != current && Make(fallback, crs, why)) {
        crs.problem = problem + " The survey is taken to be in " + DescribeCrs(fallback) + ".";
        return crs;
    }
    // Not even the default: PROJ's database is missing. Say what the numbers are anyway.
    crs = CoordinateSystem{};
    crs.problem = problem;
    if (doc.IsGeographic()) {
        crs.kind = CrsKind::Geographic;
        crs.name = "WGS 84";
        crs.wkt = kWgs84Wkt;
        crs.definition = "EPSG:4326";
        crs.epsg = 4326;
    } else {
        const SurveyCrs unknown = UnknownGridCrs();
        crs.kind = CrsKind::LocalGrid;
        crs.name = "Unknown local grid";
        crs.wkt = unknown.Definition;
        crs.definition = unknown.Definition;
    }
    return crs;
}

void CheckRecordedCrs(CVKDoc& doc, UserPort& port) {
    if (!doc.Crs.Recorded() || doc.IsGeographic()) return;
    const CoordinateSystem crs = DocumentCrs(doc);
    if (crs.problem.empty()) return;
    port.Message(crs.problem, Severity::Warning);
    doc.Crs = SurveyCrs{};
}

int ParseEpsgCode(const std::string& text) {
    std::string t = Trimmed(text);
    if (t.size() > 5 && (t[0] == 'E' || t[0] == 'e') && (t[1] == 'P' || t[1] == 'p') && (t[2] == 'S' || t[2] == 's') &&
        (t[3] == 'G' || t[3] == 'g') && t[4] == ':')
        t = t.substr(5);
    if (t.empty() || t.size() > 9) return 0;
    for (char ch : t)
        if (ch < '0' || ch > '9') return 0;
    return std::atoi(t.c_str());
}

GridCrsCheck ExamineGridCrs(const std::string& text, bool allowLocal) {
    GridCrsCheck check;
    std::string t = Trimmed(text);
    if (t.empty()) {
        check.why = "No coordinate system was given.";
        return check;
    }
    if (const int code = ParseEpsgCode(t)) t = "EPSG:" + std::to_string(code);
    // A PROJ string names an operation unless it says it is a system.
    if (t.starts_with("+proj=") && t.find("+type=crs") == std::string::npos) t += " +type=crs";
    // A code is named by itself in messages; a long definition is not repeated.
    std::string label = t.size() <= 40 && t.find('[') == std::string::npos ? t : "The coordinate system given";

    Context c;
    Object crs(proj_create(c.get(), t.c_str()));
    if (!crs || !proj_is_crs(crs.get())) {
        const std::string err = c.LastError();
        check.why = label + " is not a coordinate system PROJ knows" + (err.empty() ? "" : " (" + err + ")") + ".";
        return check;
    }
    check.name = NameOf(crs.get());
    if (label == t) label += " (" + check.name + ")";
    if (proj_is_deprecated(crs.get())) check.name += " (deprecated)";

    // The part that holds the eastings and northings: a system bound to WGS 84 by
    // transformation parameters is its source system.
    PJ_TYPE type = proj_get_type(crs.get());
    Object horizontal;
    if (type == PJ_TYPE_BOUND_CRS) {
        horizontal = Object(proj_get_source_crs(c.get(), crs.get()));
        type = horizontal ? proj_get_type(horizontal.get()) : PJ_TYPE_UNKNOWN;
    }
    const PJ* plane = horizontal ? horizontal.get() : crs.get();
    if (type == PJ_TYPE_ENGINEERING_CRS && allowLocal) {
        check.kind = CrsKind::LocalGrid;
    } else if (type == PJ_TYPE_ENGINEERING_CRS) {
        check.why = label + " is a local engineering system, which no datum relates to the earth.";
        return check;
    } else if (IsGeographicType(type)) {
        check.why = label + " is a geographic system: its coordinates are degrees, not the metres east and north "
                            "of a projection.";
        return check;
    } else if (type == PJ_TYPE_COMPOUND_CRS) {
        const Object part(proj_crs_get_sub_crs(c.get(), crs.get(), 0));
        const int partCode = part && proj_get_type(part.get()) == PJ_TYPE_PROJECTED_CRS ? EpsgOf(c, part.get()) : 0;
        check.why = label + " is a compound system, with heights" +
                    (partCode ? "; give its horizontal part, EPSG:" + std::to_string(partCode) + "." : ".");
        return check;
    } else if (type != PJ_TYPE_PROJECTED_CRS) {
        check.why = label + " is not a coordinate system of eastings and northings.";
        return check;
    } else {
        check.kind = CrsKind::Projected;
    }

    // The survey's X and Y are metres east and north: a system measured in feet, or
    // whose axes point west or south, would have its numbers misread everywhere.
    const Object cs(proj_crs_get_coordinate_system(c.get(), plane));
    const int axes = cs ? proj_cs_get_axis_count(c.get(), cs.get()) : 0;
    if (axes != 2) {
        check.why = label + " does not have two axes, east and north.";
        return check;
    }
    std::string directions[2];
    for (int i = 0; i < 2; ++i) {
        const char* direction = nullptr;
        const char* unit = nullptr;
        double factor = 0;
        if (!proj_cs_get_axis_info(c.get(), cs.get(), i, nullptr, nullptr, &direction, &factor, &unit, nullptr,
                                   nullptr)) {
            check.why = label + " does not say what its axes are.";
            return check;
        }
        if (std::fabs(factor - 1.0) > 1e-12) {
            check.why = label + " measures in " + (unit ? unit : "units other than metres") +
                        "; the survey keeps its coordinates in metres.";
            return check;
        }
        directions[i] = direction ? direction : "";
    }
    const bool eastNorth = (directions[0] == "east" && directions[1] == "north") ||
                           (directions[0] == "north" && directions[1] == "east");
    if (!eastNorth) {
        check.why = label + " has axes pointing " + directions[0] + " and " + directions[1] +
                    "; the survey's X and Y are metres east and north.";
        return check;
    }

    check.epsg = EpsgOf(c, crs.get());
    check.definition = check.epsg ? "EPSG:" + std::to_string(check.epsg) : OneLineWkt(c, crs.get());
    if (check.definition.empty()) {
        check.why = label + " cannot be written down by PROJ.";
        return check;
    }
    check.ok = true;
    return check;
}

}  // namespace aq::surface
