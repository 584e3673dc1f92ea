// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/doc.h"

namespace aq::gen {

// Replaces the document's records by a generated survey of exactly n records, as three
// imports would append them: the sounder file (depths at 10 Hz with quality and
// hundredths, and an event every five minutes), then the receiver file (grid positions
// at 1 Hz of a boat running lines in a harbour, with heights), then a tide table
// (every ten minutes). Each run is in time order, the whole is not: NeedsSort is on and
// KindFlags holds every kind. The same n and seed always give the same records.
void GenerateSurvey(CVKDoc& doc, size_t n, uint64_t seed = 0x5EED2009);

// Replaces the document's records by a survey of main lines and crosslines, in time
// order and recalculated, with `soundings` depths: main lines running east and west in
// turn, 1000 m long and 10 m apart, then crosslines running north and south every 100 m
// across them, each line joined to the next by a half circle (or a transit between the
// passes), pass after pass until there are enough depths. Depths at 10 Hz over a seabed
// sloping from 4 to 14 m with ripples, with centimetres of noise and a spike of 1 to 3 m
// in every 2000 soundings; a position every second, an event at the start of each line.
void GenerateLineSurvey(CVKDoc& doc, size_t soundings, uint64_t seed = 0x5EED2009);

// A small harbour survey appended to the document: a boat running lines with a depth
// every 0.2 s, a position every second, a tide every ten minutes and a few deleted
// records, recalculated. The same seconds and seed always give the same records.
void MakeSmallSurvey(CVKDoc& doc, int seconds, uint32_t seed = 7);

// Resident set size of the process in bytes now (VmRSS) and at its peak (VmHWM), or 0
// when unknown.
int64_t RssBytes();
int64_t PeakRssBytes();
// Lowers the recorded peak to the current size, so a later PeakRssBytes() shows what
// the code run in between needed at most. False where the kernel does not allow it.
bool ResetPeakRss();

}  // namespace aq::gen
