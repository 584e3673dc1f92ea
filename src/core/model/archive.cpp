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

void ArchiveWriter::Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U64(bits);
}

void ArchiveWriter::Bytes(const void* p, size_t n) {
    if (n > 0) std::memcpy(Grow(n), p, n);
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
    // Arrays repeat one class: skip the look-up for the class of the previous object.
    if (className == lastClass_ && lastClassIndex_ < kBigClassTag) {
        U16(static_cast<uint16_t>(kClassTag | lastClassIndex_));
        ++mapCount_;
        return;
    }
    auto it = classIndex_.find(className);
    if (it == classIndex_.end()) {
        U16(kNewClassTag);
        U16(schema);
        const auto len = static_cast<uint16_t>(std::strlen(className));
        U16(len);
        Bytes(className, len);
        it = classIndex_.emplace(className, mapCount_++).first;
    } else if (it->second < kBigClassTag) {
        U16(static_cast<uint16_t>(kClassTag | it->second));
    } else {
        U16(kBigClassTag);
        U32(kBigClassFlag | it->second);
    }
    lastClass_ = className;
    lastClassIndex_ = it->second;
    ++mapCount_;  // the object itself
}

namespace {
// What a reader reading from a source holds at a time, unless one item needs more.
constexpr size_t kWindowBytes = size_t{1} << 20;
}  // namespace

ArchiveReader::ArchiveReader(ByteSource& source, uint64_t size)
    : p_(nullptr), end_(nullptr), begin_(nullptr), source_(&source), sourceLeft_(size) {}

bool ArchiveReader::TryFill(size_t n) {
    const size_t have = static_cast<size_t>(end_ - p_);
    if (have >= n) return true;
    if (!source_ || n - have > sourceLeft_) return false;
    // Keep the unread bytes, at the front of a window big enough for n.
    if (window_.size() < n) {
        std::vector<uint8_t> wider(static_cast<size_t>(
            std::min<uint64_t>(std::max({n, kWindowBytes, window_.size() * 2}), have + sourceLeft_)));
        if (have > 0) std::copy(p_, end_, wider.data());
        window_.swap(wider);
    } else if (have > 0) {
        std::copy(p_, end_, window_.data());
    }
    dropped_ += static_cast<uint64_t>(p_ - begin_);
    begin_ = p_ = window_.data();
    end_ = p_ + have;
    uint8_t* const limit = window_.data() + window_.size();
    while (static_cast<size_t>(end_ - p_) < n) {
        uint8_t* const at = window_.data() + (end_ - begin_);
        const size_t want = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(limit - at), sourceLeft_));
        const size_t got = want ? source_->Read(at, want) : 0;
        if (got == 0) {
            // The source ended early: what it still owed is not there.
            sourceLeft_ = 0;
            return false;
        }
        end_ += got;
        sourceLeft_ -= got;
    }
    return true;
}

void ArchiveReader::Fill(size_t n) {
    if (!TryFill(n)) throw FormatError("unexpected end of file");
}

std::pair<const uint8_t*, size_t> ArchiveReader::Window(size_t want) {
    // Whatever comes short of want, the bytes at hand are still there.
    const size_t have = static_cast<size_t>(end_ - p_);
    if (have < want) TryFill(static_cast<size_t>(std::min<uint64_t>(want, have + sourceLeft_)));
    return {p_, static_cast<size_t>(end_ - p_)};
}

uint16_t ArchiveReader::RepeatTag(const std::vector<std::string>& knownClasses) const {
    if (lastKnown_ != &knownClasses || lastIndex_ == 0 || lastIndex_ >= kBigClassTag) return 0;
    return static_cast<uint16_t>(kClassTag | lastIndex_);
}

uint8_t ArchiveReader::U8() {
    Need(1);
    return *p_++;
}

uint16_t ArchiveReader::U16() { return LoadLE<uint16_t>(Take(2)); }
uint32_t ArchiveReader::U32() { return LoadLE<uint32_t>(Take(4)); }
uint64_t ArchiveReader::U64() { return LoadLE<uint64_t>(Take(8)); }

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
    Need(static_cast<size_t>(bytes));
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
    // Arrays hold one class after another: remember the last answer.
    if (index == lastIndex_ && &knownClasses == lastKnown_) return lastPosition_;
    for (auto c = classes_.rbegin(); c != classes_.rend(); ++c) {
        if (c->first != index) continue;
        const auto it = std::find(knownClasses.begin(), knownClasses.end(), c->second);
        if (it == knownClasses.end()) throw FormatError("class not allowed here");
        lastIndex_ = index;
        lastKnown_ = &knownClasses;
        lastPosition_ = static_cast<size_t>(it - knownClasses.begin());
        return lastPosition_;
    }
    throw FormatError("bad class reference");
}

}  // namespace aq
