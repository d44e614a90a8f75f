#include "tools/kt4r-render/PluginHost.h"

#include <cstddef>
#include <cstring>

#include "tools/kt4r-render/SharedLibrary.h"

namespace {

// The record's user field is not set until the entry point returns; callbacks made from inside the
// plug-in's constructor find the host here.
thread_local PluginHost* gConstructingHost = nullptr;

} // namespace

PluginHost::~PluginHost()
{
    Close();
    if (mLibrary)
        shared_library::Close(mLibrary);
}

bool PluginHost::Load(const std::string& path, std::string* error)
{
    mLibrary = shared_library::Open(path, error);
    if (!mLibrary)
        return false;
    auto entry = reinterpret_cast<vst::EntryProc>(shared_library::Find(mLibrary, "VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<vst::EntryProc>(shared_library::Find(mLibrary, "main"));
    if (!entry) {
        if (error)
            *error = "no VSTPluginMain or main entry point in " + path;
        return false;
    }
    gConstructingHost = this;
    mEffect = entry(&Callback);
    gConstructingHost = nullptr;
    if (!mEffect) {
        if (error)
            *error = "the entry point answered no effect record";
        return false;
    }
    if (mEffect->magic != vst::kEffectMagic) {
        if (error)
            *error = "the effect record has the wrong magic number";
        mEffect = nullptr;
        return false;
    }
    mEffect->user = this;
    return true;
}

intptr_t PluginHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return mEffect ? mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt) : 0;
}

void PluginHost::Open(double sampleRate, int blockSize)
{
    mSampleRate = sampleRate;
    mBlockSize = blockSize;
    mTime.sampleRate = sampleRate;
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(vst::effSetBlockSize, 0, blockSize);
}

void PluginHost::Reconfigure(double sampleRate, int blockSize)
{
    Suspend();
    mSampleRate = sampleRate;
    mBlockSize = blockSize;
    mTime.sampleRate = sampleRate;
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(vst::effSetBlockSize, 0, blockSize);
    Resume();
}

void PluginHost::Close()
{
    if (!mEffect)
        return;
    Dispatch(vst::effClose);
    mEffect = nullptr;
}

std::string PluginHost::ParamName(int index)
{
    char text[256] = {};
    Dispatch(vst::effGetParamName, index, 0, text);
    return text;
}

std::string PluginHost::ParamLabel(int index)
{
    char text[256] = {};
    Dispatch(vst::effGetParamLabel, index, 0, text);
    return text;
}

std::string PluginHost::ParamDisplay(int index)
{
    char text[256] = {};
    Dispatch(vst::effGetParamDisplay, index, 0, text);
    return text;
}

void PluginHost::QueueMidi(int deltaFrames, uint8_t status, uint8_t data1, uint8_t data2)
{
    QueuedEvent event;
    event.midi.type = vst::kMidiType;
    event.midi.byteSize = sizeof(vst::MidiEvent);
    event.midi.deltaFrames = deltaFrames;
    event.midi.midiData[0] = static_cast<char>(status);
    event.midi.midiData[1] = static_cast<char>(data1);
    event.midi.midiData[2] = static_cast<char>(data2);
    mQueued.push_back(std::move(event));
}

void PluginHost::QueueSysEx(int deltaFrames, const std::vector<uint8_t>& bytes)
{
    QueuedEvent event;
    event.sysex = true;
    event.data = bytes;
    event.sysexEvent.type = vst::kSysExType;
    event.sysexEvent.byteSize = sizeof(vst::SysExEvent);
    event.sysexEvent.deltaFrames = deltaFrames;
    event.sysexEvent.dumpBytes = static_cast<int32_t>(bytes.size());
    mQueued.push_back(std::move(event));
}

intptr_t PluginHost::SendEvents()
{
    if (mQueued.empty())
        return 0;
    // The list is a count, a reserved word and as many event pointers as events.
    const size_t size = offsetof(vst::Events, events) + mQueued.size() * sizeof(vst::Event*);
    mEventList.assign(size < sizeof(vst::Events) ? sizeof(vst::Events) : size, 0);
    auto* list = reinterpret_cast<vst::Events*>(mEventList.data());
    list->numEvents = static_cast<int32_t>(mQueued.size());
    auto** pointers = reinterpret_cast<vst::Event**>(mEventList.data() + offsetof(vst::Events, events));
    for (size_t i = 0; i < mQueued.size(); ++i) {
        QueuedEvent& event = mQueued[i];
        if (event.sysex) {
            event.sysexEvent.sysexDump = reinterpret_cast<char*>(event.data.data());
            pointers[i] = reinterpret_cast<vst::Event*>(&event.sysexEvent);
        } else {
            pointers[i] = reinterpret_cast<vst::Event*>(&event.midi);
        }
    }
    const intptr_t answer = Dispatch(vst::effProcessEvents, 0, 0, list);
    mQueued.clear();
    return answer;
}

void PluginHost::ProcessFloat(float** inputs, float** outputs, int frames)
{
    mEffect->processReplacing(mEffect, inputs, outputs, frames);
}

void PluginHost::ProcessDouble(double** inputs, double** outputs, int frames)
{
    mEffect->processDoubleReplacing(mEffect, inputs, outputs, frames);
}

void PluginHost::SetTempo(double bpm)
{
    mTime.tempo = bpm;
    if (bpm > 0.0) {
        mTime.flags |= vst::kTempoValid;
    } else {
        mTime.flags &= ~vst::kTempoValid;
    }
}

void PluginHost::SetBlockStart(int64_t frame)
{
    mBlockStart = frame;
    mTime.samplePos = static_cast<double>(frame);
    if (mTime.tempo > 0.0 && mSampleRate > 0.0) {
        mTime.ppqPos = static_cast<double>(frame) / mSampleRate * mTime.tempo / 60.0;
        mTime.flags |= vst::kPpqPosValid;
    }
}

std::vector<PluginHost::EditCall> PluginHost::TakeEditCalls()
{
    std::lock_guard<std::mutex> lock(mSentLock);
    std::vector<EditCall> calls = mEditCalls;
    mEditCalls.clear();
    return calls;
}

std::vector<PluginHost::SentEvent> PluginHost::TakeSentEvents()
{
    std::lock_guard<std::mutex> lock(mSentLock);
    std::vector<SentEvent> sent;
    sent.swap(mSent);
    return sent;
}

intptr_t PluginHost::Callback(vst::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float opt)
{
    PluginHost* host = effect ? static_cast<PluginHost*>(effect->user) : nullptr;
    if (!host)
        host = gConstructingHost;
    if (!host)
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    return host->Answer(opcode, index, value, ptr, opt);
}

intptr_t PluginHost::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
    case vst::audioMasterAutomate:
    case vst::audioMasterBeginEdit:
    case vst::audioMasterEndEdit: {
        if (opcode == vst::audioMasterAutomate)
            mAutomateCalls.fetch_add(1, std::memory_order_relaxed);
        if (!mRecordingEdits.load(std::memory_order_acquire))
            return 0;
        std::lock_guard<std::mutex> lock(mSentLock);
        // The room is made once, in advance: the callback may come from the plug-in's audio thread,
        // where the host allocates nothing.
        if (mEditCalls.capacity() == 0)
            return 0;
        if (mEditCalls.size() < mEditCalls.capacity())
            mEditCalls.push_back({opcode, index, opt});
        return 0;
    }
    case vst::audioMasterVersion: return 2400;
    case vst::audioMasterWantMidi: ++mWantMidiCalls; return 1;
    case vst::audioMasterGetTime: return answerTimeInfo ? reinterpret_cast<intptr_t>(&mTime) : 0;
    case vst::audioMasterProcessEvents: {
        const auto* list = static_cast<const vst::Events*>(ptr);
        if (!list)
            return 0;
        if (mSink) {
            mSink(mSinkContext, list);
            return 1;
        }
        if (!recordSentEvents)
            return 1;
        std::lock_guard<std::mutex> lock(mSentLock);
        vst::Event* const* events = &list->events[0]; // numEvents entries, past the two declared
        for (int32_t i = 0; i < list->numEvents; ++i) {
            const vst::Event* event = events[i];
            if (!event)
                continue;
            SentEvent sent;
            sent.frame = mBlockStart + event->deltaFrames;
            if (event->type == vst::kMidiType) {
                const auto* midi = reinterpret_cast<const vst::MidiEvent*>(event);
                sent.bytes = {static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                              static_cast<uint8_t>(midi->midiData[2])};
            } else if (event->type == vst::kSysExType) {
                const auto* sysex = reinterpret_cast<const vst::SysExEvent*>(event);
                sent.sysex = true;
                if (sysex->sysexDump && sysex->dumpBytes > 0) {
                    const auto* bytes = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
                    sent.bytes.assign(bytes, bytes + sysex->dumpBytes);
                }
            } else {
                continue;
            }
            mSent.push_back(std::move(sent));
        }
        return 1;
    }
    case vst::audioMasterGetSampleRate: return static_cast<intptr_t>(mSampleRate);
    case vst::audioMasterGetBlockSize: return mBlockSize;
    case vst::audioMasterGetCurrentProcessLevel: return processLevel;
    case vst::audioMasterGetVendorString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), "KT-4R project");
        return 1;
    case vst::audioMasterGetProductString:
        if (ptr) {
            std::strncpy(static_cast<char*>(ptr), productString.c_str(), 63);
            static_cast<char*>(ptr)[63] = '\0';
        }
        return 1;
    case vst::audioMasterGetVendorVersion: return vendorVersion;
    case vst::audioMasterCanDo: return 0;
    default: return 0;
    }
}
