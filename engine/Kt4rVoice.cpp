#include "engine/Kt4rVoice.h"

#include "blocks/ADSR.h"
#include "blocks/DCO_prepare.h"
#include "blocks/DownSampler.h"
#include "blocks/Engine.h"
#include "blocks/Env_Sel.h"
#include "blocks/VCA.h"
#include "blocks/VcfPrepare.h"
#include "signal/EngineParams.h"
#include "engine/Midi2CV.h"
#include "signal/ProcessContext.h"

Kt4rVoice::Kt4rVoice(const VoiceInputs& in, SmoothedBuffer* pat, ProcessContext* context, EngineParams* params,
                     int index)
    : mIndex(index), mContext(context), mParams(params), mPat(pat),
      mSegments(std::make_unique<NoteSegmentList>())
{
    for (BufferBase* b : OwnBuffers())
        context->AddBuffer(b);

    mNoteInput = std::make_unique<Midi2CV>(index, mSegments.get(), &mGate, &mVel1, &mVel2, &mVel3, &mPitch);
    mAdsr1 = std::make_unique<ADSR>(mSegments.get(), params, &mAdsr1Out, 1);
    mAdsr2 = std::make_unique<ADSR>(mSegments.get(), params, &mAdsr2Out, 2);
    mEnvSel = std::make_unique<Env_Sel>(&mGate, &mAdsr1Out, &mAdsr2Out, &mVel1, &mVel2, &mVel3, &mEnvDco, &mEnvMix,
                                        &mEnvVcf, &mEnvVca, params);
    mDcoPrepare = std::make_unique<DCO_prepare>(
        &mPitch, in.lfo, in.lfoWheel, &mEnvDco, &mEnvMix, in.dco1Lfo, in.dco1Env, in.dco2Lfo, in.dco2Env, in.mixDco1,
        in.mixDco2, in.mixEnv, in.bender, in.mw, pat, &mDco1Freq, &mDco2Freq, &mDco1Level, &mDco2Level, params);
    mVcfPrepare = std::make_unique<VcfPrepare>(&mPitch, &mEnvVcf, in.lfo, in.vcfFreq, in.vcfRes, in.vcfLfo,
                                               in.vcfEnv, in.vcfKey, pat, &mVcfFreq, &mVcfRes, &mEnvVca, params);
    mEngine = std::make_unique<Engine>(&mDco1Freq, &mDco2Freq, &mDco1Level, &mDco2Level, in.noise, &mVcfFreq,
                                       &mVcfRes, &mTmp4, params);
    mVca = std::make_unique<VCA>(&mTmp4, &mEnvVca, in.vca, pat, in.audio4, params);

    for (MyComponent* c : OwnComponents())
        context->AddComponent(c);

    // A new voice runs at least one block, so that its envelopes and signals reach a defined state.
    mActive = 1;
}

Kt4rVoice::~Kt4rVoice()
{
    for (MyComponent* c : OwnComponents())
        mContext->RemoveComponent(c);
    for (BufferBase* b : OwnBuffers())
        mContext->RemoveBuffer(b);
}

void Kt4rVoice::Revive() noexcept
{
    ProcessContext::ResetParts(OwnComponents(), OwnBuffers());
    mSegments->mCount = 0;
    mHoldCounter = 0;
    mActive = 1;
}

std::array<BufferBase*, 18> Kt4rVoice::OwnBuffers() noexcept
{
    return {&mTmp4,      &mGate,      &mPitch,    &mVel1,    &mVel2,     &mVel3,
            &mDco1Freq,  &mDco2Freq,  &mDco1Level, &mDco2Level, &mVcfFreq, &mVcfRes,
            &mAdsr1Out,  &mAdsr2Out,  &mEnvDco,   &mEnvMix,  &mEnvVcf,   &mEnvVca};
}

std::array<MyComponent*, 7> Kt4rVoice::OwnComponents() noexcept
{
    return {mNoteInput.get(), mAdsr1.get(),      mAdsr2.get(), mEnvSel.get(),
            mDcoPrepare.get(), mEngine.get(), mVca.get()};
}

void Kt4rVoice::Process(int frames) noexcept
{
    if (!BeginProcess(frames))
        return;
    mEngine->ProcessBlock(frames, mKernelN);
    FinishProcess(frames);
}

bool Kt4rVoice::BeginProcess(int frames) noexcept
{
    mSegments->mCount = 0;
    mNoteInput->ProcessBlock(frames);
    mAdsr1->ProcessBlock(frames);
    mAdsr2->ProcessBlock(frames);
    if (!mActive)
        return false;

    mTmp4.Clear();
    mEnvSel->ProcessBlock(frames);
    mKernelN = mDcoPrepare->ProcessBlock(frames);
    mVcfPrepare->ProcessBlock(frames);
    mEngine->mWave1 = mParams->mDco1Wave;
    mEngine->mWave2 = mParams->mDco2Wave;
    mEngine->mXmod = mParams->mXmod;
    return true;
}

bool Kt4rVoice::RenderAlone(int frames, DownSampler& decimator) noexcept
{
    const AloneOutput out{mVca->Envelope(), mVca->Level(),       mVca->Pressure(),      mVca->Depth(),
                          mVca->Sum(),      &decimator.Chain(), decimator.SubSamples(), decimator.Output()};
    if (!mEngine->ProcessAlone(frames, mKernelN, out))
        return false;
    mVca->SumWritten();
    decimator.Filled(frames);
    return true;
}

void Kt4rVoice::FinishProcess(int frames, bool amplified) noexcept
{
    if (!amplified)
        mVca->ProcessBlock(frames);
    mSegments->mCount = 0;

    if (mAdsr1Out.mState == Steady && mAdsr2Out.mState == Steady && mEnvVca.mSize > 0 && mEnvVca[0] == 0.0f &&
        mHoldCounter <= 0)
        mActive = 0;
    if (mHoldCounter > 0)
        mHoldCounter -= frames;
}
