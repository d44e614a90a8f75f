// The configuration file reader on arbitrary text, and the writer's text read back: every key it
// writes must come back with the value it had.
#include "instrument/ConfigFile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ConfigFile config;
    config.Parse(std::string(reinterpret_cast<const char*>(data), size));
    ConfigFile reread;
    reread.Parse(config.Format());
    for (const auto& [key, value] : reread.Values()) {
        const auto it = config.Values().find(key);
        if (it == config.Values().end() || it->second != value)
            std::abort();
    }
    return 0;
}
