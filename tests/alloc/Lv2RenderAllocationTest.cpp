// The LV2 build's run allocates nothing either: the bundle loaded through lilv into this binary, whose
// counting operator new the plug-in's library takes, and only the run calls counted.
#include <gtest/gtest.h>

#include <lv2/state/state.h>

#include "tests/support/AllocationCounter.h"
#include "tests/support/Lv2TestHost.h"

namespace kt4r_test {
namespace {

using allocations::Count;
using allocations::Counting;
using allocations::ResetCount;

constexpr int kBlock = 256;

// One run: notes, controllers, a program change, a SysEx edit and moved control ports.
void RunBlock(Lv2Instance& lv2, int block, bool counted)
{
    const auto base = static_cast<uint8_t>(48 + (block % 4) * 7);
    lv2.QueueMidi(3, {0x90, base, 100});
    lv2.QueueMidi(5, {0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 0x22, static_cast<uint8_t>(block % 128), 0xF7});
    lv2.QueueMidi(40, {0x90, static_cast<uint8_t>(base + 4), 90});
    lv2.QueueMidi(77, {0xE0, 0, static_cast<uint8_t>(64 + block % 8)});
    lv2.QueueMidi(90, {0xB0, 1, static_cast<uint8_t>(block * 5 % 128)});
    if (block % 3 == 0)
        lv2.QueueMidi(kBlock / 2, {0xC0, static_cast<uint8_t>(block % 128)});
    lv2.QueueMidi(kBlock - 1, {0x80, static_cast<uint8_t>(base - 7), 0});
    lv2.Control(20) = 30.0f + static_cast<float>(block % 10) * 5.0f; // VCF FREQUENCY
    lv2.Control(7) = static_cast<float>(block % 4) / 3.0f;           // DCO2 XMOD
    lv2.SetTempo(100.0 + block % 7);
    const Counting counting(counted);
    lv2.RunOnce(kBlock);
}

TEST(RealTime, TheLv2RunWithMidiSysExProgramChangesAndMovedPortsAllocatesNothing)
{
    Lv2Bundle bundle("MIDI_THRU = FALSE\n");
    Lv2Instance lv2(bundle, 48000.0, kBlock);
    ASSERT_TRUE(lv2.Ok());
    for (int block = 0; block < 8; ++block)
        RunBlock(lv2, block, false);
    ResetCount();
    for (int block = 8; block < 200; ++block)
        RunBlock(lv2, block, true);
    EXPECT_EQ(Count(), 0);

    // The counter does see the plug-in library's allocations: its state is built on the heap.
    const auto* state =
        static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(lv2.Instance(), LV2_STATE__interface));
    ASSERT_NE(state, nullptr);
    const LV2_State_Store_Function ignore = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t) {
        return LV2_STATE_SUCCESS;
    };
    {
        const Counting counting(true);
        state->save(lilv_instance_get_handle(lv2.Instance()), ignore, nullptr, 0, nullptr);
    }
    EXPECT_GT(Count(), 0);
}

} // namespace
} // namespace kt4r_test
