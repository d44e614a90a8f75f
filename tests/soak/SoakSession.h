// A host that misbehaves on purpose: random sequences of every host entry into the built plug-in,
// each followed by the checks a careful host could make. Same seed, same sequence.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/soak/SoakModel.h"
#include "tools/kt4r-render/PluginHost.h"

namespace kt4r_test {
class PluginCopy;
}

namespace kt4r_soak {

// Counts the allocations of the whole process between Start and Stop (the soak's own operator new).
// Absent under the sanitizers, which bring their own allocator: that check is skipped there.
struct AllocationProbe {
    void (*start)() = nullptr;
    long (*stop)() = nullptr; // answers the allocations since start
};
// The probe of this build: counting where the build replaces operator new, none under the sanitizers.
AllocationProbe BuildProbe();

struct SoakCounts {
    long steps = 0;
    long blocks = 0;       // process calls
    long frames = 0;
    long engineChecks = 0; // engine compared with the parameter records
    long bankChecks = 0;   // stored programs compared with the model
    long allocationChecks = 0;
};

class SoakSession {
public:
    // Loads a private copy of the built plug-in (with a MIDI-learn map, so learned controllers are
    // exercised too) and opens it as a host does.
    SoakSession(uint64_t seed, AllocationProbe probe);
    ~SoakSession();
    SoakSession(const SoakSession&) = delete;
    SoakSession& operator=(const SoakSession&) = delete;

    // False with a description when loading failed.
    bool Ready(std::string* failure) const;
    // One random host action (or a short gesture of several calls), then the checks; false with a
    // description of the first fault found.
    bool Step(std::string* failure);
    const SoakCounts& Counts() const { return mCounts; }
    // The last steps, oldest first, one a line: what led to a fault.
    std::string RecentSteps() const;

private:
    struct Outcome {
        ProgramEffect programs = ProgramEffect::kNone;
        std::vector<uint8_t> bankSet; // with kBecomes
        bool rendered = false;        // a block was rendered while active: the engine must be in step
        bool writesIfImmediate = false; // an edit from the panel or the hardware: with "Immediate Write"
                                        // on, it stores the current program
    };

    // The step kinds.
    bool Block(Outcome& out, std::string* failure);
    bool Automation(Outcome& out, std::string* failure);
    bool ProgramEntries(Outcome& out, std::string* failure);
    bool Chunks(Outcome& out, std::string* failure);
    void SampleRate();
    void BlockSize();
    void SuspendResume();
    void VoiceCount(std::string* failure, bool* ok);
    void EditorGesture(Outcome& out);

    // Checks after every step.
    bool CheckEngine(std::string* failure);
    bool CheckPrograms(const Outcome& out, std::string* failure);
    bool CheckParameters(std::string* failure);
    bool CheckProgramEntries(std::string* failure);

    // Random choices.
    uint64_t Next() { return mRandom(); }
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    bool Chance(double p) { return Unit() < p; }
    float HostileValue();
    std::vector<uint8_t> RandomSysEx();
    void AddMidi(int frames);

    // Runs one of the plug-in's calls with its allocations counted (where this build counts them);
    // false with a description when it allocated.
    template <typename Call> bool CountedCall(const char* what, Call&& call, std::string* failure)
    {
        if (!mProbe.start) {
            call();
            return true;
        }
        mProbe.start();
        call();
        const long allocations = mProbe.stop();
        ++mCounts.allocationChecks;
        if (allocations == 0)
            return true;
        *failure = std::string(what) + " allocated " + std::to_string(allocations) + " times";
        return false;
    }
    std::vector<uint8_t> TakeChunk(int index);
    void Log(std::string line);

    std::unique_ptr<kt4r_test::PluginCopy> mCopy;
    std::unique_ptr<PluginHost> mHost;
    std::string mLoadError;
    AllocationProbe mProbe;
    std::mt19937_64 mRandom;
    ProgramModel mPrograms;
    SoakCounts mCounts;
    std::deque<std::string> mLog;

    // What the host believes it set.
    bool mActive = true;
    int mMaxBlock = 512;

    // The host's event list and buffers, sized once so that the host allocates nothing while the
    // plug-in's calls are counted.
    static constexpr int kMaxEvents = 600;
    static constexpr int kMaxFrames = 8192;
    std::vector<vst::MidiEvent> mMidi;
    std::vector<vst::SysExEvent> mSysEx;
    std::vector<std::vector<uint8_t>> mSysExBytes;
    std::vector<uint8_t> mList;
    std::array<std::vector<float>, 2> mFloatOut;
    std::array<std::vector<double>, 2> mDoubleOut;
    std::vector<float> mFloatIn;
    std::vector<double> mDoubleIn;
    std::vector<int> mIndices; // an automation step's calls
    std::vector<float> mValues;

    // Chunks this instance gave, to hand back whole or damaged.
    std::deque<std::vector<uint8_t>> mBankChunks;
    std::deque<std::vector<uint8_t>> mProgramChunks;
    // Editor gestures in progress: a button held down.
    bool mMouseHeld = false;
};

} // namespace kt4r_soak
