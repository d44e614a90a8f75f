// The editor drawn into memory: scripted answers for menus, dialogs and message boxes.
#include "framework/graphics/IGraphicsHeadless.h"

IRECT IGraphicsHeadless::TakeInvalidated()
{
    const IRECT rect = mInvalidated;
    mInvalidated = {};
    return rect;
}

int IGraphicsHeadless::ShowMessageBox(const char* text, const char* caption, int type)
{
    mShownMessages.emplace_back(text ? text : "");
    if (mMessageBoxAnswers.empty())
        return 0;
    const int answer = mMessageBoxAnswers.front();
    mMessageBoxAnswers.pop_front();
    return answer;
}

IPopupMenu* IGraphicsHeadless::ShowPopupMenu(IPopupMenu& menu, const IRECT& rect)
{
    ShownMenu shown;
    shown.rect = ToPixels(rect);
    for (int i = 0; i < menu.NItems(); ++i)
        shown.items.push_back(menu.GetItem(i)->IsSeparator() ? std::string("---") : menu.DisplayText(i));
    mShownMenus.push_back(std::move(shown));

    if (mMenuChoices.empty())
        return nullptr;
    const int command = mMenuChoices.front();
    mMenuChoices.pop_front();
    return menu.Choose(command);
}

void IGraphicsHeadless::PromptForFile(int action, const std::string& directory, const std::string& extensions,
                                      FileChosen done)
{
    mShownPrompts.push_back({action, directory, extensions});
    std::string path;
    if (!mFileChoices.empty()) {
        path = mFileChoices.front();
        mFileChoices.pop_front();
    }
    std::string folder;
    if (const size_t slash = path.find_last_of('/'); slash != std::string::npos)
        folder = path.substr(0, slash + 1);
    if (done)
        done(path, folder);
}

void IGraphicsHeadless::PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text)
{
    mEntryOpen = true;
    mEntryText = text;
    mEntryRect = rect;
}
