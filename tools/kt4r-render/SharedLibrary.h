// Loading a plug-in binary at run time, the platform's way: dlopen on Linux, LoadLibrary on Windows.
#pragma once

#include <string>

namespace shared_library {

// The library's handle, or null with the platform's message in *error.
void* Open(const std::string& path, std::string* error);
// The address of an exported symbol, or null.
void* Find(void* library, const char* name);
void Close(void* library);

} // namespace shared_library
