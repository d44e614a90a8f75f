#include "instrument/ProgramData.h"

#include <cmath>

namespace kt4r {

namespace {

bool IsNormalized(double v)
{
    return std::isfinite(v) && v >= 0.0 && v <= 1.0;
}

// A byte flag must be 0 or 1; anything else means the bytes are not a block of ours.
int GetFlag(const IStateChunk& chunk, int pos, bool* flag)
{
    uint8_t byte = 0;
    pos = chunk.GetInt8(&byte, pos);
    if (pos < 0 || byte > 1)
        return -1;
    *flag = byte != 0;
    return pos;
}

int GetName(const IStateChunk& chunk, int pos, std::string* name)
{
    std::string text;
    pos = chunk.GetStr(&text, pos);
    if (pos < 0)
        return -1;
    *name = text.substr(0, kProgramNameBytes);
    return pos;
}

} // namespace

bool AppendProgramData(IStateChunk* chunk, const ProgramData& data)
{
    const bool ok = chunk->PutBytes(data.map.data(), kMapBlockBytes);
    return AppendProgramValues(chunk, data.edited, data.values) && ok;
}

bool AppendProgramValues(IStateChunk* chunk, bool edited, const std::array<double, kPatchParamCount>& values)
{
    bool ok = chunk->PutInt8(edited ? 1 : 0);
    ok = chunk->PutInt32(kPatchParamCount) && ok;
    for (double v : values)
        ok = chunk->PutDouble(v) && ok;
    return ok;
}

int ParseProgramData(const IStateChunk& chunk, int pos, ProgramData* data)
{
    ProgramData read;
    pos = chunk.GetBytes(read.map.data(), kMapBlockBytes, pos);
    if (pos < 0)
        return -1;
    pos = GetFlag(chunk, pos, &read.edited);
    int32_t count = 0;
    if (pos >= 0)
        pos = chunk.GetInt32(&count, pos);
    // The count is checked against the bytes left before any value is read, so a huge count costs
    // nothing; values beyond the 70 ids are skipped.
    if (pos < 0 || count < 0 || count > (chunk.Size() - pos) / 8)
        return -1;
    read.count = count;
    read.values = data->values;
    for (int32_t i = 0; i < count; ++i) {
        double v = 0.0;
        pos = chunk.GetDouble(&v, pos);
        if (pos < 0 || !IsNormalized(v))
            return -1;
        if (i < kPatchParamCount)
            read.values[static_cast<size_t>(i)] = v;
    }
    *data = read;
    return pos;
}

int ParseState(const IStateChunk& chunk, int pos, StateData* state)
{
    StateData read;
    int32_t version = 0;
    int32_t slots = 0;
    pos = chunk.GetInt32(&version, pos); // not checked: every version so far has this layout
    if (pos >= 0)
        pos = chunk.GetInt32(&slots, pos);
    if (pos < 0 || slots < 0 || slots > kProgramSlots)
        return -1;
    read.slots.resize(static_cast<size_t>(slots));
    for (SlotData& slot : read.slots) {
        pos = GetName(chunk, pos, &slot.name);
        if (pos >= 0)
            pos = GetFlag(chunk, pos, &slot.initialized);
        if (pos >= 0 && slot.initialized)
            pos = ParseProgramData(chunk, pos, &slot.program);
        if (pos < 0)
            return -1;
    }
    int32_t program = 0;
    int32_t channel = 0;
    pos = chunk.GetInt32(&program, pos);
    if (pos >= 0)
        pos = GetName(chunk, pos, &read.programName);
    if (pos >= 0)
        pos = chunk.GetInt32(&channel, pos);
    if (pos >= 0)
        pos = GetFlag(chunk, pos, &read.immediateWrite);
    if (pos >= 0)
        pos = GetFlag(chunk, pos, &read.sendParamSysEx);
    if (pos >= 0)
        pos = GetFlag(chunk, pos, &read.sendProgramSysEx);
    if (pos >= 0)
        pos = chunk.GetDouble(&read.globalGain, pos);
    if (pos < 0 || !IsNormalized(read.globalGain))
        return -1;
    // A program number outside the bank selects program 1; a channel outside 0..16 is held to it.
    read.program = (program >= 1 && program <= 128) ? program : 1;
    read.midiChannel = channel < 0 ? 0 : (channel > 16 ? 16 : channel);
    *state = std::move(read);
    return pos;
}

} // namespace kt4r
