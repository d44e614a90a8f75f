#include "blocks/HPF.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;

// Steady-state gain of one position for a sine (or DC when hz is 0), measured after two seconds.
double Gain(int32_t position, double hz, double amplitude = 0.5)
{
    EngineParams params;
    params.mHpfStep = position;
    FloatBuffer audio("audio");
    audio.Resize(65);
    HPF hpf(&audio, &params);
    hpf.SetSampleRate(kRate);
    const int total = hz == 0.0 ? 5 * 48000 : 3 * 48000;
    std::vector<double> in, out;
    for (int t = 0; t < total; t += 65) {
        for (int i = 0; i < 65; ++i) {
            const double phase = 2.0 * M_PI * hz * (t + i) / kRate;
            audio[i] = static_cast<float>(hz == 0.0 ? amplitude : amplitude * std::sin(phase));
            in.push_back(audio[i]);
        }
        hpf.ProcessBlock(65);
        for (int i = 0; i < 65; ++i)
            out.push_back(audio[i]);
    }
    if (hz == 0.0)
        return out.back() / amplitude;
    const size_t from = out.size() / 2;
    return kt4rtest::Rms(out, from) / kt4rtest::Rms(in, from);
}

TEST(HPF, PositionZeroPassesSeventyPercentOfDcAndBoostsTheBass)
{
    // The 1 Hz section settles in single precision to within about 1e-4 of its input.
    EXPECT_NEAR(Gain(0, 0.0, 0.25), 0.7, 5e-4);
    EXPECT_NEAR(Gain(0, 0.0, -0.5), 0.7, 5e-4);
    EXPECT_GT(Gain(0, 40.0), 1.3);
    EXPECT_NEAR(Gain(0, 5000.0), 1.0, 0.02);
}

TEST(HPF, HigherPositionsScaleTheBandAboveTheCornerByEightyPercent)
{
    EXPECT_NEAR(Gain(1, 1000.0), 0.8, 0.005);
    EXPECT_NEAR(Gain(1, 5000.0), 0.8, 0.005);
    EXPECT_NEAR(Gain(2, 5000.0), 0.8, 0.02);
    for (int32_t position = 1; position <= 3; ++position)
        EXPECT_NEAR(Gain(position, 0.0), 0.0, 1e-4) << "position " << position;
}

TEST(HPF, EachPositionIsThreeDecibelsDownAtItsCorner)
{
    const double corners[4] = {0.0, 9.72, 225.75, 729.05};
    for (int32_t position = 1; position <= 3; ++position) {
        EXPECT_NEAR(Gain(position, corners[position]), 0.8 / std::sqrt(2.0), 0.04) << "position " << position;
        EXPECT_LT(Gain(position, corners[position] * 0.25), 0.8 * 0.3) << "position " << position;
    }
}

} // namespace
