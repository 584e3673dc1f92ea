// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// What the program asks of the operating system about memory. Every call is a hint or a
// measurement: where the system offers none of it, the answers say so and the program
// simply works without.
namespace aq::platform {

// The size of a memory page, or 0 when it is unknown or not a power of two.
size_t PageSize();

// The machine's physical memory in bytes, or 0 when it is unknown.
uint64_t PhysicalMemoryBytes();

// Whether FaultInPages can work here.
bool CanFaultInPages();

// Has the whole pages in [begin, begin + bytes) (page-aligned) made present and writable
// without writing into them. False when the system refused or cannot.
bool FaultInPages(void* begin, size_t bytes);

// Asks for the pages of a large array that is about to be written whole to be huge ones,
// so that filling it takes fewer page faults. A hint; nothing happens where it is not had.
void AdviseHugePages(void* begin, size_t bytes);

// Gives the system back the memory of an array from its start on, a piece at a time, as
// its bytes are no longer needed; only whole pages go. Their contents are lost: the
// array must never be read there again. Does nothing where the system cannot.
class PageReleaser {
public:
    explicit PageReleaser(const void* begin);
    // The bytes before `end` are not needed again.
    void Upto(const void* end);

private:
    uintptr_t page_;
    uintptr_t done_;
};

}  // namespace aq::platform
