// The host's program list as hosts use it: walking it to build their menus, choosing entries, reading
// and setting names. Choosing an entry does what choosing the program on the panel does; the stored
// programs change only when written.
#include <gtest/gtest.h>

#include "editor/KT4RPanel.h"
#include "editor/MyReadout.h"
#include "instrument/ParamTable.h"
#include "support/InstrumentRig.h"

namespace {

using namespace kt4r;

class HostProgramList : public kt4rtest::InstrumentRig {
protected:
    double Vcf() { return mPlug->Param(ParamId::kVcfFreq)->ToNormalized(); }
    void StoreProgram(int number, double vcf, const std::string& name)
    {
        mPlug->SetParamFromEditor(Index(ParamId::kVcfFreq), vcf);
        mPlug->SetProgramName(name);
        mPlug->WriteProgram(number);
    }
    void HostChooses(int index) { Dispatch(vst::effSetProgram, index); }
    std::string NameAt(int index, intptr_t* answer = nullptr)
    {
        char text[256] = "unchanged";
        const intptr_t a = mEffect->dispatcher(mEffect, vst::effGetProgramNameIndexed, index, 0, text, 0.0f);
        if (answer)
            *answer = a;
        return text;
    }
    std::string CurrentName()
    {
        char text[256] = {};
        Dispatch(vst::effGetProgramName, 0, text);
        return text;
    }
};

TEST_F(HostProgramList, ChoosingEntriesLoadsThemAsThePanelDoesAndLeavesTheProgramsAsStored)
{
    Create(std::string(), true);
    StoreProgram(5, 0.25, "Five");
    StoreProgram(7, 0.75, "Seven");
    mPlug->SelectProgram(1);

    HostChooses(5);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 5);
    EXPECT_EQ(CurrentName(), "Five");
    EXPECT_NEAR(Vcf(), 0.25, 1e-9);
    EXPECT_FALSE(mPlug->Edited());
    Tick();
    EXPECT_EQ(Panel().ProgramNumber().Program(), 5);
    EXPECT_EQ(Panel().ProgramName().Text(), "Five");

    HostChooses(7);
    HostChooses(0); // the edit buffer itself: nothing changes
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 7);
    EXPECT_NEAR(Vcf(), 0.75, 1e-9);

    HostChooses(5);
    EXPECT_EQ(CurrentName(), "Five");
    EXPECT_NEAR(Vcf(), 0.25, 1e-9) << "program 5 keeps its own sound";
    EXPECT_EQ(NameAt(7), "Seven");
    EXPECT_EQ(Dispatch(vst::effGetProgram), 0) << "what plays is always the edit buffer, entry 0";
}

TEST_F(HostProgramList, WalkingTheWholeListAndComingBackLeavesTheStateByteIdentical)
{
    Create();
    StoreProgram(5, 0.25, "Five");
    StoreProgram(7, 0.75, "Seven");
    mPlug->SelectProgram(7);
    const std::vector<uint8_t> before = GetChunk(0);

    // Older hosts build their program menu this way: every entry chosen in turn and its name read.
    for (int index = 0; index <= 129; ++index) {
        HostChooses(index);
        CurrentName();
        NameAt(index);
    }
    HostChooses(7);
    EXPECT_EQ(GetChunk(0), before);
}

TEST_F(HostProgramList, ReadingNamesChangesNothingEvenWhileTheEditBufferIsEdited)
{
    Create();
    StoreProgram(5, 0.25, "Five");
    mPlug->SelectProgram(5);
    mPlug->SetParamFromEditor(Index(ParamId::kVcfFreq), 0.6);
    const std::vector<uint8_t> before = GetChunk(0);

    intptr_t answer = 0;
    for (int index = -1; index <= 130; ++index) {
        NameAt(index);
        CurrentName();
        Dispatch(vst::effGetProgram);
    }
    EXPECT_EQ(GetChunk(0), before);
    EXPECT_EQ(NameAt(0, &answer), "Five") << "entry 0 is the edit buffer";
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(NameAt(128, &answer), " INIT ");
    EXPECT_EQ(NameAt(129, &answer), "");
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(NameAt(-1, &answer), "");
    EXPECT_EQ(answer, 0);
}

TEST_F(HostProgramList, AnEditMadeAfterTheHostChoseAProgramStaysInTheEditBufferUntilWritten)
{
    Create();
    StoreProgram(5, 0.25, "Five");
    mPlug->SelectProgram(1);
    HostChooses(5);
    mPlug->SetParamFromEditor(Index(ParamId::kVcfFreq), 0.9);
    const std::vector<uint8_t> bank = GetChunk(0);

    Reopen();
    ASSERT_EQ(SetChunk(0, bank), 1);
    EXPECT_EQ(mPlug->CurrentProgramNumber(), 5);
    EXPECT_TRUE(mPlug->Edited());
    EXPECT_NEAR(Vcf(), 0.9, 1e-9);
    mPlug->SelectProgram(5);
    EXPECT_NEAR(Vcf(), 0.25, 1e-9) << "the edit never reached program 5";
}

TEST_F(HostProgramList, TheHostsNameNamesTheEditBufferWithoutAnEditOrAWrite)
{
    Create();
    StoreProgram(5, 0.25, "Five");
    SetSetting(Index(SettingId::kImmediateWrite), 1.0);
    mPlug->SelectProgram(5);
    Dispatch(vst::effSetProgramName, 0, const_cast<char*>("Host Name"));
    EXPECT_EQ(CurrentName(), "Host Name");
    EXPECT_EQ(NameAt(0), "Host Name");
    EXPECT_EQ(NameAt(5), "Five");
    EXPECT_FALSE(mPlug->Edited());
}

} // namespace
