// The LV2 bundle in Jalv, a real LV2 host, against a private JACK server (dummy driver) and X server:
// the plug-in plays what the host's MIDI port sends, and the UI shows the panel in the host's window,
// as the headless editor draws it.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <jack/jack.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "framework/graphics/LICE.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/x11/X11TestHost.h"

using namespace kt4r_test;

namespace {

bool JalvInstalled()
{
    return std::filesystem::exists("/usr/bin/jalv.gtk3");
}

// The first window without children at width x height under window, searched depth first.
Window FindChild(Display* display, Window window, int width, int height)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) && attributes.width == width &&
        attributes.height == height) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count)) {
            if (children)
                XFree(children);
            if (count == 0)
                return window;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = FindChild(display, children[i], width, height);
    if (children)
        XFree(children);
    return found;
}

std::unique_ptr<LICE_MemBitmap> ReadPng(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LICE_LoadPNGFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A bundle copy of its own in an LV2 path of its own (its configuration file starts absent).
std::string CopyBundle(const TempFolder& folder)
{
    const std::string path = folder.PathOf("lv2");
    std::filesystem::create_directories(path);
    std::filesystem::copy(KT4R_LV2_BUNDLE, path + "/KT-4R.lv2", std::filesystem::copy_options::recursive);
    std::filesystem::remove(path + "/KT-4R.lv2/KT-4R.ini");
    std::filesystem::remove(path + "/KT-4R.lv2/KT-4R.map");
    return path;
}

// Connects source to destination on server, retrying while the host registers its ports.
bool Connect(const std::string& server, const std::string& source, const std::string& destination)
{
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "kt4r-patchbay", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, server.c_str());
    if (!client)
        return false;
    bool connected = false;
    for (int waited = 0; waited < 10000 && !connected; waited += 100) {
        const int result = jack_connect(client, source.c_str(), destination.c_str());
        connected = result == 0 || result == EEXIST;
        if (!connected)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    jack_client_close(client);
    return connected;
}

} // namespace

TEST(Jalv, RunsThePlugInAndItsUiShowsThePanelAsTheHeadlessEditorDrawsIt)
{
    KT4R_REQUIRE_JACKD();
    KT4R_REQUIRE_X();
    if (!JalvInstalled())
        GTEST_SKIP() << "jalv is not installed (Debian package jalv)";
    JackDummyServer server;
    ASSERT_TRUE(server.Running());
    TempFolder folder("kt4r-jalv");
    const std::string lv2Path = CopyBundle(folder);
    JackProbe probe(server.Name());
    ASSERT_TRUE(probe.Ok());
    ChildProcess jalv({"/usr/bin/jalv.gtk3", "--jack-name", "kt4r-lv2", "-x", "urn:tolva:kt-4r"}, folder.PathOf("log"),
                      {"LV2_PATH=" + lv2Path + ":/usr/lib/lv2", "JACK_DEFAULT_SERVER=" + server.Name()});
    ASSERT_TRUE(jalv.Started());

    // The UI: the panel's window inside the host's, at the panel's size.
    XInput input;
    Display* display = input.Dpy();
    ASSERT_NE(display, nullptr);
    Window panel = 0;
    for (int waited = 0; waited < 20000 && !panel; waited += 100) {
        panel = FindChild(display, DefaultRootWindow(display), 860, 692);
        if (!panel)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(panel, 0u) << jalv.Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // a few idle calls draw it
    XImage* image = XGetImage(display, panel, 0, 0, 860, 692, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    auto reference = ReadPng(KT4R_EDITOR_DATA "/panel-default.png");
    ASSERT_TRUE(reference);
    int differing = 0;
    for (int y = 0; y < 692; ++y) {
        for (int x = 0; x < 860; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const LICE_pixel q = reference->Row(y)[x];
            const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF),
                      b = static_cast<int>(p & 0xFF);
            if (std::abs(r - LICE_GETR(q)) > 3 || std::abs(g - LICE_GETG(q)) > 3 || std::abs(b - LICE_GETB(q)) > 3)
                ++differing;
        }
    }
    XDestroyImage(image);
    EXPECT_LE(differing, 860 * 692 / 1000) << jalv.Log();

    // The plug-in: a note from the MIDI port sounds at the audio outputs.
    ASSERT_TRUE(Connect(server.Name(), probe.Port("midi_out"), "kt4r-lv2:events_in")) << jalv.Log();
    ASSERT_TRUE(Connect(server.Name(), "kt4r-lv2:out_l", probe.Port("in_l"))) << jalv.Log();
    ASSERT_TRUE(Connect(server.Name(), "kt4r-lv2:out_r", probe.Port("in_r"))) << jalv.Log();
    probe.Send({0x90, 60, 100});
    std::vector<float> left, right;
    ASSERT_TRUE(probe.Record(24000, &left, &right));
    float peak = 0.0f;
    for (const float x : left)
        peak = std::max(peak, std::abs(x));
    EXPECT_GT(peak, 0.01f) << jalv.Log();
    jalv.Signal(SIGTERM);
    EXPECT_NE(jalv.Wait(10000), -1);
}
