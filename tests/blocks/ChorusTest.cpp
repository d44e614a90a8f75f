#include "blocks/Chorus.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 65;
constexpr float kRate = 48000.0f;

struct ChorusRig {
    EngineParams params;
    FloatBuffer audio{"audio"}, noise{"noise"}, left{"audio_l"}, right{"audio_r"};
    SmoothedBuffer level{"Chorus_Level"}, depth{"Chorus_Depth"};
    Chorus chorus{&audio, &noise, &level, &depth, &left, &right, &params};
    std::vector<double> dry, outL, outR;
    int sample = 0;
    double toneHz = 50.0;
    float toneLevel = 0.3f;

    ChorusRig()
    {
        for (FloatBuffer* b : {&audio, &noise, &left, &right, static_cast<FloatBuffer*>(&level),
                               static_cast<FloatBuffer*>(&depth)})
            b->Resize(kBlock);
        chorus.SetSampleRate(kRate);
        params.mChorusMode = 1;
        Depth(0.5f);
    }

    void Depth(float d) { depth.FillFrom(0, d); }

    void Block(int frames = kBlock)
    {
        for (int i = 0; i < frames; ++i) {
            audio[i] = toneLevel * static_cast<float>(std::sin(2.0 * M_PI * toneHz * (sample + i) / kRate));
            uint32_t a = static_cast<uint32_t>(sample + i) * 2654435761u;
            a ^= a >> 15;
            a *= 2246822519u;
            a ^= a >> 13;
            noise[i] = static_cast<float>(static_cast<int32_t>(a)) * (1.0f / 4294967296.0f);
            dry.push_back(audio[i]);
        }
        chorus.ProcessBlock(frames);
        for (int i = 0; i < frames; ++i) {
            outL.push_back(left[i]);
            outR.push_back(right[i]);
        }
        sample += frames;
    }

    void Seconds(double s, int frames = kBlock)
    {
        const int n = static_cast<int>(s * kRate / frames) + 1;
        for (int b = 0; b < n; ++b)
            Block(frames);
    }
};

TEST(Chorus, TurnedOffBothSidesBecomeTheDrySignalAfterTheFade)
{
    ChorusRig rig;
    rig.params.mChorusNoise = 1.0f;
    rig.Seconds(0.5);
    size_t on = rig.outL.size();
    EXPECT_GT(std::fabs(rig.outL[on - 1] - rig.dry[on - 1]), 1e-3);
    rig.params.mChorusMode = 0;
    rig.Seconds(1.0);
    for (size_t i = rig.outL.size() - kBlock; i < rig.outL.size(); ++i) {
        EXPECT_EQ(rig.outL[i], rig.dry[i]);
        EXPECT_EQ(rig.outR[i], rig.dry[i]);
    }
}

TEST(Chorus, WithoutDepthOrOffsetBothTapsReadTheNewestSample)
{
    ChorusRig rig;
    rig.Depth(0.0f);
    rig.params.mChorusOffset = 0.0f;
    rig.Seconds(1.0);
    const size_t from = rig.outL.size() / 2;
    EXPECT_EQ(rig.outL, rig.outR);
    // Dry plus the wet copy at 1.2 with no delay: a 50 Hz tone comes out 2.2 times as loud. A tap
    // reading the oldest sample of the 30 ms line would nearly cancel it instead.
    EXPECT_NEAR(kt4rtest::Rms(rig.outL, from) / kt4rtest::Rms(rig.dry, from), 2.2, 0.02);
}

TEST(Chorus, TheSweepSpreadsTheSidesSymmetricallyAroundTheCentre)
{
    ChorusRig rig;
    rig.toneHz = 700.0;
    rig.Depth(1.0f);
    rig.params.mChorusOffset = 0.5f;
    rig.params.mChorusSpeed = 1.0f;
    rig.Seconds(2.0);
    const size_t from = rig.outL.size() / 2;
    double diff = 0.0;
    for (size_t i = from; i < rig.outL.size(); ++i)
        diff = std::max(diff, std::fabs(rig.outL[i] - rig.outR[i]));
    EXPECT_GT(diff, 0.1);
    // Opposite taps of equal depth give both sides the same level.
    EXPECT_NEAR(kt4rtest::Rms(rig.outL, from), kt4rtest::Rms(rig.outR, from), 0.02 * kt4rtest::Rms(rig.outL, from));
    EXPECT_LT(kt4rtest::Peak(rig.outL), 3.0 * rig.toneLevel);
}

TEST(Chorus, ItsNoiseGrowsWithTheDelay)
{
    auto noiseRms = [](float offset) {
        ChorusRig rig;
        rig.toneLevel = 0.0f;
        rig.Depth(0.0f);
        rig.params.mChorusNoise = 1.0f;
        rig.params.mChorusOffset = offset;
        rig.Seconds(1.5);
        return kt4rtest::Rms(rig.outL, rig.outL.size() / 2);
    };
    const double shallow = noiseRms(0.25f), deep = noiseRms(1.0f);
    EXPECT_GT(shallow, 0.0);
    // Line noise 0.15 at the wet level 1.2 plus tap noise d / Ld = offset / 4, uncorrelated.
    const double expected = std::hypot(0.18, 0.25) / std::hypot(0.18, 0.0625);
    EXPECT_NEAR(deep / shallow, expected, 0.05 * expected);
}

TEST(Chorus, TheOutputDoesNotDependOnTheBlockLength)
{
    ChorusRig a, b;
    for (ChorusRig* r : {&a, &b}) {
        r->params.mChorusMode = 2;
        r->params.mChorusNoise = 0.5f;
        r->params.mChorusSpeed = 1.0f;
        r->Depth(0.8f);
    }
    a.Seconds(0.3, kBlock);
    b.Seconds(0.3, 7);
    const size_t n = std::min(a.outL.size(), b.outL.size());
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(a.outL[i], b.outL[i]) << i;
        ASSERT_EQ(a.outR[i], b.outR[i]) << i;
    }
}

TEST(Chorus, BeforeASampleRateItIsSilent)
{
    EngineParams params;
    FloatBuffer audio{"audio"}, noise{"noise"}, left{"audio_l"}, right{"audio_r"};
    SmoothedBuffer level{"Chorus_Level"}, depth{"Chorus_Depth"};
    for (FloatBuffer* buf : {&audio, &noise, &left, &right, static_cast<FloatBuffer*>(&level),
                             static_cast<FloatBuffer*>(&depth)})
        buf->Resize(kBlock);
    audio.FillFrom(0, 0.5f);
    left.FillFrom(0, 7.0f);
    Chorus chorus(&audio, &noise, &level, &depth, &left, &right, &params);
    chorus.ProcessBlock(kBlock);
    for (int i = 0; i < kBlock; ++i)
        EXPECT_EQ(left[i], 0.0f);
}

} // namespace
