#include "app/AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr size_t kLargestSysEx = 64 * 1024; // a whole-bank dump of the hardware fits

void Unsaid(const char*, int, const char*, int, const char*, ...) {}

snd_seq_t* Seq(void* seq)
{
    return static_cast<snd_seq_t*>(seq);
}

} // namespace

AlsaMidiInput::AlsaMidiInput(MessageRing& ring, Clock clock, void* clockContext)
    : mRing(ring), mClock(clock), mClockContext(clockContext)
{
    mSysEx.reserve(kLargestSysEx);
    mMessage.resize(256);
}

AlsaMidiInput::~AlsaMidiInput()
{
    if (mThread.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t written = write(mStop[1], &stop, 1);
        mThread.join();
    }
    for (int fd : mStop)
        if (fd >= 0)
            close(fd);
    if (mDecoder)
        snd_midi_event_free(static_cast<snd_midi_event_t*>(mDecoder));
    if (mSeq)
        snd_seq_close(Seq(mSeq));
}

bool AlsaMidiInput::Open(const std::string& clientName, std::string* error)
{
    // The library's own complaints (no /dev/snd/seq in a container) go unsaid: Open's message says it.
    snd_lib_error_set_handler(Unsaid);
    snd_seq_t* seq = nullptr;
    int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (result < 0) {
        *error = std::string("the ALSA sequencer is not available (") + snd_strerror(result) + ")";
        return false;
    }
    mSeq = seq;
    snd_seq_set_client_name(seq, clientName.c_str());
    mPort = snd_seq_create_simple_port(seq, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* decoder = nullptr;
    if (mPort < 0 || snd_midi_event_new(mMessage.size(), &decoder) < 0 || pipe(mStop) != 0) {
        *error = "the ALSA sequencer refused the input port";
        return false;
    }
    mDecoder = decoder;
    // Every message with its status byte: the ring carries complete messages.
    snd_midi_event_no_status(decoder, 1);
    mThread = std::thread([this] { Run(); });
    return true;
}

std::string AlsaMidiInput::Address() const
{
    if (!mSeq)
        return std::string();
    return std::to_string(snd_seq_client_id(Seq(mSeq))) + ":" + std::to_string(mPort);
}

bool AlsaMidiInput::Connect(const std::string& source, std::string* error)
{
    if (!mSeq) {
        *error = "cannot connect the sequencer source \"" + source + "\": the ALSA sequencer is not open";
        return false;
    }
    snd_seq_addr_t address{};
    if (snd_seq_parse_address(Seq(mSeq), &address, source.c_str()) < 0) {
        *error = "there is no JACK port or ALSA sequencer port \"" + source + "\" (jack_lsp and aconnect -i list them)";
        return false;
    }
    if (snd_seq_connect_from(Seq(mSeq), mPort, address.client, address.port) < 0) {
        *error = "the ALSA sequencer refused to connect \"" + source + "\"";
        return false;
    }
    return true;
}

void AlsaMidiInput::Run()
{
    snd_seq_t* seq = Seq(mSeq);
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds[static_cast<size_t>(count)] = {mStop[0], POLLIN, 0};
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds.back().revents)
            return;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq, &event) >= 0 && event)
            Take(event);
    }
}

void AlsaMidiInput::Take(const void* raw)
{
    const auto* event = static_cast<const snd_seq_event_t*>(raw);
    const uint32_t stamp = mClock(mClockContext);
    if (event->type == SND_SEQ_EVENT_SYSEX) {
        // Long messages come in pieces; a new F0 starts over, F7 completes.
        const auto* bytes = static_cast<const uint8_t*>(event->data.ext.ptr);
        for (unsigned i = 0; i < event->data.ext.len; ++i) {
            const uint8_t byte = bytes[i];
            if (byte == 0xF0)
                mSysEx.clear();
            else if (mSysEx.empty())
                continue;
            if (mSysEx.size() == kLargestSysEx) {
                mSysEx.clear();
                continue;
            }
            mSysEx.push_back(byte);
            if (byte == 0xF7) {
                mRing.Push(stamp, mSysEx.data(), mSysEx.size());
                mSysEx.clear();
            }
        }
        return;
    }
    auto* decoder = static_cast<snd_midi_event_t*>(mDecoder);
    const long size = snd_midi_event_decode(decoder, mMessage.data(), static_cast<long>(mMessage.size()),
                                            const_cast<snd_seq_event_t*>(event));
    if (size > 0)
        mRing.Push(stamp, mMessage.data(), static_cast<size_t>(size));
}
