// What the UI binary asks of the instance: the editor opened, idled and closed as the VST2 face does on
// the host's editor opcodes, and the parameters' values for the host's controls.
#include "framework/graphics/IGraphics.h"
#include "framework/lv2/IPlugLV2.h"

bool IPlugLV2::EditorSize(int* width, int* height)
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    IGraphics* editor = mPlug->Editor();
    if (!editor)
        return false;
    // The size the window will have: the panel scale is chosen now unless a window is open.
    editor->ApplyScalePreference();
    *width = editor->WindowWidth();
    *height = editor->WindowHeight();
    return true;
}

void* IPlugLV2::OpenEditor(void* parent)
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    IGraphics* editor = mPlug->Editor();
    if (!editor || mEditorOpen)
        return nullptr;
    void* window = editor->OpenWindow(parent);
    if (!window)
        return nullptr;
    mEditorOpen = true;
    mPlug->EditorOpened();
    return window;
}

void IPlugLV2::CloseEditor()
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    IGraphics* editor = mPlug->Editor();
    if (!editor || !mEditorOpen)
        return;
    mEditorOpen = false;
    mPlug->EditorClosed();
    editor->CloseWindow();
}

void IPlugLV2::IdleEditor()
{
    if (IGraphics* editor = mPlug->Editor(); editor && mEditorOpen)
        editor->Idle();
}

float IPlugLV2::ControlValue(int index)
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    const IParameter* param = mPlug->GetParam(index);
    return param ? static_cast<float>(param->Value()) : 0.0f;
}
