// Engine's render loops for any x86-64 CPU, built with the project's baseline flags.
#include "blocks/EngineLoops.h"

template void Engine::RenderWith<KernelPath::kBaseline>(XmodMode, int, int) noexcept;
