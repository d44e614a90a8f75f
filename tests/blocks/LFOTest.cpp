#include "blocks/LFO.h"

#include "engine/ProcessContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

constexpr int kBlock = 65;
constexpr float kRate = 48000.0f;

struct LfoRig {
    EngineParams params;
    ProcessContext context;
    FloatBuffer noise{"noise"}, lfo{"lfo"}, wheel{"lfo_wheel"};
    LFO osc{&noise, &lfo, &wheel, &params};
    std::vector<float> out, wheelOut;
    int sample = 0;

    LfoRig()
    {
        for (FloatBuffer* b : {&noise, &lfo, &wheel})
            b->Resize(kBlock);
        context.AddComponent(&osc);
        context.SetSampleRate(kRate);
    }

    void Blocks(int n, int frames = kBlock)
    {
        for (int b = 0; b < n; ++b) {
            // Distinct values so that every random pick is visible.
            for (int i = 0; i < frames; ++i)
                noise[i] = 0.4f * std::sin(0.37f * static_cast<float>(sample + i));
            osc.ProcessBlock(frames);
            for (int i = 0; i < frames; ++i) {
                out.push_back(lfo[i]);
                wheelOut.push_back(wheel[i]);
            }
            sample += frames;
        }
    }

    void Seconds(double s) { Blocks(static_cast<int>(s * kRate / kBlock) + 1); }

    // Cycles per second from the upward zero crossings of the wheel triangle.
    double Frequency() const
    {
        std::vector<double> ups;
        for (size_t i = 1; i < wheelOut.size(); ++i)
            if (wheelOut[i - 1] <= 0.0f && wheelOut[i] > 0.0f)
                ups.push_back(static_cast<double>(i));
        if (ups.size() < 2)
            return 0.0;
        return (ups.size() - 1) * kRate / (ups.back() - ups.front());
    }
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

TEST(LFO, SyncedCyclesLastAFractionOfABeatAtTheHostTempo)
{
    struct Case {
        float r;
        double beats;
    };
    for (Case c : {Case{0.0f, 2.0}, Case{0.3f, 11.0 / 8.0}, Case{0.75f, 0.5}, Case{1.0f, 1.0 / 32.0}}) {
        LfoRig rig;
        rig.context.mTempo = 120.0;
        rig.osc.mSync = 1;
        rig.params.mLfoRate = c.r;
        rig.Seconds(6.0);
        const double expected = 120.0 / 60.0 / c.beats;
        EXPECT_NEAR(rig.Frequency(), expected, expected * 0.002) << "rate " << c.r;
    }
}

TEST(LFO, SyncWithoutATempoStandsStill)
{
    for (double tempo : {0.0, -50.0, std::nan("")}) {
        LfoRig rig;
        rig.context.mTempo = tempo;
        rig.osc.mSync = 1;
        rig.params.mLfoRate = 0.9f;
        rig.params.mLfoWave = 2;
        rig.Blocks(50);
        for (float v : rig.wheelOut)
            ASSERT_EQ(v, 0.0f) << "tempo " << tempo;
    }
    // An unregistered LFO has no context and also stands still when synced.
    EngineParams params;
    FloatBuffer noise("noise"), lfo("lfo"), wheel("lfo_wheel");
    for (FloatBuffer* b : {&noise, &lfo, &wheel})
        b->Resize(kBlock);
    LFO lone(&noise, &lfo, &wheel, &params);
    lone.SetSampleRate(kRate);
    lone.mSync = 1;
    lone.ProcessBlock(kBlock);
    EXPECT_EQ(wheel[kBlock - 1], 0.0f);
}

TEST(LFO, ADelayHoldsTheWaveSilentThenFadesItIn)
{
    LfoRig rig;
    rig.params.mLfoWave = 1; // the square's magnitude shows the fade level directly
    rig.params.mLfoDelay = 0.25f;
    rig.params.mLfoRate = 0.5f;
    rig.Blocks(3);
    rig.osc.NoteStartsFromSilence(10);
    rig.Seconds(1.0);
    const int start = 3 * kBlock;
    const int d = 12000;
    EXPECT_EQ(std::fabs(rig.out[start + 10]), 0.5f) << "the trigger frame keeps the old level";
    EXPECT_EQ(rig.out[start + 11], 0.0f);
    EXPECT_EQ(rig.out[start + 11 + d - 2], 0.0f);
    EXPECT_NEAR(std::fabs(rig.out[start + 11 + 2 * d]), 0.25f, 0.001f);
    EXPECT_EQ(std::fabs(rig.out[start + 11 + 3 * d + 2]), 0.5f);
    EXPECT_EQ(std::fabs(rig.out.back()), 0.5f);
}

TEST(LFO, NoDelayLeavesTheLevelAlone)
{
    LfoRig rig;
    rig.params.mLfoWave = 1;
    rig.osc.NoteStartsFromSilence(0);
    rig.Blocks(5);
    for (float v : rig.out)
        ASSERT_EQ(std::fabs(v), 0.5f);
}

TEST(LFO, ANoteOnTheLastFrameOfABlockStartsTheDelayInTheNext)
{
    LfoRig rig;
    rig.params.mLfoWave = 1;
    rig.params.mLfoDelay = 0.01f;
    rig.Blocks(1);
    rig.osc.NoteStartsFromSilence(kBlock - 1);
    rig.Blocks(1);
    EXPECT_EQ(std::fabs(rig.out[2 * kBlock - 1]), 0.5f);
    rig.Blocks(1);
    EXPECT_EQ(rig.out[2 * kBlock], 0.0f);
    rig.Seconds(0.1);
    EXPECT_EQ(std::fabs(rig.out.back()), 0.5f);
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
        rig.osc.mRetriggerMode = c.mode;
        rig.osc.mVoicesIdle = c.idle;
        const float before = rig.wheelOut.back();
        ASSERT_GT(std::fabs(before), 0.05f);
        rig.osc.NoteStartsFromSilence(0);
        rig.Blocks(1);
        const float step = 2.0f * std::exp(7.779f * 0.6f - 4.542f) / kRate;
        if (c.resets)
            EXPECT_NEAR(rig.wheelOut[300 * kBlock], step, 1e-6f) << "mode " << c.mode;
        else
            EXPECT_GT(std::fabs(rig.wheelOut[300 * kBlock] - step), 0.01f) << "mode " << c.mode;
    }
}

TEST(LFO, TheRandomWavePicksFourValuesPerCycleAndTheWheelWaveIsAlwaysTheTriangle)
{
    LfoRig rig;
    rig.params.mLfoWave = 0;
    rig.params.mLfoRate = 0.8f; // about 5.3 Hz
    rig.Seconds(2.0);
    int changes = 0;
    for (size_t i = 1; i < rig.out.size(); ++i)
        changes += rig.out[i] != rig.out[i - 1];
    const double cycles = rig.Frequency() * rig.out.size() / kRate;
    EXPECT_NEAR(changes, 4.0 * cycles, 3.0);
    float peak = 0.0f;
    for (float v : rig.wheelOut)
        peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, 0.5f);
    EXPECT_GT(peak, 0.499f);
}

} // namespace
