// SPDX-License-Identifier: GPL-3.0-or-later
// ASCII record files (Vivoz(2000)): the column reader of the record line with quality.
#include "fuzz_support.h"
#include "import/sounderlogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The shortest line of thirteen values is 24 characters ("X1-1-1..."), and an X or
    // W line makes three records.
    return aq::fuzz::FuzzImport(data, size, aq::ImportVivoz, {8, 3});
}
