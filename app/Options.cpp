#include "app/Options.h"

#include <filesystem>

const char* const kUsage = R"(usage: kt4r [options]
KT-4R as a standalone JACK instrument with its panel.
  --server NAME          JACK server to use (default: $JACK_DEFAULT_SERVER, else "default")
  --name NAME            client name in JACK and in the ALSA sequencer (default: kt4r)
  --connect-audio L,R    connect the two outputs, e.g. system:playback_1,system:playback_2
  --connect-midi PORT    connect a MIDI source: a JACK port ("a2j:Keyboard [20] (capture): ...") or
                         an ALSA sequencer port ("20:0" or a client name); repeatable
  --connect-midi-out PORT  send the MIDI output (thru, SysEx for the hardware) to a JACK port;
                         repeatable
  --no-alsa              no ALSA sequencer input
  --no-gui               run without the panel (quit with Ctrl-C)
  --state FILE           the state file (default: $XDG_CONFIG_HOME/KT-4R/standalone.state)
  --plugin PATH          the plug-in library to host (default: the KT-4R.so installed with kt4r)
  --verbose              tell the JACK server's messages and, at exit, the periods run, xruns and
                         the time the plug-in took per period
  --help                 this text
)";

bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                *error = arg + " needs a value";
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--no-gui") {
            options->gui = false;
        } else if (arg == "--no-alsa") {
            options->alsa = false;
        } else if (arg == "--verbose" || arg == "-v") {
            options->verbose = true;
        } else if (arg == "--server") {
            if (!value(&options->server))
                return false;
        } else if (arg == "--name") {
            if (!value(&options->clientName))
                return false;
        } else if (arg == "--plugin") {
            if (!value(&options->plugin))
                return false;
        } else if (arg == "--state") {
            if (!value(&options->statePath))
                return false;
        } else if (arg == "--connect-midi") {
            if (!value(&text))
                return false;
            options->midiSources.push_back(text);
        } else if (arg == "--connect-midi-out") {
            if (!value(&text))
                return false;
            options->midiDestinations.push_back(text);
        } else if (arg == "--connect-audio") {
            if (!value(&text))
                return false;
            const size_t comma = text.find(',');
            if (comma == std::string::npos || comma == 0 || comma + 1 == text.size() ||
                text.find(',', comma + 1) != std::string::npos) {
                *error = "--connect-audio takes two ports separated by a comma, e.g. "
                         "system:playback_1,system:playback_2";
                return false;
            }
            options->audioLeft = text.substr(0, comma);
            options->audioRight = text.substr(comma + 1);
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

std::string DefaultPluginPath()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "KT-4R.so";
    const std::filesystem::path folder = self.parent_path();
    const std::filesystem::path beside = folder / "KT-4R.so";
    if (std::filesystem::exists(beside, ec))
        return beside.string();
    return (folder.parent_path() / "lib" / "kt4r" / "KT-4R.so").string();
}
