#include "signal/EventQueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(EventQueue, PopsInTimeOrderAndKeepsArrivalOrderForEqualTimes)
{
    EventQueue q("Param");
    const int times[] = {37, 5, 37, 0, 200, 5};
    for (int i = 0; i < 6; ++i)
        q.Push(new ValueEvent(times[i], i, 0.0f));
    EXPECT_EQ(q.Count(), 6);
    std::vector<int> order;
    while (auto e = q.Pop())
        order.push_back(static_cast<ValueEvent&>(*e).mId);
    EXPECT_EQ(order, (std::vector<int>{3, 1, 5, 0, 2, 4}));
    EXPECT_TRUE(q.Empty());
    q.Push(nullptr);
    EXPECT_TRUE(q.Empty());
}

} // namespace
