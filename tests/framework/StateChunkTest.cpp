// State through the host's chunk opcodes: saved from one instance, loaded into a second, and what a
// damaged chunk may and may not change.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {
namespace {

constexpr int kHostParams = 70;
constexpr int kBank = 0;
constexpr int kProgram = 1;

intptr_t LoadChunk(PluginHost& host, int kind, std::vector<uint8_t> chunk)
{
    return host.Dispatch(vst::effSetChunk, kind, static_cast<intptr_t>(chunk.size()), chunk.data());
}

std::array<float, kHostParams> HostValues(PluginHost& host)
{
    std::array<float, kHostParams> values{};
    for (int i = 0; i < kHostParams; ++i)
        values[static_cast<size_t>(i)] = host.GetParameter(i);
    return values;
}

// A few parameters of every kind moved away from their defaults, as automation does.
void Automate(PluginHost& host, float amount)
{
    host.SetParameter(20, amount);        // continuous
    host.SetParameter(33, 1.0f - amount); // continuous
    host.SetParameter(50, 1.0f);          // switch
    host.SetParameter(51, amount);        // integer
    host.SetParameter(2, 0.5f * amount);  // continuous
}

// Both chunk kinds, taken after automation and rendering, load into a fresh instance with the values
// the first one held; a bank saves again to the same bytes.
TEST(StateChunk, ChunksRoundTripBetweenTwoInstancesWithTheAutomationMadeBeforeThem)
{
    LoadedPlugin a = LoadPlugin();
    Render(*a.host, 512, 512);
    const std::vector<uint8_t> before = TakeChunk(*a.host, kProgram);
    Automate(*a.host, 0.125f);
    Render(*a.host, 512, 512);
    a->SetParameter(20, 0.375f);
    const std::vector<uint8_t> program = TakeChunk(*a.host, kProgram);
    const std::vector<uint8_t> bank = TakeChunk(*a.host, kBank);
    ASSERT_GT(program.size(), 8u);
    EXPECT_EQ(std::memcmp(program.data(), "tffp", 4), 0);
    EXPECT_NE(program, before);

    for (const auto& [kind, chunk] : {std::pair{kProgram, program}, std::pair{kBank, bank}}) {
        LoadedPlugin b = LoadPlugin();
        ASSERT_EQ(LoadChunk(*b.host, kind, chunk), 1);
        EXPECT_EQ(HostValues(*a.host), HostValues(*b.host));
        EXPECT_FLOAT_EQ(b->GetParameter(20), 0.375f) << (kind == kBank ? "bank" : "program");
        if (kind == kBank) {
            EXPECT_EQ(TakeChunk(*b.host, kBank), bank);
        }
    }
}

TEST(StateChunk, SelectingTheCurrentProgramAgainKeepsItsAutomation)
{
    LoadedPlugin plugin = LoadPlugin();
    Automate(*plugin.host, 0.25f);
    const auto automated = HostValues(*plugin.host);
    plugin->Dispatch(vst::effSetProgram, 0, 0);
    EXPECT_EQ(HostValues(*plugin.host), automated);
}

TEST(StateChunk, RenamingTheProgramKeepsItsAutomationInTheBank)
{
    LoadedPlugin a = LoadPlugin();
    Automate(*a.host, 0.25f);
    a->Dispatch(vst::effSetProgramName, 0, 0, const_cast<char*>("Brass"));
    char name[64] = {};
    a->Dispatch(vst::effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Brass");
    LoadedPlugin b = LoadPlugin();
    ASSERT_EQ(LoadChunk(*b.host, kBank, TakeChunk(*a.host, kBank)), 1);
    EXPECT_EQ(HostValues(*a.host), HostValues(*b.host));
    b->Dispatch(vst::effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "Brass");
}

TEST(StateChunk, ATruncatedChunkChangesNoParameterItCannotReadInFull)
{
    LoadedPlugin a = LoadPlugin();
    Automate(*a.host, 0.75f);
    const std::vector<uint8_t> bank = TakeChunk(*a.host, kBank);
    LoadedPlugin b = LoadPlugin();
    Automate(*b.host, 0.25f);
    const auto before = HostValues(*b.host);
    ASSERT_NE(before, HostValues(*a.host));
    // Inside the header, the name, the flag, the first values, the middle and the very last byte.
    for (size_t cut : {size_t{6}, size_t{8}, size_t{14}, bank.size() - 70 * 8, bank.size() - 69 * 8 + 3,
                       bank.size() / 2, bank.size() - 1}) {
        ASSERT_LT(cut, bank.size());
        EXPECT_EQ(LoadChunk(*b.host, kBank, std::vector<uint8_t>(bank.begin(), bank.begin() + cut)), 0) << cut;
        EXPECT_EQ(HostValues(*b.host), before) << "cut after " << cut << " bytes";
    }
    EXPECT_EQ(LoadChunk(*b.host, kProgram, {'t', 'f', 'f', 'p', 0, 0}), 0);
    EXPECT_EQ(HostValues(*b.host), before);
    // The instance is still whole: the complete bank loads afterwards.
    EXPECT_EQ(LoadChunk(*b.host, kBank, bank), 1);
    EXPECT_EQ(HostValues(*b.host), HostValues(*a.host));
}

} // namespace
} // namespace kt4r_test
