#include "instrument/ParamTable.h"

namespace kt4r {

namespace {
constexpr ParamKind D = ParamKind::kDouble;
constexpr ParamKind I = ParamKind::kInt;
constexpr ParamKind B = ParamKind::kBool;
using R = ReadoutRule;
} // namespace

// clang-format off
const ParamDef kPatchParams[kNumPatchParams] = {
  // id kind  name               readout label       min max  step  default group         label  rule
  {0,  D, "DCO1 RANG",        "DCO1 RANGE     ",  0, 3,  1,    1,    "DCO1",       "", R::kFeet},
  {1,  D, "DCO1 WAVE",        "DCO1 WAVE      ",  0, 3,  1,    3,    "DCO1",       "", R::kWave},
  {2,  D, "DCO1 TUNE",        "DCO1 TUNE      ",  0, 1,  0.01, 0.5,  "DCO1",       "", R::kSemitone},
  {3,  D, "DCO1 LFO ",        "DCO1 LFO       ",  0, 99, 0.01, 0,    "DCO1",       "", R::kScale},
  {4,  D, "DCO1 ENV ",        "DCO1 ENV       ",  0, 99, 0.01, 0,    "DCO1",       "", R::kScale},
  {5,  D, "DCO2 RANG",        "DCO2 RANGE     ",  0, 3,  1,    1,    "DCO2",       "", R::kFeet},
  {6,  D, "DCO2 WAVE",        "DCO2 WAVE      ",  0, 3,  1,    3,    "DCO2",       "", R::kWave},
  {7,  D, "DCO2 XMOD",        "DCO2 XMOD      ",  0, 1,  0.01, 0,    "DCO2",       "", R::kXmod},
  {8,  D, "DCO2 TUNE",        "DCO2 TUNE      ",  0, 1,  0.01, 0.5,  "DCO2",       "", R::kSemitone},
  {9,  D, "DCO2 FINE",        "DCO2 FINE TUNE ",  0, 1,  0.01, 0.5,  "DCO2",       "", R::kCents},
  {10, D, "DCO2 LFO ",        "DCO2 LFO       ",  0, 99, 0.01, 0,    "DCO2",       "", R::kScale},
  {11, D, "DCO2 ENV ",        "DCO2 ENV       ",  0, 99, 0.01, 0,    "DCO2",       "", R::kScale},
  {12, D, "DCO DYNA",         "DCO DYNAMICS   ",  0, 3,  1,    0,    "DCO",        "", R::kDyna},
  {13, D, "DCO MODE",         "DCO MODE       ",  0, 3,  1,    3,    "DCO",        "", R::kEnvMode},
  {14, D, "MIX DCO1",         "MIX DCO1       ",  0, 99, 0.01, 99,   "MIX",        "", R::kScale},
  {15, D, "MIX DCO2",         "MIX DCO2       ",  0, 99, 0.01, 0,    "MIX",        "", R::kScale},
  {16, D, "MIX ENV ",         "MIX ENV        ",  0, 99, 0.01, 0,    "MIX",        "", R::kScale},
  {17, D, "MIX DYNA",         "MIX DYNAMICS   ",  0, 3,  1,    0,    "MIX",        "", R::kDyna},
  {18, D, "MIX MODE",         "MIX MODE       ",  0, 3,  1,    3,    "MIX",        "", R::kEnvMode},
  {19, D, "HPF FREQ",         "HPF FREQUENCY  ",  0, 3,  1,    0,    "VCF",        "", R::kHpf},
  {20, D, "VCF FREQ",         "VCF FREQUENCY  ",  0, 99, 0.01, 99,   "VCF",        "", R::kScale},
  {21, D, "VCF RESO",         "VCF RESONANCE  ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale},
  {22, D, "VCF LFO ",         "VCF LFO        ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale},
  {23, D, "VCF ENV ",         "VCF ENV        ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale},
  {24, D, "VCF KEY ",         "VCF KEY FOLLOW ",  0, 99, 0.01, 0,    "VCF",        "", R::kScale},
  {25, D, "VCF DYNA",         "VCF DYNAMICS   ",  0, 3,  1,    0,    "VCF",        "", R::kDyna},
  {26, D, "VCF MODE",         "VCF MODE       ",  0, 3,  1,    3,    "VCF",        "", R::kEnvMode},
  {27, D, "VCA LEVEL",        "VCA LEVEL      ",  0, 99, 0.01, 99,   "VCA",        "", R::kScale},
  {28, D, "VCA MODE",         "VCA MODE       ",  0, 1,  1,    1,    "VCA",        "", R::kVcaMode},
  {29, D, "VCA DYNA",         "VCA DYNAMICS   ",  0, 3,  1,    2,    "VCA",        "", R::kDyna},
  {30, D, "CHORUS",           "CHORUS         ",  0, 2,  1,    0,    "VCA",        "", R::kChorus},
  {31, D, "LFO WAVE",         "LFO WAVE       ",  0, 2,  1,    2,    "LFO",        "", R::kLfoWave},
  {32, D, "LFO DELAY",        "LFO DELAY      ",  0, 99, 0.01, 0,    "LFO",        "", R::kScale},
  {33, D, "LFO RATE",         "LFO RATE       ",  0, 99, 0.01, 0.8,  "LFO",        "", R::kLfoRate},
  {34, D, "BEND LFO",         "LFO BEND       ",  0, 99, 0.01, 99,   "LFO",        "", R::kScale},
  {35, D, "ENV1 ATT ",        "ENV1 ATTACK    ",  0, 99, 0.01, 0,    "ENV1",       "", R::kScale},
  {36, D, "ENV1 DECAY",       "ENV1 DECAY     ",  0, 99, 0.01, 20,   "ENV1",       "", R::kScale},
  {37, D, "ENV1 SUS ",        "ENV1 SUSTAIN   ",  0, 99, 0.01, 80,   "ENV1",       "", R::kScale},
  {38, D, "ENV1 REL ",        "ENV1 RELEASE   ",  0, 99, 0.01, 20,   "ENV1",       "", R::kScale},
  {39, D, "ENV1 KEY ",        "ENV1 KEY FOLLOW",  0, 3,  1,    0,    "ENV1",       "", R::kDyna},
  {40, D, "ENV2 ATT ",        "ENV2 ATTACK    ",  0, 99, 0.01, 0,    "ENV2",       "", R::kScale},
  {41, D, "ENV2 DECAY",       "ENV2 DECAY     ",  0, 99, 0.01, 20,   "ENV2",       "", R::kScale},
  {42, D, "ENV2 SUS ",        "ENV2 SUSTAIN   ",  0, 99, 0.01, 80,   "ENV2",       "", R::kScale},
  {43, D, "ENV2 REL ",        "ENV2 RELEASE   ",  0, 99, 0.01, 20,   "ENV2",       "", R::kScale},
  {44, D, "ENV2 KEY ",        "ENV2 KEY FOLLOW",  0, 3,  1,    0,    "ENV2",       "", R::kDyna},
  {45, D, "AT Vibrato   ",    "AT Vibrato    ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale},
  {46, D, "AT Brilliance",    "AT Brilliance ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale},
  {47, D, "AT Volume    ",    "AT VOLUME     ",   0, 99, 0.01, 0,    "Aftertouch", "", R::kScale},
  {48, D, "BEND RANGE",       "Bend Range ",      0, 1,  0.01, 0,    "",           "", R::kBend},
  {49, D, "PORTAMENTO",       "Porta Time ",      0, 99, 0.01, 0,    "",           "", R::kScale},
  {50, B, "PORTAMENTO",       "Portamento ",      0, 1,  1,    0,    "",           "", R::kOnOff},
  {51, I, "POLYMODE",         "Key Assign ",      0, 5,  1,    0,    "",           "", R::kKeyAssign},
  {52, D, "UNISONDETUNE",     "Unison Detune",    0, 1,  0.01, 0.2,  "SETTINGS",   "", R::kScale},
  {53, D, "MASTER TUNE",      "Master Tune   ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kPitch},
  {54, D, "OCTAVE STRETCH",   "Octave Stretch",   0, 1,  0.01, 0.4,  "SETTINGS",   "", R::kCents},
  {55, D, "Tune Reserved",    " ",                0, 1,  0.01, 0,    "SETTINGS",   "", R::kScale},
  {56, D, "SELFNOISE",        "Filter Noise  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale},
  {57, B, "MONO RETRGGER",    "MONO TRIGGER",     0, 1,  1,    0,    "",           "", R::kTrigger},
  {58, B, "Reserved",         " ",                0, 1,  1,    0,    "",           "SETTINGS", R::kScale},
  {59, B, "Reserved",         " ",                0, 1,  1,    0,    "",           "SETTINGS", R::kScale},
  {60, D, "CHORUS SPEED",     "Chorus Speed  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale},
  {61, D, "CHORUS DEPTH",     "Chorus Depth  ",   0, 1,  0.01, 0.5,  "SETTINGS",   "", R::kScale},
  {62, D, "CHORUS NOISE",     "Chorus Noise  ",   0, 1,  0.01, 0,    "SETTINGS",   "", R::kScale},
  {63, D, "CHORUS OFFSET",    "Chorus Offset ",   0, 1,  0.01, 0.1,  "SETTINGS",   "", R::kScale},
  {64, D, "CHORUS LEVEL",     "Chorus Level  ",   0, 1,  0.01, 0.55, "SETTINGS",   "", R::kScale},
  {65, B, "LFO SYNC",         "LFO SYNC      ",   0, 1,  1,    0,    "",           "SETTINGS", R::kOnOff},
  {66, I, "LFO FREERUN",      "LFO TRIGGER   ",   0, 2,  1,    0,    "",           "SETTINGS", R::kLfoTrigger},
  // The default of "Number of Voices" (voice pairs) comes from the configured voice count.
  {67, I, "Number of Voices", "Number of Voices", 3, 6,  1,    3,    "",           "", R::kVoices},
  {68, I, "Sysex Mode",       " ",                0, 2,  1,    0,    "",           "", R::kScale},
  {69, ParamKind::kNone, "",  " ",                0, 1,  1,    0,    "",           "", R::kScale},
};

const ParamDef kSettingsParams[kNumDefinedSettings] = {
  {71, I, "KEYMODE",            " ",                0, 2, 1,    0, "", "", R::kScale},
  {75, D, "ML Min",             "Midi Learn Min ",  0, 1, 0.01, 0, "", "", R::kScale},
  {76, D, "ML Max",             "Midi Learn Max ",  0, 1, 0.01, 1, "", "", R::kScale},
  {77, B, "ML Immediate",       " ",                0, 1, 1,    1, "", "", R::kScale},
  {79, I, "MIDI Channel",       "Midi Channel ",    0, 16, 1,   0, "", "", R::kChannel},
  {80, B, "PresetDirty",        " ",                0, 1, 1,    0, "", "", R::kScale},
  {78, I, "Global Gain",        "GLOBAL GAIN",      0, 2, 1,    1, "", "", R::kGain},
  {90, B, "Send Sysex Param",   "Send Param SysEx", 0, 1, 1,    0, "", "", R::kOnOff},
  {91, B, "Send Sysex Prg",     "Send Prg SysEx",   0, 1, 1,    0, "", "", R::kOnOff},
  {92, B, "Immediate Write",    "Immediate Write",  0, 1, 1,    0, "", "", R::kOnOff},
  {97, B, "Use Default ML map", " ",                0, 1, 1,    1, "", "", R::kScale},
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
    if (id >= 0 && id < kNumPatchParams)
        return &kPatchParams[id];
    for (const ParamDef& def : kSettingsParams) {
        if (def.id == id)
            return &def;
    }
    return nullptr;
}

} // namespace kt4r
