// The built plug-in's editor on a high-resolution X desktop: with the panel size left at AUTO the
// window opens at the desktop's scale and takes the player's clicks at the scaled places.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "framework/x11/X11Dpi.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/x11/X11TestHost.h"

using namespace kt4r_test;

namespace {

constexpr int kUnison = 51; // the key-assign button UNISON, at (84, 79), 38 x 28 panel units

struct Opened {
    Window window = 0;
    int width = 0;
    int height = 0;
};

Opened OpenEditor(PluginHost& host, X11TestHost& xhost)
{
    Opened opened;
    if (host.Dispatch(vst::effEditOpen, 0, 0, xhost.ParentHandle()) != 1)
        return opened;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(xhost.Dpy(), xhost.Parent(), &root, &parent, &children, &count);
    opened.window = count == 1 ? children[0] : 0;
    if (children)
        XFree(children);
    int x, y;
    unsigned w = 0, h = 0, border, depth;
    if (opened.window && XGetGeometry(xhost.Dpy(), opened.window, &root, &x, &y, &w, &h, &border, &depth)) {
        opened.width = static_cast<int>(w);
        opened.height = static_cast<int>(h);
    }
    return opened;
}

void ClickAndWait(PluginHost& host, X11TestHost& xhost, Window window, int x, int y, int parameter)
{
    const float before = host.GetParameter(parameter);
    xhost.Input().Click(window, x, y);
    PumpFor(1000, [&] { host.Dispatch(vst::effEditIdle); }, [&] { return host.GetParameter(parameter) != before; },
            15);
}

} // namespace

TEST(ScaledX11Editor, AtA192DpiDesktopAutoOpensTheWindowAtTwiceTheSizeAndClicksHitTheScaledControls)
{
    XvfbServer server(192, "2048x1600x24");
    if (!server.Running())
        GTEST_SKIP() << "Xvfb is not installed";
    X11TestHost xhost;
    ASSERT_TRUE(xhost.Ok());
    LoadedPlugin plugin = LoadPlugin(); // no UI_SCALE: AUTO
    vst::Rect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 1720);
    EXPECT_EQ(rect->bottom - rect->top, 1384);

    const Opened opened = OpenEditor(*plugin.host, xhost);
    ASSERT_NE(opened.window, 0u);
    EXPECT_EQ(opened.width, 1720);
    EXPECT_EQ(opened.height, 1384);
    PumpFor(300, [&] { plugin->Dispatch(vst::effEditIdle); }, nullptr, 15);
    ClickAndWait(*plugin.host, xhost, opened.window, 2 * (84 + 19), 2 * (79 + 14), kUnison);
    EXPECT_FLOAT_EQ(plugin->GetParameter(kUnison), 0.4f);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST(ScaledX11Editor, TheConfiguredSizeWinsOverTheDesktopAndTakesEffectWhenTheEditorOpensAgain)
{
    XvfbServer server(192, "2048x1600x24");
    if (!server.Running())
        GTEST_SKIP() << "Xvfb is not installed";
    X11TestHost xhost;
    ASSERT_TRUE(xhost.Ok());
    LoadedPlugin plugin = LoadPlugin("UI_SCALE = 1.5\n");
    // The host sizes its frame to the editor, as hosts that read the editor's rectangle do.
    XResizeWindow(xhost.Dpy(), xhost.Parent(), 1290, 1038);
    XSync(xhost.Dpy(), False);
    Opened opened = OpenEditor(*plugin.host, xhost);
    ASSERT_NE(opened.window, 0u);
    EXPECT_EQ(opened.width, 1290);
    EXPECT_EQ(opened.height, 1038);
    PumpFor(300, [&] { plugin->Dispatch(vst::effEditIdle); }, nullptr, 15);
    // The Settings page, then its panel-size readout: 1.5X steps on to 2X.
    ClickAndWait(*plugin.host, xhost, opened.window, 1209, 955, 71);
    PumpFor(500, [&] { plugin->Dispatch(vst::effEditIdle); }, nullptr, 15);
    xhost.Input().Click(opened.window, 1203, 609);
    PumpFor(300, [&] { plugin->Dispatch(vst::effEditIdle); }, nullptr, 15);
    ASSERT_EQ(plugin->Dispatch(vst::effEditClose), 1);

    opened = OpenEditor(*plugin.host, xhost);
    ASSERT_NE(opened.window, 0u);
    EXPECT_EQ(opened.width, 1720);
    EXPECT_EQ(opened.height, 1384);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST(ScaledX11Editor, TheDesktopResolutionIsReadFromTheXftDpiResource)
{
    const struct {
        const char* resources;
        double dpi;
    } cases[] = {{"Xft.dpi:\t192\n", 192.0},
                 {"Xcursor.size:\t24\nXft.dpi:\t144\nXft.antialias:\t1\n", 144.0},
                 {"Xft.dpi:\t120", 120.0},
                 {"Xft.dpi:\tlarge\n", 0.0},
                 {"Xft.dpi:\t-96\n", 0.0},
                 {"Xft.hinting:\t1\n", 0.0},
                 {"", 0.0},
                 {nullptr, 0.0}};
    for (const auto& c : cases)
        EXPECT_EQ(XftDpiFromResources(c.resources), c.dpi) << (c.resources ? c.resources : "(none)");
}
