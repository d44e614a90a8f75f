// Oscillator control of one voice: note pitch, glide and pitch modulations become the two oscillators'
// pitch and level signals, and the block's highest pitch picks the oscillator oversampling.
#include "blocks/DCO_prepare.h"

#include "signal/EngineParams.h"
#include "signal/QuadFloat.h"
#include "signal/WideLoop.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace {
// Range offset of oscillator 2 in octaves: oscillator 1 subtracts 1.0, oscillator 2 this, so at equal
// settings oscillator 2 sits 0.0025 octave (3 cents) below oscillator 1 and the two beat slowly.
constexpr float kDco2Offset = 1.0025f;
// Oscillator amplitude rises slightly with pitch, as an analog oscillator's does.
constexpr float kLevelPitchSlope = 0.003f;
constexpr double kMixEnvDepth = 0.98;
// Below this the wheel is taken as resting, so a noisy controller adds no vibrato.
constexpr double kWheelDeadZone = 0.01;
// Glide corner at time 0 (practically instant) and how fast it falls with the time control.
constexpr float kGlideCornerHz = 350.0f;
constexpr float kGlideTimeSlope = -10.0f;

// The highest of both pitch signals over the block, and at least 0. A comparison with NaN is false, so
// no NaN is ever taken and the order of the comparisons does not change the result: four running
// maxima side by side, then the highest of them.
float HighestPitch(const float* p1, const float* p2, int frames) noexcept
{
    Quad_float highest = {0.0f, 0.0f, 0.0f, 0.0f};
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        Quad_float a, b;
        std::memcpy(&a, p1 + i, sizeof a);
        std::memcpy(&b, p2 + i, sizeof b);
        highest = a > highest ? a : highest;
        highest = b > highest ? b : highest;
    }
    float m = 0.0f;
    for (int k = 0; k < 4; ++k)
        m = highest[k] > m ? highest[k] : m;
    for (; i < frames; ++i) {
        m = p1[i] > m ? p1[i] : m;
        m = p2[i] > m ? p2[i] : m;
    }
    return m;
}

// Whether a glide step toward target leaves glide exactly as it is; it then stays there for as long as
// the target holds.
bool Settled(double glide, double target, double c) noexcept
{
    const double next = (glide - target) * c + target;
    return std::memcmp(&next, &glide, sizeof next) == 0;
}

} // namespace

DCO_prepare::DCO_prepare(FloatBuffer* pitch, FloatBuffer* lfo, FloatBuffer* lfoWheel, FloatBuffer* envDco,
                         FloatBuffer* envMix, SmoothedBuffer* dco1Lfo, SmoothedBuffer* dco1Env, SmoothedBuffer* dco2Lfo,
                         SmoothedBuffer* dco2Env, SmoothedBuffer* mixDco1, SmoothedBuffer* mixDco2,
                         SmoothedBuffer* mixEnv, SmoothedBuffer* bender, SmoothedBuffer* mw, SmoothedBuffer* pat,
                         FloatBuffer* dco1Freq, FloatBuffer* dco2Freq, FloatBuffer* dco1Level, FloatBuffer* dco2Level,
                         const EngineParams* params)
    : mPitch(pitch), mLfo(lfo), mLfoWheel(lfoWheel), mEnvDco(envDco), mEnvMix(envMix), mDco1Lfo(dco1Lfo),
      mDco1Env(dco1Env), mDco2Lfo(dco2Lfo), mDco2Env(dco2Env), mMixDco1(mixDco1), mMixDco2(mixDco2), mMixEnv(mixEnv),
      mBender(bender), mMw(mw), mPat(pat), mDco1Freq(dco1Freq), mDco2Freq(dco2Freq), mDco1Level(dco1Level),
      mDco2Level(dco2Level), mParams(params)
{
}

void DCO_prepare::Recalculate()
{
    SetPortamento(mPortamentoTime);
}

void DCO_prepare::SetPortamento(float time) noexcept
{
    mPortamentoTime = time;
    if (mSampleRate <= 0.0f)
        return;
    mGlideCoefficient = OnePoleCoefficient(kGlideCornerHz * std::exp(kGlideTimeSlope * time), mSampleRate);
}

int DCO_prepare::OversamplingFor(float maxPitch) noexcept
{
    // 2 * 2^max(trunc(m) - 3, 0) capped at 16, written as thresholds so that no pitch, however large,
    // can overflow an integer conversion or a shift.
    if (maxPitch < 4.0f)
        return 2;
    if (maxPitch < 5.0f)
        return 4;
    if (maxPitch < 6.0f)
        return 8;
    return 16;
}

KT4R_WIDE_LOOP int DCO_prepare::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mDco1Freq->mSize);
    const EngineParams& p = *mParams;
    const float offset1 = static_cast<float>(p.mDco1Range) - 1.0f + p.mDco1Tune + p.mMasterTune + mDetune;
    const float offset2 =
        static_cast<float>(p.mDco2Range) - kDco2Offset + p.mDco2Tune + p.mDco2Fine + p.mMasterTune + mDetune;
    const float stretch = p.mOctaveStretch;
    const float bendRange = p.mBendRange;
    const float wheelDepth = p.mBendLfo;
    const float atVibrato = p.mAtVibrato;
    const double c = mGlideCoefficient;

    const float* pitch = mPitch->mData;
    const float* lfo = mLfo->mData;
    const float* wheel = mLfoWheel->mData;
    const float* envDco = mEnvDco->mData;
    const float* envMix = mEnvMix->mData;
    const float* lfo1 = mDco1Lfo->mData;
    const float* env1 = mDco1Env->mData;
    const float* lfo2 = mDco2Lfo->mData;
    const float* env2 = mDco2Env->mData;
    const float* mix1 = mMixDco1->mData;
    const float* mix2In = mMixDco2->mData;
    const float* mixEnv = mMixEnv->mData;
    const float* bender = mBender->mData;
    const float* mw = mMw->mData;
    const float* pat = mPat->mData;
    float* freq1 = mDco1Freq->mData;
    float* freq2 = mDco2Freq->mData;
    float* level1 = mDco1Level->mData;
    float* level2 = mDco2Level->mData;

    // The glide is a serial chain; it runs alone first (parked in "dco1_freq"), so that the loop over
    // everything else carries no dependency from sample to sample and runs several samples at a time.
    double glide = mGlide;
    if (frames > 0 && IsConstant(pitch, frames) && Settled(glide, stretch * pitch[0], c)) {
        // A held note whose glide has reached its resting value: every step gives that value again.
        std::fill(freq1, freq1 + frames, static_cast<float>(glide));
    } else {
        for (int i = 0; i < frames; ++i) {
            const double target = stretch * pitch[i];
            glide = (glide - target) * c + target;
            freq1[i] = static_cast<float>(glide);
        }
    }
    mGlide = glide;

    // No output aliases an input, and no step may trap: the compiler may run samples side by side.
#pragma GCC ivdep
    for (int i = 0; i < frames; ++i) {
        float common = freq1[i] + bendRange * bender[i];
        const float vibrato = common + wheelDepth * wheel[i] * mw[i];
        common = static_cast<double>(mw[i]) > kWheelDeadZone ? vibrato : common;
        common += atVibrato * wheel[i] * pat[i];
        const float p1 = common + offset1 + lfo[i] * lfo1[i] + envDco[i] * env1[i];
        const float p2 = common + offset2 + lfo[i] * lfo2[i] + envDco[i] * env2[i];
        freq1[i] = p1;
        freq2[i] = p2;
        level1[i] = (p1 * kLevelPitchSlope + 1.0f) * mix1[i];
        double mix2 = static_cast<double>(mixEnv[i]) * kMixEnvDepth * static_cast<double>(envMix[i]) +
                      static_cast<double>(mix2In[i]);
        mix2 = mix2 > 1.0 ? 1.0 : (mix2 >= 0.0 ? mix2 : 0.0);
        level2[i] = (p2 * kLevelPitchSlope + 1.0f) * static_cast<float>(mix2);
    }

    const float maxPitch = HighestPitch(freq1, freq2, frames);

    for (FloatBuffer* out : {mDco1Freq, mDco2Freq, mDco1Level, mDco2Level}) {
        out->mFilled = frames;
        out->mState = Moving;
    }
    return OversamplingFor(maxPitch);
}
