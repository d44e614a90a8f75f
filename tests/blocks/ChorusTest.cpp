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
    SmoothedBuffer depth{"Chorus_Depth"};
    Chorus chorus{&audio, &noise, &depth, &left, &right, &params};
    std::vector<double> dry, outL, outR;
    float tone = 0.3f; // 50 Hz level
    // With tone at 0: the input, so silence can be given as +0.0 (a cleared buffer) or -0.0.
    float silence = 0.0f;
    int n = 0;

    ChorusRig()
    {
        for (FloatBuffer* b : {&audio, &noise, &left, &right, static_cast<FloatBuffer*>(&depth)})
            b->Resize(kBlock);
        chorus.SetSampleRate(kRate);
        params.mChorusMode = ChorusMode::kChorus1;
        params.mChorusNoise = 1.0f;
    }
    void Seconds(double s)
    {
        for (int b = static_cast<int>(s * kRate / kBlock); b >= 0; --b) {
            for (int i = 0; i < kBlock; ++i, ++n) {
                audio[i] =
                    tone == 0.0f
                        ? silence
                        : tone * std::sin(2.0f * static_cast<float>(M_PI) * 50.0f * static_cast<float>(n) / kRate);
                uint32_t h = static_cast<uint32_t>(n) * 2654435761u;
                h = (h ^ (h >> 15)) * 2246822519u;
                noise[i] = static_cast<float>(static_cast<int32_t>(h ^ (h >> 13))) * (1.0f / 4294967296.0f);
                dry.push_back(audio[i]);
            }
            chorus.ProcessBlock(kBlock);
            outL.insert(outL.end(), left.Data(), left.Data() + kBlock);
            outR.insert(outR.end(), right.Data(), right.Data() + kBlock);
        }
    }
};

TEST(Chorus, TurnedOffBothSidesBecomeTheDrySignalAfterTheFade)
{
    ChorusRig rig;
    rig.depth.FillFrom(0, 0.5f);
    rig.Seconds(0.5);
    EXPECT_GT(std::fabs(rig.outL.back() - rig.dry.back()), 1e-3);
    rig.params.mChorusMode = ChorusMode::kOff;
    rig.Seconds(1.0);
    for (size_t i = rig.dry.size() - kBlock; i < rig.dry.size(); ++i) {
        EXPECT_EQ(rig.outL[i], rig.dry[i]);
        EXPECT_EQ(rig.outR[i], rig.dry[i]);
    }
}

TEST(Chorus, WithoutDepthOrOffsetBothTapsReadTheNewestSample)
{
    ChorusRig rig;
    rig.params.mChorusNoise = 0.0f;
    rig.Seconds(1.0);
    EXPECT_EQ(rig.outL, rig.outR);
    // Dry plus the wet copy at 1.2 with no delay: the 50 Hz tone comes out 2.2 times as loud. A tap
    // reading the oldest sample of the 30 ms line would nearly cancel it instead.
    const size_t from = rig.dry.size() / 2;
    EXPECT_NEAR(kt4rtest::Rms(rig.outL, from) / kt4rtest::Rms(rig.dry, from), 2.2, 0.02);
}

TEST(Chorus, ItsNoiseGrowsWithTheDelay)
{
    auto noiseRms = [](float offset) {
        ChorusRig rig;
        rig.tone = 0.0f;
        rig.params.mChorusOffset = offset;
        rig.Seconds(1.5);
        return kt4rtest::Rms(rig.outL, rig.outL.size() / 2);
    };
    // Line noise 0.15 at the wet level 1.2, plus tap noise d / Ld = offset / 4, uncorrelated.
    const double expected = std::hypot(0.18, 0.25) / std::hypot(0.18, 0.0625);
    EXPECT_NEAR(noiseRms(1.0f) / noiseRms(0.25f), expected, 0.05 * expected);
}

// A cleared input lets the resting chorus skip its per-sample work; -0.0 silence sounds the same but
// takes every step, so the two must agree on every sample, through the silence and after it: the
// line, write position, sweep and smoothers come out of the rest where the steps would leave them.
TEST(ChorusRest, SilenceAfterTurningOffAndPlayingAgainMatchesTheSteppedChorus)
{
    // The fade ends about 0.11 s after the switch and the sweep depth comes to rest a little later:
    // silences ending before, around and well after that.
    for (double silent : {0.115, 0.125, 0.135, 0.5}) {
        ChorusRig skipped, stepped;
        stepped.silence = -0.0f;
        for (ChorusRig* rig : {&skipped, &stepped}) {
            rig->depth.FillFrom(0, 0.7f);
            rig->params.mChorusSpeed = 0.9f;
            rig->Seconds(0.3);
            rig->params.mChorusMode = ChorusMode::kOff;
            rig->tone = 0.0f;
            rig->Seconds(silent);
            rig->params.mChorusMode = ChorusMode::kChorus2;
            rig->tone = 0.3f;
            rig->Seconds(0.1);
        }
        ASSERT_EQ(skipped.outL.size(), stepped.outL.size());
        for (size_t i = 0; i < skipped.outL.size(); ++i) {
            ASSERT_EQ(skipped.outL[i], stepped.outL[i]) << "silence " << silent << " s, sample " << i;
            ASSERT_EQ(skipped.outR[i], stepped.outR[i]) << "silence " << silent << " s, sample " << i;
        }
    }
}

} // namespace
