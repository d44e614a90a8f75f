// Four filter-rate sub-samples of one host frame, held as one SIMD register.
#pragma once

// GCC/Clang vector extension: arithmetic, comparisons and lane access (q[0]) map onto SSE on x86-64.
using Quad_float = float __attribute__((vector_size(16)));
using Quad_int = int __attribute__((vector_size(16)));

static_assert(sizeof(Quad_float) == 16 && alignof(Quad_float) == 16);

// Lanes picked from a (indices 0..3) and b (4..7), the indices fixed at compile time.
template <int A, int B, int C, int D>
inline Quad_float QuadShuffle(Quad_float a, Quad_float b) noexcept
{
#if defined(__clang__)
    return __builtin_shufflevector(a, b, A, B, C, D);
#else
    return __builtin_shuffle(a, b, Quad_int{A, B, C, D});
#endif
}
