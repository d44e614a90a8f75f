#include "support/EngineRig.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace kt4rtest;

// Share of the audible band's power (20 Hz..20 kHz) that lies away from the harmonics of f0, in dB.
double AliasingDb(const std::vector<double>& x, double rate, double f0)
{
    const size_t n = 32768;
    const std::vector<double> p = PowerSpectrum(x, n);
    const double binHz = rate / static_cast<double>(n);
    double harmonic = 0.0, other = 0.0;
    for (size_t b = 1; b < p.size(); ++b) {
        const double f = static_cast<double>(b) * binHz;
        if (f < 20.0 || f > 20000.0)
            continue;
        const double k = std::round(f / f0);
        // The window's main lobe is four bins wide on each side.
        if (k >= 1 && std::fabs(f - k * f0) <= 5.0 * binHz)
            harmonic += p[b];
        else
            other += p[b];
    }
    return 10.0 * std::log10(other / harmonic);
}

TEST(Aliasing, ASawAt3kHzRenderedAt44100KeepsItsAliasesFarBelowItsHarmonics)
{
    EngineRig rig(44100.0f, 256, 6);
    auto patch = DefaultPatch();
    patch[54] = 0.5f; // no octave stretch
    patch[56] = 0.0f; // no filter self-noise
    rig.SendPatch(patch);
    rig.NoteOn(102); // 2959.96 Hz
    rig.RenderSeconds(1.2);
    std::vector<double> tail(rig.Left().begin() + 8820, rig.Left().end());
    // The oscillator restarts on whole oversampled steps, so its period is a whole number of them: the
    // fundamental sits a little below the note's nominal 2959.96 Hz. Aliases are measured against the
    // harmonics of the fundamental actually played.
    const double f0 = StrongestFrequency(tail, 44100.0, 2900.0, 3000.0);
    EXPECT_NEAR(f0, 2822400.0 / 954.0, 0.05);
    const double db = AliasingDb(tail, 44100.0, f0);
    RecordProperty("aliasing_db", std::to_string(db));
    EXPECT_LT(db, -50.0);
}

} // namespace
