// SPDX-License-Identifier: GPL-3.0-or-later
// Corrund sounder text logs. The last byte answers "Use GPS heights, if present ?".
#include "fuzz_support.h"
#include "import/sounderlogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool heights = size > 0 && (data[size - 1] & 1) != 0;
    if (size > 0) --size;
    // A line is used only from five characters on; each makes a record at most. The
    // import starts a new survey, so no file stays listed.
    return aq::fuzz::FuzzImport(data, size, aq::ImportVkRaw, {5, 1}, {heights}, {false, 3});
}
