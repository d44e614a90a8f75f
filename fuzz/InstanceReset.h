// Returns an opened instance to the state it was in when captured, through its host entries only, so
// that one instance can serve many fuzz inputs (creating one per input costs many times the input).
// What a host reads comes back exactly; what a listener hears comes back but for the phases of the
// free-running modulators, which no host entry sets back, and the fading tail of released notes.
#pragma once

#include "framework/vst2/VstAbi.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kt4rfuzz {

class InstanceReset {
public:
    // Captures the instance's bank, program state and program number as they are now. Call it on an
    // instance opened at the given rate and block size and resumed.
    InstanceReset(vst::EffectRecord* effect, float sampleRate, int blockSize)
        : mEffect(effect), mSampleRate(sampleRate), mBlockSize(blockSize)
    {
        mBank = Chunk(0);
        mProgramState = Chunk(1);
        mProgram = Dispatch(vst::effGetProgram);
        mLeft.assign(static_cast<size_t>(blockSize), 0.0f);
        mRight.assign(static_cast<size_t>(blockSize), 0.0f);
    }
    InstanceReset(const InstanceReset&) = delete;
    InstanceReset& operator=(const InstanceReset&) = delete;

    // Suspends and resumes at the captured rate and block size; brings the controllers to rest; puts
    // the bank back when it reads otherwise than captured (after the controllers, which MIDI learn may
    // have tied to parameters); releases every note and renders silent blocks, in which the released
    // voices fade with the captured patch's release.
    void Restore()
    {
        Dispatch(vst::effMainsChanged, 0, 0);
        Dispatch(vst::effSetSampleRate, 0, 0, nullptr, mSampleRate);
        Dispatch(vst::effSetBlockSize, 0, mBlockSize);
        Dispatch(vst::effMainsChanged, 0, 1);
        SendOnEveryChannel(kControllersAtRest);
        RenderSilence(1);
        // The bank holds every program, the program number, the edit buffer (every parameter the host
        // sees) and the edited flag. Reading it costs a thirtieth of loading it, and an input that
        // changed only the program number or the edit buffer is undone by the program state, which
        // loads a hundred times faster than the bank.
        if (!BankIsCaptured()) {
            if (Dispatch(vst::effGetProgram) != mProgram)
                Dispatch(vst::effSetProgram, 0, mProgram);
            Load(1, mProgramState);
            if (!BankIsCaptured())
                Load(0, mBank);
            RenderSilence(1);
        }
        SendOnEveryChannel(kNotesOff);
        RenderSilence(kSilentBlocks);
    }

    // Silent blocks after the notes are let go, in which the engine takes the releases. The release
    // itself (a second and more with the default patch) is not waited out, which would cost a thousand
    // blocks an input: the next input starts while that tail fades (nothing stays held).
    static constexpr int kSilentBlocks = 1;

private:
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
    }

    using Messages = uint8_t[3][3];
    // Pitch bend centred, no pressure, modulation wheel down.
    static constexpr Messages kControllersAtRest = {{0xE0, 0, 64}, {0xD0, 0, 0}, {0xB0, 1, 0}};
    // Sustain pedal up, all notes off, all sound off.
    static constexpr Messages kNotesOff = {{0xB0, 64, 0}, {0xB0, 123, 0}, {0xB0, 120, 0}};

    std::vector<uint8_t> Chunk(int32_t index)
    {
        void* data = nullptr;
        const intptr_t size = Dispatch(vst::effGetChunk, index, 0, &data);
        if (!data || size <= 0)
            return {};
        return std::vector<uint8_t>(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    }

    void Load(int32_t index, std::vector<uint8_t>& chunk)
    {
        if (!chunk.empty())
            Dispatch(vst::effSetChunk, index, static_cast<intptr_t>(chunk.size()), chunk.data());
    }

    bool BankIsCaptured()
    {
        void* bank = nullptr;
        const intptr_t size = Dispatch(vst::effGetChunk, 0, 0, &bank);
        return bank && size == static_cast<intptr_t>(mBank.size()) &&
               std::memcmp(bank, mBank.data(), mBank.size()) == 0;
    }

    // The messages on all sixteen channels (the plug-in may listen on any one), one event a list.
    void SendOnEveryChannel(const Messages& messages)
    {
        vst::MidiEvent event{};
        vst::Events list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::Event*>(&event);
        for (int channel = 0; channel < 16; ++channel) {
            for (const auto& m : messages) {
                event.type = vst::kMidiType;
                event.byteSize = sizeof event;
                event.midiData[0] = static_cast<char>(m[0] | channel);
                event.midiData[1] = static_cast<char>(m[1]);
                event.midiData[2] = static_cast<char>(m[2]);
                Dispatch(vst::effProcessEvents, 0, 0, &list);
            }
        }
    }

    void RenderSilence(int blocks)
    {
        float* outs[2] = {mLeft.data(), mRight.data()};
        for (int b = 0; b < blocks; ++b)
            mEffect->processReplacing(mEffect, nullptr, outs, mBlockSize);
    }

    vst::EffectRecord* mEffect;
    float mSampleRate;
    int mBlockSize;
    std::vector<uint8_t> mBank;
    std::vector<uint8_t> mProgramState;
    intptr_t mProgram = 0;
    std::vector<float> mLeft;
    std::vector<float> mRight;
};

} // namespace kt4rfuzz
