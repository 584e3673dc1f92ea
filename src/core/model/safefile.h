// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aq {

// Writes a whole file so that it is either replaced completely or not at all: the bytes
// go to a new file beside the target, which is renamed over it only once every byte is
// on disk. A link is followed, so it keeps pointing at the new file; an existing file's
// permissions are kept. Returns false (leaving the target as it was) on any failure.
bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

// Reads a whole regular file. False when it cannot be opened or read, or is a folder.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);

}  // namespace aq
