// The byte blocks a program slot, the host's chunks and the plug-in's files hold: one program (its
// MIDI-learn map, edited flag and 70 values) and the whole plug-in (129 slots, the current program and
// five settings). Readers check a whole block before anyone uses it, so bytes that fail a check change
// nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/plugin/IStateChunk.h"
#include "signal/ParamId.h"

namespace kt4r {

constexpr int kMapEntryBytes = 28;
constexpr int kMapBlockBytes = kPatchParamCount * kMapEntryBytes;                // 1960
constexpr int kProgramDataBytes = kMapBlockBytes + 1 + 4 + kPatchParamCount * 8; // 2525
constexpr int kProgramSlots = 129;                                               // edit buffer + 128
constexpr int kProgramNameBytes = 255;                                           // longest name a slot keeps
constexpr uint32_t kStateVersion = 0x0002000C; // the plug-in's version, first in a state block

struct ProgramData {
    std::array<uint8_t, kMapBlockBytes> map{}; // the 70 MIDI-learn entries as stored
    bool edited = false;
    int count = kPatchParamCount; // values the block held (those beyond 70 are skipped)
    std::array<double, kPatchParamCount> values{};
};

struct SlotData {
    std::string name;
    bool initialized = false;
    ProgramData program;
};

struct StateData {
    std::vector<SlotData> slots; // at most 129; slots beyond these keep their contents
    int program = 1;
    std::string programName;
    int midiChannel = 0;
    bool immediateWrite = false;
    bool sendParamSysEx = false;
    bool sendProgramSysEx = false;
    double globalGain = 0.5;
};

// Appends the program data block; false when an append failed.
bool AppendProgramData(IStateChunk* chunk, const ProgramData& data);
// Appends what follows the map block: the edited flag, the value count and the values.
bool AppendProgramValues(IStateChunk* chunk, bool edited, const std::array<double, kPatchParamCount>& values);

// Reads a whole program data block at pos into *data: answers the position after it, or -1 (and
// *data untouched) when the block runs past the end or a value is not a number within 0..1.
int ParseProgramData(const IStateChunk& chunk, int pos, ProgramData* data);

// Reads a whole state block at pos: answers the position after it, or -1 (and *state untouched) when
// any field is missing or out of its range, or the block claims more than 129 slots.
int ParseState(const IStateChunk& chunk, int pos, StateData* state);

} // namespace kt4r
