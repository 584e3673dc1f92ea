// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "model/data.h"
#include "model/userport.h"

// The earlier Corrund sounder's memory dump: its record stream written as hexadecimal
// text, two characters a byte, multi-byte values big-endian.
namespace aq {

// Dump record codes.
inline constexpr uint8_t DUMP_DAY = 1;       // day number
inline constexpr uint8_t DUMP_DEPTH = 2;     // ticks, depth
inline constexpr uint8_t DUMP_EVENT = 3;     // ticks, value
inline constexpr uint8_t DUMP_POSITION = 4;  // ticks, counted position text
inline constexpr uint8_t DUMP_QUALITY = 5;   // ticks, depth, quality
inline constexpr uint8_t DUMP_TIDE = 6;      // ticks, tide, two values not used

// Ticks of the sounder's clock: 1125 a minute, counted from midnight.
inline constexpr int32_t DUMP_TICKS_PER_MINUTE = 1125;
inline constexpr int32_t DUMP_TICKS_PER_SECOND = 19;

// Decodes one dump into survey records. Made for one import and thrown away, so the
// day number starts at 0 (1 January 1984) for every dump.
class CVKDownLoad {
public:
    explicit CVKDownLoad(UserPort& port);
    ~CVKDownLoad();
    CVKDownLoad(const CVKDownLoad&) = delete;
    CVKDownLoad& operator=(const CVKDownLoad&) = delete;

    // Opens the dump file; false with the system error number (a folder is refused).
    bool Open(const std::string& path, int& errnum);
    // Decodes the open dump: asks "Use GPS heights, if present ?", appends the records
    // to the array in file order, closes the file and says "All done".
    void ReadDump(std::vector<CVKData>& records);
    // Decodes a dump held in memory with the height answer given; nothing is said.
    void Decode(std::string_view dump, std::vector<CVKData>& records, bool gpsHeights);
    // Reads from a dump held in memory from now on (closing any file); the text must
    // outlive the reading.
    void Attach(std::string_view dump);
    // The system error number of a failed read of the file, 0 when every read succeeded.
    int ReadError() const { return readError_; }

    // One byte from two characters, as "%x" reads them (leading blanks and a sign
    // allowed), its low 8 bits kept. Fewer than two characters left: EndOfData is set.
    // False when they are no hexadecimal number (a line break, say); `byte` then keeps
    // its value.
    bool ReadHexByte(uint8_t& byte);
    // Big-endian values from two and four bytes. Every byte is read even after one
    // fails; a failed byte keeps its part of the value as it was.
    bool ReadHex16(uint16_t& value);
    bool ReadHex16(int16_t& value);
    bool ReadHex32(uint32_t& value);
    // Ticks into LastTicks and the record time of DayNumber and those ticks; false (time
    // unchanged) when the ticks could not be read.
    bool ReadDumpTime(int64_t& time);

    // Local wall-clock seconds of a day counted from 1 January 1984 and ticks from its
    // midnight; daylight saving is that of the date itself.
    static int64_t DumpTime(int32_t dayNumber, int32_t ticks);

    // "5130.1234N00012.3456W12.3": latitude and longitude in 1e-7 degree, height in
    // centimetres. Fields are taken by position (latitude, longitude, height); 'S' and
    // 'W' anywhere make their value negative. Fails unless both a latitude and a
    // longitude letter come, on any other character, and on more than three letters.
    static bool ParsePositionText(std::string_view text, int32_t& latitude, int32_t& longitude, int32_t& height);

    int EndOfData = 0;
    int16_t DayNumber = 0;
    uint32_t LastTicks = 0;

private:
    // At least two characters at p_ unless the dump ends sooner.
    void Fill();
    void Run(std::vector<CVKData>& records, bool gpsHeights);
    void Close();

    UserPort& port_;
    std::FILE* file_ = nullptr;
    std::vector<char> buf_;
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    int readError_ = 0;
};

}  // namespace aq
