// The global low-frequency oscillator: a free triangle for wheel vibrato, and the panel's selected
// random, square or triangle wave with a delayed fade-in, free-running or locked to the host tempo.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"

#include <cstdint>

class LFO final : public MyComponent {
public:
    LFO(FloatBuffer* noise, FloatBuffer* lfo, FloatBuffer* lfoWheel, const EngineParams* params);

    // Called by the render once per block, after the noise and before the voices; audio thread,
    // plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;
    // Called by the key assigner with the note-on's frame in the coming block when no voice is active.
    void NoteStartsFromSilence(int time) noexcept;

    // The length of one synced cycle in beats, in lowest terms.
    struct BeatFraction {
        int32_t numerator;
        int32_t denominator;
    };
    // "LFO RATE" 0..1 with "LFO SYNC" on: up to 2 beats in eighths below 0.5, in sixteenths below
    // 0.75, in thirty-seconds above. The panel readout shows the same fraction.
    static BeatFraction SyncedCycleBeats(float rate) noexcept;

    // "LFO SYNC": 0 free rate, otherwise a fraction of a beat at the host tempo.
    uint8_t mSync = 0;
    // "LFO FREERUN": 0 free, 1 soft (phase reset only from silence), 2 hard (every trigger).
    LfoTrigger mRetriggerMode = LfoTrigger::kFree;
    // Set by the render after the voices; no voice sounds before the first note.
    uint8_t mVoicesIdle = 1;

    enum DelayState : int32_t { kRunning = 0, kFadingIn = 1, kDelaying = 2, kWaitingForTrigger = 3 };

private:
    template <int32_t kWave>
    void Run(int frames, float rate, int32_t delayLength, int32_t fadeLength) noexcept;
    float Rate() const noexcept;

    FloatBuffer* mNoise;
    FloatBuffer* mLfo;
    FloatBuffer* mLfoWheel;
    const EngineParams* mParams;

    float mHeldRandom = 0.0f;
    float mSquare = 0.0f;
    float mPhase = 0.0f;
    float mFade = 1.0f;
    float mDirection = 1.0f;
    int32_t mDelayState = kRunning;
    int32_t mTriggerTime = 0;
    int32_t mCounter = 0;
};
