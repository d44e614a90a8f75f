// The editor on Windows: a Win32 child window of class "KT4RWndClass" in the window the host hands to
// effEditOpen. It shows the back buffer on WM_PAINT, turns window messages into the editor's mouse and
// key calls, ticks on a 40 ms window timer, and supplies the tooltip, pop-up menus, the name entry,
// message boxes, file dialogs and folders.
//
// Threads: every member runs on the host's UI thread (the thread that calls the editor opcodes and
// pumps the window's messages). Window messages arrive outside the plug-in lock; the editor core takes
// it where it changes plug-in state.
#pragma once

#include <cstdint>
#include <string>

#include "framework/graphics/IGraphics.h"

class WinTextEntry;

class IGraphicsWin : public IGraphics {
public:
    static constexpr const char* kWindowClass = "KT4RWndClass";
    static constexpr const char* kWindowTitle = "KT-4R";
    static constexpr unsigned kTimerId = 2;

    IGraphicsWin(IPlugBase* plug, int width, int height, int fps);
    // The plug-in base's destructor, host UI thread: closes the window.
    ~IGraphicsWin() override;

    // Dispatcher (host UI thread, plug-in lock held); allocates. parent is the host's HWND. Answers the
    // child window's HWND, or nullptr when the parent is not a window or creation fails (the class count
    // is then as before).
    void* OpenWindow(void* parent) override;
    // Dispatcher or WM_CLOSE (host UI thread); frees. Unregisters the window class with the last window
    // of the process.
    void CloseWindow() override;
    void* WindowHandle() override { return mWindow; }

    // Editor thread, from control calls routed from window messages; may allocate. Menus, message boxes
    // and file dialogs are modal: they return when the player has answered (a file dialog calls done
    // before PromptForFile returns).
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const IRECT& rect) override;
    void PromptForFile(int action, const std::string& directory, const std::string& extensions,
                       FileChosen done) override;
    bool OpenUrl(const char* url, const char* caption, const char* confirm, const char* error) override;
    std::string HostFolder() override;
    std::string PluginFolder() override;
    std::string DesktopFolder() override;
    std::string LocalAppDataFolder() override;
    // Editor thread; allocate nothing.
    void HideCursor() override;
    void ShowCursor() override;

    // The window procedure's work for this editor (editor thread, no lock held); may allocate. Answers
    // the message's result. Never throws.
    intptr_t HandleMessage(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

    // Windows that share the class in this process (for tests and diagnostics).
    static int OpenWindowCount();

protected:
    // OnTimer (editor thread): rect of the window invalidated and, without a text entry, painted at once.
    void Invalidate(const IRECT& rect) override;
    // IGraphics' text-entry state machine (editor thread); allocate.
    void PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text) override;
    std::string PlatformTextEntryText() override;
    void PlatformCloseTextEntry() override;
    // IGraphics' mouse-over routing (editor thread): the tooltip window's text; nullptr hides it.
    void PlatformShowTooltip(const char* text, int x, int y) override;
    // The resolution of the monitor the host's window is on (the primary monitor before the window
    // opens) / 96.
    double PlatformDesktopScale() override;

private:
    void Paint();
    void MouseButton(unsigned message, uintptr_t wParam, intptr_t lParam);
    void MouseMove(uintptr_t wParam, intptr_t lParam);
    void Key(unsigned message, uintptr_t wParam, intptr_t lParam);
    void CreateTooltip();
    void* TopLevelWindow() const;

    void* mWindow = nullptr; // HWND
    void* mParent = nullptr;
    void* mDpiWindow = nullptr; // whose monitor PlatformDesktopScale asks about (HWND; null: the primary)
    void* mTooltip = nullptr;
    WinTextEntry* mEntry = nullptr; // owned
    bool mTrackingLeave = false;   // TrackMouseEvent asked for WM_MOUSELEAVE
    bool mMenuShown = false;       // a pop-up menu took the button release of the click that opened it
    std::string mTooltipText;
    bool mDestroying = false;      // the host's window is taking ours with it (WM_NCDESTROY)
    bool mClassHeld = false;       // this editor counts in the window class's users
    bool mCursorHidden = false;
    long mCursorX = 0;
    long mCursorY = 0;
};
