// The white-noise source shared by the noise oscillator wave, the random LFO wave and the chorus.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

#include <cstdint>

class NoiseGenerator final : public MyComponent {
public:
    NoiseGenerator(FloatBuffer* noise, const EngineParams* params);

    // Called by the render at its noise step, before the LFO; fills frames samples in [-0.5, 0.5].
    void ProcessBlock(int frames) noexcept;

private:
    FloatBuffer* mNoise;
    [[maybe_unused]] const EngineParams* mParams;
    // Fixed seed words, so every instance produces the same sequence.
    uint32_t mA = 1732584193u;
    uint32_t mB = 4023233417u;
};
