#include "engine/ApplyParam.h"

#include "signal/EngineParams.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kSemitone = 0.083333336f; // one twelfth of an octave

float Tune(float v) noexcept
{
    float x = v * 24.0f + 0.5f;
    return static_cast<float>(std::floor(static_cast<double>(x)) - 12.0) * kSemitone;
}

float EnvDepth(float v) noexcept
{
    return v >= 0.008f ? (v * 1.00405f - 0.0039114f) * 2.64f : v * 0.515125f;
}

float EnvTime(float v) noexcept
{
    return std::min(v * 7.879f, v * 30.0f - 3.0f);
}

float BendRange(float v, bool extended) noexcept
{
    if (v < 0.16666f)
        return 0.16666667f;
    if (v < 0.5f)
        return extended ? 0.5833333f : 0.25f;
    if (v < 0.83333f)
        return extended ? 1.0f : 0.33333334f;
    return extended ? 2.0f : 0.5833333f;
}

void ApplyEnvelope(EnvelopeParams& env, int field, float v) noexcept
{
    switch (field) {
    case 0: env.mAttack = EnvTime(v); break;
    case 1: env.mDecay = EnvTime(v); break;
    case 2: env.mSustain = v * 0.99f; break;
    case 3: env.mRelease = EnvTime(v); break;
    case 4: env.mKeyFollow = Quantize4(v); break;
    default: break;
    }
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

void ApplyParam(EngineParams& p, int id, float v) noexcept
{
    // A value that is not a number never reaches the engine.
    if (!std::isfinite(v))
        return;
    switch (id) {
    case 0: p.mDco1Range = Quantize4(v); break;
    case 1: p.mDco1Wave = Quantize4(v); break;
    case 2: p.mDco1Tune = Tune(v); break;
    case 3: p.mDco1Lfo = v; break;
    case 4: p.mDco1Env = EnvDepth(v); break;
    case 5: p.mDco2Range = Quantize4(v); break;
    case 6: p.mDco2Wave = Quantize4(v); break;
    case 7: p.mXmod = Quantize4(v); break;
    case 8: p.mDco2Tune = Tune(v); break;
    case 9: p.mDco2Fine = (v - 0.5f) * kSemitone; break;
    case 10: p.mDco2Lfo = v; break;
    case 11: p.mDco2Env = EnvDepth(v); break;
    case 12: p.mDcoDyna = Quantize4(v); break;
    case 13: p.mDcoMode = Quantize4(v); break;
    case 14: p.mMixDco1 = v; break;
    case 15: p.mMixDco2 = v; break;
    case 16: p.mMixEnv = v; break;
    case 17: p.mMixDyna = Quantize4(v); break;
    case 18: p.mMixMode = Quantize4(v); break;
    case 19: p.mHpfStep = Quantize4(v); break;
    case 20: p.mVcfFreq = v; break;
    case 21: p.mVcfRes = v; break;
    case 22: p.mVcfLfo = v; break;
    case 23: p.mVcfEnv = v; break;
    case 24: p.mVcfKey = v; break;
    case 25: p.mVcfDyna = Quantize4(v); break;
    case 26: p.mVcfMode = Quantize4(v); break;
    case 27:
        p.mVcaLevel = 0.2f * static_cast<float>(0.5 * std::exp(1.0 - 4.4 * static_cast<double>(1.0f - v)));
        break;
    case 28: p.mVcaMode = v >= 0.5f ? 1 : 0; break;
    case 29: p.mVcaDyna = Quantize4(v); break;
    case 30: p.mChorusMode = Quantize3(v); break;
    case 31: p.mLfoWave = Quantize3(v); break;
    case 32: p.mLfoDelay = v; break;
    case 33: p.mLfoRate = v; break;
    case 34: p.mBendLfo = v * 0.05f; break;
    case 35: case 36: case 37: case 38: case 39: ApplyEnvelope(p.mEnv1, id - 35, v); break;
    case 40: case 41: case 42: case 43: case 44: ApplyEnvelope(p.mEnv2, id - 40, v); break;
    case 45: p.mAtVibrato = v; break;
    case 46: p.mAtBrilliance = v * 0.2f; break;
    case 47: p.mAtVolume = v; break;
    case 48: p.mBendRange = BendRange(v, p.mExtendedBend != 0); break;
    case 49: p.mPortamentoTime = v; break;
    case 51: p.mKeyMode = std::clamp(static_cast<int32_t>(v * 5.0f), 0, 5); break;
    case 52: p.mUnisonDetune = v * 0.5f * kSemitone; break;
    case 53: p.mMasterTune = (v - 0.5f) * kSemitone; break;
    case 54: p.mOctaveStretch = (v - 0.5f) * 0.002f + 1.0f; break;
    case 56: p.mSelfNoise = v; break;
    case 57: p.mMonoRetrigger = v > 0.5f ? 1 : 0; break;
    case 60: p.mChorusSpeed = v; break;
    case 61: p.mChorusDepth = v; break;
    case 62: p.mChorusNoise = v; break;
    case 63: p.mChorusOffset = v; break;
    case 64: p.mChorusLevel = v; break;
    case 65: p.mLfoSync = v > 0.5f ? 1 : 0; break;
    case 66: p.mLfoTrigger = Quantize3(v); break;
    default: break;
    }
}
