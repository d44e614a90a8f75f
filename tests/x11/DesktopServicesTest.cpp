// The Linux editor's rules that need no window: key numbers, double clicks, the name entry's editing,
// and the desktop programs it runs for file choosers and message boxes (fake ones put first on PATH).
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "framework/x11/FileChooserProcess.h"
#include "framework/x11/IGraphicsX11.h"
#include "framework/x11/X11Input.h"
#include "framework/x11/X11TextEntry.h"
#include "tests/support/TempFolder.h"
#include "tests/x11/X11TestHost.h"

namespace {

TEST(X11Input, KeySymbolsGetTheEditorsKeyNumbersWithLettersCaseFolded)
{
    const struct {
        unsigned long keysym;
        int key;
    } table[] = {{XK_space, 0}, {XK_Up, 1},   {XK_Down, 2},  {XK_Left, 3},  {XK_Right, 4}, {XK_0, 5},
                 {XK_9, 14},    {XK_KP_3, 8}, {XK_a, 15},    {XK_A, 15},    {XK_z, 40},    {XK_Z, 40},
                 {XK_Return, -1}, {XK_F1, -1}, {XK_Escape, -1}, {XK_exclam, -1}};
    for (const auto& row : table)
        EXPECT_EQ(EditorKeyForKeysym(row.keysym), row.key) << std::hex << row.keysym;
}

TEST(X11Input, TwoNearPressesWithinFourHundredMillisecondsMakeOneDoubleClick)
{
    DoubleClickDetector d;
    EXPECT_FALSE(d.Press(1, 10, 10, 1000));
    EXPECT_TRUE(d.Press(1, 13, 7, 1400));
    EXPECT_FALSE(d.Press(1, 13, 7, 1450)) << "a third press starts again";
    EXPECT_FALSE(d.Press(1, 13, 7, 1900)) << "too late";
    EXPECT_FALSE(d.Press(1, 18, 7, 2000)) << "too far";
    EXPECT_FALSE(d.Press(3, 18, 7, 2050)) << "another button";
    EXPECT_FALSE(d.Press(1, 0, 0, 0xFFFFFF00u));
    EXPECT_TRUE(d.Press(1, 0, 0, 0x40u)) << "across the server clock's wrap";
}

TEST(X11TextEntry, TypingReplacesTheSelectionAndTheKeysEditWithinTheLengthLimit)
{
    X11TextEntry::Editor e;
    e.text = "Init Voice";
    e.maxChars = 8;
    e.SelectAll();
    e.Insert('P');
    EXPECT_EQ(e.text, "P");
    for (char c : std::string("iano 12345"))
        e.Insert(c);
    EXPECT_EQ(e.text, "Piano 12") << "held to the limit";
    e.Backspace();
    e.Move(0);
    e.Delete();
    EXPECT_EQ(e.text, "iano 1");
    e.Move(100);
    EXPECT_EQ(e.caret, 6u);
    e.Backspace(), e.Backspace();
    EXPECT_EQ(e.text, "iano");
    e.Move(0);
    e.Backspace(); // at the start: nothing
    EXPECT_EQ(e.text, "iano");
}

TEST(FileChooser, CommandLinesCarryTheActionTheFolderAndThePatterns)
{
    EXPECT_EQ(FileChooserCommand("zenity", 1, "/home/p/", "KT4Rbank syx"),
              (std::vector<std::string>{"zenity", "--file-selection", "--save", "--confirm-overwrite",
                                        "--filename=/home/p/", "--file-filter=*.KT4Rbank *.syx"}));
    EXPECT_EQ(FileChooserCommand("zenity", 0, "/d/", "syx"),
              (std::vector<std::string>{"zenity", "--file-selection", "--filename=/d/", "--file-filter=*.syx"}));
    EXPECT_EQ(FileChooserCommand("kdialog", 0, "/d/", "KT4Rpreset"),
              (std::vector<std::string>{"kdialog", "--getopenfilename", "/d/", "*.KT4Rpreset"}));
    EXPECT_EQ(FileChooserCommand("kdialog", 1, "/d/", ""),
              (std::vector<std::string>{"kdialog", "--getsavefilename", "/d/"}));
    EXPECT_EQ(ChosenPath("/a/b c.syx\n"), "/a/b c.syx");
    EXPECT_EQ(ChosenPath(""), "");
    EXPECT_EQ(FolderOf("/a/b c.syx"), "/a/");
}

// A folder put first on PATH with fake desktop programs: each writes its arguments to a log.
class FakeDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        mOldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (folder.Path().string() + ":" + mOldPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", mOldPath.c_str(), 1); }

    // A program that logs its arguments, then runs body (shell).
    void Program(const std::string& name, const std::string& body)
    {
        const std::string path = folder.Path().string() + "/" + name;
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << Log(name) << "'\n"
                            << body << "\n";
        chmod(path.c_str(), 0755);
    }
    std::string Log(const std::string& name) const { return folder.Path().string() + "/" + name + ".log"; }
    std::string Logged(const std::string& name) const
    {
        std::ifstream in(Log(name));
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void OnlyFakesOnPath() { setenv("PATH", folder.Path().c_str(), 1); }

    kt4r_test::TempFolder folder{"kt4r-desktop"};
    IGraphicsX11 graphics{nullptr, 860, 692, 25};

private:
    std::string mOldPath;
};

TEST_F(FakeDesktop, TheChooserRunsBesideTheHostAndItsPathArrivesThroughIdle)
{
    Program("zenity", "/bin/sleep 0.3; echo /tmp/banks/My Bank.KT4Rbank");
    std::string path = "unset", chosenFolder;
    const auto start = std::chrono::steady_clock::now();
    graphics.PromptForFile(1, "/tmp/banks", "KT4Rbank syx", [&](const std::string& p, const std::string& f) {
        path = p;
        chosenFolder = f;
    });
    const double promptMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(promptMs, 100.0) << "the prompt must not wait for the player";
    EXPECT_TRUE(graphics.FileChooserRunning());
    EXPECT_EQ(path, "unset");

    double longestIdleMs = 0;
    for (int i = 0; i < 300 && path == "unset"; ++i) {
        const auto t = std::chrono::steady_clock::now();
        graphics.Idle();
        longestIdleMs = std::max(
            longestIdleMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
        usleep(10000);
    }
    EXPECT_EQ(path, "/tmp/banks/My Bank.KT4Rbank");
    EXPECT_EQ(chosenFolder, "/tmp/banks/");
    EXPECT_LT(longestIdleMs, 20.0);
    EXPECT_FALSE(graphics.FileChooserRunning());
    EXPECT_EQ(Logged("zenity"),
              "--file-selection\n--save\n--confirm-overwrite\n--filename=/tmp/banks/\n--file-filter=*.KT4Rbank *.syx\n");
}

TEST_F(FakeDesktop, ACancelledChooserAnswersAnEmptyPathAndTheFolderItStartedIn)
{
    Program("zenity", "exit 1");
    std::string path = "unset", chosenFolder;
    graphics.PromptForFile(0, "/tmp/x/", "syx", [&](const std::string& p, const std::string& f) {
        path = p;
        chosenFolder = f;
    });
    for (int i = 0; i < 300 && path == "unset"; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(path, "");
    EXPECT_EQ(chosenFolder, "/tmp/x/");
}

TEST_F(FakeDesktop, KdialogServesWhenZenityIsMissingAndASecondPromptIsRefusedMeanwhile)
{
    OnlyFakesOnPath();
    Program("kdialog", "/bin/sleep 0.2; echo /p/a.syx");
    std::string first = "unset", second = "unset";
    graphics.PromptForFile(0, "/p/", "syx", [&](const std::string& p, const std::string&) { first = p; });
    graphics.PromptForFile(0, "/p/", "syx", [&](const std::string& p, const std::string&) { second = p; });
    EXPECT_EQ(second, "");
    for (int i = 0; i < 300 && first == "unset"; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(first, "/p/a.syx");
    EXPECT_EQ(Logged("kdialog"), "--getopenfilename\n/p/\n*.syx\n");
}

TEST_F(FakeDesktop, WithoutAChooserThePlayerIsToldAndThePromptAnswersEmpty)
{
    OnlyFakesOnPath();
    Program("xmessage", "exit 101");
    std::string path = "unset";
    graphics.PromptForFile(0, "/p/", "syx", [&](const std::string& p, const std::string&) { path = p; });
    EXPECT_EQ(path, "");
    for (int i = 0; i < 300 && graphics.MessageBoxesShown() > 0; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_NE(Logged("xmessage").find("No file chooser found: install zenity or kdialog"), std::string::npos);
}

TEST_F(FakeDesktop, AMessageBoxRunsBesideTheHostAndItsAnswerArrivesThroughIdleWhenItEnds)
{
    // The box stays open until the test lets it go, so nothing can have waited for it.
    const std::string release = folder.Path().string() + "/release";
    Program("zenity", "while [ ! -f '" + release + "' ]; do /bin/sleep 0.02; done; exit 0"); // "Yes"
    int answer = -1;
    graphics.AskMessageBox("Overwrite?", "Bank", 4, [&](int a) { answer = a; });
    EXPECT_EQ(graphics.MessageBoxesShown(), 1);
    for (int i = 0; i < 10; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(answer, -1) << "no answer while the box is open";

    std::ofstream(release) << "";
    for (int i = 0; i < 300 && answer == -1; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(graphics.MessageBoxesShown(), 0);
    EXPECT_EQ(Logged("zenity"), "--question\n--title=Bank\n--text=Overwrite?\n--no-markup\n--ok-label=Yes\n"
                                "--cancel-label=No\n");

    // The slot that must answer at once does not wait either: it shows the box and answers what an
    // unseen box answers.
    std::remove(release.c_str());
    EXPECT_EQ(graphics.ShowMessageBox("Saved.", "Bank", 0), 1);
    EXPECT_EQ(graphics.ShowMessageBox("Overwrite?", "Bank", 4), 0);
    EXPECT_EQ(graphics.MessageBoxesShown(), 2);
}

TEST_F(FakeDesktop, QuestionsAnswerTheButtonAndUrlsOpenOnlyAfterAYes)
{
    OnlyFakesOnPath();
    Program("xmessage", "exit 100"); // "No"
    Program("xdg-open", "exit 0");
    int answer = -1;
    graphics.AskMessageBox("Overwrite?", "Bank", 4, [&](int a) { answer = a; });
    EXPECT_TRUE(graphics.OpenUrl("https://example.invalid/", "Help", "Open the manual?", nullptr));
    for (int i = 0; i < 300 && graphics.MessageBoxesShown() > 0; ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(Logged("xdg-open"), "");

    Program("xmessage", "exit 101"); // "Yes"
    graphics.AskMessageBox("Overwrite?", "Bank", 4, [&](int a) { answer = a; });
    EXPECT_TRUE(graphics.OpenUrl("https://example.invalid/", "Help", "Open the manual?", nullptr));
    for (int i = 0; i < 300 && Logged("xdg-open").empty(); ++i, usleep(10000))
        graphics.Idle();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(Logged("xdg-open"), "https://example.invalid/\n");
    EXPECT_FALSE(graphics.OpenUrl("--help", "Help", nullptr, nullptr)) << "an option is no URL";
}

TEST_F(FakeDesktop, ABoxStillOpenWhenTheWindowClosesEndsAndAnswersNo)
{
    KT4R_REQUIRE_X();
    kt4r_test::X11TestHost host;
    ASSERT_TRUE(host.Ok());
    ASSERT_NE(graphics.OpenWindow(host.ParentHandle()), nullptr);
    const std::string pidFile = folder.Path().string() + "/pid";
    Program("zenity", "echo $$ > '" + pidFile + "'; exec /bin/sleep 30");
    int answer = -1;
    graphics.AskMessageBox("Overwrite?", "Bank", 4, [&](int a) { answer = a; });
    int pid = 0;
    for (int i = 0; i < 300 && pid == 0; ++i, usleep(10000))
        std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    graphics.CloseWindow();
    EXPECT_EQ(answer, 0);
    EXPECT_NE(kill(pid, 0), 0) << "the box went with the window";
}

TEST_F(FakeDesktop, WithoutAnyDialogProgramAQuestionIsAnsweredNo)
{
    setenv("PATH", "/nonexistent", 1);
    int answer = -1;
    graphics.AskMessageBox("Overwrite?", "Bank", 4, [&](int a) { answer = a; });
    EXPECT_EQ(answer, 0) << "at once";
    graphics.AskMessageBox("Saved.", "Bank", 0, [&](int a) { answer = a; });
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(graphics.MessageBoxesShown(), 0);
}

} // namespace
