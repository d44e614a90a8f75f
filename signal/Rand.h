// The pseudo-random generator the engine's seeds and the random programs rely on: a linear
// congruential generator with 15-bit results, per thread, starting from 1, so that the same
// sequence of calls gives the same values on every platform.
#pragma once

constexpr int kRandMax = 32767;

int Rand() noexcept;
void SeedRand(unsigned seed) noexcept;
