// The editor's name entry on Windows: an "EDIT" child window over a rectangle of the editor window,
// with its own font, whose key and focus messages are turned into the editor's entry requests.
#pragma once

#include <string>

#include "framework/graphics/IControl.h"

class IGraphics;

class WinTextEntry {
public:
    // Editor thread; allocates. Creates the box in parent (an HWND) over rect, pre-filled with text, all
    // selected and focused; what happens to it is reported to editor (TextEntryFocused on focus,
    // RequestCommitEntry on Enter, RequestCancelEntry on Escape or focus lost). Window() is nullptr when
    // the box could not be made.
    WinTextEntry(IGraphics& editor, void* parent, const IText& style, const IRECT& rect, const char* text,
                 int maxChars);
    WinTextEntry(const WinTextEntry&) = delete;
    WinTextEntry& operator=(const WinTextEntry&) = delete;
    // Editor thread: the box's own window procedure back, then the box and its font destroyed.
    ~WinTextEntry();

    void* Window() const { return mWindow; }
    // What the box holds, at most maxChars characters.
    std::string Text() const;
    // The subclassed procedure's reports (editor thread).
    IGraphics& Editor() { return mEditor; }
    void* PreviousProcedure() const { return mPrevious; }

private:
    IGraphics& mEditor;
    void* mWindow = nullptr;   // HWND
    void* mFont = nullptr;     // HFONT
    void* mPrevious = nullptr; // the edit class's window procedure
    int mMaxChars;
};
