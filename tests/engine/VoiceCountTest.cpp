#include "blocks/DCO_prepare.h"
#include "engine/Kt4rVoice.h"
#include "support/EngineRig.h"
#include "support/Signal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace kt4rtest;

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;
constexpr int kChord[3] = {60, 64, 67};

std::array<float, kPatchParamCount> ChorusPatch()
{
    auto patch = DefaultPatch();
    patch[30] = 0.5f; // "CHORUS" 1
    return patch;
}

// What the instrument does after "Number of Voices" changes the count: the whole patch again.
void ResendPatch(EngineRig& rig, const std::array<float, kPatchParamCount>& patch)
{
    for (int id = 0; id < kPatchParamCount; ++id)
        rig.SetParam(id, patch[static_cast<size_t>(id)]);
}

// Two rigs play the same chord and get the same events; only the first changes its voice count, so
// whatever differs between their outputs is what the change did.
struct ChangedAndReference {
    EngineRig changed{kRate, kBlock, 6};
    EngineRig reference{kRate, kBlock, 6};
    std::array<float, kPatchParamCount> patch = ChorusPatch();

    ChangedAndReference()
    {
        for (EngineRig* rig : {&changed, &reference}) {
            rig->SendPatch(patch);
            for (int note : kChord)
                rig->NoteOn(note);
        }
    }

    void Seconds(double s)
    {
        changed.RenderSeconds(s);
        reference.RenderSeconds(s);
    }

    void SetVoiceCount(int n)
    {
        changed.mSynth.SetVoiceCount(n);
        ResendPatch(changed, patch);
        ResendPatch(reference, patch);
    }

    void ReleaseChord()
    {
        for (EngineRig* rig : {&changed, &reference})
            for (int note : kChord)
                rig->NoteOff(note);
    }
};

double MaxDifference(const std::vector<double>& a, const std::vector<double>& b, size_t begin)
{
    double d = 0.0;
    for (size_t i = begin; i < std::min(a.size(), b.size()); ++i)
        d = std::max(d, std::fabs(a[i] - b[i]));
    return d;
}

TEST(VoiceCount, ChangingItWhileAChordSoundsLeavesTheChordAndTheChorusTailUntouched)
{
    ChangedAndReference rigs;
    rigs.Seconds(0.5);
    const size_t change = rigs.changed.Left().size();
    const double before = Rms(rigs.changed.Left(), change - kBlock, change);
    ASSERT_GT(before, 0.01);

    rigs.SetVoiceCount(12);
    rigs.Seconds(0.3);
    ASSERT_EQ(rigs.changed.mSynth.VoiceCount(), 12);
    // The chord keeps its voices and notes.
    for (int v = 0; v < 3; ++v) {
        Kt4rVoice* voice = rigs.changed.mSynth.Voice(v);
        EXPECT_GT(voice->mGate[0], 0.5f) << "voice " << v;
        EXPECT_EQ(voice->mPitch[0], rigs.reference.mSynth.Voice(v)->mPitch[0]) << "voice " << v;
    }
    const size_t held = rigs.changed.Left().size();

    rigs.ReleaseChord();
    rigs.Seconds(0.02);
    // Down again while the release and the chorus line still sound.
    const size_t tail = rigs.changed.Left().size();
    ASSERT_GT(Rms(rigs.changed.Left(), tail - kBlock, tail), 1e-4);
    rigs.SetVoiceCount(8);
    rigs.Seconds(0.1);
    ASSERT_EQ(rigs.changed.mSynth.VoiceCount(), 8);

    for (auto [out, ref] : {std::pair{&rigs.changed.Left(), &rigs.reference.Left()},
                            std::pair{&rigs.changed.Right(), &rigs.reference.Right()}}) {
        // Sample for sample what the same chord renders without the changes: no dropout, no jump.
        EXPECT_LT(MaxDifference(*out, *ref, change), 1e-6);
        // Block by block at the same level while the chord is held...
        for (size_t b = change; b + kBlock <= held; b += kBlock)
            ASSERT_NEAR(Rms(*out, b, b + kBlock) / Rms(*ref, b, b + kBlock), 1.0, 0.01) << "frame " << b;
        // ... and at the same pitch.
        const std::vector<double> heldOut(out->begin() + static_cast<long>(change),
                                          out->begin() + static_cast<long>(held));
        const std::vector<double> heldRef(ref->begin() + static_cast<long>(change),
                                          ref->begin() + static_cast<long>(held));
        EXPECT_NEAR(StrongestFrequency(heldOut, kRate, 200.0, 300.0), StrongestFrequency(heldRef, kRate, 200.0, 300.0),
                    0.05);
        // The tail after the second change goes on as the reference's does.
        EXPECT_NEAR(Rms(*out, tail, tail + kBlock) / Rms(*ref, tail, tail + kBlock), 1.0, 0.01);
    }
}

TEST(VoiceCount, AddedVoicesTakeTheCurrentRateAndBlockSizeAndPlay)
{
    EngineRig rig(kRate, kBlock, 6);
    const auto patch = ChorusPatch();
    rig.SendPatch(patch);
    for (int note : kChord)
        rig.NoteOn(note);
    rig.RenderSeconds(0.1);

    rig.mSynth.SetVoiceCount(12);
    ResendPatch(rig, patch);
    for (int v = 6; v < 12; ++v) {
        Kt4rVoice* voice = rig.mSynth.Voice(v);
        ASSERT_NE(voice, nullptr);
        EXPECT_EQ(voice->mGate.mSize, kBlock) << "voice " << v;
        EXPECT_EQ(voice->mTmp4.mSize, kBlock) << "voice " << v;
        EXPECT_EQ(voice->Oscillators().mSampleRate, kRate) << "voice " << v;
    }
    for (int k = 0; k < 9; ++k)
        rig.NoteOn(70 + k);
    rig.RenderSeconds(0.2);

    int sounding = 0;
    for (int v = 0; v < 12; ++v)
        sounding += rig.mSynth.Voice(v)->mGate[kBlock - 1] > 0.5f;
    EXPECT_EQ(sounding, 12);
    for (int v = 6; v < 12; ++v) {
        const QuadBuffer& kernel = rig.mSynth.Voice(v)->mTmp4;
        double energy = 0.0;
        for (int i = 0; i < kBlock; ++i)
            energy += static_cast<double>(kernel[i][0]) * kernel[i][0];
        EXPECT_GT(energy, 0.0) << "voice " << v << " renders";
    }
    const std::vector<double>& out = rig.Left();
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](double x) { return std::isfinite(x); }));
}

// Every voice is built with the synth, so a count change only connects and disconnects voices: the
// ones left out keep following the rate, and one connected again starts fresh.
TEST(VoiceCount, DisconnectedVoicesFollowTheRateAndComeBackFresh)
{
    EngineRig rig(kRate, kBlock, 12);
    rig.SendPatch(ChorusPatch());
    for (int k = 0; k < 12; ++k)
        rig.NoteOn(48 + k);
    rig.RenderSeconds(0.1);
    rig.mSynth.SetVoiceCount(8);
    EXPECT_EQ(rig.mKeys.NumberOfVoices(), 8);
    EXPECT_EQ(rig.mSynth.Voice(8), nullptr);

    rig.mContext.SetSampleRate(96000.0f);
    rig.mSynth.SetVoiceCount(12);
    for (int v = 8; v < 12; ++v) {
        Kt4rVoice* voice = rig.mSynth.Voice(v);
        EXPECT_EQ(voice->Oscillators().mSampleRate, 96000.0f) << "voice " << v;
        EXPECT_EQ(voice->mGate[kBlock - 1], 0.0f) << "voice " << v << " holds no note";
        EXPECT_EQ(voice->mActive, 1) << "voice " << v << " runs its first block";
    }
}

} // namespace
