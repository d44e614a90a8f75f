// What a player keeps between sessions: learned controllers, the configuration, program and bank
// files and SysEx files, each written by one instance and read by a fresh one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "instrument/FileChoices.h"
#include "instrument/ParamTable.h"
#include "support/InstrumentRig.h"

namespace {

using namespace kt4r;

class PlayerFiles : public kt4rtest::InstrumentRig {
protected:
    double Value(ParamId id) { return mPlug->Param(id)->ToNormalized(); }
    void Edit(ParamId id, double normalized) { mPlug->SetParamFromEditor(Index(id), normalized); }
    void Controller(int cc, int value)
    {
        SendMidi({{0xB0, static_cast<uint8_t>(cc), static_cast<uint8_t>(value)}});
        Render(1);
    }
    // Right-click on a control, bounds, a controller moved, then the learn page closed with button.
    void Learn(ParamId id, int cc, double min, double max, SettingId button)
    {
        mPlug->MidiLearn().Arm(Index(id));
        SetSetting(Index(SettingId::kMidiLearnMin), min);
        SetSetting(Index(SettingId::kMidiLearnMax), max);
        Controller(cc, 0);
        SetSetting(Index(button), 1.0);
    }
    std::string Path(const char* name) { return mFolder + "/" + name; }
    std::string Text(const std::string& path)
    {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }
};

TEST_F(PlayerFiles, ALearnedControllerMovesItsParameterBetweenTheBoundsReversedWhenMinIsAboveMax)
{
    Create();
    Learn(ParamId::kVcfFreq, 74, 0.2, 0.6, SettingId::kMidiLearnPage3);
    Learn(ParamId::kVcfReso, 71, 0.9, 0.1, SettingId::kMidiLearnPage3);
    Controller(74, 127);
    Controller(71, 127);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.6, 1e-6);
    EXPECT_NEAR(Value(ParamId::kVcfReso), 0.1, 1e-6);
    Controller(74, 0);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.2, 1e-6);
    EXPECT_TRUE(mPlug->Edited());

    // A program stored with its own map takes it along into a fresh instance.
    const std::vector<uint8_t> program = GetChunk(1);
    Reopen();
    ASSERT_EQ(SetChunk(1, program), 1);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kUseDefaultMidiLearnMap))->Value(), 0.0);
    Controller(74, 127);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.6, 1e-6);
}

TEST_F(PlayerFiles, TheDefaultMapIsWrittenAtExitAndFollowsTheNextStart)
{
    Create();
    Learn(ParamId::kLfoRate, 1, 0.0, 1.0, SettingId::kMidiLearnPage4);
    Reopen();
    EXPECT_NE(Text(Path("KT-4R.map")), "");
    mPlug->SelectProgram(1);
    Controller(1, 127);
    EXPECT_NEAR(Value(ParamId::kLfoRate), 1.0, 1e-6);
}

TEST_F(PlayerFiles, TheConfigurationIsWrittenBackAtExitUnlessLocked)
{
    Create();
    Edit(ParamId::kNumberOfVoices, 1.0);
    SetSetting(Index(SettingId::kGlobalGain), 1.0);
    Reopen();
    const std::string written = Text(Path("KT-4R.ini"));
    EXPECT_NE(written.find("DEFAULT_NUM_VOICES = 12\n"), std::string::npos) << written;
    EXPECT_NE(written.find("GLOBAL_GAIN = HIGH\n"), std::string::npos) << written;
    EXPECT_EQ(mPlug->Param(ParamId::kNumberOfVoices)->Default(), 6.0);

    const std::string locked = "LOCK = TRUE\nDEFAULT_NUM_VOICES = 8\n";
    Close();
    std::ofstream(Path("KT-4R.ini")) << locked;
    Reopen();
    Edit(ParamId::kNumberOfVoices, 0.0);
    Reopen();
    EXPECT_EQ(Text(Path("KT-4R.ini")), locked);
}

TEST_F(PlayerFiles, ProgramAndBankFilesLoadBackAndLoadChoosesByTheName)
{
    Create();
    Edit(ParamId::kVcfFreq, 0.33);
    mPlug->SetProgramName("Saved");
    ASSERT_TRUE(mPlug->SaveProgramFile(Path("sound.KT4Rpreset")));
    mPlug->WriteProgram(5);
    ASSERT_TRUE(mPlug->SaveBankFile(Path("all.KT4Rbank")));

    Edit(ParamId::kVcfFreq, 0.9);
    std::filesystem::copy_file(Path("sound.KT4Rpreset"), Path("sound.KT4Rpreset.old"));
    ASSERT_TRUE(mPlug->LoadFile(Path("sound.KT4Rpreset.old")));
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.33, 1e-9);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Saved");
    EXPECT_TRUE(mPlug->Edited());
    std::ofstream(Path("notes.txt")) << "not a patch";
    EXPECT_FALSE(mPlug->LoadFile(Path("notes.txt")));

    // The bank named in the configuration is there at the next start.
    Close();
    std::ofstream(Path("KT-4R.ini")) << "DEFAULT_BANK = " << Path("all.KT4Rbank") << "\n";
    Reopen();
    mPlug->SelectProgram(5);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Saved");
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.33, 1e-9);
}

TEST_F(PlayerFiles, TheLastQuarterSavedAsSysExLoadsIntoTheFirst)
{
    Create();
    Edit(ParamId::kVcfFreq, 0.5);
    mPlug->SetProgramName("Hundred");
    mPlug->WriteProgram(100);
    int choice = -1;
    const auto items = SaveMenuItems();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].text == "97-128")
            choice = static_cast<int>(i);
    ASSERT_TRUE(mPlug->SaveFile(choice, Path("quarter.syx")));
    EXPECT_EQ(std::filesystem::file_size(Path("quarter.syx")), 32u * 78u);

    Reopen();
    SetSetting(Index(SettingId::kImmediateWrite), 1.0);
    ASSERT_TRUE(mPlug->LoadFile(Path("quarter.syx")));
    EXPECT_EQ(mPlug->Param(Index(SettingId::kImmediateWrite))->Value(), 1.0);
    mPlug->SelectProgram(4);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Hundred   ");
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.5, 1.0 / 127.0);
    mPlug->SelectProgram(33);
    EXPECT_EQ(mPlug->CurrentProgramName(), " INIT ") << "programs beyond the file keep what they held";
}

TEST_F(PlayerFiles, AOneProgramSysExFileWithImmediateWriteOnIsStoredIntoTheCurrentProgram)
{
    Create();
    Edit(ParamId::kVcfFreq, 0.2);
    mPlug->SetProgramName("One");
    ASSERT_TRUE(mPlug->SaveSysExProgram(Path("one.syx")));

    Reopen();
    mPlug->SelectProgram(9);
    SetSetting(Index(SettingId::kImmediateWrite), 1.0);
    ASSERT_TRUE(mPlug->LoadFile(Path("one.syx")));
    EXPECT_FALSE(mPlug->Edited()) << "written at once";
    mPlug->SelectProgram(1);
    mPlug->SelectProgram(9);
    EXPECT_EQ(mPlug->CurrentProgramName(), "One       ");
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.2, 1.0 / 127.0);
}

// A bank file is played away from the lock and taken in one step; what it leaves is what the same
// messages arriving from the hardware one by one leave (with "Immediate Write" off, as a file load
// keeps it), down to the bytes of the state.
TEST_F(PlayerFiles, ASysExBankFromAFileLeavesTheStateTheSameMessagesLeaveLive)
{
    Create();
    for (int n = 1; n <= 40; ++n) {
        Edit(ParamId::kVcfFreq, n / 64.0);
        Edit(ParamId::kEnv1Att, 1.0 - n / 64.0);
        mPlug->SetProgramName("Sound " + std::to_string(n));
        mPlug->WriteProgram(n);
    }
    mPlug->SelectProgram(3);
    ASSERT_TRUE(mPlug->SaveSysExBank(Path("bank.syx"), 1, 32));
    std::ifstream in(Path("bank.syx"), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A parameter message after the bank: the edit buffer moves on from the last program written.
    bytes.insert(bytes.end(), {0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 0x22, 0x40, 0xF7});

    Reopen();
    for (int n = 1; n <= 128; ++n) { // programs the file does not reach keep their own sounds
        Edit(ParamId::kVcfFreq, 0.9);
        mPlug->SetProgramName("Kept");
        mPlug->WriteProgram(n);
    }
    const std::vector<uint8_t> start = GetChunk(0);
    std::ofstream(Path("bank+edit.syx"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(mPlug->LoadSysExFile(Path("bank+edit.syx")));
    const std::vector<uint8_t> fromFile = GetChunk(0);

    Reopen();
    ASSERT_EQ(SetChunk(0, start), 1);
    SendSysEx(bytes);
    EXPECT_EQ(GetChunk(0), fromFile);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 32);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 64.0 / 127.0, 1e-6);
}

} // namespace
