#include "framework/win32/IGraphicsWin.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>
#include <wininet.h>

#include <algorithm>
#include <mutex>

#include "framework/graphics/IGraphicsPlatform.h"
#include "framework/plugin/ModulePath.h"
#include "framework/win32/WinDpi.h"
#include "framework/win32/WinFileDialog.h"
#include "framework/plugin/WinFolders.h"
#include "framework/win32/WinPopupMenu.h"
#include "framework/win32/WinTextEntry.h"

namespace {

HWND Hwnd(void* window) { return static_cast<HWND>(window); }

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

LRESULT CALLBACK EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* editor = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!editor)
        return DefWindowProcA(window, message, wParam, lParam);
    return static_cast<LRESULT>(editor->HandleMessage(window, message, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam)));
}

// The window class is the process's while any editor window is open: registered by the first window,
// unregistered by the last (never from the library's unload, where Windows has already let it go or
// Wine would be slow to).
struct WindowClass {
    std::mutex lock;
    int windows = 0;
};

WindowClass& Class()
{
    static WindowClass windowClass;
    return windowClass;
}

bool AcquireClass()
{
    WindowClass& c = Class();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.windows == 0) {
        WNDCLASSEXA description{};
        description.cbSize = sizeof description;
        description.style = CS_DBLCLKS;
        description.lpfnWndProc = &EditorProcedure;
        description.hInstance = ThisModule();
        description.hCursor = LoadCursor(nullptr, IDC_ARROW);
        description.lpszClassName = IGraphicsWin::kWindowClass;
        // Already there: a class whose last window's destruction was still under way when it was let go.
        if (!RegisterClassExA(&description) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    ++c.windows;
    return true;
}

void ReleaseClass()
{
    WindowClass& c = Class();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.windows > 0 && --c.windows == 0)
        UnregisterClassA(IGraphicsWin::kWindowClass, ThisModule());
}

IMouseMod ModsFromKeys(WPARAM keys)
{
    IMouseMod mods;
    mods.L = (keys & MK_LBUTTON) != 0;
    mods.R = (keys & MK_RBUTTON) != 0;
    mods.S = (keys & MK_SHIFT) != 0;
    mods.C = (keys & MK_CONTROL) != 0;
    mods.A = GetKeyState(VK_MENU) < 0;
    return mods;
}

// The IControl::KeyDown number of a virtual key: space 0, arrows up/down/left/right 1-4, digits (main
// row and keypad) 5-14, letters 15-40; -1 for every other key.
int EditorKeyForVirtualKey(WPARAM key)
{
    switch (key) {
    case VK_SPACE: return 0;
    case VK_UP: return 1;
    case VK_DOWN: return 2;
    case VK_LEFT: return 3;
    case VK_RIGHT: return 4;
    default: break;
    }
    if (key >= '0' && key <= '9')
        return 5 + static_cast<int>(key - '0');
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return 5 + static_cast<int>(key - VK_NUMPAD0);
    if (key >= 'A' && key <= 'Z')
        return 15 + static_cast<int>(key - 'A');
    return -1;
}

} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
    return new IGraphicsWin(plug, width, height, fps);
}

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int fps) : IGraphics(plug, width, height, fps) {}

IGraphicsWin::~IGraphicsWin()
{
    CloseWindow();
}

int IGraphicsWin::OpenWindowCount()
{
    WindowClass& c = Class();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.windows;
}

// ---- Window ----

void* IGraphicsWin::OpenWindow(void* parent)
{
    CloseWindow();
    if (!parent || !IsWindow(Hwnd(parent)) || !AcquireClass())
        return nullptr;
    // The window opens at the chosen scale, or for AUTO at that of the monitor the host's window is on,
    // and keeps it while it is open; it is made aware of its monitor's resolution, so Windows shows its
    // pixels as they are instead of stretching them.
    mDpiWindow = parent;
    ApplyScalePreference();
    mDpiWindow = nullptr;
    HWND window = nullptr;
    {
        PerMonitorDpiScope aware;
        window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 WindowWidth(), WindowHeight(), Hwnd(parent), nullptr, ThisModule(), this);
    }
    if (!window) {
        ReleaseClass();
        return nullptr;
    }
    mWindow = window;
    mParent = parent;
    mClassHeld = true;
    SetTimer(window, kTimerId, static_cast<UINT>(1000 / FPS()), nullptr);
    SetFocus(window);
    SetAllControlsDirty();
    if (TooltipsEnabled())
        CreateTooltip();
    return window;
}

void IGraphicsWin::CreateTooltip()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(mWindow), nullptr,
                               ThisModule(), nullptr);
    if (!tip)
        return;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // One tool over the whole window; its text follows the control under the pointer. The tool watches
    // the window's mouse messages itself (TTF_SUBCLASS). The common controls of every Windows version
    // take the first version of the record.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = Hwnd(mWindow);
    tool.hinst = ThisModule();
    tool.lpszText = const_cast<char*>("");
    GetClientRect(Hwnd(mWindow), &tool.rect);
    if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tip);
        EnableTooltips(false);
        return;
    }
    mTooltip = tip;
    mTooltipText.clear();
}

void IGraphicsWin::CloseWindow()
{
    if (mWindow) {
        if (TextEntryState() != kEntryIdle) {
            // Closing the window cancels the entry, through the editor so that its state is idle again.
            RequestCancelEntry();
            OnTimer();
        }
        delete mEntry;
        mEntry = nullptr;
        ShowCursor();
        HWND window = Hwnd(mWindow);
        if (mTooltip)
            DestroyWindow(Hwnd(mTooltip));
        mTooltip = nullptr;
        mTooltipText.clear();
        KillTimer(window, kTimerId);
        // Messages still on their way find no editor (the default procedure takes them).
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        mWindow = nullptr;
        mParent = nullptr;
        mTrackingLeave = false;
        if (!mDestroying)
            DestroyWindow(window);
    }
    // A window in the middle of its destruction still counts as one of the class's: the class is let go
    // when the host closes the editor (or destroys the plug-in) afterwards.
    if (mClassHeld && !mDestroying) {
        mClassHeld = false;
        ReleaseClass();
    }
}

void* IGraphicsWin::TopLevelWindow() const
{
    HWND root = mParent ? GetAncestor(Hwnd(mParent), GA_ROOT) : nullptr;
    return root ? root : Hwnd(mWindow);
}

// ---- Messages ----

intptr_t IGraphicsWin::HandleMessage(void* handle, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    HWND window = Hwnd(handle);
    if (window != Hwnd(mWindow)) // the creation's own messages, before CreateWindowEx answers
        return DefWindowProcA(window, message, wParam, lParam);
    try {
        switch (message) {
        case WM_NCDESTROY:
            // The host destroyed its window, and ours with it, without closing the editor first.
            mDestroying = true;
            CloseWindow();
            mDestroying = false;
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId) {
                OnTimer();
                return 0;
            }
            break;
        case WM_PAINT: Paint(); return 0;
        case WM_ERASEBKGND: return 1; // every pixel comes from the back buffer
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_LBUTTONDBLCLK: MouseButton(message, wParam, lParam); return 0;
        case WM_MBUTTONUP:
            if (GetCapture() == window)
                ::ReleaseCapture();
            return 0;
        case WM_MOUSEMOVE: MouseMove(wParam, lParam); return 0;
        case WM_MOUSELEAVE:
            mTrackingLeave = false;
            OnMouseOut();
            return 0;
        case WM_MOUSEWHEEL: {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window, &at);
            OnMouseWheel(at.x, at.y, ModsFromKeys(GET_KEYSTATE_WPARAM(wParam)), GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
            return 0;
        }
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS; // the arrows reach the editor in dialog-like hosts
        case WM_KEYDOWN:
        case WM_KEYUP: Key(message, wParam, lParam); return 0;
        case WM_CLOSE: CloseWindow(); return 0;
        default: break;
        }
    } catch (...) {
        // Nothing crosses into the host's message loop.
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void IGraphicsWin::Paint()
{
    HWND window = Hwnd(mWindow);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    const LICE_SysBitmap& buffer = BackBuffer();
    RECT r = paint.rcPaint;
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, buffer.Width());
    r.bottom = std::min<LONG>(r.bottom, buffer.Height());
    if (buffer.Bits() && r.right > r.left && r.bottom > r.top) {
        // The back buffer's 0xAARRGGBB words are the blue-green-red-x bytes of a 32-bit top-down DIB. The
        // DIB handed over is the band of whole rows the update rectangle covers.
        const int rows = static_cast<int>(r.bottom - r.top);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = buffer.RowSpan();
        info.bmiHeader.biHeight = -rows;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.right - r.left), static_cast<DWORD>(rows), r.left,
                          0, 0, static_cast<UINT>(rows), buffer.Row(static_cast<int>(r.top)), &info, DIB_RGB_COLORS);
    }
    EndPaint(window, &paint);
}

void IGraphicsWin::Invalidate(const IRECT& rect)
{
    HWND window = Hwnd(mWindow);
    if (!window)
        return;
    const RECT r{rect.L, rect.T, rect.R, rect.B};
    InvalidateRect(window, &r, FALSE);
    if (mEntry && mEntry->Window()) {
        // The box paints itself: the editor's drawing under it is not shown.
        RECT box;
        GetWindowRect(Hwnd(mEntry->Window()), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        ValidateRect(window, &box);
    } else {
        UpdateWindow(window);
    }
}

void IGraphicsWin::MouseButton(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    HWND window = Hwnd(mWindow);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    IMouseMod mods = ModsFromKeys(wParam);
    switch (message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (GetCapture() == window)
            ::ReleaseCapture();
        mods.L = message == WM_LBUTTONUP;
        mods.R = message == WM_RBUTTONUP;
        OnMouseUp(x, y, mods);
        return;
    default: break;
    }
    if (mTooltip)
        SendMessageA(Hwnd(mTooltip), TTM_POP, 0, 0);
    if (!mEntry)
        SetFocus(window);
    SetCapture(window);
    // The second press of a double click is a press too: it holds the mouse, and its release ends the
    // edit it began.
    const bool doubleClick = message == WM_LBUTTONDBLCLK;
    mods.L = message == WM_LBUTTONDOWN || doubleClick;
    mods.R = message == WM_RBUTTONDOWN;
    mMenuShown = false;
    if (doubleClick)
        OnMouseDblClick(x, y, mods);
    else
        OnMouseDown(x, y, mods);
    if (mMenuShown && mWindow) {
        // The menu took the release of this click: finish the click for the control that opened it (its
        // end of edit), unless the button is still held and its own release is to come.
        const int button = message == WM_RBUTTONDOWN ? VK_RBUTTON : message == WM_MBUTTONDOWN ? VK_MBUTTON : VK_LBUTTON;
        if (GetAsyncKeyState(button) >= 0) {
            if (GetCapture() == window)
                ::ReleaseCapture();
            if (message != WM_MBUTTONDOWN)
                OnMouseUp(x, y, mods);
        }
        mMenuShown = false;
    }
}

void IGraphicsWin::MouseMove(uintptr_t wParam, intptr_t lParam)
{
    HWND window = Hwnd(mWindow);
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    const IMouseMod mods = ModsFromKeys(wParam);
    if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
        if (GetCapture() == window)
            OnMouseDrag(x, y, mods);
        return;
    }
    if (!mTrackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        mTrackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    OnMouseOver(x, y, mods);
}

void IGraphicsWin::Key(unsigned message, uintptr_t wParam, intptr_t lParam)
{
    HWND window = Hwnd(mWindow);
    if (message == WM_KEYDOWN) {
        const int key = EditorKeyForVirtualKey(wParam);
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(window, &at);
        if (key >= 0 && OnKeyDown(at.x, at.y, key))
            return;
    }
    // Unhandled key-downs and every key-up go on to the host's window (its shortcuts keep working).
    HWND root = Hwnd(TopLevelWindow());
    if (root && root != window)
        PostMessageA(root, message, wParam, lParam);
}

// ---- Text entry, tooltips, cursor ----

void IGraphicsWin::PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text)
{
    delete mEntry;
    mEntry = nullptr;
    if (mWindow)
        mEntry = new WinTextEntry(*this, mWindow, style, rect, text, kMaxEntryChars);
}

std::string IGraphicsWin::PlatformTextEntryText() { return mEntry ? mEntry->Text() : std::string(); }

void IGraphicsWin::PlatformCloseTextEntry()
{
    if (!mEntry)
        return;
    delete mEntry;
    mEntry = nullptr;
    if (mWindow)
        SetFocus(Hwnd(mWindow));
}

void IGraphicsWin::PlatformShowTooltip(const char* text, int, int)
{
    const std::string wanted = text ? text : "";
    if (!mTooltip || wanted == mTooltipText)
        return;
    mTooltipText = wanted;
    // An empty text shows nothing: the tool stays, silent, until the next control with a tooltip.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = Hwnd(mWindow);
    tool.hinst = ThisModule();
    tool.lpszText = const_cast<char*>(mTooltipText.c_str());
    SendMessageA(Hwnd(mTooltip), TTM_POP, 0, 0);
    SendMessageA(Hwnd(mTooltip), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void IGraphicsWin::HideCursor()
{
    if (mCursorHidden)
        return;
    POINT at{};
    GetCursorPos(&at);
    mCursorX = at.x;
    mCursorY = at.y;
    ::ShowCursor(FALSE);
    mCursorHidden = true;
}

void IGraphicsWin::ShowCursor()
{
    if (!mCursorHidden)
        return;
    SetCursorPos(static_cast<int>(mCursorX), static_cast<int>(mCursorY));
    ::ShowCursor(TRUE);
    mCursorHidden = false;
}

// ---- Menus, dialogs, files ----

IPopupMenu* IGraphicsWin::ShowPopupMenu(IPopupMenu& menu, const IRECT& rect)
{
    HWND window = Hwnd(mWindow);
    if (!window)
        return nullptr;
    if (mTooltip)
        SendMessageA(Hwnd(mTooltip), TTM_POP, 0, 0);
    const IRECT scaled = ToPixels(rect);
    POINT at{scaled.L, scaled.B};
    ClientToScreen(window, &at);
    mMenuShown = true;
    IPopupMenu* chosen = RunWinPopupMenu(menu, window, at.x, at.y);
    if (mWindow)
        InvalidateRect(window, nullptr, FALSE);
    return chosen;
}

int IGraphicsWin::ShowMessageBox(const char* text, const char* caption, int type)
{
    const int answer = MessageBoxA(Hwnd(TopLevelWindow()), text ? text : "", caption ? caption : "",
                                   static_cast<UINT>(type));
    return answer == IDOK || answer == IDYES ? 1 : 0;
}

void IGraphicsWin::PromptForFile(int action, const std::string& directory, const std::string& extensions,
                                 FileChosen done)
{
    std::string folder = directory.empty() ? DesktopFolder() : directory;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    const std::string path = RunWinFileDialog(mWindow, action, folder, extensions);
    if (done)
        done(path, path.empty() ? folder : WinFolderOfPath(path));
}

bool IGraphicsWin::OpenUrl(const char* url, const char* caption, const char* confirm, const char* error)
{
    const char* title = caption ? caption : "";
    if (confirm && *confirm && ShowMessageBox(confirm, title, MB_YESNO) != 1)
        return false;
    DWORD state = 0;
    if (url && *url && InternetGetConnectedState(&state, 0)) {
        // ShellExecute answers a number above 32 when it started something.
        const auto started = reinterpret_cast<intptr_t>(
            ShellExecuteA(Hwnd(TopLevelWindow()), "open", url, nullptr, nullptr, SW_SHOWNORMAL));
        if (started > 32)
            return true;
    }
    if (error && *error)
        ShowMessageBox(error, title, MB_OK);
    return false;
}

double IGraphicsWin::PlatformDesktopScale() { return MonitorDpiOf(mDpiWindow) / 96.0; }

std::string IGraphicsWin::HostFolder() { return WinHostFolder(); }
std::string IGraphicsWin::PluginFolder() { return ModuleFolder(); }
std::string IGraphicsWin::DesktopFolder() { return WinDesktopFolder(); }
std::string IGraphicsWin::LocalAppDataFolder() { return WinLocalAppDataFolder(); }
