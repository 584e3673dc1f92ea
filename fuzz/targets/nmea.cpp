// SPDX-License-Identifier: GPL-3.0-or-later
// NMEA 0183 logs.
#include "fuzz_support.h"
#include "import/nmea.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A depth line of ten characters gives a depth and a tide record.
    return aq::fuzz::FuzzImport(data, size, aq::ImportNmea, {4, 2});
}
