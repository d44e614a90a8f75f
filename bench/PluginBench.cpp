// Realtime factors through the built plug-in: loaded with dlopen and rendered through the VST2 float
// entry, block 256, to compare with the engine-only figures of the same cases.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tools/kt4r-render/PluginHost.h"

namespace {

enum class Register { Low, High };

void PluginCase(benchmark::State& state, int voices, Register reg, double rate)
{
    constexpr int kBlock = 256;
    PluginHost host;
    std::string error;
    if (!host.Load(KT4R_PLUGIN_PATH, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    host.Open(rate, kBlock);
    host.Resume();
    host.SetParameter(67, voices == 12 ? 1.0f : 0.0f); // voice pairs 6 or 3
    std::vector<float> left(kBlock), right(kBlock);
    float* outs[2] = {left.data(), right.data()};
    host.ProcessFloat(nullptr, outs, kBlock); // applies the patch sent at open and by the rebuild
    // Low notes keep every oscillator below 220 Hz, high ones at 880 Hz and above, as the engine cases.
    for (int v = 0; v < voices; ++v)
        host.QueueMidi(0, 0x90, static_cast<uint8_t>(reg == Register::Low ? 33 + v : 81 + v), 100);
    host.SendEvents();
    host.ProcessFloat(nullptr, outs, kBlock);
    for (auto _ : state) {
        host.ProcessFloat(nullptr, outs, kBlock);
        benchmark::DoNotOptimize(left[kBlock - 1]);
    }
    state.counters["rt_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / rate, benchmark::Counter::kIsRate);
}

int RegisterPluginCases()
{
    for (double rate : {48000.0, 96000.0}) {
        const std::string r = std::to_string(static_cast<int>(rate));
        for (int voices : {6, 12}) {
            const std::string v = std::to_string(voices);
            benchmark::RegisterBenchmark(("Plugin/" + v + "/low/" + r).c_str(), PluginCase, voices, Register::Low,
                                         rate);
            benchmark::RegisterBenchmark(("Plugin/" + v + "/high/" + r).c_str(), PluginCase, voices, Register::High,
                                         rate);
        }
    }
    return 0;
}

const int kRegistered = RegisterPluginCases();

} // namespace
