// Loading the built plug-in the way a host does, and measuring what it renders.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/kt4r-render/PluginHost.h"

namespace kt4r_test {

// A private copy of the built plug-in in its own folder, with an optional "KT-4R.ini" beside it, so
// each test has its own configuration and its own instance. The folder goes with the object.
class PluginCopy {
public:
    // With a map text, "KT-4R.map" (the default MIDI-learn map) lies beside it too; each file of
    // besides is copied beside it under its own name (a bank file, as an install puts it there).
    explicit PluginCopy(const std::string& ini = std::string(), const std::string& map = std::string(),
                        const std::vector<std::string>& besides = {});
    ~PluginCopy();
    PluginCopy(const PluginCopy&) = delete;
    PluginCopy& operator=(const PluginCopy&) = delete;

    const std::string& Path() const { return mPath; }
    const std::string& Folder() const { return mFolder; }

private:
    std::string mFolder;
    std::string mPath;
};

// A loaded plug-in, opened at the given rate and block size, resumed and run for one silent block.
struct LoadedPlugin {
    std::unique_ptr<PluginCopy> copy;
    std::unique_ptr<PluginHost> host;

    PluginHost* operator->() const { return host.get(); }
};
LoadedPlugin LoadPlugin(const std::string& ini = std::string(), double rate = 48000.0, int block = 512,
                        bool resume = true, const std::string& map = std::string());

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
};

// Renders frames in host blocks of blockSize through the float (or double) entry, with the queued
// events handed over before the first block.
Stereo Render(PluginHost& host, int frames, int blockSize, bool useDouble = false);

// The host's chunk (index 0 the whole state, 1 the current program), copied; empty when none is given.
std::vector<uint8_t> TakeChunk(PluginHost& host, int index);

// False when a sample is not finite or is far out of range (the render sentinel left unwritten).
bool AllFinite(const std::vector<float>& x);

} // namespace kt4r_test
