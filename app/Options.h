// The application's command line.
#pragma once

#include <string>
#include <vector>

struct Options {
    std::string plugin;                 // empty: the plug-in installed beside the application
    std::string server;                 // empty: JACK's default ($JACK_DEFAULT_SERVER, else "default")
    std::string clientName = "kt4r";
    std::string audioLeft, audioRight;  // --connect-audio
    std::vector<std::string> midiSources;      // --connect-midi: JACK ports or ALSA sequencer ports
    std::vector<std::string> midiDestinations; // --connect-midi-out: JACK ports
    std::string statePath;              // empty: the default state file
    bool gui = true;
    bool alsa = true;
    bool verbose = false;
    bool help = false;
};

extern const char* const kUsage;

// False with a message for an unknown option or a malformed value.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);

// The plug-in beside the running program (build tree), else in ../lib/kt4r/ (installed).
std::string DefaultPluginPath();
