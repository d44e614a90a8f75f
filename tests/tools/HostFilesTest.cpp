// The host's file options: program and bank files carried between two instances of the built
// plug-in, refused files, SysEx files split into messages, and the options of kt4r-render itself.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "instrument/PatchFile.h"
#include "tests/support/PlainProgramFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/PluginTestSupport.h"
#include "tools/kt4r-render/HostFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SplitSysEx, KeepsCompleteMessagesAndSkipsEverythingElse)
{
    struct Case {
        Bytes in;
        std::vector<Bytes> out;
    };
    const Case cases[] = {
        {{0xF0, 0x41, 0xF7, 0xF0, 0x42, 0x43, 0xF7}, {{0xF0, 0x41, 0xF7}, {0xF0, 0x42, 0x43, 0xF7}}},
        {{0x00, 0x90, 0xF0, 0x41, 0xF7, 0x12}, {{0xF0, 0x41, 0xF7}}}, // stray bytes outside messages
        {{0xF0, 0x41, 0xF0, 0x42, 0xF7}, {{0xF0, 0x42, 0xF7}}},       // a new start drops the open message
        {{0xF0, 0x41, 0x42}, {}},                                     // cut off at the end
        {{0xF7, 0xF7}, {}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitSysEx(c.in), c.out);
}

class HostFiles : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return mFolder.PathOf(name); }

    static Bytes FileBytes(const std::string& path)
    {
        Bytes bytes;
        EXPECT_TRUE(kt4r::ReadWholeFile(path, &bytes)) << path;
        return bytes;
    }

    kt4r_test::TempFolder mFolder{"kt4r-hostfiles"};
};

// Parameters that are continuous and audible, moved away from their defaults.
const std::pair<int, float> kEdits[] = {{5, 0.3f}, {12, 0.8f}, {30, 0.15f}};

TEST_F(HostFiles, ABankSavedFromOneInstanceLoadsIntoAnotherAndSavesTheSameBytes)
{
    auto a = kt4r_test::LoadPlugin();
    for (const auto& [index, value] : kEdits)
        a->SetParameter(index, value);
    std::string error;
    ASSERT_TRUE(SaveBankFile(*a.host, PathOf("a.KT4Rbank"), &error)) << error;

    auto b = kt4r_test::LoadPlugin();
    ASSERT_TRUE(LoadBankFile(*b.host, PathOf("a.KT4Rbank"), &error)) << error;
    ASSERT_TRUE(SaveBankFile(*b.host, PathOf("b.KT4Rbank"), &error)) << error;
    EXPECT_EQ(FileBytes(PathOf("a.KT4Rbank")), FileBytes(PathOf("b.KT4Rbank")));
    for (const auto& [index, value] : kEdits)
        EXPECT_FLOAT_EQ(b->GetParameter(index), a->GetParameter(index)) << index;
}

TEST_F(HostFiles, AProgramFileCarriesTheParametersAndTheName)
{
    auto a = kt4r_test::LoadPlugin();
    for (const auto& [index, value] : kEdits)
        a->SetParameter(index, value);
    char name[64] = "Lead 7";
    a->Dispatch(vst::effSetProgramName, 0, 0, name);
    std::string error;
    ASSERT_TRUE(SavePresetFile(*a.host, PathOf("a.KT4Rpreset"), &error)) << error;
    kt4r::ProgramFile file;
    ASSERT_TRUE(kt4r::ReadProgramFile(PathOf("a.KT4Rpreset"), &file));
    EXPECT_EQ(file.name, "Lead 7");

    auto b = kt4r_test::LoadPlugin();
    ASSERT_TRUE(LoadPresetFile(*b.host, PathOf("a.KT4Rpreset"), &error)) << error;
    for (const auto& [index, value] : kEdits)
        EXPECT_FLOAT_EQ(b->GetParameter(index), a->GetParameter(index)) << index;
    char loaded[256] = {};
    b->Dispatch(vst::effGetProgramName, 0, 0, loaded);
    EXPECT_STREQ(loaded, "Lead 7");
    EXPECT_EQ(GetPluginChunk(*b.host, true), GetPluginChunk(*a.host, true));
}

TEST_F(HostFiles, APlainProgramFileSetsTheSeventyParameters)
{
    ASSERT_TRUE(kt4r::WriteWholeFile(PathOf("plain.fxp"), kt4r_test::PlainProgramFile("Plain", 0.2f)));
    auto reference = kt4r_test::LoadPlugin();
    auto b = kt4r_test::LoadPlugin();
    std::string error;
    ASSERT_TRUE(LoadPresetFile(*b.host, PathOf("plain.fxp"), &error)) << error;
    for (int i = 0; i < 69; ++i) {
        reference->SetParameter(i, 0.2f + static_cast<float>(i) / 1000.0f);
        EXPECT_FLOAT_EQ(b->GetParameter(i), reference->GetParameter(i)) << i;
    }
}

TEST_F(HostFiles, RefusedFilesLeaveThePluginAsItWas)
{
    auto a = kt4r_test::LoadPlugin();
    a->SetParameter(5, 0.3f);
    std::string error;
    ASSERT_TRUE(SaveBankFile(*a.host, PathOf("a.KT4Rbank"), &error));
    ASSERT_TRUE(SavePresetFile(*a.host, PathOf("a.KT4Rpreset"), &error));
    Bytes bank = FileBytes(PathOf("a.KT4Rbank"));
    bank.resize(bank.size() - 1);
    ASSERT_TRUE(kt4r::WriteWholeFile(PathOf("cut.KT4Rbank"), bank));
    Bytes plain = kt4r_test::PlainProgramFile("Short", 0.9f);
    plain.resize(plain.size() - 4);
    ASSERT_TRUE(kt4r::WriteWholeFile(PathOf("short.fxp"), plain));

    auto b = kt4r_test::LoadPlugin();
    const Bytes before = GetPluginChunk(*b.host, false);
    EXPECT_FALSE(LoadBankFile(*b.host, PathOf("cut.KT4Rbank"), &error));
    EXPECT_FALSE(LoadBankFile(*b.host, PathOf("a.KT4Rpreset"), &error));
    EXPECT_FALSE(LoadPresetFile(*b.host, PathOf("a.KT4Rbank"), &error));
    EXPECT_FALSE(LoadPresetFile(*b.host, PathOf("short.fxp"), &error));
    EXPECT_FALSE(LoadPresetFile(*b.host, PathOf("missing.KT4Rpreset"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(GetPluginChunk(*b.host, false), before);
}

// kt4r-render's exit code for the arguments, its output discarded.
int RunRender(const std::string& arguments)
{
#ifdef _WIN32
    // std::system hands the line to cmd.exe, which wants backslashes in the program's path and answers
    // the program's exit code as it is.
    const std::string render = std::filesystem::path(KT4R_RENDER_PATH).make_preferred().string();
    return std::system((render + " --plugin " + KT4R_PLUGIN_PATH + " " + arguments + " >NUL 2>&1").c_str());
#else
    const std::string command =
        std::string(KT4R_RENDER_PATH) + " --plugin " + KT4R_PLUGIN_PATH + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST_F(HostFiles, RenderToolSavesLoadsAndResavesABankUnchanged)
{
    const std::string a = PathOf("a.KT4Rbank"), b = PathOf("b.KT4Rbank"), p = PathOf("p.KT4Rpreset");
    ASSERT_EQ(RunRender("--param 5=0.3 --save-bank " + a + " --save-preset " + p), 0);
    ASSERT_EQ(RunRender("--load-bank " + a + " --load-preset " + p + " --save-bank " + b), 0);
    EXPECT_EQ(FileBytes(a), FileBytes(b));
    EXPECT_EQ(RunRender("--load-bank " + p), 1);
    EXPECT_EQ(RunRender("--load-preset " + PathOf("missing")), 1);
}

TEST_F(HostFiles, RenderToolPlaysASysExFileAndRefusesAMissingOne)
{
    const std::string syx = PathOf("dump.syx");
    ASSERT_TRUE(kt4r::WriteWholeFile(syx, Bytes{0xF0, 0x7D, 0x01, 0xF7, 0xF0, 0x7D, 0x02, 0xF7}));
    EXPECT_EQ(RunRender("--syx " + syx + " --notes 0:60:100:0.1 --length 0.2 --out " + PathOf("out.wav")), 0);
    EXPECT_EQ(RunRender("--syx " + syx), 0);
    EXPECT_EQ(RunRender("--syx " + PathOf("missing.syx")), 1);
}

} // namespace
