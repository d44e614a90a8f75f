// The atom ports: MIDI, SysEx and the host's time position in; MIDI and SysEx out. Host audio thread
// under the plug-in lock (events the plug-in sends outside a run: the thread sending them, under the
// lock); nothing here allocates.
#include <algorithm>
#include <cstring>

#include <lv2/atom/util.h>

#include "framework/lv2/IPlugLV2.h"

namespace {

double NumberOf(const LV2_Atom* atom, LV2_URID f, LV2_URID d, LV2_URID i, LV2_URID l, double otherwise)
{
    if (!atom)
        return otherwise;
    if (atom->type == f && atom->size >= sizeof(float))
        return reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    if (atom->type == d && atom->size >= sizeof(double))
        return reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    if (atom->type == i && atom->size >= sizeof(int32_t))
        return reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    if (atom->type == l && atom->size >= sizeof(int64_t))
        return static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    return otherwise;
}

} // namespace

void IPlugLV2::ReadEventsIn()
{
    if (!mEventsIn || mEventsIn->atom.type != mUris.atomSequence)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(mEventsIn, ev)
    {
        const int offset = static_cast<int>(std::clamp<int64_t>(ev->time.frames, 0, INT32_MAX));
        const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
        const uint32_t size = ev->body.size;
        if (ev->body.type == mUris.midiEvent && size > 0) {
            if (bytes[0] == 0xF0) {
                // As with every format: a SysEx message is handled when it arrives, its bytes valid
                // only for the call.
                ISysExEvent sysex;
                sysex.offset = offset;
                sysex.size = static_cast<int>(std::min<uint32_t>(size, INT32_MAX));
                sysex.data = bytes;
                mPlug->HandleSysExEvent(sysex);
            } else if (size <= 3) {
                IMidiEvent message;
                message.offset = offset;
                message.status = bytes[0];
                message.data1 = size > 1 ? bytes[1] : 0;
                message.data2 = size > 2 ? bytes[2] : 0;
                mBlocks.Add(message);
            }
        } else if (ev->body.type == mUris.atomObject || ev->body.type == mUris.atomBlank) {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
            if (object->body.otype == mUris.timePosition)
                ReadTime(object);
        }
    }
}

void IPlugLV2::ReadTime(const LV2_Atom_Object* position)
{
    const LV2_Atom* frame = nullptr;
    const LV2_Atom* speed = nullptr;
    const LV2_Atom* bpm = nullptr;
    const LV2_Atom* bar = nullptr;
    const LV2_Atom* barBeat = nullptr;
    const LV2_Atom* beatsPerBar = nullptr;
    const LV2_Atom* beatUnit = nullptr;
    lv2_atom_object_get(position, mUris.timeFrame, &frame, mUris.timeSpeed, &speed, mUris.timeBpm, &bpm, mUris.timeBar,
                        &bar, mUris.timeBarBeat, &barBeat, mUris.timeBeatsPerBar, &beatsPerBar, mUris.timeBeatUnit,
                        &beatUnit, 0);
    const auto number = [this](const LV2_Atom* atom, double otherwise) {
        return NumberOf(atom, mUris.atomFloat, mUris.atomDouble, mUris.atomInt, mUris.atomLong, otherwise);
    };
    mTransportKnown = true;
    const double tempo = number(bpm, mTransport.tempo);
    if (tempo > 0.0 && tempo < 100000.0)
        mTransport.tempo = tempo;
    const double at = number(frame, mTransport.samplePosition);
    if (at >= 0.0)
        mTransport.samplePosition = at;
    mTransport.transportRunning = number(speed, mTransport.transportRunning ? 1.0 : 0.0) != 0.0;
    const double perBar = number(beatsPerBar, mTransport.numerator);
    const double unit = number(beatUnit, mTransport.denominator);
    if (perBar >= 1.0 && perBar < 1000.0 && unit >= 1.0 && unit < 1000.0) {
        mTransport.numerator = static_cast<int32_t>(perBar);
        mTransport.denominator = static_cast<int32_t>(unit);
    }
    const double barNumber = number(bar, -1.0);
    const double beat = number(barBeat, -1.0);
    if (barNumber >= 0.0 && beat >= 0.0 && mTransport.numerator > 0 && mTransport.denominator > 0) {
        // Quarter notes: a beat of unit 8 is half a quarter.
        const double quarterPerBeat = 4.0 / mTransport.denominator;
        mTransport.barStartPosition = barNumber * mTransport.numerator * quarterPerBeat;
        mTransport.quarterNotePosition = mTransport.barStartPosition + beat * quarterPerBeat;
    }
}

int IPlugLV2::HostSamplePosition()
{
    const double at = mTransport.samplePosition;
    return at >= 0.0 && at < 2147483647.0 ? static_cast<int>(at + 0.5) : 0;
}

double IPlugLV2::HostTempo()
{
    return mTransportKnown ? mTransport.tempo : 0.0;
}

void IPlugLV2::HostTimeSignature(int* numerator, int* denominator)
{
    *numerator = mTransportKnown ? mTransport.numerator : 0;
    *denominator = mTransportKnown ? mTransport.denominator : 0;
}

void IPlugLV2::HostTransport(ITransportInfo* info)
{
    if (!mTransportKnown)
        return;
    info->samplePosition = mTransport.samplePosition;
    if (mTransport.tempo > 0.0)
        info->tempo = mTransport.tempo;
    info->quarterNotePosition = mTransport.quarterNotePosition;
    info->barStartPosition = mTransport.barStartPosition;
    if (mTransport.numerator > 0 && mTransport.denominator > 0) {
        info->numerator = mTransport.numerator;
        info->denominator = mTransport.denominator;
    }
    info->transportRunning = mTransport.transportRunning;
}

void IPlugLV2::HostProduct(char* product, int size, int* version)
{
    // LV2 hosts do not name themselves to a plug-in.
    if (size > 0)
        product[0] = '\0';
    *version = 0;
}

void IPlugLV2::HostStartup()
{
    mPlug->IdentifyHost();
    mPlug->HostIdentified();
}

void IPlugLV2::BeginEventsOut()
{
    mOutOpen = false;
    mLastOutFrame = 0;
    if (!mEventsOut)
        return;
    // The host tells the room in the output sequence's size; the sequence is written over it.
    const uint32_t room = mEventsOut->atom.size;
    lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(mEventsOut), room);
    mOutOpen = lv2_atom_forge_sequence_head(&mForge, &mOutFrame, 0) != 0;
    if (!mOutOpen) {
        // Too small even for an empty sequence: an empty one in what there is.
        mEventsOut->atom.type = mUris.atomSequence;
        mEventsOut->atom.size = 0;
    }
}

bool IPlugLV2::WriteEventOut(int64_t frame, const uint8_t* bytes, uint32_t size)
{
    if (!mOutOpen)
        return false;
    // A sequence's times never go back: a SysEx answer sent while the block's events are read comes
    // before everything the rendering sends.
    frame = std::max(frame, mLastOutFrame);
    mLastOutFrame = frame;
    if (!lv2_atom_forge_frame_time(&mForge, frame))
        return false;
    if (!lv2_atom_forge_atom(&mForge, size, mUris.midiEvent))
        return false;
    return lv2_atom_forge_write(&mForge, bytes, size) != 0;
}

namespace {

// Appends one {size, bytes} record when it fits.
bool Stash(std::vector<uint8_t>& pending, size_t& used, const uint8_t* bytes, uint32_t size)
{
    if (used + sizeof size + size > pending.size())
        return false;
    std::memcpy(pending.data() + used, &size, sizeof size);
    std::memcpy(pending.data() + used + sizeof size, bytes, size);
    used += sizeof size + size;
    return true;
}

} // namespace

void IPlugLV2::FlushPending()
{
    size_t at = 0;
    while (at < mPendingUsed) {
        uint32_t size = 0;
        std::memcpy(&size, mPending.data() + at, sizeof size);
        WriteEventOut(0, mPending.data() + at + sizeof size, size);
        at += sizeof size + size;
    }
    mPendingUsed = 0;
}

bool IPlugLV2::EmitMidiEvent(const IMidiEvent& event)
{
    const uint8_t bytes[3] = {event.status, event.data1, event.data2};
    // Messages of one or two bytes go out at their length.
    const uint8_t status = event.status;
    uint32_t size = 3;
    if ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 || status == 0xF1 || status == 0xF3)
        size = 2;
    else if (status >= 0xF4)
        size = 1;
    if (!mInRun)
        return Stash(mPending, mPendingUsed, bytes, size);
    return WriteEventOut(static_cast<int64_t>(mBlocks.SubBlockStart()) + std::max(0, event.offset), bytes, size);
}

bool IPlugLV2::EmitSysExEvent(const ISysExEvent& event)
{
    if (!event.data || event.size <= 0)
        return false;
    const auto size = static_cast<uint32_t>(event.size);
    if (!mInRun)
        return Stash(mPending, mPendingUsed, event.data, size);
    return WriteEventOut(static_cast<int64_t>(mBlocks.SubBlockStart()) + std::max(0, event.offset), event.data, size);
}
