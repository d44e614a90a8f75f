#include "tests/support/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "framework/lv2/IPlugLV2.h"
#include "tests/support/TempFolder.h"

namespace kt4r_test {

namespace {

constexpr int kControls = 70;
constexpr int kOutL = 70;
constexpr int kOutR = 71;
constexpr int kEventsIn = 72;
constexpr int kEventsOut = 73;
constexpr size_t kAtomBytes = 65536;

} // namespace

UridMap::UridMap()
{
    mMap.handle = this;
    mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->Map(uri); };
    mUnmap.handle = this;
    mUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
        return static_cast<UridMap*>(handle)->Unmap(urid);
    };
}

LV2_URID UridMap::Map(const char* uri)
{
    if (const auto it = mIds.find(std::string_view(uri)); it != mIds.end())
        return it->second;
    mUris.emplace_back(uri);
    return mIds.emplace(uri, static_cast<LV2_URID>(mUris.size())).first->second;
}

const char* UridMap::Unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= mUris.size() ? mUris[urid - 1].c_str() : nullptr;
}

Lv2Bundle::Lv2Bundle(const std::string& ini)
{
    const std::filesystem::path folder = MakeUniqueFolder("kt4r-lv2-test");
    if (folder.empty()) {
        ADD_FAILURE() << "cannot create a temporary folder";
        return;
    }
    mPath = folder.string();
    mBundle = (folder / "KT-4R.lv2").string();
    std::filesystem::copy(KT4R_LV2_BUNDLE, mBundle, std::filesystem::copy_options::recursive);
    std::filesystem::remove(mBundle + "/KT-4R.ini");
    std::filesystem::remove(mBundle + "/KT-4R.map");
    if (!ini.empty())
        std::ofstream(mBundle + "/KT-4R.ini") << ini;
    mWorld = lilv_world_new();
    LilvNode* bundleUri = lilv_new_file_uri(mWorld, nullptr, (mBundle + "/").c_str());
    lilv_world_load_plugin_classes(mWorld);
    lilv_world_load_bundle(mWorld, bundleUri);
    lilv_node_free(bundleUri);
    LilvNode* uri = lilv_new_uri(mWorld, kLv2Uri);
    mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), uri);
    lilv_node_free(uri);
    if (!mPlugin)
        ADD_FAILURE() << "the bundle holds no " << kLv2Uri;
}

void Lv2Bundle::LoadBundle(const std::string& folder)
{
    LilvNode* uri = lilv_new_file_uri(mWorld, nullptr, (folder + "/").c_str());
    lilv_world_load_bundle(mWorld, uri);
    lilv_node_free(uri);
}

Lv2Bundle::~Lv2Bundle()
{
    if (mWorld)
        lilv_world_free(mWorld);
    std::error_code ignored;
    if (!mPath.empty())
        std::filesystem::remove_all(mPath, ignored);
}

struct Lv2Instance::Features {
    LV2_Feature map{LV2_URID__map, nullptr};
    LV2_Feature unmap{LV2_URID__unmap, nullptr};
    LV2_Options_Option options[2]{};
    LV2_Feature optionsFeature{LV2_OPTIONS__options, nullptr};
    const LV2_Feature* list[4]{};
};

Lv2Instance::Lv2Instance(Lv2Bundle& bundle, double rate, int maxBlock)
    : mBundle(bundle), mMaxBlock(maxBlock), mControls(kControls, 0.0f), mLeft(static_cast<size_t>(maxBlock)),
      mRight(static_cast<size_t>(maxBlock)), mEventsIn(kAtomBytes / 8), mEventsOut(kAtomBytes / 8),
      mFeatures(std::make_unique<Features>())
{
    if (!bundle.Plugin())
        return;
    UridMap& urids = bundle.Urids();
    mMaxBlockOption = maxBlock;
    Features& f = *mFeatures;
    f.map.data = urids.MapFeature();
    f.unmap.data = urids.UnmapFeature();
    f.options[0] = {
        LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), urids.Map(LV2_ATOM__Int),
        &mMaxBlockOption};
    f.options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    f.optionsFeature.data = f.options;
    f.list[0] = &f.map;
    f.list[1] = &f.unmap;
    f.list[2] = &f.optionsFeature;
    f.list[3] = nullptr;
    mInstance = lilv_plugin_instantiate(bundle.Plugin(), rate, f.list);
    if (!mInstance) {
        ADD_FAILURE() << "instantiate failed";
        return;
    }
    std::vector<float> defaults(lilv_plugin_get_num_ports(bundle.Plugin()));
    lilv_plugin_get_port_ranges_float(bundle.Plugin(), nullptr, nullptr, defaults.data());
    for (int i = 0; i < kControls; ++i) {
        mControls[static_cast<size_t>(i)] = defaults[static_cast<size_t>(i)];
        lilv_instance_connect_port(mInstance, static_cast<uint32_t>(i), &mControls[static_cast<size_t>(i)]);
    }
    lilv_instance_connect_port(mInstance, kOutL, mLeft.data());
    lilv_instance_connect_port(mInstance, kOutR, mRight.data());
    lilv_instance_connect_port(mInstance, kEventsIn, mEventsIn.data());
    lilv_instance_connect_port(mInstance, kEventsOut, mEventsOut.data());
    lilv_instance_activate(mInstance);
    Render(maxBlock, maxBlock);
}

Lv2Instance::~Lv2Instance()
{
    if (mInstance) {
        lilv_instance_deactivate(mInstance);
        lilv_instance_free(mInstance);
    }
}

void Lv2Instance::QueueMidi(int frame, std::vector<uint8_t> bytes)
{
    mQueued.emplace_back(frame, std::move(bytes));
}

void Lv2Instance::RunBlock(int frames, std::vector<std::pair<int, std::vector<uint8_t>>>* events)
{
    UridMap& urids = mBundle.Urids();
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, urids.MapFeature());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(mEventsIn.data()), kAtomBytes);
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_sequence_head(&forge, &frame, 0);
    if (mTempo > 0.0) {
        LV2_Atom_Forge_Frame position;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &position, 0, urids.Map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, urids.Map(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, 1.0f);
        lv2_atom_forge_key(&forge, urids.Map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, static_cast<float>(mTempo));
        lv2_atom_forge_pop(&forge, &position);
    }
    if (events) {
        for (const auto& [at, bytes] : *events) {
            lv2_atom_forge_frame_time(&forge, at);
            lv2_atom_forge_atom(&forge, static_cast<uint32_t>(bytes.size()), urids.Map(LV2_MIDI__MidiEvent));
            lv2_atom_forge_write(&forge, bytes.data(), static_cast<uint32_t>(bytes.size()));
        }
    }
    lv2_atom_forge_pop(&forge, &frame);
    // The output sequence's size tells the plug-in the room it has.
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(mEventsOut.data());
    out->atom.type = 0;
    out->atom.size = static_cast<uint32_t>(kAtomBytes - sizeof(LV2_Atom));
    lilv_instance_run(mInstance, static_cast<uint32_t>(frames));
    if (out->atom.type != urids.Map(LV2_ATOM__Sequence))
        return;
    LV2_ATOM_SEQUENCE_FOREACH(out, ev)
    {
        if (ev->body.type == urids.Map(LV2_MIDI__MidiEvent)) {
            const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
            mSent.emplace_back(bytes, bytes + ev->body.size);
        }
    }
}

Stereo Lv2Instance::Render(int frames, int blockSize)
{
    Stereo out;
    if (!mInstance)
        return out;
    auto events = std::move(mQueued);
    mQueued.clear();
    bool first = true;
    for (int done = 0; done < frames; done += blockSize) {
        const int n = std::min(blockSize, frames - done);
        // Sentinels catch samples the plug-in leaves unwritten.
        std::fill(mLeft.begin(), mLeft.end(), 1e9f);
        std::fill(mRight.begin(), mRight.end(), 1e9f);
        RunBlock(n, first ? &events : nullptr);
        first = false;
        out.left.insert(out.left.end(), mLeft.begin(), mLeft.begin() + n);
        out.right.insert(out.right.end(), mRight.begin(), mRight.begin() + n);
    }
    return out;
}

bool Lv2Instance::ApplyPreset(const LilvNode* preset)
{
    lilv_world_load_resource(mBundle.World(), preset);
    LilvState* state = lilv_state_new_from_world(mBundle.World(), mBundle.Urids().MapFeature(), preset);
    if (!state)
        return false;
    struct Target {
        Lv2Instance* self;
        int applied = 0;
    } target{this};
    const auto setValue = [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
        auto* t = static_cast<Target*>(user);
        Lv2Bundle& bundle = t->self->mBundle;
        LilvNode* node = lilv_new_string(bundle.World(), symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(bundle.Plugin(), node);
        lilv_node_free(node);
        if (!port || size != sizeof(float) || type != bundle.Urids().Map(LV2_ATOM__Float))
            return;
        const uint32_t index = lilv_port_get_index(bundle.Plugin(), port);
        if (index < kControls) {
            std::memcpy(&t->self->mControls[index], value, sizeof(float));
            ++t->applied;
        }
    };
    lilv_state_restore(state, mInstance, setValue, &target, 0, nullptr);
    lilv_state_free(state);
    return target.applied == kControls;
}

float Lv2Instance::InstrumentValue(int index)
{
    return EditorAccessOf(lilv_instance_get_handle(mInstance))->ControlValue(index);
}

void Lv2Instance::RunOnce(int frames)
{
    RunBlock(std::min(frames, mMaxBlock), &mQueued);
    mQueued.clear();
}

std::vector<std::vector<uint8_t>> Lv2Instance::TakeSentMidi()
{
    return std::move(mSent);
}

namespace {

struct StateCall {
    LV2_URID key = 0;
    std::vector<uint8_t>* bytes = nullptr;
    const std::vector<uint8_t>* source = nullptr;
    LV2_URID type = 0;
    int stored = 0;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                       uint32_t flags)
{
    auto* call = static_cast<StateCall*>(handle);
    ++call->stored;
    call->key = key;
    call->type = type;
    const auto* bytes = static_cast<const uint8_t*>(value);
    call->bytes->assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
    auto* call = static_cast<StateCall*>(handle);
    if (key != call->key)
        return nullptr;
    *size = call->source->size();
    *type = call->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return call->source->data();
}

} // namespace

uint32_t Lv2Instance::SaveState(std::vector<uint8_t>* bytes, LV2_URID* type)
{
    const auto* state =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
    if (!state)
        return LV2_STATE_ERR_NO_FEATURE;
    StateCall call;
    call.bytes = bytes;
    const LV2_State_Status status = state->save(lilv_instance_get_handle(mInstance), &Store, &call, 0, nullptr);
    EXPECT_EQ(call.stored, 1);
    EXPECT_EQ(call.key, mBundle.Urids().Map((std::string(kLv2Uri) + ":state").c_str()));
    if (type)
        *type = call.type;
    return status;
}

uint32_t Lv2Instance::RestoreState(const std::vector<uint8_t>& bytes, LV2_URID type)
{
    const auto* state =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
    if (!state)
        return LV2_STATE_ERR_NO_FEATURE;
    StateCall call;
    call.key = mBundle.Urids().Map((std::string(kLv2Uri) + ":state").c_str());
    call.source = &bytes;
    call.type = type;
    return state->restore(lilv_instance_get_handle(mInstance), &Retrieve, &call, 0, nullptr);
}

} // namespace kt4r_test
