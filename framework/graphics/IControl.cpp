// The control base and the framework's generic bitmap controls.
#include "framework/graphics/IControl.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/IGraphics.h"
#include "framework/plugin/IPlugBase.h"

int FrameForValue(int frames, double value)
{
    if (frames <= 1 || !std::isfinite(value))
        return 1;
    const double f = (frames - 1) * value + 0.5;
    if (f < 0.0)
        return 1;
    return std::clamp(static_cast<int>(f) + 1, 1, frames);
}

double NextSwitchValue(double value, int frames)
{
    value += frames < 2 ? 1.0 : 1.0 / (frames - 1);
    return value > 1.001 ? 0.0 : value;
}

IControl::IControl(IPlugBase* owner, const IRECT& rect, int paramIdx, int blendMethod)
    : mPlug(owner), mRect(rect), mTargetRect(rect), mParamIdx(paramIdx), mBlendMethod(blendMethod)
{
}

void IControl::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    if (mDefaultValue < 0.0)
        return;
    mValue = mDefaultValue;
    MarkDirty(true);
}

void IControl::MouseWheel(int x, int y, const IMouseMod& mods, int delta)
{
    mValue += delta * ((mods.S || mods.C) ? 0.001 : 0.01);
    MarkDirty(true);
}

void IControl::AcceptPlugValue(double normalized)
{
    if (!std::isfinite(normalized))
        return;
    if (mDefaultValue < 0.0) {
        mValue = normalized;
        mDefaultValue = normalized;
    }
    if (mValue != normalized) {
        mValue = normalized;
        MarkDirty(false);
        mRedraw = true;
    }
}

void IControl::SetHidden(bool hidden)
{
    mHidden = hidden;
    mRedraw = true;
    MarkDirty(false);
}

void IControl::SetGrayed(bool grayed)
{
    mGrayed = grayed;
    mBlendWeight = grayed ? 0.25f : 1.0f;
    MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const
{
    return !mTargetRect.Empty() && mTargetRect.Contains(x, y);
}

void IControl::MarkDirty(bool pushToPlug)
{
    mValue = std::clamp(std::isfinite(mValue) ? mValue : mClampLo, mClampLo, mClampHi);
    mDirty = true;
    if (pushToPlug && mPlug && mParamIdx >= 0)
        mPlug->SetParamFromEditor(mParamIdx, mValue);
    if (mValueDisplay)
        mValueDisplay->MarkDirty(false);
    if (mNameDisplay)
        mNameDisplay->MarkDirty(false);
}

bool IControl::TakeRedrawRequest()
{
    const bool requested = mRedraw;
    mRedraw = false;
    mDirty = requested;
    return requested;
}

void IControl::AcceptAuxValue(int auxIndex, double normalized)
{
    if (auxIndex < 0 || auxIndex >= static_cast<int>(mAuxParams.size()) || !std::isfinite(normalized))
        return;
    AuxParam& aux = mAuxParams[static_cast<size_t>(auxIndex)];
    if (aux.value != normalized) {
        aux.value = normalized;
        MarkDirty(false);
        mRedraw = true;
    }
}

// ---- IBitmapControl ----

IBitmapControl::IBitmapControl(IPlugBase* owner, int x, int y, int paramIdx, const IBitmapRef& bitmap, int blendMethod)
    : IControl(owner, IRECT(x, y, x + bitmap.W, y + bitmap.FrameHeight()), paramIdx, blendMethod), mBitmap(bitmap)
{
}

IBitmapControl::IBitmapControl(IPlugBase* owner, int x, int y, const IBitmapRef& bitmap)
    : IBitmapControl(owner, x, y, -1, bitmap, 0)
{
}

void IBitmapControl::Paint(IGraphics& graphics)
{
    graphics.DrawBitmap(mBitmap, mRect, FrameForValue(mBitmap.N, mValue), mBlendMethod, mBlendWeight);
}

// ---- IBitmapOverlayControl ----

IBitmapOverlayControl::IBitmapOverlayControl(IPlugBase* owner, int x, int y, int paramIdx, const IBitmapRef& bitmap,
                                             const IRECT& triggerRect)
    : ISwitchControl(owner, x, y, paramIdx, bitmap), mTriggerRect(triggerRect)
{
    mTargetRect = mTriggerRect;
}

IBitmapOverlayControl::IBitmapOverlayControl(IPlugBase* owner, int x, int y, const IBitmapRef& bitmap,
                                             const IRECT& triggerRect)
    : IBitmapOverlayControl(owner, x, y, -1, bitmap, triggerRect)
{
}

void IBitmapOverlayControl::MouseDown(int x, int y, const IMouseMod& mods)
{
    mValue = NextSwitchValue(mValue, mBitmap.N);
    MarkDirty(true);
}

void IBitmapOverlayControl::MouseDoubleClick(int x, int y, const IMouseMod& mods)
{
    MouseDown(x, y, mods);
}

void IBitmapOverlayControl::Paint(IGraphics& graphics)
{
    if (mValue < 0.5) {
        mTargetRect = mTriggerRect;
        return;
    }
    mTargetRect = mRect;
    graphics.DrawBitmap(mBitmap, mRect, 1, mBlendMethod, mBlendWeight);
}

bool IBitmapOverlayControl::HitTest(int x, int y) const
{
    // The hit rectangle follows the shown state at once, not only after the next paint.
    const IRECT& r = mValue >= 0.5 ? mRect : mTriggerRect;
    return !r.Empty() && r.Contains(x, y);
}
