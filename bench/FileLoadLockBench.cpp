// How long a file load keeps the audio thread waiting: a second thread takes and releases the
// plug-in lock in a loop, as the audio thread does for each block, while the editor thread loads a
// program file, a bank file or a SysEx file of 1, 32 or 128 programs. The longest wait for the lock
// is the longest gap the audio would have. Both threads ask for real-time scheduling (granted to a
// privileged user), so that other work on the machine does not stretch the waits it measures.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <pthread.h>
#include <sched.h>

#include "framework/vst2/IPlugVST.h"
#include "instrument/KT4R.h"

namespace {

// True when the calling thread now runs first-in-first-out at this priority.
bool RunInRealTime(int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

intptr_t SilentHost(vst::EffectRecord*, int32_t, int32_t, intptr_t, void*, float)
{
    return 0;
}

// An instrument in its own folder, with the five files saved from it.
struct Fixture {
    Fixture()
    {
        folder = (std::filesystem::temp_directory_path() / "kt4r-lock-bench").string();
        std::filesystem::create_directories(folder);
        vst::EffectRecord* record = IPlugVST::Wrap(new KT4R(folder + "/"), &SilentHost);
        plug = static_cast<KT4R*>(IPlugVST::PlugOf(record));
        record->dispatcher(record, vst::effOpen, 0, 0, nullptr, 0.0f);
        record->dispatcher(record, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
        record->dispatcher(record, vst::effSetBlockSize, 0, 256, nullptr, 0.0f);
        record->dispatcher(record, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        plug->SaveProgramFile(Path(0));
        plug->SaveBankFile(Path(1));
        plug->SaveSysExProgram(Path(2));
        plug->SaveSysExBank(Path(3), 1, 32);
        plug->SaveSysExBank(Path(4), 1, 128);
    }
    ~Fixture()
    {
        vst::EffectRecord* record = static_cast<IPlugVST*>(plug->Host())->Record();
        record->dispatcher(record, vst::effClose, 0, 0, nullptr, 0.0f);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string Path(int kind) const
    {
        static const char* const kNames[] = {"p.KT4Rpreset", "b.KT4Rbank", "one.syx", "32.syx", "128.syx"};
        return folder + "/" + kNames[kind];
    }
    bool Load(int kind)
    {
        switch (kind) {
        case 0: return plug->LoadProgramFile(Path(0));
        case 1: return plug->LoadBankFile(Path(1));
        default: return plug->LoadSysExFile(Path(kind));
        }
    }

    std::string folder;
    KT4R* plug = nullptr;
};

void LockHeldByFileLoad(benchmark::State& state)
{
    static Fixture fixture;
    const int kind = static_cast<int>(state.range(0));
    double longestUs = 0.0;
    double sumUs = 0.0;
    const bool realTime = RunInRealTime(10);
    for (auto _ : state) {
        std::atomic<bool> loading{true};
        std::atomic<int> rounds{0};
        std::atomic<int64_t> longestNs{0};
        std::thread audio([&] {
            RunInRealTime(20);
            while (loading.load(std::memory_order_acquire)) {
                rounds.fetch_add(1, std::memory_order_relaxed);
                const auto asked = std::chrono::steady_clock::now();
                { IPlugBase::LockGuard lock(fixture.plug->Mutex()); }
                const int64_t waited =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - asked)
                        .count();
                if (waited > longestNs.load(std::memory_order_relaxed))
                    longestNs.store(waited, std::memory_order_relaxed);
            }
        });
        while (rounds.load(std::memory_order_relaxed) < 100)
            std::this_thread::yield();
        if (!fixture.Load(kind))
            state.SkipWithError("the file did not load");
        loading.store(false, std::memory_order_release);
        audio.join();
        const double us = static_cast<double>(longestNs.load()) / 1000.0;
        longestUs = std::max(longestUs, us);
        sumUs += us;
    }
    state.counters["longest_wait_us"] = longestUs;
    state.counters["mean_longest_wait_us"] = sumUs / static_cast<double>(state.iterations());
    state.counters["real_time"] = realTime ? 1.0 : 0.0;
}

// 0 program file, 1 bank file, 2-4 SysEx files of 1, 32 and 128 programs.
BENCHMARK(LockHeldByFileLoad)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace
