// The whole engine with the voices' kernels side by side (and a voice alone fused with its amplifier
// and the output decimator) against the same engine running each voice's own kernel in turn, then the
// amplifiers, then the decimator: the same bits out, for playing that touches every mode, wave,
// oversampling factor and voice state.
#include "support/EngineRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

using kt4rtest::DefaultPatch;
using kt4rtest::EngineRig;

// A value that selects position k of a four-position switch.
float Position(int k)
{
    return static_cast<float>(k) / 3.0f;
}

// Plays the same script into a grouped and an ungrouped engine and compares every block.
void ExpectSameOutput(float rate, int blockSize, const std::function<void(EngineRig&, int block)>& script,
                      int blocks, const std::string& what)
{
    EngineRig grouped(rate, blockSize, 12);
    EngineRig alone(rate, blockSize, 12);
    alone.mSynth.SetGroupedKernels(false);
    for (EngineRig* rig : {&grouped, &alone})
        rig->SendPatch(DefaultPatch());
    for (int block = 0; block < blocks; ++block) {
        for (EngineRig* rig : {&grouped, &alone}) {
            script(*rig, block);
            // Odd lengths, so that no block divides evenly into the kernel's chunks.
            rig->RenderBlock(block % 3 == 0 ? blockSize : blockSize - 1 - 2 * (block % 7));
        }
        ASSERT_EQ(grouped.Left().size(), alone.Left().size());
        ASSERT_EQ(std::memcmp(grouped.Left().data(), alone.Left().data(), sizeof(double) * grouped.Left().size()), 0)
            << what << ", block " << block;
        ASSERT_EQ(
            std::memcmp(grouped.Right().data(), alone.Right().data(), sizeof(double) * grouped.Right().size()), 0)
            << what << ", block " << block;
    }
}

} // namespace

TEST(EngineKernelGroupsInTheSynth, ChordsAcrossTheKeyboardSoundTheSameInEveryModeAndWave)
{
    // Notes from the bottom to the top octaves give several oscillator oversamplings at once, eight
    // voices in the top octaves a full group; a filter sweep and released notes run along.
    const int notes[12] = {30, 38, 46, 62, 84, 86, 88, 91, 95, 98, 102, 107};
    for (int mode = 0; mode < 4; ++mode) {
        for (int wave = 0; wave < 4; ++wave) {
            const auto script = [&](EngineRig& rig, int block) {
                if (block == 0) {
                    rig.SetParam(ParamId::kDco2Xmod, Position(mode));
                    rig.SetParam(ParamId::kDco1Wave, Position(wave));
                    rig.SetParam(ParamId::kDco2Wave, Position(3 - wave));
                    rig.SetParam(ParamId::kSelfNoise, 0.6f);
                    for (int v = 0; v < 12; ++v)
                        rig.NoteOn(notes[v], 60 + 5 * v, v * 7);
                }
                rig.SetParam(ParamId::kVcfFreq, 0.5f + 0.45f * static_cast<float>((block * 37) % 11) / 10.0f, 3);
                if (block == 6)
                    for (int v = 0; v < 12; v += 3)
                        rig.NoteOff(notes[v], 11);
            };
            ExpectSameOutput(48000.0f, 128, script, 12,
                             "mode " + std::to_string(mode) + " wave " + std::to_string(wave));
        }
    }
}

TEST(EngineKernelGroupsInTheSynth, UnisonGlideAndOtherRatesSoundTheSame)
{
    // Unison gives each note two detuned voices, six notes all twelve; the glide then moves them
    // across the factor bands within a block; 96 and 192 kHz change the filter oversampling.
    for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
        const auto script = [](EngineRig& rig, int block) {
            if (block == 0) {
                rig.SetParam(ParamId::kPolyMode, 2.0f / 5.0f);
                rig.SetParam(ParamId::kUnisonDetune, 0.8f);
                rig.SetParam(ParamId::kPortamentoTime, 0.35f);
                rig.SetParam(ParamId::kPortamento, 1.0f);
                rig.SetParam(ParamId::kVcfReso, 0.9f);
                for (int note : {40, 43, 47, 50, 55, 59})
                    rig.NoteOn(note);
            }
            if (block == 4)
                for (int note : {40, 43, 47, 50, 55, 59})
                    rig.NoteOff(note, 2);
            if (block == 5)
                for (int note : {88, 91, 95, 98, 100, 103})
                    rig.NoteOn(note, 90, 17);
        };
        ExpectSameOutput(rate, 200, script, 14, "rate " + std::to_string(rate));
    }
}

TEST(EngineKernelGroupsInTheSynth, AVoiceAloneSoundsTheSameAsItsStepsOneAfterTheOther)
{
    // One note at a time across the keyboard (every oscillator factor), each overlapping the last one's
    // release so that the output passes from two voices to one, pressure on the level, at every filter
    // oversampling. The first blocks (a fifth of a second) let the voices of the fresh engine fall idle.
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        const int kQuiet = static_cast<int>(rate / 5.0f / 160.0f);
        for (int mode = 0; mode < 4; ++mode) {
            const auto script = [&](EngineRig& rig, int block) {
                if (block == 0) {
                    rig.SetParam(ParamId::kDco2Xmod, Position(mode));
                    rig.SetParam(ParamId::kDco1Wave, Position(mode));
                    rig.SetParam(ParamId::kAtVolume, 0.7f);
                    rig.SetParam(ParamId::kVcfReso, 0.8f);
                    rig.SetParam(ParamId::kEnv1Rel, 0.05f);
                    rig.SetParam(ParamId::kEnv2Rel, 0.05f);
                }
                if (block < kQuiet)
                    return;
                const int step = (block - kQuiet) / 6;
                const int note = 28 + step * 11;
                if ((block - kQuiet) % 6 == 0)
                    rig.NoteOn(note, 50 + 6 * step, 13);
                else if ((block - kQuiet) % 6 == 4)
                    rig.NoteOff(note, 40);
                rig.Midi(21, 0xD0, (block * 23) % 128, 0);
                rig.SetParam(ParamId::kVcfFreq, 0.3f + 0.05f * static_cast<float>(block % 9), 5);
            };
            ExpectSameOutput(rate, 160, script, kQuiet + 48,
                             "rate " + std::to_string(rate) + " mode " + std::to_string(mode));
        }
    }
}
