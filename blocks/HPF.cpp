// The global output high-pass filter with four panel positions: a bass boost at position 0 and
// three one-pole high-pass corners above it.
#include "blocks/HPF.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// 2π times the corners 1.0, 9.72, 225.75 and 729.05 Hz.
constexpr float kCornerRadians[4] = {6.283185f, 61.07256f, 1418.429f, 4580.756f};
// 2π · 72.3 Hz: the corner of the bass shelf at position 0.
constexpr float kBassRadians = 454.2743f;

} // namespace

HPF::HPF(FloatBuffer* audio, const EngineParams* params) : mAudio(audio), mParams(params) {}

void HPF::SetSampleRate(float rate)
{
    MyComponent::SetSampleRate(rate);
    const float x = kBassRadians / rate;
    mBassCoefficient = x > 0.001f ? std::exp(-x) : 1.0f - (1.0f - x * 0.5f) * x;
    for (int k = 0; k < 4; ++k)
        mCoefficient[k] = 1.0f - std::exp(-kCornerRadians[k] / rate);
}

template <bool kBassBoost>
float HPF::Step(float& lp, float& bass, float x, float coefficient, float bassCoefficient) noexcept
{
    lp = (x - lp) * coefficient + lp;
    if constexpr (kBassBoost)
        return (x - lp) + OffsetOnePoleStep(bass, bassCoefficient, x) * kBassGain;
    else
        return (x - lp) * kHighPassGain;
}

template <bool kBassBoost>
void HPF::Run(float* audio, int frames, float coefficient) noexcept
{
    float lp = mLowPass;
    float bass = mBass;
    const float bassCoefficient = mBassCoefficient;
    if (IsSilent(audio, frames)) {
        // Silent input and a state that one step leaves bit for bit as it is: every later step repeats
        // that step exactly, so the whole block is its one output value (the idle engine's usual case).
        float restLp = lp, restBass = bass;
        const float y = Step<kBassBoost>(restLp, restBass, 0.0f, coefficient, bassCoefficient);
        if (SameBits(restLp, lp) && SameBits(restBass, bass)) {
            std::fill(audio, audio + frames, y);
            return;
        }
    }
    for (int i = 0; i < frames; ++i)
        audio[i] = Step<kBassBoost>(lp, bass, audio[i], coefficient, bassCoefficient);
    mLowPass = lp;
    mBass = bass;
}

void HPF::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mAudio->mSize);
    const int position = std::clamp(mParams->mHpfStep, 0, 3);
    if (position == 0)
        Run<true>(mAudio->Data(), frames, mCoefficient[0]);
    else
        Run<false>(mAudio->Data(), frames, mCoefficient[position]);
    mAudio->mFilled = frames;
    mAudio->mState = Moving;
}
