// The reset the fuzz targets give their one instance between inputs, through host entries only: after
// a hostile session it must leave nothing behind that a host could read and nothing held that a
// listener would hear, or a failure found by a fuzzer would not reproduce from its input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/InstanceReset.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/support/Signal.h"

namespace kt4r_test {
namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 64;

constexpr int kBendRange = 48;

// An instance as the fuzz host makes it: opened, resumed, captured, and reset once before its first
// input. Its patch bends (the default one does not), so that a bend left by a session would be heard.
struct ResetInstance {
    LoadedPlugin plugin = LoadPlugin("LOCK = TRUE\n", kRate, kBlock);
    kt4rfuzz::InstanceReset reset{Bending(plugin), kRate, kBlock};
    ResetInstance() { reset.Restore(); }

    static vst::EffectRecord* Bending(LoadedPlugin& plugin)
    {
        plugin->SetParameter(kBendRange, 1.0f);
        return plugin->Effect();
    }
};

// Everything about programs and parameters a host can read.
struct HostView {
    std::vector<uint8_t> bank;
    std::vector<uint8_t> program;
    intptr_t number = 0;
    std::vector<std::string> names;
    std::vector<float> params;
    std::vector<std::string> displays;
};

HostView Read(PluginHost& host)
{
    HostView view;
    view.bank = TakeChunk(host, 0);
    view.program = TakeChunk(host, 1);
    view.number = host.Dispatch(vst::effGetProgram);
    for (int i = 0; i < host.Effect()->numPrograms; ++i) {
        char name[vst::kMaxProgNameLen] = {};
        host.Dispatch(vst::effGetProgramNameIndexed, i, 0, name);
        view.names.emplace_back(name);
    }
    for (int i = 0; i < host.Effect()->numParams; ++i) {
        view.params.push_back(host.GetParameter(i));
        view.displays.push_back(host.ParamDisplay(i));
    }
    return view;
}

// What a careless host and a wild MIDI stream do: notes held on every channel with the sustain pedal
// down, the wheels and pressures at their ends, every parameter (settings too) moved, another program
// chosen and renamed, a damaged program state, other rates and block sizes, played for a while.
void Misuse(PluginHost& host)
{
    for (int channel = 0; channel < 16; ++channel) {
        host.QueueMidi(0, static_cast<uint8_t>(0xB0 | channel), 64, 127);
        host.QueueMidi(0, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(40 + channel), 127);
        host.QueueMidi(3, static_cast<uint8_t>(0xA0 | channel), static_cast<uint8_t>(40 + channel), 127);
    }
    Render(host, 4096, kBlock);
    uint32_t s = 12345;
    for (int i = 0; i < host.Effect()->numParams; ++i) {
        s = s * 214013u + 2531011u;
        host.SetParameter(i, static_cast<float>((s >> 16) & 0x7FFF) / 32767.0f);
    }
    host.Dispatch(vst::effSetProgram, 0, 7);
    char name[] = "left behind";
    host.Dispatch(vst::effSetProgramName, 0, 0, name);
    std::vector<uint8_t> damaged = TakeChunk(host, 1);
    damaged.resize(damaged.size() / 2);
    std::fill(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 4), damaged.end(), 0xA5);
    host.Dispatch(vst::effSetChunk, 1, static_cast<intptr_t>(damaged.size()), damaged.data());
    host.QueueMidi(0, 0xC3, 11, 0);
    host.QueueMidi(5, 0x95, 70, 90);
    Render(host, 2048, kBlock);
    host.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 96000.0f);
    host.Dispatch(vst::effSetBlockSize, 0, 17);
    host.QueueMidi(0, 0x91, 64, 120);
    Render(host, 1000, 17);
    // Back at the rate the reset restores (a change of rate would itself bring the bend to rest).
    host.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, kRate);
    host.Dispatch(vst::effSetBlockSize, 0, kBlock);
    for (int channel = 0; channel < 16; ++channel) {
        host.QueueMidi(0, static_cast<uint8_t>(0xE0 | channel), 127, 127);
        host.QueueMidi(1, static_cast<uint8_t>(0xD0 | channel), 127, 0);
        host.QueueMidi(2, static_cast<uint8_t>(0xB0 | channel), 1, 127);
    }
    Render(host, 1024, kBlock);
}

// A note held for a second: its pitch is what a listener compares.
double NotePitch(PluginHost& host)
{
    host.QueueMidi(3, 0x90, 69, 100);
    const Stereo note = Render(host, static_cast<int>(kRate), kBlock);
    host.QueueMidi(0, 0x80, 69, 0);
    Render(host, kBlock, kBlock);
    return kt4rtest::StrongestFrequency(kt4rtest::ToDouble(note.left, note.left.size() / 2), kRate, 300.0, 600.0);
}

float PeakOf(const Stereo& s)
{
    float peak = 0.0f;
    for (size_t i = 0; i < s.left.size(); ++i)
        peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    return peak;
}

// Automation only: the edit buffer changes, the program slots do not (the reset's quick way back).
void Automate(PluginHost& host)
{
    for (int i = 0; i < host.Effect()->numParams; i += 3)
        host.SetParameter(i, 0.25f);
    Render(host, 1024, kBlock);
}

TEST(InstanceReset, AfterAHostileSessionOrAutomationTheHostReadsWhatAFreshInstanceHolds)
{
    ResetInstance fresh;
    const HostView expected = Read(*fresh.plugin.host);
    ASSERT_FALSE(expected.bank.empty());
    const struct {
        const char* name;
        void (*run)(PluginHost&);
    } sessions[] = {{"hostile", Misuse}, {"automation", Automate}};
    for (const auto& session : sessions) {
        SCOPED_TRACE(session.name);
        ResetInstance used;
        session.run(*used.plugin.host);
        used.reset.Restore();
        const HostView got = Read(*used.plugin.host);
        EXPECT_EQ(got.bank, expected.bank) << "bank chunk bytes";
        EXPECT_EQ(got.program, expected.program) << "program chunk bytes";
        EXPECT_EQ(got.number, expected.number);
        EXPECT_EQ(got.names, expected.names);
        EXPECT_EQ(got.params, expected.params);
        EXPECT_EQ(got.displays, expected.displays);
    }
}

// Nothing is held: the notes, the pedal and the controllers left by the session are let go, so what
// still sounds after the reset fades with the patch's release, and a note plays at the fresh pitch
// (not bent, no vibrato from a wheel left up). The samples themselves are not the fresh instance's:
// the modulators run on with every frame rendered (on a fresh instance, a few more silent blocks
// before a note change its samples too), and no host entry sets them back.
TEST(InstanceReset, AfterAHostileSessionNothingIsHeldAndANoteSoundsAtTheFreshPitch)
{
    ResetInstance fresh;
    ResetInstance used;
    PluginHost& host = *used.plugin.host;
    Misuse(host);
    used.reset.Restore();

    Render(host, 2 * static_cast<int>(kRate), kBlock); // the release of the captured patch
    const float tail = PeakOf(Render(host, kBlock * 16, kBlock));
    Render(*fresh.plugin.host, 2 * static_cast<int>(kRate), kBlock);
    const float freshTail = PeakOf(Render(*fresh.plugin.host, kBlock * 16, kBlock));
    EXPECT_LT(tail, std::max(1e-6f, 4.0f * freshTail)) << "fresh instance's floor " << freshTail;

    const double expected = NotePitch(*fresh.plugin.host);
    EXPECT_NEAR(NotePitch(host), expected, 0.2);
}

} // namespace
} // namespace kt4r_test
