// Plays arbitrary input into the instrument's LV2 face: records of a kind byte, a frame byte, a length
// byte and that many payload bytes. Kinds: 0 a MIDI event (SysEx too) into the atom input; 1 a
// time:Position whose tempo, speed, bar and beat fields take raw numbers of any atom type (NaN and
// infinities among them); 2 a control port set to a raw float; 3 a run of up to 255 frames (beyond the
// announced maximum, so in sub-blocks). Each input starts from a fresh instance and ends with a run;
// a run stops the process when an output sample is not finite.
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzHost.h"
#include "framework/lv2/IPlugLV2.h"
#include "instrument/KT4R.h"
#include "signal/Rand.h"

namespace {

constexpr int kMaxBlock = 64;
constexpr size_t kAtomBytes = 16384;

struct Urids {
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{this, [](LV2_URID_Map_Handle self, const char* uri) {
                         auto& known = static_cast<Urids*>(self)->ids;
                         return known.emplace(uri, static_cast<LV2_URID>(known.size() + 1)).first->second;
                     }};
    LV2_URID Map(const char* uri) { return map.map(map.handle, uri); }
};

Urids& SharedUrids()
{
    static Urids urids;
    return urids;
}

class Session {
public:
    Session() : mIn(kAtomBytes / 8), mOut(kAtomBytes / 8), mControls(kPatchParamCount, 0.0f)
    {
        Urids& urids = SharedUrids();
        mMaxBlock = kMaxBlock;
        mOptions[0] = {LV2_OPTIONS_INSTANCE,     0,         urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                       urids.Map(LV2_ATOM__Int), &mMaxBlock};
        mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        const LV2_Feature map{LV2_URID__map, &urids.map};
        const LV2_Feature options{LV2_OPTIONS__options, mOptions};
        const LV2_Feature* features[] = {&map, &options, nullptr};
        // Every input's instance starts from the same oscillator phases.
        SeedRand(1);
        mFace = std::make_unique<IPlugLV2>(new KT4R(kt4rfuzz::ConfigFolder()), 44100.0, "urn:fuzz:state", nullptr,
                                           features);
        for (int i = 0; i < kPatchParamCount; ++i) {
            mControls[static_cast<size_t>(i)] = static_cast<float>(mFace->Plug().GetParam(i)->Value());
            mFace->ConnectPort(static_cast<uint32_t>(i), &mControls[static_cast<size_t>(i)]);
        }
        mFace->ConnectPort(static_cast<uint32_t>(mFace->AudioOutPort(0)), mLeft);
        mFace->ConnectPort(static_cast<uint32_t>(mFace->AudioOutPort(1)), mRight);
        mFace->ConnectPort(static_cast<uint32_t>(mFace->EventInPort()), mIn.data());
        mFace->ConnectPort(static_cast<uint32_t>(mFace->EventOutPort()), mOut.data());
        mFace->Activate();
        BeginEvents();
    }
    ~Session() { mFace->Deactivate(); }

    void Midi(int frame, const uint8_t* bytes, uint32_t size)
    {
        if (size == 0)
            return;
        lv2_atom_forge_frame_time(&mForge, frame);
        lv2_atom_forge_atom(&mForge, size, SharedUrids().Map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&mForge, bytes, size);
    }

    void Position(int frame, const uint8_t* payload, uint32_t size)
    {
        Urids& urids = SharedUrids();
        const char* keys[] = {LV2_TIME__beatsPerMinute, LV2_TIME__speed,    LV2_TIME__bar,  LV2_TIME__barBeat,
                              LV2_TIME__beatsPerBar,    LV2_TIME__beatUnit, LV2_TIME__frame};
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&mForge, frame);
        lv2_atom_forge_object(&mForge, &object, 0, urids.Map(LV2_TIME__Position));
        // Nine bytes a field: which field and type, then eight bytes of value.
        for (uint32_t i = 0; i + 9 <= size; i += 9) {
            lv2_atom_forge_key(&mForge, urids.Map(keys[payload[i] % 7]));
            uint64_t raw = 0;
            std::memcpy(&raw, payload + i + 1, sizeof raw);
            switch ((payload[i] / 7) % 4) {
            case 0: {
                float f;
                std::memcpy(&f, &raw, sizeof f);
                lv2_atom_forge_float(&mForge, f);
                break;
            }
            case 1: {
                double d;
                std::memcpy(&d, &raw, sizeof d);
                lv2_atom_forge_double(&mForge, d);
                break;
            }
            case 2: lv2_atom_forge_int(&mForge, static_cast<int32_t>(raw)); break;
            default: lv2_atom_forge_long(&mForge, static_cast<int64_t>(raw)); break;
            }
        }
        lv2_atom_forge_pop(&mForge, &object);
    }

    void Control(const uint8_t* payload, uint32_t size)
    {
        if (size < 5)
            return;
        float value;
        std::memcpy(&value, payload + 1, sizeof value);
        mControls[payload[0] % kPatchParamCount] = value;
    }

    void Run(int frames)
    {
        lv2_atom_forge_pop(&mForge, &mFrame);
        auto* out = reinterpret_cast<LV2_Atom_Sequence*>(mOut.data());
        out->atom.type = 0;
        out->atom.size = static_cast<uint32_t>(kAtomBytes - sizeof(LV2_Atom));
        int done = 0;
        do {
            // Output buffers hold kMaxBlock frames: a longer run is several host calls (a run of 0
            // frames is one call too).
            const int n = std::min(frames - done, kMaxBlock);
            mFace->Run(static_cast<uint32_t>(n));
            for (int k = 0; k < n; ++k) {
                if (!std::isfinite(mLeft[k]) || !std::isfinite(mRight[k])) {
                    std::fprintf(stderr, "output not finite\n");
                    std::abort();
                }
            }
            done += n;
            // Events only reach the first call.
            reinterpret_cast<LV2_Atom_Sequence*>(mIn.data())->atom.size = sizeof(LV2_Atom_Sequence_Body);
        } while (done < frames);
        BeginEvents();
    }

private:
    void BeginEvents()
    {
        lv2_atom_forge_init(&mForge, &SharedUrids().map);
        lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(mIn.data()), kAtomBytes);
        lv2_atom_forge_sequence_head(&mForge, &mFrame, 0);
    }

    std::vector<uint64_t> mIn, mOut;
    std::vector<float> mControls;
    float mLeft[kMaxBlock] = {};
    float mRight[kMaxBlock] = {};
    int32_t mMaxBlock = 0;
    LV2_Options_Option mOptions[2]{};
    std::unique_ptr<IPlugLV2> mFace;
    LV2_Atom_Forge mForge{};
    LV2_Atom_Forge_Frame mFrame{};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Session session;
    size_t i = 0;
    int runs = 0;
    int lastFrame = 0;
    while (i + 3 <= size && runs < 32) {
        const uint8_t kind = data[i] % 4;
        // Times in a sequence never go back; a run starts the next sequence at 0.
        const int frame = std::max(lastFrame, static_cast<int>(data[i + 1] % kMaxBlock));
        const uint32_t length = std::min<uint32_t>(data[i + 2], static_cast<uint32_t>(size - i - 3));
        const uint8_t* payload = data + i + 3;
        i += 3 + length;
        switch (kind) {
        case 0:
            session.Midi(frame, payload, length);
            lastFrame = frame;
            break;
        case 1:
            session.Position(frame, payload, length);
            lastFrame = frame;
            break;
        case 2: session.Control(payload, length); break;
        default:
            session.Run(length ? payload[0] : 1);
            lastFrame = 0;
            ++runs;
            break;
        }
    }
    session.Run(kMaxBlock);
    return 0;
}
