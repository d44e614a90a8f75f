#include "engine/Kt4rVoice.h"
#include "support/EngineRig.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using namespace kt4rtest;

TEST(SynthSound, AHeldNote69WithTheDefaultPatchSoundsAt439Point7HzInBothChannels)
{
    EngineRig rig(48000.0f, 256, 6);
    rig.SendPatch(DefaultPatch());
    rig.NoteOn(69, 100);
    rig.RenderSeconds(1.0);
    // Octave stretch 0.4 puts pitch 5.0 at 4.999 octaves: 13.75 * 2^4.999 Hz.
    const double expected = 13.75 * std::pow(2.0, 5.0 * 0.9998);
    for (auto* ch : {&rig.Left(), &rig.Right()}) {
        std::vector<double> tail(ch->begin() + 4800, ch->end());
        EXPECT_GT(Rms(tail), 0.01);
        EXPECT_NEAR(StrongestFrequency(tail, 48000.0, 380.0, 500.0), expected, 0.3);
    }
    EXPECT_NEAR(expected, 439.70, 0.01);
}

TEST(SynthSound, SilenceStaysSilentAndIdleVoicesAreSkipped)
{
    EngineRig rig(48000.0f, 256, 12);
    rig.SendPatch(DefaultPatch());
    rig.RenderSeconds(0.5);
    EXPECT_TRUE(rig.mSynth.AllIdle());
    for (int v = 0; v < 12; ++v)
        EXPECT_EQ(rig.mSynth.Voice(v)->mActive, 0);
    std::vector<double> tail(rig.Left().end() - 256, rig.Left().end());
    EXPECT_LT(Peak(tail), 1e-6);
}

// Two renders of the same events, the second with the output gain doubled half-way: bit for bit the
// same up to the change, exactly twice as loud in both channels from the next block on.
TEST(SynthSound, TheSameEventsRenderTheSameBitsAndTheOutputGainScalesThemFromTheNextBlock)
{
    auto render = [](float gain) {
        EngineRig rig(44100.0f, 128, 8);
        auto patch = DefaultPatch();
        patch[30] = 0.5f; // chorus on: the two channels differ
        patch[62] = 0.5f; // with its noise
        rig.SendPatch(patch);
        rig.SetParam(61, 0.5f); // a whole patch leaves the chorus depth and level to their own events
        rig.SetParam(64, 0.55f);
        rig.NoteOn(60, 90, 3);
        rig.NoteOn(64, 70, 50);
        rig.RenderSeconds(0.3);
        rig.mContext.mOutputGain = gain;
        rig.NoteOff(60, 11);
        rig.RenderSeconds(0.3);
        return std::array<std::vector<double>, 2>{rig.Left(), rig.Right()};
    };
    const auto plain = render(1.0f), doubled = render(2.0f);
    const size_t change = 13230;
    for (int ch = 0; ch < 2; ++ch) {
        ASSERT_EQ(plain[ch].size(), 2 * change);
        for (size_t i = 0; i < plain[ch].size(); ++i)
            ASSERT_EQ(doubled[ch][i], (i < change ? 1.0 : 2.0) * plain[ch][i]) << "channel " << ch << " frame " << i;
    }
    EXPECT_GT(Rms(plain[0], change), 0.01);
    EXPECT_NE(plain[0], plain[1]);
}

// The same held note with and without a VCA level change at frame 37 of a block, once the patch's
// own glides have settled.
TEST(SynthSound, AParameterEventIsHeardFromItsFrameOnAndNotBefore)
{
    auto render = [](bool change) {
        EngineRig rig(48000.0f, 256, 6);
        rig.SendPatch(DefaultPatch());
        rig.NoteOn(57);
        for (int b = 0; b < 60; ++b)
            rig.RenderBlock(256);
        if (change)
            rig.SetParam(27, 0.3f, 37);
        rig.RenderSeconds(0.3);
        return rig.Left();
    };
    const std::vector<double> steady = render(false), lowered = render(true);
    ASSERT_EQ(steady.size(), lowered.size());
    size_t first = 0;
    while (first < steady.size() && steady[first] == lowered[first])
        ++first;
    // Before the event frame nothing changes; the anti-alias filter's smooth impulse response takes a
    // few frames to carry the step above the output's resolution.
    EXPECT_GE(first, 60 * 256 + 37);
    EXPECT_LT(first, 60 * 256 + 37 + 8);
    EXPECT_LT(Rms(lowered, steady.size() - 4800), 0.5 * Rms(steady, steady.size() - 4800));
}

TEST(SynthSound, PitchBendMovesThePitchByTheBendRange)
{
    EngineRig rig(48000.0f, 256, 6);
    auto patch = DefaultPatch();
    patch[54] = 0.5f; // no stretch
    patch[48] = 1.0f; // 7 semitones
    rig.SendPatch(patch);
    rig.Controller(0, 0xE0, 0x7F, 0x7F);
    rig.NoteOn(69);
    rig.RenderSeconds(1.0);
    std::vector<double> tail(rig.Left().begin() + 24000, rig.Left().end());
    const double expected = 440.0 * std::pow(2.0, 7.0 / 12.0 * 8191.0 / 8192.0);
    EXPECT_NEAR(StrongestFrequency(tail, 48000.0, expected - 30, expected + 30), expected, 0.5);
}

// Set up as the instrument does it: rate, size and targets, but no full reset before the first note.
TEST(SynthSound, TheFilterSelfNoiseIsHeardWithoutAFullReset)
{
    ProcessContext context;
    KeyAssigner keys;
    Synth synth(&context, 6, &keys);
    context.SetSampleRate(48000.0f);
    context.SetBlockSize(256);
    synth.RestateTargets(256);
    auto* patch = new ParamSetEvent(0);
    auto values = DefaultPatch();
    values[14] = 0.0f; // both oscillators silent
    values[20] = 0.4f; // filter half closed
    values[56] = 1.0f; // full self-noise
    std::copy(values.begin(), values.end(), patch->mValues);
    synth.PushParamEvent(patch);
    keys.mInput.Push(new MidiEvent(0, 0x90, 60, 100));
    std::vector<double> left(256), right(256), all;
    for (int b = 0; b < 40; ++b) {
        keys.ProcessBlock(256);
        synth.Render(left.data(), right.data(), 256);
        all.insert(all.end(), left.begin(), left.end());
    }
    EXPECT_GT(Rms(all, 4800), 1e-4);
}

// The LFO locked to the tempo through "LFO SYNC", heard as the vibrato of oscillator 1's pitch.
TEST(SynthSound, ASyncedLfoCyclesTwiceAsFastAtTwiceTheTempo)
{
    auto vibratoHz = [](double tempo) {
        EngineRig rig(48000.0f, 256, 6);
        auto patch = DefaultPatch();
        patch[3] = 1.0f;   // DCO1 LFO depth
        patch[33] = 0.48f; // one beat per cycle when synced
        rig.SendPatch(patch);
        rig.SetParam(65, 1.0f); // LFO SYNC
        rig.mContext.mTempo = tempo;
        rig.NoteOn(57);
        std::vector<double> pitch;
        for (int b = 0; b < 400; ++b) {
            rig.RenderBlock(256);
            const FloatBuffer& freq = rig.mSynth.Voice(0)->mDco1Freq;
            pitch.insert(pitch.end(), freq.Data(), freq.Data() + 256);
        }
        return CrossingFrequency(pitch, 48000.0);
    };
    EXPECT_NEAR(vibratoHz(120.0), 2.0, 0.02);
    EXPECT_NEAR(vibratoHz(240.0), 4.0, 0.04);
}

} // namespace
