#include "editor/MyReadout.h"

#include <cstdio>

#include "editor/PanelActions.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"
#include "instrument/ReadoutText.h"

MyReadout::MyReadout(KT4R& plug, IGraphics& graphics, int x, int y, int cells, const IBitmapRef& digit,
                     const IBitmapRef& second, const IBitmapRef& third, const char* name)
    : IControl(&plug, IRECT(x, y, x + cells * digit.W, y + digit.FrameHeight())), mName(name)
{
    for (int i = 0; i < cells; ++i) {
        auto* cell = new MyDigit(&plug, x + i * digit.W, y, digit, second, third);
        graphics.AttachControl(cell);
        mCells.push_back(cell);
    }
}

KT4R& MyReadout::Instrument() const
{
    return *static_cast<KT4R*>(mPlug);
}

void MyReadout::SetText(std::string_view text)
{
    mText.assign(text.substr(0, mCells.size()));
    for (size_t i = 0; i < mCells.size(); ++i)
        mCells[i]->SetChar(i < mText.size() ? mText[i] : ' ');
}

void MyReadout::Clear()
{
    mShowsParam = false;
    SetText("");
    MarkDirty(false);
}

void MyReadout::ShowParam(int id)
{
    if (id == -1) {
        Clear();
        return;
    }
    if (id < 0 || id >= mLimit)
        return;
    const IControl* control =
        mParamControls && id < static_cast<int>(mParamControls->size()) ? (*mParamControls)[static_cast<size_t>(id)]
                                                                         : nullptr;
    KT4R& plug = Instrument();
    std::string line;
    {
        IPlugBase::LockGuard lock(plug.Mutex());
        const IParameter* param = plug.Param(id);
        const double value = control ? control->Value() : param ? param->ToNormalized() : 0.0;
        line = kt4r::ReadoutLine(id, value, plug.CurrentReadoutContext());
    }
    mShownParam = id;
    mShowsParam = true;
    SetText(line);
    MarkDirty(false);
}

void MyReadout::RefreshParam()
{
    if (mShowsParam)
        ShowParam(mShownParam);
}

void MyReadout::SetMode(int mode)
{
    if (mode < 0 || mode > 2)
        return;
    mMode = mode;
    for (MyDigit* cell : mCells)
        cell->SetColour(mode);
    RenderModeText();
}

void MyReadout::SetHidden(bool hidden)
{
    for (MyDigit* cell : mCells)
        cell->SetHidden(hidden);
    IControl::SetHidden(hidden);
}

void MyReadout::SetParamControls(const std::vector<IControl*>* controls, int limit)
{
    mParamControls = controls;
    mLimit = limit;
}

// ---- MasterReadout ----

MasterReadout::MasterReadout(KT4R& plug, IGraphics& graphics, int x, int y, int cells, const IBitmapRef& digit,
                             const IBitmapRef& second, const IBitmapRef& third, const char* name)
    : MyReadout(plug, graphics, x, y, cells, digit, second, third, name)
{
    mShownParam = 0;
}

// ---- MyProgNumReadout ----

void MyProgNumReadout::SetProgram(int number)
{
    if (number < 1 || number > 128)
        return;
    mProgram = number;
    RenderModeText();
}

void MyProgNumReadout::RenderModeText()
{
    char text[8];
    std::snprintf(text, sizeof text, "%c%3d", ModeChar(), mProgram);
    SetText(text);
    MarkDirty(false);
}

void MyProgNumReadout::MouseDown(int x, int y, const IMouseMod& mods)
{
    if (IGraphics* graphics = Graphics())
        RunProgramMenu(Instrument(), *graphics, mRect);
}

void MyProgNumReadout::MouseWheel(int x, int y, const IMouseMod& mods, int delta)
{
    if (delta == 0)
        return;
    int number = mProgram + ((mods.S || mods.C) ? delta : (delta > 0 ? 1 : -1));
    // Any distance wraps around the 128 programs.
    number = ((number - 1) % 128 + 128) % 128 + 1;
    mProgram = number;
    KT4R& plug = Instrument();
    plug.SelectProgram(number);
    RenderModeText();
    MarkDirty(true);
}

// ---- MyProgNameReadout ----

void MyProgNameReadout::MouseDown(int x, int y, const IMouseMod& mods)
{
    IGraphics* graphics = Graphics();
    if (!graphics)
        return;
    KT4R& plug = Instrument();
    const std::string name = plug.ProgramName(0);
    IText style;
    style.font = "Verdana";
    style.size = kEntryFontSize;
    graphics->OpenTextEntry(this, style, mRect, name.c_str());
}

void MyProgNameReadout::AcceptTextEntry(const char* text)
{
    if (!text || !*text)
        return;
    KT4R& plug = Instrument();
    plug.SetProgramName(text);
    IPlugBase::LockGuard lock(plug.Mutex());
    SetText(plug.CurrentProgramName());
    MarkDirty(false);
}
