// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/areaclip.h"

#include <ogr_api.h>
#include <ogr_geometry.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

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

// Cuts a closed ring (x y pairs, n of them) to the left of the line from a to b (on it
// counts as left), into `out`: Sutherland and Hodgman's step. The ring's signed area
// within the half-plane is kept, whatever the ring's shape.
void CutRing(const double* in, size_t n, double ax, double ay, double bx, double by, std::vector<double>& out) {
    out.clear();
    if (n == 0) return;
    const double ux = bx - ax, uy = by - ay;
    const auto side = [&](const double* p) { return ux * (p[1] - ay) - uy * (p[0] - ax); };
    const double* prev = in + 2 * (n - 1);
    double sp = side(prev);
    for (size_t i = 0; i < n; ++i) {
        const double* cur = in + 2 * i;
        const double sc = side(cur);
        if ((sc >= 0) != (sp >= 0)) {
            const double t = sp / (sp - sc);
            out.push_back(prev[0] + t * (cur[0] - prev[0]));
            out.push_back(prev[1] + t * (cur[1] - prev[1]));
        }
        if (sc >= 0) {
            out.push_back(cur[0]);
            out.push_back(cur[1]);
        }
        prev = cur;
        sp = sc;
    }
}

// Adds a closed ring's signed area and first moments (twice and six times them).
void AddMoments(const std::vector<double>& r, double& a2, double& mx6, double& my6) {
    const size_t n = r.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = i + 1 == n ? 0 : i + 1;
        const double c = r[2 * i] * r[2 * j + 1] - r[2 * j] * r[2 * i + 1];
        a2 += c;
        mx6 += (r[2 * i] + r[2 * j]) * c;
        my6 += (r[2 * i + 1] + r[2 * j + 1]) * c;
    }
}

// Signed twice area of a ring of x y pairs.
double TwiceArea(const double* xy, size_t n) {
    double a = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = i + 1 == n ? 0 : i + 1;
        a += (xy[2 * i] - xy[0]) * (xy[2 * j + 1] - xy[1]) - (xy[2 * j] - xy[0]) * (xy[2 * i + 1] - xy[1]);
    }
    return a;
}

// Cuts the rings (from `starts`) by the convex polygon `poly` (anticlockwise, m corners),
// and adds the signed area and first moments of what is left.
void CutByPolygon(const double* rings, const std::vector<size_t>& starts, const double* poly, int m, double& a2,
                  double& mx6, double& my6, std::vector<double>& one, std::vector<double>& two) {
    for (size_t k = 0; k + 1 < starts.size(); ++k) {
        one.assign(rings + starts[k], rings + starts[k + 1]);
        for (int e = 0; e < m && !one.empty(); ++e) {
            const int f = e + 1 == m ? 0 : e + 1;
            if (poly[2 * e] == poly[2 * f] && poly[2 * e + 1] == poly[2 * f + 1]) continue;  // a corner twice
            CutRing(one.data(), one.size() / 2, poly[2 * e], poly[2 * e + 1], poly[2 * f], poly[2 * f + 1], two);
            one.swap(two);
        }
        if (one.size() >= 6) AddMoments(one, a2, mx6, my6);
    }
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

    // The rings, outer ones anticlockwise and holes clockwise.
    rings_.clear();
    ringStart_.assign(1, 0);
    const auto addRing = [&](const OGRLinearRing* ring, bool hole) {
        int n = ring->getNumPoints();
        if (n > 1 && ring->getX(0) == ring->getX(n - 1) && ring->getY(0) == ring->getY(n - 1)) --n;
        if (n < 3) return;
        const size_t at = rings_.size();
        for (int i = 0; i < n; ++i) rings_.push_back(ring->getX(i)), rings_.push_back(ring->getY(i));
        const double a = TwiceArea(rings_.data() + at, static_cast<size_t>(n));
        if ((a < 0) != hole)
            for (int i = 0, j = n - 1; i < j; ++i, --j) {
                std::swap(rings_[at + 2 * static_cast<size_t>(i)], rings_[at + 2 * static_cast<size_t>(j)]);
                std::swap(rings_[at + 2 * static_cast<size_t>(i) + 1], rings_[at + 2 * static_cast<size_t>(j) + 1]);
            }
        ringStart_.push_back(rings_.size());
    };
    const auto addPolygon = [&](const OGRPolygon* p) {
        if (const OGRLinearRing* outer = p->getExteriorRing()) addRing(outer, false);
        for (int i = 0; i < p->getNumInteriorRings(); ++i) addRing(p->getInteriorRing(i), true);
    };
    const std::function<void(const OGRGeometry*)> addShape = [&](const OGRGeometry* g) {
        switch (wkbFlatten(g->getGeometryType())) {
            case wkbPolygon: addPolygon(g->toPolygon()); break;
            case wkbMultiPolygon:
            case wkbGeometryCollection:
                for (const OGRGeometry* part : *g->toGeometryCollection()) addShape(part);
                break;
            default: break;
        }
    };
    addShape(geometry_->shape.get());

    // The rings cut to the window of each block near the edge: where a block of the
    // window's four is on the edge.
    locals_.clear();
    local_.assign(blocks_.size(), -1);
    std::vector<double> one, two;
    for (int r = 0; r < by_; ++r)
        for (int c = 0; c < bx_; ++c) {
            bool edge = false;
            for (int dr = 0; dr < 2; ++dr)
                for (int dc = 0; dc < 2; ++dc)
                    if (r + dr < by_ && c + dc < bx_ &&
                        static_cast<Where>(blocks_[static_cast<size_t>(r + dr) * static_cast<size_t>(bx_) +
                                                   static_cast<size_t>(c + dc)]) == Where::Crossing)
                        edge = true;
            if (!edge) continue;
            Local l;
            l.ox = xmin_ + c * block_, l.oy = ymin_ + r * block_;
            const double w = 2 * block_;
            const double window[8] = {0, 0, w, 0, w, w, 0, w};
            l.start.push_back(0);
            for (size_t k = 0; k + 1 < ringStart_.size(); ++k) {
                one.clear();
                for (size_t i = ringStart_[k]; i < ringStart_[k + 1]; i += 2)
                    one.push_back(rings_[i] - l.ox), one.push_back(rings_[i + 1] - l.oy);
                for (int e = 0; e < 4 && !one.empty(); ++e) {
                    const int f = (e + 1) % 4;
                    CutRing(one.data(), one.size() / 2, window[2 * e], window[2 * e + 1], window[2 * f],
                            window[2 * f + 1], two);
                    one.swap(two);
                }
                if (one.size() < 6) continue;
                l.xy.insert(l.xy.end(), one.begin(), one.end());
                l.start.push_back(l.xy.size());
            }
            local_[static_cast<size_t>(r) * static_cast<size_t>(bx_) + static_cast<size_t>(c)] =
                static_cast<int32_t>(locals_.size());
            locals_.push_back(std::move(l));
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
    if (n < 3 || n > 64) {
        if (n > 64) ClipWithGeos(xy, n, area, cx, cy);
        return;
    }
    double x0 = xy[0], x1 = xy[0], y0 = xy[1], y1 = xy[1];
    for (int i = 1; i < n; ++i) {
        x0 = std::min(x0, xy[2 * i]), x1 = std::max(x1, xy[2 * i]);
        y0 = std::min(y0, xy[2 * i + 1]), y1 = std::max(y1, xy[2 * i + 1]);
    }
    const Where where = Box(x0, y0, x1, y1);
    if (where == Where::Outside) return;
    // The polygon from an origin of its own, anticlockwise.
    double ox = xy[0], oy = xy[1];
    int block = -1;
    if (where == Where::Crossing) {
        const int c = std::clamp(static_cast<int>(std::floor((x0 - xmin_) / block_)), 0, bx_ - 1);
        const int r = std::clamp(static_cast<int>(std::floor((y0 - ymin_) / block_)), 0, by_ - 1);
        const int32_t l = local_[static_cast<size_t>(r) * static_cast<size_t>(bx_) + static_cast<size_t>(c)];
        // Within the window: beyond the boundary's box the polygon has nothing inside.
        const Local* near = l >= 0 ? &locals_[static_cast<size_t>(l)] : nullptr;
        if (near && std::min(x1, xmax_) <= near->ox + 2 * block_ && std::min(y1, ymax_) <= near->oy + 2 * block_ &&
            std::max(x0, xmin_) >= near->ox && std::max(y0, ymin_) >= near->oy) {
            ox = near->ox, oy = near->oy;
            block = l;
        }
    }
    double poly[128];
    for (int i = 0; i < n; ++i) poly[2 * i] = xy[2 * i] - ox, poly[2 * i + 1] = xy[2 * i + 1] - oy;
    // A polygon of no area (its corners at one point or on a line, as the parts of a
    // piece above or below a level can be) has none inside either: its edges would cut
    // nothing away.
    const double twice = TwiceArea(poly, static_cast<size_t>(n));
    if (twice == 0 || !std::isfinite(twice)) return;
    if (twice < 0)
        for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(poly[2 * i], poly[2 * j]), std::swap(poly[2 * i + 1], poly[2 * j + 1]);
    double a2 = 0, mx6 = 0, my6 = 0;
    if (where == Where::Inside) {
        const std::vector<double> whole(poly, poly + 2 * n);
        AddMoments(whole, a2, mx6, my6);
    } else {
        thread_local std::vector<double> one, two, moved;
        if (block >= 0) {
            const Local& l = locals_[static_cast<size_t>(block)];
            CutByPolygon(l.xy.data(), l.start, poly, n, a2, mx6, my6, one, two);
        } else {
            moved.resize(rings_.size());
            for (size_t i = 0; i < rings_.size(); i += 2) moved[i] = rings_[i] - ox, moved[i + 1] = rings_[i + 1] - oy;
            CutByPolygon(moved.data(), ringStart_, poly, n, a2, mx6, my6, one, two);
        }
    }
    if (!(a2 > 0)) return;
    area = a2 / 2;
    cx = ox + mx6 / (3 * a2);
    cy = oy + my6 / (3 * a2);
}

void AreaClip::ClipWithGeos(const double* xy, int n, double& area, double& cx, double& cy) const {
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
