// SPDX-License-Identifier: GPL-3.0-or-later
// Markers written straight into the pixels of a canvas's surface (an image on screen).
//
// A large survey puts thousands of markers on each pixel. Instead of asking the canvas to
// paint each of them, the records are walked from the last drawn to the first, and each
// pixel takes the colour of the first marker or line that reaches it there: what painting
// them all in order would have left. Drawing goes in layers (the deleted records of each
// pass, then the live ones of each pass), and a later layer covers an earlier one
// whatever the record order, so each layer keeps a bitmap of the pixels already taken by
// it or a later one: a marker whose pixels are all taken is passed over with a few word
// operations, whatever its size. Parts of the records are walked at once, each into its
// own bitmaps; the last part paints the surface itself and the others their own colour
// buffers, merged at the end where they lie on top.
#include <array>
#include <bit>

#include "model/doc.h"
#include "model/parallel.h"
#include "views/markergeometry.h"

namespace aq::markers {

namespace {

constexpr int kMaxLayers = 8;  // the deleted and the live records of four passes
// A stamp's rows are single words; an event's cross reaches a pixel past its square.
constexpr int32_t kMaxStampSide = 63;
// Beyond this many pixels (a whole 8K screen is 33 M) the canvas's own calls draw.
constexpr int64_t kMaxSurfacePixels = int64_t{40} << 20;
// Records fetched ahead of the walk.
constexpr size_t kAhead = 24;

// The pixels of a marker from its device rectangle's top-left corner: for each row, a
// word of pen bits and one of brush bits (bit 0 the left column).
struct Stamp {
    std::vector<uint64_t> pen, brush;
    std::vector<uint64_t> all;  // pen | brush
    int32_t width = 0;          // columns it may reach
};

// How one layer paints: its stamp, its pen, and its brush by colour slot.
struct Layer {
    Stamp stamp;
    uint32_t pen = 0;
    std::array<uint32_t, 8> brush{};
};

// The stamp of a marker of a kind, live or deleted, by the surface rules of the canvas
// (see Canvas::Surface) applied to what MarkerShape and DeletedMarkerShape draw.
bool MakeStampRows(Canvas& c, uint16_t kind, bool deleted, int32_t colourMode, int32_t side, Stamp& st) {
    const auto n = static_cast<size_t>(side);
    const uint64_t full = (uint64_t{1} << side) - 1;
    st.pen.assign(n, 0);
    st.brush.assign(n, 0);
    const bool thin = side <= 2;  // all pen
    switch (kind) {
        case REC_DEPTH:
            if (!deleted && colourMode != COLOUR_POINT_TYPE) {  // a fill in the band colour
                std::fill(st.brush.begin(), st.brush.end(), full);
                return true;
            }
            if (thin) {
                std::fill(st.pen.begin(), st.pen.end(), full);
                return true;
            }
            st.pen[0] = st.pen[n - 1] = full;
            for (size_t r = 1; r + 1 < n; ++r) {
                st.pen[r] = uint64_t{1} | (uint64_t{1} << (side - 1));
                if (!deleted) st.brush[r] = full & ~st.pen[r];
            }
            return true;
        case REC_POSITION:
        case REC_TIDE: {
            if (thin) {
                std::fill(st.pen.begin(), st.pen.end(), full);
                return true;
            }
            std::vector<uint8_t> mask;
            const Shape shape = kind == REC_POSITION ? Shape::Ellipse : Shape::RoundRect;
            if (!c.ShapeMask(shape, {0, 0, side, side}, side / 2, side / 2, mask) || mask.size() != n * n) return false;
            for (size_t y = 0; y < n; ++y)
                for (size_t x = 0; x < n; ++x) {
                    const uint8_t m = mask[y * n + x];
                    if (m == 1) st.pen[y] |= uint64_t{1} << x;
                    if (m == 2 && !deleted) st.brush[y] |= uint64_t{1} << x;
                }
            return true;
        }
        case REC_EVENT: {
            // Two lines corner to corner, each without its last point: one row more.
            st.pen.assign(n + 1, 0);
            st.brush.assign(n + 1, 0);
            const CRect clip{0, 0, side + 1, side + 1};
            const auto plot = [&](int32_t x, int32_t y) { st.pen[static_cast<size_t>(y)] |= uint64_t{1} << x; };
            WalkLine({0, 0}, {side, side}, clip, plot);
            WalkLine({0, side}, {side, 0}, clip, plot);
            return true;
        }
        default: return false;
    }
}

bool MakeStamp(Canvas& c, uint16_t kind, bool deleted, int32_t colourMode, int32_t side, Stamp& st) {
    if (!MakeStampRows(c, kind, deleted, colourMode, side, st)) return false;
    st.all.resize(st.pen.size());
    for (size_t r = 0; r < st.pen.size(); ++r) st.all[r] = st.pen[r] | st.brush[r];
    st.width = kind == REC_EVENT ? side + 1 : side;
    return true;
}

// The bitmaps of one part: for each word of 64 pixels of a row of the surface, a word for
// each layer (layer 0 first), each row a spare word longer than the surface. A layer's
// bit is set where the pixel is taken by that layer or a later one; a pixel's words lie
// together, so taking it for a layer and those below touches one place.
class Part {
public:
    Part(uint64_t* cover, int layers, int32_t width, int32_t height, size_t words, uint32_t* out,
         std::ptrdiff_t stride)
        : cover_(cover),
          layers_(static_cast<size_t>(layers)),
          width_(width),
          height_(height),
          words_(words),
          out_(out),
          stride_(stride) {}

    // The words of pixel word w of row y, layer 0 first.
    uint64_t* At(int32_t y, size_t w) const { return cover_ + (static_cast<size_t>(y) * words_ + w) * layers_; }

    // The stamp at device point (x0, y0) in a layer; brush is its brush's word.
    void Stamp(int layer, const Layer& ly, uint32_t brush, int32_t x0, int32_t y0) {
        const auto l = static_cast<size_t>(layer);
        for (size_t r = 0; r < ly.stamp.pen.size(); ++r) {
            Fit f;
            if (!Place(ly.stamp.pen[r], ly.stamp.all[r], x0, y0 + static_cast<int32_t>(r), f)) continue;
            uint64_t* at = At(f.y, f.word);
            const uint64_t missLo = f.lo & ~at[l], missHi = f.hi & ~at[layers_ + l];
            if (!(missLo | missHi)) continue;
            uint32_t* out =
                out_ + static_cast<std::ptrdiff_t>(f.y) * stride_ + static_cast<std::ptrdiff_t>(f.word << 6);
            Write(out, f.penLo & missLo, ly.pen);
            Write(out, missLo & ~f.penLo, brush);
            if (missHi) {
                Write(out + 64, f.penHi & missHi, ly.pen);
                Write(out + 64, missHi & ~f.penHi, brush);
            }
            Take(at, l, missLo);
            if (missHi) Take(at + layers_, l, missHi);
        }
    }

    // Whether the stamp at (x0, y0) would paint any pixel of the layer.
    bool Shows(int layer, const Layer& ly, int32_t x0, int32_t y0) const {
        const auto l = static_cast<size_t>(layer);
        const auto rows = static_cast<int32_t>(ly.stamp.all.size());
        if (x0 >= 0 && y0 >= 0 && x0 <= width_ - ly.stamp.width && y0 <= height_ - rows) {
            // Wholly on the surface, as most are: a word or two a row, no branch.
            const unsigned off = static_cast<unsigned>(x0) & 63;
            const uint64_t spill = off ? ~uint64_t{0} : 0;  // a shift by 64 is no shift
            const uint64_t* at = At(y0, static_cast<size_t>(x0) >> 6) + l;
            const size_t next = words_ * layers_;
            uint64_t miss = 0;
            for (int32_t r = 0; r < rows; ++r, at += next) {
                const uint64_t b = ly.stamp.all[static_cast<size_t>(r)];
                miss |= ((b << off) & ~at[0]) | ((b >> ((64 - off) & 63)) & spill & ~at[layers_]);
            }
            return miss != 0;
        }
        for (size_t r = 0; r < ly.stamp.pen.size(); ++r) {
            Fit f;
            if (!Place(ly.stamp.pen[r], ly.stamp.all[r], x0, y0 + static_cast<int32_t>(r), f)) continue;
            const uint64_t* at = At(f.y, f.word) + l;
            if ((f.lo & ~at[0]) | (f.hi & ~at[layers_])) return true;
        }
        return false;
    }

    // One pixel of a line, inside the surface.
    void Pixel(int layer, uint32_t word, int32_t x, int32_t y) {
        uint64_t* at = At(y, static_cast<size_t>(x) >> 6);
        const uint64_t bit = uint64_t{1} << (x & 63);
        if (at[layer] & bit) return;
        out_[static_cast<std::ptrdiff_t>(y) * stride_ + x] = word;
        Take(at, static_cast<size_t>(layer), bit);
    }

private:
    // A stamp row placed on the surface: its bits in pixel words `word` and `word + 1`.
    struct Fit {
        int32_t y;
        size_t word;
        uint64_t lo, hi, penLo, penHi;
    };

    bool Place(uint64_t pen, uint64_t bits, int32_t x, int32_t y, Fit& f) const {
        if (static_cast<uint32_t>(y) >= static_cast<uint32_t>(height_) || !bits) return false;
        if (x < 0) {
            if (x <= -64) return false;
            pen >>= -x;
            bits >>= -x;
            x = 0;
        }
        if (x >= width_) return false;
        if (width_ - x < 64) {
            const uint64_t keep = (uint64_t{1} << (width_ - x)) - 1;
            pen &= keep;
            bits &= keep;
        }
        const unsigned off = static_cast<unsigned>(x) & 63;
        f.y = y;
        f.word = static_cast<size_t>(x) >> 6;
        f.lo = bits << off;
        f.hi = off ? bits >> (64 - off) : 0;
        f.penLo = pen << off;
        f.penHi = off ? pen >> (64 - off) : 0;
        return bits != 0;
    }

    static void Write(uint32_t* out, uint64_t bits, uint32_t word) {
        for (; bits; bits &= bits - 1) out[std::countr_zero(bits)] = word;
    }

    // The pixels are the layer's now: taken for it and every layer below.
    static void Take(uint64_t* at, size_t layer, uint64_t bits) {
        for (size_t l = 0; l <= layer; ++l) at[l] |= bits;
    }

    uint64_t* cover_;
    size_t layers_;
    int32_t width_, height_;
    size_t words_;
    uint32_t* out_;
    std::ptrdiff_t stride_;
};

// One kind's walk: its pass, its layers and, for joining lines, the next record of the
// kind (the one the line from the current record goes to) when it is live.
struct Lane {
    CPoint CVKData::*point;
    uint16_t kind;
    bool join;
    int live, dead;  // layers
    bool hasNext;
    bool nextVisible;
    CPoint nextDevice;
    // Where the last marker of each of its layers went: one on the same spot after it in
    // the walk (before it in time) has nothing left to paint.
    CPoint lastLive, lastDead;
};

int KindSlot(uint16_t bit) { return bit == REC_DEPTH ? 0 : bit == REC_POSITION ? 1 : bit == REC_TIDE ? 2 : 3; }

}  // namespace

bool DrawOnSurface(Canvas& c, const CVKDoc& doc, const MarkerJob& job, const Mapping& view, MarkerScratch& s) {
    PixelSurface surface;
    if (job.passCount == 0 || job.passCount > 4 || !c.Surface(surface) || !surface.bits) return false;
    if (job.count == 0) return true;
    const int32_t side = std::max(job.side, 1);
    if (side > kMaxStampSide || surface.width <= 0 || surface.height <= 0 ||
        int64_t{surface.width} * surface.height > kMaxSurfacePixels)
        return false;

    // The layers: the deleted records of each pass (when shown) under the live ones.
    const int passes = static_cast<int>(job.passCount);
    const int layerCount = job.showDeleted ? 2 * passes : passes;
    std::array<Layer, kMaxLayers> layers;
    std::array<uint32_t, 8> slots{};
    for (size_t i = 0; i < 8; ++i) slots[i] = c.SurfaceWord(doc.Colours[i]);
    for (int k = 0; k < passes; ++k) {
        const uint16_t kind = job.passes[k].kind;
        Layer& live = layers[static_cast<size_t>(layerCount - passes + k)];
        if (!MakeStamp(c, kind, false, doc.ColourMode, side, live.stamp)) return false;
        live.pen = c.SurfaceWord(COLOUR_BLACK);
        live.brush = slots;
        if (kind == REC_TIDE) live.brush.fill(c.SurfaceWord(COLOUR_LIGHT_GREY));
        if (job.showDeleted) {
            Layer& dead = layers[static_cast<size_t>(k)];
            if (!MakeStamp(c, kind, true, doc.ColourMode, side, dead.stamp)) return false;
            dead.pen = c.SurfaceWord(COLOUR_DELETED);
            dead.brush.fill(dead.pen);  // never used: hollow
        }
    }

    ParallelSettings settings = job.parallel;
    settings.slices = 1;  // each part is walked from its end to its start at once
    const size_t parts = job.count >= settings.minimum ? std::max<size_t>(settings.parts, 1) : 1;
    const size_t words = static_cast<size_t>(surface.width + 63) / 64 + 1;
    const size_t coverWords = words * static_cast<size_t>(layerCount) * static_cast<size_t>(surface.height);
    const size_t pixels = static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height);
    if (s.surfaceParts.size() < parts) s.surfaceParts.resize(parts);
    for (size_t p = 0; p < parts; ++p) {
        MarkerScratch::SurfacePart& part = s.surfaceParts[p];
        part.cover.assign(coverWords, 0);
        if (p + 1 < parts && part.colours.size() < pixels) part.colours.resize(pixels);
    }

    const SquareMapper sq(view, side, job.window, s);
    uint16_t drawn = 0, joins = 0;
    for (int k = 0; k < passes; ++k) {
        drawn |= job.passes[k].kind;
        if (job.passes[k].join) joins |= job.passes[k].kind;
    }
    const auto shown = static_cast<uint16_t>(doc.ShowKinds & drawn & 0xF0);
    const CRect clip{0, 0, surface.width, surface.height};
    // The bytes of a record the walk reads, its flags and the passes' points: fetched
    // ahead of it. Only addresses of the first record are taken.
    const CVKData& any = job.records[0];
    const auto at = [&](const void* field) {
        return static_cast<size_t>(static_cast<const char*>(field) - reinterpret_cast<const char*>(&any));
    };
    size_t usedFrom = at(&any.Flags), usedTo = usedFrom + sizeof any.Flags - 1;
    for (int k = 0; k < passes; ++k) {
        const size_t o = at(&(any.*job.passes[k].point));
        usedFrom = std::min(usedFrom, o);
        usedTo = std::max(usedTo, o + sizeof(CPoint) - 1);
    }
    const uint32_t linePen = c.SurfaceWord(COLOUR_BLACK);
    // Every pass at the same point of a record and none joined (the plan): a record whose
    // point is out of sight is passed over at once.
    CPoint CVKData::*common = joins ? nullptr : job.passes[0].point;
    for (int k = 1; k < passes; ++k)
        if (job.passes[k].point != common) common = nullptr;

    ParallelFor(job.count, settings, [&](unsigned p, size_t begin, size_t end) {
        MarkerScratch::SurfacePart& mine = s.surfaceParts[p];
        const bool last = p + 1 == parts;
        Part part(mine.cover.data(), layerCount, surface.width, surface.height, words,
                  last ? surface.bits : mine.colours.data(), last ? surface.stride : surface.width);
        const SquareMapper map = sq;
        const CRect window = job.window;
        std::array<Lane, 4> lanes{};
        std::array<Lane*, 4> laneOf{};  // by KindSlot
        for (int k = 0; k < passes; ++k) {
            Lane& lane = lanes[static_cast<size_t>(k)];
            lane.point = job.passes[k].point;
            lane.kind = job.passes[k].kind;
            lane.join = job.passes[k].join;
            lane.live = layerCount - passes + k;
            lane.dead = k;
            lane.lastLive = lane.lastDead = {INT32_MIN, INT32_MIN};
            laneOf[static_cast<size_t>(KindSlot(lane.kind))] = &lane;
        }
        const auto device = [&](CPoint p) { return CPoint{map.X()(p.x), map.Y()(p.y)}; };
        // A marker's square overlaps the window: its point lies within the window widened
        // by the square's reach.
        const CPoint reach = map.Reach();
        const bool open = window.left < window.right && window.top < window.bottom;
        const int64_t left = int64_t{window.left} - reach.x, right = int64_t{window.right} + reach.x;
        const int64_t top = int64_t{window.top} - reach.y, bottom = int64_t{window.bottom} + reach.y;
        const auto visible = [&](CPoint p) {
            return open && p.x > left && p.x < right && p.y > top && p.y < bottom;
        };

        // A part before the last joins its last records to each kind's first after it
        // (a kind the survey lacks is not looked for through the rest of it).
        auto pending = static_cast<uint16_t>(shown & joins & doc.KindFlags);
        for (size_t i = end; pending && i < job.count; ++i) {
            const CVKData& r = job.records[i];
            auto found = static_cast<uint16_t>(r.Flags & pending);
            pending = static_cast<uint16_t>(pending ^ found);
            for (; found; found = static_cast<uint16_t>(found & (found - 1))) {
                Lane& lane = *laneOf[static_cast<size_t>(KindSlot(static_cast<uint16_t>(found & -found)))];
                const CPoint p = r.*lane.point;
                lane.hasNext = !(r.Flags & REC_DELETED);
                lane.nextVisible = visible(p);
                lane.nextDevice = device(p);
            }
        }

        for (size_t i = end; i-- > begin;) {
            // The walk goes down through memory, where the processor looks ahead less.
            if (i >= begin + kAhead) {
                const char* ahead = reinterpret_cast<const char*>(job.records + (i - kAhead));
                __builtin_prefetch(ahead + usedFrom);
                __builtin_prefetch(ahead + usedTo);
            }
            const CVKData& r = job.records[i];
            auto kinds = static_cast<uint16_t>(r.Flags & shown);
            if (!kinds || (common && !visible(r.*common))) continue;
            const bool deleted = (r.Flags & REC_DELETED) != 0;
            int slot = -1;  // the record's colour slot, once asked for
            for (; kinds; kinds = static_cast<uint16_t>(kinds & (kinds - 1))) {
                Lane& lane = *laneOf[static_cast<size_t>(KindSlot(static_cast<uint16_t>(kinds & -kinds)))];
                const CPoint p = r.*lane.point;
                if (deleted) {
                    // A deleted record breaks the joining line; drawn hollow when shown.
                    lane.hasNext = false;
                    if (job.showDeleted && visible(p)) {
                        const CRect d = map.Device(p);
                        if (d.left == lane.lastDead.x && d.top == lane.lastDead.y) continue;
                        lane.lastDead = {d.left, d.top};
                        const Layer& ly = layers[static_cast<size_t>(lane.dead)];
                        part.Stamp(lane.dead, ly, ly.pen, d.left, d.top);
                    }
                    continue;
                }
                const bool seen = visible(p);
                if (lane.join) {
                    const CPoint here = device(p);
                    if (lane.hasNext && lane.nextVisible && !(here == lane.nextDevice))
                        WalkLine(here, lane.nextDevice, clip,
                                 [&](int32_t x, int32_t y) { part.Pixel(lane.live, linePen, x, y); });
                    lane.hasNext = true;
                    lane.nextVisible = seen;
                    lane.nextDevice = here;
                }
                if (!seen) continue;
                const CRect d = map.Device(p);
                if (d.left == lane.lastLive.x && d.top == lane.lastLive.y) continue;
                lane.lastLive = {d.left, d.top};
                const Layer& ly = layers[static_cast<size_t>(lane.live)];
                if (!part.Shows(lane.live, ly, d.left, d.top)) continue;
                if (slot < 0) slot = doc.ColourIndex(r) & 7;
                part.Stamp(lane.live, ly, ly.brush[static_cast<size_t>(slot)], d.left, d.top);
            }
        }
    });

    // Each earlier part's pixels go where they lie above what the later parts left: on a
    // later layer, or the same one only where nothing later is.
    if (parts > 1) {
        uint64_t* current = s.surfaceParts[parts - 1].cover.data();
        const auto L = static_cast<size_t>(layerCount);
        for (size_t p = parts - 1; p-- > 0;) {
            const uint64_t* cover = s.surfaceParts[p].cover.data();
            const uint32_t* colours = s.surfaceParts[p].colours.data();
            for (int32_t y = 0; y < surface.height; ++y) {
                uint32_t* out = surface.bits + static_cast<std::ptrdiff_t>(y) * surface.stride;
                const uint32_t* in = colours + static_cast<size_t>(y) * static_cast<size_t>(surface.width);
                for (size_t w = 0; w + 1 < words; ++w) {
                    const size_t at = (static_cast<size_t>(y) * words + w) * L;
                    if (!cover[at]) continue;  // layer 0: nothing of this part here
                    for (size_t l = L; l-- > 0;) {
                        const uint64_t above = l + 1 < L ? cover[at + l + 1] : 0;
                        uint64_t win = cover[at + l] & ~above & ~current[at + l];
                        if (!win) continue;
                        for (size_t k = 0; k <= l; ++k) current[at + k] |= win;
                        for (const size_t x0 = w << 6; win; win &= win - 1) {
                            const size_t x = x0 + static_cast<size_t>(std::countr_zero(win));
                            out[x] = in[x];
                        }
                    }
                }
            }
        }
    }
    return true;
}

}  // namespace aq::markers
