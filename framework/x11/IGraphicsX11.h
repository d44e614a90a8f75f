// The editor on Linux: an X11 child window in the window the host hands to effEditOpen, served through
// the editor's own display connection from the host's editor-idle calls. It shows the back buffer,
// turns X events into the editor's mouse and key calls, ticks at the redraw rate, and supplies menus,
// the name entry, tooltips, message boxes, file choosers and folders.
//
// Threads: every member runs on the host's UI thread (the thread that calls the dispatcher's editor
// opcodes). The host's own X connection is never used; Xlib thread support is the host's business.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "framework/x11/ChildProcess.h"
#include "framework/x11/DesktopDialogs.h"
#include "framework/x11/FileChooserProcess.h"
#include "framework/graphics/IGraphics.h"
#include "framework/x11/X11Input.h"
#include "framework/x11/X11Text.h"

class X11Blitter;
class X11TextEntry;
class X11Tooltip;

class IGraphicsX11 : public IGraphics {
public:
    // Ticks of the redraw timer the pointer must rest on a control before its tooltip shows (~500 ms).
    static constexpr int kTooltipDelayTicks = 12;

    IGraphicsX11(IPlugBase* plug, int width, int height, int fps);
    // The plug-in base's destructor, host UI thread: closes the window and ends a running chooser
    // without calling the plug-in back.
    ~IGraphicsX11() override;

    // Dispatcher (host UI thread, plug-in lock held); allocates. parent is the host's X11 window id.
    // Answers the child window's id, or nullptr when there is no display or the parent does not exist.
    void* OpenWindow(void* parent) override;
    // Dispatcher (host UI thread, plug-in lock held); frees. Safe after the host destroyed the parent;
    // a running file chooser is ended and answers an empty path.
    void CloseWindow() override;
    void* WindowHandle() override;
    // effEditIdle (host UI thread, outside the plug-in lock: editor actions take it themselves); may allocate. Never blocks unless a modal menu
    // or message box is shown from an event it routes. Pumps pending events, ticks at most every
    // 1000 / FPS ms on average, polls a running file chooser and reaps finished URL openers.
    void Idle() override;

    // Editor thread, from control calls that Idle routes (plug-in lock not held, so the audio thread
    // runs on while a modal menu waits); may allocate. The menu is modal: it returns when the player
    // has chosen. A message box runs in its own process and never blocks: AskMessageBox answers at a
    // later idle call, when the box ends (or 0 when the window closes first); ShowMessageBox answers
    // at once what an unseen box answers (1 to a message, 0 to a question).
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    void AskMessageBox(const char* text, const char* caption, int type, MessageAnswered answered) override;
    IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const IRECT& rect) override;
    void PromptForFile(int action, const std::string& directory, const std::string& extensions,
                       FileChosen done) override;
    // With a confirm text the question is put and the URL opens on the player's yes, at a later idle
    // call; answers false only for a URL that cannot be opened (empty, or an option to the opener).
    bool OpenUrl(const char* url, const char* caption, const char* confirm, const char* error) override;
    std::string HostFolder() override;
    std::string PluginFolder() override;
    std::string DesktopFolder() override;
    std::string LocalAppDataFolder() override;

    // What the window shows, for diagnostics and tests.
    bool FileChooserRunning() const { return static_cast<bool>(mFileDone); }
    int MessageBoxesShown() const { return static_cast<int>(mMessageBoxes.size()); }
    bool TooltipShown() const;
    unsigned long TextEntryWindow() const;

protected:
    // OnTimer (editor thread, plug-in lock not held), allocates nothing on the usual 24-bit visual: rect
    // of the back buffer to the window.
    void Invalidate(const IRECT& rect) override;
    // IGraphics' text-entry state machine (editor thread, plug-in lock not held); allocate.
    void PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text) override;
    std::string PlatformTextEntryText() override;
    void PlatformCloseTextEntry() override;
    // IGraphics' mouse-over routing (editor thread): the text is shown after kTooltipDelayTicks ticks
    // of rest; nullptr hides it.
    void PlatformShowTooltip(const char* text, int x, int y) override;
    // The window's display (or a connection of its own while none is open): DesktopDpi / 96.
    double PlatformDesktopScale() override;

private:
    using Clock = std::chrono::steady_clock;

    void HandleEvent(void* xevent);
    void HandleButton(void* xevent, bool press);
    void HandleMotion(void* xevent);
    void HandleKey(void* xevent, bool press);
    void Tick();
    void PollChildren();
    void FinishFileChooser(const std::string& path);
    void EndMessageBoxes();
    bool StartUrlOpener(const std::string& url, const std::string& caption, const std::string& error);
    void ReleaseWindow();

    X11Session mSession;
    unsigned long mParent = 0;
    bool mWindowGone = false; // the parent (and with it our window) was destroyed by the host
    std::unique_ptr<X11Font> mFont;
    std::unique_ptr<X11Blitter> mBlitter;
    std::unique_ptr<X11TextEntry> mEntry;
    unsigned long mFocusBeforeEntry = 0; // the keyboard focus the name entry took, given back when it ends
    int mFocusRevert = 0;
    std::unique_ptr<X11Tooltip> mTooltip;

    Clock::time_point mNextTick;
    DoubleClickDetector mDoubleClick;
    int mMouseX = 0;
    int mMouseY = 0;
    bool mMenuShown = false; // a pop-up menu consumed the button release of the click that opened it

    std::string mTooltipText;
    int mTooltipRest = 0; // ticks the pointer has rested since the hovered control changed

    FileChooserProcess mChooser;
    FileChosen mFileDone;
    std::string mFileFolder;
    std::vector<std::unique_ptr<ChildProcess>> mUrlOpeners;
    struct PendingBox {
        std::unique_ptr<MessageBoxProcess> box;
        MessageAnswered answered;
    };
    std::vector<PendingBox> mMessageBoxes;
};
