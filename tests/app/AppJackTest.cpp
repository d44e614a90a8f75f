// kt4r against a real JACK server: jackd with the dummy driver on a name of its own, kt4r started as a
// player starts it (without the panel), a JACK client that plays notes into it and records its outputs.
#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/app/AppTestSupport.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/support/Signal.h"
#include "tests/support/TempFolder.h"
#include "tools/kt4r-render/HostFiles.h"

using namespace kt4r_test;

namespace {

constexpr double kRate = 48000.0;
constexpr double kNote69Hz = 439.70; // the default patch's tuning of note 69, as the plug-in plays it

double Db(double x)
{
    return 20.0 * std::log10(x);
}

// One test's world: a server, a plug-in copy of its own (its configuration file stays in its folder),
// a state file path and logs.
class AppJack : public ::testing::Test {
protected:
    void SetUp() override
    {
        KT4R_REQUIRE_JACKD();
        server = std::make_unique<JackDummyServer>(256);
        ASSERT_TRUE(server->Running()) << "jackd did not come up";
        state = folder.PathOf("standalone.state");
    }
    std::unique_ptr<ChildProcess> StartApp(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {KT4R_APP_PATH, "--no-gui",        "--no-alsa",  "--server",
                                         server->Name(), "--plugin", plugin.Path(), "--state", state};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<ChildProcess>(args, folder.PathOf("kt4r-" + std::to_string(runs++) + ".log"));
    }
    // kt4r connected to the probe's ports: ready once the probe's input has a connection.
    std::unique_ptr<ChildProcess> StartConnected(JackProbe& probe, const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> args = {"--connect-audio", probe.Port("in_l") + "," + probe.Port("in_r"),
                                         "--connect-midi", probe.Port("midi_out")};
        args.insert(args.end(), extra.begin(), extra.end());
        auto app = StartApp(args);
        EXPECT_TRUE(probe.WaitForConnection(15000)) << app->Log();
        return app;
    }
    // The bank chunk a fresh plug-in with the same configuration starts with.
    std::vector<uint8_t> DefaultState()
    {
        LoadedPlugin fresh = LoadPlugin();
        return GetPluginChunk(*fresh.host, false);
    }

    TempFolder folder{"kt4r-app-test"};
    PluginCopy plugin;
    std::unique_ptr<JackDummyServer> server;
    std::string state;
    int runs = 0;
};

// The steady part of a held note in the plug-in's own render, through a host in this process.
double ReferenceLevel(int note)
{
    LoadedPlugin reference = LoadPlugin(std::string(), kRate, 256);
    reference->QueueMidi(0, 0x90, static_cast<uint8_t>(note), 100);
    const Stereo out = Render(*reference.host, static_cast<int>(kRate), 256);
    return kt4rtest::Rms(kt4rtest::ToDouble(out.left, out.left.size() / 2));
}

} // namespace

TEST_F(AppJack, PlaysTheNotesAJackClientSendsAtThePluginsPitchAndLevelAndFollowsAChangeOfPeriod)
{
    JackProbe probe(server->Name());
    ASSERT_TRUE(probe.Ok());
    auto app = StartConnected(probe, {"--verbose"});
    std::vector<float> left, right;
    ASSERT_TRUE(probe.Record(12000, &left, &right));
    EXPECT_LT(kt4rtest::Peak(kt4rtest::ToDouble(left)), 1e-4) << "silent before the first note";

    probe.Send({0x90, 69, 100});
    ASSERT_TRUE(probe.RecordSteady(static_cast<size_t>(kRate), &left, &right));
    const std::vector<double> held = kt4rtest::ToDouble(left, left.size() / 2);
    EXPECT_NEAR(kt4rtest::StrongestFrequency(held, kRate, 300.0, 600.0), kNote69Hz, 0.5);
    EXPECT_NEAR(Db(kt4rtest::Rms(held)), Db(ReferenceLevel(69)), 1.0) << "the level of the plug-in's own render";
    EXPECT_GT(kt4rtest::Rms(kt4rtest::ToDouble(right, right.size() / 2)), 0.01);

    // The server's period changes while the note sounds; the next note still plays in tune. (A longer
    // period, not a shorter one: on a loaded two-core machine the dummy driver drops periods of 64
    // frames in every second, and the probe would find no steady take to measure.)
    ASSERT_TRUE(probe.SetPeriod(512));
    probe.Send({0x80, 69, 0});
    probe.Send({0x90, 57, 100});
    ASSERT_TRUE(probe.RecordSteady(static_cast<size_t>(kRate), &left, &right));
    EXPECT_NEAR(kt4rtest::StrongestFrequency(kt4rtest::ToDouble(left, left.size() / 2), kRate, 150.0, 300.0),
                kNote69Hz / 2.0, 0.5);

    app->Signal(SIGTERM);
    EXPECT_EQ(app->Wait(10000), 0) << app->Log();
    EXPECT_NE(app->Log().find("512 frames per period"), std::string::npos) << app->Log();
    EXPECT_NE(app->Log().find("xruns"), std::string::npos) << "--verbose reports the run at exit";
}

TEST_F(AppJack, KeepsItsWholeStateAcrossARestart)
{
    const std::vector<uint8_t> defaults = DefaultState();
    ASSERT_FALSE(defaults.empty());
    {
        JackProbe probe(server->Name());
        auto app = StartConnected(probe);
        probe.Send({0xC0, 5}); // program 6 becomes the current program
        std::vector<float> left, right;
        probe.Record(4800, &left, &right);
        app->Signal(SIGTERM);
        ASSERT_EQ(app->Wait(10000), 0) << app->Log();
    }
    const std::vector<uint8_t> changed = ReadAll(state);
    ASSERT_FALSE(changed.empty());
    EXPECT_NE(changed, defaults);
    {
        JackProbe probe(server->Name());
        auto app = StartConnected(probe);
        app->Signal(SIGTERM);
        ASSERT_EQ(app->Wait(10000), 0) << app->Log();
        EXPECT_EQ(app->Log(), "") << "a good state file is taken without a word";
    }
    EXPECT_EQ(ReadAll(state), changed) << "the second run started from the first run's state";
}

TEST_F(AppJack, ADamagedStateFileIsReportedAndKeptAsideAndThePlugInStartsFromItsDefaults)
{
    const std::vector<uint8_t> defaults = DefaultState();
    // Half of a state: the plug-in would read the first program slots and stop.
    const std::vector<uint8_t> damaged(defaults.begin(), defaults.begin() + defaults.size() / 2);
    WriteAll(state, damaged);
    JackProbe probe(server->Name());
    auto app = StartConnected(probe);
    app->Signal(SIGTERM);
    ASSERT_EQ(app->Wait(10000), 0) << app->Log();
    EXPECT_NE(app->Log().find("is damaged"), std::string::npos) << app->Log();
    EXPECT_NE(app->Log().find(state + ".damaged"), std::string::npos) << app->Log();
    EXPECT_EQ(ReadAll(state + ".damaged"), damaged) << "kept as it was";
    EXPECT_EQ(ReadAll(state), defaults) << "nothing of the damaged file was taken";

    // Bytes that are no state at all, with the first damaged file still beside it.
    WriteAll(state, {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'a', 't', 'e'});
    auto again = StartConnected(probe);
    again->Signal(SIGTERM);
    ASSERT_EQ(again->Wait(10000), 0) << again->Log();
    EXPECT_EQ(ReadAll(state + ".damaged"), damaged);
    EXPECT_EQ(ReadAll(state + ".damaged-2").size(), 11u);
}

TEST_F(AppJack, TheServerGoingAwayEndsTheRunWithAMessageAndTheStateSaved)
{
    std::unique_ptr<ChildProcess> app;
    {
        JackProbe probe(server->Name());
        app = StartConnected(probe);
    }
    server->Stop(SIGKILL);
    const int status = app->Wait(10000);
    EXPECT_EQ(status, 1) << "a failure, told as one; not a crash\n" << app->Log();
    EXPECT_NE(app->Log().find("JACK server went away"), std::string::npos) << app->Log();
    EXPECT_FALSE(ReadAll(state).empty());
}

TEST(AppWithoutServer, SaysThatNoServerRunsAndHowToStartOne)
{
    TempFolder folder("kt4r-app-test");
    ChildProcess app({KT4R_APP_PATH, "--no-gui", "--no-alsa", "--server", "kt4r-test-no-such-server", "--state",
                      folder.PathOf("s.state")},
                     folder.PathOf("log"));
    EXPECT_EQ(app.Wait(10000), 1);
    const std::string log = app.Log();
    EXPECT_NE(log.find("no JACK server is running"), std::string::npos) << log;
    EXPECT_NE(log.find("jackd -d"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("s.state"))) << "nothing ran, nothing is written";
}
