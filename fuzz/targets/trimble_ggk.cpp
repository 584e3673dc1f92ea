// SPDX-License-Identifier: GPL-3.0-or-later
// Trimble GGK logs (geographic positions).
#include "fuzz_support.h"
#include "import/gpsreceivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A position needs a line of ten fields.
    return aq::fuzz::FuzzImport(data, size, aq::ImportTrimbleGgk, {16, 1});
}
