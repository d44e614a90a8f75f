#include "instrument/SysExFile.h"

#include "instrument/PatchFile.h"

#include <algorithm>

namespace kt4r {

namespace {

void Append(std::vector<uint8_t>& out, const SysExMessage& message)
{
    const std::span<const uint8_t> bytes = message.View();
    out.insert(out.end(), bytes.begin(), bytes.end());
}

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
