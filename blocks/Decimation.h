// The output decimator's filter chain as plain values, and its per-sample and per-frame steps. The
// decimator runs them over the summed voices; a voice playing alone runs them inside its kernel's loop
// (Engine::ProcessAlone), so that both serial chains overlap. The steps have internal linkage: each unit
// that includes this header keeps its own copy, built for that unit's instruction set.
#pragma once

#include "signal/QuadFloat.h"

// An analogue-style smoothing low-pass (two sections) and a 16th-order Butterworth anti-alias low-pass
// (eight sections), every state carrying a +1 offset.
struct DecimatorCascade {
    // The two smoothing sections as one four-state state-space filter (the two transposed
    // direct-form states of each section): next = A · state + B · u, y = C · state + D · u,
    // where C = (b0, 0, 1, 0). The four states advance in one SIMD step.
    Quad_float mA0, mA1, mA2, mA3; // columns of A
    Quad_float mB;
    float mC0, mD;
    Quad_float mState;

    // The eight Butterworth sections in two groups of four, one section per lane, advanced
    // together as a skewed pipeline: at each step lane k takes the sample lane k-1 produced on
    // the previous step, so all four run in one SIMD step and a group's output (lane 3) is its
    // cascade's output three samples late. Each lane evaluates the plain difference equation,
    // so the samples are exactly those of the scalar cascade.
    Quad_float mB0[2], mB1[2], mB2[2], mA1g[2], mA2g[2];
    Quad_float mX1[2], mX2[2], mY1[2], mY2[2];
};

namespace {

// Lane 0 takes the new input, lanes 1..3 the previous outputs of lanes 0..2.
[[gnu::always_inline]] inline Quad_float DecimatorShiftIn(Quad_float previous, float input) noexcept
{
    return QuadShuffle<4, 0, 1, 2>(previous, Quad_float{input, input, input, input});
}

// One filter-rate sample through all ten sections; input and output carry the +1 offset.
[[gnu::always_inline]] inline float DecimatorTick(DecimatorCascade& c, float u) noexcept
{
    const Quad_float st = c.mState;
    const float ys = c.mC0 * st[0] + st[2] + c.mD * u;
    c.mState = c.mA0 * st[0] + c.mA1 * st[1] + c.mA2 * st[2] + c.mA3 * st[3] + c.mB * u;

    float x = ys;
    for (int g = 0; g < 2; ++g) {
        const Quad_float in = DecimatorShiftIn(c.mY1[g], x);
        const Quad_float y =
            c.mB0[g] * in + c.mB1[g] * c.mX1[g] + c.mB2[g] * c.mX2[g] - c.mA1g[g] * c.mY1[g] - c.mA2g[g] * c.mY2[g];
        c.mX2[g] = c.mX1[g];
        c.mX1[g] = in;
        c.mY2[g] = c.mY1[g];
        c.mY1[g] = y;
        x = y[3];
    }
    return x;
}

// One host frame: its subSamples sub-samples (lanes subSamples-1 .. 0, oldest to newest; 1, 2 or 4)
// through the chain, and their average.
[[gnu::always_inline]] inline float DecimateFrame(DecimatorCascade& c, Quad_float frame, int subSamples) noexcept
{
    float acc = 0.0f;
    // The +1 offset keeps every filter state near 1.0, never near the denormal range.
    for (int lane = subSamples - 1; lane >= 0; --lane)
        acc += DecimatorTick(c, frame[lane] + 1.0f);
    return acc / static_cast<float>(subSamples) - 1.0f;
}

} // namespace
