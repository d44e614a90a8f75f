// The base's host services: each is passed on to the attached format layer, or answered neutrally when
// none is attached (an instrument built for a test or a tool).
#include "framework/plugin/HostId.h"
#include "framework/plugin/IPlugBase.h"

void IPlugBase::HostBeginEdit(int index)
{
    if (mHost)
        mHost->HostBeginEdit(index);
}

void IPlugBase::HostAutomate(int index, double normalized)
{
    if (mHost)
        mHost->HostAutomate(index, normalized);
}

void IPlugBase::HostEndEdit(int index)
{
    if (mHost)
        mHost->HostEndEdit(index);
}

void IPlugBase::HostUpdateDisplay()
{
    if (mHost)
        mHost->HostUpdateDisplay();
}

bool IPlugBase::HostIsOffline()
{
    return mHost && mHost->HostIsOffline();
}

int IPlugBase::HostSamplePosition()
{
    return mHost ? mHost->HostSamplePosition() : 0;
}

double IPlugBase::HostTempo()
{
    return mHost ? mHost->HostTempo() : 0.0;
}

void IPlugBase::HostTimeSignature(int* numerator, int* denominator)
{
    *numerator = 0;
    *denominator = 0;
    if (mHost)
        mHost->HostTimeSignature(numerator, denominator);
}

void IPlugBase::HostTransport(ITransportInfo* info)
{
    if (mHost)
        mHost->HostTransport(info);
}

int IPlugBase::IdentifyHost()
{
    if (mHostId != kHostUnknown || !mHost)
        return mHostId;
    // Hosts name themselves in up to 64 characters; the buffer is larger so a careless one cannot overrun it.
    char product[256] = {};
    int version = 0;
    mHost->HostProduct(product, sizeof product, &version);
    product[sizeof product - 1] = '\0';
    SetHostIdentity(LookUpHostId(product), product[0] ? version : 0);
    return mHostId;
}

void IPlugBase::EditorSizeChanged()
{
    if (mHost)
        mHost->EditorSizeChanged();
}

void IPlugBase::HostStartup()
{
    if (mHost)
        mHost->HostStartup();
}

bool IPlugBase::EmitMidiEvent(const IMidiEvent& event)
{
    return mHost && mHost->EmitMidiEvent(event);
}

bool IPlugBase::EmitSysExEvent(const ISysExEvent& event)
{
    return mHost && mHost->EmitSysExEvent(event);
}
