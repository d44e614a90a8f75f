// The plug-in's own files: program and bank files around the host's chunks, SysEx program and bank
// files for the hardware, and the LOAD and SAVE buttons' choices.
#include <algorithm>
#include <string_view>

#include "instrument/FileChoices.h"
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "instrument/PatchFile.h"
#include "instrument/ProgramData.h"
#include "instrument/SysExFile.h"
#include "instrument/SysExLoad.h"

using namespace kt4r;

namespace {

// The chunk a file carries, as the host's chunk entries see it: the marker (optional in older files)
// and the block after it.
IStateChunk ChunkOf(const std::vector<uint8_t>& bytes, int* pos)
{
    IStateChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    *pos = 0;
    IPlugBase::ReadChunkHeader(chunk, pos);
    return chunk;
}

std::vector<uint8_t> BytesOf(const IStateChunk& chunk)
{
    return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

} // namespace

bool KT4R::SaveProgramFile(const std::string& path)
{
    LockGuard lock(Mutex());
    if (path.empty())
        return false;
    IStateChunk chunk;
    WriteChunkHeader(&chunk);
    if (!WriteState(&chunk))
        return false;
    return WriteProgramFile(path, mStore.EditName(), BytesOf(chunk));
}

bool KT4R::LoadProgramFile(const std::string& path)
{
    // The file is read and checked before the lock is taken; only applying it holds the lock.
    ProgramFile file;
    if (path.empty() || !ReadProgramFile(path, &file))
        return false;
    IStateChunk chunk;
    int pos = 0;
    if (file.hasChunk) {
        chunk = ChunkOf(file.chunk, &pos);
        if (pos < 0)
            return false;
    }
    LockGuard lock(Mutex());
    if (file.hasChunk) {
        if (ReadState(chunk, pos) < 0)
            return false;
    } else {
        double values[kPatchParamCount];
        std::copy(file.values.begin(), file.values.begin() + kPatchParamCount, values);
        ApplyProgramValues(values, kPatchParamCount);
    }
    // The file's name names the edit buffer, which now differs from the program it was chosen from.
    SetProgramName(file.name);
    SyncEditorToParams();
    AutomateAllParams();
    return true;
}

bool KT4R::SaveBankFile(const std::string& path)
{
    LockGuard lock(Mutex());
    if (path.empty())
        return false;
    IStateChunk chunk;
    WriteChunkHeader(&chunk);
    if (!WriteBank(&chunk))
        return false;
    return WriteBankFile(path, BytesOf(chunk), mStore.Current() - 1);
}

bool KT4R::PrepareBankFile(const std::string& path, PreparedBank* bank)
{
    // Reading, checking and building the new programs happen outside the lock; the audio thread waits
    // only while they take the old ones' place. The old programs are freed after the lock is released.
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadBankFile(path, &bytes))
        return false;
    int pos = 0;
    const IStateChunk chunk = ChunkOf(bytes, &pos);
    return pos >= 0 && PrepareBank(chunk, pos, LiveValues(), bank);
}

bool KT4R::LoadBankFile(const std::string& path)
{
    PreparedBank bank;
    if (!PrepareBankFile(path, &bank))
        return false;
    InstallBank(bank);
    return true;
}

bool KT4R::LoadBankPrograms(const std::string& path)
{
    PreparedBank bank;
    if (!PrepareBankFile(path, &bank))
        return false;
    LockGuard lock(Mutex());
    // The bank's edit buffer and settings give way to the live ones: the edit buffer's values and name
    // stand in for the bank's slot 0, and the five settings are the current ones.
    kt4r::StateData& state = bank.state;
    if (!state.slots.empty()) {
        state.slots[0].initialized = false;
        state.slots[0].name = mStore.EditName();
    }
    state.program = mStore.Current();
    state.midiChannel = static_cast<int>(Param(SettingId::kMidiChannel)->Value());
    state.immediateWrite = Param(SettingId::kImmediateWrite)->Value() >= 0.5;
    state.sendParamSysEx = Param(SettingId::kSendSysexParam)->Value() >= 0.5;
    state.sendProgramSysEx = Param(SettingId::kSendSysexProgram)->Value() >= 0.5;
    state.globalGain = Param(SettingId::kGlobalGain)->ToNormalized();
    InstallBank(bank);
    return true;
}

bool KT4R::SaveSysExProgram(const std::string& path)
{
    LockGuard lock(Mutex());
    if (path.empty())
        return false;
    SysExProgram program;
    program.values = LiveValues();
    program.name = mStore.EditName();
    return WriteSysExFile(path, BuildSysExProgramFile(mSysEx, program));
}

bool KT4R::SaveSysExBank(const std::string& path, int first, int count)
{
    LockGuard lock(Mutex());
    if (path.empty() || first < 1 || first > 128 || count < 1)
        return false;
    std::vector<SysExProgram> programs;
    for (int n = first; n <= std::min(128, first + count - 1); ++n) {
        const StoredProgram* program = mStore.Program(n);
        ProgramData data;
        if (ParseProgramData(program->data, 0, &data) < 0)
            return false;
        programs.push_back({data.values, program->name});
    }
    return WriteSysExFile(path, BuildSysExBankFile(mSysEx, programs));
}

bool KT4R::LoadSysExFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (path.empty() || !ReadSysExFile(path, bytes))
        return false;
    // The messages are played into a copy outside the lock and taken in one step, with one round of
    // reports to the host; no parameter message is echoed to the hardware. "Immediate Write" applies to
    // a file of one program, not to a bank, where it would copy every dump into the current program.
    std::array<const IParameter*, kPatchParamCount> params;
    for (int id = 0; id < kPatchParamCount; ++id)
        params[static_cast<size_t>(id)] = GetParam(id);
    EditBuffer start;
    int sysexMode = 0;
    int channel = 0;
    bool immediateWrite = false;
    {
        LockGuard lock(Mutex());
        start = CurrentEditBuffer();
        sysexMode = static_cast<int>(Param(ParamId::kSysexMode)->Value());
        channel = mSysEx.Channel();
        immediateWrite = Param(SettingId::kImmediateWrite)->Value() >= 0.5 && bytes.size() <= kOneProgramSysExBytes;
    }
    SysExLoad load(params, start, mStore, Mutex());
    load.Play(bytes, sysexMode, channel, immediateWrite);

    LockGuard lock(Mutex());
    for (int n = 1; n <= ProgramStore::kPrograms; ++n) {
        if (load.Written(n))
            mStore.SwapProgram(n, load.Programs());
    }
    const EditBuffer& edit = load.Result();
    if (load.MapRestored()) {
        IStateChunk map;
        map.PutBytes(edit.map.data(), kMapBlockBytes);
        mMidiLearn.ReadMapBlock(map, 0);
    }
    ApplyProgramValues(edit.values.data(), kPatchParamCount);
    mStore.SetEditName(edit.name);
    mStore.SetCurrent(edit.program);
    SetEdited(edit.edited);
    SyncEditorToParams();
    AutomateAllParams();
    RefreshProgramDisplay();
    ShowInReadout(-1);
    return true;
}

EditBuffer KT4R::CurrentEditBuffer()
{
    LockGuard lock(Mutex());
    EditBuffer edit;
    edit.values = LiveValues();
    edit.name = mStore.EditName();
    edit.edited = mStore.Edited();
    edit.program = mStore.Current();
    IStateChunk map;
    mMidiLearn.WriteMapBlock(map, Param(SettingId::kUseDefaultMidiLearnMap)->Value() >= 0.5);
    map.GetBytes(edit.map.data(), kMapBlockBytes, 0);
    return edit;
}

bool KT4R::LoadFile(const std::string& path)
{
    bool loaded = false;
    for (LoadOperation operation : LoadOperationsFor(path)) {
        switch (operation) {
        case LoadOperation::kBank: loaded = LoadBankFile(path) || loaded; break;
        case LoadOperation::kProgram: loaded = LoadProgramFile(path) || loaded; break;
        case LoadOperation::kSysEx: loaded = LoadSysExFile(path) || loaded; break;
        }
    }
    return loaded;
}

bool KT4R::SaveFile(int menuChoice, const std::string& path)
{
    const SaveMenuItem* item = SaveMenuChoice(menuChoice);
    if (!item)
        return false;
    switch (item->operation) {
    case SaveOperation::kProgramFile: return SaveProgramFile(path);
    case SaveOperation::kBankFile: return SaveBankFile(path);
    case SaveOperation::kSysExProgram: return SaveSysExProgram(path);
    case SaveOperation::kSysExBank: return SaveSysExBank(path, item->first, item->count);
    }
    return false;
}
