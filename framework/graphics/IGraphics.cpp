// The editor core: control list, staged values, dirty rectangles, drawing, mouse and keyboard routing
// and the text-entry state machine.
#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

#include "framework/plugin/IParameter.h"
#include "framework/plugin/IPlugBase.h"

IGraphics::IGraphics(IPlugBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 25)
{
    for (int i = 0; i < kMaxStagedParams; ++i) {
        mStagedValue[i].store(0.0, std::memory_order_relaxed);
        mStaged[i].store(false, std::memory_order_relaxed);
    }
}

IGraphics::~IGraphics() = default;

IBitmapRef IGraphics::LoadBitmap(int id, const char* name, int frames)
{
    const LICE_IBitmap* image = BitmapCacheFind(id);
    if (!image) {
        std::unique_ptr<LICE_MemBitmap> decoded = LoadResourceBitmap(id, name);
        if (decoded)
            image = BitmapCacheAdd(id, std::move(decoded));
    }
    if (!image)
        return {};
    return {image, image->Width(), image->Height(), frames > 0 ? frames : 1};
}

void IGraphics::AttachBackground(int id, const char* name)
{
    auto background = std::make_unique<IBitmapControl>(mPlug, 0, 0, -1, LoadBitmap(id, name, 1), kBlendCopy);
    background->SetGraphics(this);
    mControls.insert(mControls.begin(), std::move(background));
}

int IGraphics::AttachControl(IControl* control)
{
    control->SetGraphics(this);
    mControls.emplace_back(control);
    return NControls() - 1;
}

IControl* IGraphics::GetControl(int index) const
{
    return index >= 0 && index < NControls() ? mControls[static_cast<size_t>(index)].get() : nullptr;
}

// ---- Values from the plug-in ----

void IGraphics::PushParamToControls(int index, double value, bool isNormalized)
{
    if (index < 0 || index >= kMaxStagedParams || !std::isfinite(value))
        return;
    if (!isNormalized) {
        const IParameter* param = mPlug ? mPlug->GetParam(index) : nullptr;
        if (!param)
            return;
        value = param->ToNormalized(value);
    }
    mStagedValue[index].store(value, std::memory_order_relaxed);
    mStaged[index].store(true, std::memory_order_release);
    mAnyStaged.store(true, std::memory_order_release);
}

void IGraphics::AcceptParamOnBind(int index, double normalized)
{
    for (auto& control : mControls) {
        if (control->ParamIdx() == index)
            control->AcceptPlugValue(normalized);
        const auto& aux = control->AuxParams();
        for (size_t k = 0; k < aux.size(); ++k) {
            if (aux[k].paramIdx == index)
                control->AcceptAuxValue(static_cast<int>(k), normalized);
        }
    }
}

void IGraphics::ApplyStagedParams()
{
    if (!mAnyStaged.exchange(false, std::memory_order_acquire))
        return;
    for (int i = 0; i < kMaxStagedParams; ++i) {
        if (mStaged[i].exchange(false, std::memory_order_acquire))
            AcceptParamOnBind(i, mStagedValue[i].load(std::memory_order_relaxed));
    }
}

void IGraphics::PrepareDraw()
{
    mDrawBitmap.Resize(mWidth, mHeight);
    mTmpBitmap.Resize(mWidth, mHeight);
    mClip = {0, 0, mWidth, mHeight};
}

// ---- Drawing ----

bool IGraphics::IsDirty(IRECT* rect) const
{
    IRECT dirty;
    for (const auto& control : mControls) {
        if (control->NeedsRedraw())
            dirty = dirty.Union(control->DrawRect());
    }
    *rect = dirty.Intersect({0, 0, mWidth, mHeight});
    return !rect->Empty();
}

void IGraphics::Draw(const IRECT& rect)
{
    // Strict drawing clips every control to the rectangle, so a control that reaches beyond it never
    // blends twice over pixels that were not drawn again beneath it.
    mClip = mStrictDrawing ? rect.Intersect({0, 0, mWidth, mHeight}) : IRECT{0, 0, mWidth, mHeight};
    for (auto& control : mControls) {
        if (!control->IsHidden() && control->DrawRect().Intersects(rect))
            control->Paint(*this);
    }
    for (auto& control : mControls)
        control->TakeRedrawRequest();
    mClip = {0, 0, mWidth, mHeight};
}

void IGraphics::SetAllControlsDirty()
{
    for (auto& control : mControls)
        control->SetDirtyFlag(true);
}

void IGraphics::DrawBitmap(const IBitmapRef& bitmap, const IRECT& dest, int frame, int blendMethod, float weight)
{
    if (bitmap.Empty() || !mDrawBitmap.Bits())
        return;
    const int h = bitmap.FrameHeight();
    const int f = std::clamp(frame, 1, std::max(bitmap.N, 1));
    // The frame's rectangle in the strip, placed at dest's corner and clipped to the drawing clip.
    const IRECT placed = IRECT{dest.L, dest.T, dest.L + bitmap.W, dest.T + h}.Intersect(mClip);
    if (placed.W() <= 0 || placed.H() <= 0)
        return;
    const int top = (f - 1) * h;
    const IRECT from{placed.L - dest.L, top + placed.T - dest.T, placed.R - dest.L, top + placed.B - dest.T};
    LICE_Blit(mDrawBitmap, *bitmap.image, placed.L, placed.T, from, blendMethod, weight);
}

bool IGraphics::OnTimer()
{
    ApplyStagedParams();
    for (IEditorTickListener* listener : mTickListeners)
        listener->EditorTick();
    if (mTextEntryState == kEntryCommit)
        CloseTextEntry(true);
    else if (mTextEntryState == kEntryCancel)
        CloseTextEntry(false);

    IRECT dirty;
    if (!IsDirty(&dirty))
        return false;
    Draw(dirty);
    if (mTextEntryState == kEntryOpen)
        mTextEntryState = kEntryDrawn;
    Invalidate(dirty);
    return true;
}

// ---- Mouse and keyboard ----

int IGraphics::GetMouseControlIdx(int x, int y) const
{
    for (int i = NControls() - 1; i >= 0; --i) {
        const IControl* control = mControls[static_cast<size_t>(i)].get();
        if (!control->IsHidden() && !control->IsGrayed() && control->HitTest(x, y))
            return i;
    }
    return -1;
}

namespace {

// The host hears of edits only for the parameters it knows.
bool HostKnows(IPlugBase* plug, int index) { return plug && index >= 0 && index < plug->NParams(); }

} // namespace

IControl* IGraphics::BeginPress(int x, int y)
{
    PlatformShowTooltip(nullptr, x, y);
    mTooltipIdx = -1;
    if (mTextEntryState != kEntryIdle)
        CloseTextEntry(false);
    mMouseX = x;
    mMouseY = y;
    const int c = GetMouseControlIdx(x, y);
    mMouseCapture = c;
    IControl* control = GetControl(c);
    if (control && HostKnows(mPlug, control->EditParamIdx())) {
        IPlugBase::LockGuard lock(mPlug->Mutex());
        mPlug->HostBeginEdit(control->EditParamIdx());
    }
    return control;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mods)
{
    if (IControl* control = BeginPress(x, y))
        control->MouseDown(x, y, mods);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mods)
{
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    mMouseCapture = -1;
    IControl* control = GetControl(c);
    if (!control)
        return;
    control->MouseUp(x, y, mods);
    if (HostKnows(mPlug, control->EditParamIdx())) {
        IPlugBase::LockGuard lock(mPlug->Mutex());
        mPlug->HostEndEdit(control->EditParamIdx());
    }
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseMod& mods)
{
    if (mMouseCapture < 0 || mTextEntryState != kEntryIdle)
        return;
    const int dX = x - mMouseX;
    const int dY = y - mMouseY;
    if (dX == 0 && dY == 0)
        return;
    mMouseX = x;
    mMouseY = y;
    if (IControl* control = GetControl(mMouseCapture))
        control->MouseDrag(x, y, dX, dY, mods);
}

void IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mods)
{
    // The second press of a double click is a press like any other: it captures the control and opens
    // the host's edit gesture, which its release (OnMouseUp) closes.
    if (IControl* control = BeginPress(x, y))
        control->MouseDoubleClick(x, y, mods);
}

void IGraphics::OnMouseOver(int x, int y, const IMouseMod& mods)
{
    if (!mHandleMouseOver)
        return;
    const int c = GetMouseControlIdx(x, y);
    if (c != mMouseOver) {
        if (IControl* previous = GetControl(mMouseOver))
            previous->MouseLeave();
        mMouseOver = c;
        if (mTooltipsEnabled && c != mTooltipIdx) {
            mTooltipIdx = c;
            IControl* control = GetControl(c);
            PlatformShowTooltip(control ? control->Tooltip() : nullptr, x, y);
        }
    }
    if (IControl* control = GetControl(c))
        control->MouseEnter(x, y, mods);
}

void IGraphics::OnMouseOut()
{
    PlatformShowTooltip(nullptr, mMouseX, mMouseY);
    mTooltipIdx = -1;
    for (auto& control : mControls)
        control->MouseLeave();
    mMouseOver = -1;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mods, int delta)
{
    if (mTextEntryState != kEntryIdle) {
        CloseTextEntry(false);
        return;
    }
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (IControl* control = GetControl(c))
        control->MouseWheel(x, y, mods, delta);
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
    IControl* control = mKeyCatcher ? mKeyCatcher : GetControl(GetMouseControlIdx(x, y));
    return control && control->KeyDown(x, y, key);
}

// ---- Text entry ----

void IGraphics::OpenTextEntry(IControl* control, const IText& style, const IRECT& rect, const char* text)
{
    if (mTextEntryState != kEntryIdle)
        CloseTextEntry(false);
    mTextEntryControl = control;
    mTextEntryState = kEntryOpen;
    const IRECT box{rect.L - 1, rect.T - 1, rect.R + 1, rect.B + 1};
    PlatformOpenTextEntry(style, box, text ? text : "");
}

void IGraphics::CloseTextEntry(bool commit)
{
    IControl* control = mTextEntryControl;
    std::string text = commit ? PlatformTextEntryText() : std::string();
    PlatformCloseTextEntry();
    mTextEntryState = kEntryIdle;
    mTextEntryControl = nullptr;
    if (commit && control) {
        if (text.size() > kMaxEntryChars)
            text.resize(kMaxEntryChars);
        control->AcceptTextEntry(text.c_str());
    }
}
