// Four filter-rate sub-samples of one host frame, held as one SIMD register.
#pragma once

// GCC/Clang vector extension: arithmetic, comparisons and lane access (q[0]) map onto SSE on x86-64.
using Quad_float = float __attribute__((vector_size(16)));
using Quad_int = int __attribute__((vector_size(16)));

static_assert(sizeof(Quad_float) == 16 && alignof(Quad_float) == 16);
