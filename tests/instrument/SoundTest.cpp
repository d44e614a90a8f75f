// What a listener hears from the loaded plug-in: pitch, silence, level, brightness, polyphony.
#include <gtest/gtest.h>

#include <cmath>

#include "support/Signal.h"
#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {
namespace {

using kt4rtest::Brightness;
using kt4rtest::Rms;
using kt4rtest::StrongestFrequency;
using kt4rtest::ToDouble;
using kt4rtest::ToneMagnitude;

constexpr double kRate = 48000.0;

TEST(Sound, HeldNote69SoundsAt439_7HzInBothChannelsThroughBothEntries)
{
    Stereo outputs[2];
    for (bool useDouble : {false, true}) {
        LoadedPlugin plugin = LoadPlugin();
        plugin->QueueMidi(0, 0x90, 69, 100);
        outputs[useDouble] = Render(*plugin.host, 48000 * 2, 512, useDouble);
        for (const std::vector<float>* channel : {&outputs[useDouble].left, &outputs[useDouble].right}) {
            ASSERT_TRUE(AllFinite(*channel));
            const std::vector<double> tail = ToDouble(*channel, 24000);
            EXPECT_GT(Rms(tail), 0.01);
            EXPECT_NEAR(StrongestFrequency(tail, kRate, 430.0, 450.0), 439.70, 0.3)
                << (useDouble ? "double" : "float") << " entry";
        }
    }
    // The float entry is the double rendering converted sample by sample.
    ASSERT_EQ(outputs[0].left.size(), outputs[1].left.size());
    for (size_t i = 0; i < outputs[0].left.size(); ++i) {
        ASSERT_FLOAT_EQ(outputs[0].left[i], outputs[1].left[i]) << i;
        ASSERT_FLOAT_EQ(outputs[0].right[i], outputs[1].right[i]) << i;
    }
}

TEST(Sound, NoNoteIsSilentAndEveryOutputSampleIsWritten)
{
    LoadedPlugin plugin = LoadPlugin();
    const Stereo out = Render(*plugin.host, 4801, 65);
    EXPECT_TRUE(AllFinite(out.left));
    EXPECT_TRUE(AllFinite(out.right));
    EXPECT_LT(Rms(ToDouble(out.left)), 1e-4);
}

TEST(Sound, SuspendedPluginRendersExactZeros)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->QueueMidi(0, 0x90, 69, 100);
    Render(*plugin.host, 4800, 480);
    plugin->Suspend();
    const Stereo out = Render(*plugin.host, 4800, 480);
    for (size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_EQ(out.left[i], 0.0f) << i;
        ASSERT_EQ(out.right[i], 0.0f) << i;
    }
}

TEST(Sound, BlockBeforeTheEngineKnowsItsSizeIsSilent)
{
    LoadedPlugin plugin;
    plugin.copy = std::make_unique<PluginCopy>();
    plugin.host = std::make_unique<PluginHost>();
    std::string error;
    ASSERT_TRUE(plugin->Load(plugin.copy->Path(), &error)) << error;
    plugin->Resume(); // no open, no sample rate, no block size
    plugin->QueueMidi(0, 0x90, 69, 100);
    const Stereo out = Render(*plugin.host, 2048, 256);
    for (size_t i = 0; i < out.left.size(); ++i)
        ASSERT_EQ(out.left[i], 0.0f) << i;
}

// Host blocks of odd lengths above the announced maximum, through both entries: every frame written
// (Render pre-fills the buffers with a sentinel that AllFinite rejects), and the sound what blocks of
// the announced size give.
TEST(Sound, BlockLongerThanAnnouncedIsRenderedInSubBlocks)
{
    Stereo reference;
    {
        LoadedPlugin plugin = LoadPlugin(std::string(), kRate, 64);
        plugin->QueueMidi(0, 0x90, 60, 100);
        reference = Render(*plugin.host, 6006, 64);
    }
    for (bool useDouble : {false, true}) {
        LoadedPlugin plugin = LoadPlugin(std::string(), kRate, 64);
        plugin->QueueMidi(0, 0x90, 60, 100);
        const Stereo longBlocks = Render(*plugin.host, 6006, 1001, useDouble); // 1001 > the announced 64
        ASSERT_TRUE(AllFinite(longBlocks.left) && AllFinite(longBlocks.right)) << (useDouble ? "double" : "float");
        const std::vector<double> measured = ToDouble(longBlocks.left, 3000), expected = ToDouble(reference.left, 3000);
        EXPECT_GT(Rms(measured), 0.01);
        // Sub-blocks of 64 line up with the reference only where a host block starts on a multiple of
        // 64; the first one does, and after it the two runs differ only in the phase of the block
        // grid, so compare the first block exactly and the level afterwards.
        for (size_t i = 0; i < 1001; ++i)
            ASSERT_FLOAT_EQ(longBlocks.left[i], reference.left[i]) << i;
        EXPECT_NEAR(Rms(measured), Rms(expected), 0.1 * Rms(expected));
    }
}

TEST(Sound, VcfFrequencyAtZeroDarkensTheNextBlocks)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->QueueMidi(0, 0x90, 45, 100);
    const Stereo open = Render(*plugin.host, 24000, 480);
    plugin->SetParameter(20, 0.0f);
    const Stereo closed = Render(*plugin.host, 24000, 480);
    const double openBrightness = Brightness(ToDouble(open.left), 12000);
    EXPECT_LT(Brightness(ToDouble(closed.left), 12000), 0.5 * openBrightness);
    // The change reaches the sound from the first block after it: the filter starts gliding at once.
    EXPECT_LT(Brightness(ToDouble(closed.left), 0, 4800), openBrightness);
}

// Twelve notes of the chromatic octave from middle C: the fundamentals that still sound tell how many
// voices play (no fundamental is a low harmonic of another note of the set).
int SoundingNotes(PluginHost& host)
{
    for (int i = 0; i < 12; ++i)
        host.QueueMidi(i * 400, 0x90, static_cast<uint8_t>(60 + i), 100);
    const std::vector<double> tail = ToDouble(Render(host, 48000, 4800).left, 24000);
    double loudest = 0.0;
    double magnitudes[12];
    for (int i = 0; i < 12; ++i) {
        const double hz = 440.0 * std::pow(2.0, (60 + i - 69) / 12.0);
        magnitudes[i] = ToneMagnitude(tail, kRate, hz);
        loudest = std::max(loudest, magnitudes[i]);
    }
    int sounding = 0;
    for (double m : magnitudes)
        sounding += m > 0.2 * loudest ? 1 : 0;
    return sounding;
}

TEST(Sound, NumberOfVoicesSixRebuildsWithTwelveVoices)
{
    {
        LoadedPlugin plugin = LoadPlugin();
        EXPECT_EQ(plugin->ParamDisplay(67), "3");
        EXPECT_EQ(SoundingNotes(*plugin.host), 6);
    }
    LoadedPlugin plugin = LoadPlugin();
    plugin->SetParameter(67, 1.0f);
    EXPECT_EQ(plugin->ParamDisplay(67), "6");
    // The rebuild resends the patch, key mode included, which releases every voice in the next block.
    Render(*plugin.host, 512, 512);
    EXPECT_EQ(SoundingNotes(*plugin.host), 12);
}

TEST(Sound, ConfiguredVoiceCountSetsTheDefault)
{
    LoadedPlugin plugin = LoadPlugin("DEFAULT_NUM_VOICES=12\n");
    EXPECT_EQ(plugin->ParamDisplay(67), "6");
    EXPECT_EQ(SoundingNotes(*plugin.host), 12);
}

TEST(Sound, MidiThruEchoesEveryMessage)
{
    LoadedPlugin plugin = LoadPlugin("MIDI_THRU = TRUE\n");
    plugin->QueueMidi(3, 0x90, 60, 100);
    plugin->QueueMidi(5, 0x94, 62, 90);
    plugin->QueueMidi(7, 0xB0, 1, 64);
    plugin->QueueMidi(9, 0xF8, 0, 0);
    Render(*plugin.host, 512, 512);
    const auto sent = plugin->TakeSentEvents();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0x90, 60, 100}));
    EXPECT_EQ(sent[0].frame, 3);
    EXPECT_EQ(sent[1].bytes, (std::vector<uint8_t>{0x94, 62, 90}));
    EXPECT_EQ(sent[2].bytes, (std::vector<uint8_t>{0xB0, 1, 64}));
    EXPECT_EQ(sent[3].bytes, (std::vector<uint8_t>{0xF8, 0, 0}));
}

TEST(Sound, WithoutThruNothingIsEchoed)
{
    LoadedPlugin plugin = LoadPlugin("MIDI_THRU = true\n"); // only "TRUE" switches it on
    plugin->QueueMidi(0, 0x90, 60, 100);
    Render(*plugin.host, 512, 512);
    EXPECT_TRUE(plugin->TakeSentEvents().empty());
}

TEST(Sound, ProgramChangeIsConsumedNotPlayed)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->QueueMidi(0, 0xC0, 0, 0);
    plugin->QueueMidi(10, 0xC0, 127, 0);
    const Stereo out = Render(*plugin.host, 4800, 480);
    EXPECT_LT(Rms(ToDouble(out.left)), 1e-4);
}

} // namespace
} // namespace kt4r_test
