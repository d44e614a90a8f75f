// The model of a pop-up menu: items with text, flags and an optional sub-menu, an optional numbering
// of the entries, and the command numbers that run through all sub-menus. The platform layer shows it.
#pragma once

#include <memory>
#include <string>
#include <vector>

class IPopupMenu {
public:
    enum ItemFlags : int {
        kNoFlags = 0,
        kGrayed = 1,
        kDisabled = 2,
        kChecked = 4,
        kSeparator = 8,
    };
    // How entries are numbered when shown (counting from 1): none, "%1d: %s", "%02d: %s", "%03d: %s".
    enum Prefix { kNoPrefix, kPrefix1, kPrefix2, kPrefix3 };

    struct Item {
        std::string text;
        int flags = kNoFlags;
        std::unique_ptr<IPopupMenu> submenu; // owned

        bool IsSeparator() const { return (flags & kSeparator) != 0; }
        bool IsEnabled() const { return (flags & (kGrayed | kDisabled | kSeparator)) == 0; }
    };

    IPopupMenu() = default;
    IPopupMenu(const IPopupMenu&) = delete;
    IPopupMenu& operator=(const IPopupMenu&) = delete;

    Item& AddItem(const std::string& text, int flags = kNoFlags);
    // The menu takes ownership of the sub-menu.
    Item& AddSubmenu(const std::string& text, std::unique_ptr<IPopupMenu> submenu);
    void AddSeparator();

    int NItems() const { return static_cast<int>(mItems.size()); }
    Item* GetItem(int index);
    const Item* GetItem(int index) const;
    void SetPrefix(Prefix prefix) { mPrefix = prefix; }
    Prefix GetPrefix() const { return mPrefix; }
    // The text as shown: numbered by the prefix (the item's position counting from 1).
    std::string DisplayText(int index) const;

    // Commands are numbered 1, 2, 3 ... through the items in order, each sub-menu's items numbered where
    // they stand (depth first); a sub-menu entry itself takes no number. Separators take a number too,
    // which is never chosen.
    int CommandFor(const IPopupMenu* menu, int index) const;
    // The menu and item index a command number stands for; false (nothing changed) when it is none.
    bool ResolveCommand(int command, IPopupMenu** menu, int* index);

    // A command the platform's menu answered: the menu holding it, its chosen index set, or nullptr
    // (nothing changed) for no command, a separator, a grayed or a disabled entry.
    IPopupMenu* Choose(int command);

    // The choice the platform layer reports back (-1 = none).
    void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
    int GetChosenItemIdx() const { return mChosenItemIdx; }

private:
    std::vector<Item> mItems;
    Prefix mPrefix = kNoPrefix;
    int mChosenItemIdx = -1;
};
