#include "blocks/DCO_prepare.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

struct DcoRig {
    explicit DcoRig(int frames = 64, float rate = 44100.0f) : size(frames)
    {
        for (BufferBase* b : std::initializer_list<BufferBase*>{
                 &pitch, &lfo, &lfoWheel, &envDco, &envMix, &dco1Lfo, &dco1Env, &dco2Lfo, &dco2Env, &mixDco1, &mixDco2,
                 &mixEnv, &bender, &mw, &pat, &freq1, &freq2, &level1, &level2})
            b->Resize(frames);
        // Neutral patch: 8' ranges, tunes, fine tune and master tune centred, no stretch.
        params.mDco1Range = params.mDco2Range = 1;
        params.mMasterTune = 0.0f;
        params.mOctaveStretch = 1.0f;
        params.mBendLfo = 0.05f;
        Set(mixDco1, 1.0f);
        Set(mixDco2, 1.0f);
        dco.SetSampleRate(rate);
    }

    void Set(FloatBuffer& b, float v)
    {
        for (int i = 0; i < size; ++i)
            b[i] = v;
    }
    // Holds the note until the glide has arrived.
    int Settle(float note)
    {
        Set(pitch, (note - 69.0f) / 12.0f + 5.0f);
        int n = 0;
        for (int k = 0; k < 20; ++k)
            n = dco.ProcessBlock(size);
        return n;
    }

    int size;
    FloatBuffer pitch{"pitch"}, lfo{"lfo"}, lfoWheel{"lfo_wheel"}, envDco{"env_dco"}, envMix{"env_mix"};
    SmoothedBuffer dco1Lfo{"dco1_lfo"}, dco1Env{"dco1_env"}, dco2Lfo{"dco2_lfo"}, dco2Env{"dco2_env"};
    SmoothedBuffer mixDco1{"mix_dco1"}, mixDco2{"mix_dco2"}, mixEnv{"mix_env"};
    SmoothedBuffer bender{"bender"}, mw{"MW"}, pat{"PAT"};
    FloatBuffer freq1{"dco1_freq"}, freq2{"dco2_freq"}, level1{"dco1_level"}, level2{"dco2_level"};
    EngineParams params;
    DCO_prepare dco{&pitch,   &lfo,    &lfoWheel, &envDco, &envMix, &dco1Lfo, &dco1Env, &dco2Lfo, &dco2Env, &mixDco1,
                    &mixDco2, &mixEnv, &bender,   &mw,     &pat,    &freq1,   &freq2,   &level1,  &level2,  &params};
};

TEST(DCO_prepare, NeutralNote69SitsAt440HzWithOscillator2SlightlyFlat)
{
    DcoRig r;
    r.Settle(69.0f);
    EXPECT_FLOAT_EQ(r.freq1[r.size - 1], 5.0f);
    EXPECT_FLOAT_EQ(r.freq2[r.size - 1], 4.9975f);
    // Level tracks pitch slightly: (p * 0.003 + 1) * mix.
    EXPECT_FLOAT_EQ(r.level1[r.size - 1], 1.015f);
}

TEST(DCO_prepare, ModulationWheelBelowItsDeadZoneAddsNothing)
{
    DcoRig r;
    r.Set(r.lfoWheel, 1.0f);
    r.Set(r.mw, 0.01f);
    r.Settle(69.0f);
    EXPECT_FLOAT_EQ(r.freq1[0], 5.0f);
    r.Set(r.mw, 0.02f);
    r.dco.ProcessBlock(r.size);
    EXPECT_NEAR(r.freq1[0], 5.0f + 0.05f * 0.02f, 1e-6);
}

TEST(DCO_prepare, BendAftertouchVibratoLfoAndEnvelopeMovePitch)
{
    DcoRig r;
    r.Settle(69.0f);
    r.params.mAtVibrato = 0.5f;
    r.Set(r.bender, -0.5f); // bend range 2 octaves
    r.Set(r.lfoWheel, 0.2f);
    r.Set(r.pat, 0.4f);
    r.Set(r.lfo, 0.3f);
    r.Set(r.dco1Lfo, 1.0f);
    r.Set(r.envDco, 0.5f);
    r.Set(r.dco2Env, 2.0f);
    r.dco.ProcessBlock(r.size);
    const float common = 5.0f - 1.0f + 0.5f * 0.2f * 0.4f;
    EXPECT_NEAR(r.freq1[0], common + 0.3f, 1e-5);
    EXPECT_NEAR(r.freq2[0], common - 0.0025f + 1.0f, 1e-5);
}

TEST(DCO_prepare, Oscillator2LevelIsClampedButOscillator1IsNot)
{
    DcoRig r;
    r.Set(r.mixEnv, 1.0f);
    r.Set(r.envMix, 5.0f);
    r.Set(r.mixDco1, 3.0f);
    r.Settle(69.0f);
    EXPECT_FLOAT_EQ(r.level2[0], 4.9975f * 0.003f + 1.0f);
    EXPECT_FLOAT_EQ(r.level1[0], 1.015f * 3.0f);
    r.Set(r.mixEnv, -1.0f);
    r.dco.ProcessBlock(r.size);
    EXPECT_EQ(r.level2[0], 0.0f);
}

TEST(DCO_prepare, OversamplingFollowsTheHighestPitchOfTheBlock)
{
    const struct {
        float pitch;
        int n;
    } cases[] = {{-3.0f, 2}, {3.99f, 2}, {4.0f, 4},   {4.99f, 4}, {5.0f, 8},
                 {5.99f, 8}, {6.0f, 16}, {11.0f, 16}, {1e30f, 16}};
    for (const auto& c : cases)
        EXPECT_EQ(DCO_prepare::OversamplingFor(c.pitch), c.n) << c.pitch;

    DcoRig r;
    r.params.mMasterTune = 0.0f;
    r.Set(r.pitch, 3.0f);
    r.Settle(45.0f); // pitch 3.0
    EXPECT_EQ(r.dco.ProcessBlock(r.size), 2);
    r.pitch[0] = 6.0f; // one sample at 880 Hz, already reached by the glide
    r.dco.mGlide = 6.0;
    EXPECT_EQ(r.dco.ProcessBlock(r.size), 16);
    EXPECT_EQ(r.dco.ProcessBlock(0), 2);
}

// Frames until a pitch step of one octave is within 1/e of its end, and until within 0.1 %.
std::pair<int, int> GlideTimes(DcoRig& r)
{
    r.Settle(57.0f);
    r.Set(r.pitch, 5.0f);
    int tau = -1, settled = -1;
    for (int frame = 0; frame < 44100 * 30 && settled < 0; frame += r.size) {
        r.dco.ProcessBlock(r.size);
        for (int i = 0; i < r.size; ++i) {
            const float gap = 5.0f - r.freq1[i];
            if (tau < 0 && gap < std::exp(-1.0f))
                tau = frame + i + 1;
            if (settled < 0 && gap < 0.001f)
                settled = frame + i + 1;
        }
    }
    return {tau, settled};
}

TEST(DCO_prepare, PortamentoTimeSetsTheGlide)
{
    DcoRig fast(64);
    const auto [fastTau, fastSettled] = GlideTimes(fast); // untouched control behaves as time 0
    EXPECT_NEAR(fastTau, 20, 2);
    EXPECT_LE(fastSettled, 150) << "a pitch step settles within about a hundred samples";

    DcoRig slow(4410);
    slow.dco.SetPortamento(1.0f);
    slow.dco.mGlide = 4.0;
    const auto [slowTau, slowSettled] = GlideTimes(slow);
    EXPECT_NEAR(slowTau / 44100.0, 10.0, 0.5);
    (void)slowSettled;
}

TEST(DCO_prepare, SlowGlideArrivesAtTheNote)
{
    // At time 0.8 the time constant is about 1.4 s; a single-precision glide would stall some 15 cents
    // short because each step is below the resolution of the pitch.
    DcoRig r(4410);
    r.dco.SetPortamento(0.8f);
    r.dco.mGlide = 4.0;
    r.Set(r.pitch, 5.5f);
    for (int k = 0; k < 300; ++k)
        r.dco.ProcessBlock(r.size);
    EXPECT_NEAR(r.freq1[r.size - 1], 5.5f, 1e-5);
}

TEST(DCO_prepare, PortamentoSetBeforeTheRateIsAppliedWhenItArrives)
{
    DcoRig r;
    DCO_prepare early{&r.pitch,   &r.lfo,     &r.lfoWheel, &r.envDco,  &r.envMix, &r.dco1Lfo, &r.dco1Env,
                      &r.dco2Lfo, &r.dco2Env, &r.mixDco1,  &r.mixDco2, &r.mixEnv, &r.bender,  &r.mw,
                      &r.pat,     &r.freq1,   &r.freq2,    &r.level1,  &r.level2, &r.params};
    early.SetPortamento(0.5f);
    early.SetSampleRate(44100.0f);
    r.dco.SetPortamento(0.5f);
    EXPECT_EQ(early.mGlideCoefficient, r.dco.mGlideCoefficient);
    EXPECT_GT(early.mGlideCoefficient, 0.99f);
}

} // namespace
