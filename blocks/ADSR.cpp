// A control-rate attack-decay-sustain-release envelope generator that updates its level every 5 ms
// and holds it in between, driven by the voice's note segments.
#include "blocks/ADSR.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// Key follow shortens all three times for notes above the reference pitch 2.25 (MIDI note 24).
constexpr float kKeyFollowTable[4] = {0.0f, 0.19f, 0.38f, 0.56f};
constexpr float kReferencePitch = 2.25f;
// A prepared time value P gives a time constant of about e^(P - 5) / ln 2 seconds at any update rate.
constexpr float kTimeBias = 5.0f;
constexpr float kLn2 = 0.69314718f;

} // namespace

ADSR::ADSR(NoteSegmentList* segments, const EngineParams* params, FloatBuffer* out, int envelopeNumber)
    : mSegments(segments), mEnv(envelopeNumber == 2 ? &params->mEnv2 : &params->mEnv1), mOut(out)
{
}

void ADSR::Recalculate()
{
    const double steps = std::floor(static_cast<double>(mSampleRate) * kUpdatePeriodMs * 0.001);
    mStepsPerUpdate = steps < 1.0 ? 1 : static_cast<int32_t>(steps);
    mK = (mSampleRate / static_cast<float>(mStepsPerUpdate)) / kLn2;
}

inline void ADSR::Update(bool gate, float sustain) noexcept
{
    float target, floor;
    if (gate && mAttackFlag) {
        mStage = kAttack;
        target = kAttackTarget;
        floor = kAttackTarget;
    } else if (gate) {
        mStage = kDecay;
        target = sustain - kEpsilon;
        floor = sustain;
    } else {
        mStage = kRelease;
        target = -kEpsilon;
        floor = 0.0f;
        // Any key press after a release step starts a fresh attack.
        mAttackFlag = true;
    }
    float level = (target - mPreviousLevel) * mCoefficient[mStage] + mPreviousLevel;
    if (level > 1.0f) {
        level = 1.0f;
        mAttackFlag = false;
    }
    if (mStage != kAttack && level < floor) {
        level = floor;
        mAtRest = true;
    }
    mLevel = level;
    mPreviousLevel = level;
}

void ADSR::ProcessBlock(int frames) noexcept
{
    assert(frames >= 0 && frames <= mOut->mSize);
    float* out = mOut->Data();
    const int count = std::min(mSegments->mCount, NoteSegmentList::kCapacity);

    if (count <= 0 || (count == 1 && mAtRest && (mSegments->mItems[0].gate > 0.5f) == mLastGate)) {
        // Nothing can change until the key state does: hold the settled level.
        const int end = count <= 0 ? frames : std::clamp(mSegments->mItems[0].end, 0, frames);
        const float level = mPreviousLevel;
        for (int i = 0; i < end; ++i)
            out[i] = level;
        mOut->mFilled = end;
        mOut->mState = Steady;
        return;
    }

    mOut->mState = Moving;
    const int32_t keyFollow = std::clamp(mEnv->mKeyFollow, 0, 3);
    const int32_t steps = mStepsPerUpdate;
    bool gate = mLastGate;

    for (int s = 0; s < count; ++s) {
        const NoteSegment& seg = mSegments->mItems[s];
        const int start = std::clamp(seg.start, 0, frames);
        const int end = std::clamp(seg.start + std::max(seg.length, 0), start, frames);
        const int length = end - start;

        gate = seg.gate > 0.5f;
        const float kf = (seg.pitch - kReferencePitch) * kKeyFollowTable[keyFollow];
        const float times[3] = {mEnv->mRelease, mEnv->mAttack, mEnv->mDecay};
        for (int k = 0; k < 3; ++k)
            mCoefficient[k] = 1.0f / (std::exp((times[k] - kf) - kTimeBias) * mK + 1.0f);
        const float sustain = mEnv->mSustain;
        mAtRest = false;

        // The update grid re-aligns on a key change against the previous block, or on a retrigger.
        if (gate != mLastGate || seg.retrigger) {
            mHoldCount = 0;
            if (seg.retrigger)
                mAttackFlag = true;
        }

        int pos = start;
        if (mHoldCount < length) {
            float level = mLevel;
            for (int e = pos + mHoldCount; pos < e; ++pos)
                out[pos] = level;
            int written = 0;
            while (pos < end) {
                Update(gate, sustain);
                level = mLevel;
                written = std::min(steps, end - pos);
                for (int e = pos + written; pos < e; ++pos)
                    out[pos] = level;
            }
            mHoldCount = steps - written;
        } else {
            const float level = mLevel;
            for (; pos < end; ++pos)
                out[pos] = level;
            mHoldCount -= length;
        }
    }

    mLastGate = gate;
    mOut->mFilled = frames;
}
