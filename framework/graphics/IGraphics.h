// The editor: its control list in drawing order, what must be redrawn, mouse and keyboard routing to
// the controls, the text-entry state machine, bitmap loading through the process-wide cache, and the
// drawing of controls into an off-screen back buffer. Platform layers (IGraphicsX11, IGraphicsWin,
// IGraphicsHeadless) put the back buffer on the screen and supply windows, menus, dialogs and folders.
//
// Threads: everything runs on the host's UI thread (the editor thread) except PushParamToControls,
// which any thread may call under the plug-in lock; it only records the value (lock-free, no allocation),
// and the next timer tick hands it to the controls. Editor actions that change plug-in state go through
// the plug-in (SetParamFromEditor and the instrument's calls), which take the plug-in lock.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/graphics/LICE.h"

class IPlugBase;

// Something that wants a call on every timer tick, after staged values reached the controls and
// before drawing (the panel applies the instrument's staged display changes there).
class IEditorTickListener {
public:
    // Editor thread, timer tick; may take the plug-in lock and allocate.
    virtual void EditorTick() = 0;

protected:
    ~IEditorTickListener() = default;
};

class IGraphics {
public:
    static constexpr int kMaxStagedParams = 128; // parameter ids the staging area holds (0..127)

    IGraphics(IPlugBase* plug, int width, int height, int fps = 25);
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;
    // Slot 22. The plug-in base's destructor (host UI thread), outside the plug-in lock. Platform layers
    // close their window first. Frees the controls and buffers.
    virtual ~IGraphics();

    IPlugBase* Plug() const { return mPlug; }
    // The panel's size in panel units; controls, their rectangles and the mouse routing use panel units.
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int FPS() const { return mFPS; }

    // ---- Scale: window pixels per panel unit (1, 1.5 or 2); editor thread ----

    // The scale the player chose (1, 1.5 or 2), or kAutoScale to follow the desktop; any other value
    // counts as kAutoScale. Takes effect at the next ApplyScalePreference.
    static constexpr double kAutoScale = 0.0;
    void SetScalePreference(double scale);
    double ScalePreference() const { return mScalePreference; }
    // While no window is open: the preferred scale, or the desktop's (PlatformDesktopScale) for
    // kAutoScale, becomes the scale. The platform calls it when the window opens, the plug-in when the
    // host asks for the editor's size. An open window keeps its scale.
    void ApplyScalePreference();
    // The scale now: drawing, the back buffer and the window follow it at once (every control redrawn,
    // images of the new scale decoded as they are drawn). Rounded to the nearest of 1, 1.5, 2.
    void SetScale(double scale);
    double Scale() const { return mScaleHalves / 2.0; }
    // The window's size in pixels.
    int WindowWidth() const { return ToPixels(mWidth); }
    int WindowHeight() const { return ToPixels(mHeight); }
    // Panel units to window pixels (a position, rounded half up) and back (the panel unit holding the
    // pixel); a rectangle becomes every pixel it touches.
    int ToPixels(int units) const;
    IRECT ToPixels(const IRECT& rect) const;
    int ToPanel(int pixels) const;

    // ---- Building (plug-in constructor, under the plug-in lock; allocate) ----

    // The cached bitmap for id, else the platform's decoding of resource id (added to the cache).
    IBitmapRef LoadBitmap(int id, const char* name, int frames = 1);
    // The background: an IBitmapControl over (0, 0, width, frame height), blend method 1, made the
    // first control.
    void AttachBackground(int id, const char* name);
    // Appends to the control list; the editor owns the control from then on. Answers its index.
    int AttachControl(IControl* control);
    int NControls() const { return static_cast<int>(mControls.size()); }
    IControl* GetControl(int index) const;
    void HandleMouseOver(bool on) { mHandleMouseOver = on; }
    void EnableTooltips(bool on) { mTooltipsEnabled = on; }
    bool TooltipsEnabled() const { return mTooltipsEnabled; }
    void SetStrictDrawing(bool on) { mStrictDrawing = on; }
    void SetKeyCatcher(IControl* control) { mKeyCatcher = control; }
    void AddTickListener(IEditorTickListener* listener) { mTickListeners.push_back(listener); }

    // ---- Values from the plug-in ----

    // Any thread, under the plug-in lock; allocates nothing, takes no further lock. A plain value is
    // first clamped to the parameter's range and normalised (ids the base defines); the value reaches
    // the controls bound to the parameter (AcceptPlugValue) and those listing it as auxiliary
    // (AcceptAuxValue) at the next timer tick. Ids outside 0..kMaxStagedParams-1 are dropped.
    void PushParamToControls(int index, double value, bool isNormalized);
    // The plug-in base at binding, under the plug-in lock (editor thread or constructor): at once.
    void AcceptParamOnBind(int index, double normalized);
    // Staged values to the controls now (the timer tick does this first). Editor thread.
    void ApplyStagedParams();
    // The plug-in base at binding, under the plug-in lock: the back buffer of the editor's size.
    void PrepareDraw();

    // ---- Drawing (editor thread) ----

    // The union of the draw rectangles of every control whose NeedsRedraw answers true; false when
    // nothing is dirty.
    bool IsDirty(IRECT* rect) const;
    // Paints every shown control whose draw rectangle meets rect, in list order, into the back buffer,
    // then takes every control's redraw request.
    void Draw(const IRECT& rect);
    // Every control marked dirty (window opened).
    void SetAllControlsDirty();
    // Frame `frame` (1..N) of bitmap into dest's top-left corner, clipped to the back buffer, with the
    // blend method and weight. An empty bitmap draws nothing.
    void DrawBitmap(const IBitmapRef& bitmap, const IRECT& dest, int frame, int blendMethod, float weight);
    LICE_SysBitmap& BackBuffer() { return mDrawBitmap; }
    const LICE_SysBitmap& BackBuffer() const { return mDrawBitmap; }

    // The timer tick (every 1000 / FPS ms on the editor thread, driven by the platform): staged values
    // to the controls, tick listeners, a pending text-entry commit or cancel, then the dirty rectangle
    // is drawn and handed to the platform (Invalidate). Answers whether anything was drawn.
    bool OnTimer();

    // ---- Input from the platform (editor thread; window pixels, divided by the scale here) ----

    void OnMouseDown(int x, int y, const IMouseMod& mods);
    void OnMouseUp(int x, int y, const IMouseMod& mods);
    // A move with a button held; dX, dY from the last position, a move of 0, 0 dropped.
    void OnMouseDrag(int x, int y, const IMouseMod& mods);
    // The second press of a double click: captured and framed by the host's begin and end of edit like
    // OnMouseDown; the release that follows goes to OnMouseUp.
    void OnMouseDblClick(int x, int y, const IMouseMod& mods);
    // A move without a button (only while mouse-over handling is on).
    void OnMouseOver(int x, int y, const IMouseMod& mods);
    // The pointer left the window: tooltip hidden, every control told MouseLeave.
    void OnMouseOut();
    // delta in notches (wheel amount / 120); cancels an open text entry.
    void OnMouseWheel(int x, int y, const IMouseMod& mods, int delta);
    // key as IControl::KeyDown numbers it; false when no control handled it (the platform passes it on).
    bool OnKeyDown(int x, int y, int key);
    // The control under panel position (x, y): the last shown, ungrayed one whose HitTest answers true;
    // -1 for none.
    int GetMouseControlIdx(int x, int y) const;
    int CapturedControl() const { return mMouseCapture; }
    int MouseOverControl() const { return mMouseOver; }

    // ---- Text entry ----

    enum TextEntryState { kEntryIdle = 0, kEntryOpen = 1, kEntryDrawn = 2, kEntryCancel = 3, kEntryCommit = 4 };
    // Slot 8. Opens the platform's text box over rect (one unit larger each way), pre-filled with
    // text, all selected; the box and its font are scaled to window pixels. control receives
    // AcceptTextEntry on commit.
    void OpenTextEntry(IControl* control, const IText& style, const IRECT& rect, const char* text);
    // Slot 2 and the platform's Enter: carried out at the next timer tick.
    void RequestCancelEntry() { if (mTextEntryState != kEntryIdle) mTextEntryState = kEntryCancel; }
    void RequestCommitEntry() { if (mTextEntryState != kEntryIdle) mTextEntryState = kEntryCommit; }
    // The platform's box took the focus.
    void TextEntryFocused() { if (mTextEntryState != kEntryIdle) mTextEntryState = kEntryOpen; }
    int TextEntryState() const { return mTextEntryState; }
    IControl* TextEntryControl() const { return mTextEntryControl; }
    static constexpr int kMaxEntryChars = 31; // a commit reads at most this many characters

    // ---- Platform services (slots of the platform layers) ----

    // Slot 6. A message box; answers the button pressed (1 OK/Yes, 0 No/cancel).
    virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
    // A message box whose answer (1 OK/Yes, 0 No/cancel) reaches answered on the editor thread, at once
    // or at a later tick (a box in its own process); answered may be empty. Default: ShowMessageBox,
    // answered at once.
    using MessageAnswered = std::function<void(int answer)>;
    virtual void AskMessageBox(const char* text, const char* caption, int type, MessageAnswered answered);
    // Slot 7. Shows the menu at rect's left-bottom corner (panel units; the platform scales it and its
    // font) and waits for a choice; answers the menu that holds the chosen item (its GetChosenItemIdx
    // set) or nullptr when dismissed.
    virtual IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const IRECT& rect) = 0;
    // Slots 9-12. Folders with a trailing separator; empty when unknown. Defaults: the plug-in's
    // folder from the module, the others unknown.
    virtual std::string HostFolder();
    virtual std::string PluginFolder();
    virtual std::string DesktopFolder();
    virtual std::string LocalAppDataFolder();
    // Slot 13. A file chooser; action 1 saves, any other opens. extensions is space separated, the
    // first one the default; an empty directory means the desktop folder. The answer arrives through
    // done(path, folder) on the editor thread, at once or at a later tick (a chooser in its own
    // process); a cancelled chooser answers an empty path. The folder is where the file was chosen.
    using FileChosen = std::function<void(const std::string& path, const std::string& folder)>;
    virtual void PromptForFile(int action, const std::string& directory, const std::string& extensions,
                               FileChosen done) = 0;
    // Slot 14. A colour chooser; false when cancelled or not available.
    virtual bool PromptForColor(unsigned* colour, const char* caption) { return false; }
    // Slot 15. With a confirm text the player must agree first; answers whether the URL was opened.
    virtual bool OpenUrl(const char* url, const char* caption, const char* confirm, const char* error);
    // Slots 23, 24.
    virtual void HideCursor() {}
    virtual void ShowCursor() {}

    // ---- Window (host UI thread, under the plug-in lock) ----

    // Slot 17. Opens the editor inside the host's parent window; answers the window or nullptr.
    virtual void* OpenWindow(void* parent) = 0;
    // Slot 20. Closes the window; the editor and its controls stay.
    virtual void CloseWindow() = 0;
    // Slot 21.
    virtual void* WindowHandle() = 0;
    // The host's editor-idle call (host UI thread, outside the plug-in lock, like a window's own
    // message loop): platforms that run their own event handling from it do so and tick at the redraw
    // rate. Default: nothing.
    virtual void Idle() {}

protected:
    // The platform shows rect of the back buffer (Slot 0's blit, or an invalidation that leads to it).
    virtual void Invalidate(const IRECT& rect) {}
    // Slot 26. The PNG resource id as a bitmap; nullptr when missing or not a PNG name. Default: the
    // images embedded in the library.
    virtual std::unique_ptr<LICE_MemBitmap> LoadResourceBitmap(int id, const char* name);
    // The platform's text box: open it, read its text, close it.
    virtual void PlatformOpenTextEntry(const IText& style, const IRECT& rect, const char* text) = 0;
    virtual std::string PlatformTextEntryText() = 0;
    virtual void PlatformCloseTextEntry() = 0;
    // The hovered control's tooltip text (nullptr to hide) at window pixel (x, y).
    virtual void PlatformShowTooltip(const char* text, int x, int y) {}
    // The desktop's pixels per panel unit for kAutoScale (its DPI / 96); editor thread, window closed.
    // Default: 1.
    virtual double PlatformDesktopScale() { return 1.0; }

private:
    void CloseTextEntry(bool commit);
    // What every press does before the control hears of it (tooltip off, entry cancelled, capture, the
    // host's begin of edit); answers the control pressed, nullptr for none.
    IControl* BeginPress(int x, int y);
    void ReleaseCapture(int x, int y, const IMouseMod& mods);
    // The image of bitmap at the scale now (decoded on first use); the 1x image when the library
    // carries none for the scale.
    const LICE_IBitmap* ImageAtScale(const IBitmapRef& bitmap);

    IPlugBase* mPlug;
    int mWidth;
    int mHeight;
    int mFPS;
    int mScaleHalves = 2; // the scale in half steps: 2, 3 or 4
    double mScalePreference = kAutoScale;
    // Names of the loaded images by id, and the images of the scale now by 1x id.
    std::vector<std::pair<int, std::string>> mBitmapNames;
    std::vector<std::pair<int, const LICE_IBitmap*>> mScaledImages;
    std::vector<std::unique_ptr<IControl>> mControls;
    std::vector<IEditorTickListener*> mTickListeners;
    LICE_SysBitmap mDrawBitmap;
    LICE_MemBitmap mTmpBitmap;
    IRECT mClip{0, 0, 0, 0}; // where DrawBitmap may draw (the rectangle being drawn)
    int mMouseCapture = -1;
    int mMouseX = 0;
    int mMouseY = 0;
    int mMouseOver = -1;
    int mTooltipIdx = -1;
    bool mHandleMouseOver = false;
    bool mStrictDrawing = true;
    bool mTooltipsEnabled = false;
    IControl* mKeyCatcher = nullptr;
    int mTextEntryState = kEntryIdle;
    IControl* mTextEntryControl = nullptr;

    // Values staged by PushParamToControls for the next tick.
    std::atomic<double> mStagedValue[kMaxStagedParams];
    std::atomic<bool> mStaged[kMaxStagedParams];
    std::atomic<bool> mAnyStaged{false};
};

// The scale nearest to factor among 1, 1.5 and 2 (1 for a factor that is not a positive number).
double NearestPanelScale(double factor);
// The resource id of the image for 1x id at scale (1.5: id + 1000, 2: id + 2000).
int ScaledResourceId(int id, double scale);

// The process-wide cache of decoded bitmaps, by resource id; its own lock. Emptied when the library
// unloads (and by tests).
const LICE_IBitmap* BitmapCacheFind(int id);
// Stores bitmap for id unless one is there already; answers the one kept.
const LICE_IBitmap* BitmapCacheAdd(int id, std::unique_ptr<LICE_MemBitmap> bitmap);
void BitmapCacheClear();
int BitmapCacheSize();
