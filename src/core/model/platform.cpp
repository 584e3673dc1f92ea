// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/platform.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace aq::platform {

size_t PageSize() {
#if !defined(_WIN32)
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0) return 0;
    const auto p = static_cast<size_t>(page);
    return (p & (p - 1)) == 0 ? p : 0;
#else
    return 0;
#endif
}

uint64_t PhysicalMemoryBytes() {
#if !defined(_WIN32)
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0) return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page);
#endif
    return 0;
}

bool CanFaultInPages() {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    return PageSize() != 0;
#else
    return false;
#endif
}

bool FaultInPages([[maybe_unused]] void* begin, [[maybe_unused]] size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Pages already there are left as they are; nothing is written into them.
    return ::madvise(begin, bytes, MADV_POPULATE_WRITE) == 0;
#else
    return false;
#endif
}

void AdviseHugePages([[maybe_unused]] void* begin, [[maybe_unused]] size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only the whole huge pages inside the array can be had.
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t lo = (reinterpret_cast<uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t hi = (reinterpret_cast<uintptr_t>(begin) + bytes) & ~(kHuge - 1);
    if (hi > lo) ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
#endif
}

namespace {

uintptr_t ReleasablePageSize() {
#if defined(__linux__)
    return static_cast<uintptr_t>(PageSize());
#else
    return 0;
#endif
}

}  // namespace

PageReleaser::PageReleaser(const void* begin) : page_(ReleasablePageSize()) {
    const auto p = reinterpret_cast<uintptr_t>(begin);
    done_ = page_ ? (p + page_ - 1) & ~(page_ - 1) : p;
}

void PageReleaser::Upto([[maybe_unused]] const void* end) {
#if defined(__linux__)
    if (page_ == 0) return;
    const uintptr_t hi = reinterpret_cast<uintptr_t>(end) & ~(page_ - 1);
    if (hi <= done_) return;
    ::madvise(reinterpret_cast<void*>(done_), hi - done_, MADV_DONTNEED);
    done_ = hi;
#endif
}

}  // namespace aq::platform
