// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace aq {

class CVKDoc;
struct CVKlsq;

// What the survey's X and Y are.
enum class CrsKind : uint8_t {
    Geographic,          // longitude and latitude on WGS84 (EPSG:4326), 1e-7 degree
    TransverseMercator,  // Convert to UTM: a zone's central meridian, k0 0.9996, no false origin
    Projected,           // any other projected system, converted to or declared (EPSG:NNNN)
    LocalGrid,           // a site grid of control points, or a grid nobody said: a local engineering system
};

// The coordinate system of a survey as plain text: the core never interprets the
// definition, the surface library hands it to PROJ. The document file has no room for
// it, so it is kept in a small file beside the document (see CrsSidecarPath).
struct SurveyCrs {
    CrsKind Kind = CrsKind::Geographic;
    // What PROJ takes: "EPSG:4326", "EPSG:32631", a "+proj=tmerc ..." string or a WKT;
    // one line. Empty while nothing has been recorded: the survey's default holds then.
    std::string Definition;

    bool Recorded() const { return !Definition.empty(); }
    friend bool operator==(const SurveyCrs&, const SurveyCrs&) = default;
};

// "geographic", "transverse-mercator", "projected", "local": the words of the sidecar
// file and of the crs listing.
std::string_view CrsKindWord(CrsKind kind);
bool CrsKindFromWord(std::string_view word, CrsKind& kind);

// WGS84 longitude and latitude.
SurveyCrs GeographicCrs();
// The transverse Mercator Convert to UTM projects with: the central meridian of the
// UTM zone (1-60, or 61 for exactly 180 degrees), scale 0.9996, no false easting or
// northing, on WGS84.
SurveyCrs ZoneCrs(int zone);
// The site grid Apply Control fits to the control points: a local engineering system
// with no datum relating it to the earth.
SurveyCrs SiteGridCrs(const CVKlsq& control);
// A grid survey whose system nobody recorded (imported grid coordinates, or a survey
// saved before coordinate systems were kept).
SurveyCrs UnknownGridCrs();

// The system a document's coordinates are taken to be in when none is recorded: WGS84
// for a geographic survey. A grid survey with usable control points lies either on their
// site grid or on the transverse Mercator of their zone: whichever centre the survey's
// extent lies nearer says which. Any other grid survey is an unknown local grid.
SurveyCrs DefaultCrs(const CVKDoc& doc);
// The system the document's coordinates are in now: the recorded one while it fits the
// survey (a geographic survey is always WGS84), else the default.
SurveyCrs CurrentCrs(const CVKDoc& doc);

// A few words naming a system in messages: "WGS 84 longitude and latitude",
// "transverse Mercator 3E (UTM zone 31 without false origin)", "EPSG:27700", "an unknown
// local grid".
std::string DescribeCrs(const SurveyCrs& crs);

// ---- the sidecar file ----

// "NAME.son.crs" beside "NAME.son".
std::string CrsSidecarPath(const std::string& documentPath);
// Its text: a versioned first line, then kind= and definition= lines, CR LF endings.
std::string CrsSidecarText(const SurveyCrs& crs);
// Reads a sidecar's text; false with a short reason ("it is empty", "it was written by
// a newer version of Aquenta") when it is not one this program can take.
bool ParseCrsSidecar(std::string_view text, SurveyCrs& crs, std::string& why);
// The largest sidecar read; anything bigger is not one of ours.
inline constexpr size_t kMaxCrsSidecarBytes = 64 * 1024;

}  // namespace aq
