#include "tools/kt4r-render/HostFiles.h"

#include "instrument/PatchFile.h"

namespace {

bool Fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

std::vector<uint8_t> GetPluginChunk(PluginHost& host, bool program)
{
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst::effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool SetPluginChunk(PluginHost& host, bool program, std::span<const uint8_t> bytes)
{
    // The entry takes a mutable pointer; the plug-in copies the bytes before it reads them.
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return host.Dispatch(vst::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(copy.size()), copy.data()) != 0;
}

bool LoadPresetFile(PluginHost& host, const std::string& path, std::string* error)
{
    kt4r::ProgramFile file;
    if (!kt4r::ReadProgramFile(path, &file))
        return Fail(error, path + ": not a readable KT-4R program file");
    if (file.hasChunk) {
        if (!SetPluginChunk(host, true, file.chunk))
            return Fail(error, path + ": the plug-in rejected the program chunk");
    } else {
        for (int i = 0; i < kt4r::kPatchFileParams; ++i)
            host.SetParameter(i, file.values[static_cast<size_t>(i)]);
    }
    std::string name = file.name;
    host.Dispatch(vst::effSetProgramName, 0, 0, name.data());
    return true;
}

bool LoadBankFile(PluginHost& host, const std::string& path, std::string* error)
{
    std::vector<uint8_t> chunk;
    if (!kt4r::ReadBankFile(path, &chunk))
        return Fail(error, path + ": not a readable KT-4R bank file");
    if (!SetPluginChunk(host, false, chunk))
        return Fail(error, path + ": the plug-in rejected the bank chunk");
    return true;
}

bool SavePresetFile(PluginHost& host, const std::string& path, std::string* error)
{
    const std::vector<uint8_t> chunk = GetPluginChunk(host, true);
    if (chunk.empty())
        return Fail(error, "the plug-in gave no program chunk");
    char name[256] = {};
    host.Dispatch(vst::effGetProgramName, 0, 0, name);
    if (!kt4r::WriteProgramFile(path, name, chunk))
        return Fail(error, "cannot write " + path);
    return true;
}

bool SaveBankFile(PluginHost& host, const std::string& path, std::string* error)
{
    const std::vector<uint8_t> chunk = GetPluginChunk(host, false);
    if (chunk.empty())
        return Fail(error, "the plug-in gave no bank chunk");
    const auto current = static_cast<int32_t>(host.Dispatch(vst::effGetProgram));
    if (!kt4r::WriteBankFile(path, chunk, current))
        return Fail(error, "cannot write " + path);
    return true;
}

std::vector<std::vector<uint8_t>> SplitSysEx(std::span<const uint8_t> bytes)
{
    std::vector<std::vector<uint8_t>> messages;
    std::vector<uint8_t> current;
    bool inside = false;
    for (const uint8_t b : bytes) {
        if (b == 0xF0) {
            current.assign(1, b);
            inside = true;
        } else if (inside) {
            current.push_back(b);
            if (b == 0xF7) {
                messages.push_back(std::move(current));
                current.clear();
                inside = false;
            }
        }
    }
    return messages;
}

bool QueueSysExFile(PluginHost& host, const std::string& path, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!kt4r::ReadWholeFile(path, &bytes))
        return Fail(error, "cannot read " + path);
    for (const auto& message : SplitSysEx(bytes))
        host.QueueSysEx(0, message);
    return true;
}
