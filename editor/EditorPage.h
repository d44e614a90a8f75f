// One of the right-hand pages of the panel: its own controls, shown with it, and a second list of
// controls that stand in its place while it is hidden (and are hidden while it shows).
#pragma once

#include <string>
#include <vector>

class IControl;
class IGraphics;

class EditorPage {
public:
    explicit EditorPage(std::string name) : mName(std::move(name)) {}

    // Plug-in constructor. With graphics, the control is also attached to the editor's list (which
    // then owns it); without, its owner attaches it.
    void Add(IControl* control, IGraphics* attachTo = nullptr);
    void AddToSecondList(IControl* control);

    // Editor thread. Each affected control is marked for drawing; the plug-in is not told.
    void Show();
    void Hide();

    const std::string& Name() const { return mName; }
    bool IsShown() const { return mShown; }
    const std::vector<IControl*>& Controls() const { return mControls; }

private:
    void SetHidden(bool hidden);

    std::string mName;
    std::vector<IControl*> mControls;
    std::vector<IControl*> mSecond;
    bool mShown = true;
};
