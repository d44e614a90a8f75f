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

// The host changes the rate between plays, suspended as hosts do.
void SetRate(PluginHost& host, double rate)
{
    host.Suspend();
    host.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    host.Resume();
}

// Note 69 played for a second at rate: its pitch over the second half, every sample finite.
double Note69Pitch(PluginHost& host, double rate)
{
    host.QueueMidi(0, 0x90, 69, 100);
    const int frames = static_cast<int>(rate);
    const Stereo out = Render(host, frames, 512);
    EXPECT_TRUE(AllFinite(out.left));
    const std::vector<double> tail =
        kt4rtest::ToDouble(std::vector<float>(out.left.begin() + frames / 2, out.left.end()));
    host.QueueMidi(0, 0x80, 69, 0);
    Render(host, 4800, 512);
    return kt4rtest::StrongestFrequency(tail, rate, 380.0, 520.0);
}

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
    Note69Pitch(*plugin.host, 48000.0);
    SetRate(*plugin.host, 44100.0);
    EXPECT_NEAR(Note69Pitch(*plugin.host, 44100.0), 439.70, 0.5);
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
    EXPECT_NEAR(Note69Pitch(*plugin.host, 48000.0), 439.70, 0.5) << "still at 48 kHz";

    // The top of the range is taken: the note sounds at its pitch there (refused, it would sound 16
    // times higher).
    SetRate(*plugin.host, 768000.0);
    EXPECT_NEAR(Note69Pitch(*plugin.host, 768000.0), 439.70, 0.5) << "at 768 kHz";
}

} // namespace
} // namespace kt4r_test
