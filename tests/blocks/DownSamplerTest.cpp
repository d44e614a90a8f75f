#include "blocks/DownSampler.h"

#include "blocks/Engine.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kBlock = 65;

struct Rig {
    QuadBuffer audio4{"audio4"};
    FloatBuffer audio{"audio"};
    DownSampler ds{&audio4, &audio};
    int f = 4;
    long n = 0;

    explicit Rig(float rate) { SetRate(rate); }
    void SetRate(float rate)
    {
        audio4.Resize(kBlock);
        audio.Resize(kBlock);
        ds.SetSampleRate(rate);
        f = ds.mOversampling;
    }
    // source(n) gives filter-rate sample n; lanes F-1 .. 0 hold each period's oldest to newest.
    std::vector<double> Run(int frames, const std::function<float(long)>& source)
    {
        std::vector<double> out;
        for (int done = 0; done < frames; done += kBlock) {
            const int len = std::min(kBlock, frames - done);
            for (int i = 0; i < len; ++i) {
                audio4[i] = Quad_float{0.0f, 0.0f, 0.0f, 0.0f};
                for (int lane = f - 1; lane >= 0; --lane)
                    audio4[i][lane] = source(n++);
            }
            ds.ProcessBlock(len);
            out.insert(out.end(), audio.Data(), audio.Data() + len);
        }
        return out;
    }
};

TEST(DownSampler, PassesDcExactlyAndIsSilentFromTheFirstSample)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        for (float c : {0.0f, 0.5f, -0.3f}) {
            Rig rig(rate);
            const std::vector<double> out = rig.Run(4000, [c](long) { return c; });
            if (c == 0.0f) {
                EXPECT_EQ(kt4rtest::Peak(out), 0.0) << "rate " << rate;
            }
            EXPECT_NEAR(out.back(), c, 2e-6) << "rate " << rate << " level " << c;
        }
    }
    Rig rig(44100.0f);
    rig.Run(500, [](long n) { return (n / 37) % 2 ? 0.8f : -0.8f; });
    rig.SetRate(192000.0f);
    EXPECT_EQ(kt4rtest::Peak(rig.Run(200, [](long) { return 0.0f; })), 0.0) << "after a rate change";
}

TEST(DownSampler, EqualsThePlainCascadeDelayedByItsLatency)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        Rig rig(rate);
        std::vector<float> input;
        uint32_t a = 12345u;
        const std::vector<double> out = rig.Run(3001, [&](long n) {
            a = a * 1664525u + 1013904223u;
            input.push_back(0.3f * static_cast<float>(static_cast<int32_t>(a)) * (1.0f / 2147483648.0f) +
                            0.5f * std::sin(0.001f * static_cast<float>(n)));
            return input.back();
        });

        // Scalar reference: two smoothing and eight Butterworth sections as plain difference
        // equations on the +1 offset, delayed by the latency, then each period averaged.
        const double fr = static_cast<double>(rig.f) * rate;
        std::vector<DownSampler::Biquad> sec(2, DownSampler::Design(27000.0, 0.91923875, fr));
        for (int k = 1; k <= 8; ++k)
            sec.push_back(DownSampler::Design(0.46 * rate, -std::cos((2.0 * k + 15.0) * 3.1415926 / 32.0), fr));
        std::vector<float> x1(sec.size(), 1.0f), x2 = x1, y1 = x1, y2 = x1;
        std::vector<float> filtered(DownSampler::kLatency, 1.0f);
        for (float v : input) {
            float x = v + 1.0f;
            for (size_t s = 0; s < sec.size(); ++s) {
                const auto& c = sec[s];
                const float y = c.b0 * x + c.b1 * x1[s] + c.b2 * x2[s] - c.a1 * y1[s] - c.a2 * y2[s];
                x2[s] = x1[s], x1[s] = x, y2[s] = y1[s], y1[s] = y, x = y;
            }
            filtered.push_back(x);
        }
        double worst = 0.0, peak = 0.0;
        for (size_t i = 0; i < out.size(); ++i) {
            float acc = 0.0f;
            for (int l = 0; l < rig.f; ++l)
                acc += filtered[i * rig.f + l];
            const double ref = acc / static_cast<float>(rig.f) - 1.0f;
            worst = std::max(worst, std::fabs(out[i] - ref));
            peak = std::max(peak, std::fabs(ref));
        }
        EXPECT_LT(worst, 1e-5 * peak) << "rate " << rate;
    }
}

TEST(DownSampler, RollsOffAsASixteenthOrderButterworthFromPoint46OfTheHostRate)
{
    // At 192 kHz (F = 1) the 27 kHz smoothing has taken the corner region below the noise floor,
    // so there only its slope is measured.
    const std::pair<float, std::vector<double>> cases[] = {{44100.0f, {12000.0, 20286.0, 21000.0, 21600.0}},
                                                           {96000.0f, {30000.0, 44160.0, 46000.0, 47500.0}},
                                                           {192000.0f, {20000.0, 40000.0, 60000.0}}};
    for (const auto& [rate, tones] : cases) {
        for (double hz : tones) {
            Rig rig(rate);
            const double fr = static_cast<double>(rig.f) * rate;
            const std::vector<double> out =
                rig.Run(static_cast<int>(rate / 2), [&](long n) { return static_cast<float>(0.5 * std::sin(2 * M_PI * hz * n / fr)); });
            const std::vector<double> tail(out.begin() + 2000, out.end());
            std::vector<double> ref(tail.size());
            for (size_t i = 0; i < ref.size(); ++i)
                ref[i] = 0.5 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
            const double measured = kt4rtest::ToneMagnitude(tail, rate, hz) / kt4rtest::ToneMagnitude(ref, rate, hz);

            // Bilinear images of the analogue prototypes: Butterworth |H|^2 = 1 / (1 + w^32) (-3 dB
            // at the corner), two smoothing sections 1 / (s^2 + 2 ζ s + 1), and the F-sample average.
            auto warped = [&](double corner) { return std::tan(M_PI * hz / fr) / std::tan(M_PI * corner / fr); };
            const double w = warped(0.46 * rate), ws = warped(27000.0);
            const double smoothing = 1.0 / std::hypot(1.0 - ws * ws, 2.0 * 0.91923875 * ws);
            const double x = M_PI * hz / fr;
            const double boxcar = rig.f == 1 ? 1.0 : std::fabs(std::sin(rig.f * x) / (rig.f * std::sin(x)));
            const double expected = smoothing * smoothing * boxcar / std::sqrt(1.0 + std::pow(w, 32.0));
            EXPECT_NEAR(20.0 * std::log10(measured), 20.0 * std::log10(expected), 0.2) << "rate " << rate << " tone " << hz;
        }
    }
}

// The AVX2 build runs the two Butterworth groups in one register, the second a sub-sample behind, and
// settles each block's last frame at its end: block lengths of 0, 1 and more, at every sub-sample
// count, must give the baseline build's bits, frame for frame and in the state the next block reads.
TEST(DownSampler, BothBuildsDecimateToTheSameBitsAcrossAnyBlockLengths)
{
    if (!CpuHasAvx2Fma())
        GTEST_SKIP() << "this CPU has no AVX2 and FMA";
    for (float rate : {22050.0f, 44100.0f, 192000.0f}) {
        Rig rig(rate);
        DecimatorCascade base = rig.ds.Chain(), wide = base;
        const int sub = rig.ds.SubSamples();
        uint32_t a = 777u;
        for (int frames : {0, 1, 2, 1, 3, 64, 0, 7, 65, 1, 5}) {
            std::vector<Quad_float> in(static_cast<size_t>(frames));
            for (Quad_float& q : in)
                for (int lane = 0; lane < 4; ++lane) {
                    a = a * 1664525u + 1013904223u;
                    q[lane] = lane < sub ? 0.9f * static_cast<float>(static_cast<int32_t>(a)) * (1.0f / 2147483648.0f)
                                         : 0.0f;
                }
            std::vector<float> outBase(in.size() + 1, 5.0f), outWide(in.size() + 1, 5.0f);
            Engine::Decimate(KernelPath::kBaseline, base, in.data(), outBase.data(), frames, sub);
            Engine::Decimate(KernelPath::kAvx2, wide, in.data(), outWide.data(), frames, sub);
            ASSERT_EQ(std::memcmp(outBase.data(), outWide.data(), sizeof(float) * outBase.size()), 0)
                << "rate " << rate << " block of " << frames;
        }
    }
}

} // namespace
