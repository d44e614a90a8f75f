#include "blocks/DownSampler.h"

#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

namespace {

constexpr int kBlock = 65;

int Oversampling(float rate)
{
    return rate > 160000.0f ? 1 : (rate > 80000.0f ? 2 : 4);
}

struct Rig {
    QuadBuffer audio4{"audio4"};
    FloatBuffer audio{"audio"};
    DownSampler ds{&audio4, &audio};
    float rate;
    int f;
    long n = 0;

    explicit Rig(float r) : rate(r), f(Oversampling(r))
    {
        audio4.Resize(kBlock);
        audio.Resize(kBlock);
        ds.SetSampleRate(r);
    }

    std::vector<double> Run(int frames, const std::function<float(long)>& source)
    {
        std::vector<double> out;
        for (int done = 0; done < frames; done += kBlock) {
            const int len = std::min(kBlock, frames - done);
            for (int i = 0; i < len; ++i) {
                Quad_float q{0.0f, 0.0f, 0.0f, 0.0f};
                for (int lane = f - 1; lane >= 0; --lane)
                    q[lane] = source(n++);
                audio4[i] = q;
            }
            std::fill(audio.Data(), audio.Data() + kBlock, -99.0f);
            ds.ProcessBlock(len);
            for (int i = 0; i < len; ++i)
                out.push_back(audio[i]);
        }
        return out;
    }
};

// The plain cascade: two smoothing sections and eight Butterworth sections as scalar difference
// equations on the +1 offset, then the average of each host period.
std::vector<double> ReferenceCascade(float rate, const std::vector<float>& input)
{
    const int f = Oversampling(rate);
    const double filterRate = static_cast<double>(f) * rate;
    std::vector<DownSampler::Biquad> sections;
    for (int i = 0; i < 2; ++i)
        sections.push_back(DownSampler::Design(27000.0, 0.91923875, filterRate));
    for (int k = 1; k <= 8; ++k)
        sections.push_back(DownSampler::Design(0.46 * rate, -std::cos((2.0 * k + 15.0) * 3.1415926 / 32.0), filterRate));
    struct Hist {
        float x1 = 1, x2 = 1, y1 = 1, y2 = 1;
    };
    std::vector<Hist> h(sections.size());
    std::vector<float> filtered(DownSampler::kLatency, 1.0f);
    for (float v : input) {
        float x = v + 1.0f;
        for (size_t s = 0; s < sections.size(); ++s) {
            const auto& c = sections[s];
            const float y = c.b0 * x + c.b1 * h[s].x1 + c.b2 * h[s].x2 - c.a1 * h[s].y1 - c.a2 * h[s].y2;
            h[s] = {x, h[s].x1, y, h[s].y1};
            x = y;
        }
        filtered.push_back(x);
    }
    std::vector<double> out;
    for (size_t i = 0; i + f <= input.size(); i += f) {
        float acc = 0.0f;
        for (int l = 0; l < f; ++l)
            acc += filtered[i + l];
        out.push_back(acc / static_cast<float>(f) - 1.0f);
    }
    return out;
}

TEST(DownSampler, PassesDcExactlyAndIsSilentFromTheFirstSample)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        for (float c : {0.0f, 0.5f, -0.3f}) {
            Rig rig(rate);
            const std::vector<double> out = rig.Run(4000, [c](long) { return c; });
            if (c == 0.0f) {
                EXPECT_LT(kt4rtest::Peak(out), 1e-7) << "rate " << rate;
            }
            EXPECT_NEAR(out.back(), c, 2e-6) << "rate " << rate << " level " << c;
        }
    }
}

TEST(DownSampler, EqualsThePlainCascadeDelayedByItsLatency)
{
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        Rig rig(rate);
        std::vector<float> input;
        uint32_t a = 12345u;
        const std::vector<double> out = rig.Run(3001, [&](long n) {
            a = a * 1664525u + 1013904223u;
            // Noise plus a loud low tone, so both the high-Q sections and the passband are exercised.
            const float v = 0.3f * static_cast<float>(static_cast<int32_t>(a)) * (1.0f / 2147483648.0f) +
                            0.5f * std::sin(0.001f * static_cast<float>(n));
            input.push_back(v);
            return v;
        });
        const std::vector<double> ref = ReferenceCascade(rate, input);
        ASSERT_EQ(ref.size(), out.size());
        const double scale = kt4rtest::Peak(ref);
        double worst = 0.0;
        for (size_t i = 0; i < out.size(); ++i)
            worst = std::max(worst, std::fabs(out[i] - ref[i]));
        EXPECT_LT(worst, 1e-5 * scale) << "rate " << rate;
    }
}

// |H| of a prewarped bilinear low-pass with the given analogue prototype, at hz.
double PrototypeMagnitude(double hz, double cornerHz, double filterRate,
                          const std::function<std::complex<double>(std::complex<double>)>& proto)
{
    const double w = std::tan(M_PI * hz / filterRate) / std::tan(M_PI * cornerHz / filterRate);
    return std::abs(proto({0.0, w}));
}

double ExpectedMagnitude(double hz, float rate)
{
    const int f = Oversampling(rate);
    const double filterRate = static_cast<double>(f) * rate;
    // A 16th-order Butterworth: |H(jw)|^2 = 1 / (1 + w^32).
    const double w = std::tan(M_PI * hz / filterRate) / std::tan(M_PI * 0.46 * rate / filterRate);
    const double butterworth = 1.0 / std::sqrt(1.0 + std::pow(w, 32.0));
    const double smoothing = PrototypeMagnitude(hz, 27000.0, filterRate, [](std::complex<double> s) {
        return 1.0 / (s * s + 2.0 * 0.91923875 * s + 1.0);
    });
    // Averaging F sub-samples is a boxcar of length F.
    const double x = M_PI * hz / filterRate;
    const double boxcar = f == 1 ? 1.0 : std::fabs(std::sin(f * x) / (f * std::sin(x)));
    return butterworth * smoothing * smoothing * boxcar;
}

TEST(DownSampler, RollsOffAsASixteenthOrderButterworthFromPoint46OfTheHostRate)
{
    struct Case {
        float rate;
        std::vector<double> tones;
    };
    // At 192 kHz the filter runs at the host rate (F = 1): no averaging, nothing aliased, but the
    // 27 kHz smoothing has taken the corner region below the noise floor, so only its slope is seen.
    for (const Case& c : {Case{44100.0f, {12000.0, 20286.0, 21000.0, 21600.0}},
                          Case{96000.0f, {30000.0, 44160.0, 46000.0, 47500.0}},
                          Case{192000.0f, {20000.0, 40000.0, 60000.0}}}) {
        for (double hz : c.tones) {
            Rig rig(c.rate);
            const double fr = static_cast<double>(rig.f) * c.rate;
            const int frames = static_cast<int>(c.rate / 2);
            const std::vector<double> out =
                rig.Run(frames, [&](long n) { return static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * n / fr)); });
            std::vector<double> tail(out.begin() + 2000, out.end());
            std::vector<double> ref(tail.size());
            for (size_t i = 0; i < ref.size(); ++i)
                ref[i] = 0.5 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / c.rate);
            const double measured = kt4rtest::ToneMagnitude(tail, c.rate, hz) / kt4rtest::ToneMagnitude(ref, c.rate, hz);
            // At the corner this is the Butterworth's -3 dB times the smoothing and averaging losses.
            const double expected = ExpectedMagnitude(hz, c.rate);
            EXPECT_NEAR(20.0 * std::log10(measured), 20.0 * std::log10(expected), 0.2)
                << "rate " << c.rate << " tone " << hz;
        }
    }
}

TEST(DownSampler, ASampleRateChangeRedesignsAndReturnsToSilence)
{
    Rig rig(44100.0f);
    rig.Run(500, [](long n) { return (n / 37) % 2 ? 0.8f : -0.8f; });
    rig.ds.SetSampleRate(192000.0f);
    rig.f = 1;
    const std::vector<double> out = rig.Run(200, [](long) { return 0.0f; });
    EXPECT_LT(kt4rtest::Peak(out), 1e-7);
}

} // namespace
