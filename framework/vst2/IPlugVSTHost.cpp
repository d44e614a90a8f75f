// The services the plug-in asks of the host (time, tempo, transport, host identification, editor
// size) and MIDI and SysEx out. Each is one call of the host callback, under the plug-in lock.
#include <cmath>

#include "framework/plugin/HostId.h"
#include "framework/graphics/IGraphics.h"
#include "framework/vst2/IPlugVST.h"

intptr_t IPlugVST::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return mHost ? mHost(&mRecord, opcode, index, value, ptr, opt) : 0;
}

const vst::TimeInfo* IPlugVST::HostTime(int32_t filter)
{
    return reinterpret_cast<const vst::TimeInfo*>(CallHost(vst::audioMasterGetTime, 0, filter));
}

void IPlugVST::HostBeginEdit(int index)
{
    CallHost(vst::audioMasterBeginEdit, index);
}

void IPlugVST::HostAutomate(int index, double normalized)
{
    CallHost(vst::audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::HostEndEdit(int index)
{
    CallHost(vst::audioMasterEndEdit, index);
}

void IPlugVST::HostUpdateDisplay()
{
    CallHost(vst::audioMasterUpdateDisplay);
}

bool IPlugVST::HostIsOffline()
{
    return CallHost(vst::audioMasterGetCurrentProcessLevel) == vst::kProcessLevelOffline;
}

int IPlugVST::HostSamplePosition()
{
    const vst::TimeInfo* time = HostTime(0);
    if (!time || !(time->samplePos >= 0.0) || time->samplePos >= 2147483647.0)
        return 0;
    return static_cast<int>(time->samplePos + 0.5);
}

double IPlugVST::HostTempo()
{
    const vst::TimeInfo* time = HostTime(vst::kTempoValid);
    if (!time || !(time->flags & vst::kTempoValid) || !std::isfinite(time->tempo) || time->tempo < 0.0)
        return 0.0;
    return time->tempo;
}

void IPlugVST::HostTimeSignature(int* numerator, int* denominator)
{
    *numerator = 0;
    *denominator = 0;
    const vst::TimeInfo* time = HostTime(vst::kTimeSigValid);
    if (time && (time->flags & vst::kTimeSigValid) && time->timeSigNumerator >= 0 && time->timeSigDenominator >= 0) {
        *numerator = time->timeSigNumerator;
        *denominator = time->timeSigDenominator;
    }
}

void IPlugVST::HostTransport(ITransportInfo* info)
{
    constexpr int32_t kFilter =
        vst::kPpqPosValid | vst::kTempoValid | vst::kBarsValid | vst::kCyclePosValid | vst::kTimeSigValid;
    const vst::TimeInfo* time = HostTime(kFilter);
    if (!time || !(time->flags & kFilter))
        return;
    const int32_t flags = time->flags;
    info->samplePosition = time->samplePos;
    if ((flags & vst::kTempoValid) && time->tempo > 0.0)
        info->tempo = time->tempo;
    if ((flags & vst::kPpqPosValid) && time->ppqPos >= 0.0)
        info->quarterNotePosition = time->ppqPos;
    if ((flags & vst::kBarsValid) && time->barStartPos >= 0.0)
        info->barStartPosition = time->barStartPos;
    if ((flags & vst::kCyclePosValid) && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
        info->cycleStart = time->cycleStartPos;
        info->cycleEnd = time->cycleEndPos;
    }
    if ((flags & vst::kTimeSigValid) && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
        info->numerator = time->timeSigNumerator;
        info->denominator = time->timeSigDenominator;
    }
    info->transportRunning = (flags & vst::kTransportPlaying) != 0;
    info->loopActive = (flags & vst::kTransportCycleActive) != 0;
}

void IPlugVST::HostProduct(char* product, int size, int* version)
{
    // Hosts write up to 64 characters into a buffer the base makes larger.
    CallHost(vst::audioMasterGetProductString, 0, 0, product);
    product[size - 1] = '\0';
    *version = 0;
    if (product[0]) {
        const intptr_t v = CallHost(vst::audioMasterGetVendorVersion);
        const long long decimal = v < 0 ? 0 : static_cast<long long>(v);
        *version = static_cast<int>(((decimal / 10000) << 16) | (((decimal % 10000) / 100) << 8) | (decimal % 100));
    }
}

void IPlugVST::HostStartup()
{
    if (mHostStarted)
        return;
    mHostStarted = true;
    const int host = mPlug->IdentifyHost();
    if (host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSawStudio) {
        // These hosts connect channels beyond the stereo pair differently from what they announce.
        for (int i = 2; i < mPlug->NInChannels(); ++i) {
            mPlug->InChannel(i).connected = false;
            *mPlug->InChannel(i).pointerSlot = mPlug->InChannel(i).scratch.data();
        }
        for (int i = 2; i < mPlug->NOutChannels(); ++i)
            mPlug->OutChannel(i).connected = true;
    }
    UpdateArrangements();
    mPlug->HostIdentified();
}

void IPlugVST::EditorSizeChanged()
{
    if (IGraphics* editor = mPlug->Editor()) {
        mEditorRect.top = 0;
        mEditorRect.left = 0;
        mEditorRect.bottom = static_cast<int16_t>(editor->WindowHeight());
        mEditorRect.right = static_cast<int16_t>(editor->WindowWidth());
        mPlug->EditorResized();
    }
}

void IPlugVST::EditorBound(IGraphics* editor)
{
    mRecord.flags |= vst::effFlagsHasEditor;
    mEditorRect.top = 0;
    mEditorRect.left = 0;
    mEditorRect.bottom = static_cast<int16_t>(editor->WindowHeight());
    mEditorRect.right = static_cast<int16_t>(editor->WindowWidth());
}

void IPlugVST::LatencyChanged(int frames)
{
    mRecord.initialDelay = frames;
}

bool IPlugVST::EmitMidiEvent(const IMidiEvent& event)
{
    vst::MidiEvent midi{};
    midi.type = vst::kMidiType;
    midi.byteSize = sizeof(vst::MidiEvent);
    midi.deltaFrames = event.offset + mBlocks.SubBlockStart();
    midi.midiData[0] = static_cast<char>(event.status);
    midi.midiData[1] = static_cast<char>(event.data1);
    midi.midiData[2] = static_cast<char>(event.data2);
    vst::Events list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::Event*>(&midi);
    return CallHost(vst::audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IPlugVST::EmitSysExEvent(const ISysExEvent& event)
{
    if (!event.data || event.size <= 0)
        return false;
    vst::SysExEvent sysex{};
    sysex.type = vst::kSysExType;
    sysex.byteSize = sizeof(vst::SysExEvent);
    sysex.deltaFrames = event.offset + mBlocks.SubBlockStart();
    sysex.dumpBytes = event.size;
    sysex.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(event.data));
    vst::Events list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::Event*>(&sysex);
    return CallHost(vst::audioMasterProcessEvents, 0, 0, &list) == 1;
}
