#include "instrument/SysExFile.h"

#include "instrument/ParamTable.h"
#include "instrument/PatchFile.h"

#include <algorithm>

namespace kt4r {

namespace {

void Append(std::vector<uint8_t>& out, const SysExMessage& message)
{
    const std::span<const uint8_t> bytes = message.View();
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The patch a received program dump starts from: every id at its default.
SysExProgram DefaultProgram()
{
    SysExProgram program;
    for (int id = 0; id < kPatchParamCount; ++id) {
        const ParamDef& def = kPatchParams[id];
        program.values[static_cast<size_t>(id)] = (def.defaultValue - def.min) / (def.max - def.min);
    }
    return program;
}

// Follows the edit buffer through the received messages and collects what the file stores.
class FileReader final : public ISysExSink {
public:
    void Apply(const SysExReceived& received) override
    {
        switch (received.action) {
        case SysExAction::kProgramDump: TakeDump(received); break;
        case SysExAction::kNumberedDump:
            TakeDump(received);
            Store(received.program);
            break;
        case SysExAction::kExtendedDump:
            mEdit.name = received.Name();
            TakeChanges(received);
            mPending = true;
            break;
        case SysExAction::kApplyChanges: TakeChanges(received); break;
        case SysExAction::kWriteRequest: Store(received.program); break;
        case SysExAction::kRestoreProgram: break;
        }
    }

    std::vector<SysExFileProgram> Finish()
    {
        if (mPending) {
            mPrograms.push_back({0, mEdit});
        }
        return std::move(mPrograms);
    }

private:
    void TakeDump(const SysExReceived& received)
    {
        mEdit = DefaultProgram();
        mEdit.name = received.Name();
        TakeChanges(received);
        mPending = true;
    }
    void TakeChanges(const SysExReceived& received)
    {
        for (const SysExChange& change : received.Changes()) {
            mEdit.values[static_cast<size_t>(change.id)] = change.value;
            mPending = true;
        }
    }
    void Store(int slot)
    {
        mPrograms.push_back({slot, mEdit});
        mPending = false;
    }

    SysExProgram mEdit = DefaultProgram();
    bool mPending = false;
    std::vector<SysExFileProgram> mPrograms;
};

} // namespace

std::vector<uint8_t> BuildSysExProgramFile(const SysExCodec& codec, const SysExProgram& program)
{
    std::vector<uint8_t> out;
    Append(out, codec.BuildProgramDump(program.values, program.name));
    return out;
}

std::vector<uint8_t> BuildSysExBankFile(const SysExCodec& codec, std::span<const SysExProgram> programs)
{
    const size_t count = std::min(programs.size(), static_cast<size_t>(kSysExProgramCount));
    std::vector<uint8_t> out;
    out.reserve(count * (kSysExProgramDumpSize + kSysExWriteRequestSize));
    for (size_t k = 0; k < count; ++k) {
        Append(out, codec.BuildStoredProgramDump(programs[k].values, programs[k].name));
        Append(out, codec.BuildWriteRequest(static_cast<int>(k)));
    }
    return out;
}

std::vector<SysExFileProgram> ParseSysExFile(SysExCodec& codec, std::span<const uint8_t> bytes)
{
    FileReader reader;
    codec.Receive(bytes, reader);
    return reader.Finish();
}

bool ReadSysExFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    return ReadWholeFile(path, &bytes);
}

bool WriteSysExFile(const std::string& path, std::span<const uint8_t> bytes)
{
    return WriteWholeFile(path, bytes);
}

} // namespace kt4r
