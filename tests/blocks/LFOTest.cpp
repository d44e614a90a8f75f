#include "blocks/LFO.h"

#include "signal/ProcessContext.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int kBlock = 65;
constexpr float kRate = 48000.0f;

struct LfoRig {
    EngineParams params;
    ProcessContext context;
    FloatBuffer noise{"noise"}, lfo{"lfo"}, wheel{"lfo_wheel"};
    LFO osc{&noise, &lfo, &wheel, &params};
    std::vector<double> out, wheelOut;

    LfoRig()
    {
        for (FloatBuffer* b : {&noise, &lfo, &wheel})
            b->Resize(kBlock);
        context.AddComponent(&osc);
        context.SetSampleRate(kRate);
    }
    void Blocks(int n)
    {
        while (n--) {
            osc.ProcessBlock(kBlock);
            out.insert(out.end(), lfo.Data(), lfo.Data() + kBlock);
            wheelOut.insert(wheelOut.end(), wheel.Data(), wheel.Data() + kBlock);
        }
    }
    void Seconds(double s) { Blocks(static_cast<int>(s * kRate / kBlock) + 1); }
    double Frequency() const { return kt4rtest::CrossingFrequency(wheelOut, kRate); }
};

TEST(LFO, FreeRateIsExponentialInTheRateKnob)
{
    for (float r : {0.5f, 0.8f, 1.0f}) {
        LfoRig rig;
        rig.params.mLfoRate = r;
        rig.Seconds(7.0);
        const double expected = std::exp(7.779 * r - 4.542);
        EXPECT_NEAR(rig.Frequency(), expected, expected * 0.002) << "rate " << r;
    }
}

TEST(LFO, SyncedCyclesLastAFractionOfABeatAndStandStillWithoutATempo)
{
    const std::pair<float, double> beats[] = {{0.0f, 2.0}, {0.3f, 11.0 / 8.0}, {0.75f, 0.5}, {1.0f, 1.0 / 32.0}};
    for (auto [r, b] : beats) {
        LfoRig rig;
        rig.context.mTempo = 120.0;
        rig.osc.mSync = 1;
        rig.params.mLfoRate = r;
        rig.Seconds(6.0);
        EXPECT_NEAR(rig.Frequency(), 2.0 / b, 0.004 / b) << "rate " << r;
    }
    for (double tempo : {0.0, -50.0, std::nan("")}) {
        LfoRig rig;
        rig.context.mTempo = tempo;
        rig.osc.mSync = 1;
        rig.params.mLfoRate = 0.9f;
        rig.Blocks(20);
        EXPECT_EQ(rig.wheelOut.back(), 0.0f) << "tempo " << tempo;
    }
}

TEST(LFO, SyncedCycleLengthsAreReducedFractionsAndKnobValuesOutsideTheRangeReadAsItsEnds)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float rate;
        int32_t numerator, denominator;
    } cases[] = {
        {0.0f, 2, 1},  {0.3f, 11, 8}, {0.5f, 1, 1},  {0.75f, 1, 2}, {1.0f, 1, 32},
        {-1.0f, 2, 1}, {-inf, 2, 1},  {2.0f, 1, 32}, {inf, 1, 32},  {std::nanf(""), 2, 1},
    };
    for (const auto& c : cases) {
        const LFO::BeatFraction beats = LFO::SyncedCycleBeats(c.rate);
        EXPECT_EQ(beats.numerator, c.numerator) << "rate " << c.rate;
        EXPECT_EQ(beats.denominator, c.denominator) << "rate " << c.rate;
    }
}

TEST(LFO, ADelayHoldsTheWaveSilentThenFadesItIn)
{
    LfoRig rig;
    rig.params.mLfoWave = LfoWave::kSquare; // the square's magnitude shows the fade level
    rig.params.mLfoDelay = 0.25f;
    rig.Blocks(3);
    rig.osc.NoteStartsFromSilence(10);
    rig.Seconds(1.0);
    const int t = 3 * kBlock + 10, d = 12000;
    EXPECT_EQ(std::fabs(rig.out[t]), 0.5f) << "the trigger frame keeps the old level";
    EXPECT_EQ(rig.out[t + 1], 0.0f);
    EXPECT_EQ(rig.out[t + d - 1], 0.0f);
    EXPECT_NEAR(std::fabs(rig.out[t + 1 + 2 * d]), 0.25f, 0.001f);
    EXPECT_EQ(std::fabs(rig.out.back()), 0.5f);

    // A note on the last frame of a block starts the delay at the top of the next block.
    rig.osc.NoteStartsFromSilence(kBlock - 1);
    rig.Blocks(2);
    EXPECT_EQ(std::fabs(rig.out[rig.out.size() - kBlock - 1]), 0.5f);
    EXPECT_EQ(rig.out[rig.out.size() - kBlock], 0.0f);
}

TEST(LFO, RetriggerModesDecideWhetherANoteResetsThePhase)
{
    struct Case {
        int32_t mode;
        uint8_t idle;
        bool resets;
    };
    for (Case c : {Case{0, 1, false}, Case{1, 0, false}, Case{1, 1, true}, Case{2, 0, true}}) {
        LfoRig rig;
        rig.params.mLfoRate = 0.6f;
        rig.Blocks(300);
        rig.osc.mRetriggerMode = static_cast<LfoTrigger>(c.mode);
        rig.osc.mVoicesIdle = c.idle;
        rig.osc.NoteStartsFromSilence(0);
        rig.Blocks(1);
        const float step = 2.0f * std::exp(7.779f * 0.6f - 4.542f) / kRate;
        EXPECT_EQ(std::fabs(rig.wheelOut[300 * kBlock] - step) < 1e-6f, c.resets) << "mode " << c.mode;
    }
}

} // namespace
