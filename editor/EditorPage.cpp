#include "editor/EditorPage.h"

#include "framework/graphics/IGraphics.h"

void EditorPage::Add(IControl* control, IGraphics* attachTo)
{
    if (!control)
        return;
    mControls.push_back(control);
    if (attachTo)
        attachTo->AttachControl(control);
}

void EditorPage::AddToSecondList(IControl* control)
{
    if (control)
        mSecond.push_back(control);
}

void EditorPage::SetHidden(bool hidden)
{
    mShown = !hidden;
    for (IControl* control : mControls)
        control->SetHidden(hidden);
    for (IControl* control : mSecond)
        control->SetHidden(!hidden);
}

void EditorPage::Show()
{
    SetHidden(false);
}

void EditorPage::Hide()
{
    SetHidden(true);
}
