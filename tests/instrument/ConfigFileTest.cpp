// Reading the configuration file's lines.
#include <gtest/gtest.h>

#include "instrument/ConfigFile.h"

namespace {

TEST(ConfigFile, KeysAndValuesAreStrippedAtBothEnds)
{
    ConfigFile config;
    config.Parse("  GLOBAL_GAIN \t=  HIGH \r\n");
    EXPECT_EQ(config.Count("GLOBAL_GAIN"), 1);
    EXPECT_EQ(config.Get("GLOBAL_GAIN"), "HIGH");
}

TEST(ConfigFile, CommentsBlankLinesAndLinesWithoutEqualsAreSkipped)
{
    ConfigFile config;
    config.Parse("#MIDI_THRU=TRUE\n\nJUST TEXT\nLOCK=TRUE\n");
    EXPECT_EQ(config.Count("MIDI_THRU"), 0);
    EXPECT_EQ(config.Count("JUST TEXT"), 0);
    EXPECT_TRUE(config.IsTrue("LOCK"));
}

TEST(ConfigFile, OnlyTheFirstEqualsSeparates)
{
    ConfigFile config;
    config.Parse("PRESETDIR=/a=b/c\n");
    EXPECT_EQ(config.Get("PRESETDIR"), "/a=b/c");
}

TEST(ConfigFile, LaterLinesReplaceEarlierOnesAndWordsAreCaseSensitive)
{
    ConfigFile config;
    config.Parse("MIDI_THRU=TRUE\nMIDI_THRU=true\n");
    EXPECT_FALSE(config.IsTrue("MIDI_THRU"));
}

TEST(ConfigFile, AskingForAnAbsentKeyAddsItEmpty)
{
    ConfigFile config;
    config.Read("/nonexistent/KT-4R.ini");
    EXPECT_EQ(config.Count("LOCK"), 0);
    EXPECT_EQ(config.Get("LOCK"), "");
    EXPECT_EQ(config.Count("LOCK"), 1);
}

} // namespace
