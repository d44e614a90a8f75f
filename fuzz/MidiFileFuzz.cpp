// The command-line host's readers of Standard MIDI Files and note lists, on arbitrary bytes.
#include "tools/kt4r-render/MidiFile.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MidiSequence sequence;
    std::string error;
    ParseMidiFile(std::vector<uint8_t>(data, data + size), &sequence, &error);
    MidiSequence notes;
    ParseNoteList(std::string(reinterpret_cast<const char*>(data), size), &notes, &error);
    return 0;
}
