// A vertical slider: a handle over a track, continuous or with 2, 3 or 4 positions. It keeps a raw
// position beside its value, so that a stepped slider moves between its positions only after the
// mouse has travelled half a step.
#pragma once

#include "framework/graphics/IControl.h"

class KT4R;
class MyReadout;

class MyVSlider : public IControl {
public:
    struct Insets {
        int left, top, right, bottom;
    };

    // track: the slot the handle runs in, drawn at (x, y); handle and hover: the handle, normal and
    // under the mouse; positions 0 continuous, else the number of stops.
    MyVSlider(KT4R& plug, int x, int y, int paramIdx, MyReadout* readout, const IBitmapRef& track,
              const IBitmapRef& handle, const IBitmapRef& hover, const Insets& insets, int positions);

    // The track, then the handle at the value's height.
    void Paint(IGraphics& graphics) override;
    // Right button (parameters below 81): the learn page opens with this parameter. Control + left:
    // the handle jumps to the mouse. A plain left press waits for a drag.
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods) override;
    // One notch: 1 % of the travel, or one stop of a stepped slider; a tenth of that with shift or
    // control.
    void MouseWheel(int x, int y, const IMouseMod& mods, int delta) override;
    void MouseEnter(int x, int y, const IMouseMod& mods) override;
    void MouseLeave() override;
    void AcceptPlugValue(double normalized) override;
    void MarkDirty(bool pushToPlug) override;

    // Extra slots, called by the panel and by MouseDown on the editor thread, no lock of their own:
    // a control that follows this slider's value; the control-click jump (tells the plug-in, which
    // takes its lock).
    virtual void LinkControl(IControl* control);
    virtual void JumpTo(int x, int y);

    double RawPosition() const { return mPosition; }
    void SetRawPosition(double p);
    int Steps() const { return mSteps; }
    bool Hovered() const { return mHover; }
    // Top edge of the handle for the current value, in window pixels.
    int HandleTop() const;
    const IBitmapRef& HandleBitmap() const { return mHover && !mHoverHandle.Empty() ? mHoverHandle : mHandle; }

private:
    void ValueFromPosition();

    MyReadout* mReadout;
    IBitmapRef mTrack;
    IBitmapRef mHandle;
    IBitmapRef mHoverHandle;
    IControl* mLinked = nullptr;
    int mTrackLength;
    int mHandleLength;
    int mSteps;
    double mPosition = 0.0;
    bool mHover = false;
};
