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

IPlugVST::IPlugVST(IPlugBase* plug, vst::HostCallback host) : mPlug(plug), mHost(host)
{
    mRecord.magic = vst::kEffectMagic;
    mRecord.dispatcher = &DispatcherEntry;
    mRecord.process = &ProcessEntry;
    mRecord.setParameter = &SetParameterEntry;
    mRecord.getParameter = &GetParameterEntry;
    mRecord.processReplacing = &ProcessReplacingEntry;
    mRecord.processDoubleReplacing = &ProcessDoubleEntry;
    mRecord.numPrograms = 1; // the plug-in's own count once it is built (Instantiate)
    mRecord.numParams = mPlug->NParams();
    int maxIn = 0;
    int maxOut = 0;
    bool canMono = false;
    for (const auto& [inputs, outputs] : mPlug->ChannelPairings()) {
        maxIn = std::max(maxIn, inputs);
        maxOut = std::max(maxOut, outputs);
        canMono = canMono || inputs == 1;
    }
    mRecord.numInputs = maxIn;
    mRecord.numOutputs = maxOut;
    mRecord.flags = vst::effFlagsCanReplacing | vst::effFlagsCanDoubleReplacing;
    if (mPlug->KeepsStateChunks())
        mRecord.flags |= vst::effFlagsProgramChunks;
    if (canMono)
        mRecord.flags |= vst::effFlagsCanMono;
    if (mPlug->IsInstrument())
        mRecord.flags |= vst::effFlagsIsSynth;
    mRecord.initialDelay = mPlug->Latency();
    mRecord.ioRatio = 1.0f;
    mRecord.object = this;
    mRecord.uniqueID = mPlug->UniqueId();
    const int32_t version = mPlug->Version();
    mRecord.version = ((version >> 16) & 0xFFFF) * 10000 + ((version >> 8) & 0xFF) * 100 + (version & 0xFF);

    mPlug->SetMaxBlockSize(kInitialBlockSize);
    for (int i = 0; i < mPlug->NInChannels(); ++i)
        mPlug->InChannel(i).connected = true;
    for (int i = 0; i < mPlug->NOutChannels(); ++i)
        mPlug->OutChannel(i).connected = true;
    UpdateArrangements();
    mRecord.numPrograms = std::max(1, mPlug->ProgramCount());
    // An editor the plug-in bound while it was built sets the editor flag and rectangle now.
    if (IGraphics* editor = mPlug->Editor())
        EditorBound(editor);
    mPlug->AttachHost(this);
}

IPlugVST::~IPlugVST()
{
    // The plug-in closes while the host is still reachable through the record.
    mPlug.reset();
    mRecord.object = nullptr;
}

IPlugBase* IPlugVST::PlugOf(vst::EffectRecord* record)
{
    auto* face = record ? static_cast<IPlugVST*>(record->object) : nullptr;
    return face ? face->mPlug.get() : nullptr;
}

vst::EffectRecord* IPlugVST::Wrap(IPlugBase* plug, vst::HostCallback host) noexcept
{
    std::unique_ptr<IPlugBase> owned(plug);
    try {
        if (!owned)
            return nullptr;
        auto* face = new IPlugVST(owned.release(), host);
        return &face->mRecord;
    } catch (...) {
        return nullptr;
    }
}

vst::EffectRecord* IPlugVST::Instantiate(vst::HostCallback host, Factory factory) noexcept
{
    try {
        std::lock_guard<std::mutex> lock(CreationLock());
        return Wrap(factory(), host);
    } catch (...) {
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
        IPlugBase* plug = PlugOf(effect);
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
            IPlugBase::LockGuard lock(plug->Mutex());
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
    IParameter* param = mPlug->GetParam(index);
    if (!param)
        return;
    // Hosts send values outside 0..1 and occasionally NaN: clamp, and let NaN keep the current value.
    double normalized = value;
    if (std::isnan(normalized))
        normalized = param->ToNormalized();
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (IGraphics* editor = mPlug->Editor())
        editor->PushParamToControls(index, normalized, true);
    param->SetFromNormalized(normalized);
    mPlug->ParameterChanged(index, 0);
}

float IPlugVST::GetParameterForHost(int index)
{
    const IParameter* param = mPlug->GetParam(index);
    return param ? static_cast<float>(param->ToNormalized()) : 0.0f;
}
