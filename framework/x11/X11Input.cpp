#include "framework/x11/X11Input.h"

#include <X11/keysym.h>

#include <cstdlib>

int EditorKeyForKeysym(unsigned long keysym)
{
    switch (keysym) {
    case XK_space: return 0;
    case XK_Up: case XK_KP_Up: return 1;
    case XK_Down: case XK_KP_Down: return 2;
    case XK_Left: case XK_KP_Left: return 3;
    case XK_Right: case XK_KP_Right: return 4;
    default: break;
    }
    if (keysym >= XK_0 && keysym <= XK_9)
        return 5 + static_cast<int>(keysym - XK_0);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return 5 + static_cast<int>(keysym - XK_KP_0);
    if (keysym >= XK_a && keysym <= XK_z)
        return 15 + static_cast<int>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return 15 + static_cast<int>(keysym - XK_A);
    return -1;
}

bool DoubleClickDetector::Press(int button, int x, int y, uint32_t timeMs)
{
    // Server time is a 32-bit millisecond counter: unsigned subtraction survives its wrap.
    const bool isDouble = mArmed && button == mButton && timeMs - mTime <= kIntervalMs &&
                          std::abs(x - mX) <= kSlopPixels && std::abs(y - mY) <= kSlopPixels;
    if (isDouble) {
        mArmed = false;
        return true;
    }
    mArmed = true;
    mButton = button;
    mX = x;
    mY = y;
    mTime = timeMs;
    return false;
}
