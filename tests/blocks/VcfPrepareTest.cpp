#include "blocks/VcfPrepare.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"

#include <gtest/gtest.h>

namespace {

struct VcfRig {
    static constexpr int kFrames = 5;
    VcfRig()
    {
        for (FloatBuffer* b : {&pitch, &envVcf, &lfo, static_cast<FloatBuffer*>(&cutoff),
                               static_cast<FloatBuffer*>(&resonance), static_cast<FloatBuffer*>(&lfoDepth),
                               static_cast<FloatBuffer*>(&envDepth), static_cast<FloatBuffer*>(&keyFollow),
                               static_cast<FloatBuffer*>(&pat), &freqOut, &resOut, &envVca})
            b->Resize(kFrames);
    }
    // One frame with the given cutoff control (other modulations 0) and resonance control r.
    void Frame(int i, float cutoffControl, float r, float env = 1.0f)
    {
        cutoff[i] = cutoffControl;
        resonance[i] = r;
        envVca[i] = env;
    }

    FloatBuffer pitch{"pitch"}, envVcf{"env_vcf"}, lfo{"lfo"};
    SmoothedBuffer cutoff{"vcf_freq"}, resonance{"vcf_res"}, lfoDepth{"vcf_lfo"}, envDepth{"vcf_env"},
        keyFollow{"vcf_key"}, pat{"PAT"};
    FloatBuffer freqOut{"vcf_freq"}, resOut{"vcf_res"}, envVca{"env_vca"};
    EngineParams params;
    VcfPrepare vcf{&pitch, &envVcf, &lfo, &cutoff, &resonance, &lfoDepth, &envDepth, &keyFollow,
                   &pat, &freqOut, &resOut, &envVca, &params};
};

TEST(VcfPrepare, CutoffIsClampedAndBentTowardsTheTop)
{
    VcfRig r;
    // Control values giving C = -0.24462 (closed), 0.5, 0.8, 1.0 and far above the top.
    const float controls[] = {0.0f, (0.5f + 0.24462f) / 1.3585f, (0.8f + 0.24462f) / 1.3585f,
                              (1.0f + 0.24462f) / 1.3585f, 5.0f};
    for (int i = 0; i < VcfRig::kFrames; ++i)
        r.Frame(i, controls[i], 0.0f);
    r.vcf.ProcessBlock(VcfRig::kFrames);
    EXPECT_FLOAT_EQ(r.freqOut[0], 0.1f);
    EXPECT_NEAR(r.freqOut[1], 0.5f, 1e-6);
    EXPECT_NEAR(r.freqOut[2], 0.8f, 1e-6);
    EXPECT_NEAR(r.freqOut[3], 1.0f - 0.2f * 0.04f, 1e-6);
    EXPECT_NEAR(r.freqOut[4], 1.114f - 0.2f * 0.314f * 0.314f, 1e-6);
    EXPECT_NEAR(r.freqOut[4], 1.094f, 0.001);
}

TEST(VcfPrepare, ResonanceBecomesSevenTimesItsCurveAndDividesTheAmplifierEnvelope)
{
    VcfRig r;
    const float controls[] = {0.0f, 0.2f, 0.25f, 0.5f, 1.0f};
    for (int i = 0; i < VcfRig::kFrames; ++i)
        r.Frame(i, 0.5f, controls[i], 0.7f);
    r.vcf.ProcessBlock(VcfRig::kFrames);
    EXPECT_NEAR(r.resOut[0], 0.7f, 1e-6);
    EXPECT_NEAR(r.resOut[4], 7.0f * 0.9977229f, 1e-4);
    for (int i = 0; i < VcfRig::kFrames; ++i) {
        EXPECT_FLOAT_EQ(r.resOut[i], 7.0f * VcfPrepare::ResonanceCurve(controls[i]));
        EXPECT_FLOAT_EQ(r.envVca[i], 0.7f / r.resOut[i]);
    }
    // The two halves of the curve nearly meet at 0.25 and the curve stays positive over the control.
    EXPECT_NEAR(VcfPrepare::ResonanceCurve(0.2499999f), VcfPrepare::ResonanceCurve(0.25f), 0.002f);
    for (float x = -0.5f; x <= 1.5f; x += 0.01f)
        EXPECT_GT(VcfPrepare::ResonanceCurve(x), 0.05f) << x;
}

} // namespace
