// The built DLL's editor in a real Win32 window: loaded through its entry point as a host loads it, the
// editor opened in a host-made top-level window, the player's clicks and drags posted as window
// messages, the host's message loop pumped so the editor's timer runs.
#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/graphics/IGraphics.h"
#include "framework/win32/WinFileDialog.h"
#include "tests/support/PluginTestSupport.h"

using namespace kt4r_test;

namespace {

constexpr int kUnison = 51;  // the key-assign button UNISON, at (84, 79), 38 x 28
constexpr int kVcfFreq = 20; // the VCF FREQ slider, track at (481, 183), 29 x 121
constexpr const char* kEditorClass = "KT4RWndClass";

// A host's frame window: a plain top-level window of a class of the test's own.
class HostWindow {
public:
    HostWindow()
    {
        WNDCLASSEXA description{};
        description.cbSize = sizeof description;
        description.lpfnWndProc = &DefWindowProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "KT4RTestHostFrame";
        RegisterClassExA(&description); // again for the next window: already there is fine
        mWindow = CreateWindowExA(0, "KT4RTestHostFrame", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 760,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~HostWindow()
    {
        if (mWindow && IsWindow(mWindow))
            DestroyWindow(mWindow);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return mWindow; }
    // The editor's child window, found as a host's accessibility tools would find it.
    HWND Editor() const { return FindWindowExA(mWindow, nullptr, kEditorClass, "KT-4R"); }

private:
    HWND mWindow = nullptr;
};

// The host's message loop for ms milliseconds, or until done answers true.
void Pump(int ms, const std::function<bool()>& done = nullptr)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done && done())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// Top-level windows of this thread (the editor's tooltip is one while the editor is open).
int ThreadWindows()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The module the plug-in was loaded as (its window class is registered for that module).
HMODULE PluginModule(PluginHost& host)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(host.Effect()->dispatcher), &module);
    return module;
}

bool ClassRegistered(HMODULE module)
{
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    return GetClassInfoExA(module, kEditorClass, &description) != FALSE;
}

class Win32Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        if (!host->Handle())
            GTEST_SKIP() << "no window can be made here (Wine without a display)";
        plugin = LoadPlugin();
        ASSERT_TRUE(plugin.host && plugin->Effect());
        plugin->RecordEditCalls(4096);
    }
    HWND OpenEditor(HWND parent)
    {
        EXPECT_EQ(plugin->Dispatch(vst::effEditOpen, 0, 0, parent), 1);
        Pump(200);
        return FindWindowExA(parent, nullptr, kEditorClass, "KT-4R");
    }

    std::unique_ptr<HostWindow> host;
    LoadedPlugin plugin;
};

} // namespace

TEST_F(Win32Editor, OpensAChildOfTheHostsWindowAtTheEditorsSizeWithItsOwnClass)
{
    const HWND editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), host->Handle());
    EXPECT_TRUE(GetWindowLongA(editor, GWL_STYLE) & WS_CHILD);
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right - client.left, 860);
    EXPECT_EQ(client.bottom - client.top, 692);
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    ASSERT_TRUE(GetClassInfoExA(PluginModule(*plugin.host), kEditorClass, &description));
    EXPECT_TRUE(description.style & CS_DBLCLKS);
    EXPECT_EQ(description.hCursor, LoadCursor(nullptr, IDC_ARROW));

    // What the window shows is the panel: the editor's drawing reached the screen through WM_PAINT (a
    // window left unpainted would be one colour).
    Pump(200);
    auto sample = [&] {
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(editor);
        for (int y = 10; y < 692; y += 37)
            for (int x = 10; x < 860; x += 41)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(editor, dc);
        return pixels;
    };
    const std::vector<COLORREF> whole = sample();
    const std::set<COLORREF> colours(whole.begin(), whole.end());
    EXPECT_EQ(colours.count(CLR_INVALID), 0u);
    EXPECT_GT(colours.size(), 8u);
    // A repaint of a band in the middle shows the same pixels there as the whole window did.
    const RECT band{200, 300, 700, 420};
    HDC dc = GetDC(editor);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FillRect(dc, &band, black);
    ReleaseDC(editor, dc);
    InvalidateRect(editor, &band, FALSE);
    UpdateWindow(editor);
    EXPECT_EQ(sample(), whole);

    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    EXPECT_EQ(host->Editor(), nullptr);
}

namespace {

// UNISON clicked and VCF FREQ dragged 64 panel units down, at window pixels of scale; answers the two
// parameters after.
std::pair<float, float> ClickAndDragAtScale(HWND editor, PluginHost& plugin, int scale)
{
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(scale * (84 + 19), scale * (79 + 14)));
    PostMessageA(editor, WM_LBUTTONUP, 0, At(scale * (84 + 19), scale * (79 + 14)));
    Pump(300, [&] { return plugin.GetParameter(kUnison) != 0.0f; });
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(scale * (481 + 14), scale * (183 + 20)));
    Pump(50);
    for (int step = 1; step <= 8; ++step) {
        PostMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, At(scale * (481 + 14), scale * (183 + 20 + 8 * step)));
        Pump(30);
    }
    PostMessageA(editor, WM_LBUTTONUP, 0, At(scale * (481 + 14), scale * (183 + 20 + 64)));
    Pump(200);
    return {plugin.GetParameter(kUnison), plugin.GetParameter(kVcfFreq)};
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

} // namespace

TEST_F(Win32Editor, AtTwiceTheSizeTheWindowIsTwiceAsLargeAndTheMouseEditsAsAtTheUsualSize)
{
    HWND editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    const auto usual = ClickAndDragAtScale(editor, *plugin.host, 1);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);

    plugin = LoadPlugin("UI_SCALE = 2\n");
    vst::Rect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 1720);
    EXPECT_EQ(rect->bottom - rect->top, 1384);
    editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    const SIZE size = ClientSize(editor);
    EXPECT_EQ(size.cx, 1720);
    EXPECT_EQ(size.cy, 1384);
    const auto twice = ClickAndDragAtScale(editor, *plugin.host, 2);
    EXPECT_FLOAT_EQ(twice.first, 0.4f);
    EXPECT_FLOAT_EQ(twice.first, usual.first);
    EXPECT_FLOAT_EQ(twice.second, usual.second);
    EXPECT_LT(twice.second, 1.0f);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST_F(Win32Editor, AutomaticSizeFollowsTheResolutionOfTheHostWindowsMonitor)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const double scale = NearestPanelScale(dpi / 96.0);
    const HWND editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    const SIZE size = ClientSize(editor);
    EXPECT_EQ(size.cx, static_cast<LONG>(860 * scale)) << dpi << " dpi";
    EXPECT_EQ(size.cy, static_cast<LONG>(692 * scale)) << dpi << " dpi";
}

TEST_F(Win32Editor, ClickingUnisonAndDraggingVcfFreqChangeTheParametersAndTellTheHost)
{
    const HWND editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    plugin->TakeEditCalls();

    const float unisonBefore = plugin->GetParameter(kUnison);
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(84 + 19, 79 + 14));
    PostMessageA(editor, WM_LBUTTONUP, 0, At(84 + 19, 79 + 14));
    Pump(300, [&] { return plugin->GetParameter(kUnison) != unisonBefore; });
    EXPECT_FLOAT_EQ(plugin->GetParameter(kUnison), 0.4f); // UNISON in its first mode
    EXPECT_EQ(GetCapture(), nullptr) << "the button's release let the mouse go";

    // Down the VCF FREQ track (it starts fully open): the cutoff falls, and the host hears the steps
    // between begin and end.
    plugin->TakeEditCalls();
    const float freqBefore = plugin->GetParameter(kVcfFreq);
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(481 + 14, 183 + 20));
    Pump(50);
    EXPECT_EQ(GetCapture(), editor) << "a press captures the mouse for the drag";
    for (int step = 1; step <= 8; ++step) {
        PostMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, At(481 + 14, 183 + 20 + 8 * step));
        Pump(30);
    }
    PostMessageA(editor, WM_LBUTTONUP, 0, At(481 + 14, 183 + 20 + 64));
    Pump(200);
    const float freqAfter = plugin->GetParameter(kVcfFreq);
    EXPECT_LT(freqAfter, freqBefore);
    EXPECT_GT(freqAfter, 0.0f);
    const std::vector<PluginHost::EditCall> calls = plugin->TakeEditCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, vst::audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, kVcfFreq);
    EXPECT_EQ(calls.back().opcode, vst::audioMasterEndEdit);

    // And back up with the right button held: the same drag.
    PostMessageA(editor, WM_RBUTTONDOWN, MK_RBUTTON, At(481 + 14, 183 + 90));
    for (int step = 1; step <= 4; ++step)
        PostMessageA(editor, WM_MOUSEMOVE, MK_RBUTTON, At(481 + 14, 183 + 90 - 10 * step));
    PostMessageA(editor, WM_RBUTTONUP, 0, At(481 + 14, 183 + 50));
    Pump(200);
    EXPECT_GT(plugin->GetParameter(kVcfFreq), freqAfter);

    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST_F(Win32Editor, TheWindowClassLivesWhileAnyEditorWindowIsOpen)
{
    const HMODULE module = PluginModule(*plugin.host);
    EXPECT_FALSE(ClassRegistered(module));
    // A second instance from the same DLL, in a second frame: the class is the module's, counted.
    PluginHost second;
    std::string error;
    ASSERT_TRUE(second.Load(plugin.copy->Path(), &error)) << error;
    second.Open(48000.0, 512);
    HostWindow secondHost;
    ASSERT_NE(OpenEditor(host->Handle()), nullptr);
    ASSERT_EQ(second.Dispatch(vst::effEditOpen, 0, 0, secondHost.Handle()), 1);
    Pump(100);
    EXPECT_EQ(PluginModule(second), module);
    EXPECT_TRUE(ClassRegistered(module));

    // Reopening in the same frame keeps one window and one count.
    ASSERT_EQ(plugin->Dispatch(vst::effEditOpen, 0, 0, host->Handle()), 1);
    EXPECT_NE(host->Editor(), nullptr);
    EXPECT_EQ(FindWindowExA(host->Handle(), host->Editor(), kEditorClass, nullptr), nullptr);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    EXPECT_TRUE(ClassRegistered(module)) << "the second instance's window still uses it";
    EXPECT_NE(secondHost.Editor(), nullptr);
    EXPECT_EQ(second.Dispatch(vst::effEditClose), 1);
    EXPECT_FALSE(ClassRegistered(module)) << "the last window unregistered the class";

    // A host that destroys its frame (and the editor with it) before closing the editor.
    ASSERT_NE(OpenEditor(host->Handle()), nullptr);
    DestroyWindow(host->Handle());
    Pump(50);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    EXPECT_FALSE(ClassRegistered(module));
    host = std::make_unique<HostWindow>();
    ASSERT_NE(OpenEditor(host->Handle()), nullptr) << "the editor opens again after that";
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST_F(Win32Editor, OpeningAndClosingAHundredTimesLeavesNoGdiOrUserObjectsOrMemoryBehind)
{
    // The first open loads and decodes the images and the system's window parts: not counted.
    ASSERT_NE(OpenEditor(host->Handle()), nullptr);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    Pump(50);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const int windowsBefore = ThreadWindows();
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const SIZE_T bytesBefore = memory.PagefileUsage;

    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(plugin->Dispatch(vst::effEditOpen, 0, 0, host->Handle()), 1) << "open " << i;
        Pump(i % 10 == 0 ? 60 : 5); // now and then long enough for the timer to draw
        ASSERT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    }
    Pump(50);
    const DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userAfter = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const int windowsAfter = ThreadWindows();
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const SIZE_T bytesAfter = memory.PagefileUsage;
    // Wine answers 0 for both object counts (it keeps none per process); Windows counts them. The
    // windows of the thread and the process's memory are counted everywhere.
    std::printf("GDI objects %lu -> %lu, user objects %lu -> %lu, thread windows %d -> %d, private bytes %zu -> %zu\n",
                static_cast<unsigned long>(gdiBefore), static_cast<unsigned long>(gdiAfter),
                static_cast<unsigned long>(userBefore), static_cast<unsigned long>(userAfter), windowsBefore,
                windowsAfter, static_cast<size_t>(bytesBefore), static_cast<size_t>(bytesAfter));
    EXPECT_LE(gdiAfter, gdiBefore + 5);
    EXPECT_LE(userAfter, userBefore + 5);
    EXPECT_EQ(windowsAfter, windowsBefore);
    // One leaked editor window with its buffers would be far more than this over a hundred opens.
    EXPECT_LT(bytesAfter, bytesBefore + 2 * 1024 * 1024);
    EXPECT_FALSE(ClassRegistered(PluginModule(*plugin.host)));
}

TEST(Win32FileDialog, ExtensionsBecomeOneFilterWhoseFirstExtensionIsTheDefault)
{
    struct Case {
        const char* extensions;
        const char* patterns;
        const char* defaultExtension;
    };
    const Case cases[] = {
        {"fxp", "*.fxp", "fxp"},
        {"fxb fxp", "*.fxb;*.fxp", "fxb"},
        {"  syx   mid ", "*.syx;*.mid", "syx"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const WinFileFilter filter = MakeWinFileFilter(c.extensions);
        EXPECT_EQ(filter.patterns, c.patterns) << c.extensions;
        EXPECT_EQ(filter.defaultExtension, c.defaultExtension) << c.extensions;
    }
    EXPECT_EQ(WinFolderOfPath("C:\\Users\\me\\bank.fxb"), "C:\\Users\\me\\");
    EXPECT_EQ(WinFolderOfPath("Z:/tmp/a.fxp"), "Z:/tmp/");
    EXPECT_EQ(WinFolderOfPath("C:a.fxp"), "C:");
    EXPECT_EQ(WinFolderOfPath("a.fxp"), "");
}

TEST_F(Win32Editor, TheNameEntryRenamesOnEnterAndAWheelTurnCancelsIt)
{
    const HWND editor = OpenEditor(host->Handle());
    ASSERT_NE(editor, nullptr);
    auto programName = [&] {
        char name[64] = {};
        plugin->Dispatch(vst::effGetProgramName, 0, 0, name);
        return std::string(name);
    };
    const std::string before = programName();
    // The program name readout, right of the program number.
    auto openEntry = [&] {
        PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(560, 72));
        PostMessageA(editor, WM_LBUTTONUP, 0, At(560, 72));
        HWND box = nullptr;
        Pump(300, [&] { return (box = FindWindowExA(editor, nullptr, "EDIT", nullptr)) != nullptr; });
        return box;
    };

    HWND box = openEntry();
    ASSERT_NE(box, nullptr);
    char shown[64] = {};
    GetWindowTextA(box, shown, sizeof shown);
    EXPECT_EQ(std::string(shown), before);
    SetWindowTextA(box, "BRASS 1");
    PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    Pump(300, [&] { return !IsWindow(box); });
    EXPECT_FALSE(IsWindow(box)) << "Enter closed the box at the next tick";
    EXPECT_EQ(programName(), "BRASS 1");

    box = openEntry();
    ASSERT_NE(box, nullptr);
    SetWindowTextA(box, "LOST");
    POINT screen{560, 72};
    ClientToScreen(editor, &screen);
    PostMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    Pump(300, [&] { return !IsWindow(box); });
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(programName(), "BRASS 1") << "a wheel turn cancels without renaming";

    // A box still open when the host closes the editor goes with the window, unrenamed.
    box = openEntry();
    ASSERT_NE(box, nullptr);
    SetWindowTextA(box, "GONE");
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(programName(), "BRASS 1");
}
