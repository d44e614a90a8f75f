// A bucket-brigade stereo chorus: one modulated delay line read by two taps sweeping in opposite
// directions, with the line's noise growing with the delay time.
#include "blocks/Chorus.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// Sweep depth per "CHORUS" mode; the off mode keeps the sweep at rest.
constexpr float kModeDepth[3] = {0.0f, 0.37f, 0.365f};
// Triangle rates in Hz at full "CHORUS SPEED" for modes 1 and 2.
constexpr float kModeRateHz[3] = {0.0f, 1.36f, 2.04f};
// The wet level is fixed per mode rather than read from "CHORUS LEVEL", so existing patches (whose
// level is 0) keep their chorus.
constexpr float kWetLevel = 1.2f;
constexpr float kNoiseGain = 0.002f;
// Part of the noise enters the line with the signal; the rest rides on each tap.
constexpr float kLineNoise = 0.15f;
constexpr float kWetThreshold = 1e-5f;
// Within this of 0 the fade-out ends, as the engine's parameter glides do near their target.
constexpr float kFadeSnap = 1e-3f;
// An output filter this close to rest is silent to any listener (about -120 dB).
constexpr float kRestThreshold = 1e-6f;
constexpr float kFadeCornerHz = 10.0f;
constexpr float kToneCornerHz = 4000.0f;

} // namespace

Chorus::Chorus(FloatBuffer* audio, FloatBuffer* noise, SmoothedBuffer* chorusDepth, FloatBuffer* audioL,
               FloatBuffer* audioR, const EngineParams* params)
    : mAudio(audio), mNoise(noise), mChorusDepth(chorusDepth), mAudioL(audioL), mAudioR(audioR), mParams(params)
{
}

void Chorus::SetSampleRate(float rate)
{
    MyComponent::SetSampleRate(rate);
    const int length = static_cast<int>(rate * kLineSeconds);
    // Two samples at least, so that both taps and their interpolation neighbour stay inside the line.
    mLine.assign(static_cast<size_t>(std::max(length, 2)), 0.0f);
    mWritePosition = 0;
    mMaxSweep = static_cast<float>(length) * 0.25f;
    for (int m = 0; m < 3; ++m)
        mModeRate[m] = kModeRateHz[m] / rate;
    mModeDepth.mCoefficient = OnePoleCoefficient(kFadeCornerHz, rate);
    mWetLevel.mCoefficient = OnePoleCoefficient(kFadeCornerHz, rate);
    mInput.mCoefficient = OnePoleCoefficient(kToneCornerHz, rate);
    mLeft.mCoefficient = OnePoleCoefficient(kToneCornerHz, rate);
    mRight.mCoefficient = OnePoleCoefficient(kToneCornerHz, rate);
}

bool Chorus::IsResting(const float* audio, int frames, float modeDepth, float phaseStep) const noexcept
{
    // With the chorus off and its fade ended, the wet level is 0 and stays 0, so the taps are closed
    // and the line only takes zeros. What is left is the dry signal through resting tone filters: when
    // the input is silent and one step leaves every smoother and the sweep phase bit for bit where
    // they are, each sample of the block is 0 and only the write position and the direction move.
    if (mWetLevel.mState != 1.0f || mLeft.mState != 1.0f || mRight.mState != 1.0f || !IsSilent(audio, frames))
        return false;
    Smoother depth = mModeDepth, input = mInput;
    OffsetOnePoleStep(depth.mState, depth.mCoefficient, modeDepth);
    OffsetOnePoleStep(input.mState, input.mCoefficient, 0.0f);
    // Both ways: a phase resting past a turning point turns the sweep on every sample.
    return SameBits(depth.mState, mModeDepth.mState) && SameBits(input.mState, mInput.mState) &&
           SameBits(mPhase + mDirection * phaseStep, mPhase) && SameBits(mPhase - mDirection * phaseStep, mPhase);
}

void Chorus::SkipResting(int frames) noexcept
{
    // The line takes (input + noise) times a wet level of 0: zeros, whose sign no tap can carry into
    // the output, since every tap is added to the tone filter's +1 offset.
    const int length = static_cast<int>(mLine.size());
    for (int i = 0, write = mWritePosition; i < std::min(frames, length); ++i) {
        mLine[static_cast<size_t>(write)] = 0.0f;
        write = write + 1 < length ? write + 1 : 0;
    }
    mWritePosition = (mWritePosition + frames) % length;
    if ((mPhase > 0.5f || mPhase < -0.5f) && (frames & 1))
        mDirection = -mDirection;
}

void Chorus::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 &&
           frames <= std::min({mAudio->mSize, mNoise->mSize, mChorusDepth->mSize, mAudioL->mSize, mAudioR->mSize}));
    float* outL = mAudioL->Data();
    float* outR = mAudioR->Data();
    for (FloatBuffer* b : {mAudioL, mAudioR}) {
        b->mFilled = frames;
        b->mState = Moving;
    }
    if (mLine.empty()) {
        // No sample rate yet: the line does not exist, so stay silent.
        std::fill(outL, outL + frames, 0.0f);
        std::fill(outR, outR + frames, 0.0f);
        return;
    }

    const int mode = std::clamp(static_cast<int>(mParams->mChorusMode), 0, 2); // table index
    const float noiseGain = mode >= 1 ? mParams->mChorusNoise * kNoiseGain : 0.0f;
    const float wetTarget = mode >= 1 ? kWetLevel : 0.0f;
    const float phaseStep = mParams->mChorusSpeed * 2.0f * mModeRate[mode];
    const float modeDepth = kModeDepth[mode];
    // In single precision the 10 Hz fade-out stalls a few hundred ulps above 0, which would keep the
    // taps open for ever after the chorus is turned off: end the fade once it is that close.
    const float fadeEnd = wetTarget == 0.0f ? kFadeSnap : -1.0f;
    const float maxSweep = mMaxSweep;
    const float centreOffset = maxSweep * mParams->mChorusOffset;

    const float* audio = mAudio->Data();
    const float* noise = mNoise->Data();
    const float* depth = mChorusDepth->Data();
    float* line = mLine.data();
    const int length = static_cast<int>(mLine.size());
    const float invLength = 1.0f / static_cast<float>(length);
    const float deepest = static_cast<float>(length - 1);

    if (wetTarget == 0.0f && IsResting(audio, frames, modeDepth, phaseStep)) {
        SkipResting(frames);
        std::fill(outL, outL + frames, 0.0f);
        std::fill(outR, outR + frames, 0.0f);
        return;
    }

    Smoother dmS = mModeDepth, wS = mWetLevel, inS = mInput, lS = mLeft, rS = mRight;
    float phase = mPhase, direction = mDirection;
    int write = mWritePosition;

    for (int i = 0; i < frames; ++i) {
        const float x = audio[i];
        const float dm = OffsetOnePoleStep(dmS.mState, dmS.mCoefficient, modeDepth);
        const float n = noiseGain * noise[i];
        const float sweep = maxSweep * depth[i] * dm;
        const float centre = centreOffset + sweep;
        float w = OffsetOnePoleStep(wS.mState, wS.mCoefficient, wetTarget);
        if (w < fadeEnd) {
            wS.mState = 1.0f;
            w = 0.0f;
        }
        const float xl = OffsetOnePoleStep(inS.mState, inS.mCoefficient, x);

        line[write] = (xl + kLineNoise * n) * w;
        if (++write >= length)
            write = 0;

        // The phase overshoots ±0.5 by at most one step before turning; it is not folded back.
        phase += direction * phaseStep;
        if (phase > 0.5f || phase < -0.5f)
            direction = -direction;

        float tapL = 0.0f, tapR = 0.0f;
        if (w > kWetThreshold) {
            const float m = sweep * 2.0f * phase;
            auto tap = [&](float d) noexcept {
                // A tap is at least one sample deep: shallower, it would read across the write
                // position into the oldest sample of the line (or, below zero, past it).
                d = std::fmin(std::fmax(d, 1.0f), deepest);
                const int k = static_cast<int>(d);
                const float f = d - static_cast<float>(k);
                int i0 = write - k;
                if (i0 < 0)
                    i0 += length;
                const int i1 = i0 == 0 ? length - 1 : i0 - 1;
                return (1.0f - f) * line[i0] + f * line[i1] + (d * invLength) * n;
            };
            tapL = tap(centre + m);
            tapR = tap(centre - m);
        } else {
            // With the taps closed the tone filters would stall one ulp above rest; settle them so
            // that "off" gives the dry signal bit for bit.
            if (std::fabs(lS.mState - 1.0f) < kRestThreshold)
                lS.mState = 1.0f;
            if (std::fabs(rS.mState - 1.0f) < kRestThreshold)
                rS.mState = 1.0f;
        }
        outL[i] = OffsetOnePoleStep(lS.mState, lS.mCoefficient, tapL) + x;
        outR[i] = OffsetOnePoleStep(rS.mState, rS.mCoefficient, tapR) + x;
    }

    mModeDepth = dmS;
    mWetLevel = wS;
    mInput = inS;
    mLeft = lS;
    mRight = rS;
    mPhase = phase;
    mDirection = direction;
    mWritePosition = write;
}
