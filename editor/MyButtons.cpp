#include "editor/MyButtons.h"

#include "editor/MyButtonGroup.h"
#include "editor/PanelActions.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

// ---- MyContactControl ----

MyContactControl::MyContactControl(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap)
    : IBitmapControl(&plug, x, y, paramIdx, bitmap)
{
}

void MyContactControl::MouseDown(int x, int y, const IMouseMod& mods)
{
    mValue = NextSwitchValue(mValue, mBitmap.N);
    MarkDirty(false);
}

void MyContactControl::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    // A quick second click on a button is a click: the member of a group steps the group too.
    MouseDown(x, y, mods);
}

void MyContactControl::MouseUp(int x, int y, const IMouseMod& mods)
{
    mValue = 0.0;
    MarkDirty(true);
}

// ---- MyButton ----

MyButton::MyButton(KT4R& plug, int x, int y, const IBitmapRef& bitmap, MyButtonGroup& group)
    : MyContactControl(plug, x, y, -1, bitmap), mGroup(group)
{
    // A click is an edit of the group's parameter: the host hears it begin and end around the value.
    SetEditParamIdx(group.ParamIdx());
}

void MyButton::MouseDown(int x, int y, const IMouseMod& mods)
{
    MyContactControl::MouseDown(x, y, mods);
    mGroup.Click(this);
}

void MyButton::MouseEnter(int x, int y, const IMouseMod& mods)
{
    mGroup.MouseEnter(x, y, mods);
    MarkDirty(true);
}

void MyButton::MouseLeave()
{
    mGroup.MouseLeave();
}

// ---- MyWriteButton ----

MyWriteButton::MyWriteButton(KT4R& plug, int x, int y, const IBitmapRef& bitmap)
    : MyToggleButton(&plug, x, y, -1, bitmap)
{
}

void MyWriteButton::MouseDown(int x, int y, const IMouseMod& mods)
{
    mToggle = !mToggle;
    mValue = mToggle ? 1.0 : 0.0;
    KT4R& plug = *static_cast<KT4R*>(mPlug);
    plug.PressWrite(mods.R);
    // The button ends where it started; the program number shows whether a write is armed.
    mToggle = !mToggle;
    mValue = mToggle ? 1.0 : 0.0;
    MarkDirty(false);
}

void MyWriteButton::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    MouseDown(x, y, mods);
}

// ---- MyFileButton, MySaveButton ----

MyFileButton::MyFileButton(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap)
    : IContactControl(&plug, x, y, paramIdx, bitmap)
{
}

void MyFileButton::MouseDown(int x, int y, const IMouseMod& mods)
{
    mValue = 1.0;
    MarkDirty(false);
    if (IGraphics* graphics = Graphics())
        RunLoadFlow(*static_cast<KT4R*>(mPlug), *graphics);
}

void MyFileButton::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    MouseDown(x, y, mods);
}

void MyFileButton::MouseUp(int x, int y, const IMouseMod& mods)
{
    mValue = 0.0;
    MarkDirty(false);
}

MySaveButton::MySaveButton(KT4R& plug, int x, int y, int paramIdx, const IBitmapRef& bitmap)
    : IContactControl(&plug, x, y, paramIdx, bitmap)
{
}

void MySaveButton::MouseDown(int x, int y, const IMouseMod& mods)
{
    mValue = 1.0;
    MarkDirty(false);
    if (IGraphics* graphics = Graphics())
        RunSaveFlow(*static_cast<KT4R*>(mPlug), *graphics, mRect);
}

void MySaveButton::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    MouseDown(x, y, mods);
}

void MySaveButton::MouseUp(int x, int y, const IMouseMod& mods)
{
    mValue = 0.0;
    MarkDirty(false);
}
