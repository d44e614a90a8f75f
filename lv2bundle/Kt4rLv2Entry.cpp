// The DSP binary's one export: the instrument as an LV2 plug-in, its panel built for the UI binary to
// show (through the instance-access feature).
#include "editor/KT4REditors.h"
#include "framework/lv2/Lv2Entry.h"
#include "instrument/KT4R.h"
#include "lv2bundle/Kt4rLv2.h"

namespace {

IPlugBase* CreateKT4R()
{
    return new KT4R(std::string(), &BuildPlatformEditor);
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const Lv2PlugDescription kDescription = MakeLv2Plug(kt4r_lv2::kPluginUri, &CreateKT4R);
    return index == 0 ? &kDescription.descriptor : nullptr;
}
