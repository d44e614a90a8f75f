// A control-rate attack-decay-sustain-release envelope generator that updates its level every 5 ms
// and holds it in between, driven by the voice's note segments.
#pragma once

#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/MyComponent.h"
#include "signal/NoteSegment.h"

#include <cstdint>

class ADSR final : public MyComponent {
public:
    // envelopeNumber 1 reads the ENV1 parameters, 2 the ENV2 parameters.
    ADSR(NoteSegmentList* segments, const EngineParams* params, FloatBuffer* out, int envelopeNumber);

    // The update period in samples for the new rate; see MyComponent.
    void Recalculate() override;
    // Called by the voice right after its note segments were written; fills frames samples of out.
    // Audio thread, plug-in lock held; frames is within 0..block size.
    void ProcessBlock(int frames) noexcept;

    // Cleared by parameter application when the sustain level changes, so a settled envelope picks
    // up the new level.
    bool mAtRest = false;

    // The attack aims past full level so that it reaches 1.0 in finite time.
    static constexpr float kAttackTarget = 1.27f;
    // Decay and release aim just below their floor so that they reach it and settle.
    static constexpr float kEpsilon = 0.0001f;
    static constexpr double kUpdatePeriodMs = 5.0;

private:
    enum Stage : int32_t { kRelease = 0, kAttack = 1, kDecay = 2 };

    void Update(bool gate, float sustain) noexcept;

    NoteSegmentList* mSegments;
    const EnvelopeParams* mEnv;
    FloatBuffer* mOut;

    int32_t mStepsPerUpdate = 1;
    float mK = 0.0f; // control rate / ln 2
    int32_t mStage = kRelease;
    int32_t mHoldCount = 0;
    bool mLastGate = false;
    bool mAttackFlag = false;
    float mCoefficient[3] = {0.0f, 0.0f, 0.0f};
    float mLevel = 0.0f;
    float mPreviousLevel = 0.0f;
};
