// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "model/bytes.h"
#include "model/geometry.h"

namespace aq {

class ArchiveReader;
class ArchiveWriter;

// Record kind and state bits.
inline constexpr uint16_t REC_DELETED = 0x0001;
inline constexpr uint16_t REC_DEPTH = 0x0010;
inline constexpr uint16_t REC_POSITION = 0x0020;
inline constexpr uint16_t REC_TIDE = 0x0040;
inline constexpr uint16_t REC_EVENT = 0x0080;
inline constexpr uint16_t REC_GEOGRAPHIC = 0x0200;
inline constexpr uint16_t REC_SOUNDER = 0x0400;
inline constexpr uint16_t REC_HPR = 0x0800;

// Marker of the 64-bit time form of a stored record.
inline constexpr uint32_t TIME64_MARKER = 0x8000000A;

// One survey record: a depth, position, tide or event, carrying after recalculation
// the values of the other kinds interpolated to its time.
//
// Lengths are centimetres; X and Y are centimetres on a grid or 1e-7 degree when the
// record is geographic; Time is seconds from local wall-clock fields.
struct CVKData {
    int64_t Time = 0;
    int64_t X = 0;
    int64_t Y = 0;
    int32_t Z = 0;
    int16_t Depth = 0;  // an event's value in an event record
    int16_t Tide = 0;
    int16_t Pitch = 0;  // degrees x 100; a displacement in cm after Apply HPR
    int16_t Roll = 0;
    int16_t Heave = 0;
    CPoint ptHeight;   // level Tide + Z
    CPoint ptTide;     // level Tide
    CPoint ptSeabed;   // level Tide + Z - Depth
    CPoint ptDepthUp;  // level Tide + Z + Depth
    CPoint ptPlan;     // X, Y
    uint16_t Flags = 0;
    uint8_t Quality = 0;
    uint8_t Hundredths = 0;

    // An empty record stamped with the current time.
    CVKData();
    // An empty record with every member zero, Time included.
    static CVKData Zeroed() { return CVKData(NoClock{}); }

    // A record of one kind carrying one value: the depth of a depth or event record,
    // the tide of a tide record; other kinds drop the value.
    static CVKData OfKind(int64_t time, int value, uint16_t kind, uint8_t hundredths);
    // A depth with its quality.
    static CVKData OfDepth(int64_t time, int depth, uint8_t quality, uint16_t flags, uint8_t hundredths);
    // A position in stored units.
    static CVKData OfPosition(int64_t time, int32_t x, int32_t y, int32_t z, uint16_t flags, uint8_t hundredths);
    // A position from metres or degrees (degrees when flags has REC_GEOGRAPHIC).
    static CVKData OfPositionReal(int64_t time, double x, double y, double z, uint16_t flags, uint8_t hundredths);

    int64_t TimeHundredths() const { return Time * 100 + Hundredths; }
    // Tide + Z - Depth: the level the filters, colour bands and exports use.
    int32_t SeabedLevel() const;

    // "D", "P", "T", "E", "L" or " " by kind; deletion does not change it.
    const char* KindLetter() const;
    // year + (month * 100 + day) / 10000 in local time, or 0 when Time cannot be converted.
    double DateNumber() const;
    // hour + (minute * 100 + second) / 10000, each -1 when Time cannot be converted.
    double TimeNumber() const;
    int Minute() const;  // -1 when Time cannot be converted
    int Second() const;  // -1 when Time cannot be converted
    // v / 100 on a record whose angles have become displacements, else 0.
    double MetresIfHpr(int v) const { return (Flags & REC_HPR) ? v / 100.0 : 0.0; }

    friend bool operator==(const CVKData&, const CVKData&) = default;

    // Live record of kind K: Flags masked with 0xFF equals K (so never a deleted one).
    bool IsLive(uint16_t kind) const { return (Flags & 0xFF) == kind; }
    bool Has(uint16_t bits) const { return (Flags & bits) != 0; }
    bool IsDeleted() const { return (Flags & REC_DELETED) != 0; }

    // Clears the values that interpolation carried in, before offsets are applied again.
    void ClearDerived();

    // The record's bytes in the document file: 40 bytes, or 32 in the older form whose
    // first word is a 32-bit time instead of the 64-bit time marker.
    void Write(ArchiveWriter& ar) const;
    void Read(ArchiveReader& ar);
    // The 40 bytes of the 64-bit time form (from the marker on) into a zeroed record:
    // what Read gives for them. Inline: the document file decodes millions in a row.
    static CVKData FromStored(const uint8_t* stored) {
        CVKData r{NoClock{}};
        r.Time = LoadLE<int64_t>(stored + 4);
        r.ReadAfterTime(stored + 12);
        return r;
    }
    // The 40 bytes of the 64-bit time form, as Write puts them.
    void ToStored(uint8_t* p) const {
        StoreLE(p, TIME64_MARKER);
        StoreLE(p + 4, Time);
        StoreLE(p + 12, Depth);
        StoreLE(p + 14, Tide);
        StoreLE(p + 16, Flags);
        StoreLE(p + 18, X);
        StoreLE(p + 26, Y);
        StoreLE(p + 34, Z);
        p[38] = Quality;
        p[39] = Hundredths;
    }

private:
    struct NoClock {};
    explicit CVKData(NoClock) {}
    // The members after the time, the same in both stored forms.
    void ReadAfterTime(const uint8_t* p) {
        Depth = LoadLE<int16_t>(p);
        Tide = LoadLE<int16_t>(p + 2);
        Flags = LoadLE<uint16_t>(p + 4);
        X = LoadLE<int64_t>(p + 6);
        Y = LoadLE<int64_t>(p + 14);
        Z = LoadLE<int32_t>(p + 22);
        Quality = p[26];
        Hundredths = p[27];
    }
};

// Size of one stored record in the 64-bit time form.
inline constexpr int RECORD_BYTES = 40;

// A stored X or Y as metres, or degrees in a geographic document.
inline double CoordToReal(int64_t v, bool geographic) { return geographic ? v / 10000000.0 : v / 100.0; }

}  // namespace aq
