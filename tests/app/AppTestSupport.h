// What the application's tests need around it: kt4r and jackd as child processes that never outlive
// the test, a private JACK server on a name of its own, and a JACK client that plays MIDI into kt4r and
// records what it plays.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageRing.h"

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace kt4r_test {

// A program run with its standard error (and output) in a log file. Ended (SIGTERM, then SIGKILL)
// when the object goes, and by the kernel when the test process dies.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& args, const std::string& logPath,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return mPid > 0; }
    void Signal(int signal);
    // The exit status (128 + n after signal n), or -1 when it still runs after ms milliseconds.
    int Wait(int ms);
    std::string Log() const;

private:
    pid_t mPid = -1;
    int mStatus = -1;
    std::string mLogPath;
};

// jackd with the dummy driver at 48 kHz on a server name no other test uses. Running() is false when
// jackd is not installed or did not come up.
class JackDummyServer {
public:
    explicit JackDummyServer(int periodFrames = 256);
    ~JackDummyServer();
    bool Running() const { return mRunning; }
    const std::string& Name() const { return mName; }
    // Ends the server now (the test of a server that goes away).
    void Stop(int signal);

private:
    std::string mName;
    std::string mLog;
    std::unique_ptr<ChildProcess> mProcess;
    bool mRunning = false;
};

bool JackdInstalled();

// A whole file's bytes (empty when missing), and a file made of bytes.
std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

// A JACK client with a MIDI output and two audio inputs: sends messages at the start of its next
// period and records its inputs.
class JackProbe {
public:
    explicit JackProbe(const std::string& server, const std::string& name = "probe");
    ~JackProbe();
    bool Ok() const { return mClient != nullptr; }
    std::string Port(const char* shortName) const;
    // Waits until another client connected to our left input.
    bool WaitForConnection(int ms);
    void Send(const std::vector<uint8_t>& message);
    // Records `frames` frames of both inputs from the next period on; false when they did not come
    // within the time they take plus two seconds.
    bool Record(size_t frames, std::vector<float>* left, std::vector<float>* right);
    // Records as Record does until a take comes through without an xrun or a skipped period (a loaded
    // machine drops periods of a short cycle, and a gap in a tone moves its measured pitch); false when
    // none of `takes` did.
    bool RecordSteady(size_t frames, std::vector<float>* left, std::vector<float>* right, int takes = 6);
    // Asks the server for another period size (every client follows).
    bool SetPeriod(uint32_t frames);
    double SampleRate() const;

private:
    static int OnProcess(uint32_t frames, void* self);
    static int OnXrun(void* self);

    jack_client_t* mClient = nullptr;
    jack_port_t* mMidiOut = nullptr;
    jack_port_t* mIn[2] = {nullptr, nullptr};
    MessageRing mOutgoing{64 * 1024};
    std::vector<float> mRecorded[2];
    std::atomic<size_t> mWanted{0};
    std::atomic<size_t> mDone{0};
    // Xruns the server reported, and periods a recording found missing between two of its own.
    std::atomic<int> mXruns{0};
    std::atomic<int> mGaps{0};
    uint32_t mNextFrameTime = 0;
};

} // namespace kt4r_test

// Skips the test when jackd is not installed (Debian's jackd2).
#define KT4R_REQUIRE_JACKD()                                                                                          \
    do {                                                                                                              \
        if (!kt4r_test::JackdInstalled())                                                                             \
            GTEST_SKIP() << "jackd is not installed (Debian package jackd2): the JACK tests are skipped";             \
    } while (0)
