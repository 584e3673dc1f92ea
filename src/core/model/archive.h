// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/bytes.h"

namespace aq {

// Little-endian object archive of the document and layout files: numbers, counted
// object arrays with class tags, and length-prefixed 8-bit texts.
class ArchiveWriter {
public:
    void U8(uint8_t v) { *Grow(1) = v; }
    void U16(uint16_t v) { StoreLE(Grow(2), v); }
    void U32(uint32_t v) { StoreLE(Grow(4), v); }
    void U64(uint64_t v) { StoreLE(Grow(8), v); }
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void I64(int64_t v) { U64(static_cast<uint64_t>(v)); }
    void Double(double v);
    void Text(const std::string& s);
    void Bytes(const void* p, size_t n);

    // Count of an object array.
    void Count(uint32_t n);
    // The tag before an object of the named class: the class announcement the first
    // time, a reference to its index afterwards. Counts the object too.
    void ObjectTag(const char* className, uint16_t schema);

    // Room for n more bytes, to be filled by the caller.
    uint8_t* Grow(size_t n) {
        if (buf_.size() - size_ < n) buf_.resize(std::max(buf_.size() * 2, size_ + n + 64));
        uint8_t* p = buf_.data() + size_;
        size_ += n;
        return p;
    }

    // The bytes written so far.
    std::vector<uint8_t>& Data() {
        buf_.resize(size_);
        return buf_;
    }
    void Reserve(size_t n) {
        if (buf_.size() < n) buf_.resize(n);
    }

    // For arrays written in bulk: the two-byte tag of a further object of the class
    // ObjectTag last announced or referred to, when it is `className` and its index fits
    // such a tag; else 0. The caller writes the tags and calls CountObjects for them.
    uint16_t RepeatTag(const char* className) const {
        return className == lastClass_ && lastClassIndex_ < 0x7FFF ? static_cast<uint16_t>(0x8000 | lastClassIndex_)
                                                                   : 0;
    }
    void CountObjects(uint32_t n) { mapCount_ += n; }

    // For writing a large archive out in pieces: the bytes written since the last
    // ClearWritten, which then starts the buffer again (keeping its room and the class
    // table, so later tags still refer to the classes announced before).
    const uint8_t* Written() const { return buf_.data(); }
    size_t WrittenSize() const { return size_; }
    void ClearWritten() { size_ = 0; }

private:
    std::vector<uint8_t> buf_;  // holds spare room beyond size_
    size_t size_ = 0;
    std::map<std::string, uint32_t> classIndex_;
    const char* lastClass_ = nullptr;
    uint32_t lastClassIndex_ = 0;
    uint32_t mapCount_ = 1;  // index 0 is the empty element
};

// Thrown inside the loaders when the bytes do not form a valid file; the public load
// functions catch it and report "Unexpected file format.".
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where an ArchiveReader that does not hold the whole archive gets its bytes from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `max` further bytes into `into`; 0 at the end or on a failure.
    virtual size_t Read(uint8_t* into, size_t max) = 0;
};

class ArchiveReader {
public:
    // The whole archive in memory.
    ArchiveReader(const uint8_t* data, size_t size) : p_(data), end_(data + size), begin_(data) {}
    // An archive of `size` bytes read from `source` as it goes, a window at a time: the
    // memory held stays a small buffer whatever the size (a single text or object larger
    // than it widens it). When the source gives fewer bytes than `size`, reading past them
    // fails as the end of the archive does.
    ArchiveReader(ByteSource& source, uint64_t size);

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    uint64_t U64();
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    int64_t I64() { return static_cast<int64_t>(U64()); }
    double Double();
    std::string Text();
    void Skip(size_t n);

    // Count of an object array; fails unless at least minBytesEach bytes per element remain.
    uint32_t Count(size_t minBytesEach);
    // Reads an object's tag and returns the position of its class in knownClasses (the
    // classes allowed at this place); fails on an empty element, an unknown or misplaced
    // class, a bad schema or a name of 64 bytes or more.
    size_t ObjectTag(const std::vector<std::string>& knownClasses, uint16_t schema);

    // The next n bytes, which the caller decodes; valid until the next call.
    const uint8_t* Take(size_t n) {
        Need(n);
        const uint8_t* p = p_;
        p_ += n;
        return p;
    }

    // For arrays read in bulk: the two-byte tag that writers put before every further
    // object of the class ObjectTag last returned for `knownClasses` (a plain reference
    // to it), or 0 when that class has an index too large for such a tag or none was read.
    uint16_t RepeatTag(const std::vector<std::string>& knownClasses) const;
    // The bytes from the reading position on, none consumed: at least `want` of them
    // while the archive holds that many (fewer only at its end); valid until the next call.
    std::pair<const uint8_t*, size_t> Window(size_t want);
    // Consumes n bytes of the window, which held `objects` objects (their tags included)
    // that the caller decoded.
    void Consume(size_t n, uint32_t objects) {
        p_ += n;
        mapCount_ += objects;
    }

    // Bytes left in the archive, those not yet read from the source included.
    size_t Remaining() const { return static_cast<size_t>(end_ - p_) + static_cast<size_t>(sourceLeft_); }
    size_t Position() const { return static_cast<size_t>(p_ - begin_) + static_cast<size_t>(dropped_); }
    bool AtEnd() const { return Remaining() == 0; }

private:
    void Need(size_t n) {
        if (static_cast<size_t>(end_ - p_) < n) Fill(n);
    }
    // Reads from the source until n bytes are at hand; fails at the end of the archive.
    void Fill(size_t n);
    // As Fill, without failing; false when fewer than n bytes are left.
    bool TryFill(size_t n);

    const uint8_t* p_;
    const uint8_t* end_;
    const uint8_t* begin_;
    ByteSource* source_ = nullptr;
    uint64_t sourceLeft_ = 0;      // bytes the source still owes
    uint64_t dropped_ = 0;         // bytes read and let go before begin_
    std::vector<uint8_t> window_;  // the source's bytes at hand
    std::vector<std::pair<uint32_t, std::string>> classes_;  // announced classes by index
    uint32_t mapCount_ = 1;  // index 0 is the empty element
    uint32_t lastIndex_ = 0;
    const std::vector<std::string>* lastKnown_ = nullptr;
    size_t lastPosition_ = 0;
};

}  // namespace aq
