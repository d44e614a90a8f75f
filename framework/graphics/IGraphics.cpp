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
    if (name && std::none_of(mBitmapNames.begin(), mBitmapNames.end(), [id](const auto& known) { return known.first == id; }))
        mBitmapNames.emplace_back(id, name);
    return {image, image->Width(), image->Height(), frames > 0 ? frames : 1, id};
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
    mDrawBitmap.Resize(WindowWidth(), WindowHeight());
    mTmpBitmap.Resize(WindowWidth(), WindowHeight());
    mClip = {0, 0, WindowWidth(), WindowHeight()};
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
    const IRECT window{0, 0, WindowWidth(), WindowHeight()};
    mClip = mStrictDrawing ? ToPixels(rect).Intersect(window) : window;
    for (auto& control : mControls) {
        if (!control->IsHidden() && control->DrawRect().Intersects(rect))
            control->Paint(*this);
    }
    for (auto& control : mControls)
        control->TakeRedrawRequest();
    mClip = window;
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
    // At 1x the reference's own sizes; at a larger scale those of the scale's image, whose frames are
    // the 1x frames drawn larger.
    const LICE_IBitmap* image = ImageAtScale(bitmap);
    const int n = std::max(bitmap.N, 1);
    const bool native = mScaleHalves == 2;
    const int w = native ? bitmap.W : image->Width();
    const int h = native ? bitmap.FrameHeight() : image->Height() / n;
    const int f = std::clamp(frame, 1, n);
    // The frame's rectangle in the strip, placed at dest's corner and clipped to the drawing clip.
    const int x = ToPixels(dest.L);
    const int y = ToPixels(dest.T);
    const IRECT placed = IRECT{x, y, x + w, y + h}.Intersect(mClip);
    if (placed.W() <= 0 || placed.H() <= 0)
        return;
    const int top = (f - 1) * h;
    const IRECT from{placed.L - x, top + placed.T - y, placed.R - x, top + placed.B - y};
    LICE_Blit(mDrawBitmap, *image, placed.L, placed.T, from, blendMethod, weight);
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
    Invalidate(ToPixels(dirty));
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
    PlatformShowTooltip(nullptr, ToPixels(x), ToPixels(y));
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
    x = ToPanel(x);
    y = ToPanel(y);
    if (IControl* control = BeginPress(x, y))
        control->MouseDown(x, y, mods);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mods)
{
    x = ToPanel(x);
    y = ToPanel(y);
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
    // Moves are measured in panel units, so a drag changes a value as much for the same hand movement
    // over the panel at any scale.
    x = ToPanel(x);
    y = ToPanel(y);
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
    x = ToPanel(x);
    y = ToPanel(y);
    if (IControl* control = BeginPress(x, y))
        control->MouseDoubleClick(x, y, mods);
}

void IGraphics::OnMouseOver(int x, int y, const IMouseMod& mods)
{
    if (!mHandleMouseOver)
        return;
    const int windowX = x;
    const int windowY = y;
    x = ToPanel(x);
    y = ToPanel(y);
    const int c = GetMouseControlIdx(x, y);
    if (c != mMouseOver) {
        if (IControl* previous = GetControl(mMouseOver))
            previous->MouseLeave();
        mMouseOver = c;
        if (mTooltipsEnabled && c != mTooltipIdx) {
            mTooltipIdx = c;
            IControl* control = GetControl(c);
            PlatformShowTooltip(control ? control->Tooltip() : nullptr, windowX, windowY);
        }
    }
    if (IControl* control = GetControl(c))
        control->MouseEnter(x, y, mods);
}

void IGraphics::OnMouseOut()
{
    PlatformShowTooltip(nullptr, ToPixels(mMouseX), ToPixels(mMouseY));
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
    x = ToPanel(x);
    y = ToPanel(y);
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (IControl* control = GetControl(c))
        control->MouseWheel(x, y, mods, delta);
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
    x = ToPanel(x);
    y = ToPanel(y);
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
    IText scaled = style;
    scaled.size = ToPixels(style.size);
    PlatformOpenTextEntry(scaled, ToPixels(box), text ? text : "");
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
