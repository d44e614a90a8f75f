// The UI binary's one export: the instrument's panel as an X11 UI. It needs the instance (the
// instance-access feature) and shows the panel the DSP binary built, in the host's parent window;
// the host's controls follow every parameter the instrument changes by itself (program changes, MIDI
// learn, SysEx, the panel), written to the host through the UI's write function.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include "framework/lv2/IPlugLV2.h"
#include "lv2bundle/Kt4rLv2.h"

namespace {

struct PanelUi {
    ILv2EditorAccess* access = nullptr;
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    std::vector<float> told; // what the host's controls were last told (or told us); NaN: nothing yet
};

const void* Feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i) {
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    }
    return nullptr;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) noexcept
{
    try {
        if (!pluginUri || std::strcmp(pluginUri, kt4r_lv2::kPluginUri) != 0)
            return nullptr;
        ILv2EditorAccess* access = EditorAccessOf(const_cast<void*>(Feature(features, LV2_INSTANCE_ACCESS_URI)));
        void* parent = const_cast<void*>(Feature(features, LV2_UI__parent));
        int width = 0;
        int height = 0;
        if (!access || !parent || !access->EditorSize(&width, &height))
            return nullptr;
        auto* ui = new PanelUi;
        ui->access = access;
        ui->write = write;
        ui->controller = controller;
        ui->told.assign(static_cast<size_t>(access->ControlCount()), std::nanf(""));
        void* window = access->OpenEditor(parent);
        if (!window) {
            delete ui;
            return nullptr;
        }
        if (const auto* resize = static_cast<const LV2UI_Resize*>(Feature(features, LV2_UI__resize)))
            resize->ui_resize(resize->handle, width, height);
        *widget = window;
        return ui;
    } catch (...) {
        return nullptr;
    }
}

void Cleanup(LV2UI_Handle handle) noexcept
{
    auto* ui = static_cast<PanelUi*>(handle);
    try {
        ui->access->CloseEditor();
    } catch (...) {
    }
    delete ui;
}

// The host's control moved (or the host echoes what it was told): the instance applies the port itself.
void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) noexcept
{
    auto* ui = static_cast<PanelUi*>(handle);
    if (format == 0 && size == sizeof(float) && buffer && port < ui->told.size())
        std::memcpy(&ui->told[port], buffer, sizeof(float));
}

// Host UI thread, several times a second: the panel's events and redraws, then every parameter the
// instrument changed since the host's controls were last told.
int Idle(LV2UI_Handle handle) noexcept
{
    auto* ui = static_cast<PanelUi*>(handle);
    try {
        ui->access->IdleEditor();
        for (size_t i = 0; i < ui->told.size(); ++i) {
            const float value = ui->access->ControlValue(static_cast<int>(i));
            if (value == ui->told[i])
                continue;
            ui->told[i] = value;
            if (ui->write)
                ui->write(ui->controller, static_cast<uint32_t>(i), sizeof(float), 0, &value);
        }
    } catch (...) {
    }
    return 0;
}

const void* ExtensionData(const char* uri) noexcept
{
    static const LV2UI_Idle_Interface kIdle = {&Idle};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &kIdle;
    return nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    static const LV2UI_Descriptor kDescriptor = {kt4r_lv2::kUiUri, &Instantiate, &Cleanup, &PortEvent, &ExtensionData};
    return index == 0 ? &kDescriptor : nullptr;
}
