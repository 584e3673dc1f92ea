// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/soundings.h"

#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <numbers>

#include "export/export.h"
#include "export/textformats.h"
#include "model/doc.h"
#include "model/parallel.h"
#include "surface/buckets.h"
#include "surface/crs.h"
#include "surface/surface.h"

namespace aq::surface {

Plane Plane::Geographic(double lon, double lat) {
    // The lengths of a degree of longitude and latitude at `lat` on the WGS 84 ellipsoid.
    constexpr double a = 6378137.0;
    constexpr double f = 1.0 / 298.257223563;
    constexpr double e2 = f * (2.0 - f);
    const double phi = lat * std::numbers::pi / 180.0;
    const double s = std::sin(phi);
    const double w = 1.0 - e2 * s * s;
    const double meridian = a * (1.0 - e2) / (w * std::sqrt(w));
    const double normal = a / std::sqrt(w);
    Plane p;
    p.x0 = lon;
    p.y0 = lat;
    p.kx = std::max(normal * std::cos(phi), 1.0) * std::numbers::pi / 180.0;
    p.ky = meridian * std::numbers::pi / 180.0;
    return p;
}

namespace {

// A survey in messages: its file, or its place on the command line.
std::string SurveyName(const CVKDoc& doc, size_t k) {
    if (!doc.PathName.empty()) return doc.PathName;
    return k == 0 ? std::string("the open survey") : "survey " + std::to_string(k + 1);
}

bool SameCrs(const CoordinateSystem& a, const CoordinateSystem& b) {
    if (a.wkt == b.wkt) return true;
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* pa = proj_create(ctx, a.wkt.c_str());
    PJ* pb = proj_create(ctx, b.wkt.c_str());
    const bool same = pa && pb && proj_is_equivalent_to_with_ctx(ctx, pa, pb, PJ_COMP_EQUIVALENT);
    if (pa) proj_destroy(pa);
    if (pb) proj_destroy(pb);
    proj_context_destroy(ctx);
    return same;
}

// A piece of one survey's records, gathered by one thread.
struct Chunk {
    const CVKDoc* doc = nullptr;
    size_t begin = 0;
    size_t end = 0;
    size_t count = 0;
    size_t at = 0;  // where its soundings go
    double xmin = std::numeric_limits<double>::infinity();
    double xmax = -std::numeric_limits<double>::infinity();
    double ymin = std::numeric_limits<double>::infinity();
    double ymax = -std::numeric_limits<double>::infinity();
};

constexpr size_t kChunkRecords = size_t{1} << 16;

ExportSelection DepthsOnly() {
    ExportSelection selection;
    selection.EntityMask = REC_DEPTH;
    return selection;
}

}  // namespace

bool CollectSoundings(std::span<const CVKDoc* const> docs, Soundings& out, std::string& error, UserPort* progress) {
    out = Soundings{};
    if (docs.empty()) {
        error = "There is no survey to make a surface of.";
        return false;
    }
    const bool geographic = docs[0]->IsGeographic();
    const CoordinateSystem first = DocumentCrs(*docs[0]);
    for (size_t k = 1; k < docs.size(); ++k) {
        if (docs[k]->IsGeographic() != geographic) {
            error = SurveyName(*docs[k], k) + (docs[k]->IsGeographic() ? " is in longitude and latitude and "
                                                                         : " is on a grid and ") +
                    SurveyName(*docs[0], 0) + (geographic ? " in longitude and latitude" : " on a grid") +
                    ": they cannot make one surface.";
            return false;
        }
        const CoordinateSystem crs = DocumentCrs(*docs[k]);
        if (!SameCrs(crs, first)) {
            error = SurveyName(*docs[k], k) + " is in " + crs.name + " and " + SurveyName(*docs[0], 0) + " in " +
                    first.name + ": they cannot make one surface until they are in one coordinate system.";
            return false;
        }
    }

    std::vector<Chunk> chunks;
    for (const CVKDoc* doc : docs) {
        const size_t n = doc->Records.size();
        for (size_t b = 0; b < n; b += kChunkRecords) chunks.push_back({doc, b, std::min(n, b + kChunkRecords)});
        if (n == 0) chunks.push_back({doc, 0, 0});
    }
    const ExportSelection selection = DepthsOnly();
    Phase phase(progress, "Gathering Soundings");
    ParallelSettings settings;
    settings.minimum = 4;
    settings.slices = 16;
    settings.sliceMinimum = 64;
    const size_t total = chunks.size() * 2;

    // First the counts and the extent of each piece, then the soundings into place.
    ParallelFor(
        chunks.size(), settings,
        [&](unsigned, size_t cb, size_t ce) {
            for (size_t c = cb; c < ce; ++c) {
                Chunk& k = chunks[c];
                exporting::ForEachXyzPoint(*k.doc, selection, k.begin, k.end,
                                [&](size_t, const CVKData&, const exporting::XyzPoint& p) {
                                    ++k.count;
                                    k.xmin = std::min(k.xmin, p.x);
                                    k.xmax = std::max(k.xmax, p.x);
                                    k.ymin = std::min(k.ymin, p.y);
                                    k.ymax = std::max(k.ymax, p.y);
                                    return true;
                                });
            }
        },
        [&](size_t done) { phase.At(done, total); });

    size_t n = 0;
    double xmin = std::numeric_limits<double>::infinity(), xmax = -xmin, ymin = xmin, ymax = -xmin;
    for (Chunk& k : chunks) {
        k.at = n;
        n += k.count;
        xmin = std::min(xmin, k.xmin);
        xmax = std::max(xmax, k.xmax);
        ymin = std::min(ymin, k.ymin);
        ymax = std::max(ymax, k.ymax);
    }
    if (n == 0) {
        error = docs.size() == 1 ? "The survey has no live depth soundings to make a surface of."
                                 : "The surveys have no live depth soundings to make a surface of.";
        return false;
    }
    if (n > std::numeric_limits<uint32_t>::max()) {
        error = "The surveys hold " + std::to_string(n) + " soundings; a surface is made of 4294967295 at most.";
        return false;
    }
    out.geographic = geographic;
    if (geographic) out.plane = Plane::Geographic((xmin + xmax) / 2, (ymin + ymax) / 2);
    try {
        out.x.resize(n);
        out.y.resize(n);
        out.z.resize(n);
    } catch (const std::bad_alloc&) {
        out = Soundings{};
        error = "Not enough memory for the " + std::to_string(n) + " soundings of the surface (" +
                std::to_string(n * 20 >> 20) + " MB).";
        return false;
    }
    const Plane plane = out.plane;
    ParallelFor(
        chunks.size(), settings,
        [&](unsigned, size_t cb, size_t ce) {
            for (size_t c = cb; c < ce; ++c) {
                size_t at = chunks[c].at;
                exporting::ForEachXyzPoint(*chunks[c].doc, selection, chunks[c].begin, chunks[c].end,
                                [&](size_t, const CVKData&, const exporting::XyzPoint& p) {
                                    out.x[at] = plane.PlaneX(p.x);
                                    out.y[at] = plane.PlaneY(p.y);
                                    out.z[at] = static_cast<float>(p.level);
                                    ++at;
                                    return true;
                                });
            }
        },
        [&](size_t done) { phase.At(chunks.size() + done, total); });

    out.runs.push_back(0);
    for (size_t c = 0; c < chunks.size(); ++c)
        if (c + 1 == chunks.size() || chunks[c + 1].doc != chunks[c].doc) out.runs.push_back(chunks[c].at + chunks[c].count);
    return true;
}

namespace {

double Median(std::vector<double>& v) {
    if (v.empty()) return 0;
    const auto mid = v.begin() + static_cast<ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// The value below which a fraction q of v lies (v is reordered).
double Quantile(std::vector<double>& v, double q) {
    const auto at = v.begin() + static_cast<ptrdiff_t>(std::min(v.size() - 1, static_cast<size_t>(q * v.size())));
    std::nth_element(v.begin(), at, v.end());
    return *at;
}

constexpr size_t kSamples = 20000;

}  // namespace

double MedianLineSpacing(const Soundings& s) {
    const size_t n = s.size();
    if (n < 16 || s.runs.size() < 2) return 0;
    const size_t stride = std::max<size_t>(1, n / kSamples);

    // The step along the track between consecutive soundings.
    std::vector<double> steps;
    for (size_t k = 0; k + 1 < s.runs.size(); ++k)
        for (size_t i = s.runs[k]; i + 1 < s.runs[k + 1]; i += stride) {
            const double d = std::hypot(s.x[i + 1] - s.x[i], s.y[i + 1] - s.y[i]);
            if (d > 0) steps.push_back(d);
        }
    const double along = Median(steps);
    const double nearest = std::max(1.0, 4.0 * along);

    // The area the soundings cover, without the odd one far away (a sounding logged
    // before the first position, say).
    std::vector<double> xs, ys;
    for (size_t i = 0; i < n; i += stride) {
        xs.push_back(s.x[i]);
        ys.push_back(s.y[i]);
    }
    const double x0 = Quantile(xs, 0.005), x1 = Quantile(xs, 0.995);
    const double y0 = Quantile(ys, 0.005), y1 = Quantile(ys, 0.995);
    const double width = std::max(x1 - x0, nearest), height = std::max(y1 - y0, nearest);
    // About eight soundings a bucket where they lie evenly.
    double size = std::max(nearest / 2, std::sqrt(width * height * 8.0 / static_cast<double>(n)));
    size = std::max(size, std::sqrt(width * height / 4.0e6));  // at most 4 M buckets
    const int bx = static_cast<int>(std::ceil(width / size)) + 1;
    const int by = static_cast<int>(std::ceil(height / size)) + 1;
    const Buckets buckets(s.x, s.y, x0 - size / 2, y0 - size / 2, size, bx, by);

    const int64_t maxRing = std::max(bx, by);
    constexpr int64_t kMaxBuckets = 40000;  // searched for one sounding at most
    std::vector<double> found;
    for (size_t k = 0; k + 1 < s.runs.size(); ++k) {
        const size_t rb = s.runs[k], re = s.runs[k + 1];
        for (size_t i = rb; i < re; i += stride) {
            // The heading: the chord between the nearest soundings before and after that
            // are at least half a metre apart.
            size_t lo = i, hi = i;
            bool moved = false;
            for (int step = 0; step < 256 && (lo > rb || hi + 1 < re); ++step) {
                if (lo > rb) --lo;
                if (hi + 1 < re) ++hi;
                if (std::hypot(s.x[hi] - s.x[lo], s.y[hi] - s.y[lo]) >= 0.5) {
                    moved = true;
                    break;
                }
            }
            if (!moved) continue;
            const double len = std::hypot(s.x[hi] - s.x[lo], s.y[hi] - s.y[lo]);
            const double tx = (s.x[hi] - s.x[lo]) / len, ty = (s.y[hi] - s.y[lo]) / len;
            const double px = s.x[i], py = s.y[i];
            const int64_t cx = buckets.Column(px), cy = buckets.Row(py);
            double best = std::numeric_limits<double>::infinity();
            int64_t visited = 0;
            for (int64_t r = 0; r <= maxRing && visited < kMaxBuckets; ++r) {
                if (r >= 2 && static_cast<double>(r - 1) * size > best) break;
                for (int64_t row = cy - r; row <= cy + r; ++row) {
                    const bool edgeRow = row == cy - r || row == cy + r;
                    for (int64_t col = cx - r; col <= cx + r; col += edgeRow ? 1 : 2 * std::max<int64_t>(r, 1)) {
                        ++visited;
                        for (const uint32_t j : buckets.In(col, row)) {
                            const double dx = s.x[j] - px, dy = s.y[j] - py;
                            const double onTrack = std::abs(dx * tx + dy * ty);
                            const double across = std::abs(dx * ty - dy * tx);
                            if (across < onTrack) continue;  // along the track: its own line
                            const double d = std::hypot(dx, dy);
                            if (d >= nearest && d < best) best = d;
                        }
                        if (r == 0) break;
                    }
                }
            }
            if (std::isfinite(best)) found.push_back(best);
        }
    }
    if (found.size() < 10) return 0;
    return Median(found);
}

}  // namespace aq::surface
