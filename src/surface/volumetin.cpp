// SPDX-License-Identifier: GPL-3.0-or-later
// The volumes' use of CGAL: the survey's triangles, a design's constrained
// triangulation and the overlap of two triangles. Its templates are built here once.
#include "surface/volumetin.h"

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#include <CGAL/intersections.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "surface/buckets.h"
#include "surface/surface.h"
#include "surface/tin.h"

namespace aq::surface {

namespace {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = Kernel::Point_2;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<uint32_t, Kernel>;
using Tds = CGAL::Triangulation_data_structure_2<VertexBase>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Tds>;

// A design point's index; none for a corner made where two constraints cross.
struct DesignIndex {
    uint32_t i = UINT32_MAX;
};
using CdtVertex = CGAL::Triangulation_vertex_base_with_info_2<DesignIndex, Kernel>;
using CdtFace = CGAL::Constrained_triangulation_face_base_2<Kernel>;
using CdtTds = CGAL::Triangulation_data_structure_2<CdtVertex, CdtFace>;
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel, CdtTds, CGAL::Exact_predicates_tag>;

}  // namespace

bool ForEachTriangle(const Soundings& s, double maxEdge, size_t tilePoints, TriangleBatch batch, std::string& error,
                     UserPort* progress, const char* phaseName) {
    if (!(maxEdge > 0) || !std::isfinite(maxEdge)) {
        error = "The longest edge of the triangles must be a length above 0 m.";
        return false;
    }
    if (tilePoints == 0) tilePoints = kTinTilePoints;
    const size_t n = s.size();
    if (n < 3) return true;
    Phase phase(progress, phaseName);
    const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
    const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
    const double x0 = *xlo, y0 = *ylo;
    const double spanX = std::max(*xhi - x0, 1e-6), spanY = std::max(*yhi - y0, 1e-6);
    // Tiles square, of about tilePoints soundings, and wide beside their margin.
    const double margin = 2 * maxEdge;
    double side = std::max(spanX, spanY) * (1 + 1e-9) + 1e-6;
    if (n > tilePoints) {
        const double density = static_cast<double>(n) / (spanX * spanY);
        side = std::min(side, std::max(std::sqrt(static_cast<double>(tilePoints) / density), 8 * margin));
    }
    const auto tx = static_cast<int64_t>(std::floor(spanX / side)) + 1;
    const auto ty = static_cast<int64_t>(std::floor(spanY / side)) + 1;
    if (static_cast<double>(tx) * static_cast<double>(ty) > 1e8) {
        error = "The survey is too large for tiles of its triangulation.";
        return false;
    }
    const double l2 = maxEdge * maxEdge;
    try {
        const Buckets buckets(s.x, s.y, x0, y0, side, static_cast<int>(tx), static_cast<int>(ty));
        const auto ring = static_cast<int64_t>(std::ceil(margin / side));
        const size_t tiles = static_cast<size_t>(tx * ty);
        std::atomic<bool> failed{false};
        std::vector<std::pair<Point, uint32_t>> points[2];
        std::vector<uint32_t> found[2];
        ParallelSettings settings;
        settings.minimum = 2;
        settings.slices = std::min<size_t>(tiles, 32);
        settings.sliceMinimum = 2;
        ParallelFor(
            tiles, settings,
            [&](unsigned p, size_t b, size_t e) {
                const unsigned part = std::min(p, 1u);
                std::vector<std::pair<Point, uint32_t>>& pts = points[part];
                std::vector<uint32_t>& tris = found[part];
                for (size_t k = b; k < e && !failed.load(); ++k) {
                    const auto a = static_cast<int64_t>(k) % tx, r = static_cast<int64_t>(k) / tx;
                    // The tile's own area; the last tile of a row or column reaches on
                    // past the soundings.
                    const double cx0 = x0 + static_cast<double>(a) * side, cx1 = cx0 + side;
                    const double cy0 = y0 + static_cast<double>(r) * side, cy1 = cy0 + side;
                    const bool lastX = a == tx - 1, lastY = r == ty - 1;
                    try {
                        pts.clear();
                        tris.clear();
                        for (int64_t br = std::max<int64_t>(0, r - ring); br <= std::min(ty - 1, r + ring); ++br)
                            for (int64_t bc = std::max<int64_t>(0, a - ring); bc <= std::min(tx - 1, a + ring); ++bc)
                                for (const uint32_t i : buckets.In(bc, br))
                                    if (s.x[i] >= cx0 - margin && s.x[i] <= cx1 + margin && s.y[i] >= cy0 - margin &&
                                        s.y[i] <= cy1 + margin)
                                        pts.emplace_back(Point(s.x[i], s.y[i]), i);
                        if (pts.size() < 3) continue;
                        Delaunay dt;
                        dt.insert(pts.begin(), pts.end());
                        for (const auto f : dt.finite_face_handles()) {
                            const Point& pa = f->vertex(0)->point();
                            const Point& pb = f->vertex(1)->point();
                            const Point& pc = f->vertex(2)->point();
                            const double bx = pb.x() - pa.x(), by = pb.y() - pa.y();
                            const double qx = pc.x() - pa.x(), qy = pc.y() - pa.y();
                            const double ex = pc.x() - pb.x(), ey = pc.y() - pb.y();
                            if (bx * bx + by * by > l2 || qx * qx + qy * qy > l2 || ex * ex + ey * ey > l2) continue;
                            if (!(bx * qy - by * qx > 0)) continue;
                            // The tile the centroid lies in has the triangle.
                            const double gx = (pa.x() + pb.x() + pc.x()) / 3, gy = (pa.y() + pb.y() + pc.y()) / 3;
                            if (gx < cx0 || gy < cy0 || (gx >= cx1 && !lastX) || (gy >= cy1 && !lastY)) continue;
                            tris.push_back(f->vertex(0)->info());
                            tris.push_back(f->vertex(1)->info());
                            tris.push_back(f->vertex(2)->info());
                        }
                        batch(part, tris.data(), tris.size() / 3);
                    } catch (const std::bad_alloc&) {
                        failed.store(true);
                    }
                }
            },
            [&](size_t done) { phase.At(done, tiles); });
        if (failed.load()) throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to triangulate " + std::to_string(n) + " soundings.";
        return false;
    }
    return true;
}

bool SampleAlongLines(const Soundings& s, double maxEdge, const std::vector<std::vector<double>>& px,
                      const std::vector<std::vector<double>>& py, std::vector<std::vector<double>>& z,
                      std::string& error) {
    const size_t lines = px.size();
    z.assign(lines, {});
    for (size_t k = 0; k < lines; ++k) z[k].assign(px[k].size(), std::numeric_limits<double>::quiet_NaN());
    if (s.size() < 3 || lines == 0) return true;
    const double reach = 2 * maxEdge, l2 = maxEdge * maxEdge;
    try {
        const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
        const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
        // Buckets about as wide as the reach, at most some 4 million of them.
        double size = std::max(reach, 1e-3);
        const double spanX = *xhi - *xlo, spanY = *yhi - *ylo;
        while ((spanX / size + 1) * (spanY / size + 1) > 4e6) size *= 2;
        const Buckets buckets(s.x, s.y, *xlo, *ylo, size, static_cast<int>(spanX / size) + 1,
                              static_cast<int>(spanY / size) + 1);
        std::atomic<bool> failed{false};
        ParallelSettings settings;
        settings.minimum = 2;
        ParallelFor(lines, settings, [&](unsigned, size_t b, size_t e) {
            std::vector<std::pair<Point, uint32_t>> pts;
            for (size_t k = b; k < e && !failed.load(); ++k) {
                const std::vector<double>& x = px[k];
                const std::vector<double>& y = py[k];
                if (x.empty()) continue;
                try {
                    const double ax = x.front(), ay = y.front(), bx = x.back(), by = y.back();
                    const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
                    pts.clear();
                    const int64_t c0 = buckets.Column(std::min(ax, bx) - reach), c1 = buckets.Column(std::max(ax, bx) + reach);
                    const int64_t r0 = buckets.Row(std::min(ay, by) - reach), r1 = buckets.Row(std::max(ay, by) + reach);
                    for (int64_t r = std::max<int64_t>(r0, 0); r <= std::min<int64_t>(r1, buckets.Ny() - 1); ++r)
                        for (int64_t c = std::max<int64_t>(c0, 0); c <= std::min<int64_t>(c1, buckets.Nx() - 1); ++c)
                            for (const uint32_t i : buckets.In(c, r)) {
                                // Within the reach of the segment.
                                double t = len2 > 0 ? ((s.x[i] - ax) * dx + (s.y[i] - ay) * dy) / len2 : 0;
                                t = std::clamp(t, 0.0, 1.0);
                                const double ex = s.x[i] - (ax + t * dx), ey = s.y[i] - (ay + t * dy);
                                if (ex * ex + ey * ey <= reach * reach) pts.emplace_back(Point(s.x[i], s.y[i]), i);
                            }
                    if (pts.size() < 3) continue;
                    Delaunay dt;
                    dt.insert(pts.begin(), pts.end());
                    Delaunay::Face_handle hint;
                    for (size_t p = 0; p < x.size(); ++p) {
                        const Point q(x[p], y[p]);
                        Delaunay::Locate_type type;
                        int li = 0;
                        const Delaunay::Face_handle found = dt.locate(q, type, li, hint);
                        if (found == Delaunay::Face_handle()) continue;
                        const auto kept = [&](Delaunay::Face_handle f) {
                            if (dt.is_infinite(f)) return false;
                            for (int e = 0; e < 3; ++e) {
                                const Point& u = f->vertex(e)->point();
                                const Point& w = f->vertex((e + 1) % 3)->point();
                                if ((u.x() - w.x()) * (u.x() - w.x()) + (u.y() - w.y()) * (u.y() - w.y()) > l2) return false;
                            }
                            return true;
                        };
                        // On a sounding: its level, when a kept triangle has it.
                        if (type == Delaunay::VERTEX) {
                            const Delaunay::Vertex_handle v = found->vertex(li);
                            auto f = dt.incident_faces(v), end = f;
                            bool any = false;
                            do any |= kept(f); while (!any && ++f != end);
                            if (any) z[k][p] = s.z[v->info()];
                            if (!dt.is_infinite(found)) hint = found;
                            continue;
                        }
                        // A point on the edge of the surface may be found in the face
                        // beyond it: its neighbours that are kept hold it too.
                        for (int cand = -1; cand < 3; ++cand) {
                            const Delaunay::Face_handle f = cand < 0 ? found : found->neighbor(cand);
                            if (dt.is_infinite(f)) continue;
                            const Point& pa = f->vertex(0)->point();
                            const Point& pb = f->vertex(1)->point();
                            const Point& pc = f->vertex(2)->point();
                            const double ux = pb.x() - pa.x(), uy = pb.y() - pa.y();
                            const double vx = pc.x() - pa.x(), vy = pc.y() - pa.y();
                            const double wx = pc.x() - pb.x(), wy = pc.y() - pb.y();
                            if (ux * ux + uy * uy > l2 || vx * vx + vy * vy > l2 || wx * wx + wy * wy > l2) continue;
                            const double det = ux * vy - uy * vx;
                            if (!(det > 0)) continue;
                            const double qx = q.x() - pa.x(), qy = q.y() - pa.y();
                            const double wb = (qx * vy - qy * vx) / det, wc = (ux * qy - uy * qx) / det;
                            constexpr double eps = 1e-9;
                            if (wb < -eps || wc < -eps || wb + wc > 1 + eps) continue;
                            const double za = s.z[f->vertex(0)->info()];
                            z[k][p] = za + wb * (s.z[f->vertex(1)->info()] - za) + wc * (s.z[f->vertex(2)->info()] - za);
                            break;
                        }
                        if (!dt.is_infinite(found)) hint = found;
                    }
                } catch (const std::bad_alloc&) {
                    failed.store(true);
                }
            }
        });
        if (failed.load()) throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to triangulate the soundings along the cross sections.";
        return false;
    }
    return true;
}

bool TriangulateDesign(const std::vector<double>& x, const std::vector<double>& y,
                       const std::vector<std::vector<uint32_t>>& polylines, std::vector<uint32_t>& triangles,
                       std::string& error) {
    triangles.clear();
    try {
        Cdt cdt;
        std::vector<Cdt::Vertex_handle> handles(x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            handles[i] = cdt.insert(Point(x[i], y[i]));
            // A point at the place of an earlier one keeps the earlier's index.
            if (handles[i]->info().i == UINT32_MAX) handles[i]->info().i = static_cast<uint32_t>(i);
        }
        for (const std::vector<uint32_t>& line : polylines)
            for (size_t k = 1; k < line.size(); ++k)
                if (handles[line[k - 1]] != handles[line[k]]) cdt.insert_constraint(handles[line[k - 1]], handles[line[k]]);
        for (const auto f : cdt.finite_face_handles()) {
            // Corners of constraints crossing each other are new points, with no level:
            // their faces are left out (they are rare and small).
            bool known = true;
            for (int v = 0; v < 3; ++v) known &= f->vertex(v)->info().i != UINT32_MAX;
            if (!known) continue;
            for (int v = 0; v < 3; ++v) triangles.push_back(f->vertex(v)->info().i);
        }
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to triangulate the design's " + std::to_string(x.size()) + " points.";
        return false;
    } catch (const std::exception& e) {
        error = std::string("The design could not be triangulated: ") + e.what();
        return false;
    }
    if (triangles.empty()) {
        error = "The design's points make no triangle (fewer than three, or all in a line).";
        return false;
    }
    return true;
}

int TriangleOverlap(const double a[6], const double b[6], double out[12]) {
    const Kernel::Triangle_2 ta(Point(a[0], a[1]), Point(a[2], a[3]), Point(a[4], a[5]));
    const Kernel::Triangle_2 tb(Point(b[0], b[1]), Point(b[2], b[3]), Point(b[4], b[5]));
    if (ta.is_degenerate() || tb.is_degenerate()) return 0;
    const auto result = CGAL::intersection(ta, tb);
    if (!result) return 0;
    std::vector<Point> corners;
    if (const auto* t = boost::get<Kernel::Triangle_2>(&*result)) {
        for (int i = 0; i < 3; ++i) corners.push_back(t->vertex(i));
    } else if (const auto* v = boost::get<std::vector<Point>>(&*result)) {
        corners = *v;
    } else {
        return 0;  // a point or a segment: no area
    }
    if (corners.size() < 3 || corners.size() > 6) return 0;
    // Anticlockwise.
    double area2 = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point& p = corners[i];
        const Point& q = corners[(i + 1) % corners.size()];
        area2 += p.x() * q.y() - q.x() * p.y();
    }
    if (area2 < 0) std::reverse(corners.begin(), corners.end());
    for (size_t i = 0; i < corners.size(); ++i) {
        out[2 * i] = corners[i].x();
        out[2 * i + 1] = corners[i].y();
    }
    return static_cast<int>(corners.size());
}

}  // namespace aq::surface
