// The plug-in's LV2 face: wraps one plug-in (an IPlugBase, which it owns) as an LV2 instance. Ports,
// in this order: one control input per host parameter (index = parameter index, plain values), the
// audio outputs, an atom input (MIDI, SysEx, time:Position) and an atom output (MIDI and SysEx the
// plug-in sends). The whole state travels through the state interface as the same bytes as the VST2
// whole-state chunk.
//
// Spread over files by job: IPlugLV2.cpp (construction, ports, run), IPlugLV2Events.cpp (the atom
// ports: MIDI and time in, MIDI out), IPlugLV2State.cpp (state), IPlugLV2Editor.cpp (what the UI
// binary asks) and Lv2Entry.cpp (the descriptor's C entries).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include "framework/lv2/Lv2EditorAccess.h"
#include "framework/plugin/HostBlockAdapter.h"
#include "framework/plugin/IPlugBase.h"

class IPlugLV2 final : public IPlugHost, public ILv2EditorAccess {
public:
    // Block sizes a host announces above this are stored as this; longer blocks run in sub-blocks.
    static constexpr int kMaxSupportedBlockSize = 65536;
    // Without the host's announced maximum.
    static constexpr int kDefaultBlockSize = 1024;
    // MIDI and SysEx the plug-in sends outside a run (the panel's commands) wait here for the next run.
    static constexpr int kPendingBytes = 16384;

    // Takes ownership of plug; host UI thread (instantiate). The features must hold the URID map
    // (throws otherwise); stateKey names the state's one property; controlDefaults (one per parameter)
    // are the control ports' defaults the .ttl declares.
    IPlugLV2(IPlugBase* plug, double rate, const char* stateKey, const float* controlDefaults,
             const LV2_Feature* const* features);
    ~IPlugLV2() override;

    IPlugBase& Plug() { return *mPlug; }
    // Port indices after the parameters'.
    int AudioOutPort(int channel) const { return mPlug->NParams() + channel; }
    int EventInPort() const { return mPlug->NParams() + mPlug->NOutChannels(); }
    int EventOutPort() const { return EventInPort() + 1; }
    int PortCount() const { return EventOutPort() + 1; }

    // The descriptor's entries. connect_port: any thread the host chooses, never during run.
    void ConnectPort(uint32_t port, void* data);
    // Host UI thread (instantiation class), under the lock: processing starts or stops.
    void Activate();
    void Deactivate();
    // Host audio thread: takes the lock; allocates nothing.
    void Run(uint32_t frames);
    // The state interface: host UI thread (instantiation class); take the lock; allocate.
    uint32_t SaveState(void* store, void* handle, const LV2_Feature* const* features);
    uint32_t RestoreState(void* retrieve, void* handle, const LV2_Feature* const* features);

    // Host services (IPlugHost): any thread, under the lock; allocate nothing.
    void HostBeginEdit(int index) override {}
    void HostAutomate(int index, double normalized) override {}
    void HostEndEdit(int index) override {}
    void HostUpdateDisplay() override {}
    bool HostIsOffline() override { return false; }
    int HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int* numerator, int* denominator) override;
    void HostTransport(ITransportInfo* info) override;
    void EditorSizeChanged() override {}
    bool EmitMidiEvent(const IMidiEvent& event) override;
    bool EmitSysExEvent(const ISysExEvent& event) override;
    void HostProduct(char* product, int size, int* version) override;
    void HostStartup() override;
    void EditorBound(IGraphics* editor) override {}
    void LatencyChanged(int frames) override {}

    // The UI binary's access (ILv2EditorAccess), host UI thread.
    bool EditorSize(int* width, int* height) override;
    void* OpenEditor(void* parent) override;
    void CloseEditor() override;
    void IdleEditor() override;
    int ControlCount() override { return mPlug->NParams(); }
    float ControlValue(int index) override;

private:
    struct Uris {
        LV2_URID atomSequence, atomChunk, atomObject, atomBlank, atomFloat, atomDouble, atomInt, atomLong;
        LV2_URID midiEvent, timePosition, timeFrame, timeSpeed, timeBpm, timeBar, timeBarBeat, timeBeatsPerBar,
            timeBeatUnit, stateBank;
    };

    void ApplyControlPorts();
    void ReadEventsIn();
    void ReadTime(const LV2_Atom_Object* position);
    void BeginEventsOut();
    bool WriteEventOut(int64_t frame, const uint8_t* bytes, uint32_t size);
    void FlushPending();

    std::unique_ptr<IPlugBase> mPlug;
    LV2_URID_Map* mMap = nullptr;
    Uris mUris{};
    std::vector<const float*> mControls;
    // The value each control port held at the last run: at first the declared default (what a host
    // puts in a port nobody set); NaN after a state was restored, when the next run takes the ports'
    // values as they are (a host restores its controls with the state, from wherever they last were).
    std::vector<float> mLastSeen;
    std::vector<float*> mOutputs;
    const LV2_Atom_Sequence* mEventsIn = nullptr;
    LV2_Atom_Sequence* mEventsOut = nullptr;
    LV2_Atom_Forge mForge{};
    LV2_Atom_Forge_Frame mOutFrame{};
    bool mInRun = false;
    bool mOutOpen = false;
    int64_t mLastOutFrame = 0;
    HostBlockAdapter mBlocks;
    // The host's transport from the last time:Position.
    ITransportInfo mTransport{};
    bool mTransportKnown = false;
    double mBarBeat = 0.0;
    int64_t mBar = 0;
    // Events waiting for the next run: {size (4 bytes), bytes} records.
    std::vector<uint8_t> mPending;
    size_t mPendingUsed = 0;
    bool mEditorOpen = false;
};

// The editor access of the instance behind an LV2 handle this face made (instance-access feature).
inline ILv2EditorAccess* EditorAccessOf(void* handle)
{
    return handle ? static_cast<IPlugLV2*>(handle) : nullptr;
}
