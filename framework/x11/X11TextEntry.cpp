#include "framework/x11/X11TextEntry.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

namespace {

constexpr unsigned kBackground = 0xFFFFFF;
constexpr unsigned kFrame = 0x303030;
constexpr unsigned kTextColour = 0x000000;
constexpr unsigned kSelection = 0x3A6FC4;
constexpr unsigned kSelectedText = 0xFFFFFF;
constexpr int kInset = 3;

} // namespace

void X11TextEntry::Editor::Insert(char c)
{
    if (HasSelection()) {
        const size_t from = std::min(anchor, caret), to = std::max(anchor, caret);
        text.erase(from, to - from);
        caret = from;
    }
    if (text.size() < maxChars)
        text.insert(text.begin() + static_cast<std::ptrdiff_t>(caret++), c);
    anchor = caret;
}

void X11TextEntry::Editor::Backspace()
{
    if (HasSelection()) {
        const size_t from = std::min(anchor, caret), to = std::max(anchor, caret);
        text.erase(from, to - from);
        caret = from;
    } else if (caret > 0) {
        text.erase(--caret, 1);
    }
    anchor = caret;
}

void X11TextEntry::Editor::Delete()
{
    if (HasSelection())
        Backspace();
    else if (caret < text.size())
        text.erase(caret, 1);
    anchor = caret;
}

X11TextEntry::X11TextEntry(const X11Session& session, const IRECT& rect, int fontPixels, Align align,
                           const std::string& text, int maxChars)
    : mDisplay(session.display), mWidth(std::max(rect.W(), 8)), mHeight(std::max(rect.H(), 8)), mAlign(align)
{
    mEdit.maxChars = static_cast<size_t>(std::max(maxChars, 1));
    mEdit.text = text.substr(0, mEdit.maxChars);
    mEdit.SelectAll();
    mText = mEdit.text;

    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask;
    mWindow = XCreateWindow(mDisplay, session.editorWindow, rect.L, rect.T, static_cast<unsigned>(mWidth),
                            static_cast<unsigned>(mHeight), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWEventMask, &attributes);
    XMapRaised(mDisplay, mWindow);
    // The box takes the keyboard; it must be viewable for that, so the map is synced first.
    XSync(mDisplay, False);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    mFont = std::make_unique<X11Font>(mDisplay, session.screen, std::clamp(fontPixels, 8, 48));
    mCanvas = std::make_unique<X11Canvas>(mDisplay, mWindow);
}

X11TextEntry::~X11TextEntry()
{
    mCanvas.reset();
    mFont.reset();
    if (mWindow)
        XDestroyWindow(mDisplay, mWindow);
}

void X11TextEntry::Paint()
{
    X11Canvas& c = *mCanvas;
    c.Fill(0, 0, mWidth, mHeight, kFrame);
    c.Fill(1, 1, mWidth - 2, mHeight - 2, kBackground);
    if (!mFont->Ok())
        return;
    const std::string& t = mEdit.text;
    const int full = mFont->TextWidth(t);
    int x = kInset;
    if (mAlign == Align::kCenter)
        x = (mWidth - full) / 2;
    else if (mAlign == Align::kRight)
        x = mWidth - kInset - full;
    x = std::max(x, kInset);
    const int baseline = (mHeight + mFont->Ascent() - (mFont->Height() - mFont->Ascent())) / 2;
    const size_t from = std::min(mEdit.anchor, mEdit.caret), to = std::max(mEdit.anchor, mEdit.caret);
    const int selL = x + mFont->TextWidth(t.substr(0, from));
    const int selR = x + mFont->TextWidth(t.substr(0, to));
    if (from != to)
        c.Fill(selL, 2, selR - selL, mHeight - 4, kSelection);
    c.Text(*mFont, x, baseline, t.substr(0, from), kTextColour);
    c.Text(*mFont, selL, baseline, t.substr(from, to - from), from != to ? kSelectedText : kTextColour);
    c.Text(*mFont, selR, baseline, t.substr(to), kTextColour);
    if (from == to)
        c.Fill(x + mFont->TextWidth(t.substr(0, mEdit.caret)), 3, 1, mHeight - 6, kTextColour);
    XFlush(mDisplay);
}

X11TextEntry::Event X11TextEntry::Handle(void* xevent)
{
    XEvent& event = *static_cast<XEvent*>(xevent);
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0)
            Paint();
        return Event::kNone;
    case FocusIn:
        return Event::kFocused;
    case FocusOut:
        // Focus moving inside the box, or a grab that gives it back, is not the player leaving the box.
        if (event.xfocus.mode != NotifyNormal || event.xfocus.detail == NotifyInferior ||
            event.xfocus.detail == NotifyPointer)
            return Event::kNone;
        return Event::kCancel;
    case ButtonPress:
        if (event.xbutton.button == 1)
            mEdit.Move(mEdit.text.size());
        Paint();
        return Event::kNone;
    case KeyPress: {
        char typed[8] = {};
        KeySym key = NoSymbol;
        const int n = XLookupString(&event.xkey, typed, sizeof typed, &key, nullptr);
        Event result = Event::kNone;
        switch (key) {
        case XK_Return: case XK_KP_Enter: result = Event::kCommit; break;
        case XK_Escape: result = Event::kCancel; break;
        case XK_BackSpace: mEdit.Backspace(); break;
        case XK_Delete: case XK_KP_Delete: mEdit.Delete(); break;
        case XK_Left: case XK_KP_Left: mEdit.Move(mEdit.HasSelection() ? std::min(mEdit.anchor, mEdit.caret)
                                                                          : (mEdit.caret ? mEdit.caret - 1 : 0));
            break;
        case XK_Right: case XK_KP_Right: mEdit.Move(mEdit.HasSelection() ? std::max(mEdit.anchor, mEdit.caret)
                                                                            : mEdit.caret + 1);
            break;
        case XK_Home: case XK_KP_Home: mEdit.Move(0); break;
        case XK_End: case XK_KP_End: mEdit.Move(mEdit.text.size()); break;
        default:
            if ((event.xkey.state & ControlMask) && (key == XK_a || key == XK_A))
                mEdit.SelectAll();
            // Names are plain text: printable ASCII only.
            else if (n == 1 && typed[0] >= 0x20 && typed[0] < 0x7F && !(event.xkey.state & ControlMask))
                mEdit.Insert(typed[0]);
            break;
        }
        mText = mEdit.text;
        Paint();
        return result;
    }
    default:
        return Event::kNone;
    }
}
