// Flushes denormal floats to zero for the lifetime of the guard and restores the caller's mode after:
// decaying filter states would otherwise crawl through the slow denormal range.
#pragma once

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

class DenormalGuard {
public:
#if defined(__SSE2__)
    DenormalGuard() noexcept : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(mSaved); }
#else
    DenormalGuard() noexcept = default;
#endif
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if defined(__SSE2__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned mSaved;
#endif
};
