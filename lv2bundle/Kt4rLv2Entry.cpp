// The DSP binary's one export: the instrument as an LV2 plug-in, its panel built for the UI binary to
// show (through the instance-access feature).
#include <array>

#include "editor/KT4REditors.h"
#include "framework/lv2/Lv2Entry.h"
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "lv2bundle/Kt4rLv2.h"

namespace {

IPlugBase* CreateKT4R()
{
    return new KT4R(std::string(), &BuildPlatformEditor);
}

// The ports' defaults as kt4r-lv2-ttl writes them: the table's.
const std::array<float, kPatchParamCount> kControlDefaults = [] {
    std::array<float, kPatchParamCount> defaults{};
    for (const kt4r::ParamDef& def : kt4r::kPatchParams)
        defaults[static_cast<size_t>(def.id)] = static_cast<float>(def.defaultValue);
    return defaults;
}();

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const Lv2PlugDescription kDescription =
        MakeLv2Plug(kt4r_lv2::kPluginUri, &CreateKT4R, kControlDefaults.data());
    return index == 0 ? &kDescription.descriptor : nullptr;
}
