#include "engine/Kt4rVoice.h"
#include "support/EngineRig.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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

TEST(SynthSound, TheSameEventsRenderTheSameBits)
{
    auto render = [] {
        EngineRig rig(44100.0f, 128, 8);
        auto patch = DefaultPatch();
        patch[30] = 0.5f; // chorus on
        patch[62] = 0.5f; // with its noise
        rig.SendPatch(patch);
        rig.NoteOn(60, 90, 3);
        rig.NoteOn(64, 70, 50);
        rig.RenderSeconds(0.3);
        rig.NoteOff(60, 11);
        rig.RenderSeconds(0.3);
        return rig.Left();
    };
    const std::vector<double> a = render();
    const std::vector<double> b = render();
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(double)));
    EXPECT_GT(Rms(a), 0.01);
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

TEST(SynthSound, OutputGainScalesBothChannelsAfterTheChorus)
{
    auto level = [](float gain) {
        EngineRig rig(48000.0f, 256, 6);
        rig.mContext.mOutputGain = gain;
        rig.SendPatch(DefaultPatch());
        rig.NoteOn(57);
        rig.RenderSeconds(0.5);
        return Rms(rig.Right(), 12000);
    };
    EXPECT_NEAR(level(2.0f) / level(1.0f), 2.0, 1e-6);
}

TEST(SynthSound, AParameterEventTakesEffectAtItsFrame)
{
    EngineRig rig(48000.0f, 256, 6);
    rig.SendPatch(DefaultPatch());
    rig.RenderBlock(256);
    rig.SetParam(20, 0.3f, 37);
    rig.RenderBlock(256);
    // The smoothed cutoff signal has left its old value from frame 37 of that block on.
    // Find it among the voices' inputs by rendering a voice and reading its cutoff signal.
    rig.NoteOn(60);
    rig.RenderBlock(256);
    FloatBuffer& cutoff = rig.mSynth.Voice(0)->mVcfFreq;
    EXPECT_LT(cutoff[255], 1.0f);
}

TEST(SynthSound, ChangingTheVoiceCountKeepsTheEngineRendering)
{
    EngineRig rig(48000.0f, 256, 12);
    rig.SendPatch(DefaultPatch());
    for (int k = 0; k < 12; ++k)
        rig.NoteOn(48 + k);
    rig.RenderSeconds(0.1);
    rig.mSynth.SetVoiceCount(6);
    EXPECT_EQ(rig.mSynth.VoiceCount(), 6);
    EXPECT_EQ(rig.mKeys.NumberOfVoices(), 6);
    rig.mContext.SetSampleRate(48000.0f);
    rig.mContext.ResetAll();
    rig.SendPatch(DefaultPatch());
    rig.NoteOn(72);
    rig.RenderSeconds(0.2);
    EXPECT_GT(Rms(rig.Left(), rig.Left().size() - 4800), 0.01);
    rig.mSynth.SetVoiceCount(12);
    rig.mContext.SetSampleRate(48000.0f);
    rig.mContext.SetBlockSize(256);
    rig.mContext.ResetAll();
    rig.SendPatch(DefaultPatch());
    for (int k = 0; k < 12; ++k)
        rig.NoteOn(60 + k);
    rig.RenderSeconds(0.2);
    int sounding = 0;
    for (int v = 0; v < 12; ++v)
        sounding += rig.mSynth.Voice(v)->mGate[255] > 0.5f;
    EXPECT_EQ(sounding, 12);
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

} // namespace

namespace {

using namespace kt4rtest;

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

} // namespace
