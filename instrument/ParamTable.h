// The parameter ids of the instrument: the 70 patch entries the host sees (ids 0-69) and the
// settings list (ids 70-97), as data: names, readout labels, kinds, ranges, defaults, groups and the
// rule that turns each value into its readout text.
#pragma once

#include "signal/ParamId.h"

#include <cstdint>

namespace kt4r {

constexpr int kFirstSettingsId = 70;
constexpr int kNumSettings = 28;
constexpr int kLastParamId = kFirstSettingsId + kNumSettings - 1; // 97
constexpr int kNoParamId = -1;

// The settings ids (70-97) the instrument knows by name: plug-in settings, the editor's page
// selector and the ids of the editor's command buttons. The host never sees them.
enum class SettingId : int {
    kKeyModePage = 71,
    kMidiLearnMin = 75,
    kMidiLearnMax = 76,
    kMidiLearnImmediate = 77,
    kGlobalGain = 78,
    kMidiChannel = 79,
    kPresetDirty = 80,
    kCommandInit = 85,
    kCommandNextProgram = 86,
    kCommandPreviousProgram = 87,
    kCommandRandom = 89,
    kSendSysexParam = 90,
    kSendSysexProgram = 91,
    kImmediateWrite = 92,
    kMidiLearnPage1 = 93,
    kMidiLearnPage2 = 94,
    kMidiLearnPage3 = 95,
    kMidiLearnPage4 = 96,
    kUseDefaultMidiLearnMap = 97,
};

constexpr int Index(SettingId id) noexcept
{
    return static_cast<int>(id);
}

enum class ParamKind : uint8_t { kNone, kBool, kInt, kDouble };

// How the panel's readout shows a normalised value.
enum class ReadoutRule : uint8_t {
    kScale,
    kFeet,
    kWave,
    kSemitone,
    kCents,
    kXmod,
    kDyna,
    kEnvMode,
    kHpf,
    kVcaMode,
    kChorus,
    kLfoWave,
    kLfoRate,
    kBend,
    kOnOff,
    kKeyAssign,
    kPitch,
    kTrigger,
    kLfoTrigger,
    kVoices,
    kGain,
    kChannel,
};

// What the instrument does after a change of an id has been stored.
enum class SideEffect : uint8_t {
    kNone,
    kPortamentoSwitch, // the key assigner's portamento switch
    kKeyAssignMode,    // the key assigner's mode; the program counts as edited
    kMonoRetrigger,    // the key assigner's mono retrigger switch
    kVoiceCount,       // the engine runs twice the value in voices
    kSysexFormat,
    kEditorPage,
    kMidiLearnBounds,
    kOutputGain,
    kMidiChannel, // the engine's channel table and the SysEx channel
    kEditedMark,
    kProgramCommand,   // INIT, next, previous, RANDOM
    kMidiLearnCommand, // the MIDI-learn page buttons
};

struct ParamDef {
    int id;
    ParamKind kind;
    const char* name;         // registered name (host name for ids 0-69)
    const char* readoutLabel; // panel readout label, trailing spaces kept
    double min;
    double max;
    double step;
    double defaultValue;
    const char* group;
    const char* label; // the record's unit label
    ReadoutRule rule;
    SideEffect effect;
};

// Ids 0-69 in id order (the order of ParamId); id 69 is kind kNone (left undefined).
extern const ParamDef kPatchParams[kPatchParamCount];
// The defined settings entries, in definition order (71, 75, 76, 77, 79, 80, 78, 90, 91, 92, 97).
constexpr int kNumDefinedSettings = 11;
extern const ParamDef kSettingsParams[kNumDefinedSettings];
// Maps k = 0..127 to the 0..99 figures of the hardware panel.
extern const uint8_t kDisplayScale[128];

// The definition of an id: a patch entry, a defined settings entry, or nullptr.
const ParamDef* FindParamDef(int id);
const ParamDef& PatchParamDef(ParamId id);

// What a change of id sets in motion: the definition's effect, or a command button's.
SideEffect SideEffectOf(int id);

} // namespace kt4r
