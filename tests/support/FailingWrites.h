// While one of these lives, no file of the process may grow: every write fails as on a full disk,
// whoever runs the test (a read-only folder does not stop the superuser).
#pragma once

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace kt4r_test {

#ifdef _WIN32
// Windows has no per-process file-size limit: the tests that need one are skipped there.
class FailingWrites {
public:
    static constexpr bool kAvailable = false;
};
#else
class FailingWrites {
public:
    static constexpr bool kAvailable = true;

    FailingWrites()
    {
        getrlimit(RLIMIT_FSIZE, &mOld);
        rlimit none = mOld;
        none.rlim_cur = 0;
        // Past the limit a write fails with EFBIG instead of the signal ending the process.
        mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FailingWrites()
    {
        setrlimit(RLIMIT_FSIZE, &mOld);
        std::signal(SIGXFSZ, mOldHandler);
    }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;

private:
    rlimit mOld{};
    void (*mOldHandler)(int) = nullptr;
};
#endif

} // namespace kt4r_test
