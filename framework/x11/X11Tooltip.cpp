#include "framework/x11/X11Tooltip.h"

#include <X11/Xlib.h>

#include <algorithm>

namespace {

constexpr unsigned kBackground = 0xFFFFE1;
constexpr unsigned kFrame = 0x767676;
constexpr unsigned kText = 0x000000;
constexpr int kPad = 4;
constexpr int kBelowPointer = 20; // clear of the pointer's arrow

} // namespace

void X11Tooltip::Show(const std::string& text, int rootX, int rootY)
{
    Hide();
    if (!mS.display || !mS.font || !mS.font->Ok() || text.empty())
        return;
    mText = text;
    mWidth = mS.font->TextWidth(text) + 2 * kPad;
    mHeight = mS.font->Height() + 2 * kPad;
    const int screenW = DisplayWidth(mS.display, mS.screen);
    const int screenH = DisplayHeight(mS.display, mS.screen);
    int x = std::clamp(rootX, 0, std::max(0, screenW - mWidth));
    int y = rootY + kBelowPointer;
    if (y + mHeight > screenH)
        y = std::max(0, rootY - mHeight - 4);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.event_mask = ExposureMask;
    mWindow = XCreateWindow(mS.display, mS.root, x, y, static_cast<unsigned>(mWidth), static_cast<unsigned>(mHeight),
                            0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWSaveUnder | CWEventMask, &attributes);
    mCanvas = std::make_unique<X11Canvas>(mS.display, mWindow);
    XMapRaised(mS.display, mWindow);
}

void X11Tooltip::Hide()
{
    if (!mWindow)
        return;
    mCanvas.reset();
    XDestroyWindow(mS.display, mWindow);
    mWindow = 0;
}

void X11Tooltip::Paint()
{
    if (!mCanvas)
        return;
    mCanvas->Fill(0, 0, mWidth, mHeight, kFrame);
    mCanvas->Fill(1, 1, mWidth - 2, mHeight - 2, kBackground);
    mCanvas->Text(*mS.font, kPad, kPad + mS.font->Ascent(), mText, kText);
}
