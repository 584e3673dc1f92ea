// SPDX-License-Identifier: GPL-3.0-or-later
// Leica LLK, LLQ and GGK logs.
#include "fuzz_support.h"
#include "import/gpsreceivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return aq::fuzz::FuzzImport(data, size, aq::ImportLeica, {16, 1});
}
