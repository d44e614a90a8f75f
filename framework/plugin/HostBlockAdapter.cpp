#include "framework/plugin/HostBlockAdapter.h"

#include <algorithm>

bool HostBlockAdapter::Add(const IMidiEvent& event) noexcept
{
    if (mCount >= kCapacity)
        return false;
    IMidiEvent queued = event;
    queued.offset = std::max(0, queued.offset);
    // Hosts send events in time order, so the insertion point is nearly always the end.
    int at = mCount;
    while (at > mFirst && mEvents[static_cast<size_t>(at - 1)].offset > queued.offset) {
        mEvents[static_cast<size_t>(at)] = mEvents[static_cast<size_t>(at - 1)];
        --at;
    }
    mEvents[static_cast<size_t>(at)] = queued;
    ++mCount;
    return true;
}

HostBlockAdapter::Round::Round(HostBlockAdapter& adapter) noexcept : mAdapter(adapter)
{
    mAdapter.mNext = 0;
    mAdapter.mEnd = mAdapter.mCount;
    mAdapter.mFirst = mAdapter.mCount;
}

HostBlockAdapter::Round::~Round()
{
    HostBlockAdapter& a = mAdapter;
    std::copy(a.mEvents.begin() + a.mEnd, a.mEvents.begin() + a.mCount, a.mEvents.begin());
    a.mCount -= a.mEnd;
    a.mFirst = 0;
    a.mNext = 0;
    a.mEnd = 0;
    a.mStart = 0;
}
