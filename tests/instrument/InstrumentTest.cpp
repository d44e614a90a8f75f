// The instrument object driven through its effect record, with the settings a host cannot reach
// (ids 70-97) set directly, as the editor and the state loader will.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <array>
#include <memory>
#include <vector>

#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "support/Signal.h"

namespace {

using namespace kt4r;

struct SentMidi {
    int frame;
    uint8_t status, data1, data2;
};

std::vector<SentMidi>* gSent = nullptr;

intptr_t TestHost(vst::EffectRecord*, int32_t opcode, int32_t, intptr_t, void* ptr, float)
{
    if (opcode == vst::audioMasterProcessEvents && gSent && ptr) {
        const auto* list = static_cast<const vst::Events*>(ptr);
        for (int i = 0; i < list->numEvents; ++i) {
            const auto* m = reinterpret_cast<const vst::MidiEvent*>(list->events[i]);
            if (m->type == vst::kMidiType) {
                gSent->push_back({m->deltaFrames, static_cast<uint8_t>(m->midiData[0]),
                                  static_cast<uint8_t>(m->midiData[1]), static_cast<uint8_t>(m->midiData[2])});
            }
        }
        return 1;
    }
    return 0;
}

class InstrumentTest : public ::testing::Test {
protected:
    void SetUp() override { gSent = &mSent; }
    void TearDown() override
    {
        if (mEffect)
            mEffect->dispatcher(mEffect, vst::effClose, 0, 0, nullptr, 0.0f);
        gSent = nullptr;
        std::error_code ignored;
        if (!mFolder.empty())
            std::filesystem::remove_all(mFolder, ignored);
    }

    // Creates the instrument with the given configuration text, opens it at 48 kHz / 480 and resumes.
    void Create(const std::string& ini = std::string())
    {
        char folder[] = "/tmp/kt4r-instrument-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        mFolder = folder;
        if (!ini.empty())
            std::ofstream(mFolder + "/KT-4R.ini") << ini;
        mPlug = new KT4R(&TestHost, mFolder + "/");
        mEffect = mPlug->Record();
        Dispatch(vst::effOpen);
        Dispatch(vst::effSetSampleRate, 0, nullptr, 48000.0f);
        Dispatch(vst::effSetBlockSize, 480);
        Dispatch(vst::effMainsChanged, 1);
        Render(1);
    }

    intptr_t Dispatch(int32_t opcode, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return mEffect->dispatcher(mEffect, opcode, 0, value, ptr, opt);
    }

    // A settings change as the editor makes it: the value, then the change path.
    void SetSetting(int id, double normalized)
    {
        mPlug->Param(id)->SetFromNormalized(normalized);
        mPlug->ParameterChanged(id, 0);
    }

    void SendMidi(std::initializer_list<std::array<uint8_t, 3>> messages)
    {
        std::vector<vst::MidiEvent> events;
        for (const auto& m : messages) {
            vst::MidiEvent e{};
            e.type = vst::kMidiType;
            e.byteSize = sizeof e;
            e.midiData[0] = static_cast<char>(m[0]);
            e.midiData[1] = static_cast<char>(m[1]);
            e.midiData[2] = static_cast<char>(m[2]);
            events.push_back(e);
        }
        std::vector<char> storage(sizeof(vst::Events) + events.size() * sizeof(vst::Event*));
        auto* list = reinterpret_cast<vst::Events*>(storage.data());
        list->numEvents = static_cast<int32_t>(events.size());
        for (size_t i = 0; i < events.size(); ++i)
            list->events[i] = reinterpret_cast<vst::Event*>(&events[i]);
        Dispatch(vst::effProcessEvents, 0, list);
    }

    // RMS of the left channel of each block rendered.
    std::vector<double> Render(int blocks)
    {
        std::vector<double> levels;
        std::vector<float> l(480), r(480);
        float* outs[2] = {l.data(), r.data()};
        for (int b = 0; b < blocks; ++b) {
            mEffect->processReplacing(mEffect, nullptr, outs, 480);
            levels.push_back(kt4rtest::Rms(kt4rtest::ToDouble(l)));
        }
        return levels;
    }

    double Level(int blocks)
    {
        const std::vector<double> levels = Render(blocks);
        return levels.back();
    }

    std::string mFolder;
    KT4R* mPlug = nullptr;
    vst::EffectRecord* mEffect = nullptr;
    std::vector<SentMidi> mSent;
};

TEST_F(InstrumentTest, AllChannelsAreHeardByDefault)
{
    Create();
    SendMidi({{0x9F, 69, 100}});
    EXPECT_GT(Level(20), 0.01);
}

TEST_F(InstrumentTest, MidiChannelFiveDropsChannelOneAndKeepsChannelFive)
{
    Create();
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

TEST_F(InstrumentTest, SysExSwitchesFromTheConfiguration)
{
    Create("SEND_PARAM_SYSEX=TRUE\nIMMEDIATE_WRITE = TRUE\nSEND_PROG_SYSEX=yes\n");
    EXPECT_EQ(mPlug->Param(Index(SettingId::kSendSysexParam))->Value(), 1.0);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kImmediateWrite))->Value(), 1.0);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kSendSysexProgram))->Value(), 0.0);
}

TEST_F(InstrumentTest, ExtendedBendReadoutFromTheConfiguration)
{
    Create("EXTENDED_PB=TRUE\n");
    mEffect->setParameter(mEffect, 48, 1.0f);
    EXPECT_EQ(mPlug->ReadoutLineFor(48), "Bend Range    24");
}

TEST_F(InstrumentTest, UnknownVoiceCountGivesSix)
{
    Create("DEFAULT_NUM_VOICES = 7\n");
    EXPECT_EQ(mPlug->Param(Index(ParamId::kNumberOfVoices))->Value(), 3.0);
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
