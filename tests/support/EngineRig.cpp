#include "support/EngineRig.h"

#include "engine/ControllerInput.h"
#include "engine/Midi2CV.h"
#include "signal/Rand.h"

#include <algorithm>

namespace kt4rtest {

std::array<float, kPatchParamCount> DefaultPatch()
{
    std::array<float, kPatchParamCount> v{};
    const float third = 1.0f / 3.0f;
    v[0] = third;             // DCO1 range 8'
    v[1] = 1.0f;              // DCO1 saw
    v[2] = 0.5f;
    v[5] = third;
    v[6] = 1.0f;
    v[8] = 0.5f;
    v[9] = 0.5f;
    v[13] = 1.0f;
    v[14] = 1.0f;             // DCO1 level full
    v[18] = 1.0f;
    v[20] = 1.0f;             // filter open
    v[26] = 1.0f;
    v[27] = 1.0f;
    v[28] = 1.0f;
    v[29] = 2.0f / 3.0f;
    v[31] = 1.0f;
    v[33] = 0.8f / 99.0f;
    v[34] = 1.0f;
    v[36] = 20.0f / 99.0f;
    v[37] = 80.0f / 99.0f;
    v[38] = 20.0f / 99.0f;
    v[41] = 20.0f / 99.0f;
    v[42] = 80.0f / 99.0f;
    v[43] = 20.0f / 99.0f;
    v[52] = 0.2f;
    v[53] = 0.5f;
    v[54] = 0.4f;             // octave stretch
    v[56] = 0.5f;
    v[60] = 0.5f;
    v[61] = 0.5f;
    v[63] = 0.1f;
    v[64] = 0.55f;
    v[67] = 0.0f;
    return v;
}

EngineRig::EngineRig(float sampleRate, int blockSize, int voices)
    : mSynth(&mContext, voices, &mKeys), mSampleRate(sampleRate), mBlockSize(blockSize)
{
    // Every rig starts from the generator state of a fresh process, so rigs are comparable.
    SeedRand(1);
    // The order the instrument's processing reset uses.
    mContext.SetSampleRate(sampleRate);
    mContext.SetBlockSize(blockSize);
    mSynth.RestateTargets(blockSize);
    mContext.ResetAll();
    mBlockL.resize(static_cast<size_t>(blockSize));
    mBlockR.resize(static_cast<size_t>(blockSize));
}

void EngineRig::SendPatch(const std::array<float, kPatchParamCount>& values, int time)
{
    auto* e = new ParamSetEvent(time);
    std::copy(values.begin(), values.end(), e->mValues);
    mSynth.PushParamEvent(e);
    // A whole patch resets the key assignment, which releases every key: apply it in a block of its
    // own, as a program selected before playing is.
    RenderBlock(mBlockSize);
    ClearOutput();
}

void EngineRig::SetParam(int id, float normalised, int time)
{
    mSynth.PushParamEvent(new ValueEvent(time, id, normalised));
}

void EngineRig::Midi(int time, int status, int data1, int data2)
{
    mKeys.mInput.Push(new MidiEvent(time, static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                                    static_cast<uint8_t>(data2)));
}

void EngineRig::Controller(int time, int status, int data1, int data2)
{
    ControllerInput input(&mSynth);
    input.mQueue.Push(new MidiEvent(time, static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                                    static_cast<uint8_t>(data2)));
    input.DispatchControllers();
}

void EngineRig::RenderBlock(int frames)
{
    frames = std::min(frames, mBlockSize);
    mKeys.ProcessBlock(frames);
    mSynth.Render(mBlockL.data(), mBlockR.data(), frames);
    mLeft.insert(mLeft.end(), mBlockL.begin(), mBlockL.begin() + frames);
    mRight.insert(mRight.end(), mBlockR.begin(), mBlockR.begin() + frames);
}

void EngineRig::RenderSeconds(double seconds)
{
    long total = static_cast<long>(seconds * mSampleRate + 0.5);
    while (total > 0) {
        int n = static_cast<int>(std::min<long>(total, mBlockSize));
        RenderBlock(n);
        total -= n;
    }
}

} // namespace kt4rtest
