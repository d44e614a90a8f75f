// The library's two exported entry points; a host calls one of them to create an instance, with its
// panel in this platform's window.
#include "editor/KT4REditors.h"
#include "framework/vst2/IPlugVST.h"
#include "instrument/KT4R.h"

namespace {

IPlugBase* CreateKT4R()
{
    return new KT4R(std::string(), &BuildPlatformEditor);
}

} // namespace

extern "C" __attribute__((visibility("default"))) vst::EffectRecord* VSTPluginMain(vst::HostCallback host)
{
    return IPlugVST::Instantiate(host, &CreateKT4R);
}

// Older hosts look for "main"; C++ reserves that name for the program's entry, so the symbol is
// given its name at the assembly level.
extern "C" __attribute__((visibility("default"))) vst::EffectRecord*
LegacyMainEntry(vst::HostCallback host) __asm__("main");
vst::EffectRecord* LegacyMainEntry(vst::HostCallback host)
{
    return IPlugVST::Instantiate(host, &CreateKT4R);
}
