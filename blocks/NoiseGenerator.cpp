// The white-noise source shared by the noise oscillator wave, the random LFO wave and the chorus.
#include "blocks/NoiseGenerator.h"

#include <algorithm>

namespace {

// Maps a signed 32-bit word onto [-0.5, 0.5].
constexpr float kScale = 1.0f / 4294967296.0f;

} // namespace

NoiseGenerator::NoiseGenerator(FloatBuffer* noise, const EngineParams* params) : mNoise(noise), mParams(params) {}

void NoiseGenerator::ProcessBlock(int frames) noexcept
{
    frames = std::clamp(frames, 0, mNoise->mSize);
    float* out = mNoise->Data();
    uint32_t a = mA, b = mB;
    for (int i = 0; i < frames; ++i) {
        a ^= b;
        b += a;
        out[i] = static_cast<float>(static_cast<int32_t>(b)) * kScale;
    }
    mA = a;
    mB = b;
    mNoise->mFilled = frames;
    mNoise->mState = Moving;
}
