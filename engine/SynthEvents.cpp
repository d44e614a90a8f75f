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

#include <algorithm>
#include <cmath>

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
    mLatestParamTime = 0;
    if (mFolding)
        ApplyFolded();
    while (auto event = mControllerQueue.Pop()) {
        if (event->mKind != kValueEventKind)
            continue;
        const auto& e = static_cast<const ValueEvent&>(*event);
        ApplyControllerEvent(e.mTime, e.mId, e.mNote, e.mValue);
    }
}

void Synth::PostParamValue(EventPool<ValueEvent>& pool, int time, int id, float value) noexcept
{
    if (!IsPatchParamIndex(id))
        return;
    // The queue orders by time: a change is never queued before one posted earlier, or a learned
    // controller's change from a block that was not rendered (suspended) would overtake the program
    // change or automation that followed it.
    time = std::max(time, mLatestParamTime);
    if (!mFolding) {
        if (ValueEvent* event = pool.Make(time, id, value)) {
            mLatestParamTime = time;
            mParamQueue.Push(event);
            return;
        }
        mFolding = true;
    }
    mFoldedValues[static_cast<size_t>(id)] = value;
    mFolded[static_cast<size_t>(id)] = 1;
}

void Synth::PostPatch(EventPool<ParamSetEvent>& pool, const float* values) noexcept
{
    if (!mFolding) {
        if (ParamSetEvent* patch = pool.Make(mLatestParamTime)) {
            std::copy(values, values + kPatchParamCount, patch->mValues);
            mParamQueue.Push(patch);
            return;
        }
        mFolding = true;
    }
    std::copy(values, values + kPatchParamCount, mFoldedValues.begin());
    mFolded.fill(1);
    mFoldedPatch = true;
}

void Synth::ApplyFolded() noexcept
{
    if (mFoldedPatch) {
        ApplyParamSet(0, mFoldedValues.data());
    } else {
        for (int id = 0; id < kPatchParamCount; ++id) {
            if (mFolded[static_cast<size_t>(id)])
                ApplyParamEvent(0, id, mFoldedValues[static_cast<size_t>(id)]);
        }
    }
    mFolded.fill(0);
    mFolding = false;
    mFoldedPatch = false;
}

void Synth::WakeVoices() noexcept
{
    for (int i = 0; i < mVoiceCount; ++i)
        mVoices[i]->mActive = 1;
}

void Synth::ApplyParamEvent(int time, int id, float v) noexcept
{
    if (!IsPatchParamIndex(id) || !std::isfinite(v))
        return;
    ApplyParam(*mParams, id, v);
    const EngineParams& p = *mParams;
    const EngineParamDef& def = EngineParamTable()[static_cast<size_t>(id)];
    if (SmoothedBuffer* signal = mParamSignals[static_cast<size_t>(id)])
        signal->SetTargetFrom(time, p.*def.smoothedValue);
    switch (def.effect) {
    case ParamEffect::kNone: break;
    case ParamEffect::kHoldVoices: {
        // A waveform or cross-modulation change keeps every voice running for a tenth of a second, so
        // the change is heard even on voices that have gone quiet.
        const int32_t hold = static_cast<int32_t>(0.1 * static_cast<double>(mContext->mSampleRate));
        for (int i = 0; i < mVoiceCount; ++i) {
            mVoices[i]->mActive = 1;
            mVoices[i]->mHoldCounter = hold;
        }
        break;
    }
    case ParamEffect::kWakeEnvelope1:
    case ParamEffect::kWakeEnvelope2: {
        const int envelope = def.effect == ParamEffect::kWakeEnvelope1 ? 1 : 2;
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Envelope(envelope).mAtRest = false;
        WakeVoices();
        break;
    }
    case ParamEffect::kPortamentoTime:
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Oscillators().SetPortamento(p.mPortamentoTime);
        break;
    case ParamEffect::kPortamentoSwitch:
        for (int i = 0; i < mVoiceCount; ++i)
            mVoices[i]->Oscillators().SetPortamento(v > 0.5f ? p.mPortamentoTime : 0.0f);
        break;
    case ParamEffect::kKeyMode:
        mKeyAssigner->EnsureKeyMode(p.mKeyMode);
        SetUnisonDetune(false);
        break;
    case ParamEffect::kUnisonDetune: SetUnisonDetune(false); break;
    case ParamEffect::kLfoSync: mLfo->mSync = p.mLfoSync; break;
    case ParamEffect::kLfoTrigger: mLfo->mRetriggerMode = p.mLfoTrigger; break;
    }
}

void Synth::ApplyParamSet(int time, const float* values) noexcept
{
    for (int id = 0; id < kPatchParamCount; ++id)
        ApplyParam(*mParams, id, values[id]);
    // The chorus signals are left to their own parameter events.
    RestateTargets(time, ParamSignal::kPatch);
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
    const KeyMode mode = mParams->mKeyMode;
    for (int i = 0; i < n; ++i) {
        DCO_prepare& osc = mVoices[i]->Oscillators();
        switch (mode) {
        case KeyMode::kPoly1:
        case KeyMode::kMono1:
            if (!wholePatch)
                osc.mDetune = 0.0f;
            break;
        case KeyMode::kPoly2:
            if (!wholePatch)
                osc.mDetune = static_cast<float>(i - n / 2 + 1) * d / static_cast<float>(n);
            break;
        case KeyMode::kMono2:
            osc.mDetune = static_cast<float>(i - n / 2 + 1) * d / static_cast<float>(wholePatch ? 2 * n : n);
            break;
        case KeyMode::kUnison1:
        case KeyMode::kUnison2:
            if (i < n / 2) {
                osc.mDetune = d * 0.5f;
                if (n / 2 + i < n)
                    mVoices[n / 2 + i]->Oscillators().mDetune = -d * 0.5f;
            }
            break;
        default: break;
        }
    }
}

void Synth::ApplyControllerEvent(int time, int id, int note, float x) noexcept
{
    if (!std::isfinite(x))
        return;
    switch (id) {
    case kPitchBend: mVoiceInputs.bender->SetTargetFrom(time, x); break;
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
    case kModWheel: mVoiceInputs.mw->SetTargetFrom(time, mParams->mBendLfo * x); break;
    default: break;
    }
}
