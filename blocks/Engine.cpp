// Engine is one voice's sound kernel (Synth is the whole engine): two oversampled oscillators, their
// mix, a DC blocker and a four-pole resonant low-pass filter with self-noise, writing the filter-rate
// sub-samples of each host frame.
#include "blocks/Engine.h"

#include "blocks/EngineGroupLoops.h"
#include "signal/Rand.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The CPU's answer, asked once; the host's threads only ever read it.
const KernelPath gActivePath = ChooseKernelPath(std::getenv("KT4R_CPU"), CpuHasAvx2Fma());

} // namespace

bool CpuHasAvx2Fma() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

KernelPath ChooseKernelPath(const char* request, bool cpuHasAvx2Fma) noexcept
{
    if (request && std::strcmp(request, "baseline") == 0)
        return KernelPath::kBaseline;
    return cpuHasAvx2Fma ? KernelPath::kAvx2 : KernelPath::kBaseline;
}

KernelPath ActiveKernelPath() noexcept
{
    return gActivePath;
}

const char* KernelPathName(KernelPath path) noexcept
{
    return path == KernelPath::kAvx2 ? "avx2" : "baseline";
}

const char* KernelPathName() noexcept
{
    return KernelPathName(gActivePath);
}

Engine::Engine(FloatBuffer* dco1Freq, FloatBuffer* dco2Freq, FloatBuffer* dco1Level, FloatBuffer* dco2Level,
               FloatBuffer* noise, FloatBuffer* vcfFreq, FloatBuffer* vcfRes, QuadBuffer* tmp4,
               const EngineParams* params)
    : mDco1Freq(dco1Freq), mDco2Freq(dco2Freq), mDco1Level(dco1Level),
      mDco2Level(dco2Level), mNoise(noise), mVcfFreq(vcfFreq), mVcfRes(vcfRes), mTmp4(tmp4), mParams(params)
{
    // A voice built with the engine is not reset before it first plays: it must not wait for that to
    // get its own phases and a running self-noise generator (from all-zero words it would stay silent).
    Seed();
}

void Engine::Seed() noexcept
{
    // Every voice starts at its own random phases so that unison voices do not sound as one.
    for (int k = 0; k < 4; ++k)
        mPhase[k] = static_cast<float>(Rand()) / static_cast<float>(kRandMax);
    mNoiseA = static_cast<uint32_t>(Rand());
    mNoiseB = static_cast<uint32_t>(Rand());
}

void Engine::ResetState()
{
    Seed();
    mDc2 = mDcMix = 0.0f;
    mBp1 = mLp1 = mBp2 = mLp2 = 0.0f;
    mPreviousN = 4;
    mRefresh = 0;
    Recalculate();
}

void Engine::Recalculate()
{
    mFilterRate = static_cast<float>(mOversampling) * mSampleRate;
    mDcCoefficient = -std::expm1(-kTwoPi * kDcCornerHz / mFilterRate);
}

int Engine::SupportedOversampling(int n) noexcept
{
    // The oscillator control only asks for 2, 4, 8 or 16; any other request takes the next supported
    // factor up, so the box sums never divide by zero and the sub-step loop always unrolls.
    return n <= 2 ? 2 : (n <= 4 ? 4 : (n <= 8 ? 8 : 16));
}

int Engine::BeginBlock(int n) noexcept
{
    n = SupportedOversampling(n);
    if (n != mPreviousN) {
        mRefresh = 0;
        // The tracker follows a box sum whose size scales with N.
        mDc2 = mDc2 * static_cast<float>(n) / static_cast<float>(mPreviousN);
    }
    mPreviousN = n;
    return n;
}

void Engine::Run(XmodMode mode, int frames, int n) noexcept
{
    assert(frames >= 0 && frames <= mTmp4->mSize);
    n = BeginBlock(n);
    if (mKernelPath == KernelPath::kAvx2)
        RenderWith<KernelPath::kAvx2>(mode, frames, n);
    else
        RenderWith<KernelPath::kBaseline>(mode, frames, n);
}

namespace {

bool IsKernelMode(XmodMode mode) noexcept
{
    return mode == XmodMode::kOff || mode == XmodMode::kSync1 || mode == XmodMode::kSync2 || mode == XmodMode::kXmod;
}

} // namespace

bool Engine::ProcessAlone(int frames, int n, const AloneOutput& out) noexcept
{
    // The decimator takes each filter step's sub-sample as it comes, so both must count the same steps.
    if (!IsKernelMode(mXmod) || out.subSamples != mOversampling)
        return false;
    assert(frames >= 0 && frames <= mTmp4->mSize);
    n = BeginBlock(n);
    if (mKernelPath == KernelPath::kAvx2)
        RenderAloneWith<KernelPath::kAvx2>(mXmod, frames, n, out);
    else
        RenderAloneWith<KernelPath::kBaseline>(mXmod, frames, n, out);
    return true;
}

void Engine::Decimate(KernelPath path, DecimatorCascade& chain, const Quad_float* in, float* out, int frames,
                      int subSamples) noexcept
{
    if (path == KernelPath::kAvx2)
        DecimateWith<KernelPath::kAvx2>(chain, in, out, frames, subSamples);
    else
        DecimateWith<KernelPath::kBaseline>(chain, in, out, frames, subSamples);
}

void Engine::ProcessOff(int frames, int n) noexcept
{
    Run(XmodMode::kOff, frames, n);
}
void Engine::ProcessSync1(int frames, int n) noexcept
{
    Run(XmodMode::kSync1, frames, n);
}
void Engine::ProcessSync2(int frames, int n) noexcept
{
    Run(XmodMode::kSync2, frames, n);
}
void Engine::ProcessXmod(int frames, int n) noexcept
{
    Run(XmodMode::kXmod, frames, n);
}

void Engine::ProcessBlock(int frames, int n) noexcept
{
    switch (mXmod) {
    case XmodMode::kOff: ProcessOff(frames, n); break;
    case XmodMode::kSync1: ProcessSync1(frames, n); break;
    case XmodMode::kSync2: ProcessSync2(frames, n); break;
    case XmodMode::kXmod: ProcessXmod(frames, n); break;
    default: break; // a code outside the switch renders nothing
    }
}

void Engine::ProcessBlocks(Engine* const* engines, const int* n, int count, int frames) noexcept
{
    // Each pass takes the first engine not yet rendered and every later one that can share its loops,
    // orders them by factor, highest first (a group costs the sub-steps of its highest factor), and
    // renders them kGroupLanes at a time. A code outside the cross-modulation switch renders nothing.
    constexpr int kSlice = 64;
    for (int base = 0; base < count; base += kSlice) {
        const int size = count - base < kSlice ? count - base : kSlice;
        Engine* const* slice = engines + base;
        int factor[kSlice];
        uint64_t pending = 0;
        for (int k = 0; k < size; ++k) {
            if (!IsKernelMode(slice[k]->mXmod))
                continue;
            factor[k] = SupportedOversampling(n[base + k]);
            pending |= uint64_t{1} << k;
        }
        while (pending) {
            const int first = __builtin_ctzll(pending);
            const Engine& lead = *slice[first];
            int order[kSlice];
            int members = 0;
            for (int k = first; k < size; ++k) {
                const Engine& e = *slice[k];
                if (!(pending >> k & 1) || e.mXmod != lead.mXmod || ClampWave(e.mWave1) != ClampWave(lead.mWave1) ||
                    ClampWave(e.mWave2) != ClampWave(lead.mWave2) || e.mOversampling != lead.mOversampling ||
                    e.mKernelPath != lead.mKernelPath)
                    continue;
                assert(frames >= 0 && frames <= e.mTmp4->mSize);
                pending &= ~(uint64_t{1} << k);
                // Insertion by factor, highest first; equal factors keep their order.
                int at = members++;
                for (; at > 0 && factor[order[at - 1]] < factor[k]; --at)
                    order[at] = order[at - 1];
                order[at] = k;
            }
            for (int start = 0; start < members; start += kGroupLanes) {
                const int lanes = members - start < kGroupLanes ? members - start : kGroupLanes;
                // A voice alone runs its own loop below the top factor: there its filter overlaps its
                // next sub-steps, which measures faster than a pass of one lane.
                if (lanes == 1 && factor[order[start]] < 16) {
                    Engine& alone = *slice[order[start]];
                    alone.Run(alone.mXmod, frames, factor[order[start]]);
                    continue;
                }
                Engine* group[kGroupLanes];
                int groupFactor[kGroupLanes];
                for (int l = 0; l < lanes; ++l) {
                    const int k = order[start + l];
                    group[l] = slice[k];
                    groupFactor[l] = group[l]->BeginBlock(factor[k]);
                }
                if (lead.mKernelPath == KernelPath::kAvx2)
                    RenderGroupWith<KernelPath::kAvx2>(group, groupFactor, lanes, frames);
                else
                    RenderGroupWith<KernelPath::kBaseline>(group, groupFactor, lanes, frames);
            }
        }
    }
}
