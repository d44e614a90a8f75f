// The one way in from the host: every entry of the effect record finds its plug-in object through the
// record, holds the object's lock for the call and turns any exception into a neutral answer, since
// an exception unwinding into a host's C code ends the host.
#pragma once

#include <mutex>

#include "framework/vst2/VstAbi.h"

// Calls call(plugin) under the plug-in's lock and answers its result; answers neutral() when the
// record holds no object or anything throws (neutral must not throw). Plug needs Mutex().
template <typename Plug, typename Call, typename Neutral>
auto EnterPlugin(vst::EffectRecord* effect, Call&& call, Neutral&& neutral) noexcept -> decltype(neutral())
{
    try {
        auto* plug = effect ? static_cast<Plug*>(effect->object) : nullptr;
        if (!plug)
            return neutral();
        std::lock_guard lock(plug->Mutex());
        return call(*plug);
    } catch (...) {
        return neutral();
    }
}

// The neutral answer of a replacing process entry: silence in every output the record announces.
template <typename Sample> void SilenceOutputs(const vst::EffectRecord* effect, Sample** outputs, int frames) noexcept
{
    if (!effect || !outputs || frames <= 0)
        return;
    for (int i = 0; i < effect->numOutputs; ++i) {
        if (Sample* out = outputs[i]) {
            for (int k = 0; k < frames; ++k)
                out[k] = Sample(0);
        }
    }
}
