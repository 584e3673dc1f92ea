// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/archive.h"

#include <algorithm>
#include <cstring>

namespace aq {

namespace {
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigClassTag = 0x7FFF;
constexpr uint32_t kBigClassFlag = 0x80000000;
constexpr size_t kMaxClassName = 64;
}  // namespace

void ArchiveWriter::U16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    buf_.insert(buf_.end(), b, b + 2);
}

void ArchiveWriter::U32(uint32_t v) {
    uint8_t b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    buf_.insert(buf_.end(), b, b + 4);
}

void ArchiveWriter::U64(uint64_t v) {
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    buf_.insert(buf_.end(), b, b + 8);
}

void ArchiveWriter::Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U64(bits);
}

void ArchiveWriter::Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    buf_.insert(buf_.end(), b, b + n);
}

void ArchiveWriter::Text(const std::string& s) {
    const size_t n = s.size();
    if (n < 0xFF) {
        U8(static_cast<uint8_t>(n));
    } else if (n < 0xFFFE) {
        U8(0xFF);
        U16(static_cast<uint16_t>(n));
    } else {
        U8(0xFF);
        U16(0xFFFF);
        U32(static_cast<uint32_t>(n));
    }
    Bytes(s.data(), n);
}

void ArchiveWriter::Count(uint32_t n) {
    if (n < 0xFFFF) {
        U16(static_cast<uint16_t>(n));
    } else {
        U16(0xFFFF);
        U32(n);
    }
}

void ArchiveWriter::ObjectTag(const char* className, uint16_t schema) {
    auto it = classIndex_.find(className);
    if (it == classIndex_.end()) {
        U16(kNewClassTag);
        U16(schema);
        const auto len = static_cast<uint16_t>(std::strlen(className));
        U16(len);
        Bytes(className, len);
        classIndex_.emplace(className, mapCount_++);
    } else if (it->second < kBigClassTag) {
        U16(static_cast<uint16_t>(kClassTag | it->second));
    } else {
        U16(kBigClassTag);
        U32(kBigClassFlag | it->second);
    }
    ++mapCount_;  // the object itself
}

uint8_t ArchiveReader::U8() {
    Need(1);
    return *p_++;
}

uint16_t ArchiveReader::U16() {
    Need(2);
    const uint16_t v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    p_ += 2;
    return v;
}

uint32_t ArchiveReader::U32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p_[i];
    p_ += 4;
    return v;
}

uint64_t ArchiveReader::U64() {
    Need(8);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p_[i];
    p_ += 8;
    return v;
}

double ArchiveReader::Double() {
    const uint64_t bits = U64();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void ArchiveReader::Skip(size_t n) {
    Need(n);
    p_ += n;
}

std::string ArchiveReader::Text() {
    // A 16-bit length of 0xFFFE marks a text stored as UTF-16; such texts are read
    // into 8-bit characters (Latin-1, others as '?').
    bool wide = false;
    uint64_t len = U8();
    if (len == 0xFF) {
        len = U16();
        if (len == 0xFFFE) {
            wide = true;
            len = U8();
            if (len == 0xFF) len = U16();
        }
        if (len == 0xFFFF) len = U32();
    }
    if (len == 0xFFFFFFFF) throw FormatError("text too long");
    const uint64_t bytes = wide ? len * 2 : len;
    if (bytes > Remaining()) throw FormatError("text longer than file");
    std::string s;
    if (!wide) {
        s.assign(reinterpret_cast<const char*>(p_), static_cast<size_t>(len));
    } else {
        s.reserve(static_cast<size_t>(len));
        for (uint64_t i = 0; i < len; ++i) {
            const unsigned c = p_[2 * i] | (p_[2 * i + 1] << 8);
            s.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        }
    }
    p_ += bytes;
    return s;
}

uint32_t ArchiveReader::Count(size_t minBytesEach) {
    uint32_t n = U16();
    if (n == 0xFFFF) n = U32();
    if (minBytesEach > 0 && n > Remaining() / minBytesEach) throw FormatError("count exceeds file");
    return n;
}

size_t ArchiveReader::ObjectTag(const std::vector<std::string>& knownClasses, uint16_t schema) {
    const uint16_t tag = U16();
    uint32_t index;
    if (tag == kNewClassTag) {
        const uint16_t sch = U16();
        const uint16_t len = U16();
        if (len >= kMaxClassName) throw FormatError("class name too long");
        Need(len);
        const std::string name(reinterpret_cast<const char*>(p_), len);
        p_ += len;
        if (sch != schema) throw FormatError("bad schema");
        const auto it = std::find(knownClasses.begin(), knownClasses.end(), name);
        if (it == knownClasses.end()) throw FormatError("unknown class");
        index = mapCount_++;
        classes_.emplace_back(index, name);
    } else if (tag == kBigClassTag) {
        const uint32_t big = U32();
        if (!(big & kBigClassFlag)) throw FormatError("unexpected object reference");
        index = big & ~kBigClassFlag;
    } else if (tag & kClassTag) {
        index = tag & 0x7FFF;
    } else {
        // The empty element and references to earlier objects never occur in these files.
        throw FormatError("unexpected object tag");
    }
    ++mapCount_;  // the object takes the next index
    // The last class is by far the most often referred to.
    for (auto c = classes_.rbegin(); c != classes_.rend(); ++c) {
        if (c->first != index) continue;
        const auto it = std::find(knownClasses.begin(), knownClasses.end(), c->second);
        if (it == knownClasses.end()) throw FormatError("class not allowed here");
        return static_cast<size_t>(it - knownClasses.begin());
    }
    throw FormatError("bad class reference");
}

}  // namespace aq
