// An LV2 host on lilv for the tests: a private copy of the built bundle in its own LV2 path, loaded into
// a lilv world, and instances run the way LV2 hosts run them (URID map, options with the maximum block
// length, control ports, audio outputs, an atom sequence in and out).
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {

inline constexpr const char* kLv2Uri = "urn:tolva:kt-4r";

// URIs to numbers and back, as a host's URID map and unmap.
class UridMap {
public:
    UridMap();
    LV2_URID Map(const char* uri);
    const char* Unmap(LV2_URID urid) const;
    LV2_URID_Map* MapFeature() { return &mMap; }
    LV2_URID_Unmap* UnmapFeature() { return &mUnmap; }

private:
    std::map<std::string, LV2_URID, std::less<>> mIds; // looked up without a copy: Map allocates only for new URIs
    std::vector<std::string> mUris;
    LV2_URID_Map mMap{};
    LV2_URID_Unmap mUnmap{};
};

class Lv2Bundle {
public:
    // Copies the built bundle (with an optional "KT-4R.ini" inside) into a fresh LV2 path and loads it.
    explicit Lv2Bundle(const std::string& ini = std::string());
    ~Lv2Bundle();
    Lv2Bundle(const Lv2Bundle&) = delete;
    Lv2Bundle& operator=(const Lv2Bundle&) = delete;

    // Loads another bundle (presets) into the same world.
    void LoadBundle(const std::string& folder);
    LilvWorld* World() const { return mWorld; }
    const LilvPlugin* Plugin() const { return mPlugin; }
    const std::string& Folder() const { return mBundle; }
    UridMap& Urids() { return mUrids; }

private:
    std::string mPath;
    std::string mBundle;
    LilvWorld* mWorld = nullptr;
    const LilvPlugin* mPlugin = nullptr;
    UridMap mUrids;
};

class Lv2Instance {
public:
    // Instantiated at rate with maxBlock announced, every port connected (controls at their defaults),
    // activated and run for one silent block, as LoadPlugin does for the VST2 build.
    Lv2Instance(Lv2Bundle& bundle, double rate = 48000.0, int maxBlock = 512);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool Ok() const { return mInstance != nullptr; }
    LilvInstance* Instance() const { return mInstance; }
    float& Control(int index) { return mControls[static_cast<size_t>(index)]; }
    // Applies a preset as hosts do: its port values into the control ports (the next run takes them).
    bool ApplyPreset(const LilvNode* preset);
    // The value the instrument holds for control port index (instance access).
    float InstrumentValue(int index);

    // Events for the next run, at frames into it.
    void QueueMidi(int frame, std::vector<uint8_t> bytes);
    // From the next run on, every run starts with a time:Position: rolling at bpm (0: none sent).
    void SetTempo(double bpm) { mTempo = bpm; }
    // Runs frames in blocks of blockSize; queued events go to the first block.
    Stereo Render(int frames, int blockSize);
    // One run of frames (at most the announced maximum) with the queued events, the output left in
    // the instance's buffers: allocates nothing on the host's side beyond what queueing did.
    void RunOnce(int frames);
    // The MIDI the plug-in sent in the runs since the last call.
    std::vector<std::vector<uint8_t>> TakeSentMidi();

    // The plug-in's state interface, called directly: its one property's bytes and type.
    uint32_t SaveState(std::vector<uint8_t>* bytes, LV2_URID* type = nullptr);
    uint32_t RestoreState(const std::vector<uint8_t>& bytes, LV2_URID type);
    LV2_URID ChunkType() { return mBundle.Urids().Map(LV2_ATOM__Chunk); }

private:
    void RunBlock(int frames, std::vector<std::pair<int, std::vector<uint8_t>>>* events);

    Lv2Bundle& mBundle;
    LilvInstance* mInstance = nullptr;
    int mMaxBlock;
    std::vector<float> mControls;
    std::vector<float> mLeft, mRight;
    std::vector<uint64_t> mEventsIn, mEventsOut; // 8-byte aligned atom buffers
    std::vector<std::pair<int, std::vector<uint8_t>>> mQueued;
    std::vector<std::vector<uint8_t>> mSent;
    int32_t mMaxBlockOption = 0;
    double mTempo = 0.0;
    struct Features;
    std::unique_ptr<Features> mFeatures;
};

} // namespace kt4r_test
