// The descriptor's C entries: each finds its IPlugLV2 through the handle and turns any exception into
// a neutral answer, since an exception unwinding into a host's C code ends the host.
#include "framework/lv2/Lv2Entry.h"

#include <mutex>
#include <string>
#include <string_view>

#include <lv2/state/state.h>

#include "framework/lv2/IPlugLV2.h"

namespace {

std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char* bundlePath,
                       const LV2_Feature* const* features) noexcept
{
    try {
        // Rates an audio interface runs at only, as the VST2 face takes them.
        if (!(rate >= 8000.0 && rate <= 768000.0))
            return nullptr;
        const auto* description = reinterpret_cast<const Lv2PlugDescription*>(descriptor);
        std::lock_guard<std::mutex> lock(CreationLock());
        IPlugBase* plug = description->create();
        if (!plug)
            return nullptr;
        const std::string stateKey = std::string(descriptor->URI) + kLv2StateKeySuffix;
        return new IPlugLV2(plug, rate, stateKey.c_str(), description->controlDefaults, features);
    } catch (...) {
        return nullptr;
    }
}

IPlugLV2* Face(LV2_Handle handle)
{
    return static_cast<IPlugLV2*>(handle);
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) noexcept
{
    if (handle && port < static_cast<uint32_t>(Face(handle)->PortCount()))
        Face(handle)->ConnectPort(port, data);
}

void Activate(LV2_Handle handle) noexcept
{
    try {
        Face(handle)->Activate();
    } catch (...) {
    }
}

void Run(LV2_Handle handle, uint32_t frames) noexcept
{
    try {
        Face(handle)->Run(frames);
    } catch (...) {
    }
}

void Deactivate(LV2_Handle handle) noexcept
{
    try {
        Face(handle)->Deactivate();
    } catch (...) {
    }
}

void Cleanup(LV2_Handle handle) noexcept
{
    try {
        delete Face(handle);
    } catch (...) {
    }
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t flags,
                      const LV2_Feature* const* features) noexcept
{
    try {
        return static_cast<LV2_State_Status>(Face(handle)->SaveState(reinterpret_cast<void*>(store), state, features));
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t flags, const LV2_Feature* const* features) noexcept
{
    try {
        return static_cast<LV2_State_Status>(
            Face(handle)->RestoreState(reinterpret_cast<void*>(retrieve), state, features));
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

const void* ExtensionData(const char* uri) noexcept
{
    static const LV2_State_Interface kState = {&Save, &Restore};
    if (uri && std::string_view(uri) == LV2_STATE__interface)
        return &kState;
    return nullptr;
}

} // namespace

Lv2PlugDescription MakeLv2Plug(const char* uri, IPlugBase* (*create)(), const float* controlDefaults)
{
    Lv2PlugDescription description{};
    description.descriptor.URI = uri;
    description.descriptor.instantiate = &Instantiate;
    description.descriptor.connect_port = &ConnectPort;
    description.descriptor.activate = &Activate;
    description.descriptor.run = &Run;
    description.descriptor.deactivate = &Deactivate;
    description.descriptor.cleanup = &Cleanup;
    description.descriptor.extension_data = &ExtensionData;
    description.create = create;
    description.controlDefaults = controlDefaults;
    return description;
}
