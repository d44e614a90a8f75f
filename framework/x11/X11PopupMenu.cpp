#include "framework/x11/X11PopupMenu.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <poll.h>
#include <string>
#include <vector>

#include "framework/graphics/IPopupMenu.h"

namespace {

constexpr unsigned kBackground = 0xF2F2F2;
constexpr unsigned kBorderColour = 0x7A7A7A;
constexpr unsigned kText = 0x141414;
constexpr unsigned kGrayedText = 0x9C9C9C;
constexpr unsigned kHoverBackground = 0x3A6FC4;
constexpr unsigned kHoverText = 0xFFFFFF;
constexpr unsigned kSeparator = 0xC4C4C4;
constexpr int kArrowColumn = 22; // right of the text: room for the sub-menu arrow
constexpr const char* kCheckMark = "\xE2\x9C\x93"; // U+2713
constexpr const char* kArrow = "\xE2\x96\xB8";     // U+25B8

using M = X11MenuMetrics;

// One open menu window: the root menu or a sub-menu.
struct Level {
    IPopupMenu* menu = nullptr;
    Window window = 0;
    int x = 0, y = 0, w = 0, h = 0; // on the root window
    std::vector<int> tops;          // each entry's top within the window
    int hover = -1;
    std::unique_ptr<X11Canvas> canvas;

    int scaleHalves = 2; // the editor's scale: the metrics below are multiplied by it
    int Px(int v) const { return (v * scaleHalves + 1) / 2; }
    bool Contains(int rx, int ry) const { return rx >= x && rx < x + w && ry >= y && ry < y + h; }
    int ItemHeight(int i) const
    {
        return Px(menu->GetItem(i)->IsSeparator() ? M::kSeparatorHeight : M::kItemHeight);
    }
    int ItemAt(int rx, int ry) const
    {
        if (!Contains(rx, ry))
            return -1;
        const int wy = ry - y;
        for (int i = 0; i < menu->NItems(); ++i)
            if (wy >= tops[i] && wy < tops[i] + ItemHeight(i))
                return i;
        return -1;
    }
};

// An entry that the pointer or the keys can rest on: enabled entries and sub-menus that are not grayed.
bool Selectable(const IPopupMenu::Item& item)
{
    if (item.IsSeparator())
        return false;
    if (item.submenu)
        return (item.flags & (IPopupMenu::kGrayed | IPopupMenu::kDisabled)) == 0;
    return item.IsEnabled();
}

class MenuRun {
public:
    MenuRun(const X11Session& session, const std::function<void(void*)>& otherEvent)
        : mS(session), mD(session.display), mOther(otherEvent)
    {
    }
    ~MenuRun()
    {
        while (!mLevels.empty())
            CloseDeepest();
    }

    IPopupMenu* Run(IPopupMenu& menu, int x, int y);

private:
    void Open(IPopupMenu* menu, int x, int y, bool besideParent, int parentLeft);
    void CloseDeepest();
    void CloseBelow(size_t depth)
    {
        while (mLevels.size() > depth + 1)
            CloseDeepest();
    }
    void Paint(Level& level);
    bool WaitForMap(Window window);
    bool Grab();
    void Hover(size_t depth, int item);
    void OpenSubmenu(size_t depth, int item);
    // True when the entry was chosen (the loop ends).
    bool Choose(size_t depth, int item);
    void Step(int direction);

    const X11Session& mS;
    Display* mD;
    const std::function<void(void*)>& mOther;
    std::vector<std::unique_ptr<Level>> mLevels;
    IPopupMenu* mChosen = nullptr;
};

void MenuRun::Open(IPopupMenu* menu, int x, int y, bool besideParent, int parentLeft)
{
    auto level = std::make_unique<Level>();
    level->menu = menu;
    level->scaleHalves = mS.scaleHalves;
    int textWidth = 40;
    int top = level->Px(M::kBorder + M::kPadding);
    for (int i = 0; i < menu->NItems(); ++i) {
        level->tops.push_back(top);
        top += level->ItemHeight(i);
        if (!menu->GetItem(i)->IsSeparator())
            textWidth = std::max(textWidth, mS.font->TextWidth(menu->DisplayText(i)));
    }
    level->w = level->Px(2 * M::kBorder + M::kCheckColumn + kArrowColumn) + textWidth;
    level->h = top + level->Px(M::kPadding + M::kBorder);

    const int screenW = DisplayWidth(mD, mS.screen);
    const int screenH = DisplayHeight(mD, mS.screen);
    if (x + level->w > screenW)
        x = besideParent ? parentLeft - level->w + 2 : screenW - level->w;
    if (y + level->h > screenH)
        y = screenH - level->h;
    level->x = std::max(0, x);
    level->y = std::max(0, y);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.event_mask = ExposureMask | StructureNotifyMask;
    attributes.background_pixel = WhitePixel(mD, mS.screen);
    level->window = XCreateWindow(mD, mS.root, level->x, level->y, static_cast<unsigned>(level->w),
                                  static_cast<unsigned>(level->h), 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWOverrideRedirect | CWSaveUnder | CWEventMask | CWBackPixel, &attributes);
    XMapRaised(mD, level->window);
    level->canvas = std::make_unique<X11Canvas>(mD, level->window);
    mLevels.push_back(std::move(level));
}

void MenuRun::CloseDeepest()
{
    Level& level = *mLevels.back();
    level.canvas.reset();
    XDestroyWindow(mD, level.window);
    mLevels.pop_back();
}

void MenuRun::Paint(Level& level)
{
    X11Canvas& c = *level.canvas;
    c.Fill(0, 0, level.w, level.h, kBorderColour);
    c.Fill(level.Px(M::kBorder), level.Px(M::kBorder), level.w - 2 * level.Px(M::kBorder), level.h - 2 * level.Px(M::kBorder), kBackground);
    const X11Font& font = *mS.font;
    for (int i = 0; i < level.menu->NItems(); ++i) {
        const IPopupMenu::Item& item = *level.menu->GetItem(i);
        const int top = level.tops[i];
        if (item.IsSeparator()) {
            c.Fill(level.Px(M::kBorder + 4), top + level.Px(M::kSeparatorHeight) / 2, level.w - level.Px(2 * M::kBorder + 8), 1, kSeparator);
            continue;
        }
        const bool hovered = i == level.hover;
        const bool grayed = (item.flags & IPopupMenu::kGrayed) != 0;
        if (hovered)
            c.Fill(level.Px(M::kBorder) + 1, top, level.w - 2 * level.Px(M::kBorder) - 2, level.Px(M::kItemHeight), kHoverBackground);
        const unsigned colour = hovered ? kHoverText : grayed ? kGrayedText : kText;
        const int baseline = top + (level.Px(M::kItemHeight) + font.Ascent() - (font.Height() - font.Ascent())) / 2;
        if (item.flags & IPopupMenu::kChecked)
            c.Text(font, level.Px(M::kBorder + 6), baseline, kCheckMark, colour);
        c.Text(font, level.Px(M::kBorder) + level.Px(M::kCheckColumn), baseline, level.menu->DisplayText(i), colour);
        if (item.submenu)
            c.Text(font, level.w - level.Px(M::kBorder) - level.Px(kArrowColumn) + level.Px(8), baseline, kArrow, colour);
    }
    XFlush(mD);
}

bool MenuRun::WaitForMap(Window window)
{
    // The grab needs a viewable window; the map is seen as its first Expose.
    for (int waited = 0; waited < 2000; waited += 20) {
        XEvent event;
        while (XPending(mD)) {
            XNextEvent(mD, &event);
            if (event.type == Expose && event.xexpose.window == window) {
                if (event.xexpose.count == 0)
                    Paint(*mLevels.back());
                return true;
            }
            if (event.type == Expose)
                mOther(&event);
        }
        pollfd fd{ConnectionNumber(mD), POLLIN, 0};
        poll(&fd, 1, 20);
    }
    return false;
}

bool MenuRun::Grab()
{
    const Window owner = mLevels.front()->window;
    // Another client may hold a grab for a moment (a window manager finishing a click): retry briefly.
    for (int tries = 0; tries < 20; ++tries) {
        const int pointer =
            XGrabPointer(mD, owner, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime);
        if (pointer == GrabSuccess) {
            if (XGrabKeyboard(mD, owner, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
                return true;
            XUngrabPointer(mD, CurrentTime);
        }
        poll(nullptr, 0, 10);
    }
    return false;
}

void MenuRun::OpenSubmenu(size_t depth, int item)
{
    Level& parent = *mLevels[depth];
    IPopupMenu* sub = parent.menu->GetItem(item)->submenu.get();
    if (!sub || sub->NItems() == 0)
        return;
    if (mLevels.size() > depth + 1 && mLevels[depth + 1]->menu == sub)
        return; // already open
    CloseBelow(depth);
    Open(sub, parent.x + parent.w - 2, parent.y + parent.tops[item] - parent.Px(M::kBorder + M::kPadding), true, parent.x);
    WaitForMap(mLevels.back()->window);
}

void MenuRun::Hover(size_t depth, int item)
{
    Level& level = *mLevels[depth];
    const IPopupMenu::Item* entry = item >= 0 ? level.menu->GetItem(item) : nullptr;
    if (entry && !Selectable(*entry))
        item = -1;
    if (item != level.hover) {
        level.hover = item;
        Paint(level);
    }
    if (item >= 0 && level.menu->GetItem(item)->submenu)
        OpenSubmenu(depth, item);
    else if (item >= 0)
        CloseBelow(depth);
}

bool MenuRun::Choose(size_t depth, int item)
{
    Level& level = *mLevels[depth];
    const IPopupMenu::Item* entry = item >= 0 ? level.menu->GetItem(item) : nullptr;
    if (!entry || !Selectable(*entry))
        return false;
    if (entry->submenu) {
        OpenSubmenu(depth, item);
        return false;
    }
    level.menu->SetChosenItemIdx(item);
    mChosen = level.menu;
    return true;
}

void MenuRun::Step(int direction)
{
    Level& level = *mLevels.back();
    const int n = level.menu->NItems();
    int i = level.hover;
    for (int tries = 0; tries < n; ++tries) {
        i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
        if (Selectable(*level.menu->GetItem(i))) {
            level.hover = i;
            Paint(level);
            return;
        }
    }
}

IPopupMenu* MenuRun::Run(IPopupMenu& menu, int x, int y)
{
    if (!mS.font || menu.NItems() == 0)
        return nullptr;
    Open(&menu, x, y, false, 0);
    if (!WaitForMap(mLevels.front()->window) || !Grab())
        return nullptr;

    bool done = false;
    while (!done) {
        if (!XPending(mD)) {
            pollfd fd{ConnectionNumber(mD), POLLIN, 0};
            poll(&fd, 1, 100);
            continue;
        }
        XEvent event;
        XNextEvent(mD, &event);
        switch (event.type) {
        case Expose: {
            bool ours = false;
            for (auto& level : mLevels)
                if (level->window == event.xexpose.window) {
                    ours = true;
                    if (event.xexpose.count == 0)
                        Paint(*level);
                }
            if (!ours)
                mOther(&event);
            break;
        }
        case MotionNotify: {
            const int rx = event.xmotion.x_root, ry = event.xmotion.y_root;
            for (size_t d = mLevels.size(); d-- > 0;)
                if (mLevels[d]->Contains(rx, ry)) {
                    Hover(d, mLevels[d]->ItemAt(rx, ry));
                    break;
                }
            break;
        }
        case ButtonPress: {
            if (event.xbutton.button > 3)
                break; // wheel turns neither choose nor dismiss
            const int rx = event.xbutton.x_root, ry = event.xbutton.y_root;
            bool inside = false;
            for (size_t d = mLevels.size(); d-- > 0 && !inside;)
                if (mLevels[d]->Contains(rx, ry)) {
                    inside = true;
                    const int item = mLevels[d]->ItemAt(rx, ry);
                    if (item >= 0 && mLevels[d]->menu->GetItem(item)->submenu)
                        Hover(d, item);
                }
            done = !inside; // a click outside every menu dismisses
            break;
        }
        case ButtonRelease: {
            if (event.xbutton.button > 3)
                break;
            const int rx = event.xbutton.x_root, ry = event.xbutton.y_root;
            for (size_t d = mLevels.size(); d-- > 0;)
                if (mLevels[d]->Contains(rx, ry)) {
                    done = Choose(d, mLevels[d]->ItemAt(rx, ry));
                    break;
                }
            break;
        }
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Escape)
                done = true;
            else if (key == XK_Down)
                Step(1);
            else if (key == XK_Up)
                Step(-1);
            else if (key == XK_Left && mLevels.size() > 1)
                CloseDeepest();
            else if ((key == XK_Right || key == XK_Return || key == XK_KP_Enter) && mLevels.back()->hover >= 0) {
                const size_t d = mLevels.size() - 1;
                const int item = mLevels[d]->hover;
                if (key != XK_Right)
                    done = Choose(d, item);
                else if (mLevels[d]->menu->GetItem(item)->submenu)
                    OpenSubmenu(d, item);
            }
            break;
        }
        default:
            break;
        }
    }
    XUngrabKeyboard(mD, CurrentTime);
    XUngrabPointer(mD, CurrentTime);
    return mChosen;
}

} // namespace

IPopupMenu* RunX11PopupMenu(const X11Session& session, IPopupMenu& menu, int screenX, int screenY,
                            const std::function<void(void* xevent)>& otherEvent)
{
    if (!session.display)
        return nullptr;
    IPopupMenu* chosen = nullptr;
    {
        MenuRun run(session, otherEvent);
        chosen = run.Run(menu, screenX, screenY);
    }
    XFlush(session.display);
    return chosen;
}
