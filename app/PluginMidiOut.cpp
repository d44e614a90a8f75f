#include "app/PluginMidiOut.h"

#include <cstring>

namespace {

// The period the calling thread is rendering, if any: set only around the plug-in's process call.
thread_local PluginMidiOut* tInPeriod = nullptr;

// A message's bytes from a VST2 event: 3 for a MIDI event (the receiver reads what its status needs),
// the dump for a SysEx event. Null for anything else.
const uint8_t* EventBytes(const vst::Event* event, size_t* size)
{
    if (event->type == vst::kMidiType) {
        *size = 3;
        return reinterpret_cast<const uint8_t*>(reinterpret_cast<const vst::MidiEvent*>(event)->midiData);
    }
    if (event->type == vst::kSysExType) {
        const auto* sysex = reinterpret_cast<const vst::SysExEvent*>(event);
        if (!sysex->sysexDump || sysex->dumpBytes <= 0)
            return nullptr;
        *size = static_cast<size_t>(sysex->dumpBytes);
        return reinterpret_cast<const uint8_t*>(sysex->sysexDump);
    }
    return nullptr;
}

// A channel message's own length, so that a two-byte message goes out as two bytes.
size_t MessageSize(const uint8_t* bytes, size_t size)
{
    if (size == 3 && (bytes[0] & 0xF0) >= 0x80 && (bytes[0] & 0xF0) < 0xF0)
        return (bytes[0] & 0xF0) == 0xC0 || (bytes[0] & 0xF0) == 0xD0 ? 2 : 3;
    return size;
}

} // namespace

PluginMidiOut::PluginMidiOut(size_t ringBytes) : mWaiting(ringBytes) {}

void PluginMidiOut::BeginPeriod(Reserve reserve, void* output, uint32_t frames) noexcept
{
    mReserve = reserve;
    mOutput = output;
    mFrames = frames > 0 ? frames : 1;
    mLastOffset = 0;
    uint32_t stamp = 0;
    while (const size_t size = mWaiting.Peek(&stamp)) {
        uint8_t* room = mReserve(mOutput, 0, size);
        if (!room)
            mDropped.fetch_add(1, std::memory_order_relaxed);
        mWaiting.Pop(&stamp, room, room ? size : 0);
    }
    tInPeriod = this;
}

void PluginMidiOut::EndPeriod() noexcept
{
    tInPeriod = nullptr;
}

void PluginMidiOut::Write(uint32_t offset, const uint8_t* bytes, size_t size) noexcept
{
    // The output takes messages in time order only: one sent earlier than the last goes with it.
    if (offset >= mFrames)
        offset = mFrames - 1;
    if (offset < mLastOffset)
        offset = mLastOffset;
    uint8_t* room = mReserve(mOutput, offset, size);
    if (!room) {
        mDropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::memcpy(room, bytes, size);
    mLastOffset = offset;
}

void PluginMidiOut::Queue(const vst::Events* list)
{
    std::lock_guard<std::mutex> lock(mSenders);
    vst::Event* const* events = &list->events[0];
    for (int32_t i = 0; i < list->numEvents; ++i) {
        size_t size = 0;
        const uint8_t* bytes = events[i] ? EventBytes(events[i], &size) : nullptr;
        if (bytes)
            mWaiting.Push(0, bytes, MessageSize(bytes, size));
    }
}

void PluginMidiOut::Sink(void* self, const vst::Events* list)
{
    auto* out = static_cast<PluginMidiOut*>(self);
    if (!list || list->numEvents <= 0)
        return;
    if (tInPeriod != out) {
        out->Queue(list);
        return;
    }
    vst::Event* const* events = &list->events[0];
    for (int32_t i = 0; i < list->numEvents; ++i) {
        size_t size = 0;
        const uint8_t* bytes = events[i] ? EventBytes(events[i], &size) : nullptr;
        if (bytes)
            out->Write(static_cast<uint32_t>(events[i]->deltaFrames < 0 ? 0 : events[i]->deltaFrames), bytes,
                       MessageSize(bytes, size));
    }
}

uint64_t PluginMidiOut::Dropped() const
{
    return mDropped.load(std::memory_order_relaxed) + mWaiting.Dropped();
}
