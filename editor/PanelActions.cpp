#include "editor/PanelActions.h"

#include <memory>

#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

void StartLearning(KT4R& plug, int id)
{
    IPlugBase::LockGuard lock(plug.Mutex());
    plug.MidiLearn().Arm(id);
}

void RunProgramMenu(KT4R& plug, IGraphics& graphics, const IRECT& rect)
{
    const KT4R::ProgramMenu model = plug.BuildProgramMenu();
    IPopupMenu menu;
    std::vector<const IPopupMenu*> groups;
    for (const KT4R::ProgramMenu::Group& group : model.groups) {
        auto submenu = std::make_unique<IPopupMenu>();
        for (const std::string& item : group.items)
            submenu->AddItem(item);
        groups.push_back(submenu.get());
        menu.AddSubmenu(group.title, std::move(submenu));
    }
    const int rotateIndex = menu.NItems();
    if (model.rotateItem)
        menu.AddItem("Rotate Banks");

    IPopupMenu* chosen = graphics.ShowPopupMenu(menu, rect);
    if (!chosen || chosen->GetChosenItemIdx() < 0)
        return;
    const int index = chosen->GetChosenItemIdx();
    if (chosen == &menu) {
        if (model.rotateItem && index == rotateIndex)
            plug.ChooseRotateBanksFromMenu();
        return;
    }
    int first = 1;
    for (size_t g = 0; g < groups.size(); ++g) {
        if (groups[g] == chosen) {
            plug.ChooseProgramFromMenu(first + index);
            return;
        }
        first += static_cast<int>(model.groups[g].items.size());
    }
}
