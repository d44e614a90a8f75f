// The patch parameter ids 0-69: one numbering shared by the host, the engine, the editor, MIDI
// learn, SysEx and the patch files. Each id is named after the parameter's registered name.
#pragma once

#include <cstdint>

enum class ParamId : int32_t {
    kDco1Rang,       // "DCO1 RANG"
    kDco1Wave,       // "DCO1 WAVE"
    kDco1Tune,       // "DCO1 TUNE"
    kDco1Lfo,        // "DCO1 LFO "
    kDco1Env,        // "DCO1 ENV "
    kDco2Rang,       // "DCO2 RANG"
    kDco2Wave,       // "DCO2 WAVE"
    kDco2Xmod,       // "DCO2 XMOD"
    kDco2Tune,       // "DCO2 TUNE"
    kDco2Fine,       // "DCO2 FINE"
    kDco2Lfo,        // "DCO2 LFO "
    kDco2Env,        // "DCO2 ENV "
    kDcoDyna,        // "DCO DYNA"
    kDcoMode,        // "DCO MODE"
    kMixDco1,        // "MIX DCO1"
    kMixDco2,        // "MIX DCO2"
    kMixEnv,         // "MIX ENV "
    kMixDyna,        // "MIX DYNA"
    kMixMode,        // "MIX MODE"
    kHpfFreq,        // "HPF FREQ"
    kVcfFreq,        // "VCF FREQ"
    kVcfReso,        // "VCF RESO"
    kVcfLfo,         // "VCF LFO "
    kVcfEnv,         // "VCF ENV "
    kVcfKey,         // "VCF KEY "
    kVcfDyna,        // "VCF DYNA"
    kVcfMode,        // "VCF MODE"
    kVcaLevel,       // "VCA LEVEL"
    kVcaMode,        // "VCA MODE"
    kVcaDyna,        // "VCA DYNA"
    kChorus,         // "CHORUS"
    kLfoWave,        // "LFO WAVE"
    kLfoDelay,       // "LFO DELAY"
    kLfoRate,        // "LFO RATE"
    kBendLfo,        // "BEND LFO"
    kEnv1Att,        // "ENV1 ATT "
    kEnv1Decay,      // "ENV1 DECAY"
    kEnv1Sus,        // "ENV1 SUS "
    kEnv1Rel,        // "ENV1 REL "
    kEnv1Key,        // "ENV1 KEY "
    kEnv2Att,        // "ENV2 ATT "
    kEnv2Decay,      // "ENV2 DECAY"
    kEnv2Sus,        // "ENV2 SUS "
    kEnv2Rel,        // "ENV2 REL "
    kEnv2Key,        // "ENV2 KEY "
    kAtVibrato,      // "AT Vibrato   "
    kAtBrilliance,   // "AT Brilliance"
    kAtVolume,       // "AT Volume    "
    kBendRange,      // "BEND RANGE"
    kPortamentoTime, // "PORTAMENTO", the glide time
    kPortamento,     // "PORTAMENTO", the switch
    kPolyMode,       // "POLYMODE"
    kUnisonDetune,   // "UNISONDETUNE"
    kMasterTune,     // "MASTER TUNE"
    kOctaveStretch,  // "OCTAVE STRETCH"
    kTuneReserved,   // "Tune Reserved"
    kSelfNoise,      // "SELFNOISE"
    kMonoRetrgger,   // "MONO RETRGGER"
    kReserved58,     // "Reserved"
    kReserved59,     // "Reserved"
    kChorusSpeed,    // "CHORUS SPEED"
    kChorusDepth,    // "CHORUS DEPTH"
    kChorusNoise,    // "CHORUS NOISE"
    kChorusOffset,   // "CHORUS OFFSET"
    kChorusLevel,    // "CHORUS LEVEL"
    kLfoSync,        // "LFO SYNC"
    kLfoFreerun,     // "LFO FREERUN"
    kNumberOfVoices, // "Number of Voices"
    kSysexMode,      // "Sysex Mode"
    kUndefined,      // id 69, left undefined
};

constexpr int kPatchParamCount = 70;
static_assert(static_cast<int>(ParamId::kUndefined) == kPatchParamCount - 1);

// The id's number, as hosts, events and files carry it.
constexpr int Index(ParamId id) noexcept
{
    return static_cast<int>(id);
}

constexpr bool IsPatchParamIndex(int index) noexcept
{
    return index >= 0 && index < kPatchParamCount;
}
