// The LV2 descriptor of a plug-in: its URI and how to build one. The descriptor's C entries wrap each
// new plug-in in an IPlugLV2; nothing thrown in the plug-in reaches the host.
#pragma once

#include <lv2/core/lv2.h>

class IPlugBase;

struct Lv2PlugDescription {
    LV2_Descriptor descriptor;    // first: the host hands this back to instantiate
    IPlugBase* (*create)();       // a new plug-in, not attached to a host
    const float* controlDefaults; // the control ports' defaults as the .ttl declares them, one per parameter
};

// The description with every entry filled; uri (the plug-in's URI, as in its .ttl) and controlDefaults
// must outlive it.
Lv2PlugDescription MakeLv2Plug(const char* uri, IPlugBase* (*create)(), const float* controlDefaults);

// The state key under which the whole state is stored: the plug-in's URI with ":state".
inline constexpr const char* kLv2StateKeySuffix = ":state";
