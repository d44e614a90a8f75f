#include "engine/Synth.h"

#include "engine/ApplyParam.h"

#include "blocks/Chorus.h"
#include "blocks/DownSampler.h"
#include "blocks/Engine.h"
#include "blocks/HPF.h"
#include "blocks/LFO.h"
#include "blocks/NoiseGenerator.h"
#include "signal/DenormalGuard.h"
#include "engine/KeyAssigner.h"
#include "engine/Kt4rVoice.h"
#include "engine/Midi2CV.h"
#include "signal/ProcessContext.h"

#include <algorithm>

template <typename B> B* Synth::AddBuffer(const char* name)
{
    auto owned = std::make_unique<B>(name);
    B* b = owned.get();
    mOwnedBuffers.push_back(std::move(owned));
    mContext->AddBuffer(b);
    return b;
}

SmoothedBuffer* Synth::AddSmoothed(const char* name)
{
    SmoothedBuffer* b = AddBuffer<SmoothedBuffer>(name);
    mSmoothed.push_back(b);
    return b;
}

Synth::Synth(ProcessContext* context, int voiceCount, KeyAssigner* keyAssigner)
    : mContext(context), mParams(std::make_unique<EngineParams>()), mKeyAssigner(keyAssigner)
{
    voiceCount = std::clamp(voiceCount, 1, kMaxVoices);

    mNoiseBuf = AddBuffer<FloatBuffer>("noise");
    mLfoBuf = AddBuffer<FloatBuffer>("lfo");
    mLfoWheel = AddBuffer<FloatBuffer>("lfo_wheel");
    mAudio4 = AddBuffer<QuadBuffer>("audio4");
    mAudio = AddBuffer<FloatBuffer>("audio");
    mAudioL = AddBuffer<FloatBuffer>("audio_l");
    mAudioR = AddBuffer<FloatBuffer>("audio_r");

    VoiceInputs& in = mVoiceInputs;
    in.noise = mNoiseBuf;
    in.lfo = mLfoBuf;
    in.lfoWheel = mLfoWheel;
    in.audio4 = mAudio4;
    // One smoothed signal for each parameter the table gives one, in id order.
    for (const EngineParamDef& def : EngineParamTable())
        if (def.signal != ParamSignal::kNone)
            mParamSignals[static_cast<size_t>(Index(def.id))] = AddSmoothed(def.signalName);
    in.dco1Lfo = ParamSignalOf(ParamId::kDco1Lfo);
    in.dco1Env = ParamSignalOf(ParamId::kDco1Env);
    in.dco2Lfo = ParamSignalOf(ParamId::kDco2Lfo);
    in.dco2Env = ParamSignalOf(ParamId::kDco2Env);
    in.mixDco1 = ParamSignalOf(ParamId::kMixDco1);
    in.mixDco2 = ParamSignalOf(ParamId::kMixDco2);
    in.mixEnv = ParamSignalOf(ParamId::kMixEnv);
    in.vcfFreq = ParamSignalOf(ParamId::kVcfFreq);
    in.vcfRes = ParamSignalOf(ParamId::kVcfReso);
    in.vcfLfo = ParamSignalOf(ParamId::kVcfLfo);
    in.vcfEnv = ParamSignalOf(ParamId::kVcfEnv);
    in.vcfKey = ParamSignalOf(ParamId::kVcfKey);
    in.vca = ParamSignalOf(ParamId::kVcaLevel);
    in.bender = AddSmoothed("bender");
    for (SmoothedBuffer*& pat : mPat)
        pat = AddSmoothed("PAT");
    in.mw = AddSmoothed("MW");

    mNoise = std::make_unique<NoiseGenerator>(mNoiseBuf);
    mContext->AddComponent(mNoise.get());
    mLfo = std::make_unique<LFO>(mNoiseBuf, mLfoBuf, mLfoWheel, mParams.get());
    mContext->AddComponent(mLfo.get());
    mKeyAssigner->SetLfo(mLfo.get());

    // Every voice is built now, so that a voice-count change later (from a program change on the audio
    // thread, say) only connects or disconnects voices and allocates nothing.
    for (int i = 0; i < kMaxVoices; ++i)
        mVoices[i] = CreateVoice(i);
    for (int i = 0; i < voiceCount; ++i)
        mKeyAssigner->AddVoice(mVoices[i]);
    mVoiceCount = voiceCount;

    mDownSampler = std::make_unique<DownSampler>(mAudio4, mAudio);
    mContext->AddComponent(mDownSampler.get());
    mHpf = std::make_unique<HPF>(mAudio, mParams.get());
    mContext->AddComponent(mHpf.get());
    mChorus = std::make_unique<Chorus>(mAudio, mNoiseBuf, ParamSignalOf(ParamId::kChorusDepth), mAudioL, mAudioR,
                                       mParams.get());
    mContext->AddComponent(mChorus.get());

    std::fill(std::begin(mChannelTable), std::end(mChannelTable), uint8_t{1});
}

Synth::~Synth()
{
    for (int i = mVoiceCount - 1; i >= 0; --i)
        mKeyAssigner->RemoveVoice(mVoices[i]);
    for (int i = kMaxVoices - 1; i >= 0; --i)
        delete mVoices[i];
    mKeyAssigner->SetLfo(nullptr);
    for (MyComponent* c : {static_cast<MyComponent*>(mNoise.get()), static_cast<MyComponent*>(mLfo.get()),
                           static_cast<MyComponent*>(mDownSampler.get()), static_cast<MyComponent*>(mHpf.get()),
                           static_cast<MyComponent*>(mChorus.get())})
        mContext->RemoveComponent(c);
    for (auto& b : mOwnedBuffers)
        mContext->RemoveBuffer(b.get());
}

Kt4rVoice* Synth::CreateVoice(int slot)
{
    return new Kt4rVoice(mVoiceInputs, mPat[slot], mContext, mParams.get(), slot);
}

void Synth::SetVoiceCount(int n) noexcept
{
    n = std::clamp(n, 1, kMaxVoices);
    while (mVoiceCount < n) {
        const int slot = mVoiceCount;
        // The slot's pressure signal may still hold the pressure of a voice removed earlier.
        mPat[slot]->Clear();
        Kt4rVoice* v = mVoices[slot];
        v->Revive();
        mKeyAssigner->AddVoice(v);
        ++mVoiceCount;
    }
    while (mVoiceCount > n)
        mKeyAssigner->RemoveVoice(mVoices[--mVoiceCount]);
}

void Synth::RestateTargets(int time, ParamSignal which) noexcept
{
    const EngineParams& p = *mParams;
    for (const EngineParamDef& def : EngineParamTable()) {
        SmoothedBuffer* signal = mParamSignals[static_cast<size_t>(Index(def.id))];
        if (signal && (which == ParamSignal::kNone || def.signal == which))
            signal->SetTargetFrom(time, p.*def.smoothedValue);
    }
}

void Synth::Render(double* left, double* right, int frames) noexcept
{
    frames = std::clamp(frames, 0, mContext->mBlockSize);
    DenormalGuard denormals;
    mAudio4->Clear();
    ApplyEvents();
    for (SmoothedBuffer* b : mSmoothed)
        b->Advance();
    mNoise->ProcessBlock(frames);
    mLfo->ProcessBlock(frames);

    // Every voice's own steps first, then all kernels together, then the amplifiers in voice order, so
    // "audio4" sums the voices as voice-by-voice processing does.
    uint8_t allIdle = 1;
    Kt4rVoice* running[kMaxVoices];
    Engine* kernels[kMaxVoices];
    int factors[kMaxVoices];
    int count = 0;
    for (int i = 0; i < mVoiceCount; ++i) {
        Kt4rVoice* v = mVoices[i];
        if (!v->mActive && v->NoteInput().mQueue.Empty())
            continue;
        if (v->mActive)
            allIdle = 0;
        if (!v->BeginProcess(frames))
            continue;
        running[count] = v;
        kernels[count] = &v->Kernel();
        factors[count] = v->KernelOversampling();
        ++count;
    }
    // The only voice sounding runs its kernel, amplifier and the decimator in one loop, where their
    // serial chains overlap (the same samples as the steps one after the other, which the ungrouped
    // reference keeps).
    const bool alone =
        mGroupedKernels && count == 1 && !allIdle && running[0]->RenderAlone(frames, *mDownSampler);
    if (!alone && mGroupedKernels) {
        Engine::ProcessBlocks(kernels, factors, count, frames);
    } else if (!alone) {
        for (int k = 0; k < count; ++k)
            kernels[k]->ProcessBlock(frames, factors[k]);
    }
    for (int k = 0; k < count; ++k)
        running[k]->FinishProcess(frames, alone);
    mAllIdle = allIdle;
    mLfo->mVoicesIdle = allIdle;

    if (allIdle)
        mAudio->Clear();
    else if (!alone)
        mDownSampler->ProcessBlock(frames);
    mHpf->ProcessBlock(frames);
    mChorus->ProcessBlock(frames);

    const float gain = mContext->mOutputGain;
    const float* l = mAudioL->mData;
    const float* r = mAudioR->mData;
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<double>(gain * l[i]);
        right[i] = static_cast<double>(gain * r[i]);
    }
}
