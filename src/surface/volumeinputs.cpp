// SPDX-License-Identifier: GPL-3.0-or-later
// What the volumes are measured against and within: boundaries, centre lines and designs
// read through GDAL.
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "surface/gdalfile.h"
#include "surface/raster.h"
#include "surface/volume.h"
#include "surface/volumetin.h"

namespace aq::surface {

namespace {

std::string Metres(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& path, const char* ext) {
    const std::string p = Lower(path), e = ext;
    return p.size() >= e.size() && p.compare(p.size() - e.size(), e.size(), e) == 0;
}

struct DatasetCloser {
    void operator()(GDALDataset* d) const { GDALClose(GDALDataset::ToHandle(d)); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// Opens a vector file; null with the reason.
Dataset OpenVector(const std::string& path, const char* what, std::string& error) {
    UseGdal();
    GdalErrors errors;
    // A DXF's closed polylines come as polygons.
    CPLSetThreadLocalConfigOption("DXF_CLOSED_LINE_AS_POLYGON", "TRUE");
    Dataset ds(GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr, nullptr, nullptr)));
    CPLSetThreadLocalConfigOption("DXF_CLOSED_LINE_AS_POLYGON", nullptr);
    if (!ds) error = "GDAL cannot read the " + std::string(what) + " \"" + path + "\": " + errors.Text("not a vector file it knows") + ".";
    return ds;
}

// A transformation of a layer's coordinates into the survey's system: none needed (null,
// true), one made, or false with the reason.
bool ToSurvey(const OGRSpatialReference* layerSrs, const CoordinateSystem& crs, const std::string& path,
              std::unique_ptr<OGRCoordinateTransformation>& out, std::string& error) {
    out.reset();
    if (!layerSrs || crs.wkt.empty()) return true;
    OGRSpatialReference survey;
    if (survey.importFromWkt(crs.wkt.c_str()) != OGRERR_NONE) return true;
    const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT", nullptr};
    if (survey.IsSame(layerSrs, options)) return true;
    if (crs.kind == CrsKind::LocalGrid || survey.IsLocal()) {
        error = "\"" + path + "\" is in " + std::string(layerSrs->GetName() ? layerSrs->GetName() : "another system") +
                " and the survey on a local grid, which has no known relation to it: give the coordinates in the "
                "survey's own grid.";
        return false;
    }
    OGRSpatialReference from(*layerSrs);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    survey.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    out.reset(OGRCreateCoordinateTransformation(&from, &survey));
    if (!out) {
        error = "\"" + path + "\" is in " + std::string(layerSrs->GetName() ? layerSrs->GetName() : "another system") +
                ", which PROJ cannot bring into the survey's " + crs.name + ".";
        return false;
    }
    return true;
}

Ring RingOf(const OGRSimpleCurve& curve) {
    Ring r;
    for (int i = 0; i < curve.getNumPoints(); ++i) {
        r.x.push_back(curve.getX(i));
        r.y.push_back(curve.getY(i));
    }
    // The closing point is implied.
    if (r.x.size() > 1 && r.x.front() == r.x.back() && r.y.front() == r.y.back()) {
        r.x.pop_back();
        r.y.pop_back();
    }
    return r;
}

// Collects the polygons of a geometry; false with the reason for a line left open.
bool AddPolygons(const OGRGeometry* g, const std::string& path, Boundary& out, std::string& error) {
    switch (wkbFlatten(g->getGeometryType())) {
        case wkbPolygon: {
            std::vector<Ring> rings;
            for (const OGRLinearRing* ring : *g->toPolygon()) rings.push_back(RingOf(*ring));
            if (!rings.empty() && rings[0].x.size() >= 3) out.polygons.push_back(std::move(rings));
            return true;
        }
        case wkbLineString: {
            const OGRLineString* line = g->toLineString();
            const int n = line->getNumPoints();
            if (n < 2) return true;
            const double gap = std::hypot(line->getX(n - 1) - line->getX(0), line->getY(n - 1) - line->getY(0));
            double length = line->get_Length();
            if (gap > 1e-6 * std::max(1.0, length)) {
                error = "The boundary \"" + path + "\" holds a line that does not close: its ends are " + Metres(gap) +
                        " apart. A boundary must be a polygon or a closed polyline.";
                return false;
            }
            Ring r = RingOf(*line);
            if (r.x.size() >= 3) out.polygons.push_back({std::move(r)});
            return true;
        }
        case wkbMultiPolygon:
        case wkbMultiLineString:
        case wkbGeometryCollection:
            for (const OGRGeometry* part : *g->toGeometryCollection())
                if (!AddPolygons(part, path, out, error)) return false;
            return true;
        default: return true;  // points and the like are no boundary
    }
}

bool ParseNumber(std::string_view word, double& v) {
    while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
    if (!word.empty() && word.front() == '+') word.remove_prefix(1);
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    return ec == std::errc() && end == word.data() + word.size() && std::isfinite(v);
}

// The numbers of a line separated by spaces, tabs, commas or semicolons.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string w;
    for (const char c : line) {
        if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r') {
            if (!w.empty()) words.push_back(std::move(w));
            w.clear();
        } else {
            w += c;
        }
    }
    if (!w.empty()) words.push_back(std::move(w));
    return words;
}

}  // namespace

bool ReadBoundary(const std::string& path, const CoordinateSystem& crs, Boundary& out, std::string& error) {
    out = Boundary{};
    out.source = path;
    // A text file of coordinates.
    if (EndsWith(path, ".txt") || EndsWith(path, ".xy") || EndsWith(path, ".csv")) {
        std::ifstream in(path);
        if (!in) {
            error = "Cannot read the boundary \"" + path + "\": no such file, or it cannot be opened.";
            return false;
        }
        std::stringstream text;
        text << in.rdbuf();
        if (!ParseBoundary(text.str(), out, error)) {
            error = "The boundary \"" + path + "\": " + error;
            return false;
        }
        out.source = path;
        return true;
    }
    Dataset ds = OpenVector(path, "boundary", error);
    if (!ds) return false;
    for (OGRLayer* layer : ds->GetLayers()) {
        std::unique_ptr<OGRCoordinateTransformation> transform;
        if (!ToSurvey(layer->GetSpatialRef(), crs, path, transform, error)) return false;
        layer->ResetReading();
        for (const auto& feature : *layer) {
            const OGRGeometry* g = feature->GetGeometryRef();
            if (!g) continue;
            std::unique_ptr<OGRGeometry> moved;
            if (transform) {
                moved.reset(g->clone());
                if (moved->transform(transform.get()) != OGRERR_NONE) {
                    error = "The boundary \"" + path + "\" could not be brought into the survey's coordinate system.";
                    return false;
                }
                g = moved.get();
            }
            if (!AddPolygons(g, path, out, error)) return false;
        }
    }
    if (out.polygons.empty()) {
        error = "The boundary \"" + path + "\" holds no polygon or closed polyline.";
        return false;
    }
    return true;
}

bool ParseBoundary(const std::string& text, Boundary& out, std::string& error) {
    out = Boundary{};
    out.source = "listed coordinates";
    std::vector<std::string> words;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        for (std::string& w : Words(line)) words.push_back(std::move(w));
    }
    if (words.size() % 2 != 0) {
        error = "the boundary's coordinates come in X Y pairs; there is an odd number of them (" +
                std::to_string(words.size()) + ").";
        return false;
    }
    Ring r;
    for (size_t i = 0; i < words.size(); i += 2) {
        double x = 0, y = 0;
        if (!ParseNumber(words[i], x) || !ParseNumber(words[i + 1], y)) {
            error = "\"" + words[i] + " " + words[i + 1] + "\" is not a pair of coordinates.";
            return false;
        }
        r.x.push_back(x);
        r.y.push_back(y);
    }
    if (r.x.size() > 1 && r.x.front() == r.x.back() && r.y.front() == r.y.back()) {
        r.x.pop_back();
        r.y.pop_back();
    }
    if (r.x.size() < 3) {
        error = "a boundary needs at least three corners.";
        return false;
    }
    out.polygons.push_back({std::move(r)});
    return true;
}

bool ReadCentreLine(const std::string& source, const CoordinateSystem& crs, Polyline& out, std::string& error) {
    out = Polyline{};
    // Two points typed: X1,Y1,X2,Y2.
    {
        const std::vector<std::string> words = Words(source);
        double v[4];
        if (words.size() == 4 && std::all_of(words.begin(), words.end(), [&, i = 0](const std::string& w) mutable {
                return ParseNumber(w, v[i++]);
            })) {
            out.x = {v[0], v[2]};
            out.y = {v[1], v[3]};
            if (v[0] == v[2] && v[1] == v[3]) {
                error = "The centre line's two points are one.";
                return false;
            }
            return true;
        }
    }
    Dataset ds = OpenVector(source, "centre line", error);
    if (!ds) return false;
    for (OGRLayer* layer : ds->GetLayers()) {
        std::unique_ptr<OGRCoordinateTransformation> transform;
        if (!ToSurvey(layer->GetSpatialRef(), crs, source, transform, error)) return false;
        layer->ResetReading();
        for (const auto& feature : *layer) {
            const OGRGeometry* g = feature->GetGeometryRef();
            if (!g) continue;
            std::unique_ptr<OGRGeometry> moved(g->clone());
            if (transform && moved->transform(transform.get()) != OGRERR_NONE) continue;
            const OGRSimpleCurve* curve = nullptr;
            const OGRwkbGeometryType type = wkbFlatten(moved->getGeometryType());
            if (type == wkbLineString) curve = moved->toLineString();
            else if (type == wkbPolygon && moved->toPolygon()->getExteriorRing()) curve = moved->toPolygon()->getExteriorRing();
            else if (type == wkbMultiLineString && moved->toMultiLineString()->getNumGeometries() > 0)
                curve = moved->toMultiLineString()->getGeometryRef(0);
            if (!curve || curve->getNumPoints() < 2) continue;
            for (int i = 0; i < curve->getNumPoints(); ++i) {
                out.x.push_back(curve->getX(i));
                out.y.push_back(curve->getY(i));
            }
            return true;
        }
    }
    error = "The centre line \"" + source + "\" holds no line.";
    return false;
}

namespace {

}  // namespace

bool SameCoordinateSystem(const CoordinateSystem& a, const CoordinateSystem& b) {
    if (a.wkt.empty() || b.wkt.empty() || a.wkt == b.wkt) return true;
    OGRSpatialReference sa, sb;
    if (sa.importFromWkt(a.wkt.c_str()) != OGRERR_NONE || sb.importFromWkt(b.wkt.c_str()) != OGRERR_NONE) return true;
    // Positions are compared, not heights: a BAG carries its horizontal system with a
    // vertical one (often "unknown"), which says nothing of where its cells lie.
    if (sa.IsCompound()) sa.StripVertical();
    if (sb.IsCompound()) sb.StripVertical();
    const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT", nullptr};
    return sa.IsSame(&sb, options);
}

namespace {

// A DXF's 3D faces, or its 3D polylines and points for the triangulation.
bool ReadDxfDesign(const std::string& path, TinModel& tin, std::string& error) {
    Dataset ds = OpenVector(path, "design", error);
    if (!ds) return false;
    std::vector<std::vector<uint32_t>> lines;
    bool faces = false;
    const auto add = [&](double x, double y, double z) {
        tin.x.push_back(x);
        tin.y.push_back(y);
        tin.z.push_back(z);
        return static_cast<uint32_t>(tin.x.size() - 1);
    };
    std::vector<uint32_t> faceCorners;
    for (OGRLayer* layer : ds->GetLayers()) {
        layer->ResetReading();
        for (const auto& feature : *layer) {
            const OGRGeometry* g = feature->GetGeometryRef();
            if (!g || !g->Is3D()) continue;
            const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
            if (type == wkbPolygon) {
                const OGRLinearRing* ring = g->toPolygon()->getExteriorRing();
                if (!ring) continue;
                int n = ring->getNumPoints();
                if (n > 1 && ring->getX(0) == ring->getX(n - 1) && ring->getY(0) == ring->getY(n - 1)) --n;
                if (n < 3 || n > 4) continue;
                uint32_t c[4];
                for (int i = 0; i < n; ++i) c[i] = add(ring->getX(i), ring->getY(i), ring->getZ(i));
                faceCorners.insert(faceCorners.end(), {c[0], c[1], c[2]});
                if (n == 4) faceCorners.insert(faceCorners.end(), {c[0], c[2], c[3]});
                faces = true;
            } else if (type == wkbLineString) {
                const OGRLineString* line = g->toLineString();
                std::vector<uint32_t> idx;
                for (int i = 0; i < line->getNumPoints(); ++i) idx.push_back(add(line->getX(i), line->getY(i), line->getZ(i)));
                lines.push_back(std::move(idx));
            } else if (type == wkbPoint) {
                const OGRPoint* p = g->toPoint();
                add(p->getX(), p->getY(), p->getZ());
            }
        }
    }
    if (faces) {
        tin.triangles = std::move(faceCorners);
        // Faces turning clockwise are turned round.
        for (size_t t = 0; t + 2 < tin.triangles.size(); t += 3) {
            const uint32_t a = tin.triangles[t], b = tin.triangles[t + 1], c = tin.triangles[t + 2];
            if ((tin.x[b] - tin.x[a]) * (tin.y[c] - tin.y[a]) - (tin.y[b] - tin.y[a]) * (tin.x[c] - tin.x[a]) < 0)
                std::swap(tin.triangles[t + 1], tin.triangles[t + 2]);
        }
        return true;
    }
    if (tin.x.size() < 3) {
        error = "The design \"" + path + "\" holds no 3D faces, 3D polylines or points with levels.";
        return false;
    }
    if (!TriangulateDesign(tin.x, tin.y, tin.z, lines, tin.triangles, error)) {
        error = "The design \"" + path + "\": " + error;
        return false;
    }
    return true;
}

bool ReadPointDesign(const std::string& path, TinModel& tin, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "Cannot read the design \"" + path + "\": no such file, or it cannot be opened.";
        return false;
    }
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        const std::vector<std::string> words = Words(line);
        if (words.empty()) continue;
        double x = 0, y = 0, z = 0;
        if (words.size() < 3 || !ParseNumber(words[0], x) || !ParseNumber(words[1], y) || !ParseNumber(words[2], z)) {
            // A header line first is passed over.
            if (tin.x.empty() && number == 1) continue;
            error = "The design \"" + path + "\", line " + std::to_string(number) + ": \"" + line +
                    "\" is not X Y Z.";
            return false;
        }
        tin.x.push_back(x);
        tin.y.push_back(y);
        tin.z.push_back(z);
    }
    if (!TriangulateDesign(tin.x, tin.y, tin.z, {}, tin.triangles, error)) {
        error = "The design \"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace

bool ReadDesign(const std::string& path, const CoordinateSystem& crs, Reference& out, std::string& error) {
    out = Reference{};
    out.description = path;
    if (EndsWith(path, ".dxf")) {
        out.kind = ReferenceKind::Tin;
        return ReadDxfDesign(path, out.tin, error);
    }
    // A raster GDAL reads; else points.
    UseGdal();
    bool raster = false;
    {
        GdalErrors quiet;
        if (GDALDatasetH ds = GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr)) {
            raster = true;
            GDALClose(ds);
        }
    }
    if (raster) {
        out.kind = ReferenceKind::Raster;
        if (!ReadSurface(path, out.raster, error)) return false;
        if (!out.raster.crs.wkt.empty() && !SameCoordinateSystem(out.raster.crs, crs)) {
            error = "The design \"" + path + "\" is in " + out.raster.crs.name + " and the survey in " + crs.name +
                    ": bring them into one coordinate system first.";
            return false;
        }
        bool any = false;
        for (const float v : out.raster.elevation) any |= !std::isnan(v);
        if (!any) {
            error = "The design \"" + path + "\" has no cell with a level.";
            return false;
        }
        return true;
    }
    std::ifstream probe(path);
    if (!probe) {
        error = "Cannot read the design \"" + path + "\": no such file, or it cannot be opened.";
        return false;
    }
    out.kind = ReferenceKind::Tin;
    return ReadPointDesign(path, out.tin, error);
}

}  // namespace aq::surface
