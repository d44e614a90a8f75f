// The output decimator: an analogue-style smoothing low-pass and a 16th-order Butterworth
// anti-alias low-pass at the filter rate, then the average of each host period's sub-samples.
#pragma once

#include "blocks/Decimation.h"
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
    // Each four-section group runs as a skewed pipeline (see DecimatorCascade), so the output lags the plain
    // cascade by three filter-rate samples per group.
    static constexpr int kLatency = 6;

    // For a loop that decimates frame by frame itself (a voice playing alone, Engine::ProcessAlone):
    // the filter chain, the sub-samples per frame (1, 2 or 4) and the end of its block. Audio thread.
    DecimatorCascade& Chain() noexcept { return mCascade; }
    float* Output() noexcept { return mAudio->mData; }
    int SubSamples() const noexcept;
    void Filled(int frames) noexcept;

private:
    QuadBuffer* mAudio4;
    FloatBuffer* mAudio;
    DecimatorCascade mCascade{};
};
