// The configuration file reader on arbitrary text.
#include "instrument/ConfigFile.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ConfigFile config;
    config.Parse(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
