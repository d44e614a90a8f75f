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

    // The three smoothing coefficients for the new rate; see MyComponent.
    void SetSampleRate(float rate) override;
    // Called by the voice after the envelopes and before oscillator control; audio thread, plug-in
    // lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    static constexpr float kMixCornerHz = 300.0f;
    static constexpr float kVcfCornerHz = 150.0f;
    static constexpr float kVcaCornerHz = 300.0f;

private:
    struct Route {
        const FloatBuffer* mSource;
        float mSign;
        const float* mDynamics;
        int mDynamicsStride; // 0 for the constant unit signal
    };

    Route EnvelopeRoute(EnvelopeMode mode, int32_t dyna) const noexcept;
    Route DynamicsOnly(const FloatBuffer* source, int32_t dyna) const noexcept;
    // The smoothed destinations: mixer, filter, amplifier.
    static constexpr int kSmoothed = 3;
    static void Smooth(const Route* routes, Smoother* const* smoothers, float* const* outs, int frames) noexcept;

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
