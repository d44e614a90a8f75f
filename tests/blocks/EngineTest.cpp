#include "blocks/Engine.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/Rand.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

enum Wave { kNoise = 0, kSquare = 1, kPulse = 2, kSaw = 3 };

struct KernelRig {
    explicit KernelRig(float rate, int frames = 256) : size(frames)
    {
        for (BufferBase* b :
             std::initializer_list<BufferBase*>{&freq1, &freq2, &level1, &level2, &noise, &vcfFreq, &vcfRes, &tmp4})
            b->Resize(frames);
        Fill(4.0f, 4.0f, 1.0f, 0.0f, 1.0f, 1.0f);
        SeedRand(1);
        engine.SetSampleRate(rate);
        engine.ResetState();
    }

    void Fill(float p1, float p2, float l1, float l2, float cutoff, float res)
    {
        for (int i = 0; i < size; ++i) {
            freq1[i] = p1;
            freq2[i] = p2;
            level1[i] = l1;
            level2[i] = l2;
            vcfFreq[i] = cutoff;
            vcfRes[i] = res;
            noise[i] = 0.0f;
        }
    }

    // Renders blocks of `size` frames and returns the newest filter-rate sample of each frame.
    std::vector<double> Render(int blocks, int n)
    {
        std::vector<double> out;
        for (int blk = 0; blk < blocks; ++blk) {
            engine.ProcessBlock(size, n);
            for (int i = 0; i < size; ++i)
                out.push_back(tmp4[i][0]);
        }
        return out;
    }

    int size;
    FloatBuffer freq1{"dco1_freq"}, freq2{"dco2_freq"}, level1{"dco1_level"}, level2{"dco2_level"};
    FloatBuffer noise{"noise"}, vcfFreq{"vcf_freq"}, vcfRes{"vcf_res"};
    QuadBuffer tmp4{"tmp4"};
    EngineParams params;
    Engine engine{&freq1, &freq2, &level1, &level2, &noise, &vcfFreq, &vcfRes, &tmp4, &params};
};

using Input = FloatBuffer KernelRig::*;
const Input kInputs[] = {&KernelRig::freq1, &KernelRig::freq2,   &KernelRig::level1, &KernelRig::level2,
                         &KernelRig::noise, &KernelRig::vcfFreq, &KernelRig::vcfRes};

void Configure(KernelRig& r, int wave1, int wave2, int mode, float selfNoise)
{
    r.engine.mWave1 = static_cast<Waveform>(wave1);
    r.engine.mWave2 = static_cast<Waveform>(wave2);
    r.engine.mXmod = static_cast<XmodMode>(mode);
    r.params.mSelfNoise = selfNoise;
}

// The kernel written out one lane at a time, straight from its definition, to check the vector code.
struct ScalarKernel {
    float phase[4];
    float inc[4] = {0, 0, 0, 0};
    uint32_t a, b;
    float d2 = 0, l = 0, bp1 = 0, lp1 = 0, bp2 = 0, lp2 = 0, g = 0, g2 = 0, q = 0;
    int refresh = 0, prevN = 4;
    float fsF, kdc;
    int F;

    ScalarKernel(const Engine& e, float rate)
    {
        for (int k = 0; k < 4; ++k)
            phase[k] = e.mPhase[k];
        a = e.mNoiseA;
        b = e.mNoiseB;
        F = rate > 160000.0f ? 1 : (rate > 80000.0f ? 2 : 4);
        fsF = static_cast<float>(F) * rate;
        kdc = -std::expm1(-6.283185307f * 3.0f / fsF);
    }

    void Block(const KernelRig& r, int frames, int n, int mode, int wave1, int wave2, float selfNoise,
               std::vector<float>& out)
    {
        static const float gain1[4] = {0.6f, 0.835f, 1.003f, 0.76f};
        static const float gain2[4] = {0.45f, 0.61f, 0.66f, 0.8f};
        static const float xmod[4] = {0.7f, 0.84f, 0.7f, 0.84f};
        const bool sync = mode == 1 || mode == 2;
        const bool product = mode == 2 || mode == 3;
        if (n != prevN) {
            refresh = 0;
            d2 = d2 * static_cast<float>(n) / static_cast<float>(prevN);
        }
        prevN = n;
        const float N = static_cast<float>(n);
        const float fsO = N * fsF;
        const float kInc = 440.0f / (32.0f * fsO);
        const float c = -std::expm1(-6.283185307f * 700.0f / fsO);
        const float g1 = gain1[wave1] / N;
        const float g2w = product ? gain2[wave2] * 2.0f * xmod[wave2] / (N * N) : gain2[wave2] / N;
        const float lim[4] = {wave1 == kPulse ? 1.0f : 2.0f, wave2 == kPulse ? 1.0f : 2.0f, 2.0f, 2.0f};
        const float sqw[2] = {wave1 == kPulse ? c : 1.0f, wave2 == kPulse ? c : 1.0f};
        const float sigma = selfNoise * 0.1f;
        for (int i = 0; i < frames; ++i) {
            if (refresh < 1) {
                float i1 = std::exp2(r.freq1[i]) * kInc, i2 = std::exp2(r.freq2[i]) * kInc;
                inc[0] = wave1 == kPulse ? c : i1;
                inc[1] = wave2 == kPulse ? c : i2;
                inc[2] = i1;
                inc[3] = i2;
                float f = 440.0f * std::exp2(10.0f * r.vcfFreq[i] - 5.0f);
                g = 6.283185307f * std::sin(std::min(f / fsF, 0.24f));
                g2 = 0.95f * g;
                float bound = std::min(2.0f / g - g / 2.0f, 2.0f);
                float inv = 1.0f / r.vcfRes[i];
                q = inv < bound ? inv : bound;
                refresh = 10;
            }
            --refresh;
            a ^= b;
            b += a;
            const float nz = static_cast<float>(static_cast<int32_t>(b)) * (1.0f / 4294967296.0f);
            const float s = (1.0f + 0.4f * r.vcfRes[i]) * (1.0f - r.vcfFreq[i]) * sigma * nz;
            const float G1 = g1 * r.level1[i], G2 = g2w * r.level2[i];
            const float noiseSrc = N * r.noise[i];
            float y[4] = {0, 0, 0, 0};
            for (int step = 0; step < F; ++step) {
                float S[4] = {0, 0, 0, 0}, Q[2] = {0, 0};
                for (int k = 0; k < n; ++k) {
                    for (int j = 0; j < 4; ++j)
                        phase[j] += inc[j];
                    const bool w1 = phase[2] > 1.0f, w2 = phase[3] > 1.0f;
                    if (phase[0] <= 0.5f)
                        Q[0] += sqw[0];
                    if (phase[1] <= 0.5f)
                        Q[1] += sqw[1];
                    for (int j = 0; j < 4; ++j)
                        phase[j] = phase[j] < lim[j] ? phase[j] : lim[j];
                    if (sync) {
                        if (w1)
                            phase[0] = phase[1] = phase[2] = phase[3] = 0.0f;
                    } else if (w1) {
                        phase[0] = phase[2] = 0.0f;
                    }
                    if (w2)
                        phase[1] = phase[3] = 0.0f;
                    for (int j = 0; j < 4; ++j)
                        S[j] += phase[j];
                }
                const float src1[4] = {noiseSrc, Q[0], S[0], S[2]};
                const float src2[4] = {noiseSrc, Q[1], S[1], S[3]};
                const float o1 = src1[wave1], o2 = src2[wave2];
                d2 = d2 + ((o2 - 0.15f * N) - d2) * kdc;
                const float m = product ? G1 * o1 + o1 * (2.0f - o1 / N) * (o2 - d2) * G2 : G1 * o1 + G2 * (o2 - d2);
                l = l + (m - l) * kdc;
                const float x = m - l;
                lp1 = lp1 + g * bp1;
                bp1 = bp1 + g * (x + 2.0f * s - lp1 - q * bp1);
                lp2 = lp2 + g2 * bp2;
                bp2 = bp2 + g2 * (lp1 - s - lp2 - q * bp2);
                y[step] = lp2;
            }
            for (int lane = 0; lane < 4; ++lane)
                out.push_back(lane < F ? y[F - 1 - lane] : 0.0f);
        }
    }
};

// Drives pitches, levels, cutoff and resonance with slow wobbles and the noise input with white noise,
// so that refreshes, wraps, clamps and every source see changing values.
void Wobble(KernelRig& r, int blk, float base1, float base2)
{
    for (int i = 0; i < r.size; ++i) {
        const float t = static_cast<float>(blk * r.size + i);
        r.freq1[i] = base1 + 0.3f * std::sin(0.013f * t);
        r.freq2[i] = base2 + 0.4f * std::sin(0.007f * t + 1.0f);
        r.level1[i] = 0.8f + 0.2f * std::sin(0.02f * t);
        r.level2[i] = 0.6f + 0.3f * std::cos(0.011f * t);
        r.vcfFreq[i] = 0.6f + 0.45f * std::sin(0.005f * t);
        r.vcfRes[i] = 0.8f + 0.6f * std::sin(0.003f * t);
        r.noise[i] = static_cast<float>(Rand() - 16384) / 32768.0f;
    }
}

TEST(EngineKernel, MatchesScalarReferenceBitForBitInEveryVariant)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        for (int mode = 0; mode < 4; ++mode) {
            for (int w1 = 0; w1 < 4; ++w1) {
                const int w2 = (w1 + mode + 1) & 3;
                KernelRig r(rate, 37);
                Configure(r, w1, w2, mode, 0.7f);
                ScalarKernel ref(r.engine, rate);
                // N changes between blocks exercise the tracker rescale and the forced refresh.
                const int ns[] = {4, 4, 2, 16, 8, 8, 16, 2, 4};
                for (int blk = 0; blk < 9; ++blk) {
                    Wobble(r, blk, 3.0f + 0.4f * static_cast<float>(blk), 4.5f);
                    std::vector<float> expected;
                    ref.Block(r, r.size, ns[blk], mode, w1, w2, r.params.mSelfNoise, expected);
                    r.engine.ProcessBlock(r.size, ns[blk]);
                    for (int i = 0; i < r.size; ++i)
                        for (int lane = 0; lane < 4; ++lane)
                            ASSERT_EQ(std::memcmp(&r.tmp4[i][lane], &expected[4 * i + lane], sizeof(float)), 0)
                                << "rate " << rate << " mode " << mode << " waves " << w1 << "/" << w2 << " block "
                                << blk << " frame " << i << " lane " << lane << ": " << r.tmp4[i][lane] << " vs "
                                << expected[4 * i + lane];
                }
            }
        }
    }
}

TEST(EngineKernel, SawSoundsAtItsPitch)
{
    // 13.75 * 2^p Hz; one case per oscillator oversampling band.
    const struct {
        float pitch;
        int n;
    } cases[] = {{3.5f, 2}, {4.25f, 4}, {5.0f, 8}, {6.2f, 16}};
    for (const auto& c : cases) {
        KernelRig r(48000.0f, 256);
        r.Fill(c.pitch, c.pitch, 1.0f, 0.0f, 1.0f, 1.0f);
        Configure(r, kSaw, kNoise, 0, 0.0f);
        std::vector<double> out = r.Render(24, c.n);
        out.erase(out.begin(), out.begin() + 2048); // let the DC trackers settle
        const double hz = 13.75 * std::pow(2.0, c.pitch);
        const double found = kt4rtest::StrongestFrequency(out, 48000.0, 0.7 * hz, 1.3 * hz);
        EXPECT_NEAR(found, hz, 0.01 * hz) << "pitch " << c.pitch;
        EXPECT_GT(kt4rtest::Rms(out), 0.05);
    }
}

TEST(EngineKernel, EachCrossModulationModeHasItsOwnSpectrum)
{
    // Oscillator 1 muted at the mix, oscillator 2 a saw 1.37 times as high. OFF: oscillator 2 alone, at
    // f2. SYNC1: oscillator 2 restarted at oscillator 1's period, so the sound repeats at f1 and nothing
    // is left at f2; oscillator 1's own wave is not heard. SYNC2: the same period, and oscillator 1's
    // wave shapes the product. XMOD: oscillator 2 runs free and is multiplied by oscillator 1, adding
    // the sum tone f1 + f2; oscillator 2's offset from its DC target lets f1 through as well.
    const struct {
        bool atF1, atF2, atSum, shapedByWave1;
    } expect[4] = {
        {false, true, false, false}, {true, false, false, false}, {true, false, false, true}, {true, true, true, true}};
    const double rate = 44100.0;
    const float p1 = 4.0f, p2 = 4.0f + std::log2(1.37f);
    const double f1 = 13.75 * std::pow(2.0, p1), f2 = 13.75 * std::pow(2.0, p2);
    for (int mode = 0; mode < 4; ++mode) {
        auto render = [&](int wave1) {
            KernelRig r(static_cast<float>(rate), 128);
            r.Fill(p1, p2, 0.0f, 1.0f, 1.0f, 1.0f);
            Configure(r, wave1, kSaw, mode, 0.0f);
            std::vector<double> out = r.Render(64, 4);
            out.erase(out.begin(), out.begin() + 2048); // let the DC trackers settle
            return out;
        };
        const std::vector<double> saw = render(kSaw), square = render(kSquare);
        std::vector<double> difference(saw.size());
        for (size_t i = 0; i < saw.size(); ++i)
            difference[i] = saw[i] - square[i];
        const double level = kt4rtest::Rms(saw);
        const auto heard = [&](double hz) { return kt4rtest::ToneMagnitude(saw, rate, hz) > 0.02 * level; };
        EXPECT_EQ(heard(f1), expect[mode].atF1) << "mode " << mode;
        EXPECT_EQ(heard(f2), expect[mode].atF2) << "mode " << mode;
        EXPECT_EQ(heard(f1 + f2), expect[mode].atSum) << "mode " << mode;
        EXPECT_EQ(kt4rtest::Rms(difference) > 0.05 * level, expect[mode].shapedByWave1) << "mode " << mode;
    }
}

TEST(EngineKernel, SelfNoiseFollowsTheSettingAndVanishesWithTheFilterOpen)
{
    auto rms = [](float selfNoise, float cutoff) {
        KernelRig r(48000.0f, 256);
        r.Fill(4.0f, 4.0f, 0.0f, 0.0f, cutoff, 0.8f);
        Configure(r, kSaw, kSaw, 0, selfNoise);
        return kt4rtest::Rms(r.Render(8, 2));
    };
    EXPECT_EQ(rms(0.0f, 0.5f), 0.0);
    EXPECT_EQ(rms(1.0f, 1.0f), 0.0);
    EXPECT_GT(rms(1.0f, 0.5f), 1e-5);
    EXPECT_GT(rms(1.0f, 0.5f), 1.5 * rms(0.5f, 0.5f));
}

TEST(EngineKernel, OutputsStayFiniteAtExtremeControls)
{
    const float pitches[] = {-4.0f, 0.0f, 6.0f, 9.5f};
    const float cutoffs[] = {0.1f, 1.094f};
    const float resonances[] = {0.0f, 0.7f, 7.0f};
    for (int mode = 0; mode < 4; ++mode)
        for (float p : pitches)
            for (float v : cutoffs)
                for (float res : resonances) {
                    KernelRig r(44100.0f, 65);
                    r.Fill(p, p - 0.3f, 3.0f, 3.0f, v, res);
                    for (int i = 0; i < r.size; ++i)
                        r.noise[i] = (i & 1) ? 0.5f : -0.5f;
                    Configure(r, mode, 3 - mode, mode, 1.0f);
                    double peak = 0.0;
                    for (int blk = 0; blk < 40; ++blk) {
                        r.engine.ProcessBlock(r.size, 16);
                        for (int i = 0; i < r.size; ++i)
                            for (int lane = 0; lane < 4; ++lane) {
                                ASSERT_TRUE(std::isfinite(r.tmp4[i][lane]));
                                peak = std::max(peak, static_cast<double>(std::fabs(r.tmp4[i][lane])));
                            }
                    }
                    EXPECT_LT(peak, 1000.0) << "mode " << mode << " pitch " << p << " cutoff " << v << " res " << res;
                }
}

TEST(EngineKernel, BlockSplitDoesNotChangeTheOutput)
{
    KernelRig whole(44100.0f, 300), split(44100.0f, 300);
    SeedRand(5);
    Wobble(whole, 0, 4.2f, 5.1f);
    for (KernelRig* r : {&whole, &split})
        Configure(*r, kPulse, kSquare, 2, r->params.mSelfNoise);
    whole.engine.ProcessBlock(300, 8);
    int done = 0;
    for (int len : {1, 7, 64, 65, 100, 63}) {
        for (Input input : kInputs)
            std::memcpy((split.*input).mData, (whole.*input).mData + done, sizeof(float) * static_cast<size_t>(len));
        split.engine.ProcessBlock(len, 8);
        for (int i = 0; i < len; ++i)
            for (int lane = 0; lane < 4; ++lane)
                ASSERT_EQ(whole.tmp4[done + i][lane], split.tmp4[i][lane]) << "frame " << done + i;
        done += len;
    }
    ASSERT_EQ(done, 300);
}

TEST(EngineKernel, LanesFollowTheFilterOversamplingAndUnknownModesRenderNothing)
{
    for (float rate : {96000.0f, 192000.0f}) {
        KernelRig r(rate, 64);
        r.Fill(4.0f, 4.0f, 1.0f, 1.0f, 0.9f, 1.0f);
        r.engine.mWave1 = static_cast<Waveform>(kSaw);
        r.Render(4, 2);
        const int used = rate > 160000.0f ? 1 : 2;
        double energy = 0.0;
        for (int i = 0; i < 64; ++i) {
            for (int lane = used; lane < 4; ++lane)
                ASSERT_EQ(r.tmp4[i][lane], 0.0f);
            energy += std::fabs(r.tmp4[i][used - 1]);
        }
        EXPECT_GT(energy, 0.0);
    }
    KernelRig r(44100.0f, 16);
    for (int i = 0; i < 16; ++i)
        r.tmp4[i] = Quad_float{7.0f, 7.0f, 7.0f, 7.0f};
    r.engine.mXmod = static_cast<XmodMode>(4);
    r.engine.ProcessBlock(16, 2);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.tmp4[i][0], 7.0f);
}

// The AVX2 build of the loops against the baseline build: same inputs, same bits, in every
// cross-modulation mode and at every oscillator oversampling, across N changes and odd block lengths.
TEST(EngineKernelPaths, Avx2LoopsRenderTheBaselineBitsInEveryModeAndOversampling)
{
    if (!CpuHasAvx2Fma())
        GTEST_SKIP() << "this CPU has no AVX2 and FMA";
    for (float rate : {44100.0f, 96000.0f}) {
        for (int mode = 0; mode < 4; ++mode) {
            for (int w1 = 0; w1 < 4; ++w1) {
                KernelRig base(rate, 65), avx(rate, 65);
                base.engine.mKernelPath = KernelPath::kBaseline;
                avx.engine.mKernelPath = KernelPath::kAvx2;
                for (KernelRig* r : {&base, &avx})
                    Configure(*r, w1, (w1 + mode + 1) & 3, mode, 0.7f);
                const int ns[] = {2, 4, 8, 16, 16, 8, 2, 4};
                for (int blk = 0; blk < 8; ++blk) {
                    Wobble(base, blk, 2.5f + 0.5f * static_cast<float>(blk), 4.5f);
                    for (Input b : kInputs)
                        std::copy((base.*b).mData, (base.*b).mData + base.size, (avx.*b).mData);
                    base.engine.ProcessBlock(base.size, ns[blk]);
                    avx.engine.ProcessBlock(avx.size, ns[blk]);
                    ASSERT_EQ(std::memcmp(base.tmp4.mData, avx.tmp4.mData, sizeof(Quad_float) * base.size), 0)
                        << "rate " << rate << " mode " << mode << " wave " << w1 << " N " << ns[blk];
                }
            }
        }
    }
}

TEST(EngineKernelPaths, TheRequestForcesTheBaselineAndTheCpuDecidesOtherwise)
{
    const struct {
        const char* request;
        bool cpuHasAvx2Fma;
        KernelPath path;
    } cases[] = {
        {nullptr, true, KernelPath::kAvx2},
        {nullptr, false, KernelPath::kBaseline},
        {"baseline", true, KernelPath::kBaseline},
        {"baseline", false, KernelPath::kBaseline},
        {"", true, KernelPath::kAvx2},
        {"avx2", false, KernelPath::kBaseline},
        {"baseline ", true, KernelPath::kAvx2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseKernelPath(c.request, c.cpuHasAvx2Fma), c.path)
            << (c.request ? c.request : "(none)") << " cpu " << c.cpuHasAvx2Fma;
    EXPECT_STREQ(KernelPathName(KernelPath::kAvx2), "avx2");
    EXPECT_STREQ(KernelPathName(KernelPath::kBaseline), "baseline");
}

// CTest runs the kernel tests a second time with KT4R_CPU=baseline; this checks that the variable
// reached the process's choice, and that new engines follow it.
TEST(EngineKernelPaths, NewEnginesTakeThePathTheEnvironmentAndCpuAllow)
{
    const char* request = std::getenv("KT4R_CPU");
    const bool forced = request && std::strcmp(request, "baseline") == 0;
    const KernelPath expected = !forced && CpuHasAvx2Fma() ? KernelPath::kAvx2 : KernelPath::kBaseline;
    EXPECT_EQ(ActiveKernelPath(), expected);
    EXPECT_STREQ(KernelPathName(), KernelPathName(expected));
    KernelRig r(48000.0f, 16);
    EXPECT_EQ(r.engine.mKernelPath, expected);
}

} // namespace
