// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

// The program's only threads. A pass over the records of a large survey is shared out
// in parts, one thread each, and a freshly allocated record array is faulted in from its
// end while the loader fills it from its start. Callers pass the settings they want, so
// the code that uses these reads as a plain loop over the records.
namespace aq {

// How ParallelFor shares a pass over n items.
struct ParallelSettings {
    // Items from which the pass is split into `parts`; below it one part does all.
    size_t minimum = size_t{1} << 16;
    // Parts of a split pass: the first runs on the calling thread, each other on its own.
    unsigned parts = 2;
    // Each part is walked in this many slices, one after another, when the pass has at
    // least `sliceMinimum` items; otherwise in one. Between slices only the calling
    // thread runs, which is where `between` is called.
    size_t slices = 1;
    size_t sliceMinimum = 0;
};

// A call of a callable object (a lambda, not a plain function) that the caller keeps
// alive: ParallelFor takes its work through it so that it needs no template and no
// allocation.
template <class Signature>
class CallRef;

template <class R, class... Args>
class CallRef<R(Args...)> {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, CallRef>>>
    CallRef(F&& f) noexcept  // NOLINT(google-explicit-constructor): passed as a plain lambda
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          call_([](void* o, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<Args>(args)...);
          }) {}
    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_;
    R (*call_)(void*, Args...);
};

// Runs work(part, begin, end) over [0, n): split into ranges of about n / parts items
// (part p from n * p / parts) when n is at least s.minimum, each part walked from its
// start to its end in order, a slice at a time. Every item is in exactly one call, and
// no call has an empty range. After each slice (once at least, even for no items)
// between(done) is called on the calling thread while no other thread runs, with the
// number of items done so far. A part whose thread cannot be had runs on the calling
// thread after the first. `work` must not throw.
void ParallelFor(size_t n, const ParallelSettings& s, CallRef<void(unsigned, size_t, size_t)> work,
                 CallRef<void(size_t)> between);
void ParallelFor(size_t n, const ParallelSettings& s, CallRef<void(unsigned, size_t, size_t)> work);

// Takes the page faults of a fresh array from its end backwards on another thread while
// the caller fills it from its start, until the two meet: the first write to each page
// then finds it already there. Does nothing where the system cannot fault pages in ahead,
// for fewer than `minBytes` bytes, or when no thread can be had.
class PagesAhead {
public:
    struct Settings {
        size_t minBytes = size_t{64} << 20;
        size_t stepBytes = size_t{2} << 20;  // faulted in at a time; kept clear of the filling
    };
    PagesAhead(const void* begin, size_t bytes, const Settings& s);
    PagesAhead(const void* begin, size_t bytes) : PagesAhead(begin, bytes, Settings{}) {}
    // Stops the other thread and waits for it.
    ~PagesAhead();
    PagesAhead(const PagesAhead&) = delete;
    PagesAhead& operator=(const PagesAhead&) = delete;

    // The filling has reached p.
    void Reached(const void* p);
    // Whether another thread is faulting pages in (for tests).
    bool Running() const { return filler_ != nullptr; }

private:
    struct Filler;
    std::unique_ptr<Filler> filler_;
};

}  // namespace aq
