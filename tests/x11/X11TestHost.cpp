#include "tests/x11/X11TestHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <thread>

namespace kt4r_test {

namespace {

// The tests drive the editor from one thread and the player's input from another, each on its own
// connection; Xlib's process-wide state (extension records, the error handler) then needs its locks,
// which only XInitThreads before the first Xlib call turns on. Hosts that use threads do the same.
[[maybe_unused]] const bool kXlibThreads = XInitThreads() != 0;

} // namespace

XInput::XInput() : mDisplay(XOpenDisplay(nullptr)) {}

XInput::~XInput()
{
    if (mDisplay)
        XCloseDisplay(mDisplay);
}

void XInput::ToRoot(Window w, int x, int y, int* rx, int* ry)
{
    Window child;
    XTranslateCoordinates(mDisplay, w, DefaultRootWindow(mDisplay), x, y, rx, ry, &child);
}

void XInput::MoveToRoot(int x, int y)
{
    XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), x, y, CurrentTime);
    XSync(mDisplay, False);
}

void XInput::MoveTo(Window w, int x, int y)
{
    int rx = 0, ry = 0;
    ToRoot(w, x, y, &rx, &ry);
    MoveToRoot(rx, ry);
}

void XInput::Button(int button, bool press)
{
    XTestFakeButtonEvent(mDisplay, static_cast<unsigned>(button), press ? True : False, CurrentTime);
    XSync(mDisplay, False);
}

void XInput::Click(Window w, int x, int y, int button)
{
    MoveTo(w, x, y);
    Button(button, true);
    Button(button, false);
}

void XInput::Key(KeySym key, bool shift)
{
    const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
    const KeyCode code = XKeysymToKeycode(mDisplay, key);
    if (shift)
        XTestFakeKeyEvent(mDisplay, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
    XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    if (shift)
        XTestFakeKeyEvent(mDisplay, shiftCode, False, CurrentTime);
    XSync(mDisplay, False);
}

void XInput::Type(const std::string& text)
{
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            Key(XK_a + (c - 'A'), true);
        else if (c >= 'a' && c <= 'z')
            Key(XK_a + (c - 'a'));
        else if (c >= '0' && c <= '9')
            Key(XK_0 + (c - '0'));
        else if (c == ' ')
            Key(XK_space);
    }
}

X11TestHost::X11TestHost() : mDisplay(XOpenDisplay(nullptr))
{
    if (!mDisplay)
        return;
    const int screen = DefaultScreen(mDisplay);
    mParent = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), 40, 30, 900, 720, 0,
                                  BlackPixel(mDisplay, screen), BlackPixel(mDisplay, screen));
    XMapWindow(mDisplay, mParent);
    XSync(mDisplay, False);
}

X11TestHost::~X11TestHost()
{
    if (!mDisplay)
        return;
    if (mParent)
        XDestroyWindow(mDisplay, mParent);
    XCloseDisplay(mDisplay);
}

unsigned X11TestHost::Pixel(Window w, int x, int y)
{
    XImage* image = XGetImage(mDisplay, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xDEADBEEF;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<unsigned>(p & 0xFFFFFF);
}

void X11TestHost::DestroyParent()
{
    if (mParent)
        XDestroyWindow(mDisplay, mParent);
    XSync(mDisplay, False);
    mParent = 0;
}

void PumpFor(int ms, const std::function<void()>& idle, const std::function<bool()>& done, int spacingMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        idle();
        if (done && done())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(spacingMs));
    }
}

} // namespace kt4r_test
