// The engine set up the way the instrument sets it up, driven with MIDI and parameter events and
// rendered block by block into two channels.
#pragma once

#include "signal/EngineEvents.h"
#include "engine/ControllerInput.h"
#include "engine/KeyAssigner.h"
#include "signal/ProcessContext.h"
#include "engine/Synth.h"

#include <array>
#include <vector>

namespace kt4rtest {

// Normalised defaults of the patch parameters 0..69 (the instrument's start-up patch).
std::array<float, kPatchParamCount> DefaultPatch();

class EngineRig {
public:
    explicit EngineRig(float sampleRate = 48000.0f, int blockSize = 256, int voices = 6);

    // Applies a whole patch in a block of its own (its output is discarded).
    void SendPatch(const std::array<float, kPatchParamCount>& values, int time = 0);
    void SetParam(int id, float normalised, int time = 0);
    void SetParam(ParamId id, float normalised, int time = 0) { SetParam(Index(id), normalised, time); }
    void Midi(int time, int status, int data1, int data2);
    void NoteOn(int note, int velocity = 100, int time = 0, int channel = 0)
    {
        Midi(time, 0x90 | channel, note, velocity);
    }
    void NoteOff(int note, int time = 0, int channel = 0) { Midi(time, 0x80 | channel, note, 0); }
    void Controller(int time, int status, int data1, int data2);

    // Renders one block of frames (at most the block size) and appends it to Left()/Right().
    void RenderBlock(int frames);
    // Renders whole blocks (the last one shorter) until seconds of audio have been produced.
    void RenderSeconds(double seconds);

    std::vector<double>& Left() { return mLeft; }
    std::vector<double>& Right() { return mRight; }
    void ClearOutput()
    {
        mLeft.clear();
        mRight.clear();
    }

    ProcessContext mContext;
    KeyAssigner mKeys;
    // Before the synth: its controller queue may hold this input's records until the synth is gone.
    ControllerInput mControllers{&mSynth};
    Synth mSynth;
    float mSampleRate;
    int mBlockSize;

private:
    std::vector<double> mLeft;
    std::vector<double> mRight;
    std::vector<double> mBlockL;
    std::vector<double> mBlockR;
};

} // namespace kt4rtest
