// What a plug-in format offers the plug-in: the host's services (automation, time, identity, MIDI out)
// and the notices the format needs to keep its own description of the plug-in current. A format layer
// wraps one IPlugBase, implements this interface and attaches itself (IPlugBase::AttachHost); the base's
// host-service slots forward here, so the instrument never names a format.
#pragma once

#include "framework/plugin/IMidiEvent.h"

class IGraphics;

class IPlugHost {
public:
    virtual ~IPlugHost() = default;

    // The host services of the plug-in base (slots 20-28, 31, 35, 36): any thread, under the plug-in
    // lock; each allocates nothing. Parameter indices are the plug-in's own.
    virtual void HostBeginEdit(int index) = 0;
    virtual void HostAutomate(int index, double normalized) = 0;
    virtual void HostEndEdit(int index) = 0;
    virtual void HostUpdateDisplay() = 0;
    virtual bool HostIsOffline() = 0;
    virtual int HostSamplePosition() = 0;
    virtual double HostTempo() = 0;
    virtual void HostTimeSignature(int* numerator, int* denominator) = 0;
    virtual void HostTransport(ITransportInfo* info) = 0;
    virtual void EditorSizeChanged() = 0;
    virtual bool EmitMidiEvent(const IMidiEvent& event) = 0;
    virtual bool EmitSysExEvent(const ISysExEvent& event) = 0;
    // Host UI thread, under the lock; allocates nothing. The host's product name (copied into
    // product, size bytes with the terminator) and version (major << 16 | minor << 8 | patch).
    virtual void HostProduct(char* product, int size, int* version) = 0;
    // Host UI thread at open, under the lock; may allocate. The base's HostStartup (slot 32).
    virtual void HostStartup() = 0;
    // Plug-in constructor or host UI thread, under the lock, after the base bound `editor`; may allocate.
    virtual void EditorBound(IGraphics* editor) = 0;
    // Any thread, under the lock, after the base stored the latency; allocates nothing.
    virtual void LatencyChanged(int frames) = 0;
};
