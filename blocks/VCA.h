// The voice amplifier: scales the voice signal by its envelope, level and aftertouch and adds it into
// the shared oversampled sum.
#pragma once

#include "signal/Buffers.h"
#include "signal/MyComponent.h"

struct EngineParams;

class VCA final : public MyComponent {
public:
    VCA(QuadBuffer* tmp4, FloatBuffer* envVca, SmoothedBuffer* vca, SmoothedBuffer* pat, QuadBuffer* audio4,
        const EngineParams* params);

    // Adds this voice's block into "audio4"; audio thread, plug-in lock held, after the kernel; frames
    // is within 0..block size.
    void ProcessBlock(int frames) noexcept;

private:
    QuadBuffer* mTmp4;
    FloatBuffer* mEnvVca;
    SmoothedBuffer* mVca;
    SmoothedBuffer* mPat;
    QuadBuffer* mAudio4;
    const EngineParams* mParams;
};
