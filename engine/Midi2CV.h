// Turns the note events routed to one voice into its note segments and the per-sample "gate",
// "pitch" and velocity signals.
#pragma once

#include "signal/Buffers.h"
#include "signal/EventQueue.h"
#include "engine/HeldNoteList.h"
#include "signal/MyComponent.h"
#include "signal/NoteSegment.h"

#include <cstdint>

// The per-voice key state the key assigner works on.
class Midi2CVbase {
public:
    explicit Midi2CVbase(int index) : mQueue("voice"), mIndex(index) {}
    Midi2CVbase(const Midi2CVbase&) = delete;
    Midi2CVbase& operator=(const Midi2CVbase&) = delete;
    virtual ~Midi2CVbase() = default;

    // Called by its voice at the start of the voice's block: audio thread, plug-in lock held; allocates
    // nothing (the records it pops go back to their pool).
    virtual void ProcessBlock(int frames) noexcept = 0;

    EventQueue mQueue;
    uint8_t mSustain = 0;
    uint8_t mKeyDown = 0;
    uint8_t mHeldBySustain = 0;
    uint8_t mRetrigger = 1;
    uint8_t mMonoList = 0;
    bool mSounding = false;
    int32_t mNote = -1;
    int32_t mVelocity = 0;
    HeldNoteList mHeld;
    int32_t mIndex;
};

class Midi2CV final : public Midi2CVbase, public MyComponent {
public:
    Midi2CV(int index, NoteSegmentList* segments, FloatBuffer* gate, FloatBuffer* vel1, FloatBuffer* vel2,
            FloatBuffer* vel3, FloatBuffer* pitch);

    void ProcessBlock(int frames) noexcept override;

    static float Velocity1(int v) noexcept;
    static float Velocity2(int v) noexcept;
    static float Velocity3(int v) noexcept;
    static float NotePitch(int note) noexcept { return static_cast<float>((note - 69) / 12.0 + 5.0); }

private:
    void FillHeld(int start, int end) noexcept;
    void Hold(const NoteSegment& s) noexcept;

    NoteSegmentList* mSegments;
    FloatBuffer* mGateOut;
    FloatBuffer* mVel1Out;
    FloatBuffer* mVel2Out;
    FloatBuffer* mVel3Out;
    FloatBuffer* mPitchOut;
    float mHeldGate = 0.0f;
    float mHeldVel1 = 0.0f;
    float mHeldVel2 = 0.0f;
    float mHeldVel3 = 0.0f;
    float mHeldPitch = 0.0f;
    int32_t mHeldVelocity = 0;
};
