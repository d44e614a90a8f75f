// MIDI in and rendering: events collected from effProcessEvents wait in the host-block adapter and
// reach the plug-in sub-block by sub-block during the next process call. Host audio thread (events
// may come from another host thread), under the plug-in lock; nothing here allocates.
#include <algorithm>

#include "framework/plugin/HostBuffers.h"
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
            mPlug->HandleSysExEvent(message);
        }
    }
    return 1;
}

void IPlugVST::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate)
{
    if (mPlug->TakesMidi())
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
    const int maxBlock = mPlug->MaxBlockSize();
    mBlocks.Run(
        frames, maxBlock, [this](const IMidiEvent& event) { mPlug->HandleMidiEvent(event); },
        [&](int start, int n) { RenderSubBlock(inputs, outputs, start, n, accumulate); });
    if (maxBlock <= 0 && frames > 0 && !accumulate && outputs) {
        // No block size announced: nothing can be rendered; a replacing call still owes defined output.
        int hostOut = 0;
        for (int i = 0; i < mPlug->NOutChannels(); ++i) {
            if (!mPlug->OutChannel(i).connected)
                continue;
            if (Sample* out = outputs[hostOut++])
                std::fill(out, out + frames, Sample(0));
        }
    }
}

template <typename Sample>
void IPlugVST::RenderSubBlock(Sample** inputs, Sample** outputs, int start, int n, bool accumulate)
{
    RenderHostSubBlock(*mPlug, inputs, outputs, start, n, accumulate);
}
