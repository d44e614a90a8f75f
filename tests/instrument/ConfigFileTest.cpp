// Reading the configuration file's lines and writing the file back at exit.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "instrument/ConfigFile.h"
#include "instrument/FileText.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(ConfigFile, LinesGiveStrippedKeysAndValues)
{
    struct Case {
        const char* text;
        const char* key;
        const char* value; // nullptr: the key is absent
    };
    const Case cases[] = {
        {"  GLOBAL_GAIN \t=  HIGH \r\n", "GLOBAL_GAIN", "HIGH"},             // stripped at both ends
        {"#MIDI_THRU=TRUE\n\nJUST TEXT\nLOCK=TRUE\n", "MIDI_THRU", nullptr}, // a comment
        {"#MIDI_THRU=TRUE\n\nJUST TEXT\nLOCK=TRUE\n", "JUST TEXT", nullptr}, // no equals
        {"#MIDI_THRU=TRUE\n\nJUST TEXT\nLOCK=TRUE\n", "LOCK", "TRUE"},       // after a blank line
        {"PRESETDIR=/a=b/c\n", "PRESETDIR", "/a=b/c"},                       // only the first equals separates
        {"MIDI_THRU=TRUE\nMIDI_THRU=true\n", "MIDI_THRU", "true"},           // the later line replaces
    };
    for (const Case& c : cases) {
        ConfigFile config;
        config.Parse(c.text);
        ASSERT_EQ(config.Count(c.key), c.value ? 1 : 0) << c.text;
        if (c.value) {
            EXPECT_EQ(config.Get(c.key), c.value) << c.text;
        }
    }
    ConfigFile config;
    config.Parse("LOCK=TRUE\nMIDI_THRU=true\n");
    EXPECT_TRUE(config.IsTrue("LOCK"));
    EXPECT_FALSE(config.IsTrue("MIDI_THRU")) << "words are case sensitive";
}

TEST(ConfigFile, AskingForAnAbsentKeyAddsItEmpty)
{
    ConfigFile config;
    config.Read({"/nonexistent/", ""});
    EXPECT_EQ(config.Count("LOCK"), 0);
    EXPECT_EQ(config.Get("LOCK"), "");
    EXPECT_EQ(config.Count("LOCK"), 1);
}

// ---- Writing back ----

class ConfigWrite : public ::testing::Test {
protected:
    void Put(const std::string& text) { std::ofstream(mPath, std::ios::binary) << text; }
    std::string Text()
    {
        std::string text;
        ReadFileText(mPath, &text);
        return text;
    }

    kt4r_test::TempFolder mFolder{"kt4r-ini"};
    std::string mPath = mFolder.PathOf("KT-4R.ini");
    SharedFolders mFolders{mFolder.Path().string() + "/", ""};
};

TEST_F(ConfigWrite, ARunWithNoFileWritesTheInstrumentsKeysInByteOrder)
{
    ConfigFile config;
    config.Read(mFolders);
    ConfigExitState state;
    state.presetDir = "/home/p/presets";
    config.StoreExitState(state);
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), "#KT4R configuration file\n"
                      "\n"
                      "DEFAULT_NUM_VOICES = 6\n"
                      "GLOBAL_GAIN = NORMAL\n"
                      "IMMEDIATE_WRITE = FALSE\n"
                      "LOCK = \n"
                      "MIDI_THRU = FALSE\n"
                      "PRESETDIR = /home/p/presets\n"
                      "SEND_PARAM_SYSEX = FALSE\n"
                      "SEND_PROG_SYSEX = FALSE\n");
}

// Only what the instance changed is written, each on the line that held its key; a value the
// instrument did not understand and did not change stays as the player wrote it.
TEST_F(ConfigWrite, OnlyChangedKeysAreWrittenAndEveryOtherLineStaysAsItWas)
{
    Put("# mine\r\nDEFAULT_NUM_VOICES=7\r\nPOLY_ON_GUI=NEW\nZ_UNKNOWN = x y\nGLOBAL_GAIN=LOW\n"
        "GLOBAL_GAIN=LOW\nMIDI_THRU=true\nno equals here");
    ConfigFile config;
    config.Read(mFolders);
    ConfigExitState state = config.StartState();
    EXPECT_EQ(state.numberOfVoices, 3.0) << "7 is not a voice count the instrument knows";
    EXPECT_FALSE(state.midiThru) << "words are case sensitive";
    EXPECT_EQ(state.globalGain, 0.0);
    state.numberOfVoices = 5.0;
    state.globalGain = 2.0;
    state.immediateWrite = 1.0;
    config.StoreExitState(state);
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), "# mine\r\nDEFAULT_NUM_VOICES = 10\r\nPOLY_ON_GUI=NEW\nZ_UNKNOWN = x y\nGLOBAL_GAIN=LOW\n"
                      "GLOBAL_GAIN = HIGH\nMIDI_THRU=true\nno equals here\nIMMEDIATE_WRITE = TRUE\n");
}

// Another instance wrote the file after this one read it: its keys stay, this one's changes go in.
TEST_F(ConfigWrite, ChangesMergeIntoTheFileAsItIsAtThatMoment)
{
    Put("GLOBAL_GAIN = NORMAL\nSEND_PARAM_SYSEX = FALSE\n");
    ConfigFile config;
    config.Read(mFolders);
    Put("GLOBAL_GAIN = NORMAL\nSEND_PARAM_SYSEX = TRUE\nPRESETDIR = /other\n");
    ConfigExitState state = config.StartState();
    state.globalGain = 0.0;
    config.StoreExitState(state);
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), "GLOBAL_GAIN = LOW\nSEND_PARAM_SYSEX = TRUE\nPRESETDIR = /other\n");

    // Written changes are not changes any more: a later write leaves a newer file alone.
    Put("GLOBAL_GAIN = HIGH\n");
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), "GLOBAL_GAIN = HIGH\n");
}

TEST_F(ConfigWrite, NothingChangedLeavesTheFileByteForByte)
{
    const std::string original = "#x\n  PRESETDIR  =  /a=b/c d  \r\nDEFAULT_NUM_VOICES=9\nLOCK=\n";
    Put(original);
    ConfigFile config;
    config.Read(mFolders);
    config.Get("SOMETHING_ASKED_FOR");
    ConfigExitState state = config.StartState();
    state.numberOfVoices = 3.4; // rounds to the voice count it started with
    config.StoreExitState(state);
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), original);
}

TEST(ConfigExit, ValuesOutsideTheirRangesAreWrittenAsTheNearestWord)
{
    struct Case {
        double voices, gain;
        const char* voicesText;
        const char* gainText;
    } cases[] = {
        {3.0, 0.0, "6", "LOW"},
        {6.0, 1.0, "12", "NORMAL"},
        {4.4, 1.6, "8", "HIGH"},
        {-2.0, -5.0, "6", "LOW"},
        {99.0, 9.0, "12", "HIGH"},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), "6", "NORMAL"},
    };
    for (const Case& c : cases) {
        ConfigFile config;
        ConfigExitState state;
        state.numberOfVoices = c.voices;
        state.globalGain = c.gain;
        state.immediateWrite = std::numeric_limits<double>::quiet_NaN();
        config.StoreExitState(state);
        EXPECT_EQ(config.Get("DEFAULT_NUM_VOICES"), c.voicesText) << c.voices;
        EXPECT_EQ(config.Get("GLOBAL_GAIN"), c.gainText) << c.gain;
        EXPECT_EQ(config.Get("IMMEDIATE_WRITE"), "FALSE");
    }
}

TEST_F(ConfigWrite, ALockedFileIsNeverRewritten)
{
    for (const bool lockedAfterReading : {false, true}) {
        const std::string original = "LOCK=TRUE\n";
        Put(lockedAfterReading ? "" : original);
        ConfigFile config;
        config.Read(mFolders);
        if (lockedAfterReading)
            Put(original);
        ConfigExitState state;
        state.globalGain = 2.0;
        config.StoreExitState(state);
        EXPECT_TRUE(config.Write());
        EXPECT_EQ(Text(), original) << lockedAfterReading;
    }
}

// A value with equals and spaces reads back whole; a line feed in a value or an equals in a key cannot
// add a key.
TEST_F(ConfigWrite, ValuesReadBackWholeAndCannotAddAKey)
{
    Put("  PRESETDIR  =  /old  \n");
    ConfigFile config;
    config.Read(mFolders);
    config.Set("PRESETDIR", "/a=b/c d");
    ASSERT_TRUE(config.Write());
    EXPECT_EQ(Text(), "PRESETDIR = /a=b/c d\n");
    ConfigFile reread;
    reread.Read(mFolders);
    EXPECT_EQ(reread.Get("PRESETDIR"), "/a=b/c d");

    ConfigExitState state;
    state.presetDir = "/x\nLOCK=TRUE";
    reread.StoreExitState(state);
    reread.Set("A=B", "1");
    ASSERT_TRUE(reread.Write());
    ConfigFile third;
    third.Read(mFolders);
    EXPECT_EQ(third.Get("PRESETDIR"), "/a=b/c d");
    EXPECT_EQ(third.Count("A"), 0);
    EXPECT_FALSE(third.IsTrue("LOCK"));
}

TEST_F(ConfigWrite, AFileThatCannotBeWrittenIsReported)
{
    ConfigFile config;
    EXPECT_FALSE(config.Write()) << "no path was read";
    config.Read({"/nonexistent-folder/", ""});
    EXPECT_FALSE(config.Write());
}

} // namespace
