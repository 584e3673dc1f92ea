// SPDX-License-Identifier: GPL-3.0-or-later
// Tide tables in plain text.
#include "fuzz_support.h"
#include "import/tide.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A line of one number ("1\n") makes a record; the last line needs no break.
    return aq::fuzz::FuzzImport(data, size, aq::ImportTide, {2, 1});
}
