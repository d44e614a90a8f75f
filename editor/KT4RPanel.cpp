// Building the panel: the images, the readouts, the controls of every parameter, the pages, the
// button groups, the program buttons and readouts and the about box, in drawing order.
#include "editor/KT4RPanel.h"

#include <algorithm>
#include <cstdio>

#include "editor/MyButtonGroup.h"
#include "editor/MyButtons.h"
#include "editor/MyKnob.h"
#include "editor/MyReadout.h"
#include "editor/MyVSlider.h"
#include "editor/PanelScaleChooser.h"
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"

using namespace panel;

namespace {

constexpr MyVSlider::Insets kSliderInsets{5, 2, 5, 15};
constexpr int kKeyAssignId = 51;
constexpr int kPageId = 71;
constexpr int kVoicesId = 67;
constexpr int kDigitCellsMaster = 27;
constexpr int kDigitCellsLearn = 15;
constexpr int kDigitCellsNumber = 5;
constexpr int kDigitCellsName = 21;
constexpr int kParamIds = kt4r::kLastParamId + 1;
constexpr int kTopRowY = 79;
// The readouts' top edge: the logo's click area ends there so that the name readout below it keeps
// its own clicks.
constexpr int kReadoutTop = 64;

int TrackImageFor(int positions)
{
    switch (positions) {
    case 4: return kSliderTrack4;
    case 3: return kSliderTrack3;
    case 2: return kSliderTrack2;
    default: return kSliderTrack;
    }
}

} // namespace

KT4RPanel::KT4RPanel(KT4R& plug, IGraphics& graphics)
    : IControl(&plug, IRECT()), mKT4R(plug), mGraphics(graphics), mVoiceLayout(plug.VoiceLayoutMode()),
      mPages{EditorPage("Standard"), EditorPage("Settings"), EditorPage("Midi"), EditorPage("MidiLearn")},
      mParamControls(kParamIds, nullptr)
{
}

IGraphics* KT4RPanel::Build(KT4R& plug, IGraphics* graphics, KT4RView** view)
{
    if (!graphics)
        return nullptr;
    auto* panel = new KT4RPanel(plug, *graphics);
    panel->BuildPanel();
    graphics->AttachControl(panel);
    graphics->AddTickListener(panel);
    if (view)
        *view = panel;
    return graphics;
}

KT4RPanel* KT4RPanel::Find(const IGraphics& graphics)
{
    for (int i = graphics.NControls() - 1; i >= 0; --i) {
        if (auto* panel = dynamic_cast<KT4RPanel*>(graphics.GetControl(i)))
            return panel;
    }
    return nullptr;
}

IControl* KT4RPanel::ControlFor(int id) const
{
    return id >= 0 && id < kParamIds ? mParamControls[static_cast<size_t>(id)] : nullptr;
}

void KT4RPanel::LoadImages()
{
    for (const Image& image : Images())
        mBitmaps.emplace_back(image.id, mGraphics.LoadBitmap(image.id, image.name, image.frames));
}

IBitmapRef KT4RPanel::Bitmap(int id) const
{
    for (const auto& [imageId, bitmap] : mBitmaps) {
        if (imageId == id)
            return bitmap;
    }
    return {};
}

MyVSlider* KT4RPanel::MakeSlider(int id, int positions, int x, int y)
{
    auto* slider = new MyVSlider(mKT4R, x, y, id, mMaster, Bitmap(TrackImageFor(positions)), Bitmap(kSliderHandle),
                                 Bitmap(kSliderHandleHover), kSliderInsets, positions);
    mParamControls[static_cast<size_t>(id)] = slider;
    return slider;
}

IControl* KT4RPanel::MakeKnob(int id, int x, int y, int image, int hoverImage)
{
    auto* knob = new MyKnob(mKT4R, x, y, id, mMaster, Bitmap(image), Bitmap(hoverImage));
    mParamControls[static_cast<size_t>(id)] = knob;
    return knob;
}

void KT4RPanel::BuildPanel()
{
    mGraphics.AttachBackground(kBackground, "resources/img/background_main.png");
    // A text style for the panel; no control draws text with it.
    mTextStyle.font = "Arial";
    mTextStyle.size = 12;
    LoadImages();

    mMaster = new MasterReadout(mKT4R, mGraphics, 477, 88, kDigitCellsMaster, Bitmap(kDigit), Bitmap(kDigitYellow),
                                Bitmap(kDigitRed), "master");
    mMaster->SetParamControls(&mParamControls, kMasterReadoutLimit);
    mGraphics.AttachControl(mMaster);
    mPages[kMidiLearnPage].AddToSecondList(mMaster);

    for (const ControlPlace& place : ControlPlaces()) {
        IControl* control = place.knob ? MakeKnob(place.id, place.x, place.y, kKnob, kKnobHover)
                                       : MakeSlider(place.id, place.positions, place.x, place.y);
        if (place.page == kStandardPage)
            mPages[kStandardPage].Add(control);
    }
    // The voices control: a knob over its own background, a slider over its own, or a slider on the
    // Settings page.
    if (mVoiceLayout == 1) {
        mPages[kStandardPage].Add(new IBitmapControl(&mKT4R, 648, 423, Bitmap(kVoicesKnobBackground)), &mGraphics);
        mPages[kStandardPage].Add(MakeKnob(kVoicesId, 710, 458, kVoicesKnob, kVoicesKnobHover));
    } else if (mVoiceLayout == 2) {
        mPages[kStandardPage].Add(new IBitmapControl(&mKT4R, 644, 433, Bitmap(kVoicesSliderBackground)), &mGraphics);
        mPages[kStandardPage].Add(MakeSlider(kVoicesId, 4, 730, 458));
    }
    if (mKT4R.ExtendedPitchBend())
        mPages[kStandardPage].Add(new IBitmapControl(&mKT4R, 648, 313, Bitmap(kPitchBendPatch)), &mGraphics);
    FillPages();

    BuildKeyAssignGroup();
    BuildPageGroup();
    BuildTopRow();
    BuildProgramReadouts();
    BuildAboutBox();

    // The learn page's sliders and readouts are the learn display's (EditorTick). The controls of the
    // patch parameters join the list last, in id order, so they draw over the pages' backgrounds.
    for (int id = 0; id < kPatchParamCount; ++id) {
        if (IControl* control = mParamControls[static_cast<size_t>(id)])
            mGraphics.AttachControl(control);
    }
    mGraphics.HandleMouseOver(true);
    mGraphics.EnableTooltips(true);
    mProgNum->SetMode(0);
}

void KT4RPanel::FillPages()
{
    IGraphics* attach = &mGraphics;
    EditorPage& settings = mPages[kSettingsPage];
    settings.Add(new IBitmapControl(&mKT4R, 644, 144,
                                    Bitmap(mVoiceLayout == 0 ? kSettingsBackground : kSettingsBackgroundVoices)),
                 attach);
    EditorPage& midiLearn = mPages[kMidiLearnPage];
    midiLearn.Add(new IBitmapControl(&mKT4R, 644, 144, Bitmap(kMidiLearnBackground)), attach);
    EditorPage& midi = mPages[kMidiPage];
    midi.Add(new IBitmapControl(&mKT4R, 644, 144, Bitmap(kMidiBackground)), attach);

    // Patch parameters join the editor's list later, in id order; settings join it now.
    for (const ControlPlace& place : ControlPlaces()) {
        if (place.page == kNoPage || place.page == kStandardPage)
            continue;
        IControl* control = mParamControls[static_cast<size_t>(place.id)];
        mPages[place.page].Add(control, place.id < kPatchParamCount ? nullptr : attach);
    }
    if (mVoiceLayout != 1 && mVoiceLayout != 2)
        settings.Add(MakeSlider(kVoicesId, 4, 793, 313));
    mScaleChooser = new PanelScaleChooser(mKT4R, mGraphics, 776, 396, Bitmap(kDigit), Bitmap(kDigitYellow),
                                          Bitmap(kDigitRed));
    settings.Add(mScaleChooser, attach);

    mLearnDisplay = new MyReadout(mKT4R, mGraphics, 672, 88, kDigitCellsLearn, Bitmap(kDigit), Bitmap(kDigitYellow),
                                  Bitmap(kDigitRed), "MLDisplay");
    midiLearn.Add(mLearnDisplay, attach);
    mLearnParam = new MyReadout(mKT4R, mGraphics, 477, 88, kDigitCellsLearn, Bitmap(kDigit), Bitmap(kDigitYellow),
                                Bitmap(kDigitRed), "MLParam");
    midiLearn.Add(mLearnParam, attach);
    const int learnButtons[][3] = {{93, 706, 314}, {94, 756, 314}, {95, 706, 395}, {96, 756, 395}};
    for (const auto& b : learnButtons) {
        auto* button = new MyContactControl(mKT4R, b[1], b[2], b[0], Bitmap(kButtonPage));
        mParamControls[static_cast<size_t>(b[0])] = button;
        midiLearn.Add(button, attach);
    }

    settings.Hide();
    midiLearn.Hide();
    midi.Hide();
}

void KT4RPanel::BuildKeyAssignGroup()
{
    mKeyAssign = new MyButtonGroup(mKT4R, mMaster, 2, kKeyAssignId, false);
    mKeyAssign->SetGraphics(&mGraphics);
    mParamControls[kKeyAssignId] = mKeyAssign;
    const int buttons[][3] = {{kButtonPoly, 43, 53}, {kButtonUnison, 84, 94}, {kButtonMono, 125, 135}};
    for (const auto& b : buttons) {
        auto* button = new MyButton(mKT4R, b[1], kTopRowY, Bitmap(b[0]), *mKeyAssign);
        auto* led = new IBitmapControl(&mKT4R, b[2], 72, Bitmap(kLedKeyAssign));
        mGraphics.AttachControl(button);
        mGraphics.AttachControl(led);
        mKeyAssign->AddMember(button, led);
    }
}

void KT4RPanel::BuildPageGroup()
{
    mPageGroup = std::make_unique<MyButtonGroup>(mKT4R, nullptr, 1, kPageId, true);
    mPageGroup->SetGraphics(&mGraphics);
    const int buttons[][3] = {{796, 627, 804}, {741, 627, 749}};
    for (const auto& b : buttons) {
        auto* button = new MyButton(mKT4R, b[0], b[1], Bitmap(kButtonPage), *mPageGroup);
        auto* led = new IBitmapControl(&mKT4R, b[2], 619, Bitmap(kLedPage));
        mGraphics.AttachControl(button);
        mGraphics.AttachControl(led);
        mPageGroup->AddMember(button, led);
    }
}

void KT4RPanel::BuildTopRow()
{
    mGraphics.AttachControl(new MyWriteButton(mKT4R, 168, kTopRowY, Bitmap(kButtonWrite)));
    mGraphics.AttachControl(new MyFileButton(mKT4R, 209, kTopRowY, 84, Bitmap(kButtonLoad)));
    mGraphics.AttachControl(new MySaveButton(mKT4R, 250, kTopRowY, 83, Bitmap(kButtonSave)));
    const int contacts[][3] = {{85, 293, kButtonDefault}, {87, 334, kButtonMinus}, {86, 375, kButtonPlus},
                               {89, 416, kButtonRandom}};
    for (const auto& c : contacts) {
        auto* button = new MyContactControl(mKT4R, c[1], kTopRowY, c[0], Bitmap(c[2]));
        mParamControls[static_cast<size_t>(c[0])] = button;
        mGraphics.AttachControl(button);
    }
}

void KT4RPanel::BuildProgramReadouts()
{
    mProgNum = new MyProgNumReadout(mKT4R, mGraphics, 477, kReadoutTop, kDigitCellsNumber, Bitmap(kDigit),
                                    Bitmap(kDigitYellow), Bitmap(kDigitRed), "ProgNum");
    mProgNum->SetTooltip("Click for Program Change.");
    mGraphics.AttachControl(mProgNum);
    mProgName = new MyProgNameReadout(mKT4R, mGraphics, 542, kReadoutTop, kDigitCellsName, Bitmap(kDigit),
                                      Bitmap(kDigitYellow), Bitmap(kDigitRed), "ProgName");
    mProgName->SetTooltip("Click to change Program Name");
    mGraphics.AttachControl(mProgName);
}

void KT4RPanel::BuildAboutBox()
{
    const IBitmapRef logo = Bitmap(kLogo);
    const int logoW = logo.Empty() ? 300 : logo.W;
    const int logoH = logo.Empty() ? 93 : logo.FrameHeight();
    // The logo's area reaches down over the program readouts; there the readouts keep their clicks.
    const IRECT trigger(700, 10, 700 + logoW, std::min(10 + logoH, kReadoutTop));
    mAboutBox = new IBitmapOverlayControl(&mKT4R, 635, 4, Bitmap(kAboutBox), trigger);
    const int32_t version = mKT4R.Version();
    char text[32];
    std::snprintf(text, sizeof text, "v%d.%d.%d", (version >> 16) & 0xFF, (version >> 8) & 0xFF, version & 0xFF);
    mVersionText = text;
    mAboutBox->SetTooltip(mVersionText.c_str());
    mGraphics.AttachControl(mAboutBox);
}
