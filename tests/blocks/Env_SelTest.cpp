#include "blocks/Env_Sel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kBlock = 65;

struct SelectorRig {
    EngineParams p;
    FloatBuffer gate{"gate"}, adsr1{"adsr1"}, adsr2{"adsr2"}, vel1{"vel1"}, vel2{"vel2"}, vel3{"vel3"};
    FloatBuffer dco{"env_dco"}, mix{"env_mix"}, vcf{"env_vcf"}, vca{"env_vca"};
    Env_Sel sel{&gate, &adsr1, &adsr2, &vel1, &vel2, &vel3, &dco, &mix, &vcf, &vca, &p};

    SelectorRig()
    {
        for (FloatBuffer* b : {&gate, &adsr1, &adsr2, &vel1, &vel2, &vel3, &dco, &mix, &vcf, &vca})
            b->Resize(kBlock);
        sel.SetSampleRate(48000.0f);
        Inputs(1.0f, 0.6f, 0.3f);
        vel1.FillFrom(0, 0.5f);
        vel2.FillFrom(0, 0.7f);
        vel3.FillFrom(0, 0.9f);
    }
    void Inputs(float g, float e1, float e2)
    {
        gate.FillFrom(0, g);
        adsr1.FillFrom(0, e1);
        adsr2.FillFrom(0, e2);
    }
    void Blocks(int n)
    {
        while (n--)
            sel.ProcessBlock(kBlock);
    }
};

TEST(Env_Sel, ModesPickEnvelopeAndPolarityAndDynamicsScaleByVelocity)
{
    const float source[4] = {-0.3f, 0.3f, -0.6f, 0.6f}; // 2 DOWN, 2 UP, 1 DOWN, 1 UP
    const float factor[4] = {1.0f, 0.5f, 0.7f, 0.9f};
    for (int32_t mode = 0; mode < 4; ++mode) {
        for (int32_t dyna = 0; dyna < 4; ++dyna) {
            SelectorRig rig;
            rig.p.mDcoMode = rig.p.mMixMode = rig.p.mVcfMode = static_cast<EnvelopeMode>(mode);
            rig.p.mDcoDyna = rig.p.mMixDyna = rig.p.mVcfDyna = rig.p.mVcaDyna = dyna;
            rig.p.mVcaMode = static_cast<VcaMode>(mode & 1); // gate or envelope 2
            rig.Blocks(40);
            const float e = source[mode] * factor[dyna];
            EXPECT_FLOAT_EQ(rig.dco[7], e);
            EXPECT_NEAR(rig.mix[kBlock - 1], e, 1e-5);
            EXPECT_NEAR(rig.vcf[kBlock - 1], e, 1e-5);
            EXPECT_NEAR(rig.vca[kBlock - 1], ((mode & 1) ? 0.3f : 1.0f) * factor[dyna], 1e-5);
        }
    }
}

TEST(Env_Sel, SmoothersHaveTheirCornerTimeConstantsAndSettleToExactZero)
{
    SelectorRig rig;
    rig.p.mMixMode = rig.p.mVcfMode = EnvelopeMode::kEnv1Up;
    rig.Inputs(1.0f, 1.0f, 1.0f);
    rig.Blocks(1);
    // Samples to reach 1 - 1/e: the time constant fs / (2π f).
    auto crossing = [](const FloatBuffer& b) {
        int i = 0;
        while (i < kBlock && b[i] < 1.0f - std::exp(-1.0f))
            ++i;
        return i + 1.0;
    };
    EXPECT_NEAR(crossing(rig.mix), 48000.0 / (2 * M_PI * 300.0), 1.0);
    EXPECT_NEAR(crossing(rig.vca), 48000.0 / (2 * M_PI * 300.0), 1.0);
    EXPECT_NEAR(crossing(rig.vcf), 48000.0 / (2 * M_PI * 150.0), 1.0);
    rig.Inputs(0.0f, 0.0f, 0.0f);
    rig.adsr1.mState = Steady;
    rig.Blocks(20);
    for (const FloatBuffer* b : {&rig.mix, &rig.vcf, &rig.vca})
        EXPECT_EQ((*b)[0], 0.0f);
    EXPECT_EQ(rig.mix.mState, Steady) << "routed from a steady envelope";
    EXPECT_EQ(rig.vcf.mState, Moving);
}

} // namespace
