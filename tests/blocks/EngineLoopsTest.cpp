// The kernel's own float neighbours (used for the exact wrap thresholds) against the library's.
#include "blocks/EngineLoops.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

TEST(EngineKernelThresholds, FloatNeighboursMatchTheLibraryForEveryKindOfFloat)
{
    const float inf = std::numeric_limits<float>::infinity();
    const auto check = [&](float x) {
        ASSERT_EQ(std::bit_cast<uint32_t>(NextUp(x)), std::bit_cast<uint32_t>(std::nextafter(x, inf))) << x;
        ASSERT_EQ(std::bit_cast<uint32_t>(NextDown(x)), std::bit_cast<uint32_t>(std::nextafter(x, -inf))) << x;
    };
    for (float x : {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, inf, -inf, std::numeric_limits<float>::denorm_min(),
                    -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
                    std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), 1e-40f, -1e-40f})
        check(x);
    // Random bit patterns cover normals and subnormals of both signs.
    std::mt19937 bits(5);
    for (int i = 0; i < 200000; ++i) {
        const float x = std::bit_cast<float>(static_cast<uint32_t>(bits()));
        if (!std::isnan(x))
            check(x);
        if (HasFatalFailure())
            return;
    }
}

TEST(EngineKernelThresholds, TheWrapThresholdIsTheLastPhaseThatDoesNotPassOne)
{
    std::mt19937 bits(9);
    std::uniform_real_distribution<float> increments(1e-6f, 0.9f);
    for (int i = 0; i < 20000; ++i) {
        const float inc = increments(bits);
        const float t = WrapThreshold(inc);
        EXPECT_LE(t + inc, 1.0f) << inc;
        EXPECT_GT(std::nextafter(t, 2.0f) + inc, 1.0f) << inc;
    }
}
