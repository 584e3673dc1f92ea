// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace aq {

// Byte order of the files, whatever the machine's.
template <typename T>
inline void StoreLE(uint8_t* p, T v) {
    for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
}
template <typename T>
inline T LoadLE(const uint8_t* p) {
    uint64_t v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = (v << 8) | p[i];
    return static_cast<T>(v);
}

}  // namespace aq
