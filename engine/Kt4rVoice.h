// One complete sound path for one note: note signals, two envelopes, envelope routing, oscillator and
// filter control, the oversampled oscillator-and-filter core and the amplifier.
#pragma once

#include "signal/Buffers.h"
#include "signal/NoteSegment.h"
#include "engine/VoiceBase.h"
#include "engine/VoiceInputs.h"

#include <array>
#include <cstdint>
#include <memory>

class ADSR;
class DCO_prepare;
class DownSampler;
class Engine;
class Env_Sel;
class Midi2CV;
class MyComponent;
class ProcessContext;
class VCA;
class VcfPrepare;
struct EngineParams;

class Kt4rVoice final : public VoiceBase {
public:
    Kt4rVoice(const VoiceInputs& inputs, SmoothedBuffer* pat, ProcessContext* context, EngineParams* params,
              int index);
    ~Kt4rVoice() override;

    // See VoiceBase: BeginProcess, the kernel on its own, FinishProcess.
    void Process(int frames) noexcept override;
    // The steps of Process before the kernel: note input, envelopes and, for an active voice, the
    // envelope routing and the oscillator and filter control. Returns whether the kernel is to run (with
    // factor KernelOversampling()); if so, FinishProcess must follow it. Audio thread, plug-in lock held.
    bool BeginProcess(int frames) noexcept;
    // The steps after the kernel: amplifier into "audio4" (unless RenderAlone applied it) and the idle
    // test. Audio thread, plug-in lock held.
    void FinishProcess(int frames, bool amplified = false) noexcept;
    // In place of the kernel, for the only voice sounding in the block: the kernel, the amplifier and the
    // output decimator in one loop (the same samples as one after the other, in less time); false, with
    // nothing done, when the kernel's mode renders nothing. FinishProcess(frames, true) follows it.
    // Audio thread, plug-in lock held.
    bool RenderAlone(int frames, DownSampler& decimator) noexcept;
    Engine& Kernel() noexcept { return *mEngine; }
    int KernelOversampling() const noexcept { return mKernelN; }
    // A voice connected again by a voice-count change starts as a new one: reset, active for at least
    // a block. Any thread, plug-in lock held; the voice's buffers already have the context's size
    // (every voice is registered with the context from the start), so nothing is allocated.
    void Revive() noexcept;

    Midi2CV& NoteInput() noexcept { return *mNoteInput; }
    ADSR& Envelope(int number) noexcept { return number == 1 ? *mAdsr1 : *mAdsr2; }
    DCO_prepare& Oscillators() noexcept { return *mDcoPrepare; }
    SmoothedBuffer* Pressure() const noexcept { return mPat; }

    int32_t mIndex;
    uint8_t mActive = 0;
    int32_t mHoldCounter = 0;

    // The voice's own signals, readable by tests and meters.
    QuadBuffer mTmp4{"tmp4"};
    FloatBuffer mGate{"gate"};
    FloatBuffer mPitch{"pitch"};
    FloatBuffer mVel1{"vel1"};
    FloatBuffer mVel2{"vel2"};
    FloatBuffer mVel3{"vel3"};
    FloatBuffer mDco1Freq{"dco1_freq"};
    FloatBuffer mDco2Freq{"dco2_freq"};
    FloatBuffer mDco1Level{"dco1_level"};
    FloatBuffer mDco2Level{"dco2_level"};
    FloatBuffer mVcfFreq{"vcf_freq"};
    FloatBuffer mVcfRes{"vcf_res"};
    FloatBuffer mAdsr1Out{"adsr1"};
    FloatBuffer mAdsr2Out{"adsr2"};
    FloatBuffer mEnvDco{"env_dco"};
    FloatBuffer mEnvMix{"env_mix"};
    FloatBuffer mEnvVcf{"env_vcf"};
    FloatBuffer mEnvVca{"env_vca"};

private:
    std::array<BufferBase*, 18> OwnBuffers() noexcept;
    std::array<MyComponent*, 7> OwnComponents() noexcept;

    ProcessContext* mContext;
    EngineParams* mParams;
    int32_t mKernelN = 2; // the oscillator oversampling of the current block
    SmoothedBuffer* mPat;
    std::unique_ptr<NoteSegmentList> mSegments;
    std::unique_ptr<Midi2CV> mNoteInput;
    std::unique_ptr<ADSR> mAdsr1;
    std::unique_ptr<ADSR> mAdsr2;
    std::unique_ptr<Env_Sel> mEnvSel;
    std::unique_ptr<DCO_prepare> mDcoPrepare;
    std::unique_ptr<VcfPrepare> mVcfPrepare;
    std::unique_ptr<Engine> mEngine;
    std::unique_ptr<VCA> mVca;
};
