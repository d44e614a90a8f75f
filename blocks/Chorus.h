// A bucket-brigade stereo chorus: one modulated delay line read by two taps sweeping in opposite
// directions, with the line's noise growing with the delay time.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

#include <vector>

class Chorus final : public MyComponent {
public:
    Chorus(FloatBuffer* audio, FloatBuffer* noise, SmoothedBuffer* chorusDepth, FloatBuffer* audioL,
           FloatBuffer* audioR, const EngineParams* params);

    // Resizes (allocates) and clears the delay line; see MyComponent. Only a rate change calls it, so
    // a voice-count change leaves the line and its tail alone.
    void SetSampleRate(float rate) override;
    // Called by the render after the high-pass filter, also while no voice sounds so the tail decays.
    // Audio thread, plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    static constexpr float kLineSeconds = 0.03f;

private:
    // Whether this block, with this mode's sweep depth and phase step, can only give silence.
    bool IsResting(const float* audio, int frames, float modeDepth, float phaseStep) const noexcept;
    // Moves the line and the sweep on by frames resting samples.
    void SkipResting(int frames) noexcept;

    FloatBuffer* mAudio;
    FloatBuffer* mNoise;
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
