#include "instrument/FileText.h"

#include <cstdint>
#include <span>
#include <vector>

#include "instrument/PatchFile.h"

bool ReadFileText(const std::string& path, std::string* text)
{
    std::vector<uint8_t> bytes;
    if (!kt4r::ReadWholeFile(path, &bytes))
        return false;
    text->assign(bytes.begin(), bytes.end());
    return true;
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    return kt4r::WriteWholeFile(
        path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}
