// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data.h"

#include "model/archive.h"
#include "model/civiltime.h"
#include "model/muldiv.h"

namespace aq {

CVKData::CVKData() : Time(civil::Now()) {}

CVKData CVKData::OfKind(int64_t time, int value, uint16_t kind, uint8_t hundredths) {
    CVKData r{NoClock{}};
    r.Time = time;
    r.Flags = kind;
    r.Hundredths = hundredths;
    if (kind == REC_DEPTH || kind == REC_EVENT)
        r.Depth = static_cast<int16_t>(value);
    else if (kind == REC_TIDE)
        r.Tide = static_cast<int16_t>(value);
    return r;
}

CVKData CVKData::OfDepth(int64_t time, int depth, uint8_t quality, uint16_t flags, uint8_t hundredths) {
    CVKData r{NoClock{}};
    r.Time = time;
    r.Depth = static_cast<int16_t>(depth);
    r.Quality = quality;
    r.Flags = flags;
    r.Hundredths = hundredths;
    return r;
}

CVKData CVKData::OfPosition(int64_t time, int32_t x, int32_t y, int32_t z, uint16_t flags, uint8_t hundredths) {
    CVKData r{NoClock{}};
    r.Time = time;
    r.X = x;
    r.Y = y;
    r.Z = z;
    r.Flags = flags;
    r.Hundredths = hundredths;
    return r;
}

CVKData CVKData::OfPositionReal(int64_t time, double x, double y, double z, uint16_t flags, uint8_t hundredths) {
    const double scale = (flags & REC_GEOGRAPHIC) ? 10000000.0 : 100.0;
    return OfPosition(time, TruncToInt32(x * scale), TruncToInt32(y * scale), TruncToInt32(z * 100.0), flags,
                      hundredths);
}

int32_t CVKData::SeabedLevel() const { return Sub32(Add32(Tide, Z), Depth); }

const char* CVKData::KindLetter() const {
    switch (Flags & 0x2F0) {
        case 0x010: return "D";
        case 0x020: return "P";
        case 0x040: return "T";
        case 0x080: return "E";
        case 0x220: return "L";
        default: return " ";
    }
}

double CVKData::DateNumber() const {
    civil::Fields f;
    if (!civil::ToFields(Time, f)) return 0.0;
    return f.year + (f.month * 100 + f.day) / 10000.0;
}

double CVKData::TimeNumber() const {
    civil::Fields f;
    if (!civil::ToFields(Time, f)) return -1 + (-1 * 100 + -1) / 10000.0;
    return f.hour + (f.minute * 100 + f.second) / 10000.0;
}

int CVKData::Minute() const {
    civil::Fields f;
    return civil::ToFields(Time, f) ? f.minute : -1;
}

int CVKData::Second() const {
    civil::Fields f;
    return civil::ToFields(Time, f) ? f.second : -1;
}

void CVKData::ClearDerived() {
    switch (Flags & 0x70) {
        case REC_DEPTH:
            X = Y = 0;
            Z = 0;
            Tide = 0;
            break;
        case REC_POSITION:
            Depth = 0;
            Tide = 0;
            break;
        case REC_TIDE:
            X = Y = 0;
            Z = 0;
            Depth = 0;
            break;
        default:
            break;
    }
}

void CVKData::Write(ArchiveWriter& ar) const { ToStored(ar.Grow(RECORD_BYTES)); }

void CVKData::Read(ArchiveReader& ar) {
    const uint32_t first = ar.U32();
    // The older form has a 32-bit time where the marker stands.
    Time = first == TIME64_MARKER ? ar.I64() : static_cast<int32_t>(first);
    ReadAfterTime(ar.Take(RECORD_BYTES - 12));
}

}  // namespace aq
