// Cost of the voice sample kernel per voice and host sample, at each oscillator oversampling.
#include "blocks/Engine.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kBlock = 256;
constexpr float kRate = 48000.0f;

struct KernelRig {
    FloatBuffer freq1{"dco1_freq"}, freq2{"dco2_freq"}, level1{"dco1_level"}, level2{"dco2_level"};
    FloatBuffer noise{"noise"}, vcfFreq{"vcf_freq"}, vcfRes{"vcf_res"};
    QuadBuffer tmp4{"tmp4"};
    EngineParams params;
    Engine engine{&freq1, &freq2, &level1, &level2, &noise, &vcfFreq, &vcfRes, &tmp4, &params};

    explicit KernelRig(float pitch)
    {
        for (BufferBase* b : std::initializer_list<BufferBase*>{&freq1, &freq2, &level1, &level2, &noise, &vcfFreq,
                                                                 &vcfRes, &tmp4})
            b->Resize(kBlock);
        for (int i = 0; i < kBlock; ++i) {
            // A slow vibrato keeps the refreshes honest; the pitch stays inside the N band.
            freq1[i] = pitch + 0.01f * std::sin(0.05f * static_cast<float>(i));
            freq2[i] = freq1[i] - 0.0025f;
            level1[i] = 1.0f;
            level2[i] = 0.8f;
            noise[i] = 0.25f * std::sin(1.7f * static_cast<float>(i));
            vcfFreq[i] = 0.7f;
            vcfRes[i] = 1.5f;
        }
        engine.SetSampleRate(kRate);
        engine.ResetState();
        engine.mWave1 = Waveform::kSaw;
        engine.mWave2 = Waveform::kSquare;
        engine.mXmod = XmodMode::kOff;
    }
};

// Mid-band pitch for each N: 2 below 220 Hz, 16 from 880 Hz up.
float PitchFor(int n)
{
    switch (n) {
    case 2: return 3.5f;
    case 4: return 4.5f;
    case 8: return 5.5f;
    default: return 6.5f;
    }
}

void Kernel(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    KernelRig rig(PitchFor(n));
    for (auto _ : state) {
        rig.engine.ProcessBlock(kBlock, n);
        benchmark::DoNotOptimize(rig.tmp4.mData);
        benchmark::ClobberMemory();
    }
    // A rate counter inverted gives seconds per item; scaling the count by 1e-9 turns that into ns.
    state.counters["ns_per_voice_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same kernels side by side: voices engines rendered in one call, each at oversampling n.
void KernelGroups(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    std::vector<std::unique_ptr<KernelRig>> rigs;
    std::vector<Engine*> engines;
    for (int v = 0; v < voices; ++v) {
        rigs.push_back(std::make_unique<KernelRig>(PitchFor(n)));
        engines.push_back(&rigs.back()->engine);
    }
    const std::vector<int> factors(static_cast<size_t>(voices), n);
    for (auto _ : state) {
        Engine::ProcessBlocks(engines.data(), factors.data(), voices, kBlock);
        benchmark::DoNotOptimize(rigs.back()->tmp4.mData);
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_voice_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock * voices * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(Kernel)->Arg(2)->Arg(4)->Arg(8)->Arg(16);
BENCHMARK(KernelGroups)->ArgsProduct({{1, 2, 8, 12}, {2, 4, 8, 16}});
