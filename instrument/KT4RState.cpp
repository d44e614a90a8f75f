// The instrument's stored state: one program as a program data block (a slot, the host's program
// chunk, a program file) and the whole plug-in as a state block (the host's bank chunk, a bank file).
// Blocks are checked whole before anything changes: bytes that fail the check leave the plug-in as
// it was.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "instrument/KT4R.h"
#include "engine/Synth.h"
#include "instrument/ParamTable.h"
#include "instrument/ProgramData.h"
#include "signal/ParamId.h"

using namespace kt4r;

namespace {

// A parameter's value as the engine takes it. A value below the smallest normal float becomes 0 here,
// so the engine gets the same bits whether the change is posted inside a block (where denormals are
// flushed) or outside one.
float EngineValue(double normalized)
{
    const float v = static_cast<float>(normalized);
    return std::fabs(v) < std::numeric_limits<float>::min() ? 0.0f : v;
}

} // namespace

bool KT4R::WriteState(IStateChunk* chunk)
{
    LockGuard lock(Mutex());
    // With the default map in use a program carries unused entries, so it keeps following that map.
    bool ok = mMidiLearn.WriteMapBlock(*chunk, Param(SettingId::kUseDefaultMidiLearnMap)->Value() >= 0.5);
    return AppendProgramValues(chunk, mStore.Edited(), LiveValues()) && ok;
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
    ApplyProgramData(chunk, pos, data);
    RefreshProgramDisplay();
    return end;
}

void KT4R::ApplyProgramData(const IStateChunk& chunk, int pos, const ProgramData& data)
{
    mMidiLearn.ReadMapBlock(chunk, pos);
    ApplyProgramValues(data.values.data(), std::min(data.count, kPatchParamCount));
    SetEdited(data.edited);
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
    float values[kPatchParamCount];
    PatchValuesForEngine(values);
    mSynth->PostPatch(mPatchEvents, values);
}

void KT4R::PatchValuesForEngine(float (&values)[kPatchParamCount]) const
{
    for (int id = 0; id < kPatchParamCount; ++id)
        values[id] = EngineValue(GetParam(id)->ToNormalized());
}

bool KT4R::CompareEngineWithParameters(bool* matches)
{
    LockGuard lock(Mutex());
    if (!mEngineReady || !matches)
        return false;
    float values[kPatchParamCount];
    PatchValuesForEngine(values);
    *matches = EngineParamsMatch(std::as_const(*mSynth).Params(), values);
    return true;
}

void KT4R::PostParam(int id, int time)
{
    if (mEngineReady)
        mSynth->PostParamValue(mParamEvents, time, id, EngineValue(GetParam(id)->ToNormalized()));
}

bool KT4R::WriteBank(IStateChunk* chunk)
{
    LockGuard lock(Mutex());
    bool ok = chunk->PutInt32(static_cast<int32_t>(kStateVersion));
    ok = chunk->PutInt32(kProgramSlots) && ok;
    // Slot 0 is the edit buffer: the live values under the edit name.
    ok = ok && chunk->PutStr(mStore.EditName()) && chunk->PutInt8(1) && WriteState(chunk);
    for (int n = 1; n <= ProgramStore::kPrograms && ok; ++n) {
        const StoredProgram* program = mStore.Program(n);
        ok = chunk->PutStr(program->name) && chunk->PutInt8(program->initialized ? 1 : 0);
        if (ok && program->initialized)
            ok = chunk->PutBytes(program->data.Data(), program->data.Size());
    }
    if (!ok)
        return false;
    auto on = [this](SettingId id) { return static_cast<uint8_t>(Param(id)->Value() >= 0.5 ? 1 : 0); };
    ok = chunk->PutInt32(mStore.Current()) && chunk->PutStr(mStore.EditName());
    ok = ok && chunk->PutInt32(static_cast<int32_t>(Param(SettingId::kMidiChannel)->Value()));
    ok = ok && chunk->PutInt8(on(SettingId::kImmediateWrite)) && chunk->PutInt8(on(SettingId::kSendSysexParam)) &&
         chunk->PutInt8(on(SettingId::kSendSysexProgram));
    return ok && chunk->PutDouble(Param(SettingId::kGlobalGain)->ToNormalized());
}

int KT4R::ReadBank(const IStateChunk& chunk, int pos)
{
    LockGuard lock(Mutex());
    // A host's state arrives under the lock the dispatcher holds; a bank file is prepared outside it
    // (LoadBankFile).
    PreparedBank bank;
    if (!PrepareBank(chunk, pos, LiveValues(), &bank))
        return -1;
    InstallBank(bank);
    return chunk.Size();
}

std::array<double, kPatchParamCount> KT4R::LiveValues()
{
    LockGuard lock(Mutex());
    std::array<double, kPatchParamCount> values;
    for (int id = 0; id < kPatchParamCount; ++id)
        values[static_cast<size_t>(id)] = GetParam(id)->ToNormalized();
    return values;
}

bool KT4R::PrepareBank(const IStateChunk& chunk, int pos, const std::array<double, kPatchParamCount>& live,
                       PreparedBank* bank) const
{
    StateData& state = bank->state;
    const int end = ParseState(chunk, pos, &state);
    if (end < 0)
        return false;
    IStateChunk block; // one program block at a time, built in the same room
    block.Reserve(kProgramDataBytes);
    for (size_t i = 0; i < state.slots.size(); ++i) {
        SlotData& from = state.slots[i];
        if (!from.initialized)
            continue;
        // Each program is stored as the parameters would hold it: stepped values snapped to their step.
        ProgramData& data = from.program;
        for (int id = 0; id < kPatchParamCount; ++id) {
            const IParameter* param = GetParam(id);
            // A block of fewer values leaves the others as the parameters hold them.
            const double v = id < data.count ? data.values[static_cast<size_t>(id)] : live[static_cast<size_t>(id)];
            data.values[static_cast<size_t>(id)] = param->ToNormalized(param->PlainFor(v));
        }
        data.count = kPatchParamCount;
        if (i == 0) {
            AppendProgramData(&bank->editBlock, data); // applied to the parameters when installed
            continue;
        }
        block.Clear();
        AppendProgramData(&block, data);
        bank->programs.Store(static_cast<int>(i), block, from.name);
    }
    return true;
}

void KT4R::InstallBank(PreparedBank& bank)
{
    LockGuard lock(Mutex());
    StateData& state = bank.state;
    mStore.SwapPrograms(bank.programs);
    // A program stored empty, and every program past the block's last, keeps what it held; an empty
    // one still takes its stored name.
    for (int n = 1; n <= ProgramStore::kPrograms; ++n) {
        const size_t i = static_cast<size_t>(n);
        if (i < state.slots.size() && state.slots[i].initialized)
            continue;
        mStore.SwapProgram(n, bank.programs);
        if (i < state.slots.size())
            mStore.Rename(n, state.slots[i].name);
    }
    if (!state.slots.empty()) {
        const SlotData& edit = state.slots[0];
        if (edit.initialized)
            ApplyProgramData(bank.editBlock, 0, edit.program);
        mStore.SetEditName(edit.name);
    }
    mStore.SetCurrent(state.program);
    SyncEditorToParams();
    AutomateAllParams();
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
}
