#include "engine/Synth.h"

#include "blocks/Chorus.h"
#include "blocks/DownSampler.h"
#include "blocks/HPF.h"
#include "blocks/LFO.h"
#include "blocks/NoiseGenerator.h"
#include "signal/DenormalGuard.h"
#include "engine/KeyAssigner.h"
#include "engine/Kt4rVoice.h"
#include "engine/Midi2CV.h"
#include "signal/ProcessContext.h"

#include <algorithm>

template <typename B>
B* Synth::AddBuffer(const char* name)
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
    in.dco1Lfo = AddSmoothed("dco1_lfo");
    in.dco1Env = AddSmoothed("dco1_env");
    in.dco2Lfo = AddSmoothed("dco2_lfo");
    in.dco2Env = AddSmoothed("dco2_env");
    in.dco2Fine = AddSmoothed("dco2_fine");
    in.mixDco1 = AddSmoothed("mix_dco1");
    in.mixDco2 = AddSmoothed("mix_dco2");
    in.mixEnv = AddSmoothed("mix_env");
    in.vcfFreq = AddSmoothed("vcf_freq");
    in.vcfRes = AddSmoothed("vcf_res");
    in.vcfLfo = AddSmoothed("vcf_lfo");
    in.vcfEnv = AddSmoothed("vcf_env");
    in.vcfKey = AddSmoothed("vcf_key");
    in.vca = AddSmoothed("vca");
    in.bender = AddSmoothed("bender");
    mChorusLevel = AddSmoothed("Chorus_Level");
    mChorusDepth = AddSmoothed("Chorus_Depth");
    for (SmoothedBuffer*& pat : mPat)
        pat = AddSmoothed("PAT");
    in.mw = AddSmoothed("MW");

    mParamSignals = {{3, in.dco1Lfo},  {4, in.dco1Env},  {9, in.dco2Fine}, {10, in.dco2Lfo}, {11, in.dco2Env},
                     {14, in.mixDco1}, {15, in.mixDco2}, {16, in.mixEnv},  {20, in.vcfFreq}, {21, in.vcfRes},
                     {22, in.vcfLfo},  {23, in.vcfEnv},  {24, in.vcfKey},  {27, in.vca},     {61, mChorusDepth},
                     {64, mChorusLevel}};

    mNoise = std::make_unique<NoiseGenerator>(mNoiseBuf);
    mContext->AddComponent(mNoise.get());
    mLfo = std::make_unique<LFO>(mNoiseBuf, mLfoBuf, mLfoWheel, mParams.get());
    mContext->AddComponent(mLfo.get());
    mKeyAssigner->SetLfo(mLfo.get());

    for (int i = 0; i < voiceCount; ++i) {
        mVoices[i] = CreateVoice(i);
        mKeyAssigner->AddVoice(mVoices[i]);
    }
    mVoiceCount = voiceCount;

    mDownSampler = std::make_unique<DownSampler>(mAudio4, mAudio);
    mContext->AddComponent(mDownSampler.get());
    mHpf = std::make_unique<HPF>(mAudio, mParams.get());
    mContext->AddComponent(mHpf.get());
    mChorus = std::make_unique<Chorus>(mAudio, mNoiseBuf, mChorusDepth, mAudioL, mAudioR, mParams.get());
    mContext->AddComponent(mChorus.get());

    std::fill(std::begin(mChannelTable), std::end(mChannelTable), uint8_t{1});
}

Synth::~Synth()
{
    for (int i = mVoiceCount - 1; i >= 0; --i) {
        mKeyAssigner->RemoveVoice(mVoices[i]);
        delete mVoices[i];
    }
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

void Synth::SetVoiceCount(int n)
{
    n = std::clamp(n, 1, kMaxVoices);
    while (mVoiceCount < n) {
        const int slot = mVoiceCount;
        // The slot's pressure signal may still hold the pressure of a voice removed earlier.
        mPat[slot]->Clear();
        Kt4rVoice* v = CreateVoice(slot);
        v->Prepare();
        mVoices[slot] = v;
        mKeyAssigner->AddVoice(v);
        ++mVoiceCount;
    }
    while (mVoiceCount > n) {
        Kt4rVoice* v = mVoices[mVoiceCount - 1];
        mKeyAssigner->RemoveVoice(v);
        delete v;
        mVoices[--mVoiceCount] = nullptr;
    }
}

void Synth::RestateTargets(int blockSize) noexcept
{
    for (const ParamSignal& s : mParamSignals)
        s.buffer->SetTargetFrom(blockSize, EngineValue(s.id));
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

    uint8_t allIdle = 1;
    for (int i = 0; i < mVoiceCount; ++i) {
        Kt4rVoice* v = mVoices[i];
        if (!v->mActive && v->NoteInput().mQueue.Empty())
            continue;
        if (v->mActive)
            allIdle = 0;
        v->Process(frames);
    }
    mAllIdle = allIdle;
    mLfo->mVoicesIdle = allIdle;

    if (!allIdle)
        mDownSampler->ProcessBlock(frames);
    else
        mAudio->Clear();
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
