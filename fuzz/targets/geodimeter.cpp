// SPDX-License-Identifier: GPL-3.0-or-later
// Geodimeter label files. The last byte answers "Use line breaks(4=0)?"; the rest is the file.
#include "fuzz_support.h"
#include "import/gpsreceivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool lineBreaks = size > 0 && (data[size - 1] & 1) != 0;
    if (size > 0) --size;
    // "52=1 " can finish a point: its position and the event of a new line.
    return aq::fuzz::FuzzImport(data, size, aq::ImportGeotronics, {2, 2}, {lineBreaks});
}
