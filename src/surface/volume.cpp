// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/volume.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <new>
#include <optional>

#include "model/parallel.h"
#include "surface/areaclip.h"
#include "surface/tin.h"
#include "surface/volumetin.h"

namespace aq::surface {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Metres(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// A function linear on the plane: d0 at (ox, oy), rising gx a metre east and gy north.
struct Linear {
    double ox = 0, oy = 0, d0 = 0, gx = 0, gy = 0;
    double At(double x, double y) const { return d0 + gx * (x - ox) + gy * (y - oy); }
};

// The plane through three corners (x y pairs) with levels z; false for a degenerate
// triangle.
bool PlaneThrough(const double xy[6], const double z[3], Linear& out) {
    const double bx = xy[2] - xy[0], by = xy[3] - xy[1];
    const double cx = xy[4] - xy[0], cy = xy[5] - xy[1];
    const double det = bx * cy - by * cx;
    if (det == 0) return false;
    const double dzb = z[1] - z[0], dzc = z[2] - z[0];
    out.ox = xy[0];
    out.oy = xy[1];
    out.d0 = z[0];
    out.gx = (dzb * cy - dzc * by) / det;
    out.gy = (bx * dzc - cx * dzb) / det;
    return true;
}

// a - b, taken at a's origin.
Linear Minus(const Linear& a, const Linear& b) {
    Linear d = a;
    d.d0 = a.d0 - b.At(a.ox, a.oy);
    d.gx = a.gx - b.gx;
    d.gy = a.gy - b.gy;
    return d;
}

// What a part of the work has added up.
struct Sums {
    double cut = 0, fill = 0, cutArea = 0, fillArea = 0, compared = 0, over = 0, coverage = 0;
    void Add(const Sums& o) {
        cut += o.cut, fill += o.fill, cutArea += o.cutArea, fillArea += o.fillArea;
        compared += o.compared, over += o.over, coverage += o.coverage;
    }
};

constexpr int kMaxCorners = 16;

// The part of a convex polygon where the values (linear between the corners) are above
// 0: the polygon cut along the line where they are 0. Returns its corners' number.
int PositivePart(const double* xy, const double* v, int n, double* out, double* outV) {
    int m = 0;
    for (int i = 0; i < n && m < kMaxCorners - 1; ++i) {
        const int j = (i + 1) % n;
        if (v[i] > 0) {
            out[2 * m] = xy[2 * i], out[2 * m + 1] = xy[2 * i + 1], outV[m] = v[i];
            ++m;
        }
        // Where the edge leaves or enters: a corner at 0 itself when it is one.
        if ((v[i] > 0) != (v[j] > 0)) {
            const double t = std::clamp(v[i] / (v[i] - v[j]), 0.0, 1.0);
            out[2 * m] = xy[2 * i] + t * (xy[2 * j] - xy[2 * i]);
            out[2 * m + 1] = xy[2 * i + 1] + t * (xy[2 * j + 1] - xy[2 * i + 1]);
            outV[m] = 0;
            ++m;
        }
    }
    return m >= 3 ? m : 0;
}

// The area of a convex polygon and the integral over it of values linear between its
// corners, by a fan of triangles from the first corner.
void AreaAndIntegral(const double* xy, const double* v, int n, double& area, double& integral) {
    area = integral = 0;
    for (int i = 1; i + 1 < n; ++i) {
        const double ax = xy[2 * i] - xy[0], ay = xy[2 * i + 1] - xy[1];
        const double bx = xy[2 * i + 2] - xy[0], by = xy[2 * i + 3] - xy[1];
        const double a = (ax * by - ay * bx) / 2;
        area += a;
        integral += a * (v[0] + v[i] + v[i + 1]) / 3;
    }
}

// Adds a convex piece on which the difference d (survey less reference) is linear.
void AddPiece(const double* xy, int n, const Linear& d, double overdepth, Sums& sums) {
    double v[kMaxCorners] = {}, part[2 * kMaxCorners], pv[kMaxCorners];
    for (int i = 0; i < n; ++i) v[i] = d.At(xy[2 * i], xy[2 * i + 1]);
    double area, integral;
    AreaAndIntegral(xy, v, n, area, integral);
    sums.compared += area;
    // Wholly above or wholly below: the piece itself (most pieces are).
    bool above = true, below = true;
    for (int i = 0; i < n; ++i) above &= v[i] > 0, below &= v[i] < 0;
    if (above && overdepth <= 0) {
        sums.cut += integral;
        sums.cutArea += area;
        return;
    }
    if (below && overdepth <= 0) {
        sums.fill -= integral;
        sums.fillArea += area;
        return;
    }
    if (int m = PositivePart(xy, v, n, part, pv)) {
        AreaAndIntegral(part, pv, m, area, integral);
        sums.cut += integral;
        sums.cutArea += area;
    }
    for (int i = 0; i < n; ++i) v[i] = -v[i];
    if (int m = PositivePart(xy, v, n, part, pv)) {
        AreaAndIntegral(part, pv, m, area, integral);
        sums.fill += integral;
        sums.fillArea += area;
    }
    if (overdepth > 0) {
        for (int i = 0; i < n; ++i) v[i] = overdepth - v[i];
        if (int m = PositivePart(xy, v, n, part, pv)) {
            AreaAndIntegral(part, pv, m, area, integral);
            sums.over += integral;
        }
    }
}

// The same for a piece crossing the boundary: each part clipped to the area, the
// integral of the linear difference its area times the difference at its centroid.
void AddClippedPiece(const double* xy, int n, const Linear& d, double overdepth, const AreaClip& clip, Sums& sums) {
    double v[kMaxCorners], part[2 * kMaxCorners], pv[kMaxCorners];
    for (int i = 0; i < n; ++i) v[i] = d.At(xy[2 * i], xy[2 * i + 1]);
    double area, cx, cy;
    clip.Clip(xy, n, area, cx, cy);
    if (!(area > 0)) return;
    sums.compared += area;
    if (int m = PositivePart(xy, v, n, part, pv)) {
        clip.Clip(part, m, area, cx, cy);
        sums.cut += area * d.At(cx, cy);
        sums.cutArea += area;
    }
    for (int i = 0; i < n; ++i) v[i] = -v[i];
    if (int m = PositivePart(xy, v, n, part, pv)) {
        clip.Clip(part, m, area, cx, cy);
        sums.fill -= area * d.At(cx, cy);
        sums.fillArea += area;
    }
    if (overdepth > 0) {
        for (int i = 0; i < n; ++i) v[i] = overdepth - v[i];
        if (int m = PositivePart(xy, v, n, part, pv)) {
            clip.Clip(part, m, area, cx, cy);
            sums.over += area * (d.At(cx, cy) + overdepth);
        }
    }
}

// Adds a piece inside the area, the part inside of one on its edge, nothing of one
// outside.
void Measure(const double* xy, int n, const Linear& d, double overdepth, const AreaClip& clip, Sums& sums) {
    double x0 = xy[0], x1 = xy[0], y0 = xy[1], y1 = xy[1];
    for (int i = 1; i < n; ++i) {
        x0 = std::min(x0, xy[2 * i]), x1 = std::max(x1, xy[2 * i]);
        y0 = std::min(y0, xy[2 * i + 1]), y1 = std::max(y1, xy[2 * i + 1]);
    }
    switch (clip.Box(x0, y0, x1, y1)) {
        case AreaClip::Where::Outside: return;
        case AreaClip::Where::Inside: AddPiece(xy, n, d, overdepth, sums); return;
        case AreaClip::Where::Crossing: AddClippedPiece(xy, n, d, overdepth, clip, sums); return;
    }
}

// ---- the reference as triangles on the plane ----

// The reference's triangles: a raster's (two in each square of cell centres, linear
// between them) or a triangulation's, found by where they lie.
class ReferenceTriangles {
public:
    // The level reference has none.
    bool Make(const Reference& r, const Plane& plane, std::string& error) {
        kind_ = r.kind;
        level_ = r.level;
        if (kind_ == ReferenceKind::Level) return true;
        if (kind_ == ReferenceKind::Raster) {
            raster_ = &r.raster;
            ax_ = plane.PlaneX(r.raster.west + 0.5 * r.raster.cellX);
            ay_ = plane.PlaneY(r.raster.north - 0.5 * r.raster.cellY);
            sx_ = r.raster.cellX * plane.kx;
            sy_ = r.raster.cellY * plane.ky;
            return true;
        }
        try {
            if (kind_ == ReferenceKind::Tin) {
                x_.resize(r.tin.x.size());
                y_.resize(r.tin.x.size());
                for (size_t i = 0; i < r.tin.x.size(); ++i) {
                    x_[i] = plane.PlaneX(r.tin.x[i]);
                    y_[i] = plane.PlaneY(r.tin.y[i]);
                }
                z_ = r.tin.z;
                tris_ = r.tin.triangles;
            }
            Index();
        } catch (const std::bad_alloc&) {
            error = "Not enough memory for the reference's triangles.";
            return false;
        }
        return true;
    }

    // A second survey's triangles, its soundings on the survey's plane.
    bool MakeSurvey(const Soundings& s, double maxEdge, size_t tilePoints, std::string& error, UserPort* progress) {
        kind_ = ReferenceKind::Survey;
        try {
            x_ = s.x;
            y_ = s.y;
            z_.assign(s.z.begin(), s.z.end());
            // Each tile's triangles, put together in the order of the tiles.
            std::vector<std::vector<uint32_t>> tiles;
            std::mutex mutex;
            bool failed = false;
            if (!ForEachTriangle(
                    s, maxEdge, tilePoints,
                    [&](unsigned, size_t tile, const uint32_t* c, size_t count) {
                        std::vector<uint32_t> mine;
                        try {
                            mine.assign(c, c + 3 * count);
                            const std::lock_guard lock(mutex);
                            if (tiles.size() <= tile) tiles.resize(tile + 1);
                            tiles[tile] = std::move(mine);
                        } catch (const std::bad_alloc&) {
                            const std::lock_guard lock(mutex);
                            failed = true;
                        }
                    },
                    error, progress, "Triangulating the Reference"))
                return false;
            if (failed) throw std::bad_alloc();
            tris_.clear();
            for (const std::vector<uint32_t>& t : tiles) tris_.insert(tris_.end(), t.begin(), t.end());
            Index();
        } catch (const std::bad_alloc&) {
            error = "Not enough memory for the second survey's triangles.";
            return false;
        }
        return true;
    }

    ReferenceKind Kind() const { return kind_; }
    double Level() const { return level_; }

    // Calls f(xy[6], z[3]) for every triangle whose box meets the box given, once.
    template <class F>
    void Overlapping(double x0, double y0, double x1, double y1, F&& f) const {
        double xy[6], z[3];
        if (kind_ == ReferenceKind::Raster) {
            const Surface& r = *raster_;
            const int c0 = std::max(0, static_cast<int>(std::floor((x0 - ax_) / sx_)));
            const int c1 = std::min(r.nx - 2, static_cast<int>(std::floor((x1 - ax_) / sx_)));
            const int r0 = std::max(0, static_cast<int>(std::floor((ay_ - y1) / sy_)));
            const int r1 = std::min(r.ny - 2, static_cast<int>(std::floor((ay_ - y0) / sy_)));
            QuadTriangle quad[2];
            for (int row = r0; row <= r1; ++row)
                for (int col = c0; col <= c1; ++col) {
                    const int k = QuadTriangles(col, row, quad);
                    for (int t = 0; t < k; ++t) {
                        std::copy(quad[t].xy, quad[t].xy + 6, xy);
                        std::copy(quad[t].z, quad[t].z + 3, z);
                        f(xy, z);
                    }
                }
            return;
        }
        if (tris_.empty()) return;
        const int64_t c0 = std::clamp<int64_t>(Column(x0), 0, nx_ - 1), c1 = std::clamp<int64_t>(Column(x1), 0, nx_ - 1);
        const int64_t r0 = std::clamp<int64_t>(Row(y0), 0, ny_ - 1), r1 = std::clamp<int64_t>(Row(y1), 0, ny_ - 1);
        if (Column(x1) < 0 || Row(y1) < 0 || Column(x0) >= nx_ || Row(y0) >= ny_) return;
        for (int64_t row = r0; row <= r1; ++row)
            for (int64_t col = c0; col <= c1; ++col) {
                const size_t b = static_cast<size_t>(row * nx_ + col);
                for (uint32_t k = start_[b]; k < start_[b + 1]; ++k) {
                    const uint32_t t = items_[k];
                    Corners(t, xy, z);
                    const double tx0 = std::min({xy[0], xy[2], xy[4]}), tx1 = std::max({xy[0], xy[2], xy[4]});
                    const double ty0 = std::min({xy[1], xy[3], xy[5]}), ty1 = std::max({xy[1], xy[3], xy[5]});
                    if (tx0 > x1 || tx1 < x0 || ty0 > y1 || ty1 < y0) continue;
                    // Once: in the first bucket both boxes share.
                    const int64_t fc = std::clamp<int64_t>(std::max(Column(x0), Column(tx0)), 0, nx_ - 1);
                    const int64_t fr = std::clamp<int64_t>(std::max(Row(y0), Row(ty0)), 0, ny_ - 1);
                    if (fc != col || fr != row) continue;
                    f(xy, z);
                }
            }
    }

    // The level at a point; NaN where there is none.
    double At(double x, double y) const {
        if (kind_ == ReferenceKind::Level) return level_;
        double found = kNaN;
        Overlapping(x, y, x, y, [&](const double* xy, const double* z) {
            if (!std::isnan(found)) return;
            const double bx = xy[2] - xy[0], by = xy[3] - xy[1], cx = xy[4] - xy[0], cy = xy[5] - xy[1];
            const double det = bx * cy - by * cx;
            if (det == 0) return;
            const double px = x - xy[0], py = y - xy[1];
            const double wb = (px * cy - py * cx) / det, wc = (bx * py - by * px) / det;
            constexpr double eps = 1e-9;
            if (wb < -eps || wc < -eps || wb + wc > 1 + eps) return;
            found = z[0] + wb * (z[1] - z[0]) + wc * (z[2] - z[0]);
        });
        return found;
    }

private:
    struct QuadTriangle {
        double xy[6], z[3];
    };

    // The triangles of the square of cell centres with its north-west corner at (col,
    // row): two when all four corners have levels (split from north-west to south-east),
    // one when three have, else none.
    int QuadTriangles(int col, int row, QuadTriangle* out) const {
        const Surface& r = *raster_;
        const double xw = ax_ + col * sx_, xe = xw + sx_, yn = ay_ - row * sy_, ys = yn - sy_;
        const double nw = r.At(col, row), ne = r.At(col + 1, row), sw = r.At(col, row + 1), se = r.At(col + 1, row + 1);
        const bool hnw = !std::isnan(nw), hne = !std::isnan(ne), hsw = !std::isnan(sw), hse = !std::isnan(se);
        int k = 0;
        const auto put = [&](double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3,
                             double z3) {
            out[k] = {{x1, y1, x2, y2, x3, y3}, {z1, z2, z3}};
            ++k;
        };
        if (hnw && hsw && hse) put(xw, yn, nw, xw, ys, sw, xe, ys, se);
        if (hnw && hse && hne) put(xw, yn, nw, xe, ys, se, xe, yn, ne);
        if (k == 0 && !hnw && hsw && hse && hne) put(xw, ys, sw, xe, ys, se, xe, yn, ne);
        if (k == 0 && !hse && hnw && hsw && hne) put(xw, yn, nw, xw, ys, sw, xe, yn, ne);
        return k;
    }

    void Corners(uint32_t t, double xy[6], double z[3]) const {
        for (int v = 0; v < 3; ++v) {
            const uint32_t i = tris_[3 * static_cast<size_t>(t) + v];
            xy[2 * v] = x_[i];
            xy[2 * v + 1] = y_[i];
            z[v] = z_[i];
        }
    }

    int64_t Column(double x) const { return static_cast<int64_t>(std::floor((x - bx0_) / bsize_)); }
    int64_t Row(double y) const { return static_cast<int64_t>(std::floor((y - by0_) / bsize_)); }

    // Buckets of the triangles by their boxes.
    void Index() {
        const size_t n = tris_.size() / 3;
        if (n == 0) return;
        double xmin = INFINITY, xmax = -INFINITY, ymin = INFINITY, ymax = -INFINITY;
        for (const uint32_t i : tris_) {
            xmin = std::min(xmin, x_[i]), xmax = std::max(xmax, x_[i]);
            ymin = std::min(ymin, y_[i]), ymax = std::max(ymax, y_[i]);
        }
        bx0_ = xmin, by0_ = ymin;
        bsize_ = std::max(std::sqrt((xmax - xmin) * (ymax - ymin) / static_cast<double>(n)) * 1.5, 1e-6);
        while (((xmax - xmin) / bsize_ + 1) * ((ymax - ymin) / bsize_ + 1) > 2e7) bsize_ *= 2;
        nx_ = static_cast<int64_t>((xmax - xmin) / bsize_) + 1;
        ny_ = static_cast<int64_t>((ymax - ymin) / bsize_) + 1;
        start_.assign(static_cast<size_t>(nx_ * ny_) + 1, 0);
        double xy[6], z[3];
        const auto each = [&](auto&& put) {
            for (size_t t = 0; t < n; ++t) {
                Corners(static_cast<uint32_t>(t), xy, z);
                const int64_t c0 = Column(std::min({xy[0], xy[2], xy[4]})), c1 = Column(std::max({xy[0], xy[2], xy[4]}));
                const int64_t r0 = Row(std::min({xy[1], xy[3], xy[5]})), r1 = Row(std::max({xy[1], xy[3], xy[5]}));
                for (int64_t r = r0; r <= r1; ++r)
                    for (int64_t c = c0; c <= c1; ++c) put(static_cast<size_t>(r * nx_ + c), static_cast<uint32_t>(t));
            }
        };
        each([&](size_t b, uint32_t) { ++start_[b + 1]; });
        for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
        items_.resize(start_.back());
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        each([&](size_t b, uint32_t t) { items_[fill[b]++] = t; });
    }

    ReferenceKind kind_ = ReferenceKind::Level;
    double level_ = 0;
    const Surface* raster_ = nullptr;
    double ax_ = 0, ay_ = 0, sx_ = 1, sy_ = 1;  // the raster's first centre on the plane, and its steps
    std::vector<double> x_, y_, z_;
    std::vector<uint32_t> tris_;
    double bx0_ = 0, by0_ = 0, bsize_ = 1;
    int64_t nx_ = 0, ny_ = 0;
    std::vector<uint32_t> start_, items_;
};

// ---- the methods ----

VolumeFigures FiguresOf(const char* method, const Sums& s, double areaMeasured, double overdepth) {
    VolumeFigures f;
    f.method = method;
    f.cut = s.cut;
    f.fill = s.fill;
    f.cutArea = s.cutArea;
    f.fillArea = s.fillArea;
    f.compared = s.compared;
    f.uncovered = std::max(0.0, areaMeasured - s.compared);
    // Rounding must not show a sliver of area as uncovered.
    if (f.uncovered < 1e-9 * std::max(1.0, areaMeasured)) f.uncovered = 0;
    f.overdepth = overdepth > 0;
    f.withinOverdepth = overdepth > 0 ? std::max(0.0, s.over - s.cut) : 0;
    return f;
}

// The prisms of the survey's triangles over the reference's, clipped to the area: a
// batch of triangles (a tile's) at a time, from either part, summed tile by tile.
class Prisms {
public:
    Prisms(const Soundings& s, const ReferenceTriangles& ref, const AreaClip& clip, double overdepth)
        : s_(s), ref_(ref), clip_(clip), overdepth_(overdepth) {}

    void operator()(unsigned, size_t tile, const uint32_t* c, size_t count) {
        Sums sum;
        double xy[6], z[3], overlap[12];
        try {
            for (size_t t = 0; t < count; ++t) {
                for (int v = 0; v < 3; ++v) {
                    const uint32_t i = c[3 * t + v];
                    xy[2 * v] = s_.x[i];
                    xy[2 * v + 1] = s_.y[i];
                    z[v] = s_.z[i];
                }
                Linear a;
                if (!PlaneThrough(xy, z, a)) continue;
                sum.coverage += ((xy[2] - xy[0]) * (xy[5] - xy[1]) - (xy[3] - xy[1]) * (xy[4] - xy[0])) / 2;
                if (ref_.Kind() == ReferenceKind::Level) {
                    a.d0 -= ref_.Level();
                    Measure(xy, 3, a, overdepth_, clip_, sum);
                    continue;
                }
                const double x0 = std::min({xy[0], xy[2], xy[4]}), x1 = std::max({xy[0], xy[2], xy[4]});
                const double y0 = std::min({xy[1], xy[3], xy[5]}), y1 = std::max({xy[1], xy[3], xy[5]});
                ref_.Overlapping(x0, y0, x1, y1, [&](const double* bxy, const double* bz) {
                    Linear b;
                    if (!PlaneThrough(bxy, bz, b)) return;
                    const int n = TriangleOverlap(xy, bxy, overlap);
                    if (n >= 3) Measure(overlap, n, Minus(a, b), overdepth_, clip_, sum);
                });
            }
            const std::lock_guard lock(mutex_);
            if (tiles_.size() <= tile) tiles_.resize(tile + 1);
            tiles_[tile] = sum;
        } catch (const std::bad_alloc&) {
            failed_.store(true);
        }
    }

    // The sums, or false with the reason.
    bool Total(Sums& total, std::string& error) const {
        if (failed_.load()) {
            error = "Not enough memory to measure the triangles.";
            return false;
        }
        // In the order of the tiles, whichever thread measured which: the same sums
        // every time.
        total = Sums{};
        for (const Sums& t : tiles_) total.Add(t);
        return true;
    }

private:
    const Soundings& s_;
    const ReferenceTriangles& ref_;
    const AreaClip& clip_;
    double overdepth_;
    std::vector<Sums> tiles_;
    std::mutex mutex_;
    std::atomic<bool> failed_{false};
};

// Prisms of the survey's triangles over the reference's, clipped to the area.
bool TinMethod(const Soundings& s, const ReferenceTriangles& ref, const AreaClip& clip, const VolumeOptions& o,
               double maxEdge, Sums& total, std::string& error, UserPort* progress) {
    Prisms prisms(s, ref, clip, o.overdepth);
    // Within a boundary, only triangles over its box are wanted.
    double box[4];
    if (clip.Active()) clip.Bounds(box[0], box[1], box[2], box[3]);
    if (!ForEachTriangle(s, maxEdge, o.tilePoints, prisms, error, progress, "Measuring the Triangles",
                         clip.Active() ? box : nullptr, o.threads))
        return false;
    return prisms.Total(total, error);
}

// The levels of a survey on a grid, made by the method the options name.
bool SurveyGrid(const Soundings& s, const GridGeometry& g, const VolumeOptions& o, double maxEdge,
                std::vector<float>& level, std::string& error, UserPort* progress, const TriangleBatch* owned = nullptr) {
    try {
        level.assign(g.Cells(), std::numeric_limits<float>::quiet_NaN());
    } catch (const std::bad_alloc&) {
        error = "Not enough memory for a grid of " + std::to_string(g.nx) + " x " + std::to_string(g.ny) + " cells.";
        return false;
    }
    if (o.method == Method::Tin)
        return TinSoundings(s, g, maxEdge, level.data(), error, progress, o.tilePoints, owned, o.threads);
    if (o.method == Method::Idw) return IdwSoundings(s, g, 2 * g.cell, 1, level.data(), error, progress);
    BinOutputs out;
    out.level = level.data();
    return BinSoundings(s, g, o.method, 1, out, error, progress);
}

struct GridSums {
    Sums sums;
    double measured = 0;
};

// The cells' differences, each cell weighted by the part of it within the area.
bool GridMethod(const Soundings& s, const Soundings* second, const ReferenceTriangles& ref, const AreaClip& clip,
                const VolumeOptions& o, const GridGeometry& g, double maxEdge, Sums& total, Surface& difference,
                std::string& error, UserPort* progress, const TriangleBatch* owned = nullptr) {
    std::vector<float> survey, other;
    if (!SurveyGrid(s, g, o, maxEdge, survey, error, progress, owned)) return false;
    if (second && !SurveyGrid(*second, g, o, maxEdge, other, error, progress)) return false;
    const double area = g.cell * g.cell;
    std::vector<float>& diff = survey;  // the survey's levels become the difference
    Phase phase(progress, "Measuring the Grid");
    Sums sums[2];
    const double overdepth = o.overdepth;
    ParallelSettings settings;
    settings.minimum = 64;
    settings.parts = std::clamp(o.threads, 1u, 2u);
    settings.slices = 8;
    settings.sliceMinimum = 256;
    ParallelFor(
        static_cast<size_t>(g.ny), settings,
        [&](unsigned p, size_t rb, size_t re) {
            const unsigned part = std::min(p, 1u);
            Sums& sum = sums[part];
            for (size_t row = rb; row < re; ++row) {
                const double cy = g.CentreY(static_cast<int64_t>(row));
                for (int64_t col = 0; col < g.nx; ++col) {
                    const size_t c = row * static_cast<size_t>(g.nx) + static_cast<size_t>(col);
                    const float level = survey[c];
                    if (std::isnan(level)) continue;
                    const double cx = g.CentreX(col);
                    const auto where = clip.Box(cx - g.cell / 2, cy - g.cell / 2, cx + g.cell / 2, cy + g.cell / 2);
                    if (where == AreaClip::Where::Outside) {
                        diff[c] = std::numeric_limits<float>::quiet_NaN();
                        continue;
                    }
                    sum.coverage += where == AreaClip::Where::Inside ? area : 0;
                    const double r = second ? static_cast<double>(other[c]) : ref.At(cx, cy);
                    if (std::isnan(r)) {
                        diff[c] = std::numeric_limits<float>::quiet_NaN();
                        continue;
                    }
                    const double d = level - r;
                    diff[c] = static_cast<float>(d);
                    // A cell on the boundary counts by the part of it inside.
                    double inside = area;
                    if (where == AreaClip::Where::Crossing) {
                        const double h = g.cell / 2;
                        const double xy[8] = {cx - h, cy - h, cx + h, cy - h, cx + h, cy + h, cx - h, cy + h};
                        double mx, my;
                        clip.Clip(xy, 4, inside, mx, my);
                        if (!(inside > 0)) {
                            diff[c] = std::numeric_limits<float>::quiet_NaN();
                            continue;
                        }
                    }
                    sum.compared += inside;
                    if (d > 0) sum.cut += d * inside, sum.cutArea += inside;
                    if (d < 0) sum.fill -= d * inside, sum.fillArea += inside;
                    if (overdepth > 0 && d + overdepth > 0) sum.over += (d + overdepth) * inside;
                }
            }
        },
        [&](size_t done) { phase.At(done, static_cast<uint64_t>(g.ny)); });
    total = Sums{};
    total.Add(sums[0]);
    total.Add(sums[1]);
    difference = Surface{};
    difference.west = s.plane.SurveyX(g.x0);
    difference.north = s.plane.SurveyY(g.y0 + static_cast<double>(g.ny) * g.cell);
    difference.cellX = g.cell / s.plane.kx;
    difference.cellY = g.cell / s.plane.ky;
    difference.nx = static_cast<int>(g.nx);
    difference.ny = static_cast<int>(g.ny);
    difference.elevation = std::move(diff);
    return true;
}

// ---- cross sections ----

struct Station {
    double chainage, x, y, ux, uy;  // plane; (ux, uy) along the line
};

// Stations every `spacing` metres along the line from its start, and its end.
std::vector<Station> Stations(const std::vector<double>& x, const std::vector<double>& y, double spacing) {
    std::vector<Station> out;
    std::vector<double> at(x.size(), 0);
    for (size_t i = 1; i < x.size(); ++i) at[i] = at[i - 1] + std::hypot(x[i] - x[i - 1], y[i] - y[i - 1]);
    const double length = at.back();
    if (!(length > 0)) return out;
    const auto stationAt = [&](double ch) {
        size_t i = 1;
        while (i + 1 < x.size() && (at[i] < ch || at[i] == at[i - 1])) ++i;
        // The segment holding the chainage (a zero-length one is passed over).
        while (i > 1 && at[i - 1] > ch) --i;
        const double len = at[i] - at[i - 1];
        const double t = len > 0 ? std::clamp((ch - at[i - 1]) / len, 0.0, 1.0) : 0;
        Station s;
        s.chainage = ch;
        s.x = x[i - 1] + t * (x[i] - x[i - 1]);
        s.y = y[i - 1] + t * (y[i] - y[i - 1]);
        s.ux = len > 0 ? (x[i] - x[i - 1]) / len : 1;
        s.uy = len > 0 ? (y[i] - y[i - 1]) / len : 0;
        return s;
    };
    const auto count = static_cast<size_t>(std::floor(length / spacing + 1e-9));
    for (size_t k = 0; k <= count; ++k) out.push_back(stationAt(std::min(length, static_cast<double>(k) * spacing)));
    if (length - out.back().chainage > 1e-6 * std::max(1.0, length)) out.push_back(stationAt(length));
    return out;
}

// The positive part of a difference linear from da to db over a length.
void Split(double da, double db, double length, double& cutArea, double& fillArea, double& cutWidth,
           double& fillWidth) {
    if (!(length > 0)) return;
    if (da >= 0 && db >= 0) {
        cutArea += (da + db) / 2 * length;
        if (da > 0 || db > 0) cutWidth += length;
        return;
    }
    if (da <= 0 && db <= 0) {
        fillArea -= (da + db) / 2 * length;
        fillWidth += length;
        return;
    }
    const double t = da / (da - db);  // where it is 0
    if (da > 0) {
        cutArea += da * t * length / 2, cutWidth += t * length;
        fillArea -= db * (1 - t) * length / 2, fillWidth += (1 - t) * length;
    } else {
        fillArea -= da * t * length / 2, fillWidth += t * length;
        cutArea += db * (1 - t) * length / 2, cutWidth += (1 - t) * length;
    }
}

struct SectionSums {
    double cut = 0, fill = 0, cutWidth = 0, fillWidth = 0, covered = 0, width = 0, over = 0;
};

// The sections' profiles and their areas within the area.
bool MakeSections(const Soundings& s, const Soundings* second, const ReferenceTriangles* design, bool againstSecond,
                  const AreaClip& clip, const VolumeOptions& o, double maxEdge, double cell,
                  std::vector<SectionProfile>& out, std::vector<SectionSums>& sums, std::string& error,
                  UserPort* progress) {
    if (!(o.spacing > 0) || !std::isfinite(o.spacing)) {
        error = "The spacing of the cross sections must be a length above 0 m, not " + Metres(o.spacing) + ".";
        return false;
    }
    if (!(o.width > 0) || !std::isfinite(o.width)) {
        error = "The width of the cross sections must be a length above 0 m, not " + Metres(o.width) + ".";
        return false;
    }
    if (o.centreLine.x.size() < 2) {
        error = "The cross sections need a centre line of at least two points.";
        return false;
    }
    Phase phase(progress, "Cross Sections");
    std::vector<double> lx(o.centreLine.x.size()), ly(o.centreLine.y.size());
    for (size_t i = 0; i < lx.size(); ++i) lx[i] = s.plane.PlaneX(o.centreLine.x[i]), ly[i] = s.plane.PlaneY(o.centreLine.y[i]);
    const std::vector<Station> stations = Stations(lx, ly, o.spacing);
    if (stations.empty()) {
        error = "The centre line has no length.";
        return false;
    }
    if (stations.size() > 100000) {
        error = "The spacing of " + Metres(o.spacing) + " m makes " + std::to_string(stations.size()) +
                " cross sections; 100000 at most.";
        return false;
    }
    double step = o.step > 0 ? o.step : std::min(o.width / 200, cell > 0 ? cell : o.width / 200);
    auto points = static_cast<size_t>(std::ceil(o.width / step)) + 1;
    if (points > 20001) points = 20001;
    const size_t n = stations.size();
    std::vector<std::vector<double>> px(n), py(n);
    std::vector<std::vector<double>> offsets(n);
    std::vector<std::vector<std::pair<double, double>>> inside(n);
    for (size_t k = 0; k < n; ++k) {
        const Station& st = stations[k];
        // Across, to the left looking along the line is negative: the right-hand normal.
        const double rx = st.uy, ry = -st.ux;
        const double left = -o.width / 2;
        const double ax = st.x + left * rx, ay = st.y + left * ry;
        const double bx = st.x - left * rx, by = st.y - left * ry;
        // The ends of the parts inside the area are points of the section too.
        std::vector<double> at;
        for (size_t p = 0; p < points; ++p) at.push_back(left + o.width * static_cast<double>(p) / static_cast<double>(points - 1));
        inside[k] = clip.Inside(ax, ay, bx, by);
        for (const auto& [t0, t1] : inside[k]) at.push_back(left + t0 * o.width), at.push_back(left + t1 * o.width);
        std::sort(at.begin(), at.end());
        at.erase(std::unique(at.begin(), at.end(), [](double a, double b) { return std::fabs(a - b) < 1e-9; }), at.end());
        offsets[k] = at;
        for (const double a : at) {
            px[k].push_back(st.x + a * rx);
            py[k].push_back(st.y + a * ry);
        }
        phase.At(k, n * 3);
    }
    std::vector<std::vector<double>> zs, zo;
    if (!SampleAlongLines(s, maxEdge, px, py, zs, error)) return false;
    phase.At(n, 3 * n);
    if (second && !SampleAlongLines(*second, maxEdge, px, py, zo, error)) return false;
    phase.At(2 * n, 3 * n);
    out.assign(n, SectionProfile{});
    sums.assign(n, SectionSums{});
    for (size_t k = 0; k < n; ++k) {
        SectionProfile& p = out[k];
        const Station& st = stations[k];
        p.chainage = st.chainage;
        p.x = s.plane.SurveyX(st.x);
        p.y = s.plane.SurveyY(st.y);
        p.offset = offsets[k];
        p.survey = zs[k];
        for (size_t i = 0; i < p.offset.size(); ++i) {
            p.px.push_back(s.plane.SurveyX(px[k][i]));
            p.py.push_back(s.plane.SurveyY(py[k][i]));
        }
        if (second) p.against = zo[k];
        if (design) {
            p.design.resize(p.offset.size());
            for (size_t i = 0; i < p.offset.size(); ++i) p.design[i] = design->At(px[k][i], py[k][i]);
        }
        const std::vector<double>& ref = againstSecond ? p.against : p.design;
        // The areas, between points within the area measured (the ends of the parts
        // inside are points of the section: the middle of an interval tells).
        SectionSums& sum = sums[k];
        double dummyW = 0, dummyF = 0, dummyFW = 0;
        for (size_t i = 0; i + 1 < p.offset.size(); ++i) {
            const double len = p.offset[i + 1] - p.offset[i];
            const double t = ((p.offset[i] + p.offset[i + 1]) / 2 + o.width / 2) / o.width;
            bool in = false;
            for (const auto& [t0, t1] : inside[k]) in |= t >= t0 && t <= t1;
            if (!in) continue;
            sum.width += len;
            if (ref.empty()) continue;
            const double a = p.survey[i] - ref[i], b = p.survey[i + 1] - ref[i + 1];
            if (std::isnan(a) || std::isnan(b)) continue;
            sum.covered += len;
            Split(a, b, len, sum.cut, sum.fill, sum.cutWidth, sum.fillWidth);
            if (o.overdepth > 0) Split(a + o.overdepth, b + o.overdepth, len, sum.over, dummyF, dummyW, dummyFW);
        }
        p.cutArea = sum.cut;
        p.fillArea = sum.fill;
        p.coveredWidth = sum.covered;
        p.width = sum.width;
    }
    return true;
}

// The volumes of the sections: by average end areas, and prismoidal (Simpson's rule over
// pairs of equal intervals, end areas for an interval left over).
void SectionVolumes(const std::vector<SectionProfile>& p, const std::vector<SectionSums>& s, double overdepth,
                    VolumeFigures& endArea, VolumeFigures& prismoidal) {
    endArea = VolumeFigures{};
    endArea.method = "end-area";
    prismoidal = VolumeFigures{};
    prismoidal.method = "prismoidal";
    double measured = 0, measuredP = 0;
    const auto field = [](const SectionSums& x, int f) {
        switch (f) {
            case 0: return x.cut;
            case 1: return x.fill;
            case 2: return x.cutWidth;
            case 3: return x.fillWidth;
            case 4: return x.covered;
            case 5: return x.width;
            default: return x.over;
        }
    };
    double e[7] = {}, q[7] = {};
    for (size_t i = 0; i + 1 < p.size(); ++i) {
        const double l = p[i + 1].chainage - p[i].chainage;
        for (int f = 0; f < 7; ++f) e[f] += (field(s[i], f) + field(s[i + 1], f)) / 2 * l;
    }
    size_t i = 0;
    while (i + 1 < p.size()) {
        const double l1 = p[i + 1].chainage - p[i].chainage;
        const double l2 = i + 2 < p.size() ? p[i + 2].chainage - p[i + 1].chainage : -1;
        if (i + 2 < p.size() && std::fabs(l1 - l2) <= 1e-9 * std::max(1.0, l1)) {
            for (int f = 0; f < 7; ++f)
                q[f] += l1 / 3 * (field(s[i], f) + 4 * field(s[i + 1], f) + field(s[i + 2], f));
            i += 2;
        } else {
            for (int f = 0; f < 7; ++f) q[f] += (field(s[i], f) + field(s[i + 1], f)) / 2 * l1;
            i += 1;
        }
    }
    measured = e[5];
    measuredP = q[5];
    const auto fill = [&](VolumeFigures& v, const double* a, double m) {
        v.cut = a[0], v.fill = a[1], v.cutArea = a[2], v.fillArea = a[3], v.compared = a[4];
        v.uncovered = std::max(0.0, m - a[4]);
        if (v.uncovered < 1e-9 * std::max(1.0, m)) v.uncovered = 0;
        v.overdepth = overdepth > 0;
        v.withinOverdepth = overdepth > 0 ? std::max(0.0, a[6] - a[0]) : 0;
    };
    fill(endArea, e, measured);
    fill(prismoidal, q, measuredP);
}

// The soundings of `from` on the plane of `to`.
Soundings OnPlane(const Soundings& from, const Plane& plane) {
    Soundings out = from;
    out.plane = plane;
    if (from.plane.x0 == plane.x0 && from.plane.y0 == plane.y0 && from.plane.kx == plane.kx && from.plane.ky == plane.ky)
        return out;
    for (size_t i = 0; i < out.size(); ++i) {
        out.x[i] = plane.PlaneX(from.plane.SurveyX(from.x[i]));
        out.y[i] = plane.PlaneY(from.plane.SurveyY(from.y[i]));
    }
    return out;
}

bool LengthOk(double v, bool zeroOk, const char* what, std::string& error) {
    if ((zeroOk && v == 0) || (v > 0 && std::isfinite(v))) return true;
    error = std::string(what) + " must be a length above 0 m, not " + Metres(v) + ".";
    return false;
}

// The longest edge and cell the options give, or those of the survey.
bool Resolve(const Soundings& s, const VolumeOptions& o, double& maxEdge, double& cell, std::string& error) {
    if (!LengthOk(o.maxEdge, true, "The longest edge", error) || !LengthOk(o.cell, true, "The cell size", error))
        return false;
    if (!(o.overdepth >= 0) || !std::isfinite(o.overdepth)) {
        error = "The overdepth must be 0 m or more, not " + Metres(o.overdepth) + ".";
        return false;
    }
    const double spacing = (o.maxEdge > 0 && o.cell > 0) ? 0 : MedianLineSpacing(s);
    maxEdge = o.maxEdge > 0 ? o.maxEdge : 3 * spacing;
    if (!(maxEdge > 0)) {
        error = "The soundings do not show how far apart the survey lines are (a single line?), which gives the "
                "longest edge of the triangles: give it.";
        return false;
    }
    cell = o.cell > 0 ? o.cell : ContourCell(s, spacing);
    if (!(cell > 0)) cell = maxEdge / 15;
    return true;
}

// The grid over the survey, within the boundary's box.
bool PlanVolumeGrid(const Soundings& s, const AreaClip& clip, double cell, GridGeometry& g, std::string& error) {
    const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
    const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
    double x0 = *xlo, y0 = *ylo, x1 = *xhi, y1 = *yhi;
    if (clip.Active()) {
        double bx0, by0, bx1, by1;
        clip.Bounds(bx0, by0, bx1, by1);
        x0 = std::max(x0, bx0), y0 = std::max(y0, by0), x1 = std::min(x1, bx1), y1 = std::min(y1, by1);
        if (x0 > x1 || y0 > y1) {
            error = "The boundary does not overlap the survey.";
            return false;
        }
    }
    g = GridGeometry{};
    g.cell = cell;
    g.x0 = std::floor(x0 / cell + 1e-6) * cell;
    g.y0 = std::floor(y0 / cell + 1e-6) * cell;
    const double nx = std::floor((x1 - g.x0) / cell + 1e-6) + 1, ny = std::floor((y1 - g.y0) / cell + 1e-6) + 1;
    if (nx * ny > 4.0e8) {
        error = "A grid of " + Metres(nx) + " x " + Metres(ny) + " cells of " + Metres(cell) +
                " m is more than the volumes take (400 million cells): choose a larger cell.";
        return false;
    }
    g.nx = static_cast<int64_t>(nx);
    g.ny = static_cast<int64_t>(ny);
    return true;
}

}  // namespace

bool MeasureVolumes(const Soundings& survey, const Reference& reference, const VolumeOptions& o, VolumeResult& out,
                    std::string& error, UserPort* progress) {
    out = VolumeResult{};
    if (survey.size() < 3) {
        error = "The survey has too few soundings to measure a volume.";
        return false;
    }
    if (!o.grid && !o.tin && !o.sections) {
        error = "No method of measuring was chosen.";
        return false;
    }
    double maxEdge = 0, cell = 0;
    if (!Resolve(survey, o, maxEdge, cell, error)) return false;
    out.maxEdge = maxEdge;
    out.cell = cell;
    AreaClip clip;
    if (!clip.Make(o.boundary, survey.plane, error)) return false;

    Soundings second;
    const bool isSurvey = reference.kind == ReferenceKind::Survey;
    if (isSurvey) {
        try {
            second = OnPlane(reference.survey, survey.plane);
        } catch (const std::bad_alloc&) {
            error = "Not enough memory for the second survey's soundings.";
            return false;
        }
    }
    ReferenceTriangles ref;
    if (!ref.Make(reference, survey.plane, error)) return false;

    Sums gridSums, tinSums;
    // The grid's surface by TIN and the TIN method against a design take their triangles
    // from one triangulation: the prisms are measured as the grid's tiles are made. (A
    // second survey's grid is made from its own triangulation, which the TIN method does
    // not use.)
    const bool together = o.grid && o.tin && o.method == Method::Tin && !isSurvey;
    std::optional<Prisms> prisms;
    if (together) prisms.emplace(survey, ref, clip, o.overdepth);
    if (o.grid) {
        GridGeometry g;
        if (!PlanVolumeGrid(survey, clip, cell, g, error)) return false;
        std::optional<TriangleBatch> owned;
        if (together) owned.emplace(*prisms);
        if (!GridMethod(survey, isSurvey ? &second : nullptr, ref, clip, o, g, maxEdge, gridSums, out.difference, error,
                        progress, owned ? &*owned : nullptr))
            return false;
        out.difference.crs = CoordinateSystem{};
        const double measured = clip.Active() ? clip.Area() : gridSums.coverage;
        out.figures.push_back(FiguresOf("grid", gridSums, measured, o.overdepth));
    }
    if (together) {
        if (!prisms->Total(tinSums, error)) return false;
        const double measured = clip.Active() ? clip.Area() : tinSums.coverage;
        out.figures.push_back(FiguresOf("tin", tinSums, measured, o.overdepth));
    } else if (o.tin) {
        ReferenceTriangles secondTriangles;
        if (isSurvey && !secondTriangles.MakeSurvey(second, maxEdge, o.tilePoints, error, progress)) return false;
        if (!TinMethod(survey, isSurvey ? secondTriangles : ref, clip, o, maxEdge, tinSums, error, progress)) return false;
        const double measured = clip.Active() ? clip.Area() : tinSums.coverage;
        out.figures.push_back(FiguresOf("tin", tinSums, measured, o.overdepth));
    }
    out.areaMeasured = clip.Active() ? clip.Area() : o.tin ? tinSums.coverage : gridSums.coverage;
    if (o.sections) {
        std::vector<SectionSums> sums;
        if (!MakeSections(survey, isSurvey ? &second : nullptr, isSurvey ? nullptr : &ref, isSurvey, clip, o, maxEdge,
                          cell, out.sections, sums, error, progress))
            return false;
        VolumeFigures endArea, prismoidal;
        SectionVolumes(out.sections, sums, o.overdepth, endArea, prismoidal);
        out.figures.push_back(endArea);
        out.figures.push_back(prismoidal);
    }
    bool overlap = false;
    for (const VolumeFigures& f : out.figures) overlap |= f.compared > 0;
    if (!overlap) {
        error = clip.Active() ? "The survey and the reference do not overlap within the boundary: there is nothing "
                                "to measure."
                              : "The survey and the reference do not overlap: there is nothing to measure.";
        return false;
    }
    return true;
}

bool MeasureSections(const Soundings& survey, const Soundings* second, const Reference* design,
                     const VolumeOptions& o, std::vector<SectionProfile>& out, std::string& error,
                     UserPort* progress) {
    out.clear();
    if (survey.size() < 3) {
        error = "The survey has too few soundings for cross sections.";
        return false;
    }
    double maxEdge = 0, cell = 0;
    if (!Resolve(survey, o, maxEdge, cell, error)) return false;
    AreaClip clip;
    if (!clip.Make(o.boundary, survey.plane, error)) return false;
    Soundings other;
    if (second) other = OnPlane(*second, survey.plane);
    ReferenceTriangles ref;
    if (design && !ref.Make(*design, survey.plane, error)) return false;
    std::vector<SectionSums> sums;
    return MakeSections(survey, second ? &other : nullptr, design ? &ref : nullptr, !design && second, clip, o,
                        maxEdge, cell, out, sums, error, progress);
}

DifferencePicture PictureOf(const Surface& d, const Boundary& boundary, const Plane& plane) {
    DifferencePicture p;
    p.west = d.west;
    p.north = d.north;
    p.cellX = d.cellX;
    p.cellY = d.cellY;
    p.groundX = d.cellX * plane.kx;
    p.groundY = d.cellY * plane.ky;
    p.nx = d.nx;
    p.ny = d.ny;
    p.difference = d.elevation;
    for (const std::vector<Ring>& polygon : boundary.polygons)
        for (const Ring& r : polygon) {
            std::vector<std::pair<double, double>> ring;
            for (size_t i = 0; i < r.x.size(); ++i) ring.emplace_back(r.x[i], r.y[i]);
            p.boundary.push_back(std::move(ring));
        }
    return p;
}

}  // namespace aq::surface

namespace aq::surface {

VolumeReport ReportOf(const VolumeResult& r, const VolumeOptions& o, const std::string& survey,
                      const Reference& reference, const std::string& centreLine, const CoordinateSystem& crs,
                      const Plane& plane) {
    VolumeReport report;
    report.title = "Volumes";
    auto& in = report.inputs;
    in.emplace_back("Survey", survey);
    switch (reference.kind) {
        case ReferenceKind::Level: in.emplace_back("Reference", "design level " + Metres(reference.level) + " m"); break;
        case ReferenceKind::Raster: in.emplace_back("Reference", "design surface " + reference.description); break;
        case ReferenceKind::Tin: in.emplace_back("Reference", "design " + reference.description + " (triangulated)"); break;
        case ReferenceKind::Survey: in.emplace_back("Reference", "second survey " + reference.description); break;
    }
    in.emplace_back("Area", o.boundary.Empty() ? std::string("the survey's coverage") : "boundary: " + o.boundary.source);
    in.emplace_back("Area measured", Fixed2(r.areaMeasured) + " m2");
    in.emplace_back("Coordinate system", crs.name.empty() ? std::string("not known") : crs.name);
    std::string methods;
    for (const VolumeFigures& f : r.figures) methods += (methods.empty() ? "" : ", ") + f.method;
    in.emplace_back("Methods", methods);
    if (o.grid) in.emplace_back("Grid", Metres(r.cell) + " m cells, surfaces by " + MethodName(o.method));
    in.emplace_back("Longest triangle edge", Metres(r.maxEdge) + " m");
    if (o.overdepth > 0) in.emplace_back("Overdepth", Metres(o.overdepth) + " m below the design");
    if (o.sections)
        in.emplace_back("Cross sections", std::to_string(r.sections.size()) + " along " + centreLine + ", every " +
                                              Metres(o.spacing) + " m, " + Metres(o.width) + " m wide");
    report.figures = r.figures;
    report.plan = PictureOf(r.difference, o.boundary, plane);
    report.sections = r.sections;
    report.reference = reference.kind == ReferenceKind::Survey ? "second survey" : "design";
    return report;
}

}  // namespace aq::surface
