// Realtime factors of the engine: audio seconds rendered per CPU second, one core, block 256.
#include "support/EngineRig.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using kt4rtest::DefaultPatch;
using kt4rtest::EngineRig;

enum class Register { Idle, Low, High };

// Low notes keep every oscillator below 220 Hz (oscillator oversampling 2); high ones at 880 Hz and
// above (oversampling 16).
void RenderCase(benchmark::State& state, int voices, Register reg, float rate)
{
    constexpr int kBlock = 256;
    EngineRig rig(rate, kBlock, voices == 0 ? 12 : voices);
    rig.SendPatch(DefaultPatch());
    rig.RenderBlock(kBlock);
    for (int v = 0; reg != Register::Idle && v < voices; ++v)
        rig.NoteOn(reg == Register::Low ? 33 + v : 81 + v);
    rig.RenderBlock(kBlock);
    double left[kBlock], right[kBlock];
    for (auto _ : state) {
        rig.mKeys.ProcessBlock(kBlock);
        rig.mSynth.Render(left, right, kBlock);
        benchmark::DoNotOptimize(left[kBlock - 1]);
    }
    state.counters["rt_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / rate, benchmark::Counter::kIsRate);
}

int RegisterRenderCases()
{
    for (float rate : {48000.0f, 96000.0f}) {
        const std::string r = std::to_string(static_cast<int>(rate));
        benchmark::RegisterBenchmark(("Render/0/idle/" + r).c_str(), RenderCase, 0, Register::Idle, rate);
        for (int voices : {6, 12}) {
            benchmark::RegisterBenchmark(("Render/" + std::to_string(voices) + "/low/" + r).c_str(), RenderCase,
                                         voices, Register::Low, rate);
            benchmark::RegisterBenchmark(("Render/" + std::to_string(voices) + "/high/" + r).c_str(), RenderCase,
                                         voices, Register::High, rate);
        }
    }
    return 0;
}

const int kRegistered = RegisterRenderCases();

} // namespace
