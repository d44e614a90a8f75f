#include "blocks/ADSR.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Drives one envelope as a voice does: note segments per block, output collected over blocks.
struct EnvelopeRig {
    EngineParams params;
    NoteSegmentList segments;
    FloatBuffer out{"adsr1"};
    ADSR adsr{&segments, &params, &out, 1};
    float heldGate = 0.0f;
    std::vector<float> r;

    EnvelopeRig(EnvelopeParams env)
    {
        params.mEnv1 = env;
        out.Resize(65);
        adsr.SetSampleRate(48000.0f);
    }

    // events: frame offsets at which the key toggles; a press retriggers.
    void Block(int frames, std::vector<int> toggles = {})
    {
        segments.mCount = 0;
        segments.Append({0, frames, frames, heldGate, 100, 5.0f, 0});
        for (int t : toggles) {
            NoteSegment& prev = segments.mItems[segments.mCount - 1];
            prev.end = t;
            prev.length = t - prev.start;
            heldGate = 1.0f - heldGate;
            segments.Append({t, frames, frames - t, heldGate, 100, 5.0f, static_cast<uint8_t>(heldGate)});
        }
        std::fill(out.Data(), out.Data() + out.mSize, -99.0f);
        adsr.ProcessBlock(frames);
        r.insert(r.end(), out.Data(), out.Data() + frames);
    }

    void Play(int total, int block, int releaseAt)
    {
        for (int t = 0; t < total; t += block) {
            std::vector<int> toggles;
            if (t == 0)
                toggles.push_back(0);
            if (releaseAt >= t && releaseAt < t + block)
                toggles.push_back(releaseAt - t);
            Block(std::min(block, total - t), toggles);
        }
    }

    int FirstAt(int from, bool rising, float level) const
    {
        auto it = std::find_if(r.begin() + from, r.end(), [&](float v) { return rising ? v >= level : v <= level; });
        return static_cast<int>(it - r.begin());
    }
};

// Updates a one-pole step needs from `from` towards `target` to pass `level`, for a prepared time.
int Updates(float prepared, double from, double target, double level)
{
    const double c = 1.0 / (std::exp(prepared - 5.0) * (48000.0 / 240.0) / std::log(2.0) + 1.0);
    int n = 0;
    for (double v = from; (target > from) ? v < level : v > level; ++n)
        v += (target - v) * c;
    return n;
}

TEST(ADSR, StagesFollowTheirTimeConstantsOnAFiveMillisecondGrid)
{
    const float sustain = 0.4f;
    EnvelopeRig rig({2.5f, 3.0f, sustain, 3.5f, 0});
    const int releaseAt = 65 * 2000;
    rig.Play(65 * 4500, 65, releaseAt);
    const int full = rig.FirstAt(0, true, 1.0f);
    EXPECT_EQ(full, (Updates(2.5f, 0.0, 1.27, 1.0) - 1) * 240);
    EXPECT_EQ(*std::max_element(rig.r.begin(), rig.r.end()), 1.0f);
    EXPECT_EQ(rig.FirstAt(full, false, 0.7f), full + Updates(3.0f, 1.0, sustain - 1e-4, 0.7) * 240);
    EXPECT_EQ(rig.r[releaseAt - 1], sustain);
    EXPECT_EQ(rig.FirstAt(releaseAt, false, 0.04f), releaseAt + (Updates(3.5f, sustain, -1e-4, 0.04) - 1) * 240);
    EXPECT_EQ(rig.r.back(), 0.0f);
    EXPECT_EQ(rig.out.mState, Steady);
}

TEST(ADSR, SustainZeroRestsWithTheKeyDownUntilTheSustainChanges)
{
    EnvelopeRig rig({-3.0f, 0.0f, 0.0f, 0.0f, 0});
    rig.Play(65 * 300, 65, 1 << 30);
    EXPECT_EQ(rig.r.back(), 0.0f);
    EXPECT_EQ(rig.out.mState, Steady);
    rig.params.mEnv1.mSustain = 0.5f;
    rig.adsr.mAtRest = false; // as parameter application does
    for (int i = 0; i < 4; ++i)
        rig.Block(65);
    EXPECT_EQ(rig.r.back(), 0.5f);
}

TEST(ADSR, AKeyReleasedDuringTheAttackReleasesFromTheLevelReached)
{
    EnvelopeRig rig({5.0f, 0.0f, 1.0f, 3.0f, 0});
    const int releaseAt = 65 * 20 + 11;
    rig.Play(65 * 40, 65, releaseAt);
    const float reached = rig.r[releaseAt - 1];
    ASSERT_GT(reached, 0.0f);
    EXPECT_LT(rig.r[releaseAt], reached);
    EXPECT_GT(rig.r[releaseAt], reached * 0.5f);
}

TEST(ADSR, KeysChangedWithinOneBlockAreComparedWithThePreviousBlock)
{
    EnvelopeRig rig({-3.0f, 0.0f, 1.0f, 0.0f, 0});
    rig.Block(65);
    rig.Block(65, {10, 30});
    for (int i = 0; i < 4; ++i)
        rig.Block(65);
    // The press re-aligns the grid; the release matches the previous block's gate (up), so it waits
    // for the grid point 240 samples after the press.
    const float attacked = rig.r[75];
    EXPECT_GT(attacked, 0.0f);
    EXPECT_EQ(rig.r[75 + 239], attacked);
    EXPECT_LT(rig.r[75 + 240], attacked);
}

TEST(ADSR, TheOutputDoesNotDependOnTheBlockLength)
{
    std::vector<float> reference;
    for (int block : {65, 7, 1}) {
        EnvelopeRig rig({3.0f, 4.0f, 0.3f, 3.5f, 2});
        rig.Play(9100, block, 4550);
        if (reference.empty())
            reference = rig.r;
        EXPECT_EQ(rig.r, reference) << "block length " << block;
    }
}

} // namespace
