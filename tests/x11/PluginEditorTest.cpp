// The built plug-in's editor in a real window: loaded through its entry point as a host loads it, the
// editor opened in a host-made window and served through the editor-idle opcode, the player's clicks
// and drags synthesized with XTEST while an audio thread renders.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "tests/support/PluginTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tests/x11/X11TestHost.h"

using namespace kt4r_test;

namespace {

constexpr int kUnison = 51;  // the key-assign button UNISON, at (84, 79), 38 x 28
constexpr int kVcfFreq = 20; // the VCF FREQ slider, track at (481, 183), 29 x 121

// Renders blocks on a thread of its own until stopped, as a host's audio thread does.
class AudioThread {
public:
    explicit AudioThread(PluginHost& host) : mThread([this, &host] {
        std::vector<float> l(256), r(256), in(256, 0.0f);
        float* outputs[2] = {l.data(), r.data()};
        float* inputs[2] = {in.data(), in.data()};
        while (!mStop) {
            host.ProcessFloat(inputs, outputs, 256);
            ++blocks;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    })
    {
    }
    ~AudioThread()
    {
        mStop = true;
        mThread.join();
    }
    std::atomic<int> blocks{0};

private:
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

class PluginEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        KT4R_REQUIRE_X();
        xhost = std::make_unique<X11TestHost>();
        ASSERT_TRUE(xhost->Ok());
        plugin = LoadPlugin();
        ASSERT_TRUE(plugin.host && plugin->Effect());
        plugin->RecordEditCalls(4096);
    }
    // Idle calls as a host makes them: every 15 ms from its UI thread.
    void Pump(int ms, const std::function<bool()>& done = nullptr)
    {
        PumpFor(ms, [this] { plugin->Dispatch(vst::effEditIdle); }, done, 15);
    }
    Window OpenEditor()
    {
        const intptr_t opened = plugin->Dispatch(vst::effEditOpen, 0, 0, xhost->ParentHandle());
        EXPECT_EQ(opened, 1);
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(xhost->Dpy(), xhost->Parent(), &root, &parent, &children, &count);
        const Window window = count == 1 ? children[0] : 0;
        if (children)
            XFree(children);
        Pump(300);
        return window;
    }

    std::unique_ptr<X11TestHost> xhost;
    LoadedPlugin plugin;
};

bool HasEditor(PluginHost& host)
{
    vst::Rect* rect = nullptr;
    return host.Dispatch(vst::effEditGetRect, 0, 0, &rect) == 1 && rect && rect->right - rect->left == 860 &&
           rect->bottom - rect->top == 692;
}

} // namespace

TEST_F(PluginEditor, ClickingUnisonAndDraggingVcfFreqChangeTheParametersAndTellTheHostWhileAudioRuns)
{
    if (!HasEditor(*plugin.host))
        GTEST_SKIP() << "the plug-in has no editor panel yet";
    const Window window = OpenEditor();
    ASSERT_NE(window, 0u);
    AudioThread audio(*plugin.host);
    plugin->TakeEditCalls();
    XInput& input = xhost->Input();

    const float unisonBefore = plugin->GetParameter(kUnison);
    input.Click(window, 84 + 19, 79 + 14);
    Pump(300, [&] { return plugin->GetParameter(kUnison) != unisonBefore; });
    EXPECT_FLOAT_EQ(plugin->GetParameter(kUnison), 0.4f); // UNISON in its first mode
    // The button belongs to the key-assign group, which tells the host the group's new value between
    // the begin and the end of the edit.
    std::vector<PluginHost::EditCall> calls = plugin->TakeEditCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, vst::audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, kUnison);
    EXPECT_EQ(calls.back().opcode, vst::audioMasterEndEdit);
    EXPECT_EQ(calls.back().index, kUnison);
    bool automated = false;
    for (const auto& call : calls)
        automated |= call.opcode == vst::audioMasterAutomate && call.index == kUnison &&
                     call.value == plugin->GetParameter(kUnison);
    EXPECT_TRUE(automated);

    // Down the VCF FREQ track (it starts fully open): the cutoff falls, and the host hears the steps
    // between begin and end.
    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    const float freqBefore = plugin->GetParameter(kVcfFreq);
    input.MoveTo(window, 481 + 14, 183 + 20);
    input.Button(1, true);
    for (int step = 1; step <= 8; ++step) {
        input.MoveTo(window, 481 + 14, 183 + 20 + 8 * step);
        Pump(30);
    }
    input.Button(1, false);
    Pump(300);
    const float freqAfter = plugin->GetParameter(kVcfFreq);
    EXPECT_LT(freqAfter, freqBefore);
    EXPECT_GT(freqAfter, 0.0f);
    calls = plugin->TakeEditCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, vst::audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, kVcfFreq);
    EXPECT_EQ(calls.back().opcode, vst::audioMasterEndEdit);
    int automates = 0;
    float lastAutomated = -1.0f;
    for (const auto& call : calls)
        if (call.opcode == vst::audioMasterAutomate && call.index == kVcfFreq) {
            ++automates;
            lastAutomated = call.value;
        }
    EXPECT_GE(automates, 2);
    EXPECT_FLOAT_EQ(lastAutomated, freqAfter);
    EXPECT_GT(audio.blocks.load(), 10) << "audio kept running while the editor worked";

    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST_F(PluginEditor, UnisonClickedTwiceQuicklyStepsTwiceAndEveryEndOfEditFollowsItsBegin)
{
    if (!HasEditor(*plugin.host))
        GTEST_SKIP() << "the plug-in has no editor panel yet";
    const Window window = OpenEditor();
    plugin->TakeEditCalls();
    XInput& input = xhost->Input();

    // Two clicks 0.2 s apart: the second arrives as a double click and must still be a click.
    input.Click(window, 84 + 19, 79 + 14);
    Pump(200);
    input.Click(window, 84 + 19, 79 + 14);
    Pump(300, [&] { return plugin->GetParameter(kUnison) == 0.6f; });
    EXPECT_FLOAT_EQ(plugin->GetParameter(kUnison), 0.6f); // UNISON in its second mode

    int open = 0, begins = 0;
    for (const auto& call : plugin->TakeEditCalls()) {
        if (call.opcode == vst::audioMasterBeginEdit) {
            EXPECT_EQ(open, 0) << "a begin inside an open edit";
            ++open, ++begins;
        } else if (call.opcode == vst::audioMasterEndEdit) {
            EXPECT_EQ(open, 1) << "an end of edit without its begin";
            --open;
        }
    }
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(open, 0);
    plugin->Dispatch(vst::effEditClose);
}

TEST_F(PluginEditor, TheHostDestroyingItsWindowFirstAndAHundredOpensAreSurvived)
{
    if (!HasEditor(*plugin.host))
        GTEST_SKIP() << "the plug-in has no editor panel yet";
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(plugin->Dispatch(vst::effEditOpen, 0, 0, xhost->ParentHandle()), 1) << "open " << i;
        plugin->Dispatch(vst::effEditIdle);
        plugin->Dispatch(vst::effEditClose);
    }
    OpenEditor();
    xhost->DestroyParent();
    Pump(100);
    EXPECT_EQ(plugin->Dispatch(vst::effEditClose), 1);
}

TEST_F(PluginEditor, LoadRunsTheChooserBesideTheHostAndItsAnswerReachesThePanel)
{
    if (!HasEditor(*plugin.host))
        GTEST_SKIP() << "the plug-in has no editor panel yet";
    // A desktop whose chooser takes half a second and names a file that is not there, and whose
    // message box writes down what it was asked to show.
    TempFolder fakes("kt4r-fake-desktop");
    const std::string folder = fakes.Path().string();
    std::ofstream(folder + "/zenity") << "#!/bin/sh\n"
                                      << "if [ \"$1\" = --file-selection ]; then /bin/sleep 0.5; echo " << folder
                                      << "/missing.KT4Rbank; exit 0; fi\n"
                                      << "for a in \"$@\"; do echo \"$a\"; done > " << folder << "/message.tmp\n"
                                      << "/bin/mv " << folder << "/message.tmp " << folder << "/message.log\n";
    chmod((folder + "/zenity").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", folder.c_str(), 1);

    const Window window = OpenEditor();
    xhost->Input().Click(window, 209 + 19, 79 + 14); // LOAD
    double longestIdleMs = 0;
    const auto start = std::chrono::steady_clock::now();
    PumpFor(
        3000,
        [&] {
            const auto t = std::chrono::steady_clock::now();
            plugin->Dispatch(vst::effEditIdle);
            longestIdleMs = std::max(
                longestIdleMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
        },
        [&] { return std::ifstream(folder + "/message.log").good(); }, 15);
    const double waitedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    setenv("PATH", oldPath.c_str(), 1);

    std::stringstream message;
    message << std::ifstream(folder + "/message.log").rdbuf();
    EXPECT_NE(message.str().find("Could not load \"missing.KT4Rbank\"."), std::string::npos) << message.str();
    EXPECT_GE(waitedMs, 450.0) << "the chooser's answer came through idle, after it ended";
    // Well below the chooser's half second, with room for a loaded machine.
    EXPECT_LT(longestIdleMs, 300.0) << "no idle call waited for the chooser";
    plugin->Dispatch(vst::effEditClose);
}

TEST_F(PluginEditor, AHostClosingThePluginWithTheEditorAndAChooserOpenEndsTheChooser)
{
    if (!HasEditor(*plugin.host))
        GTEST_SKIP() << "the plug-in has no editor panel yet";
    TempFolder fakes("kt4r-fake-desktop");
    const std::string folder = fakes.Path().string();
    std::ofstream(folder + "/zenity") << "#!/bin/sh\necho $$ > " << folder << "/pid\nexec /bin/sleep 30\n";
    chmod((folder + "/zenity").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", folder.c_str(), 1);
    const Window window = OpenEditor();
    xhost->Input().Click(window, 209 + 19, 79 + 14); // LOAD
    Pump(2000, [&] { return std::ifstream(folder + "/pid").good(); });
    setenv("PATH", oldPath.c_str(), 1);
    Pump(100);
    int pid = 0;
    std::ifstream(folder + "/pid") >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(kill(pid, 0), 0) << "the chooser is open";

    plugin.host.reset(); // effClose with the editor still open, as some hosts do
    EXPECT_NE(kill(pid, 0), 0) << "the chooser went with the plug-in";
}
