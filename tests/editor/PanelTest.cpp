// The panel as a player uses it: clicks, drags and wheel turns at the panel's coordinates, through
// the instrument with its headless editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "editor/KT4RPanel.h"
#include "editor/MyButtonGroup.h"
#include "editor/MyKnob.h"
#include "editor/MyReadout.h"
#include "editor/MyVSlider.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "instrument/SysExCodec.h"
#include "support/InstrumentRig.h"

namespace kt4rtest {
namespace {

class PanelTest : public InstrumentRig {
protected:
    void SetUp() override
    {
        InstrumentRig::SetUp();
        Create(std::string(), true);
        Tick();
    }
    double Value(int id) { return mPlug->Param(id)->ToNormalized(); }
    IControl& ControlOf(int id) { return *Panel().ControlFor(id); }
    void CentreOf(int id, int* x, int* y)
    {
        const IRECT r = ControlOf(id).HitRect();
        *x = (r.L + r.R) / 2;
        *y = (r.T + r.B) / 2;
    }
    // The host automates id, as its setParameter does.
    void HostSets(int id, double normalized)
    {
        mEffect->setParameter(mEffect, id, static_cast<float>(normalized));
        Tick();
    }
};

TEST_F(PanelTest, ClickingUnisonTwiceSelectsUnisonOneThenTwo)
{
    Click(100, 100);
    EXPECT_NEAR(Value(51), 0.4, 1e-9);
    EXPECT_EQ(Panel().KeyAssignGroup().State(1), 1);
    Click(100, 100);
    EXPECT_NEAR(Value(51), 0.6, 1e-9);
    EXPECT_EQ(Panel().KeyAssignGroup().State(1), 2);
    EXPECT_EQ(Panel().KeyAssignGroup().State(0), 0);
}

// The second of two quick clicks arrives as a double click; on a button it is a click all the same.
TEST_F(PanelTest, AQuickSecondClickOnAButtonIsAClick)
{
    Click(100, 100);
    DoubleClick(100, 100);
    EXPECT_NEAR(Value(51), 0.6, 1e-9);
    EXPECT_EQ(Panel().KeyAssignGroup().State(1), 2);
}

TEST_F(PanelTest, PageButtonShowsSettingsThenStandardAgain)
{
    Click(810, 640);
    EXPECT_EQ(Panel().ShownPage(), 1);
    EXPECT_FALSE(ControlOf(52).IsHidden()); // UNISONDETUNE knob on "Settings"
    EXPECT_TRUE(ControlOf(45).IsHidden());  // AT Vibrato on "Standard"
    Click(810, 640);
    EXPECT_EQ(Panel().ShownPage(), 0);
    EXPECT_TRUE(ControlOf(52).IsHidden());
    EXPECT_FALSE(ControlOf(45).IsHidden());
    // The second page button shows "Midi".
    Click(755, 640);
    EXPECT_EQ(Panel().ShownPage(), 2);
    EXPECT_FALSE(ControlOf(79).IsHidden());
}

TEST_F(PanelTest, RightClickOnATuneKnobOpensTheLearnPageWithItsReadouts)
{
    EXPECT_FALSE(Panel().Master().IsHidden());
    EXPECT_TRUE(Panel().LearnParamReadout().IsHidden());
    Click(74, 276, true);
    EXPECT_EQ(Panel().ShownPage(), 3);
    EXPECT_TRUE(Panel().Master().IsHidden());
    EXPECT_FALSE(Panel().LearnParamReadout().IsHidden());
    EXPECT_FALSE(Panel().LearnControllerReadout().IsHidden());
    EXPECT_EQ(Panel().LearnParamReadout().Text(), "DCO1 TUNE      ");
    EXPECT_EQ(Panel().LearnControllerReadout().Text(), "NONE");
    EXPECT_TRUE(mPlug->MidiLearn().Armed());
    EXPECT_EQ(mPlug->MidiLearn().PendingParam(), 2);

    // A controller moved now is learned and shown; the page's "keep" button returns to "Standard".
    SendMidi({{0xB0, 74, 64}});
    Render(1);
    Tick();
    EXPECT_EQ(Panel().LearnControllerReadout().Text(), "CC = 74");
    int x = 0, y = 0;
    CentreOf(95, &x, &y);
    Click(x, y);
    EXPECT_EQ(Panel().ShownPage(), 0);
    EXPECT_FALSE(Panel().Master().IsHidden());
    EXPECT_EQ(mPlug->MidiLearn().Entry(2).key, 74);
}

TEST_F(PanelTest, KnobDragGearingWheelAndDoubleClick)
{
    int x = 0, y = 0;
    CentreOf(2, &x, &y);
    HostSets(2, 0.99);
    Drag(x, y, 0, -100); // far more than one knob height up: the top
    EXPECT_DOUBLE_EQ(Value(2), 1.0);

    const double h = ControlOf(2).DrawRect().H();
    HostSets(2, 0.5);
    Drag(x, y, 0, static_cast<int>(h)); // one knob height down: a quarter
    EXPECT_NEAR(Value(2), 0.25, 0.011);
    HostSets(2, 0.5);
    Drag(x, y, 0, static_cast<int>(h), true); // with shift: a fortieth
    EXPECT_NEAR(Value(2), 0.475, 0.011);

    const struct {
        int delta;
        bool shift;
        double expected;
    } wheels[] = {{1, false, 0.51}, {-3, false, 0.47}, {2, true, 0.502}};
    for (const auto& w : wheels) {
        HostSets(2, 0.5);
        Wheel(x, y, w.delta, w.shift);
        EXPECT_NEAR(Value(2), w.expected, 0.006) << w.delta;
    }
    // A double click returns to the value the knob was first given (the default, 0.5).
    HostSets(2, 0.8);
    DoubleClick(x, y);
    EXPECT_NEAR(Value(2), 0.5, 0.006);
}

TEST_F(PanelTest, FourPositionSliderKeepsARawPositionBetweenItsStops)
{
    auto& slider = static_cast<MyVSlider&>(ControlOf(0)); // DCO1 RANG
    ASSERT_EQ(slider.Steps(), 3);
    slider.SetRawPosition(0.40);
    EXPECT_DOUBLE_EQ(slider.Value(), 1.0 / 3.0);
    int x = 0, y = 0;
    CentreOf(0, &x, &y);
    Wheel(x, y, 1);
    EXPECT_NEAR(slider.RawPosition(), 0.40 + 1.0 / 3.0, 1e-9);
    EXPECT_NEAR(Value(0), 2.0 / 3.0, 1e-6);

    // A drag of a quarter of the track is not yet half a step of a 4-position slider... then it is.
    HostSets(0, 0.0);
    Drag(x, y, 0, -10);
    EXPECT_DOUBLE_EQ(Value(0), 0.0);
    Drag(x, y, 0, -20);
    EXPECT_NEAR(Value(0), 1.0 / 3.0, 1e-6);
}

TEST_F(PanelTest, ContinuousSliderWheelDragAndControlClickJump)
{
    auto& slider = static_cast<MyVSlider&>(ControlOf(20)); // VCF FREQ, 121-pixel track
    const IRECT r = slider.DrawRect();
    const int x = (r.L + r.R) / 2;
    HostSets(20, 0.5);
    Wheel(x, r.T + 50, 2);
    EXPECT_NEAR(Value(20), 0.52, 1e-6);
    Wheel(x, r.T + 50, 1, true);
    EXPECT_NEAR(Value(20), 0.521, 1e-6);

    HostSets(20, 0.5);
    Drag(x, r.T + 50, 0, -r.H() / 2); // half the track up
    EXPECT_NEAR(Value(20), 1.0, 0.01);

    // Control + click: the handle's centre jumps to the mouse. Track 101 - 20 = 81... the travel is
    // 101 - 19 = 82 pixels, starting 9.5 pixels below the top.
    HostSets(20, 0.0);
    Click(x, r.T + 9 + 41, false, true);
    EXPECT_NEAR(Value(20), 1.0 - 40.5 / 82.0, 1e-6);
    // A plain click moves nothing.
    Click(x, r.T + 80);
    EXPECT_NEAR(Value(20), 1.0 - 40.5 / 82.0, 1e-6);
}

TEST_F(PanelTest, HoverShowsTheParameterInTheMasterReadout)
{
    HostSets(27, 1.0); // VCA LEVEL
    int x = 0, y = 0;
    CentreOf(27, &x, &y);
    Hover(x, y);
    EXPECT_EQ(Panel().Master().Text().substr(0, 4), "VCA ");
    EXPECT_NE(Panel().Master().Text().find("99"), std::string::npos);
    Hover(5, 5);
    EXPECT_EQ(Panel().Master().Text(), "");
}

TEST_F(PanelTest, ProgramNumberWheelsAroundAndLoadsThePrograms)
{
    Wheel(490, 70, -1);
    EXPECT_EQ(Panel().ProgramNumber().Program(), 128);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 128);
    Wheel(490, 70, 1);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 1);
    Wheel(490, 70, 5, true);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 6);
    EXPECT_EQ(Panel().ProgramNumber().Text(), "   6");
}

TEST_F(PanelTest, ContactButtonActsOnlyOnRelease)
{
    IMouseMod left;
    left.L = true;
    Editor().OnMouseDown(390, 95, left); // "+": next program
    Tick();
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 1);
    EXPECT_DOUBLE_EQ(ControlOf(86).Value(), 1.0); // shown pressed
    Editor().OnMouseUp(390, 95, left);
    Tick();
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 2);
    EXPECT_DOUBLE_EQ(ControlOf(86).Value(), 0.0);
    EXPECT_EQ(Panel().ProgramNumber().Text(), "   2");
}

TEST_F(PanelTest, ProgramMenuSelectsAndWithWriteArmedStores)
{
    Editor().QueueMenuChoice(37); // the fifth program of the second group
    Click(490, 70);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 37);
    ASSERT_EQ(Editor().ShownMenus().size(), 1u);
    EXPECT_EQ(Editor().ShownMenus()[0].items.size(), 5u); // four groups and "Rotate Banks"

    mPlug->SetProgramName("GLASS PAD");
    Click(185, 95); // WRITE: armed, the number turns red with "W"
    EXPECT_TRUE(mPlug->WriteArmed());
    EXPECT_EQ(Panel().ProgramNumber().Mode(), 2);
    EXPECT_EQ(Panel().ProgramNumber().Text(), "W 37");
    Editor().QueueMenuChoice(100);
    Click(490, 70);
    EXPECT_EQ(Editor().ShownMenus()[1].items.size(), 4u); // no "Rotate Banks" while armed
    EXPECT_FALSE(mPlug->WriteArmed());
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 100);
    EXPECT_EQ(mPlug->ProgramName(100), "GLASS PAD");
    EXPECT_EQ(Panel().ProgramNumber().Mode(), 0);

    // A dismissed menu changes nothing.
    Click(490, 70);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 100);
}

TEST_F(PanelTest, EditingMarksTheProgramNumber)
{
    // The host's open announces every parameter again; that is no edit.
    EXPECT_FALSE(mPlug->Edited());
    EXPECT_EQ(Panel().ProgramNumber().Text(), "   1");
    HostSets(20, 0.3);
    int x = 0, y = 0;
    CentreOf(20, &x, &y);
    Wheel(x, y, 1);
    EXPECT_TRUE(mPlug->Edited());
    EXPECT_EQ(Panel().ProgramNumber().Text(), "*  1");
    EXPECT_EQ(Panel().ProgramNumber().Cell(1)->Colour(), 1);
}

TEST_F(PanelTest, NameEntryRenamesAndAWheelTurnCancelsIt)
{
    Click(600, 70);
    ASSERT_TRUE(Editor().EntryOpen());
    EXPECT_EQ(Editor().EntryText(), " INIT ");
    Editor().TypeText("BRASS 1");
    Editor().RequestCommitEntry();
    Tick();
    EXPECT_FALSE(Editor().EntryOpen());
    EXPECT_EQ(mPlug->CurrentProgramName(), "BRASS 1");
    EXPECT_EQ(Panel().ProgramName().Text(), "BRASS 1");

    Click(600, 70);
    ASSERT_TRUE(Editor().EntryOpen());
    Editor().TypeText("LOST");
    Wheel(600, 300, 1);
    Editor().RequestCommitEntry();
    Tick();
    EXPECT_FALSE(Editor().EntryOpen());
    EXPECT_EQ(mPlug->CurrentProgramName(), "BRASS 1");

    // An empty name is not taken.
    Click(600, 70);
    Editor().TypeText("");
    Editor().RequestCommitEntry();
    Tick();
    EXPECT_EQ(mPlug->CurrentProgramName(), "BRASS 1");
}

TEST_F(PanelTest, AboutBoxOpensFromTheLogoAndClosesOnItself)
{
    EXPECT_STREQ(Panel().AboutBox().Tooltip(), "v2.0.12");
    Click(750, 30);
    EXPECT_GE(Panel().AboutBox().Value(), 0.5);
    Click(700, 100);
    EXPECT_LT(Panel().AboutBox().Value(), 0.5);
    // Below the logo's top band the program name keeps its clicks.
    Click(750, 70);
    EXPECT_TRUE(Editor().EntryOpen());
}

TEST_F(PanelTest, HostChangesReachTheControls)
{
    HostSets(20, 0.25);
    EXPECT_DOUBLE_EQ(ControlOf(20).Value(), mPlug->Param(20)->ToNormalized());

    // A program change from the host and from MIDI.
    HostSets(20, 0.9);
    const auto chunk = GetChunk(0);
    mEffect->dispatcher(mEffect, vst::effSetProgram, 0, 3, nullptr, 0.0f);
    Tick();
    EXPECT_NEAR(ControlOf(20).Value(), Value(20), 1e-9);
    SendMidi({{0xC0, 9, 0}});
    Render(1);
    Tick();
    EXPECT_EQ(Panel().ProgramNumber().Program(), 10);

    // A chunk load brings back the value the chunk holds, and the settings it carries.
    SetSetting(78, 1.0);
    SetChunk(0, chunk);
    Tick();
    EXPECT_NEAR(ControlOf(20).Value(), 0.9, 1e-6);
    EXPECT_NEAR(ControlOf(78).Value(), Value(78), 1e-9);
}

TEST_F(PanelTest, SaveAndLoadGoThroughTheMenuAndTheFileDialog)
{
    const std::string bank = mFolder + "/mine.KT4Rbank";
    mPlug->SetProgramName("KEEP ME");
    mPlug->WriteProgram(5);
    Editor().QueueMenuChoice(2); // "KT4Rbank"
    Editor().QueueFileChoice(bank);
    Click(265, 95);
    ASSERT_EQ(Editor().ShownPrompts().size(), 1u);
    EXPECT_EQ(Editor().ShownPrompts()[0].action, 1);
    EXPECT_EQ(Editor().ShownPrompts()[0].extensions, "KT4Rbank");
    ASSERT_TRUE(std::ifstream(bank).good());

    mPlug->SetProgramName("OTHER");
    mPlug->WriteProgram(5);
    Editor().QueueFileChoice(bank);
    Click(225, 95);
    EXPECT_EQ(Editor().ShownPrompts()[1].action, 0);
    EXPECT_EQ(mPlug->ProgramName(5), "KEEP ME");
    // The dialog opens where the last one was answered.
    Editor().QueueFileChoice("");
    Click(225, 95);
    EXPECT_EQ(Editor().ShownPrompts()[2].directory, mFolder + "/");

    // A file that loads nothing is reported; a cancelled dialog or menu does nothing.
    Editor().QueueFileChoice(mFolder + "/missing.KT4Rpreset");
    Click(225, 95);
    ASSERT_EQ(Editor().ShownMessages().size(), 1u);
    Click(265, 95);
    EXPECT_EQ(Editor().ShownPrompts().size(), 4u);
}

TEST_F(PanelTest, AReceivedSysExValueMovesItsControlAndShowsInTheReadout)
{
    kt4r::SysExCodec codec;
    kt4r::SysExMessage message;
    ASSERT_TRUE(codec.BuildParamMessage(20, 0.25, message));
    SendSysEx(std::vector<uint8_t>(message.bytes.begin(), message.bytes.begin() + message.size));
    Tick();
    EXPECT_NEAR(ControlOf(20).Value(), Value(20), 1e-9);
    EXPECT_NEAR(Value(20), 0.25, 0.02);
    EXPECT_EQ(Panel().Master().ShownParam(), 20);
    EXPECT_EQ(Panel().Master().Text().substr(0, 8), "VCF FREQ");
}

class PanelLayoutTest : public InstrumentRig {};

TEST_F(PanelLayoutTest, VoiceLayoutFollowsPolyOnGui)
{
    const struct {
        const char* ini;
        int mode;
        bool knob;
        int x, y;
        int page;
    } cases[] = {
        {"", 0, false, 793, 313, 1},
        {"POLY_ON_GUI = NEW\n", 2, false, 730, 458, 0},
        {"POLY_ON_GUI = TRUE\n", 1, true, 710, 458, 0},
        {"POLY_ON_GUI = OLD\n", 1, true, 710, 458, 0},
        {"POLY_ON_GUI = maybe\n", 0, false, 793, 313, 1},
    };
    for (const auto& c : cases) {
        Create(c.ini, true);
        Tick();
        KT4RPanel& panel = Panel();
        EXPECT_EQ(panel.VoiceLayoutMode(), c.mode) << c.ini;
        IControl* voices = panel.ControlFor(67);
        ASSERT_NE(voices, nullptr);
        EXPECT_EQ(dynamic_cast<MyKnob*>(voices) != nullptr, c.knob) << c.ini;
        EXPECT_EQ(voices->DrawRect().L, c.x) << c.ini;
        EXPECT_EQ(voices->DrawRect().T, c.y) << c.ini;
        const auto& own = panel.Page(c.page).Controls();
        EXPECT_NE(std::find(own.begin(), own.end(), voices), own.end()) << c.ini;
        Close();
    }
}

TEST_F(PanelLayoutTest, ExtendedBendShowsThePitchBendPatchOnTheStandardPage)
{
    auto patchShown = [this] {
        for (const IControl* control : Panel().Page(0).Controls()) {
            if (control->DrawRect().L == 648 && control->DrawRect().T == 313)
                return true;
        }
        return false;
    };
    Create("EXTENDED_PB = TRUE\n", true);
    EXPECT_TRUE(patchShown());
    Close();
    Create(std::string(), true);
    EXPECT_FALSE(patchShown());
}

} // namespace
} // namespace kt4rtest
