#include "engine/Midi2CV.h"

#include <algorithm>

Midi2CV::Midi2CV(int index, NoteSegmentList* segments, FloatBuffer* gate, FloatBuffer* vel1, FloatBuffer* vel2,
                 FloatBuffer* vel3, FloatBuffer* pitch)
    : Midi2CVbase(index), mSegments(segments), mGateOut(gate), mVel1Out(vel1), mVel2Out(vel2), mVel3Out(vel3),
      mPitchOut(pitch)
{
    Hold(NoteSegment{});
}

// Velocity response curves of the three dynamics settings, made of straight pieces.
float Midi2CV::Velocity1(int v) noexcept
{
    double x = v;
    return static_cast<float>(v < 98 ? 0.003898 * x + 0.37155 : 0.007904 * x - 0.1578);
}

float Midi2CV::Velocity2(int v) noexcept
{
    return static_cast<float>(0.007854 * v - 0.01077);
}

float Midi2CV::Velocity3(int v) noexcept
{
    double x = v;
    if (v < 63)
        return static_cast<float>(0.003533 * x + 0.0218);
    if (v < 111)
        return static_cast<float>(0.007921 * x - 0.2577);
    return static_cast<float>(0.02257 * x - 1.893);
}

void Midi2CV::Hold(const NoteSegment& s) noexcept
{
    mHeldGate = s.gate != 0.0f ? 1.0f : 0.0f;
    mHeldVelocity = s.velocity;
    mHeldVel1 = Velocity1(s.velocity);
    mHeldVel2 = Velocity2(s.velocity);
    mHeldVel3 = Velocity3(s.velocity);
    mHeldPitch = s.pitch;
}

void Midi2CV::FillHeld(int start, int end) noexcept
{
    mGateOut->FillRange(start, end, mHeldGate);
    mVel1Out->FillRange(start, end, mHeldVel1);
    mVel2Out->FillRange(start, end, mHeldVel2);
    mVel3Out->FillRange(start, end, mHeldVel3);
    mPitchOut->FillRange(start, end, mHeldPitch);
}

void Midi2CV::ProcessBlock(int frames) noexcept
{
    const int L = frames;
    NoteSegmentList& list = *mSegments;
    list.Append(NoteSegment{0, L, L, mHeldGate, mHeldVelocity, mHeldPitch, 0});

    while (auto event = mQueue.Pop()) {
        if (event->mKind != kMidiEventKind)
            continue;
        const auto& e = static_cast<const MidiEvent&>(*event);
        const uint8_t type = e.mStatus & 0xF0;
        if (type != 0x90 && type != 0x80)
            continue;
        if (list.mCount >= NoteSegmentList::kCapacity || list.mCount < 1)
            continue; // the list is full: the surplus events of this block are dropped
        NoteSegment& prev = list.mItems[list.mCount - 1];
        // A host may stamp an event outside the block; keep segments ordered and inside it.
        const int t = std::clamp<int>(e.mTime, prev.start, std::max(L, prev.start));
        prev.end = t;
        prev.length = t - prev.start;
        const float pitch = NotePitch(e.mData1);
        if (type == 0x90)
            list.Append(NoteSegment{t, L, L - t, 1.0f, e.mData2, pitch, mRetrigger});
        else // the release keeps the velocity of the note it ends, even one struck in this block
            list.Append(NoteSegment{t, L, L - t, 0.0f, prev.velocity, pitch, 0});
    }

    FillHeld(0, L);
    FloatBuffer* outs[] = {mGateOut, mVel1Out, mVel2Out, mVel3Out, mPitchOut};
    for (FloatBuffer* b : outs)
        b->mState = Steady;

    if (list.mCount >= 2) {
        for (int k = 0; k < list.mCount; ++k) {
            const NoteSegment& s = list.mItems[k];
            Hold(s);
            FillHeld(s.start, s.end);
            for (FloatBuffer* b : outs) {
                b->mState = Settling;
                b->mFilled = std::min(s.end, L);
            }
        }
    }
}
