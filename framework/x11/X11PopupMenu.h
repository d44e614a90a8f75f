// The editor's pop-up menus on X11, drawn by the editor itself in override-redirect windows: entries
// with their numbering, separators, check marks, grayed and disabled entries, sub-menus that open on
// hover or click. Modal: the pointer and keyboard are grabbed until a choice is made.
#pragma once

#include <functional>

#include "framework/x11/X11Text.h"

class IPopupMenu;

// Geometry of a shown menu, in pixels from its window's top-left corner (for tests that click items).
struct X11MenuMetrics {
    static constexpr int kBorder = 1;
    static constexpr int kPadding = 3;      // above the first and below the last entry
    static constexpr int kItemHeight = 20;
    static constexpr int kSeparatorHeight = 7;
    static constexpr int kCheckColumn = 22; // left of the text: room for the check mark
};

// Editor thread. Shows menu with its top-left corner at (screenX, screenY) of the root window (moved to
// stay on the screen) and runs the display's events until the player releases the button over an
// enabled entry, presses Return on one, presses Escape or clicks outside every menu. Events for other
// windows of the display go to otherEvent (an XEvent*), so the editor can repaint itself meanwhile.
// Answers the (sub-)menu holding the chosen entry, its chosen index set; nullptr when dismissed or
// when the pointer cannot be grabbed.
IPopupMenu* RunX11PopupMenu(const X11Session& session, IPopupMenu& menu, int screenX, int screenY,
                            const std::function<void(void* xevent)>& otherEvent);
