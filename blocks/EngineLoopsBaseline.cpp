// Engine's render loops for any x86-64 CPU, built with the project's baseline flags.
#include "blocks/EngineGroupLoops.h"

template void Engine::RenderWith<KernelPath::kBaseline>(XmodMode, int, int) noexcept;
template void Engine::RenderGroupWith<KernelPath::kBaseline>(Engine* const*, const int*, int, int) noexcept;
template void Engine::RenderAloneWith<KernelPath::kBaseline>(XmodMode, int, int, const AloneOutput&) noexcept;
template void Engine::DecimateWith<KernelPath::kBaseline>(DecimatorCascade&, const Quad_float*, float*, int,
                                                         int) noexcept;
