#include "tools/kt4r-render/SharedLibrary.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace shared_library {

#ifdef _WIN32

void* Open(const std::string& path, std::string* error)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module && error)
        *error = "LoadLibrary failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(module);
}

void* Find(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Close(void* library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

#else

void* Open(const std::string& path, std::string* error)
{
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library && error)
        *error = dlerror();
    return library;
}

void* Find(void* library, const char* name)
{
    return dlsym(library, name);
}

void Close(void* library)
{
    dlclose(library);
}

#endif

} // namespace shared_library
