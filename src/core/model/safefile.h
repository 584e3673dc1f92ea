// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace aq {

// Error number of a file that is neither a regular file nor a character device (a FIFO
// to read from, a socket, a block device): such a file is refused, never waited on.
inline constexpr int kErrNotRegularFile = -1000;

// The system's reason for an error number ("Permission denied"), or "it is not a
// regular file" for kErrNotRegularFile.
std::string ErrorReason(int err);

// How an AtomicFile reaches its target.
enum class WriteMode {
    Replace,         // a new file beside the target, renamed over it once complete
    InPlace,         // the target itself rewritten, its old content kept aside until done
    Direct,          // a FIFO, terminal or other character device: written in order
    StandardOutput,  // "-" where the caller allows it
};

// A file written so that it is either replaced completely or not at all.
//
// A regular file (or a name not yet taken) gets a new file beside it, which Commit
// renames over it once every byte is on disk; the old file's owner, group and mode are
// kept. Where a rename cannot keep what the user has — the file has other hard links,
// belongs to somebody else, its folder cannot take a new file, or it is a mount point —
// the file is rewritten in place after a full copy of its old content was taken, and
// that copy is put back should anything fail. A link is followed. A FIFO or character
// device is written to directly and never replaced; a folder, socket or block device
// is refused. A file the user may not write is refused, as the system would refuse it.
//
// Without a successful Commit the target stays as it was. A new file left behind by a
// save that was killed is removed by the next save of the same target (Notice() says
// so). Writes past a file-size limit fail with an error instead of killing the process.
class AtomicFile {
public:
    struct Options {
        // "-" means standard output rather than a file of that name.
        bool dashIsStandardOutput = false;
    };

    explicit AtomicFile(const std::string& path) : AtomicFile(path, Options{}) {}
    AtomicFile(const std::string& path, Options options);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; false once anything has failed (the file could not be made, or a
    // write failed), after which nothing more is written and Commit fails.
    bool Write(const uint8_t* data, size_t size);
    // Puts every byte on disk and the new content in place; false (the target as it
    // was, where it can be kept) on any failure, including any earlier one.
    bool Commit();

    // The system error number of the first failure (or kErrNotRegularFile), 0 if none.
    int Error() const { return error_; }
    // Something the user should hear of, whatever the outcome (stale files removed, an
    // old content that could not be put back); empty when there is nothing.
    const std::string& Notice() const { return notice_; }
    WriteMode Mode() const { return mode_; }

private:
    void Open(const std::string& path, Options options);
    bool OpenReplace(const std::string& dir, const std::string& name, bool exists);
    bool OpenInPlace();
    bool OpenDirect(const std::string& path);
    bool Fail(int err);
    bool WriteAll(int fd, const uint8_t* data, size_t size);
    bool CopyTempInPlace();
    void RestoreOld();
    void Discard();

    std::string target_;
    std::string temp_;    // the new file of Replace, removed unless renamed
    std::string backup_;  // the old content of InPlace, removed once not needed
    int fd_ = -1;
    int backupFd_ = -1;
    WriteMode mode_ = WriteMode::Replace;
    bool ok_ = false;
    bool committed_ = false;
    int error_ = 0;
    bool existed_ = false;
    unsigned oldMode_ = 0;
    unsigned oldUid_ = 0, oldGid_ = 0;
    uint64_t written_ = 0;
    uint64_t flushed_ = 0;  // bytes whose write-back has been started
    std::string notice_;
    std::unique_ptr<std::ofstream> out_;  // the new file where there are no descriptors
};

// Writes a whole file through an AtomicFile. Returns false (leaving the target as it
// was) on any failure, with the error number in *err when given.
bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size, int* err = nullptr);
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, int* err = nullptr) {
    return WriteFileAtomically(path, bytes.data(), bytes.size(), err);
}

// Opens a file for reading without waiting: a FIFO with no writer does not hang, and
// anything but a regular file or a readable character device is refused with
// kErrNotRegularFile (a folder with EISDIR). Returns the descriptor, in blocking mode
// again, or -1 with the error number in err. `size` gets a regular file's size (0 for
// a device) and `allocated` the bytes the file really holds on disk, when given.
int OpenForReading(const std::string& path, int& err, uint64_t* size = nullptr, uint64_t* allocated = nullptr);

// The same as a stdio stream ("rb"), or null with err set.
std::FILE* OpenStreamForReading(const std::string& path, int& err, uint64_t* size = nullptr);

// Reads a whole regular file. False when it cannot be opened or read, or is not a
// regular file (the error number in *err when given).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, int* err = nullptr);

// Makes writes beyond a file-size limit, or to a pipe whose reader has gone, fail with
// an error number rather than end the process. Done by every AtomicFile; programs call
// it at start for their other output.
void IgnoreWriteSignals();

}  // namespace aq
