// Filter control of one voice: key follow, cutoff, LFO, envelope and aftertouch become the voice's
// cutoff signal, the resonance control becomes its damping, and the amplifier envelope is scaled down
// as resonance rises.
#include "blocks/VcfPrepare.h"

#include "signal/EngineParams.h"
#include "signal/WideLoop.h"

#include <cassert>

namespace {
// Key follow pivots around pitch 2.25 (55 Hz); 0.12857 per octave at full key follow.
constexpr float kKeyPivot = 2.25f;
constexpr float kKeyScale = 0.12857f;
// Panel cutoff 0..1 spread over the filter's control range.
constexpr float kCutoffScale = 1.3585f;
constexpr float kCutoffOffset = 0.24462f;
constexpr float kLfoDepth = 0.776f;
constexpr float kCutoffMin = 0.1f;
constexpr float kCutoffMax = 1.114f;
// Above this knee the top of the range is bent down, so the open filter stays below the cap.
constexpr float kBendKnee = 0.8f;
constexpr float kBendDepth = 0.2f;
// The resonance factor doubles as the amplifier's loss: more resonance, less level.
constexpr float kResonanceGain = 7.0f;
} // namespace

VcfPrepare::VcfPrepare(FloatBuffer* pitch, FloatBuffer* envVcf, FloatBuffer* lfo, SmoothedBuffer* vcfFreqGlobal,
                       SmoothedBuffer* vcfResGlobal, SmoothedBuffer* vcfLfo, SmoothedBuffer* vcfEnv,
                       SmoothedBuffer* vcfKey, SmoothedBuffer* pat, FloatBuffer* vcfFreqOut, FloatBuffer* vcfResOut,
                       FloatBuffer* envVca, const EngineParams* params)
    : mPitch(pitch), mEnvVcf(envVcf), mLfo(lfo), mVcfFreqGlobal(vcfFreqGlobal), mVcfResGlobal(vcfResGlobal),
      mVcfLfo(vcfLfo), mVcfEnv(vcfEnv), mVcfKey(vcfKey), mPat(pat), mVcfFreqOut(vcfFreqOut),
      mVcfResOut(vcfResOut), mEnvVca(envVca), mParams(params)
{
}

namespace {

// Inlined into the per-sample loop, which the compiler can then run several samples at a time.
[[gnu::always_inline]] inline float Resonance(float r) noexcept
{
    // Two cubic fits of the measured resonance response, joined at 0.25. Both are evaluated and one is
    // picked, so that the loop has no branch.
    const float upper = 0.240375f + 0.0981179f * r - 1.62398f * r * r + 2.28321f * r * r * r;
    const float lower = 0.1f + 0.229793f * r + 0.816993f * r * r - 0.544662f * r * r * r;
    return r >= 0.25f ? upper : lower;
}

[[gnu::always_inline]] inline float Shape(float c) noexcept
{
    c = c < kCutoffMin ? kCutoffMin : (c > kCutoffMax ? kCutoffMax : c);
    const float over = kBendKnee - c;
    const float bent = c - kBendDepth * over * over;
    return c > kBendKnee ? bent : c;
}

} // namespace

float VcfPrepare::ResonanceCurve(float r) noexcept
{
    return Resonance(r);
}

float VcfPrepare::ShapeCutoff(float c) noexcept
{
    return Shape(c);
}

KT4R_WIDE_LOOP void VcfPrepare::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mVcfFreqOut->mSize);
    const float brilliance = mParams->mAtBrilliance;
    const float* pitch = mPitch->mData;
    const float* envVcf = mEnvVcf->mData;
    const float* lfo = mLfo->mData;
    const float* cutoff = mVcfFreqGlobal->mData;
    const float* resonance = mVcfResGlobal->mData;
    const float* lfoDepth = mVcfLfo->mData;
    const float* envDepth = mVcfEnv->mData;
    const float* keyFollow = mVcfKey->mData;
    const float* pat = mPat->mData;
    float* freqOut = mVcfFreqOut->mData;
    float* resOut = mVcfResOut->mData;
    float* envVca = mEnvVca->mData;

    // No output aliases an input, and no step may trap: the compiler may run samples side by side.
#pragma GCC ivdep
    for (int i = 0; i < frames; ++i) {
        const float c = (pitch[i] - kKeyPivot) * keyFollow[i] * kKeyScale +
                        (cutoff[i] * kCutoffScale - kCutoffOffset) + lfoDepth[i] * kLfoDepth * kCutoffScale * lfo[i] +
                        envDepth[i] * envVcf[i] * kCutoffScale + brilliance * pat[i];
        const float r = kResonanceGain * Resonance(resonance[i]);
        freqOut[i] = Shape(c);
        resOut[i] = r;
        envVca[i] = envVca[i] / r;
    }
    if (frames > 0) {
        for (FloatBuffer* out : {mVcfFreqOut, mVcfResOut}) {
            out->mFilled = frames;
            out->mState = Moving;
        }
    }
}
