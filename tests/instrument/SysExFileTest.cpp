// SysEx files: single-program and bank files built from programs and read back through the receiver.
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

// What the receiver hands on for a file's bytes: the plug-in loads .syx files through it.
class RecordingSink final : public ISysExSink {
public:
    void Apply(const SysExReceived& received) override { records.push_back(received); }
    std::vector<SysExReceived> records;
};

std::vector<SysExReceived> Receive(SysExCodec& codec, std::span<const uint8_t> bytes)
{
    RecordingSink sink;
    codec.Receive(bytes, sink);
    return sink.records;
}

// A received dump carries the program's hardware patch: the same value bytes for every number.
void ExpectHardwarePatchOf(const SysExCodec& codec, const SysExReceived& dump, const SysExProgram& program)
{
    int carried = 0;
    for (const SysExChange& change : dump.Changes()) {
        EXPECT_EQ(codec.EncodeValue(change.id, change.value),
                  codec.EncodeValue(change.id, program.values[static_cast<size_t>(change.id)]))
            << "id " << change.id;
        ++carried;
    }
    EXPECT_EQ(carried, 44) << "every value the dump carries";
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
TEST(SysExFile, ABankReadsBackAsEachProgramsDumpFollowedByTheRequestToStoreIt)
{
    SysExCodec codec;
    const auto programs = SamplePrograms(128);
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, programs);
    ASSERT_EQ(bytes.size(), 128u * 78u);
    EXPECT_EQ(BuildSysExBankFile(codec, SamplePrograms(130)), bytes);
    EXPECT_TRUE(BuildSysExBankFile(codec, {}).empty());
    const auto read = Receive(codec, bytes);
    ASSERT_EQ(read.size(), 256u);
    for (size_t k = 0; k < programs.size(); ++k) {
        const SysExReceived& dump = read[2 * k];
        ASSERT_EQ(dump.action, SysExAction::kProgramDump);
        // The stored name ends at its end: the zeros after it show as spaces.
        EXPECT_EQ(dump.Name(), (programs[k].name + "          ").substr(0, 10));
        ExpectHardwarePatchOf(codec, dump, programs[k]);
        EXPECT_EQ(read[2 * k + 1].action, SysExAction::kWriteRequest);
        EXPECT_EQ(read[2 * k + 1].program, static_cast<int>(k) + 1);
    }
}

TEST(SysExFile, ASingleProgramFileIsOneDumpOfTheEditBuffer)
{
    SysExCodec codec;
    const SysExProgram program = SamplePrograms(3)[2];
    const std::vector<uint8_t> bytes = BuildSysExProgramFile(codec, program);
    ASSERT_EQ(bytes.size(), 67u);
    const auto read = Receive(codec, bytes);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].action, SysExAction::kProgramDump);
    EXPECT_EQ(read[0].Name(), "Prog 3    ");
    ExpectHardwarePatchOf(codec, read[0], program);
}

// Cut anywhere, a bank gives exactly the messages that lie whole before the cut; bytes without a
// message give none.
TEST(SysExFile, ACutBankGivesOnlyTheMessagesReadInFull)
{
    SysExCodec codec;
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 's', 'y', 's', 'e', 'x', 0xF7, 0xF0};
    EXPECT_TRUE(Receive(codec, text).empty());
    const std::vector<uint8_t> bytes = BuildSysExBankFile(codec, SamplePrograms(4));
    for (size_t size = 0; size <= bytes.size(); ++size) {
        const auto read = Receive(codec, std::span(bytes).first(size));
        const size_t stored = size / 78;
        const bool dumpOnly = size % 78 >= 67;
        ASSERT_EQ(read.size(), 2 * stored + (dumpOnly ? 1 : 0)) << "size " << size;
        for (size_t k = 0; k < stored; ++k) {
            EXPECT_EQ(read[2 * k + 1].program, static_cast<int>(k) + 1);
        }
        if (dumpOnly) {
            EXPECT_EQ(read.back().action, SysExAction::kProgramDump);
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
