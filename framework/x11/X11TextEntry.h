// The name entry of the X11 editor: a child window of the editor over the given rectangle, its text
// drawn with Xft, all selected at open, edited with the usual keys.
#pragma once

#include <memory>
#include <string>

#include "framework/graphics/IRect.h"
#include "framework/x11/X11Text.h"

class X11TextEntry {
public:
    enum class Event { kNone, kFocused, kCommit, kCancel };
    enum class Align { kLeft, kCenter, kRight };

    // Editor thread, inside an error trap. rect in editor window pixels; maxChars caps what can be typed.
    X11TextEntry(const X11Session& session, const IRECT& rect, int fontPixels, Align align, const std::string& text,
                 int maxChars);
    ~X11TextEntry();
    X11TextEntry(const X11TextEntry&) = delete;
    X11TextEntry& operator=(const X11TextEntry&) = delete;

    unsigned long Window() const { return mWindow; }
    // An XEvent* for this window: keys edit the text (Return commits, Escape cancels), the focus
    // arriving or leaving is reported, exposures repaint.
    Event Handle(void* xevent);
    const std::string& Text() const { return mText; }

    // The editing rules, without a window (also used by the tests).
    struct Editor {
        std::string text;
        size_t caret = 0;
        size_t anchor = 0; // selection from anchor to caret
        size_t maxChars = 31;

        void SelectAll() { anchor = 0, caret = text.size(); }
        bool HasSelection() const { return anchor != caret; }
        void Insert(char c);
        void Backspace();
        void Delete();
        void Move(size_t to) { caret = anchor = std::min(to, text.size()); }
    };

private:
    void Paint();

    _XDisplay* mDisplay;
    unsigned long mWindow = 0;
    int mWidth;
    int mHeight;
    Align mAlign;
    std::unique_ptr<X11Font> mFont;
    std::unique_ptr<X11Canvas> mCanvas;
    Editor mEdit;
    std::string mText;
};
