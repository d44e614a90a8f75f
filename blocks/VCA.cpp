// The voice amplifier: scales the voice signal by its envelope, level and aftertouch and adds it into
// the shared oversampled sum.
#include "blocks/VCA.h"

#include "signal/EngineParams.h"
#include "signal/WideLoop.h"

#include <cassert>

VCA::VCA(QuadBuffer* tmp4, FloatBuffer* envVca, SmoothedBuffer* vca, SmoothedBuffer* pat, QuadBuffer* audio4,
         const EngineParams* params)
    : mTmp4(tmp4), mEnvVca(envVca), mVca(vca), mPat(pat), mAudio4(audio4), mParams(params)
{
}

KT4R_WIDE_LOOP void VCA::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mAudio4->mSize);
    const float depth = mParams->mAtVolume;
    const Quad_float* in = mTmp4->mData;
    const float* env = mEnvVca->mData;
    const float* level = mVca->mData;
    const float* pat = mPat->mData;
    Quad_float* sum = mAudio4->mData;
    for (int i = 0; i < frames; ++i) {
        sum[i] += VcaFactor(pat[i], depth, level[i], env[i]) * in[i];
    }
    SumWritten();
}

void VCA::SumWritten() noexcept
{
    mAudio4->mState = Moving;
    mAudio4->mFilled = mAudio4->mSize;
}

const float* VCA::Level() const noexcept
{
    return mVca->mData;
}

const float* VCA::Pressure() const noexcept
{
    return mPat->mData;
}

float VCA::Depth() const noexcept
{
    return mParams->mAtVolume;
}
