// MIDI in host blocks longer than the announced maximum block size: each note sounds at its own frame,
// and the MIDI echoed back keeps the frame it had in the host block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {
namespace {

constexpr double kRate = 48000.0;
constexpr int kHostBlock = 2000;
constexpr int kNoteFrames[] = {0, 37, 500, 999, 1500};
// Far above the floor of a silent render, far below the level of a note's first cycle.
constexpr float kOnsetThreshold = 1e-3f;
// The attack's first samples depend a little on where the engine's sub-blocks fall.
constexpr int kOnsetTolerance = 4;

// The first frame whose magnitude rises above the threshold; -1 when none does.
int Onset(const std::vector<float>& x)
{
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) > kOnsetThreshold)
            return static_cast<int>(i);
    }
    return -1;
}

// The onset of one note-on at `frame` of a host block of kHostBlock frames, rendered by a plug-in that
// was told blocks are at most maxBlock frames long. A silent host block first lets the patch sent at
// open settle, so the note meets a quiet, ready engine.
int OnsetOfNoteAt(int maxBlock, int frame)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), kRate, maxBlock);
    Render(*plugin.host, kHostBlock, kHostBlock);
    plugin->QueueMidi(frame, 0x90, 69, 100);
    return Onset(Render(*plugin.host, kHostBlock, kHostBlock).left);
}

TEST(MidiTiming, NotesInALongHostBlockSoundWhereTheyFallWhateverTheAnnouncedMaximum)
{
    std::map<int, int> reference; // frame -> onset with a maximum that holds the whole host block
    for (int frame : kNoteFrames) {
        reference[frame] = OnsetOfNoteAt(2048, frame);
        ASSERT_GE(reference[frame], frame);
        ASSERT_LE(reference[frame], frame + 10);
    }
    for (int maxBlock : {32, 64, 100, 512}) {
        for (int frame : kNoteFrames) {
            const int onset = OnsetOfNoteAt(maxBlock, frame);
            EXPECT_GE(onset, frame) << "maximum " << maxBlock << ": the note sounds early";
            EXPECT_NEAR(onset, reference[frame], kOnsetTolerance) << "maximum " << maxBlock << ", note at " << frame;
        }
    }
}

TEST(MidiTiming, EchoedMidiKeepsItsFrameInTheHostBlock)
{
    LoadedPlugin plugin = LoadPlugin("MIDI_THRU = TRUE\n", kRate, 64);
    plugin->TakeSentEvents();
    const int frames[] = {0, 63, 64, 500, 1999};
    for (int frame : frames)
        plugin->QueueMidi(frame, 0x90, static_cast<uint8_t>(40 + frame % 40), 100);
    Render(*plugin.host, kHostBlock, kHostBlock);
    const auto sent = plugin->TakeSentEvents();
    ASSERT_EQ(sent.size(), std::size(frames));
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].frame, frames[i]);
        EXPECT_EQ(sent[i].bytes[1], 40 + frames[i] % 40);
    }
}

TEST(MidiTiming, MidiSentBetweenProcessCallsAccumulatesForTheNextBlock)
{
    LoadedPlugin plugin = LoadPlugin("MIDI_THRU = TRUE\n", kRate, 64);
    plugin->TakeSentEvents();
    plugin->QueueMidi(700, 0x90, 60, 100);
    plugin->SendEvents();
    plugin->QueueMidi(100, 0x90, 62, 100);
    plugin->SendEvents();
    EXPECT_TRUE(plugin->TakeSentEvents().empty()) << "events wait for the process call";
    Render(*plugin.host, 1000, 1000);
    const auto sent = plugin->TakeSentEvents();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].frame, 100);
    EXPECT_EQ(sent[0].bytes[1], 62);
    EXPECT_EQ(sent[1].frame, 700);
    Render(*plugin.host, 1000, 1000);
    EXPECT_TRUE(plugin->TakeSentEvents().empty()) << "each event is delivered once";
}

} // namespace
} // namespace kt4r_test
