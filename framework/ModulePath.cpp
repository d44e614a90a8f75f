#include "framework/ModulePath.h"

#include <dlfcn.h>

std::string ModuleFolder()
{
    Dl_info info{};
    // Any address inside this library names it; the function itself is the simplest one.
    if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname)
        return std::string();
    const std::string path(info.dli_fname);
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}
