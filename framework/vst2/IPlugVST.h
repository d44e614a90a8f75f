// The plug-in's VST 2.4 face: wraps one plug-in (an IPlugBase, which it owns), fills the effect record,
// turns dispatcher opcodes and the record's entries into calls on the plug-in, converts the host's
// buffers, and offers the host's services to the plug-in (IPlugHost).
//
// The class is spread over files by thread: IPlugVST.cpp (the record, construction and the host's
// entries), IPlugVSTDispatch.cpp (dispatcher opcodes, chunks, text queries; host UI thread),
// IPlugVSTProcess.cpp (events and rendering; host audio thread) and IPlugVSTHost.cpp (services the
// plug-in asks of the host, MIDI and SysEx out).
#pragma once

#include <cstdint>
#include <memory>

#include "framework/plugin/HostBlockAdapter.h"
#include "framework/plugin/IPlugBase.h"
#include "framework/vst2/VstAbi.h"

class IPlugVST final : public IPlugHost {
public:
    // Block sizes the host announces above this are stored as this; longer blocks are rendered in
    // sub-blocks, so the cap only bounds the memory an untrusted host can make the plug-in allocate.
    static constexpr int kMaxSupportedBlockSize = 65536;
    static constexpr int kInitialBlockSize = 1024;

    // Takes ownership of plug (built, not yet attached to a host) and attaches itself to it.
    IPlugVST(IPlugBase* plug, vst::HostCallback host);
    // The close opcode (host UI thread), after the lock was taken and released: deletes the plug-in
    // (which may still call the host while it closes), then clears the record's object so a late call
    // through the record finds nothing. Frees memory.
    ~IPlugVST() override;

    vst::EffectRecord* Record() { return &mRecord; }
    IPlugBase& Plug() { return *mPlug; }
    // The plug-in behind a record this layer filled (nullptr for none).
    static IPlugBase* PlugOf(vst::EffectRecord* record);

    // The body of the exported entry points: under a process-wide creation lock, constructs the
    // instrument through `factory`, wraps it and answers the effect record (nullptr when construction
    // fails or throws).
    using Factory = IPlugBase* (*)();
    static vst::EffectRecord* Instantiate(vst::HostCallback host, Factory factory) noexcept;
    // As Instantiate, for a plug-in already built (taken over even on failure); host UI thread.
    static vst::EffectRecord* Wrap(IPlugBase* plug, vst::HostCallback host) noexcept;

    // The plug-in's lock: every entry holds it.
    IPlugBase::Lock& Mutex() { return mPlug->Mutex(); }

    // Host services, each one call of the host callback; they allocate nothing.
    // Any thread, under the plug-in lock.
    void HostBeginEdit(int index) override;
    void HostAutomate(int index, double normalized) override;
    void HostEndEdit(int index) override;
    void HostUpdateDisplay() override;
    bool HostIsOffline() override;
    int HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int* numerator, int* denominator) override;
    void HostTransport(ITransportInfo* info) override;
    // Host UI thread at open (or later), under the lock: the host's product string and version.
    // Allocates nothing.
    void HostProduct(char* product, int size, int* version) override;
    // Editor thread, under the lock: refreshes the editor rectangle from the bound editor.
    // Allocates nothing.
    void EditorSizeChanged() override;
    // Host UI thread at open, under the lock; runs once per object.
    // May allocate (the instrument's start-up hook).
    void HostStartup() override;
    // Host UI thread, under the lock, after the plug-in bound an editor: sets the editor flag and
    // rectangle. Allocates nothing.
    void EditorBound(IGraphics* editor) override;
    // Any thread, under the lock: announces the latency in the record. Allocates nothing.
    void LatencyChanged(int frames) override;
    // Host audio thread inside a process call (offsets within the sub-block being rendered, sent
    // relative to the host block) or any thread outside one; under the lock. One-event lists through
    // host opcode 8; allocates nothing.
    bool EmitMidiEvent(const IMidiEvent& event) override;
    bool EmitSysExEvent(const ISysExEvent& event) override;

    int HostExtensionFlags() const { return mHostExtensions; }

protected:
    intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

private:
    // The record's entries. Each goes through EnterPlugin (framework/HostEntry.h): lock held, nothing
    // thrown back to the host.
    static intptr_t DispatcherEntry(vst::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt) noexcept;
    static void ProcessEntry(vst::EffectRecord* effect, float** inputs, float** outputs, int32_t frames) noexcept;
    static void ProcessReplacingEntry(vst::EffectRecord* effect, float** inputs, float** outputs,
                                      int32_t frames) noexcept;
    static void ProcessDoubleEntry(vst::EffectRecord* effect, double** inputs, double** outputs,
                                   int32_t frames) noexcept;
    static void SetParameterEntry(vst::EffectRecord* effect, int32_t index, float value) noexcept;
    static float GetParameterEntry(vst::EffectRecord* effect, int32_t index) noexcept;
    static intptr_t CloseEntry(vst::EffectRecord* effect) noexcept;
    // Host UI thread, editor idle: the editor window's events and redraws, outside the plug-in lock.
    static intptr_t EditorIdleEntry(vst::EffectRecord* effect) noexcept;

    intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t GetChunk(int32_t index, void* ptr);
    intptr_t SetChunk(int32_t index, intptr_t size, const void* ptr);
    intptr_t ProcessEvents(const vst::Events* events);
    intptr_t StringToParameter(int32_t index, const char* text);
    intptr_t ChannelProperties(bool input, int32_t index, vst::PinProperties* props);
    intptr_t VendorSpecific(int32_t subCode, intptr_t paramIndex, char* text, float opt);
    // The editor driven and photographed without a window (vst::kVendorEditorMouse, kVendorEditorPng);
    // the host's UI thread, as the window's events would come.
    intptr_t EditorMouseRequest(const vst::EditorMouseAction* action);
    intptr_t EditorPictureRequest(const char* path);
    // vst::kVendorEditorScale: the editor drawn at scale (window closed); the host's UI thread.
    intptr_t EditorScaleRequest(float scale);
    intptr_t CanDo(const char* text);
    void SetSpeakerArrangement(const vst::SpeakerArrangement* in, const vst::SpeakerArrangement* out);
    void UpdateArrangements();

    void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
    void ProcessDouble(double** inputs, double** outputs, int frames);
    template <typename Sample> void ProcessBlocks(Sample** inputs, Sample** outputs, int frames, bool accumulate);
    template <typename Sample>
    void RenderSubBlock(Sample** inputs, Sample** outputs, int start, int frames, bool accumulate);
    void SetParameterFromHost(int index, float value);
    float GetParameterForHost(int index);
    const vst::TimeInfo* HostTime(int32_t filter);

    std::unique_ptr<IPlugBase> mPlug;
    vst::EffectRecord mRecord{};
    vst::HostCallback mHost = nullptr;
    vst::Rect mEditorRect{};
    IStateChunk mProgramChunk;
    IStateChunk mBankChunk;
    int mHostExtensions = 0; // bit 0: asked "hasCockosExtensions", bit 1: asked "hasCockosViewAsConfig"
    bool mHostStarted = false;
    vst::SpeakerArrangement mInputArrangement{};
    vst::SpeakerArrangement mOutputArrangement{};
    // MIDI announced by effProcessEvents, waiting for the process call that renders it.
    HostBlockAdapter mBlocks;
};
