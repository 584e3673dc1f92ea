// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/vkdownload.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "model/muldiv.h"
#include "model/civiltime.h"
#include "model/safefile.h"

namespace aq {

namespace {

constexpr size_t kBuffer = 1 << 16;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// atof of a field made of digits, '.' and '-': the number at its start, 0 when none.
double FieldValue(std::string_view field) {
    double v = 0.0;
    const char* first = field.data();
    const char* last = first + field.size();
    const auto r = std::from_chars(first, last, v, std::chars_format::fixed);
    if (r.ec == std::errc::invalid_argument) return 0.0;
    if (r.ec == std::errc::result_out_of_range) return 0.0;  // hundreds of digits: no position
    return v;
}

// ddmm.mmmm as 1e-7 degree.
int32_t DegreesMinutes(double v) {
    const double d = std::trunc(v / 100.0);
    const double m = (v / 100.0 - d) * 100.0;
    return TruncScaled(d + m / 60.0, 10000000.0);
}

}  // namespace

CVKDownLoad::CVKDownLoad(UserPort& port) : port_(port) {}

CVKDownLoad::~CVKDownLoad() { Close(); }

void CVKDownLoad::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool CVKDownLoad::Open(const std::string& path, int& errnum) {
    Close();
    // Without waiting on a FIFO that has no writer; a folder is refused.
    file_ = OpenStreamForReading(path, errnum);
    if (!file_) return false;
    buf_.resize(kBuffer);
    p_ = end_ = buf_.data();
    readError_ = 0;
    return true;
}

void CVKDownLoad::Fill() {
    if (!file_ || end_ - p_ >= 2) return;
    const size_t left = static_cast<size_t>(end_ - p_);
    std::memmove(buf_.data(), p_, left);
    size_t have = left;
    while (have < 2) {
        const size_t n = std::fread(buf_.data() + have, 1, buf_.size() - have, file_);
        if (n == 0) {
            if (std::ferror(file_)) readError_ = errno ? errno : EIO;
            break;
        }
        have += n;
    }
    p_ = buf_.data();
    end_ = p_ + have;
}

bool CVKDownLoad::ReadHexByte(uint8_t& byte) {
    Fill();
    if (end_ - p_ < 2) {
        EndOfData = 1;
        p_ = end_;
        return false;
    }
    const char pair[2] = {p_[0], p_[1]};
    p_ += 2;
    size_t i = 0;
    while (i < 2 && IsSpace(pair[i])) ++i;
    bool negative = false;
    if (i < 2 && (pair[i] == '+' || pair[i] == '-')) negative = pair[i++] == '-';
    int v = 0, digits = 0;
    for (; i < 2 && HexDigit(pair[i]) >= 0; ++i, ++digits) v = v * 16 + HexDigit(pair[i]);
    if (digits == 0) return false;
    byte = static_cast<uint8_t>((negative ? -v : v) & 0xFF);
    return true;
}

bool CVKDownLoad::ReadHex16(uint16_t& value) {
    uint8_t hi = static_cast<uint8_t>(value >> 8), lo = static_cast<uint8_t>(value);
    const bool a = ReadHexByte(hi);
    const bool b = ReadHexByte(lo);
    value = static_cast<uint16_t>(hi << 8 | lo);
    return a && b;
}

bool CVKDownLoad::ReadHex16(int16_t& value) {
    uint16_t u = static_cast<uint16_t>(value);
    const bool ok = ReadHex16(u);
    value = static_cast<int16_t>(u);
    return ok;
}

bool CVKDownLoad::ReadHex32(uint32_t& value) {
    uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                    static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    bool ok = true;
    for (uint8_t& x : b) ok = ReadHexByte(x) && ok;
    value = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
            b[3];
    return ok;
}

int64_t CVKDownLoad::DumpTime(int32_t dayNumber, int32_t ticks) {
    const int32_t minutes = ticks / DUMP_TICKS_PER_MINUTE;
    const int32_t seconds = (ticks % DUMP_TICKS_PER_MINUTE) / DUMP_TICKS_PER_SECOND;
    // The sounder keeps wall-clock time: the fields of that day go through the local
    // conversion, so a summer day is not an hour off.
    const int64_t t = civil::FromFields(1984, 1, 1 + dayNumber, 0, minutes, seconds);
    if (t >= 0) return t;
    // Outside what the conversion takes (before 1970): counted on from the base.
    static const int64_t base = civil::FromFields(1984, 1, 1, 0, 0, 0);
    return base + int64_t{dayNumber} * 86400 + int64_t{minutes} * 60 + seconds;
}

bool CVKDownLoad::ReadDumpTime(int64_t& time) {
    if (!ReadHex32(LastTicks)) return false;
    time = DumpTime(DayNumber, static_cast<int32_t>(LastTicks));
    return true;
}

bool CVKDownLoad::ParsePositionText(std::string_view text, int32_t& latitude, int32_t& longitude, int32_t& height) {
    // Four fields at most: the characters of each run between letters.
    size_t start[4] = {0, 0, 0, 0}, end[4] = {0, 0, 0, 0};
    int field = 0;
    bool latSeen = false, lonSeen = false;
    int latSign = 1, lonSign = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '.' || c == '-') {
            end[field] = i + 1;
            continue;
        }
        if (c != 'N' && c != 'S' && c != 'E' && c != 'W') return false;
        if (field == 3) return false;  // a fifth field has no place
        ++field;
        start[field] = end[field] = i + 1;
        if (c == 'N' || c == 'S') latSeen = true;
        if (c == 'E' || c == 'W') lonSeen = true;
        if (c == 'S') latSign = -1;
        if (c == 'W') lonSign = -1;
    }
    if (!latSeen || !lonSeen) return false;
    const auto value = [&](int k) { return FieldValue(text.substr(start[k], end[k] - start[k])); };
    latitude = static_cast<int32_t>(static_cast<int64_t>(DegreesMinutes(value(0))) * latSign);
    longitude = static_cast<int32_t>(static_cast<int64_t>(DegreesMinutes(value(1))) * lonSign);
    height = TruncScaled(value(2), 100.0);
    return true;
}

void CVKDownLoad::Run(std::vector<CVKData>& records, bool gpsHeights) {
    EndOfData = 0;
    bool more = true;
    // A field that fails keeps what was last read for it in this dump.
    int64_t time = 0;
    uint8_t code = 0, count = 0, quality = 0;
    int16_t depth = 0, event = 0, tide = 0, unused = 0;
    while (!EndOfData) {
        // A pair that is no number between records (a line break) is passed over.
        if (ReadHexByte(code)) {
            switch (code) {
                case DUMP_DAY: more = ReadHex16(DayNumber); break;
                case DUMP_DEPTH:
                    more = ReadDumpTime(time) && ReadHex16(depth);
                    records.push_back(CVKData::OfKind(time, depth, REC_DEPTH, 0));
                    break;
                case DUMP_EVENT:
                    more = ReadDumpTime(time) && ReadHex16(event);
                    records.push_back(CVKData::OfKind(time, event, REC_EVENT, 0));
                    break;
                case DUMP_POSITION: {
                    more = ReadDumpTime(time) && ReadHexByte(count);
                    std::string text;
                    for (int i = 0; i < static_cast<int8_t>(count); ++i) {
                        uint8_t c = 0;
                        if (ReadHexByte(c)) text += static_cast<char>(c);
                    }
                    int32_t lat = 0, lon = 0, h = 0;
                    if (ParsePositionText(text, lat, lon, h))
                        records.push_back(
                            CVKData::OfPosition(time, lon, lat, gpsHeights ? h : 0, REC_POSITION | REC_GEOGRAPHIC, 0));
                    break;
                }
                case DUMP_QUALITY:
                    more = ReadDumpTime(time) && ReadHex16(depth) && ReadHexByte(quality);
                    records.push_back(CVKData::OfDepth(time, depth, quality, REC_DEPTH, 0));
                    break;
                case DUMP_TIDE:
                    more = ReadDumpTime(time) && ReadHex16(tide) && ReadHex16(unused) && ReadHex16(unused);
                    records.push_back(CVKData::OfKind(time, tide, REC_TIDE, 0));
                    break;
                default: break;
            }
        }
        if (!more) break;
    }
}

void CVKDownLoad::ReadDump(std::vector<CVKData>& records) {
    const bool gpsHeights = port_.AskYesNo("Use GPS heights, if present ?");
    if (file_) Run(records, gpsHeights);
    Close();
    port_.Message("All done", Severity::Info);
}

void CVKDownLoad::Attach(std::string_view dump) {
    Close();
    p_ = dump.data();
    end_ = p_ + dump.size();
}

void CVKDownLoad::Decode(std::string_view dump, std::vector<CVKData>& records, bool gpsHeights) {
    Attach(dump);
    Run(records, gpsHeights);
    p_ = end_ = nullptr;
}

}  // namespace aq
