// SPDX-License-Identifier: GPL-3.0-or-later
// Convert to Coordinate System and the declaration of a grid survey's system, through PROJ.
//
// How records hold coordinates (model/data.h): X and Y are 64-bit integers, 1e-7 degree
// of longitude and latitude in a geographic survey, whole centimetres east and north in
// a grid one. The conversion reads them in those units, hands metres or degrees to PROJ
// with easting (longitude) first whatever the systems' own axis order, and stores the
// results rounded to the nearest centimetre: a conversion there and back may move a
// point by a centimetre, never more. Recalculation and the views work on the low 32 bits
// of X and Y, so a result beyond +-21474 km cannot be held and is refused.
#include "surface/convertcrs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "model/civiltime.h"
#include "model/doc.h"
#include "processing/recalc.h"
#include "surface/crs.h"
#include "surface/projhandle.h"

namespace aq::surface {

namespace {

using proj::Context;
using proj::Object;

// Records converted between progress reports.
constexpr size_t kChunk = size_t{1} << 16;

bool Refuse(UserPort& port, const std::string& text) {
    port.Message(text, Severity::Error);
    return false;
}

// A record carries a position when it is one, or when one was interpolated into it
// (a depth, tide or event, deleted ones too: they keep theirs until restored). A
// record that never had one holds 0, 0, and keeps it.
bool CarriesPosition(const CVKData& r) {
    return (r.Flags & (REC_POSITION | REC_GEOGRAPHIC)) != 0 || r.X != 0 || r.Y != 0;
}

std::string Number(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// "record 12 (2009-12-05 10:00:00, X 1.2000000 Y 50.1000000)", numbered as records lists them.
std::string RecordText(const CVKData& r, size_t index, bool geographic) {
    std::string text = "record " + std::to_string(index) + " (";
    const std::string when = civil::Format("%Y-%m-%d %H:%M:%S", r.Time);
    if (!when.empty()) text += when + ", ";
    const int decimals = geographic ? 7 : 2;
    text += "X " + Number(CoordToReal(r.X, geographic), decimals) + " Y " +
            Number(CoordToReal(r.Y, geographic), decimals) + ")";
    return text;
}

bool InArea(double lon, double lat, double west, double south, double east, double north) {
    if (lat < south || lat > north) return false;
    // An area across the antimeridian has its west edge east of its east edge.
    return west <= east ? lon >= west && lon <= east : lon >= west || lon <= east;
}

// The warnings a finished conversion may need: no datum transformation known, or a
// survey outside the area the target is meant for.
void WarnOfAccuracy(CVKDoc& doc, const Context& c, PJ* op, const PJ* source, const PJ* target,
                    const std::string& targetLabel, double sampleX, double sampleY, UserPort& port) {
    PJ_COORD sample = proj_coord(sampleX, sampleY, 0, 0);
    proj_trans(op, PJ_FWD, sample);
    if (const Object used(proj_trans_get_last_used_operation(op)); used) {
        if (proj_coordoperation_has_ballpark_transformation(c.get(), used.get()))
            port.Message("PROJ knows no datum transformation to " + targetLabel +
                             ": the positions were converted as if the two datums were one, which can put "
                             "them metres out, or more.",
                         Severity::Warning);
    }
    if (doc.CountPos == 0) return;
    double west = 0, south = 0, east = 0, north = 0;
    const char* areaName = nullptr;
    if (!proj_get_area_of_use(c.get(), target, &west, &south, &east, &north, &areaName) || west <= -1000) return;
    const Object wgs84(proj_create(c.get(), "EPSG:4326"));
    if (!wgs84) return;
    const Object toGeo(proj_create_crs_to_crs_from_pj(c.get(), source, wgs84.get(), nullptr, nullptr));
    const Object toGeoNorm(toGeo ? proj_normalize_for_visualization(c.get(), toGeo.get()) : nullptr);
    if (!toGeoNorm) return;
    const bool geographic = doc.IsGeographic();
    const double x[2] = {CoordToReal(doc.XMin, geographic), CoordToReal(doc.XMax, geographic)};
    const double y[2] = {CoordToReal(doc.YMin, geographic), CoordToReal(doc.YMax, geographic)};
    for (double cx : x) {
        for (double cy : y) {
            const PJ_COORD g = proj_trans(toGeoNorm.get(), PJ_FWD, proj_coord(cx, cy, 0, 0));
            if (!std::isfinite(g.xy.x) || !std::isfinite(g.xy.y) || InArea(g.xy.x, g.xy.y, west, south, east, north))
                continue;
            port.Message("The survey lies partly outside the area " + targetLabel + " is meant for" +
                             (areaName && *areaName ? std::string(" (") + areaName + ")" : std::string()) +
                             "; its positions were converted all the same.",
                         Severity::Warning);
            return;
        }
    }
}

}  // namespace

std::string ConversionSourceRefusal(const CVKDoc& doc) {
    const SurveyCrs source = CurrentCrs(doc);
    if (source.Kind != CrsKind::LocalGrid) return {};
    if (source.Definition.find("Local site grid") != std::string::npos)
        return "The survey is on the local site grid of its control points, which no datum relates to the earth: "
               "its positions cannot be converted to another coordinate system.";
    return "The survey's grid coordinates have no recorded coordinate system, so they cannot be converted until "
           "the system they are in is declared.";
}

bool ConvertToCrs(CVKDoc& doc, const std::string& targetText, UserPort& port) {
    const int code = ParseEpsgCode(targetText);
    if (code <= 0)
        return Refuse(port,
                      "\"" + targetText + "\" is not an EPSG code; give one as EPSG:NNNN (EPSG:32631, EPSG:27700).");
    const std::string targetDefinition = "EPSG:" + std::to_string(code);
    const GridCrsCheck target = ExamineGridCrs(targetDefinition, false);
    if (!target.ok) return Refuse(port, target.why + " The survey was not converted.");
    const std::string targetLabel = targetDefinition + " (" + target.name + ")";
    if (const std::string why = ConversionSourceRefusal(doc); !why.empty()) return Refuse(port, why);

    const SurveyCrs source = CurrentCrs(doc);
    // Already there: nothing to convert, and nothing to undo.
    if (source.Kind == CrsKind::Projected && source.Definition == targetDefinition) return true;

    Context c;
    const Object from(proj_create(c.get(), source.Definition.c_str()));
    if (!from) {
        const std::string err = c.LastError();
        return Refuse(port, "The survey's coordinate system (" + DescribeCrs(source) + ") is not one PROJ can use" +
                                (err.empty() ? "." : ": " + err + "."));
    }
    const Object to(proj_create(c.get(), targetDefinition.c_str()));
    const Object op(to ? proj_create_crs_to_crs_from_pj(c.get(), from.get(), to.get(), nullptr, nullptr) : nullptr);
    // Longitude (easting) first, whatever order the systems' axes have.
    const Object norm(op ? proj_normalize_for_visualization(c.get(), op.get()) : nullptr);
    if (!norm) {
        const std::string err = c.LastError();
        return Refuse(port, "PROJ knows no way from " + DescribeCrs(source) + " to " + targetLabel +
                                (err.empty() ? "." : " (" + err + ")."));
    }

    const bool geographic = doc.IsGeographic();
    std::vector<CVKData>& records = doc.Records;
    std::vector<uint32_t> which;
    for (size_t i = 0; i < records.size(); ++i)
        if (CarriesPosition(records[i])) which.push_back(static_cast<uint32_t>(i));

    // Every result is had before any record changes: a refusal leaves the survey whole.
    std::vector<int64_t> newX(which.size()), newY(which.size());
    std::vector<double> x, y;
    port.BeginPhase("Converting Coordinates");
    for (size_t begin = 0; begin < which.size(); begin += kChunk) {
        const size_t n = std::min(kChunk, which.size() - begin);
        x.resize(n);
        y.resize(n);
        for (size_t k = 0; k < n; ++k) {
            const CVKData& r = records[which[begin + k]];
            x[k] = CoordToReal(r.X, geographic);
            y[k] = CoordToReal(r.Y, geographic);
        }
        proj_trans_generic(norm.get(), PJ_FWD, x.data(), sizeof(double), n, y.data(), sizeof(double), n, nullptr, 0,
                           0, nullptr, 0, 0);
        for (size_t k = 0; k < n; ++k) {
            const size_t index = which[begin + k];
            // PROJ marks a point it cannot transform with HUGE_VAL, an infinity.
            if (!std::isfinite(x[k]) || !std::isfinite(y[k])) {
                port.EndPhase();
                // PROJ's reason for this point.
                const CVKData& r = records[index];
                proj_errno_reset(norm.get());
                const PJ_COORD at = proj_coord(CoordToReal(r.X, geographic), CoordToReal(r.Y, geographic), 0, 0);
                proj_trans(norm.get(), PJ_FWD, at);
                const char* reason = proj_context_errno_string(c.get(), proj_errno(norm.get()));
                return Refuse(port,
                              "PROJ cannot convert " + RecordText(r, index, geographic) + " to " + targetLabel +
                                  (reason && *reason && proj_errno(norm.get()) ? std::string(": ") + reason : "") +
                                  ". The survey was not converted.");
            }
            const double cx = std::round(x[k] * 100.0);
            const double cy = std::round(y[k] * 100.0);
            constexpr double kLimit = std::numeric_limits<int32_t>::max();
            if (!(std::fabs(cx) <= kLimit && std::fabs(cy) <= kLimit)) {
                port.EndPhase();
                return Refuse(port, "In " + targetLabel + " " + RecordText(records[index], index, geographic) +
                                        " would lie at E " + Number(x[k], 2) + " N " + Number(y[k], 2) +
                                        ", beyond the 21474 km a survey's coordinates can reach. The survey was not "
                                        "converted.");
            }
            newX[begin + k] = static_cast<int64_t>(cx);
            newY[begin + k] = static_cast<int64_t>(cy);
        }
        port.SetProgress(static_cast<int>((begin + n) * 100 / which.size()));
    }
    port.EndPhase();

    // A sample and the extent in the old system, for the warnings once the work is done.
    const double sampleX = which.empty() ? 0.0 : CoordToReal(records[which[0]].X, geographic);
    const double sampleY = which.empty() ? 0.0 : CoordToReal(records[which[0]].Y, geographic);
    WarnOfAccuracy(doc, c, norm.get(), from.get(), to.get(), targetLabel, sampleX, sampleY, port);

    doc.WillWrite(kFieldX | kFieldY | kFieldFlags);
    for (size_t k = 0; k < which.size(); ++k) {
        CVKData& r = records[which[k]];
        r.X = newX[k];
        r.Y = newY[k];
        r.Flags &= static_cast<uint16_t>(~REC_GEOGRAPHIC);
    }
    doc.KindFlags &= static_cast<uint16_t>(~REC_GEOGRAPHIC);
    doc.Crs = SurveyCrs{CrsKind::Projected, targetDefinition};
    doc.SetModified(true, port);
    Recalculate(doc, port);
    return true;
}

bool DeclareCrs(CVKDoc& doc, const std::string& definition, UserPort& port) {
    if (doc.IsGeographic())
        return Refuse(port,
                      "The survey is geographic: its positions are WGS 84 longitudes and latitudes. To put them "
                      "on a grid, convert them (Convert to UTM, Convert to Coordinate System).");
    const GridCrsCheck check = ExamineGridCrs(definition, true);
    if (!check.ok) return Refuse(port, check.why);
    const SurveyCrs declared{check.kind, check.definition};
    if (declared == doc.Crs) return true;
    doc.Crs = declared;
    doc.SetModified(true, port);
    return true;
}

}  // namespace aq::surface
