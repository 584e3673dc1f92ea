// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace aq {

// Little-endian object archive of the document and layout files: numbers, counted
// object arrays with class tags, and length-prefixed 8-bit texts.
class ArchiveWriter {
public:
    void U8(uint8_t v) { buf_.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
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

    const std::vector<uint8_t>& Data() const { return buf_; }
    std::vector<uint8_t>& Data() { return buf_; }
    void Reserve(size_t n) { buf_.reserve(n); }

private:
    std::vector<uint8_t> buf_;
    std::map<std::string, uint32_t> classIndex_;
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
};

}  // namespace aq
