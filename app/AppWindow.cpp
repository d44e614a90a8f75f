#include "app/AppWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <unistd.h>

#include "tools/kt4r-render/PluginHost.h"

namespace {

constexpr char kTitle[] = "KT-4R";

Display* Dpy(void* display)
{
    return static_cast<Display*>(display);
}

bool EditorSize(PluginHost& host, int* width, int* height)
{
    vst::Rect* rect = nullptr;
    if (host.Dispatch(vst::effEditGetRect, 0, 0, &rect) == 0 || !rect)
        return false;
    *width = rect->right - rect->left;
    *height = rect->bottom - rect->top;
    return *width > 0 && *height > 0;
}

// The window keeps the editor's size: the panel does not stretch.
void FixSize(Display* display, Window window, int width, int height)
{
    XSizeHints* hints = XAllocSizeHints();
    if (!hints)
        return;
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display, window, hints);
    XFree(hints);
}

// Xlib's handler for a lost display is process-wide (the plug-in's own connection reports through it
// as well), so the application's last words are kept here.
void (*gDisplayLost)(void*) = nullptr;
void* gDisplayLostContext = nullptr;

int DisplayLost(Display*)
{
    if (gDisplayLost)
        gDisplayLost(gDisplayLostContext);
    _exit(1);
}

} // namespace

AppWindow::~AppWindow()
{
    Close();
}

bool AppWindow::Open(std::string* error)
{
    if (!(mHost.Effect()->flags & vst::effFlagsHasEditor) || !EditorSize(mHost, &mWidth, &mHeight)) {
        *error = "the plug-in has no panel to show; run with --no-gui";
        return false;
    }
    XSetIOErrorHandler(DisplayLost);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        *error = "cannot open the X display (is DISPLAY set?); run with --no-gui to play without the panel";
        return false;
    }
    mDisplay = display;
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                              static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight), 0,
                                              BlackPixel(display, screen), BlackPixel(display, screen));
    mWindow = window;
    XStoreName(display, window, kTitle);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(kTitle), static_cast<int>(std::strlen(kTitle)));
    // The class names the desktop file's StartupWMClass matches, so the launcher groups the window.
    XClassHint classHint{const_cast<char*>("kt4r"), const_cast<char*>("KT-4R")};
    XSetClassHint(display, window, &classHint);
    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    mDeleteAtom = deleteAtom;
    XSetWMProtocols(display, window, &deleteAtom, 1);
    FixSize(display, window, mWidth, mHeight);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);

    if (mHost.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(window))) == 0) {
        *error = "the plug-in could not open its panel";
        Close();
        return false;
    }
    mEditorOpen = true;
    return true;
}

void AppWindow::FitToEditor()
{
    int width = 0, height = 0;
    if (!EditorSize(mHost, &width, &height) || (width == mWidth && height == mHeight))
        return;
    mWidth = width;
    mHeight = height;
    FixSize(Dpy(mDisplay), mWindow, width, height);
    XResizeWindow(Dpy(mDisplay), mWindow, static_cast<unsigned>(width), static_cast<unsigned>(height));
}

bool AppWindow::Idle()
{
    if (!mDisplay)
        return false;
    mHost.Dispatch(vst::effEditIdle);
    // The editor may change its size (a panel scale chosen on it): the window follows.
    FitToEditor();
    Display* display = Dpy(mDisplay);
    bool open = true;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == mDeleteAtom)
            open = false;
        else if (event.type == DestroyNotify && event.xdestroywindow.window == mWindow)
            open = false;
    }
    return open;
}

void AppWindow::OnDisplayLost(void (*handler)(void*), void* context)
{
    gDisplayLost = handler;
    gDisplayLostContext = context;
}

void AppWindow::Close()
{
    if (mEditorOpen)
        mHost.Dispatch(vst::effEditClose);
    mEditorOpen = false;
    if (mDisplay) {
        if (mWindow)
            XDestroyWindow(Dpy(mDisplay), mWindow);
        XCloseDisplay(Dpy(mDisplay));
    }
    mWindow = 0;
    mDisplay = nullptr;
}
