// The host-block adapter on its own: plain event lists in, the sub-blocks and rebased events it
// hands out checked against the frames the events were announced for.
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "framework/plugin/HostBlockAdapter.h"

namespace {

IMidiEvent Note(int offset, uint8_t key = 60)
{
    IMidiEvent event;
    event.offset = offset;
    event.status = 0x90;
    event.data1 = key;
    event.data2 = 100;
    return event;
}

struct Delivered {
    int subBlockStart;
    int subBlockFrames; // filled in when the sub-block renders
    IMidiEvent event;
};

// One host block through the adapter, recording every delivery and every sub-block rendered.
struct BlockRecord {
    std::vector<Delivered> events;
    std::vector<std::pair<int, int>> subBlocks; // start, frames
};

BlockRecord RunBlock(HostBlockAdapter& adapter, int frames, int maxBlock)
{
    BlockRecord record;
    size_t firstOfSubBlock = 0;
    adapter.Run(
        frames, maxBlock,
        [&](const IMidiEvent& event) {
            record.events.push_back({adapter.SubBlockStart(), 0, event});
        },
        [&](int start, int n) {
            EXPECT_EQ(adapter.SubBlockStart(), start);
            for (size_t i = firstOfSubBlock; i < record.events.size(); ++i)
                record.events[i].subBlockFrames = n;
            firstOfSubBlock = record.events.size();
            record.subBlocks.emplace_back(start, n);
        });
    return record;
}

TEST(HostBlockAdapter, SubBlocksCoverTheHostBlockWithoutExceedingTheMaximum)
{
    const struct {
        int frames, maxBlock;
    } cases[] = {{1000, 64}, {2000, 100}, {65, 64}, {64, 64}, {7, 512}, {1000, 1}};
    for (const auto& c : cases) {
        HostBlockAdapter adapter;
        const BlockRecord record = RunBlock(adapter, c.frames, c.maxBlock);
        int next = 0;
        for (const auto& [start, n] : record.subBlocks) {
            EXPECT_EQ(start, next);
            EXPECT_GT(n, 0);
            EXPECT_LE(n, c.maxBlock);
            next = start + n;
        }
        EXPECT_EQ(next, c.frames) << c.frames << " frames in sub-blocks of " << c.maxBlock;
    }
}

TEST(HostBlockAdapter, EachEventReachesTheSubBlockItFallsInAtItsOwnFrame)
{
    HostBlockAdapter adapter;
    const int offsets[] = {0, 63, 64, 127, 500, 999};
    for (int offset : offsets)
        adapter.Add(Note(offset));
    const BlockRecord record = RunBlock(adapter, 1000, 64);
    ASSERT_EQ(record.events.size(), std::size(offsets));
    for (size_t i = 0; i < record.events.size(); ++i) {
        const Delivered& d = record.events[i];
        EXPECT_EQ(d.subBlockStart + d.event.offset, offsets[i]);
        EXPECT_GE(d.event.offset, 0);
        EXPECT_LT(d.event.offset, d.subBlockFrames);
    }
    EXPECT_EQ(adapter.Pending(), 0);
}

TEST(HostBlockAdapter, LateEventsGoToTheLastFrameAndEarlyOnesToTheFirst)
{
    HostBlockAdapter adapter;
    adapter.Add(Note(1000, 1));
    adapter.Add(Note(-5, 2));
    adapter.Add(Note(50000, 3));
    const BlockRecord record = RunBlock(adapter, 1000, 64);
    ASSERT_EQ(record.events.size(), 3u);
    EXPECT_EQ(record.events[0].event.data1, 2);
    EXPECT_EQ(record.events[0].subBlockStart + record.events[0].event.offset, 0);
    for (size_t i = 1; i < 3; ++i)
        EXPECT_EQ(record.events[i].subBlockStart + record.events[i].event.offset, 999);
    EXPECT_EQ(record.events[1].event.data1, 1) << "late events keep their order";
}

TEST(HostBlockAdapter, EventsAreOrderedByFrameAndStableWithinAFrame)
{
    HostBlockAdapter adapter;
    adapter.Add(Note(10, 1));
    adapter.Add(Note(5, 2));
    adapter.Add(Note(10, 3));
    adapter.Add(Note(5, 4));
    adapter.Add(Note(0, 5));
    const BlockRecord record = RunBlock(adapter, 100, 8);
    std::vector<int> keys;
    for (const Delivered& d : record.events)
        keys.push_back(d.event.data1);
    EXPECT_EQ(keys, (std::vector<int>{5, 2, 4, 1, 3}));
}

TEST(HostBlockAdapter, EventsSentBeforeABlockAccumulateAndAreDeliveredOnce)
{
    HostBlockAdapter adapter;
    adapter.Add(Note(300));
    adapter.Add(Note(20));
    EXPECT_EQ(adapter.Pending(), 2);
    EXPECT_EQ(RunBlock(adapter, 512, 512).events.size(), 2u);
    EXPECT_TRUE(RunBlock(adapter, 512, 512).events.empty());
}

TEST(HostBlockAdapter, AFullPoolDropsTheSurplus)
{
    HostBlockAdapter adapter;
    for (int i = 0; i < HostBlockAdapter::kCapacity; ++i)
        ASSERT_TRUE(adapter.Add(Note(i % 700)));
    EXPECT_FALSE(adapter.Add(Note(0)));
    EXPECT_EQ(adapter.Pending(), HostBlockAdapter::kCapacity);
    const BlockRecord record = RunBlock(adapter, 700, 64);
    EXPECT_EQ(static_cast<int>(record.events.size()), HostBlockAdapter::kCapacity);
    EXPECT_TRUE(adapter.Add(Note(0))) << "the pool is free again after the block";
}

TEST(HostBlockAdapter, WithNothingToRenderEveryEventIsDeliveredAtFrameZero)
{
    for (const auto& [frames, maxBlock] : {std::pair{0, 64}, std::pair{256, 0}, std::pair{-3, 64}}) {
        HostBlockAdapter adapter;
        adapter.Add(Note(100));
        adapter.Add(Note(3));
        const BlockRecord record = RunBlock(adapter, frames, maxBlock);
        EXPECT_TRUE(record.subBlocks.empty());
        ASSERT_EQ(record.events.size(), 2u);
        for (const Delivered& d : record.events)
            EXPECT_EQ(d.event.offset, 0);
        EXPECT_EQ(adapter.Pending(), 0);
    }
}

TEST(HostBlockAdapter, EventsSentDuringABlockWaitForTheNext)
{
    HostBlockAdapter adapter;
    adapter.Add(Note(10, 1));
    adapter.Add(Note(200, 2));
    std::vector<int> keys;
    adapter.Run(
        256, 64,
        [&](const IMidiEvent& event) {
            keys.push_back(event.data1);
            if (event.data1 == 1) {
                adapter.Add(Note(50, 4)); // a host calling back into the plug-in while it renders
                adapter.Add(Note(5, 3));
            }
        },
        [](int, int) {});
    EXPECT_EQ(keys, (std::vector<int>{1, 2}));
    const BlockRecord next = RunBlock(adapter, 256, 64);
    ASSERT_EQ(next.events.size(), 2u);
    EXPECT_EQ(next.events[0].event.data1, 3);
    EXPECT_EQ(next.events[1].event.data1, 4);
    EXPECT_EQ(next.events[1].subBlockStart + next.events[1].event.offset, 50);
}

TEST(HostBlockAdapter, AFailedBlockLeavesNothingPendingAndNoSubBlockOpen)
{
    HostBlockAdapter adapter;
    adapter.Add(Note(10));
    adapter.Add(Note(300));
    EXPECT_THROW(adapter.Run(
                     512, 64, [](const IMidiEvent&) {}, [](int, int) { throw std::runtime_error("render failed"); }),
                 std::runtime_error);
    EXPECT_EQ(adapter.Pending(), 0);
    EXPECT_EQ(adapter.SubBlockStart(), 0);
    adapter.Add(Note(100));
    EXPECT_EQ(RunBlock(adapter, 512, 64).events.size(), 1u);
}

} // namespace
