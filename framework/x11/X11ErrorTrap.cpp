#include "framework/x11/X11ErrorTrap.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

namespace {

using Handler = int (*)(Display*, XErrorEvent*);

// All X calls of the editors run on the host's UI thread, so these need no lock.
std::vector<Display*> gDisplays;
Handler gChained = nullptr;   // the handler that was in place when the outermost trap began
int gTrapDepth = 0;
int gErrorCount = 0;

bool IsOurs(Display* display)
{
    return std::find(gDisplays.begin(), gDisplays.end(), display) != gDisplays.end();
}

int TrapHandler(Display* display, XErrorEvent* event)
{
    if (IsOurs(display)) {
        ++gErrorCount;
        return 0;
    }
    // An error on the host's own connection: its handler decides, as if we were not there.
    return gChained ? gChained(display, event) : 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(_XDisplay* display) : mDisplay(display), mPrevious(nullptr), mErrorsBefore(gErrorCount)
{
    const Handler previous = XSetErrorHandler(TrapHandler);
    mPrevious = reinterpret_cast<void*>(previous);
    if (gTrapDepth++ == 0)
        gChained = previous;
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSetErrorHandler(reinterpret_cast<Handler>(mPrevious));
    if (--gTrapDepth == 0)
        gChained = nullptr;
}

bool X11ErrorTrap::Sync()
{
    if (mDisplay)
        XSync(mDisplay, False);
    const bool failed = gErrorCount != mErrorsBefore;
    mErrorsBefore = gErrorCount;
    return failed;
}

bool X11ErrorTrap::Failed() const { return gErrorCount != mErrorsBefore; }

void X11ErrorTrap::RegisterDisplay(_XDisplay* display)
{
    if (display && !IsOurs(display))
        gDisplays.push_back(display);
}

void X11ErrorTrap::UnregisterDisplay(_XDisplay* display)
{
    gDisplays.erase(std::remove(gDisplays.begin(), gDisplays.end(), display), gDisplays.end());
}
