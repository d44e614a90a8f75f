// The white-noise source shared by the noise oscillator wave, the random LFO wave and the chorus; its
// step also drives the kernel's filter self-noise.
#pragma once

#include "signal/Buffers.h"
#include "signal/MyComponent.h"

#include <cstdint>

class NoiseGenerator final : public MyComponent {
public:
    explicit NoiseGenerator(FloatBuffer* noise);

    // Called by the render at its noise step, before the LFO; fills frames samples in [-0.5, 0.5].
    // Audio thread, plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    // One step of the generator on its two state words: the second word, read as a signed 32-bit
    // number and scaled by 2^-32, is the sample in [-0.5, 0.5].
    static float Next(uint32_t& a, uint32_t& b) noexcept
    {
        a ^= b;
        b += a;
        return static_cast<float>(static_cast<int32_t>(b)) * kScale;
    }

    // 2^-32: a signed 32-bit word to [-0.5, 0.5).
    static constexpr float kScale = 1.0f / 4294967296.0f;

private:

    FloatBuffer* mNoise;
    // Fixed seed words, so every instance produces the same sequence.
    uint32_t mA = 1732584193u;
    uint32_t mB = 4023233417u;
};
