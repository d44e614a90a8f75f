// The voice kernel's lane-parallel loops: up to sixteen engines advance together, one SIMD lane each,
// so that their serial per-sample chains (phase wraps, the filter) overlap. Each lane performs exactly
// the operations of the per-engine loops in blocks/EngineLoops.h, in the same order, so every engine
// ends with the same bits. Included by the units that build the loops for an instruction set.
#pragma once

#include "blocks/EngineLoops.h"

#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <type_traits>

namespace {

// The lanes one register holds: eight in an AVX register, four in an SSE one.
template <KernelPath kPath> struct LaneTypes {
    static constexpr int kWidth = 4;
    using F = Quad_float;
    using I = Quad_int;
    using U = uint32_t __attribute__((vector_size(16)));
};
template <> struct LaneTypes<KernelPath::kAvx2> {
    static constexpr int kWidth = 8;
    using F = float __attribute__((vector_size(32)));
    using I = int32_t __attribute__((vector_size(32)));
    using U = uint32_t __attribute__((vector_size(32)));
};

// A pass renders up to this many lanes: two AVX registers or four SSE ones, whose filter chains run
// interleaved.
constexpr int kSetLanes = Engine::kGroupLanes;
template <KernelPath kPath> constexpr int kRegisters = kSetLanes / LaneTypes<kPath>::kWidth;
// Room for one register's lanes (the SSE build uses the first four).
constexpr int kRowLanes = 8;
// Host samples whose per-lane inputs are gathered before the lanes run over them.
constexpr int kChunk = 16;

struct alignas(32) LaneRow {
    float v[kRowLanes];
};

struct alignas(32) MaskRow {
    int32_t v[kRowLanes];
};

// What a refresh sets, held until the next one.
enum Held { kInc1, kInc2, kShape1, kShape2, kWrap1, kWrap2, kCutoffG, kCutoffG2, kDamping, kHeldCount };

// Per-lane values fixed for the block, and the state carried from block to block (integer lanes held
// by their bits).
enum Fixed { kFactor, kDc2Target, kInverseN, kWeight1, kWeight2, kNoiseScale, kSigma, kDcCoefficient, kFixedCount };
enum Carried {
    kShapePhase1, kShapePhase2, kPitchPhase1, kPitchPhase2,
    kDc2, kDcMix, kBp1, kLp1, kBp2, kLp2, kNoiseA, kNoiseB, kCarriedCount
};

// What a lane's refreshes read and keep, outside the vector state.
struct LaneRefresh {
    const float* freq1;
    const float* freq2;
    const float* vcfFreq;
    const float* vcfRes;
    float incScale, pulseRise, filterRate;
    float held[kHeldCount];
    int32_t refresh;
    RefreshMemo* memo;
};

// One register's lanes: the engines behind them, their constants and their state between chunks.
struct RegisterLanes {
    int count = 0;
    int fewest = 16, most = 0; // oscillator oversampling factors
    bool tied = false;         // see OscillatorChunk
    LaneRow fixed[kFixedCount] = {};
    LaneRow state[kCarriedCount] = {};
    LaneRow held[kHeldCount] = {}; // before the chunk's first sample
    LaneRefresh lane[kRowLanes];
    const float* res[kRowLanes];
    const float* cutoff[kRowLanes];
    const float* level1[kRowLanes];
    const float* level2[kRowLanes];
    const float* noise[kRowLanes];
    Quad_float* out[kRowLanes];
};

// One register's lanes over a chunk, one row per sample.
struct RegisterChunk {
    // Written by a lane only where it refreshes (marked in "refreshed"), then carried forward.
    LaneRow held[kHeldCount][kChunk];
    MaskRow refreshed[kChunk];
    LaneRow res[kChunk], cutoff[kChunk], level1[kChunk], level2[kChunk], noise[kChunk];
    // Each filter step's oscillator sources and output.
    LaneRow source1[kChunk][4], source2[kChunk][4];
    LaneRow y[kChunk][4];
};

// Whole-register loads and stores by name, so that no copy takes a detour through integer registers.
// Row: a LaneRow or a MaskRow.
template <typename V, typename Row> inline void LoadLanes(V& v, const Row& row) noexcept
{
    static_assert(sizeof(Row) == sizeof(LaneRow) && alignof(Row) == alignof(LaneRow));
    const float* at = reinterpret_cast<const float*>(row.v);
    if constexpr (sizeof(V) == 32)
        v = reinterpret_cast<V>(_mm256_load_ps(at));
    else
        v = reinterpret_cast<V>(_mm_load_ps(at));
}

template <typename V, typename Row> inline void StoreLanes(Row& row, const V& v) noexcept
{
    static_assert(sizeof(Row) == sizeof(LaneRow) && alignof(Row) == alignof(LaneRow));
    float* at = reinterpret_cast<float*>(row.v);
    if constexpr (sizeof(V) == 32)
        _mm256_store_ps(at, reinterpret_cast<__m256>(v));
    else
        _mm_store_ps(at, reinterpret_cast<__m128>(v));
}

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

// One sample's filter steps (oldest first) into each lane's "tmp4" frame, newest step in lane 0 and
// lanes beyond the steps at 0: a transpose of the steps into the lanes' frames.
template <KernelPath kPath>
inline void ScatterFrame(const LaneRow* steps, int stepCount, Quad_float* const* out, int count, int at) noexcept
{
    if constexpr (kPath == KernelPath::kAvx2) {
        __m256 r[4];
        for (int j = 0; j < 4; ++j)
            r[j] = j < stepCount ? _mm256_load_ps(steps[stepCount - 1 - j].v) : _mm256_setzero_ps();
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
            r[j] = j < stepCount ? _mm_load_ps(steps[stepCount - 1 - j].v) : _mm_setzero_ps();
        _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
        for (int l = 0; l < count; ++l)
            _mm_store_ps(reinterpret_cast<float*>(out[l] + at), r[l]);
    }
}

// Each lane's refreshes, exactly as the per-engine loop makes them: the new values where a lane
// refreshes, then every held value carried forward into every sample's row.
template <KernelPath kPath, bool kPulse1, bool kPulse2>
void RefreshChunk(RegisterLanes& r, RegisterChunk& c, int start, int length) noexcept
{
    using LaneF = typename LaneTypes<kPath>::F;
    using LaneI = typename LaneTypes<kPath>::I;
    bool marked = false;
    for (int l = 0; l < r.count; ++l) {
        LaneRefresh& in = r.lane[l];
        // The per-engine loop counts down every sample and refreshes where the count is below 1, then
        // counts on from kRefreshInterval: here straight from one refresh to the next, and the count
        // left is the distance from the chunk's end to the next one.
        int i = in.refresh < 1 ? 0 : in.refresh;
        for (; i < length; i += kRefreshInterval) {
            const int at = start + i;
            const Refreshed fresh = RefreshFrom(*in.memo, in.freq1[at], in.freq2[at], in.vcfFreq[at],
                                                in.vcfRes[at], in.incScale, in.filterRate);
            const float values[kHeldCount] = {fresh.inc1,  fresh.inc2,  kPulse1 ? in.pulseRise : fresh.inc1,
                                              kPulse2 ? in.pulseRise : fresh.inc2, fresh.wrap1,
                                              fresh.wrap2, fresh.g,     fresh.g2,
                                              fresh.q};
            // A refresh to the values held already (a held note at rest) changes no row.
            if (!SameBitsAll(values, in.held, kHeldCount)) {
                for (int k = 0; k < kHeldCount; ++k) {
                    in.held[k] = values[k];
                    c.held[k][i].v[l] = values[k];
                }
                c.refreshed[i].v[l] = -1;
                marked = true;
            }
        }
        in.refresh = i - length;
    }
    // Every held value carried into every sample's row, taking the new ones where a lane refreshed.
    for (int k = 0; k < kHeldCount; ++k) {
        LaneF value;
        LoadLanes(value, r.held[k]);
        for (int i = 0; i < length; ++i) {
            if (marked) {
                LaneI refreshed;
                LaneF fresh;
                LoadLanes(refreshed, c.refreshed[i]);
                LoadLanes(fresh, c.held[k][i]);
                value = refreshed ? fresh : value;
            }
            StoreLanes(c.held[k][i], value);
        }
        StoreLanes(r.held[k], value);
    }
    if (marked) {
        for (int i = 0; i < length; ++i)
            StoreLanes(c.refreshed[i], LaneI{});
    }
}

// Whether, in any lane set in `lanes` (a bit per lane), either oscillator may wrap within its next
// `count` sub-steps (ClearOfWrap).
template <typename LaneF>
inline bool WrapsAhead(LaneF pitch1, LaneF inc1, LaneF wrap1, LaneF pitch2, LaneF inc2, LaneF wrap2, int count,
                       int lanes) noexcept
{
    const auto clear = ClearOfWrap(pitch1, inc1, wrap1, count) & ClearOfWrap(pitch2, inc2, wrap2, count);
    int mask = 0;
    if constexpr (sizeof(LaneF) == 32)
        mask = _mm256_movemask_ps(reinterpret_cast<__m256>(clear));
    else
        mask = _mm_movemask_ps(reinterpret_cast<__m128>(clear));
    return (mask & lanes) != lanes;
}

// The mix, the DC trackers and the filter of one register's lanes: its state in registers between
// Load and Save, a sample's self-noise and input products from Begin, and each filter step's output
// into the chunk's rows from Step.
template <KernelPath kPath, bool kProduct> struct FilterLanes {
    using LaneF = typename LaneTypes<kPath>::F;
    using LaneI = typename LaneTypes<kPath>::I;
    using LaneU = typename LaneTypes<kPath>::U;

    [[gnu::always_inline]] void Load(const RegisterLanes& r) noexcept
    {
        EachState([&](auto& v, Carried h) { LoadLanes(v, r.state[h]); });
    }
    [[gnu::always_inline]] void Save(RegisterLanes& r) noexcept
    {
        EachState([&](auto& v, Carried h) { StoreLanes(r.state[h], v); });
    }
    // f(state, its row) for each state the filter carries from chunk to chunk.
    template <typename F> [[gnu::always_inline]] void EachState(F f) noexcept
    {
        f(dc2, kDc2);
        f(dcMix, kDcMix);
        f(bp1, kBp1);
        f(lp1, kLp1);
        f(bp2, kBp2);
        f(lp2, kLp2);
        f(noiseA, kNoiseA);
        f(noiseB, kNoiseB);
    }
    // Sample i's self-noise and input products, kept in rows for its steps to read.
    [[gnu::always_inline]] void Begin(const RegisterLanes& r, const RegisterChunk& c, int i) noexcept
    {
        LaneF res, cutoff, level1, level2, sigma, weight1, weight2;
        LoadLanes(res, c.res[i]);
        LoadLanes(cutoff, c.cutoff[i]);
        LoadLanes(level1, c.level1[i]);
        LoadLanes(level2, c.level2[i]);
        LoadLanes(sigma, r.fixed[kSigma]);
        LoadLanes(weight1, r.fixed[kWeight1]);
        LoadLanes(weight2, r.fixed[kWeight2]);
        // The self-noise generator's step (as NoiseGenerator::Next) in every lane; unsigned words, so
        // that the addition wraps.
        LaneU a = reinterpret_cast<LaneU>(noiseA), b = reinterpret_cast<LaneU>(noiseB);
        a ^= b;
        b += a;
        noiseA = reinterpret_cast<LaneI>(a);
        noiseB = reinterpret_cast<LaneI>(b);
        const LaneF white = __builtin_convertvector(noiseB, LaneF) * NoiseGenerator::kScale;
        const LaneF self = (1.0f + kSelfNoiseResonance * res) * (1.0f - cutoff) * sigma * white;
        StoreLanes(s, self);
        StoreLanes(twoS, 2.0f * self);
        StoreLanes(G1, weight1 * level1);
        StoreLanes(G2, weight2 * level2);
    }
    // Filter step `step` of sample i on the oscillators' sources o1 and o2.
    [[gnu::always_inline]] void Step(const RegisterLanes& r, RegisterChunk& c, int i, int step, LaneF o1,
                                     LaneF o2) noexcept
    {
        LaneF g, gStage2, q, kdc, dc2Target, gain1, gain2, self, twoSelf, invN = {};
        LoadLanes(g, c.held[kCutoffG][i]);
        LoadLanes(gStage2, c.held[kCutoffG2][i]);
        LoadLanes(q, c.held[kDamping][i]);
        LoadLanes(kdc, r.fixed[kDcCoefficient]);
        LoadLanes(dc2Target, r.fixed[kDc2Target]);
        LoadLanes(gain1, G1);
        LoadLanes(gain2, G2);
        LoadLanes(self, s);
        LoadLanes(twoSelf, twoS);

        if constexpr (kProduct)
            LoadLanes(invN, r.fixed[kInverseN]);
        const LaneF x = MixStep<kProduct>(dc2, dcMix, o1, o2, dc2Target, kdc, gain1, gain2, invN);
        FilterStep(lp1, bp1, lp2, bp2, x, g, gStage2, q, self, twoSelf);
        StoreLanes(c.y[i][step], lp2);
    }

    LaneF dc2, dcMix, bp1, lp1, bp2, lp2;
    LaneI noiseA, noiseB;
    LaneRow s, twoS, G1, G2;
};

// One register's oscillators over a chunk: each filter step's source for each oscillator. The
// oscillators' chains do not depend on the filter; apart from it they keep all their state in registers.
// kTied: in every lane, each oscillator that is not a PULSE has its shape phase equal to its pitch
// phase and the same increment; both then take the same resets and stay equal, so the shape phase is
// not computed: it is the pitch phase.
// Filter: void, or FilterLanes to run the register's filter step by step right behind its oscillators,
// so that the filter's chains overlap theirs (for a register alone: see RenderGroup).
template <KernelPath kPath, bool kSync, int kWave1, int kWave2, bool kTied, typename Filter>
void OscillatorChunk(RegisterLanes& r, RegisterChunk& c, int length, int steps) noexcept
{
    constexpr bool kFiltered = !std::is_void_v<Filter>;
    struct None {};
    std::conditional_t<kFiltered, Filter, None> filter;
    if constexpr (kFiltered)
        filter.Load(r);
    constexpr bool kTied1 = kTied && kWave1 != kPulse;
    constexpr bool kTied2 = kTied && kWave2 != kPulse;
    using LaneF = typename LaneTypes<kPath>::F;
    using LaneI = typename LaneTypes<kPath>::I;
    LaneI laneFactor;
    LaneF noiseScale, shapePhase1, shapePhase2, pitch1, pitch2;
    LoadLanes(laneFactor, r.fixed[kFactor]);
    LoadLanes(noiseScale, r.fixed[kNoiseScale]);
    LoadLanes(shapePhase1, r.state[kShapePhase1]);
    LoadLanes(shapePhase2, r.state[kShapePhase2]);
    LoadLanes(pitch1, r.state[kPitchPhase1]);
    LoadLanes(pitch2, r.state[kPitchPhase2]);
    const int fewest = r.fewest;
    const int most = r.most;
    const int usedLanes = (1 << r.count) - 1;

    for (int i = 0; i < length; ++i) {
        LaneF inc1, inc2, shape1, shape2, wrap1, wrap2, noise;
        LoadLanes(inc1, c.held[kInc1][i]);
        LoadLanes(inc2, c.held[kInc2][i]);
        LoadLanes(shape1, c.held[kShape1][i]);
        LoadLanes(shape2, c.held[kShape2][i]);
        LoadLanes(wrap1, c.held[kWrap1][i]);
        LoadLanes(wrap2, c.held[kWrap2][i]);
        LoadLanes(noise, c.noise[i]);
        const LaneF noiseSource = noiseScale * noise;
        if constexpr (kFiltered)
            filter.Begin(r, c, i);
        for (int step = 0; step < steps; ++step) {
            LaneF sum1 = {}, sum2 = {};
            LaneI square1 = {}, square2 = {};
            // One sub-step of every lane, or (kMasked) of the lanes set in active only. Each lane runs
            // its own oscillator oversampling: all lanes take the first fewest sub-steps, the rest only
            // the lanes whose factor asks for them.
            // kWraps false: no lane wraps in this step (WrapsAhead), so every reset would be clear and
            // the phases only add; the wrap tests and their masks leave the chains.
            const auto subStep = [&]<bool kMasked, bool kWraps>(const LaneI& active) {
                LaneF step1 = inc1, step2 = inc2, shapeStep1 = shape1, shapeStep2 = shape2;
                if constexpr (kMasked) {
                    // An idle lane adds +0.0 to phases and sums that are never negative: no change.
                    step1 = And(active, step1);
                    step2 = And(active, step2);
                    shapeStep1 = And(active, shapeStep1);
                    shapeStep2 = And(active, shapeStep2);
                }
                // A tied shape phase's next value is the pitch phase's.
                const LaneF pitchNext1 = pitch1 + step1;
                const LaneF pitchNext2 = pitch2 + step2;
                LaneF next1 = pitchNext1, next2 = pitchNext2;
                if constexpr (!kTied1)
                    next1 = shapePhase1 + shapeStep1;
                if constexpr (!kTied2)
                    next2 = shapePhase2 + shapeStep2;
                // A SQUARE counts its sub-steps in the first half period; a count of ones is exact in
                // integers as in floats.
                if constexpr (kWave1 == kSquare)
                    square1 -= kMasked ? (next1 <= 0.5f) & active : next1 <= 0.5f;
                if constexpr (kWave2 == kSquare)
                    square2 -= kMasked ? (next2 <= 0.5f) & active : next2 <= 0.5f;
                if constexpr (kWraps) {
                    // As in the per-engine loop: the wrap test reads the pitch phase before the
                    // increment against the threshold, and the shape phases run unclamped, clamped only
                    // where summed.
                    LaneI reset1 = pitch1 > wrap1;
                    LaneI reset2 = pitch2 > wrap2;
                    if constexpr (kMasked) {
                        reset1 &= active;
                        reset2 &= active;
                    }
                    if constexpr (kSync)
                        reset2 |= reset1;
                    pitch1 = AndNot(reset1, pitchNext1);
                    pitch2 = AndNot(reset2, pitchNext2);
                    if constexpr (!kTied1)
                        shapePhase1 = AndNot(reset1, next1);
                    if constexpr (!kTied2)
                        shapePhase2 = AndNot(reset2, next2);
                } else {
                    pitch1 = pitchNext1;
                    pitch2 = pitchNext2;
                    if constexpr (!kTied1)
                        shapePhase1 = next1;
                    if constexpr (!kTied2)
                        shapePhase2 = next2;
                }
                // Without a wrap in the step every pitch phase stays below its threshold, itself at most
                // 1: the SAW's clamp at 2 leaves it as it is.
                LaneF add1 = {}, add2 = {};
                if constexpr (kWave1 == kPulse)
                    add1 = Min(shapePhase1, LaneF{} + 1.0f);
                if constexpr (kWave1 == kSaw)
                    add1 = kWraps ? Min(pitch1, LaneF{} + 2.0f) : pitch1;
                if constexpr (kWave2 == kPulse)
                    add2 = Min(shapePhase2, LaneF{} + 1.0f);
                if constexpr (kWave2 == kSaw)
                    add2 = kWraps ? Min(pitch2, LaneF{} + 2.0f) : pitch2;
                if constexpr (kMasked) {
                    add1 = And(active, add1);
                    add2 = And(active, add2);
                }
                if constexpr (kWave1 == kPulse || kWave1 == kSaw)
                    sum1 += add1;
                if constexpr (kWave2 == kPulse || kWave2 == kSaw)
                    sum2 += add2;
            };
            // Sub-steps from .. to - 1, with their wrap tests or without.
            const auto subSteps = [&]<bool kWraps>(int from, int to) {
                for (int k = from; k < to && k < fewest; ++k)
                    subStep.template operator()<false, kWraps>(LaneI{});
                for (int k = from > fewest ? from : fewest; k < to; ++k)
                    subStep.template operator()<true, kWraps>(laneFactor > k);
            };
            // Whether a lane may wrap within the next count sub-steps.
            const auto wraps = [&](int count) {
                return WrapsAhead(pitch1, inc1, wrap1, pitch2, inc2, wrap2, count, usedLanes);
            };
            if (!wraps(most)) {
                subSteps.template operator()<false>(0, most);
            } else {
                // Taken in halves, so that only a half with a wrap pays for the tests.
                for (int from = 0, half = most / 2; from < most; from += half) {
                    if (wraps(half))
                        subSteps.template operator()<true>(from, from + half);
                    else
                        subSteps.template operator()<false>(from, from + half);
                }
            }

            if constexpr (kWave1 == kSquare)
                sum1 = __builtin_convertvector(square1, LaneF);
            if constexpr (kWave2 == kSquare)
                sum2 = __builtin_convertvector(square2, LaneF);
            const LaneF source1 = kWave1 == kNoise ? noiseSource : sum1;
            const LaneF source2 = kWave2 == kNoise ? noiseSource : sum2;
            if constexpr (kFiltered) {
                filter.Step(r, c, i, step, source1, source2);
            } else {
                StoreLanes(c.source1[i][step], source1);
                StoreLanes(c.source2[i][step], source2);
            }
        }
    }
    if constexpr (kFiltered)
        filter.Save(r);
    StoreLanes(r.state[kShapePhase1], kTied1 ? pitch1 : shapePhase1);
    StoreLanes(r.state[kShapePhase2], kTied2 ? pitch2 : shapePhase2);
    StoreLanes(r.state[kPitchPhase1], pitch1);
    StoreLanes(r.state[kPitchPhase2], pitch2);
}

// The filters of kCount registers over a chunk, step by step, on the sources the oscillators left in
// the rows; the registers' chains are independent and run interleaved.
template <KernelPath kPath, bool kProduct, int kCount>
void FilterChunk(RegisterLanes* r, RegisterChunk* c, int length, int steps) noexcept
{
    using LaneF = typename LaneTypes<kPath>::F;
    FilterLanes<kPath, kProduct> f[kCount];
#pragma GCC unroll 4
    for (int v = 0; v < kCount; ++v)
        f[v].Load(r[v]);
    for (int i = 0; i < length; ++i) {
#pragma GCC unroll 4
        for (int v = 0; v < kCount; ++v)
            f[v].Begin(r[v], c[v], i);
        for (int step = 0; step < steps; ++step) {
#pragma GCC unroll 4
            for (int v = 0; v < kCount; ++v) {
                LaneF o1, o2;
                LoadLanes(o1, c[v].source1[i][step]);
                LoadLanes(o2, c[v].source2[i][step]);
                f[v].Step(r[v], c[v], i, step, o1, o2);
            }
        }
    }
#pragma GCC unroll 4
    for (int v = 0; v < kCount; ++v)
        f[v].Save(r[v]);
}

template <KernelPath kPath, bool kProduct>
void FilterRegisters(RegisterLanes* r, RegisterChunk* c, int count, int length, int steps) noexcept
{
    switch (count) {
    case 1: FilterChunk<kPath, kProduct, 1>(r, c, length, steps); break;
    case 2: FilterChunk<kPath, kProduct, 2>(r, c, length, steps); break;
    case 3:
        if constexpr (kRegisters<kPath> >= 3)
            FilterChunk<kPath, kProduct, 3>(r, c, length, steps);
        break;
    default:
        if constexpr (kRegisters<kPath> >= 4)
            FilterChunk<kPath, kProduct, 4>(r, c, length, steps);
        break;
    }
}

} // namespace

template <KernelPath kPath, XmodMode kMode, int kWave1, int kWave2, typename Unit>
void Engine::RenderGroup(Engine* const* engines, const int* n, int count, int frames) noexcept
{
    constexpr bool kSync = kMode == XmodMode::kSync1 || kMode == XmodMode::kSync2;
    constexpr bool kProduct = kMode == XmodMode::kSync2 || kMode == XmodMode::kXmod;
    constexpr bool kPulse1 = kWave1 == kPulse;
    constexpr bool kPulse2 = kWave2 == kPulse;
    constexpr int kWidth = LaneTypes<kPath>::kWidth;
    using LaneF = typename LaneTypes<kPath>::F;

    const int steps = engines[0]->mOversampling;
    const int registers = (count + kWidth - 1) / kWidth;

    // Unused lanes hold zeros throughout: no wrap, no input, a filter at rest.
    RegisterLanes lanes[kRegisters<kPath>];
    for (int k = 0; k < count; ++k) {
        RegisterLanes& r = lanes[k / kWidth];
        const int l = k % kWidth;
        Engine& e = *engines[k];
        const float nf = static_cast<float>(n[k]);
        r.count = l + 1;
        r.fewest = n[k] < r.fewest ? n[k] : r.fewest;
        r.most = n[k] > r.most ? n[k] : r.most;
        SetLane(r.fixed[kFactor], l, static_cast<int32_t>(n[k]));
        SetLane(r.fixed[kDc2Target], l, kDco2DcOffset * nf);
        SetLane(r.fixed[kInverseN], l, 1.0f / nf); // exact: n is a power of two
        SetLane(r.fixed[kWeight1], l, kGain1[kWave1] / nf);
        SetLane(r.fixed[kWeight2], l,
                kProduct ? kGain2[kWave2] * 2.0f * kXmodWeight[kWave2] / (nf * nf) : kGain2[kWave2] / nf);
        SetLane(r.fixed[kNoiseScale], l, nf);
        SetLane(r.fixed[kSigma], l, e.mParams->mSelfNoise * kSelfNoiseScale);
        SetLane(r.fixed[kDcCoefficient], l, e.mDcCoefficient);

        const float oscRate = nf * e.mFilterRate;
        r.lane[l] = LaneRefresh{e.mDco1Freq->mData,
                                e.mDco2Freq->mData,
                                e.mVcfFreq->mData,
                                e.mVcfRes->mData,
                                kPitchZeroHz / oscRate,
                                -std::expm1(-kTwoPi * kPulseCornerHz / oscRate),
                                e.mFilterRate,
                                {e.mIncrement[2], e.mIncrement[3], e.mIncrement[0], e.mIncrement[1],
                                 e.mWrapThreshold[0], e.mWrapThreshold[1], e.mG, e.mG2, e.mQ},
                                e.mRefresh,
                                &e.mRefreshMemo};
        for (int h = 0; h < kHeldCount; ++h)
            r.held[h].v[l] = r.lane[l].held[h];
        const float values[kNoiseA] = {e.mPhase[0], e.mPhase[1], e.mPhase[2], e.mPhase[3], e.mDc2,
                                       e.mDcMix,    e.mBp1,      e.mLp1,      e.mBp2,      e.mLp2};
        for (int h = 0; h < kNoiseA; ++h)
            SetLane(r.state[h], l, values[h]);
        SetLane(r.state[kNoiseA], l, e.mNoiseA);
        SetLane(r.state[kNoiseB], l, e.mNoiseB);

        r.res[l] = e.mVcfRes->mData;
        r.cutoff[l] = e.mVcfFreq->mData;
        r.level1[l] = e.mDco1Level->mData;
        r.level2[l] = e.mDco2Level->mData;
        r.noise[l] = e.mNoise->mData;
        r.out[l] = e.mTmp4->mData;
    }

    // A shape phase meets its pitch phase at the oscillator's first wrap (both restart at 0) and, but for
    // a PULSE, stays equal to it from then on, once both take the same increment (they do from the first
    // refresh after a change of wave); unused lanes hold zeros in both.
    const auto same = [](const LaneRow& a, const LaneRow& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    for (int v = 0; v < registers; ++v) {
        const RegisterLanes& r = lanes[v];
        lanes[v].tied = (kPulse1 || (same(r.state[kShapePhase1], r.state[kPitchPhase1]) &&
                                     same(r.held[kShape1], r.held[kInc1]))) &&
                        (kPulse2 || (same(r.state[kShapePhase2], r.state[kPitchPhase2]) &&
                                     same(r.held[kShape2], r.held[kInc2])));
    }

    // Every row a pass reads is written first, except the refresh marks (cleared after each use) and
    // the held values behind them (read, then discarded where a lane does not refresh).
    RegisterChunk chunk[kRegisters<kPath>];
    for (RegisterChunk& c : chunk) {
        std::memset(c.held, 0, sizeof c.held);
        std::memset(c.refreshed, 0, sizeof c.refreshed);
    }
    for (int start = 0; start < frames; start += kChunk) {
        const int length = frames - start < kChunk ? frames - start : kChunk;
        for (int v = 0; v < registers; ++v) {
            RegisterLanes& r = lanes[v];
            RegisterChunk& c = chunk[v];
            RefreshChunk<kPath, kPulse1, kPulse2>(r, c, start, length);
            GatherRows<kPath>(r.res, r.count, start, length, c.res);
            GatherRows<kPath>(r.cutoff, r.count, start, length, c.cutoff);
            GatherRows<kPath>(r.level1, r.count, start, length, c.level1);
            GatherRows<kPath>(r.level2, r.count, start, length, c.level2);
            GatherRows<kPath>(r.noise, r.count, start, length, c.noise);
            // A register alone runs its filter inside its oscillators' loop, where the filter's chains
            // fill the time the phase chains leave free; several run their filters side by side after
            // them, where their chains overlap each other's.
            if (registers == 1) {
                using Filter = FilterLanes<kPath, kProduct>;
                if (r.tied)
                    OscillatorChunk<kPath, kSync, kWave1, kWave2, true, Filter>(r, c, length, steps);
                else
                    OscillatorChunk<kPath, kSync, kWave1, kWave2, false, Filter>(r, c, length, steps);
            } else {
                if (r.tied)
                    OscillatorChunk<kPath, kSync, kWave1, kWave2, true, void>(r, c, length, steps);
                else
                    OscillatorChunk<kPath, kSync, kWave1, kWave2, false, void>(r, c, length, steps);
            }
        }
        if (registers > 1)
            FilterRegisters<kPath, kProduct>(lanes, chunk, registers, length, steps);
        for (int v = 0; v < registers; ++v)
            for (int i = 0; i < length; ++i)
                ScatterFrame<kPath>(chunk[v].y[i], steps, lanes[v].out, lanes[v].count, start + i);
    }

    const float limit1 = kPulse1 ? 1.0f : 2.0f;
    const float limit2 = kPulse2 ? 1.0f : 2.0f;
    for (int v = 0; v < registers; ++v) {
        RegisterLanes& r = lanes[v];
        const LaneF limits[4] = {LaneF{} + limit1, LaneF{} + limit2, LaneF{} + 2.0f, LaneF{} + 2.0f};
        for (int h = kShapePhase1; h <= kPitchPhase2; ++h) {
            LaneF phase;
            LoadLanes(phase, r.state[h]);
            StoreLanes(r.state[h], Min(phase, limits[h - kShapePhase1]));
        }
    }
    for (int k = 0; k < count; ++k) {
        Engine& e = *engines[k];
        const RegisterLanes& r = lanes[k / kWidth];
        const int l = k % kWidth;
        const LaneRefresh& in = r.lane[l];
        const auto at = [&](Carried h) { return GetLane<float>(r.state[h], l); };
        e.mPhase = Quad_float{at(kShapePhase1), at(kShapePhase2), at(kPitchPhase1), at(kPitchPhase2)};
        e.mIncrement = Quad_float{in.held[kShape1], in.held[kShape2], in.held[kInc1], in.held[kInc2]};
        e.mWrapThreshold = Quad_float{in.held[kWrap1], in.held[kWrap2], in.held[kWrap1], in.held[kWrap2]};
        e.mNoiseA = GetLane<uint32_t>(r.state[kNoiseA], l);
        e.mNoiseB = GetLane<uint32_t>(r.state[kNoiseB], l);
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
    const auto byWave2 = [&]<XmodMode kMode, int kWave1>() {
        switch (ClampWave(engines[0]->mWave2)) {
        case kNoise: RenderGroup<kPath, kMode, kWave1, kNoise, ThisUnit>(engines, n, count, frames); break;
        case kSquare: RenderGroup<kPath, kMode, kWave1, kSquare, ThisUnit>(engines, n, count, frames); break;
        case kPulse: RenderGroup<kPath, kMode, kWave1, kPulse, ThisUnit>(engines, n, count, frames); break;
        default: RenderGroup<kPath, kMode, kWave1, kSaw, ThisUnit>(engines, n, count, frames); break;
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
    switch (engines[0]->mXmod) {
    case XmodMode::kOff: byWave1.template operator()<XmodMode::kOff>(); break;
    case XmodMode::kSync1: byWave1.template operator()<XmodMode::kSync1>(); break;
    case XmodMode::kSync2: byWave1.template operator()<XmodMode::kSync2>(); break;
    case XmodMode::kXmod: byWave1.template operator()<XmodMode::kXmod>(); break;
    default: break; // a code outside the switch renders nothing
    }
}

// Each unit instantiates its own set; everywhere else these are only declared.
extern template void Engine::RenderGroupWith<KernelPath::kBaseline>(Engine* const*, const int*, int, int) noexcept;
extern template void Engine::RenderGroupWith<KernelPath::kAvx2>(Engine* const*, const int*, int, int) noexcept;
