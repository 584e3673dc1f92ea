// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/markers.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "model/data.h"
#include "model/doc.h"
#include "views/markergeometry.h"

namespace aq {

void MarkerShape(Canvas& canvas, const CRect& r, uint16_t kind, Colour band, int32_t colourMode) {
    switch (kind) {
        case REC_POSITION:
            canvas.SelectSolidBrush(band);
            canvas.Ellipse(r);
            break;
        case REC_TIDE:
            canvas.SelectLightGreyBrush();
            canvas.RoundRect(r, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
            break;
        case REC_DEPTH:
            if (colourMode == COLOUR_POINT_TYPE) {
                canvas.SelectSolidBrush(band);
                canvas.Rectangle(r);
            } else {
                canvas.FillRect(r, band);
            }
            break;
        case REC_EVENT:
            canvas.Line({r.left, r.top}, {r.right, r.bottom});
            canvas.Line({r.left, r.bottom}, {r.right, r.top});
            break;
        default: break;
    }
}

void DeletedMarkerShape(Canvas& canvas, const CRect& r, uint16_t kind) {
    switch (kind) {
        case REC_POSITION: canvas.Ellipse(r); break;
        case REC_TIDE: canvas.RoundRect(r, (r.right - r.left) / 2, (r.bottom - r.top) / 2); break;
        case REC_DEPTH: canvas.Rectangle(r); break;
        case REC_EVENT:
            canvas.Line({r.left, r.top}, {r.right, r.bottom});
            canvas.Line({r.left, r.bottom}, {r.right, r.top});
            break;
        default: break;
    }
}

void HighlightMarker(Canvas& c, CPoint p, int32_t side) {
    const CRect d = MarkerDevice(c.Map(), p, side);
    DeviceScope device(c);
    c.SelectHollowBrush();
    for (int ring = 3; ring <= 4; ++ring) {
        const int32_t g = c.Pixels(ring);
        c.SelectPen(ring == 3 ? COLOUR_MAGENTA : COLOUR_WHITE, 0);
        c.Rectangle({d.left - g, d.top - g, d.right + g, d.bottom + g});
    }
    c.SelectBlackPen();
}

double LabelPoints(int32_t textSize) {
    // The default text size (5) gives 9 pt, the desktop's usual size.
    return std::clamp(4.0 + textSize, 6.0, 36.0);
}

CRect DrawColourLegend(Canvas& c, const CVKDoc& doc, const CRect& screen, bool draw) {
    if (doc.ColourMode != COLOUR_ELEVATION && doc.ColourMode != COLOUR_QUALITY) return {};
    DeviceScope device(c);
    c.SelectFont(LabelPoints(doc.TextSize));
    c.SetTextAnchor(TextAnchor::LeftBottom);
    // Swatches as high as a line of text, the highest band at the top; the text column
    // as wide as its widest entry.
    char texts[7][48];
    int32_t textW = 0, lineH = 0;
    for (int band = 6; band >= 0; --band) {
        // Elevation: band d holds levels nearest LevelMin + d/6 of the span, slot 7 - d;
        // Quality: band d holds qualities nearest d * 127 / 6, slot ~d & 7.
        char* buf = texts[band];
        if (doc.ColourMode == COLOUR_ELEVATION)
            std::snprintf(buf, 48, "%.2fm",
                          (doc.LevelMin + (static_cast<double>(doc.LevelMax) - doc.LevelMin) * band / 6.0) / 100.0);
        else
            std::snprintf(buf, 48, "Q %d", (127 * band + 3) / 6);
        const CRect t = c.TextBox({0, 0}, buf);
        textW = std::max(textW, t.right - t.left);
        lineH = std::max(lineH, t.bottom - t.top);
    }
    if (textW == 0) textW = c.Pixels(64);
    if (lineH == 0) lineH = c.Pixels(14);
    const int32_t box = std::max(c.Pixels(8), lineH * 3 / 4), rowH = lineH + c.Pixels(2);
    const int32_t pad = c.Pixels(4), margin = c.Pixels(8);
    const int32_t right = screen.right - margin;
    const int32_t left = right - box - c.Pixels(6) - textW;
    int32_t y = screen.top + margin;
    const CRect ground{left - pad, y - pad, right + pad, y + 7 * rowH + pad};
    if (!draw) return ground;
    c.FillRect(ground, COLOUR_WHITE);
    c.SetTextTransparent(true);
    c.SelectBlackPen();
    for (int band = 6; band >= 0; --band, y += rowH) {
        const Colour colour = doc.Colours[static_cast<size_t>(7 - band)];
        const int32_t top = y + (rowH - box) / 2;
        c.SelectSolidBrush(colour);
        c.Rectangle({left, top, left + box, top + box});
        c.Text({left + box + c.Pixels(6), y + rowH}, texts[band]);
    }
    c.SetTextTransparent(false);
    return ground;
}

namespace {
// Largest area tracked: a 4K screen or an A4 page at 300 dpi, at 8 bytes a pixel.
constexpr int64_t kMaxCells = 16'000'000;
constexpr int32_t kMaxSide = 31;  // marker sides above this are never culled as identical
}  // namespace

void MarkerCuller::BeginPass(const CRect& deviceArea) {
    const int64_t w = int64_t{deviceArea.right} - deviceArea.left;
    const int64_t h = int64_t{deviceArea.bottom} - deviceArea.top;
    active_ = w > 0 && h > 0 && w * h <= kMaxCells;
    if (!active_) return;
    area_ = deviceArea;
    width_ = static_cast<int32_t>(w);
    if (++stamp_ > 0xFFFF) {
        std::fill(cells_.begin(), cells_.end(), uint64_t{0});
        stamp_ = 1;
    }
}

bool MarkerCuller::CoveredLater(const CRect& d, uint32_t style) {
    if (!active_) return false;
    if (d.left < area_.left || d.top < area_.top || d.left >= area_.right || d.top >= area_.bottom) return false;
    const int32_t w = d.right - d.left;
    const int32_t h = d.bottom - d.top;
    if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide || (w == 0 && h == 0)) return false;
    // The cells are made when first needed: with a canvas that knows its shapes, few
    // markers come here.
    const auto cells = static_cast<size_t>(width_) * static_cast<size_t>(area_.bottom - area_.top);
    if (cells_.size() < cells) cells_.assign(cells, 0);
    // Not 0 (an empty slot): the marker has a width or a height.
    const uint64_t key = (static_cast<uint64_t>(w) << 11) | (static_cast<uint64_t>(h) << 6) | (style & 63);
    uint64_t& cell = cells_[static_cast<size_t>(d.top - area_.top) * static_cast<size_t>(width_) +
                            static_cast<size_t>(d.left - area_.left)];
    const uint64_t stamp = static_cast<uint64_t>(stamp_) << 48;
    if ((cell & 0xFFFF'0000'0000'0000ULL) != stamp) cell = stamp;
    for (int slot = 0; slot < 3; ++slot)
        if (((cell >> (16 * slot)) & 0xFFFF) == key) return true;
    cell = stamp | ((cell << 16) & 0x0000'FFFF'FFFF'0000ULL) | key;
    return false;
}

namespace {
// Largest area tracked: 64 M pixels, 8 MB of bits.
constexpr int64_t kMaxCoverage = int64_t{1} << 26;
}  // namespace

void CoverageMask::Begin(const CRect& area, bool clipped) {
    const int64_t w = int64_t{area.right} - area.left;
    const int64_t h = int64_t{area.bottom} - area.top;
    active_ = w > 0 && h > 0 && w * h <= kMaxCoverage;
    if (!active_) return;
    area_ = area;
    clipped_ = clipped;
    words_ = static_cast<size_t>((w + 63) / 64 + 1);
    bits_.assign(words_ * static_cast<size_t>(h), 0);
    fullRows_.assign(static_cast<size_t>(h), 0);
}

bool CoverageMask::AllSet(int32_t row, int32_t from, int32_t to) const {
    // Columns from..to-1, counted from the area's left edge.
    const uint64_t* words = bits_.data() + static_cast<size_t>(row) * words_;
    while (from < to) {
        const auto n = std::min(to - from, 64);
        const size_t i = static_cast<size_t>(from) >> 6;
        const unsigned off = static_cast<unsigned>(from) & 63;
        uint64_t v = words[i] >> off;
        if (off != 0) v |= words[i + 1] << (64 - off);  // the spare word keeps i + 1 in the row
        const uint64_t want = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
        if ((v & want) != want) return false;
        from += n;
    }
    return true;
}

bool CoverageMask::CoversSlowly(const CRect& d, const uint64_t* rows) const {
    if (!active_ || d.right <= d.left || d.bottom <= d.top) return false;
    if (rows && int64_t{d.right} - d.left > 64) return false;
    const CRect r{std::max(d.left, area_.left), std::max(d.top, area_.top), std::min(d.right, area_.right),
                  std::min(d.bottom, area_.bottom)};
    // Outside the area nothing is known to be painted over, unless nothing there shows.
    if (!clipped_ && !(r == d)) return false;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        if (!rows) {
            // Squares far larger than the screen, zoomed in, cover whole rows.
            if (!fullRows_[static_cast<size_t>(y - area_.top)] &&
                !AllSet(y - area_.top, r.left - area_.left, r.right - area_.left))
                return false;
            continue;
        }
        const uint64_t shape = rows[y - d.top];
        for (int32_t x = r.left; x < r.right; ++x)
            if ((shape >> (x - d.left) & 1) && !Bit(x, y)) return false;
    }
    return true;
}

void CoverageMask::AddSlowly(const CRect& d, const uint64_t* rows) {
    if (!active_) return;
    if (rows && int64_t{d.right} - d.left > 64) return;
    const int32_t left = std::max(d.left, area_.left) - area_.left;
    const int32_t right = std::min(d.right, area_.right) - area_.left;
    const int32_t top = std::max(d.top, area_.top) - area_.top;
    const int32_t bottom = std::min(d.bottom, area_.bottom) - area_.top;
    if (right <= left || bottom <= top) return;
    const bool wholeRows = !rows && left == 0 && right == area_.right - area_.left;
    for (int32_t y = top; y < bottom; ++y) {
        if (wholeRows) fullRows_[static_cast<size_t>(y)] = 1;
        uint64_t* words = bits_.data() + static_cast<size_t>(y) * words_;
        if (rows) {
            const uint64_t shape = rows[y + area_.top - d.top];
            for (int32_t x = left; x < right; ++x)
                if (shape >> (x + area_.left - d.left) & 1)
                    words[static_cast<size_t>(x) >> 6] |= uint64_t{1} << (x & 63);
            continue;
        }
        for (int32_t x = left; x < right;) {
            const auto n = std::min(right - x, 64 - (x & 63));
            const uint64_t run = n == 64 ? ~uint64_t{0} : ((uint64_t{1} << n) - 1);
            words[static_cast<size_t>(x) >> 6] |= run << (x & 63);
            x += n;
        }
    }
}

namespace {

using markers::Axis;
using markers::SquareMapper;

// The pixels a marker may paint: an event's cross reaches its far corners.
CRect Reach(uint16_t kind, const CRect& d) {
    if (kind != REC_EVENT) return d;
    return {std::min(d.left, d.right), std::min(d.top, d.bottom), std::max(d.left, d.right) + 1,
            std::max(d.top, d.bottom) + 1};
}

// What decides a marker's pixels besides its rectangle: its colour slot, which tides and
// events ignore.
uint32_t Style(uint16_t kind, uint32_t colour) { return kind == REC_TIDE || kind == REC_EVENT ? 0 : colour & 7; }

void Marker(Canvas& c, const CVKDoc& doc, const SquareMapper& sq, uint16_t kind, const CVKData& r, CPoint p) {
    MarkerShape(c, sq.Device(p), kind, doc.Colours[static_cast<size_t>(doc.ColourIndex(r) & 7)], doc.ColourMode);
}

// The pixels of a marker, when known: a depth's whole square, the canvas's ellipses and
// rounded squares; not an event's cross.
class MarkerPixels {
public:
    struct Pixels {
        bool known;
        const uint64_t* rows;  // null for the whole rectangle
        uint16_t slot;         // of a shape's rows, for Rows
    };

    // Asks the canvas holding `lock`, when given: the halves of a walk share it.
    MarkerPixels(Canvas& c, std::vector<MarkerScratch::ShapeMask>& shapes, std::mutex* lock = nullptr)
        : c_(c), shapes_(shapes), lock_(lock) {
        shapes_.clear();
    }

    Pixels Of(uint16_t kind, const CRect& square, const CRect& d) {
        if (kind == REC_DEPTH) return {true, nullptr, kWhole};
        if (kind != REC_POSITION && kind != REC_TIDE) return {false, nullptr, 0};
        const Shape shape = kind == REC_POSITION ? Shape::Ellipse : Shape::RoundRect;
        if (last_ < shapes_.size() && Is(shapes_[last_], shape, d.right - d.left, d.bottom - d.top))
            return Get(last_);
        return Find(kind, square, d);
    }

    // The rows of a slot Of gave.
    static const uint64_t* Rows(const std::vector<MarkerScratch::ShapeMask>& shapes, uint32_t slot) {
        return slot == kWhole ? nullptr : shapes[slot].rows.data();
    }

private:
    Pixels Find(uint16_t kind, const CRect& square, const CRect& d) {
        const Shape shape = kind == REC_POSITION ? Shape::Ellipse : Shape::RoundRect;
        const int32_t w = d.right - d.left, h = d.bottom - d.top;
        if (w > 64 || h > 4096) return {false, nullptr, 0};
        for (last_ = 0; last_ < shapes_.size(); ++last_)
            if (Is(shapes_[last_], shape, w, h)) return Get(last_);
        // A few sizes a redraw; never as many as the slots.
        if (shapes_.size() >= kWhole) return {false, nullptr, 0};
        MarkerScratch::ShapeMask& m = shapes_.emplace_back();
        m.shape = shape;
        m.width = w;
        m.height = h;
        // The corners MarkerShape gives a tide.
        std::unique_lock<std::mutex> hold;
        if (lock_) hold = std::unique_lock<std::mutex>(*lock_);
        (void)square;
        m.known = c_.ShapePixels(shape, d, (d.right - d.left) / 2, (d.bottom - d.top) / 2, m.rows) &&
                  m.rows.size() == static_cast<size_t>(h);
        return Get(last_);
    }

    static bool Is(const MarkerScratch::ShapeMask& m, Shape shape, int32_t w, int32_t h) {
        return m.shape == shape && m.width == w && m.height == h;
    }
    Pixels Get(size_t slot) const {
        const MarkerScratch::ShapeMask& m = shapes_[slot];
        return {m.known, m.known ? m.rows.data() : nullptr, static_cast<uint16_t>(slot)};
    }
    static constexpr uint16_t kWhole = 0x3FFF;

    Canvas& c_;
    std::vector<MarkerScratch::ShapeMask>& shapes_;
    std::mutex* lock_;
    size_t last_ = 0;
};

// The area culling tracks: the pixels the canvas can show when it knows them, else the view's.
CRect CullArea(const Canvas& c, const MarkerJob& job, bool& clipped) {
    const CRect visible = c.VisibleArea();
    clipped = visible.right > visible.left && visible.bottom > visible.top;
    return clipped ? visible : job.screen;
}

// Every marker and line, one by one: the picture the rest must give.
void DrawEvery(Canvas& c, const CVKDoc& doc, const MarkerJob& job, const Mapping& map) {
    const int32_t side = std::max(job.side, 1);
    const CPoint reach = MarkerLogicalReach(map, side);
    const auto logical = [&](CPoint p) { return CRect{p.x - reach.x, p.y - reach.y, p.x + reach.x, p.y + reach.y}; };
    if (job.showDeleted) {
        c.SelectPen(COLOUR_DELETED, 0);
        c.SelectHollowBrush();
        for (size_t k = 0; k < job.passCount; ++k) {
            const MarkerPass& pass = job.passes[k];
            for (size_t i = 0; i < job.count; ++i) {
                const CVKData& r = job.records[i];
                if (!(r.Flags & REC_DELETED) || !(r.Flags & doc.ShowKinds & pass.kind)) continue;
                const CPoint p = r.*pass.point;
                if (Intersects(logical(p), job.window)) DeletedMarkerShape(c, MarkerDevice(map, p, side), pass.kind);
            }
        }
        c.SelectBlackPen();
    }
    for (size_t k = 0; k < job.passCount; ++k) {
        const MarkerPass& pass = job.passes[k];
        bool joined = false;
        CPoint prev{};
        for (size_t i = 0; i < job.count; ++i) {
            const CVKData& r = job.records[i];
            if (!(r.Flags & doc.ShowKinds & pass.kind)) continue;
            const CPoint p = r.*pass.point;
            const bool visible = Intersects(logical(p), job.window);
            if (r.Flags & REC_DELETED) {
                joined = false;
                continue;
            }
            if (joined && pass.join && visible && !(map.ToDevice(prev) == map.ToDevice(p)))
                c.Line(map.ToDevice(prev), map.ToDevice(p));
            prev = p;
            joined = true;
            if (visible)
                MarkerShape(c, MarkerDevice(map, p, side), pass.kind,
                            doc.Colours[static_cast<size_t>(doc.ColourIndex(r) & 7)], doc.ColourMode);
        }
    }
}

// Slot of a kind's bit (REC_DEPTH..REC_EVENT) in a table of four.
int KindSlot(uint16_t bit) { return bit == REC_DEPTH ? 0 : bit == REC_POSITION ? 1 : bit == REC_TIDE ? 2 : 3; }

constexpr size_t kCullerMinimum = 64;

// The walk in two halves (the earlier records and the later) on two threads, for a
// survey large enough; otherwise the first half does all and the second is not walked.
template <typename Work>
void InTwoHalves(size_t n, const ParallelSettings& given, Work&& work) {
    ParallelSettings s = given;
    s.parts = std::min(s.parts, 2u);
    s.slices = 1;
    ParallelFor(n, s, [&](unsigned h, size_t begin, size_t end) { work(static_cast<int>(h), begin, end); });
}

// The deleted records the walk met, hollow under the live markers, kind after kind in
// record order. Left out: those whose pixels the live drawing paints over for certain
// (live, when known) and those under an identical later one.
void DrawDeleted(Canvas& c, const CVKDoc& doc, const MarkerJob& job, MarkerScratch& s, SquareMapper& sq,
                 const CoverageMask* live) {
    std::vector<uint32_t>& list = s.deleted;
    list.clear();
    for (MarkerScratch::Half& half : s.halves) {
        list.insert(list.end(), half.deleted.begin(), half.deleted.end());
        half.deleted.clear();
    }
    if (list.empty()) return;
    std::sort(list.begin(), list.end());
    bool clipped = false;
    const CRect area = CullArea(c, job, clipped);
    c.SelectPen(COLOUR_DELETED, 0);
    c.SelectHollowBrush();
    for (size_t k = 0; k < job.passCount; ++k) {
        const MarkerPass& pass = job.passes[k];
        std::vector<CPoint>& keep = s.deletedKept;
        keep.clear();
        s.culler.BeginPass(area);
        for (size_t j = list.size(); j-- > 0;) {
            const CVKData& r = job.records[list[j]];
            if (!(r.Flags & doc.ShowKinds & pass.kind)) continue;
            const CPoint p = r.*pass.point;
            CRect d;
            if (!Intersects(sq.Square(p), job.window) || !sq.Painting(pass.kind, p, d)) continue;
            if ((live && live->Covers(Reach(pass.kind, d))) || s.culler.CoveredLater(d, 0)) continue;
            keep.push_back(p);
        }
        for (size_t j = keep.size(); j-- > 0;) DeletedMarkerShape(c, sq.Device(keep[j]), pass.kind);
    }
    c.SelectBlackPen();
}

// Without joining lines: each half of the records is walked from its last record to
// its first, passes from the last to the first within a record. A marker lies under
// whatever its own pass draws later and whatever later passes draw at all; the walk
// knows what it has seen so far, which is enough for most: each pass has a mask of what
// it and the later passes have painted. The few kept are then judged again, from the
// topmost down, under all that is kept above them. Markers whose pixels are not known
// are only skipped under an identical later one.
void DrawUnjoined(Canvas& c, const CVKDoc& doc, const MarkerJob& job, MarkerScratch& s, const Mapping& view) {
    SquareMapper sq(view, job.side, job.window, s);
    bool clipped = false;
    const CRect area = CullArea(c, job, clipped);
    uint16_t drawn = 0;
    for (size_t k = 0; k < job.passCount; ++k) drawn |= job.passes[k].kind;
    const auto shown = static_cast<uint16_t>(doc.ShowKinds & drawn & 0xF0);
    std::array<size_t, 4> passOf{};  // by KindSlot
    for (size_t k = 0; k < job.passCount; ++k) passOf[static_cast<size_t>(KindSlot(job.passes[k].kind))] = k;
    // The mask a pass is judged by, and whether it has one of its own to paint into: the
    // crosses of events never cover anything, so their pass shares the next one's.
    std::array<size_t, 4> judgedBy{};
    std::array<bool, 4> owns{};
    for (size_t k = job.passCount; k-- > 0;) {
        owns[k] = job.passes[k].kind != REC_EVENT || k + 1 == job.passCount;
        judgedBy[k] = owns[k] ? k : judgedBy[k + 1];
    }
    const auto paint = [&](MarkerScratch::Half& half, size_t k, const CRect& d, const uint64_t* rows) {
        for (size_t j = 0; j <= k; ++j)
            if (owns[j]) half.coverage[j].Add(d, rows);
    };
    std::mutex canvasLock;

    for (MarkerScratch::Half& half : s.halves)
        for (auto& list : half.kept) list.clear();
    InTwoHalves(job.count, job.parallel, [&](int h, size_t begin, size_t end) {
        MarkerScratch::Half& half = s.halves[static_cast<size_t>(h)];
        SquareMapper map = sq;  // its own x cache
        MarkerPixels pixels(c, half.shapes, &canvasLock);
        const CRect window = job.window;
        std::array<CRect, 4> last{};
        std::array<uint32_t, 4> lastStyle{};
        lastStyle.fill(UINT32_MAX);
        for (size_t k = 0; k < job.passCount; ++k) half.coverage[k].Begin(area, clipped);
        half.deleted.clear();
        for (size_t i = end; i-- > begin;) {
            const CVKData& r = job.records[i];
            auto kinds = static_cast<uint16_t>(r.Flags & shown);
            if (r.Flags & REC_DELETED) {
                if (kinds && job.showDeleted) half.deleted.push_back(static_cast<uint32_t>(i));
                continue;
            }
            // Later passes first: they cover the earlier ones of the same record.
            while (kinds) {
                const auto bit = static_cast<uint16_t>(uint16_t{0x8000} >> std::countl_zero(kinds));
                kinds = static_cast<uint16_t>(kinds ^ bit);
                const size_t k = passOf[static_cast<size_t>(KindSlot(bit))];
                const MarkerPass& pass = job.passes[k];
                const CPoint p = r.*pass.point;
                const CRect square = map.Square(p);
                CRect d;
                if (!Intersects(square, window) || !map.Painting(pass.kind, p, d)) continue;
                const MarkerPixels::Pixels px = pixels.Of(pass.kind, square, d);
                const CoverageMask& under = half.coverage[judgedBy[k]];
                if (px.known && under.Covers(d, px.rows)) continue;
                const auto colour = static_cast<uint32_t>(doc.ColourIndex(r) & 7);
                if (px.known) {
                    paint(half, k, d, px.rows);
                } else {
                    // Neighbours in time often land on the same pixels: the one just seen
                    // is on top.
                    const uint32_t style = Style(pass.kind, colour);
                    if (d == last[k] && style == lastStyle[k]) continue;
                    last[k] = d;
                    lastStyle[k] = style;
                    if (under.Covers(Reach(pass.kind, d))) continue;
                }
                half.kept[k].push_back({p, colour});
            }
        }
    });

    // Judged again from the topmost down, now that every later pass is known whole: the
    // walk only knew the later passes of the records after a marker's, in its own half.
    // Markers whose pixels are not known go under an identical later one.
    MarkerScratch::Half& early = s.halves[0];
    MarkerScratch::Half& late = s.halves[1];
    MarkerPixels pixels(c, early.shapes);
    CoverageMask& under = early.coverage[0];
    under.Begin(area, clipped);
    for (size_t k = job.passCount; k-- > 0;) {
        const uint16_t kind = job.passes[k].kind;
        // Not worth the culler's cells for a few (the events of a survey).
        const bool identical = late.kept[k].size() + early.kept[k].size() >= kCullerMinimum;
        if (identical) s.culler.BeginPass(area);
        for (std::vector<MarkerScratch::Kept>* list : {&late.kept[k], &early.kept[k]}) {
            size_t out = 0;
            for (const MarkerScratch::Kept& m : *list) {
                const CRect d = sq.Device(m.p);
                const MarkerPixels::Pixels px = pixels.Of(kind, sq.Square(m.p), d);
                if (px.known) {
                    if (under.Covers(d, px.rows)) continue;
                    under.Add(d, px.rows);
                } else if (under.Covers(Reach(kind, d)) ||
                           (identical && s.culler.CoveredLater(d, Style(kind, m.colour)))) {
                    continue;
                }
                (*list)[out++] = m;
            }
            list->resize(out);
        }
    }

    DrawDeleted(c, doc, job, s, sq, &under);
    for (size_t k = 0; k < job.passCount; ++k)
        for (const MarkerScratch::Half* half : {&early, &late}) {
            const std::vector<MarkerScratch::Kept>& list = half->kept[k];
            for (size_t j = list.size(); j-- > 0;)
                MarkerShape(c, sq.Device(list[j].p), job.passes[k].kind, doc.Colours[list[j].colour], doc.ColourMode);
        }
}

// Lines walked pixel by pixel by the canvases: within this reach of the origin in device
// units a horizontal or vertical line paints exactly the pixels between its ends.
constexpr int32_t kExactReach = 1 << 15;

bool Exact(CPoint a) { return std::abs(a.x) < kExactReach && std::abs(a.y) < kExactReach; }

// The pixels of a line along a pixel row or column (the last point left out), or an empty
// rectangle for any other line.
CRect StraightPixels(CPoint a, CPoint b) {
    if (a == b || !Exact(a) || !Exact(b)) return {};
    if (a.x == b.x) return b.y > a.y ? CRect{a.x, a.y, a.x + 1, b.y} : CRect{a.x, b.y + 1, a.x + 1, a.y + 1};
    if (a.y == b.y) return b.x > a.x ? CRect{a.x, a.y, b.x, a.y + 1} : CRect{b.x + 1, a.y, a.x + 1, a.y + 1};
    return {};
}

// Gathers one pass's drawing in order, joining lines that run along one pixel column
// with nothing else drawn between them into one or two lines over the same pixels.
class PassBuilder {
public:
    void Begin(std::vector<MarkerScratch::Op>* ops) {
        ops_ = ops;
        ops_->clear();
        lines_ = 0;
    }

    // True when a line from the device point `from` to one at x continues the open run:
    // `from` is where its last line ended, in the same column.
    bool Continues(CPoint from, int32_t x) const { return lines_ && x == x_ && from.y == endY_ && from.x == x_; }

    // The next line of the run, to the logical point `to` at device row y (in reach);
    // nothing when y is where the run ended (a line whose ends meet).
    void Extend(CPoint to, int32_t y) {
        const int32_t a = endY_;
        const bool moves = y != a;
        // The pixels it paints, from a toward y, y left out.
        const int32_t lo = std::min(a, y) + (a > y), hi = std::max(a, y) - (y > a);
        lo_ = moves ? std::min(lo_, lo) : lo_;
        hi_ = moves ? std::max(hi_, hi) : hi_;
        lines_ += moves;
        endY_ = y;
        Extremes(to, y);
    }

    // Any line between points whose device points a and b differ.
    void Line(CPoint from, CPoint to, CPoint a, CPoint b) {
        Flush();
        if (a.x != b.x || !Exact(a) || !Exact(b)) return Emit(from, to);
        lines_ = 1;
        x_ = a.x;
        lo_ = std::min(a.y, b.y) + (a.y > b.y);
        hi_ = std::max(a.y, b.y) - (b.y > a.y);
        first_ = from;
        firstTo_ = to;
        min_ = max_ = from;
        minY_ = maxY_ = a.y;
        endY_ = b.y;
        Extremes(to, b.y);
    }

    void Marker(uint32_t record, const CRect& d, uint16_t style) {
        Flush();
        ops_->push_back({d.left, d.top, d.right, d.bottom, record, style, 0});
    }

    // The run's lines, drawn before anything else is.
    void Flush() {
        if (!lines_) return;
        const int lines = lines_;
        lines_ = 0;
        if (lines == 1) return Emit(first_, firstTo_);
        // The end points furthest up and down lie on the run's end pixels or one past.
        const bool minIn = minY_ == lo_, maxIn = maxY_ == hi_;
        if (minIn && !maxIn) return Emit(min_, max_);  // lo..hi
        if (!minIn && maxIn) return Emit(max_, min_);  // hi down to lo
        if (minIn) {                                   // lo..hi-1 and lo+1..hi
            Emit(min_, max_);
            return Emit(max_, min_);
        }
        // Both one past: out from a point inside the run (the first line's start).
        Emit(first_, min_);
        Emit(first_, max_);
    }

private:
    void Extremes(CPoint p, int32_t y) {
        if (y < minY_) {
            minY_ = y;
            min_ = p;
        }
        if (y > maxY_) {
            maxY_ = y;
            max_ = p;
        }
    }
    void Emit(CPoint from, CPoint to) {
        ops_->push_back({from.x, from.y, to.x, to.y, MarkerScratch::kLine, 0, 0});
    }

    std::vector<MarkerScratch::Op>* ops_ = nullptr;
    int lines_ = 0;  // in the run; none open when 0
    int32_t x_ = 0, lo_ = 0, hi_ = 0, endY_ = 0;
    CPoint first_{}, firstTo_{};
    CPoint min_{}, max_{};  // the end points furthest up and down
    int32_t minY_ = 0, maxY_ = 0;
};

// With joining lines: a walk in drawing order (each half of the records at once) gathers
// each pass's lines and the markers that paint anything; then, from the topmost down,
// whatever later drawing covers is dropped; then the rest is drawn.
void DrawJoined(Canvas& c, const CVKDoc& doc, const MarkerJob& job, MarkerScratch& s, const Mapping& map) {
    SquareMapper sq(map, job.side, job.window, s);
    uint16_t drawn = 0, joins = 0;
    for (size_t k = 0; k < job.passCount; ++k) {
        drawn |= job.passes[k].kind;
        if (job.passes[k].join) joins |= job.passes[k].kind;
    }
    const auto shown = static_cast<uint16_t>(doc.ShowKinds & drawn & 0xF0);
    std::mutex canvasLock;
    for (MarkerScratch::Half& half : s.halves)
        for (auto& ops : half.ops) ops.clear();

    InTwoHalves(job.count, job.parallel, [&](int h, size_t begin, size_t end) {
        MarkerScratch::Half& half = s.halves[static_cast<size_t>(h)];
        SquareMapper marks = sq;  // its own x cache
        MarkerPixels pixels(c, half.shapes, &canvasLock);
        const Axis& toX = sq.X();
        const Axis& toY = sq.Y();
        const CRect window = job.window;
        struct Lane {
            CPoint CVKData::*point;
            uint16_t kind;
            bool join;
            bool joined;
            CPoint prev, prevDevice;
            PassBuilder builder;
        };
        std::array<Lane, 4> lanes{};
        std::array<Lane*, 4> laneOf{};  // by KindSlot
        for (size_t k = 0; k < job.passCount; ++k) {
            Lane& lane = lanes[k];
            lane.point = job.passes[k].point;
            lane.kind = job.passes[k].kind;
            lane.join = job.passes[k].join;
            lane.builder.Begin(&half.ops[k]);
            laneOf[static_cast<size_t>(KindSlot(lane.kind))] = &lane;
        }
        // The later half goes on from each kind's last record before it (a kind the
        // survey lacks is not looked for through all of it).
        auto pending = static_cast<uint16_t>(shown & joins & doc.KindFlags);
        for (size_t i = begin; pending && i-- > 0;) {
            const CVKData& r = job.records[i];
            auto found = static_cast<uint16_t>(r.Flags & pending);
            pending = static_cast<uint16_t>(pending ^ found);
            for (; found; found = static_cast<uint16_t>(found & (found - 1))) {
                Lane& lane = *laneOf[static_cast<size_t>(KindSlot(static_cast<uint16_t>(found & -found)))];
                lane.joined = !(r.Flags & REC_DELETED);
                lane.prev = r.*lane.point;
                lane.prevDevice = {toX(lane.prev.x), toY(lane.prev.y)};
            }
        }

        int32_t lastX = 0, deviceX = toX(0);
        bool xExact = Exact({deviceX, 0});
        half.deleted.clear();
        for (size_t i = begin; i < end; ++i) {
            const CVKData& r = job.records[i];
            auto kinds = static_cast<uint16_t>(r.Flags & shown);
            if ((r.Flags & REC_DELETED) && kinds && job.showDeleted) half.deleted.push_back(static_cast<uint32_t>(i));
            while (kinds) {
                const auto bit = static_cast<uint16_t>(kinds & -kinds);
                kinds = static_cast<uint16_t>(kinds ^ bit);
                Lane& lane = *laneOf[static_cast<size_t>(KindSlot(bit))];
                const CPoint p = r.*lane.point;
                const CRect square = marks.Square(p);
                const bool visible = Intersects(square, window);
                if (r.Flags & REC_DELETED) {
                    lane.joined = false;
                    continue;
                }
                if (lane.join) {
                    if (p.x != lastX) {
                        lastX = p.x;
                        deviceX = toX(p.x);
                        xExact = Exact({deviceX, 0});
                    }
                    const CPoint here{deviceX, toY(p.y)};
                    if (lane.joined && visible) {
                        if (xExact && lane.builder.Continues(lane.prevDevice, here.x) && Exact(here))
                            lane.builder.Extend(p, here.y);
                        else if (!(here == lane.prevDevice))
                            lane.builder.Line(lane.prev, p, lane.prevDevice, here);
                    }
                    lane.prev = p;
                    lane.prevDevice = here;
                    lane.joined = true;
                }
                CRect d;
                if (!visible || !marks.Painting(lane.kind, p, d)) continue;
                // Which pixels it paints, or failing that what decides them: the shape's
                // slot among those the canvas knows, else its style.
                const MarkerPixels::Pixels px = pixels.Of(lane.kind, square, d);
                const auto style = static_cast<uint16_t>(
                    px.known ? MarkerScratch::kKnown | px.slot
                             : Style(lane.kind, static_cast<uint32_t>(doc.ColourIndex(r))));
                lane.builder.Marker(static_cast<uint32_t>(i), d, style);
            }
        }
        for (size_t k = 0; k < job.passCount; ++k) lanes[k].builder.Flush();
    });

    // From the topmost down, one mask of what is painted over.
    bool clipped = false;
    const CRect area = CullArea(c, job, clipped);
    CoverageMask& coverage = s.halves[0].coverage[0];
    coverage.Begin(area, clipped);
    for (size_t k = job.passCount; k-- > 0;) {
        const uint16_t kind = job.passes[k].kind;
        // Not worth the culler's cells for a few (the events of a survey).
        size_t unknown = 0;
        for (const MarkerScratch::Half& half : s.halves)
            for (const MarkerScratch::Op& op : half.ops[k])
                unknown += op.record != MarkerScratch::kLine && !(op.style & MarkerScratch::kKnown);
        const bool identical = unknown >= kCullerMinimum;
        if (identical) s.culler.BeginPass(area);
        for (MarkerScratch::Half* half : {&s.halves[1], &s.halves[0]}) {
            std::vector<MarkerScratch::Op>& ops = half->ops[k];
            for (auto op = ops.rbegin(); op != ops.rend(); ++op) {
                if (op->record == MarkerScratch::kLine) {
                    const CPoint a = map.ToDevice(CPoint{op->a, op->b}), b = map.ToDevice(CPoint{op->c, op->d});
                    const CRect reach{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1,
                                      std::max(a.y, b.y) + 1};
                    if (coverage.Covers(reach))
                        op->dead = 1;
                    else if (clipped)  // on an image, whose pixels are all a line has
                        coverage.Add(StraightPixels(a, b));
                    continue;
                }
                const CRect d{op->a, op->b, op->c, op->d};
                if (op->style & MarkerScratch::kKnown) {
                    const uint64_t* rows = MarkerPixels::Rows(half->shapes, op->style & ~MarkerScratch::kKnown);
                    if (coverage.Covers(d, rows))
                        op->dead = 1;
                    else
                        coverage.Add(d, rows);
                } else if (coverage.Covers(Reach(kind, d)) || (identical && s.culler.CoveredLater(d, op->style))) {
                    op->dead = 1;
                }
            }
        }
    }

    DrawDeleted(c, doc, job, s, sq, &coverage);
    for (size_t k = 0; k < job.passCount; ++k) {
        const MarkerPass& pass = job.passes[k];
        for (const MarkerScratch::Half* half : {&s.halves[0], &s.halves[1]})
            for (const MarkerScratch::Op& op : half->ops[k]) {
                if (op.dead) continue;
                if (op.record == MarkerScratch::kLine) {
                    c.Line(map.ToDevice(CPoint{op.a, op.b}), map.ToDevice(CPoint{op.c, op.d}));
                } else {
                    const CVKData& r = job.records[op.record];
                    Marker(c, doc, sq, pass.kind, r, r.*pass.point);
                }
            }
    }
}

}  // namespace

CRect MarkerDevice(const Mapping& map, CPoint p, int32_t side) {
    side = std::max(side, 1);
    const int32_t x = map.X(p.x) - side / 2, y = map.Y(p.y) - side / 2;
    return {x, y, x + side, y + side};
}

CPoint MarkerLogicalReach(const Mapping& map, int32_t side) {
    // Half the side and a pixel of rounding, in logical units of each axis.
    const auto units = [&](double scale) {
        const double s = std::abs(scale);
        const double u = s > 0 ? (side / 2 + 2) / s + 1 : 1e9;
        return static_cast<int32_t>(std::min(u, 1e9));
    };
    return {units(map.ScaleX()), units(map.ScaleY())};
}

void DrawMarkers(Canvas& c, const CVKDoc& doc, const MarkerJob& job, bool cull, MarkerScratch& scratch) {
    if (job.passCount > 4) return;
    // Markers are squares of device pixels: placed through the view's mapping, drawn one
    // to one.
    const Mapping view = c.Map();
    DeviceScope device(c);
    if (!cull || job.count >= MarkerScratch::kLine) return DrawEvery(c, doc, job, view);
    if (markers::DrawOnSurface(c, doc, job, view, scratch)) return;
    bool join = false;
    for (size_t k = 0; k < job.passCount; ++k) join |= job.passes[k].join;
    if (join)
        DrawJoined(c, doc, job, scratch, view);
    else
        DrawUnjoined(c, doc, job, scratch, view);
}

}  // namespace aq
