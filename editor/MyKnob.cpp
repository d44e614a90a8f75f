#include "editor/MyKnob.h"

#include <algorithm>

#include "editor/MyReadout.h"
#include "editor/PanelActions.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

MyKnob::MyKnob(KT4R& plug, int x, int y, int paramIdx, MyReadout* readout, const IBitmapRef& bitmap,
               const IBitmapRef& hover)
    : IKnobControl(&plug, IRECT(x, y, x + bitmap.W, y + bitmap.FrameHeight()), paramIdx, kVertical, kGearing),
      mReadout(readout), mBitmap(bitmap), mHoverBitmap(hover)
{
}

void MyKnob::Paint(IGraphics& graphics)
{
    const IBitmapRef& bitmap = mHover && !mHoverBitmap.Empty() ? mHoverBitmap : mBitmap;
    graphics.DrawBitmap(bitmap, mRect, FrameForValue(bitmap.N, mValue), mBlendMethod, mBlendWeight);
}

void MyKnob::MouseDown(int x, int y, const IMouseMod& mods)
{
    if (mods.R)
        StartLearning(*static_cast<KT4R*>(mPlug), mParamIdx);
}

void MyKnob::MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods)
{
    const double gearing = (mods.S || mods.C) ? kFineGearing : mGearing;
    // The control's own height (or width) is the travel of one gearing's worth; up and right raise.
    if (mDirection == kVertical && mRect.H() > 0)
        mValue += (static_cast<double>(dY) / (mRect.T - mRect.B)) / gearing;
    else if (mDirection == kHorizontal && mRect.W() > 0)
        mValue += (static_cast<double>(dX) / (mRect.R - mRect.L)) / gearing;
    mValue = std::clamp(mValue, 0.0, 1.0);
    MarkDirty(true);
}

void MyKnob::MouseWheel(int x, int y, const IMouseMod& mods, int delta)
{
    mValue = std::clamp(mValue + delta * ((mods.S || mods.C) ? 0.001 : 0.01), 0.0, 1.0);
    MarkDirty(true);
}

void MyKnob::MouseEnter(int x, int y, const IMouseMod& mods)
{
    if (!mHover) {
        mHover = true;
        MarkDirty(false);
    }
    if (mReadout && (!mReadout->ShowsParam() || mReadout->ShownParam() != mParamIdx))
        mReadout->ShowParam(mParamIdx);
}

void MyKnob::MouseLeave()
{
    mHover = false;
    if (mReadout)
        mReadout->Clear();
    MarkDirty(false);
}

void MyKnob::MarkDirty(bool pushToPlug)
{
    IControl::MarkDirty(pushToPlug);
    if (mReadout)
        mReadout->RefreshParam();
}
