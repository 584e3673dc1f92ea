// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace aq {

// A file written so that it is either replaced completely or not at all: the bytes go to
// a new file beside the target, which Commit renames over it only once every byte is on
// disk. A link is followed, so it keeps pointing at the new file; an existing file's
// permissions are kept. Without a successful Commit the new file is removed and the
// target stays as it was. The bytes may come in pieces of any size, so a large file need
// never be held whole; the system starts writing them to disk while later ones are made.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; false once anything has failed (the file could not be made, or a
    // write failed), after which nothing more is written and Commit fails.
    bool Write(const uint8_t* data, size_t size);
    // Syncs, keeps the old file's permissions and renames over the target; false (the
    // target untouched) on any failure, including any earlier one.
    bool Commit();

private:
    void Discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool ok_ = false;
    uint64_t written_ = 0;
    uint64_t flushed_ = 0;  // bytes whose write-back has been started
    std::unique_ptr<std::ofstream> out_;  // the new file where there are no descriptors
};

// Writes a whole file through an AtomicFile. Returns false (leaving the target as it
// was) on any failure.
bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size);
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

// Reads a whole regular file. False when it cannot be opened or read, or is a folder.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);

}  // namespace aq
