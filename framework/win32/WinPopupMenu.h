// The editor's pop-up menus on Windows: a native menu built from the menu model and tracked modally.
#pragma once

class IPopupMenu;

// Editor thread; allocates. Shows menu with its top-left corner at (screenX, screenY), owned by window
// (an HWND), and waits for the choice. Entries carry the model's command numbers (IPopupMenu::CommandFor)
// and their numbering prefixes; separators, check marks, grayed and disabled entries and sub-menus as the
// model's flags say. Answers the (sub-)menu holding the chosen entry, its chosen index set; nullptr when
// dismissed.
IPopupMenu* RunWinPopupMenu(IPopupMenu& menu, void* window, int screenX, int screenY);
