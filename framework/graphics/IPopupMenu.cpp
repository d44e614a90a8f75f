// The pop-up menu model: items, numbering and the command numbers through sub-menus.
#include "framework/graphics/IPopupMenu.h"

#include <cstdio>

IPopupMenu::Item& IPopupMenu::AddItem(const std::string& text, int flags)
{
    mItems.push_back(Item{text, flags, nullptr});
    return mItems.back();
}

IPopupMenu::Item& IPopupMenu::AddSubmenu(const std::string& text, std::unique_ptr<IPopupMenu> submenu)
{
    mItems.push_back(Item{text, kNoFlags, std::move(submenu)});
    return mItems.back();
}

void IPopupMenu::AddSeparator()
{
    AddItem("", kSeparator);
}

IPopupMenu::Item* IPopupMenu::GetItem(int index)
{
    return index >= 0 && index < NItems() ? &mItems[static_cast<size_t>(index)] : nullptr;
}

const IPopupMenu::Item* IPopupMenu::GetItem(int index) const
{
    return index >= 0 && index < NItems() ? &mItems[static_cast<size_t>(index)] : nullptr;
}

std::string IPopupMenu::DisplayText(int index) const
{
    const Item* item = GetItem(index);
    if (!item)
        return {};
    static const char* const kFormats[] = {nullptr, "%1d: %s", "%02d: %s", "%03d: %s"};
    const char* format = kFormats[mPrefix];
    if (!format || item->IsSeparator())
        return item->text;
    char text[512];
    std::snprintf(text, sizeof text, format, index + 1, item->text.c_str());
    return text;
}

namespace {

// Walks the items depth first, numbering every item that is not a sub-menu entry; `visit` answers true
// to stop. Answers whether it stopped.
template <typename Menu, typename Visit>
bool Walk(Menu& menu, int& number, Visit&& visit)
{
    for (int i = 0; i < menu.NItems(); ++i) {
        auto* item = menu.GetItem(i);
        if (item->submenu) {
            if (Walk(*item->submenu, number, visit))
                return true;
            continue;
        }
        if (visit(menu, i, ++number))
            return true;
    }
    return false;
}

} // namespace

int IPopupMenu::CommandFor(const IPopupMenu* menu, int index) const
{
    int number = 0;
    int found = 0;
    Walk(*this, number, [&](const IPopupMenu& m, int i, int command) {
        if (&m == menu && i == index) {
            found = command;
            return true;
        }
        return false;
    });
    return found;
}

bool IPopupMenu::ResolveCommand(int command, IPopupMenu** menu, int* index)
{
    if (command <= 0)
        return false;
    int number = 0;
    return Walk(*this, number, [&](IPopupMenu& m, int i, int n) {
        if (n != command)
            return false;
        *menu = &m;
        *index = i;
        return true;
    });
}

IPopupMenu* IPopupMenu::Choose(int command)
{
    IPopupMenu* chosen = nullptr;
    int index = -1;
    if (!ResolveCommand(command, &chosen, &index))
        return nullptr;
    const Item* item = chosen->GetItem(index);
    if (!item || !item->IsEnabled())
        return nullptr;
    chosen->SetChosenItemIdx(index);
    return chosen;
}
