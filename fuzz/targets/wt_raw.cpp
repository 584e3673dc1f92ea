// SPDX-License-Identifier: GPL-3.0-or-later
// Tevrant tide logger logs.
#include "fuzz_support.h"
#include "import/sounderlogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A reading needs "T ", "H " and "F " on one line. The import starts a new survey,
    // which empties the list of imported files.
    return aq::fuzz::FuzzImport(data, size, aq::ImportWtRaw, {6, 1}, {}, {false, 3});
}
