#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#ifdef _WIN32
#include <malloc.h>
#endif

namespace kt4r_test::allocations {
namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void* Allocate(std::size_t size, std::size_t alignment)
{
    CountIfCounting();
    if (size == 0)
        size = 1;
    if (alignment <= alignof(std::max_align_t))
        return std::malloc(size);
#ifdef _WIN32
    return _aligned_malloc(size, alignment); // the library's aligned delete calls _aligned_free
#else
    return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment)
{
    if (void* p = Allocate(size, alignment))
        return p;
    throw std::bad_alloc();
}

} // namespace

void SetCounting(bool on)
{
    gCounting = on;
}

void ResetCount()
{
    gAllocations = 0;
}

long Count()
{
    return gAllocations.load();
}

void CountIfCounting()
{
    if (gCounting.load(std::memory_order_relaxed)) {
        gAllocations.fetch_add(1, std::memory_order_relaxed);
        // For finding the caller in a debugger: the first counted allocation stops the process.
        static const bool abortOnCounted = std::getenv("KT4R_ABORT_ON_COUNTED_ALLOCATION") != nullptr;
        if (abortOnCounted)
            std::abort();
    }
}

} // namespace kt4r_test::allocations

// The library's array, nothrow and sized forms all come down to these.
void* operator new(std::size_t n)
{
    return kt4r_test::allocations::AllocateOrThrow(n, 0);
}
void* operator new(std::size_t n, std::align_val_t a)
{
    return kt4r_test::allocations::AllocateOrThrow(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
