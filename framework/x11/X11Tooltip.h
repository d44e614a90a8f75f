// A small override-redirect window that shows a control's tooltip text near the pointer.
#pragma once

#include <memory>
#include <string>

#include "framework/x11/X11Text.h"

class X11Tooltip {
public:
    explicit X11Tooltip(const X11Session& session) : mS(session) {}
    ~X11Tooltip() { Hide(); }
    X11Tooltip(const X11Tooltip&) = delete;
    X11Tooltip& operator=(const X11Tooltip&) = delete;

    // Editor thread, inside an error trap. rootX, rootY: where the pointer rests on the screen.
    void Show(const std::string& text, int rootX, int rootY);
    void Hide();
    bool Shown() const { return mWindow != 0; }
    unsigned long Window() const { return mWindow; }
    // An exposure of the tooltip's window.
    void Paint();

private:
    const X11Session& mS;
    unsigned long mWindow = 0;
    int mWidth = 0;
    int mHeight = 0;
    std::string mText;
    std::unique_ptr<X11Canvas> mCanvas;
};
