// Filter control of one voice: key follow, cutoff, LFO, envelope and aftertouch become the voice's
// cutoff signal, the resonance control becomes its damping, and the amplifier envelope is scaled down
// as resonance rises.
#pragma once

#include "signal/Buffers.h"

struct EngineParams;

class VcfPrepare {
public:
    VcfPrepare(FloatBuffer* pitch, FloatBuffer* envVcf, FloatBuffer* lfo, SmoothedBuffer* vcfFreqGlobal,
               SmoothedBuffer* vcfResGlobal, SmoothedBuffer* vcfLfo, SmoothedBuffer* vcfEnv, SmoothedBuffer* vcfKey,
               SmoothedBuffer* pat, FloatBuffer* vcfFreqOut, FloatBuffer* vcfResOut, FloatBuffer* envVca,
               const EngineParams* params);
    VcfPrepare(const VcfPrepare&) = delete;
    VcfPrepare& operator=(const VcfPrepare&) = delete;

    // Writes "vcf_freq" and "vcf_res" and rescales "env_vca" in place; audio thread, plug-in lock
    // held, once per block, after the envelope selector and before the kernel; frames is within
    // 0..block size.
    void ProcessBlock(int frames) noexcept;

    // Resonance control 0..1 to the filter's resonance factor, 0.1 (open) to about 1.0.
    static float ResonanceCurve(float r) noexcept;
    // Cutoff control after the range clamp and the soft bend towards the top.
    static float ShapeCutoff(float c) noexcept;

private:
    FloatBuffer* mPitch;
    FloatBuffer* mEnvVcf;
    FloatBuffer* mLfo;
    SmoothedBuffer* mVcfFreqGlobal;
    SmoothedBuffer* mVcfResGlobal;
    SmoothedBuffer* mVcfLfo;
    SmoothedBuffer* mVcfEnv;
    SmoothedBuffer* mVcfKey;
    SmoothedBuffer* mPat;
    FloatBuffer* mVcfFreqOut;
    FloatBuffer* mVcfResOut;
    FloatBuffer* mEnvVca;
    const EngineParams* mParams;
};
