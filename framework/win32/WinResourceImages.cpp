// The editor's images on Windows: RCDATA resources of the module that holds this code (the plug-in's
// DLL, or a test program that links the framework), found by id through the resource API.
#include "framework/graphics/ResourceImages.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

} // namespace

EmbeddedImage FindEmbeddedImage(int id)
{
    if (id <= 0 || id > 0xFFFF) // MAKEINTRESOURCE holds 16 bits
        return {};
    HMODULE module = ThisModule();
    HRSRC info = module ? FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */) : nullptr;
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes)
        return {};
    // Resources live as long as the module; nothing is freed.
    return EmbeddedImage{static_cast<const unsigned char*>(bytes), static_cast<size_t>(SizeofResource(module, info))};
}
