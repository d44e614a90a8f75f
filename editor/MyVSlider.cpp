#include "editor/MyVSlider.h"

#include <algorithm>
#include <cmath>

#include "editor/MyReadout.h"
#include "editor/PanelActions.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

namespace {

constexpr int kHandleOffset = 1;    // pixels between the track's top and the handle's highest place
constexpr int kLearnableBelow = 81; // ids a right click may learn (the settings sliders below 81)

} // namespace

MyVSlider::MyVSlider(KT4R& plug, int x, int y, int paramIdx, MyReadout* readout, const IBitmapRef& track,
                     const IBitmapRef& handle, const IBitmapRef& hover, const Insets& insets, int positions)
    // The handle is a pixel wider than the track; the draw rectangle covers both so that a moving
    // handle leaves nothing behind.
    : IControl(&plug, IRECT(x, y, x + std::max(track.W, handle.W), y + track.FrameHeight()), paramIdx),
      mReadout(readout), mTrack(track), mHandle(handle), mHoverHandle(hover),
      mTrackLength(track.FrameHeight() - insets.top - insets.bottom - 3),
      mHandleLength(handle.FrameHeight() - insets.top - insets.bottom), mSteps(std::max(0, positions - 1))
{
    mTargetRect = IRECT(x + insets.left, y + insets.top, x + track.W - insets.right,
                        y + track.FrameHeight() - insets.bottom);
}

void MyVSlider::ValueFromPosition()
{
    mValue = mSteps > 0 ? std::floor(mSteps * mPosition + 0.5) / mSteps : mPosition;
}

void MyVSlider::SetRawPosition(double p)
{
    mPosition = std::clamp(std::isfinite(p) ? p : 0.0, 0.0, 1.0);
    ValueFromPosition();
}

int MyVSlider::HandleTop() const
{
    const double value = std::clamp(mValue, 0.0, 1.0);
    return mRect.T + kHandleOffset + 1 + static_cast<int>((mTrackLength - mHandleLength) * (1.0 - value));
}

void MyVSlider::Paint(IGraphics& graphics)
{
    graphics.DrawBitmap(mTrack, IRECT(mRect.L, mRect.T, mRect.L + mTrack.W, mRect.T + mTrack.FrameHeight()), 1,
                        mBlendMethod, mBlendWeight);
    const IBitmapRef& handle = HandleBitmap();
    const int top = HandleTop();
    graphics.DrawBitmap(handle, IRECT(mRect.L, top, mRect.L + handle.W, top + handle.FrameHeight()), 1,
                        mBlendMethod, mBlendWeight);
}

void MyVSlider::MouseDown(int x, int y, const IMouseMod& mods)
{
    if (mods.R) {
        if (mParamIdx < kLearnableBelow)
            StartLearning(*static_cast<KT4R*>(mPlug), mParamIdx);
        return;
    }
    if (mods.L && mods.C)
        JumpTo(x, y);
}

void MyVSlider::JumpTo(int x, int y)
{
    const int travel = mTrackLength - mHandleLength;
    if (travel <= 0)
        return;
    SetRawPosition(1.0 - (y - mRect.T - mHandleLength / 2.0) / travel);
    MarkDirty(true);
}

void MyVSlider::MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods)
{
    if (mRect.H() <= 0)
        return;
    float d = static_cast<float>(dY);
    if (mods.S)
        d *= 0.2f;
    SetRawPosition(mPosition + d / static_cast<double>(mRect.T - mRect.B));
    MarkDirty(true);
}

void MyVSlider::MouseWheel(int x, int y, const IMouseMod& mods, int delta)
{
    double step = delta * 0.01;
    if (mSteps > 0)
        step = delta >= 1 ? 1.0 / mSteps : -1.0 / mSteps;
    if (mods.S || mods.C)
        step *= 0.1;
    SetRawPosition(mPosition + step);
    MarkDirty(true);
}

void MyVSlider::MouseEnter(int x, int y, const IMouseMod& mods)
{
    if (!mHover) {
        mHover = true;
        IControl::MarkDirty(false);
    }
    if (mReadout && (!mReadout->ShowsParam() || mReadout->ShownParam() != mParamIdx))
        mReadout->ShowParam(mParamIdx);
}

void MyVSlider::MouseLeave()
{
    mHover = false;
    if (mReadout)
        mReadout->Clear();
    IControl::MarkDirty(false);
}

void MyVSlider::AcceptPlugValue(double normalized)
{
    IControl::AcceptPlugValue(normalized);
    mPosition = mValue;
    if (mLinked)
        mLinked->AcceptPlugValue(mValue);
}

void MyVSlider::MarkDirty(bool pushToPlug)
{
    if (mLinked)
        mLinked->AcceptPlugValue(mValue);
    IControl::MarkDirty(pushToPlug);
    if (mReadout)
        mReadout->RefreshParam();
}

void MyVSlider::LinkControl(IControl* control)
{
    mLinked = control;
    if (mLinked)
        mLinked->AcceptPlugValue(mValue);
}
