// One program slot of the framework's preset store: initialised flag, name and state chunk.
#pragma once

#include <string>

#include "framework/IStateChunk.h"

struct IProgramSlot {
    static constexpr int kNameLen = 256;

    bool initialized = false;
    std::string name; // at most kNameLen - 1 characters
    IStateChunk chunk;
};
