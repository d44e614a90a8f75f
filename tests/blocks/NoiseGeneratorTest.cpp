#include "blocks/NoiseGenerator.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> Render(int total, int block)
{
    EngineParams params;
    FloatBuffer noise("noise");
    noise.Resize(65);
    NoiseGenerator gen(&noise, &params);
    gen.SetSampleRate(48000.0f);
    std::vector<double> out;
    for (int t = 0; t < total; t += block) {
        const int frames = std::min(block, total - t);
        gen.ProcessBlock(frames);
        for (int i = 0; i < frames; ++i)
            out.push_back(noise[i]);
    }
    return out;
}

TEST(NoiseGenerator, IsZeroMeanUniformNoiseWithinHalfScale)
{
    const std::vector<double> x = Render(1 << 20, 65);
    EXPECT_NEAR(kt4rtest::Mean(x), 0.0, 2e-3);
    EXPECT_LE(kt4rtest::Peak(x), 0.5);
    EXPECT_GT(kt4rtest::Peak(x), 0.49);
    // A uniform distribution over a unit interval has an RMS of 1/sqrt(12).
    EXPECT_NEAR(kt4rtest::Rms(x), 0.288675, 2e-3);
}

TEST(NoiseGenerator, EveryInstanceProducesTheSameSequenceWhateverTheBlockLength)
{
    const std::vector<double> a = Render(4000, 65);
    EXPECT_EQ(Render(4000, 7), a);
    EXPECT_EQ(Render(4000, 1), a);
}

} // namespace
