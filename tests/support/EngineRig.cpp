#include "support/EngineRig.h"

#include "engine/Midi2CV.h"
#include "instrument/ParamTable.h"
#include "signal/Rand.h"

#include <algorithm>

namespace kt4rtest {

std::array<float, kPatchParamCount> DefaultPatch()
{
    // The instrument's start-up values, normalised as its parameter records do.
    std::array<float, kPatchParamCount> v{};
    for (const kt4r::ParamDef& def : kt4r::kPatchParams)
        if (def.kind != kt4r::ParamKind::kNone)
            v[static_cast<size_t>(def.id)] = static_cast<float>((def.defaultValue - def.min) / (def.max - def.min));
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
    mKeys.mInput.Push(
        new MidiEvent(time, static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2)));
}

void EngineRig::Controller(int time, int status, int data1, int data2)
{
    mControllers.mQueue.Push(
        new MidiEvent(time, static_cast<uint8_t>(status), static_cast<uint8_t>(data1), static_cast<uint8_t>(data2)));
    mControllers.DispatchControllers();
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
