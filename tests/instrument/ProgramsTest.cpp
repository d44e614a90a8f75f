// Programs and stored state as a player and a host meet them: selecting, writing, naming, INIT and
// RANDOM, rotating the bank, and the host's chunks from one instance into a fresh one.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <thread>

#include "instrument/ParamTable.h"
#include "instrument/ProgramData.h"
#include "signal/Rand.h"
#include "support/InstrumentRig.h"

namespace {

using namespace kt4r;
using kt4rtest::InstrumentRig;

class Programs : public InstrumentRig {
protected:
    double Value(ParamId id) { return mPlug->Param(id)->ToNormalized(); }
    void Edit(ParamId id, double normalized) { mPlug->SetParamFromEditor(Index(id), normalized); }
    // Puts a sound with this filter setting and name into program number.
    void StoreProgram(int number, double vcf, const std::string& name)
    {
        Edit(ParamId::kVcfFreq, vcf);
        mPlug->SetProgramName(name);
        mPlug->WriteProgram(number);
    }
};

TEST_F(Programs, ChunksHaveTheBlockSizesOfTheStoredLayout)
{
    Create();
    EXPECT_EQ(GetChunk(1).size(), 8u + kProgramDataBytes);
    // Version and count, 129 slots named " INIT " with their blocks, program, name, channel, three
    // switches and the gain; after the 8-byte chunk marker.
    const size_t bank = 8 + 8 + 129 * (4 + 6 + 1 + kProgramDataBytes) + 4 + (4 + 6) + 4 + 3 + 8;
    EXPECT_EQ(GetChunk(0).size(), bank);
}

TEST_F(Programs, AnEditedProgramComesBackInAFreshInstanceWithItsStoredVersionBeside)
{
    Create();
    StoreProgram(7, 0.3, "Seven");
    mPlug->SelectProgram(7);
    Edit(ParamId::kVcfFreq, 0.8);
    SetSetting(Index(SettingId::kMidiChannel), 5.0 / 16.0);
    const std::vector<uint8_t> bank = GetChunk(0);

    Reopen();
    ASSERT_EQ(SetChunk(0, bank), 1);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 7);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Seven");
    EXPECT_TRUE(mPlug->Edited());
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.8, 1e-9);
    EXPECT_EQ(mPlug->Param(Index(SettingId::kMidiChannel))->Value(), 5.0);
    EXPECT_EQ(GetChunk(0), bank) << "the restored state saves to the same bytes";

    // A host selects its program again after restoring a state: the restored edit stays.
    Dispatch(vst::effSetProgram, 0);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.8, 1e-9);

    mPlug->SelectProgram(7);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.3, 1e-9);
    EXPECT_FALSE(mPlug->Edited());
}

TEST_F(Programs, BytesThatFailTheirChecksChangeNothing)
{
    Create();
    StoreProgram(3, 0.4, "Kept");
    const std::vector<uint8_t> bank = GetChunk(0);
    const std::vector<uint8_t> program = GetChunk(1);

    std::vector<std::vector<uint8_t>> hostile;
    for (size_t cut = 1; cut < bank.size(); cut += 997)
        hostile.emplace_back(bank.begin(), bank.begin() + static_cast<long>(cut));
    hostile.emplace_back(program.begin(), program.end() - 1);
    std::vector<uint8_t> notANumber = program;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(notANumber.data() + 8 + kMapBlockBytes + 5, &nan, 8);
    hostile.push_back(notANumber);
    std::vector<uint8_t> tooManySlots = bank;
    tooManySlots[12] = 130;
    hostile.push_back(tooManySlots);
    std::vector<uint8_t> noise(3000);
    SeedRand(7);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(Rand());
    hostile.push_back(noise);

    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(SetChunk(i % 2 == 0 ? 0 : 1, hostile[i]), 0) << "input " << i;
        EXPECT_EQ(GetChunk(0), bank) << "input " << i;
    }
}

TEST_F(Programs, AProgramBlockWithoutTheMarkerIsReadOnlyWhenItIsExactlyOneBlock)
{
    Create();
    Edit(ParamId::kVcfReso, 0.6);
    std::vector<uint8_t> block = GetChunk(1);
    block.erase(block.begin(), block.begin() + 8);
    Edit(ParamId::kVcfReso, 0.1);
    block.push_back(0);
    EXPECT_EQ(SetChunk(1, block), 0);
    EXPECT_NEAR(Value(ParamId::kVcfReso), 0.1, 1e-9);
    block.pop_back();
    EXPECT_EQ(SetChunk(1, block), 1);
    EXPECT_NEAR(Value(ParamId::kVcfReso), 0.6, 1e-9);
}

TEST_F(Programs, RotatingMovesEveryProgramAQuarterUpAndFourTimesRestoresTheBank)
{
    Create();
    StoreProgram(1, 0.11, "One");
    StoreProgram(97, 0.97, "NinetySeven");
    StoreProgram(100, 0.5, "Hundred");
    mPlug->SelectProgram(100);
    const std::vector<uint8_t> before = GetChunk(0);

    mPlug->ChooseRotateBanksFromMenu();
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 4);
    EXPECT_EQ(mPlug->CurrentProgramName(), "Hundred");
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.5, 1e-9);
    EXPECT_EQ(mPlug->ProgramName(1), "NinetySeven");
    EXPECT_EQ(mPlug->ProgramName(33), "One");

    for (int i = 0; i < 3; ++i)
        mPlug->RotateBanks();
    mPlug->SelectProgram(100);
    EXPECT_EQ(GetChunk(0), before);
}

TEST_F(Programs, WhileWriteIsArmedTheChosenProgramIsOverwrittenNotLoaded)
{
    Create();
    StoreProgram(9, 0.9, "Nine");
    mPlug->SelectProgram(2);
    Edit(ParamId::kVcfFreq, 0.25);
    mPlug->PressWrite(false);
    EXPECT_TRUE(mPlug->WriteArmed());
    EXPECT_FALSE(mPlug->BuildProgramMenu().rotateItem);
    mPlug->ChooseProgramFromMenu(9);
    EXPECT_FALSE(mPlug->WriteArmed());
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 9);
    Edit(ParamId::kVcfFreq, 0.7);
    mPlug->SelectProgram(9);
    EXPECT_NEAR(Value(ParamId::kVcfFreq), 0.25, 1e-9);
}

TEST_F(Programs, TheMenuListsFourQuartersOfNumberedPrograms)
{
    Create();
    StoreProgram(40, 0.4, "Forty");
    const KT4R::ProgramMenu menu = mPlug->BuildProgramMenu();
    ASSERT_EQ(menu.groups.size(), 4u);
    EXPECT_EQ(menu.groups[0].title, "   1 -  32");
    EXPECT_EQ(menu.groups[3].title, "  97 - 128");
    ASSERT_EQ(menu.groups[1].items.size(), 32u);
    EXPECT_EQ(menu.groups[0].items[4], "   5  INIT ");
    EXPECT_EQ(menu.groups[1].items[7], "  40 Forty");
    EXPECT_TRUE(menu.rotateItem);
}

TEST_F(Programs, RandomKeepsLevelAndVoicesRepeatsAfterLoadingAndInitRestoresTheDefaults)
{
    auto randomOnAFreshThread = [this] {
        // The generator is per thread and starts from the same state on every new thread.
        std::thread([this] { SetSetting(Index(SettingId::kCommandRandom), 1.0); }).join();
        std::vector<double> values;
        for (int id = 0; id < kPatchParamCount; ++id)
            values.push_back(mPlug->Param(id)->ToNormalized());
        return values;
    };
    Create();
    Edit(ParamId::kVcaLevel, 0.5);
    Edit(ParamId::kNumberOfVoices, 1.0);
    const std::vector<double> first = randomOnAFreshThread();
    EXPECT_NEAR(Value(ParamId::kVcaLevel), 0.5, 1e-9);
    EXPECT_EQ(mPlug->Param(ParamId::kNumberOfVoices)->Value(), 6.0);
    EXPECT_EQ(mPlug->CurrentProgramName(), " RANDOM ");
    EXPECT_TRUE(mPlug->Edited());
    const int xmod = static_cast<int>(mPlug->Param(ParamId::kDco2Xmod)->ToNormalized() * 3.0 + 0.5);
    if (xmod == 0 || xmod == 3) {
        EXPECT_EQ(Value(ParamId::kDco2Tune), 0.5);
        EXPECT_EQ(Value(ParamId::kDco2Env), 0.0);
        EXPECT_GE(Value(ParamId::kDco2Fine), 0.0);
        EXPECT_LE(Value(ParamId::kDco2Fine), 0.1);
    }

    Reopen();
    Dispatch(vst::effSetBlockSize, 480);
    Edit(ParamId::kVcaLevel, 0.5);
    Edit(ParamId::kNumberOfVoices, 1.0);
    EXPECT_EQ(randomOnAFreshThread(), first);

    SetSetting(Index(SettingId::kCommandInit), 1.0);
    EXPECT_EQ(mPlug->CurrentProgramName(), " INIT ");
    for (int id = 0; id < kPatchParamCount; ++id) {
        const IParameter* param = mPlug->Param(id);
        EXPECT_EQ(param->Value(), param->Default()) << "id " << id;
    }
}

} // namespace
