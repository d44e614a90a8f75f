// Fixed pools of event records. A producer takes records from its own pool and hands them to a queue;
// the consumer that pops a record gives it back to the pool it came from. Nothing is allocated after
// construction: when a pool is empty the producer gets no record and the event is dropped.
#pragma once

#include "signal/EngineEvents.h"

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

class EventPoolBase {
public:
    EventPoolBase() = default;
    EventPoolBase(const EventPoolBase&) = delete;
    EventPoolBase& operator=(const EventPoolBase&) = delete;

    // Takes a record back; the queue that popped it calls this under the plug-in lock, on any thread.
    virtual void Release(EngineEvent* event) noexcept = 0;

protected:
    ~EventPoolBase() = default;
};

template <typename Event> class EventPool final : public EventPoolBase {
public:
    // Allocates room for capacity records; host UI thread at construction.
    explicit EventPool(int capacity)
        : mSlots(std::make_unique<Slot[]>(static_cast<size_t>(capacity > 0 ? capacity : 1))),
          mCapacity(capacity > 0 ? capacity : 1)
    {
        for (int i = mCapacity - 1; i >= 0; --i) {
            mSlots[static_cast<size_t>(i)].next = mFree;
            mFree = &mSlots[static_cast<size_t>(i)];
        }
        mAvailable = mCapacity;
    }
    ~EventPool() = default;

    // A new record, or null when every record is in use. Any thread, plug-in lock held; never allocates.
    template <typename... Args> Event* Make(Args&&... args) noexcept
    {
        Slot* slot = mFree;
        if (!slot)
            return nullptr;
        mFree = slot->next;
        --mAvailable;
        Event* event = new (slot->bytes) Event(std::forward<Args>(args)...);
        event->mPool = this;
        return event;
    }

    void Release(EngineEvent* event) noexcept override
    {
        auto* record = static_cast<Event*>(event);
        record->~Event();
        auto* slot = reinterpret_cast<Slot*>(record);
        slot->next = mFree;
        mFree = slot;
        ++mAvailable;
    }

    int Available() const noexcept { return mAvailable; }
    int Capacity() const noexcept { return mCapacity; }

private:
    union Slot {
        Slot() : next(nullptr) {}
        Slot* next;
        alignas(Event) unsigned char bytes[sizeof(Event)];
    };

    std::unique_ptr<Slot[]> mSlots;
    Slot* mFree = nullptr;
    int mCapacity;
    int mAvailable = 0;
};
