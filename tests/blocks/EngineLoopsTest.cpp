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

// A step may skip its wrap tests only when no lane would have wrapped in it: whenever the bound says
// clear, the phase added one increment at a time stays at or below its threshold for all the step's
// sub-steps. Phases are taken from a few increments below the threshold to just above it, where a
// bound that is too loose would show; well below it the bound must answer clear, or it saves nothing.
TEST(EngineKernelThresholds, AStepTheWrapBoundClearsHasNoResetAndFarPhasesAreCleared)
{
    std::mt19937 bits(17);
    std::uniform_real_distribution<float> exponents(-22.0f, -0.8f);
    std::uniform_int_distribution<int> ulps(-40, 40);
    int cleared = 0;
    for (int i = 0; i < 4000; ++i) {
        const float inc = std::exp2(exponents(bits));
        const float wrap = WrapThreshold(inc);
        for (int count : {2, 4, 8, 16}) {
            for (int before = -1; before <= count + 2; ++before) {
                float phase = wrap - static_cast<float>(before) * inc;
                for (int u = ulps(bits); u != 0; u += u > 0 ? -1 : 1)
                    phase = u > 0 ? NextUp(phase) : NextDown(phase);
                if (!(phase >= 0.0f))
                    continue;
                const __m128 p = _mm_set1_ps(phase), s = _mm_set1_ps(inc), w = _mm_set1_ps(wrap);
                if (PitchWrapsAhead(p, s, w, count))
                    continue;
                ++cleared;
                float x = phase;
                for (int k = 0; k < count; ++k, x += inc)
                    ASSERT_LE(x, wrap) << "inc " << inc << " phase " << phase << " count " << count;
            }
            // The bound's margin is relative to the phase: far is below it by more than that.
            const float far = wrap * (1.0f - 1.0f / 16384.0f) - 2.0f * static_cast<float>(count) * inc;
            if (far >= 0.0f) {
                EXPECT_FALSE(PitchWrapsAhead(_mm_set1_ps(far), _mm_set1_ps(inc), _mm_set1_ps(wrap), count)) << inc;
            }
        }
    }
    EXPECT_GT(cleared, 10000);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf}) {
        EXPECT_TRUE(PitchWrapsAhead(_mm_set1_ps(0.1f), _mm_set1_ps(bad), _mm_set1_ps(WrapThreshold(bad)), 4)) << bad;
        EXPECT_TRUE(PitchWrapsAhead(_mm_set1_ps(bad), _mm_set1_ps(0.01f), _mm_set1_ps(0.99f), 4)) << bad;
    }
}
