// A minimal host for the fuzz targets: it creates the instrument through its entry point, opens it
// the way a host does and renders blocks, stopping the run when an output sample is not finite. One
// instance serves a whole run (Shared), put back to its fresh state before each input.
#pragma once

#include "InstanceReset.h"
#include "framework/vst2/IPlugVST.h"
#include "framework/vst2/VstAbi.h"
#include "instrument/KT4R.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace kt4rfuzz {

inline intptr_t Host(vst::EffectRecord*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// A folder of its own with a locked configuration, made once per run: every instance reads the same
// preferences and none writes files when it closes.
inline const std::string& ConfigFolder()
{
    static const std::string folder = [] {
        char name[] = "/tmp/kt4r-fuzz-XXXXXX";
        const char* made = mkdtemp(name);
        const std::string path = made ? std::string(made) + "/" : std::string("/tmp/");
        if (FILE* ini = std::fopen((path + "KT-4R.ini").c_str(), "w")) {
            std::fputs("LOCK = TRUE\n", ini);
            std::fclose(ini);
        }
        return path;
    }();
    return folder;
}

class FuzzHost {
public:
    static constexpr int kBlock = 64;
    static constexpr float kSampleRate = 44100.0f;

    // The run's instance, reset to how it was created (the first input's too, so that all start from
    // the same silent blocks): an input sees the same instance whatever ran before it, and a failure
    // reproduces from the input alone.
    static FuzzHost& Shared()
    {
        static FuzzHost* host = new FuzzHost(); // never closed: the run ends with the process
        host->mReset->Restore();
        return *host;
    }

    // Created the way the library's entry point creates it.
    FuzzHost()
        : mEffect(IPlugVST::Instantiate(
              &Host, []() -> IPlugBase* { return new KT4R(ConfigFolder()); }))
    {
        Dispatch(vst::effOpen);
        Dispatch(vst::effSetSampleRate, 0, 0, nullptr, kSampleRate);
        Dispatch(vst::effSetBlockSize, 0, kBlock);
        Dispatch(vst::effMainsChanged, 0, 1);
        mReset = std::make_unique<InstanceReset>(mEffect, kSampleRate, kBlock);
    }
    ~FuzzHost()
    {
        Dispatch(vst::effMainsChanged, 0, 0);
        Dispatch(vst::effClose);
    }
    FuzzHost(const FuzzHost&) = delete;
    FuzzHost& operator=(const FuzzHost&) = delete;

    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
    }

    void SendMidi(int delta, uint8_t status, uint8_t d1, uint8_t d2)
    {
        vst::MidiEvent e{};
        e.type = vst::kMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = delta;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(d1);
        e.midiData[2] = static_cast<char>(d2);
        vst::Events list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::Event*>(&e);
        Dispatch(vst::effProcessEvents, 0, 0, &list);
    }

    // Renders frames (possibly more than the announced block) and aborts on a sample that is not finite.
    void Render(int frames)
    {
        mLeft.assign(static_cast<size_t>(frames), 0.0f);
        mRight.assign(static_cast<size_t>(frames), 0.0f);
        float* outs[2] = {mLeft.data(), mRight.data()};
        mEffect->processReplacing(mEffect, nullptr, outs, frames);
        for (int i = 0; i < frames; ++i)
            if (!std::isfinite(mLeft[static_cast<size_t>(i)]) || !std::isfinite(mRight[static_cast<size_t>(i)]))
                std::abort();
    }

    vst::EffectRecord* mEffect;

private:
    std::vector<float> mLeft;
    std::vector<float> mRight;
    std::unique_ptr<InstanceReset> mReset;
};

} // namespace kt4rfuzz
