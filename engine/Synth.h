// The engine object: it wires the global signals and blocks and up to twelve voices, and renders one
// host block at a time in a fixed order.
#pragma once

#include "engine/ApplyParam.h"
#include "signal/Buffers.h"
#include "signal/EngineParams.h"
#include "signal/ParamId.h"
#include "signal/EventPool.h"
#include "signal/EventQueue.h"
#include "engine/VoiceBase.h"
#include "engine/VoiceInputs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Chorus;
class DownSampler;
class HPF;
class KeyAssigner;
class Kt4rVoice;
class LFO;
class NoiseGenerator;
class ProcessContext;

class Synth {
public:
    Synth(ProcessContext* context, int voiceCount, KeyAssigner* keyAssigner);
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    // Renders frames (at most the context's block size) into both channels; audio thread, plug-in lock held.
    void Render(double* left, double* right, int frames) noexcept;
    // A parameter's new normalised value for the engine; any thread, plug-in lock held; allocates
    // nothing. It is queued at its frame offset while the pool has records. From the first change the
    // pool cannot take until the next block, every change folds into the latest value per parameter,
    // applied after the queue: no value is lost and no older change overtakes a newer one.
    void PostParamValue(EventPool<ValueEvent>& pool, int time, int id, float value) noexcept;
    // The whole patch (ids 0..69) at once, folded the same way.
    void PostPatch(EventPool<ParamSetEvent>& pool, const float* values) noexcept;
    // Whether changes are waiting in the fold for the next block.
    bool Folding() const noexcept { return mFolding; }
    // Take ownership of the event; any thread, plug-in lock held.
    void PushParamEvent(EngineEvent* event) noexcept { mParamQueue.Push(event); }
    void PushControllerEvent(EngineEvent* event) noexcept { mControllerQueue.Push(event); }
    void ApplyEvents() noexcept;
    // Connects voices at the top slots, each freshly reset, or disconnects the top ones; the voices
    // that stay keep their state and notes, and the global blocks (chorus line, downsampler) are left
    // alone. Any thread, plug-in lock held, never during a render; allocates nothing (all twelve
    // voices are built with the synth).
    void SetVoiceCount(int n) noexcept;
    // Announces the current engine values as targets of the smoothed parameter signals from time on:
    // every signal, or those of one kind.
    void RestateTargets(int time, ParamSignal which = ParamSignal::kNone) noexcept;

    int VoiceCount() const noexcept { return mVoiceCount; }
    Kt4rVoice* Voice(int i) const noexcept { return i >= 0 && i < mVoiceCount ? mVoices[i] : nullptr; }
    EngineParams& Params() noexcept { return *mParams; }
    const EngineParams& Params() const noexcept { return *mParams; }
    LFO& Lfo() noexcept { return *mLfo; }
    bool AllIdle() const noexcept { return mAllIdle != 0; }
    // Whether the voices' kernels run side by side, a voice alone with its amplifier and the output
    // decimator in one loop (the default), or one voice after the other through each voice's own
    // kernel, then the amplifiers, then the decimator; both give the same output, the second is the
    // reference the tests hold the first to. Any thread, plug-in lock held.
    void SetGroupedKernels(bool grouped) noexcept { mGroupedKernels = grouped; }

    uint8_t mChannelTable[16];

private:
    SmoothedBuffer* AddSmoothed(const char* name);
    template <typename B> B* AddBuffer(const char* name);
    Kt4rVoice* CreateVoice(int slot);
    SmoothedBuffer* ParamSignalOf(ParamId id) const noexcept { return mParamSignals[static_cast<size_t>(Index(id))]; }
    void ApplyParamEvent(int time, int id, float v) noexcept;
    void ApplyParamSet(int time, const float* values) noexcept;
    void ApplyFolded() noexcept;
    void ApplyControllerEvent(int time, int id, int note, float x) noexcept;
    void SetUnisonDetune(bool wholePatch) noexcept;
    void WakeVoices() noexcept;

    int32_t mVoiceCount = 0;
    ProcessContext* mContext;
    std::unique_ptr<EngineParams> mParams;
    KeyAssigner* mKeyAssigner;
    std::unique_ptr<NoiseGenerator> mNoise;
    EventQueue mParamQueue{"Param"};
    EventQueue mControllerQueue{"Controller"};
    Kt4rVoice* mVoices[kMaxVoices] = {};
    std::unique_ptr<LFO> mLfo;
    std::unique_ptr<DownSampler> mDownSampler;
    std::unique_ptr<HPF> mHpf;
    std::unique_ptr<Chorus> mChorus;

    std::vector<std::unique_ptr<BufferBase>> mOwnedBuffers;
    FloatBuffer* mNoiseBuf = nullptr;
    FloatBuffer* mLfoBuf = nullptr;
    FloatBuffer* mLfoWheel = nullptr;
    QuadBuffer* mAudio4 = nullptr;
    FloatBuffer* mAudio = nullptr;
    FloatBuffer* mAudioL = nullptr;
    FloatBuffer* mAudioR = nullptr;
    std::array<SmoothedBuffer*, kMaxVoices> mPat = {};
    VoiceInputs mVoiceInputs;
    // The smoothed signal of each parameter id that has one.
    std::array<SmoothedBuffer*, kPatchParamCount> mParamSignals = {};
    std::vector<SmoothedBuffer*> mSmoothed;
    // Changes that found no record, latest value per parameter, for the next block.
    std::array<float, kPatchParamCount> mFoldedValues = {};
    std::array<uint8_t, kPatchParamCount> mFolded = {};
    bool mFolding = false;
    bool mFoldedPatch = false;
    // The latest time of a change queued since the last block; later changes are queued no earlier.
    int mLatestParamTime = 0;
    uint8_t mAllIdle = 1;
    bool mGroupedKernels = true;
};
