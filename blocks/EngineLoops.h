// The render loops of Engine, one voice's sound kernel, included by each unit that builds them for an
// instruction set (the baseline unit and the AVX2 unit) and by Engine.cpp for the shared constants.
// Every loop is instantiated with the instruction set as a template argument, so the two builds have
// different symbols and the linker can never fold one into the other; below the entry points
// (RenderWith, RenderGroupWith) the loops also take the including unit's own tag type, which gives them
// internal linkage: no copy of them is visible outside the unit that built it.
#pragma once

#include "blocks/Engine.h"
#include "blocks/NoiseGenerator.h"
#include "blocks/VCA.h"

#include <bit>
#include <cassert>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <xmmintrin.h>

namespace {

// The including unit's tag: loops instantiated with it are this unit's own.
struct ThisUnit {};

constexpr float kTwoPi = 6.283185307f;
// Pitch counts octaves with A 440 Hz at 5.0 (MIDI note 69), so pitch 0 sits at 440/32 Hz.
constexpr float kPitchZeroHz = 440.0f / 32.0f;
constexpr float kPulseCornerHz = 700.0f; // rise rate of the PULSE ramp
constexpr float kDcCornerHz = 3.0f;      // both DC trackers
constexpr float kStage2Ratio = 0.95f;    // the second filter stage sits slightly lower
constexpr float kDco2DcOffset = 0.15f;   // per unit of N: oscillator 2's DC target sits below its mean
constexpr float kSelfNoiseScale = 0.1f;
constexpr float kSelfNoiseResonance = 0.4f;
// Cutoff coefficient cap: keeps g and the stability bound on q sane if the filter rate is low.
constexpr float kMaxCutoffRatio = 0.24f;
constexpr float kMaxDamping = 2.0f;
constexpr int kRefreshInterval = 10; // host samples between exponential evaluations

// Table index of each wave.
constexpr int kNoise = static_cast<int>(Waveform::kNoise);
constexpr int kSquare = static_cast<int>(Waveform::kSquare);
constexpr int kPulse = static_cast<int>(Waveform::kPulse);
constexpr int kSaw = static_cast<int>(Waveform::kSaw);
constexpr float kGain1[4] = {0.6f, 0.835f, 1.003f, 0.76f};
constexpr float kGain2[4] = {0.45f, 0.61f, 0.66f, 0.8f};
// Oscillator 2 weight in the product mixes, by its wave.
constexpr float kXmodWeight[4] = {0.7f, 0.84f, 0.7f, 0.84f};

inline int ClampWave(Waveform wave) noexcept
{
    // A code outside the table would index past it; take the nearest wave instead.
    const int index = static_cast<int>(wave);
    return index < kNoise ? kNoise : (index > kSaw ? kSaw : index);
}

inline Quad_int LaneMask(bool l0, bool l1, bool l2, bool l3) noexcept
{
    return Quad_int{l0 ? -1 : 0, l1 ? -1 : 0, l2 ? -1 : 0, l3 ? -1 : 0};
}

// The next float above x, as std::nextafter(x, +infinity) gives it, without the library call: the
// neighbours of a finite float are one step of its bit pattern away.
inline float NextUp(float x) noexcept
{
    if (!(x < std::numeric_limits<float>::infinity())) // +infinity and NaN stay as they are
        return x;
    // Zero and sign read from the bits, so that flushing subnormals to zero does not change the answer.
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    if ((bits & 0x7fffffffu) == 0)
        return std::numeric_limits<float>::denorm_min();
    return std::bit_cast<float>((bits >> 31) == 0 ? bits + 1 : bits - 1);
}

inline float NextDown(float x) noexcept
{
    return -NextUp(-x);
}

// The largest phase t for which t + increment does not pass 1.0 in single precision. Rounded addition
// is monotonic, so "phase > t" is exactly "phase + increment > 1.0", and it can be tested before the
// addition has finished.
inline float WrapThreshold(float increment) noexcept
{
    float t = 1.0f - increment;
    while (t + increment > 1.0f)
        t = NextDown(t);
    while (NextUp(t) + increment <= 1.0f)
        t = NextUp(t);
    return t;
}

// The lanes whose pitch phase surely does not wrap within its next `count` sub-steps. A phase after
// n <= count rounded additions of a non-negative increment lies below
// (phase + count * inc) * (1 + 2^-16), which allows for far more than the at most 2^-24 relative error
// of each of those roundings and of the bound's own two; a set lane therefore means no reset in any of
// them. NaN and infinite values never set a lane. V: any float vector of the GCC extension.
template <typename V> inline auto ClearOfWrap(V pitch, V inc, V wrap, int count) noexcept
{
    constexpr float kMargin = 1.0f + 1.0f / 65536.0f;
    return (pitch + static_cast<float>(count) * inc) * kMargin < wrap;
}

// Whether either pitch phase of one voice (all four lanes) may wrap within its next `count` sub-steps.
inline bool PitchWrapsAhead(__m128 pitch, __m128 inc, __m128 wrap, int count) noexcept
{
    return _mm_movemask_ps(reinterpret_cast<__m128>(ClearOfWrap(pitch, inc, wrap, count))) != 0xf;
}

// What the kernel recomputes every tenth host sample: the oscillators' increments per sub-step with
// their wrap thresholds, and the filter coefficients.
struct Refreshed {
    float inc1, inc2, wrap1, wrap2, g, g2, q;
};

inline Refreshed RefreshAt(float freq1, float freq2, float vcfFreq, float vcfRes, float incScale,
                           float filterRate) noexcept
{
    Refreshed r;
    r.inc1 = std::exp2(freq1) * incScale;
    r.inc2 = std::exp2(freq2) * incScale;
    r.wrap1 = WrapThreshold(r.inc1);
    r.wrap2 = WrapThreshold(r.inc2);
    // The cutoff control reads 0.1 per octave on the same scale: 0.5 is 32 times pitch 0.
    const float cutoffHz = 32.0f * kPitchZeroHz * std::exp2(10.0f * vcfFreq - 5.0f);
    float ratio = cutoffHz / filterRate;
    ratio = ratio < kMaxCutoffRatio ? ratio : kMaxCutoffRatio;
    // The argument is deliberately not multiplied by pi: this sets the filter's cutoff scale.
    r.g = kTwoPi * std::sin(ratio);
    r.g2 = kStage2Ratio * r.g;
    float bound = 2.0f / r.g - r.g / 2.0f;
    bound = bound < kMaxDamping ? bound : kMaxDamping;
    const float damping = 1.0f / vcfRes;
    r.q = damping < bound ? damping : bound;
    return r;
}

// Whether a[0..count) and b[0..count) have the same bits, compared in registers: a memcmp of an array
// the compiler has just built would read it back in pieces from a store made as one vector, and wait
// for that store to finish.
inline bool SameBitsAll(const float* a, const float* b, int count) noexcept
{
    uint32_t differ = 0;
    for (int k = 0; k < count; ++k)
        differ |= std::bit_cast<uint32_t>(a[k]) ^ std::bit_cast<uint32_t>(b[k]);
    return differ == 0;
}

// RefreshAt through the engine's memo: a refresh is a function of its inputs alone, so inputs with the
// bits of the last ones give the last values, without the exponentials and the sine (a held note with
// its envelopes at rest refreshes to the same values again and again).
inline Refreshed RefreshFrom(RefreshMemo& m, float freq1, float freq2, float vcfFreq, float vcfRes, float incScale,
                             float filterRate) noexcept
{
    const float key[RefreshMemo::kKeys] = {freq1, freq2, vcfFreq, vcfRes, incScale, filterRate};
    if (!m.valid || !SameBitsAll(key, m.key, RefreshMemo::kKeys)) {
        const Refreshed r = RefreshAt(freq1, freq2, vcfFreq, vcfRes, incScale, filterRate);
        const float values[RefreshMemo::kValues] = {r.inc1, r.inc2, r.wrap1, r.wrap2, r.g, r.g2, r.q};
        std::memcpy(m.key, key, sizeof key);
        std::memcpy(m.value, values, sizeof values);
        m.valid = true;
    }
    return Refreshed{m.value[0], m.value[1], m.value[2], m.value[3], m.value[4], m.value[5], m.value[6]};
}

// One filter step's mix of the oscillators' sources o1 and o2 with its DC trackers (dc2 follows
// oscillator 2, dcMix the mix); returns the mix without its DC. T: float for a voice alone, or a vector
// of the GCC extension for voices side by side, which then perform the same operations in the same
// order, lane by lane.
template <bool kProduct, typename T>
[[gnu::always_inline]] inline T MixStep(T& dc2, T& dcMix, T o1, T o2, T dc2Target, T kdc, T gain1, T gain2,
                                        T invN) noexcept
{
    dc2 = dc2 + ((o2 - dc2Target) - dc2) * kdc;
    const T o2ac = o2 - dc2;
    T m;
    if constexpr (kProduct)
        m = gain1 * o1 + o1 * (2.0f - o1 * invN) * o2ac * gain2;
    else
        m = gain1 * o1 + gain2 * o2ac;
    dcMix = dcMix + (m - dcMix) * kdc;
    return m - dcMix;
}

// One step of the two filter stages on x, with the self-noise s (twice it into the first stage); the
// second stage's output is lp2. T as for MixStep.
template <typename T>
[[gnu::always_inline]] inline void FilterStep(T& lp1, T& bp1, T& lp2, T& bp2, T x, T g, T gStage2, T q, T s,
                                              T twoS) noexcept
{
    lp1 = lp1 + g * bp1;
    bp1 = bp1 + g * (x + twoS - lp1 - q * bp1);
    lp2 = lp2 + gStage2 * bp2;
    bp2 = bp2 + gStage2 * (lp1 - s - lp2 - q * bp2);
}

// Where the kernel's frames go: "tmp4" alone, as the voice's next steps read it.
struct StoreFrames {
    Quad_float* tmp;
    void Begin(int) noexcept {}
    void Step(int, int, int, float) noexcept {}
    void Frame(int i, Quad_float lanes) noexcept { tmp[i] = lanes; }
    void End() noexcept {}
};

// A voice alone: "tmp4", and at once the amplifier's sum and the decimator, with the same operations
// the amplifier's and the decimator's own loops perform on each frame. Each filter step's sub-sample
// goes through the decimator's chain as soon as it is made, so that the kernel's next step overlaps
// it; a frame's output comes when the next frame's first sub-sample goes in (FrameDecimator), the
// block's last at End. The render copies the sink into a local, so the chain and the pointers stay off
// the paths its stores could touch; End writes the chain back.
template <KernelPath kPath> struct AmplifyAndDecimate {
    AmplifyAndDecimate(Quad_float* tmp4, const AloneOutput& o)
        : tmp(tmp4), env(o.env), level(o.level), pat(o.pat), depth(o.depth), sum(o.sum), audio(o.audio),
          home(o.chain), decimator(*o.chain, o.subSamples)
    {
    }
    [[gnu::always_inline]] void Begin(int i) noexcept
    {
        factor = VcaFactor(pat[i], depth, level[i], env[i]);
        last = i;
    }
    // Sub-sample `step` of `steps` (the oldest first), which the frame holds in lane steps - 1 - step.
    [[gnu::always_inline]] void Step(int i, int step, int steps, float y) noexcept
    {
        const float summed = sum[i][steps - 1 - step] + factor * y;
        // The +1 offset keeps every filter state near 1.0, never near the denormal range.
        float done;
        if (decimator.Take(summed + 1.0f, step == 0, done))
            audio[i - 1] = done;
    }
    [[gnu::always_inline]] void Frame(int i, Quad_float lanes) noexcept
    {
        tmp[i] = lanes;
        sum[i] = sum[i] + factor * lanes;
    }
    void End() noexcept
    {
        float done;
        if (decimator.Finish(*home, done))
            audio[last] = done;
    }

    Quad_float* tmp;
    const float* env;
    const float* level;
    const float* pat;
    float depth;
    Quad_float* sum;
    float* audio;
    DecimatorCascade* home;
    FrameDecimator<kPath == KernelPath::kAvx2> decimator;
    float factor = 0.0f;
    int last = 0;
};

} // namespace

template <KernelPath kPath, XmodMode kMode, int kN, int kSteps, typename Unit, typename Sink>
void Engine::Render(int frames, Sink& target) noexcept
{
    Sink sink = target;
    constexpr bool kSync = kMode == XmodMode::kSync1 || kMode == XmodMode::kSync2;
    constexpr bool kProduct = kMode == XmodMode::kSync2 || kMode == XmodMode::kXmod;

    const float nf = static_cast<float>(kN);
    const float oscRate = nf * mFilterRate;
    const float incScale = kPitchZeroHz / oscRate;
    const float pulseRise = -std::expm1(-kTwoPi * kPulseCornerHz / oscRate);

    const int wave1 = ClampWave(mWave1);
    const int wave2 = ClampWave(mWave2);
    const bool pulse1 = wave1 == kPulse;
    const bool pulse2 = wave2 == kPulse;
    const float g1 = kGain1[wave1] / nf;
    const float g2w = kProduct ? kGain2[wave2] * 2.0f * kXmodWeight[wave2] / (nf * nf) : kGain2[wave2] / nf;
    const Quad_float limit = {pulse1 ? 1.0f : 2.0f, pulse2 ? 1.0f : 2.0f, 2.0f, 2.0f};
    // Lanes 2 and 3 never feed a square count.
    const Quad_float squareWeight = {pulse1 ? pulseRise : 1.0f, pulse2 ? pulseRise : 1.0f, 0.0f, 0.0f};
    // Which box sum feeds each oscillator (lane 0 osc 1, lane 1 osc 2), as bit masks so the choice
    // costs no branch per filter step.
    const Quad_int fromRamp = LaneMask(pulse1, pulse2, false, false);
    const Quad_int fromPitch = LaneMask(wave1 == kSaw, wave2 == kSaw, false, false);
    const Quad_int fromSquare = LaneMask(wave1 == kSquare, wave2 == kSquare, false, false);
    const Quad_int fromNoise = LaneMask(wave1 == kNoise, wave2 == kNoise, false, false);
    const bool countSquares = wave1 == kSquare || wave2 == kSquare;
    const bool clampSums = pulse1 || pulse2;
    const float sigma = mParams->mSelfNoise * kSelfNoiseScale;
    const float dc2Target = kDco2DcOffset * nf;
    const float invN = 1.0f / nf; // exact: n is a power of two
    const float kdc = mDcCoefficient;
    const float filterRate = mFilterRate;
    const int steps = kSteps > 0 ? kSteps : mOversampling;

    const __m128 half = _mm_set1_ps(0.5f);

    const float* freq1 = mDco1Freq->mData;
    const float* freq2 = mDco2Freq->mData;
    const float* level1 = mDco1Level->mData;
    const float* level2 = mDco2Level->mData;
    const float* noiseIn = mNoise->mData;
    const float* vcfFreq = mVcfFreq->mData;
    const float* vcfRes = mVcfRes->mData;

    __m128 phase = mPhase;
    __m128 inc = mIncrement;
    __m128 wrapAt = mWrapThreshold;
    __m128 pitch = _mm_shuffle_ps(phase, phase, _MM_SHUFFLE(3, 2, 3, 2));
    __m128 pitchInc = _mm_shuffle_ps(inc, inc, _MM_SHUFFLE(3, 2, 3, 2));
    uint32_t a = mNoiseA;
    uint32_t b = mNoiseB;
    float dc2 = mDc2, dcMix = mDcMix;
    float bp1 = mBp1, lp1 = mLp1, bp2 = mBp2, lp2 = mLp2;
    float g = mG, gStage2 = mG2, q = mQ;
    int refresh = mRefresh;

    for (int i = 0; i < frames; ++i) {
        if (refresh < 1) {
            const Refreshed r = RefreshFrom(mRefreshMemo, freq1[i], freq2[i], vcfFreq[i], vcfRes[i], incScale, filterRate);
            inc = Quad_float{pulse1 ? pulseRise : r.inc1, pulse2 ? pulseRise : r.inc2, r.inc1, r.inc2};
            pitchInc = Quad_float{r.inc1, r.inc2, r.inc1, r.inc2};
            wrapAt = Quad_float{r.wrap1, r.wrap2, r.wrap1, r.wrap2};
            g = r.g;
            gStage2 = r.g2;
            q = r.q;
            refresh = kRefreshInterval;
        }
        --refresh;

        const float white = NoiseGenerator::Next(a, b);
        const float res = vcfRes[i];
        const float s = (1.0f + kSelfNoiseResonance * res) * (1.0f - vcfFreq[i]) * sigma * white;
        const float twoS = 2.0f * s;
        const float G1 = g1 * level1[i];
        const float G2 = g2w * level2[i];
        const float noiseSource = nf * noiseIn[i];
        const Quad_float noiseVec = {noiseSource, noiseSource, noiseSource, noiseSource};

        sink.Begin(i);
        float y[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        // Unrolled, so that the steps' chains (filter, amplifier, decimator) are scheduled together: a
        // known number of steps (kSteps) is written out whole.
#pragma GCC unroll 4
        for (int step = 0; step < steps; ++step) {
            __m128 sum = _mm_setzero_ps();
            __m128 square = _mm_setzero_ps();
            // count sub-steps in which neither pitch phase can wrap (see PitchWrapsAhead): every reset
            // would be clear, so the phases only add and the wrap tests leave their chains. The pitch
            // copy then takes exactly the additions of the phases' pitch lanes, so it is read back from
            // them afterwards; only a SQUARE reads the count. The pitch lanes stay below their
            // thresholds, themselves at most 1, so the clamp at 2 leaves them as they are; the shape
            // lanes' sums are read only for a PULSE, which keeps its clamp.
            const auto adding = [&]<int kCount>() {
                const auto run = [&]<bool kSquares, bool kClamp>() {
                    for (int k = 0; k < kCount; ++k) {
                        phase = _mm_add_ps(phase, inc);
                        if constexpr (kSquares)
                            square = _mm_add_ps(square, _mm_and_ps(_mm_cmple_ps(phase, half), squareWeight));
                        sum = _mm_add_ps(sum, kClamp ? _mm_min_ps(phase, limit) : phase);
                    }
                };
                if (countSquares)
                    clampSums ? run.template operator()<true, true>() : run.template operator()<true, false>();
                else
                    clampSums ? run.template operator()<false, true>() : run.template operator()<false, false>();
                pitch = _mm_shuffle_ps(phase, phase, _MM_SHUFFLE(3, 2, 3, 2));
            };
            const auto wrapping = [&]<int kCount>() {
                for (int k = 0; k < kCount; ++k) {
                    // "phase" runs unclamped: a clamped shape phase only ever stays at its limit until
                    // the next wrap, so clamping the copy that is summed gives the same values and keeps
                    // the minimum off the loop-carried path. The wrap test reads the phase before the
                    // increment against a threshold that gives exactly the test after it, on a second
                    // copy of the pitch phases laid out so that no shuffle sits on that path either.
                    __m128 reset = _mm_cmpgt_ps(pitch, wrapAt);
                    if constexpr (kSync)
                        reset = _mm_or_ps(reset, _mm_shuffle_ps(reset, reset, _MM_SHUFFLE(0, 0, 0, 0)));
                    const __m128 next = _mm_add_ps(phase, inc);
                    pitch = _mm_andnot_ps(reset, _mm_add_ps(pitch, pitchInc));
                    square = _mm_add_ps(square, _mm_and_ps(_mm_cmple_ps(next, half), squareWeight));
                    // A wrap drops the excess: the phase restarts at exactly 0.
                    phase = _mm_andnot_ps(reset, next);
                    sum = _mm_add_ps(sum, _mm_min_ps(phase, limit));
                }
            };
            // A step with a possible wrap is taken in halves from eight sub-steps up, so that only the
            // half with the wrap pays for the tests.
            constexpr int kHalf = kN / 2;
            if (!PitchWrapsAhead(pitch, pitchInc, wrapAt, kN)) {
                adding.template operator()<kN>();
            } else if constexpr (kN >= 8) {
                for (int part = 0; part < 2; ++part) {
                    if (PitchWrapsAhead(pitch, pitchInc, wrapAt, kHalf))
                        wrapping.template operator()<kHalf>();
                    else
                        adding.template operator()<kHalf>();
                }
            } else {
                wrapping.template operator()<kN>();
            }
            const Quad_float pitchSum = QuadShuffle<2, 3, 2, 3>(sum, sum);
            const Quad_int src =
                (fromRamp & reinterpret_cast<Quad_int>(sum)) | (fromPitch & reinterpret_cast<Quad_int>(pitchSum)) |
                (fromSquare & reinterpret_cast<Quad_int>(square)) | (fromNoise & reinterpret_cast<Quad_int>(noiseVec));
            const Quad_float o = reinterpret_cast<Quad_float>(src);
            const float o1 = o[0];
            const float o2 = o[1];

            const float x = MixStep<kProduct>(dc2, dcMix, o1, o2, dc2Target, kdc, G1, G2, invN);
            FilterStep(lp1, bp1, lp2, bp2, x, g, gStage2, q, s, twoS);
            y[step] = lp2;
            sink.Step(i, step, steps, lp2);
        }
        // Newest filter step in lane 0; lanes beyond the filter oversampling stay 0.
        Quad_float lanes = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int step = 0; step < steps; ++step)
            lanes[steps - 1 - step] = y[step];
        sink.Frame(i, lanes);
    }
    sink.End();

    mPhase = _mm_min_ps(phase, limit);
    mWrapThreshold = wrapAt;
    mIncrement = inc;
    mNoiseA = a;
    mNoiseB = b;
    mDc2 = dc2;
    mDcMix = dcMix;
    mBp1 = bp1;
    mLp1 = lp1;
    mBp2 = bp2;
    mLp2 = lp2;
    mG = g;
    mG2 = gStage2;
    mQ = q;
    mRefresh = refresh;
    if (frames > 0) {
        mTmp4->mFilled = frames;
        mTmp4->mState = Moving;
    }
}

template <KernelPath kPath> void Engine::RenderWith(XmodMode mode, int frames, int n) noexcept
{
    StoreFrames sink{mTmp4->mData};
    switch (mode) {
    case XmodMode::kOff: RenderAt<kPath, XmodMode::kOff, ThisUnit>(frames, n, sink); break;
    case XmodMode::kSync1: RenderAt<kPath, XmodMode::kSync1, ThisUnit>(frames, n, sink); break;
    case XmodMode::kSync2: RenderAt<kPath, XmodMode::kSync2, ThisUnit>(frames, n, sink); break;
    case XmodMode::kXmod: RenderAt<kPath, XmodMode::kXmod, ThisUnit>(frames, n, sink); break;
    default: break; // a code outside the switch renders nothing
    }
}

template <KernelPath kPath>
void Engine::RenderAloneWith(XmodMode mode, int frames, int n, const AloneOutput& out) noexcept
{
    AmplifyAndDecimate<kPath> sink(mTmp4->mData, out);
    switch (mode) {
    case XmodMode::kOff: RenderAt<kPath, XmodMode::kOff, ThisUnit>(frames, n, sink); break;
    case XmodMode::kSync1: RenderAt<kPath, XmodMode::kSync1, ThisUnit>(frames, n, sink); break;
    case XmodMode::kSync2: RenderAt<kPath, XmodMode::kSync2, ThisUnit>(frames, n, sink); break;
    case XmodMode::kXmod: RenderAt<kPath, XmodMode::kXmod, ThisUnit>(frames, n, sink); break;
    default: break; // the caller never asks for a code outside the switch
    }
}

template <KernelPath kPath, XmodMode kMode, typename Unit, typename Sink>
void Engine::RenderAt(int frames, int n, Sink& sink) noexcept
{
    // A voice alone at the usual four filter steps per host sample (host rates up to 80 kHz) has them
    // unrolled, so that the steps' chains are scheduled together.
    const auto at = [&]<int kN>() {
        if constexpr (std::is_same_v<Sink, AmplifyAndDecimate<kPath>>) {
            if (mOversampling == 4) {
                Render<kPath, kMode, kN, 4, Unit>(frames, sink);
                return;
            }
        }
        Render<kPath, kMode, kN, 0, Unit>(frames, sink);
    };
    switch (n) {
    case 2: at.template operator()<2>(); break;
    case 4: at.template operator()<4>(); break;
    case 8: at.template operator()<8>(); break;
    default: at.template operator()<16>(); break;
    }
}

template <KernelPath kPath>
void Engine::DecimateWith(DecimatorCascade& chain, const Quad_float* in, float* out, int frames,
                          int subSamples) noexcept
{
    const auto run = [&]<int kF>() {
        FrameDecimator<kPath == KernelPath::kAvx2> decimator(chain, kF);
        for (int i = 0; i < frames; ++i) {
            for (int lane = kF - 1; lane >= 0; --lane) {
                // The +1 offset keeps every filter state near 1.0, never near the denormal range.
                float done;
                if (decimator.Take(in[i][lane] + 1.0f, lane == kF - 1, done))
                    out[i - 1] = done;
            }
        }
        float done;
        if (decimator.Finish(chain, done))
            out[frames - 1] = done;
    };
    switch (subSamples) {
    case 1: run.template operator()<1>(); break;
    case 2: run.template operator()<2>(); break;
    default: run.template operator()<4>(); break;
    }
}

// Each unit instantiates its own set; everywhere else these are only declared.
extern template void Engine::RenderWith<KernelPath::kBaseline>(XmodMode, int, int) noexcept;
extern template void Engine::RenderWith<KernelPath::kAvx2>(XmodMode, int, int) noexcept;
extern template void Engine::RenderAloneWith<KernelPath::kBaseline>(XmodMode, int, int, const AloneOutput&) noexcept;
extern template void Engine::RenderAloneWith<KernelPath::kAvx2>(XmodMode, int, int, const AloneOutput&) noexcept;
extern template void Engine::DecimateWith<KernelPath::kBaseline>(DecimatorCascade&, const Quad_float*, float*, int,
                                                                 int) noexcept;
extern template void Engine::DecimateWith<KernelPath::kAvx2>(DecimatorCascade&, const Quad_float*, float*, int,
                                                             int) noexcept;
