#include "blocks/ADSR.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct KeyEvent {
    int time;
    bool down;
    bool retrigger;
};

// Drives one envelope the way a voice does: note segments per block, as the note-to-CV stage
// writes them, and the output collected over many blocks.
struct EnvelopeRig {
    EngineParams params;
    NoteSegmentList segments;
    FloatBuffer out{"adsr1"};
    ADSR adsr{&segments, &params, &out, 0, 1};
    float heldGate = 0.0f;
    float pitch = 5.0f;
    std::vector<float> rendered;
    std::vector<uint32_t> states;

    explicit EnvelopeRig(float rate = 48000.0f, int maxBlock = 65)
    {
        out.Resize(maxBlock);
        adsr.SetSampleRate(rate);
    }

    void Block(int frames, std::vector<KeyEvent> events = {})
    {
        segments.mCount = 0;
        segments.Append({0, frames, frames, heldGate, 100, pitch, 0});
        for (const KeyEvent& e : events) {
            NoteSegment& prev = segments.mItems[segments.mCount - 1];
            prev.end = e.time;
            prev.length = e.time - prev.start;
            heldGate = e.down ? 1.0f : 0.0f;
            segments.Append({e.time, frames, frames - e.time, heldGate, 100, pitch,
                             static_cast<uint8_t>(e.retrigger ? 1 : 0)});
        }
        std::fill(out.Data(), out.Data() + out.mSize, -99.0f);
        adsr.ProcessBlock(frames);
        for (int i = 0; i < frames; ++i)
            rendered.push_back(out[i]);
        states.push_back(out.mState);
    }

    // Renders total samples in blocks of the given size, pressing at 0 and releasing at releaseAt.
    void Play(int total, int block, int releaseAt)
    {
        for (int t = 0; t < total; t += block) {
            int frames = std::min(block, total - t);
            std::vector<KeyEvent> ev;
            if (t == 0)
                ev.push_back({0, true, true});
            if (releaseAt >= t && releaseAt < t + frames)
                ev.push_back({releaseAt - t, false, false});
            Block(frames, ev);
        }
    }
};

// Updates needed by a one-pole step from `from` towards `target` to pass `threshold`.
int UpdatesToReach(double coefficient, double from, double target, double threshold)
{
    double level = from;
    for (int n = 1; n < 1000000; ++n) {
        level += (target - level) * coefficient;
        if ((target > from) ? level >= threshold : level <= threshold)
            return n;
    }
    return -1;
}

double Coefficient(float prepared, double rate)
{
    const double k = (rate / 240.0) / std::log(2.0);
    return 1.0 / (std::exp(prepared - 5.0) * k + 1.0);
}

TEST(ADSR, TheLevelChangesOnlyOnAFiveMillisecondGridAt48k)
{
    EnvelopeRig rig;
    rig.params.mEnv1 = {2.0f, 2.0f, 0.5f, 2.0f, 0};
    rig.Play(65 * 200, 65, 65 * 100 + 3);
    const auto& r = rig.rendered;
    for (size_t i = 1; i < r.size(); ++i) {
        if (r[i] != r[i - 1]) {
            const size_t sinceEvent = i < 6503 ? i : i - 6503;
            EXPECT_EQ(sinceEvent % 240, 0u) << "level changed at sample " << i;
        }
    }
    EXPECT_GT(*std::max_element(r.begin(), r.end()), 0.9f);
}

TEST(ADSR, AttackDecayAndReleaseFollowTheirTimeConstants)
{
    EnvelopeRig rig;
    const float attack = 2.5f, decay = 3.0f, sustain = 0.4f, release = 3.5f;
    rig.params.mEnv1 = {attack, decay, sustain, release, 0};
    const int releaseAt = 65 * 2000;
    rig.Play(65 * 4500, 65, releaseAt);
    const auto& r = rig.rendered;

    const int attackUpdates = UpdatesToReach(Coefficient(attack, 48000), 0.0, 1.27, 1.0);
    const int reached = static_cast<int>(std::find(r.begin(), r.end(), 1.0f) - r.begin());
    EXPECT_EQ(reached, (attackUpdates - 1) * 240);

    // Decay from full level: compare the level halfway down with the one-pole curve.
    const int halfway = UpdatesToReach(Coefficient(decay, 48000), 1.0, sustain - 1e-4, 0.7);
    const int halfwaySample = static_cast<int>(
        std::find_if(r.begin() + reached, r.end(), [](float v) { return v <= 0.7f; }) - r.begin());
    EXPECT_EQ(halfwaySample, reached + halfway * 240);
    EXPECT_EQ(r[releaseAt - 1], sustain) << "decay settles exactly on the sustain level";

    const int tenth = UpdatesToReach(Coefficient(release, 48000), sustain, -1e-4, sustain * 0.1);
    const int tenthSample = static_cast<int>(
        std::find_if(r.begin() + releaseAt, r.end(), [&](float v) { return v <= sustain * 0.1f; }) - r.begin());
    EXPECT_EQ(tenthSample, releaseAt + (tenth - 1) * 240);
    EXPECT_EQ(r.back(), 0.0f);
    EXPECT_EQ(rig.states.back(), Steady);
    EXPECT_GE(*std::min_element(r.begin(), r.end()), 0.0f);
}

TEST(ADSR, AFastAttackStopsAtFullLevelExactly)
{
    EnvelopeRig rig;
    rig.params.mEnv1 = {-3.0f, 6.0f, 0.9f, 0.0f, 0};
    rig.Play(65 * 40, 65, 65 * 30);
    EXPECT_EQ(*std::max_element(rig.rendered.begin(), rig.rendered.end()), 1.0f);
}

TEST(ADSR, SustainZeroComesToRestAtZeroWithTheKeyStillDown)
{
    EnvelopeRig rig;
    rig.params.mEnv1 = {-3.0f, 0.0f, 0.0f, 0.0f, 0};
    rig.Play(65 * 300, 65, 1 << 30);
    EXPECT_EQ(rig.heldGate, 1.0f);
    EXPECT_EQ(rig.rendered.back(), 0.0f);
    EXPECT_TRUE(rig.adsr.mAtRest);
    EXPECT_EQ(rig.states.back(), Steady);

    // A changed sustain level reaches an envelope at rest once parameter application clears the flag.
    rig.params.mEnv1.mSustain = 0.5f;
    rig.adsr.mAtRest = false;
    for (int i = 0; i < 4; ++i)
        rig.Block(65);
    EXPECT_EQ(rig.rendered.back(), 0.5f);
}

TEST(ADSR, AKeyReleasedDuringTheAttackReleasesFromTheLevelReached)
{
    EnvelopeRig rig;
    rig.params.mEnv1 = {5.0f, 0.0f, 1.0f, 3.0f, 0};
    const int releaseAt = 65 * 20 + 11;
    rig.Play(65 * 40, 65, releaseAt);
    const auto& r = rig.rendered;
    const float reached = r[releaseAt - 1];
    ASSERT_GT(reached, 0.0f);
    ASSERT_LT(reached, 0.5f);
    EXPECT_LT(r[releaseAt], reached);
    EXPECT_GT(r[releaseAt], reached * 0.5f) << "release continues from the attack level, no jump";
}

TEST(ADSR, KeysChangedWithinOneBlockAreComparedWithThePreviousBlock)
{
    EnvelopeRig rig;
    rig.params.mEnv1 = {-3.0f, 0.0f, 1.0f, 0.0f, 0};
    rig.Block(65);
    rig.Block(65, {{10, true, true}, {30, false, false}});
    const auto& r = rig.rendered;
    // The press re-aligns the grid; the release matches the previous block's gate (up), so it waits
    // for the next grid point 240 samples after the press.
    EXPECT_GT(r[65 + 10], 0.0f);
    for (int i = 65 + 10; i < 130; ++i)
        EXPECT_EQ(r[i], r[65 + 10]);
    rig.Block(65);
    rig.Block(65);
    rig.Block(65);
    rig.Block(65);
    EXPECT_EQ(r[65 + 10 + 239], r[65 + 10]);
    EXPECT_LT(r[65 + 10 + 240], r[65 + 10]);
}

TEST(ADSR, KeyFollowShortensTheAttackOfHigherNotes)
{
    auto attackLength = [](float pitch) {
        EnvelopeRig rig;
        rig.params.mEnv1 = {5.0f, 5.0f, 0.5f, 5.0f, 3};
        rig.pitch = pitch;
        rig.Play(65 * 3000, 65, 1 << 30);
        return std::find(rig.rendered.begin(), rig.rendered.end(), 1.0f) - rig.rendered.begin();
    };
    const auto low = attackLength(2.25f), high = attackLength(7.25f);
    EXPECT_LT(high, low);
    // 0.56 per octave of key follow over five octaves divides the time constant by e^2.8.
    EXPECT_NEAR(static_cast<double>(low) / high, std::exp(2.8), 1.5);
}

TEST(ADSR, TheOutputDoesNotDependOnTheBlockLength)
{
    std::vector<float> reference;
    for (int block : {65, 7, 1}) {
        EnvelopeRig rig;
        rig.params.mEnv1 = {3.0f, 4.0f, 0.3f, 3.5f, 2};
        rig.Play(9100, block, 4550);
        if (reference.empty())
            reference = rig.rendered;
        else
            EXPECT_EQ(rig.rendered, reference) << "block length " << block;
    }
}

} // namespace
