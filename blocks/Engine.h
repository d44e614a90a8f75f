// Engine is one voice's sound kernel (Synth is the whole engine): two oversampled oscillators, their
// mix, a DC blocker and a four-pole resonant low-pass filter with self-noise, writing the filter-rate
// sub-samples of each host frame.
#pragma once

#include "blocks/Decimation.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

#include <cstdint>

// The instruction set the kernel's render loops were built for. Both builds compute the same bits: the
// AVX2 unit is compiled without contraction, so its FMA units never fuse a multiply into an add.
enum class KernelPath { kBaseline, kAvx2 };

// Whether this CPU runs AVX2 and FMA instructions.
bool CpuHasAvx2Fma() noexcept;
// The path for a request ("baseline" forces the baseline loops; anything else, or none, takes the
// AVX2 loops where the CPU has them).
KernelPath ChooseKernelPath(const char* request, bool cpuHasAvx2Fma) noexcept;
// The path new engines take in this process: chosen once at load time from the CPU and the
// environment variable KT4R_CPU; any thread may ask.
KernelPath ActiveKernelPath() noexcept;
// "avx2" or "baseline".
const char* KernelPathName(KernelPath path) noexcept;
const char* KernelPathName() noexcept;

// Where a voice playing alone sends its frames (Engine::ProcessAlone): its amplifier's inputs, the
// shared oversampled sum, and the output decimator's chain and block.
struct AloneOutput {
    const float* env;   // the amplifier envelope
    const float* level; // the amplifier level
    const float* pat;   // the key pressure
    float depth;        // how far pressure moves the level
    Quad_float* sum;    // "audio4"
    DecimatorCascade* chain;
    int subSamples;     // per host frame, 1, 2 or 4
    float* audio;       // the decimated block
};

// The inputs of a kernel's last refresh (both oscillator pitches, the cutoff and resonance controls,
// the increment scale and the filter rate) and the values they gave: increments, wrap thresholds and
// filter coefficients.
struct RefreshMemo {
    static constexpr int kKeys = 6;
    static constexpr int kValues = 7;
    float key[kKeys] = {};
    float value[kValues] = {};
    bool valid = false;
};

class Engine final : public MyComponent {
public:
    Engine(FloatBuffer* dco1Freq, FloatBuffer* dco2Freq, FloatBuffer* dco1Level, FloatBuffer* dco2Level,
           FloatBuffer* noise, FloatBuffer* vcfFreq, FloatBuffer* vcfRes, QuadBuffer* tmp4,
           const EngineParams* params);

    // New random phases and noise words, silent filter; see MyComponent.
    void ResetState() override;
    // Filter-rate coefficients for the new rate; see MyComponent.
    void Recalculate() override;

    // One block of "tmp4" with oscillator oversampling n; audio thread, plug-in lock held, frames
    // within 0..block size. The variant is chosen by the voice from the cross-modulation code;
    // ProcessBlock does the same dispatch (codes other than 0..3 render nothing).
    void ProcessOff(int frames, int n) noexcept;
    void ProcessSync1(int frames, int n) noexcept;
    void ProcessSync2(int frames, int n) noexcept;
    void ProcessXmod(int frames, int n) noexcept;
    void ProcessBlock(int frames, int n) noexcept;

    // Voices rendered side by side in one pass, one per SIMD lane: two AVX registers or four SSE ones,
    // whose filter chains run interleaved (a full engine of twelve voices fits one pass).
    static constexpr int kGroupLanes = 16;
    // The oscillator oversampling the kernel runs for a request n: 2, 4, 8 or 16, the next one up.
    static int SupportedOversampling(int n) noexcept;
    // One block of count engines, each with its own oversampling request n[k]; every engine ends with
    // the output and state its own ProcessBlock(frames, n[k]) would give, bit for bit. Engines that share
    // modes, waves, filter oversampling and path run together, up to kGroupLanes at a time and those
    // with the highest factors together, so that their serial chains overlap. Audio thread, plug-in
    // lock held; allocates nothing.
    static void ProcessBlocks(Engine* const* engines, const int* n, int count, int frames) noexcept;
    // A voice alone: one block of "tmp4" as ProcessBlock gives it, and in the same loop each frame through
    // the amplifier into the sum and through the decimator, with exactly the operations of the
    // amplifier's and the decimator's own blocks after it; the two serial chains then overlap. False,
    // with nothing done, for a cross-modulation code that renders nothing. Audio thread, plug-in lock
    // held; allocates nothing.
    bool ProcessAlone(int frames, int n, const AloneOutput& out) noexcept;

    // The output decimator's block (see DecimatorCascade): each frame's subSamples sub-samples (1, 2 or
    // 4, lanes subSamples-1 .. 0 oldest first) through the chain, and their average; built with the
    // kernel's loops for each instruction set, whose loops it shares with a voice alone. Audio thread,
    // plug-in lock held; allocates nothing.
    static void Decimate(KernelPath path, DecimatorCascade& chain, const Quad_float* in, float* out, int frames,
                         int subSamples) noexcept;

    // Copied in by the voice before every block.
    Waveform mWave1 = Waveform::kNoise;
    Waveform mWave2 = Waveform::kNoise;
    XmodMode mXmod = XmodMode::kOff;
    // Which build of the render loops this engine runs; kAvx2 only on a CPU with AVX2 and FMA.
    KernelPath mKernelPath = ActiveKernelPath();

    // Oscillator phases, lanes: shape phase 1, shape phase 2, pitch phase 1, pitch phase 2.
    Quad_float mPhase = {0.0f, 0.0f, 0.0f, 0.0f};
    // Per-sub-step phase increments, cached at the last refresh.
    Quad_float mIncrement = {0.0f, 0.0f, 0.0f, 0.0f};
    // Pitch phase of oscillator 1 (lanes 0, 2) and 2 (lanes 1, 3) above which the next increment wraps.
    Quad_float mWrapThreshold = {1.0f, 1.0f, 1.0f, 1.0f};
    uint32_t mNoiseA = 0;
    uint32_t mNoiseB = 0;
    float mDc2 = 0.0f;   // DC tracker of oscillator 2
    float mDcMix = 0.0f; // DC tracker of the mix
    float mBp1 = 0.0f;
    float mLp1 = 0.0f;
    float mBp2 = 0.0f;
    float mLp2 = 0.0f;
    int32_t mRefresh = 0;
    RefreshMemo mRefreshMemo;
    int32_t mPreviousN = 2;
    float mFilterRate = 0.0f;
    float mG = 0.0f;
    float mG2 = 0.0f;
    float mQ = 0.0f;
    float mDcCoefficient = 0.0f;

private:
    void Seed() noexcept;
    // The per-block start shared by both ways of rendering; returns the supported factor.
    int BeginBlock(int n) noexcept;
    void Run(XmodMode mode, int frames, int n) noexcept;
    // The render loops, built once per instruction set (blocks/EngineLoops.h).
    template <KernelPath kPath> void RenderWith(XmodMode mode, int frames, int n) noexcept;
    template <KernelPath kPath>
    void RenderAloneWith(XmodMode mode, int frames, int n, const AloneOutput& out) noexcept;
    template <KernelPath kPath>
    static void DecimateWith(DecimatorCascade& chain, const Quad_float* in, float* out, int frames,
                             int subSamples) noexcept;
    // Unit: the building unit's own tag type (internal linkage for everything below the entry points).
    // Sink: what each frame's sub-samples go to (the unit's own types too).
    template <KernelPath kPath, XmodMode kMode, typename Unit, typename Sink>
    void RenderAt(int frames, int n, Sink& sink) noexcept;
    // kSteps: the filter steps per host sample, or 0 for any (mOversampling).
    template <KernelPath kPath, XmodMode kMode, int kN, int kSteps, typename Unit, typename Sink>
    void Render(int frames, Sink& sink) noexcept;
    // The lane-parallel loops (blocks/EngineGroupLoops.h): engines[0..count), each with its supported
    // factor n[k], all with the first one's modes and waves.
    template <KernelPath kPath>
    static void RenderGroupWith(Engine* const* engines, const int* n, int count, int frames) noexcept;
    template <KernelPath kPath, XmodMode kMode, int kWave1, int kWave2, typename Unit>
    static void RenderGroup(Engine* const* engines, const int* n, int count, int frames) noexcept;

    FloatBuffer* mDco1Freq;
    FloatBuffer* mDco2Freq;
    FloatBuffer* mDco1Level;
    FloatBuffer* mDco2Level;
    FloatBuffer* mNoise;
    FloatBuffer* mVcfFreq;
    FloatBuffer* mVcfRes;
    QuadBuffer* mTmp4;
    const EngineParams* mParams;
};
