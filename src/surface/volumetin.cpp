// SPDX-License-Identifier: GPL-3.0-or-later
// The one unit that includes CGAL's triangulations, so that their templates are built
// once and the allocator below is theirs everywhere: the survey's triangulation a tile at
// a time (for the triangulated surface and the volumes' triangles), the triangulations
// along cross sections, a design's constrained triangulation and the overlap of two
// triangles.
#include <cstddef>
#include <new>
#include <unordered_map>
#include <vector>

namespace aq::surface::cgalmemory {

// The blocks of memory CGAL's containers take for a triangulation's vertices and faces,
// given back when it is destroyed and handed out again to the next one on the thread: a
// tile's triangulation takes the same sizes of blocks as the tile's before it, and the
// blocks are then neither returned to the system nor faulted in afresh, tile after tile.
// One a thread at a time, while it is current; it frees what it holds when destroyed.
class BlockCache {
public:
    BlockCache() = default;
    ~BlockCache() {
        for (auto& [bytes, list] : free_)
            for (void* p : list) ::operator delete(p);
    }
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    void* Take(size_t bytes) {
        const auto it = free_.find(bytes);
        if (it != free_.end() && !it->second.empty()) {
            void* p = it->second.back();
            it->second.pop_back();
            return p;
        }
        return ::operator new(bytes);
    }
    void Give(void* p, size_t bytes) noexcept {
        try {
            free_[bytes].push_back(p);
        } catch (...) {
            ::operator delete(p);
        }
    }

    // The cache of the calling thread, if any.
    static BlockCache*& Current() {
        static thread_local BlockCache* current = nullptr;
        return current;
    }

private:
    std::unordered_map<size_t, std::vector<void*>> free_;
};

// Makes a cache the thread's current one for a while.
class UseCache {
public:
    explicit UseCache(BlockCache& c) : before_(BlockCache::Current()) { BlockCache::Current() = &c; }
    ~UseCache() { BlockCache::Current() = before_; }
    UseCache(const UseCache&) = delete;
    UseCache& operator=(const UseCache&) = delete;

private:
    BlockCache* before_;
};

// CGAL's containers' allocator in this unit: through the thread's cache when it has one.
template <class T>
class Recycling {
public:
    using value_type = T;
    Recycling() noexcept = default;
    template <class U>
    Recycling(const Recycling<U>&) noexcept {}  // NOLINT(google-explicit-constructor): rebinding
    T* allocate(size_t n) {
        BlockCache* c = BlockCache::Current();
        return static_cast<T*>(c ? c->Take(n * sizeof(T)) : ::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept {
        if (BlockCache* c = BlockCache::Current()) c->Give(p, n * sizeof(T));
        else ::operator delete(p);
    }
    template <class U>
    bool operator==(const Recycling<U>&) const noexcept {
        return true;
    }
    template <class U>
    bool operator!=(const Recycling<U>&) const noexcept {
        return false;
    }
};

}  // namespace aq::surface::cgalmemory

#define CGAL_ALLOCATOR(T) ::aq::surface::cgalmemory::Recycling<T>

#include "surface/volumetin.h"

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>
#include <CGAL/intersections.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
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

// The index of a point on Hilbert's curve through a 16384 x 16384 grid (without
// branches: the turns are masks).
uint32_t HilbertIndex(uint32_t x, uint32_t y) {
    uint32_t d = 0;
    for (int s = 13; s >= 0; --s) {
        const uint32_t rx = (x >> s) & 1u, ry = (y >> s) & 1u;
        d |= ((3 * rx) ^ ry) << (2 * s);
        // The quarter's own curve: mirrored when rx and not ry, turned when not ry.
        const uint32_t flip = 0u - (rx & (ry ^ 1u));
        x ^= flip, y ^= flip;
        const uint32_t swap = (x ^ y) & (0u - (ry ^ 1u));
        x ^= swap, y ^= swap;
    }
    return d;
}

// A sounding on its way into a triangulation: where it comes in the order of insertion,
// and its index and position.
struct Item {
    uint32_t key;
    uint32_t i;
    double x, y;
};

// What a thread keeps from one triangulation to the next.
struct Scratch {
    std::vector<uint32_t> found;        // the soundings to triangulate
    std::vector<Item> items, spare;     // in the order of insertion, sorting
    std::vector<uint32_t> triangles;    // the kept ones, three corners each
    cgalmemory::BlockCache blocks;
};

// The round a sounding is inserted in: a quarter of the soundings of a round are in the
// rounds before it, chosen by a hash of the sounding's index.
uint32_t Round(uint32_t i) {
    uint64_t z = (static_cast<uint64_t>(i) + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<uint32_t>(std::min(std::countl_zero(z) / 2, 15));
}

// The Delaunay triangulation of the soundings listed in `found`: inserted one by one in
// rounds of growing size (a quarter of each round's soundings before it, as CGAL's own
// spatial sort has them), each round along Hilbert's curve through their box, each
// sounding found from the one before. CGAL's insertion of a range orders them alike, but
// through an index and more slowly. Of soundings at one position the vertex keeps the
// lowest index. The Delaunay triangulation of points is one whatever the order they come
// in (CGAL breaks ties of four points on a circle symbolically), so tiles agree where
// they overlap.
void Triangulate(const Soundings& s, Scratch& w, Delaunay& dt) {
    const std::vector<uint32_t>& found = w.found;
    const size_t n = found.size();
    if (n == 0) return;
    double x0 = s.x[found[0]], x1 = x0, y0 = s.y[found[0]], y1 = y0;
    for (const uint32_t i : found) {
        x0 = std::min(x0, s.x[i]), x1 = std::max(x1, s.x[i]);
        y0 = std::min(y0, s.y[i]), y1 = std::max(y1, s.y[i]);
    }
    // One scale both ways, so that the curve's squares stay square.
    const double span = std::max(x1 - x0, y1 - y0);
    const double scale = span > 0 ? 16383.0 / span : 0;
    // The positions travel with the keys (read from the soundings in the order found,
    // which is in runs), so that the insertion reads them in order.
    w.items.resize(n);
    for (size_t k = 0; k < n; ++k) {
        Item& it = w.items[k];
        it.i = found[k];
        it.x = s.x[it.i], it.y = s.y[it.i];
        const auto qx = static_cast<uint32_t>(std::clamp((it.x - x0) * scale, 0.0, 16383.0));
        const auto qy = static_cast<uint32_t>(std::clamp((it.y - y0) * scale, 0.0, 16383.0));
        // The later rounds sort after the earlier: the round counted down.
        it.key = ((15 - Round(it.i)) << 28) | HilbertIndex(qx, qy);
    }
    // Radix sort, 11, 11 and 10 bits at a time (stable: ties keep their order).
    w.spare.resize(n);
    constexpr int kShift[3] = {0, 11, 22}, kBits[3] = {11, 11, 10};
    for (int pass = 0; pass < 3; ++pass) {
        const uint32_t mask = (1u << kBits[pass]) - 1;
        const int shift = kShift[pass];
        size_t count[2049] = {};
        for (const Item& it : w.items) ++count[((it.key >> shift) & mask) + 1];
        if (count[((w.items[0].key >> shift) & mask) + 1] == n) continue;  // one value: in order already
        for (uint32_t b = 0; b < mask + 1; ++b) count[b + 1] += count[b];
        for (const Item& it : w.items) w.spare[count[(it.key >> shift) & mask]++] = it;
        w.items.swap(w.spare);
    }
    Delaunay::Face_handle hint;
    for (const Item& it : w.items) {
        const size_t before = dt.number_of_vertices();
        const Delaunay::Vertex_handle v = dt.insert(Point(it.x, it.y), hint);
        if (v == Delaunay::Vertex_handle()) continue;
        if (dt.number_of_vertices() > before || it.i < v->info()) v->info() = it.i;
        hint = v->face();
    }
}

// The faces of a triangulation whose edges are all at most sqrt(l2) long, anticlockwise:
// those the tile owns first (their number returned), then those of its margin.
size_t KeptTriangles(const Delaunay& dt, double l2, const TinTile& tile, std::vector<uint32_t>& out) {
    // One array for both: the owned from its start, the others from its end.
    out.resize(3 * dt.number_of_faces());
    size_t front = 0, back = out.size();
    for (const auto f : dt.finite_face_handles()) {
        const Point& pa = f->vertex(0)->point();
        const Point& pb = f->vertex(1)->point();
        const Point& pc = f->vertex(2)->point();
        const double bx = pb.x() - pa.x(), by = pb.y() - pa.y();
        const double qx = pc.x() - pa.x(), qy = pc.y() - pa.y();
        const double ex = pc.x() - pb.x(), ey = pc.y() - pb.y();
        if (bx * bx + by * by > l2 || qx * qx + qy * qy > l2 || ex * ex + ey * ey > l2) continue;
        if (!(bx * qy - by * qx > 0)) continue;
        const uint32_t c[3] = {f->vertex(0)->info(), f->vertex(1)->info(), f->vertex(2)->info()};
        if (tile.Owns(c, pa.x(), pa.y(), pb.x(), pb.y(), pc.x(), pc.y())) {
            std::copy(c, c + 3, out.begin() + static_cast<std::ptrdiff_t>(front));
            front += 3;
        } else {
            back -= 3;
            std::copy(c, c + 3, out.begin() + static_cast<std::ptrdiff_t>(back));
        }
    }
    const size_t owned = front / 3;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(front), out.begin() + static_cast<std::ptrdiff_t>(back));
    return owned;
}

}  // namespace

bool TriangulateTiles(const Soundings& s, const TinTiles& t, double maxEdge, TileTriangles work, std::string& error,
                      UserPort* progress, const char* phaseName) {
    if (!(maxEdge > 0) || !std::isfinite(maxEdge)) {
        error = "The longest edge of the triangles must be a length above 0 m.";
        return false;
    }
    const size_t n = s.size();
    if (n < 3) return true;
    Phase phase(progress, phaseName);
    const GridGeometry& g = t.g;
    const double sizeX = static_cast<double>(t.sideX) * g.cell, sizeY = static_cast<double>(t.sideY) * g.cell;
    const double margin = t.margin;
    // One bucket a tile, with rings of buckets around the grid for the margin, as far as
    // there are soundings out there.
    const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
    const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
    const double reach = std::max({g.x0 - *xlo, *xhi - (g.x0 + static_cast<double>(g.nx) * g.cell), g.y0 - *ylo,
                                   *yhi - (g.y0 + static_cast<double>(g.ny) * g.cell), 0.0});
    // Tiles a tile's margin reaches, and rings of buckets outside the grid.
    const auto ringX = static_cast<int64_t>(std::ceil(margin / sizeX));
    const auto ringY = static_cast<int64_t>(std::ceil(margin / sizeY));
    const auto outX = static_cast<int64_t>(std::ceil(std::min(margin, reach) / sizeX));
    const auto outY = static_cast<int64_t>(std::ceil(std::min(margin, reach) / sizeY));
    const int64_t tx = t.tx, ty = t.ty;
    if (static_cast<double>(tx + 2 * outX) * static_cast<double>(ty + 2 * outY) > 1e8) {
        error = "The survey is too large for tiles of its triangulation.";
        return false;
    }
    const double l2 = maxEdge * maxEdge;
    constexpr double inf = std::numeric_limits<double>::infinity();
    try {
        const Buckets buckets(s.x, s.y, g.x0 - static_cast<double>(outX) * sizeX,
                              g.y0 - static_cast<double>(outY) * sizeY, sizeX, sizeY, static_cast<int>(tx + 2 * outX),
                              static_cast<int>(ty + 2 * outY));
        const size_t tiles = static_cast<size_t>(tx * ty);
        // The tiles largest first (by the soundings of their own buckets), so that the
        // last ones the threads take are small and neither waits long for the other.
        std::vector<std::pair<size_t, size_t>> order(tiles);
        for (size_t k = 0; k < tiles; ++k) {
            const auto a = static_cast<int64_t>(k) % tx, r = static_cast<int64_t>(k) / tx;
            order[k] = {buckets.In(a + outX, r + outY).size(), k};
        }
        std::stable_sort(order.begin(), order.end(), [](const auto& p, const auto& q) { return p.first > q.first; });
        std::atomic<size_t> next{0}, done{0};
        std::atomic<bool> failed{false};
        Scratch scratch[2];
        ParallelSettings settings;
        settings.minimum = 2;
        settings.parts = std::clamp(t.threads, 1u, 2u);
        ParallelFor(settings.parts, settings, [&](unsigned p, size_t, size_t) {
            const unsigned part = std::min(p, 1u);
            Scratch& w = scratch[part];
            const cgalmemory::UseCache use(w.blocks);
            for (size_t taken = next++; taken < tiles && !failed.load(); taken = next++) {
                const size_t k = order[taken].second;
                const auto a = static_cast<int64_t>(k) % tx, r = static_cast<int64_t>(k) / tx;
                TinTile tile;
                tile.index = k;
                tile.c0 = a * t.sideX, tile.c1 = std::min(g.nx, (a + 1) * t.sideX);
                tile.r0 = r * t.sideY, tile.r1 = std::min(g.ny, (r + 1) * t.sideY);
                const double ex0 = g.x0 + static_cast<double>(tile.c0) * g.cell;
                const double ex1 = g.x0 + static_cast<double>(tile.c1) * g.cell;
                const double ey0 = g.y0 + static_cast<double>(tile.r0) * g.cell;
                const double ey1 = g.y0 + static_cast<double>(tile.r1) * g.cell;
                tile.x0 = a == 0 ? -inf : ex0, tile.x1 = a == tx - 1 ? inf : ex1;
                tile.y0 = r == 0 ? -inf : ey0, tile.y1 = r == ty - 1 ? inf : ey1;
                const double xlo = ex0 - margin, xhi = ex1 + margin, ylo = ey0 - margin, yhi = ey1 + margin;
                try {
                    w.found.clear();
                    // Room for every sounding of the buckets, taken at once: no growing.
                    size_t most = 0;
                    for (int64_t br = std::max<int64_t>(0, r + outY - ringY);
                         br <= std::min<int64_t>(buckets.Ny() - 1, r + outY + ringY); ++br)
                        for (int64_t bc = std::max<int64_t>(0, a + outX - ringX);
                             bc <= std::min<int64_t>(buckets.Nx() - 1, a + outX + ringX); ++bc)
                            most += buckets.In(bc, br).size();
                    w.found.reserve(most);
                    const int64_t br0 = std::max<int64_t>(0, r + outY - ringY);
                    const int64_t br1 = std::min<int64_t>(buckets.Ny() - 1, r + outY + ringY);
                    const int64_t bc0 = std::max<int64_t>(0, a + outX - ringX);
                    const int64_t bc1 = std::min<int64_t>(buckets.Nx() - 1, a + outX + ringX);
                    for (int64_t br = br0; br <= br1; ++br)
                        for (int64_t bc = bc0; bc <= bc1; ++bc) {
                            const std::span<const uint32_t> in = buckets.In(bc, br);
                            // A bucket wholly within the margin is taken whole.
                            const double bx0 = buckets.X0() + static_cast<double>(bc) * sizeX;
                            const double by0 = buckets.Y0() + static_cast<double>(br) * sizeY;
                            if (bx0 >= xlo && bx0 + sizeX <= xhi && by0 >= ylo && by0 + sizeY <= yhi) {
                                w.found.insert(w.found.end(), in.begin(), in.end());
                                continue;
                            }
                            for (const uint32_t i : in)
                                if (s.x[i] >= xlo && s.x[i] <= xhi && s.y[i] >= ylo && s.y[i] <= yhi)
                                    w.found.push_back(i);
                        }
                    if (w.found.size() >= 3) {
                        size_t owned = 0;
                        {
                            Delaunay dt;
                            Triangulate(s, w, dt);
                            owned = KeptTriangles(dt, l2, tile, w.triangles);
                        }
                        work(part, tile, w.triangles.data(), owned, w.triangles.size() / 3);
                    }
                } catch (const std::bad_alloc&) {
                    failed.store(true);
                }
                ++done;
                // The calling thread tells how far the work is.
                if (p == 0) phase.At(done.load(), tiles);
            }
        });
        if (failed.load()) throw std::bad_alloc();
        // The other thread may have made the last tiles.
        phase.At(tiles, tiles);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to triangulate " + std::to_string(n) + " soundings.";
        return false;
    }
    return true;
}

bool ForEachTriangle(const Soundings& s, double maxEdge, size_t tilePoints, TriangleBatch batch, std::string& error,
                     UserPort* progress, const char* phaseName, const double* within, unsigned threads) {
    if (!(maxEdge > 0) || !std::isfinite(maxEdge)) {
        error = "The longest edge of the triangles must be a length above 0 m.";
        return false;
    }
    const size_t n = s.size();
    if (n < 3) return true;
    const auto [xlo, xhi] = std::minmax_element(s.x.begin(), s.x.end());
    const auto [ylo, yhi] = std::minmax_element(s.y.begin(), s.y.end());
    double x0 = *xlo, y0 = *ylo, x1 = *xhi, y1 = *yhi;
    if (within) {
        // Triangles wholly outside the box need not be found: tiles over the box alone.
        x0 = std::max(x0, within[0] - maxEdge), y0 = std::max(y0, within[1] - maxEdge);
        x1 = std::min(x1, within[2] + maxEdge), y1 = std::min(y1, within[3] + maxEdge);
        if (x0 > x1 || y0 > y1) return true;
    }
    // Cells a quarter of the longest edge: the tiles' edges fall on them.
    GridGeometry g;
    g.cell = maxEdge / 4;
    g.x0 = x0, g.y0 = y0;
    g.nx = static_cast<int64_t>(std::floor((x1 - x0) / g.cell)) + 1;
    g.ny = static_cast<int64_t>(std::floor((y1 - y0) / g.cell)) + 1;
    if (static_cast<double>(g.nx) * static_cast<double>(g.ny) > 1e15) {
        error = "The survey is too large for tiles of its triangulation.";
        return false;
    }
    TinTiles tiles = PlanTinTiles(s, g, maxEdge, tilePoints);
    tiles.threads = threads;
    return TriangulateTiles(
        s, tiles, maxEdge,
        [&](unsigned part, const TinTile& tile, const uint32_t* corners, size_t owned, size_t) {
            batch(part, tile.index, corners, owned);
        },
        error, progress, phaseName);
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
            Scratch w;
            const cgalmemory::UseCache use(w.blocks);
            std::vector<uint32_t>& pts = w.found;
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
                                if (ex * ex + ey * ey <= reach * reach) pts.push_back(i);
                            }
                    if (pts.size() < 3) continue;
                    Delaunay dt;
                    Triangulate(s, w, dt);
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

bool TriangulateDesign(std::vector<double>& x, std::vector<double>& y, std::vector<double>& z,
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
        // Where constraints cross, the triangulation has made a corner of its own: it
        // takes the level of each polyline through it, linear along the segment, and the
        // mean where two give two.
        for (const auto v : cdt.finite_vertex_handles()) {
            if (v->info().i != UINT32_MAX) continue;
            const double px = v->point().x(), py = v->point().y();
            // Each segment through the corner (within the rounding of the crossing's
            // position), or failing any, the nearest: a crossing of segments all but
            // parallel is found less exactly.
            double sum = 0, nearest = std::numeric_limits<double>::infinity(), nearestLevel = 0;
            int count = 0;
            for (int pass = 0; pass < 2 && count == 0; ++pass)
                for (const std::vector<uint32_t>& line : polylines)
                    for (size_t k = 1; k < line.size(); ++k) {
                        const uint32_t a = line[k - 1], b = line[k];
                        const double dx = x[b] - x[a], dy = y[b] - y[a], len2 = dx * dx + dy * dy;
                        if (!(len2 > 0)) continue;
                        const double tol = 1e-9 * (std::sqrt(len2) + std::fabs(px) + std::fabs(py)) + 1e-12;
                        if (pass == 0 && (px < std::min(x[a], x[b]) - tol || px > std::max(x[a], x[b]) + tol ||
                                          py < std::min(y[a], y[b]) - tol || py > std::max(y[a], y[b]) + tol))
                            continue;
                        const double t = std::clamp(((px - x[a]) * dx + (py - y[a]) * dy) / len2, 0.0, 1.0);
                        const double off = std::hypot(x[a] + t * dx - px, y[a] + t * dy - py);
                        const double level = z[a] + t * (z[b] - z[a]);
                        if (pass == 1) {
                            if (off < nearest) nearest = off, nearestLevel = level;
                            continue;
                        }
                        if (off > tol) continue;
                        sum += level;
                        ++count;
                    }
            if (count == 0 && std::isfinite(nearest)) sum = nearestLevel, count = 1;
            if (count == 0) continue;  // no polyline at all (cannot be): its faces are left out
            v->info().i = static_cast<uint32_t>(x.size());
            x.push_back(px);
            y.push_back(py);
            z.push_back(sum / count);
        }
        for (const auto f : cdt.finite_face_handles()) {
            bool levelled = true;
            for (int v = 0; v < 3; ++v) levelled &= f->vertex(v)->info().i != UINT32_MAX;
            if (!levelled) continue;
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
