// SPDX-License-Identifier: GPL-3.0-or-later
#include "processing/flags.h"

#include <cmath>

#include "model/muldiv.h"
#include "model/platform.h"
#include "processing/recalc.h"

namespace aq {

void Restore(CVKDoc& doc, UserPort& port) {
    doc.WillWrite(kFieldFlags);
    for (CVKData& r : doc.Records) r.Flags &= static_cast<uint16_t>(~REC_DELETED);
    Recalculate(doc, port);
}

void Remove(CVKDoc& doc, UserPort& port, bool clearZ) {
    doc.KindFlags = 0;
    doc.LevelMin = -10;
    doc.LevelMax = 10;
    doc.XMin = doc.YMin = -10;
    doc.XMax = doc.YMax = 10;
    uint16_t kinds = 0;
    std::vector<CVKData>& recs = doc.Records;
    const CVKData* selected = doc.SelectedRecord();
    int32_t newSelected = -1;
    size_t out = 0;
    if (clearZ) doc.WillWrite(kFieldZ);
    for (size_t i = 0; i < recs.size(); ++i) {
        if (clearZ) recs[i].Z = 0;
        if (recs[i].Flags & REC_DELETED) {
            // The first record to go: none has moved yet.
            if (out == i) doc.WillWrite(kEveryField);
            continue;
        }
        kinds |= recs[i].Flags & 0xFF0;
        if (selected == &recs[i]) newSelected = static_cast<int32_t>(out);
        if (out != i) recs[out] = recs[i];
        ++out;
    }
    recs.resize(out);
    // The memory past the records kept goes back to the system where they lay, rather than
    // the records being copied into a smaller array (which held both for a while and took
    // seconds at ten million records); the room stays for records added later.
    platform::PageReleaser(recs.data() + recs.size()).Upto(recs.data() + recs.capacity());
    doc.KindFlags = kinds;
    // The selection follows its record, and goes with it.
    doc.Selected = newSelected >= 0;
    doc.SelectedIndex = newSelected >= 0 ? newSelected : 0;
    if (!doc.Selected) doc.Animating = false;
    Recalculate(doc, port);
}

namespace {

// A live position was measured: the plan extents are those of real positions.
bool HasPositions(const CVKDoc& doc) { return doc.FirstPosIndex >= 0; }

// A position record, or another record that was given a position: one that never was
// keeps the X and Y of 0 it was made with.
bool HasPosition(const CVKData& r) { return (r.Flags & REC_POSITION) || r.X != 0 || r.Y != 0; }

}  // namespace

RangePair SwappedRangePair(const RangeValues& v) {
    if (v.Spatial && v.XMin > v.XMax) return RangePair::X;
    if (v.Spatial && v.YMin > v.YMax) return RangePair::Y;
    if (v.ZMin > v.ZMax) return RangePair::Z;
    if (v.QaMin > v.QaMax) return RangePair::Qa;
    if (v.Start > v.End) return RangePair::Time;
    return RangePair::None;
}

RangeValues InitialRangeValues(const CVKDoc& doc) {
    const bool geo = doc.IsGeographic();
    RangeValues v;
    v.XMin = CoordToReal(doc.XMin, geo);
    v.XMax = CoordToReal(doc.XMax, geo);
    v.YMin = CoordToReal(doc.YMin, geo);
    v.YMax = CoordToReal(doc.YMax, geo);
    v.ZMin = doc.LevelMin / 100.0;
    v.ZMax = doc.LevelMax / 100.0;
    v.QaMin = doc.QaMin;
    v.QaMax = doc.QaMax;
    v.Start = doc.TimeMin;
    v.End = doc.TimeMax;
    v.Spatial = HasPositions(doc);
    return v;
}

bool ApplyRange(CVKDoc& doc, const RangeValues& given, UserPort& port) {
    RangeValues v = given;
    // Whether X and Y apply is the survey's to say, whatever the caller filled in.
    v.Spatial = HasPositions(doc);
    if (SwappedRangePair(v) != RangePair::None) {
        port.Message(RANGE_MIN_ABOVE_MAX, Severity::Error);
        return false;
    }
    const double scale = doc.IsGeographic() ? 10000000.0 : 100.0;
    if (v.Spatial) {
        doc.XMin = TruncScaled(v.XMin, scale);
        doc.XMax = TruncScaled(v.XMax, scale);
        doc.YMin = TruncScaled(v.YMin, scale);
        doc.YMax = TruncScaled(v.YMax, scale);
    }
    doc.LevelMin = TruncScaled(v.ZMin, 100.0);
    doc.LevelMax = TruncScaled(v.ZMax, 100.0);
    doc.QaMin = v.QaMin;
    doc.QaMax = v.QaMax;
    // The moments are 32-bit second counts.
    const int64_t start = Low32(v.Start);
    const int64_t end = Low32(v.End);

    doc.WillWrite(kFieldFlags);
    for (size_t i = doc.Records.size(); i-- > 0;) {
        CVKData& r = doc.Records[i];
        const bool spatial = v.Spatial && HasPosition(r);
        const bool event = (r.Flags & 0xF0) == REC_EVENT;
        const int32_t level = r.SeabedLevel();
        const bool outside =
            (spatial && (r.X < doc.XMin || r.X > doc.XMax || r.Y < doc.YMin || r.Y > doc.YMax)) ||
            (!event && (level < doc.LevelMin || level > doc.LevelMax)) ||
            ((r.Flags & REC_DEPTH) && (r.Quality < doc.QaMin || r.Quality > doc.QaMax)) || r.Time < start ||
            r.Time > end;
        if (outside) r.Flags |= REC_DELETED;
    }
    Recalculate(doc, port);
    return true;
}

namespace {

// Smooths the Z of every live position from index 1 to n - 2 in place, so each record
// sees its predecessor's new value. with_self: (prev + next + own) / 3, else (prev + next) / 2.
void SmoothZ(CVKDoc& doc, bool withSelf) {
    std::vector<CVKData>& recs = doc.Records;
    const size_t n = recs.size();
    if (n < 3) return;
    doc.WillWrite(kFieldZ);
    // The next live position at or after each index is found by one forward scan.
    size_t prev = static_cast<size_t>(-1);
    size_t next = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (i >= 1 && (recs[i].Flags & 0x7F) == REC_POSITION) {
            if (next <= i) {
                next = i + 1;
                while (next < n && !recs[next].IsLive(REC_POSITION)) ++next;
            }
            if (prev != static_cast<size_t>(-1) && next < n) {
                const int32_t sum = Add32(recs[prev].Z, recs[next].Z);
                recs[i].Z = withSelf ? Add32(sum, recs[i].Z) / 3 : sum / 2;
            }
        }
        if (recs[i].IsLive(REC_POSITION)) prev = i;
    }
}

}  // namespace

void HiPassZ(CVKDoc& doc, UserPort& port) {
    if (doc.KindFlags & REC_POSITION) SmoothZ(doc, true);
    Recalculate(doc, port);
}

void LoPassZ(CVKDoc& doc, UserPort& port) {
    if (doc.KindFlags & REC_POSITION)
        for (int pass = 0; pass < 10; ++pass) SmoothZ(doc, false);
    Recalculate(doc, port);
}

int MarkInRect(CVKDoc& doc, const CRect& rect, bool del, bool sectionView, UserPort& port) {
    const bool depth = doc.KindFlags & REC_DEPTH;
    const bool pos = doc.KindFlags & REC_POSITION;
    const bool tide = doc.KindFlags & REC_TIDE;
    int hits = 0;
    auto* journal = doc.FlagJournal;
    doc.WillWrite(kFieldFlags);
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        CVKData& r = doc.Records[i];
        const bool hit = sectionView ? ((depth && rect.Contains(r.ptSeabed)) || (pos && rect.Contains(r.ptHeight)) ||
                                        (tide && rect.Contains(r.ptTide)))
                                     : rect.Contains(r.ptPlan);
        if (!hit) continue;
        ++hits;
        if (journal) journal->emplace_back(static_cast<uint32_t>(i), r.Flags);
        if (del)
            r.Flags |= REC_DELETED;
        else
            r.Flags &= 0x0FFE;
    }
    if (hits > 0) {
        RefreshRange(doc, port);
        // Deletions are edits like any other: the document must offer to save them.
        doc.SetModified(true, port);
        port.ViewsChanged();
    }
    return hits;
}

void MarkOutsideTimeFrame(CVKDoc& doc, int32_t x0, int32_t x1, UserPort& port) {
    bool changed = false;
    auto* journal = doc.FlagJournal;
    doc.WillWrite(kFieldFlags);
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        CVKData& r = doc.Records[i];
        const uint16_t before = r.Flags;
        if (r.ptHeight.x < x0 || r.ptHeight.x > x1)
            r.Flags |= REC_DELETED;
        else
            r.Flags &= 0x0FFE;
        if (before != r.Flags) {
            changed = true;
            if (journal) journal->emplace_back(static_cast<uint32_t>(i), before);
        }
    }
    RefreshRange(doc, port);
    if (changed) doc.SetModified(true, port);
    port.ViewsChanged();
}

}  // namespace aq
