// An editor without a window: the same controls, routing and raster, drawn into memory. Tests and the
// command-line host drive it with mouse calls and read its back buffer; menus, dialogs, message boxes
// and the text box answer from scripts the caller queues up.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "framework/graphics/IGraphics.h"

class IGraphicsHeadless : public IGraphics {
public:
    using IGraphics::IGraphics;

    // ---- Scripts (editor thread) ----

    // The next ShowPopupMenu chooses this command number (IPopupMenu::CommandFor numbering); -1 or an
    // empty queue dismisses the menu.
    void QueueMenuChoice(int command) { mMenuChoices.push_back(command); }
    // The next PromptForFile answers this path (empty: cancelled), at once.
    void QueueFileChoice(const std::string& path) { mFileChoices.push_back(path); }
    // The next ShowMessageBox answers this button.
    void QueueMessageBoxAnswer(int answer) { mMessageBoxAnswers.push_back(answer); }
    // Types into the open text box (replacing its text).
    void TypeText(const std::string& text) { mEntryText = text; }

    // ---- What the editor showed ----

    struct ShownMenu {
        std::vector<std::string> items; // display texts of the top level ("---" for separators)
        IRECT rect;
    };
    const std::vector<ShownMenu>& ShownMenus() const { return mShownMenus; }
    struct ShownPrompt {
        int action;
        std::string directory;
        std::string extensions;
    };
    const std::vector<ShownPrompt>& ShownPrompts() const { return mShownPrompts; }
    const std::vector<std::string>& ShownMessages() const { return mShownMessages; }
    bool EntryOpen() const { return mEntryOpen; }
    const std::string& EntryText() const { return mEntryText; }
    const IRECT& EntryRect() const { return mEntryRect; }
    const char* ShownTooltip() const { return mTooltip; }
    // Everything drawn since the last call (the union of invalidated rectangles).
    IRECT TakeInvalidated();

    // ---- IGraphics platform slots ----

    int ShowMessageBox(const char* text, const char* caption, int type) override;
    IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const IRECT& rect) override;
    void PromptForFile(int action, const std::string& directory, const std::string& extensions,
                       FileChosen done) override;
    void* OpenWindow(void* parent) override { return nullptr; }
    void CloseWindow() override {}
    void* WindowHandle() override { return nullptr; }

protected:
    void Invalidate(const IRECT& rect) override { mInvalidated = mInvalidated.Union(rect); }
    void PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text) override;
    std::string PlatformTextEntryText() override { return mEntryText; }
    void PlatformCloseTextEntry() override { mEntryOpen = false; }
    void PlatformShowTooltip(const char* text, int x, int y) override { mTooltip = text; }

private:
    std::deque<int> mMenuChoices;
    std::deque<std::string> mFileChoices;
    std::deque<int> mMessageBoxAnswers;
    std::vector<ShownMenu> mShownMenus;
    std::vector<ShownPrompt> mShownPrompts;
    std::vector<std::string> mShownMessages;
    bool mEntryOpen = false;
    std::string mEntryText;
    IRECT mEntryRect;
    const char* mTooltip = nullptr;
    IRECT mInvalidated;
};
