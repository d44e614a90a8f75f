// The global signals every voice reads, handed to it by the engine that owns them.
#pragma once

#include "signal/Buffers.h"

struct VoiceInputs {
    FloatBuffer* noise = nullptr;
    FloatBuffer* lfo = nullptr;
    FloatBuffer* lfoWheel = nullptr;
    QuadBuffer* audio4 = nullptr;
    SmoothedBuffer* dco1Lfo = nullptr;
    SmoothedBuffer* dco1Env = nullptr;
    SmoothedBuffer* dco2Lfo = nullptr;
    SmoothedBuffer* dco2Env = nullptr;
    SmoothedBuffer* mixDco1 = nullptr;
    SmoothedBuffer* mixDco2 = nullptr;
    SmoothedBuffer* mixEnv = nullptr;
    SmoothedBuffer* vcfFreq = nullptr;
    SmoothedBuffer* vcfRes = nullptr;
    SmoothedBuffer* vcfLfo = nullptr;
    SmoothedBuffer* vcfEnv = nullptr;
    SmoothedBuffer* vcfKey = nullptr;
    SmoothedBuffer* vca = nullptr;
    SmoothedBuffer* bender = nullptr;
    SmoothedBuffer* mw = nullptr;
};
