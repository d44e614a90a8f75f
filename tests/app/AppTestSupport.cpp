#include "tests/app/AppTestSupport.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace kt4r_test {

namespace {

constexpr char kJackd[] = "/usr/bin/jackd";

void Silent(const char*) {}

// Starts a child that the kernel ends when this process dies (a crashed test leaves no jackd behind).
pid_t Spawn(const std::vector<std::string>& args, const std::string& logPath,
            const std::vector<std::string>& environment)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), environment.begin(), environment.end());
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    std::vector<char*> argv, envp;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& logPath,
                           const std::vector<std::string>& environment)
    : mLogPath(logPath)
{
    mPid = Spawn(args, logPath, environment);
}

ChildProcess::~ChildProcess()
{
    if (mPid <= 0 || mStatus >= 0)
        return;
    kill(mPid, SIGTERM);
    if (Wait(3000) < 0) {
        kill(mPid, SIGKILL);
        Wait(3000);
    }
}

void ChildProcess::Signal(int signal)
{
    if (mPid > 0 && mStatus < 0)
        kill(mPid, signal);
}

int ChildProcess::Wait(int ms)
{
    if (mStatus >= 0 || mPid <= 0)
        return mStatus;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        if (waitpid(mPid, &status, WNOHANG) == mPid) {
            mStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return mStatus;
        }
        if (std::chrono::steady_clock::now() >= end)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string ChildProcess::Log() const
{
    std::ifstream file(mLogPath);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

bool JackdInstalled()
{
    return access(kJackd, X_OK) == 0;
}

JackDummyServer::JackDummyServer(int periodFrames)
{
    static std::atomic<int> serial{0};
    mName = "kt4r-test-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    mLog = "/tmp/" + mName + ".log";
    if (!JackdInstalled())
        return;
    // No real-time scheduling: the test machine may not grant it, and the dummy driver keeps time alone.
    mProcess = std::make_unique<ChildProcess>(
        std::vector<std::string>{kJackd, "--no-realtime", "-n", mName, "-d", "dummy", "-r", "48000", "-p",
                                 std::to_string(periodFrames)},
        mLog);
    jack_set_error_function(Silent);
    jack_set_info_function(Silent);
    for (int tries = 0; tries < 100 && !mRunning; ++tries) {
        jack_status_t status{};
        jack_client_t* client = jack_client_open(
            "probe-start", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, mName.c_str());
        if (client) {
            jack_client_close(client);
            mRunning = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

JackDummyServer::~JackDummyServer()
{
    mProcess.reset();
    unlink(mLog.c_str());
}

void JackDummyServer::Stop(int signal)
{
    if (mProcess) {
        mProcess->Signal(signal);
        mProcess->Wait(5000);
    }
    mRunning = false;
}

JackProbe::JackProbe(const std::string& server, const std::string& name)
{
    jack_status_t status{};
    mClient = jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                               server.c_str());
    if (!mClient)
        return;
    mMidiOut = jack_port_register(mClient, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    mIn[0] = jack_port_register(mClient, "in_l", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    mIn[1] = jack_port_register(mClient, "in_r", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(mClient, OnProcess, this);
    jack_set_xrun_callback(mClient, OnXrun, this);
    if (jack_activate(mClient) != 0) {
        jack_client_close(mClient);
        mClient = nullptr;
    }
}

JackProbe::~JackProbe()
{
    if (mClient)
        jack_client_close(mClient);
}

std::string JackProbe::Port(const char* shortName) const
{
    return std::string(jack_get_client_name(mClient)) + ":" + shortName;
}

bool JackProbe::WaitForConnection(int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (jack_port_connected(mIn[0]) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void JackProbe::Send(const std::vector<uint8_t>& message)
{
    mOutgoing.Push(0, message.data(), message.size());
}

bool JackProbe::Record(size_t frames, std::vector<float>* left, std::vector<float>* right)
{
    mRecorded[0].assign(frames, 0.0f);
    mRecorded[1].assign(frames, 0.0f);
    mDone = 0;
    mWanted = frames;
    const double seconds = static_cast<double>(frames) / SampleRate() + 2.0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (mDone.load() < frames && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    mWanted = 0;
    const bool complete = mDone.load() >= frames;
    *left = mRecorded[0];
    *right = mRecorded[1];
    return complete;
}

bool JackProbe::RecordSteady(size_t frames, std::vector<float>* left, std::vector<float>* right, int takes)
{
    for (int take = 0; take < takes; ++take) {
        const int xruns = mXruns.load();
        mGaps = 0;
        const bool complete = Record(frames, left, right);
        if (complete && mXruns.load() == xruns && mGaps.load() == 0)
            return true;
    }
    return false;
}

int JackProbe::OnXrun(void* self)
{
    ++static_cast<JackProbe*>(self)->mXruns;
    return 0;
}

bool JackProbe::SetPeriod(uint32_t frames)
{
    return jack_set_buffer_size(mClient, frames) == 0;
}

double JackProbe::SampleRate() const
{
    return static_cast<double>(jack_get_sample_rate(mClient));
}

int JackProbe::OnProcess(uint32_t frames, void* self)
{
    auto* probe = static_cast<JackProbe*>(self);
    void* out = jack_port_get_buffer(probe->mMidiOut, frames);
    jack_midi_clear_buffer(out);
    uint32_t stamp = 0;
    while (const size_t size = probe->mOutgoing.Peek(&stamp)) {
        uint8_t* room = jack_midi_event_reserve(out, 0, size);
        probe->mOutgoing.Pop(&stamp, room, room ? size : 0);
    }
    const size_t wanted = probe->mWanted.load();
    size_t done = probe->mDone.load();
    if (done < wanted) {
        const uint32_t now = jack_last_frame_time(probe->mClient);
        if (done > 0 && now != probe->mNextFrameTime)
            ++probe->mGaps;
        probe->mNextFrameTime = now + frames;
        const size_t take = std::min<size_t>(frames, wanted - done);
        for (int c = 0; c < 2; ++c) {
            const auto* in = static_cast<const float*>(jack_port_get_buffer(probe->mIn[c], frames));
            std::memcpy(probe->mRecorded[c].data() + done, in, take * sizeof(float));
        }
        probe->mDone = done + take;
    }
    return 0;
}

} // namespace kt4r_test
