// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/surveycrs.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "model/control.h"
#include "model/doc.h"
#include "model/projection.h"

namespace aq {

namespace {

constexpr std::string_view kHeader = "AQUENTA-CRS ";
constexpr int kVersion = 1;

// The central meridian of a zone in whole degrees; zone 61 (exactly 180 degrees) has 183.
int64_t ZoneMeridian(int zone) { return (int64_t{zone} - 1) * 6 - 177; }

std::string MeridianText(int64_t degrees) {
    return std::to_string(degrees < 0 ? -degrees : degrees) + (degrees < 0 ? "W" : "E");
}

// The zone of the control points' central meridian.
int ControlZone(const CVKlsq& control) { return UtmZone(RadToDeg(control.CentralMeridian)); }

// The +lon_0 of a transverse Mercator definition, when it has one in whole degrees.
bool DefinitionMeridian(std::string_view definition, int64_t& degrees) {
    const size_t at = definition.find("+lon_0=");
    if (at == std::string_view::npos) return false;
    const char* first = definition.data() + at + 7;
    const char* last = definition.data() + definition.size();
    const auto [end, ec] = std::from_chars(first, last, degrees);
    return ec == std::errc{} && (end == last || *end == ' ');
}

std::string EngineeringWkt(std::string_view name, std::string_view datum, std::string_view remark) {
    std::string wkt = "ENGCRS[\"";
    wkt += name;
    wkt += "\",EDATUM[\"";
    wkt += datum;
    wkt +=
        "\"],CS[Cartesian,2],AXIS[\"easting (X)\",east,ORDER[1],LENGTHUNIT[\"metre\",1]],"
        "AXIS[\"northing (Y)\",north,ORDER[2],LENGTHUNIT[\"metre\",1]],REMARK[\"";
    wkt += remark;
    wkt += "\"]]";
    return wkt;
}

}  // namespace

std::string_view CrsKindWord(CrsKind kind) {
    switch (kind) {
        case CrsKind::Geographic: return "geographic";
        case CrsKind::TransverseMercator: return "transverse-mercator";
        case CrsKind::Projected: return "projected";
        case CrsKind::LocalGrid: return "local";
    }
    return "local";
}

bool CrsKindFromWord(std::string_view word, CrsKind& kind) {
    for (CrsKind k : {CrsKind::Geographic, CrsKind::TransverseMercator, CrsKind::Projected, CrsKind::LocalGrid}) {
        if (CrsKindWord(k) != word) continue;
        kind = k;
        return true;
    }
    return false;
}

SurveyCrs GeographicCrs() { return {CrsKind::Geographic, "EPSG:4326"}; }

SurveyCrs ZoneCrs(int zone) {
    return {CrsKind::TransverseMercator, "+proj=tmerc +lat_0=0 +lon_0=" + std::to_string(ZoneMeridian(zone)) +
                                             " +k=0.9996 +x_0=0 +y_0=0 +datum=WGS84 +units=m +no_defs +type=crs"};
}

SurveyCrs SiteGridCrs(const CVKlsq& control) {
    const std::string remark = "A site grid fitted to " + std::to_string(control.Points.size()) +
                               " control points by a similarity of transverse Mercator " +
                               MeridianText(ZoneMeridian(ControlZone(control))) +
                               "; a local engineering system that no datum relates to the earth.";
    return {CrsKind::LocalGrid,
            EngineeringWkt("Local site grid (control points)", "Site grid of control points", remark)};
}

SurveyCrs UnknownGridCrs() {
    return {CrsKind::LocalGrid,
            EngineeringWkt("Unknown local grid", "Unknown",
                           "Grid coordinates in metres whose coordinate system was not recorded with the survey.")};
}

SurveyCrs DefaultCrs(const CVKDoc& doc) {
    if (doc.IsGeographic()) return GeographicCrs();
    const CVKlsq& control = doc.Control;
    if (!control.IsUsable()) return UnknownGridCrs();
    // Apply Control is what control points are for: the site grid unless the survey
    // clearly lies where Convert to UTM would have put it.
    if (doc.CountPos > 0) {
        const double x = (static_cast<double>(doc.XMin) + static_cast<double>(doc.XMax)) / 200.0;
        const double y = (static_cast<double>(doc.YMin) + static_cast<double>(doc.YMax)) / 200.0;
        const double toGrid = std::hypot(x - control.GridCentreX, y - control.GridCentreY);
        const double toProjection = std::hypot(x - control.ProjCentreE, y - control.ProjCentreN);
        if (toProjection < toGrid) return ZoneCrs(ControlZone(control));
    }
    return SiteGridCrs(control);
}

SurveyCrs CurrentCrs(const CVKDoc& doc) {
    if (doc.IsGeographic()) return GeographicCrs();
    if (doc.Crs.Recorded() && doc.Crs.Kind != CrsKind::Geographic) return doc.Crs;
    return DefaultCrs(doc);
}

std::string DescribeCrs(const SurveyCrs& crs) {
    switch (crs.Kind) {
        case CrsKind::Geographic: return "WGS 84 longitude and latitude (EPSG:4326)";
        case CrsKind::TransverseMercator: {
            int64_t meridian = 0;
            if (!DefinitionMeridian(crs.Definition, meridian) || meridian < -180 || meridian > 183)
                return "a transverse Mercator projection";
            return "transverse Mercator " + MeridianText(meridian) + " (UTM zone " +
                   std::to_string((meridian + 177) / 6 + 1) + " without false origin)";
        }
        case CrsKind::Projected:
            if (crs.Definition.size() <= 40 && crs.Definition.find('[') == std::string::npos) return crs.Definition;
            return "a projected coordinate system";
        case CrsKind::LocalGrid:
            if (crs.Definition.find("Local site grid") != std::string::npos)
                return "the local site grid of the control points";
            return "an unknown local grid";
    }
    return "a local grid";
}

// ---- the sidecar file ----

std::string CrsSidecarPath(const std::string& documentPath) { return documentPath + ".crs"; }

std::string CrsSidecarText(const SurveyCrs& crs) {
    std::string text(kHeader);
    text += std::to_string(kVersion);
    text += "\r\nkind=";
    text += CrsKindWord(crs.Kind);
    text += "\r\ndefinition=";
    text += crs.Definition;
    text += "\r\n";
    return text;
}

bool ParseCrsSidecar(std::string_view text, SurveyCrs& crs, std::string& why) {
    if (text.empty()) {
        why = "it is empty";
        return false;
    }
    if (text.size() > kMaxCrsSidecarBytes) {
        why = "it is far longer than a coordinate system";
        return false;
    }
    if (text.find('\0') != std::string_view::npos) {
        why = "it is not text";
        return false;
    }
    std::string_view rest = text;
    const auto nextLine = [&rest]() {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    const std::string_view first = nextLine();
    if (!first.starts_with(kHeader)) {
        why = "its first line is not \"" + std::string(kHeader) + std::to_string(kVersion) + "\"";
        return false;
    }
    int version = 0;
    const std::string_view number = first.substr(kHeader.size());
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), version);
    if (ec != std::errc{} || end != number.data() + number.size() || version < 1) {
        why = "its first line is not \"" + std::string(kHeader) + std::to_string(kVersion) + "\"";
        return false;
    }
    if (version > kVersion) {
        why = "it was written by a newer version of Aquenta (format " + std::to_string(version) + ")";
        return false;
    }
    bool haveKind = false, haveDefinition = false;
    SurveyCrs read;
    while (!rest.empty()) {
        const std::string_view line = nextLine();
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;  // room for comments and blank lines
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "kind") {
            if (!CrsKindFromWord(value, read.Kind)) {
                why = "its kind \"" + std::string(value.substr(0, 40)) + "\" is not one this program knows";
                return false;
            }
            haveKind = true;
        } else if (key == "definition") {
            read.Definition = std::string(value);
            haveDefinition = true;
        }
        // Other keys belong to later versions of this format and are passed over.
    }
    if (!haveKind || !haveDefinition || read.Definition.empty()) {
        why = !haveKind ? "it has no kind= line" : "it has no definition";
        return false;
    }
    crs = std::move(read);
    return true;
}

}  // namespace aq
