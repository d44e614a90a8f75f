// kt4r: KT-4R without a DAW. Hosts the plug-in library through its VST2 entry point, plays it through
// JACK (audio out, MIDI in and out) and the ALSA sequencer (MIDI in), shows its panel in a window of
// its own and keeps its whole state between runs.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/AlsaMidiInput.h"
#include "app/AppWindow.h"
#include "app/JackClient.h"
#include "app/MessageRing.h"
#include "app/Options.h"
#include "app/PluginMidiOut.h"
#include "app/StateFile.h"
#include "app/StateKeeper.h"
#include "tools/kt4r-render/PluginHost.h"

namespace {

// The idle loop's rate: the editor redraws at most this often, and the loop notices a quit request,
// the server's going and a change of rate or period size within one tick.
constexpr int kIdlePerSecond = 25;

volatile std::sig_atomic_t gQuitSignal = 0;

void OnQuitSignal(int signal)
{
    gQuitSignal = signal;
}

void Say(const std::string& text)
{
    std::fprintf(stderr, "kt4r: %s\n", text.c_str());
}

void CatchQuitSignals()
{
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    // A quit request during start-up lets the server calls under way finish; the loop then quits.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void ReportStats(const JackClient::Stats& stats, double rate, int block, uint64_t droppedOut)
{
    const double periodUs = rate > 0.0 ? block * 1e6 / rate : 0.0;
    std::fprintf(stderr,
                 "kt4r: %llu periods of %d frames at %.0f Hz, %llu xruns; the plug-in took %.1f us per period "
                 "on average (%.1f%% of the period), %.1f us at most; MIDI dropped: %llu in, %llu out\n",
                 static_cast<unsigned long long>(stats.periods), block, rate,
                 static_cast<unsigned long long>(stats.xruns), stats.meanProcessUs,
                 periodUs > 0.0 ? 100.0 * stats.meanProcessUs / periodUs : 0.0, stats.maxProcessUs,
                 static_cast<unsigned long long>(stats.droppedMidi), static_cast<unsigned long long>(droppedOut));
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        Say(error);
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    CatchQuitSignals();

    PluginHost host;
    host.productString = "kt4r";
    PluginMidiOut midiOut;
    host.SetEventSink(PluginMidiOut::Sink, &midiOut);
    MessageRing sequencerRing(256 * 1024);
    JackClient jack(host, sequencerRing, midiOut);
    if (!jack.Open(options.server, options.clientName, options.verbose, &error)) {
        Say(error);
        return 1;
    }
    const std::string pluginPath = options.plugin.empty() ? DefaultPluginPath() : options.plugin;
    if (!host.Load(pluginPath, &error)) {
        Say("cannot load the plug-in \"" + pluginPath + "\": " + error);
        return 1;
    }
    double rate = jack.SampleRate();
    int block = jack.BlockSize();
    host.Open(rate, block);

    StateKeeper state(host, options.statePath.empty() ? state_file::DefaultPath() : options.statePath);
    bool trouble = false;
    const std::string restored = state.Restore(&trouble);
    if (!restored.empty())
        Say(restored);
    host.Resume();

    if (!jack.Activate(&error)) {
        Say(error);
        return 1;
    }
    if (!options.audioLeft.empty() && !jack.ConnectAudio(options.audioLeft, options.audioRight, &error))
        Say(error);
    for (const std::string& destination : options.midiDestinations)
        if (!jack.ConnectMidiOut(destination, &error))
            Say(error);

    std::unique_ptr<AlsaMidiInput> sequencer;
    if (options.alsa) {
        sequencer = std::make_unique<AlsaMidiInput>(sequencerRing, JackClient::FrameTimeOf, &jack);
        if (!sequencer->Open(jack.Name(), &error)) {
            if (options.verbose)
                Say(error + "; MIDI comes through JACK only");
            sequencer.reset();
        }
    }
    for (const std::string& source : options.midiSources) {
        if (jack.HasPort(source)) {
            if (!jack.ConnectMidiIn(source, &error))
                Say(error);
        } else if (!sequencer) {
            Say("cannot connect the MIDI source \"" + source + "\": there is no such JACK port, and no ALSA sequencer");
        } else if (!sequencer->Connect(source, &error)) {
            Say(error);
        }
    }

    AppWindow window(host);
    // The X server going away ends the process inside Xlib: the state is saved first, as when the
    // JACK server goes away.
    window.OnDisplayLost(
        [](void* keeper) {
            Say("the X display went away; saving the state and quitting");
            std::string failure;
            if (!static_cast<StateKeeper*>(keeper)->Save(&failure))
                Say(failure);
        },
        &state);
    if (options.gui && !window.Open(&error)) {
        Say(error);
        sequencer.reset();
        jack.Close();
        if (!state.Save(&error))
            Say(error);
        return 1;
    }
    if (options.verbose)
        Say("playing as JACK client \"" + jack.Name() + "\" at " + std::to_string(static_cast<int>(rate)) + " Hz, " +
            std::to_string(block) + " frames per period" +
            (sequencer ? ", ALSA sequencer input at " + sequencer->Address() : std::string()));

    int status = 0;
    const auto tick = std::chrono::microseconds(1000000 / kIdlePerSecond);
    auto next = std::chrono::steady_clock::now();
    std::string reason;
    for (;;) {
        if (gQuitSignal)
            break;
        if (jack.ServerGone(&reason)) {
            Say("the JACK server went away" + (reason.empty() ? std::string() : " (" + reason + ")") +
                "; saving the state and quitting");
            status = 1;
            break;
        }
        if (jack.SampleRate() != rate || jack.BlockSize() != block) {
            rate = jack.SampleRate();
            block = jack.BlockSize();
            host.Reconfigure(rate, block);
            if (options.verbose)
                Say("the server now runs at " + std::to_string(static_cast<int>(rate)) + " Hz, " +
                    std::to_string(block) + " frames per period");
        }
        if (options.gui && !window.Idle())
            break;
        next += tick;
        const auto now = std::chrono::steady_clock::now();
        if (next < now)
            next = now;
        std::this_thread::sleep_until(next);
    }

    window.Close();
    sequencer.reset();
    const JackClient::Stats stats = jack.GetStats();
    jack.Close();
    if (!state.Save(&error)) {
        Say(error);
        status = 1;
    }
    if (options.verbose)
        ReportStats(stats, rate, block, midiOut.Dropped());
    return status;
}
