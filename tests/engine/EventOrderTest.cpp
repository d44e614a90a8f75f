#include "engine/HeldNoteList.h"
#include "engine/VoiceOrderList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Walk(const VoiceOrderList& l)
{
    std::vector<int> out;
    for (int v = l.Head(); v >= 0; v = l.Next(v))
        out.push_back(v);
    return out;
}

TEST(VoiceOrderList, FreeVoicesComeOutInTheOrderTheyBecameFreeThenTheOldestBusyOne)
{
    VoiceOrderList l;
    l.Rebuild(4);
    EXPECT_EQ(Walk(l), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(l.Cursor(), 3);

    // Start 0, 1, 2, 3 in turn: none is free afterwards.
    for (int i = 0; i < 4; ++i) {
        int v = l.TakeHead();
        EXPECT_EQ(v, i);
        l.AppendBusy(v);
    }
    EXPECT_EQ(l.Cursor(), -1);
    // Free 2 then 0: 2 has been free longest.
    l.MarkFree(2);
    l.MarkFree(0);
    EXPECT_EQ(Walk(l), (std::vector<int>{2, 0, 1, 3}));
    EXPECT_EQ(l.TakeHead(), 2);
    l.AppendBusy(2);
    EXPECT_EQ(l.TakeHead(), 0);
    l.AppendBusy(0);
    // None free: the head is the voice started longest ago.
    EXPECT_EQ(l.TakeHead(), 1);
    EXPECT_EQ(l.Take(9), -1);
    EXPECT_EQ(l.Count(), 3);
}

TEST(HeldNoteList, KeepsTheLowestNoteAtTheHeadAndIgnoresRepeats)
{
    HeldNoteList h;
    h.Insert(64, 90);
    h.Insert(60, 80);
    h.Insert(67, 70);
    h.Insert(60, 10);
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(h.Head().note, 60);
    EXPECT_EQ(h.Head().velocity, 80);
    h.Remove(60);
    EXPECT_EQ(h.Head().note, 64);
    h.Remove(99);
    EXPECT_EQ(h.Count(), 2);
}

} // namespace
