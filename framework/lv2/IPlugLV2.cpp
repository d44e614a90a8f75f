// Construction, ports and the run call.
#include "framework/lv2/IPlugLV2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <limits>
#include <stdexcept>

#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include "framework/graphics/IGraphics.h"
#include "framework/plugin/HostBuffers.h"

namespace {

const void* Feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i) {
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    }
    return nullptr;
}

// The host's announced maximum block length (options feature), else 0.
int AnnouncedMaxBlock(const LV2_Feature* const* features, LV2_URID_Map* map)
{
    const auto* options = static_cast<const LV2_Options_Option*>(Feature(features, LV2_OPTIONS__options));
    if (!options)
        return 0;
    const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
        if (o->key == maxLength && o->type == atomInt && o->size == sizeof(int32_t) && o->value)
            return *static_cast<const int32_t*>(o->value);
    }
    return 0;
}

} // namespace

IPlugLV2::IPlugLV2(IPlugBase* plug, double rate, const char* stateKey, const float* controlDefaults,
                   const LV2_Feature* const* features)
    : mPlug(plug)
{
    mMap = static_cast<LV2_URID_Map*>(const_cast<void*>(Feature(features, LV2_URID__map)));
    if (!mMap)
        throw std::runtime_error("the host offers no URID map");
    const auto map = [this](const char* uri) { return mMap->map(mMap->handle, uri); };
    mUris = {map(LV2_ATOM__Sequence),
             map(LV2_ATOM__Chunk),
             map(LV2_ATOM__Object),
             map(LV2_ATOM__Blank),
             map(LV2_ATOM__Float),
             map(LV2_ATOM__Double),
             map(LV2_ATOM__Int),
             map(LV2_ATOM__Long),
             map(LV2_MIDI__MidiEvent),
             map(LV2_TIME__Position),
             map(LV2_TIME__frame),
             map(LV2_TIME__speed),
             map(LV2_TIME__beatsPerMinute),
             map(LV2_TIME__bar),
             map(LV2_TIME__barBeat),
             map(LV2_TIME__beatsPerBar),
             map(LV2_TIME__beatUnit),
             map(stateKey)};
    lv2_atom_forge_init(&mForge, mMap);

    const int params = mPlug->NParams();
    mControls.assign(static_cast<size_t>(params), nullptr);
    mLastSeen.assign(static_cast<size_t>(params), std::numeric_limits<float>::quiet_NaN());
    if (controlDefaults)
        mLastSeen.assign(controlDefaults, controlDefaults + params);
    mOutputs.assign(static_cast<size_t>(mPlug->NOutChannels()), nullptr);
    mPending.assign(kPendingBytes, 0);

    // The plug-in renders its outputs only; its inputs are not ports of this face.
    for (int i = 0; i < mPlug->NInChannels(); ++i)
        mPlug->InChannel(i).connected = false;
    for (int i = 0; i < mPlug->NOutChannels(); ++i)
        mPlug->OutChannel(i).connected = true;

    IPlugBase::LockGuard lock(mPlug->Mutex());
    const int announced = AnnouncedMaxBlock(features, mMap);
    mPlug->SetMaxBlockSize(announced > 0 ? std::min(announced, kMaxSupportedBlockSize) : kDefaultBlockSize);
    mPlug->AttachHost(this);
    mPlug->HostStartup();
    mPlug->NotifyAllParamsChanged();
    mPlug->StoreSampleRate(rate);
    mPlug->ResetProcessing();
}

IPlugLV2::~IPlugLV2()
{
    // The plug-in closes with its host still attached, as it would in any format.
    {
        IPlugBase::LockGuard lock(mPlug->Mutex());
    }
    mPlug.reset();
}

void IPlugLV2::ConnectPort(uint32_t port, void* data)
{
    const int p = static_cast<int>(port);
    if (p < mPlug->NParams())
        mControls[port] = static_cast<const float*>(data);
    else if (p < EventInPort())
        mOutputs[static_cast<size_t>(p - mPlug->NParams())] = static_cast<float*>(data);
    else if (p == EventInPort())
        mEventsIn = static_cast<const LV2_Atom_Sequence*>(data);
    else if (p == EventOutPort())
        mEventsOut = static_cast<LV2_Atom_Sequence*>(data);
}

void IPlugLV2::Activate()
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    mPlug->SetActive(true);
}

void IPlugLV2::Deactivate()
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    mPlug->SetActive(false);
    mPlug->ResetProcessing();
}

// A port the host moved since the last run takes effect; one that holds what it held, or what the
// parameter already is (the host following the plug-in's own change), does not, so program changes,
// MIDI learn, SysEx, the panel, a restored state and the start-up program (the configured voice count,
// a default bank) are not undone by controls nobody touched.
void IPlugLV2::ApplyControlPorts()
{
    for (int i = 0; i < mPlug->NParams(); ++i) {
        const float* port = mControls[static_cast<size_t>(i)];
        if (!port)
            continue;
        const float value = *port;
        float& last = mLastSeen[static_cast<size_t>(i)];
        if (value == last || std::isnan(value))
            continue;
        const bool baseline = std::isnan(last);
        last = value;
        if (baseline)
            continue;
        IParameter* param = mPlug->GetParam(i);
        if (!param || static_cast<float>(param->Value()) == value)
            continue;
        const double normalized = std::clamp(param->ToNormalized(static_cast<double>(value)), 0.0, 1.0);
        if (IGraphics* editor = mPlug->Editor())
            editor->PushParamToControls(i, normalized, true);
        param->SetFromNormalized(normalized);
        mPlug->ParameterChanged(i, 0);
    }
}

void IPlugLV2::Run(uint32_t frames)
{
    IPlugBase::LockGuard lock(mPlug->Mutex());
    mInRun = true;
    BeginEventsOut();
    FlushPending();
    ApplyControlPorts();
    ReadEventsIn();
    const int n = static_cast<int>(std::min<uint32_t>(frames, INT32_MAX));
    mBlocks.Run(
        n, mPlug->MaxBlockSize(), [this](const IMidiEvent& event) { mPlug->HandleMidiEvent(event); },
        [&](int start, int count) {
            RenderHostSubBlock(*mPlug, static_cast<float* const*>(nullptr), mOutputs.data(), start, count, false);
        });
    if (mTransportKnown && mTransport.transportRunning)
        mTransport.samplePosition += n;
    if (mOutOpen)
        lv2_atom_forge_pop(&mForge, &mOutFrame);
    mOutOpen = false;
    mInRun = false;
}
