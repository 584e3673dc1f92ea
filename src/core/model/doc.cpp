// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/doc.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/muldiv.h"
#include "model/platform.h"

namespace aq {

CVKDoc::CVKDoc() { Reset(); }

void CVKDoc::New(UserPort& port) {
    Reset();
    port.SetStatusText(StatusText);
}

void CVKDoc::Reset() {
    // A new survey is untitled until it is saved: its title must not be the last file's.
    PathName.clear();
    static_cast<SurveySettings&>(*this) = SurveySettings{};
    static_cast<OffsetSettings&>(*this) = OffsetSettings{};
    static_cast<DerivedState&>(*this) = DerivedState{};
    static_cast<SelectionState&>(*this) = SelectionState{};
    static_cast<DisplaySettings&>(*this) = DisplaySettings{};
    Records.clear();
    Records.shrink_to_fit();
    StatusText.clear();
}

void CVKDoc::ReserveRecords(size_t n) {
    if (n <= Records.capacity()) return;
    const size_t size = Records.size();
    // Below this the copy costs little and the old array goes back as it is freed.
    constexpr size_t kPieceBytes = size_t{8} << 20;
    if (size * sizeof(CVKData) < 4 * kPieceBytes) {
        Records.reserve(n);
        AdviseRoom();
        return;
    }
    std::vector<CVKData> grown;
    grown.reserve(n);
    platform::AdviseHugePages(grown.data(), grown.capacity() * sizeof(CVKData));
    constexpr size_t kPiece = kPieceBytes / sizeof(CVKData);
    platform::PageReleaser old(Records.data());
    for (size_t i = 0; i < size; i += kPiece) {
        const size_t end = std::min(size, i + kPiece);
        grown.insert(grown.end(), Records.begin() + static_cast<std::ptrdiff_t>(i),
                     Records.begin() + static_cast<std::ptrdiff_t>(end));
        // The copied records are never read again: the old array is freed below.
        old.Upto(Records.data() + end);
    }
    Records.swap(grown);
}

void CVKDoc::AdviseRoom() {
    // The room not yet written, on huge pages where the system gives them: each fault of
    // a large survey's array then brings in 2 MB instead of 4 kB, and on a virtual machine
    // the faults were nearly half the time of an import.
    platform::AdviseHugePages(Records.data() + Records.size(), (Records.capacity() - Records.size()) * sizeof(CVKData));
}

const CVKData* CVKDoc::SelectedRecord() const {
    if (!Selected || SelectedIndex < 0 || static_cast<size_t>(SelectedIndex) >= Records.size()) return nullptr;
    return &Records[static_cast<size_t>(SelectedIndex)];
}

void CVKDoc::UpdateCounts(UserPort& port) {
    int32_t depth = 0, event = 0, tide = 0, pos = 0, deleted = 0;
    for (const CVKData& r : Records) {
        if (r.Flags & REC_DELETED) {
            ++deleted;
            continue;
        }
        switch (r.Flags & 0xF0) {
            case REC_DEPTH: ++depth; break;
            case REC_POSITION: ++pos; break;
            case REC_TIDE: ++tide; break;
            case REC_EVENT: ++event; break;
            default: break;
        }
    }
    CountDepth = depth;
    CountEvent = event;
    CountTide = tide;
    CountPos = pos;
    CountDeleted = deleted;
    SetStatusText(CountsText(), port);
}

std::string CVKDoc::CountsText() const {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d Event, %d Tide, %d %s, %d Depth, %d Deleted", CountEvent, CountTide, CountPos,
                  IsGeographic() ? "L/L" : "Fix", CountDepth, CountDeleted);
    return buf;
}

int CVKDoc::ColourIndex(const CVKData& rec) const {
    if (rec.Flags & REC_DELETED) return 0;
    switch (ColourMode) {
        case COLOUR_POINT_TYPE:
            switch (rec.Flags & 0xF0) {
                case REC_DEPTH: return 6;
                case REC_POSITION: return 2;
                case REC_TIDE: return 4;
                case REC_EVENT: return 1;
                default: return 0;
            }
        case COLOUR_ELEVATION: {
            const int32_t d = MulDiv(6, Sub32(rec.SeabedLevel(), LevelMin), Sub32(LevelMax, LevelMin));
            return (d >= 0 && d <= 7) ? 7 - d : 0;
        }
        case COLOUR_QUALITY:
            return ~MulDiv(6, rec.Quality, 127) & 7;
        default:
            return 0;
    }
}

std::vector<int32_t> CVKDoc::CollectInRect(const CRect& rect, bool sectionView) const {
    std::vector<int32_t> hits;
    for (size_t i = 0; i < Records.size(); ++i) {
        const CVKData& r = Records[i];
        bool hit;
        if (sectionView)
            hit = ((r.Flags & REC_POSITION) && rect.Contains(r.ptHeight)) ||
                  ((r.Flags & REC_TIDE) && rect.Contains(r.ptTide)) ||
                  ((r.Flags & REC_DEPTH) && rect.Contains(r.ptSeabed)) ||
                  ((r.Flags & REC_EVENT) && rect.Contains(r.ptDepthUp));
        else
            hit = rect.Contains(r.ptPlan);
        if (hit) hits.push_back(static_cast<int32_t>(i));
    }
    return hits;
}

void CVKDoc::FindNearest(CPoint point, bool sectionView, UserPort& port) {
    if (Records.size() < 2) return;
    Selected = false;
    Animating = false;
    CPoint CVKData::*member = &CVKData::ptPlan;
    if (sectionView) {
        if (KindFlags & REC_DEPTH)
            member = &CVKData::ptSeabed;
        else if (KindFlags & REC_POSITION)
            member = &CVKData::ptHeight;
        else if (KindFlags & REC_TIDE)
            member = &CVKData::ptTide;
        else
            member = nullptr;
    }
    if (member) {
        int64_t best = 30000;
        for (size_t i = 0; i < Records.size(); ++i) {
            const CPoint p = Records[i].*member;
            const int64_t d = std::llabs(int64_t{p.x} - point.x) + std::llabs(int64_t{p.y} - point.y);
            if (d < best) {
                best = d;
                Selected = true;
                SelectedIndex = static_cast<int32_t>(i);
            }
        }
    }
    port.ViewsChanged();
}

void CVKDoc::AnimateStep(UserPort& port) {
    if (!Animating || !SelectedRecord()) return;
    ++SelectedIndex;
    if (static_cast<size_t>(SelectedIndex) >= Records.size()) SelectedIndex = 0;
    port.ViewsChanged();
}

void CVKDoc::SetModified(bool modified, UserPort& port) {
    if (Modified == modified) return;
    Modified = modified;
    port.ModifiedChanged(modified);
}

void CVKDoc::SetStatusText(const std::string& text, UserPort& port) {
    StatusText = text;
    port.SetStatusText(text);
}

}  // namespace aq
