#include "signal/Rand.h"

namespace {
thread_local unsigned gRandState = 1;
}

int Rand() noexcept
{
    gRandState = gRandState * 214013u + 2531011u;
    return static_cast<int>((gRandState >> 16) & 0x7FFF);
}

void SeedRand(unsigned seed) noexcept
{
    gRandState = seed;
}
