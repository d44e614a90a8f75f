// The voice amplifier: scales the voice signal by its envelope, level and aftertouch and adds it into
// the shared oversampled sum.
#include "blocks/VCA.h"

#include "signal/EngineParams.h"

#include <cassert>

VCA::VCA(QuadBuffer* tmp4, FloatBuffer* envVca, SmoothedBuffer* vca, SmoothedBuffer* pat, QuadBuffer* audio4,
         const EngineParams* params)
    : mTmp4(tmp4), mEnvVca(envVca), mVca(vca), mPat(pat), mAudio4(audio4), mParams(params)
{
}

void VCA::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mAudio4->mSize);
    // Aftertouch swings the level around its centre: no pressure lowers it by half the depth. The
    // amplifier inverts, as the voice's output stage does.
    const float depth = mParams->mAtVolume;
    const Quad_float* in = mTmp4->mData;
    const float* env = mEnvVca->mData;
    const float* level = mVca->mData;
    const float* pat = mPat->mData;
    Quad_float* sum = mAudio4->mData;
    for (int i = 0; i < frames; ++i) {
        const float factor = -(((pat[i] - 0.5f) * depth + 1.0f) * level[i] * env[i]);
        sum[i] += factor * in[i];
    }
    mAudio4->mState = Moving;
    mAudio4->mFilled = mAudio4->mSize;
}
