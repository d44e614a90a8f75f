// Reads a Standard MIDI File (type 0 or 1) into time-stamped messages, and parses the note lists
// the renderer accepts on its command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TimedMessage {
    double seconds = 0.0;
    std::vector<uint8_t> bytes; // a channel message, or a complete SysEx message starting with 0xF0
};

struct TempoChange {
    double seconds = 0.0;
    double bpm = 120.0;
};

struct MidiSequence {
    std::vector<TimedMessage> messages; // in time order; equal times keep file (track) order
    std::vector<TempoChange> tempoMap;  // always starts with an entry at 0 s
    double endSeconds = 0.0;            // the latest event, end-of-track included

    double TempoAt(double seconds) const;
};

// Every read is bounds-checked; a malformed file gives false and a message.
bool ParseMidiFile(const std::vector<uint8_t>& data, MidiSequence* sequence, std::string* error);
bool ReadMidiFile(const std::string& path, MidiSequence* sequence, std::string* error);

// "start:note:velocity:duration[:channel]" entries separated by commas or spaces; times in seconds,
// channel 1..16 (1 when omitted).
bool ParseNoteList(const std::string& text, MidiSequence* sequence, std::string* error);
