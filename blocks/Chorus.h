// A bucket-brigade stereo chorus: one modulated delay line read by two taps sweeping in opposite
// directions, with the line's noise growing with the delay time.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

#include <vector>

class Chorus final : public MyComponent {
public:
    Chorus(FloatBuffer* audio, FloatBuffer* noise, SmoothedBuffer* chorusLevel, SmoothedBuffer* chorusDepth,
           FloatBuffer* audioL, FloatBuffer* audioR, const EngineParams* params);

    // Resizes and clears the delay line; called by the context, never during a render.
    void SetSampleRate(float rate) override;
    // Called by the render after the high-pass filter, also while no voice sounds so the tail decays.
    void ProcessBlock(int frames) noexcept;

    static constexpr float kLineSeconds = 0.03f;

private:
    // One-pole low-pass carrying a +1 offset in its state, which rests at 1.0 for silence.
    struct Smoother {
        float mState = 1.0f;
        float mCoefficient = 0.0f;
    };

    FloatBuffer* mAudio;
    FloatBuffer* mNoise;
    // Kept up to date by the engine but not applied: the wet level is fixed per mode, so existing
    // patches (whose level is 0) keep their chorus.
    [[maybe_unused]] SmoothedBuffer* mChorusLevel;
    SmoothedBuffer* mChorusDepth;
    FloatBuffer* mAudioL;
    FloatBuffer* mAudioR;
    const EngineParams* mParams;

    // "chorus_delay": owned here, sized by the sample rate rather than the block size.
    std::vector<float> mLine;
    int mWritePosition = 0;
    float mMaxSweep = 0.0f;
    float mModeRate[3] = {0.0f, 0.0f, 0.0f};

    Smoother mModeDepth;
    Smoother mWetLevel;
    Smoother mInput;
    Smoother mLeft;
    Smoother mRight;

    float mPhase = 0.0f;
    float mDirection = 1.0f;
};
