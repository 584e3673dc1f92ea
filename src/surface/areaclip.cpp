// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/areaclip.h"

#include <ogr_api.h>
#include <ogr_geometry.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "surface/gdalfile.h"

namespace aq::surface {

struct AreaClip::Geometry {
    std::unique_ptr<OGRGeometry> shape;
    OGRPreparedGeometryH prepared = nullptr;
    ~Geometry() {
        if (prepared) OGRDestroyPreparedGeometry(prepared);
    }
};

namespace {

std::unique_ptr<OGRPolygon> PolygonOf(const double* xy, int n) {
    auto ring = std::make_unique<OGRLinearRing>();
    for (int i = 0; i < n; ++i) ring->addPoint(xy[2 * i], xy[2 * i + 1]);
    ring->addPoint(xy[0], xy[1]);
    auto polygon = std::make_unique<OGRPolygon>();
    polygon->addRingDirectly(ring.release());
    return polygon;
}

// The area of what an intersection gave: its polygons' (lines and points have none).
double SurfaceArea(const OGRGeometry* g) {
    switch (wkbFlatten(g->getGeometryType())) {
        case wkbPolygon: return g->toPolygon()->get_Area();
        case wkbMultiPolygon: return g->toMultiPolygon()->get_Area();
        case wkbGeometryCollection: {
            double a = 0;
            for (const OGRGeometry* part : *g->toGeometryCollection()) a += SurfaceArea(part);
            return a;
        }
        default: return 0;
    }
}

std::unique_ptr<OGRPolygon> BoxOf(double xmin, double ymin, double xmax, double ymax) {
    const double xy[8] = {xmin, ymin, xmax, ymin, xmax, ymax, xmin, ymax};
    return PolygonOf(xy, 4);
}

}  // namespace

AreaClip::AreaClip() = default;
AreaClip::~AreaClip() = default;

bool AreaClip::Make(const Boundary& boundary, const Plane& plane, std::string& error) {
    geometry_.reset();
    if (boundary.Empty()) return true;
    UseGdal();
    GdalErrors errors;
    auto multi = std::make_unique<OGRMultiPolygon>();
    for (const std::vector<Ring>& rings : boundary.polygons) {
        auto polygon = std::make_unique<OGRPolygon>();
        for (const Ring& r : rings) {
            auto ring = std::make_unique<OGRLinearRing>();
            for (size_t i = 0; i < r.x.size(); ++i) ring->addPoint(plane.PlaneX(r.x[i]), plane.PlaneY(r.y[i]));
            if (!r.x.empty()) ring->addPoint(plane.PlaneX(r.x[0]), plane.PlaneY(r.y[0]));
            polygon->addRingDirectly(ring.release());
        }
        multi->addGeometryDirectly(polygon.release());
    }
    if (!multi->IsValid()) {
        error = "The boundary (" + boundary.source + ") is not a valid polygon: " +
                errors.Text("a ring crosses itself or another") + ".";
        return false;
    }
    // Overlapping polygons count once.
    std::unique_ptr<OGRGeometry> shape(multi->UnionCascaded());
    if (!shape) shape = std::move(multi);
    area_ = SurfaceArea(shape.get());
    if (!(area_ > 0)) {
        error = "The boundary (" + boundary.source + ") encloses no area.";
        return false;
    }
    OGREnvelope env;
    shape->getEnvelope(&env);
    xmin_ = env.MinX, ymin_ = env.MinY, xmax_ = env.MaxX, ymax_ = env.MaxY;
    geometry_ = std::make_unique<Geometry>();
    geometry_->shape = std::move(shape);
    geometry_->prepared = OGRCreatePreparedGeometry(OGRGeometry::ToHandle(geometry_->shape.get()));

    // Blocks over the boundary's extent, about 256 across its longer side, each
    // inside, outside or on the edge.
    const double span = std::max(xmax_ - xmin_, ymax_ - ymin_);
    block_ = span / 256;
    bx_ = std::max(1, static_cast<int>(std::ceil((xmax_ - xmin_) / block_)));
    by_ = std::max(1, static_cast<int>(std::ceil((ymax_ - ymin_) / block_)));
    blocks_.assign(static_cast<size_t>(bx_) * static_cast<size_t>(by_), static_cast<unsigned char>(Where::Crossing));
    for (int r = 0; r < by_; ++r)
        for (int c = 0; c < bx_; ++c) {
            const double x0 = xmin_ + c * block_, y0 = ymin_ + r * block_;
            const auto box = BoxOf(x0, y0, x0 + block_, y0 + block_);
            OGRGeometryH h = OGRGeometry::ToHandle(box.get());
            Where w = Where::Crossing;
            if (geometry_->prepared) {
                if (OGRPreparedGeometryContains(geometry_->prepared, h)) w = Where::Inside;
                else if (!OGRPreparedGeometryIntersects(geometry_->prepared, h)) w = Where::Outside;
            }
            blocks_[static_cast<size_t>(r) * static_cast<size_t>(bx_) + static_cast<size_t>(c)] =
                static_cast<unsigned char>(w);
        }
    return true;
}

void AreaClip::Bounds(double& xmin, double& ymin, double& xmax, double& ymax) const {
    xmin = xmin_, ymin = ymin_, xmax = xmax_, ymax = ymax_;
}

AreaClip::Where AreaClip::Box(double xmin, double ymin, double xmax, double ymax) const {
    if (!geometry_) return Where::Inside;
    if (xmax < xmin_ || ymax < ymin_ || xmin > xmax_ || ymin > ymax_) return Where::Outside;
    // A box reaching out of the blocks has a part outside the boundary.
    bool out = xmin < xmin_ || ymin < ymin_ || xmax > xmax_ || ymax > ymax_;
    bool in = false;
    const int c0 = std::clamp(static_cast<int>(std::floor((xmin - xmin_) / block_)), 0, bx_ - 1);
    const int c1 = std::clamp(static_cast<int>(std::floor((xmax - xmin_) / block_)), 0, bx_ - 1);
    const int r0 = std::clamp(static_cast<int>(std::floor((ymin - ymin_) / block_)), 0, by_ - 1);
    const int r1 = std::clamp(static_cast<int>(std::floor((ymax - ymin_) / block_)), 0, by_ - 1);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const auto w = static_cast<Where>(blocks_[static_cast<size_t>(r) * static_cast<size_t>(bx_) + static_cast<size_t>(c)]);
            if (w == Where::Crossing) return Where::Crossing;
            (w == Where::Inside ? in : out) = true;
            if (in && out) return Where::Crossing;
        }
    return in ? Where::Inside : Where::Outside;
}

void AreaClip::Clip(const double* xy, int n, double& area, double& cx, double& cy) const {
    area = 0;
    cx = cy = 0;
    if (n < 3) return;
    double x0 = xy[0], x1 = xy[0], y0 = xy[1], y1 = xy[1];
    for (int i = 1; i < n; ++i) {
        x0 = std::min(x0, xy[2 * i]), x1 = std::max(x1, xy[2 * i]);
        y0 = std::min(y0, xy[2 * i + 1]), y1 = std::max(y1, xy[2 * i + 1]);
    }
    const auto polygon = PolygonOf(xy, n);
    OGRGeometryH h = OGRGeometry::ToHandle(polygon.get());
    const auto whole = [&] {
        area = polygon->get_Area();
        OGRPoint c;
        if (polygon->Centroid(&c) == OGRERR_NONE) cx = c.getX(), cy = c.getY();
    };
    if (!geometry_) return whole();
    const auto box = BoxOf(x0, y0, x1, y1);
    if (OGRPreparedGeometryContains(geometry_->prepared, OGRGeometry::ToHandle(box.get()))) return whole();
    if (!OGRPreparedGeometryIntersects(geometry_->prepared, h)) return;
    std::unique_ptr<OGRGeometry> part(geometry_->shape->Intersection(polygon.get()));
    if (!part || part->IsEmpty()) return;
    area = SurfaceArea(part.get());
    if (!(area > 0)) {
        area = 0;
        return;
    }
    OGRPoint c;
    if (part->Centroid(&c) == OGRERR_NONE) cx = c.getX(), cy = c.getY();
}

std::vector<std::pair<double, double>> AreaClip::Inside(double x0, double y0, double x1, double y1) const {
    std::vector<std::pair<double, double>> out;
    if (!geometry_) {
        out.emplace_back(0.0, 1.0);
        return out;
    }
    OGRLineString line;
    line.addPoint(x0, y0);
    line.addPoint(x1, y1);
    std::unique_ptr<OGRGeometry> part(geometry_->shape->Intersection(&line));
    if (!part || part->IsEmpty()) return out;
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    if (!(len2 > 0)) return out;
    const auto along = [&](double x, double y) { return std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0); };
    const auto add = [&](const OGRLineString* s) {
        if (s->getNumPoints() < 2) return;
        double a = along(s->getX(0), s->getY(0)), b = along(s->getX(s->getNumPoints() - 1), s->getY(s->getNumPoints() - 1));
        if (a > b) std::swap(a, b);
        if (b > a) out.emplace_back(a, b);
    };
    const OGRwkbGeometryType type = wkbFlatten(part->getGeometryType());
    if (type == wkbLineString) {
        add(part->toLineString());
    } else if (type == wkbMultiLineString || type == wkbGeometryCollection) {
        for (const OGRGeometry* g : *part->toGeometryCollection())
            if (wkbFlatten(g->getGeometryType()) == wkbLineString) add(g->toLineString());
    }
    std::sort(out.begin(), out.end());
    // Pieces that touch are one.
    std::vector<std::pair<double, double>> merged;
    for (const auto& p : out) {
        if (!merged.empty() && p.first <= merged.back().second + 1e-12) merged.back().second = std::max(merged.back().second, p.second);
        else merged.push_back(p);
    }
    return merged;
}

}  // namespace aq::surface
