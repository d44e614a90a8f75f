// Where the factory bank comes from at start-up: the file beside the plug-in library, as an install
// puts it there. A library copied alone keeps its " INIT " programs, a configured DEFAULT_BANK comes
// first, the player's configured settings stay, and a host's saved state replaces everything.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "instrument/ReadoutText.h"
#include "support/FactoryBank.h"
#include "support/PluginTestSupport.h"
#include "support/Signal.h"
#include "support/TempFolder.h"
#include "tools/kt4r-render/HostFiles.h"

namespace {

using namespace kt4r_test;

struct Started {
    std::unique_ptr<PluginCopy> copy;
    std::unique_ptr<PluginHost> host;
};

Started Start(const std::string& ini, const std::vector<std::string>& besides)
{
    Started s;
    s.copy = std::make_unique<PluginCopy>(ini, "", besides);
    s.host = std::make_unique<PluginHost>();
    std::string error;
    EXPECT_TRUE(s.host->Load(s.copy->Path(), &error)) << error;
    s.host->Open(48000.0, 512);
    s.host->Resume();
    return s;
}

std::vector<std::string> ProgramNames(PluginHost& host)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 128; ++i) {
        char text[256] = {};
        host.Dispatch(vst::effGetProgramNameIndexed, i, 0, text);
        names.emplace_back(text);
    }
    return names;
}

std::string CurrentName(PluginHost& host)
{
    char text[256] = {};
    host.Dispatch(vst::effGetProgramName, 0, 0, text);
    return text;
}

// A name as the hardware's display holds it: the first 10 characters, without trailing spaces.
std::string HardwareName(const std::string& name)
{
    std::string shown = name.substr(0, 10);
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

std::vector<std::string> FactoryNames()
{
    std::vector<std::string> names;
    for (const FactoryProgram& p : FactoryPrograms())
        names.push_back(p.name);
    return names;
}

// RMS of a held middle C, after the engine has settled on the program.
double NoteLevel(PluginHost& host)
{
    Render(host, 24000, 512);
    host.QueueMidi(0, 0x90, 60, 100);
    const Stereo s = Render(host, 24064, 512);
    return kt4rtest::Rms(kt4rtest::ToDouble(s.left), 12000);
}

TEST(FactoryBank, AnInstalledPluginOpensWithTheFactoryProgramsAndProgramOneSelected)
{
    Started s = Start("", {FactoryBankPath()});
    const std::vector<std::string> factory = FactoryNames();
    ASSERT_EQ(factory.size(), 128u);
    EXPECT_EQ(ProgramNames(*s.host), factory);
    EXPECT_EQ(CurrentName(*s.host), factory[0]);
    // Program 1 plays: its DCO-1 sits at 16', where INIT has 8'.
    EXPECT_EQ(s.host->GetParameter(0), 0.0f);
}

TEST(FactoryBank, ALibraryCopiedAloneStartsWithInitPrograms)
{
    Started s = Start("", {});
    for (const std::string& name : ProgramNames(*s.host))
        ASSERT_EQ(name, " INIT ");
    EXPECT_EQ(CurrentName(*s.host), " INIT ");
    EXPECT_NEAR(s.host->GetParameter(0), 1.0 / 3.0, 1e-6);
}

TEST(FactoryBank, AConfiguredDefaultBankComesBeforeTheFactoryBank)
{
    // A bank of " INIT " programs, saved by a host from a library copied alone.
    TempFolder folder("kt4r-default-bank");
    const std::string mine = folder.PathOf("mine.KT4Rbank");
    {
        Started alone = Start("", {});
        std::string error;
        ASSERT_TRUE(SaveBankFile(*alone.host, mine, &error)) << error;
    }
    Started s = Start("DEFAULT_BANK = " + mine + "\n", {FactoryBankPath()});
    for (const std::string& name : ProgramNames(*s.host))
        ASSERT_EQ(name, " INIT ");
}

TEST(FactoryBank, TheConfiguredGainStaysWhenTheFactoryBankLoads)
{
    // The bank file carries a gain of its own (0 dB); the player's configured +6 dB is kept.
    Started normal = Start("", {FactoryBankPath()});
    Started high = Start("GLOBAL_GAIN = HIGH\n", {FactoryBankPath()});
    EXPECT_EQ(CurrentName(*high.host), FactoryNames()[0]);
    const double ratio = NoteLevel(*high.host) / NoteLevel(*normal.host);
    EXPECT_NEAR(20.0 * std::log10(ratio), 6.02, 0.1);
}

TEST(FactoryBank, AHostsSavedStateReplacesTheFactoryPrograms)
{
    std::vector<uint8_t> state;
    {
        Started alone = Start("", {});
        state = GetPluginChunk(*alone.host, false);
    }
    ASSERT_FALSE(state.empty());
    Started s = Start("", {FactoryBankPath()});
    ASSERT_TRUE(SetPluginChunk(*s.host, false, state));
    for (const std::string& name : ProgramNames(*s.host))
        ASSERT_EQ(name, " INIT ");
    EXPECT_EQ(CurrentName(*s.host), " INIT ");
}

// The hardware's copy: the 128-program SysEx file, played into a plug-in, gives every program the
// factory sound's name (as far as the hardware's 10 characters go) and its 45 hardware values.
TEST(FactoryBank, TheSysExBankGivesTheHardwareTheSameProgramsAsTheBankFile)
{
    Started factory = Start("", {FactoryBankPath()});
    Started hardware = Start("", {});
    std::string error;
    const std::string syx = FactoryBankPath().substr(0, FactoryBankPath().rfind('.')) + ".syx";
    ASSERT_TRUE(QueueSysExFile(*hardware.host, syx, &error)) << error;
    Render(*hardware.host, 512, 512);

    const std::vector<std::string> names = ProgramNames(*hardware.host);
    const std::vector<std::string> factoryNames = FactoryNames();
    ASSERT_EQ(names.size(), factoryNames.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(HardwareName(names[i]), HardwareName(factoryNames[i])) << "program " << i + 1;
    for (int program = 1; program <= 128; ++program) {
        factory.host->Dispatch(vst::effSetProgram, 0, program);
        hardware.host->Dispatch(vst::effSetProgram, 0, program);
        // A dump carries a switch as one of four bytes and a slider in 127 steps: the values differ in
        // their last digits, the panel shows the same. "LFO BEND" (id 34) is not part of a dump.
        for (int id = 0; id <= 44; ++id) {
            if (id == 34)
                continue;
            const kt4r::ReadoutContext panel;
            EXPECT_EQ(kt4r::ReadoutValueText(id, hardware.host->GetParameter(id), panel),
                      kt4r::ReadoutValueText(id, factory.host->GetParameter(id), panel))
                << "program " << program << ", " << kt4r::ReadoutLabel(id);
        }
    }
}

// Each quarter's SysEx file holds its 32 programs, written (as the hardware takes them) into 1-32.
TEST(FactoryBank, EachQuarterOfTheSysExBankHoldsItsThirtyTwoPrograms)
{
    const std::vector<std::string> factoryNames = FactoryNames();
    const std::string base = FactoryBankPath().substr(0, FactoryBankPath().rfind('.'));
    for (int first = 1; first <= 128; first += 32) {
        Started hardware = Start("", {});
        std::string error;
        const std::string syx = base + " " + std::to_string(first) + "-" + std::to_string(first + 31) + ".syx";
        ASSERT_TRUE(QueueSysExFile(*hardware.host, syx, &error)) << error;
        Render(*hardware.host, 512, 512);
        const std::vector<std::string> names = ProgramNames(*hardware.host);
        for (int k = 0; k < 32; ++k)
            EXPECT_EQ(HardwareName(names[k]), HardwareName(factoryNames[first - 1 + k])) << syx << ", program " << k + 1;
        EXPECT_EQ(names[32], " INIT ") << syx;
    }
}

} // namespace
