// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace aq::test {

// Lowers the largest file the process may write, so that a save fails part way with
// EFBIG instead of ending the process; the previous limit and signal handler come back
// after.
class FileSizeLimit {
public:
    FileSizeLimit() : ok_(::getrlimit(RLIMIT_FSIZE, &saved_) == 0), previous_(std::signal(SIGXFSZ, SIG_IGN)) {}
    ~FileSizeLimit() {
        Lift();
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Set(uint64_t bytes) {
        if (!ok_ || (saved_.rlim_max != RLIM_INFINITY && bytes > saved_.rlim_max)) return false;
        rlimit r = saved_;
        r.rlim_cur = static_cast<rlim_t>(bytes);
        return ::setrlimit(RLIMIT_FSIZE, &r) == 0;
    }
    void Lift() {
        if (ok_) ::setrlimit(RLIMIT_FSIZE, &saved_);
    }

private:
    rlimit saved_{};
    bool ok_;
    void (*previous_)(int);
};

}  // namespace aq::test
