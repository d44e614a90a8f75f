// Every factory program rendered through the built plug-in as a player would try it: single notes low,
// middle and high, a chord, and a loud six-note chord. What a listener would notice first: silence,
// broken samples, a DC offset, clipping, one program far louder or quieter than the rest, a note that
// never stops, a bass brighter than the leads. With KT4R_BANK_REPORT set in the environment it also
// prints every program's levels, six-note peak, release time, DC and C4 centroid (for levelling the bank).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/FactoryBank.h"
#include "support/PluginTestSupport.h"
#include "support/Signal.h"

namespace {

using namespace kt4r_test;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kWindow = 2400;             // 50 ms: the short-term level a listener follows
constexpr double kHoldSeconds = 1.5;      // every phrase's keys are held this long
constexpr double kReleaseLimitSeconds = 8.0;
constexpr double kSilentDb = -80.0;       // a release has ended below this (dBFS, short-term)

struct Phrase {
    const char* name;
    std::vector<int> notes;
    int velocity;
};

const std::vector<Phrase> kPhrases = {
    {"C2", {36}, 100},
    {"C4", {60}, 100},
    {"C6", {84}, 100},
    {"chord4", {48, 55, 60, 64}, 100},
    {"chord6", {48, 55, 60, 64, 67, 72}, 127},
};
constexpr size_t kC4 = 1;
constexpr size_t kChord6 = 4;

double Db(double x)
{
    return 20.0 * std::log10(std::max(x, 1e-12));
}

struct PhraseResult {
    bool finite = true;
    double levelDb = -240.0;   // the loudest 50 ms (RMS of both channels): the level of the phrase
    double peakDb = -240.0;    // sample peak
    double dcDb = -240.0;      // mean of the held part, against full scale
    double releaseSeconds = 0; // from the note-offs until the level stays below -80 dBFS
    bool released = false;
    double centroidHz = 0.0;   // spectral centroid of the held part
};

// Short-term RMS of both channels over the window ending at frame end.
double WindowRms(const Stereo& s, size_t end)
{
    double sum = 0.0;
    for (size_t i = end - kWindow; i < end; ++i)
        sum += 0.5 * (double(s.left[i]) * s.left[i] + double(s.right[i]) * s.right[i]);
    return std::sqrt(sum / kWindow);
}

void Append(Stereo& to, const Stereo& from)
{
    to.left.insert(to.left.end(), from.left.begin(), from.left.end());
    to.right.insert(to.right.end(), from.right.begin(), from.right.end());
}

double Centroid(const std::vector<double>& x)
{
    const size_t size = 16384;
    const std::vector<double> power = kt4rtest::PowerSpectrum(x, size);
    double weighted = 0.0, total = 0.0;
    for (size_t k = 1; k < power.size(); ++k) {
        weighted += power[k] * k * kRate / size;
        total += power[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
}

PhraseResult Play(PluginHost& host, const Phrase& phrase)
{
    PhraseResult r;
    for (int note : phrase.notes)
        host.QueueMidi(0, 0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(phrase.velocity));
    const int hold = static_cast<int>(kHoldSeconds * kRate) / kBlock * kBlock;
    Stereo sound = Render(host, hold, kBlock);
    for (int note : phrase.notes)
        host.QueueMidi(0, 0x80, static_cast<uint8_t>(note), 0);
    const size_t limit = hold + static_cast<size_t>(kReleaseLimitSeconds * kRate);
    // The release is rendered a tenth of a second at a time until it has ended or the limit is passed.
    while (sound.left.size() < limit) {
        Append(sound, Render(host, 4800, kBlock));
        if (Db(WindowRms(sound, sound.left.size())) < kSilentDb) {
            r.released = true;
            break;
        }
    }
    r.finite = AllFinite(sound.left) && AllFinite(sound.right);
    double peak = 0.0;
    for (size_t i = 0; i < sound.left.size(); ++i)
        peak = std::max({peak, double(std::fabs(sound.left[i])), double(std::fabs(sound.right[i]))});
    r.peakDb = Db(peak);
    double level = 0.0;
    for (size_t end = kWindow; end <= sound.left.size(); end += kWindow / 2)
        level = std::max(level, WindowRms(sound, end));
    r.levelDb = Db(level);
    const std::vector<double> left = kt4rtest::ToDouble(sound.left);
    r.dcDb = Db(std::fabs(kt4rtest::Mean(left, 0, hold)));
    if (r.released) {
        // The first frame after the note-offs from which every window stays below the threshold.
        size_t end = sound.left.size();
        while (end - kWindow / 2 >= static_cast<size_t>(hold) + kWindow && Db(WindowRms(sound, end - kWindow / 2)) < kSilentDb)
            end -= kWindow / 2;
        r.releaseSeconds = (end - hold) / kRate;
    }
    r.centroidHz = Centroid(std::vector<double>(left.begin() + hold / 3, left.end()));
    return r;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The factory bank as an installed plug-in opens it: the bank beside the library.
TEST(FactoryBankSound, EveryProgramSoundsCleanlyAtAnEvenLevelAndEnds)
{
    const std::vector<FactoryProgram> programs = FactoryPrograms();
    ASSERT_EQ(programs.size(), 128u);
    PluginCopy copy("", "", {FactoryBankPath()});
    std::vector<std::vector<PhraseResult>> results(programs.size());
    for (size_t p = 0; p < programs.size(); ++p) {
        // An instance of its own for each program, so that what one program leaves in the engine (the
        // free-running LFO, the noise generator) cannot change another's measurement.
        PluginHost host;
        std::string error;
        ASSERT_TRUE(host.Load(copy.Path(), &error)) << error;
        host.Open(kRate, kBlock);
        host.Resume();
        host.Dispatch(vst::effSetProgram, 0, static_cast<intptr_t>(p + 1));
        // The engine glides to a new program's values in a fraction of a second, as a player waits
        // between choosing a sound and playing it.
        Render(host, static_cast<int>(0.5 * kRate), kBlock);
        for (const Phrase& phrase : kPhrases) {
            // Each phrase from silence: a drone still sounding from the last one is cut by a restart.
            host.Reconfigure(kRate, kBlock);
            Render(host, kBlock, kBlock);
            results[p].push_back(Play(host, phrase));
        }
    }

    const bool report = std::getenv("KT4R_BANK_REPORT") != nullptr;
    for (size_t f = 0; f < kPhrases.size(); ++f) {
        std::vector<double> levels;
        for (const auto& r : results)
            levels.push_back(r[f].levelDb);
        const double median = Median(levels);
        double worst = 0.0;
        size_t worstAt = 0;
        for (size_t p = 0; p < programs.size(); ++p) {
            const PhraseResult& r = results[p][f];
            const std::string what = std::to_string(p + 1) + " " + programs[p].name + ", " + kPhrases[f].name;
            EXPECT_TRUE(r.finite) << what;
            EXPECT_GT(r.levelDb, -50.0) << what << ": silent";
            EXPECT_LT(r.dcDb, -50.0) << what << ": DC offset";
            EXPECT_NEAR(r.levelDb, median, 6.0) << what << ": level against the bank's median " << median << " dB";
            const bool drone = programs[p].description.find("drone") != std::string::npos;
            if (!drone) {
                EXPECT_TRUE(r.released) << what << ": still sounding " << kReleaseLimitSeconds << " s after the keys";
            }
            if (std::fabs(r.levelDb - median) > std::fabs(worst)) {
                worst = r.levelDb - median;
                worstAt = p;
            }
        }
        std::printf("%-7s level median %6.1f dBFS, widest %+5.1f dB (%zu %s)\n", kPhrases[f].name, median, worst,
                    worstAt + 1, programs[worstAt].name.c_str());
    }
    std::vector<double> bass, lead;
    for (size_t p = 0; p < programs.size(); ++p) {
        EXPECT_LT(results[p][kChord6].peakDb, -1.0) << p + 1 << " " << programs[p].name << ": six-note chord peak";
        if (programs[p].group == "Basses")
            bass.push_back(results[p][kC4].centroidHz);
        if (programs[p].group == "Leads")
            lead.push_back(results[p][kC4].centroidHz);
    }
    ASSERT_EQ(bass.size(), 16u);
    ASSERT_EQ(lead.size(), 16u);
    // Every bass is darker than the typical lead, and the basses as a group well below the leads.
    EXPECT_LT(*std::max_element(bass.begin(), bass.end()), Median(lead));
    EXPECT_LT(Median(bass), 0.7 * Median(lead));
    std::printf("C4 spectral centroid: basses median %.0f Hz, leads median %.0f Hz\n", Median(bass), Median(lead));
    if (report) {
        for (size_t p = 0; p < programs.size(); ++p) {
            std::printf("%3zu %-16s", p + 1, programs[p].name.c_str());
            for (const PhraseResult& r : results[p])
                std::printf(" %6.1f", r.levelDb);
            const PhraseResult& c6 = results[p][kChord6];
            std::printf("  peak6 %5.1f  rel %4.1f%s  dc %5.0f  cent %5.0f\n", c6.peakDb, c6.releaseSeconds,
                        c6.released ? " " : "+", c6.dcDb, results[p][kC4].centroidHz);
        }
    }
}

} // namespace
