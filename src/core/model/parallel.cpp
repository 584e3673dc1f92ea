// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "model/platform.h"

namespace aq {

namespace {

// Part p of n items in k parts starts here (the end of the last part is n).
size_t PartStart(size_t n, size_t p, size_t k) { return p == k ? n : n / k * p + n % k * p / k; }

}  // namespace

void ParallelFor(size_t n, const ParallelSettings& s, CallRef<void(unsigned, size_t, size_t)> work) {
    ParallelFor(n, s, work, [](size_t) {});
}

void ParallelFor(size_t n, const ParallelSettings& s, CallRef<void(unsigned, size_t, size_t)> work,
                 CallRef<void(size_t)> between) {
    const size_t parts = n >= s.minimum ? std::max<size_t>(s.parts, 1) : 1;
    const size_t slices = n >= s.sliceMinimum ? std::max<size_t>(s.slices, 1) : 1;
    std::vector<size_t> start(parts + 1);
    for (size_t p = 0; p <= parts; ++p) start[p] = PartStart(n, p, parts);
    // A slice of part p: [Slice(p, i), Slice(p, i + 1)).
    auto slice = [&](size_t p, size_t i) { return start[p] + (start[p + 1] - start[p]) * i / slices; };
    std::vector<std::thread> others(parts - 1);
    for (size_t i = 0; i < slices; ++i) {
        for (size_t p = 1; p < parts; ++p) {
            const size_t b = slice(p, i), e = slice(p, i + 1);
            if (e == b) continue;
            try {
                others[p - 1] = std::thread([work, p, b, e] { work(static_cast<unsigned>(p), b, e); });
            } catch (const std::system_error&) {
                // No thread to be had: this one does the part below.
            }
        }
        if (slice(0, i + 1) > slice(0, i)) work(0, slice(0, i), slice(0, i + 1));
        size_t done = slice(0, i + 1);
        for (size_t p = 1; p < parts; ++p) {
            const size_t b = slice(p, i), e = slice(p, i + 1);
            if (others[p - 1].joinable())
                others[p - 1].join();
            else if (e > b)
                work(static_cast<unsigned>(p), b, e);
            done += e - start[p];
        }
        between(done);
    }
}

// ---- PagesAhead ----

struct PagesAhead::Filler {
    std::thread thread;
    std::atomic<uintptr_t> filled{0};
    std::atomic<bool> stop{false};

    void Run(uintptr_t lo, uintptr_t hi, uintptr_t step) {
        while (hi > lo && !stop.load(std::memory_order_relaxed)) {
            const uintptr_t from = hi - std::min(step, hi - lo);
            if (from <= filled.load(std::memory_order_relaxed) + step) break;
            if (!platform::FaultInPages(reinterpret_cast<void*>(from), hi - from)) break;
            hi = from;
        }
    }
};

PagesAhead::PagesAhead(const void* begin, size_t bytes, const Settings& s) {
    if (!platform::CanFaultInPages()) return;
    const auto page = static_cast<uintptr_t>(platform::PageSize());
    if (bytes < s.minBytes || page == 0) return;
    const auto lo = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
    const auto hi = (reinterpret_cast<uintptr_t>(begin) + bytes) & ~(page - 1);
    const auto step = static_cast<uintptr_t>(s.stepBytes);
    auto filler = std::make_unique<Filler>();
    filler->filled.store(lo, std::memory_order_relaxed);
    Filler* f = filler.get();
    try {
        f->thread = std::thread([f, lo, hi, step] { f->Run(lo, hi, step); });
    } catch (const std::system_error&) {
        // Without a second thread the pages come as they are written.
        return;
    }
    filler_ = std::move(filler);
}

PagesAhead::~PagesAhead() {
    if (!filler_) return;
    filler_->stop.store(true, std::memory_order_relaxed);
    filler_->thread.join();
}

void PagesAhead::Reached(const void* p) {
    if (filler_) filler_->filled.store(reinterpret_cast<uintptr_t>(p), std::memory_order_relaxed);
}

}  // namespace aq
