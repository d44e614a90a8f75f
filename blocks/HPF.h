// The global output high-pass filter with four panel positions: a bass boost at position 0 and
// three one-pole high-pass corners above it.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

class HPF final : public MyComponent {
public:
    HPF(FloatBuffer* audio, const EngineParams* params);

    // The corner coefficients for the new rate; see MyComponent.
    void SetSampleRate(float rate) override;
    // Called by the render after the downsampler; filters "audio" in place by "HPF FREQ". Audio
    // thread, plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    static constexpr float kBassGain = 0.7f;
    static constexpr float kHighPassGain = 0.8f;

private:
    template <bool kBassBoost>
    void Run(float* audio, int frames, float coefficient) noexcept;
    // One sample through the filter: the low-pass state, the bass state (offset by +1) and the output.
    template <bool kBassBoost>
    static float Step(float& lp, float& bass, float x, float coefficient, float bassCoefficient) noexcept;

    FloatBuffer* mAudio;
    const EngineParams* mParams;
    // One state for all positions, so switching positions continues without a jump.
    float mLowPass = 0.0f;
    // The bass path carries a +1 offset so its state rests at 1.0, away from denormals.
    float mBass = 1.0f;
    float mBassCoefficient = 0.0f;
    float mCoefficient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
