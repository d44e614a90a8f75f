// The output decimator: an analogue-style smoothing low-pass and a 16th-order Butterworth
// anti-alias low-pass at the filter rate, then the average of each host period's sub-samples.
#include "blocks/DownSampler.h"

#include "blocks/Engine.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// The value of π the filter design has always used; the corners depend on it in the last digits.
constexpr double kPi = 3.1415926;
// The smoothing corner is fixed in Hz; at filter rates below 60 kHz (hosts below 15 kHz) it would
// reach or pass Nyquist, where the bilinear design turns unstable, so it is held below it.
constexpr double kMaxSmoothingCorner = 0.45;
// Long enough for the narrowest Butterworth section to ring down below single precision.
constexpr int kSettleSamples = 4096;

inline Quad_float Splat(float v) noexcept
{
    return Quad_float{v, v, v, v};
}

} // namespace

DownSampler::DownSampler(QuadBuffer* audio4, FloatBuffer* audio) : mAudio4(audio4), mAudio(audio)
{
    SetSampleRate(44100.0f);
}

DownSampler::Biquad DownSampler::Design(double cornerHz, double damping, double filterRate)
{
    const double k = 2.0 * std::tan(kPi * cornerHz / filterRate);
    const double k2 = k * k;
    const double a0 = 4.0 + 4.0 * k * damping + k2;
    return {static_cast<float>(k2 / a0), static_cast<float>(2.0 * k2 / a0), static_cast<float>(k2 / a0),
            static_cast<float>((2.0 * k2 - 8.0) / a0), static_cast<float>((4.0 - 4.0 * k * damping + k2) / a0)};
}

void DownSampler::SetSampleRate(float rate)
{
    MyComponent::SetSampleRate(rate);
    const double filterRate = static_cast<double>(mOversampling) * rate;
    if (!(filterRate > 0.0) || !std::isfinite(filterRate))
        return;

    // Smoothing sections in transposed direct form, section 1 states (p1, p2), section 2 (q1, q2):
    //   y1 = b0 u + p1,  p1' = b1 u - a1 y1 + p2,  p2' = b2 u - a2 y1
    //   y2 = b0 y1 + q1, q1' = b1 y1 - a1 y2 + q2, q2' = b2 y1 - a2 y2
    // expanded into one matrix over (p1, p2, q1, q2).
    const Biquad s = Design(std::min(kSmoothingCornerHz, kMaxSmoothingCorner * filterRate), kSmoothingDamping,
                            filterRate);
    const double b0 = s.b0, b1 = s.b1, b2 = s.b2, a1 = s.a1, a2 = s.a2;
    const double e1 = b1 - a1 * b0, e2 = b2 - a2 * b0;
    auto quad = [](double v0, double v1, double v2, double v3) {
        return Quad_float{static_cast<float>(v0), static_cast<float>(v1), static_cast<float>(v2),
                          static_cast<float>(v3)};
    };
    DecimatorCascade& c = mCascade;
    c.mA0 = quad(-a1, -a2, e1, e2);
    c.mA1 = quad(1.0, 0.0, 0.0, 0.0);
    c.mA2 = quad(0.0, 0.0, -a1, -a2);
    c.mA3 = quad(0.0, 0.0, 1.0, 0.0);
    c.mB = quad(e1, e2, b0 * e1, b0 * e2);
    c.mC0 = static_cast<float>(b0);
    c.mD = static_cast<float>(b0 * b0);
    // At rest on the +1 offset (silence): each section passes 1.0 and holds p1 = 1 - b0, p2 = b2 - a2.
    c.mState = quad(1.0 - b0, b2 - a2, 1.0 - b0, b2 - a2);

    // Butterworth pole angles (2k + 15) π / 32 for k = 1..8, 17π/32 to 31π/32: damping -cos θ > 0.
    const double corner = kAntiAliasCorner * rate;
    for (int g = 0; g < 2; ++g) {
        for (int lane = 0; lane < 4; ++lane) {
            const int k = g * 4 + lane + 1;
            Biquad q = Design(corner, -std::cos((2.0 * k + 15.0) * kPi / 32.0), filterRate);
            // Re-round a2 (by an ulp or so) so that the section maps 1.0 to exactly 1.0 in the order
            // the lanes evaluate it: silence on the offset then stays exact through the cascade.
            q.a2 = (q.b0 + q.b1 + q.b2 - q.a1) - 1.0f;
            c.mB0[g][lane] = q.b0;
            c.mB1[g][lane] = q.b1;
            c.mB2[g][lane] = q.b2;
            c.mA1g[g][lane] = q.a1;
            c.mA2g[g][lane] = q.a2;
        }
        // Silence on the +1 offset: every input and output history reads 1.0.
        c.mX1[g] = c.mX2[g] = c.mY1[g] = c.mY2[g] = Splat(1.0f);
    }

    // In single precision the smoothing filter rests a few ulps away from the exact rest state: let
    // it settle on silence, then absorb its remaining output error into the direct term (far below
    // any audible change of response), so that silence leaves it as exactly 1.0. With the sections'
    // a2 re-rounded above, all-ones is then an exact rest point of the whole chain.
    for (int n = 0; n < kSettleSamples; ++n)
        DecimatorTick(c, 1.0f);
    c.mD = 1.0f - (c.mC0 * c.mState[0] + c.mState[2]);
    for (int g = 0; g < 2; ++g)
        c.mX1[g] = c.mX2[g] = c.mY1[g] = c.mY2[g] = Splat(1.0f);
}

int DownSampler::SubSamples() const noexcept
{
    return mOversampling == 1 || mOversampling == 2 ? mOversampling : 4;
}

void DownSampler::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= std::min(mAudio4->mSize, mAudio->mSize));
    Engine::Decimate(ActiveKernelPath(), mCascade, mAudio4->Data(), mAudio->Data(), frames, SubSamples());
    Filled(frames);
}

void DownSampler::Filled(int frames) noexcept
{
    mAudio->mFilled = frames;
    mAudio->mState = Moving;
}
