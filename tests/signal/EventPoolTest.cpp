#include "signal/EventPool.h"
#include "signal/EventQueue.h"

#include <gtest/gtest.h>

namespace {

TEST(EventPool, ASpentPoolDropsTheSurplusAndPoppedRecordsComeBack)
{
    EventPool<ValueEvent> pool(2);
    EventQueue queue("test");
    queue.Push(pool.Make(5, 1, 0.5f));
    queue.Push(pool.Make(3, 2, 0.25f));
    queue.Push(pool.Make(4, 3, 1.0f)); // no record left: dropped, the queue is unchanged
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(pool.Available(), 0);
    {
        auto first = queue.Pop();
        ASSERT_TRUE(first);
        EXPECT_EQ(first->mTime, 3);
        EXPECT_EQ(static_cast<const ValueEvent&>(*first).mId, 2);
        EXPECT_EQ(pool.Available(), 0); // still held by the consumer
    }
    EXPECT_EQ(pool.Available(), 1);
    queue.Clear();
    EXPECT_EQ(pool.Available(), 2);
    ValueEvent* again = pool.Make(7, 9, 0.75f);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->mValue, 0.75f);
    queue.Push(again); // the queue's destructor gives it back
}

} // namespace
