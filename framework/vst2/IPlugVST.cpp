// The effect record, construction, and the entries through which the host calls the plug-in.
#include "framework/vst2/IPlugVST.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "framework/vst2/HostEntry.h"
#include "framework/graphics/IGraphics.h"

namespace {

std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
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
    mRecord.numPrograms = 1; // the plug-in's own count once it is built (Instantiate)
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

vst::EffectRecord* IPlugVST::Instantiate(vst::HostCallback host, Factory factory) noexcept
{
    IPlugVST* plug = nullptr;
    try {
        std::lock_guard<std::mutex> lock(CreationLock());
        plug = factory(host);
        if (!plug)
            return nullptr;
        plug->mRecord.numPrograms = std::max(1, plug->ProgramCount());
        return &plug->mRecord;
    } catch (...) {
        delete plug;
        return nullptr;
    }
}

// ---- The record's entries ----

intptr_t IPlugVST::DispatcherEntry(vst::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                   float opt) noexcept
{
    if (opcode == vst::effClose)
        return CloseEntry(effect);
    // The plain idle call comes many times a second and touches nothing; it skips the lock so a long
    // render never stalls the host's interface.
    if (opcode == vst::effIdle)
        return 0;
    // The editor's idle call runs the editor window's events and redraws, as a window's own message
    // loop would: without the plug-in lock, which every editor action that changes plug-in state takes
    // itself. Held here, a pop-up menu or dialog left open would stop the audio thread until it closed.
    if (opcode == vst::effEditIdle)
        return EditorIdleEntry(effect);
    return EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { return plug.Dispatch(opcode, index, value, ptr, opt); },
        [] { return intptr_t(0); });
}

intptr_t IPlugVST::EditorIdleEntry(vst::EffectRecord* effect) noexcept
{
    try {
        auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
        if (IGraphics* editor = plug ? plug->Editor() : nullptr)
            editor->Idle();
    } catch (...) {
    }
    return 0;
}

intptr_t IPlugVST::CloseEntry(vst::EffectRecord* effect) noexcept
{
    try {
        auto* plug = effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
        if (!plug)
            return 0;
        // Waits for a call in progress on another thread; the lock is released before the object (and
        // the lock with it) is destroyed.
        {
            LockGuard lock(plug->Mutex());
        }
        delete plug;
    } catch (...) {
    }
    return 0;
}

void IPlugVST::ProcessEntry(vst::EffectRecord* effect, float** inputs, float** outputs, int32_t frames) noexcept
{
    // Accumulating: on failure the host's outputs keep what they held, which is defined.
    EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { plug.ProcessFloat(inputs, outputs, frames, true); }, [] {});
}

void IPlugVST::ProcessReplacingEntry(vst::EffectRecord* effect, float** inputs, float** outputs,
                                     int32_t frames) noexcept
{
    EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { plug.ProcessFloat(inputs, outputs, frames, false); },
        [&] { SilenceOutputs(effect, outputs, frames); });
}

void IPlugVST::ProcessDoubleEntry(vst::EffectRecord* effect, double** inputs, double** outputs, int32_t frames) noexcept
{
    EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { plug.ProcessDouble(inputs, outputs, frames); },
        [&] { SilenceOutputs(effect, outputs, frames); });
}

void IPlugVST::SetParameterEntry(vst::EffectRecord* effect, int32_t index, float value) noexcept
{
    EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { plug.SetParameterFromHost(index, value); }, [] {});
}

float IPlugVST::GetParameterEntry(vst::EffectRecord* effect, int32_t index) noexcept
{
    return EnterPlugin<IPlugVST>(
        effect, [&](IPlugVST& plug) { return plug.GetParameterForHost(index); }, [] { return 0.0f; });
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
