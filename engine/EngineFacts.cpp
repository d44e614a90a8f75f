#include "engine/EngineFacts.h"

#include "blocks/Engine.h"
#include "blocks/LFO.h"

const char* ProcessingCodeName() noexcept
{
    return KernelPathName();
}

LfoCycleBeats SyncedLfoCycle(float rate) noexcept
{
    const LFO::BeatFraction beats = LFO::SyncedCycleBeats(rate);
    return {beats.numerator, beats.denominator};
}
