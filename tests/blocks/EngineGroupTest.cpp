// Engines rendered side by side (Engine::ProcessBlocks) against each engine's own loop: the same bits in
// the output and in every piece of state, whatever the modes, waves, rates, factors and block lengths.
#include "blocks/Engine.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/Rand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxFrames = 96;

// One voice's kernel with its own inputs and parameters.
struct Voice {
    explicit Voice(float rate)
    {
        for (BufferBase* b : {static_cast<BufferBase*>(&freq1), static_cast<BufferBase*>(&freq2),
                              static_cast<BufferBase*>(&level1), static_cast<BufferBase*>(&level2),
                              static_cast<BufferBase*>(&noise), static_cast<BufferBase*>(&vcfFreq),
                              static_cast<BufferBase*>(&vcfRes), static_cast<BufferBase*>(&tmp4)})
            b->Resize(kMaxFrames);
        engine.SetSampleRate(rate);
        engine.ResetState();
    }

    FloatBuffer freq1{"dco1_freq"}, freq2{"dco2_freq"}, level1{"dco1_level"}, level2{"dco2_level"};
    FloatBuffer noise{"noise"}, vcfFreq{"vcf_freq"}, vcfRes{"vcf_res"};
    QuadBuffer tmp4{"tmp4"};
    EngineParams params;
    Engine engine{&freq1, &freq2, &level1, &level2, &noise, &vcfFreq, &vcfRes, &tmp4, &params};
};

// Each voice sweeps its own pitch band (so that wraps, clamps and refreshes differ from lane to lane),
// its levels, cutoff and resonance; the noise input is white. A held voice keeps one value of each
// (a note at rest: its refreshes give the values it holds).
void Drive(Voice& v, int voice, int block, int frames, bool held = false)
{
    const float base = 2.6f + 0.37f * static_cast<float>(voice);
    for (int i = 0; i < frames; ++i) {
        const float t = held ? 0.0f : static_cast<float>(block * kMaxFrames + i);
        v.freq1[i] = base + 0.5f * std::sin(0.011f * t + static_cast<float>(voice));
        v.freq2[i] = base - 0.3f + 0.6f * std::sin(0.006f * t);
        v.level1[i] = 0.7f + 0.3f * std::sin(0.02f * t);
        v.level2[i] = 0.5f + 0.4f * std::cos(0.013f * t);
        v.vcfFreq[i] = 0.55f + 0.5f * std::sin(0.004f * t + 0.3f * static_cast<float>(voice));
        v.vcfRes[i] = 0.1f + 6.8f * (0.5f + 0.5f * std::sin(0.003f * t));
        v.noise[i] = static_cast<float>(Rand() - 16384) / 32768.0f;
    }
}

void ExpectSameEngine(const Voice& a, const Voice& b, int frames, const char* what)
{
    ASSERT_EQ(std::memcmp(a.tmp4.mData, b.tmp4.mData, sizeof(Quad_float) * frames), 0) << what << ": output";
    const Engine& x = a.engine;
    const Engine& y = b.engine;
    EXPECT_EQ(std::memcmp(&x.mPhase, &y.mPhase, sizeof x.mPhase), 0) << what;
    EXPECT_EQ(std::memcmp(&x.mIncrement, &y.mIncrement, sizeof x.mIncrement), 0) << what;
    EXPECT_EQ(std::memcmp(&x.mWrapThreshold, &y.mWrapThreshold, sizeof x.mWrapThreshold), 0) << what;
    const float xs[] = {x.mDc2, x.mDcMix, x.mBp1, x.mLp1, x.mBp2, x.mLp2, x.mG, x.mG2, x.mQ};
    const float ys[] = {y.mDc2, y.mDcMix, y.mBp1, y.mLp1, y.mBp2, y.mLp2, y.mG, y.mG2, y.mQ};
    EXPECT_EQ(std::memcmp(xs, ys, sizeof xs), 0) << what;
    EXPECT_EQ(x.mNoiseA, y.mNoiseA) << what;
    EXPECT_EQ(x.mNoiseB, y.mNoiseB) << what;
    EXPECT_EQ(x.mRefresh, y.mRefresh) << what;
    EXPECT_EQ(x.mPreviousN, y.mPreviousN) << what;
    EXPECT_EQ(a.tmp4.mFilled, b.tmp4.mFilled) << what;
}

std::vector<KernelPath> PathsOfThisCpu()
{
    std::vector<KernelPath> paths{KernelPath::kBaseline};
    if (ActiveKernelPath() == KernelPath::kAvx2)
        paths.push_back(KernelPath::kAvx2);
    return paths;
}

// Eleven voices: more than one group, a partly filled group, and lanes whose settings split them off.
constexpr int kVoices = 11;

struct Ensemble {
    Ensemble(float rate, int count)
    {
        for (int k = 0; k < count; ++k)
            voices.push_back(std::make_unique<Voice>(rate));
    }
    std::vector<std::unique_ptr<Voice>> voices;
};

void Configure(Ensemble& e, int mode, int wave1, int wave2, KernelPath path)
{
    for (int k = 0; k < static_cast<int>(e.voices.size()); ++k) {
        Engine& engine = e.voices[k]->engine;
        engine.mXmod = static_cast<XmodMode>(mode);
        engine.mWave1 = static_cast<Waveform>(wave1);
        engine.mWave2 = static_cast<Waveform>(wave2);
        engine.mKernelPath = path;
        e.voices[k]->params.mSelfNoise = 0.1f * static_cast<float>(k);
    }
}

// Renders the blocks through both ways and compares after each block; adjust(ensemble, block) may set
// voices apart before each block. held(voice, block): whether the voice's inputs hold still in it.
template <typename Adjust, typename Held>
void CompareBlocks(float rate, int mode, int wave1, int wave2, KernelPath path, Adjust adjust, int count, Held held)
{
    SeedRand(7);
    Ensemble reference(rate, count);
    SeedRand(7);
    Ensemble grouped(rate, count);
    Configure(reference, mode, wave1, wave2, KernelPath::kBaseline);
    Configure(grouped, mode, wave1, wave2, path);

    // Requests off the supported factors, changes of factor between blocks, a block of one frame and
    // an empty one; lengths that do not divide into the gathering chunks.
    const int lengths[] = {65, 1, 0, 96, 37, 17};
    for (int block = 0; block < 6; ++block) {
        const int frames = lengths[block];
        adjust(reference, block);
        adjust(grouped, block);
        Engine* engines[kVoices];
        int factors[kVoices];
        for (int k = 0; k < count; ++k) {
            Drive(*reference.voices[k], k, block, frames, held(k, block));
            Voice& g = *grouped.voices[k];
            const Voice& r = *reference.voices[k];
            for (auto in : {&Voice::freq1, &Voice::freq2, &Voice::level1, &Voice::level2, &Voice::noise,
                            &Voice::vcfFreq, &Voice::vcfRes})
                std::memcpy((g.*in).mData, (r.*in).mData, sizeof(float) * kMaxFrames);
            factors[k] = (k + block) % 5 == 0 ? 16 : (k % 3 == 0 ? 2 : (k % 3 == 1 ? 3 + block : 8));
            engines[k] = &g.engine;
            reference.voices[k]->engine.ProcessBlock(frames, factors[k]);
        }
        Engine::ProcessBlocks(engines, factors, count, frames);
        for (int k = 0; k < count; ++k) {
            const std::string what = "rate " + std::to_string(rate) + " mode " + std::to_string(mode) + " waves " +
                                     std::to_string(wave1) + "/" + std::to_string(wave2) + " path " +
                                     KernelPathName(path) + " block " + std::to_string(block) + " voice " +
                                     std::to_string(k);
            ExpectSameEngine(*reference.voices[k], *grouped.voices[k], frames, what.c_str());
            if (testing::Test::HasFatalFailure())
                return;
        }
    }
}

template <typename Adjust>
void CompareBlocks(float rate, int mode, int wave1, int wave2, KernelPath path, Adjust adjust)
{
    CompareBlocks(rate, mode, wave1, wave2, path, adjust, kVoices, [](int, int) { return false; });
}

} // namespace

TEST(EngineKernelGroups, RenderEachVoicesOwnBitsInEveryModeWavePairRateAndFactor)
{
    for (KernelPath path : PathsOfThisCpu())
        for (float rate : {48000.0f, 96000.0f, 192000.0f})
            for (int mode = 0; mode < 4; ++mode)
                for (int wave1 = 0; wave1 < 4; ++wave1)
                    for (int wave2 = 0; wave2 < 4; ++wave2) {
                        CompareBlocks(rate, mode, wave1, wave2, path, [](Ensemble&, int) {});
                        if (HasFatalFailure())
                            return;
                    }
}

TEST(EngineKernelGroups, VoicesWithOtherSettingsOrAnUnknownModeRenderAsAlone)
{
    // Voices whose mode, waves or path differ from their neighbours' cannot share their loops; a mode
    // code outside the switch renders nothing and leaves the voice as it was.
    const auto setApart = [](Ensemble& e, int) {
        e.voices[1]->engine.mXmod = XmodMode::kSync1;
        e.voices[4]->engine.mWave1 = Waveform::kPulse;
        e.voices[6]->engine.mWave2 = static_cast<Waveform>(9);
        e.voices[7]->engine.mXmod = static_cast<XmodMode>(5);
        e.voices[9]->engine.mKernelPath = KernelPath::kBaseline;
    };
    for (KernelPath path : PathsOfThisCpu())
        for (float rate : {44100.0f, 96000.0f})
            CompareBlocks(rate, 3, 3, 1, path, setApart);
}

TEST(EngineKernelGroups, WavesAndModesChangedBetweenBlocksKeepTheVoicesOwnBits)
{
    // A wave change keeps the old shape increments until the next refresh; the lanes must too.
    const auto rotate = [](Ensemble& e, int block) {
        for (int k = 0; k < kVoices; ++k) {
            Engine& engine = e.voices[k]->engine;
            engine.mWave1 = static_cast<Waveform>((k + block) & 3);
            engine.mWave2 = static_cast<Waveform>((k / 2 + 3 * block) & 3);
            engine.mXmod = static_cast<XmodMode>((block + k / 4) & 3);
        }
    };
    for (KernelPath path : PathsOfThisCpu())
        CompareBlocks(48000.0f, 0, 2, 2, path, rotate);
}

TEST(EngineKernelGroups, AGroupInOneRegisterAndVoicesHeldAtRestKeepTheVoicesOwnBits)
{
    // Up to one register's lanes run their filters inside the oscillators' loop; a voice whose inputs
    // hold still refreshes to the values it holds, which leaves its rows as they are, while the voices
    // beside it move (and, in some blocks, all hold).
    const auto held = [](int voice, int block) { return block >= 3 || voice % 2 == 0; };
    for (KernelPath path : PathsOfThisCpu())
        for (int voices : {1, 3, 4, 8})
            for (int mode : {0, 2})
                for (int waves : {0x33, 0x21, 0x12}) {
                    CompareBlocks(48000.0f, mode, waves >> 4, waves & 3, path, [](Ensemble&, int) {}, voices, held);
                    if (HasFatalFailure())
                        return;
                }
}
