// SPDX-License-Identifier: GPL-3.0-or-later
// Brivel logged files: any bytes, resynchronising over damage.
#include "fuzz_support.h"
#include "import/brivel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One record at most for each 40-byte block.
    return aq::fuzz::FuzzImport(data, size, aq::ImportBrivel, {aq::BRIVEL_BLOCK_BYTES, 0});
}
