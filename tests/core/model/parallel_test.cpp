// SPDX-License-Identifier: GPL-3.0-or-later
// The threads and the memory calls every pass over a large survey goes through: each
// item is worked on exactly once, in order within its part, whatever the size, the
// parts and the slices; progress is reported only while no other thread runs; pages
// faulted in ahead or handed back never change a byte the program still uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "model/parallel.h"
#include "model/platform.h"

namespace aq {
namespace {

struct Call {
    unsigned part;
    size_t begin, end;
    std::thread::id thread;
};

// Runs ParallelFor and keeps every call of the work and every progress report.
struct Recorded {
    std::vector<Call> calls;
    std::vector<size_t> progress;
    std::vector<int> running;  // calls of the work under way at each progress report
    std::vector<int> hits;     // times each item was worked on

    Recorded(size_t n, const ParallelSettings& s) : hits(n, 0) {
        std::mutex m;
        std::atomic<int> busy{0};
        ParallelFor(
            n, s,
            [&](unsigned part, size_t begin, size_t end) {
                ++busy;
                for (size_t i = begin; i < end; ++i) ++hits[i];  // each item belongs to one call
                {
                    const std::lock_guard lock(m);
                    calls.push_back({part, begin, end, std::this_thread::get_id()});
                }
                --busy;
            },
            [&](size_t done) {
                progress.push_back(done);
                running.push_back(busy.load());
            });
    }
    // The calls of one part, in the order of their ranges.
    std::vector<Call> Part(unsigned p) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.part == p) out.push_back(c);
        std::sort(out.begin(), out.end(), [](const Call& a, const Call& b) { return a.begin < b.begin; });
        return out;
    }
};

TEST(ParallelFor, CoversEveryItemOnceWhateverTheSizePartsAndSlices) {
    for (const unsigned parts : {1u, 2u, 3u, 4u}) {
        for (const size_t slices : {size_t{1}, size_t{8}}) {
            const ParallelSettings s{.minimum = 100, .parts = parts, .slices = slices, .sliceMinimum = 50};
            for (const size_t n : {0, 1, 2, 3, 7, 49, 50, 51, 99, 100, 101, 1000, 4099}) {
                SCOPED_TRACE(testing::Message() << "n " << n << ", parts " << parts << ", slices " << slices);
                const Recorded r(n, s);
                EXPECT_TRUE(std::all_of(r.hits.begin(), r.hits.end(), [](int h) { return h == 1; }));
                const unsigned used = n >= s.minimum ? parts : 1;
                for (const Call& c : r.calls) {
                    EXPECT_LT(c.begin, c.end) << "an empty range";
                    EXPECT_LT(c.part, used);
                }
                // Each part is one run of items, walked from its start in order, and part p
                // starts at n * p / parts (the halves the recalculation joins rely on it).
                size_t next = 0;
                for (unsigned p = 0; p < used; ++p) {
                    EXPECT_EQ(next, n * p / used) << "part " << p;
                    for (const Call& c : r.Part(p)) {
                        EXPECT_EQ(c.begin, next) << "part " << p;
                        next = c.end;
                    }
                }
                EXPECT_EQ(next, n);
            }
        }
    }
}

TEST(ParallelFor, SmallPassesAndOnePartStayOnTheCallingThread) {
    const ParallelSettings twoFromHundred{.minimum = 100, .parts = 2};
    const ParallelSettings one{.minimum = 0, .parts = 1, .slices = 4};
    for (const auto& [n, s] : {std::tuple{size_t{99}, twoFromHundred}, std::tuple{size_t{5000}, one}}) {
        const Recorded r(n, s);
        ASSERT_FALSE(r.calls.empty());
        for (const Call& c : r.calls) {
            EXPECT_EQ(c.part, 0u);
            EXPECT_EQ(c.thread, std::this_thread::get_id());
        }
    }
    // From the minimum on, the second part has a thread of its own.
    const Recorded split(100, twoFromHundred);
    const std::vector<Call> second = split.Part(1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0].thread, std::this_thread::get_id());
    EXPECT_EQ(split.Part(0).at(0).thread, std::this_thread::get_id());
}

TEST(ParallelFor, ReportsProgressAfterEverySliceWhileNothingElseRuns) {
    const ParallelSettings s{.minimum = 2, .parts = 3, .slices = 8, .sliceMinimum = 800};
    {
        const Recorded r(10000, s);
        ASSERT_EQ(r.progress.size(), 8u);
        EXPECT_TRUE(std::is_sorted(r.progress.begin(), r.progress.end()));
        EXPECT_EQ(r.progress.back(), 10000u);
        EXPECT_TRUE(std::all_of(r.running.begin(), r.running.end(), [](int b) { return b == 0; }));
        // After slice i every part has done i + 1 eighths of its items.
        EXPECT_EQ(r.progress[0], 3333 / 8 + 3333 / 8 + 3334 / 8);
    }
    // Below the slicing minimum, and with nothing to do, one report at the end.
    EXPECT_EQ(Recorded(799, s).progress, std::vector<size_t>{799});
    EXPECT_EQ(Recorded(0, s).progress, std::vector<size_t>{0});
}

// ---- memory ----

TEST(Platform, PageSizeAndMemoryAreKnownWhereTheSystemTellsThem) {
#if defined(__linux__)
    const size_t page = platform::PageSize();
    ASSERT_NE(page, 0u);
    EXPECT_EQ(page & (page - 1), 0u);
    EXPECT_GT(platform::PhysicalMemoryBytes(), uint64_t{page});
#else
    GTEST_SKIP() << "no page size on this system";
#endif
}

// An array aligned to pages, filled with a byte.
struct Pages {
    size_t page = platform::PageSize();
    size_t count;
    std::unique_ptr<unsigned char, decltype(&std::free)> bytes{nullptr, &std::free};

    Pages(size_t pages, unsigned char fill) : count(pages) {
        if (page == 0) return;
        bytes.reset(static_cast<unsigned char*>(std::aligned_alloc(page, page * pages)));
        std::memset(bytes.get(), fill, page * pages);
    }
    // Whether [from, to) holds only `fill`.
    bool All(size_t from, size_t to, unsigned char fill) const {
        return std::all_of(bytes.get() + from, bytes.get() + to, [fill](unsigned char b) { return b == fill; });
    }
};

TEST(Platform, PageReleaserHandsBackOnlyWholePagesBetweenItsStartAndTheEnd) {
    Pages a(8, 0xAB);
    if (!a.bytes) GTEST_SKIP() << "no page size on this system";
    const size_t p = a.page;
    // Started inside page 0: that page holds bytes before the array and stays.
    platform::PageReleaser released(a.bytes.get() + 100);
    released.Upto(a.bytes.get() + p + 10);  // no whole page yet
    EXPECT_TRUE(a.All(0, 8 * p, 0xAB));
    released.Upto(a.bytes.get() + 3 * p + 5);  // pages 1 and 2
    EXPECT_TRUE(a.All(0, p, 0xAB));
    EXPECT_TRUE(a.All(3 * p, 8 * p, 0xAB)) << "a byte at or after the end was handed back";
    // The pages handed back are the program's again when written.
    std::memset(a.bytes.get() + p, 0x11, 2 * p);
    released.Upto(a.bytes.get() + 2 * p);  // behind what is done: nothing
    EXPECT_TRUE(a.All(p, 3 * p, 0x11));
    EXPECT_TRUE(a.All(3 * p, 8 * p, 0xAB));
}

TEST(PagesAhead, FaultingInNeverChangesWhatTheArrayHolds) {
    // Bytes already written at the far end (as a reused array has) and the front filled
    // while the other thread works towards it.
    constexpr size_t kPages = 512;
    Pages a(kPages, 0x5A);
    if (!a.bytes) GTEST_SKIP() << "no page size on this system";
    const size_t bytes = kPages * a.page;
    const PagesAhead::Settings small{.minBytes = bytes / 2, .stepBytes = 4 * a.page};
    {
        PagesAhead ahead(a.bytes.get(), bytes, small);
        EXPECT_EQ(ahead.Running(), platform::CanFaultInPages());
        for (size_t i = 0; i < bytes / 2; i += a.page) {
            std::memset(a.bytes.get() + i, 0x33, a.page);
            ahead.Reached(a.bytes.get() + i + a.page);
        }
    }  // joined here
    EXPECT_TRUE(a.All(0, bytes / 2, 0x33));
    EXPECT_TRUE(a.All(bytes / 2, bytes, 0x5A));
    // Too small an array is left alone.
    const PagesAhead none(a.bytes.get(), bytes / 2 - 1, small);
    EXPECT_FALSE(none.Running());
}

}  // namespace
}  // namespace aq
