// The instrument talking SysEx with the hardware: what it sends while the player edits and changes
// programs, and what a received bank does to its programs.
#include <gtest/gtest.h>

#include "instrument/ParamTable.h"
#include "instrument/SysExFile.h"
#include "support/InstrumentRig.h"

namespace {

using namespace kt4r;
using SysExLink = kt4rtest::InstrumentRig;

TEST_F(SysExLink, AnEditSendsTheParameterMessageOfTheChosenFormatAndChannel)
{
    Create();
    SetSetting(Index(SettingId::kSendSysexParam), 1.0);
    mPlug->SetParamFromEditor(Index(ParamId::kSysexMode), 1.0); // mode 2
    SetSetting(Index(SettingId::kMidiChannel), 3.0 / 16.0);
    mSentSysEx.clear();
    mPlug->SetParamFromEditor(Index(ParamId::kVcfFreq), 1.0);
    mPlug->SetParamFromEditor(Index(ParamId::kVcfFreq), 1.0);  // the same byte again: nothing more
    mPlug->SetParamFromEditor(Index(ParamId::kAtVolume), 0.5); // no hardware number
    ASSERT_EQ(mSentSysEx.size(), 1u);
    EXPECT_EQ(mSentSysEx[0], (std::vector<uint8_t>{0xF0, 0x41, 0x36, 0x02, 0x24, 0x20, 0x02, 0x22, 0x7F, 0xF7}));
}

TEST_F(SysExLink, EveryProgramSelectionSendsOneDumpWhenSwitchedOn)
{
    Create();
    SetSetting(Index(SettingId::kSendSysexProgram), 1.0);
    mSentSysEx.clear();
    SendMidi({{0xC0, 4, 0}});
    Render(1);
    SetSetting(Index(SettingId::kCommandNextProgram), 1.0);
    ASSERT_EQ(mSentSysEx.size(), 2u);
    for (const auto& dump : mSentSysEx) {
        EXPECT_EQ(dump.size(), 67u);
        EXPECT_EQ(dump[2], 0x35);
    }
}

TEST_F(SysExLink, AReceivedBankFillsItsProgramsAndKeepsTheInstrumentSettings)
{
    Create();
    mPlug->SetParamFromEditor(Index(ParamId::kNumberOfVoices), 1.0);
    mPlug->SetParamFromEditor(Index(ParamId::kSysexMode), 0.5);
    SysExCodec codec;
    std::vector<SysExProgram> programs(32);
    for (size_t k = 0; k < programs.size(); ++k) {
        programs[k].values.fill(0.0);
        programs[k].values[Index(ParamId::kVcfFreq)] = static_cast<double>(k * 4) / 127.0;
        programs[k].name = "Bank " + std::to_string(k + 1);
    }
    SendSysEx(BuildSysExBankFile(codec, programs));
    for (int k = 0; k < 32; k += 7) {
        mPlug->SelectProgram(k + 1);
        // The hardware's ten-character name field: the unused bytes arrive as spaces.
        std::string name = "Bank " + std::to_string(k + 1);
        name.resize(10, ' ');
        EXPECT_EQ(mPlug->CurrentProgramName(), name);
        EXPECT_NEAR(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), k * 4 / 127.0, 1e-6) << "program " << k + 1;
    }
    EXPECT_EQ(mPlug->Param(ParamId::kNumberOfVoices)->Value(), 6.0);
    EXPECT_EQ(mPlug->Param(ParamId::kSysexMode)->Value(), 1.0);
}

TEST_F(SysExLink, ADumpWithAStatusByteInsideLeavesTheEditBufferAsItWas)
{
    Create();
    const std::string nameBefore = mPlug->CurrentProgramName();
    const double freqBefore = mPlug->Param(ParamId::kVcfFreq)->ToNormalized();
    SysExCodec codec;
    std::array<double, kPatchParamCount> values{};
    values[Index(ParamId::kVcfFreq)] = freqBefore > 0.5 ? 0.0 : 1.0;
    const SysExMessage dump = codec.BuildProgramDump(values, "Corrupt");
    std::vector<uint8_t> bytes(dump.View().begin(), dump.View().end());
    bytes[40] = 0x90; // a note-on status inside the value bytes

    SendSysEx(bytes);
    EXPECT_EQ(mPlug->CurrentProgramName(), nameBefore);
    EXPECT_EQ(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), freqBefore);

    bytes[40] = dump.bytes[40]; // the same dump intact is taken
    SendSysEx(bytes);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Corrupt   ");
    EXPECT_NEAR(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), values[Index(ParamId::kVcfFreq)], 1e-6);
}

} // namespace
