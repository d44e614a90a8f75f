#include "framework/IPlugVST.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "framework/HostId.h"
#include "framework/IGraphics.h"

namespace {

constexpr intptr_t kVendorAnswer = 0xBEEF;
constexpr intptr_t kExtensionAnswer = static_cast<intptr_t>(0xBEEF0000);
constexpr intptr_t kIdentifyAnswer = 0x4E764566; // "NvEf"
constexpr intptr_t kVstVersion = 2400;

std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

int ArrangementType(int channels)
{
    switch (channels) {
    case 0: return vst::kSpeakerArrEmpty;
    case 1: return vst::kSpeakerArrMono;
    case 2: return vst::kSpeakerArrStereo;
    default: return vst::kSpeakerArrUserDefined;
    }
}

// Reads a whole decimal number; false for an empty, partly numeric or non-finite text.
bool ParseNumber(const char* text, double* value)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

} // namespace

IPlugVST::IPlugVST(const IPlugInfo& info, vst::HostCallback host) : IPlugBase(info), mHost(host)
{
    mRecord.magic = vst::kEffectMagic;
    mRecord.dispatcher = &DispatcherEntry;
    mRecord.process = &ProcessEntry;
    mRecord.setParameter = &SetParameterEntry;
    mRecord.getParameter = &GetParameterEntry;
    mRecord.processReplacing = &ProcessReplacingEntry;
    mRecord.processDoubleReplacing = &ProcessDoubleEntry;
    mRecord.numPrograms = std::max(1, NPrograms());
    mRecord.numParams = NParams();
    int maxIn = 0;
    int maxOut = 0;
    bool canMono = false;
    for (const auto& [inputs, outputs] : ChannelPairings()) {
        maxIn = std::max(maxIn, inputs);
        maxOut = std::max(maxOut, outputs);
        canMono = canMono || inputs == 1;
    }
    mRecord.numInputs = maxIn;
    mRecord.numOutputs = maxOut;
    mRecord.flags = vst::effFlagsCanReplacing | vst::effFlagsCanDoubleReplacing;
    if (KeepsStateChunks())
        mRecord.flags |= vst::effFlagsProgramChunks;
    if (canMono)
        mRecord.flags |= vst::effFlagsCanMono;
    if (IsInstrument())
        mRecord.flags |= vst::effFlagsIsSynth;
    mRecord.initialDelay = Latency();
    mRecord.ioRatio = 1.0f;
    mRecord.object = this;
    mRecord.uniqueID = UniqueId();
    const int32_t version = Version();
    mRecord.version = ((version >> 16) & 0xFFFF) * 10000 + ((version >> 8) & 0xFF) * 100 + (version & 0xFF);

    SetMaxBlockSize(kInitialBlockSize);
    for (int i = 0; i < NInChannels(); ++i)
        InChannel(i).connected = true;
    for (int i = 0; i < NOutChannels(); ++i)
        OutChannel(i).connected = true;
    UpdateArrangements();
}

IPlugVST::~IPlugVST()
{
    mRecord.object = nullptr;
}

vst::EffectRecord* IPlugVST::Instantiate(vst::HostCallback host, Factory factory)
{
    std::lock_guard<std::mutex> lock(CreationLock());
    IPlugVST* plug = nullptr;
    try {
        plug = factory(host);
    } catch (...) {
        return nullptr;
    }
    if (!plug)
        return nullptr;
    plug->MakeDefaultPrograms("Empty", plug->NPrograms());
    plug->mRecord.numPrograms = std::max(1, plug->NPrograms());
    return &plug->mRecord;
}

// ---- Record entry points: each finds the plug-in through the record and holds its lock. ----

intptr_t IPlugVST::DispatcherEntry(vst::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return 0;
    // Idle calls come many times a second from the UI thread and touch nothing; they skip the lock so
    // a long render never stalls the host's interface.
    if (opcode == vst::effEditIdle || opcode == vst::effIdle)
        return 0;
    if (opcode == vst::effClose) {
        // The lock is released before the object (and the lock with it) is destroyed.
        {
            LockGuard lock(plug->Mutex());
        }
        delete plug;
        return 0;
    }
    LockGuard lock(plug->Mutex());
    try {
        return plug->Dispatch(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void IPlugVST::ProcessEntry(vst::EffectRecord* effect, float** inputs, float** outputs, int32_t frames)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return;
    LockGuard lock(plug->Mutex());
    plug->ProcessFloat(inputs, outputs, frames, true);
}

void IPlugVST::ProcessReplacingEntry(vst::EffectRecord* effect, float** inputs, float** outputs, int32_t frames)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return;
    LockGuard lock(plug->Mutex());
    plug->ProcessFloat(inputs, outputs, frames, false);
}

void IPlugVST::ProcessDoubleEntry(vst::EffectRecord* effect, double** inputs, double** outputs, int32_t frames)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return;
    LockGuard lock(plug->Mutex());
    plug->ProcessDouble(inputs, outputs, frames);
}

void IPlugVST::SetParameterEntry(vst::EffectRecord* effect, int32_t index, float value)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return;
    LockGuard lock(plug->Mutex());
    plug->SetParameterFromHost(index, value);
}

float IPlugVST::GetParameterEntry(vst::EffectRecord* effect, int32_t index)
{
    auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
    if (!plug)
        return 0.0f;
    LockGuard lock(plug->Mutex());
    return plug->GetParameterForHost(index);
}

// ---- Parameters ----

void IPlugVST::SetParameterFromHost(int index, float value)
{
    IParameter* param = GetParam(index);
    if (!param)
        return;
    // Hosts send values outside 0..1 and occasionally NaN: clamp, and let NaN keep the current value.
    double normalized = value;
    if (std::isnan(normalized))
        normalized = param->ToNormalized();
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (IGraphics* editor = Editor())
        editor->PushParamToControls(index, normalized, true);
    param->SetFromNormalized(normalized);
    ParameterChanged(index, 0);
}

float IPlugVST::GetParameterForHost(int index)
{
    const IParameter* param = GetParam(index);
    return param ? static_cast<float>(param->ToNormalized()) : 0.0f;
}

// ---- Processing ----

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

// Both process entries: host samples are copied into the channels' double scratch buffers, rendered,
// and copied (or added) back; the engine sees the same doubles whatever the host's sample type.
template <typename Sample>
void IPlugVST::ProcessBlocks(Sample** inputs, Sample** outputs, int frames, bool accumulate)
{
    if (frames <= 0)
        return;
    const int maxBlock = MaxBlockSize();
    if (maxBlock <= 0) {
        // No block size announced: nothing can be rendered; a replacing call still owes defined output.
        if (!accumulate && outputs) {
            int hostOut = 0;
            for (int i = 0; i < NOutChannels(); ++i) {
                if (!OutChannel(i).connected)
                    continue;
                if (Sample* out = outputs[hostOut++])
                    std::fill(out, out + frames, Sample(0));
            }
        }
        return;
    }
    // A block longer than the announced maximum would overrun every buffer: render it in sub-blocks.
    for (int done = 0; done < frames; done += maxBlock) {
        const int n = std::min(maxBlock, frames - done);
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
                    scratch[k] = in[done + k];
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
            destinations[static_cast<size_t>(i)] = out ? out + done : nullptr;
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
}

// ---- Dispatcher ----

intptr_t IPlugVST::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (opcode < 0 || opcode > vst::effLastKnownOpcode)
        return 0;
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effOpen:
        HostStartup();
        NotifyAllParamsChanged();
        return 0;
    case vst::effSetProgram:
        if (!KeepsStateChunks())
            StoreCurrentProgram();
        RestoreProgram(static_cast<int>(value));
        return 0;
    case vst::effGetProgram: return CurrentProgramIndex();
    case vst::effSetProgramName:
        if (text) {
            StoreCurrentProgram(text);
            ProgramChanged();
        }
        return 0;
    case vst::effGetProgramName:
        CopyText(text, ProgramName(CurrentProgramIndex()).c_str(), vst::kMaxProgNameLen);
        return 0;
    case vst::effGetParamLabel:
        if (const IParameter* param = GetParam(index))
            CopyText(text, param->LabelForDisplay(), vst::kParamTextCopyLen);
        return 0;
    case vst::effGetParamDisplay:
        if (const IParameter* param = GetParam(index)) {
            if (text)
                param->FormatValue(param->Value(), false, true, text, vst::kParamTextCopyLen);
        }
        return 0;
    case vst::effGetParamName:
        if (const IParameter* param = GetParam(index))
            CopyText(text, param->Name(), vst::kParamTextCopyLen);
        return 0;
    case vst::effSetSampleRate:
        // A rate that is not a positive finite number would poison every coefficient: keep the old one.
        if (std::isfinite(opt) && opt > 0.0f)
            StoreSampleRate(static_cast<double>(opt));
        ResetProcessing();
        return 0;
    case vst::effSetBlockSize: {
        const intptr_t frames = std::clamp<intptr_t>(value, 0, kMaxSupportedBlockSize);
        SetMaxBlockSize(static_cast<int>(frames));
        ResetProcessing();
        return 0;
    }
    case vst::effMainsChanged:
        if (value != 0) {
            SetActive(true);
        } else {
            SetActive(false);
            ResetProcessing();
        }
        return 0;
    case vst::effEditGetRect:
        if (ptr && Editor()) {
            *static_cast<vst::Rect**>(ptr) = &mEditorRect;
            return 1;
        }
        return 0;
    case vst::effEditOpen:
        if (IGraphics* editor = Editor()) {
            if (editor->OpenWindow(ptr)) {
                EditorOpened();
                return 1;
            }
        }
        return 0;
    case vst::effEditClose:
        if (IGraphics* editor = Editor()) {
            EditorClosed();
            editor->CloseWindow();
            return 1;
        }
        return 0;
    case vst::effIdentify: return kIdentifyAnswer;
    case vst::effGetChunk: return GetChunk(index, ptr);
    case vst::effSetChunk: return SetChunk(index, value, ptr);
    case vst::effProcessEvents: return ProcessEvents(static_cast<const vst::Events*>(ptr));
    case vst::effCanBeAutomated: return 1;
    case vst::effString2Parameter: return StringToParameter(index, text);
    case vst::effGetProgramNameIndexed: {
        const std::string name = ProgramName(index);
        CopyText(text, name.c_str(), vst::kMaxProgNameLen);
        return name.empty() ? 0 : 1;
    }
    case vst::effGetInputProperties: return ChannelProperties(true, index, static_cast<vst::PinProperties*>(ptr));
    case vst::effGetOutputProperties: return ChannelProperties(false, index, static_cast<vst::PinProperties*>(ptr));
    case vst::effGetPlugCategory: return IsInstrument() ? vst::kPlugCategSynth : vst::kPlugCategEffect;
    case vst::effProcessVarIo: return 0;
    case vst::effSetSpeakerArrangement:
        SetSpeakerArrangement(reinterpret_cast<const vst::SpeakerArrangement*>(value),
                              static_cast<const vst::SpeakerArrangement*>(ptr));
        return 1;
    case vst::effGetEffectName:
        if (!text)
            return 0;
        CopyText(text, EffectName(), vst::kMaxEffectNameLen);
        return 1;
    case vst::effGetVendorString:
        if (!text)
            return 0;
        CopyText(text, VendorName(), vst::kMaxVendorStrLen);
        return 1;
    case vst::effGetProductString:
        if (!text)
            return 0;
        CopyText(text, ProductName(), vst::kMaxProductStrLen);
        return 1;
    case vst::effVendorSpecific: return VendorSpecific(index, value, text, opt);
    case vst::effCanDo: return CanDo(text);
    case vst::effGetVstVersion: return kVstVersion;
    case vst::effGetMidiKeyName: {
        auto* key = static_cast<vst::MidiKeyName*>(ptr);
        if (!key)
            return 0;
        key->keyName[0] = '\0';
        return QueryMidiNoteName(key->thisKeyNumber, key->keyName) ? 1 : 0;
    }
    case vst::effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<vst::SpeakerArrangement**>(value) = &mInputArrangement;
        if (ptr)
            *static_cast<vst::SpeakerArrangement**>(ptr) = &mOutputArrangement;
        return 1;
    default: return 0;
    }
}

intptr_t IPlugVST::GetChunk(int32_t index, void* ptr)
{
    const bool program = index != 0;
    IStateChunk& chunk = program ? mProgramChunk : mBankChunk;
    WriteChunkHeader(&chunk);
    bool ok;
    if (program) {
        ok = WriteState(&chunk);
    } else {
        StoreCurrentProgram();
        ok = WriteBank(&chunk);
    }
    if (!ok || chunk.Size() == 0 || !ptr)
        return 0;
    *static_cast<void**>(ptr) = chunk.Data();
    return chunk.Size();
}

intptr_t IPlugVST::SetChunk(int32_t index, intptr_t size, const void* ptr)
{
    if (size < 0 || size > INT32_MAX || (size > 0 && !ptr))
        return 0;
    const bool program = index != 0;
    IStateChunk& chunk = program ? mProgramChunk : mBankChunk;
    chunk.Resize(static_cast<int>(size));
    if (size > 0)
        std::memcpy(chunk.Data(), ptr, static_cast<size_t>(size));
    int pos = 0;
    const int32_t version = ReadChunkHeader(chunk, &pos);
    if (!program && version >= kStateChunkVersion) {
        pos = ReadBank(chunk, pos);
    } else {
        pos = ReadState(chunk, pos);
        StoreCurrentProgram();
    }
    if (pos < 0)
        return 0;
    SyncEditorToParams();
    return 1;
}

intptr_t IPlugVST::ProcessEvents(const vst::Events* events)
{
    if (!events)
        return 0;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst::Event* event = events->events[i];
        if (!event)
            continue;
        if (event->type == vst::kMidiType) {
            const auto* midi = reinterpret_cast<const vst::MidiEvent*>(event);
            IMidiEvent message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            HandleMidiEvent(message);
        } else if (event->type == vst::kSysExType) {
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

intptr_t IPlugVST::StringToParameter(int32_t index, const char* text)
{
    IParameter* param = GetParam(index);
    if (!param)
        return 0;
    if (!text)
        return 1;
    double value = 0.0;
    if (param->DisplayTextCount() > 0) {
        if (!param->MapDisplayText(text, &value))
            return 0;
    } else {
        if (!ParseNumber(text, &value))
            return 0;
        if (param->NegateDisplay())
            value = -value;
    }
    if (IGraphics* editor = Editor())
        editor->PushParamToControls(index, value, false);
    param->SetPlain(value);
    ParameterChanged(index, 0);
    return 1;
}

intptr_t IPlugVST::ChannelProperties(bool input, int32_t index, vst::PinProperties* props)
{
    const int count = input ? NInChannels() : NOutChannels();
    if (!props || index < 0 || index >= count)
        return 0;
    props->flags = vst::kPinIsActive;
    if (index % 2 == 0 && index < count - 1)
        props->flags |= vst::kPinIsStereo;
    const IAudioChannel& channel = input ? InChannel(index) : OutChannel(index);
    std::memset(props->label, 0, sizeof props->label);
    if (!channel.label.empty()) {
        CopyText(props->label, channel.label.c_str(), sizeof props->label);
    } else {
        std::snprintf(props->label, sizeof props->label, input ? "Input %d" : "Output %d", index + 1);
    }
    return 1;
}

intptr_t IPlugVST::VendorSpecific(int32_t subCode, intptr_t paramIndex, char* text, float opt)
{
    const bool validIndex = paramIndex >= 0 && paramIndex < NParams();
    const IParameter* param = validIndex ? GetParam(static_cast<int>(paramIndex)) : nullptr;
    switch (subCode) {
    case 7: // value text for a normalised value
        if (!text)
            return 0;
        if (param)
            param->FormatValue(static_cast<double>(opt), true, true, text, vst::kParamTextCopyLen);
        return kVendorAnswer;
    case 27: { // plain text to normalised text
        if (!text || !param)
            return 0;
        double value = 0.0;
        if (!ParseNumber(text, &value))
            value = 0.0;
        std::snprintf(text, vst::kParamTextCopyLen, "%f", param->ToNormalized(value));
        return kVendorAnswer;
    }
    case 8: // answers whether the parameter is stepped
        if (!param)
            return 0;
        return param->GetType() == IParameter::kTypeDouble ? 0 : kVendorAnswer;
    default: return 0;
    }
}

intptr_t IPlugVST::CanDo(const char* text)
{
    if (!text)
        return 0;
    if (std::strcmp(text, "receiveVstTimeInfo") == 0)
        return 1;
    if (TakesMidi()) {
        static const char* const kMidiCanDos[] = {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents",
                                                  "receiveVstMidiEvent"};
        for (const char* canDo : kMidiCanDos) {
            if (std::strcmp(text, canDo) == 0)
                return 1;
        }
    }
    if (std::strcmp(text, "hasCockosExtensions") == 0) {
        mHostExtensions |= 1;
        return kExtensionAnswer;
    }
    if (std::strcmp(text, "hasCockosViewAsConfig") == 0) {
        mHostExtensions |= 2;
        return kExtensionAnswer;
    }
    return 0;
}

void IPlugVST::SetSpeakerArrangement(const vst::SpeakerArrangement* in, const vst::SpeakerArrangement* out)
{
    if (in) {
        const int n = std::max(0, in->numChannels);
        for (int i = 0; i < NInChannels(); ++i) {
            IAudioChannel& channel = InChannel(i);
            channel.connected = i < n;
            if (!channel.connected)
                *channel.pointerSlot = channel.scratch.data();
        }
    }
    if (out) {
        const int n = std::max(0, out->numChannels);
        for (int i = 0; i < NOutChannels(); ++i) {
            IAudioChannel& channel = OutChannel(i);
            channel.connected = i < n;
            if (!channel.connected)
                *channel.pointerSlot = channel.scratch.data();
        }
    }
}

void IPlugVST::UpdateArrangements()
{
    mRecord.numInputs = NInChannels();
    mRecord.numOutputs = NOutChannels();
    mInputArrangement = vst::SpeakerArrangement{};
    mOutputArrangement = vst::SpeakerArrangement{};
    mInputArrangement.type = ArrangementType(NInChannels());
    mInputArrangement.numChannels = NInChannels();
    mOutputArrangement.type = ArrangementType(NOutChannels());
    mOutputArrangement.numChannels = NOutChannels();
}

// ---- Host services ----

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

int IPlugVST::IdentifyHost()
{
    if (StoredHostId() != kHostUnknown)
        return StoredHostId();
    // Hosts write up to 64 characters; the buffer is larger so a careless host cannot overrun it.
    char product[256] = {};
    CallHost(vst::audioMasterGetProductString, 0, 0, product);
    product[sizeof product - 1] = '\0';
    int version = 0;
    if (product[0]) {
        const intptr_t v = CallHost(vst::audioMasterGetVendorVersion);
        const long long decimal = v < 0 ? 0 : static_cast<long long>(v);
        version = static_cast<int>(((decimal / 10000) << 16) | (((decimal % 10000) / 100) << 8) | (decimal % 100));
    }
    const int id = LookUpHostId(product);
    SetHostIdentity(id, version);
    return id;
}

void IPlugVST::HostStartup()
{
    if (mHostStarted)
        return;
    mHostStarted = true;
    const int host = IdentifyHost();
    if (host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSawStudio) {
        // These hosts connect channels beyond the stereo pair differently from what they announce.
        for (int i = 2; i < NInChannels(); ++i) {
            InChannel(i).connected = false;
            *InChannel(i).pointerSlot = InChannel(i).scratch.data();
        }
        for (int i = 2; i < NOutChannels(); ++i)
            OutChannel(i).connected = true;
    }
    UpdateArrangements();
    HostIdentified();
}

void IPlugVST::EditorSizeChanged()
{
    if (IGraphics* editor = Editor()) {
        mEditorRect.top = 0;
        mEditorRect.left = 0;
        mEditorRect.bottom = static_cast<int16_t>(editor->Height());
        mEditorRect.right = static_cast<int16_t>(editor->Width());
        EditorResized();
    }
}

void IPlugVST::BindEditor(IGraphics* editor)
{
    if (!editor)
        return;
    LockGuard lock(Mutex());
    IPlugBase::BindEditor(editor);
    mRecord.flags |= vst::effFlagsHasEditor;
    mEditorRect.top = 0;
    mEditorRect.left = 0;
    mEditorRect.bottom = static_cast<int16_t>(editor->Height());
    mEditorRect.right = static_cast<int16_t>(editor->Width());
}

void IPlugVST::SetProcessingLatency(int frames)
{
    IPlugBase::SetProcessingLatency(frames);
    mRecord.initialDelay = frames;
}

bool IPlugVST::EmitMidiEvent(const IMidiEvent& event)
{
    vst::MidiEvent midi{};
    midi.type = vst::kMidiType;
    midi.byteSize = sizeof(vst::MidiEvent);
    midi.deltaFrames = event.offset;
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
    sysex.deltaFrames = event.offset;
    sysex.dumpBytes = event.size;
    sysex.sysexDump = reinterpret_cast<char*>(const_cast<uint8_t*>(event.data));
    vst::Events list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<vst::Event*>(&sysex);
    return CallHost(vst::audioMasterProcessEvents, 0, 0, &list) == 1;
}
