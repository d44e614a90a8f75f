// SysEx files: single-program and bank files built from programs and read back.
#include <gtest/gtest.h>

#include "instrument/SysExFile.h"

#include "tests/support/TempFolder.h"

namespace kt4r {
namespace {

std::vector<SysExProgram> SamplePrograms(int count)
{
    std::vector<SysExProgram> programs(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        SysExProgram& program = programs[static_cast<size_t>(k)];
        program.name = "Prog " + std::to_string(k + 1);
        for (int id = 0; id < kPatchParamCount; ++id) {
            program.values[static_cast<size_t>(id)] = ((k * 31 + id * 17) % 101) / 100.0;
        }
    }
    return programs;
}

// The hardware patch of two programs sends the same bytes.
void ExpectSameHardwarePatch(const SysExCodec& codec, const SysExProgram& a, const SysExProgram& b)
{
    for (int id = 0; id < kPatchParamCount; ++id) {
        if (codec.HwNumber(id) >= 0 && id != Index(ParamId::kBendLfo)) {
            EXPECT_EQ(codec.EncodeValue(id, a.values[static_cast<size_t>(id)]),
                      codec.EncodeValue(id, b.values[static_cast<size_t>(id)]))
                << "id " << id;
        }
    }
}

TEST(SysExFile, ABankOfThirtyTwoIsDumpsEachFollowedByItsWriteRequest)
{
    SysExCodec codec;
    codec.SetFormat(2);
    const auto programs = SamplePrograms(32);
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, programs);
    ASSERT_EQ(bytes.size(), 2496u);
    for (size_t k = 0; k < 32; ++k) {
        const size_t dump = k * 78;
        EXPECT_EQ(bytes[dump + 2], 0x35);
        EXPECT_EQ(bytes[dump + 66], 0xF7);
        EXPECT_EQ(bytes[dump + 67 + 2], 0x34);
        EXPECT_EQ(bytes[dump + 67 + 8], k);
    }
}

// A bank stops at 128 programs.
TEST(SysExFile, ABankReadsBackIntoTheProgramsItWasBuiltFrom)
{
    SysExCodec codec;
    const auto programs = SamplePrograms(128);
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, programs);
    ASSERT_EQ(bytes.size(), 128u * 78u);
    EXPECT_EQ(BuildSysExBankFile(codec, SamplePrograms(130)), bytes);
    EXPECT_TRUE(BuildSysExBankFile(codec, {}).empty());
    const auto read = ParseSysExFile(codec, bytes);
    ASSERT_EQ(read.size(), 128u);
    for (size_t k = 0; k < read.size(); ++k) {
        EXPECT_EQ(read[k].slot, static_cast<int>(k) + 1);
        // The stored name ends at its end: the zeros after it show as spaces.
        EXPECT_EQ(read[k].program.name, (programs[k].name + "          ").substr(0, 10));
        ExpectSameHardwarePatch(codec, read[k].program, programs[k]);
    }
    // What the hardware patch does not carry starts from the default patch.
    EXPECT_EQ(read[0].program.values[Index(ParamId::kChorusLevel)], 0.55);
    EXPECT_EQ(read[0].program.values[Index(ParamId::kBendLfo)], 1.0);
}

TEST(SysExFile, ASingleProgramFileLeavesTheProgramInTheEditBuffer)
{
    SysExCodec codec;
    const SysExProgram program = SamplePrograms(3)[2];
    const std::vector<uint8_t> bytes = BuildSysExProgramFile(codec, program);
    ASSERT_EQ(bytes.size(), 67u);
    const auto read = ParseSysExFile(codec, bytes);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].slot, 0);
    EXPECT_EQ(read[0].program.name, "Prog 3    ");
    ExpectSameHardwarePatch(codec, read[0].program, program);
}

// Cut anywhere, a bank gives exactly the programs whose messages lie whole before the cut; bytes
// without a message give none.
TEST(SysExFile, ACutBankGivesOnlyTheProgramsReadInFull)
{
    SysExCodec codec;
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 's', 'y', 's', 'e', 'x', 0xF7, 0xF0};
    EXPECT_TRUE(ParseSysExFile(codec, text).empty());
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, SamplePrograms(4));
    for (size_t size = 0; size <= bytes.size(); ++size) {
        const auto read = ParseSysExFile(codec, std::span(bytes).first(size));
        const size_t stored = size / 78;
        const bool dumpOnly = size % 78 >= 67;
        ASSERT_EQ(read.size(), stored + (dumpOnly ? 1 : 0)) << "size " << size;
        for (size_t k = 0; k < stored; ++k) {
            EXPECT_EQ(read[k].slot, static_cast<int>(k) + 1);
        }
        if (dumpOnly) {
            EXPECT_EQ(read.back().slot, 0);
        }
    }
}

TEST(SysExFile, FilesWriteAndReadBackWholeAndMissingFilesReadNothing)
{
    SysExCodec codec;
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, SamplePrograms(32));
    const kt4r_test::TempFolder folder("kt4r-sysex-file");
    ASSERT_TRUE(WriteSysExFile(folder.PathOf("bank.syx"), bytes));
    std::vector<uint8_t> read;
    ASSERT_TRUE(ReadSysExFile(folder.PathOf("bank.syx"), read));
    EXPECT_EQ(read, bytes);

    read = {1, 2, 3};
    EXPECT_FALSE(ReadSysExFile(folder.PathOf("missing.syx"), read));
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(ReadSysExFile("", read));
    EXPECT_FALSE(WriteSysExFile("", bytes));
    EXPECT_FALSE(WriteSysExFile("/nonexistent-folder/x.syx", bytes));
}

} // namespace
} // namespace kt4r
