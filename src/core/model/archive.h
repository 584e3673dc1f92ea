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

namespace aq {

// Byte order of the files, whatever the machine's.
template <typename T>
inline void StoreLE(uint8_t* p, T v) {
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
}
template <typename T>
inline T LoadLE(const uint8_t* p) {
    uint64_t v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = (v << 8) | p[i];
    return static_cast<T>(v);
}

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

class ArchiveReader {
public:
    ArchiveReader(const uint8_t* data, size_t size) : p_(data), end_(data + size), begin_(data) {}

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

    // The next n bytes, which the caller decodes.
    const uint8_t* Take(size_t n) {
        Need(n);
        const uint8_t* p = p_;
        p_ += n;
        return p;
    }

    size_t Remaining() const { return static_cast<size_t>(end_ - p_); }
    size_t Position() const { return static_cast<size_t>(p_ - begin_); }
    bool AtEnd() const { return p_ == end_; }

private:
    void Need(size_t n) const {
        if (Remaining() < n) throw FormatError("unexpected end of file");
    }
    const uint8_t* p_;
    const uint8_t* end_;
    const uint8_t* begin_;
    std::vector<std::pair<uint32_t, std::string>> classes_;  // announced classes by index
    uint32_t mapCount_ = 1;  // index 0 is the empty element
    uint32_t lastIndex_ = 0;
    const std::vector<std::string>* lastKnown_ = nullptr;
    size_t lastPosition_ = 0;
};

}  // namespace aq
