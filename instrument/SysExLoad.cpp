#include "instrument/SysExLoad.h"

#include <algorithm>
#include <cmath>

#include "framework/plugin/IParameter.h"
#include "instrument/ParamTable.h"
#include "instrument/ProgramData.h"

namespace kt4r {

SysExLoad::SysExLoad(const std::array<const IParameter*, kPatchParamCount>& params, const EditBuffer& start,
                     const ProgramStore& stored, std::recursive_mutex& storedLock)
    : mParams(params), mStored(stored), mStoredLock(storedLock), mEdit(start)
{
}

void SysExLoad::Play(const std::vector<uint8_t>& bytes, int sysexMode, int channel, bool immediateWrite)
{
    mImmediateWrite = immediateWrite;
    mCodec.SetFormat(sysexMode);
    mCodec.SetChannel(channel);
    mCodec.Receive(bytes, *this);
}

void SysExLoad::Set(int id, double normalized)
{
    if (!IsPatchParamIndex(id) || !std::isfinite(normalized))
        return;
    // As the parameter would hold it: stepped values on their step.
    const IParameter* param = mParams[static_cast<size_t>(id)];
    mEdit.values[static_cast<size_t>(id)] = param->ToNormalized(param->PlainFor(std::clamp(normalized, 0.0, 1.0)));
    mEdit.edited = true;
    // A format change applies to the rest of the file, as it does when the messages arrive live.
    if (id == Index(ParamId::kSysexMode))
        mCodec.SetFormat(static_cast<int>(param->PlainFor(mEdit.values[static_cast<size_t>(id)])));
}

void SysExLoad::Write(int number)
{
    if (number < 1 || number > ProgramStore::kPrograms)
        return;
    mEdit.program = number;
    mEdit.edited = false;
    ProgramData data;
    data.map = mEdit.map;
    data.edited = false;
    data.values = mEdit.values;
    IStateChunk block;
    AppendProgramData(&block, data);
    mPrograms.Store(number, block, mEdit.name);
    mWritten[static_cast<size_t>(number)] = true;
}

void SysExLoad::Restore(int number)
{
    ProgramData data;
    if (Written(number)) {
        if (ParseProgramData(mPrograms.Program(number)->data, 0, &data) < 0)
            return;
    } else {
        std::lock_guard<std::recursive_mutex> lock(mStoredLock);
        const StoredProgram* program = mStored.Program(number);
        if (!program || !program->initialized || ParseProgramData(program->data, 0, &data) < 0)
            return;
    }
    mEdit.values = data.values;
    mEdit.edited = data.edited;
    mEdit.map = data.map;
    mMapRestored = true;
}

void SysExLoad::Apply(const SysExReceived& received)
{
    switch (received.action) {
    case SysExAction::kWriteRequest: Write(received.program); return;
    case SysExAction::kRestoreProgram: Restore(received.program); return;
    case SysExAction::kProgramDump:
    case SysExAction::kNumberedDump:
        // A patch from the hardware starts from the defaults but keeps the instrument's own settings.
        for (int id = 0; id < kPatchParamCount; ++id) {
            if (id == Index(ParamId::kNumberOfVoices) || id == Index(ParamId::kSysexMode))
                continue;
            const IParameter* param = mParams[static_cast<size_t>(id)];
            mEdit.values[static_cast<size_t>(id)] = param->ToNormalized(param->Default());
        }
        [[fallthrough]];
    case SysExAction::kExtendedDump:
        mEdit.name.assign(ClippedProgramName(received.Name()));
        mEdit.edited = true;
        break;
    case SysExAction::kApplyChanges: break;
    }
    for (const SysExChange& change : received.Changes())
        Set(change.id, change.value);
    if (received.action == SysExAction::kNumberedDump)
        Write(received.program);
    else if (mImmediateWrite)
        Write(mEdit.program);
}

} // namespace kt4r
