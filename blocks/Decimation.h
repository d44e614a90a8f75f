// The output decimator's filter chain as plain values, and its per-sample and per-frame steps. The
// decimator runs them over the summed voices; a voice playing alone runs them inside its kernel's loop
// (Engine::ProcessAlone), so that both serial chains overlap. The steps have internal linkage: each unit
// that includes this header keeps its own copy, built for that unit's instruction set.
#pragma once

#include "signal/QuadFloat.h"

#include <cstring>
#include <type_traits>

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

// One filter-rate sample through the two smoothing sections.
[[gnu::always_inline]] inline float DecimatorSmooth(DecimatorCascade& c, float u) noexcept
{
    const Quad_float st = c.mState;
    const float ys = c.mC0 * st[0] + st[2] + c.mD * u;
    c.mState = c.mA0 * st[0] + c.mA1 * st[1] + c.mA2 * st[2] + c.mA3 * st[3] + c.mB * u;
    return ys;
}

// One filter-rate sample through all ten sections; input and output carry the +1 offset.
[[gnu::always_inline]] inline float DecimatorTick(DecimatorCascade& c, float u) noexcept
{
    float x = DecimatorSmooth(c, u);
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

// The eight Butterworth sections in one eight-lane register (V: eight floats), for units built for
// such registers. Lanes 0..3 are the first group, lanes 4..7 the second, and every lane again takes the
// previous output of the lane below it, so the second group runs one sample behind the first: one step
// advances the first group by the new sample and the second by the one before. A run of samples starts
// with a step of the first group alone and ends with one of the second alone (Step's keep masks), and
// the cascade's own state is then as the four-lane steps leave it. Each lane evaluates the same
// difference equation in the same order, so every output has the bits of the four-lane steps.
template <typename V> struct WideButterworth {
    explicit WideButterworth(const DecimatorCascade& c) noexcept
    {
        static_assert(sizeof(V) == 2 * sizeof(Quad_float));
        Load(b0, c.mB0);
        Load(b1, c.mB1);
        Load(b2, c.mB2);
        Load(a1, c.mA1g);
        Load(a2, c.mA2g);
        Load(x1, c.mX1);
        Load(x2, c.mX2);
        Load(y1, c.mY1);
        Load(y2, c.mY2);
    }
    void Save(DecimatorCascade& c) const noexcept
    {
        std::memcpy(c.mX1, &x1, sizeof x1);
        std::memcpy(c.mX2, &x2, sizeof x2);
        std::memcpy(c.mY1, &y1, sizeof y1);
        std::memcpy(c.mY2, &y2, sizeof y2);
    }
    // One step with input x (the smoothing output) into lane 0; lanes whose keep bit is set keep their
    // state. Returns the last section's new output.
    template <int kKeep = 0> [[gnu::always_inline]] float Step(float x) noexcept
    {
        using I = int __attribute__((vector_size(32)));
#if defined(__clang__)
        const V in = __builtin_shufflevector(y1, V{} + x, 8, 0, 1, 2, 3, 4, 5, 6);
#else
        const V in = __builtin_shuffle(y1, V{} + x, I{8, 0, 1, 2, 3, 4, 5, 6});
#endif
        const V y = b0 * in + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        if constexpr (kKeep == 0) {
            x2 = x1;
            x1 = in;
            y2 = y1;
            y1 = y;
        } else {
            constexpr I keep = {kKeep & 1 ? -1 : 0,  kKeep & 2 ? -1 : 0,  kKeep & 4 ? -1 : 0,  kKeep & 8 ? -1 : 0,
                                kKeep & 16 ? -1 : 0, kKeep & 32 ? -1 : 0, kKeep & 64 ? -1 : 0, kKeep & 128 ? -1 : 0};
            x2 = keep ? x2 : x1;
            x1 = keep ? x1 : in;
            y2 = keep ? y2 : y1;
            y1 = keep ? y1 : y;
        }
        return y1[7];
    }
    static constexpr int kFirstGroup = 0xf0; // keep mask of a step of the first group alone
    static constexpr int kSecondGroup = 0x0f;

    V b0, b1, b2, a1, a2, x1, x2, y1, y2;

private:
    static void Load(V& v, const Quad_float* pair) noexcept { std::memcpy(&v, pair, sizeof v); }
};

// The decimator over a run of host frames: each filter-rate sample goes in (with its +1 offset) in
// order, marked when it is the first of its frame; a frame's average (the offset taken off) comes out
// when the next frame's first sample goes in, and the run's last frame at Finish, which also writes the
// chain back. Wide (for units built for eight-lane registers), the Butterworth sections run as one
// register (WideButterworth), whose second group gives a sample's output one sample later; narrow, as
// the four-lane steps. Both give the same bits.
template <bool kWide> class FrameDecimator {
public:
    FrameDecimator(const DecimatorCascade& chain, int subSamples) noexcept
        : mChain(chain), mWide(chain), mSubSamples(static_cast<float>(subSamples))
    {
    }
    // True when u completes the frame before it, whose average goes to done.
    [[gnu::always_inline]] bool Take(float u, bool first, float& done) noexcept
    {
        bool completes = false;
        if constexpr (kWide) {
            const float smoothed = DecimatorSmooth(mChain, u);
            if (!mStarted) {
                mWide.template Step<Wide::kFirstGroup>(smoothed);
                mStarted = true;
                return false;
            }
            mAcc += mWide.Step(smoothed); // the previous sample's output
            if (first) {
                done = Average();
                mAcc = 0.0f;
                completes = true;
            }
        } else {
            if (first && mStarted) {
                done = Average();
                mAcc = 0.0f;
                completes = true;
            }
            mAcc += DecimatorTick(mChain, u);
            mStarted = true;
        }
        return completes;
    }
    // True, with the last frame's average in done, when any sample went in.
    bool Finish(DecimatorCascade& home, float& done) noexcept
    {
        const bool any = mStarted;
        if (any) {
            if constexpr (kWide)
                mAcc += mWide.template Step<Wide::kSecondGroup>(0.0f);
            done = Average();
        }
        if constexpr (kWide)
            mWide.Save(mChain);
        home = mChain;
        return any;
    }

private:
    struct Narrow {
        explicit Narrow(const DecimatorCascade&) noexcept {}
    };
    using Eight = float __attribute__((vector_size(32)));
    using Wide = std::conditional_t<kWide, WideButterworth<Eight>, Narrow>;

    [[gnu::always_inline]] float Average() const noexcept { return mAcc / mSubSamples - 1.0f; }

    DecimatorCascade mChain;
    Wide mWide;
    float mSubSamples;
    float mAcc = 0.0f;
    bool mStarted = false;
};

} // namespace
