// The program and bank file layouts: header bytes, round trips and the files that are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "instrument/PatchFile.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/PlainProgramFile.h"
#include "tests/support/TempFolder.h"

namespace {

using kt4r_test::PlainProgramFile;
using kt4r_test::PutText;
using Bytes = std::vector<uint8_t>;

const Bytes kChunk = {'t', 'f', 'f', 'p', 0, 0, 1, 0, 0xAA, 0xBB, 0xCC};

// Header of `size` bytes with the chunk's size in its last word, then the chunk.
Bytes ExpectedFile(size_t size, const char* kind, uint32_t version, uint32_t count)
{
    Bytes expected(size, 0);
    PutText(&expected, 0, "CcnK");
    kt4r_test::PutBig32(&expected, 4, static_cast<uint32_t>(size + kChunk.size() - 8));
    PutText(&expected, 8, kind);
    kt4r_test::PutBig32(&expected, 12, version);
    PutText(&expected, 16, "KT4R");
    kt4r_test::PutBig32(&expected, 20, 20012);
    kt4r_test::PutBig32(&expected, 24, count);
    kt4r_test::PutBig32(&expected, size - 4, static_cast<uint32_t>(kChunk.size()));
    expected.insert(expected.end(), kChunk.begin(), kChunk.end());
    return expected;
}

TEST(PatchFile, ProgramAndBankFileHeadersAreByteExact)
{
    Bytes program = ExpectedFile(60, "FPCh", 1, 70);
    PutText(&program, 28, "Brass 1");
    EXPECT_EQ(kt4r::BuildProgramFile("Brass 1", kChunk), program);
    EXPECT_EQ(kt4r::BuildBankFile(kChunk), ExpectedFile(160, "FBCh", 2, 1));
    EXPECT_EQ(kt4r::BuildBankFile(kChunk, 5)[31], 5);
}

TEST(PatchFile, LongNamesAreCutTo27BytesAndNeverInsideACharacter)
{
    const std::string ascii(40, 'x');
    kt4r::ProgramFile program;
    ASSERT_TRUE(kt4r::ParseProgramFile(kt4r::BuildProgramFile(ascii, kChunk), &program));
    EXPECT_EQ(program.name, std::string(27, 'x'));

    // 26 bytes, then a two-byte character that would straddle the cut.
    const std::string accented = std::string(26, 'a') + "\xC3\xA9" + "zz";
    ASSERT_TRUE(kt4r::ParseProgramFile(kt4r::BuildProgramFile(accented, kChunk), &program));
    EXPECT_EQ(program.name, std::string(26, 'a'));
}

TEST(PatchFile, ProgramFilesWithAWrongFieldOrTooFewBytesAreRefusedUntouched)
{
    const Bytes good = kt4r::BuildProgramFile("Good", kChunk);
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"magic", 0, 0x43636E4C},    {"kind", 8, 0x46424368},
        {"format version", 12, 2},   {"unique id", 16, 0x4B543452 + 1},
        {"parameter count", 24, 69}, {"chunk past the end", 56, 12},
        {"empty chunk", 56, 0},      {"negative chunk size", 56, 0xFFFFFFF0},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        kt4r_test::PutBig32(&bad, c.at, c.value);
        kt4r::ProgramFile out;
        out.name = "untouched";
        EXPECT_FALSE(kt4r::ParseProgramFile(bad, &out)) << c.what;
        EXPECT_EQ(out.name, "untouched") << c.what;
        EXPECT_TRUE(out.chunk.empty()) << c.what;
    }
    for (size_t size = 0; size < good.size(); ++size) {
        kt4r::ProgramFile out;
        EXPECT_FALSE(kt4r::ParseProgramFile(std::span(good).first(size), &out)) << size << " bytes";
    }
    EXPECT_FALSE(kt4r::ParseProgramFile(good, nullptr));
}

TEST(PatchFile, BankFilesWithAWrongFieldOrTooFewBytesAreRefusedUntouched)
{
    const Bytes good = kt4r::BuildBankFile(kChunk);
    std::vector<Bytes> bad(4, good);
    PutText(&bad[0], 8, "FxBk");                        // a plain-parameter bank
    PutText(&bad[1], 16, "ABCD");                       // another plug-in's
    PutText(&bad[2], 0, "RIFF");                        // not a bank at all
    kt4r_test::PutBig32(&bad[3], 156, 0x7FFFFFFF);      // a chunk past the end
    bad.emplace_back(good.begin(), good.end() - 1);     // cut inside the chunk
    bad.emplace_back(good.begin(), good.begin() + 159); // cut inside the header
    for (const Bytes& file : bad) {
        Bytes chunk = {1, 2, 3};
        EXPECT_FALSE(kt4r::ParseBankFile(file, &chunk));
        EXPECT_EQ(chunk, (Bytes{1, 2, 3}));
    }
}

// Bytes after the declared chunk are not part of it.
TEST(PatchFile, FormatVersionAndCountOfABankAndTheByteSizesAreNotChecked)
{
    Bytes bank = kt4r::BuildBankFile(kChunk);
    kt4r_test::PutBig32(&bank, 4, 0);
    kt4r_test::PutBig32(&bank, 12, 1);
    kt4r_test::PutBig32(&bank, 24, 128);
    bank.push_back(0x55);
    Bytes chunk;
    EXPECT_TRUE(kt4r::ParseBankFile(bank, &chunk));
    EXPECT_EQ(chunk, kChunk);

    Bytes program = kt4r::BuildProgramFile("x", kChunk);
    kt4r_test::PutBig32(&program, 4, 12345);
    kt4r_test::PutBig32(&program, 20, 1);
    kt4r::ProgramFile out;
    EXPECT_TRUE(kt4r::ParseProgramFile(program, &out));
}

TEST(PatchFile, APlainProgramFileGivesItsSeventyValuesKeptWithinZeroToOneAndName)
{
    kt4r::ProgramFile out;
    ASSERT_TRUE(kt4r::ParseProgramFile(PlainProgramFile("Organ", 0.25f), &out));
    EXPECT_FALSE(out.hasChunk);
    EXPECT_EQ(out.name, "Organ");
    EXPECT_FLOAT_EQ(out.values[0], 0.25f);
    EXPECT_FLOAT_EQ(out.values[69], 0.25f + 0.069f);
    ASSERT_TRUE(kt4r::ParseProgramFile(PlainProgramFile("Loud", 1.5f), &out));
    EXPECT_EQ(out.values[3], 1.0f);
    ASSERT_TRUE(kt4r::ParseProgramFile(PlainProgramFile("Low", -2.0f), &out));
    EXPECT_EQ(out.values[3], 0.0f);
}

TEST(PatchFile, APlainProgramFileShortOfItsSeventyValuesOrWithANonFiniteOneIsRefusedUntouched)
{
    const Bytes full = PlainProgramFile("Bad", 0.5f);
    std::vector<Bytes> bad = {Bytes(full.begin(), full.end() - 1), Bytes(full.begin(), full.begin() + 60)};
    for (const float poison : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        uint32_t bits = 0;
        std::memcpy(&bits, &poison, 4);
        kt4r_test::PutBig32(&bad.emplace_back(full), 56 + 4 * 37, bits);
    }
    for (const Bytes& file : bad) {
        kt4r::ProgramFile out;
        out.name = "untouched";
        out.values.fill(0.75f);
        EXPECT_FALSE(kt4r::ParseProgramFile(file, &out)) << file.size() << " bytes";
        EXPECT_EQ(out.name, "untouched");
        EXPECT_EQ(out.values[0], 0.75f);
    }
}

TEST(PatchFile, EmptyChunksAreNotWritten)
{
    EXPECT_TRUE(kt4r::BuildProgramFile("x", {}).empty());
    EXPECT_TRUE(kt4r::BuildBankFile({}).empty());
}

class PatchFilePaths : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return mFolder.PathOf(name); }

    kt4r_test::TempFolder mFolder{"kt4r-patchfile"};
};

TEST_F(PatchFilePaths, WrittenFilesReadBack)
{
    const std::string preset = PathOf("a.KT4Rpreset");
    const std::string bank = PathOf("a.KT4Rbank");
    ASSERT_TRUE(kt4r::WriteProgramFile(preset, "Pad", kChunk));
    ASSERT_TRUE(kt4r::WriteBankFile(bank, kChunk));
    kt4r::ProgramFile program;
    ASSERT_TRUE(kt4r::ReadProgramFile(preset, &program));
    EXPECT_TRUE(program.hasChunk);
    EXPECT_EQ(program.chunk, kChunk);
    EXPECT_EQ(program.name, "Pad");
    Bytes chunk;
    ASSERT_TRUE(kt4r::ReadBankFile(bank, &chunk));
    EXPECT_EQ(chunk, kChunk);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Path()), {}), 2) << "no temporary file is left";
    // A bank is not a program and a program is not a bank.
    EXPECT_FALSE(kt4r::ReadProgramFile(bank, &program));
    EXPECT_FALSE(kt4r::ReadBankFile(preset, &chunk));
}

TEST_F(PatchFilePaths, MissingEmptyOversizedAndDirectoryPathsFail)
{
    Bytes bytes = {9};
    EXPECT_FALSE(kt4r::ReadWholeFile(PathOf("missing"), &bytes));
    EXPECT_FALSE(kt4r::ReadWholeFile("", &bytes));
    EXPECT_FALSE(kt4r::ReadWholeFile(mFolder.Path().string(), &bytes));
    EXPECT_FALSE(kt4r::WriteWholeFile("", kChunk));
    EXPECT_FALSE(kt4r::WriteWholeFile(PathOf("no/such/folder/x"), kChunk));

    const std::string big = PathOf("big");
    ASSERT_TRUE(kt4r::WriteWholeFile(big, Bytes(100001, 7)));
    EXPECT_FALSE(kt4r::ReadWholeFile(big, &bytes, 100000));
    EXPECT_EQ(bytes, Bytes{9});
    ASSERT_TRUE(kt4r::ReadWholeFile(big, &bytes, 100001));
    EXPECT_EQ(bytes.size(), 100001u);
}

TEST_F(PatchFilePaths, AFailedWriteLeavesTheOldFileAsItWas)
{
    if (!kt4r_test::FailingWrites::kAvailable)
        GTEST_SKIP() << "no way to make writes fail here";
    const std::string preset = PathOf("keep.KT4Rpreset");
    ASSERT_TRUE(kt4r::WriteProgramFile(preset, "Old", kChunk));
    {
        kt4r_test::FailingWrites failing;
        EXPECT_FALSE(kt4r::WriteProgramFile(preset, "New", kChunk));
    }
    kt4r::ProgramFile program;
    ASSERT_TRUE(kt4r::ReadProgramFile(preset, &program));
    EXPECT_EQ(program.name, "Old");
}

} // namespace
