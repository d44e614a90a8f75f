// The envelope selector of a voice: routes either envelope (or the gate) to the oscillator, mixer,
// filter and amplifier, with polarity, velocity dynamics and click-removing smoothing.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

class Env_Sel final : public MyComponent {
public:
    Env_Sel(FloatBuffer* gate, FloatBuffer* adsr1, FloatBuffer* adsr2, FloatBuffer* vel1, FloatBuffer* vel2,
            FloatBuffer* vel3, FloatBuffer* envDco, FloatBuffer* envMix, FloatBuffer* envVcf, FloatBuffer* envVca,
            const EngineParams* params);

    void SetSampleRate(float rate) override;
    // Called by the voice after the envelopes and before oscillator control.
    void ProcessBlock(int frames) noexcept;

    static constexpr float kMixCornerHz = 300.0f;
    static constexpr float kVcfCornerHz = 150.0f;
    static constexpr float kVcaCornerHz = 300.0f;

private:
    // One-pole low-pass whose state carries a +1 offset, so it rests at 1.0 instead of decaying
    // into denormals when the envelope is 0.
    struct Smoother {
        float mState = 1.0f;
        float mCoefficient = 0.0f;
    };

    struct Route {
        const FloatBuffer* mSource;
        float mSign;
        const float* mDynamics;
        int mDynamicsStride; // 0 for the constant unit signal
    };

    Route EnvelopeRoute(int32_t mode, int32_t dyna) const noexcept;
    Route DynamicsOnly(const FloatBuffer* source, int32_t dyna) const noexcept;
    static void Smooth(const Route& route, Smoother& smoother, float* out, int frames) noexcept;

    FloatBuffer* mGate;
    FloatBuffer* mAdsr1;
    FloatBuffer* mAdsr2;
    FloatBuffer* mVel[3];
    FloatBuffer* mEnvDco;
    FloatBuffer* mEnvMix;
    FloatBuffer* mEnvVcf;
    FloatBuffer* mEnvVca;
    const EngineParams* mParams;

    Smoother mVca;
    Smoother mVcf;
    Smoother mMix;
};
