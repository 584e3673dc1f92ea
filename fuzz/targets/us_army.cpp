// SPDX-License-Identifier: GPL-3.0-or-later
// US Army diver-system files: the column parser with a fixed layout of eleven columns.
// The last byte answers "Use GPS heights".
#include "fuzz_support.h"
#include "import/formatted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool heights = size > 0 && (data[size - 1] & 1) != 0;
    if (size > 0) --size;
    // Eleven numbers take 21 characters at least; each line gives three records.
    return aq::fuzz::FuzzImport(data, size, aq::ImportUsArmy, {7, 3}, {heights});
}
