#include "framework/win32/WinDpi.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr int kDefaultDpi = 96;
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, a pseudo-handle of user32.
void* const kPerMonitorAwareV2 = reinterpret_cast<void*>(static_cast<intptr_t>(-4));
constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using SetThreadDpiAwarenessContextFn = void*(WINAPI*)(void*);

template <typename Fn> Fn Lookup(const char* module, const char* name)
{
    HMODULE handle = GetModuleHandleA(module);
    if (!handle)
        handle = LoadLibraryA(module); // stays loaded with the process, as system libraries do
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

} // namespace

int MonitorDpiOf(void* window)
{
    HMONITOR monitor = window ? MonitorFromWindow(static_cast<HWND>(window), MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0)
        return static_cast<int>(y);
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDefaultDpi;
}

PerMonitorDpiScope::PerMonitorDpiScope()
{
    static const auto setContext = Lookup<SetThreadDpiAwarenessContextFn>("user32.dll", "SetThreadDpiAwarenessContext");
    if (setContext)
        mPrevious = setContext(kPerMonitorAwareV2);
}

PerMonitorDpiScope::~PerMonitorDpiScope()
{
    static const auto setContext = Lookup<SetThreadDpiAwarenessContextFn>("user32.dll", "SetThreadDpiAwarenessContext");
    if (setContext && mPrevious)
        setContext(mPrevious);
}
