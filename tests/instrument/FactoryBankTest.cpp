// Where the factory bank comes from at start-up: the file beside the plug-in library, as an install
// puts it there. A library copied alone keeps its " INIT " programs, a configured DEFAULT_BANK comes
// first, the player's configured settings stay, and a host's saved state replaces everything.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

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

} // namespace
