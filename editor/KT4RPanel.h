// The instrument's panel: it fills an editor with the controls of every parameter, the key-assign
// and page buttons, the program buttons and readouts, the four right-hand pages and the about box,
// and it is the instrument's view of the panel (KT4RView).
//
// The instrument tells the view what changed from any thread, under the plug-in lock; the view only
// records it in atomics (no allocation, no lock). At the editor's next tick (editor thread) the panel
// takes the plug-in lock briefly to read the program number, name and marks, and brings pages,
// readouts and the learn displays up to date.
//
// The panel rides in the editor's control list as a control with an empty rectangle (never hit, never
// drawn), so that the editor owns it together with the controls it built.
#pragma once

#include <array>
#include <atomic>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "editor/EditorPage.h"
#include "editor/PanelLayout.h"
#include "framework/graphics/IGraphics.h"
#include "instrument/KT4RView.h"

class KT4R;
class MasterReadout;
class MyButtonGroup;
class MyReadout;
class MyProgNumReadout;
class MyProgNameReadout;
class MyVSlider;
class PanelScaleChooser;

class KT4RPanel final : public IControl, public KT4RView, public IEditorTickListener {
public:
    static constexpr int kMasterReadoutLimit = 81; // ids the master readout shows

    // Plug-in constructor, under the plug-in lock: fills graphics (the editor the instrument binds),
    // answers it and sets *view to the panel. Null graphics answers null.
    static IGraphics* Build(KT4R& plug, IGraphics* graphics, KT4RView** view);
    // The panel inside an editor Build filled; null for any other editor.
    static KT4RPanel* Find(const IGraphics& graphics);

    // ---- KT4RView: any thread, under the plug-in lock; record only ----

    void ProgramDisplayChanged() override;
    void WriteIndicationChanged() override;
    void ShowPage(int page) override;
    void ShowParamInReadout(int id) override;
    void ShowLearnPage(bool armed) override;
    void ShowLearnController(int32_t key) override;
    void ShowLearnParam(int id, double min, double max) override;

    // ---- Editor thread ----

    // Applies what the instrument recorded.
    void EditorTick() override;
    void Paint(IGraphics& graphics) override {}
    // Shows page (0 "Standard", 1 "Settings", 2 "Midi", 3 "MidiLearn") and hides the other three.
    void ShowPageNow(int page);

    // ---- What the panel holds (editor thread) ----

    int ShownPage() const { return mShownPage; }
    const EditorPage& Page(int page) const { return mPages[static_cast<size_t>(page)]; }
    // The control that edits id (the key-assign group for 51); null for ids without one.
    IControl* ControlFor(int id) const;
    MasterReadout& Master() const { return *mMaster; }
    MyReadout& LearnParamReadout() const { return *mLearnParam; }
    MyReadout& LearnControllerReadout() const { return *mLearnDisplay; }
    MyProgNumReadout& ProgramNumber() const { return *mProgNum; }
    MyProgNameReadout& ProgramName() const { return *mProgName; }
    MyButtonGroup& KeyAssignGroup() const { return *mKeyAssign; }
    MyButtonGroup& PageGroup() const { return *mPageGroup; }
    IControl& AboutBox() const { return *mAboutBox; }
    PanelScaleChooser& ScaleChooser() const { return *mScaleChooser; }
    int VoiceLayoutMode() const { return mVoiceLayout; }

private:
    KT4RPanel(KT4R& plug, IGraphics& graphics);
    void BuildPanel();
    void LoadImages();
    IBitmapRef Bitmap(int id) const;
    MyVSlider* MakeSlider(int id, int positions, int x, int y);
    IControl* MakeKnob(int id, int x, int y, int image, int hoverImage);
    void FillPages();
    void BuildKeyAssignGroup();
    void BuildPageGroup();
    void BuildTopRow();
    void BuildProgramReadouts();
    void BuildAboutBox();
    void ApplyLearnDisplays();
    void ApplyProgramDisplay();

    KT4R& mKT4R;
    IGraphics& mGraphics;
    int mVoiceLayout;
    IText mTextStyle;
    std::array<EditorPage, panel::kPages> mPages;
    std::vector<std::pair<int, IBitmapRef>> mBitmaps;
    std::vector<IControl*> mParamControls; // by id, 0..97; owned by the editor's list
    MasterReadout* mMaster = nullptr;
    MyReadout* mLearnParam = nullptr;
    MyReadout* mLearnDisplay = nullptr;
    MyProgNumReadout* mProgNum = nullptr;
    MyProgNameReadout* mProgName = nullptr;
    MyButtonGroup* mKeyAssign = nullptr;
    std::unique_ptr<MyButtonGroup> mPageGroup; // the panel's own: not in the editor's list
    IControl* mAboutBox = nullptr;
    PanelScaleChooser* mScaleChooser = nullptr;
    std::string mVersionText;
    int mShownPage = panel::kStandardPage;

    // What the instrument recorded for the next tick.
    static constexpr int kNothing = INT_MIN;
    std::atomic<bool> mProgramDisplayPending{true};
    std::atomic<int> mPagePending{kNothing};
    std::atomic<int> mReadoutPending{kNothing};
    std::atomic<int> mLearnArmPending{kNothing}; // 1 armed, 0 left
    std::atomic<int32_t> mLearnKeyPending{kNothing};
    std::atomic<int> mLearnParamPending{kNothing};
    std::atomic<double> mLearnMin{0.0};
    std::atomic<double> mLearnMax{1.0};
};
