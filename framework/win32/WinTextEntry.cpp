#include "framework/win32/WinTextEntry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "framework/graphics/IGraphics.h"

namespace {

// The edit class's procedure with Enter, Escape and the focus changes reported to the editor; the
// request is carried out by the editor's next timer tick, never from inside the box's own message.
LRESULT CALLBACK EntryProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* entry = reinterpret_cast<WinTextEntry*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!entry)
        return DefWindowProcA(window, message, wParam, lParam);
    auto previous = reinterpret_cast<WNDPROC>(entry->PreviousProcedure());
    try {
        switch (message) {
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS | CallWindowProcA(previous, window, message, wParam, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                entry->Editor().RequestCommitEntry();
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                entry->Editor().RequestCancelEntry();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\r' || wParam == 27)
                return 0; // no beep for the keys handled above
            break;
        case WM_SETFOCUS: entry->Editor().TextEntryFocused(); break;
        case WM_KILLFOCUS: entry->Editor().RequestCancelEntry(); break;
        default: break;
        }
    } catch (...) {
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

} // namespace

WinTextEntry::WinTextEntry(IGraphics& editor, void* parent, const IText& style, const IRECT& rect, const char* text,
                           int maxChars)
    : mEditor(editor), mMaxChars(maxChars)
{
    const DWORD align = style.align == IText::kAlignCenter ? ES_CENTER : style.align == IText::kAlignFar ? ES_RIGHT : ES_LEFT;
    HWND box = CreateWindowExA(0, "EDIT", text ? text : "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, rect.L,
                               rect.T, rect.W(), rect.H(), static_cast<HWND>(parent), nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(static_cast<HWND>(parent), GWLP_HINSTANCE)),
                               nullptr);
    if (!box)
        return;
    mWindow = box;
    mFont = CreateFontA(style.size, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, style.italic ? TRUE : FALSE, FALSE,
                        FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH, style.font.c_str());
    if (mFont)
        SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(mFont), FALSE);
    SendMessageA(box, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    mPrevious = reinterpret_cast<void*>(
        SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EntryProcedure)));
    SendMessageA(box, EM_SETSEL, 0, -1);
    SetFocus(box);
}

WinTextEntry::~WinTextEntry()
{
    HWND box = static_cast<HWND>(mWindow);
    if (box) {
        // The edit class's own procedure first, so the focus change of the destruction reports nothing.
        if (mPrevious)
            SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mPrevious));
        SetWindowLongPtrA(box, GWLP_USERDATA, 0);
        DestroyWindow(box);
    }
    if (mFont)
        DeleteObject(static_cast<HFONT>(mFont));
}

std::string WinTextEntry::Text() const
{
    if (!mWindow)
        return {};
    std::vector<char> buffer(static_cast<size_t>(mMaxChars) + 1, '\0');
    const int length = GetWindowTextA(static_cast<HWND>(mWindow), buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}
