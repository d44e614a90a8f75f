// The panel readout's text rules, checked at and around every threshold they name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "instrument/ParamTable.h"
#include "instrument/ReadoutText.h"

namespace kt4r {
namespace {

struct RuleCase {
    ReadoutRule rule;
    double n;
    const char* text;
};

// Just below / above a threshold t: the nearest doubles, so strict and non-strict comparisons differ.
double Below(double t)
{
    return std::nextafter(t, 0.0);
}
double Above(double t)
{
    return std::nextafter(t, 1.0);
}

class ReadoutRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ReadoutRuleTest, GivesExactText)
{
    const RuleCase& c = GetParam();
    EXPECT_EQ(ReadoutValueText(c.rule, c.n, ReadoutContext{}), c.text) << "n = " << c.n;
}

using R = ReadoutRule;

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ReadoutRuleTest,
    ::testing::Values(
        // Scale: k = floor(n * 127 + 0.5) into the display scale, right-aligned in 4.
        RuleCase{R::kScale, 0.0, "   0"}, RuleCase{R::kScale, 1.0, "  99"}, RuleCase{R::kScale, 3.0 / 127, "   3"},
        RuleCase{R::kScale, 4.0 / 127, "   3"}, RuleCase{R::kScale, 64.0 / 127, "  50"},
        RuleCase{R::kScale, 120.0 / 127, "  93"}, RuleCase{R::kScale, Below(0.5 / 127), "   0"},
        RuleCase{R::kScale, 0.5 / 127, "   1"},
        // Feet: non-strict thresholds.
        RuleCase{R::kFeet, 0.16666, "  16"}, RuleCase{R::kFeet, Above(0.16666), "   8"},
        RuleCase{R::kFeet, 0.5, "   8"}, RuleCase{R::kFeet, Above(0.5), "   4"}, RuleCase{R::kFeet, 0.83333, "   4"},
        RuleCase{R::kFeet, Above(0.83333), "   2"},
        // Wave: non-strict thresholds.
        RuleCase{R::kWave, 0.0, " NOISE"}, RuleCase{R::kWave, 0.16666, " NOISE"},
        RuleCase{R::kWave, Above(0.16666), "SQUARE"}, RuleCase{R::kWave, 0.5, "SQUARE"},
        RuleCase{R::kWave, Above(0.5), " PULSE"}, RuleCase{R::kWave, 0.83333, " PULSE"},
        RuleCase{R::kWave, 1.0, "   SAW"},
        // Semitone and cents.
        RuleCase{R::kSemitone, 0.0, " -12"}, RuleCase{R::kSemitone, 0.5, "   0"}, RuleCase{R::kSemitone, 1.0, "  12"},
        RuleCase{R::kSemitone, 0.5 / 24, " -11"}, RuleCase{R::kSemitone, Below(0.5 / 24), " -12"},
        RuleCase{R::kCents, 0.0, " -50"}, RuleCase{R::kCents, 0.5, "   0"}, RuleCase{R::kCents, 1.0, "  50"},
        RuleCase{R::kCents, 0.4, " -10"},
        // Xmod, Dyna, Hpf: strict thresholds.
        RuleCase{R::kXmod, Below(0.16666), "  OFF"}, RuleCase{R::kXmod, 0.16666, "SYNC1"},
        RuleCase{R::kXmod, Below(0.5), "SYNC1"}, RuleCase{R::kXmod, 0.5, "SYNC2"},
        RuleCase{R::kXmod, Below(0.83333), "SYNC2"}, RuleCase{R::kXmod, 0.83333, " XMOD"},
        RuleCase{R::kDyna, Below(0.16666), " OFF"}, RuleCase{R::kDyna, 0.16666, "   1"},
        RuleCase{R::kDyna, 0.5, "   2"}, RuleCase{R::kDyna, 0.83333, "   3"}, RuleCase{R::kHpf, 0.0, "   0 "},
        RuleCase{R::kHpf, 0.16666, "   1 "}, RuleCase{R::kHpf, 0.5, "   2 "},
        RuleCase{R::kHpf, Below(0.83333), "   2 "}, RuleCase{R::kHpf, 0.83333, "   3 "},
        // EnvMode counts down from the top with strict comparisons.
        RuleCase{R::kEnvMode, 1.0, "1 UP  "}, RuleCase{R::kEnvMode, Above(0.83333), "1 UP  "},
        RuleCase{R::kEnvMode, 0.83333, "1 DOWN"}, RuleCase{R::kEnvMode, Above(0.5), "1 DOWN"},
        RuleCase{R::kEnvMode, 0.5, "2 UP  "}, RuleCase{R::kEnvMode, Above(0.16666), "2 UP  "},
        RuleCase{R::kEnvMode, 0.16666, "2 DOWN"}, RuleCase{R::kEnvMode, 0.0, "2 DOWN"},
        // Two- and three-way switches.
        RuleCase{R::kVcaMode, Below(0.5), " GATE"}, RuleCase{R::kVcaMode, 0.5, " ENV2"},
        RuleCase{R::kChorus, Below(0.25), " Off"}, RuleCase{R::kChorus, 0.25, "   1"},
        RuleCase{R::kChorus, Below(0.75), "   1"}, RuleCase{R::kChorus, 0.75, "   2"},
        RuleCase{R::kLfoWave, Below(0.25), "RANDOM"}, RuleCase{R::kLfoWave, 0.25, "SQUARE"},
        RuleCase{R::kLfoWave, 0.75, "  SINE"}, RuleCase{R::kOnOff, Below(0.5), " Off"},
        RuleCase{R::kOnOff, 0.5, " On "}, RuleCase{R::kTrigger, Below(0.5), " Legato"},
        RuleCase{R::kTrigger, 0.5, " Retrigger"}, RuleCase{R::kLfoTrigger, Below(0.25), "FREE  "},
        RuleCase{R::kLfoTrigger, 0.25, "SOFT  "}, RuleCase{R::kLfoTrigger, Below(0.75), "SOFT  "},
        RuleCase{R::kLfoTrigger, 0.75, "HARD  "}, RuleCase{R::kGain, Below(0.25), " -6 ~B"},
        RuleCase{R::kGain, 0.25, "  0 ~B"}, RuleCase{R::kGain, 0.5, "  0 ~B"}, RuleCase{R::kGain, 0.75, " +6 ~B"},
        // Key assign: six modes at 0.1 steps.
        RuleCase{R::kKeyAssign, Below(0.1), "  POLY 1"}, RuleCase{R::kKeyAssign, 0.1, "  POLY 2"},
        RuleCase{R::kKeyAssign, 0.3, "UNISON 1"}, RuleCase{R::kKeyAssign, 0.5, "UNISON 2"},
        RuleCase{R::kKeyAssign, 0.6, "UNISON 2"}, RuleCase{R::kKeyAssign, 0.7, "  MONO 1"},
        RuleCase{R::kKeyAssign, Below(0.9), "  MONO 1"}, RuleCase{R::kKeyAssign, 0.9, "  MONO 2"},
        // Master tune: 422 to 458 Hz.
        RuleCase{R::kPitch, 0.0, "A = 422"}, RuleCase{R::kPitch, 0.5, "A = 440"}, RuleCase{R::kPitch, 1.0, "A = 458"},
        // Voices: strict thresholds.
        RuleCase{R::kVoices, 0.0, "   6"}, RuleCase{R::kVoices, 0.16666, "   8"},
        RuleCase{R::kVoices, Below(0.5), "   8"}, RuleCase{R::kVoices, 0.5, "  10"},
        RuleCase{R::kVoices, 0.83333, "  12"}, RuleCase{R::kVoices, 1.0, "  12"},
        // MIDI channel: 0 is ALL.
        RuleCase{R::kChannel, 0.0, "  ALL"}, RuleCase{R::kChannel, 0.49 / 16, "  ALL"},
        RuleCase{R::kChannel, 0.5 / 16, "   1"}, RuleCase{R::kChannel, 5.0 / 16, "   5"},
        RuleCase{R::kChannel, 1.0, "  16"},
        // Bend without the extended flag.
        RuleCase{R::kBend, Below(0.16666), "   2"}, RuleCase{R::kBend, 0.16666, "   3"},
        RuleCase{R::kBend, 0.5, "   4"}, RuleCase{R::kBend, 0.83333, "   7"},
        // LFO rate without sync: 0..99.
        RuleCase{R::kLfoRate, 0.0, "   0"}, RuleCase{R::kLfoRate, 0.5, "  50"}, RuleCase{R::kLfoRate, 1.0, "  99"}));

TEST(ReadoutText, ExtendedBendShowsTheWiderRanges)
{
    ReadoutContext extended;
    extended.extendedPitchBend = true;
    EXPECT_EQ(ReadoutValueText(R::kBend, 0.0, extended), "   2");
    EXPECT_EQ(ReadoutValueText(R::kBend, 0.16666, extended), "   7");
    EXPECT_EQ(ReadoutValueText(R::kBend, 0.5, extended), "  12");
    EXPECT_EQ(ReadoutValueText(R::kBend, Below(0.83333), extended), "  12");
    EXPECT_EQ(ReadoutValueText(R::kBend, 0.83333, extended), "  24");
}

TEST(ReadoutText, SyncedLfoRateShowsReducedNoteLengths)
{
    ReadoutContext synced;
    synced.lfoSync = true;
    const struct {
        double n;
        const char* text;
    } cases[] = {
        {0.0, " 2/ 1"},                          // 16/8
        {0.1, " 7/ 4"},                          // 1 + trunc(13.5) = 14 -> 14/8
        {Below(0.5), " 1/ 1"},                   // 1 + trunc(7.5) = 8 -> 8/8
        {0.5, " 1/ 1"},                          // 16/16
        {Below(0.75), " 1/ 2"},                  // 8/16
        {0.75, " 1/ 2"},                         // 16/32
        {1.0, " 1/32"},         {0.25, " 3/ 2"}, // 1 + trunc(11.25) = 12 -> 12/8
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadoutValueText(R::kLfoRate, c.n, synced), c.text) << "n = " << c.n;
}

TEST(ReadoutText, SettingsIdsUseGainChannelOnOffOrScale)
{
    EXPECT_EQ(RuleForId(Index(SettingId::kGlobalGain)), R::kGain);
    EXPECT_EQ(RuleForId(Index(SettingId::kMidiChannel)), R::kChannel);
    for (int id : {90, 91, 92})
        EXPECT_EQ(RuleForId(id), R::kOnOff) << id;
    for (int id : {70, 71, 75, 76, 77, 80, 85, 89, 93, 97, 98, 500, -2, -100})
        EXPECT_EQ(RuleForId(id), R::kScale) << id;
    EXPECT_EQ(RuleForId(51), R::kKeyAssign);
    EXPECT_EQ(RuleForId(33), R::kLfoRate);
}

TEST(ReadoutText, NothingSelectedShowsNothing)
{
    EXPECT_EQ(ReadoutLine(kNoParamId, 0.5, ReadoutContext{}), "");
    EXPECT_EQ(ReadoutValueText(kNoParamId, 0.5, ReadoutContext{}), "");
    EXPECT_STREQ(ReadoutLabel(kNoParamId), "");
}

TEST(ReadoutText, LineIsLabelSpaceValue)
{
    EXPECT_EQ(ReadoutLine(20, 1.0, ReadoutContext{}), "VCF FREQUENCY     99");
    EXPECT_EQ(ReadoutLine(Index(SettingId::kGlobalGain), 0.5, ReadoutContext{}), "GLOBAL GAIN   0 ~B");
    EXPECT_EQ(ReadoutLine(Index(SettingId::kMidiChannel), 0.0, ReadoutContext{}), "Midi Channel    ALL");
    EXPECT_EQ(ReadoutLine(51, 0.6, ReadoutContext{}), "Key Assign  UNISON 2");
    EXPECT_EQ(ReadoutLine(39, 0.0, ReadoutContext{}), "ENV1 KEY FOLLOW  OFF");
}

TEST(ReadoutText, ScaleIsMonotonicFromZeroToNinetyNine)
{
    EXPECT_EQ(kDisplayScale[0], 0);
    EXPECT_EQ(kDisplayScale[127], 99);
    for (int k = 1; k < 128; ++k) {
        EXPECT_GE(kDisplayScale[k], kDisplayScale[k - 1]) << k;
        EXPECT_LE(kDisplayScale[k] - kDisplayScale[k - 1], 1) << k;
    }
}

} // namespace
} // namespace kt4r
