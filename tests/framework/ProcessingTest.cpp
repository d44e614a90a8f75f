// The process entries as a host sees them: every frame written, the caller's floating-point mode left
// as it was, and the pitch right after the sample rate changes between plays.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <limits>
#include <vector>

#include "tests/support/PluginTestSupport.h"
#include "tests/support/Signal.h"

namespace kt4r_test {
namespace {

constexpr unsigned kFlushToZero = 0x8000;
constexpr unsigned kDenormalsAreZero = 0x0040;

TEST(Processing, WithoutAnAnnouncedBlockSizeAReplacingCallRendersSilence)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->Dispatch(vst::effSetBlockSize, 0, 0);
    plugin->QueueMidi(0, 0x90, 69, 100);
    const Stereo out = Render(*plugin.host, 300, 300);
    for (float v : out.left)
        ASSERT_EQ(v, 0.0f);
}

TEST(Processing, TheCallersFlushToZeroAndDenormalsAreZeroBitsSurviveAProcessCall)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->QueueMidi(0, 0x90, 69, 100);
    plugin->SendEvents();
    const unsigned saved = _mm_getcsr();
    for (unsigned modes : {0u, kFlushToZero, kDenormalsAreZero, kFlushToZero | kDenormalsAreZero}) {
        const unsigned state = (saved & ~(kFlushToZero | kDenormalsAreZero)) | modes;
        std::vector<float> lf(256), rf(256);
        std::vector<double> ld(256), rd(256);
        float* floats[2] = {lf.data(), rf.data()};
        double* doubles[2] = {ld.data(), rd.data()};
        _mm_setcsr(state);
        plugin->ProcessFloat(nullptr, floats, 256);
        const unsigned afterFloat = _mm_getcsr();
        _mm_setcsr(state);
        plugin->ProcessDouble(nullptr, doubles, 256);
        const unsigned afterDouble = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(afterFloat, state) << std::hex << "float entry, control word " << state;
        EXPECT_EQ(afterDouble, state) << std::hex << "double entry, control word " << state;
    }
}

TEST(Processing, ANotePlayedAfterTheSampleRateChangedSoundsAtItsPitch)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), 48000.0, 512);
    plugin->QueueMidi(0, 0x90, 69, 100);
    Render(*plugin.host, 24000, 512);
    plugin->QueueMidi(0, 0x80, 69, 0);
    Render(*plugin.host, 24000, 512);

    constexpr double kNewRate = 44100.0;
    plugin->Suspend();
    plugin->Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(kNewRate));
    plugin->Resume();
    plugin->QueueMidi(0, 0x90, 69, 100);
    const Stereo out = Render(*plugin.host, 2 * 44100, 512);
    const std::vector<double> tail =
        kt4rtest::ToDouble(std::vector<float>(out.left.begin() + 44100 / 2, out.left.end()));
    EXPECT_NEAR(kt4rtest::StrongestFrequency(tail, kNewRate, 380.0, 520.0), 439.70, 0.5);
}

TEST(Processing, ARateOutsideEightToSevenHundredSixtyEightKilohertzIsRefusedAndThePreviousRateKept)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), 48000.0, 512);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float rate : {7999.0f, 768001.0f, 7.5e10f, 1e30f, inf, nan, 0.0f, -48000.0f}) {
        plugin->Suspend();
        EXPECT_EQ(plugin->Dispatch(vst::effSetSampleRate, 0, 0, nullptr, rate), 0) << rate;
        plugin->Resume();
    }
    plugin->QueueMidi(0, 0x90, 69, 100);
    Stereo out = Render(*plugin.host, 2 * 48000, 512);
    EXPECT_TRUE(AllFinite(out.left));
    std::vector<double> tail = kt4rtest::ToDouble(std::vector<float>(out.left.begin() + 24000, out.left.end()));
    EXPECT_NEAR(kt4rtest::StrongestFrequency(tail, 48000.0, 380.0, 520.0), 439.70, 0.5) << "still at 48 kHz";

    // The top of the range is taken: the note sounds at its pitch there (refused, it would sound 16
    // times higher).
    plugin->QueueMidi(0, 0x80, 69, 0);
    Render(*plugin.host, 4800, 512);
    constexpr double kTopRate = 768000.0;
    plugin->Suspend();
    plugin->Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(kTopRate));
    plugin->Resume();
    plugin->QueueMidi(0, 0x90, 69, 100);
    out = Render(*plugin.host, static_cast<int>(kTopRate), 512);
    tail = kt4rtest::ToDouble(std::vector<float>(out.left.begin() + static_cast<int>(kTopRate / 2), out.left.end()));
    EXPECT_NEAR(kt4rtest::StrongestFrequency(tail, kTopRate, 380.0, 520.0), 439.70, 0.5) << "at 768 kHz";
}

} // namespace
} // namespace kt4r_test
