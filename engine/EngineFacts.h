// What the instrument shows of the engine without reaching into its blocks: the build of the
// processing code this CPU runs, and the cycle of the tempo-synced LFO as the panel names it.
#pragma once

#include <cstdint>

struct LfoCycleBeats {
    int32_t numerator;
    int32_t denominator;
};

// "baseline" or "avx2"; any thread, allocates nothing.
const char* ProcessingCodeName() noexcept;
// The beats of one LFO cycle for "LFO RATE" (normalised) with "LFO SYNC" on, in the engine's single
// precision; any thread, allocates nothing.
LfoCycleBeats SyncedLfoCycle(float rate) noexcept;
