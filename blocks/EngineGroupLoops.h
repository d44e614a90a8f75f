// The voice kernel's lane-parallel loops: up to eight engines advance together, one SIMD lane each,
// so that their serial per-sample chains (phase wraps, the filter) overlap. Each lane performs exactly
// the operations of the per-engine loops in blocks/EngineLoops.h, in the same order, so every engine
// ends with the same bits. Included by the units that build the loops for an instruction set.
#pragma once

#include "blocks/EngineLoops.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>

namespace {

constexpr int kLanes = Engine::kGroupLanes;

// The lanes one register holds: eight in an AVX register, four in an SSE one (the baseline build runs a
// group of eight as two passes of four).
template <KernelPath kPath> struct LaneTypes {
    static constexpr int kWidth = 4;
    using F = Quad_float;
    using I = Quad_int;
};
template <> struct LaneTypes<KernelPath::kAvx2> {
    static constexpr int kWidth = 8;
    using F = float __attribute__((vector_size(32)));
    using I = int32_t __attribute__((vector_size(32)));
};
static_assert(sizeof(LaneTypes<KernelPath::kAvx2>::F) == kLanes * sizeof(float));
// Host samples whose per-lane inputs are gathered before the lanes run over them.
constexpr int kChunk = 16;

// Per-lane inputs of a chunk, laid out so that one host sample of every lane is one vector.
struct alignas(32) LaneRow {
    float v[kLanes];
};

// What a refresh sets, held until the next one.
enum Held { kInc1, kInc2, kShape1, kShape2, kWrap1, kWrap2, kCutoffG, kCutoffG2, kDamping, kHeldCount };

struct alignas(32) MaskRow {
    int32_t v[kLanes];
};

struct GroupChunk {
    // Increments per sub-step (pitch; shape, where the PULSE ramp rises at its own rate), wrap
    // thresholds of the pitch phases, filter coefficients: written by a lane only where it refreshes
    // (marked in "refreshed"), then carried forward for all lanes at once.
    LaneRow held[kHeldCount][kChunk];
    MaskRow refreshed[kChunk];
    LaneRow s[kChunk], gain1[kChunk], gain2[kChunk], noise[kChunk];
};

template <typename V> inline void LoadLanes(V& v, const LaneRow& row) noexcept
{
    std::memcpy(&v, row.v, sizeof v);
}

// minps and andnps by name: left to itself the compiler turns both into blends, which cost more and
// sit on the phase chains. Only the AVX2 unit instantiates the eight-lane forms.
template <typename V> inline V Min(V a, V b) noexcept
{
    if constexpr (sizeof(V) == 32)
        return reinterpret_cast<V>(_mm256_min_ps(reinterpret_cast<__m256>(a), reinterpret_cast<__m256>(b)));
    else
        return reinterpret_cast<V>(_mm_min_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
}

// x where the mask lane is set, +0.0 where it is clear.
template <typename M, typename V> inline V And(M mask, V x) noexcept
{
    return reinterpret_cast<V>(mask & reinterpret_cast<M>(x));
}

// x where the mask lane is clear, +0.0 where it is set.
template <typename M, typename V> inline V AndNot(M mask, V x) noexcept
{
    if constexpr (sizeof(V) == 32)
        return reinterpret_cast<V>(_mm256_andnot_ps(reinterpret_cast<__m256>(mask), reinterpret_cast<__m256>(x)));
    else
        return reinterpret_cast<V>(_mm_andnot_ps(reinterpret_cast<__m128>(mask), reinterpret_cast<__m128>(x)));
}

// What one lane reads and carries between host samples outside the vector state.
struct LaneInputs {
    const float* freq1;
    const float* freq2;
    const float* level1;
    const float* level2;
    const float* noise;
    const float* vcfFreq;
    const float* vcfRes;
    float incScale, pulseRise, filterRate, sigma;
    float inc1, inc2, shape1, shape2, wrap1, wrap2, g, g2, q;
    uint32_t a, b;
    int32_t refresh;
};

} // namespace

template <KernelPath kPath, XmodMode kMode, int kWave1, int kWave2>
void Engine::RenderGroup(Engine* const* engines, const int* n, int count, int frames) noexcept
{
    constexpr bool kSync = kMode == XmodMode::kSync1 || kMode == XmodMode::kSync2;
    constexpr bool kProduct = kMode == XmodMode::kSync2 || kMode == XmodMode::kXmod;
    constexpr bool kPulse1 = kWave1 == kPulse;
    constexpr bool kPulse2 = kWave2 == kPulse;
    using LaneF = typename LaneTypes<kPath>::F;
    using LaneI = typename LaneTypes<kPath>::I;

    const int steps = engines[0]->mOversampling;
    const float limit1 = kPulse1 ? 1.0f : 2.0f;
    const float limit2 = kPulse2 ? 1.0f : 2.0f;

    // Unused lanes hold zeros throughout: no wrap, no input, a filter at rest.
    LaneInputs lane[kLanes];
    alignas(32) float state[10][kLanes] = {};
    // Each lane runs its own oscillator oversampling: all lanes take the first fewest sub-steps, the
    // rest only the lanes whose factor asks for them (the others add nothing and do not wrap).
    int fewest = 16, most = 0;
    alignas(32) int32_t factor[kLanes] = {};
    alignas(32) float dc2Targets[kLanes] = {}, inverseN[kLanes] = {};
    float g1[kLanes], g2w[kLanes], nf[kLanes];
    for (int l = 0; l < count; ++l) {
        const Engine& e = *engines[l];
        factor[l] = n[l];
        fewest = n[l] < fewest ? n[l] : fewest;
        most = n[l] > most ? n[l] : most;
        nf[l] = static_cast<float>(n[l]);
        g1[l] = kGain1[kWave1] / nf[l];
        g2w[l] = kProduct ? kGain2[kWave2] * 2.0f * kXmodWeight[kWave2] / (nf[l] * nf[l]) : kGain2[kWave2] / nf[l];
        dc2Targets[l] = kDco2DcOffset * nf[l];
        inverseN[l] = 1.0f / nf[l]; // exact: n is a power of two
        const float oscRate = nf[l] * e.mFilterRate;
        lane[l] = LaneInputs{e.mDco1Freq->mData, e.mDco2Freq->mData, e.mDco1Level->mData, e.mDco2Level->mData,
                             e.mNoise->mData, e.mVcfFreq->mData, e.mVcfRes->mData,
                             kPitchZeroHz / oscRate, -std::expm1(-kTwoPi * kPulseCornerHz / oscRate),
                             e.mFilterRate, e.mParams->mSelfNoise * kSelfNoiseScale,
                             e.mIncrement[2], e.mIncrement[3], e.mIncrement[0], e.mIncrement[1],
                             e.mWrapThreshold[0], e.mWrapThreshold[1], e.mG, e.mG2, e.mQ,
                             e.mNoiseA, e.mNoiseB, e.mRefresh};
        const float values[10] = {e.mPhase[0], e.mPhase[1], e.mPhase[2], e.mPhase[3], e.mDc2,
                                  e.mDcMix, e.mBp1, e.mLp1, e.mBp2, e.mLp2};
        for (int k = 0; k < 10; ++k)
            state[k][l] = values[k];
    }
    LaneI laneFactor;
    LaneF dc2Target, invN;
    std::memcpy(&laneFactor, factor, sizeof laneFactor);
    std::memcpy(&dc2Target, dc2Targets, sizeof dc2Target);
    std::memcpy(&invN, inverseN, sizeof invN);
    LaneF shapePhase1, shapePhase2, pitch1, pitch2, dc2, dcMix, bp1, lp1, bp2, lp2, kdc;
    std::memcpy(&shapePhase1, state[0], sizeof(LaneF));
    std::memcpy(&shapePhase2, state[1], sizeof(LaneF));
    std::memcpy(&pitch1, state[2], sizeof(LaneF));
    std::memcpy(&pitch2, state[3], sizeof(LaneF));
    std::memcpy(&dc2, state[4], sizeof(LaneF));
    std::memcpy(&dcMix, state[5], sizeof(LaneF));
    std::memcpy(&bp1, state[6], sizeof(LaneF));
    std::memcpy(&lp1, state[7], sizeof(LaneF));
    std::memcpy(&bp2, state[8], sizeof(LaneF));
    std::memcpy(&lp2, state[9], sizeof(LaneF));
    {
        alignas(32) float coefficient[kLanes] = {};
        for (int l = 0; l < count; ++l)
            coefficient[l] = engines[l]->mDcCoefficient;
        std::memcpy(&kdc, coefficient, sizeof(LaneF));
    }

    GroupChunk c;
    std::memset(&c, 0, sizeof c);
    LaneF carried[kHeldCount];
    {
        alignas(32) float initial[kHeldCount][kLanes] = {};
        for (int l = 0; l < count; ++l) {
            const LaneInputs& in = lane[l];
            const float values[kHeldCount] = {in.inc1, in.inc2, in.shape1, in.shape2, in.wrap1,
                                              in.wrap2, in.g,    in.g2,     in.q};
            for (int k = 0; k < kHeldCount; ++k)
                initial[k][l] = values[k];
        }
        for (int k = 0; k < kHeldCount; ++k)
            std::memcpy(&carried[k], initial[k], sizeof(LaneF));
    }
    LaneRow source1[kChunk][4], source2[kChunk][4];
    alignas(32) float y[kChunk][4][kLanes];

    for (int start = 0; start < frames; start += kChunk) {
        const int length = frames - start < kChunk ? frames - start : kChunk;

        // Each lane's refreshes, noise steps and input products, exactly as the per-engine loop makes them.
        for (int l = 0; l < count; ++l) {
            LaneInputs& in = lane[l];
            for (int i = 0; i < length; ++i) {
                const int at = start + i;
                if (in.refresh < 1) {
                    const Refreshed r = RefreshAt(in.freq1[at], in.freq2[at], in.vcfFreq[at], in.vcfRes[at],
                                                  in.incScale, in.filterRate);
                    in.inc1 = r.inc1;
                    in.inc2 = r.inc2;
                    in.shape1 = kPulse1 ? in.pulseRise : r.inc1;
                    in.shape2 = kPulse2 ? in.pulseRise : r.inc2;
                    in.wrap1 = r.wrap1;
                    in.wrap2 = r.wrap2;
                    in.g = r.g;
                    in.g2 = r.g2;
                    in.q = r.q;
                    in.refresh = kRefreshInterval;
                    const float values[kHeldCount] = {in.inc1,  in.inc2,  in.shape1, in.shape2, in.wrap1,
                                                      in.wrap2, in.g, in.g2, in.q};
                    for (int k = 0; k < kHeldCount; ++k)
                        c.held[k][i].v[l] = values[k];
                    c.refreshed[i].v[l] = -1;
                }
                --in.refresh;
                const float white = NoiseGenerator::Next(in.a, in.b);
                const float res = in.vcfRes[at];
                c.s[i].v[l] = (1.0f + kSelfNoiseResonance * res) * (1.0f - in.vcfFreq[at]) * in.sigma * white;
                c.gain1[i].v[l] = g1[l] * in.level1[at];
                c.gain2[i].v[l] = g2w[l] * in.level2[at];
                c.noise[i].v[l] = nf[l] * in.noise[at];
            }
        }

        for (int i = 0; i < length; ++i) {
            LaneI refreshed;
            std::memcpy(&refreshed, c.refreshed[i].v, sizeof refreshed);
            for (int k = 0; k < kHeldCount; ++k) {
                LaneF fresh;
                LoadLanes(fresh, c.held[k][i]);
                carried[k] = refreshed ? fresh : carried[k];
                std::memcpy(c.held[k][i].v, &carried[k], sizeof(LaneF));
            }
            std::memset(c.refreshed[i].v, 0, sizeof c.refreshed[i].v);
        }

        // The oscillators of the whole chunk first: their chains do not depend on the filter, and
        // apart from it they keep all their state in registers.
        for (int i = 0; i < length; ++i) {
            LaneF inc1, inc2, shape1, shape2, wrap1, wrap2;
            LoadLanes(inc1, c.held[kInc1][i]);
            LoadLanes(inc2, c.held[kInc2][i]);
            LoadLanes(shape1, c.held[kShape1][i]);
            LoadLanes(shape2, c.held[kShape2][i]);
            LoadLanes(wrap1, c.held[kWrap1][i]);
            LoadLanes(wrap2, c.held[kWrap2][i]);
            for (int step = 0; step < steps; ++step) {
                LaneF sum1 = {}, sum2 = {};
                LaneI square1 = {}, square2 = {};
                // One sub-step of every lane, or (kMasked) of the lanes set in active only.
                const auto subStep = [&]<bool kMasked>(const LaneI& active) {
                    // As in the per-engine loop: the wrap test reads the pitch phase before the increment
                    // against the threshold, and the shape phases run unclamped, clamped only where summed.
                    LaneI reset1 = pitch1 > wrap1;
                    LaneI reset2 = pitch2 > wrap2;
                    LaneF step1 = inc1, step2 = inc2, shapeStep1 = shape1, shapeStep2 = shape2;
                    if constexpr (kMasked) {
                        // An idle lane adds +0.0 to phases and sums that are never negative: no change.
                        reset1 &= active;
                        reset2 &= active;
                        step1 = And(active, step1);
                        step2 = And(active, step2);
                        shapeStep1 = And(active, shapeStep1);
                        shapeStep2 = And(active, shapeStep2);
                    }
                    if constexpr (kSync)
                        reset2 |= reset1;
                    const LaneF next1 = shapePhase1 + shapeStep1;
                    const LaneF next2 = shapePhase2 + shapeStep2;
                    pitch1 = AndNot(reset1, pitch1 + step1);
                    pitch2 = AndNot(reset2, pitch2 + step2);
                    // A SQUARE counts its sub-steps in the first half period; a count of ones is exact
                    // in integers as in floats.
                    if constexpr (kWave1 == kSquare)
                        square1 -= kMasked ? (next1 <= 0.5f) & active : next1 <= 0.5f;
                    if constexpr (kWave2 == kSquare)
                        square2 -= kMasked ? (next2 <= 0.5f) & active : next2 <= 0.5f;
                    shapePhase1 = AndNot(reset1, next1);
                    shapePhase2 = AndNot(reset2, next2);
                    LaneF add1 = {}, add2 = {};
                    if constexpr (kWave1 == kPulse)
                        add1 = Min(shapePhase1, LaneF{} + 1.0f);
                    if constexpr (kWave1 == kSaw)
                        add1 = Min(pitch1, LaneF{} + 2.0f);
                    if constexpr (kWave2 == kPulse)
                        add2 = Min(shapePhase2, LaneF{} + 1.0f);
                    if constexpr (kWave2 == kSaw)
                        add2 = Min(pitch2, LaneF{} + 2.0f);
                    if constexpr (kMasked) {
                        add1 = And(active, add1);
                        add2 = And(active, add2);
                    }
                    if constexpr (kWave1 == kPulse || kWave1 == kSaw)
                        sum1 += add1;
                    if constexpr (kWave2 == kPulse || kWave2 == kSaw)
                        sum2 += add2;
                };
                for (int k = 0; k < fewest; ++k)
                    subStep.template operator()<false>(LaneI{});
                for (int k = fewest; k < most; ++k)
                    subStep.template operator()<true>(laneFactor > k);
                if constexpr (kWave1 == kSquare)
                    sum1 = __builtin_convertvector(square1, LaneF);
                if constexpr (kWave2 == kSquare)
                    sum2 = __builtin_convertvector(square2, LaneF);
                std::memcpy(source1[i][step].v, &sum1, sizeof(LaneF));
                std::memcpy(source2[i][step].v, &sum2, sizeof(LaneF));
            }
        }

        // Then the mix, the DC trackers and the filter, step by step.
        for (int i = 0; i < length; ++i) {
            LaneF g, gStage2, q, s, G1, G2, noiseSource;
            LoadLanes(g, c.held[kCutoffG][i]);
            LoadLanes(gStage2, c.held[kCutoffG2][i]);
            LoadLanes(q, c.held[kDamping][i]);
            LoadLanes(s, c.s[i]);
            LoadLanes(G1, c.gain1[i]);
            LoadLanes(G2, c.gain2[i]);
            LoadLanes(noiseSource, c.noise[i]);
            const LaneF twoS = 2.0f * s;
            for (int step = 0; step < steps; ++step) {
                LaneF o1 = noiseSource, o2 = noiseSource;
                if constexpr (kWave1 != kNoise)
                    LoadLanes(o1, source1[i][step]);
                if constexpr (kWave2 != kNoise)
                    LoadLanes(o2, source2[i][step]);

                dc2 = dc2 + ((o2 - dc2Target) - dc2) * kdc;
                const LaneF o2ac = o2 - dc2;
                LaneF m;
                if constexpr (kProduct)
                    m = G1 * o1 + o1 * (2.0f - o1 * invN) * o2ac * G2;
                else
                    m = G1 * o1 + G2 * o2ac;
                dcMix = dcMix + (m - dcMix) * kdc;
                const LaneF x = m - dcMix;

                lp1 = lp1 + g * bp1;
                bp1 = bp1 + g * (x + twoS - lp1 - q * bp1);
                lp2 = lp2 + gStage2 * bp2;
                bp2 = bp2 + gStage2 * (lp1 - s - lp2 - q * bp2);
                std::memcpy(y[i][step], &lp2, sizeof(LaneF));
            }
        }

        // Newest filter step in lane 0; lanes beyond the filter oversampling stay 0.
        for (int l = 0; l < count; ++l) {
            Quad_float* out = engines[l]->mTmp4->mData + start;
            for (int i = 0; i < length; ++i) {
                Quad_float lanes = {0.0f, 0.0f, 0.0f, 0.0f};
                for (int step = 0; step < steps; ++step)
                    lanes[steps - 1 - step] = y[i][step][l];
                out[i] = lanes;
            }
        }
    }

    shapePhase1 = Min(shapePhase1, LaneF{} + limit1);
    shapePhase2 = Min(shapePhase2, LaneF{} + limit2);
    pitch1 = Min(pitch1, LaneF{} + 2.0f);
    pitch2 = Min(pitch2, LaneF{} + 2.0f);
    std::memcpy(state[0], &shapePhase1, sizeof(LaneF));
    std::memcpy(state[1], &shapePhase2, sizeof(LaneF));
    std::memcpy(state[2], &pitch1, sizeof(LaneF));
    std::memcpy(state[3], &pitch2, sizeof(LaneF));
    std::memcpy(state[4], &dc2, sizeof(LaneF));
    std::memcpy(state[5], &dcMix, sizeof(LaneF));
    std::memcpy(state[6], &bp1, sizeof(LaneF));
    std::memcpy(state[7], &lp1, sizeof(LaneF));
    std::memcpy(state[8], &bp2, sizeof(LaneF));
    std::memcpy(state[9], &lp2, sizeof(LaneF));
    for (int l = 0; l < count; ++l) {
        Engine& e = *engines[l];
        const LaneInputs& in = lane[l];
        e.mPhase = Quad_float{state[0][l], state[1][l], state[2][l], state[3][l]};
        e.mIncrement = Quad_float{in.shape1, in.shape2, in.inc1, in.inc2};
        e.mWrapThreshold = Quad_float{in.wrap1, in.wrap2, in.wrap1, in.wrap2};
        e.mNoiseA = in.a;
        e.mNoiseB = in.b;
        e.mDc2 = state[4][l];
        e.mDcMix = state[5][l];
        e.mBp1 = state[6][l];
        e.mLp1 = state[7][l];
        e.mBp2 = state[8][l];
        e.mLp2 = state[9][l];
        e.mG = in.g;
        e.mG2 = in.g2;
        e.mQ = in.q;
        e.mRefresh = in.refresh;
        if (frames > 0) {
            e.mTmp4->mFilled = frames;
            e.mTmp4->mState = Moving;
        }
    }
}

template <KernelPath kPath>
void Engine::RenderGroupWith(Engine* const* engines, const int* n, int count, int frames) noexcept
{
    // One instantiation per mode and wave pair, so that the sub-step loop sums only what the waves read.
    constexpr int kWidth = LaneTypes<kPath>::kWidth;
    Engine* const* part = engines;
    const int* partN = n;
    int members = 0;
    const auto byWave2 = [&]<XmodMode kMode, int kWave1>() {
        switch (ClampWave(engines[0]->mWave2)) {
        case kNoise: RenderGroup<kPath, kMode, kWave1, kNoise>(part, partN, members, frames); break;
        case kSquare: RenderGroup<kPath, kMode, kWave1, kSquare>(part, partN, members, frames); break;
        case kPulse: RenderGroup<kPath, kMode, kWave1, kPulse>(part, partN, members, frames); break;
        default: RenderGroup<kPath, kMode, kWave1, kSaw>(part, partN, members, frames); break;
        }
    };
    const auto byWave1 = [&]<XmodMode kMode>() {
        switch (ClampWave(engines[0]->mWave1)) {
        case kNoise: byWave2.template operator()<kMode, kNoise>(); break;
        case kSquare: byWave2.template operator()<kMode, kSquare>(); break;
        case kPulse: byWave2.template operator()<kMode, kPulse>(); break;
        default: byWave2.template operator()<kMode, kSaw>(); break;
        }
    };
    for (int first = 0; first < count; first += kWidth) {
        part = engines + first;
        partN = n + first;
        members = count - first < kWidth ? count - first : kWidth;
        switch (engines[0]->mXmod) {
        case XmodMode::kOff: byWave1.template operator()<XmodMode::kOff>(); break;
        case XmodMode::kSync1: byWave1.template operator()<XmodMode::kSync1>(); break;
        case XmodMode::kSync2: byWave1.template operator()<XmodMode::kSync2>(); break;
        case XmodMode::kXmod: byWave1.template operator()<XmodMode::kXmod>(); break;
        default: break; // a code outside the switch renders nothing
        }
    }
}

// Each unit instantiates its own set; everywhere else these are only declared.
extern template void Engine::RenderGroupWith<KernelPath::kBaseline>(Engine* const*, const int*, int, int) noexcept;
extern template void Engine::RenderGroupWith<KernelPath::kAvx2>(Engine* const*, const int*, int, int) noexcept;
