// The global low-frequency oscillator: a free triangle for wheel vibrato, and the panel's selected
// random, square or triangle wave with a delayed fade-in, free-running or locked to the host tempo.
#include "blocks/LFO.h"

#include "signal/ProcessContext.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>

namespace {

enum Wave : int32_t { kRandom = 0, kSquare = 1, kTriangle = 2 };

// Free rate e^(7.779 r - 4.542) Hz: about 0.0107 Hz at r = 0 up to 25.5 Hz at r = 1.
constexpr float kRateSlope = 7.779f;
constexpr float kRateBase = -4.542f;

} // namespace

LFO::LFO(FloatBuffer* noise, FloatBuffer* lfo, FloatBuffer* lfoWheel, const EngineParams* params)
    : mNoise(noise), mLfo(lfo), mLfoWheel(lfoWheel), mParams(params)
{
}

LFO::BeatFraction LFO::SyncedCycleBeats(float rate) noexcept
{
    // Out of range (or not a number) the knob reads as its nearest end, so the count stays in 1..16.
    const float r = rate >= 0.0f ? std::fmin(rate, 1.0f) : 0.0f;
    const float u = 1.0f - r;
    int32_t n, m;
    if (r < 0.5f) {
        n = 1 + static_cast<int32_t>(15.0f * u);
        m = 8;
    } else if (r < 0.75f) {
        n = 1 + static_cast<int32_t>(31.0f * u);
        m = 16;
    } else {
        n = 1 + static_cast<int32_t>(63.0f * u);
        m = 32;
    }
    const int32_t g = std::gcd(n, m);
    return {n / g, m / g};
}

float LFO::Rate() const noexcept
{
    const float r = mParams->mLfoRate;
    double rate;
    if (!mSync) {
        // One cycle is two phase units (up and down), hence 2 f.
        rate = 2.0f * std::exp(kRateSlope * r + kRateBase) / mSampleRate;
    } else {
        const BeatFraction beats = SyncedCycleBeats(r);
        const double tempo = mContext ? mContext->mTempo : 0.0;
        rate = tempo / ((static_cast<double>(beats.numerator) / beats.denominator) * 30.0 * mSampleRate);
    }
    // A host tempo or rate that is absurd, non-finite or not yet set must not push the phase out of
    // its fold range: at most one phase unit per sample, and a standstill for anything invalid.
    return static_cast<float>(std::fmin(std::fmax(rate, 0.0), 1.0));
}

template <int32_t kWave>
void LFO::Run(int frames, float rate, int32_t delayLength, int32_t fadeLength) noexcept
{
    const float* noise = mNoise->Data();
    float* lfo = mLfo->Data();
    float* wheel = mLfoWheel->Data();
    float held = mHeldRandom, square = mSquare, phase = mPhase, fade = mFade, direction = mDirection;
    int32_t state = mDelayState, counter = mCounter;
    const int32_t trigger = mTriggerTime;

    for (int i = 0; i < frames; ++i) {
        if (state == kWaitingForTrigger && i > trigger) {
            fade = 0.0f;
            state = kDelaying;
            counter = 0;
        }
        if (state == kDelaying && ++counter >= delayLength) {
            state = kFadingIn;
            counter = 0;
        }
        if (state == kFadingIn) {
            if (counter >= fadeLength) {
                // A fade shorter than one sample ends at full level at once.
                fade = 1.0f;
                state = kRunning;
            } else {
                ++counter;
                fade = static_cast<float>(counter) / static_cast<float>(fadeLength);
            }
        }

        phase += direction * rate;
        if (phase > 0.5f) {
            phase = 1.0f - phase;
            direction = -direction;
            held = noise[i];
        }
        if (phase < -0.5f) {
            phase = -1.0f - phase;
            direction = -direction;
            held = noise[i];
        }
        // Also a new random value at each zero crossing: four per cycle in all.
        if (phase * square < 0.0f)
            held = noise[i];
        square = phase <= 0.0f ? -0.5f : 0.5f;

        wheel[i] = phase;
        if constexpr (kWave == kRandom)
            lfo[i] = held * fade;
        else if constexpr (kWave == kSquare)
            lfo[i] = square * fade;
        else
            lfo[i] = phase * fade;
    }

    mHeldRandom = held;
    mSquare = square;
    mPhase = phase;
    mFade = fade;
    mDirection = direction;
    mDelayState = state;
    mCounter = counter;
    // A trigger not reached in this block (a note on its last frame) fires early in the next one.
    if (state == kWaitingForTrigger)
        mTriggerTime = std::max(trigger - frames, -1);
}

void LFO::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= std::min({mNoise->mSize, mLfo->mSize, mLfoWheel->mSize}));
    const float d = mParams->mLfoDelay;
    const int32_t delayLength = static_cast<int32_t>(mSampleRate * d);
    const int32_t fadeLength = static_cast<int32_t>(2.0f * d * mSampleRate);
    const float rate = Rate();

    switch (mParams->mLfoWave) {
    case LfoWave::kRandom: Run<kRandom>(frames, rate, delayLength, fadeLength); break;
    case LfoWave::kSquare: Run<kSquare>(frames, rate, delayLength, fadeLength); break;
    default: Run<kTriangle>(frames, rate, delayLength, fadeLength); break;
    }
    for (FloatBuffer* b : {mLfo, mLfoWheel}) {
        b->mFilled = frames;
        b->mState = Moving;
    }
}

void LFO::NoteStartsFromSilence(int time) noexcept
{
    if (mParams->mLfoDelay > 0.0f) {
        mDelayState = kWaitingForTrigger;
        mTriggerTime = time;
    }
    if (mRetriggerMode == LfoTrigger::kHard || (mRetriggerMode == LfoTrigger::kSoft && mVoicesIdle)) {
        mDirection = 1.0f;
        mPhase = 0.0f;
    }
}
