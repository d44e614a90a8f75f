// Fits a host block to the plug-in's maximum block size: holds the short MIDI events announced for the
// coming host block, splits the block into sub-blocks no longer than the maximum and hands each
// sub-block its events, with offsets rebased to the sub-block, before that sub-block is rendered.
#pragma once

#include <algorithm>
#include <array>

#include "framework/plugin/IMidiEvent.h"

class HostBlockAdapter {
public:
    // Far more than a host sends for one block; a list beyond it loses its surplus, never allocates.
    static constexpr int kCapacity = 4096;

    HostBlockAdapter() = default;
    HostBlockAdapter(const HostBlockAdapter&) = delete;
    HostBlockAdapter& operator=(const HostBlockAdapter&) = delete;

    // Queues an event for the next host block, after every queued event of the same or an earlier
    // offset; a negative offset counts as frame 0. False when the pool is full (the event is dropped).
    bool Add(const IMidiEvent& event) noexcept;
    // Events queued and not yet delivered.
    int Pending() const noexcept { return mCount - mNext; }
    // The first frame of the sub-block being delivered or rendered, within the host block; 0 outside Run.
    int SubBlockStart() const noexcept { return mStart; }

    // Renders a host block of `frames` frames in sub-blocks of at most `maxBlock` frames. Before each
    // sub-block, deliver(event) receives the queued events falling before its end, offsets rebased to
    // the sub-block; the last sub-block also takes those at or beyond the host block's end. Then
    // render(start, frames) renders the sub-block. With nothing to render (no frames or no maximum)
    // every queued event is delivered at offset 0. Events queued while the block runs (a host calling
    // back into the plug-in) wait for the next block. If a callback throws, the block's undelivered
    // events are dropped and the adapter is ready for the next block.
    template <typename Deliver, typename Render> void Run(int frames, int maxBlock, Deliver&& deliver, Render&& render)
    {
        Round round(*this);
        if (frames <= 0 || maxBlock <= 0) {
            while (mNext < mEnd)
                deliver(Rebased(mEvents[static_cast<size_t>(mNext++)], 0, 1));
            return;
        }
        for (mStart = 0; mStart < frames; mStart += maxBlock) {
            const int n = std::min(maxBlock, frames - mStart);
            const bool last = mStart + n >= frames;
            while (mNext < mEnd && (last || mEvents[static_cast<size_t>(mNext)].offset < mStart + n))
                deliver(Rebased(mEvents[static_cast<size_t>(mNext++)], mStart, n));
            render(mStart, n);
        }
    }

private:
    // One Run: events [0, mEnd) belong to it; Add sorts later arrivals among [mEnd, mCount); at the
    // end the later arrivals move to the front.
    class Round {
    public:
        explicit Round(HostBlockAdapter& adapter) noexcept;
        ~Round();
        Round(const Round&) = delete;
        Round& operator=(const Round&) = delete;

    private:
        HostBlockAdapter& mAdapter;
    };

    static IMidiEvent Rebased(IMidiEvent event, int start, int frames) noexcept
    {
        event.offset = std::clamp(event.offset - start, 0, frames - 1);
        return event;
    }

    std::array<IMidiEvent, kCapacity> mEvents{};
    int mCount = 0; // queued events
    int mFirst = 0; // Add keeps [mFirst, mCount) ordered; 0 outside Run
    int mNext = 0;  // next event Run delivers
    int mEnd = 0;   // end of the events Run delivers
    int mStart = 0; // see SubBlockStart
};
