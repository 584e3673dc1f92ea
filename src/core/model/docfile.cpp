// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/docfile.h"

#include <algorithm>
#include <filesystem>
#include <cerrno>
#include <new>
#include <string_view>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "model/archive.h"
#include "model/parallel.h"
#include "model/safefile.h"

namespace aq {

namespace {

const char* const kControlClass = "ClsqData";
const char* const kRecordClass = "CVKData";
constexpr uint16_t kSchema = 4;

// Smallest stored record: tag (2) and the older form with a 32-bit time (32 bytes).
constexpr size_t kMinRecordBytes = 2 + 32;
// Smallest stored control point: its tag and payload.
constexpr size_t kMinControlBytes = 2 + CONTROL_POINT_MIN_BYTES;

// Smallest the tail after the record array can be: every fixed member and an empty text.
constexpr size_t kTailBytes = 4 + 4 + 1 + 2 + 24 + 12 + 4 + 4 + 4 + 8 + 8;

// The saved members after the record array.
struct Tail {
    int32_t LevelMax = 0, LevelMin = 0;
    std::string ImportedFiles;
    uint16_t KindFlags = 0;
    int64_t PosTimeOffset = 0, DepthTimeOffset = 0, TideTimeOffset = 0;
    int32_t EastOffset = 0, NorthOffset = 0, ElevOffset = 0;
    int16_t DepthOffset = 0, TideOffset = 0;
    int32_t InterpLimit = 0, SounderImported = 0;
    double SoundVelocity = 0;
};

// Enough of a file to see whether it can begin a document.
constexpr size_t kHeadBytes = 32;

// A document begins with the control-point count and, when there are points, the
// announcement of their class; else with the record count and, when there are records,
// the announcement of theirs. The loader fails on any other start, so such bytes are
// refused on these few instead of after reading a file of garbage whole. False only
// when the bytes are there and differ.
bool MayBeDocument(const std::vector<uint8_t>& head) {
    size_t pos = 0;
    const auto count = [&](uint32_t& n) {
        if (head.size() - pos < 2) return false;
        n = LoadLE<uint16_t>(head.data() + pos);
        pos += 2;
        if (n != 0xFFFF) return true;
        if (head.size() - pos < 4) return false;
        n = LoadLE<uint32_t>(head.data() + pos);
        pos += 4;
        return true;
    };
    const auto announces = [&](std::string_view name) {
        uint8_t expected[6 + 16];
        StoreLE<uint16_t>(expected, 0xFFFF);
        StoreLE<uint16_t>(expected + 2, kSchema);
        StoreLE<uint16_t>(expected + 4, static_cast<uint16_t>(name.size()));
        std::copy(name.begin(), name.end(), expected + 6);
        for (size_t i = 0; i < 6 + name.size() && pos + i < head.size(); ++i)
            if (head[pos + i] != expected[i]) return false;
        return true;
    };
    uint32_t n = 0;
    if (!count(n)) return true;
    if (n > 0) return announces(kControlClass);
    if (!count(n)) return true;
    if (n > 0) return announces(kRecordClass);
    return true;
}

}  // namespace

namespace {

// A stored record in the form this program writes: its two-byte tag, then the 40 bytes.
constexpr size_t kStoredRecordBytes = 2 + RECORD_BYTES;

// Writes the document into `ar`; whenever more than `piece` bytes wait there, hands
// them to `flush` (which empties the writer), stopping with false when it fails.
template <typename Flush>
bool Encode(const CVKDoc& doc, ArchiveWriter& ar, size_t piece, Flush&& flush) {
    ar.Count(static_cast<uint32_t>(doc.Control.Points.size()));
    for (const ClsqData& p : doc.Control.Points) {
        ar.ObjectTag(kControlClass, kSchema);
        p.Write(ar);
        if (ar.WrittenSize() >= piece && !flush(ar)) return false;
    }

    const std::vector<CVKData>& records = doc.Records;
    ar.Count(static_cast<uint32_t>(records.size()));
    for (size_t i = 0; i < records.size();) {
        ar.ObjectTag(kRecordClass, kSchema);
        records[i++].Write(ar);
        // The rest in bulk, as ObjectTag and Write would give them, a piece at a time.
        const uint16_t tag = ar.RepeatTag(kRecordClass);
        while (tag != 0 && i < records.size()) {
            const size_t room = piece > ar.WrittenSize() ? (piece - ar.WrittenSize()) / kStoredRecordBytes : 0;
            const size_t k = std::min(records.size() - i, std::max<size_t>(room, 1));
            uint8_t* p = ar.Grow(k * kStoredRecordBytes);
            for (size_t j = 0; j < k; ++j, p += kStoredRecordBytes) {
                StoreLE(p, tag);
                records[i + j].ToStored(p + 2);
            }
            ar.CountObjects(static_cast<uint32_t>(k));
            i += k;
            if (ar.WrittenSize() >= piece && !flush(ar)) return false;
        }
        if (ar.WrittenSize() >= piece && !flush(ar)) return false;
    }

    ar.I32(doc.LevelMax);
    ar.I32(doc.LevelMin);
    ar.Text(doc.ImportedFiles);
    ar.U16(doc.KindFlags);
    ar.I64(doc.PosTimeOffset);
    ar.I64(doc.DepthTimeOffset);
    ar.I64(doc.TideTimeOffset);
    ar.I32(doc.EastOffset);
    ar.I32(doc.NorthOffset);
    ar.I32(doc.ElevOffset);
    ar.I16(doc.DepthOffset);
    ar.I16(doc.TideOffset);
    ar.I32(doc.InterpLimit);
    ar.I32(doc.SounderImported);
    ar.I32(0);
    ar.I32(0);
    ar.Double(doc.SoundVelocity);
    return flush(ar);
}

}  // namespace

std::vector<uint8_t> SaveDocumentBytes(const CVKDoc& doc) {
    ArchiveWriter ar;
    ar.Reserve(96 + doc.Records.size() * (2 + RECORD_BYTES) + doc.ImportedFiles.size() +
               doc.Control.Points.size() * 160);
    Encode(doc, ar, SIZE_MAX, [](ArchiveWriter&) { return true; });
    return std::move(ar.Data());
}

namespace {

// The records, in bulk while they have the usual form (a plain reference to their class
// and a 64-bit time), one at a time through the general reader otherwise.
void ReadRecords(ArchiveReader& ar, const std::vector<std::string>& recordClasses, uint32_t n,
                 std::vector<CVKData>& records, PagesAhead& pages) {
    uint32_t i = 0;
    while (i < n) {
        ar.ObjectTag(recordClasses, kSchema);
        records.push_back(CVKData::Zeroed());
        records.back().Read(ar);
        ++i;
        const uint16_t tag = ar.RepeatTag(recordClasses);
        if (tag == 0) continue;
        while (i < n) {
            const auto [p, size] = ar.Window(kStoredRecordBytes * 4096);
            const size_t fit = std::min<size_t>(size / kStoredRecordBytes, n - i);
            size_t k = 0;
            for (; k < fit; ++k) {
                const uint8_t* r = p + k * kStoredRecordBytes;
                if (LoadLE<uint16_t>(r) != tag || LoadLE<uint32_t>(r + 2) != TIME64_MARKER) break;
                records.push_back(CVKData::FromStored(r + 2));
            }
            ar.Consume(k * kStoredRecordBytes, static_cast<uint32_t>(k));
            i += static_cast<uint32_t>(k);
            pages.Reached(records.data() + records.size());
            // Another form, or too few bytes left: the general reader takes it (and fails
            // on a record cut short as it would anyway).
            if (k < fit || fit == 0) break;
        }
    }
}

// How a load stands with memory, for the message should it run out.
struct LoadMemory {
    uint64_t neededBytes = 0;  // what the records claimed need
    bool touched = false;      // the document's survey has been given up
};

// Loads the document. At most `reserveLimit` records are made room for ahead (what the
// source can really hold); a larger claim grows as records are really read, so a count
// alone never takes gigabytes. Running out of memory throws std::bad_alloc with `memory`
// telling whether the document was touched yet.
bool Load(CVKDoc& doc, ArchiveReader& ar, uint64_t reserveLimit, LoadMemory& memory) {
    std::vector<ClsqData> points;
    bool controlRead = false;
    try {
        const std::vector<std::string> controlClasses{kControlClass};
        const uint32_t nPoints = ar.Count(kMinControlBytes);
        points.reserve(nPoints);
        for (uint32_t i = 0; i < nPoints; ++i) {
            ar.ObjectTag(controlClasses, kSchema);
            points.emplace_back().Read(ar);
        }
        controlRead = true;

        const std::vector<std::string> recordClasses{kRecordClass};
        const uint32_t nRecords = ar.Count(kMinRecordBytes);
        if (nRecords > (ar.Remaining() - std::min(ar.Remaining(), kTailBytes)) / kMinRecordBytes)
            throw FormatError("record count exceeds file");
        memory.neededBytes = uint64_t{nRecords} * sizeof(CVKData);
        // Read straight into the document, reusing its storage: a failure resets it anyway.
        // Room is made before the survey is given up, so that should it not be had the
        // document stays whole.
        std::vector<CVKData>& records = doc.Records;
        const size_t room = static_cast<size_t>(std::min<uint64_t>(nRecords, reserveLimit));
        const bool fresh = records.capacity() < room;
        if (fresh) {
            std::vector<CVKData> made;
            made.reserve(room);
            memory.touched = true;
            records = std::move(made);
            doc.AdviseRoom();
        } else {
            memory.touched = true;
            records.clear();
        }
        // Fresh memory costs a fault and a cleared page at the first write to each page, as
        // much again as decoding the records into it: those faults are taken ahead while
        // the records are read, when the whole array is fresh.
        PagesAhead pages(records.data(), fresh && room == nRecords ? room * sizeof(CVKData) : 0);
        ReadRecords(ar, recordClasses, nRecords, records, pages);

        Tail saved;
        saved.LevelMax = ar.I32();
        saved.LevelMin = ar.I32();
        saved.ImportedFiles = ar.Text();
        saved.KindFlags = ar.U16();
        saved.PosTimeOffset = ar.I64();
        saved.DepthTimeOffset = ar.I64();
        saved.TideTimeOffset = ar.I64();
        saved.EastOffset = ar.I32();
        saved.NorthOffset = ar.I32();
        saved.ElevOffset = ar.I32();
        saved.DepthOffset = ar.I16();
        saved.TideOffset = ar.I16();
        saved.InterpLimit = ar.I32();
        saved.SounderImported = ar.I32();
        ar.I32();
        ar.I32();
        saved.SoundVelocity = ar.Double();

        doc.Control.Points = std::move(points);
        doc.Control.Recompute();
        doc.LevelMax = saved.LevelMax;
        doc.LevelMin = saved.LevelMin;
        doc.ImportedFiles = std::move(saved.ImportedFiles);
        doc.KindFlags = saved.KindFlags;
        doc.PosTimeOffset = saved.PosTimeOffset;
        doc.DepthTimeOffset = saved.DepthTimeOffset;
        doc.TideTimeOffset = saved.TideTimeOffset;
        doc.EastOffset = saved.EastOffset;
        doc.NorthOffset = saved.NorthOffset;
        doc.ElevOffset = saved.ElevOffset;
        doc.DepthOffset = saved.DepthOffset;
        doc.TideOffset = saved.TideOffset;
        doc.InterpLimit = saved.InterpLimit;
        doc.SounderImported = saved.SounderImported;
        doc.SoundVelocity = saved.SoundVelocity;
        // Selections refer to the records that were replaced.
        doc.Selected = false;
        doc.SelectedIndex = 0;
        doc.Animating = false;
        return true;
    } catch (const FormatError&) {
        // No partial survey: reset, keeping control points that were read whole.
        doc.Reset();
        if (controlRead) {
            doc.Control.Points = std::move(points);
            doc.Control.Recompute();
        }
        return false;
    }
}

// The file read a window at a time.
class FileSource final : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override {
        if (fd_ >= 0) ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Opens the file without waiting on a FIFO; false with the error number kept.
    bool Open(const std::string& path) {
        fd_ = OpenForReading(path, error_, &size_, &allocated_);
        return fd_ >= 0;
    }
    uint64_t Size() const { return size_; }
    // The bytes the file really holds on disk: a sparse file claims more than it has.
    uint64_t Allocated() const { return allocated_; }
    // The first bytes (all of a shorter file), leaving the reading position at the start.
    bool Head(std::vector<uint8_t>& out) {
        out.resize(kHeadBytes);
        out.resize(Read(out.data(), out.size()));
        if (failed_) return false;
        if (::lseek(fd_, 0, SEEK_SET) != 0) {
            error_ = errno;
            failed_ = true;
            return false;
        }
        return true;
    }
    size_t Read(uint8_t* into, size_t max) override {
        size_t got = 0;
        while (got < max && !failed_) {
            const ssize_t n = ::read(fd_, into + got, max - got);
            if (n < 0) {
                if (errno == EINTR) continue;
                error_ = errno;
                failed_ = true;
                break;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        return got;
    }
    bool Failed() const { return failed_; }
    int Error() const { return error_; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t allocated_ = 0;
    int error_ = 0;
    bool failed_ = false;
};

}  // namespace

bool LoadDocumentBytes(CVKDoc& doc, const uint8_t* data, size_t size) {
    ArchiveReader ar(data, size);
    LoadMemory memory;
    return Load(doc, ar, size / kMinRecordBytes, memory);
}

DocumentFileRead ReadDocumentFile(CVKDoc& doc, const std::string& path) {
    using Outcome = DocumentFileRead::Outcome;
    DocumentFileRead read;
    FileSource file;
    std::vector<uint8_t> head;
    if (!file.Open(path) || !file.Head(head)) {
        read.outcome = Outcome::CannotOpen;
        read.error = file.Error();
        return read;
    }
    if (head.empty()) {
        read.outcome = Outcome::Empty;
        return read;
    }
    LoadMemory memory;
    bool loaded = false;
    try {
        if (!MayBeDocument(head)) {
            // Bytes that cannot begin a document stay the few read: loading them fails as
            // loading the whole file would.
            loaded = LoadDocumentBytes(doc, head.data(), head.size());
        } else {
            // Read a window at a time straight into the records: the file is never held
            // whole. Room is made ahead only for what its disk blocks can hold.
            ArchiveReader ar(file, file.Size());
            const uint64_t holds = std::min(file.Size(), std::max(file.Allocated(), uint64_t{1} << 20));
            loaded = Load(doc, ar, holds / kMinRecordBytes, memory);
        }
    } catch (const std::bad_alloc&) {
        read.outcome = Outcome::OutOfMemory;
        read.neededBytes = memory.neededBytes;
        read.touched = memory.touched;
        return read;
    }
    read.neededBytes = memory.neededBytes;
    read.touched = memory.touched;
    if (loaded) {
        read.outcome = Outcome::Loaded;
    } else if (file.Failed()) {
        // A read that failed part way is told as such; the survey is reset all the same.
        read.outcome = Outcome::ReadFailed;
        read.error = file.Error();
    } else {
        read.outcome = Outcome::BadFormat;
    }
    return read;
}

bool EncodeDocument(const CVKDoc& doc, size_t piece, const std::function<bool(const uint8_t*, size_t)>& write) {
    ArchiveWriter ar;
    ar.Reserve(piece + 4096);
    return Encode(doc, ar, piece, [&write](ArchiveWriter& w) {
        const bool ok = write(w.Written(), w.WrittenSize());
        w.ClearWritten();
        return ok;
    });
}

}  // namespace aq
