#include "blocks/Env_Sel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 65;

struct SelectorRig {
    EngineParams params;
    FloatBuffer gate{"gate"}, adsr1{"adsr1"}, adsr2{"adsr2"}, vel1{"vel1"}, vel2{"vel2"}, vel3{"vel3"};
    FloatBuffer envDco{"env_dco"}, envMix{"env_mix"}, envVcf{"env_vcf"}, envVca{"env_vca"};
    Env_Sel sel{&gate, &adsr1, &adsr2, &vel1, &vel2, &vel3, &envDco, &envMix, &envVcf, &envVca, &params};

    SelectorRig()
    {
        for (FloatBuffer* b : {&gate, &adsr1, &adsr2, &vel1, &vel2, &vel3, &envDco, &envMix, &envVcf, &envVca})
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
        for (int i = 0; i < n; ++i)
            sel.ProcessBlock(kBlock);
    }
};

TEST(Env_Sel, ModesPickTheEnvelopeAndItsPolarity)
{
    struct Case {
        int32_t mode;
        float expected;
    };
    // adsr1 = 0.6, adsr2 = 0.3.
    for (Case c : {Case{0, -0.3f}, Case{1, 0.3f}, Case{2, -0.6f}, Case{3, 0.6f}}) {
        SelectorRig rig;
        rig.params.mDcoMode = rig.params.mMixMode = rig.params.mVcfMode = c.mode;
        rig.Blocks(40);
        EXPECT_EQ(rig.envDco[kBlock - 1], c.expected) << "mode " << c.mode;
        EXPECT_NEAR(rig.envMix[kBlock - 1], c.expected, 1e-5) << "mode " << c.mode;
        EXPECT_NEAR(rig.envVcf[kBlock - 1], c.expected, 1e-5) << "mode " << c.mode;
    }
}

TEST(Env_Sel, DynamicsScaleByTheChosenVelocityCurve)
{
    const float factors[4] = {1.0f, 0.5f, 0.7f, 0.9f};
    for (int32_t dyna = 0; dyna < 4; ++dyna) {
        SelectorRig rig;
        rig.params.mDcoMode = rig.params.mVcfMode = 3;
        rig.params.mVcaMode = 1;
        rig.params.mDcoDyna = rig.params.mVcfDyna = rig.params.mVcaDyna = dyna;
        rig.Blocks(40);
        EXPECT_FLOAT_EQ(rig.envDco[7], 0.6f * factors[dyna]);
        EXPECT_NEAR(rig.envVcf[kBlock - 1], 0.6f * factors[dyna], 1e-5);
        EXPECT_NEAR(rig.envVca[kBlock - 1], 0.3f * factors[dyna], 1e-5);
    }
}

TEST(Env_Sel, TheAmplifierFollowsTheGateOrEnvelopeTwo)
{
    SelectorRig rig;
    rig.params.mVcaMode = 0;
    rig.Blocks(40);
    EXPECT_NEAR(rig.envVca[kBlock - 1], 1.0f, 1e-5);
    rig.params.mVcaMode = 1;
    rig.Blocks(40);
    EXPECT_NEAR(rig.envVca[kBlock - 1], 0.3f, 1e-5);
}

TEST(Env_Sel, SmoothersHaveTheirCornerTimeConstantsAndSettleToExactZero)
{
    SelectorRig rig;
    rig.params.mMixMode = rig.params.mVcfMode = 3;
    rig.params.mVcaMode = 0;
    rig.Inputs(0.0f, 0.0f, 0.0f);
    rig.Blocks(2);
    rig.Inputs(1.0f, 1.0f, 1.0f);
    std::vector<float> mix, vcf, vca;
    for (int b = 0; b < 4; ++b) {
        rig.Blocks(1);
        for (int i = 0; i < kBlock; ++i) {
            mix.push_back(rig.envMix[i]);
            vcf.push_back(rig.envVcf[i]);
            vca.push_back(rig.envVca[i]);
        }
    }
    auto crossing = [](const std::vector<float>& x) {
        for (size_t i = 0; i < x.size(); ++i)
            if (x[i] >= 1.0f - std::exp(-1.0f))
                return static_cast<double>(i) + 1.0;
        return -1.0;
    };
    EXPECT_NEAR(crossing(mix), 48000.0 / (2 * M_PI * 300.0), 1.0);
    EXPECT_NEAR(crossing(vca), 48000.0 / (2 * M_PI * 300.0), 1.0);
    EXPECT_NEAR(crossing(vcf), 48000.0 / (2 * M_PI * 150.0), 1.0);

    rig.Inputs(0.0f, 0.0f, 0.0f);
    rig.Blocks(20);
    for (int i = 0; i < kBlock; ++i) {
        EXPECT_EQ(rig.envMix[i], 0.0f);
        EXPECT_EQ(rig.envVcf[i], 0.0f);
        EXPECT_EQ(rig.envVca[i], 0.0f);
    }
}

TEST(Env_Sel, OutputStatesTellTheVoiceWhetherItsEnvelopesHaveSettled)
{
    SelectorRig rig;
    rig.params.mDcoMode = 3; // envelope 1
    rig.params.mMixMode = 1; // envelope 2
    rig.adsr1.mState = Steady;
    rig.adsr2.mState = Moving;
    rig.Blocks(1);
    EXPECT_EQ(rig.envDco.mState, Steady);
    EXPECT_EQ(rig.envMix.mState, Settling);
    EXPECT_EQ(rig.envVcf.mState, Moving);
    EXPECT_EQ(rig.envVca.mState, Moving);
}

} // namespace
