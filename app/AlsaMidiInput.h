// The ALSA sequencer as a second MIDI input, for keyboards that are not bridged into JACK: a client
// with one writable port, read on a thread of its own; each complete message goes into a ring that
// the audio thread drains, stamped with the audio clock at its arrival.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "app/MessageRing.h"

class AlsaMidiInput {
public:
    // The clock that stamps messages (the JACK frame time), called on the input thread.
    using Clock = uint32_t (*)(void* context);

    AlsaMidiInput(MessageRing& ring, Clock clock, void* clockContext);
    ~AlsaMidiInput(); // stops the thread and leaves the sequencer
    AlsaMidiInput(const AlsaMidiInput&) = delete;
    AlsaMidiInput& operator=(const AlsaMidiInput&) = delete;

    // Main thread: opens the sequencer as `clientName` with a port "midi_in" and starts reading. False
    // with a message when the machine has no sequencer.
    bool Open(const std::string& clientName, std::string* error);
    // Main thread: subscribes our port to a sequencer source, given as "client:port", a client
    // number or a client name (as aconnect -i lists them).
    bool Connect(const std::string& source, std::string* error);
    std::string Address() const; // "client:port" of our port

private:
    void Run();
    void Take(const void* event);

    MessageRing& mRing;
    Clock mClock;
    void* mClockContext;
    void* mSeq = nullptr;     // snd_seq_t
    void* mDecoder = nullptr; // snd_midi_event_t
    int mPort = -1;
    int mStop[2] = {-1, -1}; // a pipe whose write end wakes the thread to stop
    std::vector<uint8_t> mSysEx;   // a SysEx message arriving in pieces
    std::vector<uint8_t> mMessage; // one decoded message
    std::thread mThread;
};
