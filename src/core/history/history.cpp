// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/history.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

#include "model/parallel.h"
#include "model/platform.h"
#include "processing/recalc.h"

namespace aq {

// ---- the document's settings ----

DocSettings DocSettings::Of(const CVKDoc& d) {
    DocSettings s;
    s.Control = d.Control;
    s.survey = d;
    s.offsets = d;
    s.derived = d;
    s.selection = d;
    s.display = d;
    s.StatusText = d.StatusText;
    return s;
}

void DocSettings::ApplyTo(CVKDoc& d) const {
    d.Control = Control;
    static_cast<SurveySettings&>(d) = survey;
    static_cast<OffsetSettings&>(d) = offsets;
    static_cast<DerivedState&>(d) = derived;
    static_cast<SelectionState&>(d) = selection;
    static_cast<DisplaySettings&>(d) = display;
}

bool DocSettings::operator==(const DocSettings& o) const {
    if (Control.Points.size() != o.Control.Points.size() || Control.CentralMeridian != o.Control.CentralMeridian)
        return false;
    // Control points compared byte for byte: the padding of a freshly copied point is its own.
    for (size_t i = 0; i < Control.Points.size(); ++i)
        if (std::memcmp(&Control.Points[i], &o.Control.Points[i], sizeof(ClsqData)) != 0) return false;
    const SurveySettings& a = survey;
    const SurveySettings& b = o.survey;
    // The sound velocity by its bits: a NaN equals itself, and 0 and -0 differ as the
    // file's bytes do.
    const bool sameSurvey = a.ImportedFiles == b.ImportedFiles && a.KindFlags == b.KindFlags &&
                            a.LevelMin == b.LevelMin && a.LevelMax == b.LevelMax &&
                            std::memcmp(&a.SoundVelocity, &b.SoundVelocity, sizeof a.SoundVelocity) == 0 &&
                            a.InterpLimit == b.InterpLimit && a.SounderImported == b.SounderImported &&
                            a.Crs == b.Crs;
    return sameSurvey && offsets == o.offsets && derived == o.derived && selection == o.selection &&
           display == o.display && StatusText == o.StatusText;
}

size_t DocSettings::Bytes() const {
    return sizeof(DocSettings) + survey.ImportedFiles.size() + survey.Crs.Definition.size() + StatusText.size() +
           Control.Points.size() * sizeof(ClsqData);
}

// ---- the records' fields ----

namespace {

// The fields of a record that commands write. The view points are left out: they are
// worked out again from these and the axes after every change.
struct Column {
    size_t offset;
    size_t size;
};

constexpr Column kColumns[] = {
    {offsetof(CVKData, Time), sizeof(CVKData::Time)},       {offsetof(CVKData, X), sizeof(CVKData::X)},
    {offsetof(CVKData, Y), sizeof(CVKData::Y)},             {offsetof(CVKData, Z), sizeof(CVKData::Z)},
    {offsetof(CVKData, Depth), sizeof(CVKData::Depth)},     {offsetof(CVKData, Tide), sizeof(CVKData::Tide)},
    {offsetof(CVKData, Pitch), sizeof(CVKData::Pitch)},     {offsetof(CVKData, Roll), sizeof(CVKData::Roll)},
    {offsetof(CVKData, Heave), sizeof(CVKData::Heave)},     {offsetof(CVKData, Flags), sizeof(CVKData::Flags)},
    {offsetof(CVKData, Quality), sizeof(CVKData::Quality)}, {offsetof(CVKData, Hundredths), sizeof(CVKData::Hundredths)},
};
constexpr size_t kColumnCount = std::size(kColumns);
constexpr size_t kFlagsColumn = 9;
constexpr const char* kColumnNames[] = {"Time", "X",     "Y",    "Z",     "Depth",   "Tide",
                                        "Pitch", "Roll", "Heave", "Flags", "Quality", "Hundredths"};
// The journal's field bits are the columns in this order.
static_assert(kEveryField == (1u << kColumnCount) - 1 && kFieldFlags == 1u << kFlagsColumn &&
              kFieldHundredths == 1u << 11 && kFieldDepth == 1u << 4);

inline const uint8_t* Field(const CVKData& r, size_t c) {
    return reinterpret_cast<const uint8_t*>(&r) + kColumns[c].offset;
}
inline uint8_t* Field(CVKData& r, size_t c) { return reinterpret_cast<uint8_t*>(&r) + kColumns[c].offset; }

// A pass over a survey of a million records or more is shared by two threads.
constexpr ParallelSettings kHalves{.minimum = size_t{1} << 20, .parts = 2};

// Where each column starts in a snapshot, in bytes a record: the columns lie one after
// another, each a packed array of its field.
constexpr std::array<size_t, kColumnCount> kColumnStart = [] {
    std::array<size_t, kColumnCount> start{};
    size_t at = 0;
    for (size_t c = 0; c < kColumnCount; ++c) {
        start[c] = at;
        at += kColumns[c].size;
    }
    return start;
}();
constexpr size_t kRowBytes = kColumnStart[kColumnCount - 1] + kColumns[kColumnCount - 1].size;

// The stored fields of every record as they stood before a command, a column each, so
// that a column the command rewrote is kept by one copy of a contiguous array.
struct Snapshot {
    size_t count = 0;
    // Left unwritten until the copy: both threads then fault in their own halves, where
    // zeroing it first would take one thread's pass over memory that is overwritten at once.
    std::unique_ptr<uint8_t[]> data;

    size_t capacity = 0;  // bytes of data

    // Room for the fields of n records: `spare` when it is large enough (its pages are in
    // memory already), otherwise new memory.
    void Allocate(size_t n, std::unique_ptr<uint8_t[]>& spare, size_t& spareBytes) {
        count = n;
        if (spare && spareBytes >= count * kRowBytes) {
            data = std::move(spare);
            capacity = spareBytes;
        } else {
            spare.reset();
            data = std::make_unique_for_overwrite<uint8_t[]>(count * kRowBytes);
            capacity = count * kRowBytes;
            platform::AdviseHugePages(data.get(), capacity);
        }
        spareBytes = 0;
    }
    // Copies the fields of `columns` (bits of RecordField) of the records.
    void Copy(const std::vector<CVKData>& records, uint16_t columns) {
        ParallelFor(count, kHalves, [&](unsigned, size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                const CVKData& r = records[i];
#pragma GCC unroll 16
                for (size_t c = 0; c < kColumnCount; ++c)
                    if ((columns >> c) & 1u) std::memcpy(Column(c) + i * kColumns[c].size, Field(r, c), kColumns[c].size);
            }
        });
    }
    void Take(const std::vector<CVKData>& records, std::unique_ptr<uint8_t[]>& spare, size_t& spareBytes) {
        Allocate(records.size(), spare, spareBytes);
        Copy(records, kEveryField);
    }
    uint8_t* Column(size_t c) const { return data.get() + count * kColumnStart[c]; }
    const uint8_t* At(size_t c, size_t i) const { return Column(c) + i * kColumns[c].size; }
    CVKData Record(size_t i) const {
        CVKData r = CVKData::Zeroed();
        for (size_t c = 0; c < kColumnCount; ++c) std::memcpy(Field(r, c), At(c, i), kColumns[c].size);
        return r;
    }
    int64_t Key(size_t i) const {
        int64_t t;
        std::memcpy(&t, At(0, i), sizeof t);
        return t * 100 + *At(11, i);
    }
    uint16_t Kind(size_t i) const {
        uint16_t f;
        std::memcpy(&f, At(kFlagsColumn, i), sizeof f);
        return f & 0xF0;
    }
};

// Room for a step's values, on huge pages where the system gives them: a whole column of
// a large survey faults its memory in a tenth of the time that way, and a step that keeps
// a rewritten column pays that fault on every command.
template <class T>
void Reserve(std::vector<T>& v, size_t n) {
    v.reserve(n);
    platform::AdviseHugePages(v.data(), n * sizeof(T));
}

int64_t KeyOf(const CVKData& r) { return r.Time * 100 + r.Hundredths; }

}  // namespace

// A change of one column at some of the records the two states share, given by their
// rank among those records (the same in both states); or at all of them.
struct ColumnChange {
    uint8_t column = 0;
    bool dense = false;
    std::vector<uint32_t> ranks;  // ascending; empty when dense
    std::vector<uint8_t> values;  // the values of the state the delta leads to
};

class RecordDelta {
public:
    size_t sourceSize = 0;
    size_t targetSize = 0;
    std::vector<uint32_t> remove;    // ascending indices of the source state
    std::vector<uint32_t> insertAt;  // ascending indices of the target state
    std::vector<CVKData> inserted;   // the records inserted there
    std::vector<ColumnChange> columns;

    size_t Bytes() const {
        size_t n = sizeof(RecordDelta) + remove.size() * 4 + insertAt.size() * 4 + inserted.size() * sizeof(CVKData);
        for (const ColumnChange& c : columns) n += sizeof(ColumnChange) + c.ranks.size() * 4 + c.values.size();
        return n;
    }
    bool Empty() const { return remove.empty() && insertAt.empty() && columns.empty(); }
    // Only flags change, record for record: the view points stay where they are.
    bool FlagsOnly() const {
        if (!remove.empty() || !insertAt.empty()) return false;
        for (const ColumnChange& c : columns)
            if (c.column != kFlagsColumn || c.dense) return false;
        return true;
    }

    // Turns the records of the source state into those of the target state, returning
    // the delta that leads back.
    RecordDelta Apply(std::vector<CVKData>& records) const;
};

namespace {

// The index of shared record `rank` among records of which `gaps` (ascending indices)
// are not shared, walking on from a previous answer (ranks come in ascending order).
struct RankWalker {
    const std::vector<uint32_t>& gaps;
    size_t passed = 0;
    size_t IndexOf(size_t rank) {
        size_t index = rank + passed;
        while (passed < gaps.size() && gaps[passed] <= index) {
            ++passed;
            index = rank + passed;
        }
        return index;
    }
};

// Adds the changes of every column between the shared records of the present records and
// of the snapshot: values of the snapshot where they differ. `present` and `past` give
// the index of each shared rank in either. A first pass over the records marks the
// columns each one changed and counts them; a second fills each changed column from the
// snapshot alone, whole or at the changed records, whichever is smaller.
template <class PresentIndex, class PastIndex>
void DiffColumns(const std::vector<CVKData>& records, const Snapshot& snap, size_t shared, PresentIndex present,
                 PastIndex past, RecordDelta& delta, uint16_t columns = kEveryField) {
    static_assert(kColumnCount <= 16);
    std::vector<uint16_t> masks;
    Reserve(masks, shared);
    masks.resize(shared, 0);
    size_t halves[2][kColumnCount] = {};
    ParallelFor(shared, kHalves, [&](unsigned half, size_t begin, size_t end) {
        // Counted in this thread's own array, added once at the end: the two halves'
        // counts share a cache line, which both threads writing it would pass to and fro.
        size_t counts[kColumnCount] = {};
        for (size_t r = begin; r < end; ++r) {
            const CVKData& now = records[present(r)];
            const size_t then = past(r);
            unsigned mask = 0;
#pragma GCC unroll 16
            for (size_t c = 0; c < kColumnCount; ++c)
                if ((columns >> c) & 1u)
                    mask |= static_cast<unsigned>(std::memcmp(Field(now, c), snap.At(c, then), kColumns[c].size) != 0)
                            << c;
            if (mask == 0) continue;
            for (size_t c = 0; c < kColumnCount; ++c) counts[c] += (mask >> c) & 1u;
            masks[r] = static_cast<uint16_t>(mask);
        }
        std::copy(std::begin(counts), std::end(counts), halves[half]);
    });
    size_t counts[kColumnCount];
    for (size_t c = 0; c < kColumnCount; ++c) counts[c] = halves[0][c] + halves[1][c];
    for (size_t c = 0; c < kColumnCount; ++c) {
        if (counts[c] == 0) continue;
        const size_t size = kColumns[c].size;
        ColumnChange change;
        change.column = static_cast<uint8_t>(c);
        // Past a point, the whole column is smaller than its changes with their ranks.
        change.dense = counts[c] * (4 + size) > shared * size;
        if (change.dense) {
            if (shared == snap.count) {  // every record shared: the snapshot's column as it is
                Reserve(change.values, shared * size);
                change.values.assign(snap.At(c, 0), snap.At(c, 0) + shared * size);
            } else {
                Reserve(change.values, shared * size);
                change.values.resize(shared * size);
                for (size_t r = 0; r < shared; ++r)
                    std::memcpy(change.values.data() + r * size, snap.At(c, past(r)), size);
            }
        } else {
            change.ranks.reserve(counts[c]);
            Reserve(change.values, counts[c] * size);
            change.values.resize(counts[c] * size);
            uint8_t* out = change.values.data();
            for (size_t r = 0; r < shared; ++r) {
                if (!(masks[r] & (1u << c))) continue;
                change.ranks.push_back(static_cast<uint32_t>(r));
                std::memcpy(out, snap.At(c, past(r)), size);
                out += size;
            }
        }
        delta.columns.push_back(std::move(change));
    }
}

}  // namespace

RecordDelta RecordDelta::Apply(std::vector<CVKData>& records) const {
    RecordDelta back;
    back.sourceSize = targetSize;
    back.targetSize = sourceSize;
    // Rewritten fields of the shared records, their present values kept for the way back.
    for (const ColumnChange& change : columns) {
        const size_t c = change.column;
        const size_t size = kColumns[c].size;
        ColumnChange undo;
        undo.column = change.column;
        undo.dense = change.dense;
        undo.ranks = change.ranks;
        Reserve(undo.values, change.values.size());
        undo.values.resize(change.values.size());
        RankWalker walk{remove};
        const size_t n = change.dense ? change.values.size() / size : change.ranks.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t rank = change.dense ? k : change.ranks[k];
            uint8_t* field = Field(records[walk.IndexOf(rank)], c);
            std::memcpy(undo.values.data() + k * size, field, size);
            std::memcpy(field, change.values.data() + k * size, size);
        }
        back.columns.push_back(std::move(undo));
    }
    // Records taken away, kept for the way back.
    if (!remove.empty()) {
        back.insertAt = remove;
        back.inserted.reserve(remove.size());
        size_t out = 0, next = 0;
        for (size_t i = 0; i < records.size(); ++i) {
            if (next < remove.size() && remove[next] == i) {
                back.inserted.push_back(records[i]);
                ++next;
                continue;
            }
            if (out != i) records[out] = records[i];
            ++out;
        }
        records.resize(out);
    }
    // Records put in, to be taken away again on the way back.
    if (!insertAt.empty()) {
        back.remove = insertAt;
        const size_t kept = records.size();
        records.resize(kept + insertAt.size(), CVKData::Zeroed());
        // From the end: each kept record moves up by the insertions before its new place.
        size_t from = kept, to = records.size(), next = insertAt.size();
        while (to > 0) {
            --to;
            if (next > 0 && insertAt[next - 1] == to) {
                --next;
                records[to] = inserted[next];
            } else {
                records[to] = records[--from];
            }
        }
    }
    return back;
}

// ---- the history ----

struct UndoHistory::Step {
    std::string name;
    RecordDelta records;     // leads to the other state: back when done, forward when undone
    DocSettings settings;    // the settings of the other state
    size_t Bytes() const { return sizeof(Step) + name.size() + records.Bytes() + settings.Bytes(); }
};

struct UndoHistory::Pending final : RecordJournal {
    std::string name;
    bool modified = false;
    UndoScope scope = UndoScope::Records;
    std::vector<std::pair<uint32_t, uint16_t>> journal;  // scope Flags
    size_t count = 0;
    Snapshot snapshot;  // scope Fields: only the columns kept so far are written
    DocSettings settings;
    CVKDoc* doc = nullptr;
    std::mutex mutex;
    // Scope Fields: a field was named once the number of records had changed, when it
    // could no longer be kept as it was.
    bool late = false;
    std::unique_ptr<Snapshot> whole;  // while checking: every field, for the check

    Pending() = default;
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;
    ~Pending() override {
        if (!doc) return;
        if (doc->Journal == this) doc->Journal = nullptr;
        if (doc->FlagJournal == &journal) doc->FlagJournal = nullptr;
    }

    void Keep(uint16_t fields) override {
        std::lock_guard<std::mutex> lock(mutex);
        const auto missing = static_cast<uint16_t>(fields & ~kept_.load(std::memory_order_relaxed) & kEveryField);
        if (missing != 0) {
            if (doc->Records.size() == snapshot.count)
                snapshot.Copy(doc->Records, missing);
            else
                late = true;
        }
        kept_.fetch_or(fields, std::memory_order_release);
    }
};

bool UndoHistory::Checking() {
    static const bool on = [] {
        const char* v = std::getenv("AQUENTA_CHECK_UNDO");
        return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
    }();
    return on;
}

namespace {

// While checking: stops the program when a command of scope Fields changed what it did not
// name to the journal, saying which command and which field.
void CheckKept(const std::string& name, const std::vector<CVKData>& recs, const Snapshot& whole, uint16_t kept,
               bool late) {
    std::string what;
    if (late || (recs.size() != whole.count && kept != kEveryField)) {
        what = "the number of records";
    } else if (recs.size() == whole.count) {
        for (size_t c = 0; c < kColumnCount && what.empty(); ++c) {
            if ((kept >> c) & 1u) continue;
            for (size_t i = 0; i < recs.size(); ++i) {
                if (std::memcmp(Field(recs[i], c), whole.At(c, i), kColumns[c].size) != 0) {
                    what = std::string("the ") + kColumnNames[c] + " of record " + std::to_string(i);
                    break;
                }
            }
        }
    }
    if (what.empty()) return;
    std::fprintf(stderr, "undo history: \"%s\" changed %s without naming it to the journal\n", name.c_str(),
                 what.c_str());
    std::abort();
}

}  // namespace

size_t UndoHistory::DefaultBudget() {
    const uint64_t memory = platform::PhysicalMemoryBytes();
    if (memory > 0) return static_cast<size_t>(memory / 4);
    return size_t{1} << 30;
}

UndoHistory::UndoHistory(size_t budgetBytes) : budget_(budgetBytes) {}
UndoHistory::~UndoHistory() = default;

void UndoHistory::Begin(CVKDoc& doc, const std::string& name, UndoScope scope, UserPort& port) {
    pending_.reset();
    doc.FlagJournal = nullptr;
    doc.Journal = nullptr;
    try {
        auto p = std::make_unique<Pending>();
        p->name = name;
        p->count = doc.Records.size();
        p->scope = scope;
        p->doc = &doc;
        if (scope == UndoScope::Records) {
            p->snapshot.Take(doc.Records, spare_, spareBytes_);
        } else if (scope == UndoScope::Fields) {
            p->snapshot.Allocate(doc.Records.size(), spare_, spareBytes_);
            if (Checking()) {
                p->whole = std::make_unique<Snapshot>();
                std::unique_ptr<uint8_t[]> none;
                size_t noBytes = 0;
                p->whole->Take(doc.Records, none, noBytes);
            }
        }
        p->settings = DocSettings::Of(doc);
        p->modified = doc.Modified;
        if (scope == UndoScope::Flags) doc.FlagJournal = &p->journal;
        if (scope == UndoScope::Fields) doc.Journal = p.get();
        pending_ = std::move(p);
    } catch (const std::bad_alloc&) {
        // The command runs all the same; only its step is lost, and the history before
        // it no longer leads to the present.
        steps_.clear();
        position_ = 0;
        saved_ = -1;
        bytes_ = 0;
        spare_.reset();
        spareBytes_ = 0;
        // What the command changes goes unrecorded: count it as a change.
        ++revision_;
        port.StatusNote("Not enough memory to keep \"" + name + "\" for undo; the undo history was cleared.");
    }
}

void UndoHistory::Cancel(CVKDoc& doc) {
    doc.FlagJournal = nullptr;
    doc.Journal = nullptr;
    if (pending_) KeepSpare(std::move(pending_->snapshot.data), pending_->snapshot.capacity);
    pending_.reset();
}

void UndoHistory::KeepSpare(std::unique_ptr<uint8_t[]> data, size_t bytes) {
    if (!data) return;
    spare_ = std::move(data);
    spareBytes_ = bytes;
}

bool UndoHistory::End(CVKDoc& doc, UserPort& port) {
    doc.FlagJournal = nullptr;
    doc.Journal = nullptr;
    if (!pending_) return false;
    std::unique_ptr<Pending> p = std::move(pending_);
    const bool journaled = p->scope == UndoScope::Flags;
    // Scope Fields: what the command named. With every field named, the snapshot is whole
    // and the step is made as for scope Records.
    const uint16_t kept = p->scope == UndoScope::Fields ? p->Kept() : uint16_t{kEveryField};
    if (p->whole) CheckKept(p->name, doc.Records, *p->whole, kept, p->late);
    try {
        auto step = std::make_unique<Step>();
        step->name = p->name;
        step->settings = std::move(p->settings);
        const Snapshot& snap = p->snapshot;
        RecordDelta& delta = step->records;
        const std::vector<CVKData>& recs = doc.Records;
        delta.sourceSize = recs.size();
        delta.targetSize = p->count;
        if (journaled && recs.size() == p->count) {
            // The first entry of a record holds its flags from before the command.
            std::vector<std::pair<uint32_t, uint16_t>>& journal = p->journal;
            std::stable_sort(journal.begin(), journal.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            ColumnChange change;
            change.column = kFlagsColumn;
            for (size_t k = 0; k < journal.size(); ++k) {
                if (k > 0 && journal[k].first == journal[k - 1].first) continue;
                const uint16_t was = journal[k].second;
                if (recs[journal[k].first].Flags == was) continue;
                change.ranks.push_back(journal[k].first);
                const auto* bytes = reinterpret_cast<const uint8_t*>(&was);
                change.values.insert(change.values.end(), bytes, bytes + sizeof was);
            }
            if (!change.ranks.empty()) delta.columns.push_back(std::move(change));
        } else if (recs.size() == snap.count && !journaled && !p->late) {
            if (kept != 0)
                DiffColumns(recs, snap, snap.count, [](size_t r) { return r; }, [](size_t r) { return r; }, delta,
                            kept);
        } else if (journaled || p->late || kept != kEveryField) {
            // A command that should have changed flags alone, or only the fields it named,
            // changed the number of records: its step cannot be made, and the steps before
            // it no longer lead here.
            steps_.clear();
            position_ = 0;
            saved_ = -1;
            bytes_ = 0;
            ++revision_;
            port.StatusNote("\"" + p->name + "\" could not be kept for undo; the undo history was cleared.");
            return false;
        } else {
            // Both states are in time order: walk them together, taking what only the
            // present holds as inserted by the command and what only the past held as
            // removed. Any alignment in order gives back the past exactly; a good one
            // keeps the step small.
            std::vector<uint32_t> sharedNow, sharedThen;
            size_t i = 0, j = 0;
            const size_t n = recs.size(), m = snap.count;
            while (i < n || j < m) {
                if (i < n && j < m && KeyOf(recs[i]) == snap.Key(j) && (recs[i].Flags & 0xF0) == snap.Kind(j)) {
                    sharedNow.push_back(static_cast<uint32_t>(i++));
                    sharedThen.push_back(static_cast<uint32_t>(j++));
                } else if (j >= m || (i < n && (KeyOf(recs[i]) < snap.Key(j) ||
                                                (KeyOf(recs[i]) == snap.Key(j) && n - i > m - j)))) {
                    delta.remove.push_back(static_cast<uint32_t>(i++));
                } else {
                    delta.insertAt.push_back(static_cast<uint32_t>(j));
                    delta.inserted.push_back(snap.Record(j++));
                }
            }
            DiffColumns(recs, snap, sharedNow.size(), [&](size_t r) { return sharedNow[r]; },
                        [&](size_t r) { return sharedThen[r]; }, delta);
        }
        const bool wasModified = p->modified;
        KeepSpare(std::move(p->snapshot.data), p->snapshot.capacity);
        p.reset();
        if (delta.Empty() && step->settings == DocSettings::Of(doc)) {
            // Nothing changed, so nothing is to be saved that was not before.
            doc.SetModified(wasModified, port);
            return false;
        }
        // A new step ends the steps that were undone.
        while (steps_.size() > position_) {
            bytes_ -= steps_.back()->Bytes();
            steps_.pop_back();
        }
        if (saved_ > static_cast<int64_t>(position_)) saved_ = -1;
        bytes_ += step->Bytes();
        steps_.push_back(std::move(step));
        ++position_;
        ++revision_;
        Trim(port);
        return true;
    } catch (const std::bad_alloc&) {
        steps_.clear();
        position_ = 0;
        saved_ = -1;
        bytes_ = 0;
        spare_.reset();
        spareBytes_ = 0;
        ++revision_;
        port.StatusNote("Not enough memory to keep \"" + p->name + "\" for undo; the undo history was cleared.");
        return false;
    }
}

void UndoHistory::Trim(UserPort& port) {
    size_t dropped = 0;
    while (bytes_ > budget_ && !steps_.empty()) {
        bytes_ -= steps_.front()->Bytes();
        steps_.pop_front();
        if (position_ > 0) --position_;
        --saved_;
        if (saved_ < 0) saved_ = -1;
        ++dropped;
    }
    if (dropped == 0) return;
    dropped_ += dropped;
    port.StatusNote(dropped == 1 ? "The oldest undo step was dropped to keep the history within its memory."
                                 : "The " + std::to_string(dropped) +
                                       " oldest undo steps were dropped to keep the history within its memory.");
}

void UndoHistory::SetBudget(size_t bytes, UserPort& port) {
    budget_ = bytes;
    Trim(port);
}

std::string UndoHistory::UndoName() const { return CanUndo() ? steps_[position_ - 1]->name : std::string(); }
std::string UndoHistory::RedoName() const { return CanRedo() ? steps_[position_]->name : std::string(); }

namespace {

// The axes the view points are worked out on.
bool SameAxes(const DocSettings& a, const DocSettings& b) {
    const DerivedState& p = a.derived;
    const DerivedState& q = b.derived;
    return p.TimeMin == q.TimeMin && p.TimeMax == q.TimeMax && a.survey.LevelMin == b.survey.LevelMin &&
           a.survey.LevelMax == b.survey.LevelMax && p.XMin == q.XMin && p.XMax == q.XMax && p.YMin == q.YMin &&
           p.YMax == q.YMax;
}

// Adds (sign +1) or takes away (-1) the records at the flag changes of `delta` from the
// document's counts, as they stand in the records now.
void CountFlags(CVKDoc& doc, const RecordDelta& delta, int sign) {
    for (const ColumnChange& change : delta.columns) {
        for (const uint32_t at : change.ranks) {
            const uint16_t f = doc.Records[at].Flags;
            if (f & REC_DELETED) {
                doc.CountDeleted += sign;
                continue;
            }
            switch (f & 0xF0) {
                case REC_DEPTH: doc.CountDepth += sign; break;
                case REC_POSITION: doc.CountPos += sign; break;
                case REC_TIDE: doc.CountTide += sign; break;
                case REC_EVENT: doc.CountEvent += sign; break;
                default: break;
            }
        }
    }
}

}  // namespace

bool UndoHistory::Undo(CVKDoc& doc, UserPort& port) { return Move(doc, true, port); }
bool UndoHistory::Redo(CVKDoc& doc, UserPort& port) { return Move(doc, false, port); }

bool UndoHistory::Move(CVKDoc& doc, bool undo, UserPort& port) {
    if (undo ? !CanUndo() : !CanRedo()) return false;
    pending_.reset();
    Step& step = *steps_[undo ? position_ - 1 : position_];
    bytes_ -= step.Bytes();
    DocSettings now = DocSettings::Of(doc);
    // A change of flags alone on the same axes moves no view point: only the counts of
    // the records it touched change, so undoing a box delete costs what the box held.
    const bool flagsOnly = step.records.FlagsOnly() && SameAxes(now, step.settings);
    if (flagsOnly) CountFlags(doc, step.records, -1);
    RecordDelta back = step.records.Apply(doc.Records);
    if (flagsOnly) CountFlags(doc, back, +1);
    const std::string status = step.settings.StatusText;
    step.settings.ApplyTo(doc);
    step.settings = std::move(now);
    step.records = std::move(back);
    bytes_ += step.Bytes();
    position_ = undo ? position_ - 1 : position_ + 1;
    ++revision_;
    // The view points and counts of the restored records, on the restored axes; the
    // status pane as it read then.
    if (!flagsOnly) UpdateValues(doc, port);
    doc.SetStatusText(status, port);
    UpdateModified(doc, port);
    port.ViewsChanged();
    return true;
}

void UndoHistory::UpdateModified(CVKDoc& doc, UserPort& port) const {
    doc.SetModified(saved_ != static_cast<int64_t>(position_), port);
}

void UndoHistory::Clear(bool savedState) {
    steps_.clear();
    pending_.reset();
    spare_.reset();
    spareBytes_ = 0;
    position_ = 0;
    bytes_ = 0;
    saved_ = savedState ? 0 : -1;
    ++revision_;
}

std::vector<UndoHistory::StepInfo> UndoHistory::Steps() const {
    std::vector<StepInfo> out;
    for (size_t i = 0; i < steps_.size(); ++i) out.push_back({steps_[i]->name, steps_[i]->Bytes(), i < position_});
    return out;
}

}  // namespace aq
