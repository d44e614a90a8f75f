// The voice amplifier: scales the voice signal by its envelope, level and aftertouch and adds it into
// the shared oversampled sum.
#pragma once

#include "signal/Buffers.h"
#include "signal/MyComponent.h"

struct EngineParams;

namespace {

// The amplifier's gain for one frame. Aftertouch swings the level around its centre: no pressure lowers
// it by half the depth. The amplifier inverts, as the voice's output stage does. (Internal linkage:
// the kernel's units for each instruction set inline their own copy.)
[[gnu::always_inline]] inline float VcaFactor(float pat, float depth, float level, float env) noexcept
{
    return -(((pat - 0.5f) * depth + 1.0f) * level * env);
}

} // namespace

class VCA final : public MyComponent {
public:
    VCA(QuadBuffer* tmp4, FloatBuffer* envVca, SmoothedBuffer* vca, SmoothedBuffer* pat, QuadBuffer* audio4,
        const EngineParams* params);

    // Adds this voice's block into "audio4"; audio thread, plug-in lock held, after the kernel; frames
    // is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    // What the amplifier reads, for a loop that applies it frame by frame itself (a voice playing alone,
    // Engine::ProcessAlone): envelope, level and pressure of the block, and the aftertouch depth.
    const float* Envelope() const noexcept { return mEnvVca->mData; }
    const float* Level() const noexcept;
    const float* Pressure() const noexcept;
    float Depth() const noexcept;
    Quad_float* Sum() noexcept { return mAudio4->mData; }
    // Marks "audio4" written as ProcessBlock leaves it, after such a loop.
    void SumWritten() noexcept;

private:
    QuadBuffer* mTmp4;
    FloatBuffer* mEnvVca;
    SmoothedBuffer* mVca;
    SmoothedBuffer* mPat;
    QuadBuffer* mAudio4;
    const EngineParams* mParams;
};
