#include "blocks/VCA.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"

#include <gtest/gtest.h>

namespace {

TEST(VCA, AddsTheInvertedScaledVoiceWithTheAftertouchSwing)
{
    constexpr int kFrames = 3;
    QuadBuffer tmp4{"tmp4"}, audio4{"audio4"};
    FloatBuffer env{"env_vca"};
    SmoothedBuffer level{"vca"}, pat{"PAT"};
    for (BufferBase* b : {static_cast<BufferBase*>(&tmp4), static_cast<BufferBase*>(&audio4),
                          static_cast<BufferBase*>(&env), static_cast<BufferBase*>(&level), static_cast<BufferBase*>(&pat)})
        b->Resize(kFrames);
    EngineParams params;
    params.mAtVolume = 0.4f;
    VCA vca{&tmp4, &env, &level, &pat, &audio4, &params};

    const float pressure[kFrames] = {0.0f, 0.5f, 1.0f};
    for (int i = 0; i < kFrames; ++i) {
        tmp4[i] = Quad_float{1.0f, -2.0f, 0.5f, 0.0f};
        audio4[i] = Quad_float{0.25f, 0.25f, 0.25f, 0.25f}; // another voice already summed in
        env[i] = 0.5f;
        level[i] = 0.8f;
        pat[i] = pressure[i];
    }
    vca.ProcessBlock(kFrames);

    // No pressure lowers the level by half the depth, full pressure raises it by as much.
    const float gain[kFrames] = {0.8f, 1.0f, 1.2f};
    for (int i = 0; i < kFrames; ++i) {
        const float factor = -gain[i] * 0.8f * 0.5f;
        EXPECT_FLOAT_EQ(audio4[i][0], 0.25f + factor * 1.0f) << i;
        EXPECT_FLOAT_EQ(audio4[i][1], 0.25f + factor * -2.0f) << i;
        EXPECT_FLOAT_EQ(audio4[i][2], 0.25f + factor * 0.5f) << i;
        EXPECT_FLOAT_EQ(audio4[i][3], 0.25f) << i;
    }
    EXPECT_EQ(audio4.mState, static_cast<uint32_t>(Moving));
}

} // namespace
