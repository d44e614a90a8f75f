// Every patch parameter in engine units: the one table the voices and global blocks read.
#pragma once

#include <cstdint>

// The positions of the panel's mode switches, as the engine stores them.
enum class Waveform : int32_t { kNoise, kSquare, kPulse, kSaw };
enum class XmodMode : int32_t { kOff, kSync1, kSync2, kXmod };
// Which envelope drives a destination, and in which direction.
enum class EnvelopeMode : int32_t { kEnv2Down, kEnv2Up, kEnv1Down, kEnv1Up };
enum class VcaMode : int32_t { kGate, kEnv2 };
enum class ChorusMode : int32_t { kOff, kChorus1, kChorus2 };
enum class LfoWave : int32_t { kRandom, kSquare, kSine };
enum class LfoTrigger : int32_t { kFree, kSoft, kHard };
enum class KeyMode : int32_t { kPoly1, kPoly2, kUnison1, kUnison2, kMono1, kMono2 };

struct EnvelopeParams {
    float mAttack = 0.0f;   // prepared time value, min(v * 7.879, v * 30 - 3)
    float mDecay = 0.0f;
    float mSustain = 0.0f;  // level, v * 0.99
    float mRelease = 0.0f;
    int32_t mKeyFollow = 0; // 0..3
};

struct EngineParams {
    uint32_t mExtendedBend = 0;
    int32_t mDco1Range = 0;
    Waveform mDco1Wave = Waveform::kNoise;
    float mDco1Tune = 0.0f;     // octaves
    float mDco1Lfo = 0.0f;
    float mDco1Env = 0.0f;
    int32_t mDco2Range = 0;
    Waveform mDco2Wave = Waveform::kNoise;
    XmodMode mXmod = XmodMode::kOff;
    float mDco2Tune = 0.0f;     // octaves
    float mDco2Fine = 0.0f;     // octaves
    float mDco2Lfo = 0.0f;
    float mDco2Env = 0.0f;
    int32_t mDcoDyna = 0;
    EnvelopeMode mDcoMode = EnvelopeMode::kEnv2Down;
    float mMixDco1 = 0.0f;
    float mMixDco2 = 0.0f;
    float mMixEnv = 0.0f;
    int32_t mMixDyna = 0;
    EnvelopeMode mMixMode = EnvelopeMode::kEnv2Down;
    int32_t mHpfStep = 0;
    float mVcfFreq = 0.0f;
    float mVcfRes = 0.0f;
    float mVcfLfo = 0.0f;
    float mVcfEnv = 0.0f;
    float mVcfKey = 0.0f;
    int32_t mVcfDyna = 0;
    EnvelopeMode mVcfMode = EnvelopeMode::kEnv2Down;
    float mVcaLevel = 0.0f;
    VcaMode mVcaMode = VcaMode::kGate;
    int32_t mVcaDyna = 0;
    ChorusMode mChorusMode = ChorusMode::kOff;
    LfoWave mLfoWave = LfoWave::kRandom;
    float mLfoDelay = 0.0f;
    float mLfoRate = 0.0f;
    float mBendLfo = 0.0f;      // modulation-wheel vibrato depth, v * 0.05
    EnvelopeParams mEnv1;
    EnvelopeParams mEnv2;
    float mAtVibrato = 0.0f;
    float mAtBrilliance = 0.0f; // v * 0.2
    float mAtVolume = 0.0f;
    float mBendRange = 2.0f;    // octaves per full bend
    float mPortamentoTime = 0.0f;
    float mUnisonDetune = 0.01f; // octaves
    KeyMode mKeyMode = KeyMode::kPoly1;
    uint8_t mMonoRetrigger = 0;
    float mSelfNoise = 0.5f;
    float mMasterTune = 0.5f;   // octaves
    float mOctaveStretch = 0.5f; // factor
    float mChorusSpeed = 0.5f;
    float mChorusDepth = 0.5f;
    float mChorusOffset = 0.0f;
    float mChorusLevel = 0.0f;
    float mChorusNoise = 0.0f;
    uint8_t mLfoSync = 0;
    LfoTrigger mLfoTrigger = LfoTrigger::kFree;
};
