// The white-noise source shared by the noise oscillator wave, the random LFO wave and the chorus; its
// step also drives the kernel's filter self-noise.
#include "blocks/NoiseGenerator.h"

#include <cassert>

NoiseGenerator::NoiseGenerator(FloatBuffer* noise) : mNoise(noise) {}

void NoiseGenerator::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mNoise->mSize);
    float* out = mNoise->Data();
    uint32_t a = mA, b = mB;
    for (int i = 0; i < frames; ++i)
        out[i] = Next(a, b);
    mA = a;
    mB = b;
    mNoise->mFilled = frames;
    mNoise->mState = Moving;
}
