#include "app/JackClient.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/kt4r-render/PluginHost.h"

namespace {

// The largest period JACK (and PipeWire's JACK) hands a client; a larger one gets its silent inputs
// from its own zeroed outputs instead.
constexpr uint32_t kSilentFrames = 8192;
constexpr size_t kScratchBytes = MidiPeriod::kMaxSysExBytes;

bool gVerboseJack = false;

void JackMessage(const char* text)
{
    if (gVerboseJack)
        std::fprintf(stderr, "kt4r: jack: %s\n", text);
}

uint8_t* ReserveJackMidi(void* buffer, uint32_t offset, size_t size)
{
    return jack_midi_event_reserve(buffer, offset, size);
}

std::string NoServerMessage(const std::string& server)
{
    const std::string name = server.empty() ? "default" : server;
    return "no JACK server is running (server \"" + name +
           "\").\n"
           "  Start one first, for example `jackd -d alsa -d hw:0` for the first sound card, or\n"
           "  `jackd -d dummy` to try KT-4R without one; on a PipeWire desktop run `pw-jack kt4r`.\n"
           "  Then start kt4r again" +
           (server.empty() ? std::string() : " (with --server " + server + ")") + ".";
}

} // namespace

JackClient::JackClient(PluginHost& host, MessageRing& sequencer, PluginMidiOut& midiOut)
    : mHost(host), mSequencer(sequencer), mMidiOut(midiOut), mScratch(new uint8_t[kScratchBytes]),
      mSilentInput(new float[kSilentFrames]())
{
}

JackClient::~JackClient()
{
    Close();
}

bool JackClient::Open(const std::string& server, const std::string& clientName, bool verbose, std::string* error)
{
    gVerboseJack = verbose;
    jack_set_error_function(JackMessage);
    jack_set_info_function(JackMessage);
    jack_status_t status{};
    int options = JackNoStartServer;
    if (!server.empty())
        options |= JackServerName;
    mClient = server.empty()
                  ? jack_client_open(clientName.c_str(), static_cast<jack_options_t>(options), &status)
                  : jack_client_open(clientName.c_str(), static_cast<jack_options_t>(options), &status,
                                     server.c_str());
    if (!mClient) {
        if (status & JackServerFailed)
            *error = NoServerMessage(server);
        else if (status & JackNameNotUnique)
            *error = "the JACK client name \"" + clientName + "\" is taken; choose another with --name";
        else
            *error = "the JACK server refused the client (status 0x" + [&] {
                char hex[16];
                std::snprintf(hex, sizeof(hex), "%x", static_cast<unsigned>(status));
                return std::string(hex);
            }() + ")";
        return false;
    }
    mRate = static_cast<double>(jack_get_sample_rate(mClient));
    mBlock = jack_get_buffer_size(mClient);
    jack_set_process_callback(mClient, OnProcess, this);
    jack_set_sample_rate_callback(mClient, OnSampleRate, this);
    jack_set_buffer_size_callback(mClient, OnBufferSize, this);
    jack_set_xrun_callback(mClient, OnXrun, this);
    jack_on_info_shutdown(
        mClient, [](jack_status_t code, const char* reason, void* self) { OnShutdown(code, reason, self); }, this);
    mOutLeft = jack_port_register(mClient, "out_l", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    mOutRight = jack_port_register(mClient, "out_r", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    mMidiIn = jack_port_register(mClient, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput | JackPortIsTerminal, 0);
    mMidiOutPort = jack_port_register(mClient, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!mOutLeft || !mOutRight || !mMidiIn || !mMidiOutPort) {
        *error = "the JACK server refused to make the client's ports";
        Close();
        return false;
    }
    return true;
}

bool JackClient::Activate(std::string* error)
{
    if (jack_activate(mClient) != 0) {
        *error = "the JACK server refused to activate the client";
        return false;
    }
    mActive = true;
    return true;
}

bool JackClient::HasPort(const std::string& name) const
{
    return mClient && jack_port_by_name(mClient, name.c_str()) != nullptr;
}

namespace {

bool Connect(jack_client_t* client, const char* from, const std::string& to, const std::string& what,
             bool ourOutput, std::string* error)
{
    const std::string source = ourOutput ? from : to;
    const std::string destination = ourOutput ? to : from;
    if (!jack_port_by_name(client, to.c_str())) {
        *error = "cannot connect " + what + ": there is no JACK port \"" + to + "\" (jack_lsp lists them)";
        return false;
    }
    const int result = jack_connect(client, source.c_str(), destination.c_str());
    if (result != 0 && result != EEXIST) {
        *error = "cannot connect " + what + " (\"" + source + "\" to \"" + destination + "\")";
        return false;
    }
    return true;
}

} // namespace

bool JackClient::ConnectAudio(const std::string& left, const std::string& right, std::string* error)
{
    return Connect(mClient, jack_port_name(mOutLeft), left, "the left output", true, error) &&
           Connect(mClient, jack_port_name(mOutRight), right, "the right output", true, error);
}

bool JackClient::ConnectMidiIn(const std::string& source, std::string* error)
{
    return Connect(mClient, jack_port_name(mMidiIn), source, "the MIDI input", false, error);
}

bool JackClient::ConnectMidiOut(const std::string& destination, std::string* error)
{
    return Connect(mClient, jack_port_name(mMidiOutPort), destination, "the MIDI output", true, error);
}

void JackClient::Close()
{
    if (!mClient)
        return;
    // After the server went away the client has no server to tell; closing still frees its resources.
    if (mActive && !mGone)
        jack_deactivate(mClient);
    mActive = false;
    jack_client_close(mClient);
    mClient = nullptr;
}

std::string JackClient::Name() const
{
    return mClient ? jack_get_client_name(mClient) : std::string();
}

uint32_t JackClient::FrameTime() const
{
    return mClient ? jack_frame_time(mClient) : 0;
}

uint32_t JackClient::FrameTimeOf(void* client)
{
    return static_cast<JackClient*>(client)->FrameTime();
}

bool JackClient::ServerGone(std::string* reason) const
{
    if (!mGone.load(std::memory_order_acquire))
        return false;
    if (reason)
        *reason = mGoneReason;
    return true;
}

JackClient::Stats JackClient::GetStats() const
{
    Stats stats;
    stats.periods = mPeriods.load();
    stats.xruns = mXruns.load();
    stats.droppedMidi = mDroppedInput.load() + mPeriod.Dropped() + mSequencer.Dropped();
    stats.meanProcessUs = stats.periods ? static_cast<double>(mProcessUsTotal.load()) / stats.periods : 0.0;
    stats.maxProcessUs = static_cast<double>(mProcessUsMax.load());
    return stats;
}

int JackClient::OnProcess(uint32_t frames, void* self)
{
    return static_cast<JackClient*>(self)->Process(frames);
}

int JackClient::OnSampleRate(uint32_t rate, void* self)
{
    static_cast<JackClient*>(self)->mRate = static_cast<double>(rate);
    return 0;
}

int JackClient::OnBufferSize(uint32_t frames, void* self)
{
    static_cast<JackClient*>(self)->mBlock = frames;
    return 0;
}

int JackClient::OnXrun(void* self)
{
    static_cast<JackClient*>(self)->mXruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

void JackClient::OnShutdown(int, const char* reason, void* self)
{
    // JACK's own thread, with the client no longer usable: only note it for the main loop.
    auto* client = static_cast<JackClient*>(self);
    std::snprintf(client->mGoneReason, sizeof(client->mGoneReason), "%s", reason ? reason : "");
    client->mGone.store(true, std::memory_order_release);
}

int JackClient::Process(uint32_t frames) noexcept
{
    const jack_time_t start = jack_get_time();
    auto* left = static_cast<float*>(jack_port_get_buffer(mOutLeft, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(mOutRight, frames));
    void* midiIn = jack_port_get_buffer(mMidiIn, frames);
    void* midiOut = jack_port_get_buffer(mMidiOutPort, frames);
    jack_midi_clear_buffer(midiOut);

    mPeriod.Begin(static_cast<int>(frames));
    const uint32_t count = jack_midi_get_event_count(midiIn);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midiIn, i) == 0 && event.size > 0)
            mPeriod.Add(static_cast<int>(event.time), event.buffer, event.size);
    }
    // A sequencer message that arrived during the last period plays at the same place in this one: one
    // period later than it came, but without jitter.
    const uint32_t lastPeriodStart = jack_last_frame_time(mClient) - frames;
    uint32_t stamp = 0;
    while (const size_t size = mSequencer.Peek(&stamp)) {
        if (size > kScratchBytes) {
            mSequencer.Pop(&stamp, nullptr, 0);
            mDroppedInput.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        mSequencer.Pop(&stamp, mScratch.get(), kScratchBytes);
        mPeriod.Add(static_cast<int32_t>(stamp - lastPeriodStart), mScratch.get(), size);
    }

    float* outputs[2] = {left, right};
    float* inputs[2] = {mSilentInput.get(), mSilentInput.get()};
    if (frames > kSilentFrames) {
        std::memset(left, 0, frames * sizeof(float));
        std::memset(right, 0, frames * sizeof(float));
        inputs[0] = left;
        inputs[1] = right;
    }
    mMidiOut.BeginPeriod(ReserveJackMidi, midiOut, frames);
    if (mPeriod.Count() > 0)
        mHost.Dispatch(vst::effProcessEvents, 0, 0, const_cast<vst::Events*>(mPeriod.List()));
    mHost.ProcessFloat(inputs, outputs, static_cast<int>(frames));
    mMidiOut.EndPeriod();

    const uint64_t us = jack_get_time() - start;
    mProcessUsTotal.fetch_add(us, std::memory_order_relaxed);
    if (us > mProcessUsMax.load(std::memory_order_relaxed))
        mProcessUsMax.store(us, std::memory_order_relaxed);
    mPeriods.fetch_add(1, std::memory_order_relaxed);
    return 0;
}
