// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/doc.h"

namespace aq::bench {

// Replaces the document's records by a generated survey of exactly n records, as three
// imports would append them: the sounder file (depths at 10 Hz with quality and
// hundredths, and an event every five minutes), then the receiver file (grid positions
// at 1 Hz of a boat running lines in a harbour, with heights), then a tide table
// (every ten minutes). Each run is in time order, the whole is not: NeedsSort is on and
// KindFlags holds every kind. The same n and seed always give the same records.
void GenerateSurvey(CVKDoc& doc, size_t n, uint64_t seed = 0x5EED2009);

// Resident set size of the process in bytes now (VmRSS) and at its peak (VmHWM), or 0
// when unknown.
int64_t RssBytes();
int64_t PeakRssBytes();
// Lowers the recorded peak to the current size, so a later PeakRssBytes() shows what
// the code run in between needed at most. False where the kernel does not allow it.
bool ResetPeakRss();

// Pins the local time zone, then runs the benchmarks the command line selects; the
// body of every benchmark program's main (bench_main.cpp).
int RunBenchmarks(int argc, char** argv, const char* zone);

}  // namespace aq::bench
