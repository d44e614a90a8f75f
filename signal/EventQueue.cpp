#include "signal/EventQueue.h"

#include "signal/EventPool.h"

void EventQueue::Lock() noexcept
{
    // Producers and the consumer already run under the plug-in lock; the flag only guards the links
    // against a caller that does not.
    while (mBusy.exchange(1, std::memory_order_acquire) != 0) {
    }
}

void EventQueue::Push(EngineEvent* event) noexcept
{
    if (!event)
        return;
    Lock();
    event->mNext = nullptr;
    if (!mHead) {
        mHead = mTail = event;
    } else if (mTail->mTime <= event->mTime) {
        mTail->mNext = event;
        mTail = event;
    } else if (event->mTime < mHead->mTime) {
        event->mNext = mHead;
        mHead = event;
    } else {
        EngineEvent* p = mHead;
        while (p->mNext && p->mNext->mTime <= event->mTime)
            p = p->mNext;
        event->mNext = p->mNext;
        p->mNext = event;
    }
    ++mCount;
    Unlock();
}

void EventRelease::operator()(EngineEvent* event) const noexcept
{
    if (!event)
        return;
    if (event->mPool)
        event->mPool->Release(event);
    else
        delete event;
}

std::unique_ptr<EngineEvent, EventRelease> EventQueue::Pop() noexcept
{
    Lock();
    EngineEvent* e = mHead;
    if (e) {
        mHead = e->mNext;
        if (!mHead)
            mTail = nullptr;
        e->mNext = nullptr;
        --mCount;
    }
    Unlock();
    return std::unique_ptr<EngineEvent, EventRelease>(e);
}

void EventQueue::Clear() noexcept
{
    while (auto e = Pop()) {
    }
}
