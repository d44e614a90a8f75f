// The output decimator: an analogue-style smoothing low-pass and a 16th-order Butterworth
// anti-alias low-pass at the filter rate, then the average of each host period's sub-samples.
#pragma once

#include "signal/Buffers.h"
#include "signal/MyComponent.h"
#include "signal/QuadFloat.h"

class DownSampler final : public MyComponent {
public:
    DownSampler(QuadBuffer* audio4, FloatBuffer* audio);

    // Redesigns both filters for the filter rate (oversampling factor × rate) and sets them to rest;
    // see MyComponent. Only a rate change calls it, so a voice-count change does not re-settle them.
    void SetSampleRate(float rate) override;
    // Called by the render after the voices; "audio4" lanes F-1 .. 0 are oldest to newest. Audio
    // thread, plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    // Difference-equation coefficients: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
    struct Biquad {
        float b0, b1, b2, a1, a2;
    };
    // Bilinear low-pass section prewarped to cornerHz, for s^2 + 2 damping s + 1.
    static Biquad Design(double cornerHz, double damping, double filterRate);

    static constexpr double kSmoothingCornerHz = 27000.0;
    static constexpr double kSmoothingDamping = 0.91923875; // 0.65 · √2
    static constexpr double kAntiAliasCorner = 0.46;          // of the host rate
    static constexpr int kAntiAliasSections = 8;
    // Each four-section group runs as a skewed pipeline (see Cascade), so the output lags the plain
    // cascade by three filter-rate samples per group.
    static constexpr int kLatency = 6;

private:
    // The whole filter chain as values, so the render copies it into locals and writes it back.
    struct Cascade {
        // The two smoothing sections as one four-state state-space filter (the two transposed
        // direct-form states of each section): next = A · state + B · u, y = C · state + D · u,
        // where C = (b0, 0, 1, 0). The four states advance in one SIMD step.
        Quad_float mA0, mA1, mA2, mA3; // columns of A
        Quad_float mB;
        float mC0, mD;
        Quad_float mState;

        // The eight Butterworth sections in two groups of four, one section per lane, advanced
        // together as a skewed pipeline: at each step lane k takes the sample lane k-1 produced on
        // the previous step, so all four run in one SIMD step and a group's output (lane 3) is its
        // cascade's output three samples late. Each lane evaluates the plain difference equation,
        // so the samples are exactly those of the scalar cascade.
        Quad_float mB0[2], mB1[2], mB2[2], mA1g[2], mA2g[2];
        Quad_float mX1[2], mX2[2], mY1[2], mY2[2];

        // One filter-rate sample through all ten sections; input and output carry the +1 offset.
        inline float Tick(float u) noexcept;
    };

    template <int kF>
    void Run(int frames) noexcept;

    QuadBuffer* mAudio4;
    FloatBuffer* mAudio;
    Cascade mCascade{};
};
