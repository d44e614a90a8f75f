// A time-ordered queue of owned event records; equal times keep their arrival order.
#pragma once

#include "signal/EngineEvents.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class EventQueue {
public:
    explicit EventQueue(std::string name) : mName(std::move(name)) {}
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;
    ~EventQueue() { Clear(); }

    // Takes ownership and links the event after every event whose time is not later than its own.
    void Push(EngineEvent* event) noexcept;
    // Hands the earliest event and its ownership to the caller; null when empty. The record goes back
    // to its pool when the caller lets go of it.
    std::unique_ptr<EngineEvent, EventRelease> Pop() noexcept;
    void Clear() noexcept;

    int32_t Count() const noexcept { return mCount; }
    bool Empty() const noexcept { return mCount == 0; }
    const std::string& Name() const noexcept { return mName; }

private:
    void Lock() noexcept;
    void Unlock() noexcept { mBusy.store(0, std::memory_order_release); }

    int32_t mCount = 0;
    std::atomic<uint8_t> mBusy{0};
    std::string mName;
    EngineEvent* mHead = nullptr;
    EngineEvent* mTail = nullptr;
};
