// The instrument's stored state: one program as a program data block (a slot, the host's program
// chunk, a program file) and the whole plug-in as a state block (the host's bank chunk, a bank file).
// Blocks are checked whole before anything changes: bytes that fail the check leave the plug-in as
// it was.
#include <algorithm>

#include "instrument/KT4R.h"
#include "engine/Synth.h"
#include "instrument/ParamTable.h"
#include "instrument/ProgramData.h"
#include "signal/ParamId.h"

using namespace kt4r;

bool KT4R::WriteState(IStateChunk* chunk)
{
    LockGuard lock(Mutex());
    // With the default map in use a program carries unused entries, so it keeps following that map.
    bool ok = mMidiLearn.WriteMapBlock(*chunk, Param(SettingId::kUseDefaultMidiLearnMap)->Value() >= 0.5);
    std::array<double, kPatchParamCount> values;
    for (int id = 0; id < kPatchParamCount; ++id)
        values[static_cast<size_t>(id)] = GetParam(id)->ToNormalized();
    return AppendProgramValues(chunk, mEdited, values) && ok;
}

int KT4R::ReadState(const IStateChunk& chunk, int pos)
{
    LockGuard lock(Mutex());
    ProgramData data;
    const int end = ParseProgramData(chunk, pos, &data);
    // A program block is the whole of what holds it (a slot, a program chunk, a program file): bytes
    // after it mean the data is something else.
    if (end < 0 || end != chunk.Size())
        return -1;
    mMidiLearn.ReadMapBlock(chunk, pos);
    ApplyProgramValues(data.values.data(), std::min(data.count, kPatchParamCount));
    if (IProgramSlot* slot = ProgramSlot(CurrentProgramIndex())) {
        slot->chunk.Clear();
        WriteState(&slot->chunk);
    }
    SetEdited(data.edited);
    RefreshProgramDisplay();
    return end;
}

void KT4R::ApplyProgramValues(const double* values, int count)
{
    for (int id = 0; id < count; ++id) {
        GetParam(id)->SetFromNormalized(values[id]);
        ApplySideEffect(id);
    }
    PushWholePatch();
}

void KT4R::PushWholePatch()
{
    if (!mEngineReady)
        return;
    if (ParamSetEvent* patch = mPatchEvents.Make(0)) {
        for (int id = 0; id < kPatchParamCount; ++id)
            patch->mValues[id] = static_cast<float>(GetParam(id)->ToNormalized());
        mSynth->PushParamEvent(patch);
        return;
    }
    // Every whole-patch record is waiting for the next block: the values go one by one instead.
    for (int id = 0; id < kPatchParamCount; ++id)
        mSynth->PushParamEvent(mParamEvents.Make(0, id, static_cast<float>(GetParam(id)->ToNormalized())));
}

bool KT4R::WriteBank(IStateChunk* chunk)
{
    LockGuard lock(Mutex());
    bool ok = chunk->PutInt32(static_cast<int32_t>(kStateVersion));
    ok = chunk->PutInt32(NPrograms()) && ok;
    SetCurrentProgramIndex(0);
    StoreCurrentProgram(mProgramName.c_str());
    for (int i = 0; i < NPrograms() && ok; ++i) {
        const IProgramSlot* slot = ProgramSlot(i);
        ok = chunk->PutStr(slot->name) && chunk->PutInt8(slot->initialized ? 1 : 0);
        if (ok && slot->initialized)
            ok = chunk->PutBytes(slot->chunk.Data(), slot->chunk.Size());
    }
    if (!ok)
        return false;
    auto on = [this](SettingId id) { return static_cast<uint8_t>(Param(id)->Value() >= 0.5 ? 1 : 0); };
    ok = chunk->PutInt32(mProgram) && chunk->PutStr(mProgramName);
    ok = ok && chunk->PutInt32(static_cast<int32_t>(Param(SettingId::kMidiChannel)->Value()));
    ok = ok && chunk->PutInt8(on(SettingId::kImmediateWrite)) && chunk->PutInt8(on(SettingId::kSendSysexParam)) &&
         chunk->PutInt8(on(SettingId::kSendSysexProgram));
    return ok && chunk->PutDouble(Param(SettingId::kGlobalGain)->ToNormalized());
}

int KT4R::ReadBank(const IStateChunk& chunk, int pos)
{
    LockGuard lock(Mutex());
    StateData state;
    const int end = ParseState(chunk, pos, &state);
    if (end < 0)
        return -1;
    // Edits still pending belong to the edit buffer the bank replaces.
    StorePendingEdits();
    for (size_t i = 0; i < state.slots.size(); ++i) {
        const SlotData& from = state.slots[i];
        IProgramSlot* slot = ProgramSlot(static_cast<int>(i));
        slot->name = from.name;
        if (!from.initialized)
            continue; // a slot stored empty keeps what it holds
        // Each program is stored as the parameters would hold it: stepped values snapped to their step.
        ProgramData data = from.program;
        for (int id = 0; id < kPatchParamCount; ++id) {
            const IParameter* param = GetParam(id);
            const double v = id < data.count ? data.values[static_cast<size_t>(id)] : param->ToNormalized();
            data.values[static_cast<size_t>(id)] = param->ToNormalized(param->PlainFor(v));
        }
        slot->initialized = true;
        slot->chunk.Clear();
        AppendProgramData(&slot->chunk, data);
    }
    SetCurrentProgramIndex(0);
    RestoreProgram(0);
    AutomateAllParams();
    mProgram = state.program;
    mProgramName = state.programName;
    RefreshProgramDisplay();

    IParameter* channel = Param(SettingId::kMidiChannel);
    channel->SetPlain(state.midiChannel);
    ParameterChanged(Index(SettingId::kMidiChannel), 0);
    Param(SettingId::kImmediateWrite)->SetFromNormalized(state.immediateWrite ? 1.0 : 0.0);
    Param(SettingId::kSendSysexParam)->SetFromNormalized(state.sendParamSysEx ? 1.0 : 0.0);
    Param(SettingId::kSendSysexProgram)->SetFromNormalized(state.sendProgramSysEx ? 1.0 : 0.0);
    Param(SettingId::kGlobalGain)->SetFromNormalized(state.globalGain);
    ParameterChanged(Index(SettingId::kGlobalGain), 0);
    for (SettingId id : {SettingId::kMidiChannel, SettingId::kImmediateWrite, SettingId::kSendSysexParam,
                         SettingId::kSendSysexProgram, SettingId::kGlobalGain})
        PushToEditor(Index(id));
    return end;
}
