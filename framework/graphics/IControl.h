// The editor's controls as the graphics layer sees them: a rectangle that draws itself from a bitmap
// strip, takes the mouse and passes value changes to the plug-in; and the framework's generic controls
// (bitmap, switch, contact, overlay, knob).
//
// Every virtual runs on the editor's UI thread (the host's UI thread), from the graphics layer's mouse
// routing, timer tick or parameter hand-over; none takes a lock itself except through the plug-in calls
// (SetParamFromEditor takes the plug-in lock). None allocates unless it says so.
#pragma once

#include <string>
#include <vector>

#include "framework/graphics/IRect.h"

class IGraphics;
class IPlugBase;
class LICE_IBitmap;

// The mouse modifiers passed to every mouse call.
struct IMouseMod {
    bool L = false, R = false, S = false, C = false, A = false;
};

// A strip of N frames stacked vertically, each H / N pixels high; frames are numbered 1..N. The image is
// owned by the process-wide bitmap cache; an empty reference draws nothing. W and H are panel units (the
// 1x image's pixels); at a larger scale the editor draws the same resource's image for that scale.
struct IBitmapRef {
    const LICE_IBitmap* image = nullptr;
    int W = 0;
    int H = 0;
    int N = 1;
    int id = 0; // the resource id of the 1x image

    int FrameHeight() const { return N > 0 ? H / N : H; }
    bool Empty() const { return image == nullptr; }
};

// A text style (face, size, colour, alignment, weight). No control of this editor draws text with it;
// the name entry takes its face and size.
struct IText {
    enum Align { kAlignNear, kAlignCenter, kAlignFar };
    std::string font = "Verdana";
    int size = 14;
    unsigned colour = 0xFF000000;
    Align align = kAlignNear;
    bool bold = false;
    bool italic = false;
};

// The frame of a strip for a normalised value: truncate((N - 1) * value + 0.5) + 1, within 1..N.
int FrameForValue(int frames, double value);

class IControl {
public:
    // The owner is the plug-in object; paramIdx -1 binds the control to no parameter.
    IControl(IPlugBase* owner, const IRECT& rect, int paramIdx = -1, int blendMethod = 0);
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // Slot 0. The editor's destructor (host UI thread) or the panel that owns a control outside the list.
    virtual ~IControl() = default;
    // Slots 1-8: mouse and keyboard from the routing of IGraphics (UI thread).
    virtual void MouseDown(int x, int y, const IMouseMod& mods) {}
    virtual void MouseUp(int x, int y, const IMouseMod& mods) {}
    virtual void MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods) {}
    // With a default value set: back to it, told to the plug-in.
    virtual void MouseDoubleClick(int x, int y, const IMouseMod& mods);
    // value += delta * 0.01 (0.001 with shift or control), told to the plug-in.
    virtual void MouseWheel(int x, int y, const IMouseMod& mods, int delta);
    // Key codes: space 0, up 1, down 2, left 3, right 4, digits 5-14, letters 15-40. True when handled.
    virtual bool KeyDown(int x, int y, int key) { return false; }
    virtual void MouseEnter(int x, int y, const IMouseMod& mods) {}
    virtual void MouseLeave() {}
    // Slot 9. The drawing pass of IGraphics (UI thread): draws into the back buffer.
    virtual void Paint(IGraphics& graphics) = 0;
    // Slot 10. A value from the plug-in (binding, automation, program loads), UI thread. The first value
    // also becomes the default.
    virtual void AcceptPlugValue(double normalized);
    // Slot 11. The committed text of a text entry this control opened (UI thread timer tick).
    virtual void AcceptTextEntry(const char* text) {}
    // Slots 12, 13. Page switches and the instrument (UI thread).
    virtual void SetHidden(bool hidden);
    virtual void SetGrayed(bool grayed);
    // Slot 14. Whether (x, y) takes the mouse: inside a hit rectangle that is not all zero.
    virtual bool HitTest(int x, int y) const;
    // Slot 15. Clamps the value and marks the control for drawing; with pushToPlug, a bound control
    // tells the plug-in (SetParamFromEditor, which takes the plug-in lock).
    virtual void MarkDirty(bool pushToPlug);
    // Slot 16. Answers and clears the redraw request, which becomes the dirty flag.
    virtual bool TakeRedrawRequest();
    // Slot 17. Whether the control must be drawn again.
    virtual bool NeedsRedraw() const { return mDirty; }
    // Slot 18. Unused hook, kept for the slot order.
    virtual void ReservedHook18() {}
    // Slot 19. The value of auxiliary parameter auxIndex from the plug-in.
    virtual void AcceptAuxValue(int auxIndex, double normalized);

    // Set by IGraphics::AttachControl (and by owners that keep a control outside the list).
    void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
    IGraphics* Graphics() const { return mGraphics; }
    IPlugBase* Owner() const { return mPlug; }

    int ParamIdx() const { return mParamIdx; }
    // The parameter whose edit gesture (begin and end edit) the host hears of while the mouse holds
    // this control: its own, or, for a member of a group that sets a parameter for it, the group's.
    int EditParamIdx() const { return mEditParamIdx >= 0 ? mEditParamIdx : mParamIdx; }
    void SetEditParamIdx(int paramIdx) { mEditParamIdx = paramIdx; }
    double Value() const { return mValue; }
    void SetValue(double value) { mValue = value; }
    double DefaultValue() const { return mDefaultValue; }
    const IRECT& DrawRect() const { return mRect; }
    const IRECT& HitRect() const { return mTargetRect; }
    void SetHitRect(const IRECT& rect) { mTargetRect = rect; }
    bool IsHidden() const { return mHidden; }
    bool IsGrayed() const { return mGrayed; }
    bool IsDirty() const { return mDirty; }
    void SetDirtyFlag(bool dirty) { mDirty = dirty; }
    void RequestRedraw() { mRedraw = true; }
    int BlendMethod() const { return mBlendMethod; }
    float BlendWeight() const { return mBlendWeight; }

    struct AuxParam {
        double value = 0.0;
        int paramIdx = -1;
    };
    void AddAuxParam(int paramIdx) { mAuxParams.push_back({0.0, paramIdx}); }
    const std::vector<AuxParam>& AuxParams() const { return mAuxParams; }

    const char* Tooltip() const { return mTooltip; }
    void SetTooltip(const char* text) { mTooltip = text; }

    // Readouts that mirror the value text and the name (this editor sets none).
    void SetValueDisplayControl(IControl* control) { mValueDisplay = control; }
    void SetNameDisplayControl(IControl* control) { mNameDisplay = control; }

protected:
    IPlugBase* mPlug;
    IGraphics* mGraphics = nullptr;
    IRECT mRect;
    IRECT mTargetRect;
    int mParamIdx;
    int mEditParamIdx = -1;
    std::vector<AuxParam> mAuxParams;
    double mValue = 0.0;
    double mDefaultValue = -1.0;
    double mClampLo = 0.0;
    double mClampHi = 1.0;
    bool mDirty = true;
    bool mHidden = false;
    bool mGrayed = false;
    bool mRedraw = false;
    int mBlendMethod;
    float mBlendWeight = 1.0f;
    IText mText;
    IControl* mValueDisplay = nullptr;
    IControl* mNameDisplay = nullptr;
    const char* mTooltip = nullptr;
};

// A control that shows one frame of a bitmap strip for its value.
class IBitmapControl : public IControl {
public:
    IBitmapControl(IPlugBase* owner, int x, int y, int paramIdx, const IBitmapRef& bitmap, int blendMethod = 0);
    IBitmapControl(IPlugBase* owner, int x, int y, const IBitmapRef& bitmap);
    // Frame FrameForValue(N, value) into the draw rectangle with the blend.
    void Paint(IGraphics& graphics) override;

    const IBitmapRef& Bitmap() const { return mBitmap; }
    void SetBitmap(const IBitmapRef& bitmap) { mBitmap = bitmap; }

protected:
    IBitmapRef mBitmap;
};

class ISwitchControl : public IBitmapControl {
public:
    using IBitmapControl::IBitmapControl;
};

class IContactControl : public ISwitchControl {
public:
    using ISwitchControl::ISwitchControl;
};

// A bitmap that shows itself on a click in its trigger rectangle and hides itself on a click on it.
class IBitmapOverlayControl : public ISwitchControl {
public:
    IBitmapOverlayControl(IPlugBase* owner, int x, int y, int paramIdx, const IBitmapRef& bitmap,
                          const IRECT& triggerRect);
    IBitmapOverlayControl(IPlugBase* owner, int x, int y, const IBitmapRef& bitmap, const IRECT& triggerRect);
    // Steps the value by 1 / (N - 1) (1 when N < 2), wrapping to 0 above 1.001; told to the plug-in.
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override;
    // Shown (and hit on itself) from value 0.5; below, nothing drawn and hit on the trigger rectangle.
    void Paint(IGraphics& graphics) override;
    bool HitTest(int x, int y) const override;

private:
    IRECT mTriggerRect;
};

// The step of a clicked multi-frame button: value + 1 / (N - 1) (1 when N < 2), 0 above 1.001.
double NextSwitchValue(double value, int frames);

class IKnobControl : public IControl {
public:
    enum Direction { kVertical, kHorizontal };
    IKnobControl(IPlugBase* owner, const IRECT& rect, int paramIdx, Direction direction = kVertical,
                 double gearing = 4.0)
        : IControl(owner, rect, paramIdx), mDirection(direction), mGearing(gearing)
    {
    }

protected:
    Direction mDirection;
    double mGearing;
};
