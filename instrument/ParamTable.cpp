#include "instrument/ParamTable.h"

namespace kt4r {

namespace {
constexpr ParamKind D = ParamKind::kDouble;
constexpr ParamKind I = ParamKind::kInt;
constexpr ParamKind B = ParamKind::kBool;
using R = ReadoutRule;
using X = SideEffect;
} // namespace

// clang-format off
constexpr ParamDef kPatchParams[kPatchParamCount] = {
  // id kind  name               readout label       min max  step  default group         label  rule  effect
  {0,  D, "DCO1 RANG",        "DCO1 RANGE     ",  0, 3,  1,    1,    "DCO1",       "", R::kFeet, X::kNone},
  {1,  D, "DCO1 WAVE",        "DCO1 WAVE      ",  0, 3,  1,    3,    "DCO1",       "", R::kWave, X::kNone},
  {2,  D, "DCO1 TUNE",        "DCO1 TUNE      ",  0, 1,  0.01, 0.5,  "DCO1",       "", R::kSemitone, X::kNone},
  {3,  D, "DCO1 LFO ",        "DCO1 LFO       ",  0, 99, 0.01, 0,    "DCO1",       "", R::kScale, X::kNone},
  {4,  D, "DCO1 ENV ",        "DCO1 ENV       ",  0, 99, 0.01, 0,    "DCO1",       "", R::kScale, X::kNone},
  {5,  D, "DCO2 RANG",        "DCO2 RANGE     ",  0, 3,  1,    1,    "DCO2",       "", R::kFeet, X::kNone},
  {6,  D, "DCO2 WAVE",        "DCO2 WAVE      ",  0, 3,  1,    3,    "DCO2",       "", R::kWave, X::kNone},
  {7,  D, "DCO2 XMOD",        "DCO2 XMOD      ",  0, 1,  0.01, 0,    "DCO2",       "", R::kXmod, X::kNone},
  {8,  D, "DCO2 TUNE",        "DCO2 TUNE      ",  0, 1,  0.01, 0.5,  "DCO2",       "", R::kSemitone, X::kNone},
  {9,  D, "DCO2 FINE",        "DCO2 FINE TUNE ",  0, 1,  0.01, 0.5,  "DCO2",       "", R::kCents, X::kNone},
  {10, D, "DCO2 LFO ",        "DCO2 LFO       ",  0, 99, 0.01, 0,    "DCO2",       "", R::kScale, X::kNone},
  {11, D, "DCO2 ENV ",        "DCO2 ENV       ",  0, 99, 0.01, 0,    "DCO2",       "", R::kScale, X::kNone},
  {12, D, "DCO DYNA",         "DCO DYNAMICS   ",  0, 3,  1,    0,    "DCO",        "", R::kDyna, X::kNone},
  {13, D, "DCO MODE",         "DCO MODE       ",  0, 3,  1,    3,    "DCO",        "", R::kEnvMode, X::kNone},
  {14, D, "MIX DCO1",         "MIX DCO1       ",  0, 99, 0.01, 99,   "MIX",        "", R::kScale, X::kNone},
  {15, D, "MIX DCO2",         "MIX DCO2       ",  0, 99, 0.01, 0,    "MIX",        "", R::kScale, X::kNone},
  {16, D, "MIX ENV ",         "MIX ENV        ",  0, 99, 0.01, 0,    "MIX",        "", R::kScale, X::kNone},
  {17, D, "MIX DYNA",         "MIX DYNAMICS   ",  0, 3,  1,    0,    "MIX",        "", R::kDyna, X::kNone},
  {18, D, "MIX MODE",         "MIX MODE       ",  0, 3,  1,    3,    "MIX",        "", R::kEnvMode, X::kNone},
  {19, D, "HPF FREQ",         "HPF FREQUENCY  ",  0, 3,  1,    0,    "VCF",        "", R::kHpf, X::kNone},
  {20, D, "VCF FREQ",         "VCF FREQUENCY  ",  0, 99, 0.01, 99,   "VCF",        "", R::kScale, X::kNone},
  {21, D, "VCF RESO",         "VCF RESONANCE  ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale, X::kNone},
  {22, D, "VCF LFO ",         "VCF LFO        ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale, X::kNone},
  {23, D, "VCF ENV ",         "VCF ENV        ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale, X::kNone},
  {24, D, "VCF KEY ",         "VCF KEY FOLLOW ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale, X::kNone},
  {25, D, "VCF DYNA",         "VCF DYNAMICS   ",  0, 3,  1,    0,    "VCF",        "", R::kDyna, X::kNone},
  {26, D, "VCF MODE",         "VCF MODE       ",  0, 3,  1,    3,    "VCF",        "", R::kEnvMode, X::kNone},
  {27, D, "VCA LEVEL",        "VCA LEVEL      ",  0, 99, 0.01, 99,   "VCA",        "", R::kScale, X::kNone},
  {28, D, "VCA MODE",         "VCA MODE       ",  0, 1,  1,    1,    "VCA",        "", R::kVcaMode, X::kNone},
  {29, D, "VCA DYNA",         "VCA DYNAMICS   ",  0, 3,  1,    2,    "VCA",        "", R::kDyna, X::kNone},
  {30, D, "CHORUS",           "CHORUS         ",  0, 2,  1,    0,    "VCA",        "", R::kChorus, X::kNone},
  {31, D, "LFO WAVE",         "LFO WAVE       ",  0, 2,  1,    2,    "LFO",        "", R::kLfoWave, X::kNone},
  {32, D, "LFO DELAY",        "LFO DELAY      ",  0, 99, 0.01, 0,    "LFO",        "", R::kScale, X::kNone},
  {33, D, "LFO RATE",         "LFO RATE       ",  0, 99, 0.01, 0.8,  "LFO",        "", R::kLfoRate, X::kNone},
  {34, D, "BEND LFO",         "LFO BEND       ",  0, 99, 0.01, 99,   "LFO",        "", R::kScale, X::kNone},
  {35, D, "ENV1 ATT ",        "ENV1 ATTACK    ",  0, 99, 0.01, 0,    "ENV1",       "", R::kScale, X::kNone},
  {36, D, "ENV1 DECAY",       "ENV1 DECAY     ",  0, 99, 0.01, 20,   "ENV1",       "", R::kScale, X::kNone},
  {37, D, "ENV1 SUS ",        "ENV1 SUSTAIN   ",  0, 99, 0.01, 80,   "ENV1",       "", R::kScale, X::kNone},
  {38, D, "ENV1 REL ",        "ENV1 RELEASE   ",  0, 99, 0.01, 20,   "ENV1",       "", R::kScale, X::kNone},
  {39, D, "ENV1 KEY ",        "ENV1 KEY FOLLOW",  0, 3,  1,    0,    "ENV1",       "", R::kDyna, X::kNone},
  {40, D, "ENV2 ATT ",        "ENV2 ATTACK    ",  0, 99, 0.01, 0,    "ENV2",       "", R::kScale, X::kNone},
  {41, D, "ENV2 DECAY",       "ENV2 DECAY     ",  0, 99, 0.01, 20,   "ENV2",       "", R::kScale, X::kNone},
  {42, D, "ENV2 SUS ",        "ENV2 SUSTAIN   ",  0, 99, 0.01, 80,   "ENV2",       "", R::kScale, X::kNone},
  {43, D, "ENV2 REL ",        "ENV2 RELEASE   ",  0, 99, 0.01, 20,   "ENV2",       "", R::kScale, X::kNone},
  {44, D, "ENV2 KEY ",        "ENV2 KEY FOLLOW",  0, 3,  1,    0,    "ENV2",       "", R::kDyna, X::kNone},
  {45, D, "AT Vibrato   ",    "AT Vibrato    ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale, X::kNone},
  {46, D, "AT Brilliance",    "AT Brilliance ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale, X::kNone},
  {47, D, "AT Volume    ",    "AT VOLUME     ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale, X::kNone},
  {48, D, "BEND RANGE",       "Bend Range ",      0, 1,  0.01, 0,    "",           "", R::kBend, X::kNone},
  {49, D, "PORTAMENTO",       "Porta Time ",      0, 99, 0.01, 0,    "",           "", R::kScale, X::kNone},
  {50, B, "PORTAMENTO",       "Portamento ",      0, 1,  1,    0,    "",           "", R::kOnOff, X::kPortamentoSwitch},
  {51, I, "POLYMODE",         "Key Assign ",      0, 5,  1,    0,    "",           "", R::kKeyAssign, X::kKeyAssignMode},
  {52, D, "UNISONDETUNE",     "Unison Detune",    0, 1,  0.01, 0.2,  "SETTINGS",   "", R::kScale, X::kNone},
  {53, D, "MASTER TUNE",      "Master Tune   ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kPitch, X::kNone},
  {54, D, "OCTAVE STRETCH",   "Octave Stretch",   0, 1,  0.01, 0.4,  "SETTINGS",   "", R::kCents, X::kNone},
  {55, D, "Tune Reserved",    " ",                0, 1,  0.01, 0,    "SETTINGS",   "", R::kScale, X::kNone},
  {56, D, "SELFNOISE",        "Filter Noise  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale, X::kNone},
  {57, B, "MONO RETRGGER",    "MONO TRIGGER",     0, 1,  1,    0,    "",           "", R::kTrigger, X::kMonoRetrigger},
  {58, B, "Reserved",         " ",                0, 1,  1,    0,    "",           "SETTINGS", R::kScale, X::kNone},
  {59, B, "Reserved",         " ",                0, 1,  1,    0,    "",           "SETTINGS", R::kScale, X::kNone},
  {60, D, "CHORUS SPEED",     "Chorus Speed  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale, X::kNone},
  {61, D, "CHORUS DEPTH",     "Chorus Depth  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale, X::kNone},
  {62, D, "CHORUS NOISE",     "Chorus Noise  ",   0, 1,  0.01, 0,    "SETTINGS",   "", R::kScale, X::kNone},
  {63, D, "CHORUS OFFSET",    "Chorus Offset ",   0, 1,  0.01, 0.1,  "SETTINGS",   "", R::kScale, X::kNone},
  {64, D, "CHORUS LEVEL",     "Chorus Level  ",   0, 1,  0.01, 0.55, "SETTINGS",   "", R::kScale, X::kNone},
  {65, B, "LFO SYNC",         "LFO SYNC      ",   0, 1,  1,    0,    "",           "SETTINGS", R::kOnOff, X::kNone},
  {66, I, "LFO FREERUN",      "LFO TRIGGER   ",   0, 2,  1,    0,    "",           "SETTINGS", R::kLfoTrigger, X::kNone},
  // The default of "Number of Voices" (voice pairs) comes from the configured voice count.
  {67, I, "Number of Voices", "Number of Voices", 3, 6,  1,    3,    "",           "", R::kVoices, X::kVoiceCount},
  {68, I, "Sysex Mode",       " ",                0, 2,  1,    0,    "",           "", R::kScale, X::kSysexFormat},
  {69, ParamKind::kNone, "",  " ",                0, 1,  1,    0,    "",           "", R::kScale, X::kNone},
};

constexpr bool PatchRowsInIdOrder()
{
    for (int i = 0; i < kPatchParamCount; ++i)
        if (kPatchParams[i].id != i)
            return false;
    return true;
}
static_assert(PatchRowsInIdOrder(), "one patch row per ParamId, in id order");

const ParamDef kSettingsParams[kNumDefinedSettings] = {
  {71, I, "KEYMODE",            " ",                0, 2, 1,    0, "", "", R::kScale, X::kEditorPage},
  {75, D, "ML Min",             "Midi Learn Min ",  0, 1, 0.01, 0, "", "", R::kScale, X::kMidiLearnBounds},
  {76, D, "ML Max",             "Midi Learn Max ",  0, 1, 0.01, 1, "", "", R::kScale, X::kMidiLearnBounds},
  {77, B, "ML Immediate",       " ",                0, 1, 1,    1, "", "", R::kScale, X::kNone},
  {79, I, "MIDI Channel",       "Midi Channel ",    0, 16, 1,   0, "", "", R::kChannel, X::kMidiChannel},
  {80, B, "PresetDirty",        " ",                0, 1, 1,    0, "", "", R::kScale, X::kEditedMark},
  {78, I, "Global Gain",        "GLOBAL GAIN",      0, 2, 1,    1, "", "", R::kGain, X::kOutputGain},
  {90, B, "Send Sysex Param",   "Send Param SysEx", 0, 1, 1,    0, "", "", R::kOnOff, X::kNone},
  {91, B, "Send Sysex Prg",     "Send Prg SysEx",   0, 1, 1,    0, "", "", R::kOnOff, X::kNone},
  {92, B, "Immediate Write",    "Immediate Write",  0, 1, 1,    0, "", "", R::kOnOff, X::kNone},
  {97, B, "Use Default ML map", " ",                0, 1, 1,    1, "", "", R::kScale, X::kNone},
};

const uint8_t kDisplayScale[128] = {
   0,  1,  2,  3,  3,  4,  5,  6,  6,  7,  8,  9, 10, 10, 11, 12,
  13, 14, 14, 15, 16, 17, 17, 18, 19, 20, 20, 21, 22, 23, 24, 24,
  25, 26, 27, 28, 28, 29, 30, 31, 31, 32, 33, 34, 35, 35, 36, 37,
  38, 39, 39, 40, 41, 42, 43, 43, 44, 45, 46, 46, 47, 48, 49, 49,
  50, 51, 52, 53, 53, 54, 55, 56, 56, 57, 58, 59, 60, 60, 61, 62,
  63, 63, 64, 65, 66, 67, 67, 68, 69, 70, 71, 71, 72, 73, 74, 74,
  75, 76, 77, 77, 78, 79, 80, 80, 81, 82, 83, 84, 84, 85, 86, 87,
  88, 88, 89, 90, 91, 91, 92, 92, 93, 94, 95, 96, 96, 97, 98, 99,
};
// clang-format on

const ParamDef* FindParamDef(int id)
{
    if (IsPatchParamIndex(id))
        return &kPatchParams[id];
    for (const ParamDef& def : kSettingsParams) {
        if (def.id == id)
            return &def;
    }
    return nullptr;
}

const ParamDef& PatchParamDef(ParamId id)
{
    return kPatchParams[Index(id)];
}

SideEffect SideEffectOf(int id)
{
    // The command buttons' ids are left undefined; a change of one is the command.
    switch (static_cast<SettingId>(id)) {
    case SettingId::kCommandInit:
    case SettingId::kCommandNextProgram:
    case SettingId::kCommandPreviousProgram:
    case SettingId::kCommandRandom: return SideEffect::kProgramCommand;
    case SettingId::kMidiLearnPage1:
    case SettingId::kMidiLearnPage3:
    case SettingId::kMidiLearnPage4: return SideEffect::kMidiLearnCommand;
    default: break;
    }
    const ParamDef* def = FindParamDef(id);
    return def ? def->effect : SideEffect::kNone;
}

} // namespace kt4r
