// The engine plays what the parameters hold, however many changes arrive between two blocks: a flood
// of automation while the host keeps the plug-in suspended, a SysEx bank delivered in one event, many
// dumps in one host block. Each is heard against a fresh instance given only the final values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "instrument/ParamTable.h"
#include "instrument/SysExFile.h"
#include "support/InstrumentRig.h"

namespace {

using namespace kt4r;

class EngineInStep : public kt4rtest::InstrumentRig {
protected:
    // The level in dB of a held note 48 once its attack is over.
    double NoteLevelDb()
    {
        SendMidi({{0x90, 48, 100}});
        const std::vector<double> levels = Render(40);
        double sum = 0.0;
        for (size_t i = 30; i < levels.size(); ++i)
            sum += levels[i] * levels[i];
        return 10.0 * std::log10(sum / 10.0 + 1e-30);
    }
    // The same note in a fresh instance that takes this one's state as a host restores it.
    double NoteLevelDbOfARestoredCopy()
    {
        const std::vector<uint8_t> bank = GetChunk(0);
        Reopen();
        EXPECT_EQ(SetChunk(0, bank), 1);
        return NoteLevelDb();
    }
    void SetParameter(ParamId id, float value) { mEffect->setParameter(mEffect, Index(id), value); }
    // The plug-in's own answer (vst::kVendorEngineInStep): every engine value is what the parameters give.
    bool EngineFollowsParameters()
    {
        return mEffect->dispatcher(mEffect, vst::effVendorSpecific, vst::kVendorEngineInStep, 0, nullptr, 0.0f) == 1;
    }
    // The default patch, with the filter well open so that the note is clearly heard.
    SysExProgram DefaultProgram(std::string name)
    {
        SysExProgram program;
        for (int id = 0; id < kPatchParamCount; ++id) {
            const IParameter* param = mPlug->Param(id);
            program.values[static_cast<size_t>(id)] = param->ToNormalized(param->Default());
        }
        program.values[Index(ParamId::kVcfFreq)] = 0.7;
        program.name = std::move(name);
        return program;
    }
};

TEST_F(EngineInStep, AutomationWhileSuspendedTakesEffectAtResumeWhateverItsAmount)
{
    Create();
    Dispatch(vst::effMainsChanged, 0);
    for (int i = 0; i < 5000; ++i)
        SetParameter(ParamId::kVcfFreq, static_cast<float>(i % 100) / 100.0f);
    SetParameter(ParamId::kVcfFreq, 0.05f);
    Dispatch(vst::effMainsChanged, 1);
    const double flooded = NoteLevelDb();
    EXPECT_NEAR(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), 0.05, 1e-6);
    EXPECT_TRUE(EngineFollowsParameters());

    // Heard against a second instance given only the final value (instances differ a little in their
    // noise and LFO, so levels are compared within a decibel; the fault was twenty).
    Reopen();
    SetParameter(ParamId::kVcfFreq, 0.05f);
    EXPECT_NEAR(flooded, NoteLevelDb(), 1.0);
}

TEST_F(EngineInStep, ASysExBankInOneEventLeavesTheEngineOnTheLastProgramsValues)
{
    Create();
    SysExCodec codec;
    std::vector<SysExProgram> programs(64, DefaultProgram("P"));
    for (size_t k = 0; k < programs.size(); ++k) {
        programs[k].values[Index(ParamId::kVcaLevel)] = k + 1 < programs.size() ? 1.0 : 0.3;
        programs[k].name += std::to_string(k + 1); // "P1", "P2", ...
    }
    // The bank's programs, then the last one's dump again as the edit buffer.
    std::vector<uint8_t> bytes = BuildSysExBankFile(codec, programs);
    const std::vector<uint8_t> last = BuildSysExProgramFile(codec, programs.back());
    bytes.insert(bytes.end(), last.begin(), last.end());
    SendSysEx(bytes);
    EXPECT_NEAR(mPlug->Param(ParamId::kVcaLevel)->ToNormalized(), 0.3, 0.01);
    const double received = NoteLevelDb();
    EXPECT_TRUE(EngineFollowsParameters());
    EXPECT_NEAR(received, NoteLevelDbOfARestoredCopy(), 1.0);
}

TEST_F(EngineInStep, FortyDumpsInOneHostBlockLeaveTheFilterWhereTheLastOneSetIt)
{
    Create();
    SysExCodec codec;
    std::vector<uint8_t> bytes;
    for (int k = 0; k < 40; ++k) {
        SysExProgram program = DefaultProgram("Dump");
        program.values[Index(ParamId::kVcfFreq)] = k < 39 ? 1.0 : 0.3;
        const std::vector<uint8_t> dump = BuildSysExProgramFile(codec, program);
        bytes.insert(bytes.end(), dump.begin(), dump.end());
    }
    SendSysEx(bytes);
    const double received = NoteLevelDb();
    EXPECT_TRUE(EngineFollowsParameters());
    EXPECT_NEAR(received, NoteLevelDbOfARestoredCopy(), 1.0);
}

// A learned controller's change takes effect at its frame offset, as automation does: a held note at
// "VCA LEVEL" 0 grows loud where the controller raised the level, not from the block's start.
TEST_F(EngineInStep, ALearnedControllerActsAtItsFrameOffset)
{
    Create();
    std::ofstream(mFolder + "/KT-4R.map") << "   27   20 0 1\n"; // controller 20 drives "VCA LEVEL"
    Reopen();
    mPlug->SetParamFromEditor(Index(ParamId::kVcaLevel), 0.0);
    SendMidi({{0x90, 60, 100}});
    Render(20);

    SendMidi({{0xB0, 20, 127}}, 300);
    std::vector<float> left(480), right(480);
    float* outputs[] = {left.data(), right.data()};
    mEffect->processReplacing(mEffect, nullptr, outputs, 480);

    auto peak = [&](int from, int to) {
        float p = 0.0f;
        for (int i = from; i < to; ++i)
            p = std::max(p, std::fabs(left[static_cast<size_t>(i)]));
        return p;
    };
    EXPECT_NEAR(mPlug->Param(ParamId::kVcaLevel)->ToNormalized(), 1.0, 1e-6);
    // "VCA LEVEL" 0 still lets a little through: the controller's step is what is heard.
    EXPECT_GT(peak(330, 480), 3.0f * peak(0, 290)) << "louder only from the controller on";
}

// A learned controller read while the host keeps the plug-in suspended, then a program the host
// chooses: at resume the engine plays the program as the parameters hold it, not the controller's
// older value (whose frame offset must not put it after the program).
TEST_F(EngineInStep, AControllerMovedWhileSuspendedDoesNotOvertakeALaterProgramChange)
{
    Create();
    std::ofstream(mFolder + "/KT-4R.map") << "   20   21 0 1\n"; // controller 21 drives "VCF FREQ"
    Reopen();
    SetParameter(ParamId::kVcfFreq, 0.3f);
    SendSysEx({0xF0, 0x41, 0x34, 0x00, 0x21, 0x20, 0x01, 0x00, 0x04, 0x02, 0xF7}); // stored as program 5
    Render(1);
    Dispatch(vst::effMainsChanged, 0);
    SendMidi({{0xB0, 21, 127}}, 300);
    Render(1);
    ASSERT_NEAR(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), 1.0, 1e-6);
    Dispatch(vst::effSetProgram, 5);
    Dispatch(vst::effMainsChanged, 1);
    Render(1);
    EXPECT_NEAR(mPlug->Param(ParamId::kVcfFreq)->ToNormalized(), 0.3, 0.01);
    EXPECT_TRUE(EngineFollowsParameters());
}

// A value below the smallest normal float (a host's 1e-40) reaches the engine as the same bits
// whether it is posted between blocks or inside one, where denormals are flushed: here again with every
// other value when a learned controller changes the voice count.
TEST_F(EngineInStep, ATinyValueReachesTheEngineAlikeFromTheHostAndFromInsideABlock)
{
    Create();
    std::ofstream(mFolder + "/KT-4R.map") << "   67   20 0 1\n"; // controller 20 drives "Number of Voices"
    Reopen();
    SetParameter(ParamId::kDco1Lfo, 1e-40f);
    Render(1);
    EXPECT_TRUE(EngineFollowsParameters());
    SendMidi({{0xB0, 20, 127}}, 10);
    Render(1);
    EXPECT_EQ(mPlug->Param(ParamId::kNumberOfVoices)->Value(), 6.0); // twelve voices, rebuilt
    EXPECT_TRUE(EngineFollowsParameters());
}

} // namespace
