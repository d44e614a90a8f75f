// Where the plug-in's MIDI output (thru and SysEx for the hardware) goes. Sent during a period, from the
// audio thread inside the plug-in's process call, it is written straight into the period's MIDI output
// at the plug-in's frame offsets. Sent at any other moment (a panel edit sending a parameter message
// from the main thread), it waits in a ring that the next period empties first, at offset 0.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "app/MessageRing.h"
#include "framework/vst2/VstAbi.h"

class PluginMidiOut {
public:
    // Room for `size` bytes at `offset` in the period's output, or null when the output is full.
    // Messages must be reserved in time order.
    using Reserve = uint8_t* (*)(void* output, uint32_t offset, size_t size);

    explicit PluginMidiOut(size_t ringBytes = 256 * 1024);
    PluginMidiOut(const PluginMidiOut&) = delete;
    PluginMidiOut& operator=(const PluginMidiOut&) = delete;

    // Audio thread, at the start of a period of `frames` frames, before the plug-in runs: forwards what
    // waited, then takes the plug-in's events directly until EndPeriod. No allocation, no lock.
    void BeginPeriod(Reserve reserve, void* output, uint32_t frames) noexcept;
    void EndPeriod() noexcept;

    // The plug-in host's event sink (PluginHost::EventSink); `self` is this object. Any thread.
    static void Sink(void* self, const vst::Events* list);

    uint64_t Dropped() const;

private:
    void Write(uint32_t offset, const uint8_t* bytes, size_t size) noexcept;
    void Queue(const vst::Events* list);

    MessageRing mWaiting;
    std::mutex mSenders; // makes the threads that send outside a period one producer; never the audio thread
    Reserve mReserve = nullptr;
    void* mOutput = nullptr;
    uint32_t mFrames = 0;
    uint32_t mLastOffset = 0;
    std::atomic<uint64_t> mDropped{0};
};
