// What the editor's real-window tests need of a host: a private X server, a top-level parent window
// on the host's own display connection, synthesized input (XTEST) and pixels read back.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>

#include "tests/support/XvfbServer.h"

namespace kt4r_test {

// A display connection that moves the pointer and presses buttons and keys, as a player would. One
// per thread.
class XInput {
public:
    XInput();
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    Display* Dpy() const { return mDisplay; }
    // Moves the pointer to (x, y) of window w.
    void MoveTo(Window w, int x, int y);
    void MoveToRoot(int x, int y);
    void Button(int button, bool press);
    void Click(Window w, int x, int y, int button = 1);
    void Key(KeySym key, bool shift = false);
    // Plain letters, digits and spaces.
    void Type(const std::string& text);
    // Where (x, y) of window w is on the screen.
    void ToRoot(Window w, int x, int y, int* rx, int* ry);

private:
    Display* mDisplay = nullptr;
};

// The host's editor frame: a 900 x 720 top-level window, mapped.
class X11TestHost {
public:
    X11TestHost();
    ~X11TestHost();
    X11TestHost(const X11TestHost&) = delete;
    X11TestHost& operator=(const X11TestHost&) = delete;

    bool Ok() const { return mParent != 0; }
    Display* Dpy() const { return mDisplay; }
    Window Parent() const { return mParent; }
    void* ParentHandle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(mParent)); }
    XInput& Input() { return mInput; }
    // The pixel at (x, y) of window w as 0xRRGGBB.
    unsigned Pixel(Window w, int x, int y);
    // The host destroys its frame (the editor may still be open in it).
    void DestroyParent();

private:
    Display* mDisplay = nullptr;
    Window mParent = 0;
    XInput mInput;
};

// Calls idle every spacingMs for ms milliseconds, or until done answers true.
void PumpFor(int ms, const std::function<void()>& idle, const std::function<bool()>& done = nullptr,
             int spacingMs = 5);

} // namespace kt4r_test

// Skips the test when no X server can be had.
#define KT4R_REQUIRE_X()                                                                                              \
    do {                                                                                                              \
        if (!kt4r_test::SharedXvfb())                                                                                 \
            GTEST_SKIP() << "Xvfb is not installed";                                                                  \
    } while (0)
