#include "engine/ApplyParam.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kSemitone = 0.083333336f; // one twelfth of an octave

float Linear(float v) noexcept
{
    return v;
}

float Tune(float v) noexcept
{
    float x = v * 24.0f + 0.5f;
    return static_cast<float>(std::floor(static_cast<double>(x)) - 12.0) * kSemitone;
}

float Fine(float v) noexcept
{
    return (v - 0.5f) * kSemitone;
}

float EnvDepth(float v) noexcept
{
    return v >= 0.008f ? (v * 1.00405f - 0.0039114f) * 2.64f : v * 0.515125f;
}

float EnvTime(float v) noexcept
{
    return std::min(v * 7.879f, v * 30.0f - 3.0f);
}

float Sustain(float v) noexcept
{
    return v * 0.99f;
}

float VcaLevel(float v) noexcept
{
    return 0.2f * static_cast<float>(0.5 * std::exp(1.0 - 4.4 * static_cast<double>(1.0f - v)));
}

VcaMode VcaModeOf(float v) noexcept
{
    return v >= 0.5f ? VcaMode::kEnv2 : VcaMode::kGate;
}

// A switch with four or three positions, stored as its mode.
template <typename Mode>
Mode Position4(float v) noexcept
{
    return static_cast<Mode>(Quantize4(v));
}

template <typename Mode>
Mode Position3(float v) noexcept
{
    return static_cast<Mode>(Quantize3(v));
}

uint8_t Above(float v) noexcept
{
    return v > 0.5f ? 1 : 0;
}

float BendLfo(float v) noexcept
{
    return v * 0.05f;
}

float AtBrilliance(float v) noexcept
{
    return v * 0.2f;
}

KeyMode KeyModeOf(float v) noexcept
{
    return static_cast<KeyMode>(std::clamp(static_cast<int32_t>(v * 5.0f), 0, 5));
}

float UnisonDetune(float v) noexcept
{
    return v * 0.5f * kSemitone;
}

float OctaveStretch(float v) noexcept
{
    return (v - 0.5f) * 0.002f + 1.0f;
}

// The bend range in octaves per full bend; the extended set reaches two octaves.
void StoreBendRange(EngineParams& p, float v) noexcept
{
    const bool extended = p.mExtendedBend != 0;
    if (v < 0.16666f)
        p.mBendRange = 0.16666667f;
    else if (v < 0.5f)
        p.mBendRange = extended ? 0.5833333f : 0.25f;
    else if (v < 0.83333f)
        p.mBendRange = extended ? 1.0f : 0.33333334f;
    else
        p.mBendRange = extended ? 2.0f : 0.5833333f;
}

template <auto Member, auto Curve> void Store(EngineParams& p, float v) noexcept
{
    p.*Member = Curve(v);
}

template <auto Envelope, auto Member, auto Curve> void StoreEnvelope(EngineParams& p, float v) noexcept
{
    (p.*Envelope).*Member = Curve(v);
}

using P = EngineParams;
using E = EnvelopeParams;
using Id = ParamId;
using Fx = ParamEffect;
constexpr ParamSignal kNoSignal = ParamSignal::kNone;
constexpr ParamSignal kPatchSignal = ParamSignal::kPatch;
constexpr ParamSignal kGlobalSignal = ParamSignal::kGlobal;

} // namespace

int32_t Quantize4(float v) noexcept
{
    if (static_cast<double>(v) < 0.16666)
        return 0;
    if (v < 0.5f)
        return 1;
    if (static_cast<double>(v) < 0.83333)
        return 2;
    return 3;
}

int32_t Quantize3(float v) noexcept
{
    if (v < 0.25f)
        return 0;
    if (v < 0.75f)
        return 1;
    return 2;
}

// clang-format off
constexpr EngineParamDef kRows[kPatchParamCount] = {
  {Id::kDco1Rang,       Store<&P::mDco1Range, Quantize4>,  kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kDco1Wave,       Store<&P::mDco1Wave, Position4<Waveform>>,   kNoSignal,     nullptr,      nullptr,       Fx::kHoldVoices},
  {Id::kDco1Tune,       Store<&P::mDco1Tune, Tune>,        kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kDco1Lfo,        Store<&P::mDco1Lfo, Linear>,       kPatchSignal,  "dco1_lfo",   &P::mDco1Lfo,  Fx::kNone},
  {Id::kDco1Env,        Store<&P::mDco1Env, EnvDepth>,     kPatchSignal,  "dco1_env",   &P::mDco1Env,  Fx::kNone},
  {Id::kDco2Rang,       Store<&P::mDco2Range, Quantize4>,  kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kDco2Wave,       Store<&P::mDco2Wave, Position4<Waveform>>,   kNoSignal,     nullptr,      nullptr,       Fx::kHoldVoices},
  {Id::kDco2Xmod,       Store<&P::mXmod, Position4<XmodMode>>,       kNoSignal,     nullptr,      nullptr,       Fx::kHoldVoices},
  {Id::kDco2Tune,       Store<&P::mDco2Tune, Tune>,        kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kDco2Fine,       Store<&P::mDco2Fine, Fine>,        kPatchSignal,  "dco2_fine",  &P::mDco2Fine, Fx::kNone},
  {Id::kDco2Lfo,        Store<&P::mDco2Lfo, Linear>,       kPatchSignal,  "dco2_lfo",   &P::mDco2Lfo,  Fx::kNone},
  {Id::kDco2Env,        Store<&P::mDco2Env, EnvDepth>,     kPatchSignal,  "dco2_env",   &P::mDco2Env,  Fx::kNone},
  {Id::kDcoDyna,        Store<&P::mDcoDyna, Quantize4>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kDcoMode,        Store<&P::mDcoMode, Position4<EnvelopeMode>>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kMixDco1,        Store<&P::mMixDco1, Linear>,       kPatchSignal,  "mix_dco1",   &P::mMixDco1,  Fx::kNone},
  {Id::kMixDco2,        Store<&P::mMixDco2, Linear>,       kPatchSignal,  "mix_dco2",   &P::mMixDco2,  Fx::kNone},
  {Id::kMixEnv,         Store<&P::mMixEnv, Linear>,        kPatchSignal,  "mix_env",    &P::mMixEnv,   Fx::kNone},
  {Id::kMixDyna,        Store<&P::mMixDyna, Quantize4>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kMixMode,        Store<&P::mMixMode, Position4<EnvelopeMode>>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kHpfFreq,        Store<&P::mHpfStep, Quantize4>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kVcfFreq,        Store<&P::mVcfFreq, Linear>,       kPatchSignal,  "vcf_freq",   &P::mVcfFreq,  Fx::kNone},
  {Id::kVcfReso,        Store<&P::mVcfRes, Linear>,        kPatchSignal,  "vcf_res",    &P::mVcfRes,   Fx::kNone},
  {Id::kVcfLfo,         Store<&P::mVcfLfo, Linear>,        kPatchSignal,  "vcf_lfo",    &P::mVcfLfo,   Fx::kNone},
  {Id::kVcfEnv,         Store<&P::mVcfEnv, Linear>,        kPatchSignal,  "vcf_env",    &P::mVcfEnv,   Fx::kNone},
  {Id::kVcfKey,         Store<&P::mVcfKey, Linear>,        kPatchSignal,  "vcf_key",    &P::mVcfKey,   Fx::kNone},
  {Id::kVcfDyna,        Store<&P::mVcfDyna, Quantize4>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kVcfMode,        Store<&P::mVcfMode, Position4<EnvelopeMode>>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kVcaLevel,       Store<&P::mVcaLevel, VcaLevel>,    kPatchSignal,  "vca",        &P::mVcaLevel, Fx::kNone},
  {Id::kVcaMode,        Store<&P::mVcaMode, VcaModeOf>,      kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kVcaDyna,        Store<&P::mVcaDyna, Quantize4>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kChorus,         Store<&P::mChorusMode, Position3<ChorusMode>>, kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kLfoWave,        Store<&P::mLfoWave, Position3<LfoWave>>,    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kLfoDelay,       Store<&P::mLfoDelay, Linear>,      kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kLfoRate,        Store<&P::mLfoRate, Linear>,       kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kBendLfo,        Store<&P::mBendLfo, BendLfo>,      kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kEnv1Att,        StoreEnvelope<&P::mEnv1, &E::mAttack, EnvTime>,     kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv1Decay,      StoreEnvelope<&P::mEnv1, &E::mDecay, EnvTime>,      kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv1Sus,        StoreEnvelope<&P::mEnv1, &E::mSustain, Sustain>,    kNoSignal, nullptr, nullptr, Fx::kWakeEnvelope1},
  {Id::kEnv1Rel,        StoreEnvelope<&P::mEnv1, &E::mRelease, EnvTime>,    kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv1Key,        StoreEnvelope<&P::mEnv1, &E::mKeyFollow, Quantize4>, kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv2Att,        StoreEnvelope<&P::mEnv2, &E::mAttack, EnvTime>,     kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv2Decay,      StoreEnvelope<&P::mEnv2, &E::mDecay, EnvTime>,      kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv2Sus,        StoreEnvelope<&P::mEnv2, &E::mSustain, Sustain>,    kNoSignal, nullptr, nullptr, Fx::kWakeEnvelope2},
  {Id::kEnv2Rel,        StoreEnvelope<&P::mEnv2, &E::mRelease, EnvTime>,    kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kEnv2Key,        StoreEnvelope<&P::mEnv2, &E::mKeyFollow, Quantize4>, kNoSignal, nullptr, nullptr, Fx::kNone},
  {Id::kAtVibrato,      Store<&P::mAtVibrato, Linear>,     kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kAtBrilliance,   Store<&P::mAtBrilliance, AtBrilliance>, kNoSignal, nullptr,     nullptr,       Fx::kNone},
  {Id::kAtVolume,       Store<&P::mAtVolume, Linear>,      kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kBendRange,      StoreBendRange,                    kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kPortamentoTime, Store<&P::mPortamentoTime, Linear>, kNoSignal,    nullptr,      nullptr,       Fx::kPortamentoTime},
  {Id::kPortamento,     nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kPortamentoSwitch},
  {Id::kPolyMode,       Store<&P::mKeyMode, KeyModeOf>,      kNoSignal,     nullptr,      nullptr,       Fx::kKeyMode},
  {Id::kUnisonDetune,   Store<&P::mUnisonDetune, UnisonDetune>, kNoSignal, nullptr,     nullptr,       Fx::kUnisonDetune},
  {Id::kMasterTune,     Store<&P::mMasterTune, Fine>,      kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kOctaveStretch,  Store<&P::mOctaveStretch, OctaveStretch>, kNoSignal, nullptr,   nullptr,       Fx::kNone},
  {Id::kTuneReserved,   nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kSelfNoise,      Store<&P::mSelfNoise, Linear>,     kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kMonoRetrgger,   Store<&P::mMonoRetrigger, Above>,  kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kReserved58,     nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kReserved59,     nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kChorusSpeed,    Store<&P::mChorusSpeed, Linear>,   kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kChorusDepth,    Store<&P::mChorusDepth, Linear>,   kGlobalSignal, "Chorus_Depth", &P::mChorusDepth, Fx::kNone},
  {Id::kChorusNoise,    Store<&P::mChorusNoise, Linear>,   kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kChorusOffset,   Store<&P::mChorusOffset, Linear>,  kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kChorusLevel,    Store<&P::mChorusLevel, Linear>,   kGlobalSignal, "Chorus_Level", &P::mChorusLevel, Fx::kNone},
  {Id::kLfoSync,        Store<&P::mLfoSync, Above>,        kNoSignal,     nullptr,      nullptr,       Fx::kLfoSync},
  {Id::kLfoFreerun,     Store<&P::mLfoTrigger, Position3<LfoTrigger>>, kNoSignal,     nullptr,      nullptr,       Fx::kLfoTrigger},
  {Id::kNumberOfVoices, nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kSysexMode,      nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
  {Id::kUndefined,      nullptr,                           kNoSignal,     nullptr,      nullptr,       Fx::kNone},
};
// clang-format on

constexpr bool RowsInIdOrder()
{
    for (int i = 0; i < kPatchParamCount; ++i)
        if (Index(kRows[i].id) != i)
            return false;
    return true;
}
static_assert(RowsInIdOrder(), "one row per id, in id order");

std::span<const EngineParamDef, kPatchParamCount> EngineParamTable() noexcept
{
    return kRows;
}

void ApplyParam(EngineParams& p, int index, float v) noexcept
{
    // A value that is not a number never reaches the engine.
    if (!IsPatchParamIndex(index) || !std::isfinite(v))
        return;
    if (auto store = kRows[index].store)
        store(p, v);
}
