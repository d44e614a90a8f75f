// Feeds arbitrary bytes to the MIDI-learn map as a map block (with and without its count) and as map
// file text, then moves every controller: whatever was read must leave only entries that can be
// driven, and every value sent to a parameter must be finite and within 0..1.
#include "instrument/MidiLearnMap.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

class CheckingTarget : public MidiLearnTarget {
public:
    void SetFromMidiLearn(int id, double normalized, int, int) override
    {
        if (!IsPatchParamIndex(id) || !std::isfinite(normalized) || normalized < 0.0 || normalized > 1.0)
            std::abort();
    }
    void SetUseDefaultMap(bool) override {}
};

void CheckTable(const MidiLearnTable& table)
{
    for (int id = 0; id < kMidiLearnEntries; ++id) {
        const MidiLearnEntry& e = table[static_cast<size_t>(id)];
        if (!(e == MidiLearnEntry{}) && (!IsUsableEntry(e) || e.paramId != id))
            std::abort();
    }
}

void MoveEveryController(MidiLearnMap& map)
{
    for (int cc = 0; cc < 128; ++cc) {
        map.ApplyController(0, 0, cc, 0);
        map.ApplyController(0, 0, cc, 127);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckingTarget target;
    MidiLearnMap map(target);

    // The file text becomes the default table (as the learn page's "make default" does), which a
    // block whose keys sum to 0 brings in.
    MidiLearnTable fromText{};
    ParseMidiLearnText(std::string(reinterpret_cast<const char*>(data), size), &fromText);
    CheckTable(fromText);
    for (const MidiLearnEntry& e : fromText)
        map.SetEntry(e);
    map.Command(kt4r::Index(kt4r::SettingId::kMidiLearnPage4));

    IStateChunk chunk;
    chunk.PutBytes(data, static_cast<int>(size));
    for (MidiLearnBlock layout : {MidiLearnBlock::kEntries, MidiLearnBlock::kCounted}) {
        const MidiLearnTable before = map.Table();
        const int pos = map.ReadMapBlock(chunk, 0, layout);
        if (pos < 0 && !(map.Table() == before))
            std::abort();
        CheckTable(map.Table());
        MoveEveryController(map);
    }
    return 0;
}
