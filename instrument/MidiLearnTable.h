// The MIDI-learn map table as data: 70 entries, one per patch parameter id, with their stored forms
// (the binary map block inside program data and the text map file beside the plug-in library).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/plugin/IStateChunk.h"
#include "instrument/ParamTable.h"
#include "instrument/SharedFile.h"

// One assignment: the controller key drives param id between min (controller value 0) and
// min + range (controller value 127).
struct MidiLearnEntry {
    int32_t paramId = kt4r::kNoParamId;
    int32_t key = 0; // n > 0 control change n, n < 0 NRPN number -n, 0 none
    uint8_t flag = 1;
    float min = 0.0f;
    float range = 1.0f;

    bool operator==(const MidiLearnEntry&) const = default;
};

constexpr int kMidiLearnEntries = kPatchParamCount;
constexpr int kMidiLearnEntryBytes = 28;
// Controller numbers are 7-bit, NRPN numbers 14-bit: keys outside these can never be driven.
constexpr int32_t kMaxControllerKey = 127;
constexpr int32_t kMinNrpnKey = -16383;

// Entry i is for parameter id i; a value-initialised table is the fresh one (every entry unused).
using MidiLearnTable = std::array<MidiLearnEntry, kMidiLearnEntries>;

// An entry stored data may put into a map: its id is a patch id, its key a controller or NRPN
// number (or none), its bounds finite.
bool IsUsableEntry(const MidiLearnEntry& entry) noexcept;

// Sum of the keys of the usable entries. A table whose keys sum to 0 counts as empty (stored
// programs and the map file rely on that test).
int64_t KeySum(const MidiLearnTable& table) noexcept;

// With or without the leading 32-bit count (70). Program data carries the entries only.
enum class MidiLearnBlock { kEntries, kCounted };

// Appends the table: 1960 bytes, or 1964 with the count. True when every append succeeded.
bool PutMidiLearnTable(IStateChunk& chunk, const MidiLearnTable& table, MidiLearnBlock layout);
// Reads a table written by PutMidiLearnTable, entries as stored (not checked for use). Answers the
// position after it, or -1 (out unchanged) when the chunk is too short or the count is not 70.
int GetMidiLearnTable(const IStateChunk& chunk, int pos, MidiLearnTable* out, MidiLearnBlock layout);

// The map file: one line per entry with a key, in id order: id and key right-aligned in 5
// characters, then min and min + range in the stream's default real format.
std::string FormatMidiLearnText(const MidiLearnTable& table);
// Groups of four numbers (id, key, min, max) until the text stops parsing; each complete group sets
// entry[id] to {id, key, 1, min, max - min}. Groups that make no usable entry are skipped. Answers
// the offset just after the last group read (where a reader stops).
size_t ParseMidiLearnText(const std::string& text, MidiLearnTable* table);
// The map file's new text: current (nullptr when there is no file) with the entries of table that
// differ from those in start (the table as read) in place of its own; its other ids keep their
// entries, and text after a group that does not parse (which the reader never reaches) stays at the
// end. Nothing when no entry differs or when the merged keys sum to 0.
std::optional<std::string> MergeMidiLearnText(const std::string* current, const MidiLearnTable& start,
                                              const MidiLearnTable& table);

// File names in the plug-in's folder: written under the first, read from it or, when only that
// exists, from the older name.
inline constexpr const char* kMidiLearnFileName = "KT-4R.map";
inline constexpr const char* kMidiLearnOlderFileName = "kt4r.map";

// True when a file was read; a missing file leaves the table unchanged.
bool ReadMidiLearnFile(const SharedFolders& folders, MidiLearnTable* table);
// Merges table into the file as it is now (MergeMidiLearnText) and writes it through a temporary file
// and a rename; true when the file was written. A file that cannot be written is left as it was.
bool UpdateMidiLearnFile(const SharedFolders& folders, const MidiLearnTable& start, const MidiLearnTable& table);
