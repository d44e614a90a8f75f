#include "blocks/HPF.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Steady-state gain of one position for a sine, or for DC when hz is 0.
double Gain(int32_t position, double hz, float level = 0.5f)
{
    EngineParams params;
    params.mHpfStep = position;
    FloatBuffer audio("audio");
    audio.Resize(65);
    HPF hpf(&audio, &params);
    hpf.SetSampleRate(48000.0f);
    std::vector<double> in, out;
    for (int t = 0; t < 5 * 48000; t += 65) {
        for (int i = 0; i < 65; ++i)
            audio[i] = hz == 0.0 ? level : level * static_cast<float>(std::sin(2.0 * M_PI * hz * (t + i) / 48000.0));
        in.insert(in.end(), audio.Data(), audio.Data() + 65);
        hpf.ProcessBlock(65);
        out.insert(out.end(), audio.Data(), audio.Data() + 65);
    }
    if (hz == 0.0)
        return out.back() / level;
    return kt4rtest::Rms(out, out.size() / 2) / kt4rtest::Rms(in, in.size() / 2);
}

TEST(HPF, PositionZeroPassesSeventyPercentOfDcAndBoostsTheBass)
{
    // The 1 Hz section settles in single precision to within about 1e-4 of its input.
    EXPECT_NEAR(Gain(0, 0.0, 0.25f), 0.7, 5e-4);
    EXPECT_NEAR(Gain(0, 0.0, -0.5f), 0.7, 5e-4);
    EXPECT_GT(Gain(0, 40.0), 1.3);
    EXPECT_NEAR(Gain(0, 5000.0), 1.0, 0.02);
}

TEST(HPF, HigherPositionsCutAtTheirCornersAndScaleTheBandAboveByEightyPercent)
{
    EXPECT_NEAR(Gain(1, 1000.0), 0.8, 0.005);
    EXPECT_NEAR(Gain(2, 5000.0), 0.8, 0.02);
    const double corners[4] = {0.0, 9.72, 225.75, 729.05};
    for (int32_t position = 1; position <= 3; ++position) {
        EXPECT_NEAR(Gain(position, 0.0), 0.0, 1e-4) << "position " << position;
        EXPECT_NEAR(Gain(position, corners[position]), 0.8 / std::sqrt(2.0), 0.04) << "position " << position;
    }
}

// A cleared input lets a filter at rest write its resting value instead of stepping; -0.0 silence
// gives the same states but takes every step. At every position, a burst, a long silence in odd
// blocks and a second burst must come out the same both ways.
TEST(HPFRest, SilenceBetweenBurstsMatchesTheSteppedFilterAtEveryPosition)
{
    for (int32_t position = 0; position < 4; ++position) {
        EngineParams params;
        params.mHpfStep = position;
        std::vector<double> out[2];
        for (int run = 0; run < 2; ++run) {
            const float silence = run == 0 ? 0.0f : -0.0f;
            FloatBuffer audio("audio");
            audio.Resize(37);
            HPF hpf(&audio, &params);
            hpf.SetSampleRate(48000.0f);
            for (int t = 0; t < 23 * 48000; t += 37) {
                const bool burst = t < 4800 || t > 22 * 48000; // the 1 Hz section needs ~20 s to rest
                for (int i = 0; i < 37; ++i)
                    audio[i] = burst ? 0.4f * static_cast<float>(std::sin(0.01 * (t + i))) + 0.2f : silence;
                hpf.ProcessBlock(37);
                out[run].insert(out[run].end(), audio.Data(), audio.Data() + 37);
            }
        }
        for (size_t i = 0; i < out[0].size(); ++i)
            ASSERT_EQ(out[0][i], out[1][i]) << "position " << position << " sample " << i;
    }
}

} // namespace
