// A VST2 host in miniature: loads a plug-in binary through its exported entry point (dlopen or LoadLibrary, never
// linking the plug-in's code), drives it through the effect record only, answers its callbacks and
// records the MIDI and SysEx it sends.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "framework/vst2/VstAbi.h"

class PluginHost {
public:
    struct SentEvent {
        int64_t frame = 0; // block start + delta frames
        bool sysex = false;
        std::vector<uint8_t> bytes;
    };

    PluginHost() = default;
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;
    ~PluginHost(); // closes the plug-in (opcode 1) and unloads the library

    // dlopen (LoadLibrary) + VSTPluginMain (or main) + magic check; false with a message on failure.
    bool Load(const std::string& path, std::string* error);
    vst::EffectRecord* Effect() const { return mEffect; }

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
    // The start-up sequence of a host: open, sample rate, block size.
    void Open(double sampleRate, int blockSize);
    // A running host's change of rate or block size: suspend, announce both, resume.
    void Reconfigure(double sampleRate, int blockSize);
    void Resume() { Dispatch(vst::effMainsChanged, 0, 1); }
    void Suspend() { Dispatch(vst::effMainsChanged, 0, 0); }
    void Close(); // opcode 1; the record is gone afterwards

    void SetParameter(int index, float value) { mEffect->setParameter(mEffect, index, value); }
    float GetParameter(int index) { return mEffect->getParameter(mEffect, index); }
    std::string ParamName(int index);
    std::string ParamLabel(int index);
    std::string ParamDisplay(int index);

    // Events wait in a list until SendEvents hands them over with opcode 25.
    void QueueMidi(int deltaFrames, uint8_t status, uint8_t data1, uint8_t data2);
    void QueueSysEx(int deltaFrames, const std::vector<uint8_t>& bytes);
    intptr_t SendEvents();

    void ProcessFloat(float** inputs, float** outputs, int frames);
    void ProcessDouble(double** inputs, double** outputs, int frames);

    // Host-side state the callbacks answer from. Set the tempo to report a time record with tempo.
    void SetTempo(double bpm);
    void SetBlockStart(int64_t frame);
    vst::TimeInfo& Time() { return mTime; }
    std::string productString = "kt4r-render";
    intptr_t vendorVersion = 1000;
    int32_t processLevel = 0;
    bool answerTimeInfo = true;
    // Off: the plug-in's MIDI and SysEx output is taken and dropped, so its process calls can be
    // measured without the host's own recording (which allocates).
    bool recordSentEvents = true;

    // Instead of recording, hands the plug-in's MIDI and SysEx output to sink(context, list) on the
    // thread the plug-in sends it from (its audio thread among them): the sink must not allocate or
    // block there. Set before the plug-in runs; null goes back to recording.
    using EventSink = void (*)(void* context, const vst::Events* list);
    void SetEventSink(EventSink sink, void* context)
    {
        mSink = sink;
        mSinkContext = context;
    }

    std::vector<SentEvent> TakeSentEvents();
    int AutomateCalls() const { return mAutomateCalls.load(std::memory_order_relaxed); }
    // The plug-in's edit gestures in the order it told them: begin edit (43), automate (0) with the
    // value, end edit (44), recorded from any thread once RecordEditCalls made room for them (up to
    // that many; the callback itself never allocates).
    void RecordEditCalls(size_t room)
    {
        std::lock_guard<std::mutex> lock(mSentLock);
        mEditCalls.reserve(room);
        mRecordingEdits = mEditCalls.capacity() > 0;
    }
    struct EditCall {
        int32_t opcode;
        int32_t index;
        float value;
    };
    std::vector<EditCall> TakeEditCalls();
    int WantMidiCalls() const { return mWantMidiCalls; }

private:
    static intptr_t Callback(vst::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt);
    intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    void* mLibrary = nullptr;
    vst::EffectRecord* mEffect = nullptr;
    double mSampleRate = 44100.0;
    int mBlockSize = 512;
    vst::TimeInfo mTime{};
    int64_t mBlockStart = 0;

    struct QueuedEvent {
        bool sysex = false;
        vst::MidiEvent midi{};
        vst::SysExEvent sysexEvent{};
        std::vector<uint8_t> data;
    };
    std::vector<QueuedEvent> mQueued;
    std::vector<uint8_t> mEventList;

    EventSink mSink = nullptr;
    void* mSinkContext = nullptr;

    std::mutex mSentLock;
    std::vector<SentEvent> mSent;
    std::atomic<int> mAutomateCalls{0};
    // Set once room is made; until then an edit gesture from the audio thread takes no lock.
    std::atomic<bool> mRecordingEdits{false};
    std::vector<EditCall> mEditCalls; // under mSentLock
    int mWantMidiCalls = 0;
};
