// A rotary knob drawn from a strip of frames: dragged vertically (four control heights for the whole
// range, forty with shift or control), turned by the wheel, reset by a double click, learned by a
// right click.
#pragma once

#include "framework/graphics/IControl.h"

class KT4R;
class MyReadout;

class MyKnob : public IKnobControl {
public:
    static constexpr double kGearing = 4.0;
    static constexpr double kFineGearing = 40.0;

    // readout may be null; hover is the strip shown while the mouse is over the knob.
    MyKnob(KT4R& plug, int x, int y, int paramIdx, MyReadout* readout, const IBitmapRef& bitmap,
           const IBitmapRef& hover);

    // Frame for the value from the normal or the hover strip.
    void Paint(IGraphics& graphics) override;
    // Right button: the learn page opens with this knob's parameter as the target.
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods) override;
    void MouseWheel(int x, int y, const IMouseMod& mods, int delta) override;
    void MouseEnter(int x, int y, const IMouseMod& mods) override;
    void MouseLeave() override;
    // The readout follows the value before the plug-in is told.
    void MarkDirty(bool pushToPlug) override;

    bool Hovered() const { return mHover; }

private:
    MyReadout* mReadout;
    IBitmapRef mBitmap;
    IBitmapRef mHoverBitmap;
    bool mHover = false;
};
