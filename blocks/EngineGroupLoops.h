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
    // The per-sample inputs, one row per sample.
    LaneRow res[kChunk], cutoff[kChunk], level1[kChunk], level2[kChunk], noise[kChunk];
};

// rows[i].v[l] = source[l][start + i] for i < length (lanes from count on read 0): each lane's run of
// samples turned into one row per sample, eight (or four) samples at a time by register transposes.
template <KernelPath kPath>
inline void GatherRows(const float* const* source, int count, int start, int length, LaneRow* rows) noexcept
{
    int i = 0;
    if constexpr (kPath == KernelPath::kAvx2) {
        for (; i + 8 <= length; i += 8) {
            __m256 r[8];
            for (int l = 0; l < 8; ++l)
                r[l] = l < count ? _mm256_loadu_ps(source[l] + start + i) : _mm256_setzero_ps();
            const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
            const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
            const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
            const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
            const __m256 u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
            const __m256 u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
            const __m256 u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
            _mm256_store_ps(rows[i + 0].v, _mm256_permute2f128_ps(u0, u4, 0x20));
            _mm256_store_ps(rows[i + 1].v, _mm256_permute2f128_ps(u1, u5, 0x20));
            _mm256_store_ps(rows[i + 2].v, _mm256_permute2f128_ps(u2, u6, 0x20));
            _mm256_store_ps(rows[i + 3].v, _mm256_permute2f128_ps(u3, u7, 0x20));
            _mm256_store_ps(rows[i + 4].v, _mm256_permute2f128_ps(u0, u4, 0x31));
            _mm256_store_ps(rows[i + 5].v, _mm256_permute2f128_ps(u1, u5, 0x31));
            _mm256_store_ps(rows[i + 6].v, _mm256_permute2f128_ps(u2, u6, 0x31));
            _mm256_store_ps(rows[i + 7].v, _mm256_permute2f128_ps(u3, u7, 0x31));
        }
    } else {
        for (; i + 4 <= length; i += 4) {
            __m128 r[4];
            for (int l = 0; l < 4; ++l)
                r[l] = l < count ? _mm_loadu_ps(source[l] + start + i) : _mm_setzero_ps();
            _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
            for (int k = 0; k < 4; ++k)
                _mm_store_ps(rows[i + k].v, r[k]);
        }
    }
    for (; i < length; ++i)
        for (int l = 0; l < LaneTypes<kPath>::kWidth; ++l)
            rows[i].v[l] = l < count ? source[l][start + i] : 0.0f;
}

// One sample's filter steps (steps[j], oldest first) into each lane's "tmp4" frame, newest step in
// lane 0 and lanes beyond the steps at 0: a transpose of the steps into the lanes' frames.
template <KernelPath kPath>
inline void ScatterFrame(const float (*steps)[kLanes], int stepCount, Quad_float* const* out, int count,
                         int at) noexcept
{
    if constexpr (kPath == KernelPath::kAvx2) {
        __m256 r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = j < stepCount ? _mm256_load_ps(steps[stepCount - 1 - j]) : _mm256_setzero_ps();
        const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
        const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
        const __m256 u[4] = {_mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0)),
                             _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2)),
                             _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0)),
                             _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2))};
        for (int l = 0; l < count; ++l) {
            const __m128 frame = l < 4 ? _mm256_castps256_ps128(u[l]) : _mm256_extractf128_ps(u[l - 4], 1);
            _mm_store_ps(reinterpret_cast<float*>(out[l] + at), frame);
        }
    } else {
        __m128 r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = j < stepCount ? _mm_load_ps(steps[stepCount - 1 - j]) : _mm_setzero_ps();
        _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
        for (int l = 0; l < count; ++l)
            _mm_store_ps(reinterpret_cast<float*>(out[l] + at), r[l]);
    }
}

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
// What a lane's refreshes read and keep, outside the vector state.
struct LaneRefresh {
    const float* freq1;
    const float* freq2;
    const float* vcfFreq;
    const float* vcfRes;
    float incScale, pulseRise, filterRate;
    float held[kHeldCount];
    int32_t refresh;
};

// Per-lane values fixed for the block, and the state carried from block to block (integer lanes held
// by their bits).
enum Fixed { kFactor, kDc2Target, kInverseN, kWeight1, kWeight2, kNoiseScale, kSigma, kDcCoefficient, kFixedCount };
enum Carried {
    kShapePhase1, kShapePhase2, kPitchPhase1, kPitchPhase2,
    kDc2, kDcMix, kBp1, kLp1, kBp2, kLp2, kNoiseA, kNoiseB, kCarriedCount
};

template <typename T> inline void SetLane(LaneRow& row, int lane, T value) noexcept
{
    static_assert(sizeof(T) == sizeof(float));
    std::memcpy(&row.v[lane], &value, sizeof value);
}

template <typename T> inline T GetLane(const LaneRow& row, int lane) noexcept
{
    T value;
    std::memcpy(&value, &row.v[lane], sizeof value);
    return value;
}

template <typename V> inline void StoreLanes(LaneRow& row, const V& v) noexcept
{
    std::memcpy(row.v, &v, sizeof v);
}

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

    // Unused lanes hold zeros throughout: no wrap, no input, a filter at rest. Each lane runs its own
    // oscillator oversampling: all lanes take the first fewest sub-steps, the rest only the lanes whose
    // factor asks for them (the others add nothing and do not wrap).
    LaneRefresh lane[kLanes];
    LaneRow fixed[kFixedCount] = {};
    LaneRow state[kCarriedCount] = {};
    const float* resIn[kLanes];
    const float* cutoffIn[kLanes];
    const float* level1In[kLanes];
    const float* level2In[kLanes];
    const float* noiseIn[kLanes];
    Quad_float* out[kLanes];
    int fewest = 16, most = 0;
    for (int l = 0; l < count; ++l) {
        const Engine& e = *engines[l];
        const float nf = static_cast<float>(n[l]);
        fewest = n[l] < fewest ? n[l] : fewest;
        most = n[l] > most ? n[l] : most;
        SetLane(fixed[kFactor], l, static_cast<int32_t>(n[l]));
        SetLane(fixed[kDc2Target], l, kDco2DcOffset * nf);
        SetLane(fixed[kInverseN], l, 1.0f / nf); // exact: n is a power of two
        SetLane(fixed[kWeight1], l, kGain1[kWave1] / nf);
        SetLane(fixed[kWeight2], l,
                kProduct ? kGain2[kWave2] * 2.0f * kXmodWeight[kWave2] / (nf * nf) : kGain2[kWave2] / nf);
        SetLane(fixed[kNoiseScale], l, nf);
        SetLane(fixed[kSigma], l, e.mParams->mSelfNoise * kSelfNoiseScale);
        SetLane(fixed[kDcCoefficient], l, e.mDcCoefficient);

        const float oscRate = nf * e.mFilterRate;
        lane[l] = LaneRefresh{e.mDco1Freq->mData,
                              e.mDco2Freq->mData,
                              e.mVcfFreq->mData,
                              e.mVcfRes->mData,
                              kPitchZeroHz / oscRate,
                              -std::expm1(-kTwoPi * kPulseCornerHz / oscRate),
                              e.mFilterRate,
                              {e.mIncrement[2], e.mIncrement[3], e.mIncrement[0], e.mIncrement[1],
                               e.mWrapThreshold[0], e.mWrapThreshold[1], e.mG, e.mG2, e.mQ},
                              e.mRefresh};
        const float values[kNoiseA] = {e.mPhase[0], e.mPhase[1], e.mPhase[2], e.mPhase[3], e.mDc2,
                                       e.mDcMix,    e.mBp1,      e.mLp1,      e.mBp2,      e.mLp2};
        for (int k = 0; k < kNoiseA; ++k)
            SetLane(state[k], l, values[k]);
        SetLane(state[kNoiseA], l, e.mNoiseA);
        SetLane(state[kNoiseB], l, e.mNoiseB);

        resIn[l] = e.mVcfRes->mData;
        cutoffIn[l] = e.mVcfFreq->mData;
        level1In[l] = e.mDco1Level->mData;
        level2In[l] = e.mDco2Level->mData;
        noiseIn[l] = e.mNoise->mData;
        out[l] = e.mTmp4->mData;
    }
    LaneI laneFactor, noiseA, noiseB;
    LaneF dc2Target, invN, gain1, gain2, noiseScale, sigma, kdc;
    LoadLanes(laneFactor, fixed[kFactor]);
    LoadLanes(dc2Target, fixed[kDc2Target]);
    LoadLanes(invN, fixed[kInverseN]);
    LoadLanes(gain1, fixed[kWeight1]);
    LoadLanes(gain2, fixed[kWeight2]);
    LoadLanes(noiseScale, fixed[kNoiseScale]);
    LoadLanes(sigma, fixed[kSigma]);
    LoadLanes(kdc, fixed[kDcCoefficient]);
    LaneF shapePhase1, shapePhase2, pitch1, pitch2, dc2, dcMix, bp1, lp1, bp2, lp2;
    LoadLanes(shapePhase1, state[kShapePhase1]);
    LoadLanes(shapePhase2, state[kShapePhase2]);
    LoadLanes(pitch1, state[kPitchPhase1]);
    LoadLanes(pitch2, state[kPitchPhase2]);
    LoadLanes(dc2, state[kDc2]);
    LoadLanes(dcMix, state[kDcMix]);
    LoadLanes(bp1, state[kBp1]);
    LoadLanes(lp1, state[kLp1]);
    LoadLanes(bp2, state[kBp2]);
    LoadLanes(lp2, state[kLp2]);
    LoadLanes(noiseA, state[kNoiseA]);
    LoadLanes(noiseB, state[kNoiseB]);

    GroupChunk c;
    std::memset(&c, 0, sizeof c);
    // The held values before the chunk's first sample.
    LaneRow carried[kHeldCount] = {};
    for (int l = 0; l < count; ++l)
        for (int k = 0; k < kHeldCount; ++k)
            carried[k].v[l] = lane[l].held[k];
    LaneRow source1[kChunk][4], source2[kChunk][4];
    alignas(32) float y[kChunk][4][kLanes];

    for (int start = 0; start < frames; start += kChunk) {
        const int length = frames - start < kChunk ? frames - start : kChunk;

        // Each lane's refreshes, exactly as the per-engine loop makes them, and the inputs turned into
        // one row per sample.
        for (int l = 0; l < count; ++l) {
            LaneRefresh& in = lane[l];
            for (int i = 0; i < length; ++i) {
                const int at = start + i;
                if (in.refresh < 1) {
                    const Refreshed r = RefreshAt(in.freq1[at], in.freq2[at], in.vcfFreq[at], in.vcfRes[at],
                                                  in.incScale, in.filterRate);
                    const float values[kHeldCount] = {r.inc1,  r.inc2,  kPulse1 ? in.pulseRise : r.inc1,
                                                      kPulse2 ? in.pulseRise : r.inc2, r.wrap1,
                                                      r.wrap2, r.g,     r.g2,
                                                      r.q};
                    for (int k = 0; k < kHeldCount; ++k) {
                        in.held[k] = values[k];
                        c.held[k][i].v[l] = values[k];
                    }
                    c.refreshed[i].v[l] = -1;
                    in.refresh = kRefreshInterval;
                }
                --in.refresh;
            }
        }
        GatherRows<kPath>(resIn, count, start, length, c.res);
        GatherRows<kPath>(cutoffIn, count, start, length, c.cutoff);
        GatherRows<kPath>(level1In, count, start, length, c.level1);
        GatherRows<kPath>(level2In, count, start, length, c.level2);
        GatherRows<kPath>(noiseIn, count, start, length, c.noise);

        for (int k = 0; k < kHeldCount; ++k) {
            LaneF value;
            LoadLanes(value, carried[k]);
            for (int i = 0; i < length; ++i) {
                LaneI refreshed;
                LaneF fresh;
                std::memcpy(&refreshed, c.refreshed[i].v, sizeof refreshed);
                LoadLanes(fresh, c.held[k][i]);
                value = refreshed ? fresh : value;
                std::memcpy(c.held[k][i].v, &value, sizeof value);
            }
            std::memcpy(carried[k].v, &value, sizeof value);
        }
        std::memset(c.refreshed, 0, sizeof c.refreshed);

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
            LaneF g, gStage2, q;
            LoadLanes(g, c.held[kCutoffG][i]);
            LoadLanes(gStage2, c.held[kCutoffG2][i]);
            LoadLanes(q, c.held[kDamping][i]);
            LaneF res, cutoff, level1, level2, noise;
            LoadLanes(res, c.res[i]);
            LoadLanes(cutoff, c.cutoff[i]);
            LoadLanes(level1, c.level1[i]);
            LoadLanes(level2, c.level2[i]);
            LoadLanes(noise, c.noise[i]);
            // The self-noise generator's step (as NoiseGenerator::Next) in every lane.
            noiseA ^= noiseB;
            noiseB += noiseA;
            const LaneF white =
                __builtin_convertvector(reinterpret_cast<LaneI>(noiseB), LaneF) * NoiseGenerator::kScale;
            const LaneF s = (1.0f + kSelfNoiseResonance * res) * (1.0f - cutoff) * sigma * white;
            const LaneF G1 = gain1 * level1;
            const LaneF G2 = gain2 * level2;
            const LaneF noiseSource = noiseScale * noise;
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

        for (int i = 0; i < length; ++i)
            ScatterFrame<kPath>(y[i], steps, out, count, start + i);
    }

    StoreLanes(state[kShapePhase1], Min(shapePhase1, LaneF{} + limit1));
    StoreLanes(state[kShapePhase2], Min(shapePhase2, LaneF{} + limit2));
    StoreLanes(state[kPitchPhase1], Min(pitch1, LaneF{} + 2.0f));
    StoreLanes(state[kPitchPhase2], Min(pitch2, LaneF{} + 2.0f));
    StoreLanes(state[kDc2], dc2);
    StoreLanes(state[kDcMix], dcMix);
    StoreLanes(state[kBp1], bp1);
    StoreLanes(state[kLp1], lp1);
    StoreLanes(state[kBp2], bp2);
    StoreLanes(state[kLp2], lp2);
    StoreLanes(state[kNoiseA], noiseA);
    StoreLanes(state[kNoiseB], noiseB);
    for (int l = 0; l < count; ++l) {
        Engine& e = *engines[l];
        const LaneRefresh& in = lane[l];
        const auto at = [&](Carried k) { return GetLane<float>(state[k], l); };
        e.mPhase = Quad_float{at(kShapePhase1), at(kShapePhase2), at(kPitchPhase1), at(kPitchPhase2)};
        e.mIncrement = Quad_float{in.held[kShape1], in.held[kShape2], in.held[kInc1], in.held[kInc2]};
        e.mWrapThreshold = Quad_float{in.held[kWrap1], in.held[kWrap2], in.held[kWrap1], in.held[kWrap2]};
        e.mNoiseA = GetLane<uint32_t>(state[kNoiseA], l);
        e.mNoiseB = GetLane<uint32_t>(state[kNoiseB], l);
        e.mDc2 = at(kDc2);
        e.mDcMix = at(kDcMix);
        e.mBp1 = at(kBp1);
        e.mLp1 = at(kLp1);
        e.mBp2 = at(kBp2);
        e.mLp2 = at(kLp2);
        e.mG = in.held[kCutoffG];
        e.mG2 = in.held[kCutoffG2];
        e.mQ = in.held[kDamping];
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
