// The LOAD and SAVE buttons' flows. The file dialog answers on the editor thread, at once or at a
// later tick (a chooser running in its own process), so the rest of each flow is its callback.
#include <memory>
#include <string>
#include <vector>

#include "editor/PanelActions.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/FileChoices.h"
#include "instrument/KT4R.h"

namespace {

constexpr int kOpenAction = 0;
constexpr int kSaveAction = 1;
constexpr int kMessageBoxOk = 0;

std::string FileName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void RunLoadFlow(KT4R& plug, IGraphics& graphics)
{
    IGraphics* editor = &graphics;
    graphics.PromptForFile(kOpenAction, plug.PresetFolder(), std::string(kt4r::kLoadDialogExtensions),
                           [&plug, editor](const std::string& path, const std::string& folder) {
                               if (path.empty())
                                   return;
                               plug.SetPresetFolder(folder);
                               // The player hears of a file that loaded nothing instead of wondering.
                               if (!plug.LoadFile(path)) {
                                   const std::string text = "Could not load \"" + FileName(path) + "\".";
                                   editor->ShowMessageBox(text.c_str(), "KT-4R", kMessageBoxOk);
                               }
                           });
}

void RunSaveFlow(KT4R& plug, IGraphics& graphics, const IRECT& rect)
{
    // The menu lists the items in order, the sub-menu where its first item stands; each shown item
    // remembers its index in the list of choices.
    const auto items = kt4r::SaveMenuItems();
    IPopupMenu shown;
    IPopupMenu* sub = nullptr;
    std::vector<int> topChoice;
    std::vector<int> subChoice;
    for (size_t i = 0; i < items.size(); ++i) {
        const kt4r::SaveMenuItem& item = items[i];
        if (!item.inSubmenu) {
            shown.AddItem(std::string(item.text));
            topChoice.push_back(static_cast<int>(i));
            continue;
        }
        if (!sub) {
            auto submenu = std::make_unique<IPopupMenu>();
            sub = submenu.get();
            shown.AddSubmenu(std::string(kt4r::kSaveSysExBankSubmenu), std::move(submenu));
            topChoice.push_back(-1);
        }
        if (item.text.empty())
            sub->AddSeparator();
        else
            sub->AddItem(std::string(item.text));
        subChoice.push_back(static_cast<int>(i));
    }

    IPopupMenu* chosen = graphics.ShowPopupMenu(shown, rect);
    if (!chosen || chosen->GetChosenItemIdx() < 0)
        return;
    const int index = chosen->GetChosenItemIdx();
    int choice = -1;
    if (chosen == sub && index < static_cast<int>(subChoice.size()))
        choice = subChoice[static_cast<size_t>(index)];
    else if (chosen == &shown && index < static_cast<int>(topChoice.size()))
        choice = topChoice[static_cast<size_t>(index)];
    const kt4r::SaveMenuItem* item = kt4r::SaveMenuChoice(choice);
    if (!item)
        return;

    IGraphics* editor = &graphics;
    graphics.PromptForFile(kSaveAction, plug.PresetFolder(),
                           std::string(kt4r::SaveDialogExtensions(item->operation)),
                           [&plug, editor, choice](const std::string& path, const std::string& folder) {
                               if (path.empty())
                                   return;
                               plug.SetPresetFolder(folder);
                               if (!plug.SaveFile(choice, path)) {
                                   const std::string text = "Could not save \"" + FileName(path) + "\".";
                                   editor->ShowMessageBox(text.c_str(), "KT-4R", kMessageBoxOk);
                               }
                           });
}
