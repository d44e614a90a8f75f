// The MIDI of one audio period as the plug-in's process-events entry takes it: a VST2 event list with
// each message at its frame offset, in time order. All room is made once; a period that brings more
// than it holds drops the surplus (and counts it).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "framework/vst2/VstAbi.h"

class MidiPeriod {
public:
    static constexpr int kMaxEvents = 512;
    static constexpr size_t kMaxSysExBytes = 64 * 1024; // SysEx bytes of all the period's messages

    MidiPeriod();
    MidiPeriod(const MidiPeriod&) = delete;
    MidiPeriod& operator=(const MidiPeriod&) = delete;

    // Audio thread: starts an empty list for a period of `frames` frames.
    void Begin(int frames) noexcept;
    // Adds one complete message at `offset` (kept within the period). Channel messages and complete
    // F0..F7 SysEx go in; system common and real-time messages (clock, active sensing) are left out,
    // since the instrument takes none of them. False when the message was left out or had no room.
    bool Add(int offset, const uint8_t* bytes, size_t size) noexcept;
    // The list in offset order, messages of equal offset in the order they were added.
    const vst::Events* List() noexcept;
    int Count() const { return mCount; }
    // Any thread.
    uint64_t Dropped() const { return mDropped.load(std::memory_order_relaxed); }

private:
    vst::MidiEvent mMidi[kMaxEvents];
    vst::SysExEvent mSysEx[kMaxEvents];
    uint8_t mSysExBytes[kMaxSysExBytes];
    // The list: a count, a reserved word and kMaxEvents event pointers.
    alignas(vst::Events) uint8_t mList[offsetof(vst::Events, events) + kMaxEvents * sizeof(vst::Event*)];
    vst::Event** mPointers;
    int mCount = 0;
    int mFrames = 0;
    size_t mSysExUsed = 0;
    std::atomic<uint64_t> mDropped{0};
};
