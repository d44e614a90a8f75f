// The envelope selector of a voice: routes either envelope (or the gate) to the oscillator, mixer,
// filter and amplifier, with polarity, velocity dynamics and click-removing smoothing.
#include "blocks/Env_Sel.h"

#include <algorithm>
#include <cassert>

namespace {

// Dynamics "off" multiplies by this, read with stride 0, so the per-sample loop never branches.
constexpr float kUnit = 1.0f;
// Below this squared level a smoother is snapped to rest, so a finished envelope reads exactly 0.
constexpr double kRestThreshold = 1e-7;

} // namespace

Env_Sel::Env_Sel(FloatBuffer* gate, FloatBuffer* adsr1, FloatBuffer* adsr2, FloatBuffer* vel1, FloatBuffer* vel2,
                 FloatBuffer* vel3, FloatBuffer* envDco, FloatBuffer* envMix, FloatBuffer* envVcf,
                 FloatBuffer* envVca, const EngineParams* params)
    : mGate(gate), mAdsr1(adsr1), mAdsr2(adsr2), mVel{vel1, vel2, vel3}, mEnvDco(envDco), mEnvMix(envMix),
      mEnvVcf(envVcf), mEnvVca(envVca), mParams(params)
{
}

void Env_Sel::SetSampleRate(float rate)
{
    mVca.mCoefficient = OnePoleCoefficient(kVcaCornerHz, rate);
    mVcf.mCoefficient = OnePoleCoefficient(kVcfCornerHz, rate);
    mMix.mCoefficient = OnePoleCoefficient(kMixCornerHz, rate);
    MyComponent::SetSampleRate(rate);
}

Env_Sel::Route Env_Sel::DynamicsOnly(const FloatBuffer* source, int32_t dyna) const noexcept
{
    dyna = std::clamp(dyna, 0, 3);
    if (dyna == 0)
        return {source, 1.0f, &kUnit, 0};
    return {source, 1.0f, mVel[dyna - 1]->Data(), 1};
}

Env_Sel::Route Env_Sel::EnvelopeRoute(EnvelopeMode mode, int32_t dyna) const noexcept
{
    const bool env1 = mode == EnvelopeMode::kEnv1Down || mode == EnvelopeMode::kEnv1Up;
    const bool up = mode == EnvelopeMode::kEnv1Up || mode == EnvelopeMode::kEnv2Up;
    Route r = DynamicsOnly(env1 ? mAdsr1 : mAdsr2, dyna);
    r.mSign = up ? 1.0f : -1.0f;
    return r;
}

void Env_Sel::Smooth(const Route* routes, Smoother* const* smoothers, float* const* outs, int frames) noexcept
{
    // The three smoothers advance in one loop: each is a serial chain, and side by side their latencies
    // overlap. Each chain computes exactly what it would alone.
    const float* src[kSmoothed];
    float sign[kSmoothed];
    const float* dyn[kSmoothed];
    int stride[kSmoothed];
    float c[kSmoothed];
    float s[kSmoothed];
    for (int k = 0; k < kSmoothed; ++k) {
        src[k] = routes[k].mSource->Data();
        sign[k] = routes[k].mSign;
        dyn[k] = routes[k].mDynamics;
        stride[k] = routes[k].mDynamicsStride;
        c[k] = smoothers[k]->mCoefficient;
        s[k] = smoothers[k]->mState;
    }
    // A held envelope into settled smoothers: when every input holds one value and one step leaves
    // each state as it is, every step does, and the outputs are that state.
    bool settled = frames > 0;
    for (int k = 0; k < kSmoothed && settled; ++k) {
        float next = s[k];
        OffsetOnePoleStep(next, c[k], src[k][0] * sign[k] * dyn[k][0]);
        settled = SameBits(next, s[k]) && IsConstant(src[k], frames) &&
                  (stride[k] == 0 || IsConstant(dyn[k], frames));
    }
    float* out0 = outs[0];
    float* out1 = outs[1];
    float* out2 = outs[2];
    if (settled) {
        for (int k = 0; k < kSmoothed; ++k)
            std::fill(outs[k], outs[k] + frames, s[k] - 1.0f);
    } else {
        for (int i = 0; i < frames; ++i) {
            out0[i] = OffsetOnePoleStep(s[0], c[0], src[0][i] * sign[0] * dyn[0][i * stride[0]]);
            out1[i] = OffsetOnePoleStep(s[1], c[1], src[1][i] * sign[1] * dyn[1][i * stride[1]]);
            out2[i] = OffsetOnePoleStep(s[2], c[2], src[2][i] * sign[2] * dyn[2][i * stride[2]]);
        }
    }
    for (int k = 0; k < kSmoothed; ++k) {
        const float last = s[k] - 1.0f;
        if (static_cast<double>(last * last) < kRestThreshold)
            s[k] = 1.0f;
        smoothers[k]->mState = s[k];
    }
}

void Env_Sel::ProcessBlock(int frames) noexcept
{
    const EngineParams& p = *mParams;
    assert(frames >= 0 &&
           frames <= std::min({mGate->mSize, mAdsr1->mSize, mAdsr2->mSize, mVel[0]->mSize, mVel[1]->mSize,
                               mVel[2]->mSize, mEnvDco->mSize, mEnvMix->mSize, mEnvVcf->mSize, mEnvVca->mSize}));

    const Route dco = EnvelopeRoute(p.mDcoMode, p.mDcoDyna);
    const Route mix = EnvelopeRoute(p.mMixMode, p.mMixDyna);
    const Route vcf = EnvelopeRoute(p.mVcfMode, p.mVcfDyna);
    const Route vca = DynamicsOnly(p.mVcaMode == VcaMode::kGate ? mGate : mAdsr2, p.mVcaDyna);

    {
        const float* src = dco.mSource->Data();
        const float* dyn = dco.mDynamics;
        const int stride = dco.mDynamicsStride;
        const float sign = dco.mSign;
        float* out = mEnvDco->Data();
        // The oscillator destination is left unsmoothed: pitch sweeps follow the envelope steps.
        for (int i = 0; i < frames; ++i)
            out[i] = src[i] * sign * dyn[i * stride];
    }
    const Route routes[kSmoothed] = {mix, vcf, vca};
    Smoother* const smoothers[kSmoothed] = {&mMix, &mVcf, &mVca};
    float* const outs[kSmoothed] = {mEnvMix->Data(), mEnvVcf->Data(), mEnvVca->Data()};
    Smooth(routes, smoothers, outs, frames);

    mEnvDco->mState = dco.mSource->mState == Steady ? Steady : Settling;
    mEnvMix->mState = mix.mSource->mState == Steady ? Steady : Settling;
    mEnvVcf->mState = Moving;
    mEnvVca->mState = Moving;
    for (FloatBuffer* b : {mEnvDco, mEnvMix, mEnvVcf, mEnvVca})
        b->mFilled = frames;
}
