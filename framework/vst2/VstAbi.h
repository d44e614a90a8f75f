// The VST 2.4 binary interface, declared from its published numbers and record layouts (no SDK header).
#pragma once

#include <cstdint>

namespace vst {

struct EffectRecord;

using HostCallback = intptr_t (*)(EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt);
using DispatcherProc = intptr_t (*)(EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt);
using ProcessProc = void (*)(EffectRecord* effect, float** inputs, float** outputs, int32_t frames);
using ProcessDoubleProc = void (*)(EffectRecord* effect, double** inputs, double** outputs, int32_t frames);
using SetParameterProc = void (*)(EffectRecord* effect, int32_t index, float value);
using GetParameterProc = float (*)(EffectRecord* effect, int32_t index);
using EntryProc = EffectRecord* (*)(HostCallback host);

constexpr int32_t kEffectMagic = 0x56737450; // "VstP"

// The effect record the host reads; its layout is fixed by the binary interface (192 bytes on LP64).
struct EffectRecord {
    int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating, deprecated
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t reserved1;
    intptr_t reserved2;
    int32_t initialDelay;
    int32_t realQualities; // deprecated
    int32_t offQualities;  // deprecated
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Effect flags.
enum : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Dispatcher opcodes (host to plug-in).
enum : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effVendorSpecific = 50,
    effCanDo = 51,
    effIdle = 53,
    effGetVstVersion = 58,
    effGetMidiKeyName = 66,
    effGetSpeakerArrangement = 69,
    effLastKnownOpcode = 69,
};

// Host opcodes (plug-in to host).
enum : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

constexpr int32_t kProcessLevelOffline = 4;
constexpr int32_t kPlugCategEffect = 1;
constexpr int32_t kPlugCategSynth = 2;

// Text sizes the interface promises the host's buffers hold (including the terminator).
constexpr int kMaxProgNameLen = 24;
constexpr int kMaxParamStrLen = 8; // hosts give far more in practice; see kParamTextCopyLen
constexpr int kMaxEffectNameLen = 32;
constexpr int kMaxVendorStrLen = 64;
constexpr int kMaxProductStrLen = 64;
constexpr int kMaxLabelLen = 64;
constexpr int kMaxShortLabelLen = 8;
// Parameter names such as "Number of Voices" exceed 8 characters; every host in use passes a buffer of
// at least 32 bytes for names, labels and display texts, so that is what the plug-in writes at most.
constexpr int kParamTextCopyLen = 32;

// Events.
enum : int32_t { kMidiType = 1, kSysExType = 6 };

struct Event {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    char data[16];
};

struct MidiEvent {
    int32_t type;     // kMidiType
    int32_t byteSize; // 32
    int32_t deltaFrames;
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct SysExEvent {
    int32_t type;     // kSysExType
    int32_t byteSize; // 48 on LP64
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t resvd1;
    char* sysexDump;
    intptr_t resvd2;
};

// An event list; the host allocates it with as many pointers as it holds events.
// The host allocates room for numEvents pointers; the two declared entries are only the layout's start.
struct Events {
    int32_t numEvents;
    intptr_t reserved;
    Event* events[2];
};

// Host time record and the validity flags of its fields.
enum : int32_t {
    kTransportChanged = 1,
    kTransportPlaying = 1 << 1,
    kTransportCycleActive = 1 << 2,
    kTransportRecording = 1 << 3,
    kNanosValid = 1 << 8,
    kPpqPosValid = 1 << 9,
    kTempoValid = 1 << 10,
    kBarsValid = 1 << 11,
    kCyclePosValid = 1 << 12,
    kTimeSigValid = 1 << 13,
    kSmpteValid = 1 << 14,
    kClockValid = 1 << 15,
};

struct TimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};

// Channel properties (opcodes 33, 34).
enum : int32_t { kPinIsActive = 1, kPinIsStereo = 2, kPinUseSpeaker = 4 };

struct PinProperties {
    char label[kMaxLabelLen];
    int32_t flags;
    int32_t arrangementType;
    char shortLabel[kMaxShortLabelLen];
    char future[48];
};

// Speaker arrangements (opcodes 42, 69).
enum : int32_t {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
};

struct SpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    int32_t type;
    char future[28];
};

struct SpeakerArrangement {
    int32_t type;
    int32_t numChannels;
    SpeakerProperties speakers[8];
};

// MIDI key name query (opcode 66).
struct MidiKeyName {
    int32_t thisProgramIndex;
    int32_t thisKeyNumber;
    char keyName[64];
    int32_t reserved;
    int32_t flags;
};

// Editor rectangle (opcode 13).
struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

static_assert(sizeof(MidiEvent) == 32, "MIDI event layout");
static_assert(sizeof(TimeInfo) == 8 * 8 + 6 * 4, "time record layout");
static_assert(sizeof(SpeakerProperties) == 112, "speaker properties layout");
static_assert(sizeof(void*) != 8 || sizeof(SysExEvent) == 48, "SysEx event layout");
static_assert(sizeof(void*) != 8 || sizeof(EffectRecord) == 192, "effect record layout");

// Four characters as the big-endian integer the interface uses for ids.
constexpr int32_t FourCC(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

// Not part of the interface: this plug-in's own vendor-specific query. The host passes a text buffer of
// kMaxProductStrLen characters and the plug-in writes the build of its processing code that runs.
constexpr int32_t kVendorBuildVariant = FourCC('K', 'T', 'b', 'v');

// Not part of the interface either: this plug-in's requests that let a host drive and photograph its
// editor without opening a window. kVendorEditorMouse takes an EditorMouseAction in `ptr`, hands it to
// the editor as the window would, then runs one timer tick; kVendorEditorPng takes a file path (text)
// in `ptr`, ticks, draws the whole panel and writes it there as a PNG. Both answer 1 when done, 0
// without an editor or with a bad request.
constexpr int32_t kVendorEditorMouse = FourCC('K', 'T', 'm', 's');
constexpr int32_t kVendorEditorPng = FourCC('K', 'T', 'p', 'n');
// kVendorEditorScale draws the editor from now on at the scale in `opt` (1, 1.5 or 2; others round to
// the nearest): mouse positions and pictures are window pixels of that scale. Answers 0 while a window
// is open.
constexpr int32_t kVendorEditorScale = FourCC('K', 'T', 's', 'c');

// Also this plug-in's own: whether the engine plays what the parameters hold. Answers 1 when every
// engine value is the one the parameters' current values give, 2 when one differs, 0 when the plug-in
// has nothing to compare. Changes reach the engine at the next block, so the answer is meaningful right
// after a block rendered while active. A test host's check; nothing else asks it.
constexpr int32_t kVendorEngineInStep = FourCC('K', 'T', 'e', 's');

enum EditorMouseKind : int32_t {
    kMouseDown = 0,
    kMouseUp = 1,
    kMouseDrag = 2, // a move with the buttons of `modifiers` held, to (x, y)
    kMouseDoubleClick = 3,
    kMouseWheel = 4, // delta notches at (x, y)
    kMouseOver = 5,  // a move without a button
};
enum EditorMouseModifier : int32_t { kModLeft = 1, kModRight = 2, kModShift = 4, kModControl = 8, kModAlt = 16 };

struct EditorMouseAction {
    int32_t kind;
    int32_t x, y;
    int32_t modifiers;
    int32_t delta;
};

} // namespace vst
