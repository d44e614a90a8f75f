#include "engine/ControllerInput.h"

#include "engine/Synth.h"

void ControllerInput::DispatchControllers() noexcept
{
    while (auto event = mQueue.Pop()) {
        if (event->mKind != kMidiEventKind)
            continue;
        const auto& e = static_cast<const MidiEvent&>(*event);
        if (e.mData1 > 127 || e.mData2 > 127)
            continue; // malformed: data bytes have seven bits
        const int channel = e.mStatus & 0x0F;
        const bool enabled = mSynth->mChannelTable[channel] != 0;
        ValueEvent* out = nullptr; // null also when the pool is spent: the event is dropped
        switch (e.mStatus & 0xF0) {
        case 0xE0:
            if (enabled)
                out =
                    mEvents.Make(e.mTime, kPitchBend, static_cast<float>(((e.mData2 - 64) * 128 + e.mData1) / 8192.0));
            break;
        case 0xD0:
            if (enabled)
                out = mEvents.Make(e.mTime, kChannelPressure, e.mData1 / 128.0f);
            break;
        case 0xA0:
            if (enabled)
                out = mEvents.Make(e.mTime, kPolyPressure, e.mData2 / 128.0f, e.mData1);
            break;
        case 0xB0:
            if (e.mData1 != 64 && mListener)
                mListener->OnControlChange(e.mTime, channel, e.mData1, e.mData2);
            if (e.mData1 == 1 && enabled)
                out = mEvents.Make(e.mTime, kModWheel, static_cast<float>(e.mData2));
            break;
        default: break;
        }
        if (out)
            mSynth->PushControllerEvent(out);
    }
}
