// MIDI learn: learning controllers on the learn page, controllers moving parameters, the map block
// inside program data and the map file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "instrument/FileText.h"
#include "instrument/MidiLearnMap.h"
#include "instrument/ParamTable.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace kt4r;

struct Move {
    int id;
    double value;
    bool operator==(const Move&) const = default;
};

class RecordingTarget : public MidiLearnTarget {
public:
    void SetFromMidiLearn(int id, double normalized, int, int) override { moves.push_back({id, normalized}); }
    void SetUseDefaultMap(bool on) override { useDefault.push_back(on); }
    void ShowController(int32_t key) override { shownKey = key; }
    void ShowLearnPage(bool armed) override { pageArmed = armed; }

    std::vector<Move> moves;
    std::vector<bool> useDefault;
    int32_t shownKey = 0;
    bool pageArmed = false;
};

constexpr int kVcfFreq = Index(ParamId::kVcfFreq);
constexpr int kVcfReso = Index(ParamId::kVcfReso);
constexpr int kEnv1Att = Index(ParamId::kEnv1Att);

struct LearnFixture : ::testing::Test {
    // Right-click on id, then a controller moved.
    void Learn(int id, int cc, double min = 0.0, double max = 1.0)
    {
        map.Arm(id);
        map.SetBounds(min, max);
        map.LearnController(cc);
    }
    std::vector<Move> Moves(int cc, int value)
    {
        target.moves.clear();
        map.ApplyController(0, 0, cc, value);
        return target.moves;
    }

    RecordingTarget target;
    MidiLearnMap map{target};
};

TEST_F(LearnFixture, AControllerMovedOnTheLearnPageIsAssignedAndAFurtherOneReplacesIt)
{
    Learn(kVcfFreq, 74);
    EXPECT_EQ(map.Entry(kVcfFreq), (MidiLearnEntry{kVcfFreq, 74, 1, 0.0f, 1.0f}));
    EXPECT_EQ(target.shownKey, 74);
    EXPECT_TRUE(map.Armed());

    map.LearnController(71);
    EXPECT_EQ(map.Entry(kVcfFreq).key, 71);
    EXPECT_TRUE(Moves(74, 127).empty());
    EXPECT_EQ(Moves(71, 127), (std::vector<Move>{{kVcfFreq, 1.0}}));
}

TEST_F(LearnFixture, BoundsSetTheEndsAndAMinimumAboveTheMaximumReverses)
{
    Learn(kVcfFreq, 74, 0.2, 0.6);
    EXPECT_NEAR(Moves(74, 127)[0].value, 0.6, 1e-6);
    EXPECT_NEAR(Moves(74, 0)[0].value, 0.2, 1e-6);

    Learn(kVcfReso, 75, 0.6, 0.2);
    EXPECT_NEAR(Moves(75, 127)[0].value, 0.2, 1e-6);
    EXPECT_NEAR(Moves(75, 0)[0].value, 0.6, 1e-6);
    EXPECT_NEAR(Moves(75, 64)[0].value, 0.6f - 0.4f * 64.0f / 127.0f, 1e-6);
}

TEST_F(LearnFixture, NonFiniteBoundsAreIgnoredAndFiniteOnesKeptWithinZeroToOne)
{
    map.Arm(kVcfFreq);
    map.SetBounds(0.25, 0.75);
    map.SetBounds(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(map.BoundMin(), 0.25);
    EXPECT_EQ(map.BoundMax(), 0.75);
    map.SetBounds(-3.0, 7.0);
    EXPECT_EQ(map.BoundMin(), 0.0);
    EXPECT_EQ(map.BoundMax(), 1.0);
}

TEST_F(LearnFixture, NothingIsLearnedOutsideTheLearnPageNorFromDataEntryRpnOrBankSelectNumbers)
{
    map.SelectParam(kVcfFreq);
    map.LearnController(74);
    EXPECT_FALSE(map.HasParam());
    EXPECT_FALSE(map.HasController());
    EXPECT_EQ(map.Table(), MidiLearnTable{});

    map.Arm(kVcfFreq);
    for (int cc : {0, 6, 38, 98, 99, 100, 101, 128, -1})
        map.LearnController(cc);
    EXPECT_FALSE(map.HasController());
    EXPECT_EQ(map.Entry(kVcfFreq).key, 0);
}

// After a program's map is read they move in id order (MidiLearnMapBlock below).
TEST_F(LearnFixture, ParametersLearnedToOneControllerMoveInTheOrderAssigned)
{
    Learn(kEnv1Att, 74);
    map.SelectParam(kVcfReso); // the player touches another knob on the open page
    map.LearnController(74);
    map.SelectParam(kVcfFreq);
    map.LearnController(74);
    EXPECT_EQ(Moves(74, 127), (std::vector<Move>{{kEnv1Att, 1.0}, {kVcfReso, 1.0}, {kVcfFreq, 1.0}}));
}

TEST_F(LearnFixture, SelectingAnAssignedParameterTakesItsBoundsAndController)
{
    Learn(kVcfFreq, 74, 0.3, 0.9);
    map.Command(Index(SettingId::kMidiLearnPage3));
    map.Arm(kVcfFreq);
    EXPECT_TRUE(map.HasController());
    EXPECT_NEAR(map.BoundMin(), 0.3, 1e-6);
    EXPECT_NEAR(map.BoundMax(), 0.9, 1e-6);
    EXPECT_EQ(target.shownKey, 74);
    EXPECT_EQ(map.Entry(kVcfFreq).key, 74);
}

TEST_F(LearnFixture, LearnPageCommands)
{
    const int init = Index(SettingId::kCommandInit);
    EXPECT_FALSE(map.Command(init)) << "outside learning 85 is the program INIT";
    EXPECT_FALSE(map.Command(Index(SettingId::kMidiLearnPage2)));

    Learn(kVcfFreq, 74);
    EXPECT_TRUE(map.Command(init));
    EXPECT_EQ(map.PendingParam(), kNoParamId);
    EXPECT_EQ(map.Entry(kVcfFreq).key, 74) << "cancelling keeps what was assigned";

    map.Arm(kVcfFreq);
    EXPECT_TRUE(map.Command(Index(SettingId::kMidiLearnPage1)));
    EXPECT_EQ(map.Entry(kVcfFreq), MidiLearnEntry{});
    EXPECT_EQ(map.PendingParam(), kNoParamId);

    Learn(kVcfReso, 20);
    EXPECT_TRUE(map.Command(Index(SettingId::kMidiLearnPage3)));
    EXPECT_FALSE(map.Armed());
    EXPECT_FALSE(target.pageArmed);
    EXPECT_EQ(target.useDefault, std::vector<bool>{false});
    EXPECT_EQ(map.DefaultTable(), MidiLearnTable{}) << "95 keeps the map in the program only";

    Learn(kEnv1Att, 21);
    EXPECT_TRUE(map.Command(Index(SettingId::kMidiLearnPage4)));
    EXPECT_EQ(target.useDefault.back(), true);
    EXPECT_EQ(map.DefaultTable(), map.Table());
    EXPECT_EQ(map.DefaultTable()[kEnv1Att].key, 21);
}

TEST_F(LearnFixture, AnUnassignedControllerOrIdMovesNothing)
{
    Learn(kVcfFreq, 74);
    EXPECT_TRUE(Moves(75, 127).empty());
    EXPECT_TRUE(Moves(0, 127).empty());
    map.SetEntry({kMidiLearnEntries, 74, 1, 0.0f, 1.0f});
    map.SetEntry({-1, 74, 1, 0.0f, 1.0f});
    EXPECT_EQ(Moves(74, 127).size(), 1u);
}

// ---- The map block ----

using MidiLearnMapBlock = LearnFixture;

TEST_F(MidiLearnMapBlock, HoldsSeventyEntriesOf28Bytes)
{
    Learn(kVcfFreq, 74, 0.25, 0.75);
    IStateChunk entries;
    ASSERT_TRUE(map.WriteMapBlock(entries, false));
    ASSERT_EQ(entries.Size(), 1960);
    IStateChunk counted;
    ASSERT_TRUE(map.WriteMapBlock(counted, false, MidiLearnBlock::kCounted));
    ASSERT_EQ(counted.Size(), 1964);
    EXPECT_EQ(std::memcmp(counted.Data() + 4, entries.Data(), 1960), 0);
    EXPECT_EQ(std::vector<uint8_t>(counted.Data(), counted.Data() + 4), (std::vector<uint8_t>{70, 0, 0, 0}));

    // A fresh entry: id -1, key 0, flag 1 and padding, min 0.0, range 1.0, two zero words.
    const std::vector<uint8_t> fresh = {0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0, 0, 1, 0, 0, 0, 0, 0,
                                        0,    0,    0,    0,    0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(entries.Data(), entries.Data() + 28), fresh);
    // VCF FREQ (id 20) on CC 74 from 0.25, range 0.5.
    const std::vector<uint8_t> learned = {20,   0,    0, 0, 74, 0,    0, 0, 1, 0, 0, 0, 0, 0,
                                          0x80, 0x3E, 0, 0, 0,  0x3F, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(entries.Data() + 20 * 28, entries.Data() + 21 * 28), learned);

    IStateChunk usingDefault;
    ASSERT_TRUE(map.WriteMapBlock(usingDefault, true));
    for (int i = 0; i < kMidiLearnEntries; ++i)
        EXPECT_EQ(std::memcmp(usingDefault.Data() + i * 28, fresh.data(), 28), 0) << "entry " << i;
}

TEST_F(MidiLearnMapBlock, AProgramWithItsOwnMapRestoresItInAnotherInstance)
{
    Learn(kEnv1Att, 74);
    map.SelectParam(kVcfFreq);
    map.LearnController(74);
    map.SetEntry({kVcfReso, -300, 0, 0.1f, 0.5f});
    IStateChunk chunk;
    ASSERT_TRUE(map.WriteMapBlock(chunk, false));
    chunk.PutInt8(0xAB);

    RecordingTarget secondTarget;
    MidiLearnMap second(secondTarget);
    EXPECT_EQ(second.ReadMapBlock(chunk, 0), 1960);
    EXPECT_EQ(second.Table(), map.Table());
    EXPECT_EQ(secondTarget.useDefault, std::vector<bool>{false});
    // Both ids of CC 74 survive the load, now in id order.
    second.ApplyController(0, 0, 74, 127);
    EXPECT_EQ(secondTarget.moves, (std::vector<Move>{{kVcfFreq, 1.0}, {kEnv1Att, 1.0}}));
}

TEST_F(MidiLearnMapBlock, AMapWhoseKeysSumToZeroGivesTheDefaultMap)
{
    map.SetEntry({kEnv1Att, 33, 1, 0.0f, 1.0f});
    map.Command(Index(SettingId::kMidiLearnPage4)); // the default map: ENV1 ATT on CC 33

    for (const auto& keys : {std::vector<int>{}, std::vector<int>{5, -5}}) {
        MidiLearnTable stored{};
        for (size_t i = 0; i < keys.size(); ++i)
            stored[i] = {static_cast<int32_t>(i), keys[i], 1, 0.0f, 1.0f};
        IStateChunk chunk;
        PutMidiLearnTable(chunk, stored, MidiLearnBlock::kEntries);
        target.useDefault.clear();
        EXPECT_EQ(map.ReadMapBlock(chunk, 0), 1960);
        EXPECT_EQ(target.useDefault, std::vector<bool>{true});
        EXPECT_EQ(map.Table(), map.DefaultTable());
    }
}

TEST_F(MidiLearnMapBlock, ATruncatedBlockChangesNothing)
{
    map.SetEntry({kVcfFreq, 74, 1, 0.0f, 1.0f});
    const MidiLearnTable before = map.Table();
    IStateChunk full;
    MidiLearnTable other{};
    other[3] = {3, 10, 1, 0.0f, 1.0f};
    PutMidiLearnTable(full, other, MidiLearnBlock::kCounted);

    for (int size : {0, 4, 27, 1959, 1963}) {
        IStateChunk cut = full;
        cut.Resize(size);
        EXPECT_EQ(map.ReadMapBlock(cut, 0, MidiLearnBlock::kCounted), -1) << size;
        EXPECT_EQ(map.Table(), before) << size;
    }
    EXPECT_EQ(map.ReadMapBlock(full, -1, MidiLearnBlock::kCounted), -1);
    IStateChunk wrongCount = full;
    wrongCount.Data()[0] = 69;
    EXPECT_EQ(map.ReadMapBlock(wrongCount, 0, MidiLearnBlock::kCounted), -1);
    EXPECT_EQ(map.Table(), before);
    EXPECT_TRUE(target.useDefault.empty());
}

TEST_F(MidiLearnMapBlock, EntriesThatCannotBeDrivenAreLeftOut)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    MidiLearnTable stored{};
    stored[0] = {0, 10, 1, nan, 1.0f};
    stored[1] = {1, 11, 1, 0.0f, inf};
    stored[2] = {70, 12, 1, 0.0f, 1.0f};
    stored[3] = {-7, 13, 1, 0.0f, 1.0f};
    stored[4] = {4, 128, 1, 0.0f, 1.0f};
    stored[5] = {5, std::numeric_limits<int32_t>::min(), 1, 0.0f, 1.0f};
    stored[6] = {6, 14, 1, 0.5f, -0.5f};
    IStateChunk chunk;
    PutMidiLearnTable(chunk, stored, MidiLearnBlock::kEntries);
    EXPECT_EQ(map.ReadMapBlock(chunk, 0), 1960);
    MidiLearnTable expected{};
    expected[6] = stored[6];
    EXPECT_EQ(map.Table(), expected);
    for (int cc = 1; cc <= 127; ++cc)
        map.ApplyController(0, 0, cc, 127);
    EXPECT_EQ(target.moves, (std::vector<Move>{{6, 0.0}}));
}

// ---- The map file ----

class MidiLearnFile : public ::testing::Test {
protected:
    void Put(const char* name, const std::string& text) { std::ofstream(mTemp.PathOf(name)) << text; }

    kt4r_test::TempFolder mTemp{"kt4r-map"};
    std::string mFolder = mTemp.Path().string() + "/";
    RecordingTarget mTarget;
    MidiLearnMap mMap{mTarget};
};

TEST_F(MidiLearnFile, TheDefaultMapIsWrittenOneLinePerAssignment)
{
    mMap.SetEntry({kVcfFreq, 74, 1, 0.25f, 0.5f});
    mMap.SetEntry({3, -300, 0, 0.0f, 1.0f});
    mMap.Command(Index(SettingId::kMidiLearnPage4));
    ASSERT_TRUE(mMap.WriteMapFile(mFolder));
    std::string text;
    ASSERT_TRUE(ReadFileText(mFolder + "KT-4R.map", &text));
    EXPECT_EQ(text, "    3 -300 0 1\n   20   74 0.25 0.75\n");

    RecordingTarget otherTarget;
    MidiLearnMap other(otherTarget);
    ASSERT_TRUE(other.ReadMapFile(mFolder));
    EXPECT_EQ(other.DefaultTable()[kVcfFreq], (MidiLearnEntry{kVcfFreq, 74, 1, 0.25f, 0.5f}));
    EXPECT_EQ(other.DefaultTable()[3], (MidiLearnEntry{3, -300, 1, 0.0f, 1.0f}));
}

TEST_F(MidiLearnFile, AnEmptyDefaultMapOrOneWhoseKeysSumToZeroIsNotWritten)
{
    EXPECT_FALSE(mMap.WriteMapFile(mFolder));
    mMap.SetEntry({1, 5, 1, 0.0f, 1.0f});
    mMap.SetEntry({2, -5, 1, 0.0f, 1.0f});
    mMap.Command(Index(SettingId::kMidiLearnPage4));
    EXPECT_FALSE(mMap.WriteMapFile(mFolder));
    EXPECT_FALSE(std::filesystem::exists(mFolder + "KT-4R.map"));
}

TEST_F(MidiLearnFile, TheOlderNameIsReadOnlyWhenTheNewOneIsAbsentAndNoFileChangesNothing)
{
    EXPECT_FALSE(mMap.ReadMapFile(mFolder));
    EXPECT_EQ(mMap.DefaultTable(), MidiLearnTable{});
    Put("kt4r.map", "20 74 0 1\n");
    ASSERT_TRUE(mMap.ReadMapFile(mFolder));
    EXPECT_EQ(mMap.DefaultTable()[20].key, 74);

    Put("KT-4R.map", "21 75 0 1\n");
    RecordingTarget otherTarget;
    MidiLearnMap other(otherTarget);
    ASSERT_TRUE(other.ReadMapFile(mFolder));
    EXPECT_EQ(other.DefaultTable()[21].key, 75);
    EXPECT_EQ(other.DefaultTable()[20].key, 0);
}

TEST(MidiLearnText, GroupsAreReadUntilTheTextStopsAndUnusableGroupsAreSkipped)
{
    struct Case {
        const char* text;
        std::vector<int> keyedIds;
        size_t stoppedAt; // just after the last group read
    } cases[] = {
        {"1 10 0 1\n2 11 0 1\n", {1, 2}, 17},
        {"1 10 0 1 2 11", {1}, 8},                           // the last group is incomplete
        {"1 10 0 1 x 2 11 0 1", {1}, 8},                     // the text stops parsing at x
        {"70 10 0 1 -1 11 0 1 3 12 0 1", {3}, 28},           // ids outside 0..69
        {"1 10 0 1e300 2 11 -3e38 3e38 3 12 0 1", {3}, 37},  // bounds that overflow single precision
        {"1 200 0 1 2 -20000 0 1 3 12 0 1", {3}, 31},        // keys no controller or NRPN can have
        {"", {}, 0},
    };
    for (const Case& c : cases) {
        MidiLearnTable table{};
        EXPECT_EQ(ParseMidiLearnText(c.text, &table), c.stoppedAt) << c.text;
        std::vector<int> keyed;
        for (const MidiLearnEntry& e : table) {
            if (e.key != 0)
                keyed.push_back(e.paramId);
        }
        EXPECT_EQ(keyed, c.keyedIds) << c.text;
    }
}

// Another instance rewrote the file after this one read it: only what this one changed replaces the
// file's entries.
TEST(MidiLearnText, AMergeReplacesOnlyTheChangedEntriesAndKeepsTextTheReaderNeverReaches)
{
    MidiLearnTable start{};
    start[20] = {20, 74, 1, 0.0f, 1.0f};
    start[21] = {21, 75, 1, 0.0f, 1.0f};
    MidiLearnTable table = start;
    table[21] = MidiLearnEntry{};              // cleared here
    table[22] = {22, -300, 0, 0.25f, 0.5f};    // assigned here
    const std::string current = "3 10 0 1\n20 71 0 1\n21 75 0 1\n# note\n5 9 0 1\n";
    const std::optional<std::string> merged = MergeMidiLearnText(&current, start, table);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged, "    3   10 0 1\n   20   71 0 1\n   22 -300 0.25 0.75\n# note\n5 9 0 1\n");

    EXPECT_FALSE(MergeMidiLearnText(&current, start, start)) << "nothing changed";
    EXPECT_EQ(MergeMidiLearnText(nullptr, start, table), "   22 -300 0.25 0.75\n") << "no file";
    MidiLearnTable balanced{};
    balanced[1] = {1, 5, 1, 0.0f, 1.0f};
    balanced[2] = {2, -5, 1, 0.0f, 1.0f};
    EXPECT_FALSE(MergeMidiLearnText(nullptr, MidiLearnTable{}, balanced)) << "keys summing to 0 are not written";
}

} // namespace
