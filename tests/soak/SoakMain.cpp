// kt4r-soak: the misbehaving host for long runs. Random host calls into the built plug-in until the
// time or the step count is spent, every step checked; prints the rate and the result.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/soak/SoakSession.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kt4r-soak [--minutes N] [--steps N] [--seed S]\n"
                         "  runs until N minutes (default 1) or N steps have passed; the same seed repeats a run\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    double minutes = 1.0;
    long maxSteps = 0;
    unsigned long long seed = 1;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--minutes") == 0 && hasValue) {
            minutes = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--steps") == 0 && hasValue) {
            maxSteps = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            return Usage();
        }
    }
    if (maxSteps > 0 && minutes <= 0.0)
        minutes = 1e9;

    const kt4r_soak::AllocationProbe probe = kt4r_soak::BuildProbe();
    kt4r_soak::SoakSession session(seed, probe);
    std::string failure;
    if (!session.Ready(&failure)) {
        std::fprintf(stderr, "kt4r-soak: %s\n", failure.c_str());
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(minutes * 60.0));
    auto nextReport = start + std::chrono::seconds(30);
    bool ok = true;
    while (ok && (maxSteps <= 0 || session.Counts().steps < maxSteps)) {
        ok = session.Step(&failure);
        // The clock is read every 64 steps: a step takes well under a millisecond.
        if ((session.Counts().steps & 63) != 0)
            continue;
        const auto now = Clock::now();
        if (now >= end)
            break;
        if (now >= nextReport) {
            const double seconds = std::chrono::duration<double>(now - start).count();
            std::printf("  %.0f s: %ld steps (%.0f steps/s)\n", seconds, session.Counts().steps,
                        static_cast<double>(session.Counts().steps) / seconds);
            std::fflush(stdout);
            nextReport += std::chrono::seconds(30);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const kt4r_soak::SoakCounts& c = session.Counts();
    std::printf("seed %llu: %ld steps in %.1f s (%.0f steps/s); %ld blocks, %ld frames; %ld engine checks, "
                "%ld program checks, %ld allocation checks%s\n",
                seed, c.steps, seconds, static_cast<double>(c.steps) / seconds, c.blocks, c.frames, c.engineChecks,
                c.bankChecks, c.allocationChecks, probe.start ? "" : " (allocations not counted in this build)");
    if (!ok) {
        std::printf("FAILED at %s\nlast steps:\n%s", failure.c_str(), session.RecentSteps().c_str());
        return 1;
    }
    std::printf("passed\n");
    return 0;
}
