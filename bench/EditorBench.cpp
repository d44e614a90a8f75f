// The editor's cost: a timer tick with nothing to draw (what an open, idle panel costs the host's UI
// thread 25 times a second) and a full redraw of the panel, on the instrument with its headless
// editor.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>

#include "editor/KT4REditors.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

namespace {

std::unique_ptr<KT4R> MakeInstrument()
{
    char folder[] = "/tmp/kt4r-editor-bench-XXXXXX";
    const std::string path = mkdtemp(folder) ? std::string(folder) + "/" : std::string("/tmp/");
    auto plug = std::make_unique<KT4R>(path, &BuildHeadlessEditor);
    plug->Editor()->OnTimer(); // the first tick draws everything
    return plug;
}

void EditorIdleTick(benchmark::State& state)
{
    auto plug = MakeInstrument();
    IGraphics& editor = *plug->Editor();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.OnTimer());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perTick = seconds / static_cast<double>(state.iterations());
    state.counters["core_percent_at_25fps"] = perTick * 25.0 * 100.0;
}
BENCHMARK(EditorIdleTick);

// At 1x, 1.5x and 2x (the argument in half steps): the larger panels draw 2.25 and 4 times the pixels.
void EditorFullRedraw(benchmark::State& state)
{
    auto plug = MakeInstrument();
    IGraphics& editor = *plug->Editor();
    editor.SetScale(static_cast<double>(state.range(0)) / 2.0);
    editor.OnTimer(); // the scale's images decoded outside the timing
    for (auto _ : state) {
        editor.SetAllControlsDirty();
        benchmark::DoNotOptimize(editor.OnTimer());
    }
    state.counters["pixels"] = static_cast<double>(editor.WindowWidth()) * editor.WindowHeight();
}
BENCHMARK(EditorFullRedraw)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
