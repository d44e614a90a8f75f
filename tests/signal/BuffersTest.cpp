#include "signal/Buffers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Buffers, FillRangeClipsToTheBlockAndMarksItWritten)
{
    FloatBuffer b("gate");
    b.Resize(64);
    b.FillRange(10, 500, 2.0f);
    EXPECT_EQ(b.mFilled, 64);
    EXPECT_EQ(b.mState, Moving);
    EXPECT_EQ(b[9], 0.0f);
    EXPECT_EQ(b[10], 2.0f);
    EXPECT_EQ(b[63], 2.0f);

    FloatBuffer c("pitch");
    c.Resize(64);
    c.FillFrom(64, 1.0f);
    EXPECT_EQ(c.mFilled, 64);
    EXPECT_EQ(c.mState, Moving);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(c[i], 0.0f);
}

TEST(Buffers, APlainBufferHoldsItsLastWrittenValueFromTheBlockAfterNext)
{
    FloatBuffer b("gate");
    b.Resize(65);
    b.FillFrom(20, 1.0f);
    b.Advance();
    EXPECT_EQ(b.mState, Settling);
    EXPECT_EQ(b[19], 0.0f);
    EXPECT_EQ(b[20], 1.0f);
    b.Advance();
    EXPECT_EQ(b.mState, Steady);
    for (int i = 0; i < 65; ++i)
        EXPECT_EQ(b[i], 1.0f);

    QuadBuffer q("audio4");
    q.Resize(7);
    q.FillFrom(0, Quad_float{1, 2, 3, 4});
    q.mState = Settling;
    q.mFilled = 0;
    q.Advance();
    for (int i = 0; i < 7; ++i)
        for (int lane = 0; lane < 4; ++lane)
            EXPECT_EQ(q[i][lane], 0.0f);
}

TEST(Buffers, ASmoothedStepGlidesAtTenHertzAndEndsExactlyOnTarget)
{
    const float rate = 48000.0f;
    const int block = 256;
    SmoothedBuffer b("vcf_freq");
    b.SetSampleRate(rate);
    b.Resize(block);
    b.SetTargetFrom(0, 1.0f);

    // After one time constant (1 / (2 pi 10 Hz)) the glide has covered 1 - 1/e of the step.
    const int tau = static_cast<int>(std::lround(rate / (2.0 * M_PI * 10.0)));
    int blocks = 0;
    float atTau = -1.0f;
    int frame = 0;
    while (b.mState != Steady && blocks < 1000) {
        b.Advance();
        for (int i = 0; i < block; ++i, ++frame)
            if (frame == tau)
                atTau = b[i];
        ++blocks;
    }
    EXPECT_NEAR(atTau, 1.0f - std::exp(-1.0f), 0.01f);
    EXPECT_EQ(b.mState, Steady);
    EXPECT_EQ(b.mMemory, 2.0f);
    for (int i = 0; i < block; ++i)
        EXPECT_EQ(b[i], 1.0f);
}

TEST(Buffers, RestatingTheTargetWritesNothingButRedirectsTheGlide)
{
    SmoothedBuffer b("vca");
    b.SetSampleRate(44100.0f);
    b.Resize(32);
    b.SetTargetFrom(32, 0.5f);
    EXPECT_EQ(b.mState, Fresh);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(b[i], 0.0f);
    b.Advance();
    EXPECT_EQ(b[31], 0.0f);
    b.Advance();
    EXPECT_GT(b[31], 0.0f);
    EXPECT_LT(b[31], 0.5f);

    // Clear keeps the filter memory, so the next glide starts where the last one stood.
    float memory = b.mMemory;
    b.Clear();
    EXPECT_EQ(b.mTarget, 0.0f);
    EXPECT_EQ(b.mMemory, memory);
}

} // namespace
