#include "framework/win32/WinPopupMenu.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "framework/graphics/IPopupMenu.h"

namespace {

// "&" marks a menu mnemonic; a program name's own ampersand is shown as it is.
std::string MenuText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

HMENU BuildMenu(const IPopupMenu& root, const IPopupMenu& menu)
{
    HMENU handle = CreatePopupMenu();
    if (!handle)
        return nullptr;
    for (int i = 0; i < menu.NItems(); ++i) {
        const IPopupMenu::Item* item = menu.GetItem(i);
        const std::string text = MenuText(menu.DisplayText(i));
        if (item->submenu) {
            HMENU sub = BuildMenu(root, *item->submenu);
            if (sub && !AppendMenuA(handle, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text.c_str()))
                DestroyMenu(sub);
            continue;
        }
        if (item->IsSeparator()) {
            AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (item->flags & IPopupMenu::kChecked)
            flags |= MF_CHECKED;
        if (item->flags & IPopupMenu::kGrayed)
            flags |= MF_GRAYED;
        if (item->flags & IPopupMenu::kDisabled)
            flags |= MF_DISABLED;
        AppendMenuA(handle, flags, static_cast<UINT_PTR>(root.CommandFor(&menu, i)), text.c_str());
    }
    return handle;
}

} // namespace

IPopupMenu* RunWinPopupMenu(IPopupMenu& menu, void* window, int screenX, int screenY)
{
    HMENU handle = BuildMenu(menu, menu);
    if (!handle)
        return nullptr;
    const int command = static_cast<int>(TrackPopupMenu(handle, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD |
                                                                    TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                        screenX, screenY, 0, static_cast<HWND>(window), nullptr));
    DestroyMenu(handle); // with its sub-menus
    return menu.Choose(command);
}
