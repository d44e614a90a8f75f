// Restoring the whole state (129 program slots) through the built plug-in's set-chunk entry, as a
// host does when it opens a session: the time a player waits for a bank to load.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "tools/kt4r-render/PluginHost.h"

namespace {

void BankLoad(benchmark::State& state)
{
    PluginHost host;
    std::string error;
    if (!host.Load(KT4R_PLUGIN_PATH, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    host.Open(48000.0, 256);
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst::effGetChunk, 0, 0, &data);
    if (size <= 0) {
        state.SkipWithError("no bank chunk");
        return;
    }
    const std::vector<char> bank(static_cast<char*>(data), static_cast<char*>(data) + size);
    for (auto _ : state) {
        std::vector<char> copy = bank;
        benchmark::DoNotOptimize(host.Dispatch(vst::effSetChunk, 0, size, copy.data()));
    }
    state.counters["bytes"] = static_cast<double>(size);
}

BENCHMARK(BankLoad)->Unit(benchmark::kMillisecond);

} // namespace
