// The UI binary as an LV2 host loads it: given the instance (instance-access) and a parent window, it
// opens the panel at 860 x 692 in the parent and tells the host's controls what the instrument changed
// by itself, through the host's write function.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <map>
#include <string>

#include "tests/support/Lv2TestHost.h"
#include "tests/x11/X11TestHost.h"

namespace kt4r_test {
namespace {

struct HostSide {
    std::map<uint32_t, float> written; // the last value the UI wrote to each port
    int width = 0;
    int height = 0;
};

int Resize(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* host = static_cast<HostSide*>(handle);
    host->width = width;
    host->height = height;
    return 0;
}

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
{
    if (protocol == 0 && size == sizeof(float))
        static_cast<HostSide*>(controller)->written[port] = *static_cast<const float*>(buffer);
}

TEST(Lv2Ui, ThePanelOpensInTheHostsWindowAndTheHostsControlsFollowTheInstrument)
{
    KT4R_REQUIRE_X();
    X11TestHost x;
    ASSERT_TRUE(x.Ok());
    Lv2Bundle bundle;
    Lv2Instance lv2(bundle, 48000.0, 512);
    ASSERT_TRUE(lv2.Ok());

    void* library = dlopen((bundle.Folder() + "/KT-4R-ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, "urn:tolva:kt-4r:ui");
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    HostSide host;
    LV2UI_Resize resize{&host, &Resize};
    const LV2_Feature instanceAccess{LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(lv2.Instance())};
    const LV2_Feature parent{LV2_UI__parent, x.ParentHandle()};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&instanceAccess, &parent, &resizeFeature, nullptr};
    // Without the instance there is no UI (the host shows its generic controls instead).
    const LV2_Feature* noInstance[] = {&parent, nullptr};
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ(descriptor->instantiate(descriptor, kLv2Uri, bundle.Folder().c_str(), &Write, &host, &widget, noInstance),
              nullptr);

    LV2UI_Handle ui =
        descriptor->instantiate(descriptor, kLv2Uri, bundle.Folder().c_str(), &Write, &host, &widget, features);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(host.width, 860);
    EXPECT_EQ(host.height, 692);
    const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(x.Dpy(), window, &attributes));
    EXPECT_EQ(attributes.width, 860);
    EXPECT_EQ(attributes.height, 692);

    // The first idle tells the host every control's value.
    idle->idle(ui);
    ASSERT_EQ(host.written.size(), 70u);
    EXPECT_EQ(host.written[20], 99.0f); // VCF FREQUENCY at program 1's value

    // The host moves a control (and tells the UI, as hosts do): nothing is written back.
    host.written.clear();
    lv2.Control(20) = 30.0f;
    descriptor->port_event(ui, 20, sizeof(float), 0, &lv2.Control(20));
    lv2.Render(512, 512);
    idle->idle(ui);
    EXPECT_TRUE(host.written.empty());

    // A MIDI program change moves the instrument by itself: the host's control follows.
    lv2.QueueMidi(0, {0xC0, 0});
    lv2.Render(512, 512);
    idle->idle(ui);
    ASSERT_EQ(host.written.count(20), 1u);
    EXPECT_EQ(host.written[20], 99.0f);
    EXPECT_EQ(host.written.size(), 1u);

    descriptor->cleanup(ui);
    dlclose(library);
}

} // namespace
} // namespace kt4r_test
