// Applies queued parameter, whole-patch and controller events to the engine values, the smoothed
// signals, the voices, the key assigner and the LFO, at the start of a block.
#include "engine/Synth.h"

#include "blocks/ADSR.h"
#include "blocks/DCO_prepare.h"
#include "blocks/LFO.h"
#include "engine/ApplyParam.h"
#include "engine/KeyAssigner.h"
#include "engine/Kt4rVoice.h"
#include "signal/ProcessContext.h"

#include <cmath>

float Synth::EngineValue(int id) const noexcept
{
    const EngineParams& p = *mParams;
    switch (id) {
    case 3: return p.mDco1Lfo;
    case 4: return p.mDco1Env;
    case 9: return p.mDco2Fine;
    case 10: return p.mDco2Lfo;
    case 11: return p.mDco2Env;
    case 14: return p.mMixDco1;
    case 15: return p.mMixDco2;
    case 16: return p.mMixEnv;
    case 20: return p.mVcfFreq;
    case 21: return p.mVcfRes;
    case 22: return p.mVcfLfo;
    case 23: return p.mVcfEnv;
    case 24: return p.mVcfKey;
    case 27: return p.mVcaLevel;
    case 61: return p.mChorusDepth;
    case 64: return p.mChorusLevel;
    default: return 0.0f;
    }
}

void Synth::ApplyEvents() noexcept
{
    while (auto event = mParamQueue.Pop()) {
        if (event->mKind == kValueEventKind) {
            const auto& e = static_cast<const ValueEvent&>(*event);
            ApplyParamEvent(e.mTime, e.mId, e.mValue);
        } else if (event->mKind == kParamSetEventKind) {
            const auto& e = static_cast<const ParamSetEvent&>(*event);
            ApplyParamSet(e.mTime, e.mValues);
        }
    }
    while (auto event = mControllerQueue.Pop()) {
        if (event->mKind != kValueEventKind)
            continue;
        const auto& e = static_cast<const ValueEvent&>(*event);
        ApplyControllerEvent(e.mTime, e.mId, e.mNote, e.mValue);
    }
}

void Synth::WakeVoices() noexcept
{
    for (int i = 0; i < mVoiceCount; ++i)
        mVoices[i]->mActive = 1;
}

void Synth::ApplyParamEvent(int time, int id, float v) noexcept
{
    if (id < 0 || id >= kPatchParamCount || !std::isfinite(v))
        return;
    ApplyParam(*mParams, id, v);
    const EngineParams& p = *mParams;
    switch (id) {
    case 1:
    case 6:
    case 7: {
        // A waveform or cross-modulation change keeps every voice running for a tenth of a second, so
        // the change is heard even on voices that have gone quiet.
        const int32_t hold = static_cast<int32_t>(0.1 * static_cast<double>(mContext->mSampleRate));
        for (int i = 0; i < mVoiceCount; ++i) {
            mVoices[i]->mActive = 1;
            mVoices[i]->mHoldCounter = hold;
        }
        break;
    }
    case 37:
    case 42:
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Envelope(id == 37 ? 1 : 2).mAtRest = false;
        WakeVoices();
        break;
    case 49:
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Oscillators().SetPortamento(p.mPortamentoTime);
        break;
    case 50:
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Oscillators().SetPortamento(v > 0.5f ? p.mPortamentoTime : 0.0f);
        break;
    case 51:
        mKeyAssigner->EnsureKeyMode(p.mKeyMode);
        SetUnisonDetune(false);
        break;
    case 52:
        SetUnisonDetune(false);
        break;
    case 65:
        mLfo->mSync = p.mLfoSync;
        break;
    case 66:
        mLfo->mRetriggerMode = p.mLfoTrigger;
        break;
    default:
        for (const ParamSignal& s : mParamSignals)
            if (s.id == id)
                s.buffer->SetTargetFrom(time, EngineValue(id));
        break;
    }
}

void Synth::ApplyParamSet(int time, const float* values) noexcept
{
    for (int id = 0; id < kPatchParamCount; ++id)
        if (std::isfinite(values[id]))
            ApplyParam(*mParams, id, values[id]);
    // The chorus signals are the last two entries and are left to their own parameter events.
    for (size_t i = 0; i + 2 < mParamSignals.size(); ++i)
        mParamSignals[i].buffer->SetTargetFrom(time, EngineValue(mParamSignals[i].id));
    for (int i = 0; i < mVoiceCount; ++i) {
        mVoices[i]->Envelope(1).mAtRest = false;
        mVoices[i]->Envelope(2).mAtRest = false;
    }
    WakeVoices();
    mKeyAssigner->EnsureKeyMode(mParams->mKeyMode);
    SetUnisonDetune(true);
}

// Spreads the voices' detune for the key mode: poly voices are fanned out across the detune
// amount, unison pairs sit half the amount above and below.
void Synth::SetUnisonDetune(bool wholePatch) noexcept
{
    const int n = mVoiceCount;
    const float d = mParams->mUnisonDetune;
    const int mode = mParams->mKeyMode;
    for (int i = 0; i < n; ++i) {
        DCO_prepare& osc = mVoices[i]->Oscillators();
        switch (mode) {
        case kPoly1:
        case kMono1:
            if (!wholePatch)
                osc.mDetune = 0.0f;
            break;
        case kPoly2:
            if (!wholePatch)
                osc.mDetune = static_cast<float>(i - n / 2 + 1) * d / static_cast<float>(n);
            break;
        case kMono2:
            osc.mDetune = static_cast<float>(i - n / 2 + 1) * d / static_cast<float>(wholePatch ? 2 * n : n);
            break;
        case kUnison1:
        case kUnison2:
            if (i < n / 2) {
                osc.mDetune = d * 0.5f;
                if (n / 2 + i < n)
                    mVoices[n / 2 + i]->Oscillators().mDetune = -d * 0.5f;
            }
            break;
        default:
            break;
        }
    }
}

void Synth::ApplyControllerEvent(int time, int id, int note, float x) noexcept
{
    if (!std::isfinite(x))
        return;
    switch (id) {
    case kPitchBend:
        mVoiceInputs.bender->SetTargetFrom(time, x);
        break;
    case kChannelPressure:
        for (int i = 0; i < mVoiceCount; ++i)
            mPat[i]->SetTargetFrom(time, x);
        break;
    case kPolyPressure: {
        const int v = mKeyAssigner->VoiceForNote(note);
        if (v >= 0 && v < mVoiceCount)
            mPat[v]->SetTargetFrom(time, x);
        break;
    }
    case kModWheel:
        mVoiceInputs.mw->SetTargetFrom(time, mParams->mBendLfo * x);
        break;
    default:
        break;
    }
}
