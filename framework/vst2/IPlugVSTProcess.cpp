// MIDI in and rendering: events collected from effProcessEvents wait in the host-block adapter and
// reach the plug-in sub-block by sub-block during the next process call. Host audio thread (events
// may come from another host thread), under the plug-in lock; nothing here allocates.
#include <algorithm>
#include <array>

#include "framework/vst2/IPlugVST.h"

intptr_t IPlugVST::ProcessEvents(const vst::Events* events)
{
    if (!events)
        return 0;
    // The list's array is declared with two entries but holds numEvents: walked through a pointer to
    // its first entry, not indexed as the two-entry array.
    vst::Event* const* list = &events->events[0];
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst::Event* event = list[i];
        if (!event)
            continue;
        if (event->type == vst::kMidiType) {
            const auto* midi = reinterpret_cast<const vst::MidiEvent*>(event);
            IMidiEvent message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            mBlocks.Add(message);
        } else if (event->type == vst::kSysExType) {
            // The dump's bytes belong to the host and are valid only during this call: handled now.
            const auto* sysex = reinterpret_cast<const vst::SysExEvent*>(event);
            ISysExEvent message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->sysexDump ? std::max(0, sysex->dumpBytes) : 0;
            message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
            HandleSysExEvent(message);
        }
    }
    return 1;
}

void IPlugVST::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate)
{
    if (TakesMidi())
        CallHost(vst::audioMasterWantMidi, 0, 1);
    ProcessBlocks(inputs, outputs, frames, accumulate);
}

void IPlugVST::ProcessDouble(double** inputs, double** outputs, int frames)
{
    ProcessBlocks(inputs, outputs, frames, false);
}

// A block longer than the announced maximum would overrun every buffer: it is rendered in sub-blocks,
// each after the MIDI that falls in it.
template <typename Sample> void IPlugVST::ProcessBlocks(Sample** inputs, Sample** outputs, int frames, bool accumulate)
{
    const int maxBlock = MaxBlockSize();
    mBlocks.Run(
        frames, maxBlock, [this](const IMidiEvent& event) { HandleMidiEvent(event); },
        [&](int start, int n) { RenderSubBlock(inputs, outputs, start, n, accumulate); });
    if (maxBlock <= 0 && frames > 0 && !accumulate && outputs) {
        // No block size announced: nothing can be rendered; a replacing call still owes defined output.
        int hostOut = 0;
        for (int i = 0; i < NOutChannels(); ++i) {
            if (!OutChannel(i).connected)
                continue;
            if (Sample* out = outputs[hostOut++])
                std::fill(out, out + frames, Sample(0));
        }
    }
}

// One sub-block: host samples from `start` are copied into the channels' double scratch buffers,
// rendered, and copied (or added) back; the engine sees the same doubles whatever the host's type.
template <typename Sample>
void IPlugVST::RenderSubBlock(Sample** inputs, Sample** outputs, int start, int n, bool accumulate)
{
    int hostIn = 0;
    for (int i = 0; i < NInChannels(); ++i) {
        IAudioChannel& channel = InChannel(i);
        double* scratch = channel.scratch.data();
        *channel.pointerSlot = scratch;
        if (!channel.connected)
            continue;
        const Sample* in = inputs ? inputs[hostIn] : nullptr;
        ++hostIn;
        if (in) {
            for (int k = 0; k < n; ++k)
                scratch[k] = in[start + k];
        } else {
            std::fill(scratch, scratch + n, 0.0);
        }
    }
    int hostOut = 0;
    std::array<Sample*, kMaxChannels> destinations{};
    for (int i = 0; i < NOutChannels() && i < kMaxChannels; ++i) {
        IAudioChannel& channel = OutChannel(i);
        *channel.pointerSlot = channel.scratch.data();
        if (!channel.connected)
            continue;
        Sample* out = outputs ? outputs[hostOut] : nullptr;
        ++hostOut;
        destinations[static_cast<size_t>(i)] = out ? out + start : nullptr;
    }
    RenderDouble(InputPointers(), OutputPointers(), n);
    for (int i = 0; i < NOutChannels() && i < kMaxChannels; ++i) {
        Sample* dest = destinations[static_cast<size_t>(i)];
        if (!dest)
            continue;
        const double* src = OutChannel(i).scratch.data();
        if (accumulate) {
            for (int k = 0; k < n; ++k)
                dest[k] += static_cast<Sample>(src[k]);
        } else {
            for (int k = 0; k < n; ++k)
                dest[k] = static_cast<Sample>(src[k]);
        }
    }
}
