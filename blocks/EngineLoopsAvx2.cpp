// Engine's render loops for CPUs with AVX2 and FMA; only engines on such a CPU call into this unit.
//
// Only the loops are built for those instructions. What the unit shares with the rest of the library
// (the standard library's and the Engine, noise and signal headers' inline functions) is included
// first, outside the AVX2 region, so any copy of it this object carries out of line (-O0, -fno-inline)
// is plain x86-64 code and safe for the linker to keep. The loops' own helpers have internal linkage;
// the three explicit instantiations below are the only symbols the unit gives the linker (a test reads
// the object's symbol table to hold it to that).
#include "blocks/Engine.h"
#include "blocks/NoiseGenerator.h"
#include "blocks/VCA.h"

#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <limits>
#include <xmmintrin.h>

#ifndef __clang__ // clang builds the whole unit with -mavx2 -mfma instead
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

#include "blocks/EngineGroupLoops.h"

template void Engine::RenderWith<KernelPath::kAvx2>(XmodMode, int, int) noexcept;
template void Engine::RenderGroupWith<KernelPath::kAvx2>(Engine* const*, const int*, int, int) noexcept;
template void Engine::RenderAloneWith<KernelPath::kAvx2>(XmodMode, int, int, const AloneOutput&) noexcept;
template void Engine::DecimateWith<KernelPath::kAvx2>(DecimatorCascade&, const Quad_float*, float*, int,
                                                         int) noexcept;

#ifndef __clang__
#pragma GCC pop_options
#endif
