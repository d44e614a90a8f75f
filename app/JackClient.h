// The application's JACK client: two audio outputs, a MIDI input and a MIDI output. Its process
// callback gathers the period's MIDI (JACK's and the sequencer's), hands it to the plug-in at its frame
// offsets, runs the plug-in into the output buffers and forwards the plug-in's own MIDI output.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/MessageRing.h"
#include "app/MidiPeriod.h"
#include "app/PluginMidiOut.h"

class PluginHost;
typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

class JackClient {
public:
    // The sequencer's messages arrive in `sequencer`, stamped with FrameTime() at their arrival.
    JackClient(PluginHost& host, MessageRing& sequencer, PluginMidiOut& midiOut);
    ~JackClient(); // closes the client
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Connects to the server (never starts one) and makes the ports. An empty server name means the
    // default one. False with a message that says what to do when no server runs.
    bool Open(const std::string& server, const std::string& clientName, bool verbose, std::string* error);
    // The plug-in must be open and resumed: from here on the process callback runs it.
    bool Activate(std::string* error);
    // Connects our outputs to two playback ports, a source to our MIDI input, our MIDI output to a
    // destination. False with a message when JACK refuses.
    bool ConnectAudio(const std::string& left, const std::string& right, std::string* error);
    bool ConnectMidiIn(const std::string& source, std::string* error);
    bool ConnectMidiOut(const std::string& destination, std::string* error);
    bool HasPort(const std::string& name) const;
    // Deactivates and leaves the server; no process callback runs after it returns.
    void Close();

    std::string Name() const;
    double SampleRate() const { return mRate.load(); }
    int BlockSize() const { return static_cast<int>(mBlock.load()); }
    // The server's frame clock, for stamping messages that arrive on other threads. Any thread.
    uint32_t FrameTime() const;
    static uint32_t FrameTimeOf(void* client);

    // Main thread: true once the server shut the client down (the server quit or threw it out), with
    // the server's reason.
    bool ServerGone(std::string* reason) const;

    struct Stats {
        uint64_t periods = 0;
        uint64_t xruns = 0;
        uint64_t droppedMidi = 0; // input messages without room in a period, or in the sequencer ring
        double meanProcessUs = 0.0;
        double maxProcessUs = 0.0;
    };
    Stats GetStats() const;

private:
    static int OnProcess(uint32_t frames, void* self);
    static int OnSampleRate(uint32_t rate, void* self);
    static int OnBufferSize(uint32_t frames, void* self);
    static int OnXrun(void* self);
    static void OnShutdown(int code, const char* reason, void* self);
    int Process(uint32_t frames) noexcept;

    PluginHost& mHost;
    MessageRing& mSequencer;
    PluginMidiOut& mMidiOut;
    jack_client_t* mClient = nullptr;
    jack_port_t* mOutLeft = nullptr;
    jack_port_t* mOutRight = nullptr;
    jack_port_t* mMidiIn = nullptr;
    jack_port_t* mMidiOutPort = nullptr;
    bool mActive = false;

    // Audio thread's own, made once.
    MidiPeriod mPeriod;
    std::unique_ptr<uint8_t[]> mScratch;    // one sequencer message on its way into the period
    std::unique_ptr<float[]> mSilentInput;  // the plug-in's two inputs: an instrument is handed silence

    std::atomic<double> mRate{0.0};
    std::atomic<uint32_t> mBlock{0};
    std::atomic<bool> mGone{false};
    char mGoneReason[256] = {};
    std::atomic<uint64_t> mPeriods{0};
    std::atomic<uint64_t> mXruns{0};
    std::atomic<uint64_t> mProcessUsTotal{0};
    std::atomic<uint64_t> mProcessUsMax{0};
    std::atomic<uint64_t> mDroppedInput{0};
};
