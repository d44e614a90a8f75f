// Oscillator control of one voice: note pitch, glide and pitch modulations become the two oscillators'
// pitch and level signals, and the block's highest pitch picks the oscillator oversampling.
#pragma once

#include "signal/Buffers.h"
#include "signal/MyComponent.h"

struct EngineParams;

class DCO_prepare final : public MyComponent {
public:
    DCO_prepare(FloatBuffer* pitch, FloatBuffer* lfo, FloatBuffer* lfoWheel, FloatBuffer* envDco, FloatBuffer* envMix,
                SmoothedBuffer* dco1Lfo, SmoothedBuffer* dco1Env, SmoothedBuffer* dco2Lfo, SmoothedBuffer* dco2Env,
                SmoothedBuffer* mixDco1, SmoothedBuffer* mixDco2, SmoothedBuffer* mixEnv, SmoothedBuffer* bender,
                SmoothedBuffer* mw, SmoothedBuffer* pat, FloatBuffer* dco1Freq, FloatBuffer* dco2Freq,
                FloatBuffer* dco1Level, FloatBuffer* dco2Level, const EngineParams* params);

    // Rebuilds the glide coefficient from the stored portamento time for the new rate; see MyComponent.
    void Recalculate() override;

    // Fills the four outputs for frames 0..frames-1 and returns the oscillator oversampling N (2, 4, 8
    // or 16) for the kernel. Audio thread, plug-in lock held; frames is within 0..block size.
    int ProcessBlock(int frames) noexcept;

    // Glide time 0..1; may arrive before the host rate, in which case Recalculate applies it.
    void SetPortamento(float time) noexcept;

    // Oversampling that keeps the highest oscillator pitch of a block clear of aliasing.
    static int OversamplingFor(float maxPitch) noexcept;

    float mDetune = 0.0f;   // octaves, written by the key-mode rule
    // Glided pitch, never reset, so a voice's first note glides up from 0. Kept in double: with a slow
    // glide the step per sample falls below half a float ulp long before arrival, and a float state
    // would stall up to a tenth of an octave short of the note.
    double mGlide = 0.0;
    float mGlideCoefficient = 0.0f;
    float mPortamentoTime = 0.0f;

private:
    FloatBuffer* mPitch;
    FloatBuffer* mLfo;
    FloatBuffer* mLfoWheel;
    FloatBuffer* mEnvDco;
    FloatBuffer* mEnvMix;
    SmoothedBuffer* mDco1Lfo;
    SmoothedBuffer* mDco1Env;
    SmoothedBuffer* mDco2Lfo;
    SmoothedBuffer* mDco2Env;
    SmoothedBuffer* mMixDco1;
    SmoothedBuffer* mMixDco2;
    SmoothedBuffer* mMixEnv;
    SmoothedBuffer* mBender;
    SmoothedBuffer* mMw;
    SmoothedBuffer* mPat;
    FloatBuffer* mDco1Freq;
    FloatBuffer* mDco2Freq;
    FloatBuffer* mDco1Level;
    FloatBuffer* mDco2Level;
    const EngineParams* mParams;
};
