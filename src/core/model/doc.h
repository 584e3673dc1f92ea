// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/control.h"
#include "model/data.h"
#include "model/geometry.h"
#include "model/journal.h"
#include "model/surveycrs.h"
#include "model/userport.h"

namespace aq {

// Colour schemes of the views.
enum ColourScheme : int32_t { COLOUR_POINT_TYPE = 0, COLOUR_ELEVATION = 1, COLOUR_QUALITY = 2 };

// The document's state beside its records, in groups that are copied and reset whole:
// File > New assigns each its defaults, and the undo history keeps them as they are.

// Saved with the survey.
struct SurveySettings {
    std::string ImportedFiles;
    uint16_t KindFlags = 0;
    int32_t LevelMin = -10;
    int32_t LevelMax = 10;
    double SoundVelocity = 1500.0;
    int32_t InterpLimit = 10;
    int32_t SounderImported = 0;
    // The coordinate system of X and Y, saved in a file beside the document's (the
    // document file's bytes have no room for it); unrecorded until a command says.
    SurveyCrs Crs;
};

// The time and value offsets of the Offsets commands, saved with the survey.
struct OffsetSettings {
    int64_t PosTimeOffset = 0, DepthTimeOffset = 0, TideTimeOffset = 0;
    int32_t EastOffset = 0, NorthOffset = 0, ElevOffset = 0;
    int16_t DepthOffset = 0, TideOffset = 0;
    bool operator==(const OffsetSettings&) const = default;
};

// Worked out from the records by recalculation and counting; not saved.
struct DerivedState {
    int32_t TimeMin = INT32_MIN;
    int32_t TimeMax = -1;
    int64_t XMin = -10, XMax = 10, YMin = -10, YMax = 10;
    int32_t FirstPosIndex = -1, LastPosIndex = -1;
    int32_t QaMin = 0, QaMax = 127;
    int32_t CountDepth = 0, CountEvent = 0, CountTide = 0, CountPos = 0, CountDeleted = 0;
    bool NeedsSort = false;
    bool operator==(const DerivedState&) const = default;
};

// The selected record.
struct SelectionState {
    bool Selected = false;  // a record is selected: Records[SelectedIndex]
    int32_t SelectedIndex = 0;
    bool operator==(const SelectionState&) const = default;
};

// How the views draw the survey, saved with it.
struct DisplaySettings {
    int32_t BoxSize = 3;
    int32_t TextSize = 5;
    int32_t ColourMode = COLOUR_POINT_TYPE;
    int32_t ShowKinds = 0xF0;
    // 0x00BBGGRR; slot 0 for deleted records
    std::array<uint32_t, 8> Colours{0x000000, 0xFF00FF, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFFFFFF};
    int32_t AnimateTicks = 5;
    bool operator==(const DisplaySettings&) const = default;
};

// The survey document: every record in time order, the control points, and the groups
// of settings above.
class CVKDoc : public SurveySettings,
               public OffsetSettings,
               public DerivedState,
               public SelectionState,
               public DisplaySettings {
public:
    CVKDoc();
    CVKDoc(const CVKDoc&) = delete;
    CVKDoc& operator=(const CVKDoc&) = delete;

    // --- saved survey data ---
    CVKlsq Control;
    std::vector<CVKData> Records;

    bool Animating = false;  // the shell's timer steps the selection along the records

    // While set, the commands that change flags alone (box delete and undelete, the time
    // frame) add each record they change and its flags before the change, so the undo
    // history need not copy every record's flags to learn what changed.
    std::vector<std::pair<uint32_t, uint16_t>>* FlagJournal = nullptr;
    // While set, the commands that rewrite fields of the records in place say which,
    // before they write them (WillWrite), and say every field before they add, take away
    // or reorder records: the undo history then keeps only what they name.
    RecordJournal* Journal = nullptr;
    void WillWrite(uint16_t fields) {
        if (Journal) Journal->WillWrite(fields);
    }

    // --- document state of the shell ---
    std::string PathName;  // empty while untitled
    bool Modified = false;
    std::string StatusText;  // the record-count pane

    // Resets everything but the control points, as File > New; the document is
    // untitled again, and the port's record-count pane is emptied.
    void New(UserPort& port);
    // The same without a word to the shell: for a document nobody shows yet, or one that
    // the caller tells of itself.
    void Reset();

    void AddRecord(const CVKData& rec) {
        if (Records.size() == Records.capacity()) ReserveRecords(std::max<size_t>(16, 2 * Records.size()));
        Records.push_back(rec);
    }
    // Room for at least n records, as Records.reserve; but a large survey is moved to the
    // new array a piece at a time, the memory of each piece given back once it is copied,
    // so that it is never held twice over. Throws std::bad_alloc as reserve does.
    void ReserveRecords(size_t n);
    // Asks the system for huge pages for the room past the records.
    void AdviseRoom();
    bool IsGeographic() const { return (KindFlags & REC_GEOGRAPHIC) != 0; }
    // The selected record, or null.
    const CVKData* SelectedRecord() const;

    // Counts the records and hands the status text to the shell.
    void UpdateCounts(UserPort& port);
    // "%d Event, %d Tide, %d %s, %d Depth, %d Deleted" of the current counts.
    std::string CountsText() const;

    // Colour slot 0-7 of a record under the current scheme.
    int ColourIndex(const CVKData& rec) const;

    // The records whose view point lies in the rectangle, in array order, deleted ones
    // included (section: positions by height, tides by tide, depths by seabed, events
    // by depth-up; plan: by plan point). Returns indices into Records.
    std::vector<int32_t> CollectInRect(const CRect& rect, bool sectionView) const;

    // Selects the record nearest the point; nothing happens with fewer than 2 records.
    void FindNearest(CPoint point, bool sectionView, UserPort& port);

    // One step of the animation: the next record becomes the selection.
    void AnimateStep(UserPort& port);

    // The shell hears of a change of the modified mark and of the record-count text.
    void SetModified(bool modified, UserPort& port);
    void SetStatusText(const std::string& text, UserPort& port);
};

}  // namespace aq
