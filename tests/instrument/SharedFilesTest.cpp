// Instances of the instrument sharing the configuration and map files beside the library: each keeps
// what its player changed and nothing it did not, whatever the order in which the host closes them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "framework/vst2/IPlugVST.h"
#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "tests/support/FailingWrites.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace kt4r;

constexpr int kVcfFreq = Index(ParamId::kVcfFreq);

class SharedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        // The user's settings folder is this test's own (on Windows it is the shell's, not the environment's).
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            mOldConfigHome = old;
        setenv("XDG_CONFIG_HOME", mUser.c_str(), 1);
#endif
        std::filesystem::create_directory(mLibrary);
    }
    void TearDown() override
    {
#ifndef _WIN32
        if (mOldConfigHome)
            setenv("XDG_CONFIG_HOME", mOldConfigHome->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
#endif
    }

    static KT4R* Open(const std::string& folder)
    {
        return static_cast<KT4R*>(IPlugVST::PlugOf(IPlugVST::Wrap(new KT4R(folder), nullptr)));
    }
    // The host's close: the instance writes its files and is deleted.
    static void Close(KT4R* plug)
    {
        vst::EffectRecord* record = static_cast<IPlugVST*>(plug->Host())->Record();
        record->dispatcher(record, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    static void SetSetting(KT4R* plug, SettingId id, double normalized)
    {
        plug->Param(Index(id))->SetFromNormalized(normalized);
        plug->ParameterChanged(Index(id), 0);
    }
    static double Gain(KT4R* plug) { return plug->Param(Index(SettingId::kGlobalGain))->Value(); }
    // A right click on the cutoff, a controller moved, then DEFAULT on the learn page.
    static void AssignDefault(KT4R* plug, int cc)
    {
        plug->MidiLearn().Arm(kVcfFreq);
        plug->MidiLearn().LearnController(cc);
        SetSetting(plug, SettingId::kMidiLearnPage4, 1.0);
    }
    static int32_t DefaultKey(KT4R* plug) { return plug->MidiLearn().DefaultTable()[kVcfFreq].key; }
    static std::string Text(const std::string& path)
    {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    static void Put(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    // What a fresh instance on folder starts with: the global gain and the cutoff's default controller.
    static std::pair<double, int32_t> Started(const std::string& folder)
    {
        KT4R* plug = Open(folder);
        const std::pair<double, int32_t> started{Gain(plug), DefaultKey(plug)};
        Close(plug);
        return started;
    }

    kt4r_test::TempFolder mTemp{"kt4r-shared"};
    std::string mLibrary = mTemp.PathOf("library") + "/";
    std::string mUser = mTemp.PathOf("user");
    std::optional<std::string> mOldConfigHome;
};

TEST_F(SharedFiles, TwoInstancesKeepBothPlayersChangesInEitherCloseOrder)
{
    for (const bool filesExist : {false, true}) {
        for (const bool firstClosesFirst : {true, false}) {
            const std::string folder = mTemp.PathOf(std::to_string(filesExist) + std::to_string(firstClosesFirst)) + "/";
            std::filesystem::create_directory(folder);
            if (filesExist) {
                Put(folder + "KT-4R.ini", "# kept\nGLOBAL_GAIN = NORMAL\nEXTRA = 1\n");
                Put(folder + "KT-4R.map", "   21   71 0 1\n");
            }
            KT4R* a = Open(folder);
            KT4R* b = Open(folder);
            SetSetting(a, SettingId::kGlobalGain, 1.0);
            AssignDefault(b, 74);
            Close(firstClosesFirst ? a : b);
            Close(firstClosesFirst ? b : a);

            const std::string trial = "files " + std::to_string(filesExist) + ", A first " + std::to_string(firstClosesFirst);
            EXPECT_EQ(Started(folder), std::make_pair(2.0, 74)) << trial;
            if (filesExist) {
                EXPECT_NE(Text(folder + "KT-4R.ini").find("# kept\n"), std::string::npos) << trial;
                EXPECT_NE(Text(folder + "KT-4R.ini").find("EXTRA = 1\n"), std::string::npos) << trial;
                EXPECT_NE(Text(folder + "KT-4R.map").find("   21   71 0 1\n"), std::string::npos) << trial;
            }
        }
    }
}

// A player's own spacing, comments, line endings and values the instrument does not know all stay.
TEST_F(SharedFiles, AnInstanceThatChangedNothingLeavesTheFilesByteForByte)
{
    const std::string ini = "# mine\r\nGLOBAL_GAIN=HIGH\r\nDEFAULT_NUM_VOICES=7\nMIDI_THRU=true\nODD LINE\n";
    const std::string map = "20 74 0.5 1\n21 75 0 1\nnot a number\n";
    Put(mLibrary + "KT-4R.ini", ini);
    Put(mLibrary + "KT-4R.map", map);
    KT4R* plug = Open(mLibrary);
    EXPECT_EQ(Gain(plug), 2.0);
    // The learn page opened and left with KEEP changes the program's map, not the default one.
    plug->MidiLearn().Arm(kVcfFreq);
    plug->MidiLearn().LearnController(10);
    SetSetting(plug, SettingId::kMidiLearnPage3, 1.0);
    Close(plug);
    EXPECT_EQ(Text(mLibrary + "KT-4R.ini"), ini);
    EXPECT_EQ(Text(mLibrary + "KT-4R.map"), map);
}

// With no file, the first close writes the configuration listing every key the instrument keeps (so
// the player finds LOCK and the others to edit), as before; the map file only holds assignments.
TEST_F(SharedFiles, WithoutFilesTheConfigurationIsCreatedAndTheMapOnlyWhenAssigned)
{
    Close(Open(mLibrary));
    EXPECT_NE(Text(mLibrary + "KT-4R.ini").find("LOCK = \n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(mLibrary + "KT-4R.map"));
    EXPECT_FALSE(std::filesystem::exists(mUser));
}

TEST_F(SharedFiles, AFailedWriteLeavesTheOldFilesAsTheyWere)
{
    if (!kt4r_test::FailingWrites::kAvailable)
        GTEST_SKIP() << "no way to make writes fail here";
    const std::string ini = "GLOBAL_GAIN = LOW\n";
    const std::string map = "   21   71 0 1\n";
    Put(mLibrary + "KT-4R.ini", ini);
    Put(mLibrary + "KT-4R.map", map);
    KT4R* plug = Open(mLibrary);
    SetSetting(plug, SettingId::kGlobalGain, 1.0);
    AssignDefault(plug, 74);
    {
        kt4r_test::FailingWrites failing;
        Close(plug);
    }
    EXPECT_EQ(Text(mLibrary + "KT-4R.ini"), ini);
    EXPECT_EQ(Text(mLibrary + "KT-4R.map"), map);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mLibrary), {}), 2) << "no temporary file is left";
    EXPECT_FALSE(std::filesystem::exists(mUser)) << "a file beside the library is not moved elsewhere";
}

TEST_F(SharedFiles, WhereTheLibraryFolderCannotBeWrittenTheFilesLiveInTheUserFolder)
{
#ifdef _WIN32
    GTEST_SKIP() << "the user folder is the shell's application data folder, not this test's";
#endif
    const std::string readOnly = mTemp.PathOf("not-a-folder");
    Put(readOnly, "");
    const std::string library = readOnly + "/";
    KT4R* plug = Open(library);
    SetSetting(plug, SettingId::kGlobalGain, 1.0);
    AssignDefault(plug, 74);
    Close(plug);
    EXPECT_TRUE(std::filesystem::exists(mUser + "/KT-4R/KT-4R.ini"));
    EXPECT_TRUE(std::filesystem::exists(mUser + "/KT-4R/KT-4R.map"));
    EXPECT_EQ(Started(library), std::make_pair(2.0, 74));

    // A file beside the library wins over the user's.
    Put(mLibrary + "KT-4R.ini", "GLOBAL_GAIN = LOW\n");
    Put(mLibrary + "KT-4R.map", "   20   75 0 1\n");
    EXPECT_EQ(Started(mLibrary), std::make_pair(0.0, 75));
}

} // namespace
