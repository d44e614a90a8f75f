#include "framework/x11/IGraphicsX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

#include "framework/x11/DesktopDialogs.h"
#include "framework/graphics/IGraphicsPlatform.h"
#include "framework/plugin/LinuxFolders.h"
#include "framework/plugin/ModulePath.h"
#include "framework/x11/X11Blit.h"
#include "framework/x11/X11Dpi.h"
#include "framework/x11/X11ErrorTrap.h"
#include "framework/x11/X11PopupMenu.h"
#include "framework/x11/X11TextEntry.h"
#include "framework/x11/X11Tooltip.h"

namespace {

constexpr long kEditorEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                               LeaveWindowMask | KeyPressMask | KeyReleaseMask | ExposureMask | StructureNotifyMask;
constexpr int kMenuFontPixels = 13;
constexpr unsigned kButtonMasks = Button1Mask | Button2Mask | Button3Mask;

IMouseMod ModsFromState(unsigned state)
{
    IMouseMod mods;
    mods.L = (state & Button1Mask) != 0;
    mods.R = (state & Button3Mask) != 0;
    mods.S = (state & ShiftMask) != 0;
    mods.C = (state & ControlMask) != 0;
    mods.A = (state & Mod1Mask) != 0;
    return mods;
}

} // namespace

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
    return new IGraphicsX11(plug, width, height, fps);
}

IGraphicsX11::IGraphicsX11(IPlugBase* plug, int width, int height, int fps) : IGraphics(plug, width, height, fps) {}

IGraphicsX11::~IGraphicsX11()
{
    // The plug-in is being destroyed: nothing of it is called back (no tick, no chooser answer), only
    // the window, the connection and a running chooser go.
    mChooser.Cancel();
    mFileDone = nullptr;
    for (PendingBox& pending : mMessageBoxes)
        pending.answered = nullptr;
    mMessageBoxes.clear();
    if (mSession.display)
        ReleaseWindow();
}

// ---- Window ----

void* IGraphicsX11::OpenWindow(void* parent)
{
    CloseWindow();
    const auto parentId = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
    if (!parentId)
        return nullptr;
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return nullptr;
    X11ErrorTrap::RegisterDisplay(d);
    mSession.display = d;
    mSession.screen = DefaultScreen(d);
    mSession.root = RootWindow(d, mSession.screen);
    mParent = parentId;
    mWindowGone = false;
    // The window opens at the chosen scale (the desktop's for AUTO) and keeps it while it is open.
    ApplyScalePreference();
    mSession.scaleHalves = static_cast<int>(Scale() * 2.0);
    {
        X11ErrorTrap trap(d);
        XWindowAttributes pa;
        if (!XGetWindowAttributes(d, mParent, &pa) || trap.Sync()) {
            mWindowGone = true; // the host's window is not there: nothing of ours was made
            ReleaseWindow();
            return nullptr;
        }
        // Same visual, depth and colormap as the parent, so the child needs nothing of its own.
        XSetWindowAttributes attributes{};
        attributes.event_mask = kEditorEvents;
        attributes.background_pixmap = None; // exposures are painted from the back buffer
        attributes.colormap = pa.colormap;
        mSession.editorWindow =
            XCreateWindow(d, mParent, 0, 0, static_cast<unsigned>(WindowWidth()), static_cast<unsigned>(WindowHeight()), 0,
                          pa.depth, InputOutput, pa.visual, CWEventMask | CWBackPixmap | CWColormap, &attributes);
        XMapWindow(d, mSession.editorWindow);
        if (trap.Sync()) {
            mWindowGone = true;
            ReleaseWindow();
            return nullptr;
        }
        mBlitter = std::make_unique<X11Blitter>(d, mSession.editorWindow, pa.visual, pa.depth);
        mFont = std::make_unique<X11Font>(d, mSession.screen, ToPixels(kMenuFontPixels));
        mSession.font = mFont.get();
        mTooltip = std::make_unique<X11Tooltip>(mSession);
        trap.Sync();
    }
    SetAllControlsDirty();
    mNextTick = Clock::now();
    mDoubleClick.Reset();
    return reinterpret_cast<void*>(static_cast<uintptr_t>(mSession.editorWindow));
}

void IGraphicsX11::CloseWindow()
{
    if (!mSession.display)
        return;
    if (TextEntryState() != kEntryIdle) {
        // Closing the window cancels the entry, through the editor so that its state is idle again.
        RequestCancelEntry();
        OnTimer();
    }
    // A chooser or a box outliving the window would answer into an editor the player closed: they end
    // with it, answering cancelled.
    FinishFileChooser(std::string());
    EndMessageBoxes();
    ReleaseWindow();
}

void IGraphicsX11::ReleaseWindow()
{
    Display* d = mSession.display;
    {
        X11ErrorTrap trap(d);
        mEntry.reset();
        mTooltip.reset();
        mBlitter.reset();
        mSession.font = nullptr;
        mFont.reset();
        if (mSession.editorWindow && !mWindowGone)
            XDestroyWindow(d, mSession.editorWindow);
        // Errors still on their way (a parent destroyed first) are read here, inside the trap, and
        // closing the connection reads nothing more.
        trap.Sync();
        XCloseDisplay(d);
    }
    X11ErrorTrap::UnregisterDisplay(d);
    mSession = X11Session{};
    mParent = 0;
    mMenuShown = false;
    mTooltipText.clear();
}

void* IGraphicsX11::WindowHandle()
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(mSession.editorWindow));
}

bool IGraphicsX11::TooltipShown() const { return mTooltip && mTooltip->Shown(); }
unsigned long IGraphicsX11::TextEntryWindow() const { return mEntry ? mEntry->Window() : 0; }

// ---- Idle: events, ticks, children ----

void IGraphicsX11::Idle()
{
    if (mSession.display) {
        Display* d = mSession.display;
        X11ErrorTrap trap(d);
        while (mSession.display && XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            HandleEvent(&event);
        }
        const Clock::time_point now = Clock::now();
        if (mSession.display && now >= mNextTick) {
            // A steady 1000 / FPS ms cadence; after a stall the count starts again from now.
            mNextTick += std::chrono::milliseconds(1000 / FPS());
            if (mNextTick <= now)
                mNextTick = now + std::chrono::milliseconds(1000 / FPS());
            Tick();
        }
        if (mSession.display)
            XFlush(d);
    }
    PollChildren();
}

void IGraphicsX11::Tick()
{
    OnTimer();
    if (!mTooltipText.empty() && !TooltipShown() && ++mTooltipRest >= kTooltipDelayTicks && mTooltip) {
        int rx = 0, ry = 0;
        Window child;
        if (XTranslateCoordinates(mSession.display, mSession.editorWindow, mSession.root, mMouseX, mMouseY, &rx, &ry,
                                  &child))
            mTooltip->Show(mTooltipText, rx, ry);
    }
}

void IGraphicsX11::PollChildren()
{
    if (mFileDone) {
        std::string path;
        if (mChooser.Poll(&path))
            FinishFileChooser(path);
    }
    for (size_t i = 0; i < mMessageBoxes.size();) {
        int answer = 0;
        if (!mMessageBoxes[i].box->Poll(&answer)) {
            ++i;
            continue;
        }
        // Taken out of the list before the answer runs: it may ask again.
        MessageAnswered answered = std::move(mMessageBoxes[i].answered);
        mMessageBoxes.erase(mMessageBoxes.begin() + static_cast<std::ptrdiff_t>(i));
        if (answered)
            answered(answer);
    }
    for (size_t i = 0; i < mUrlOpeners.size();) {
        if (mUrlOpeners[i]->Poll())
            mUrlOpeners.erase(mUrlOpeners.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

void IGraphicsX11::HandleEvent(void* xevent)
{
    XEvent& event = *static_cast<XEvent*>(xevent);
    const Window window = event.xany.window;
    if (mEntry && window == mEntry->Window()) {
        switch (mEntry->Handle(&event)) {
        case X11TextEntry::Event::kFocused: TextEntryFocused(); break;
        case X11TextEntry::Event::kCommit: RequestCommitEntry(); break;
        case X11TextEntry::Event::kCancel: RequestCancelEntry(); break;
        case X11TextEntry::Event::kNone: break;
        }
        return;
    }
    if (mTooltip && window == mTooltip->Window() && window) {
        if (event.type == Expose && event.xexpose.count == 0)
            mTooltip->Paint();
        return;
    }
    if (window != mSession.editorWindow || mWindowGone)
        return;
    switch (event.type) {
    case Expose: {
        const XExposeEvent& e = event.xexpose;
        if (mBlitter)
            mBlitter->Put(BackBuffer(), IRECT{e.x, e.y, e.x + e.width, e.y + e.height});
        break;
    }
    case ButtonPress: HandleButton(&event, true); break;
    case ButtonRelease: HandleButton(&event, false); break;
    case MotionNotify: HandleMotion(&event); break;
    case LeaveNotify:
        // A drag that leaves the window keeps going (the button holds the pointer); only a free pointer
        // leaving counts.
        if (event.xcrossing.mode == NotifyNormal && !(event.xcrossing.state & kButtonMasks)) {
            if (mTooltip)
                mTooltip->Hide();
            mTooltipText.clear();
            OnMouseOut();
        }
        break;
    case KeyPress: HandleKey(&event, true); break;
    case KeyRelease: HandleKey(&event, false); break;
    case DestroyNotify:
        if (event.xdestroywindow.window == mSession.editorWindow)
            mWindowGone = true;
        break;
    default: break;
    }
}

void IGraphicsX11::HandleButton(void* xevent, bool press)
{
    const XButtonEvent& e = static_cast<XEvent*>(xevent)->xbutton;
    mMouseX = e.x;
    mMouseY = e.y;
    IMouseMod mods = ModsFromState(e.state);
    if (e.button == Button4 || e.button == Button5) {
        if (press)
            OnMouseWheel(e.x, e.y, mods, e.button == Button4 ? 1 : -1);
        return;
    }
    if (e.button > Button3)
        return; // horizontal wheel and extra buttons
    // The button of this event, not the state before it.
    mods.L = e.button == Button1;
    mods.R = e.button == Button3;
    if (!press) {
        if (e.button != Button2)
            OnMouseUp(e.x, e.y, mods);
        return;
    }
    if (mTooltip)
        mTooltip->Hide();
    mTooltipText.clear();
    // A click leaves the keyboard focus where the host put it (its shortcuts keep working); only the
    // name entry takes it. Keys still reach the editor while the pointer is over it.
    const bool doubleClick =
        e.button == Button1 && mDoubleClick.Press(e.button, e.x, e.y, static_cast<uint32_t>(e.time));
    if (e.button != Button1)
        mDoubleClick.Reset();
    mMenuShown = false;
    if (doubleClick)
        OnMouseDblClick(e.x, e.y, mods);
    else
        OnMouseDown(e.x, e.y, mods);
    if (mMenuShown && mSession.display) {
        // The menu took the release of this click: finish the click for the control that opened it
        // (its end of edit), unless the button is still held and its own release is to come.
        Window root, child;
        int rx, ry, wx, wy;
        unsigned state = 0;
        XQueryPointer(mSession.display, mSession.editorWindow, &root, &child, &rx, &ry, &wx, &wy, &state);
        if (!(state & kButtonMasks))
            OnMouseUp(e.x, e.y, mods);
        mMenuShown = false;
        // The next click after a menu is a click of its own, however soon it comes.
        mDoubleClick.Reset();
    }
}

void IGraphicsX11::HandleMotion(void* xevent)
{
    XEvent& event = *static_cast<XEvent*>(xevent);
    // Of moves queued one after another only the latest matters (the editor takes deltas from its last
    // position); a button or key event between them keeps its place.
    while (XEventsQueued(mSession.display, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(mSession.display, &next);
        if (next.type != MotionNotify || next.xmotion.window != mSession.editorWindow ||
            (next.xmotion.state & kButtonMasks) != (event.xmotion.state & kButtonMasks))
            break;
        XNextEvent(mSession.display, &event);
    }
    const XMotionEvent& e = event.xmotion;
    mMouseX = e.x;
    mMouseY = e.y;
    if (!TooltipShown())
        mTooltipRest = 0;
    const IMouseMod mods = ModsFromState(e.state);
    if (e.state & kButtonMasks)
        OnMouseDrag(e.x, e.y, mods);
    else
        OnMouseOver(e.x, e.y, mods);
}

void IGraphicsX11::HandleKey(void* xevent, bool press)
{
    XEvent& event = *static_cast<XEvent*>(xevent);
    if (press) {
        const int key = EditorKeyForKeysym(XLookupKeysym(&event.xkey, 0));
        if (key >= 0 && OnKeyDown(mMouseX, mMouseY, key))
            return;
    }
    // Unhandled key-downs and every key-up go on to the host's window (its shortcuts keep working).
    event.xkey.window = mParent;
    XSendEvent(mSession.display, mParent, True, press ? KeyPressMask : KeyReleaseMask, &event);
}

void IGraphicsX11::Invalidate(const IRECT& rect)
{
    if (mBlitter && !mWindowGone)
        mBlitter->Put(BackBuffer(), rect);
}

// ---- Text entry and tooltips ----

void IGraphicsX11::PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text)
{
    if (!mSession.display || mWindowGone)
        return;
    X11ErrorTrap trap(mSession.display);
    const X11TextEntry::Align align = style.align == IText::kAlignCenter ? X11TextEntry::Align::kCenter
                                      : style.align == IText::kAlignFar  ? X11TextEntry::Align::kRight
                                                                         : X11TextEntry::Align::kLeft;
    // The entry takes the keyboard; whoever had it gets it back when the entry ends.
    if (!mEntry) {
        Window focus = None;
        int revert = RevertToParent;
        XGetInputFocus(mSession.display, &focus, &revert);
        mFocusBeforeEntry = focus;
        mFocusRevert = revert;
    }
    mEntry = std::make_unique<X11TextEntry>(mSession, rect, style.size, align, text ? text : "", kMaxEntryChars);
}

std::string IGraphicsX11::PlatformTextEntryText() { return mEntry ? mEntry->Text() : std::string(); }

void IGraphicsX11::PlatformCloseTextEntry()
{
    if (!mEntry)
        return;
    X11ErrorTrap trap(mSession.display);
    // The focus goes back to the window that had it before the entry (the host's), unless the player
    // has already put it somewhere else. A window gone meanwhile raises an error the trap takes; the
    // server then keeps its own fallback.
    Window focus = None;
    int revert = 0;
    XGetInputFocus(mSession.display, &focus, &revert);
    const bool ours = focus == mEntry->Window() || focus == mSession.editorWindow;
    mEntry.reset();
    if (ours && !mWindowGone)
        XSetInputFocus(mSession.display, mFocusBeforeEntry, mFocusRevert, CurrentTime);
    trap.Sync();
}

void IGraphicsX11::PlatformShowTooltip(const char* text, int x, int y)
{
    const std::string wanted = text ? text : "";
    if (wanted == mTooltipText)
        return;
    if (mTooltip && mSession.display) {
        X11ErrorTrap trap(mSession.display);
        mTooltip->Hide();
    }
    mTooltipText = wanted;
    mTooltipRest = 0;
}

double IGraphicsX11::PlatformDesktopScale()
{
    if (mSession.display)
        return DesktopDpi(mSession.display) / 96.0;
    // Asked before the window opens (the host sizing its window): a connection of its own for the
    // question.
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return 1.0;
    const double scale = DesktopDpi(d) / 96.0;
    XCloseDisplay(d);
    return scale;
}

// ---- Menus, dialogs, files ----

IPopupMenu* IGraphicsX11::ShowPopupMenu(IPopupMenu& menu, const IRECT& rect)
{
    if (!mSession.display || mWindowGone || !mFont)
        return nullptr;
    X11ErrorTrap trap(mSession.display);
    if (mTooltip)
        mTooltip->Hide();
    int sx = 0, sy = 0;
    Window child;
    const IRECT at = ToPixels(rect);
    if (!XTranslateCoordinates(mSession.display, mSession.editorWindow, mSession.root, at.L, at.B, &sx, &sy, &child))
        return nullptr;
    mMenuShown = true;
    // While the menu runs, the editor window still repaints what the menu uncovers.
    auto otherEvent = [this](void* xevent) {
        const XEvent& event = *static_cast<XEvent*>(xevent);
        if (event.type == Expose && event.xexpose.window == mSession.editorWindow && mBlitter)
            mBlitter->Put(BackBuffer(), IRECT{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                              event.xexpose.y + event.xexpose.height});
    };
    return RunX11PopupMenu(mSession, menu, sx, sy, otherEvent);
}

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type)
{
    // The box runs beside the host; a caller that cannot wait for the player gets the answer an
    // unseen box gives (OK to a message, No to a question). AskMessageBox delivers the real one.
    AskMessageBox(text, caption, type, nullptr);
    return MessageBoxUnansweredReply(type);
}

void IGraphicsX11::AskMessageBox(const char* text, const char* caption, int type, MessageAnswered answered)
{
    auto box = std::make_unique<MessageBoxProcess>();
    if (!box->Start(text ? text : "", caption ? caption : "", type)) {
        if (answered)
            answered(MessageBoxUnansweredReply(type));
        return;
    }
    mMessageBoxes.push_back({std::move(box), std::move(answered)});
}

void IGraphicsX11::EndMessageBoxes()
{
    // Moved out first: an answer may open the next box.
    std::vector<PendingBox> boxes = std::move(mMessageBoxes);
    mMessageBoxes.clear();
    for (PendingBox& pending : boxes) {
        pending.box->Cancel();
        if (pending.answered)
            pending.answered(0);
    }
}

void IGraphicsX11::PromptForFile(int action, const std::string& directory, const std::string& extensions,
                                 FileChosen done)
{
    std::string folder = directory.empty() ? DesktopFolder() : directory;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    if (mFileDone) {
        // One chooser at a time: a second prompt while one is open is answered as cancelled.
        if (done)
            done(std::string(), folder);
        return;
    }
    if (FileChooserProcess::InstalledTool().empty()) {
        ShowMessageBox("No file chooser found: install zenity or kdialog", "Files", 0);
        if (done)
            done(std::string(), folder);
        return;
    }
    if (!mChooser.Start(action, folder, extensions)) {
        if (done)
            done(std::string(), folder);
        return;
    }
    mFileDone = done ? std::move(done) : [](const std::string&, const std::string&) {};
    mFileFolder = folder;
}

void IGraphicsX11::FinishFileChooser(const std::string& path)
{
    if (!mFileDone)
        return;
    mChooser.Cancel();
    // Moved out first: the answer may open the next chooser.
    FileChosen done = std::move(mFileDone);
    mFileDone = nullptr;
    done(path, path.empty() ? mFileFolder : FolderOf(path));
}

bool IGraphicsX11::OpenUrl(const char* url, const char* caption, const char* confirm, const char* error)
{
    // A URL that starts like an option would be read as one by the opener.
    if (!url || !*url || *url == '-') {
        if (error && *error)
            ShowMessageBox(error, caption, 0);
        return false;
    }
    if (!confirm || !*confirm)
        return StartUrlOpener(url, caption ? caption : "", error ? error : "");
    // The URL opens once the player says yes, at a later idle call.
    AskMessageBox(confirm, caption, 4,
                  [this, target = std::string(url), title = std::string(caption ? caption : ""),
                   failure = std::string(error ? error : "")](int answer) {
                      if (answer == 1)
                          StartUrlOpener(target, title, failure);
                  });
    return true;
}

bool IGraphicsX11::StartUrlOpener(const std::string& url, const std::string& caption, const std::string& error)
{
    auto opener = std::make_unique<ChildProcess>();
    if (opener->Start({"xdg-open", url})) {
        mUrlOpeners.push_back(std::move(opener));
        return true;
    }
    if (!error.empty())
        ShowMessageBox(error.c_str(), caption.c_str(), 0);
    return false;
}

std::string IGraphicsX11::HostFolder() { return LinuxHostFolder(); }
std::string IGraphicsX11::PluginFolder() { return ModuleFolder(); }
std::string IGraphicsX11::DesktopFolder() { return LinuxDesktopFolder(); }
std::string IGraphicsX11::LocalAppDataFolder() { return LinuxLocalAppDataFolder(); }
