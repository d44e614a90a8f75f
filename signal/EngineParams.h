// Every patch parameter in engine units: the one table the voices and global blocks read.
#pragma once

#include <cstdint>

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
    int32_t mDco1Wave = 0;
    float mDco1Tune = 0.0f;     // octaves
    float mDco1Lfo = 0.0f;
    float mDco1Env = 0.0f;
    int32_t mDco2Range = 0;
    int32_t mDco2Wave = 0;
    int32_t mXmod = 0;          // 0 off, 1 sync1, 2 sync2, 3 xmod
    float mDco2Tune = 0.0f;     // octaves
    float mDco2Fine = 0.0f;     // octaves
    float mDco2Lfo = 0.0f;
    float mDco2Env = 0.0f;
    int32_t mDcoDyna = 0;
    int32_t mDcoMode = 0;
    float mMixDco1 = 0.0f;
    float mMixDco2 = 0.0f;
    float mMixEnv = 0.0f;
    int32_t mMixDyna = 0;
    int32_t mMixMode = 0;
    int32_t mHpfStep = 0;
    float mVcfFreq = 0.0f;
    float mVcfRes = 0.0f;
    float mVcfLfo = 0.0f;
    float mVcfEnv = 0.0f;
    float mVcfKey = 0.0f;
    int32_t mVcfDyna = 0;
    int32_t mVcfMode = 0;
    float mVcaLevel = 0.0f;
    int32_t mVcaMode = 0;
    int32_t mVcaDyna = 0;
    int32_t mChorusMode = 0;
    int32_t mLfoWave = 0;
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
    int32_t mKeyMode = 0;       // 0..5
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
    int32_t mLfoTrigger = 0;    // 0 free, 1 soft, 2 hard
};
