// A lock-free single-producer, single-consumer ring of time-stamped MIDI messages, preallocated: one
// thread writes (the sequencer input, or the thread that sends the plug-in's output outside a period),
// the audio thread reads. Neither side allocates, locks or waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class MessageRing {
public:
    // capacityBytes is rounded up to a power of two; each message takes its bytes plus 8.
    explicit MessageRing(size_t capacityBytes);
    MessageRing(const MessageRing&) = delete;
    MessageRing& operator=(const MessageRing&) = delete;

    // Producer side. False (and the message dropped, counted) when there is no room for all of it.
    bool Push(uint32_t stamp, const uint8_t* bytes, size_t size) noexcept;
    // Consumer side. The size of the oldest message, its stamp in *stamp; 0 when the ring is empty.
    size_t Peek(uint32_t* stamp) const noexcept;
    // Copies the oldest message into out (up to room bytes; a longer one is cut) and removes it;
    // answers the message's full size, 0 when empty.
    size_t Pop(uint32_t* stamp, uint8_t* out, size_t room) noexcept;

    uint64_t Dropped() const { return mDropped.load(std::memory_order_relaxed); }

private:
    static constexpr size_t kHeader = 8; // stamp, size: two 32-bit words
    void CopyIn(size_t at, const uint8_t* bytes, size_t size) noexcept;
    void CopyOut(size_t at, uint8_t* out, size_t size) const noexcept;

    const size_t mSize;
    const size_t mMask;
    std::unique_ptr<uint8_t[]> mBytes;
    alignas(64) std::atomic<size_t> mWrite{0}; // bytes ever written, producer-owned
    alignas(64) std::atomic<size_t> mRead{0};  // bytes ever read, consumer-owned
    std::atomic<uint64_t> mDropped{0};
};
