// The plug-in's whole state across runs of the application: restored from the state file at start,
// saved into it at exit. A file the plug-in refuses is reported and moved aside (the plug-in then starts
// from its own defaults, not from what it half read); a file that could not be read is never replaced.
#pragma once

#include <string>

class PluginHost;

class StateKeeper {
public:
    StateKeeper(PluginHost& host, std::string path) : mHost(host), mPath(std::move(path)) {}

    // Main thread, after the plug-in is opened and before it runs. Answers the lines to tell the player
    // (none when all went well); *trouble says whether they report a fault.
    std::string Restore(bool* trouble);
    // Main thread, at exit while the plug-in is still open. False with a message when nothing was written.
    bool Save(std::string* error);
    const std::string& Path() const { return mPath; }

private:
    PluginHost& mHost;
    std::string mPath;
    bool mKeepFile = false; // the file exists but could not be read: leave it as it is
};
