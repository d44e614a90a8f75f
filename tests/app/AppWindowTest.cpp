// kt4r's own window under a private X server: found by its title like a window manager finds it, the
// panel shown in it, a player's click (XTEST) changing a parameter, the close button quitting.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <set>
#include <thread>

#include "tests/app/AppTestSupport.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/support/XvfbServer.h"
#include "tests/x11/X11TestHost.h"
#include "tools/kt4r-render/HostFiles.h"

using namespace kt4r_test;

namespace {

constexpr int kUnison = 51; // the key-assign button UNISON, at (84, 79), 38 x 28

Window FindTopLevel(Display* display, const char* title)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::strcmp(name, title) == 0)
                found = children[i];
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return found;
}

// Asks the window to close as a window manager's close button does.
void CloseLikeAWindowManager(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

// kt4r with its window on the display DISPLAY names, on a private JACK server, with a plug-in copy and
// a state file of the test's own.
class AppWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        KT4R_REQUIRE_JACKD();
        KT4R_REQUIRE_X();
        ASSERT_TRUE(server.Running()) << "jackd did not come up: " << server.Failure();
    }
    std::unique_ptr<ChildProcess> StartApp(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {KT4R_APP_PATH, "--no-alsa", "--server", server.Name(),
                                         "--plugin",     plugin.Path(), "--state", state};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<ChildProcess>(args, folder.PathOf("log"));
    }

    JackDummyServer server;
    TempFolder folder{"kt4r-app-window"};
    PluginCopy plugin;
    const std::string state = folder.PathOf("standalone.state");
};

} // namespace

TEST_F(AppWindow, ShowsThePanelInAWindowTitledKT4RWhereAClickChangesAParameterAndClosingQuits)
{
    std::unique_ptr<ChildProcess> running = StartApp();
    ChildProcess& app = *running;
    XInput input;
    Display* display = input.Dpy();
    ASSERT_NE(display, nullptr);
    Window window = 0;
    for (int waited = 0; waited < 15000 && !window; waited += 50) {
        window = FindTopLevel(display, "KT-4R");
        if (!window)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(window, 0u) << app.Log();
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    EXPECT_EQ(attributes.width, 860);
    EXPECT_EQ(attributes.height, 692);

    // The panel is drawn in it: many colours, not the window's black background.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::set<unsigned long> colours;
    XImage* image = XGetImage(display, window, 0, 0, 860, 692, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < 692; y += 23)
        for (int x = 0; x < 860; x += 19)
            colours.insert(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    EXPECT_GT(colours.size(), 20u);

    input.Click(window, 84 + 19, 79 + 14);
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // ten ticks of the idle loop
    CloseLikeAWindowManager(display, window);
    ASSERT_EQ(app.Wait(10000), 0) << app.Log();

    // The click's change is in the state kept at exit: the key assignment is UNISON in its first mode.
    LoadedPlugin check = LoadPlugin();
    ASSERT_TRUE(SetPluginChunk(*check.host, false, ReadAll(state)));
    EXPECT_FLOAT_EQ(check->GetParameter(kUnison), 0.4f);
}

TEST_F(AppWindow, TheXServerGoingAwayEndsTheRunWithAMessageAndTheStateSaved)
{
    std::unique_ptr<ChildProcess> app;
    {
        // A server of this test's own (kt4r takes DISPLAY from it), ended under the open window.
        XvfbServer display;
        ASSERT_TRUE(display.Running());
        app = StartApp({"--verbose"});
        for (int waited = 0; waited < 15000 && app->Log().find("playing as") == std::string::npos; waited += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_NE(app->Log().find("playing as"), std::string::npos) << "the window is open\n" << app->Log();
    }
    EXPECT_EQ(app->Wait(10000), 1) << "a failure, told as one; not a crash\n" << app->Log();
    EXPECT_NE(app->Log().find("the X display went away"), std::string::npos) << app->Log();
    LoadedPlugin check = LoadPlugin();
    EXPECT_TRUE(SetPluginChunk(*check.host, false, ReadAll(state))) << "a whole state was saved";
}
