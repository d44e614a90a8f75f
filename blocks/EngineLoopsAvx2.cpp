// Engine's render loops for CPUs with AVX2 and FMA; only this unit is built with those instructions,
// and only engines on such a CPU call into it.
#include "blocks/EngineGroupLoops.h"

template void Engine::RenderWith<KernelPath::kAvx2>(XmodMode, int, int) noexcept;
template void Engine::RenderGroupWith<KernelPath::kAvx2>(Engine* const*, const int*, int, int) noexcept;
