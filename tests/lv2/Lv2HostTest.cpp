// The LV2 build as LV2 hosts load it (lilv): the ports a host shows, notes rendered against the VST2
// build of the same tree, state saved, restored and carried between the formats, hostile state refused.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/Lv2TestHost.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tools/kt4r-render/HostFiles.h"

namespace kt4r_test {
namespace {

constexpr double kRate = 48000.0;

std::string Trimmed(std::string text)
{
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// One of lilv's port questions about a URI (class, property, event type).
bool AskPort(const Lv2Bundle& bundle, const LilvPort* port, const char* uri,
             bool (*ask)(const LilvPlugin*, const LilvPort*, const LilvNode*))
{
    LilvNode* node = lilv_new_uri(bundle.World(), uri);
    const bool answer = ask(bundle.Plugin(), port, node);
    lilv_node_free(node);
    return answer;
}

bool PortIs(const Lv2Bundle& bundle, const LilvPort* port, const char* classUri)
{
    return AskPort(bundle, port, classUri, &lilv_port_is_a);
}

bool PortHas(const Lv2Bundle& bundle, const LilvPort* port, const char* property)
{
    return AskPort(bundle, port, property, &lilv_port_has_property);
}

bool PortSupports(const Lv2Bundle& bundle, const LilvPort* port, const char* eventUri)
{
    return AskPort(bundle, port, eventUri, &lilv_port_supports_event);
}

std::string ScalePointLabel(const Lv2Bundle& bundle, const LilvPort* port, float value)
{
    std::string label;
    LilvScalePoints* points = lilv_port_get_scale_points(bundle.Plugin(), port);
    LILV_FOREACH(scale_points, i, points)
    {
        const LilvScalePoint* point = lilv_scale_points_get(points, i);
        if (lilv_node_as_float(lilv_scale_point_get_value(point)) == value)
            label = lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
    return label;
}

// The same notes into both builds: a chord, held, then released, at one block size.
void PlayChord(PluginHost& vst, Lv2Instance& lv2)
{
    for (const auto& [frame, note] : {std::pair{10, 60}, {10, 64}, {300, 67}}) {
        vst.QueueMidi(frame, 0x90, static_cast<uint8_t>(note), 100);
        lv2.QueueMidi(frame, {0x90, static_cast<uint8_t>(note), 100});
    }
}

void ReleaseChord(PluginHost& vst, Lv2Instance& lv2)
{
    for (const int note : {60, 64, 67}) {
        vst.QueueMidi(5, 0x80, static_cast<uint8_t>(note), 0);
        lv2.QueueMidi(5, {0x80, static_cast<uint8_t>(note), 0});
    }
}

bool SameBits(const Stereo& a, const Stereo& b)
{
    return a.left.size() == b.left.size() && a.right.size() == b.right.size() &&
           std::memcmp(a.left.data(), b.left.data(), a.left.size() * sizeof(float)) == 0 &&
           std::memcmp(a.right.data(), b.right.data(), a.right.size() * sizeof(float)) == 0;
}

// The same notes from two builds: loud enough to hear, and no sample apart by a thousandth of the peak.
bool SoundAlike(const Stereo& a, const Stereo& b)
{
    if (a.left.size() != b.left.size() || a.left.empty())
        return false;
    double peak = 0.0;
    double diff = 0.0;
    for (size_t i = 0; i < a.left.size(); ++i) {
        peak = std::max(peak, static_cast<double>(std::abs(a.left[i])));
        diff = std::max(diff, static_cast<double>(std::abs(a.left[i] - b.left[i])));
        diff = std::max(diff, static_cast<double>(std::abs(a.right[i] - b.right[i])));
    }
    return peak > 0.01 && diff < 1e-3 * peak;
}

double Peak(const Stereo& s)
{
    double peak = 0.0;
    for (const float x : s.left)
        peak = std::max(peak, static_cast<double>(std::abs(x)));
    return peak;
}

TEST(Lv2Bundle, TheHostSeesTheSeventyPatchParametersAsTheVst2BuildShowsThem)
{
    Lv2Bundle bundle;
    ASSERT_NE(bundle.Plugin(), nullptr);
    LoadedPlugin vst = LoadPlugin(std::string(), kRate, 512);
    ASSERT_EQ(lilv_plugin_get_num_ports(bundle.Plugin()), 74u);
    std::vector<float> min(74), max(74), def(74);
    lilv_plugin_get_port_ranges_float(bundle.Plugin(), min.data(), max.data(), def.data());
    for (uint32_t i = 0; i < 70; ++i) {
        SCOPED_TRACE(i);
        const LilvPort* port = lilv_plugin_get_port_by_index(bundle.Plugin(), i);
        EXPECT_TRUE(PortIs(bundle, port, LV2_CORE__ControlPort));
        EXPECT_TRUE(PortIs(bundle, port, LV2_CORE__InputPort));
        LilvNode* name = lilv_port_get_name(bundle.Plugin(), port);
        const std::string vstName = Trimmed(vst->ParamName(static_cast<int>(i)));
        if (!vstName.empty()) {
            EXPECT_EQ(lilv_node_as_string(name), vstName);
        }
        lilv_node_free(name);
        // The default is the value the VST2 build starts with (program 1, every parameter at its default).
        const double normalized = vst->GetParameter(static_cast<int>(i));
        EXPECT_NEAR(def[i], min[i] + normalized * (max[i] - min[i]), 1e-4 * (max[i] - min[i]));
    }
    // Switches are toggles; stepped choices name their values as the panel does.
    for (const uint32_t i : {50u, 57u, 65u})
        EXPECT_TRUE(PortHas(bundle, lilv_plugin_get_port_by_index(bundle.Plugin(), i), LV2_CORE__toggled)) << i;
    const LilvPort* wave = lilv_plugin_get_port_by_index(bundle.Plugin(), 1);
    EXPECT_TRUE(PortHas(bundle, wave, LV2_CORE__integer));
    EXPECT_EQ(ScalePointLabel(bundle, wave, 3.0f), "SAW");
    const LilvPort* keyAssign = lilv_plugin_get_port_by_index(bundle.Plugin(), 51);
    EXPECT_TRUE(PortHas(bundle, keyAssign, LV2_CORE__integer));
    EXPECT_FALSE(ScalePointLabel(bundle, keyAssign, 5.0f).empty());

    for (const uint32_t i : {70u, 71u}) {
        const LilvPort* port = lilv_plugin_get_port_by_index(bundle.Plugin(), i);
        EXPECT_TRUE(PortIs(bundle, port, LV2_CORE__AudioPort));
        EXPECT_TRUE(PortIs(bundle, port, LV2_CORE__OutputPort));
    }
    const LilvPort* in = lilv_plugin_get_port_by_index(bundle.Plugin(), 72);
    EXPECT_TRUE(PortIs(bundle, in, LV2_ATOM__AtomPort));
    EXPECT_TRUE(PortIs(bundle, in, LV2_CORE__InputPort));
    EXPECT_TRUE(PortSupports(bundle, in, LV2_MIDI__MidiEvent));
    EXPECT_TRUE(PortSupports(bundle, in, "http://lv2plug.in/ns/ext/time#Position"));
    const LilvPort* out = lilv_plugin_get_port_by_index(bundle.Plugin(), 73);
    EXPECT_TRUE(PortIs(bundle, out, LV2_ATOM__AtomPort));
    EXPECT_TRUE(PortIs(bundle, out, LV2_CORE__OutputPort));
    EXPECT_TRUE(PortSupports(bundle, out, LV2_MIDI__MidiEvent));
}

TEST(Lv2Render, NotesRenderTheSameBitsAsTheVst2BuildAtTheSameBlockSizes)
{
    for (const int block : {512, 100}) {
        SCOPED_TRACE(block);
        Lv2Bundle bundle;
        Lv2Instance lv2(bundle, kRate, block);
        ASSERT_TRUE(lv2.Ok());
        LoadedPlugin vst = LoadPlugin(std::string(), kRate, block);
        PlayChord(*vst.host, lv2);
        const Stereo vstHeld = Render(*vst.host, 24000, block);
        const Stereo lv2Held = lv2.Render(24000, block);
        EXPECT_GT(Peak(lv2Held), 0.01);
        EXPECT_TRUE(AllFinite(lv2Held.left) && AllFinite(lv2Held.right));
        EXPECT_TRUE(SameBits(vstHeld, lv2Held));
        ReleaseChord(*vst.host, lv2);
        EXPECT_TRUE(SameBits(Render(*vst.host, 12000, block), lv2.Render(12000, block)));
    }
}

TEST(Lv2Render, TheSyncedLfoFollowsTheHostsTempoAsInTheVst2Build)
{
    // LFO sync on, the LFO deep on DCO1's pitch: the same tempo gives the same bits in both builds, and
    // another tempo another sound.
    const auto play = [](double bpm, Stereo* fromVst) {
        Lv2Bundle bundle;
        Lv2Instance lv2(bundle, kRate, 512);
        lv2.Control(65) = 1.0f;   // LFO SYNC
        lv2.Control(3) = 49.5f;   // DCO1 LFO
        lv2.Control(33) = 24.75f; // LFO RATE
        lv2.SetTempo(bpm);
        lv2.Render(512, 512);
        lv2.QueueMidi(0, {0x90, 57, 100});
        if (fromVst) {
            LoadedPlugin vst = LoadPlugin(std::string(), kRate, 512);
            vst->SetParameter(65, 1.0f);
            vst->SetParameter(3, 0.5f);
            vst->SetParameter(33, 0.25f);
            vst->SetTempo(bpm);
            Render(*vst.host, 512, 512);
            vst->QueueMidi(0, 0x90, 57, 100);
            *fromVst = Render(*vst.host, 48000, 512);
        }
        return lv2.Render(48000, 512);
    };
    Stereo vst90;
    const Stereo lv2At90 = play(90.0, &vst90);
    EXPECT_GT(Peak(lv2At90), 0.01);
    EXPECT_TRUE(SameBits(lv2At90, vst90));
    EXPECT_FALSE(SameBits(lv2At90, play(180.0, nullptr)));
}

TEST(Lv2Controls, APortTheHostMovesChangesTheSoundAndOneThatStaysDoesNotUndoARestoredState)
{
    // Each instance from its own copy of the bundle: the engine seeds its oscillators' phases from a
    // generator each loaded library has once, so only first instances start alike.
    Lv2Bundle bundleA;
    Lv2Bundle bundleB;
    Lv2Instance a(bundleA, kRate, 512);
    Lv2Instance b(bundleB, kRate, 512);
    ASSERT_TRUE(a.Ok() && b.Ok());
    std::vector<uint8_t> before;
    ASSERT_EQ(a.SaveState(&before), LV2_STATE_SUCCESS);
    a.Control(20) = 30.0f; // VCF FREQUENCY
    a.Render(512, 512);
    std::vector<uint8_t> moved;
    ASSERT_EQ(a.SaveState(&moved), LV2_STATE_SUCCESS);
    EXPECT_NE(moved, before);

    // b's port stays at its default while the state it takes holds 30, and the host restores another
    // control from wherever it last was, as hosts restore controls beside the state: the state wins.
    ASSERT_EQ(b.RestoreState(moved, b.ChunkType()), LV2_STATE_SUCCESS);
    b.Control(21) = 50.0f; // VCF RESONANCE
    b.Render(512, 512);
    std::vector<uint8_t> kept;
    ASSERT_EQ(b.SaveState(&kept), LV2_STATE_SUCCESS);
    EXPECT_EQ(kept, moved);
    // Settled, the same notes sound the same from both.
    a.Render(48000, 512);
    b.Render(48000, 512);
    a.QueueMidi(0, {0x90, 48, 110});
    b.QueueMidi(0, {0x90, 48, 110});
    EXPECT_TRUE(SoundAlike(a.Render(9600, 512), b.Render(9600, 512)));
    // Once b's host moves the port, the port wins again.
    b.Control(20) = 31.0f;
    b.Render(512, 512);
    b.Control(20) = 30.0f;
    b.Render(512, 512);
    ASSERT_EQ(b.SaveState(&kept), LV2_STATE_SUCCESS);
    EXPECT_EQ(kept, moved);
}

TEST(Lv2State, AStateRestoresIntoOtherInstancesAsTheSameBytesAndTheSameSound)
{
    Lv2Bundle bundle;
    Lv2Instance a(bundle, kRate, 256);
    ASSERT_TRUE(a.Ok());
    a.QueueMidi(0, {0xC0, 4}); // program 5
    a.Render(256, 256);
    a.Control(1) = 0.0f;   // DCO1 WAVE
    a.Control(21) = 60.0f; // VCF RESONANCE
    a.Render(256, 256);
    std::vector<uint8_t> saved;
    LV2_URID type = 0;
    ASSERT_EQ(a.SaveState(&saved, &type), LV2_STATE_SUCCESS);
    EXPECT_EQ(type, a.ChunkType());
    ASSERT_GT(saved.size(), 8u);
    EXPECT_EQ(std::memcmp(saved.data(), "tffp", 4), 0);

    // Two instances given the state (each the first of its own copy of the library) play the same
    // notes as the same bits.
    Lv2Bundle bundleB;
    Lv2Bundle bundleC;
    Lv2Instance b(bundleB, kRate, 256);
    Lv2Instance c(bundleC, kRate, 256);
    for (Lv2Instance* other : {&b, &c}) {
        ASSERT_EQ(other->RestoreState(saved, type), LV2_STATE_SUCCESS);
        std::vector<uint8_t> again;
        ASSERT_EQ(other->SaveState(&again), LV2_STATE_SUCCESS);
        EXPECT_EQ(again, saved);
        other->QueueMidi(0, {0x90, 60, 100});
    }
    const Stereo fromB = b.Render(9600, 256);
    EXPECT_GT(Peak(fromB), 0.01);
    EXPECT_TRUE(SameBits(fromB, c.Render(9600, 256)));
}

TEST(Lv2State, AStateTravelsBetweenTheVst2AndLv2BuildsUnchanged)
{
    // VST2 to LV2: the bank chunk goes in as the state and comes out as the same bytes, and the same
    // notes sound the same bits.
    LoadedPlugin vst = LoadPlugin(std::string(), kRate, 512);
    vst->SetParameter(20, 0.25f);
    vst->SetParameter(31, 0.0f);
    Render(*vst.host, 512, 512);
    const std::vector<uint8_t> fromVst = TakeChunk(*vst.host, 0);
    ASSERT_FALSE(fromVst.empty());
    Lv2Bundle bundle;
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_EQ(lv2.RestoreState(fromVst, lv2.ChunkType()), LV2_STATE_SUCCESS);
    std::vector<uint8_t> fromLv2;
    ASSERT_EQ(lv2.SaveState(&fromLv2), LV2_STATE_SUCCESS);
    EXPECT_EQ(fromLv2, fromVst);
    // Settled, the chord sounds the same from both.
    Render(*vst.host, 48000, 512);
    lv2.Render(48000, 512);
    PlayChord(*vst.host, lv2);
    EXPECT_TRUE(SoundAlike(Render(*vst.host, 9600, 512), lv2.Render(9600, 512)));

    // LV2 to VST2: a state edited in the LV2 build loads into a fresh VST2 instance as the same bytes.
    lv2.Control(27) = 50.0f; // VCA LEVEL
    lv2.Render(512, 512);
    ASSERT_EQ(lv2.SaveState(&fromLv2), LV2_STATE_SUCCESS);
    LoadedPlugin other = LoadPlugin(std::string(), kRate, 512);
    std::vector<uint8_t> copy = fromLv2;
    EXPECT_EQ(other->Dispatch(vst::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data()), 1);
    EXPECT_EQ(TakeChunk(*other.host, 0), fromLv2);
}

TEST(Lv2State, HostileStatesAreRefusedWithNothingChanged)
{
    Lv2Bundle bundle;
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_TRUE(lv2.Ok());
    lv2.Control(20) = 45.0f;
    lv2.Render(512, 512);
    std::vector<uint8_t> before;
    ASSERT_EQ(lv2.SaveState(&before), LV2_STATE_SUCCESS);
    ASSERT_GT(before.size(), 100u);

    std::vector<std::vector<uint8_t>> hostile;
    hostile.push_back({});                                                    // nothing
    hostile.emplace_back(before.begin(), before.begin() + 8);                 // the header alone
    hostile.emplace_back(before.begin(), before.begin() + before.size() / 2); // cut in half
    hostile.emplace_back(before.begin() + 8, before.end());                   // no header
    std::vector<uint8_t> slots = before;
    std::memset(slots.data() + 12, 0xFF, 4); // an absurd slot count after the header and version
    hostile.push_back(slots);
    std::vector<uint8_t> noise(before.size());
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint8_t>(i * 131 + 7);
    std::memcpy(noise.data(), before.data(), 8);
    hostile.push_back(noise);
    for (size_t k = 0; k < hostile.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_NE(lv2.RestoreState(hostile[k], lv2.ChunkType()), LV2_STATE_SUCCESS);
        std::vector<uint8_t> after;
        ASSERT_EQ(lv2.SaveState(&after), LV2_STATE_SUCCESS);
        EXPECT_EQ(after, before);
    }
    // The right bytes under another type are not taken either.
    EXPECT_NE(lv2.RestoreState(before, bundle.Urids().Map(LV2_ATOM__String)), LV2_STATE_SUCCESS);
}

TEST(Lv2Presets, TheProgramsOfABankFileAreListedAsPresetsAndOneAppliedSetsItsValues)
{
    const TempFolder folder("kt4r-lv2-presets");
    LoadedPlugin vst = LoadPlugin(std::string(), kRate, 512);
    std::string error;
    ASSERT_TRUE(SaveBankFile(*vst.host, folder.PathOf("Factory Bank.KT4Rbank"), &error)) << error;
    const std::string command = std::string(KT4R_LV2_PRESETS) + " '" + folder.PathOf("Factory Bank.KT4Rbank") + "' '" +
                                folder.Path().string() + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // A file that is no bank is refused.
    std::ofstream(folder.PathOf("not a bank.KT4Rbank")) << "not a bank";
    EXPECT_NE(std::system((std::string(KT4R_LV2_PRESETS) + " '" + folder.PathOf("not a bank.KT4Rbank") + "' '" +
                           folder.Path().string() + "' 2> /dev/null")
                              .c_str()),
              0);

    Lv2Bundle bundle;
    bundle.LoadBundle(folder.PathOf("KT-4R-Factory_Bank.lv2"));
    LilvNode* presetClass = lilv_new_uri(bundle.World(), "http://lv2plug.in/ns/ext/presets#Preset");
    LilvNodes* presets = lilv_plugin_get_related(bundle.Plugin(), presetClass);
    lilv_node_free(presetClass);
    ASSERT_NE(presets, nullptr);
    EXPECT_EQ(lilv_nodes_size(presets), 128u);
    const LilvNode* first = nullptr;
    LILV_FOREACH(nodes, i, presets)
    {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        if (std::string(lilv_node_as_uri(preset)).ends_with(":001"))
            first = preset;
    }
    ASSERT_NE(first, nullptr);

    // Ports moved away from program 1, then the preset: the instrument holds program 1's values again.
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_TRUE(lv2.Ok());
    lv2.Control(1) = 0.0f;
    lv2.Control(20) = 12.0f;
    lv2.Control(50) = 1.0f;
    lv2.Render(512, 512);
    ASSERT_EQ(lv2.InstrumentValue(20), 12.0f);
    ASSERT_TRUE(lv2.ApplyPreset(first));
    lv2.Render(512, 512);
    for (int i = 0; i < 70; ++i)
        EXPECT_FLOAT_EQ(lv2.InstrumentValue(i), lv2.Control(i)) << i;
    EXPECT_EQ(lv2.InstrumentValue(1), 3.0f);
    EXPECT_EQ(lv2.InstrumentValue(20), 99.0f);
    EXPECT_EQ(lv2.InstrumentValue(50), 0.0f);
    lilv_nodes_free(presets);
}

TEST(Lv2Midi, ThruLeavesThroughTheAtomOutput)
{
    Lv2Bundle bundle("MIDI_THRU = TRUE\n");
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_TRUE(lv2.Ok());
    lv2.TakeSentMidi();
    lv2.QueueMidi(3, {0x90, 60, 100});
    lv2.QueueMidi(40, {0xB0, 1, 64});
    lv2.Render(512, 512);
    const auto sent = lv2.TakeSentMidi();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0x90, 60, 100}));
    EXPECT_EQ(sent[1], (std::vector<uint8_t>{0xB0, 1, 64}));
}

TEST(Lv2Controls, PortsAtTheirDeclaredDefaultsLeaveTheConfiguredStartUpAsItIs)
{
    // Twelve voices configured: "Number of Voices" starts at 6 pairs while its port shows the .ttl's 3.
    Lv2Bundle bundle("DEFAULT_NUM_VOICES = 12\n");
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_TRUE(lv2.Ok());
    ASSERT_EQ(lv2.Control(67), 3.0f);
    lv2.Render(1024, 512);
    EXPECT_EQ(lv2.InstrumentValue(67), 6.0f);
    // Moved by the host, the port takes effect.
    lv2.Control(67) = 4.0f;
    lv2.Render(512, 512);
    EXPECT_EQ(lv2.InstrumentValue(67), 4.0f);
}

TEST(Lv2Midi, AMovedPortSendsItsParameterSysExForTheHardware)
{
    Lv2Bundle bundle("SEND_PARAM_SYSEX = TRUE\n");
    Lv2Instance lv2(bundle, kRate, 512);
    ASSERT_TRUE(lv2.Ok());
    lv2.TakeSentMidi();
    lv2.Control(20) = 40.0f; // VCF FREQUENCY
    lv2.Render(512, 512);
    const auto sent = lv2.TakeSentMidi();
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_GE(sent[0].size(), 3u);
    EXPECT_EQ(sent[0].front(), 0xF0);
    EXPECT_EQ(sent[0].back(), 0xF7);
}

TEST(Lv2Files, WithoutAConfigurationBesideTheBundleTheUsersFolderHoldsIt)
{
    // As in a system-wide install: nothing beside the plug-in, the player's file in
    // $XDG_CONFIG_HOME/KT-4R/, which turns MIDI thru on.
    const TempFolder user("kt4r-lv2-user");
    std::filesystem::create_directories(user.PathOf("KT-4R"));
    std::ofstream(user.PathOf("KT-4R/KT-4R.ini")) << "MIDI_THRU = TRUE\n";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", user.Path().c_str(), 1);
    {
        Lv2Bundle bundle;
        Lv2Instance lv2(bundle, kRate, 512);
        ASSERT_TRUE(lv2.Ok());
        lv2.TakeSentMidi();
        lv2.QueueMidi(0, {0x90, 64, 90});
        lv2.Render(512, 512);
        EXPECT_EQ(lv2.TakeSentMidi().size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(bundle.Folder() + "/KT-4R.ini"));
    }
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace kt4r_test
