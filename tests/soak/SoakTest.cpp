// The misbehaving host, bounded: a fixed number of random host calls for a few seeds, each checked.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/soak/SoakSession.h"

namespace kt4r_soak {
namespace {

TEST(Soak, RandomHostCallsOfEveryKindKeepEveryInvariant)
{
    for (uint64_t seed : {1u, 2u, 3u}) {
        SoakSession session(seed, BuildProbe());
        std::string failure;
        ASSERT_TRUE(session.Ready(&failure)) << failure;
        for (int step = 0; step < KT4R_SOAK_STEPS; ++step) {
            if (!session.Step(&failure))
                FAIL() << "seed " << seed << ", " << failure << "\nlast steps:\n" << session.RecentSteps();
        }
        const SoakCounts& counts = session.Counts();
        // Every kind of check ran, many times.
        EXPECT_GT(counts.engineChecks, KT4R_SOAK_STEPS / 10);
        EXPECT_EQ(counts.bankChecks, KT4R_SOAK_STEPS);
        if (BuildProbe().start) {
            EXPECT_GT(counts.allocationChecks, KT4R_SOAK_STEPS / 4);
        }
    }
}

// A bank chunk laid out as the plug-in writes it: header, 129 named slots (program blocks filled with
// the slot number), the current program and the settings.
std::vector<uint8_t> Bank(bool immediateWrite)
{
    std::vector<uint8_t> bytes;
    auto int32 = [&](int32_t v) {
        bytes.resize(bytes.size() + 4);
        std::memcpy(bytes.data() + bytes.size() - 4, &v, 4);
    };
    auto str = [&](const std::string& s) {
        int32(static_cast<int32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    };
    int32(0x70666674);
    int32(0x00010000);
    int32(0x0002000C);
    int32(129);
    for (int slot = 0; slot < 129; ++slot) {
        str("Program " + std::to_string(slot));
        const bool stored = slot % 3 != 2; // some slots never stored
        bytes.push_back(stored ? 1 : 0);
        if (stored)
            bytes.insert(bytes.end(), 2525, static_cast<uint8_t>(slot));
    }
    int32(1);
    str("Program 0");
    int32(0);
    bytes.push_back(immediateWrite ? 1 : 0);
    bytes.push_back(0);
    bytes.push_back(0);
    bytes.insert(bytes.end(), 8, 0);
    return bytes;
}

TEST(Soak, TheProgramModelFindsAProgramChangedWhereNothingMayChangeIt)
{
    const std::vector<uint8_t> bank = Bank(false);
    BankView view;
    ASSERT_TRUE(ParseBank(bank.data(), bank.size(), &view));
    EXPECT_EQ(view.names[4], "Program 4");
    EXPECT_FALSE(view.immediateWrite);
    EXPECT_TRUE(ParseBank(Bank(true).data(), bank.size(), &view) && view.immediateWrite);
    for (size_t cut : {size_t{0}, size_t{12}, bank.size() / 2, bank.size() - 1})
        EXPECT_FALSE(ParseBank(bank.data(), cut, &view)) << cut;

    ProgramModel model;
    std::string failure;
    ASSERT_TRUE(model.Start(bank, &failure)) << failure;
    EXPECT_TRUE(model.Check(bank, ProgramEffect::kNone, {}, &failure)) << failure;

    std::vector<uint8_t> changed = bank;
    changed[view.slotBegin[4] + 20] ^= 1; // a byte of program 4's block
    EXPECT_FALSE(model.Check(changed, ProgramEffect::kNone, {}, &failure));
    EXPECT_NE(failure.find(" 4 (\"Program 4\")"), std::string::npos) << failure;
    EXPECT_EQ(failure.find(" 3 ("), std::string::npos) << failure;
    EXPECT_EQ(failure.find(" 5 ("), std::string::npos) << failure;
    // A bank set must be matched exactly; a write may change anything.
    EXPECT_FALSE(model.Check(changed, ProgramEffect::kBecomes, bank, &failure));
    EXPECT_TRUE(model.Check(changed, ProgramEffect::kBecomes, changed, &failure)) << failure;
    EXPECT_TRUE(model.Check(bank, ProgramEffect::kMayChange, {}, &failure)) << failure;
}

TEST(Soak, OnlyWriteRequestsAndNumberedDumpsMayStoreAProgram)
{
    EXPECT_TRUE(MayStoreProgram({0xF0, 0x41, 0x34, 0x00, 0x21, 0x20, 0x01, 0x00, 0x05, 0x02, 0xF7}));
    EXPECT_TRUE(MayStoreProgram({0x12, 0xF7, 0xF0, 0x41, 0x37, 0x00}));
    EXPECT_FALSE(MayStoreProgram({0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 0x22, 0x40, 0xF7}));
    EXPECT_FALSE(MayStoreProgram({0xF0, 0x42, 0x34, 0xF7}));
    EXPECT_FALSE(MayStoreProgram({}));
}

} // namespace
} // namespace kt4r_soak
