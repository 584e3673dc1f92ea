// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

// A made-up but plausible survey of a harbour basin, written as the instruments would
// log it: the Brivel sounder file (depths at 10 Hz with pitch, roll, heave and quality,
// receiver positions at 1 Hz, an event at the start of every survey line), the same
// survey as an NMEA log (GGA, ZDA and DPT with checksums), and the harbour's tide gauge
// as a tide table. Lines are run out and back across the basin, then across it the
// other way, day after day, for as long as asked; a few spikes, bottom dropouts and
// receiver outages are left for the surveyor to clean. The same options always give
// the same files.
namespace aq::demo {

struct Options {
    // Seconds of logging; the files grow with it (about 11 Brivel blocks and 4 NMEA
    // lines a second).
    uint64_t seconds = 300;
    uint64_t seed = 0x5EED2009;
    // Local date and hour logging starts; each day logs `dayHours` hours from then.
    int year = 2009, month = 6, day = 15, startHour = 9;
    int dayHours = 8;
    // Brivel positions as longitude and latitude instead of grid metres.
    bool geographic = false;
};

// Logging time that gives about n Brivel blocks, or n NMEA lines.
uint64_t SecondsForBlocks(uint64_t n);
uint64_t SecondsForNmeaLines(uint64_t n);

// Takes the text or bytes in pieces; false stops the writing (a failed write).
using Sink = std::function<bool(std::string_view)>;

bool WriteBrivel(const Options& options, const Sink& sink);
bool WriteNmea(const Options& options, const Sink& sink);
// One line a ten minutes from an hour before logging starts to an hour after it
// ends: "year month day hour minute second metres".
bool WriteTide(const Options& options, const Sink& sink);

}  // namespace aq::demo
