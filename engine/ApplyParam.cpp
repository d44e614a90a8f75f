#include "engine/ApplyParam.h"

#include "signal/DenormalGuard.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
template <typename Mode> Mode Position4(float v) noexcept
{
    return static_cast<Mode>(Quantize4(v));
}

template <typename Mode> Mode Position3(float v) noexcept
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

template <auto Envelope, auto Member, auto Curve> void StoreEnv(EngineParams& p, float v) noexcept
{
    (p.*Envelope).*Member = Curve(v);
}

using P = EngineParams;
using E = EnvelopeParams;
using Id = ParamId;
using Fx = ParamEffect;
using S = ParamSignal;

// A parameter without a smoothed signal.
constexpr EngineParamDef Row(ParamId id, void (*store)(EngineParams&, float) noexcept, ParamEffect effect = Fx::kNone)
{
    return {id, store, S::kNone, nullptr, nullptr, effect};
}

// A parameter whose smoothed signal glides to its stored value.
template <float EngineParams::*Member, auto Curve>
constexpr EngineParamDef Glide(ParamId id, const char* signalName, ParamSignal scope = S::kPatch)
{
    return {id, Store<Member, Curve>, scope, signalName, Member, Fx::kNone};
}

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

constexpr EngineParamDef kRows[kPatchParamCount] = {
    Row(Id::kDco1Rang, Store<&P::mDco1Range, Quantize4>),
    Row(Id::kDco1Wave, Store<&P::mDco1Wave, Position4<Waveform>>, Fx::kHoldVoices),
    Row(Id::kDco1Tune, Store<&P::mDco1Tune, Tune>),
    Glide<&P::mDco1Lfo, Linear>(Id::kDco1Lfo, "dco1_lfo"),
    Glide<&P::mDco1Env, EnvDepth>(Id::kDco1Env, "dco1_env"),
    Row(Id::kDco2Rang, Store<&P::mDco2Range, Quantize4>),
    Row(Id::kDco2Wave, Store<&P::mDco2Wave, Position4<Waveform>>, Fx::kHoldVoices),
    Row(Id::kDco2Xmod, Store<&P::mXmod, Position4<XmodMode>>, Fx::kHoldVoices),
    Row(Id::kDco2Tune, Store<&P::mDco2Tune, Tune>),
    Glide<&P::mDco2Fine, Fine>(Id::kDco2Fine, "dco2_fine"),
    Glide<&P::mDco2Lfo, Linear>(Id::kDco2Lfo, "dco2_lfo"),
    Glide<&P::mDco2Env, EnvDepth>(Id::kDco2Env, "dco2_env"),
    Row(Id::kDcoDyna, Store<&P::mDcoDyna, Quantize4>),
    Row(Id::kDcoMode, Store<&P::mDcoMode, Position4<EnvelopeMode>>),
    Glide<&P::mMixDco1, Linear>(Id::kMixDco1, "mix_dco1"),
    Glide<&P::mMixDco2, Linear>(Id::kMixDco2, "mix_dco2"),
    Glide<&P::mMixEnv, Linear>(Id::kMixEnv, "mix_env"),
    Row(Id::kMixDyna, Store<&P::mMixDyna, Quantize4>),
    Row(Id::kMixMode, Store<&P::mMixMode, Position4<EnvelopeMode>>),
    Row(Id::kHpfFreq, Store<&P::mHpfStep, Quantize4>),
    Glide<&P::mVcfFreq, Linear>(Id::kVcfFreq, "vcf_freq"),
    Glide<&P::mVcfRes, Linear>(Id::kVcfReso, "vcf_res"),
    Glide<&P::mVcfLfo, Linear>(Id::kVcfLfo, "vcf_lfo"),
    Glide<&P::mVcfEnv, Linear>(Id::kVcfEnv, "vcf_env"),
    Glide<&P::mVcfKey, Linear>(Id::kVcfKey, "vcf_key"),
    Row(Id::kVcfDyna, Store<&P::mVcfDyna, Quantize4>),
    Row(Id::kVcfMode, Store<&P::mVcfMode, Position4<EnvelopeMode>>),
    Glide<&P::mVcaLevel, VcaLevel>(Id::kVcaLevel, "vca"),
    Row(Id::kVcaMode, Store<&P::mVcaMode, VcaModeOf>),
    Row(Id::kVcaDyna, Store<&P::mVcaDyna, Quantize4>),
    Row(Id::kChorus, Store<&P::mChorusMode, Position3<ChorusMode>>),
    Row(Id::kLfoWave, Store<&P::mLfoWave, Position3<LfoWave>>),
    Row(Id::kLfoDelay, Store<&P::mLfoDelay, Linear>),
    Row(Id::kLfoRate, Store<&P::mLfoRate, Linear>),
    Row(Id::kBendLfo, Store<&P::mBendLfo, BendLfo>),
    Row(Id::kEnv1Att, StoreEnv<&P::mEnv1, &E::mAttack, EnvTime>),
    Row(Id::kEnv1Decay, StoreEnv<&P::mEnv1, &E::mDecay, EnvTime>),
    Row(Id::kEnv1Sus, StoreEnv<&P::mEnv1, &E::mSustain, Sustain>, Fx::kWakeEnvelope1),
    Row(Id::kEnv1Rel, StoreEnv<&P::mEnv1, &E::mRelease, EnvTime>),
    Row(Id::kEnv1Key, StoreEnv<&P::mEnv1, &E::mKeyFollow, Quantize4>),
    Row(Id::kEnv2Att, StoreEnv<&P::mEnv2, &E::mAttack, EnvTime>),
    Row(Id::kEnv2Decay, StoreEnv<&P::mEnv2, &E::mDecay, EnvTime>),
    Row(Id::kEnv2Sus, StoreEnv<&P::mEnv2, &E::mSustain, Sustain>, Fx::kWakeEnvelope2),
    Row(Id::kEnv2Rel, StoreEnv<&P::mEnv2, &E::mRelease, EnvTime>),
    Row(Id::kEnv2Key, StoreEnv<&P::mEnv2, &E::mKeyFollow, Quantize4>),
    Row(Id::kAtVibrato, Store<&P::mAtVibrato, Linear>),
    Row(Id::kAtBrilliance, Store<&P::mAtBrilliance, AtBrilliance>),
    Row(Id::kAtVolume, Store<&P::mAtVolume, Linear>),
    Row(Id::kBendRange, StoreBendRange),
    Row(Id::kPortamentoTime, Store<&P::mPortamentoTime, Linear>, Fx::kPortamentoTime),
    Row(Id::kPortamento, nullptr, Fx::kPortamentoSwitch),
    Row(Id::kPolyMode, Store<&P::mKeyMode, KeyModeOf>, Fx::kKeyMode),
    Row(Id::kUnisonDetune, Store<&P::mUnisonDetune, UnisonDetune>, Fx::kUnisonDetune),
    Row(Id::kMasterTune, Store<&P::mMasterTune, Fine>),
    Row(Id::kOctaveStretch, Store<&P::mOctaveStretch, OctaveStretch>),
    Row(Id::kTuneReserved, nullptr),
    Row(Id::kSelfNoise, Store<&P::mSelfNoise, Linear>),
    Row(Id::kMonoRetrgger, Store<&P::mMonoRetrigger, Above>),
    Row(Id::kReserved58, nullptr),
    Row(Id::kReserved59, nullptr),
    Row(Id::kChorusSpeed, Store<&P::mChorusSpeed, Linear>),
    Glide<&P::mChorusDepth, Linear>(Id::kChorusDepth, "Chorus_Depth", S::kGlobal),
    Row(Id::kChorusNoise, Store<&P::mChorusNoise, Linear>),
    Row(Id::kChorusOffset, Store<&P::mChorusOffset, Linear>),
    Glide<&P::mChorusLevel, Linear>(Id::kChorusLevel, "Chorus_Level", S::kGlobal),
    Row(Id::kLfoSync, Store<&P::mLfoSync, Above>, Fx::kLfoSync),
    Row(Id::kLfoFreerun, Store<&P::mLfoTrigger, Position3<LfoTrigger>>, Fx::kLfoTrigger),
    Row(Id::kNumberOfVoices, nullptr),
    Row(Id::kSysexMode, nullptr),
    Row(Id::kUndefined, nullptr),
};

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

bool EngineParamsMatch(const EngineParams& engine, const float* values) noexcept
{
    // Computed as the engine computes them in its block, denormals flushed (a host's 1e-40 is 0 there).
    DenormalGuard denormals;
    // A byte copy of the engine's values with every stored field written again: only those fields can
    // differ, and padding is the same on both sides.
    EngineParams expected;
    std::memcpy(&expected, &engine, sizeof expected);
    for (int id = 0; id < kPatchParamCount; ++id)
        ApplyParam(expected, id, values[id]);
    return std::memcmp(&expected, &engine, sizeof expected) == 0;
}
