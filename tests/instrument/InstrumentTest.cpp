// The instrument's MIDI intake, settings and configuration, driven through its effect record.
#include <gtest/gtest.h>

#include <vector>

#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "support/InstrumentRig.h"
#include "support/Signal.h"

namespace {

using namespace kt4r;

using InstrumentTest = kt4rtest::InstrumentRig;

TEST_F(InstrumentTest, AllChannelsAreHeardByDefaultAndMidiChannelFiveKeepsOnlyChannelFive)
{
    Create();
    SendMidi({{0x9F, 69, 100}});
    EXPECT_GT(Level(20), 0.01);
    Reopen();
    SetSetting(Index(SettingId::kMidiChannel), 5.0 / 16.0);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kMidiChannel))->Value(), 5.0);
    SendMidi({{0x90, 69, 100}});
    EXPECT_LT(Level(20), 1e-4);
    SendMidi({{0x94, 69, 100}});
    EXPECT_GT(Level(20), 0.01);
}

TEST_F(InstrumentTest, MidiThruEchoesAlsoWhatTheChannelFilterDrops)
{
    Create("MIDI_THRU=TRUE\n");
    SetSetting(Index(SettingId::kMidiChannel), 5.0 / 16.0);
    SendMidi({{0x94, 60, 100}, {0x90, 61, 100}});
    Render(1); // events reach the instrument in the process call after they were sent
    ASSERT_EQ(mSent.size(), 2u);
    EXPECT_EQ(mSent[0].status, 0x94);
    EXPECT_EQ(mSent[1].status, 0x90);
    EXPECT_EQ(mSent[1].data1, 61);
}

TEST_F(InstrumentTest, ProgramChangeSelectsProgramsOneTo128AndTheStepCommandsWrap)
{
    Create();
    // Events reach the instrument in the process call after they were sent.
    SendMidi({{0xC0, 41, 0}});
    Render(1);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 42);
    SendMidi({{0xC0, 127, 0}});
    Render(1);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 128);
    SetSetting(Index(SettingId::kCommandNextProgram), 1.0);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 1);
    SetSetting(Index(SettingId::kCommandPreviousProgram), 1.0);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 128);
}

TEST_F(InstrumentTest, GlobalGainStartsFromTheConfigurationAndFollowsTheSetting)
{
    // Levels are averaged over 20 blocks of 10 ms: one block holds a fractional number of cycles.
    Create("GLOBAL_GAIN = LOW\n");
    EXPECT_EQ(mPlug->ReadoutLineFor(Index(SettingId::kGlobalGain)), "GLOBAL GAIN  -6 ~B");
    SendMidi({{0x90, 69, 100}});
    Render(30);
    const double low = kt4rtest::Mean(Render(20));
    SetSetting(Index(SettingId::kGlobalGain), 0.5);
    EXPECT_NEAR(kt4rtest::Mean(Render(20)) / low, 2.0, 0.04);
    SetSetting(Index(SettingId::kGlobalGain), 1.0);
    EXPECT_NEAR(kt4rtest::Mean(Render(20)) / low, 4.0, 0.08);
}

// SysEx switches read only the word TRUE, EXTENDED_PB widens the bend readout, and an unknown voice
// count gives six.
TEST_F(InstrumentTest, SwitchesReadoutAndVoicesFromTheConfiguration)
{
    Create("SEND_PARAM_SYSEX=TRUE\nIMMEDIATE_WRITE = TRUE\nSEND_PROG_SYSEX=yes\nEXTENDED_PB=TRUE\n"
           "DEFAULT_NUM_VOICES = 7\n");
    EXPECT_EQ(mPlug->Param(Index(SettingId::kSendSysexParam))->Value(), 1.0);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kImmediateWrite))->Value(), 1.0);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kSendSysexProgram))->Value(), 0.0);
    EXPECT_EQ(mPlug->Param(Index(ParamId::kNumberOfVoices))->Value(), 3.0);
    mEffect->setParameter(mEffect, 48, 1.0f);
    EXPECT_EQ(mPlug->ReadoutLineFor(48), "Bend Range    24");
}

TEST_F(InstrumentTest, SettingsDefaults)
{
    Create();
    const struct {
        int id;
        double value;
    } defaults[] = {{Index(SettingId::kKeyModePage), 0},    {Index(SettingId::kMidiLearnMin), 0},
                    {Index(SettingId::kMidiLearnMax), 1},   {Index(SettingId::kMidiLearnImmediate), 1},
                    {Index(SettingId::kGlobalGain), 1},     {Index(SettingId::kMidiChannel), 0},
                    {Index(SettingId::kSendSysexParam), 0}, {Index(SettingId::kSendSysexProgram), 0},
                    {Index(SettingId::kImmediateWrite), 0}, {Index(SettingId::kUseDefaultMidiLearnMap), 1}};
    for (const auto& d : defaults)
        EXPECT_EQ(mPlug->Param(d.id)->Value(), d.value) << "id " << d.id;
    for (int id : {70, 72, 73, 74, 81, 85, 89, 93, 96}) {
        EXPECT_EQ(mPlug->Param(id)->GetType(), IParameter::kTypeNone) << "id " << id;
        EXPECT_STREQ(mPlug->Param(id)->Name(), "") << "id " << id;
    }
    EXPECT_EQ(mPlug->Param(98), nullptr);
    EXPECT_EQ(mPlug->Param(-1), nullptr);
}

TEST_F(InstrumentTest, NormalisedHalfOnPolyModeIsUnisonTwo)
{
    Create();
    mEffect->setParameter(mEffect, Index(ParamId::kPolyMode), 0.5f);
    EXPECT_EQ(mPlug->Param(Index(ParamId::kPolyMode))->Value(), 3.0);
    EXPECT_EQ(mPlug->ReadoutLineFor(Index(ParamId::kPolyMode)), "Key Assign  UNISON 2");
    EXPECT_EQ(mPlug->Param(Index(SettingId::kPresetDirty))->Value(), 1.0);
}

TEST_F(InstrumentTest, SystemMessagesAreNotPlayed)
{
    Create();
    SendMidi({{0xF0, 69, 100}, {0xFF, 69, 100}});
    EXPECT_LT(Level(10), 1e-4);
}

} // namespace
