#include "blocks/NoiseGenerator.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<double> Render(int total, int block)
{
    FloatBuffer noise("noise");
    noise.Resize(65);
    NoiseGenerator gen(&noise);
    std::vector<double> out;
    for (int t = 0; t < total; t += block) {
        gen.ProcessBlock(std::min(block, total - t));
        out.insert(out.end(), noise.Data(), noise.Data() + std::min(block, total - t));
    }
    return out;
}

TEST(NoiseGenerator, IsZeroMeanUniformNoiseWithinHalfScaleWhateverTheBlockLength)
{
    const std::vector<double> x = Render(1 << 20, 65);
    EXPECT_NEAR(kt4rtest::Mean(x), 0.0, 2e-3);
    EXPECT_LE(kt4rtest::Peak(x), 0.5);
    EXPECT_NEAR(kt4rtest::Rms(x), 1.0 / std::sqrt(12.0), 2e-3);
    const std::vector<double> head(x.begin(), x.begin() + 4000);
    EXPECT_EQ(Render(4000, 7), head);
}

} // namespace
