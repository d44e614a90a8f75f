#include "app/MidiPeriod.h"

#include <cstring>

namespace {

// Bytes a channel message takes by its status: program change and channel pressure carry one data byte.
size_t ChannelMessageSize(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

} // namespace

MidiPeriod::MidiPeriod() : mPointers(reinterpret_cast<vst::Event**>(mList + offsetof(vst::Events, events)))
{
    std::memset(mList, 0, sizeof(mList));
}

void MidiPeriod::Begin(int frames) noexcept
{
    mCount = 0;
    mFrames = frames > 0 ? frames : 1;
    mSysExUsed = 0;
}

bool MidiPeriod::Add(int offset, const uint8_t* bytes, size_t size) noexcept
{
    if (!bytes || size == 0)
        return false;
    const uint8_t status = bytes[0];
    const bool channel = status >= 0x80 && status < 0xF0;
    const bool sysex = status == 0xF0 && size >= 2 && bytes[size - 1] == 0xF7;
    if (!channel && !sysex)
        return false;
    if (channel && size < ChannelMessageSize(status))
        return false;
    if (mCount == kMaxEvents || (sysex && size > kMaxSysExBytes - mSysExUsed)) {
        mDropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const int at = offset < 0 ? 0 : (offset >= mFrames ? mFrames - 1 : offset);
    if (channel) {
        vst::MidiEvent& event = mMidi[mCount];
        event = vst::MidiEvent{};
        event.type = vst::kMidiType;
        event.byteSize = sizeof(vst::MidiEvent);
        event.deltaFrames = at;
        event.midiData[0] = static_cast<char>(status);
        event.midiData[1] = static_cast<char>(bytes[1]);
        event.midiData[2] = ChannelMessageSize(status) == 3 ? static_cast<char>(bytes[2]) : 0;
        mPointers[mCount] = reinterpret_cast<vst::Event*>(&event);
    } else {
        std::memcpy(mSysExBytes + mSysExUsed, bytes, size);
        vst::SysExEvent& event = mSysEx[mCount];
        event = vst::SysExEvent{};
        event.type = vst::kSysExType;
        event.byteSize = sizeof(vst::SysExEvent);
        event.deltaFrames = at;
        event.dumpBytes = static_cast<int32_t>(size);
        event.sysexDump = reinterpret_cast<char*>(mSysExBytes + mSysExUsed);
        mSysExUsed += size;
        mPointers[mCount] = reinterpret_cast<vst::Event*>(&event);
    }
    ++mCount;
    return true;
}

const vst::Events* MidiPeriod::List() noexcept
{
    // Insertion sort keeps equal offsets in arrival order and costs one pass over a list that is
    // already in order (JACK's events always are; only the sequencer's, added after them, may not be).
    for (int i = 1; i < mCount; ++i) {
        vst::Event* event = mPointers[i];
        int j = i;
        while (j > 0 && mPointers[j - 1]->deltaFrames > event->deltaFrames) {
            mPointers[j] = mPointers[j - 1];
            --j;
        }
        mPointers[j] = event;
    }
    auto* list = reinterpret_cast<vst::Events*>(mList);
    list->numEvents = mCount;
    list->reserved = 0;
    return list;
}
